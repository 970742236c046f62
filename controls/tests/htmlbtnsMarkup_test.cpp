#include "controls/htmlbtnsMarkup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "controls/PictureContainer.h"

#include "platform/tests/ui_test_support.h"
#include "platform/ui/drawtext.h"

namespace tavrel {
namespace {

constexpr uint32_t kRunFlags = DT_BOTTOM | DT_SINGLELINE | DT_EXPANDTABS;

// A white bitmap whose canvas font is the caption font of the check boxes.
class MarkupTest : public testing::Test {
 public:
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
      {"a</HR>b", {{"a"}, {"b"}}},  // no highlight to end: the colour stays
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


// Lines of plain text in the base font drawn one under the other, each from
// `left`, clipped at `right` (0: the bitmap's width).
void Lines(TBitmap& b, const std::vector<std::string>& lines, int left, int top, int gh,
           uint32_t extra = 0, int right = 0) {
  TCanvas& c = b.Canvas();
  MarkupTest::SetBaseFont(c.Font());
  c.Brush().SetColor(clNone);
  for (size_t i = 0; i < lines.size(); ++i) {
    TRect r = Rect(left, top + static_cast<int>(i) * gh, right ? right : b.Width(),
                   top + static_cast<int>(i + 1) * gh);
    DrawTextEx(c, lines[i], r, kRunFlags | DT_NOPREFIX | extra, nullptr);
  }
}

TEST_F(MarkupTest, PlainCaptionsDrawAsDrawTextExDrawsThem) {
  const int gh = Gh();
  for (bool wrap : {true, false}) {
    for (const char* text : {"Passe-bas", "Activer", "Passe-bande large", "tab\there"}) {
      const TRect r = Rect(22, 2, 80, 18);
      TMarkupParams p;
      p.WordWrap = wrap;
      TBitmap fast = Surface();
      Render(fast, text, r, p);
      const TMarkupResult fastResult = result;
      TBitmap general = Surface();
      // The same caption through the line loop (an unknown tag keeps it off
      // the one-call path) gives the same pixels and measures.
      Render(general, std::string(text) + "<Q>", r, p);
      EXPECT_EQ(FirstDifference(fast, general), "") << text;
      EXPECT_EQ(fastResult.ExtentX, result.ExtentX) << text;
      EXPECT_EQ(fastResult.ExtentY, result.ExtentY) << text;
      EXPECT_EQ(fastResult.PlainText, result.PlainText) << text;
      // wraps onto a second line, cut by the rectangle's bottom
      if (wrap && std::string(text) == "Passe-bande large") continue;
      TBitmap want = Surface();
      want.Canvas().Brush().SetColor(clNone);
      TRect dr = Rect(r.Left, r.Top, r.Right, r.Top + gh);
      DrawTextEx(want.Canvas(), text, dr, kRunFlags | (wrap ? 0u : uint32_t{DT_END_ELLIPSIS}), nullptr);
      EXPECT_EQ(FirstDifference(fast, want), "") << text;
      EXPECT_NE(test::InkBounds(fast, clWhite), TRect{}) << text;
    }
  }
}

TEST_F(MarkupTest, LineBreaking) {
  const int gh = Gh();
  const int aaa = Width("aaa aaa ") + 1;
  struct Case {
    std::string markup;
    int width;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"aaa aaa aaa aaa aaa", aaa, {"aaa aaa ", "aaa aaa ", "aaa"}},
      // a word wider than the line stays where it starts; the next one wraps
      {"a Supercalifragilistic b", 30, {"a Supercalifragilistic ", "b"}},
      {"x<BR><BR>y", W, {"x", "", "y"}},
      {"x<BR>  y", W, {"x", "y"}},  // blanks at a line's start are dropped
      {"<B></B>aaa aaa<B></B> aaa", aaa, {"aaa aaa ", "aaa"}},
      {"aaa&nbsp;aaa aaa", aaa, {"aaa aaa ", "aaa"}},  // &nbsp; does not break
  };
  for (const Case& c : cases) {
    TBitmap got = Surface();
    Render(got, c.markup, Rect(4, 3, 4 + c.width, H));
    TBitmap want = Surface();
    Lines(want, c.lines, 4, 3, gh, 0, 4 + c.width);
    EXPECT_EQ(FirstDifference(got, want), "") << c.markup;
    EXPECT_EQ(result.ExtentY, static_cast<int>(c.lines.size()) * gh) << c.markup;
  }
}

TEST_F(MarkupTest, WithoutWordWrapLinesEndInAnEllipsis) {
  const int gh = Gh();
  const int bold = Width("aaaa", fsBold), w = Width("w");
  TMarkupParams p;
  p.WordWrap = false;
  {  // the second run would start within one "w" of the right edge: not drawn
    TBitmap got = Surface();
    Render(got, "<B>aaaa</B> bbbb cccc", Rect(0, 0, bold + w - 1, H), p);
    TBitmap want = Surface();
    DrawReference(want, {{"aaaa", fsBold}}, 0, 0, 0);
    EXPECT_EQ(FirstDifference(got, want), "");
  }
  {  // room for it: drawn and cut with an ellipsis
    const int right = bold + 4 * w;
    TBitmap got = Surface();
    Render(got, "<B>aaaa</B> bbbb cccc", Rect(0, 0, right, H), p);
    TBitmap want = Surface();
    DrawReference(want, {{"aaaa", fsBold}}, 0, 0, 0);
    Lines(want, {" bbbb cccc"}, bold, 0, gh, DT_END_ELLIPSIS, right);
    EXPECT_EQ(FirstDifference(got, want), "");
    EXPECT_LT(test::InkBounds(got, clWhite).Right, right + 1);
  }
}

TEST_F(MarkupTest, LinesBelowTheRectangleAreMeasuredButNotDrawn) {
  const int gh = Gh();
  TBitmap got = Surface();
  Render(got, "a<BR>b<BR>c", Rect(0, 0, W, 2 * gh));
  EXPECT_EQ(result.ExtentY, 2 * gh);
  TBitmap want = Surface();
  Lines(want, {"a", "b"}, 0, 0, gh);
  EXPECT_EQ(FirstDifference(got, want), "");
  EXPECT_EQ(Measure("a<BR>b<BR>c", Rect(0, 0, W, 2 * gh)).ExtentY, 3 * gh);
}

TEST_F(MarkupTest, RuleAndErrorZigzag) {
  const int gh = Gh();
  TBitmap b = Surface();
  Render(b, "a<HR>b", Rect(0, 0, W - 10, H));
  TCanvas& c = b.Canvas();
  // one pixel below the first line's bottom, across the line, end left out
  EXPECT_EQ(c.Pixel(W - 11, gh + 1), clBlack);
  EXPECT_EQ(c.Pixel(W - 10, gh + 1), clWhite);
  EXPECT_EQ(c.Pixel(W - 11, gh), clWhite);
  EXPECT_EQ(c.Pixel(W - 11, gh + 2), clWhite);

  TBitmap z = Surface();
  Render(z, "<E>ab</E>c", Rect(3, 0, W, H));
  TCanvas& zc = z.Canvas();
  // from the even column at or left of the run, one up and one down in turn
  EXPECT_EQ(zc.Pixel(2, gh - 1), clRed);
  EXPECT_EQ(zc.Pixel(3, gh), clRed);
  EXPECT_EQ(zc.Pixel(4, gh + 1), clRed);
  EXPECT_EQ(zc.Pixel(5, gh), clRed);
  EXPECT_EQ(zc.Pixel(6, gh - 1), clRed);
  int lastRed = 0;
  for (int x = 0; x < W; ++x)
    for (int y = gh - 1; y <= gh + 1; ++y)
      if (zc.Pixel(x, y) == clRed) lastRed = x;
  const int runRight = 3 + Width("ab");
  EXPECT_GE(lastRed, runRight - 2);
  EXPECT_LE(lastRed, runRight + 1);  // stops at the run: "c" has none
}

TEST_F(MarkupTest, ListItemsBullets) {
  const int gh = Gh();
  {  // nesting 1: the symbol bullet at the line's left, the text 12 further
    TBitmap got = Surface();
    Render(got, "<UL><LI>a</UL>", Rect(0, 0, W, H));
    TBitmap want = Surface();
    DrawReference(want, {{"\xC2\xB7", 0, clNavy, 8, 0, "Symbol"}}, 0, gh, gh);
    DrawReference(want, {{"a"}}, 12, gh, gh);
    EXPECT_EQ(FirstDifference(got, want), "");
    EXPECT_EQ(result.ExtentX, 12 + Width("a") + 2);
    EXPECT_EQ(result.ExtentY, 2 * gh);  // <UL> ends its line
  }
  {  // square and circle bullets in their colour, 12 pixels per level
    TBitmap b = Surface();
    Render(b, "<UL><LI type=\"square\" color=\"clRed\">a<UL><LI type=\"circle\" color=\"clLime\">b",
           Rect(0, 0, W, H));
    TCanvas& c = b.Canvas();
    EXPECT_EQ(c.Pixel(0, gh + 2), clRed);
    EXPECT_EQ(c.Pixel(7, gh + 9), clRed);
    EXPECT_EQ(c.Pixel(8, gh + 5), clWhite);
    EXPECT_EQ(c.Pixel(16, 2 * gh + 6), clLime);  // second level, after <UL>'s break: from x = 12
    EXPECT_EQ(c.Pixel(11, 2 * gh + 6), clWhite);
  }
}

TEST_F(MarkupTest, ParagraphsAlignIndentAndFill) {
  const int gh = Gh();
  const int width = Width("aaa aaa ") + 1, line = Width("aaa aaa");
  struct Case {
    std::string markup;
    int left;  // of both lines, from the rectangle's left
  };
  const Case cases[] = {
      {"<P ALIGN=\"CENTER\">aaa aaa aaa aaa</P>", (width - line) / 2},  // trailing space not counted
      {"<P ALIGN=\"RIGHT\">aaa aaa aaa aaa</P>", width - line},
      {"<P ALIGN=\"RIGHT LEFT\">aaa aaa aaa aaa</P>", 0},  // the last match wins
      {"<P INDENT=\"7\">aaa aaa aaa aaa</P>", 7},
  };
  for (const Case& c : cases) {
    TBitmap got = Surface();
    Render(got, c.markup, Rect(5, 0, 5 + width, H));
    TBitmap want = Surface();
    Lines(want, {"aaa aaa", "aaa aaa"}, 5 + c.left, 0, gh, 0, 5 + width);
    EXPECT_EQ(FirstDifference(got, want), "") << c.markup;
  }
  TBitmap b = Surface();
  Render(b, "<P BGCOLOR=\"clYellow\">a</P>b", Rect(0, 0, W - 1, H));
  EXPECT_EQ(b.Canvas().Pixel(W - 2, 1), clYellow);
  EXPECT_EQ(b.Canvas().Pixel(W - 1, 1), clWhite);
  EXPECT_EQ(b.Canvas().Pixel(W - 2, gh + 1), clWhite);  // ends with the paragraph
  TBitmap g = Surface();
  Render(g, "<P BGCOLOR=\"clRed\" BGCOLORTO=\"clBlue\">a</P>", Rect(0, 0, W, H));
  EXPECT_EQ(g.Canvas().Pixel(0, 1), clRed);
  EXPECT_EQ(g.Canvas().Pixel(W - 1, gh + 1), RGB(4, 0, 251));  // the last of 64 bands, 2 lower
  EXPECT_EQ(g.Canvas().Pixel(0, gh + 2), clWhite);
}

TEST_F(MarkupTest, BodyBackgrounds) {
  const TRect r = Rect(10, 10, 100, 40);
  TBitmap b = Surface();
  Render(b, "<BODY BGCOLOR=\"clYellow\">a", r);
  EXPECT_EQ(b.Canvas().Pixel(8, 20), clYellow);  // two to the left of the rectangle
  EXPECT_EQ(b.Canvas().Pixel(7, 20), clWhite);
  EXPECT_EQ(b.Canvas().Pixel(99, 39), clYellow);
  EXPECT_EQ(b.Canvas().Pixel(100, 39), clWhite);
  TBitmap v = Surface();
  Render(v, "<BODY BGCOLOR=\"clRed\" BGCOLORTO=\"clBlue\" DIR=\"V\">a", r);
  // one-pixel bands overlap: the top row is the second band's, nearly red
  EXPECT_EQ(v.Canvas().Pixel(99, 10), RGB(251, 0, 4));
  EXPECT_EQ(v.Canvas().Pixel(10, 39), v.Canvas().Pixel(99, 39));
  EXPECT_NE(v.Canvas().Pixel(10, 39), clRed);
  TBitmap ignored = Surface();
  TMarkupParams p;
  p.IgnoreColors = true;
  Render(ignored, "<BODY BGCOLOR=\"clYellow\">a", r, p);
  EXPECT_EQ(ignored.Canvas().Pixel(99, 39), clWhite);
}

TEST_F(MarkupTest, IndentAndHangingOffset) {
  const int gh = Gh();
  TBitmap got = Surface();
  Render(got, "a<IND x=\"50\">b", Rect(0, 0, W, H));
  TBitmap want = Surface();
  DrawReference(want, {{"a"}}, 0, 0, gh);
  DrawReference(want, {{"b"}}, 50, 0, gh);
  EXPECT_EQ(FirstDifference(got, want), "");
  EXPECT_EQ(result.ExtentX, 50 + Width("b") + 2);
  // an indent left of where the line already is does nothing
  EXPECT_EQ(Measure("aaaa<IND x=\"1\">b", Rect(0, 0, W, H)).ExtentX, Width("aaaab") + 2);

  TBitmap hung = Surface();
  Render(hung, "aaa<OFS x=\"20\"><BR>bbb<BR>ccc</OFS><BR>ddd", Rect(0, 0, W, H));
  TBitmap hungWant = Surface();
  Lines(hungWant, {"aaa"}, 0, 0, gh);
  Lines(hungWant, {"", "bbb", "ccc"}, 20, 0, gh);
  Lines(hungWant, {"", "", "", "ddd"}, 0, 0, gh);
  EXPECT_EQ(FirstDifference(hung, hungWant), "");
}

// An image list of one red 16 × 16 image, and a picture container with a
// 6 × 4 green picture named "Logo".
class MarkupImagesTest : public MarkupTest {
 protected:
  void SetUp() override {
    images.SetSize(16, 16);
    TBitmap strip = test::WhiteBitmap(16, 16);
    strip.Canvas().Brush().SetColor(clRed);
    strip.Canvas().FillRect(Rect(0, 0, 16, 16));
    images.AddMasked(strip, clNone);
    TBitmap logo = test::WhiteBitmap(6, 4);
    logo.Canvas().Brush().SetColor(clGreen);
    logo.Canvas().FillRect(Rect(0, 0, 6, 4));
    logoBytes = logo.SaveToBytes();
    TPictureItem* item = container->Items().Add();
    item->SetName("Logo");
    item->Picture().LoadFromStream(logoBytes);
    params.Images = &images;
    params.PictureContainer = container.get();
    params.PictureCache = &cache;
  }
  TImageList images{nullptr};
  ComponentPtr<TPictureContainer> container = TComponent::CreateUnowned<TPictureContainer>();
  THTMLPictureCache cache;
  std::vector<uint8_t> logoBytes;
  TMarkupParams params;
};

TEST_F(MarkupImagesTest, ImagesTakeTheirRoomOnTheLine) {
  const int gh = Gh();
  {
    TBitmap b = Surface();
    Render(b, "<IMG src=\"IDX:0\">x", Rect(0, 0, W, H), params);
    EXPECT_EQ(test::InkBounds(b, clWhite).Left, 0);
    EXPECT_EQ(b.Canvas().Pixel(15, 15), clRed);
    EXPECT_EQ(b.Canvas().Pixel(16, 0), clWhite);
    EXPECT_EQ(result.ExtentX, 16 + Width("x") + 2);
    EXPECT_EQ(result.ExtentY, std::max(16, gh));
    TBitmap want = Surface();
    want.Canvas().Brush().SetColor(clRed);
    want.Canvas().FillRect(Rect(0, 0, 16, 16));
    DrawReference(want, {{"x"}}, 16, 0, std::max(16, gh));  // text on the line's bottom
    EXPECT_EQ(FirstDifference(b, want), "");
  }
  {  // image-list pictures scaled by the image scale; the room they take is not
    TMarkupParams p = params;
    p.StretchImages = true;
    p.ImageScale = 0.5;
    TBitmap b = Surface();
    Render(b, "<IMG src=\"IDX:0\">x", Rect(0, 0, W, H), p);
    EXPECT_EQ(b.Canvas().Pixel(7, 7), clRed);
    EXPECT_EQ(b.Canvas().Pixel(8, 8), clWhite);
    EXPECT_EQ(result.ExtentX, 16 + Width("x") + 2);
  }
  {  // ALIGN="TOP": the text after the image sits at the line's top
    TBitmap b = Surface();
    Render(b, "<IMG src=\"IDX:0\" ALIGN=\"TOP\">x", Rect(0, 0, W, H), params);
    TBitmap want = Surface();
    want.Canvas().Brush().SetColor(clRed);
    want.Canvas().FillRect(Rect(0, 0, 16, 16));
    DrawReference(want, {{"x"}}, 16, 0, gh);
    EXPECT_EQ(FirstDifference(b, want), "");
  }
  {  // by name from the container, case aside; then stretched
    TBitmap b = Surface();
    Render(b, "a<IMG src=\"logo\">b<IMG src=\"LOGO\" width=\"12\" height=\"8\">", Rect(0, 0, W, H), params);
    const int x1 = Width("a");
    EXPECT_EQ(b.Canvas().Pixel(x1, 0), clGreen);
    EXPECT_EQ(b.Canvas().Pixel(x1 + 5, 3), clGreen);
    EXPECT_EQ(b.Canvas().Pixel(x1 + 6, 0), clWhite);
    const int x2 = x1 + 6 + Width("b");
    EXPECT_EQ(b.Canvas().Pixel(x2 + 11, 7), clGreen);
    EXPECT_EQ(b.Canvas().Pixel(x2 + 12, 7), clWhite);
    EXPECT_EQ(result.ExtentX, x2 + 12 + 2);
  }
  {  // an image that does not fit starts the next line
    const TMarkupResult r = [&] {
      TBitmap b = Surface();
      params.MeasureOnly = true;
      Render(b, "aaaa<IMG src=\"IDX:0\">", Rect(0, 0, Width("aaaa") + 10, H), params);
      params.MeasureOnly = false;
      return result;
    }();
    EXPECT_EQ(r.ExtentY, gh + 16);
  }
  {  // sizes are held to four times the rectangle
    params.MeasureOnly = true;
    TBitmap b = Surface();
    Render(b, "<IMG src=\"logo\" width=\"100000\" height=\"100000\">", Rect(0, 0, 50, 20), params);
    EXPECT_EQ(result.ExtentX, 200 + 2);
    EXPECT_EQ(result.ExtentY, 80);
  }
}

TEST_F(MarkupImagesTest, PicturesByAddressLoadOnceAndOnlyFromRegularFiles) {
  char path[] = "/tmp/markup_logo_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, logoBytes.data(), logoBytes.size()), static_cast<ssize_t>(logoBytes.size()));
  close(fd);
  const std::string markup = std::string("<IMG src=\"FILE://") + path + "\">";
  for (int paint = 0; paint < 2; ++paint) {
    TBitmap b = Surface();
    Render(b, markup, Rect(0, 0, W, H), params);
    EXPECT_EQ(b.Canvas().Pixel(5, 3), clGreen);
  }
  EXPECT_EQ(cache.Count(), 1);
  std::remove(path);
  for (const char* bad : {"FILE:///dev/zero", "FILE:///tmp", "http://example.com/x.png", "FILE://"}) {
    const int before = cache.Count();
    for (int paint = 0; paint < 2; ++paint) {
      TBitmap b = Surface();
      Render(b, std::string("<IMG src=\"") + bad + "\">x", Rect(0, 0, W, H), params);
      EXPECT_EQ(result.ExtentX, Width("x") + 2) << bad;  // takes no room
    }
    EXPECT_EQ(cache.Count(), before + 1) << bad;  // found again on the second paint
  }
}

TEST_F(MarkupImagesTest, BodyPictures) {
  TBitmap b = Surface();
  Render(b, "<BODY BACKGROUND=\"logo\">", Rect(2, 2, 20, 10), params);
  EXPECT_EQ(test::InkBounds(b, clWhite), Rect(2, 2, 20, 10));  // tiled, clipped
  TBitmap corners = Surface();
  Render(corners, "<BODY BGTOPLEFT=\"logo\" BGTOPRIGHT=\"IDX:0\">", Rect(2, 2, 60, 30), params);
  EXPECT_EQ(corners.Canvas().Pixel(2, 2), clGreen);
  EXPECT_EQ(corners.Canvas().Pixel(7, 5), clGreen);
  EXPECT_EQ(corners.Canvas().Pixel(44, 2), clRed);  // the list's width left of the right
  EXPECT_EQ(corners.Canvas().Pixel(59, 17), clRed);
  EXPECT_EQ(corners.Canvas().Pixel(43, 2), clWhite);
}

TEST_F(MarkupImagesTest, AnchorHitTest) {
  const int gh = Gh();
  const int width = Width("aaa aaa ") + 1;
  const TRect r = Rect(10, 5, 10 + width, 60);
  const std::string caption = "<A href=\"http://a\">aaa aaa aaa</A> b";
  const TRect secondLine = Rect(10, 5 + gh, 10 + Width("aaa"), 5 + 2 * gh);
  struct Case {
    int x, y;
    bool hit;
  };
  const Case cases[] = {
      {13, 5 + gh / 2, true},            // first line of the anchor
      {13, 5 + gh + gh / 2, true},       // its second line
      {9, 5 + gh / 2, false},            // left of the line's start
      {13, 5, false},                    // on the line's top edge
      {13, 5 + gh, false},               // between the lines
      {13, 5 + 2 * gh + 2, false},       // below the text
      {10 + Width("aaa b") - 1, 5 + gh + gh / 2, false},  // on the "b" after it
  };
  for (const Case& c : cases) {
    TMarkupParams p;
    p.HitTestOnly = true;
    p.HitX = c.x;
    p.HitY = c.y;
    TBitmap b = Surface();
    EXPECT_EQ(Render(b, caption, r, p), c.hit) << c.x << "," << c.y;
    EXPECT_EQ(test::InkBounds(b, clWhite), TRect{});
    EXPECT_EQ(result.AnchorCount, 1);
    if (!c.hit) continue;
    EXPECT_EQ(result.HitAnchor, "http://a");
    EXPECT_EQ(result.HoverAnchor, 1);
    // began on the line above: the area starts at this line's left and top
    EXPECT_EQ(result.HoverRect, secondLine);
  }
  // 1-based index of the second anchor, and its area on one line
  TMarkupParams p;
  p.HitTestOnly = true;
  p.HitX = Width("one two") - 2;
  p.HitY = gh / 2;
  TBitmap b = Surface();
  EXPECT_TRUE(Render(b, "<A \"one\">one</A> <A \"two\">two</A>", Rect(0, 0, W, H), p));
  EXPECT_EQ(result.HitAnchor, "two");
  EXPECT_EQ(result.HoverAnchor, 2);
  EXPECT_EQ(result.HoverRect, Rect(Width("one "), 0, Width("one two"), gh));
  EXPECT_EQ(result.AnchorCount, 2);
  // an image inside an anchor
  p = params;
  p.HitTestOnly = true;
  p.HitX = 8;
  p.HitY = 8;
  EXPECT_TRUE(Render(b, "<A href=\"img\"><IMG src=\"IDX:0\"></A> x", Rect(0, 0, W, H), p));
  EXPECT_EQ(result.HitAnchor, "img");
  p.HitX = 20;
  EXPECT_FALSE(Render(b, "<A href=\"img\"><IMG src=\"IDX:0\"></A> x", Rect(0, 0, W, H), p));
}

TEST_F(MarkupTest, FocusAndHover) {
  const int gh = Gh();
  const std::string caption = "<A \"one\">one</A> <A \"two\">two</A>";
  TMarkupParams p;
  p.FocusIndex = 1;  // 0-based
  TBitmap focused = Surface();
  Render(focused, caption, Rect(0, 0, W, H), p);
  EXPECT_EQ(result.FocusAnchor, "two");
  TBitmap plain = Surface();
  Render(plain, caption, Rect(0, 0, W, H));
  EXPECT_EQ(result.FocusAnchor, "");
  // the focus rectangle: one pixel wider than the anchor on each side
  const int left = Width("one ") - 1, right = Width("one two");
  bool frameLeft = false, frameRight = false;
  for (int y = 0; y < gh; ++y) {
    frameLeft |= focused.Canvas().Pixel(left, y) != plain.Canvas().Pixel(left, y);
    frameRight |= focused.Canvas().Pixel(right, y) != plain.Canvas().Pixel(right, y);
  }
  EXPECT_TRUE(frameLeft);
  EXPECT_TRUE(frameRight);

  // hover styling: only the hovered anchor is underlined, in the hover colours
  TMarkupParams h;
  h.HoverStyling = true;
  h.HoverIndex = 2;
  h.HoverFontColor = clRed;
  h.HoverColor = clYellow;
  TBitmap hovered = Surface();
  Render(hovered, caption, Rect(0, 0, W, H), h);
  TBitmap want = Surface();
  DrawReference(want, {{"one", 0, clBlue}, {" "}, {"two", fsUnderline, clRed, 8, 0, "Tahoma", 0, clYellow}},
                0, 0, 0);
  EXPECT_EQ(FirstDifference(hovered, want), "");
}

TEST_F(MarkupTest, MalformedMarkupEndsQuietly) {
  const int gh = Gh();
  struct Case {
    std::string markup;
    std::string shown;  // the text drawn, all on one line
  };
  const Case cases[] = {
      {"ab<B cd", "ab"},           // a tag without ">" ends the text
      {"ab<", "ab"},
      {"ab<x", "ab"},
      {"<", ""},
      {"a\xFF<B>\xC3", "a\xEF\xBF\xBD"},  // malformed UTF-8: replacement characters
      {"<FONT SIZE=\"-5\">", ""},
      {"a<>b", "ab"},
      {"a</>b", "ab"},
  };
  for (const Case& c : cases) {
    TBitmap got = Surface();
    TFont before;
    before.Assign(got.Canvas().Font());
    Render(got, c.markup, Rect(0, 0, W, H));
    EXPECT_TRUE(got.Canvas().Font().SameAs(before)) << c.markup;
    if (c.markup.find('\xC3') != std::string::npos) {
      EXPECT_NE(test::InkBounds(got, clWhite), TRect{});
      continue;
    }
    TBitmap want = Surface();
    Lines(want, {c.shown}, 0, 0, gh);
    EXPECT_EQ(FirstDifference(got, want), "") << c.markup;
  }
  // thousands of list levels: one line each, all measured, drawing stops at the bottom
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<UL>";
  EXPECT_EQ(Measure(deep + "x", Rect(0, 0, W, H)).ExtentY, 5001 * gh);
  TBitmap b = Surface();
  Render(b, deep + "x", Rect(0, 0, W, H));
  EXPECT_LE(result.ExtentY, H + gh);
  // font sizes are held to 1..200 points
  TFont huge;
  SetBaseFont(huge);
  huge.SetSize(MarkupMaxFontSize);
  EXPECT_EQ(Measure("<FONT SIZE=\"100000\">x</FONT>", Rect(0, 0, W, H)).ExtentY, huge.Metrics().Height);
}

}  // namespace
}  // namespace tavrel
