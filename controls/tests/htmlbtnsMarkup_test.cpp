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

}  // namespace
}  // namespace tavrel
