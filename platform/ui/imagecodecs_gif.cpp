// GIF decoded here rather than by SDL2_image, which freed memory it did not
// own on some damaged files: a walk over the blocks finds the first image,
// checks its size and that its data is complete, then the LZW codes are
// expanded with every code and every pixel checked against its bounds.
#include <cairo.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "platform/ui/imagebytes.h"
#include "platform/ui/imagecodecs.h"

namespace tavrel {

namespace {

[[noreturn]] void Truncated() { throw EInvalidGraphic("truncated GIF image"); }

constexpr unsigned kMaxCodeBits = 12;
constexpr unsigned kMaxCodes = 1u << kMaxCodeBits;

// The first image of a GIF and what applies to it.
struct GifFirstImage {
  uint16_t width = 0, height = 0;
  bool interlaced = false;
  const uint8_t* colours = nullptr;  // RGB triples; null when the file has no table for it
  size_t colourCount = 0;
  int transparent = -1;  // index, from the last control extension before the image
  unsigned minCode = 0;
  size_t data = 0;  // offset of the first data sub-block
};

// Skips data sub-blocks from `pos` up to and past their terminator.
size_t SkipSubBlocks(const uint8_t* d, size_t size, size_t pos) {
  while (true) {
    if (pos >= size) Truncated();
    const size_t n = d[pos];
    ++pos;
    if (n == 0) return pos;
    if (n > size - pos) Truncated();
    pos += n;
  }
}

size_t ColourCount(uint8_t packed) { return (packed & 0x80) ? size_t{2} << (packed & 7) : 0; }

GifFirstImage WalkGif(const uint8_t* d, size_t size, uint64_t maxPixels) {
  if (size < 13) Truncated();
  GifFirstImage img;
  size_t pos = 13;
  if (const size_t n = ColourCount(d[10])) {
    if (3 * n > size - pos) Truncated();
    img.colours = d + pos;
    img.colourCount = n;
    pos += 3 * n;
  }
  while (true) {
    if (pos >= size) Truncated();
    const uint8_t block = d[pos];
    if (block == 0x21) {  // extension: label, then sub-blocks
      if (size - pos < 2) Truncated();
      const size_t next = SkipSubBlocks(d, size, pos + 2);
      if (d[pos + 1] == 0xF9 && d[pos + 2] >= 4)  // graphic control: flags, delay, transparent index
        img.transparent = (d[pos + 3] & 1) ? d[pos + 6] : -1;
      pos = next;
    } else if (block == 0x2C) {
      if (size - pos < 10) Truncated();
      img.width = Le16(d + pos + 5);
      img.height = Le16(d + pos + 7);
      const uint8_t packed = d[pos + 9];
      img.interlaced = (packed & 0x40) != 0;
      CheckImageSize("GIF", img.width, img.height, maxPixels);
      // An image reaching past its screen is a damaged file.
      if (Le16(d + pos + 1) + size_t{img.width} > Le16(d + 6) ||
          Le16(d + pos + 3) + size_t{img.height} > Le16(d + 8))
        throw EInvalidGraphic("GIF image lies outside its screen");
      pos += 10;
      if (const size_t n = ColourCount(packed)) {
        if (3 * n > size - pos) Truncated();
        img.colours = d + pos;
        img.colourCount = n;
        pos += 3 * n;
      }
      if (pos >= size) Truncated();
      img.minCode = d[pos];
      if (img.minCode < 2 || img.minCode > 8) throw EInvalidGraphic("bad GIF code size");
      img.data = pos + 1;
      SkipSubBlocks(d, size, img.data);  // the data must be complete
      if (!img.colours) throw EInvalidGraphic("GIF image has no colour table");
      return img;
    } else if (block == 0x3B) {
      throw EInvalidGraphic("GIF file holds no image");
    } else {
      throw EInvalidGraphic("bad GIF block");
    }
  }
}

// The image's LZW codes expanded into colour indices in stored row order,
// at most `pixels` of them: fewer when the data ends early. Codes grow from
// minCode + 1 to 12 bits; a full table stays as it is until the next clear
// code.
std::vector<uint8_t> DecodeLzw(const uint8_t* d, size_t pos, unsigned minCode, size_t pixels) {
  std::vector<uint8_t> out;
  out.reserve(pixels);
  const unsigned clear = 1u << minCode, end = clear + 1;
  std::array<uint16_t, kMaxCodes> prefix{};
  std::array<uint8_t, kMaxCodes> suffix{}, first{};
  std::array<uint8_t, kMaxCodes> stack{};
  for (unsigned c = 0; c < clear; ++c) suffix[c] = first[c] = static_cast<uint8_t>(c);
  unsigned width = minCode + 1, next = clear + 2;
  int prev = -1;
  uint32_t bits = 0;
  unsigned nbits = 0;
  size_t left = 0;  // bytes left in the current sub-block

  // Writes the string of `code`, then `extra` when it is >= 0.
  auto emit = [&](unsigned code, int extra) {
    size_t n = 0;
    if (extra >= 0) stack[n++] = static_cast<uint8_t>(extra);
    while (true) {
      stack[n++] = suffix[code];
      if (code < clear) break;
      code = prefix[code];
    }
    while (n > 0 && out.size() < pixels) out.push_back(stack[--n]);
  };

  while (out.size() < pixels) {
    while (nbits < width) {
      if (left == 0) {
        left = d[pos++];  // the walk has checked every sub-block and the terminator
        if (left == 0) return out;
      }
      bits |= uint32_t{d[pos++]} << nbits;
      nbits += 8;
      --left;
    }
    const unsigned code = bits & ((1u << width) - 1);
    bits >>= width;
    nbits -= width;
    if (code == clear) {
      width = minCode + 1;
      next = clear + 2;
      prev = -1;
      continue;
    }
    if (code == end) break;
    if (prev < 0) {
      if (code >= clear) throw EInvalidGraphic("bad GIF image data");
      emit(code, -1);
      prev = static_cast<int>(code);
      continue;
    }
    uint8_t head;
    if (code < next) {
      head = first[code];
      emit(code, -1);
    } else if (code == next) {  // the string being defined: the previous one and its own first index
      head = first[prev];
      emit(static_cast<unsigned>(prev), head);
    } else {
      throw EInvalidGraphic("bad GIF image data");
    }
    if (next < kMaxCodes) {
      prefix[next] = static_cast<uint16_t>(prev);
      suffix[next] = head;
      first[next] = first[prev];
      ++next;
      if (next == (1u << width) && width < kMaxCodeBits) ++width;
    }
    prev = static_cast<int>(code);
  }
  return out;
}

// Rows in the order an interlaced image stores them: every 8th from 0,
// every 8th from 4, every 4th from 2, every 2nd from 1.
std::vector<int> InterlacedRowOrder(int h) {
  std::vector<int> rows;
  rows.reserve(static_cast<size_t>(h));
  for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
    for (int y = start; y < h; y += step) rows.push_back(y);
  return rows;
}

}  // namespace

CairoSurface DecodeGIF(const uint8_t* d, size_t size, uint64_t maxPixels) {
  if (SniffImageFormat(d, size) != TImageFormat::GIF) throw EInvalidGraphic("not a GIF image");
  const GifFirstImage img = WalkGif(d, size, maxPixels);
  const int w = img.width, h = img.height;
  const std::vector<uint8_t> indices = DecodeLzw(d, img.data, img.minCode, size_t(w) * size_t(h));

  // Indices past the table are black; pixels the data does not reach stay transparent.
  std::array<uint32_t, 256> argb{};
  argb.fill(0xFF000000u);
  for (size_t i = 0; i < std::min(img.colourCount, argb.size()); ++i) {
    const uint8_t* c = img.colours + 3 * i;
    argb[i] |= (uint32_t{c[0]} << 16) | (uint32_t{c[1]} << 8) | c[2];
  }
  if (img.transparent >= 0) argb[static_cast<size_t>(img.transparent)] = 0;

  CairoSurface s = NewSurface(w, h, clNone);
  cairo_surface_flush(s.get());
  const std::vector<int> order = img.interlaced ? InterlacedRowOrder(h) : std::vector<int>{};
  for (size_t k = 0; k * w < indices.size(); ++k) {
    uint32_t* row = SurfaceRow(s.get(), img.interlaced ? order[k] : static_cast<int>(k));
    const size_t n = std::min(size_t(w), indices.size() - k * w);
    for (size_t x = 0; x < n; ++x) row[x] = argb[indices[k * w + x]];
  }
  cairo_surface_mark_dirty(s.get());
  return s;
}

}  // namespace tavrel
