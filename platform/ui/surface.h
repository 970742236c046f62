#pragma once
// Owning handles and pixel access for cairo image surfaces (ARGB32,
// premultiplied, one uint32_t 0xAARRGGBB per pixel).
//
//   CairoSurface s = NewSurface(16, 16, clWhite);
//   uint32_t p = SurfacePixel(s.get(), 3, 4);
#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/colors.h"
#include "platform/ui/types.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace tavrel {

struct CairoSurfaceRelease {
  void operator()(cairo_surface_t* s) const;
};
struct CairoContextRelease {
  void operator()(cairo_t* c) const;
};
using CairoSurface = std::unique_ptr<cairo_surface_t, CairoSurfaceRelease>;
using CairoContext = std::unique_ptr<cairo_t, CairoContextRelease>;

// Makes an opaque colour (system colours resolved) the context's source.
void SetCairoColor(cairo_t* cr, TColor c);
// A new ARGB32 surface filled with an opaque colour (clNone: transparent).
CairoSurface NewSurface(int w, int h, TColor fill = clWhite);
// A copy of part of a surface; pixels outside the source are transparent black.
CairoSurface CopySurfaceRect(cairo_surface_t* src, const TRect& r);
// 0xAARRGGBB at (x, y), 0 outside; flushes pending drawing first.
uint32_t SurfacePixel(cairo_surface_t* s, int x, int y);
// Row y of an ARGB32 surface; callers flush before and mark dirty after writing.
uint32_t* SurfaceRow(cairo_surface_t* s, int y);
// True when both surfaces have the same size and the same RGB in every pixel.
bool SameRGB(cairo_surface_t* a, cairo_surface_t* b);
// Number of pixels whose RGB differs between the two surfaces; -1 when
// their sizes differ.
int CountDifferentPixels(cairo_surface_t* a, cairo_surface_t* b);
bool WriteSurfacePNG(cairo_surface_t* s, const std::string& path);

}  // namespace tavrel
