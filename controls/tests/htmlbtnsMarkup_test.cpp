#include "controls/htmlbtnsMarkup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/tests/ui_test_support.h"
#include "platform/ui/drawtext.h"

namespace tavrel {
namespace {

constexpr uint32_t kRunFlags = DT_BOTTOM | DT_SINGLELINE | DT_EXPANDTABS;

// A white bitmap whose canvas font is the caption font of the check boxes.
class MarkupTest : public testing::Test {
 protected:
  static constexpr int W = 240, H = 80;

  static TBitmap Surface() {
    TBitmap b = test::WhiteBitmap(W, H);
    SetBaseFont(b.Canvas().Font());
    b.Canvas().Brush().SetColor(clWhite);
    return b;
  }
  static void SetBaseFont(TFont& f) {
    f.SetName("Tahoma");
    f.SetSize(8);
    f.SetStyle(0);
    f.SetColor(clNavy);
  }
  // Measures of the base font, or of it changed by `style` and `size`.
  static int Width(const std::string& s, TFontStyles style = 0, int size = 8) {
    TFont f;
    SetBaseFont(f);
    f.SetStyle(style);
    f.SetSize(size);
    return FontTextWidth(f, s);
  }
  static int Gh(int size = 8) {
    TFont f;
    SetBaseFont(f);
    f.SetSize(size);
    return f.Metrics().Height;
  }

  bool Render(TBitmap& b, const std::string& markup, const TRect& r, const TMarkupParams& p = {}) {
    return RenderMarkupText(b.Canvas(), markup, r, p, result);
  }
  TMarkupResult Measure(const std::string& markup, const TRect& r, bool wrap = true) {
    TBitmap b = Surface();
    TMarkupParams p;
    p.MeasureOnly = true;
    p.WordWrap = wrap;
    Render(b, markup, r, p);
    EXPECT_EQ(test::InkBounds(b, clWhite), TRect{}) << "measuring drew: " << markup;
    return result;
  }

  TMarkupResult result;
};

TEST_F(MarkupTest, MeasuredSizes) {
  const int gh = Gh();
  struct Case {
    std::string markup;
    int width;  // layout width
    int extentX, lines;
  };
  const Case cases[] = {
      {"Hello world", W, Width("Hello world") + 2, 1},
      {"  Hello  ", W, Width("Hello") + 2, 1},  // blanks trimmed at both ends
      {"<B>Bold</B> x", W, Width("Bold ", fsBold) + Width("x") + 2, 1},
      {"a<BR>wide line", W, Width("wide line") + 2, 2},
      {"a\r\nwide line", W, Width("wide line") + 2, 2},  // line breaks become <BR>
      // one word wider than the rectangle stays on its line
      {"Supercalifragilistic", 20, Width("Supercalifragilistic") + 2, 1},
      // breaks at spaces; the trailing space of a line does not count
      {"aaa bbb ccc", Width("aaa bbb ") + 1, Width("aaa bbb") + 2, 2},
      {"<UL>a</UL>b", W, Width("ab") + 2, 2},   // <UL> breaks, </UL> does not
      {"<LI>a<LI>b", W, Width("a") + 2, 2},     // a second item starts a new line
      {"", W, 0, 1},                             // the height of one line all the same
      {"<Z>hidden</Z>", W, 0, 1},
  };
  for (const Case& c : cases) {
    const TMarkupResult r = Measure(c.markup, Rect(0, 0, c.width, H));
    EXPECT_EQ(r.ExtentX, c.extentX) << c.markup;
    EXPECT_EQ(r.ExtentY, c.lines * gh) << c.markup;
  }
}


// One run of the reference drawing: text drawn with DrawTextEx in a font
// made from the base font, bottom-aligned on the line.
struct RefRun {
  std::string text;
  TFontStyles style = 0;
  TColor color = clNavy;
  int size = 8;
  int dy = 0;  // bottom moved down from the line's bottom
  std::string face = "Tahoma";
  int angle = 0;
  TColor background = clNone;  // opaque text cell
  bool prefix = false;         // "&" processing, as in captions without " & "
  bool shadow = false;         // drawn first in grey, one pixel down-right
};

struct RunCase {
  std::string markup;
  std::vector<RefRun> runs;
  int lineHeight = 0;  // 0: the tallest run's
  TMarkupParams params = {};
};

// Draws the runs side by side from (left, top); returns the width taken.
int DrawReference(TBitmap& b, const std::vector<RefRun>& runs, int left, int top, int lineHeight) {
  TCanvas& c = b.Canvas();
  if (lineHeight == 0)
    for (const RefRun& r : runs) {
      TFont f;
      f.SetName(r.face);
      f.SetSize(r.size);
      lineHeight = std::max(lineHeight, f.Metrics().Height);
    }
  int x = left;
  for (const RefRun& r : runs) {
    c.Font().SetName(r.face);
    c.Font().SetSize(r.size);
    c.Font().SetStyle(r.style);
    c.Font().SetOrientation(r.angle * 10);
    c.Brush().SetColor(r.background);
    if (r.background == clNone) c.SetBkMode(TRANSPARENT);
    const uint32_t flags = kRunFlags | (r.prefix ? 0u : uint32_t{DT_NOPREFIX});
    const TRect at = Rect(x, top, b.Width(), top + lineHeight + r.dy);
    if (r.shadow) {
      c.Font().SetColor(clGray);
      TRect sr = OffsetRect(at, 1, 1);
      DrawTextEx(c, r.text, sr, flags, nullptr);
    }
    c.Font().SetColor(r.color);
    TRect dr = at;
    DrawTextEx(c, r.text, dr, flags, nullptr);
    TRect calc = at;
    DrawTextEx(c, r.text, calc, flags | DT_CALCRECT, nullptr);
    x += calc.Width();
  }
  return x - left;
}

// The first pixel where two bitmaps differ, for failure messages.
std::string FirstDifference(TBitmap& a, TBitmap& b) {
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Canvas().Pixel(x, y) != b.Canvas().Pixel(x, y))
        return "differs at (" + std::to_string(x) + "," + std::to_string(y) + ")";
  return "";
}

TEST_F(MarkupTest, RunsAndTheirSize) {
  const int gh = Gh();
  const int sub = gh / 4;
  TMarkupParams blinkVisible;
  blinkVisible.BlinkVisible = true;
  TMarkupParams shadowed;
  shadowed.ShadowOffset = 1;
  const RunCase cases[] = {
      {"<B>Bold</B>plain", {{"Bold", fsBold}, {"plain"}}},
      {"<I>it</I>x", {{"it", fsItalic}, {"x"}}},
      {"<U>u</U>x", {{"u", fsUnderline}, {"x"}}},
      {"<S>s</S>x", {{"s", fsStrikeOut}, {"x"}}},
      {"<b><i>both</i></b>", {{"both", fsBold | fsItalic}}},
      {"<FONT color=\"clRed\">r</FONT>x", {{"r", 0, clRed}, {"x"}}},
      {"<FONT COLOR=clRed>r</FONT>", {{"r"}}},                    // unquoted: unchanged
      {"<FONT COLOR=\"red\">r</FONT>", {{"r", 0, clBlack}}},       // no "cl": black
      {"<FONT COLOR=\"#FF8000\">o</FONT>", {{"o", 0, 0x0080FF}}},
      {"<FONT SIZE=3>big</FONT>x", {{"big", 0, clNavy, 12}, {"x"}}},  // unquoted size: 12 pt
      {"<FONT SIZE=\"20\">big</FONT>", {{"big", 0, clNavy, 20}}},
      {"<FONT FACE=\"Courier\">f</FONT>x", {{"f", 0, clNavy, 8, 0, "Courier"}, {"x"}}},
      {"<FONT BGCOLORTO=\"clRed\" BGCOLOR=\"clLime\">c</FONT>",      // BGCOLOR found in BGCOLORTO
       {{"c", 0, clNavy, 8, 0, "Tahoma", 0, clRed}}},
      {"<A href=\"http://x\">link</A>x", {{"link", fsUnderline, clBlue}, {"x"}}},
      {"a&amp;b", {{"a&b"}}},
      {"x & y &amp; z", {{"x & y && z"}}},  // " & " turns prefixes off: "&&" shows twice
      {"&lt;b&gt;", {{"<b>"}}},
      {"&LT;b", {{"&LT;b", 0, clNavy, 8, 0, "Tahoma", 0, clNone, true}}},  // lower case only
      {"a&nbsp;b", {{"a b"}}},
      {"&quot;&sect;&permil;&reg;&copy;&para;&trade;&euro;",
       {{"\"\xC2\xA7\xE2\x80\xB0\xC2\xAE\xC2\xA9\xC2\xB6\xE2\x84\xA2\xE2\x82\xAC"}}},
      {"&QUOT;&Euro;&AMP;", {{"\"\xE2\x82\xAC&"}}},  // any case
      {"<Z>hid</Z>v", {{"v"}}},
      {"<BLINK>b</BLINK>x", {{"b", 0, clWhite}, {"x"}}},  // the colour of the brush on entry
      {"<BLINK>b</BLINK>x", {{"b"}, {"x"}}, 0, blinkVisible},
      {"<HI>h</HI>x", {{"h", 0, clHighlightText, 8, 0, "Tahoma", 0, clHighlight}, {"x"}}},
      {"<SHAD>s</SHAD>x", {{"s", 0, clNavy, 8, 0, "Tahoma", 0, clNone, false, true}, {"x"}}, 0, shadowed},
      {"H<SUB>2</SUB>O", {{"H"}, {"2", 0, clNavy, 8, sub}, {"O"}}},
      {"x<SUP>2</SUP>", {{"x", 0, clNavy, 8, sub}, {"2"}}, gh},
      // turned text is clipped to its line as the run rectangle clips it; the
      // next run is upright again
      {"<R a=\"90\">up</R>x", {{"up", 0, clNavy, 8, 0, "Tahoma", 90}, {"x"}}},
      {"<P>plain</P>", {{"plain"}}},
      {"<X>unknown</X> <y z>", {{"unknown"}}},
  };
  for (const RunCase& c : cases) {
    TBitmap got = Surface();
    TMarkupParams p = c.params;
    if (p.HitX == 0) p.HitX = -100;
    // Low enough that text turned upwards stays on the bitmap.
    Render(got, c.markup, Rect(0, 30, W, H), p);
    TBitmap want = Surface();
    const int width = DrawReference(want, c.runs, 0, 30, c.lineHeight);
    EXPECT_EQ(FirstDifference(got, want), "") << c.markup;
    EXPECT_NE(test::InkBounds(got, clWhite), TRect{}) << c.markup;
    EXPECT_EQ(result.ExtentX, width + 2) << c.markup;
  }
}

}  // namespace
}  // namespace tavrel
