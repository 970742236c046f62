#pragma once
// Image files decoded from memory into ARGB32 surfaces: BMP, PNG, GIF (the
// first image of the stream), JPEG (baseline and progressive), icons, and
// SVG drawings rendered at a size the caller gives.
// Transparent pixels (the GIF transparent index, icon masks and alpha, PNG
// alpha) come out with alpha 0.
//
//   CairoSurface s = DecodeImage(bytes.data(), bytes.size());   // by signature
//   TDecodedImage pic = TDecodedImage::Load(bytes.data(), bytes.size());
//   MulDiv(pic.HimetricWidth(), 96, 2540) == pic.Width();
//   pic.Render(canvas, Rect(0, 0, 40, 30), /*stretch=*/true);
//
// Every decoder reads the size the file claims and refuses it before
// decoding when a side exceeds kMaxImageSide or the pixels exceed the
// budget (kImagePixelBudget unless the caller gives another), so a few
// hostile header bytes cannot make it allocate gigabytes. Damaged,
// truncated or unsupported data raises EInvalidGraphic with a message that
// names the format and the fault. BMP, PNG and GIF are decoded here and by
// cairo; JPEG and icons by SDL2_image, after our own walk over the file's
// structure has checked sizes and completeness; SVG by SDL2_image too. A GIF image without any
// colour table, or reaching past its logical screen, is refused; pixels its
// data stops short of are transparent.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "platform/ui/surface.h"

namespace tavrel {

class TCanvas;

// Image data that cannot be read: bad signature, truncated, unsupported or too large.
class EInvalidGraphic : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr uint32_t kMaxImageSide = 16384;
// 64 Mpixel: 256 MB of decoded pixels.
inline constexpr uint64_t kImagePixelBudget = uint64_t{64} << 20;

enum class TImageFormat { Unknown, BMP, PNG, GIF, JPEG, ICO };

// The format a file's first bytes announce.
TImageFormat SniffImageFormat(const uint8_t* data, size_t size);

// Any of the formats above, chosen by signature.
CairoSurface DecodeImage(const uint8_t* data, size_t size, uint64_t maxPixels = kImagePixelBudget);
CairoSurface DecodeBMP(const uint8_t* data, size_t size, uint64_t maxPixels = kImagePixelBudget);
CairoSurface DecodePNG(const uint8_t* data, size_t size, uint64_t maxPixels = kImagePixelBudget);
CairoSurface DecodeGIF(const uint8_t* data, size_t size, uint64_t maxPixels = kImagePixelBudget);
CairoSurface DecodeJPEG(const uint8_t* data, size_t size, uint64_t maxPixels = kImagePixelBudget);
// The largest image of the icon (the deepest of equal sizes; the first of equals).
CairoSurface DecodeICO(const uint8_t* data, size_t size, uint64_t maxPixels = kImagePixelBudget);
// An SVG drawing rendered into width x height pixels, scaled to fill them
// (icons of scalable themes); SVG has no size of its own to check, so the
// caller chooses it, within the pixel budget. Not chosen by DecodeImage.
CairoSurface DecodeSVG(const uint8_t* data, size_t size, int width, int height);

// A 24-bit BMP file of the surface's colours.
std::vector<uint8_t> EncodeBMP(cairo_surface_t* s);

// Raises EInvalidGraphic ("<format> image too large: W x H pixels") when a
// side is 0 or above kMaxImageSide or the pixels exceed `maxPixels`.
void CheckImageSize(const char* format, uint64_t width, uint64_t height, uint64_t maxPixels);

// Pixels at the screen's resolution to HIMETRIC (0.01 mm) and back, so that
// MulDiv(PixelsToHimetric(n), 96, 2540) == n.
int PixelsToHimetric(int pixels);
int HimetricToPixels(int himetric, int pixelsPerInch);

// A decoded picture as the picture loader hands it out: the pixels and
// their extent in HIMETRIC units.
class TDecodedImage {
 public:
  // Decodes any supported format; raises EInvalidGraphic.
  static TDecodedImage Load(const uint8_t* data, size_t size, uint64_t maxPixels = kImagePixelBudget);

  int Width() const;   // pixels
  int Height() const;
  int HimetricWidth() const { return PixelsToHimetric(Width()); }
  int HimetricHeight() const { return PixelsToHimetric(Height()); }
  cairo_surface_t* Surface() const { return surface_.get(); }

  // Upright either way: stretched to fill `r`, or at its natural size for
  // the screen's resolution with its top left at r's (not clipped to r).
  void Render(TCanvas& canvas, const TRect& r, bool stretch) const;

 private:
  explicit TDecodedImage(CairoSurface s) : surface_(std::move(s)) {}
  CairoSurface surface_;
};

}  // namespace tavrel
