#pragma once
// TImageList: images of one size kept side by side, each with its own
// transparency, drawn by index (enabled, or greyed as disabled images are).
//
//   TImageList images(nullptr);  images.SetSize(16, 16);
//   images.AddMasked(strip, clFuchsia);        // a strip of 16x16 images
//   images.Draw(canvas, 4, 4, 2);              // the third one
#include <vector>

#include "platform/classes.h"
#include "platform/ui/graphics.h"

namespace tavrel {

class TImageList : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TImageList(TComponent* owner);

  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetSize(int w, int h);  // clears the list
  int Count() const { return static_cast<int>(images_.size()); }

  // Cuts the bitmap into images of the list's size, left to right; pixels
  // of `maskColor` (clNone: none) are transparent. Returns the first index.
  int AddMasked(TBitmap& bitmap, TColor maskColor);
  void Delete(int index);
  void Clear();
  // Draws image `index` at (x, y); disabled images are drawn greyed.
  void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true) const;
  // A copy of image `index`, with its transparent colour set on the copy.
  bool GetBitmap(int index, TBitmap& into) const;

  TNotifyEvent OnChange;

 private:
  struct Image {
    TBitmap bitmap;
    TColor key = clNone;
  };
  void Changed();
  int width_ = 16, height_ = 16;
  std::vector<Image> images_;
};

}  // namespace tavrel
