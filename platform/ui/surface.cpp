#include "platform/ui/surface.h"

#include <cairo.h>

namespace tavrel {

void CairoSurfaceRelease::operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
void CairoContextRelease::operator()(cairo_t* c) const { cairo_destroy(c); }

void SetCairoColor(cairo_t* cr, TColor c) {
  const uint32_t rgb = ColorToRGB(c);
  cairo_set_source_rgb(cr, GetRValue(rgb) / 255.0, GetGValue(rgb) / 255.0, GetBValue(rgb) / 255.0);
}

CairoSurface NewSurface(int w, int h, TColor fill) {
  CairoSurface s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(w, 0), std::max(h, 0)));
  if (fill != clNone && w > 0 && h > 0) {
    CairoContext cr(cairo_create(s.get()));
    SetCairoColor(cr.get(), fill);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr.get());
  }
  return s;
}

CairoSurface CopySurfaceRect(cairo_surface_t* src, const TRect& r) {
  CairoSurface d = NewSurface(r.Width(), r.Height(), clNone);
  if (!src || IsRectEmpty(r)) return d;
  CairoContext cr(cairo_create(d.get()));
  cairo_set_source_surface(cr.get(), src, -r.Left, -r.Top);
  cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr.get());
  cairo_surface_flush(d.get());
  return d;
}

uint32_t SurfacePixel(cairo_surface_t* s, int x, int y) {
  if (!s) return 0;
  cairo_surface_flush(s);
  if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(s) ||
      y >= cairo_image_surface_get_height(s))
    return 0;
  return SurfaceRow(s, y)[x];
}

uint32_t* SurfaceRow(cairo_surface_t* s, int y) {
  return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s) +
                                     static_cast<size_t>(y) * cairo_image_surface_get_stride(s));
}

int CountDifferentPixels(cairo_surface_t* a, cairo_surface_t* b) {
  const int w = cairo_image_surface_get_width(a), h = cairo_image_surface_get_height(a);
  if (w != cairo_image_surface_get_width(b) || h != cairo_image_surface_get_height(b))
    return -1;
  cairo_surface_flush(a);
  cairo_surface_flush(b);
  int n = 0;
  for (int y = 0; y < h; ++y) {
    const uint32_t *pa = SurfaceRow(a, y), *pb = SurfaceRow(b, y);
    for (int x = 0; x < w; ++x) n += (pa[x] & 0xFFFFFF) != (pb[x] & 0xFFFFFF);
  }
  return n;
}

bool SameRGB(cairo_surface_t* a, cairo_surface_t* b) { return CountDifferentPixels(a, b) == 0; }

bool WriteSurfacePNG(cairo_surface_t* s, const std::string& path) {
  return cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace tavrel
