#include "platform/ui/imagelist.h"

#include <cairo.h>

#include "platform/ui/surface.h"

namespace tavrel {

const ClassInfo& TImageList::Class() {
  static const ClassInfo ci = ClassBuilder<TImageList>("TImageList", TComponent::Class())
                                  .event("OnChange", &TImageList::OnChange)
                                  .build();
  return ci;
}

TImageList::TImageList(TComponent* owner) : TComponent(owner) {}

void TImageList::Changed() {
  if (OnChange) OnChange(this);
}

void TImageList::SetSize(int w, int h) {
  width_ = std::max(w, 1);
  height_ = std::max(h, 1);
  Clear();
}

int TImageList::AddMasked(TBitmap& bitmap, TColor maskColor) {
  const int first = Count();
  const int n = bitmap.Empty() ? 0 : std::max(1, bitmap.Width() / width_);
  for (int i = 0, x = 0; i < n; ++i, x += width_) {
    Image img;
    img.bitmap.SetSize(width_, height_);
    img.bitmap.Canvas().CopyRect(Rect(0, 0, width_, height_), bitmap.Canvas(),
                                 Rect(x, 0, x + width_, height_));
    img.key = maskColor;
    images_.push_back(std::move(img));
  }
  Changed();
  return first;
}

void TImageList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  images_.erase(images_.begin() + index);
  Changed();
}

void TImageList::Clear() {
  if (images_.empty()) return;
  images_.clear();
  Changed();
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) const {
  if (index < 0 || index >= Count()) return;
  const Image& img = images_[static_cast<size_t>(index)];
  const TRect dest = Bounds(x, y, width_, height_);
  if (enabled) {
    canvas.DrawSurface(img.bitmap.Surface(), dest, img.key);
    return;
  }
  // Greyed: the shape in highlight one pixel down-right, then in shadow.
  // Dark pixels make the shape, as the platform's greying does.
  const uint32_t key = img.key == clNone ? 0xFFFFFFFFu : ColorToRGB(img.key);
  std::vector<bool> ink;
  for (int j = 0; j < height_; ++j)
    for (int i = 0; i < width_; ++i) {
      const auto p = static_cast<uint32_t>(PixelToColor(SurfacePixel(img.bitmap.Surface(), i, j)));
      ink.push_back(p != key && GetRValue(p) + GetGValue(p) + GetBValue(p) < 3 * 192);
    }
  for (auto [dx, col] : {std::pair{1, clBtnHighlight}, std::pair{0, clBtnShadow}}) {
    CairoSurface shape = NewSurface(width_, height_, clFuchsia);
    cairo_surface_flush(shape.get());
    const uint32_t pixel = ColorToPixel(col);
    for (int j = 0, k = 0; j < height_; ++j) {
      uint32_t* row = SurfaceRow(shape.get(), j);
      for (int i = 0; i < width_; ++i, ++k)
        if (ink[k]) row[i] = pixel;
    }
    cairo_surface_mark_dirty(shape.get());
    canvas.DrawSurface(shape.get(), OffsetRect(dest, dx, dx), clFuchsia);
  }
}

bool TImageList::GetBitmap(int index, TBitmap& into) const {
  if (index < 0 || index >= Count()) return false;
  const Image& img = images_[static_cast<size_t>(index)];
  into.Assign(img.bitmap);
  if (img.key != clNone) {
    into.SetTransparentColor(img.key);
    into.SetTransparent(true);
  }
  return true;
}

}  // namespace tavrel
