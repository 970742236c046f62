#pragma once
// Small image files the decoder tests make themselves: GIF (uncompressed
// LZW codes, interlace, local and global colour tables, the transparent
// index), icons with a BMP or PNG image, JPEG baseline and progressive
// (through libjpeg), PNG (through cairo) and BMP.
//
//   GifImage img{.w = 4, .h = 3, .pixels = {...}};
//   std::vector<uint8_t> gif = MakeGif(4, 3, {clRed, clBlue}, {img});
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>  // after <cstdio>: it needs FILE and size_t

#include "platform/ui/colors.h"
#include "platform/ui/imagebytes.h"
#include "platform/ui/imagecodecs.h"

namespace tavrel::test {

inline void PutLe16(std::vector<uint8_t>& v, int x) { Put16(v, static_cast<uint16_t>(x)); }
inline void PutLe32(std::vector<uint8_t>& v, uint32_t x) { Put32(v, x); }

// ---- GIF -------------------------------------------------------------------

struct GifImage {
  int left = 0, top = 0, w = 0, h = 0;
  std::vector<uint8_t> pixels;         // colour indices, row by row, top first
  std::vector<TColor> localColours;    // empty: the global table
  bool interlaced = false;
  int transparent = -1;                // index, or -1 for no control extension
  int delay = 0;                       // with a control extension (transparent >= 0 or delay > 0)
};

// Entries of a colour table: the next power of two from 2, padded black.
inline int GifTableBits(size_t n) {
  int bits = 1;
  while ((size_t{1} << bits) < n) ++bits;
  return bits;
}

inline void PutGifColours(std::vector<uint8_t>& v, const std::vector<TColor>& colours) {
  const size_t n = size_t{1} << GifTableBits(colours.size());
  for (size_t i = 0; i < n; ++i) {
    const uint32_t rgb = i < colours.size() ? ColorToRGB(colours[i]) : 0;
    v.push_back(static_cast<uint8_t>(GetRValue(rgb)));
    v.push_back(static_cast<uint8_t>(GetGValue(rgb)));
    v.push_back(static_cast<uint8_t>(GetBValue(rgb)));
  }
}

// LZW data that never grows the code width: every index is sent as a
// literal code and the table is cleared before it would widen.
inline void PutGifPixels(std::vector<uint8_t>& v, const std::vector<uint8_t>& indices, int tableBits) {
  const int minCode = std::max(2, tableBits);
  const int width = minCode + 1;
  const uint32_t clear = 1u << minCode, eoi = clear + 1;
  std::vector<uint8_t> bytes;
  uint32_t acc = 0;
  int nbits = 0;
  auto put = [&](uint32_t code) {
    acc |= code << nbits;
    nbits += width;
    while (nbits >= 8) {
      bytes.push_back(static_cast<uint8_t>(acc));
      acc >>= 8;
      nbits -= 8;
    }
  };
  const size_t run = clear - 2;
  for (size_t i = 0; i < indices.size(); ++i) {
    if (i % run == 0) put(clear);
    put(indices[i]);
  }
  put(eoi);
  if (nbits > 0) bytes.push_back(static_cast<uint8_t>(acc));
  v.push_back(static_cast<uint8_t>(minCode));
  for (size_t i = 0; i < bytes.size(); i += 255) {
    const size_t n = std::min<size_t>(255, bytes.size() - i);
    v.push_back(static_cast<uint8_t>(n));
    v.insert(v.end(), bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.begin() + static_cast<std::ptrdiff_t>(i + n));
  }
  v.push_back(0);
}

// Rows in the order an interlaced image stores them.
inline std::vector<int> GifInterlacedRows(int h) {
  std::vector<int> rows;
  for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
    for (int y = start; y < h; y += step) rows.push_back(y);
  return rows;
}

inline std::vector<uint8_t> MakeGif(int screenW, int screenH, const std::vector<TColor>& globalColours,
                                    const std::vector<GifImage>& images) {
  std::vector<uint8_t> v = {'G', 'I', 'F', '8', '9', 'a'};
  PutLe16(v, screenW);
  PutLe16(v, screenH);
  const int gbits = globalColours.empty() ? 1 : GifTableBits(globalColours.size());
  v.push_back(static_cast<uint8_t>((globalColours.empty() ? 0 : 0x80) | 0x70 | (gbits - 1)));
  v.push_back(0);  // background index
  v.push_back(0);  // aspect
  if (!globalColours.empty()) PutGifColours(v, globalColours);
  for (const GifImage& img : images) {
    if (img.transparent >= 0 || img.delay > 0) {
      v.insert(v.end(), {0x21, 0xF9, 4, static_cast<uint8_t>(img.transparent >= 0 ? 1 : 0)});
      PutLe16(v, img.delay);
      v.push_back(static_cast<uint8_t>(std::max(img.transparent, 0)));
      v.push_back(0);
    }
    v.push_back(0x2C);
    PutLe16(v, img.left);
    PutLe16(v, img.top);
    PutLe16(v, img.w);
    PutLe16(v, img.h);
    const int lbits = img.localColours.empty() ? gbits : GifTableBits(img.localColours.size());
    v.push_back(static_cast<uint8_t>((img.localColours.empty() ? 0 : 0x80 | (lbits - 1)) | (img.interlaced ? 0x40 : 0)));
    if (!img.localColours.empty()) PutGifColours(v, img.localColours);
    std::vector<uint8_t> stored;
    if (img.interlaced) {
      for (int y : GifInterlacedRows(img.h))
        stored.insert(stored.end(), img.pixels.begin() + y * img.w, img.pixels.begin() + (y + 1) * img.w);
    } else {
      stored = img.pixels;
    }
    PutGifPixels(v, stored, lbits);
  }
  v.push_back(0x3B);
  return v;
}

// ---- icons -----------------------------------------------------------------

// One icon image as a 32-bit BMP from ARGB pixels (height doubled for the
// AND mask, which marks the pixels of alpha 0, as icon files do).
inline std::vector<uint8_t> IconBmpImage(int w, int h, const std::vector<uint32_t>& argb) {
  std::vector<uint8_t> v;
  PutLe32(v, 40);
  PutLe32(v, static_cast<uint32_t>(w));
  PutLe32(v, static_cast<uint32_t>(2 * h));
  PutLe16(v, 1);
  PutLe16(v, 32);
  for (int i = 0; i < 6; ++i) PutLe32(v, 0);
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) PutLe32(v, argb[static_cast<size_t>(y * w + x)]);
  const int maskStride = ((w + 31) / 32) * 4;
  for (int y = h - 1; y >= 0; --y) {
    std::vector<uint8_t> row(static_cast<size_t>(maskStride), 0);
    for (int x = 0; x < w; ++x)
      if (argb[static_cast<size_t>(y * w + x)] >> 24 == 0) row[static_cast<size_t>(x / 8)] |= 0x80 >> (x % 8);
    v.insert(v.end(), row.begin(), row.end());
  }
  return v;
}

// An icon file with one image (BMP or PNG bytes) of the given size.
inline std::vector<uint8_t> MakeIco(int w, int h, const std::vector<uint8_t>& image) {
  std::vector<uint8_t> v;
  PutLe16(v, 0);
  PutLe16(v, 1);  // icon
  PutLe16(v, 1);  // one image
  v.push_back(static_cast<uint8_t>(w >= 256 ? 0 : w));
  v.push_back(static_cast<uint8_t>(h >= 256 ? 0 : h));
  v.push_back(0);  // colours
  v.push_back(0);
  PutLe16(v, 1);   // planes
  PutLe16(v, 32);  // bits
  PutLe32(v, static_cast<uint32_t>(image.size()));
  PutLe32(v, 22);
  v.insert(v.end(), image.begin(), image.end());
  return v;
}

// A cursor file with one image: an icon file of type 2 whose entry holds
// the hot spot in place of the planes and bits.
inline std::vector<uint8_t> MakeCur(int w, int h, int hotX, int hotY, const std::vector<uint8_t>& image) {
  std::vector<uint8_t> v = MakeIco(w, h, image);
  v[2] = 2;
  v[10] = static_cast<uint8_t>(hotX);
  v[11] = static_cast<uint8_t>(hotX >> 8);
  v[12] = static_cast<uint8_t>(hotY);
  v[13] = static_cast<uint8_t>(hotY >> 8);
  return v;
}

// ---- PNG, BMP, JPEG --------------------------------------------------------

inline cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int len) {
  auto* v = static_cast<std::vector<uint8_t>*>(closure);
  v->insert(v->end(), data, data + len);
  return CAIRO_STATUS_SUCCESS;
}

inline std::vector<uint8_t> MakePng(cairo_surface_t* s) {
  std::vector<uint8_t> v;
  cairo_surface_write_to_png_stream(s, AppendBytes, &v);
  return v;
}

// Baseline or progressive JPEG of an opaque surface, at the best quality.
inline std::vector<uint8_t> MakeJpeg(cairo_surface_t* s, bool progressive) {
  const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&c, &out, &outSize);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  cairo_surface_flush(s);
  std::vector<uint8_t> row(static_cast<size_t>(w) * 3);
  for (int y = 0; y < h; ++y) {
    const auto* px = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s) +
                                                       static_cast<size_t>(y) * cairo_image_surface_get_stride(s));
    for (int x = 0; x < w; ++x) {
      row[x * 3] = static_cast<uint8_t>(px[x] >> 16);
      row[x * 3 + 1] = static_cast<uint8_t>(px[x] >> 8);
      row[x * 3 + 2] = static_cast<uint8_t>(px[x]);
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> v(out, out + outSize);
  jpeg_destroy_compress(&c);
  std::free(out);
  return v;
}

// Patches a file's stored size fields, to claim another size than it holds.
inline void SetLe16(std::vector<uint8_t>& v, size_t at, int x) {
  v.at(at) = static_cast<uint8_t>(x);
  v.at(at + 1) = static_cast<uint8_t>(x >> 8);
}
inline void SetBe16(std::vector<uint8_t>& v, size_t at, int x) {
  v.at(at) = static_cast<uint8_t>(x >> 8);
  v.at(at + 1) = static_cast<uint8_t>(x);
}
inline void SetLe32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.at(at + i) = static_cast<uint8_t>(x >> (8 * i));
}
inline void SetBe32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.at(at + i) = static_cast<uint8_t>(x >> (8 * (3 - i)));
}

// Offset of a JPEG's frame header (SOFn) length field.
inline size_t JpegFrameHeader(const std::vector<uint8_t>& v) {
  for (size_t i = 2; i + 1 < v.size(); ++i)
    if (v[i] == 0xFF && (v[i + 1] == 0xC0 || v[i + 1] == 0xC2)) return i + 2;
  throw std::runtime_error("no frame header");
}

}  // namespace tavrel::test
