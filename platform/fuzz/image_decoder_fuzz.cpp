// Image files from anywhere (SVG drawings rendered as 16 x 16 icons) must
// decode or be refused with EInvalidGraphic;
// a decoded image stays within the pixel budget and writes back as a BMP
// that decodes to the same size. Each decoder also meets every input
// directly, not only the ones whose signature would choose it.
#include <cairo.h>

#include "platform/ui/imagecodecs.h"

namespace {

// Small enough to keep the runs fast; the check is the same at any budget.
constexpr uint64_t kFuzzBudget = uint64_t{1} << 20;

using Decoder = tavrel::CairoSurface (*)(const uint8_t*, size_t, uint64_t);

void Decode(Decoder decode, const uint8_t* data, size_t size) {
  tavrel::CairoSurface s;
  try {
    s = decode(data, size, kFuzzBudget);
  } catch (const tavrel::EInvalidGraphic&) {
    return;
  }
  const int w = cairo_image_surface_get_width(s.get()), h = cairo_image_surface_get_height(s.get());
  if (uint64_t(w) * uint64_t(h) > kFuzzBudget) __builtin_trap();
  std::vector<uint8_t> bmp = tavrel::EncodeBMP(s.get());
  tavrel::CairoSurface back = tavrel::DecodeBMP(bmp.data(), bmp.size());
  if (cairo_image_surface_get_width(back.get()) != w || cairo_image_surface_get_height(back.get()) != h)
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto svgIcon = [](const uint8_t* d, size_t n, uint64_t) { return tavrel::DecodeSVG(d, n, 16, 16); };
  for (Decoder d : {tavrel::DecodeImage, tavrel::DecodeBMP, tavrel::DecodePNG, tavrel::DecodeGIF,
                    tavrel::DecodeJPEG, tavrel::DecodeICO, static_cast<Decoder>(svgIcon)})
    Decode(d, data, size);
  return 0;
}
