// Format choice, the size checks every decoder shares, BMP (our own reader
// and writer), PNG (through cairo) and the decoded picture.
#include "platform/ui/imagecodecs.h"

#include <cairo.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/ui/canvas.h"
#include "platform/ui/imagebytes.h"

namespace tavrel {

void CheckImageSize(const char* format, uint64_t w, uint64_t h, uint64_t maxPixels) {
  if (w == 0 || h == 0) throw EInvalidGraphic(std::string("bad ") + format + " image size");
  if (w > kMaxImageSide || h > kMaxImageSide || w * h > maxPixels)
    throw EInvalidGraphic(std::string(format) + " image too large: " + std::to_string(w) + " x " +
                          std::to_string(h) + " pixels");
}

TImageFormat SniffImageFormat(const uint8_t* d, size_t size) {
  static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size >= 2 && d[0] == 'B' && d[1] == 'M') return TImageFormat::BMP;
  if (size >= 8 && std::memcmp(d, kPng, 8) == 0) return TImageFormat::PNG;
  if (size >= 6 && (std::memcmp(d, "GIF87a", 6) == 0 || std::memcmp(d, "GIF89a", 6) == 0))
    return TImageFormat::GIF;
  if (size >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return TImageFormat::JPEG;
  if (size >= 4 && d[0] == 0 && d[1] == 0 && d[2] == 1 && d[3] == 0) return TImageFormat::ICO;
  return TImageFormat::Unknown;
}

CairoSurface DecodeImage(const uint8_t* d, size_t size, uint64_t maxPixels) {
  switch (SniffImageFormat(d, size)) {
    case TImageFormat::BMP: return DecodeBMP(d, size, maxPixels);
    case TImageFormat::PNG: return DecodePNG(d, size, maxPixels);
    case TImageFormat::GIF: return DecodeGIF(d, size, maxPixels);
    case TImageFormat::JPEG: return DecodeJPEG(d, size, maxPixels);
    case TImageFormat::ICO: return DecodeICO(d, size, maxPixels);
    case TImageFormat::Unknown: break;
  }
  throw EInvalidGraphic("not a BMP, PNG, GIF, JPEG or icon image");
}

// ---- BMP -------------------------------------------------------------------

CairoSurface DecodeBMP(const uint8_t* d, size_t size, uint64_t maxPixels) {
  if (size < 14 + 40 || d[0] != 'B' || d[1] != 'M') throw EInvalidGraphic("not a BMP image");
  const uint32_t offBits = Le32(d + 10);
  const uint32_t hdr = Le32(d + 14);
  if (hdr < 40 || 14 + static_cast<size_t>(hdr) > size) throw EInvalidGraphic("bad BMP header");
  const int32_t w = static_cast<int32_t>(Le32(d + 18));
  const int32_t hRaw = static_cast<int32_t>(Le32(d + 22));
  const uint16_t bpp = Le16(d + 28);
  const uint32_t comp = Le32(d + 30);
  uint32_t used = Le32(d + 46);
  if (w <= 0 || hRaw == 0 || hRaw == INT32_MIN) throw EInvalidGraphic("bad BMP image size");
  CheckImageSize("BMP", static_cast<uint64_t>(w), static_cast<uint64_t>(std::abs(hRaw)), maxPixels);
  const int h = std::abs(hRaw);
  const bool topDown = hRaw < 0;
  if (comp != 0 && !(comp == 3 && (bpp == 32 || bpp == 16)))
    throw EInvalidGraphic("compressed BMP not supported");
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    throw EInvalidGraphic("bad BMP depth");
  std::vector<uint32_t> palette;
  if (bpp <= 8) {
    if (used == 0 || used > (1u << bpp)) used = 1u << bpp;
    const size_t palOff = 14 + hdr;
    if (palOff + used * 4 > size) throw EInvalidGraphic("truncated BMP palette");
    for (uint32_t i = 0; i < used; ++i) {
      const uint8_t* p = d + palOff + i * 4;
      palette.push_back(0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0]);
    }
  }
  uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (bpp == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  if (comp == 3) {
    if (14 + 40 + 12 > size) throw EInvalidGraphic("truncated BMP masks");
    for (int i = 0; i < 3; ++i) masks[i] = Le32(d + 54 + 4 * i);
  }
  const size_t stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
  if (offBits > size || stride * h > size - offBits) throw EInvalidGraphic("truncated BMP pixels");
  auto channel = [](uint32_t v, uint32_t mask) -> uint32_t {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const uint32_t m = mask >> shift;
    return m ? static_cast<uint32_t>(uint64_t((v & mask) >> shift) * 255 / m) : 0;  // 64-bit: wide masks
  };
  CairoSurface s = NewSurface(w, h, clBlack);
  cairo_surface_flush(s.get());
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = d + offBits + stride * (topDown ? y : h - 1 - y);
    uint32_t* row = SurfaceRow(s.get(), y);
    for (int x = 0; x < w; ++x) {
      uint32_t px = 0xFF000000u;
      switch (bpp) {
        case 1:
        case 4:
        case 8: {
          const int bit = x * bpp;
          const uint32_t idx = (src[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
          px = idx < palette.size() ? palette[idx] : 0xFF000000u;
          break;
        }
        case 16:
        case 32: {
          const uint32_t v = bpp == 16 ? Le16(src + x * 2) : Le32(src + x * 4);
          px |= (channel(v, masks[0]) << 16) | (channel(v, masks[1]) << 8) | channel(v, masks[2]);
          break;
        }
        case 24:
          px |= (src[x * 3 + 2] << 16) | (src[x * 3 + 1] << 8) | src[x * 3];
          break;
      }
      row[x] = px;
    }
  }
  cairo_surface_mark_dirty(s.get());
  return s;
}

std::vector<uint8_t> EncodeBMP(cairo_surface_t* s) {
  const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  const size_t stride = ((static_cast<size_t>(w) * 24 + 31) / 32) * 4;
  std::vector<uint8_t> v;
  v.push_back('B');
  v.push_back('M');
  Put32(v, static_cast<uint32_t>(54 + stride * h));
  Put32(v, 0);
  Put32(v, 54);
  Put32(v, 40);
  Put32(v, static_cast<uint32_t>(w));
  Put32(v, static_cast<uint32_t>(h));
  Put16(v, 1);
  Put16(v, 24);
  for (int i = 0; i < 6; ++i) Put32(v, i == 2 || i == 3 ? 3780 : 0);
  cairo_surface_flush(s);
  for (int y = h - 1; y >= 0; --y) {
    const uint32_t* row = SurfaceRow(s, y);
    for (int x = 0; x < w; ++x) {
      v.push_back(static_cast<uint8_t>(row[x]));
      v.push_back(static_cast<uint8_t>(row[x] >> 8));
      v.push_back(static_cast<uint8_t>(row[x] >> 16));
    }
    for (size_t p = static_cast<size_t>(w) * 3; p < stride; ++p) v.push_back(0);
  }
  return v;
}

// ---- PNG -------------------------------------------------------------------

namespace {
struct PngReader {
  const uint8_t* d;
  size_t size, pos;
};
cairo_status_t ReadPng(void* closure, unsigned char* out, unsigned int len) {
  auto* r = static_cast<PngReader*>(closure);
  if (r->size - r->pos < len) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(out, r->d + r->pos, len);
  r->pos += len;
  return CAIRO_STATUS_SUCCESS;
}
}  // namespace

CairoSurface DecodePNG(const uint8_t* d, size_t size, uint64_t maxPixels) {
  if (SniffImageFormat(d, size) != TImageFormat::PNG) throw EInvalidGraphic("not a PNG image");
  // The PNG reader allocates the whole image from the header before it
  // finds the pixel data short, so the claimed size is checked first.
  if (size < 24 || std::memcmp(d + 12, "IHDR", 4) != 0) throw EInvalidGraphic("truncated PNG header");
  CheckImageSize("PNG", Be32(d + 16), Be32(d + 20), maxPixels);
  PngReader r{d, size, 0};
  CairoSurface png(cairo_image_surface_create_from_png_stream(ReadPng, &r));
  if (cairo_surface_status(png.get()) != CAIRO_STATUS_SUCCESS)
    throw EInvalidGraphic("unreadable PNG image (damaged or truncated)");
  // Our surfaces are ARGB32; PNGs may come back as RGB24 or A8.
  const int w = cairo_image_surface_get_width(png.get()), h = cairo_image_surface_get_height(png.get());
  CairoSurface s = NewSurface(w, h, clNone);
  CairoContext cr(cairo_create(s.get()));
  cairo_set_source_surface(cr.get(), png.get(), 0, 0);
  cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr.get());
  return s;
}

// ---- decoded picture -------------------------------------------------------

int PixelsToHimetric(int pixels) { return MulDiv(pixels, 2540, ScreenPixelsPerInch); }
int HimetricToPixels(int himetric, int pixelsPerInch) { return MulDiv(himetric, pixelsPerInch, 2540); }

TDecodedImage TDecodedImage::Load(const uint8_t* data, size_t size, uint64_t maxPixels) {
  return TDecodedImage(DecodeImage(data, size, maxPixels));
}

int TDecodedImage::Width() const { return cairo_image_surface_get_width(surface_.get()); }
int TDecodedImage::Height() const { return cairo_image_surface_get_height(surface_.get()); }

void TDecodedImage::Render(TCanvas& canvas, const TRect& r, bool stretch) const {
  if (stretch) {
    canvas.DrawSurface(surface_.get(), r);
    return;
  }
  const int w = HimetricToPixels(HimetricWidth(), ScreenPixelsPerInch);
  const int h = HimetricToPixels(HimetricHeight(), ScreenPixelsPerInch);
  canvas.DrawSurface(surface_.get(), Bounds(r.Left, r.Top, w, h));
}

}  // namespace tavrel
