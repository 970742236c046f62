// Any caption lays out, draws and hit-tests without failing, and leaves the
// canvas font, brush and pen as they were. The first bytes choose the
// options and the layout, the rest is the markup.
#include <cstdint>
#include <string>

#include "controls/PictureContainer.h"
#include "controls/htmlbtnsMarkup.h"
#include "platform/ui/graphics.h"
#include "platform/ui/imagelist.h"

namespace {

struct Canvas {
  Canvas() {
    bitmap.SetSize(160, 48);
    images.SetSize(16, 16);
    tavrel::TBitmap strip;
    strip.SetSize(32, 16);
    strip.Canvas().Brush().SetColor(tavrel::clRed);
    strip.Canvas().FillRect(tavrel::Rect(0, 0, 16, 16));
    images.AddMasked(strip, tavrel::clWhite);
    tavrel::TBitmap logo;
    logo.SetSize(6, 4);
    tavrel::TPictureItem* item = container->Items().Add();
    item->SetName("logo");
    item->Picture().LoadFromStream(logo.SaveToBytes());
  }
  tavrel::TBitmap bitmap;
  tavrel::TImageList images{nullptr};
  tavrel::ComponentPtr<tavrel::TPictureContainer> container =
      tavrel::TComponent::CreateUnowned<tavrel::TPictureContainer>();
  // Addresses load into it; emptied after each input so it does not grow.
  tavrel::THTMLPictureCache cache;
};

}  // namespace

// The font libraries keep caches for the whole process; they are not leaks.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libcairo.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavrel;
  static Canvas canvas;
  if (size < 4) return 0;
  const uint8_t opts = data[0];
  TMarkupParams p;
  p.Images = &canvas.images;
  p.PictureContainer = canvas.container.get();
  p.PictureCache = &canvas.cache;
  p.WordWrap = opts & 1;
  p.MeasureOnly = opts & 2;
  p.HitTestOnly = opts & 4;
  p.IgnoreColors = opts & 8;
  p.HoverStyling = opts & 16;
  p.StretchImages = opts & 32;
  p.BlinkVisible = opts & 64;
  p.HoverColor = opts & 128 ? clYellow : clNone;
  p.HoverFontColor = opts & 128 ? clRed : clNone;
  p.FocusIndex = (data[1] & 7) - 1;
  p.HoverIndex = (data[1] >> 3 & 7) - 1;
  p.ShadowOffset = data[1] >> 6;
  p.HitX = data[2] % 170 - 5;
  p.HitY = data[3] % 60 - 5;
  p.LineSpacing = data[3] >> 7;
  const int width = 4 + data[2] % 157;
  const std::string markup(reinterpret_cast<const char*>(data + 4), size - 4);

  TCanvas& c = canvas.bitmap.Canvas();
  c.Font().SetName("Tahoma");
  c.Font().SetSize(8);
  c.Font().SetStyle(0);
  c.Font().SetColor(clBlack);
  c.Font().SetOrientation(0);
  c.Brush().SetColor(clBtnFace);
  c.Pen().SetColor(clBlack);
  TFont font;
  font.Assign(c.Font());
  TMarkupResult r;
  RenderMarkupText(c, markup, Rect(2, 2, 2 + width, 46), p, r);
  canvas.cache.ClearPictures();
  if (!c.Font().SameAs(font) || c.Brush().Color() != clBtnFace || c.Pen().Color() != clBlack)
    __builtin_trap();
  if (r.ExtentX < 0 || r.ExtentY <= 0 || r.AnchorCount < 0) __builtin_trap();
  return 0;
}
