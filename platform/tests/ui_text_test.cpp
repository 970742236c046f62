#include <gtest/gtest.h>

#include "platform/tests/ui_test_support.h"
#include "platform/ui/drawtext.h"

namespace tavrel {
namespace {

using test::InkBounds;
using test::Picture;
using test::WhiteBitmap;

TEST(UiFont, NamesMapToInstalledFamilies) {
  const std::pair<const char*, const char*> cases[] = {
      {"MS Sans Serif", "Liberation Sans"}, {"Tahoma", "Liberation Sans"},
      {"Arial", "Liberation Sans"},         {"arial", "Liberation Sans"},
      {"Symbol", "DejaVu Sans"},            {"No Such Font", "DejaVu Sans"},
  };
  for (auto [name, family] : cases) EXPECT_EQ(MappedFontFamily(name), family) << name;
}

TEST(UiFont, SizeAndHeightAt96Dpi) {
  TFont f;
  f.SetSize(8);
  EXPECT_EQ(f.Height(), -11);
  f.SetSize(14);
  EXPECT_EQ(f.Height(), -19);
  EXPECT_EQ(f.Size(), 14);
  int changes = 0;
  f.OnChange = [&] { ++changes; };
  f.SetHeight(-19);
  f.SetStyle(fsBold);
  EXPECT_EQ(changes, 1) << "setting the same height is no change";
}

TEST(UiFont, MetricsAreStableIntegersAndMissingFontsStillMeasure) {
  for (const char* name : {"Tahoma", "Arial", "Symbol", "No Such Font"}) {
    for (int height : {-11, -19, 16}) {
      TFont a, b;
      a.SetName(name);
      a.SetHeight(height);
      b.Assign(a);
      const TFontMetrics m = a.Metrics();
      EXPECT_EQ(m.Height, m.Ascent + m.Descent);
      EXPECT_GT(m.Descent, 0);
      if (height > 0) EXPECT_EQ(m.Height, height) << "positive height is the cell height";
      else EXPECT_GE(m.Height, -height) << "negative height excludes internal leading";
      EXPECT_EQ(m.InternalLeading, height > 0 ? m.InternalLeading : m.Height + height);
      const int w = FontTextWidth(a, "Hello, world");
      EXPECT_GT(w, 20) << name;
      EXPECT_EQ(FontTextWidth(b, "Hello, world"), w) << "same string, same width";
      EXPECT_EQ(b.Metrics().Ascent, m.Ascent);
    }
  }
  TFont tahoma, arial, bold;
  tahoma.SetName("Tahoma");
  arial.SetName("Arial");
  bold.SetStyle(fsBold);
  EXPECT_EQ(FontTextWidth(tahoma, "Filtre"), FontTextWidth(arial, "Filtre"));
  EXPECT_GT(FontTextWidth(bold, "Filtre passe-bas"), FontTextWidth(tahoma, "Filtre passe-bas"));
}

TEST(UiText, TextOutPlacesTheCellTopLeftAndFillsTheBackground) {
  TBitmap b = WhiteBitmap(60, 30);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(clYellow);
  c.Font().SetColor(clBlack);
  c.TextOut(5, 4, "Hg");
  const int w = c.TextWidth("Hg"), h = c.TextHeight("Hg");
  EXPECT_EQ(InkBounds(b, clWhite), Bounds(5, 4, w, h));
  EXPECT_EQ(c.PenPos(), Point(5 + w, 4));
  TBitmap t = WhiteBitmap(60, 30);
  t.Canvas().Brush().SetStyle(TBrushStyle::bsClear);
  t.Canvas().TextOut(5, 4, "Hg");
  const TRect ink = InkBounds(t, clWhite);
  EXPECT_GE(ink.Left, 5);
  EXPECT_GE(ink.Top, 4);
  EXPECT_LE(ink.Right, 5 + w);
  EXPECT_LE(ink.Bottom, 4 + h);
  EXPECT_EQ(t.Canvas().Pixel(5 + w - 1, 4), clWhite) << "transparent background";
}

TEST(UiText, UnderlineAndStrikeOutStayInTheCell) {
  for (TFontStyles style : {TFontStyles(fsUnderline), TFontStyles(fsStrikeOut)}) {
    TBitmap plain = WhiteBitmap(50, 20), styled = WhiteBitmap(50, 20);
    plain.Canvas().Brush().SetStyle(TBrushStyle::bsClear);
    styled.Canvas().Brush().SetStyle(TBrushStyle::bsClear);
    styled.Canvas().Font().SetStyle(style);
    plain.Canvas().TextOut(2, 2, "ab");
    styled.Canvas().TextOut(2, 2, "ab");
    const int w = plain.Canvas().TextWidth("ab");
    const TFontMetrics m = plain.Canvas().Font().Metrics();
    int fullRows = 0;
    for (int y = 0; y < 20; ++y) {
      bool full = true;
      for (int x = 2; x < 2 + w; ++x) full = full && styled.Canvas().Pixel(x, y) == clBlack;
      if (full) {
        ++fullRows;
        EXPECT_GE(y, 2);
        EXPECT_LT(y, 2 + m.Height);
        if (style == fsUnderline) EXPECT_GT(y, 2 + m.Ascent - 1) << "below the baseline";
        else EXPECT_LT(y, 2 + m.Ascent) << "above the baseline";
      }
    }
    EXPECT_GE(fullRows, 1) << Picture(styled, clWhite);
  }
}

// Draws with DrawText into a fresh bitmap.
TBitmap Drawn(const std::string& text, TRect r, uint32_t flags, int w = 80, int h = 40) {
  TBitmap b = WhiteBitmap(w, h);
  b.Canvas().Brush().SetStyle(TBrushStyle::bsClear);
  DrawText(b.Canvas(), text, r, flags);
  return b;
}
TBitmap Out(const std::string& text, int x, int y, int w = 80, int h = 40) {
  TBitmap b = WhiteBitmap(w, h);
  b.Canvas().Brush().SetStyle(TBrushStyle::bsClear);
  b.Canvas().TextOut(x, y, text);
  return b;
}

TEST(UiText, CalcRectSizes) {
  TBitmap b = WhiteBitmap(4, 4);
  TCanvas& c = b.Canvas();
  const TFontMetrics m = c.Font().Metrics();
  struct Case {
    const char* text;
    uint32_t flags;
    int width, height;
  } cases[] = {
      {"Gain", DT_SINGLELINE, c.TextWidth("Gain"), m.Height},
      {"&Gain", DT_SINGLELINE, c.TextWidth("Gain"), m.Height},
      {"&Gain", DT_SINGLELINE | DT_NOPREFIX, c.TextWidth("&Gain"), m.Height},
      {"a&&b", 0, c.TextWidth("a&b"), m.Height},
      {"one\r\nlonger line\nx", 0, c.TextWidth("longer line"), 3 * m.Height},
      {"one\ntwo", DT_EXTERNALLEADING, c.TextWidth("one"),
       2 * (m.Height + m.ExternalLeading)},
      {"one\ntwo", DT_SINGLELINE, c.TextWidth("one\ntwo"), m.Height},
      {"", 0, 0, m.Height},
  };
  for (const Case& k : cases) {
    TRect r = Rect(3, 5, 3, 5);
    const int h = DrawText(c, k.text, r, k.flags | DT_CALCRECT);
    EXPECT_EQ(r, Bounds(3, 5, k.width, k.height)) << k.text;
    EXPECT_EQ(h, k.height) << k.text;
  }
  EXPECT_EQ(c.Pixel(0, 0), clWhite) << "CALCRECT draws nothing";
}

TEST(UiText, AlignmentMatchesTextOutAtTheComputedPlace) {
  TBitmap probe = WhiteBitmap(1, 1);
  const int w = probe.Canvas().TextWidth("Mid"), h = probe.Canvas().TextHeight("Mid");
  const TRect r = Rect(0, 0, 80, 40);
  struct Case {
    uint32_t flags;
    int x, y;
  } cases[] = {
      {DT_SINGLELINE, 0, 0},
      {DT_SINGLELINE | DT_VCENTER, 0, (40 - h) / 2},
      {DT_SINGLELINE | DT_BOTTOM, 0, 40 - h},
      {DT_SINGLELINE | DT_CENTER | DT_VCENTER, (80 - w) / 2, (40 - h) / 2},
      {DT_SINGLELINE | DT_RIGHT, 80 - w, 0},
      {DT_VCENTER, 0, 0},  // centring needs a single line
  };
  for (const Case& k : cases) {
    TBitmap got = Drawn("Mid", r, k.flags), want = Out("Mid", k.x, k.y);
    EXPECT_TRUE(SameRGB(got.Surface(), want.Surface())) << std::hex << k.flags << "\n"
                                                        << Picture(got, clWhite);
  }
  TRect vr = r;
  TBitmap b = WhiteBitmap(80, 40);
  EXPECT_EQ(DrawText(b.Canvas(), "Mid", vr, DT_SINGLELINE | DT_VCENTER), (40 - h) / 2 + h);
}

TEST(UiText, PrefixUnderlinesOneCharacterAndDoubleAmpersandShowsOne) {
  TBitmap prefixed = Drawn("&Ab", Rect(0, 0, 80, 40), DT_SINGLELINE);
  TBitmap plain = Out("Ab", 0, 0);
  const int wa = plain.Canvas().TextWidth("A");
  const TFontMetrics m = plain.Canvas().Font().Metrics();
  int diff = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 80; ++x)
      if (prefixed.Canvas().Pixel(x, y) != plain.Canvas().Pixel(x, y)) {
        ++diff;
        EXPECT_LT(x, wa) << "underline only under the A";
        EXPECT_GE(y, m.Ascent) << "below the baseline";
        EXPECT_LT(y, m.Height);
      }
  EXPECT_GE(diff, wa / 2) << Picture(prefixed, clWhite);
  EXPECT_TRUE(SameRGB(Drawn("a&&b", Rect(0, 0, 80, 40), 0).Surface(), Out("a&b", 0, 0).Surface()));
  EXPECT_TRUE(SameRGB(Drawn("&Ab", Rect(0, 0, 80, 40), DT_NOPREFIX).Surface(),
                      Out("&Ab", 0, 0).Surface()));
  EXPECT_TRUE(SameRGB(Drawn("&Ab", Rect(0, 0, 80, 40), DT_HIDEPREFIX).Surface(),
                      Out("Ab", 0, 0).Surface()));
}

TEST(UiText, EndEllipsisKeepsTheLongestPrefixThatFits) {
  const std::string text = "Filtre passe-bande";
  TBitmap probe = WhiteBitmap(1, 1);
  TCanvas& c = probe.Canvas();
  for (int width : {40, 60, 75}) {
    TBitmap got = Drawn(text, Rect(0, 0, width, 20), DT_SINGLELINE | DT_END_ELLIPSIS, 120, 20);
    size_t keep = 0;
    while (keep < text.size() && c.TextWidth(text.substr(0, keep + 1) + "...") <= width) ++keep;
    ASSERT_LT(keep, text.size());
    TBitmap want = Out(text.substr(0, keep) + "...", 0, 0, 120, 20);
    EXPECT_TRUE(SameRGB(got.Surface(), want.Surface())) << width << "\n" << Picture(got, clWhite);
    EXPECT_LE(InkBounds(got, clWhite).Right, width);
  }
  TBitmap fits = Drawn("ab", Rect(0, 0, 80, 20), DT_SINGLELINE | DT_END_ELLIPSIS, 80, 20);
  EXPECT_TRUE(SameRGB(fits.Surface(), Out("ab", 0, 0, 80, 20).Surface()));
}

TEST(UiText, ClipsToTheRectangleUnlessNoClip) {
  TBitmap clipped = Drawn("Wide text", Rect(0, 0, 12, 40), DT_SINGLELINE);
  EXPECT_LE(InkBounds(clipped, clWhite).Right, 12);
  TBitmap free = Drawn("Wide text", Rect(0, 0, 12, 40), DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(InkBounds(free, clWhite).Right, 12);
}

TEST(UiText, TabsExpandToAverageCharacterStops) {
  TBitmap probe = WhiteBitmap(1, 1);
  TCanvas& c = probe.Canvas();
  const int stop = 8 * c.Font().Metrics().AveCharWidth;
  TRect r = Rect(0, 0, 0, 0);
  DrawText(c, "a\tb", r, DT_CALCRECT | DT_EXPANDTABS | DT_SINGLELINE);
  EXPECT_EQ(r.Right, stop + c.TextWidth("b"));
  TBitmap got = Drawn("a\tb", Rect(0, 0, 200, 40), DT_EXPANDTABS | DT_SINGLELINE, 200);
  TBitmap want = WhiteBitmap(200, 40);
  want.Canvas().Brush().SetStyle(TBrushStyle::bsClear);
  want.Canvas().TextOut(0, 0, "a");
  want.Canvas().TextOut(stop, 0, "b");
  EXPECT_TRUE(SameRGB(got.Surface(), want.Surface()));
}

TEST(UiText, WordBreakWrapsAtSpaces) {
  TBitmap probe = WhiteBitmap(1, 1);
  TCanvas& c = probe.Canvas();
  const int h = c.TextHeight("x");
  TRect r = Rect(0, 0, c.TextWidth("alpha beta") + 2, 0);
  DrawText(c, "alpha beta gamma", r, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_EQ(r.Bottom, 2 * h);
  EXPECT_EQ(r.Right, c.TextWidth("alpha beta"));
}

TEST(UiText, RotatedNinetyDegreesTurnsAboutTheReferencePoint) {
  // GDI places rotated text by the top-left of its cell, turned with the
  // text: at 90 degrees the line runs upwards from (x, y) and its top faces left.
  TBitmap flat = Out("Gain", 0, 0, 40, 20);
  const int w = flat.Canvas().TextWidth("Gain"), h = flat.Canvas().TextHeight("Gain");
  TBitmap turned = WhiteBitmap(30, 50);
  TCanvas& c = turned.Canvas();
  c.Brush().SetStyle(TBrushStyle::bsClear);
  c.Font().SetOrientation(900);
  const int x0 = 4, y0 = 45;
  c.TextOut(x0, y0, "Gain");
  int ink = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 30; ++x) {
      const int u = y0 - 1 - y, v = x - x0;  // text coordinates of this pixel
      const bool inCell = u >= 0 && u < w && v >= 0 && v < h;
      const TColor want = inCell && u < 40 && v < 20 ? flat.Canvas().Pixel(u, v) : clWhite;
      EXPECT_EQ(c.Pixel(x, y), want) << x << "," << y;
      ink += c.Pixel(x, y) != clWhite;
    }
  EXPECT_GT(ink, 10) << Picture(turned, clWhite);
  // Opaque background turns with the text.
  TBitmap box = WhiteBitmap(30, 50);
  box.Canvas().Brush().SetColor(clYellow);
  box.Canvas().Font().SetOrientation(900);
  box.Canvas().TextOut(x0, y0, "Gain");
  EXPECT_EQ(InkBounds(box, clWhite), Rect(x0, y0 - w, x0 + h, y0));
}


TEST(UiText, MalformedUtf8NeitherStopsTheCanvasNorItsMeasures) {
  TBitmap b = WhiteBitmap(60, 20);
  TCanvas& c = b.Canvas();
  const int w = c.TextWidth("ab");
  EXPECT_GT(c.TextWidth("a\xFF" "b"), w);  // the bad byte measures as a replacement glyph
  c.TextOut(0, 0, "\xC3(\xE2\x82");
  EXPECT_EQ(c.TextWidth("ab"), w);
  TBitmap ref = WhiteBitmap(60, 20);
  ref.Canvas().TextOut(30, 0, "ab");
  c.FillRect(Rect(0, 0, 30, 20));  // the canvas still draws after the bad text
  c.TextOut(30, 0, "ab");
  EXPECT_EQ(InkBounds(b, clWhite), InkBounds(ref, clWhite));
}

TEST(UiText, LongRotatedLinesDrawOnlyWhatCanBeSeen) {
  // Wider than any image surface may be: only the visible stretch is drawn.
  const std::string longLine = "Gain" + std::string(20000, 'W');
  TBitmap shortText = WhiteBitmap(30, 50), longText = WhiteBitmap(30, 50);
  for (TBitmap* b : {&shortText, &longText}) {
    b->Canvas().Brush().SetStyle(TBrushStyle::bsClear);
    b->Canvas().Font().SetOrientation(900);
  }
  ASSERT_GT(longText.Canvas().TextWidth(longLine), 32767);
  shortText.Canvas().TextOut(4, 45, "GainWWWWW");
  longText.Canvas().TextOut(4, 45, longLine);
  EXPECT_GT(InkBounds(longText, clWhite).Height(), 40);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 30; ++x)
      ASSERT_EQ(longText.Canvas().Pixel(x, y), shortText.Canvas().Pixel(x, y)) << x << "," << y;
}

TEST(UiText, EllipsisOfALongLineKeepsTheLongestPrefixThatFits) {
  TBitmap b = WhiteBitmap(100, 20);
  TCanvas& c = b.Canvas();
  const std::string text(50000, 'i');
  TRect calc = Rect(0, 0, 100, 20);
  DrawText(c, text, calc, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
  EXPECT_LE(calc.Width(), 100);
  const int keep = (calc.Width() - c.TextWidth("...")) / c.TextWidth("i");
  EXPECT_GT(c.TextWidth(std::string(keep + 1, 'i') + "..."), 100);
  EXPECT_EQ(c.TextWidth(std::string(keep, 'i') + "..."), calc.Width());
}

}  // namespace
}  // namespace tavrel
