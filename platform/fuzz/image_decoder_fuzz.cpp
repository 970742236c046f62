// Image files from anywhere must decode or be refused with EInvalidGraphic;
// a decoded image must write back as a BMP that decodes to the same size.
#include <cairo.h>

#include "platform/ui/graphics.h"

namespace {

void Decode(tavrel::CairoSurface (*decode)(const uint8_t*, size_t), const uint8_t* data, size_t size) {
  tavrel::CairoSurface s;
  try {
    s = decode(data, size);
  } catch (const tavrel::EInvalidGraphic&) {
    return;
  }
  std::vector<uint8_t> bmp = tavrel::EncodeBMP(s.get());
  tavrel::CairoSurface back = tavrel::DecodeBMP(bmp.data(), bmp.size());
  if (cairo_image_surface_get_width(back.get()) != cairo_image_surface_get_width(s.get()) ||
      cairo_image_surface_get_height(back.get()) != cairo_image_surface_get_height(s.get()))
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Decode(tavrel::DecodeBMP, data, size);
  Decode(tavrel::DecodePNG, data, size);
  return 0;
}
