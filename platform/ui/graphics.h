#pragma once
// Pictures: TGraphic (anything that draws itself in a rectangle), TBitmap
// (a surface with its own canvas, colour-key transparency and monochrome
// masks) and TPicture (holds one graphic, loads the image files of
// imagecodecs.h).
//
//   TBitmap b;  b.SetSize(20, 20);  b.Canvas().FillRect(...);
//   b.SetTransparent(true);                  // key: the bottom-left pixel
//   c2.Draw(5, 5, b);                        // key pixels left out
//   TPicture p;  p.LoadFromFile("logo.png");  c2.StretchDraw(r, *p.Graphic());
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/canvas.h"
#include "platform/ui/imagecodecs.h"
#include "platform/ui/surface.h"

namespace tavrel {

class TGraphic {
 public:
  virtual ~TGraphic() = default;
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Draws into `dest` (stretched when the sizes differ).
  virtual void Draw(TCanvas& canvas, const TRect& dest) const = 0;
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  std::function<void()> OnChange;

 protected:
  void Changed();
  bool transparent_ = false;
};

enum class TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
 public:
  TBitmap();
  TBitmap(const TBitmap& o);
  TBitmap& operator=(const TBitmap& o);
  ~TBitmap() override;

  bool Empty() const override { return Width() == 0 || Height() == 0; }
  int Width() const override;
  int Height() const override;
  void SetSize(int w, int h);  // new pixels are white; kept pixels stay
  void SetWidth(int w) { SetSize(w, Height()); }
  void SetHeight(int h) { SetSize(Width(), h); }
  void Draw(TCanvas& canvas, const TRect& dest) const override;

  TCanvas& Canvas();
  cairo_surface_t* Surface() const { return surface_.get(); }
  // Takes a copy of an image surface (its size and pixels).
  void AssignSurface(cairo_surface_t* s);
  void Assign(const TBitmap& o);

  // Transparent colour: the bottom-left pixel in tmAuto, else the fixed one.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor c);  // switches to tmFixed
  TTransparentMode TransparentMode() const { return mode_; }
  void SetTransparentMode(TTransparentMode m) { mode_ = m; }

  // Monochrome: every pixel becomes black or white (white where the
  // pixel is the canvas brush colour, as colour-to-mono conversion does).
  bool Monochrome() const { return monochrome_; }
  void SetMonochrome(bool v);
  // White where the pixel has colour `c`, black elsewhere.
  void Mask(TColor c);

  void LoadFromFile(const std::string& path);
  void LoadFromBytes(const std::vector<uint8_t>& data);  // any format of DecodeImage
  void SaveToFile(const std::string& path) const;       // BMP, 24 bits
  std::vector<uint8_t> SaveToBytes() const;

 private:
  void Reattach();
  CairoSurface surface_;
  std::unique_ptr<TCanvas> canvas_;
  TTransparentMode mode_ = TTransparentMode::tmAuto;
  TColor transparent_color_ = clNone;
  bool monochrome_ = false;
};

class TPicture {
 public:
  TGraphic* Graphic() const { return graphic_.get(); }
  TBitmap& Bitmap();  // makes the graphic a bitmap when it is not one
  void SetGraphic(std::unique_ptr<TGraphic> g);
  bool Empty() const { return !graphic_ || graphic_->Empty(); }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }
  void LoadFromFile(const std::string& path);
  void Assign(const TPicture& o);
  std::function<void()> OnChange;

 private:
  void Changed();
  std::unique_ptr<TGraphic> graphic_;
};

}  // namespace tavrel
