#include "platform/ui/graphics.h"

#include <cairo.h>

#include <cstring>
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
  if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M')
    surface_ = DecodeBMP(data.data(), data.size());
  else
    surface_ = DecodePNG(data.data(), data.size());
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

// ---- codecs ----------------------------------------------------------------

namespace {

// Larger images are refused before anything is allocated for them.
constexpr uint32_t kMaxImageSide = 16384;

uint32_t Be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }
uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}

}  // namespace

CairoSurface DecodeBMP(const uint8_t* d, size_t size) {
  if (size < 14 + 40 || d[0] != 'B' || d[1] != 'M') throw EInvalidGraphic("not a BMP image");
  const uint32_t offBits = Le32(d + 10);
  const uint32_t hdr = Le32(d + 14);
  if (hdr < 40 || 14 + static_cast<size_t>(hdr) > size) throw EInvalidGraphic("bad BMP header");
  const int32_t w = static_cast<int32_t>(Le32(d + 18));
  const int32_t hRaw = static_cast<int32_t>(Le32(d + 22));
  const uint16_t bpp = Le16(d + 28);
  const uint32_t comp = Le32(d + 30);
  uint32_t used = Le32(d + 46);
  if (w <= 0 || hRaw == 0 || hRaw == INT32_MIN || uint32_t(w) > kMaxImageSide || uint32_t(std::abs(hRaw)) > kMaxImageSide)
    throw EInvalidGraphic("bad BMP size");
  const int h = std::abs(hRaw);
  const bool topDown = hRaw < 0;
  if (comp != 0 && !(comp == 3 && (bpp == 32 || bpp == 16)))
    throw EInvalidGraphic("compressed BMP not supported");
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    throw EInvalidGraphic("bad BMP depth");
  std::vector<uint32_t> palette;
  if (bpp <= 8) {
    if (used == 0 || used > (1u << bpp)) used = 1u << bpp;
    const size_t palOff = 14 + hdr;
    if (palOff + used * 4 > size) throw EInvalidGraphic("truncated BMP palette");
    for (uint32_t i = 0; i < used; ++i) {
      const uint8_t* p = d + palOff + i * 4;
      palette.push_back(0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0]);
    }
  }
  uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (bpp == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  if (comp == 3) {
    if (14 + 40 + 12 > size) throw EInvalidGraphic("truncated BMP masks");
    for (int i = 0; i < 3; ++i) masks[i] = Le32(d + 54 + 4 * i);
  }
  const size_t stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
  if (offBits > size || stride * h > size - offBits) throw EInvalidGraphic("truncated BMP pixels");
  auto channel = [](uint32_t v, uint32_t mask) -> uint32_t {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const uint32_t m = mask >> shift;
    return m ? static_cast<uint32_t>(uint64_t((v & mask) >> shift) * 255 / m) : 0;  // 64-bit: wide masks
  };
  CairoSurface s = NewSurface(w, h, clBlack);
  cairo_surface_flush(s.get());
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = d + offBits + stride * (topDown ? y : h - 1 - y);
    uint32_t* row = SurfaceRow(s.get(), y);
    for (int x = 0; x < w; ++x) {
      uint32_t px = 0xFF000000u;
      switch (bpp) {
        case 1:
        case 4:
        case 8: {
          const int bit = x * bpp;
          const uint32_t idx = (src[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
          px = idx < palette.size() ? palette[idx] : 0xFF000000u;
          break;
        }
        case 16:
        case 32: {
          const uint32_t v = bpp == 16 ? Le16(src + x * 2) : Le32(src + x * 4);
          px |= (channel(v, masks[0]) << 16) | (channel(v, masks[1]) << 8) | channel(v, masks[2]);
          break;
        }
        case 24:
          px |= (src[x * 3 + 2] << 16) | (src[x * 3 + 1] << 8) | src[x * 3];
          break;
      }
      row[x] = px;
    }
  }
  cairo_surface_mark_dirty(s.get());
  return s;
}

std::vector<uint8_t> EncodeBMP(cairo_surface_t* s) {
  const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  const size_t stride = ((static_cast<size_t>(w) * 24 + 31) / 32) * 4;
  std::vector<uint8_t> v;
  v.push_back('B');
  v.push_back('M');
  Put32(v, static_cast<uint32_t>(54 + stride * h));
  Put32(v, 0);
  Put32(v, 54);
  Put32(v, 40);
  Put32(v, static_cast<uint32_t>(w));
  Put32(v, static_cast<uint32_t>(h));
  Put16(v, 1);
  Put16(v, 24);
  for (int i = 0; i < 6; ++i) Put32(v, i == 2 || i == 3 ? 3780 : 0);
  cairo_surface_flush(s);
  for (int y = h - 1; y >= 0; --y) {
    const uint32_t* row = SurfaceRow(s, y);
    for (int x = 0; x < w; ++x) {
      v.push_back(static_cast<uint8_t>(row[x]));
      v.push_back(static_cast<uint8_t>(row[x] >> 8));
      v.push_back(static_cast<uint8_t>(row[x] >> 16));
    }
    for (size_t p = static_cast<size_t>(w) * 3; p < stride; ++p) v.push_back(0);
  }
  return v;
}

namespace {
struct PngReader {
  const uint8_t* d;
  size_t size, pos;
};
cairo_status_t ReadPng(void* closure, unsigned char* out, unsigned int len) {
  auto* r = static_cast<PngReader*>(closure);
  if (r->size - r->pos < len) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(out, r->d + r->pos, len);
  r->pos += len;
  return CAIRO_STATUS_SUCCESS;
}
}  // namespace

CairoSurface DecodePNG(const uint8_t* d, size_t size) {
  static const uint8_t kSig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size < 8 || std::memcmp(d, kSig, 8) != 0) throw EInvalidGraphic("not a PNG or BMP image");
  // A few bytes of header can claim a huge image, which the PNG reader would
  // allocate before finding the pixel data short.
  if (size >= 24 && std::memcmp(d + 12, "IHDR", 4) == 0) {
    const uint32_t w = Be32(d + 16), h = Be32(d + 20);
    if (w == 0 || h == 0 || w > kMaxImageSide || h > kMaxImageSide) throw EInvalidGraphic("bad PNG size");
  }
  PngReader r{d, size, 0};
  CairoSurface png(cairo_image_surface_create_from_png_stream(ReadPng, &r));
  if (cairo_surface_status(png.get()) != CAIRO_STATUS_SUCCESS)
    throw EInvalidGraphic("unreadable PNG image");
  // Our surfaces are ARGB32; PNGs may come back as RGB24 or A8.
  const int w = cairo_image_surface_get_width(png.get()), h = cairo_image_surface_get_height(png.get());
  CairoSurface s = NewSurface(w, h, clNone);
  CairoContext cr(cairo_create(s.get()));
  cairo_set_source_surface(cr.get(), png.get(), 0, 0);
  cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr.get());
  return s;
}

}  // namespace tavrel
