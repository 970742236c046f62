// JPEG, icons and SVG through SDL2_image. Before the library sees a file, our
// own walk over its markers or directory finds the size it claims (for the
// pixel budget) and makes sure it is complete: the library itself decodes a
// JPEG without its end into a picture of filler without complaint.
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <cairo.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>

#include "platform/ui/imagebytes.h"
#include "platform/ui/imagecodecs.h"

namespace tavrel {

namespace {

struct SdlSurfaceRelease {
  void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using SdlSurface = std::unique_ptr<SDL_Surface, SdlSurfaceRelease>;

// Runs one SDL2_image loader over bytes in memory.
SdlSurface SdlLoad(const char* format, const uint8_t* d, size_t size, SDL_Surface* (*load)(SDL_RWops*)) {
  SDL_RWops* rw = SDL_RWFromConstMem(d, static_cast<int>(size));
  if (!rw) throw EInvalidGraphic(std::string("cannot read ") + format + " image: " + SDL_GetError());
  SdlSurface s(load(rw));
  SDL_RWclose(rw);
  if (!s) throw EInvalidGraphic(std::string("unreadable ") + format + " image: " + IMG_GetError());
  return s;
}

// ARGB32 with premultiplied alpha, as cairo keeps it; a colour key
// becomes alpha 0 in the conversion.
CairoSurface ToCairo(const char* format, SDL_Surface* src) {
  SdlSurface argb(SDL_ConvertSurfaceFormat(src, SDL_PIXELFORMAT_ARGB8888, 0));
  if (!argb) throw EInvalidGraphic(std::string("cannot convert ") + format + " image: " + SDL_GetError());
  CairoSurface s = NewSurface(argb->w, argb->h, clNone);
  cairo_surface_flush(s.get());
  for (int y = 0; y < argb->h; ++y) {
    const auto* in = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) +
                                                       static_cast<size_t>(y) * argb->pitch);
    uint32_t* out = SurfaceRow(s.get(), y);
    for (int x = 0; x < argb->w; ++x) {
      const uint32_t p = in[x], a = p >> 24;
      if (a == 255) {
        out[x] = p;
      } else {
        auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
        out[x] = (a << 24) | (mul((p >> 16) & 0xFF) << 16) | (mul((p >> 8) & 0xFF) << 8) | mul(p & 0xFF);
      }
    }
  }
  cairo_surface_mark_dirty(s.get());
  return s;
}

[[noreturn]] void Truncated(const char* format) {
  throw EInvalidGraphic(std::string("truncated ") + format + " image");
}

// ---- JPEG ------------------------------------------------------------------

bool IsFrameMarker(uint8_t m) { return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC; }
bool IsStandalone(uint8_t m) { return m == 0x01 || (m >= 0xD0 && m <= 0xD7); }

// Walks the segments up to the end marker, checking every frame's size;
// scan data runs up to the next marker that is not a restart.
void WalkJpeg(const uint8_t* d, size_t size, uint64_t maxPixels) {
  size_t pos = 2;
  bool frame = false, scan = false;
  while (true) {
    if (size - pos < 2) Truncated("JPEG");
    if (d[pos] != 0xFF) throw EInvalidGraphic("bad JPEG marker");
    while (pos + 1 < size && d[pos + 1] == 0xFF) ++pos;  // fill bytes
    if (size - pos < 2) Truncated("JPEG");
    const uint8_t marker = d[pos + 1];
    pos += 2;
    if (marker == 0xD9) {
      if (!frame || !scan) throw EInvalidGraphic("JPEG file holds no image");
      return;
    }
    if (IsStandalone(marker)) continue;
    if (size - pos < 2) Truncated("JPEG");
    const size_t length = Be16(d + pos);
    if (length < 2) throw EInvalidGraphic("bad JPEG segment");
    if (length > size - pos) Truncated("JPEG");
    if (IsFrameMarker(marker)) {
      if (length < 8) throw EInvalidGraphic("bad JPEG frame header");
      CheckImageSize("JPEG", Be16(d + pos + 5), Be16(d + pos + 3), maxPixels);
      frame = true;
    }
    pos += length;
    if (marker == 0xDA) {
      if (!frame) throw EInvalidGraphic("JPEG scan before its frame header");
      scan = true;
      while (true) {
        if (size - pos < 2) Truncated("JPEG");
        if (d[pos] == 0xFF && d[pos + 1] != 0 && d[pos + 1] != 0xFF && !IsStandalone(d[pos + 1])) break;
        ++pos;
      }
    }
  }
}

}  // namespace

CairoSurface DecodeJPEG(const uint8_t* d, size_t size, uint64_t maxPixels) {
  if (SniffImageFormat(d, size) != TImageFormat::JPEG) throw EInvalidGraphic("not a JPEG image");
  WalkJpeg(d, size, maxPixels);
  return ToCairo("JPEG", SdlLoad("JPEG", d, size, IMG_LoadJPG_RW).get());
}

// ---- icons -----------------------------------------------------------------

CairoSurface DecodeICO(const uint8_t* d, size_t size, uint64_t maxPixels) {
  if (SniffImageFormat(d, size) != TImageFormat::ICO) throw EInvalidGraphic("not an icon image");
  if (size < 6) Truncated("icon");
  const size_t count = Le16(d + 4);
  if (count == 0) throw EInvalidGraphic("icon file holds no image");
  if (count > (size - 6) / 16) Truncated("icon");
  // Every image is checked, then the largest (the deepest of equals) is
  // decoded: a PNG image here, a BMP one by the library from an icon file
  // holding only that image.
  size_t best = count;
  uint64_t bestArea = 0;
  unsigned bestBits = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = d + 6 + 16 * i;
    const uint32_t bytes = Le32(e + 8), offset = Le32(e + 12);
    if (offset > size || bytes > size - offset) Truncated("icon");
    const uint8_t* img = d + offset;
    uint64_t w = 0, h = 0;
    if (SniffImageFormat(img, bytes) == TImageFormat::PNG) {
      if (bytes < 24) Truncated("icon");
      w = Be32(img + 16);
      h = Be32(img + 20);
    } else {
      if (bytes < 40 || Le32(img) < 40) throw EInvalidGraphic("bad icon image header");
      const int32_t bw = static_cast<int32_t>(Le32(img + 4)), bh = static_cast<int32_t>(Le32(img + 8));
      if (bw <= 0 || bh <= 0) throw EInvalidGraphic("bad icon image size");
      w = static_cast<uint64_t>(bw);
      h = static_cast<uint64_t>(bh) / 2;  // the colour image above its mask
    }
    CheckImageSize("icon", w, h, maxPixels);
    const unsigned bits = Le16(e + 6);
    if (best == count || w * h > bestArea || (w * h == bestArea && bits > bestBits)) {
      best = i;
      bestArea = w * h;
      bestBits = bits;
    }
  }
  const uint8_t* e = d + 6 + 16 * best;
  const uint32_t bytes = Le32(e + 8), offset = Le32(e + 12);
  if (SniffImageFormat(d + offset, bytes) == TImageFormat::PNG) return DecodePNG(d + offset, bytes, maxPixels);
  std::vector<uint8_t> one;
  Put16(one, 0);
  Put16(one, 1);
  Put16(one, 1);
  one.insert(one.end(), e, e + 12);
  Put32(one, 22);
  one.insert(one.end(), d + offset, d + offset + bytes);
  return ToCairo("icon", SdlLoad("icon", one.data(), one.size(), IMG_LoadICO_RW).get());
}

// ---- SVG -------------------------------------------------------------------

CairoSurface DecodeSVG(const uint8_t* d, size_t size, int width, int height) {
  if (width <= 0 || height <= 0) throw EInvalidGraphic("SVG image needs a size to render at");
  CheckImageSize("SVG", static_cast<uint64_t>(width), static_cast<uint64_t>(height), kImagePixelBudget);
  if (size > static_cast<size_t>(INT_MAX)) throw EInvalidGraphic("SVG image too large");
  SDL_RWops* rw = SDL_RWFromConstMem(d, static_cast<int>(size));
  if (!rw) throw EInvalidGraphic(std::string("cannot read SVG image: ") + SDL_GetError());
  SdlSurface s(IMG_LoadSizedSVG_RW(rw, width, height));
  SDL_RWclose(rw);
  if (!s) throw EInvalidGraphic(std::string("unreadable SVG image: ") + IMG_GetError());
  return ToCairo("SVG", s.get());
}

}  // namespace tavrel
