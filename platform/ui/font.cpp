#include "platform/ui/font.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include "platform/ui/surface.h"
#include "platform/ui/types.h"
#include "platform/ui/utf8.h"

namespace tavrel {

// The families every name maps to, each with the package that installs it.
namespace {
struct InstalledFamily {
  const char* family;
  const char* package;
};
constexpr InstalledFamily kInstalledFamilies[] = {{"Liberation Sans", "fonts-liberation"},
                                                  {"DejaVu Sans", "fonts-dejavu-core"}};
}  // namespace

std::string MappedFontFamily(const std::string& name) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "ms sans serif" || lower == "tahoma" || lower == "arial" ||
      lower == "liberation sans")
    return "Liberation Sans";
  return "DejaVu Sans";
}

const std::vector<std::string>& MappedFontFamilies() {
  static const std::vector<std::string> families = [] {
    std::vector<std::string> v;
    for (const auto& f : kInstalledFamilies) v.push_back(f.family);
    return v;
  }();
  return families;
}

namespace {

using FcPatternPtr = std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)>;

// The installed font fontconfig gives for a pattern: the same steps as
// cairo's font selection (substitute, match).
FcPatternPtr MatchFont(FcPattern* pattern) {
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  return FcPatternPtr(FcFontMatch(nullptr, pattern, &result), FcPatternDestroy);
}

}  // namespace

std::string ResolvedFontFamily(const std::string& family) {
  FcPatternPtr pattern(FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str())),
                       FcPatternDestroy);
  if (!pattern) return {};
  FcPatternPtr match = MatchFont(pattern.get());
  FcChar8* name = nullptr;
  if (!match || FcPatternGetString(match.get(), FC_FAMILY, 0, &name) != FcResultMatch) return {};
  return reinterpret_cast<const char*>(name);
}

std::string CheckFontFamilies() {
  std::string problems;
  for (const auto& [family, package] : kInstalledFamilies) {
    const std::string resolved = ResolvedFontFamily(family);
    if (resolved == family) continue;
    problems += std::string("font family \"") + family + "\" is not installed: text draws with " +
                (resolved.empty() ? std::string("no font at all") : "\"" + resolved + "\"") +
                " in its place and measures differently (install " + package + ")\n";
  }
  return problems;
}

namespace {
const EnumInfo kFontStyleInfo{"TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
}

const ClassInfo& TFont::Class() {
  static const ClassInfo ci = ClassBuilder<TFont>("TFont", TPersistent::Class())
                                  .prop("Charset", &TFont::Charset, &TFont::SetCharset)
                                  .prop("Color", &TFont::Color, &TFont::SetColor)
                                  .typeName("TColor")
                                  .prop("Height", &TFont::Height, &TFont::SetHeight)
                                  .prop("Name", &TFont::Name, &TFont::SetName)
                                  .prop("Orientation", &TFont::Orientation, &TFont::SetOrientation)
                                  .defaultValue(int64_t{0})
                                  .prop("Size", &TFont::Size, &TFont::SetSize)
                                  .stored(false)
                                  .prop("Style", &TFont::Style, &TFont::SetStyle)
                                  .setOf(kFontStyleInfo)
                                  .build();
  return ci;
}

TFont::TFont() = default;

void TFont::Assign(TPersistent* source) {
  if (auto* f = dynamic_cast<TFont*>(source)) Assign(*f);
  else TPersistent::Assign(source);
}

void TFont::Changed() {
  metrics_.reset();
  measure_.reset();
  if (OnChange) OnChange();
}
void TFont::SetName(const std::string& v) {
  if (v == name_ || v.empty()) return;
  name_ = v;
  Changed();
}
void TFont::SetHeight(int v) {
  if (v == height_) return;
  height_ = v;
  Changed();
}
int TFont::Size() const { return -MulDiv(height_, 72, ScreenPixelsPerInch); }
void TFont::SetSize(int points) { SetHeight(-MulDiv(points, ScreenPixelsPerInch, 72)); }
void TFont::SetStyle(TFontStyles v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}
void TFont::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}
void TFont::SetOrientation(int v) {
  if (v == orientation_) return;
  orientation_ = v;
  Changed();
}
void TFont::Assign(const TFont& o) {
  if (SameAs(o)) return;
  name_ = o.name_;
  height_ = o.height_;
  style_ = o.style_;
  color_ = o.color_;
  orientation_ = o.orientation_;
  charset_ = o.charset_;
  Changed();
}
bool TFont::SameAs(const TFont& o) const {
  return name_ == o.name_ && height_ == o.height_ && style_ == o.style_ &&
         color_ == o.color_ && orientation_ == o.orientation_;
}

namespace {

struct FontFaceRelease {
  void operator()(cairo_font_face_t* f) const { cairo_font_face_destroy(f); }
};
using FontFacePtr = std::unique_ptr<cairo_font_face_t, FontFaceRelease>;

// The face of a family and style, matched once and kept. Not cairo's toy
// face (cairo_select_font_face): that one is matched on its first use, with
// that use's size and options, and keeps the match's hinting for every
// later use, so that text measured after an unhinted metrics query came
// out a pixel off the same text measured first. This face is built from a
// complete match whose rendering settings are fixed here, so the context's
// font options alone decide hinting and smoothing, whatever was drawn before.
cairo_font_face_t* FontFace(const std::string& family, TFontStyles style) {
  static std::mutex mutex;
  static std::map<std::tuple<std::string, bool, bool>, FontFacePtr> faces;
  const bool bold = style & fsBold, italic = style & fsItalic;
  std::lock_guard lock(mutex);
  FontFacePtr& face = faces[{family, bold, italic}];
  if (face) return face.get();
  FcPatternPtr pattern(FcPatternCreate(), FcPatternDestroy);
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_MEDIUM);
  FcPatternPtr match = MatchFont(pattern.get());
  if (match) {
    // The machine's fontconfig settings would otherwise override the
    // context's options (no hinting, forced autohinter, bitmap strikes).
    FcPattern* m = match.get();
    for (const char* p : {FC_ANTIALIAS, FC_HINTING, FC_HINT_STYLE, FC_AUTOHINT, FC_EMBEDDED_BITMAP,
                          FC_RGBA, FC_LCD_FILTER})
      FcPatternDel(m, p);
    FcPatternAddBool(m, FC_ANTIALIAS, FcTrue);
    FcPatternAddBool(m, FC_HINTING, FcTrue);
    FcPatternAddInteger(m, FC_HINT_STYLE, FC_HINT_FULL);
    FcPatternAddBool(m, FC_AUTOHINT, FcFalse);
    FcPatternAddBool(m, FC_EMBEDDED_BITMAP, FcFalse);
    face.reset(cairo_ft_font_face_create_for_pattern(m));
  } else {  // no font at all: cairo's own fallback
    face.reset(cairo_toy_font_face_create(family.c_str(),
                                          italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                                          bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL));
  }
  return face.get();
}

void SelectFace(cairo_t* cr, const std::string& family, TFontStyles style) {
  cairo_set_font_face(cr, FontFace(family, style));
}

// Design proportions of a face (ascent, descent, line height per em),
// read unhinted at a large size so they do not depend on hinting.
struct FaceRatios {
  double ascent, descent, height;
};

FaceRatios Ratios(const std::string& family, TFontStyles style) {
  CairoSurface s(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1));
  CairoContext cr(cairo_create(s.get()));
  SelectFace(cr.get(), family, style);
  cairo_font_options_t* opt = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(opt, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(opt, CAIRO_HINT_STYLE_NONE);
  cairo_set_font_options(cr.get(), opt);
  cairo_font_options_destroy(opt);
  cairo_set_font_size(cr.get(), 1000.0);
  cairo_font_extents_t fe;
  cairo_font_extents(cr.get(), &fe);
  return {fe.ascent / 1000.0, fe.descent / 1000.0, fe.height / 1000.0};
}

}  // namespace

double TFont::EmSize() const {
  if (height_ < 0) return -height_;
  if (height_ == 0) return 11;  // the platform's default character height
  const FaceRatios r = Ratios(MappedFontFamily(name_), style_);
  return height_ / (r.ascent + r.descent);
}

TFontMetrics TFont::Metrics() const {
  if (metrics_) return *metrics_;
  const FaceRatios r = Ratios(MappedFontFamily(name_), style_);
  const double em = EmSize();
  TFontMetrics m;
  if (height_ > 0) {  // cell height given: split it by the face's proportions
    m.Height = height_;
    m.Ascent = static_cast<int>(std::lround(height_ * r.ascent / (r.ascent + r.descent)));
    m.Descent = m.Height - m.Ascent;
  } else {
    m.Ascent = static_cast<int>(std::ceil(em * r.ascent - 1e-6));
    m.Descent = static_cast<int>(std::ceil(em * r.descent - 1e-6));
    m.Height = m.Ascent + m.Descent;
  }
  m.InternalLeading = std::max(0, m.Height - static_cast<int>(std::lround(em)));
  m.ExternalLeading = std::max(0, static_cast<int>(std::lround(em * r.height)) - m.Height);
  m.AveCharWidth = FontTextWidth(*this, "x");
  metrics_ = m;
  return m;
}

void TFont::SelectInto(cairo_t* cr) const {
  SelectFace(cr, MappedFontFamily(name_), style_);
  cairo_font_options_t* opt = cairo_font_options_create();
  // Hard pixels and whole-pixel advances, as the platform draws unsmoothed
  // text. Outlines are not hinted: the advances are then the design widths
  // rounded, as light hinting gives them (full hinting of hard pixels would
  // move them by a pixel here and there).
  cairo_font_options_set_antialias(opt, CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_metrics(opt, CAIRO_HINT_METRICS_ON);
  cairo_font_options_set_hint_style(opt, CAIRO_HINT_STYLE_NONE);
  cairo_set_font_options(cr, opt);
  cairo_font_options_destroy(opt);
  cairo_set_font_size(cr, EmSize());
}

int FontTextWidth(const TFont& font, const std::string& text) {
  if (text.empty()) return 0;
  if (!font.measure_) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t* cr = cairo_create(s);
    cairo_surface_destroy(s);  // the context holds it
    font.SelectInto(cr);
    font.measure_.reset(cr, cairo_destroy);
  }
  cairo_text_extents_t te;
  cairo_text_extents(font.measure_.get(), ValidUtf8(text).c_str(), &te);
  return static_cast<int>(std::lround(te.x_advance));
}

}  // namespace tavrel
