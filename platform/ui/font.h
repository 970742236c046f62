#pragma once
// TFont: the canvas font. Name, Height in pixels (negative: character
// height without internal leading; positive: cell height) or Size in
// points at 96 dpi, Style (bold, italic, underline, strike-out), Color and
// the escapement Orientation in tenths of a degree.
//
// Names map to installed families so that every machine draws the same
// pixels: "MS Sans Serif", "Tahoma" and "Arial" draw with Liberation Sans,
// "Symbol" and every unknown name with DejaVu Sans; CheckFontFamilies says
// when fontconfig would put another family in their place. Metrics are
// integers.
//
//   TFont f;  f.SetName("Tahoma");  f.SetSize(8);   // Height() == -11
//   TFontMetrics m = f.Metrics();                    // m.Height == m.Ascent + m.Descent
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/classinfo.h"
#include "platform/ui/colors.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_scaled_font cairo_scaled_font_t;

namespace tavrel {

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;

// Integer text metrics, as the platform's text metric record gives them.
struct TFontMetrics {
  int Height = 0;           // Ascent + Descent: the height of a text line
  int Ascent = 0;           // cell top to baseline
  int Descent = 0;          // baseline to cell bottom
  int InternalLeading = 0;  // Height minus the character (em) height
  int ExternalLeading = 0;  // space the font suggests between lines
  int AveCharWidth = 0;     // width of "x"
};

// The family a font name draws with.
std::string MappedFontFamily(const std::string& name);

// Every family MappedFontFamily answers, each from a product package.
const std::vector<std::string>& MappedFontFamilies();

// The family fontconfig gives for `family` (what cairo draws with): the
// family itself when installed, else the one fontconfig puts in its place.
std::string ResolvedFontFamily(const std::string& family);

// One line per mapped family that is not installed, naming the family
// drawn instead and the package to install; empty when all are. Without
// the agreed families text measures differently (Liberation Sans' stand-in
// is about 12% wider), so the window layer's start-up reports this on
// standard error.
std::string CheckFontFamilies();

// Published for form data: Name, Height, Size (not stored), Style (a set
// of fsBold, fsItalic, fsUnderline, fsStrikeOut), Color, Charset (kept,
// not used: text is UTF-8), Orientation.
class TFont : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  TFont();
  TFont(const TFont& o) : TPersistent(), OnChange() { Assign(o); }
  TFont& operator=(const TFont& o) {
    Assign(o);
    return *this;
  }

  const std::string& Name() const { return name_; }
  void SetName(const std::string& v);
  int Height() const { return height_; }
  void SetHeight(int v);
  int Size() const;  // points, from Height
  void SetSize(int points);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  int Orientation() const { return orientation_; }  // tenths of a degree
  void SetOrientation(int v);

  int Charset() const { return charset_; }
  void SetCharset(int v) { charset_ = v; }

  void Assign(const TFont& other);  // copies every property, one change event
  void Assign(TPersistent* source) override;
  bool SameAs(const TFont& other) const;

  std::function<void()> OnChange;

  TFontMetrics Metrics() const;
  // The character (em) size handed to the font engine, in pixels.
  double EmSize() const;
  // Selects this font (family, weight, slant, size, hinting) into a cairo context.
  void SelectInto(cairo_t* cr) const;

 private:
  void Changed();
  std::string name_ = "MS Sans Serif";
  int height_ = -11;
  TFontStyles style_ = 0;
  TColor color_ = clWindowText;
  int orientation_ = 0;
  int charset_ = 1;  // DEFAULT_CHARSET
  // Measuring is frequent: the metrics and a context with the font
  // selected are kept until the font changes.
  friend int FontTextWidth(const TFont& font, const std::string& text);
  mutable std::optional<TFontMetrics> metrics_;
  mutable std::shared_ptr<cairo_t> measure_;
};

// Advance width of UTF-8 text in whole pixels for a font; tabs and line
// breaks measure as the font's glyphs do.
int FontTextWidth(const TFont& font, const std::string& text);

}  // namespace tavrel
