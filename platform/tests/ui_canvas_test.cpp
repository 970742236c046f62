#include <gtest/gtest.h>

#include "platform/tests/ui_test_support.h"
#include "platform/ui/edges.h"
#include "platform/ui/gradient.h"

namespace tavrel {
namespace {

using test::Picture;
using test::WhiteBitmap;

TEST(UiColors, SystemColoursNoneAndRgbResolve) {
  struct Case {
    TColor in;
    uint32_t rgb;
  } cases[] = {
      {clRed, 0x0000FF},          {RGB(1, 2, 3), 0x030201},    {clBtnFace, RGB(212, 208, 200)},
      {clWindow, 0xFFFFFF},       {clWindowText, 0x000000},    {clInfoBk, RGB(255, 255, 225)},
      {SystemColor(99), 0},       {clNone, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ColorToRGB(c.in), c.rgb) << std::hex << c.in;
}

TEST(UiColors, RoundingHalvesToEven) {
  const std::pair<double, int> cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-2.5, -2},
                                          {2.4999, 2}, {2.5001, 3}, {-0.5, 0}};
  for (auto [v, r] : cases) EXPECT_EQ(RoundHalfEven(v), r) << v;
  EXPECT_EQ(MulDiv(8, 96, 72), 11);
  EXPECT_EQ(MulDiv(-8, 96, 72), -11);
  EXPECT_EQ(MulDiv(1, 2, 0), -1);
}

// Each case draws into a white 8x6 bitmap with a black 1-pixel pen and a
// red brush; '#' is black, 'r' red, '.' white.
struct ShapeCase {
  const char* name;
  void (*draw)(TCanvas&);
  const char* rows[6];
};

void Expect(TBitmap& b, const ShapeCase& c) {
  std::string got, want;
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      const TColor p = b.Canvas().Pixel(x, y);
      got += p == clBlack ? '#' : p == clRed ? 'r' : p == clWhite ? '.' : '?';
    }
    got += '\n';
    want += std::string(c.rows[y]) + '\n';
  }
  EXPECT_EQ(got, want) << c.name;
}

TEST(UiCanvas, ShapesKeepTheExclusiveRightAndBottom) {
  const ShapeCase cases[] = {
      {"rectangle", [](TCanvas& c) { c.Rectangle(1, 1, 5, 4); },
       {"........", ".####...", ".#rr#...", ".####...", "........", "........"}},
      {"rectangle without pen", [](TCanvas& c) {
         c.Pen().SetStyle(TPenStyle::psClear);
         c.Rectangle(1, 1, 5, 4);
       },
       {"........", ".rrr....", ".rrr....", "........", "........", "........"}},
      {"fill", [](TCanvas& c) { c.FillRect(Rect(2, 1, 4, 3)); },
       {"........", "..rr....", "..rr....", "........", "........", "........"}},
      {"frame", [](TCanvas& c) { c.FrameRect(Rect(0, 0, 4, 3)); },
       {"rrrr....", "r..r....", "rrrr....", "........", "........", "........"}},
      {"line right", [](TCanvas& c) { c.MoveTo(1, 0); c.LineTo(5, 0); },
       {".####...", "........", "........", "........", "........", "........"}},
      {"line left", [](TCanvas& c) { c.MoveTo(5, 1); c.LineTo(1, 1); },
       {"........", "..####..", "........", "........", "........", "........"}},
      {"line down", [](TCanvas& c) { c.MoveTo(0, 0); c.LineTo(0, 3); },
       {"#.......", "#.......", "#.......", "........", "........", "........"}},
      {"line up", [](TCanvas& c) { c.MoveTo(7, 5); c.LineTo(7, 2); },
       {"........", "........", "........", ".......#", ".......#", ".......#"}},
      {"diagonal", [](TCanvas& c) { c.MoveTo(0, 0); c.LineTo(4, 4); },
       {"#.......", ".#......", "..#.....", "...#....", "........", "........"}},
      {"shallow", [](TCanvas& c) { c.MoveTo(0, 0); c.LineTo(7, 2); },
       {"##......", "..####..", "......#.", "........", "........", "........"}},
      {"shallow back", [](TCanvas& c) { c.MoveTo(7, 2); c.LineTo(0, 0); },
       {".#......", "..####..", "......##", "........", "........", "........"}},
      {"steep", [](TCanvas& c) { c.MoveTo(0, 0); c.LineTo(2, 5); },
       {"#.......", "#.......", ".#......", ".#......", "..#.....", "........"}},
      {"polyline", [](TCanvas& c) { c.Polyline({{0, 0}, {3, 0}, {3, 3}}); },
       {"####....", "...#....", "...#....", "........", "........", "........"}},
      {"clear brush", [](TCanvas& c) {
         c.Brush().SetStyle(TBrushStyle::bsClear);
         c.Rectangle(0, 0, 3, 3);
       },
       {"###.....", "#.#.....", "###.....", "........", "........", "........"}},
  };
  for (const ShapeCase& c : cases) {
    TBitmap b = WhiteBitmap(8, 6);
    b.Canvas().Pen().SetColor(clBlack);
    b.Canvas().Brush().SetColor(clRed);
    c.draw(b.Canvas());
    Expect(b, c);
  }
}

// A polyline is filled in one go; its pixels are those of its segments
// drawn one by one, each without its end point.
TEST(UiCanvas, PolylineDrawsWhatItsSegmentsDraw) {
  std::vector<TPoint> zigzag;
  uint32_t seed = 5;
  for (int x = -3; x < 40; x += 1 + static_cast<int>(seed % 3)) {
    seed = seed * 1103515245u + 12345u;
    zigzag.push_back({x, static_cast<int>((seed >> 16) % 40) - 5});
  }
  TBitmap whole = WhiteBitmap(36, 30), pieces = WhiteBitmap(36, 30);
  whole.Canvas().Polyline(zigzag);
  for (size_t i = 1; i < zigzag.size(); ++i) {
    pieces.Canvas().MoveTo(zigzag[i - 1].X, zigzag[i - 1].Y);
    pieces.Canvas().LineTo(zigzag[i].X, zigzag[i].Y);
  }
  EXPECT_TRUE(SameRGB(whole.Surface(), pieces.Surface()));
  EXPECT_NE(test::InkBounds(whole, clWhite), TRect{});
}

TEST(UiCanvas, LineToMovesThePenToTheEndPoint) {
  TBitmap b = WhiteBitmap(8, 8);
  TCanvas& c = b.Canvas();
  c.MoveTo(1, 1);
  c.LineTo(4, 1);
  c.LineTo(4, 4);  // the corner pixel (4,1) is drawn by the second line
  EXPECT_EQ(c.PenPos(), Point(4, 4));
  EXPECT_EQ(c.Pixel(4, 1), clBlack);
  EXPECT_EQ(c.Pixel(4, 3), clBlack);
  EXPECT_EQ(c.Pixel(4, 4), clWhite);
}

TEST(UiCanvas, RoundRectAndEllipseStayInsideTheirBox) {
  for (int kind = 0; kind < 2; ++kind) {
    TBitmap b = WhiteBitmap(20, 20);
    TCanvas& c = b.Canvas();
    c.Brush().SetColor(clRed);
    if (kind == 0) c.RoundRect(2, 3, 18, 15, 6, 6);
    else c.Ellipse(2, 3, 18, 15);
    EXPECT_EQ(test::InkBounds(b, clWhite), Rect(2, 3, 18, 15)) << kind << "\n" << Picture(b, clWhite);
    EXPECT_EQ(c.Pixel(2, 3), clWhite) << "corner is cut";
    EXPECT_EQ(c.Pixel(10, 9), clRed);
  }
}

TEST(UiCanvas, PolygonFillsInsideItsOutline) {
  TBitmap b = WhiteBitmap(10, 10);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(clRed);
  c.Polygon({{1, 1}, {8, 1}, {8, 8}});
  EXPECT_EQ(c.Pixel(1, 1), clBlack);
  EXPECT_EQ(c.Pixel(8, 8), clBlack);
  EXPECT_EQ(c.Pixel(7, 3), clRed);
  EXPECT_EQ(c.Pixel(1, 8), clWhite);
}

TEST(UiCanvas, FocusRectInvertsEveryOtherPixelAndTwiceRestores) {
  TBitmap b = WhiteBitmap(12, 10);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(RGB(10, 100, 200));
  c.FillRect(Rect(0, 0, 6, 10));  // two colours under the rectangle
  TBitmap before(b);
  c.DrawFocusRect(Rect(1, 1, 11, 9));
  int changed = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x) {
      const bool border = (x == 1 || x == 10 || y == 1 || y == 8) && x >= 1 && x <= 10 && y >= 1 && y <= 8;
      const bool inverted = border && (x + y) % 2 == 0;
      const uint32_t was = before.Canvas().PixelRGB(x, y), now = c.PixelRGB(x, y);
      EXPECT_EQ(now, inverted ? (~was & 0xFFFFFF) : was) << x << "," << y;
      changed += now != was;
    }
  EXPECT_EQ(changed, 16);  // 32 border pixels, half of them
  c.DrawFocusRect(Rect(1, 1, 11, 9));
  EXPECT_TRUE(SameRGB(b.Surface(), before.Surface()));
}

TEST(UiCanvas, ClipSaveRestoreAndViewport) {
  TBitmap b = WhiteBitmap(10, 10);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(clRed);
  const int saved = c.SaveDC();
  c.IntersectClipRect(2, 2, 5, 5);
  c.SetViewportOrg(1, 0);
  EXPECT_EQ(c.ClipRect(), Rect(1, 2, 4, 5));  // logical: moved by the viewport
  c.FillRect(Rect(0, 0, 10, 10));
  EXPECT_TRUE(c.RestoreDC(saved));
  EXPECT_EQ(c.ViewportOrg(), Point(0, 0));
  EXPECT_EQ(test::InkBounds(b, clWhite), Rect(2, 2, 5, 5));
  EXPECT_FALSE(c.RestoreDC(saved)) << "level already restored";
  c.Brush().SetColor(clBlack);
  c.ExcludeClipRect(0, 0, 9, 10);
  c.FillRect(Rect(0, 0, 10, 10));
  EXPECT_EQ(c.Pixel(9, 0), clBlack);
  EXPECT_EQ(c.Pixel(8, 0), clWhite);
}

TEST(UiCanvas, RegionOfRoundRectOrRectClips) {
  TBitmap b = WhiteBitmap(30, 20);
  TCanvas& c = b.Canvas();
  TRegion rgn = TRegion::FromRoundRect(Rect(0, 0, 20, 20), 10, 10);
  rgn.Combine(TRegion::FromRect(Rect(10, 0, 30, 10)));
  c.SetViewportOrg(5, 5);  // regions are in device coordinates
  c.SelectClipRgn(&rgn);
  c.Brush().SetColor(clRed);
  c.FillRect(Rect(-5, -5, 40, 40));
  EXPECT_EQ(c.Pixel(-5, -5), clWhite) << "round corner";
  EXPECT_EQ(c.Pixel(5, 5), clRed);
  EXPECT_EQ(c.Pixel(24, -5), clRed) << "rectangle's top right";
  EXPECT_EQ(c.Pixel(24, 10), clWhite);
  EXPECT_TRUE(rgn.Contains({25, 2}));
  EXPECT_FALSE(rgn.Contains({0, 0}));
  c.SelectClipRgn(nullptr);
  c.FillRect(Rect(-5, -5, 40, 40));
  EXPECT_EQ(c.Pixel(-5, -5), clRed);
}

// Colour of the last band drawn over each column.
std::vector<int> BandRed(TBitmap& b, int y) {
  std::vector<int> v;
  for (TColor c : test::Row(b, y)) v.push_back(GetRValue(c));
  return v;
}

TEST(UiGradient, SixteenBandsFallWhereHalvesRoundToEven) {
  // 42 pixels, one short: d = 41/16 = 2.5625; band i starts at round(i*d)
  // and is round(d)+1 = 4 wide. Green runs 0..16 so it names the band;
  // red runs 0..8 in steps of 0.5 so its halves round too.
  TBitmap b = WhiteBitmap(42, 3);
  DrawGradientRect(b.Canvas(), RGB(0, 0, 0), RGB(8, 16, 0), gdHorizontal, Rect(0, 0, 42, 3), 16);
  // Band 1 starts at 3 (2.5625), band 8 at 20 (20.5), band 15 at 38 (38.4375).
  const int band[42] = {0, 0, 0, 1, 1, 2, 2, 2, 3, 3, 4, 4, 4, 5, 5, 6, 6, 6, 7, 7, 8,
                        8, 8, 9, 9, 9, 10, 10, 11, 11, 11, 12, 12, 13, 13, 13, 14, 14, 15, 15, 15, 15};
  // Red of band i is round(i/2): 0,0,1,2,2,2,3,4,4,4,5,6,6,6,7,8.
  const int redOfBand[16] = {0, 0, 1, 2, 2, 2, 3, 4, 4, 4, 5, 6, 6, 6, 7, 8};
  const std::vector<TColor> row = test::Row(b, 1);
  for (int x = 0; x < 42; ++x) {
    EXPECT_EQ(GetGValue(row[x]), band[x]) << "column " << x;
    EXPECT_EQ(GetRValue(row[x]), redOfBand[band[x]]) << "column " << x;
  }
}

TEST(UiGradient, HundredTwentyEightBandsOverlapOnePixel) {
  // 65 pixels: d = 64/128 = 0.5, bands one pixel wide at round(i/2): band 5
  // (2.5) lands on column 2 with bands 3 and 4, and paints last there.
  TBitmap b = WhiteBitmap(65, 2);
  DrawGradientRect(b.Canvas(), RGB(0, 0, 0), RGB(128, 0, 0), gdHorizontal, Rect(0, 0, 65, 2), 128);
  const std::vector<int> red = BandRed(b, 0);
  EXPECT_EQ(red[0], 1);   // bands 0 and 1 (0.5 -> 0); band 1 is red 1
  EXPECT_EQ(red[1], 2);   // band 2
  EXPECT_EQ(red[2], 5);   // bands 3, 4, 5
  EXPECT_EQ(red[3], 6);   // band 6 (3.0 -> 3); band 7 (3.5) goes to 4
  EXPECT_EQ(red[4], 9);   // bands 7, 8, 9 (4.5 -> 4)
  EXPECT_EQ(red[63], 126);  // band 126; band 127 (63.5) goes to 64
  EXPECT_EQ(red[64], 127) << "the last band stops short of the second colour";
}

TEST(UiGradient, VerticalBandsAndZeroCount) {
  TBitmap b = WhiteBitmap(3, 9);
  DrawGradientRect(b.Canvas(), clBlack, clWhite, gdVertical, Rect(0, 0, 3, 9), 0);
  EXPECT_EQ(test::InkBounds(b, clWhite), Rect(0, 0, 3, 9)) << "zero bands count as one";
  TBitmap g = WhiteBitmap(3, 8);
  DrawGradientRect(g.Canvas(), RGB(0, 0, 0), RGB(0, 40, 0), gdVertical, Rect(0, 0, 3, 8), 2);
  // d = 7/2 = 3.5: band 0 covers rows 0..4, band 1 starts at round(3.5) = 4.
  EXPECT_EQ(GetGValue(g.Canvas().Pixel(1, 3)), 0);
  EXPECT_EQ(GetGValue(g.Canvas().Pixel(1, 4)), 20);
}

TEST(UiGradient, FillGradientBandsStaysInsideWithOneWideBands) {
  TBitmap b = WhiteBitmap(14, 4);
  FillGradientBands(b.Canvas(), clBlack, clBlue, clNone, 64, Rect(2, 0, 12, 4), true);
  EXPECT_EQ(test::InkBounds(b, clWhite), Rect(2, 0, 12, 4));
  TBitmap f = WhiteBitmap(14, 4);
  FillGradientBands(f.Canvas(), clWhite, clWhite, clRed, 4, Rect(2, 0, 12, 4), true);
  EXPECT_EQ(f.Canvas().Pixel(2, 0), clRed);
  EXPECT_EQ(f.Canvas().Pixel(11, 3), clRed);
  EXPECT_EQ(f.Canvas().Pixel(5, 2), clWhite);
}

TEST(UiEdges, SunkenEdgeColoursAndAdjust) {
  TBitmap b = WhiteBitmap(6, 6);
  TRect r = Rect(0, 0, 6, 6);
  DrawEdge(b.Canvas(), r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  EXPECT_EQ(r, Rect(2, 2, 4, 4));
  TCanvas& c = b.Canvas();
  EXPECT_EQ(c.Pixel(0, 0), static_cast<TColor>(ColorToRGB(clBtnShadow)));
  EXPECT_EQ(c.Pixel(5, 5), static_cast<TColor>(ColorToRGB(clBtnHighlight)));
  EXPECT_EQ(c.Pixel(1, 1), static_cast<TColor>(ColorToRGB(cl3DDkShadow)));
  EXPECT_EQ(c.Pixel(4, 4), static_cast<TColor>(ColorToRGB(cl3DLight)));
  EXPECT_EQ(c.Pixel(2, 2), clWhite);
}

TEST(UiEdges, CheckBoxFrameControlShowsTheMarkOnlyWhenChecked) {
  for (uint32_t state : {uint32_t{DFCS_BUTTONCHECK}, DFCS_BUTTONCHECK | DFCS_CHECKED,
                         DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE}) {
    TBitmap b = WhiteBitmap(13, 13);
    DrawFrameControl(b.Canvas(), Rect(0, 0, 13, 13), DFC_BUTTON, state);
    int marks = 0, grey = 0;
    for (int y = 2; y < 11; ++y)
      for (int x = 2; x < 11; ++x) {
        marks += b.Canvas().Pixel(x, y) == clBlack;
        grey += b.Canvas().Pixel(x, y) == static_cast<TColor>(ColorToRGB(clBtnShadow));
      }
    if (state & DFCS_INACTIVE) {
      EXPECT_EQ(marks, 0);
      EXPECT_EQ(grey, 21) << Picture(b, clWhite);
    } else {
      EXPECT_EQ(marks, state & DFCS_CHECKED ? 21 : 0) << Picture(b, clWhite);
    }
  }
}

TEST(UiEdges, ComboArrowPointsDown) {
  TBitmap b = WhiteBitmap(17, 17);
  DrawFrameControl(b.Canvas(), Rect(0, 0, 17, 17), DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
  int widthTop = 0, widthBottom = 0;
  for (int x = 0; x < 17; ++x) {
    widthTop += b.Canvas().Pixel(x, 6) == clBlack;
    widthBottom += b.Canvas().Pixel(x, 9) == clBlack;
  }
  EXPECT_GT(widthTop, widthBottom);
  EXPECT_GT(widthBottom, 0);
}

}  // namespace
}  // namespace tavrel
