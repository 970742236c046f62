#include "controls/htmlbtnsSupport.h"

#include <gtest/gtest.h>

#include "platform/tests/ui_test_support.h"

namespace tavrel {
namespace {

TEST(MarkupSupport, ColourReading) {
  struct Case {
    const char* text;
    bool hex;
    TColor want;
  };
  const Case cases[] = {
      {"#FF8000", true, 0x0080FF},   // orange, red in the low byte
      {"#ff8000", true, 0x00831F},   // lower-case digits read wrong: "f" counts 102 - 55
      {"#0000FF", true, clBlue},
      {"#1", true, 0},               // too short for any pair
      {"clred", false, clRed},
      {"clRed", false, 0},           // names arrive lower-cased
      {"red", false, 0},             // the "cl" prefix is part of the name
      {"clbtnface", false, clBtnFace},
      {"cl3ddkshadow", false, cl3DDkShadow},
      {"clinfobk", false, clInfoBk},
      {"", false, 0},
  };
  for (const Case& c : cases) {
    const TColor got = c.hex ? ColorFromHexTriplet(c.text) : ColorFromName(c.text);
    EXPECT_EQ(got, c.want) << c.text;
  }
  EXPECT_EQ(HexPairValue("A"), 0);
  EXPECT_EQ(HexPairValue("1F"), 31);
}

TEST(MarkupSupport, IntFromTextReadsLikeVal) {
  struct Case {
    const char* text;
    int want;
  };
  const Case cases[] = {{"12px", 12}, {"px", 0},  {"$1F", 31},  {"0x10", 16}, {"x1f", 31},
                        {"  -7", -7}, {"+3", 3},  {"", 0},      {"99999999999", 2147483647},
                        {"-99999999999", -2147483647 - 1}};
  for (const Case& c : cases) EXPECT_EQ(IntFromText(c.text), c.want) << c.text;
}

TEST(MarkupSupport, StringRoutines) {
  EXPECT_EQ(PosNoCase("<b>", "ab<B>c"), 3u);
  EXPECT_EQ(PosNoCase("<i>", "ab<B>c"), 0u);
  size_t pos = 99;
  EXPECT_EQ(PosInto("B", "abB", pos), 3u);
  EXPECT_EQ(pos, 3u);
  EXPECT_EQ(PosInto("z", "abB", pos), 0u);
  EXPECT_EQ(pos, 0u);

  std::string s = "x<B>y<b>z";
  EXPECT_TRUE(ReplaceFirstNoCase("<b>", "[", s));
  EXPECT_EQ(s, "x[y<b>z");  // only the first match
  EXPECT_FALSE(ReplaceFirstNoCase("<i>", "[", s));
  EXPECT_EQ(s, "x[y<b>z");

  EXPECT_EQ(StripHashMarker("a<#1>b"), "a#1b");
  EXPECT_EQ(StripHashMarker("a<#1b"), "a#1b");
  EXPECT_EQ(StripHashMarker("a<1>b"), "a<1>b");
  EXPECT_EQ(LineBreaksToTags("a\r\nb\nc\rd", true), "a<BR>bc<BR>d");
  EXPECT_EQ(LineBreaksToTags("a\r\nb", false), "ab");
}

TEST(MarkupSupport, AngledFontLeavesTheCanvasFontAsItWas) {
  TBitmap b = test::WhiteBitmap(4, 4);
  TCanvas& c = b.Canvas();
  c.Font().SetName("Tahoma");
  c.Font().SetStyle(fsBold);
  c.Font().SetOrientation(50);
  TFont before;
  before.Assign(c.Font());
  TAngledFont saved;
  SelectAngledFont(c, 90, saved);
  EXPECT_EQ(c.Font().Orientation(), 900);
  SelectAngledFont(c, 45, saved);  // a second turn keeps the first font to go back to
  RestoreAngledFont(c, saved);
  EXPECT_TRUE(c.Font().SameAs(before));
  RestoreAngledFont(c, saved);  // nothing selected: no change
  EXPECT_TRUE(c.Font().SameAs(before));
}

// Band geometry: which colour lands where, on a white bitmap.
TEST(MarkupSupport, GradientBands) {
  {  // 64 steps over 10 pixels: one-pixel bands that overlap, every one inside
    TBitmap b = test::WhiteBitmap(14, 3);
    FillGradientBands(b.Canvas(), clRed, clBlue, clNone, 64, Rect(2, 0, 12, 3), true);
    EXPECT_EQ(test::InkBounds(b, clWhite), Rect(2, 0, 12, 3));
  }
  {  // bands of trunc(2.5) + 1 pixels; the first keeps the first colour
    TBitmap b = test::WhiteBitmap(12, 2);
    FillGradientBands(b.Canvas(), clRed, clBlue, clNone, 4, Rect(0, 0, 10, 2), true);
    EXPECT_EQ(b.Canvas().Pixel(0, 0), clRed);
    EXPECT_EQ(b.Canvas().Pixel(1, 1), clRed);
    EXPECT_NE(b.Canvas().Pixel(2, 0), clRed);  // band 1 starts at round(2.5) = 2
    EXPECT_EQ(test::InkBounds(b, clWhite), Rect(0, 0, 10, 2));
  }
  {  // vertical, and 0 steps draws as one band of the first colour
    TBitmap b = test::WhiteBitmap(3, 12);
    FillGradientBands(b.Canvas(), clGreen, clBlue, clNone, 0, Rect(0, 1, 3, 11), false);
    EXPECT_EQ(test::InkBounds(b, clWhite), Rect(0, 1, 3, 11));
    EXPECT_EQ(b.Canvas().Pixel(1, 10), clGreen);
  }
  {  // two bands over 4 pixels: the second channel values 0.5 and 1.5 round to even
    TBitmap b = test::WhiteBitmap(4, 2);
    FillGradientBands(b.Canvas(), RGB(0, 0, 0), RGB(1, 3, 0), clNone, 2, Rect(0, 0, 4, 2), true);
    EXPECT_EQ(b.Canvas().Pixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(b.Canvas().Pixel(2, 0), RGB(0, 2, 0));
    EXPECT_EQ(b.Canvas().Pixel(3, 1), RGB(0, 2, 0));
  }
  {  // a frame colour outlines the rectangle
    TBitmap b = test::WhiteBitmap(8, 8);
    FillGradientBands(b.Canvas(), clWhite, clWhite, clRed, 4, Rect(1, 1, 7, 7), false);
    EXPECT_EQ(b.Canvas().Pixel(1, 1), clRed);
    EXPECT_EQ(b.Canvas().Pixel(6, 6), clRed);
    EXPECT_EQ(b.Canvas().Pixel(3, 3), clWhite);
    EXPECT_EQ(b.Canvas().Pixel(0, 0), clWhite);
  }
}

TEST(MarkupSupport, StretchedBitmapAndPaths) {
  TBitmap src = test::WhiteBitmap(2, 1);
  src.Canvas().SetPixel(1, 0, clRed);
  TBitmap dst = test::WhiteBitmap(6, 2);
  StretchBitmapToRect(dst.Canvas(), Rect(0, 0, 4, 2), src);
  EXPECT_EQ(dst.Canvas().Pixel(1, 1), clWhite);
  EXPECT_EQ(dst.Canvas().Pixel(2, 0), clRed);
  EXPECT_EQ(dst.Canvas().Pixel(3, 1), clRed);
  EXPECT_EQ(dst.Canvas().Pixel(4, 0), clWhite);

  EXPECT_TRUE(IsDirectoryPath("/"));
  EXPECT_FALSE(IsDirectoryPath("/dev/null"));
  EXPECT_FALSE(IsDirectoryPath(""));
}

}  // namespace
}  // namespace tavrel
