#include "platform/ui/graphics.h"

#include <cairo.h>

#include <fstream>
#include <iterator>

namespace tavrel {

void TGraphic::Changed() {
  if (OnChange) OnChange();
}
void TGraphic::SetTransparent(bool v) {
  if (v == transparent_) return;
  transparent_ = v;
  Changed();
}

// ---- bitmap ----------------------------------------------------------------

TBitmap::TBitmap() : surface_(NewSurface(0, 0)) {}
TBitmap::~TBitmap() = default;
TBitmap::TBitmap(const TBitmap& o) : TGraphic(), surface_(NewSurface(0, 0)) { Assign(o); }
TBitmap& TBitmap::operator=(const TBitmap& o) {
  if (this != &o) Assign(o);
  return *this;
}

int TBitmap::Width() const { return cairo_image_surface_get_width(surface_.get()); }
int TBitmap::Height() const { return cairo_image_surface_get_height(surface_.get()); }

void TBitmap::Reattach() {
  if (canvas_) canvas_->Attach(surface_.get());
}

void TBitmap::SetSize(int w, int h) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  if (w == Width() && h == Height()) return;
  CairoSurface s = NewSurface(w, h, clWhite);
  {
    CairoContext cr(cairo_create(s.get()));
    cairo_set_source_surface(cr.get(), surface_.get(), 0, 0);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_rectangle(cr.get(), 0, 0, std::min(w, Width()), std::min(h, Height()));
    cairo_fill(cr.get());
  }
  surface_ = std::move(s);
  Reattach();
  Changed();
}

TCanvas& TBitmap::Canvas() {
  if (!canvas_) {
    canvas_ = std::make_unique<TCanvas>();
    canvas_->Attach(surface_.get());
  }
  return *canvas_;
}

void TBitmap::AssignSurface(cairo_surface_t* s) {
  const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  surface_ = CopySurfaceRect(s, Rect(0, 0, w, h));
  Reattach();
  Changed();
}

void TBitmap::Assign(const TBitmap& o) {
  mode_ = o.mode_;
  transparent_color_ = o.transparent_color_;
  monochrome_ = o.monochrome_;
  transparent_ = o.transparent_;
  AssignSurface(o.surface_.get());
}

TColor TBitmap::TransparentColor() const {
  if (mode_ == TTransparentMode::tmFixed) return transparent_color_;
  if (Empty()) return clNone;
  return PixelToColor(SurfacePixel(surface_.get(), 0, Height() - 1));
}

void TBitmap::SetTransparentColor(TColor c) {
  transparent_color_ = c;
  mode_ = TTransparentMode::tmFixed;
  Changed();
}

void TBitmap::Mask(TColor c) {
  const uint32_t key = ColorToPixel(c) & 0xFFFFFF;
  cairo_surface_flush(surface_.get());
  for (int y = 0; y < Height(); ++y) {
    uint32_t* row = SurfaceRow(surface_.get(), y);
    for (int x = 0; x < Width(); ++x)
      row[x] = (row[x] & 0xFFFFFF) == key ? 0xFFFFFFFFu : 0xFF000000u;
  }
  cairo_surface_mark_dirty(surface_.get());
  monochrome_ = true;
  Changed();
}

void TBitmap::SetMonochrome(bool v) {
  if (v == monochrome_) return;
  if (v) {
    const TColor back = canvas_ ? canvas_->Brush().Color() : clWhite;
    Mask(back);
  } else {
    monochrome_ = false;
    Changed();
  }
}

void TBitmap::Draw(TCanvas& c, const TRect& dest) const {
  c.DrawSurface(surface_.get(), dest, transparent_ ? TransparentColor() : clNone);
}

void TBitmap::LoadFromBytes(const std::vector<uint8_t>& data) {
  surface_ = DecodeImage(data.data(), data.size());
  monochrome_ = false;
  Reattach();
  Changed();
}

namespace {
std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw EInvalidGraphic("cannot open " + path);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}
}  // namespace

void TBitmap::LoadFromFile(const std::string& path) { LoadFromBytes(ReadFile(path)); }

std::vector<uint8_t> TBitmap::SaveToBytes() const { return EncodeBMP(surface_.get()); }

void TBitmap::SaveToFile(const std::string& path) const {
  const std::vector<uint8_t> bytes = SaveToBytes();
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw EInvalidGraphic("cannot write " + path);
}

// ---- picture ---------------------------------------------------------------

void TPicture::Changed() {
  if (OnChange) OnChange();
}
TBitmap& TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(graphic_.get())) SetGraphic(std::make_unique<TBitmap>());
  return static_cast<TBitmap&>(*graphic_);
}
void TPicture::SetGraphic(std::unique_ptr<TGraphic> g) {
  graphic_ = std::move(g);
  if (graphic_) graphic_->OnChange = [this] { Changed(); };
  Changed();
}
void TPicture::LoadFromFile(const std::string& path) {
  auto b = std::make_unique<TBitmap>();
  b->LoadFromFile(path);  // throws before anything changes
  SetGraphic(std::move(b));
}
void TPicture::Assign(const TPicture& o) {
  if (auto* b = dynamic_cast<const TBitmap*>(o.graphic_.get()))
    SetGraphic(std::make_unique<TBitmap>(*b));
  else
    SetGraphic(nullptr);
}

void TCanvas::Draw(int x, int y, const TGraphic& g) {
  if (!g.Empty()) g.Draw(*this, Bounds(x, y, g.Width(), g.Height()));
}
void TCanvas::StretchDraw(const TRect& r, const TGraphic& g) {
  if (!g.Empty()) g.Draw(*this, r);
}

}  // namespace tavrel
