#include "controls/VrLabel.h"

#include <gtest/gtest.h>

#include <cmath>

#include "controls/VrSysUtils.h"
#include "controls/tests/controls_test_support.h"
#include "platform/ui/gradient.h"

namespace tavrel {
namespace {

using test::ControlsTest;
using test::Glyphs;
using test::RenderGlyphs;

// The box a turned caption covers, from its origin, at right angles.
TRect TurnedBox(TPoint o, TSize t, int angle) {
  switch (angle) {
    case 90: return Rect(o.X, o.Y - t.cx, o.X + t.cy, o.Y);
    case 180: return Rect(o.X - t.cx, o.Y - t.cy, o.X, o.Y);
    case 270: return Rect(o.X - t.cy, o.Y, o.X, o.Y + t.cx);
    default: return Rect(o.X, o.Y, o.X + t.cx, o.Y + t.cy);
  }
}

TEST(VrLabelOrigin, RightAnglesKeepTwoPixelMarginsOrCentreTheTurnedBox) {
  // Odd sizes, so no centre falls on a whole pixel.
  const TSize text{41, 11}, client{101, 81};
  for (int angle : {0, 90, 180, 270})
    for (TAlignment a : {taLeftJustify, taRightJustify, taCenter})
      for (TTextLayout l : {tlTop, tlCenter, tlBottom}) {
        SCOPED_TRACE(testing::Message() << angle << "° alignment " << a << " layout " << l);
        const TRect box = TurnedBox(CalcTextOrigin(text, angle, a, l, client), text, angle);
        switch (a) {
          case taLeftJustify: EXPECT_EQ(box.Left, 2); break;
          case taRightJustify: EXPECT_EQ(box.Right, client.cx - 2); break;
          case taCenter: EXPECT_LE(std::abs(box.Left + box.Right - client.cx), 2); break;
        }
        switch (l) {
          case tlTop: EXPECT_EQ(box.Top, 2); break;
          case tlBottom: EXPECT_EQ(box.Bottom, client.cy - 2); break;
          case tlCenter: EXPECT_LE(std::abs(box.Top + box.Bottom - client.cy), 2); break;
        }
      }
}

TEST(VrLabelOrigin, FortyFiveDegreesAndTheEdgeCases) {
  struct Case {
    TSize text;
    int angle;
    TAlignment a;
    TTextLayout l;
    TSize client;
    TPoint origin;
  };
  // cos 45° · 40 = 28.28, sin 45° · 10 = 7.07
  const Case cases[] = {
      {{40, 10}, 45, taLeftJustify, tlTop, {100, 80}, {2, 30}},
      {{40, 10}, 45, taRightJustify, tlBottom, {100, 80}, {63, 71}},
      {{40, 10}, 45, taCenter, tlCenter, {100, 80}, {32, 50}},
      // Upside down from the top left: the caption ends at (2, 2).
      {{40, 10}, 180, taLeftJustify, tlTop, {100, 80}, {42, 12}},
      // A caption wider than the control starts at the left margin, never before it.
      {{150, 10}, 0, taCenter, tlTop, {100, 80}, {2, 2}},
      {{150, 10}, 180, taCenter, tlTop, {100, 80}, {152, 12}},
      // The main window's label: "Entrée" 34 wide in a 17 by 57 label.
      {{34, 13}, 90, taCenter, tlCenter, {17, 57}, {2, 45}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.angle << "° " << c.text.cx << " wide");
    EXPECT_EQ(CalcTextOrigin(c.text, c.angle, c.a, c.l, c.client), c.origin);
  }
}

TEST(VrLabelAutoSize, AlignmentDecidesWhichSideFollowsTheTurnedText) {
  struct Case {
    TAlign align;
    int angle;
    TSize expect;
  };
  const TSize text{34, 13}, proposed{100, 25};
  const Case cases[] = {
      {alNone, 0, {38, 17}},   {alNone, 90, {17, 38}}, {alTop, 0, {100, 17}},
      {alTop, 90, {100, 38}},  {alLeft, 0, {38, 25}},  {alLeft, 90, {17, 25}},
      {alClient, 0, {100, 25}}, {alClient, 90, {100, 25}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "align " << c.align << " at " << c.angle << "°");
    int w = proposed.cx, h = proposed.cy;
    CalcAutoSize(text, c.angle, c.align, w, h);
    EXPECT_EQ((TSize{w, h}), c.expect);
  }
}

class VrLabelTest : public ControlsTest {
 protected:
  // A label counting its paints.
  class Counted : public TVrLabel {
   public:
    using TVrLabel::TVrLabel;
    int paints = 0;

   protected:
    void Paint() override {
      ++paints;
      TVrLabel::Paint();
    }
  };

  // The main window's label on a gradient parent.
  TVrLabel* MainWindowLabel(TCustomControl* parent, const std::string& caption) {
    auto* l = Make<TVrLabel>(parent, Bounds(4, 32, 17, 57));
    l->SetAngle(90);
    l->SetStyle(lsNone);
    l->SetTransparent(true);
    l->Font().SetName("Tahoma");
    l->Font().SetHeight(-11);
    l->Font().SetStyle(fsBold);
    l->Font().SetColor(clNavy);
    l->SetCaption(caption);
    return l;
  }

  TCustomControl* GradientParent() {
    auto* p = Make<TCustomControl>(form, Bounds(0, 200, 441, 161));
    p->OnPaint = TNotifyEvent([p](TObject*) {
      DrawGradientRect(p->Canvas(), RGB(214, 231, 255), RGB(82, 123, 198), gdVertical,
                       p->ClientRect(), 128);
    });
    return p;
  }

  // A plain label at the top left, black on white, for the style pictures.
  TVrLabel* PlainLabel(TVrLabelStyle style) {
    auto* l = Make<TVrLabel>(form, Bounds(10, 10, 120, 30));
    l->SetAlignment(taLeftJustify);
    l->SetLayout(tlTop);
    l->SetColor(clWhite);
    l->Font().SetColor(clBlack);
    l->SetColorHighlight(clRed);
    l->SetColorShadow(clBlue);
    l->SetStyle(style);
    l->SetCaption("Wave");
    return l;
  }
};

TEST_F(VrLabelTest, NewLabelDefaults) {
  auto* l = TComponent::Create<TVrLabel>(form);
  EXPECT_EQ(l->BoundsRect(), Bounds(0, 0, 100, 25));
  EXPECT_EQ(l->Color(), clBtnFace);
  EXPECT_EQ(l->Font().Name(), "Arial");
  EXPECT_EQ(l->Font().Size(), 14);
  EXPECT_EQ(l->Alignment(), taCenter);
  EXPECT_EQ(l->Layout(), tlCenter);
  EXPECT_EQ(l->Style(), lsRaised);
  EXPECT_EQ(l->ShadowDepth(), 2);
  EXPECT_EQ(l->ColorHighlight(), clWhite);
  EXPECT_EQ(l->ColorShadow(), clGray);
  EXPECT_FALSE(l->Transparent());
  EXPECT_TRUE(l->Bitmap().Empty());
  EXPECT_EQ(l->Version(), "1.4.5");
  l->SetVersion("2.0");  // a plain text, writable
  EXPECT_EQ(l->Version(), "2.0");
  EXPECT_FALSE(FindProp(*l, "Version")->IsStored(*l));
  l->SetAngle(450);
  EXPECT_EQ(l->Angle(), 90);
}

TEST_F(VrLabelTest, MainWindowLabelReadsBottomToTopTransparentOverTheGradient) {
  TCustomControl* parent = GradientParent();
  Paint();
  // The parent's pixels under the label before it is there.
  std::vector<TColor> under;
  for (int y = 0; y < 57; ++y)
    for (int x = 0; x < 17; ++x) under.push_back(Pixel(4 + x, 232 + y));

  TVrLabel* label = MainWindowLabel(parent, "Entrée");
  Paint();
  const Glyphs g = RenderGlyphs(label->Font(), "Entrée");
  ASSERT_GT(g.count(), 40);
  ASSERT_LT(g.h, 15) << "one line turned fits the 17 pixels of the label";
  // Centred both ways: origin (2, (57 + W) / 2), the text running upward.
  const TPoint o{2, (57 + g.w) / 2};
  int navy = 0;
  for (int y = 0; y < 57; ++y)
    for (int x = 0; x < 17; ++x) {
      SCOPED_TRACE(testing::Message() << x << "," << y);
      // Turned by 90°: text pixel (u, v) lands at (o.X + v, o.Y - 1 - u).
      const bool ink = g.at(o.Y - 1 - y, x - o.X);
      const TColor got = Pixel(4 + x, 232 + y);
      if (ink) {
        ++navy;
        ASSERT_EQ(got, clNavy);
        ASSERT_GE(x, 2);
        ASSERT_LT(x, 2 + g.h);
      } else {
        ASSERT_EQ(got, under[y * 17 + x]) << "the parent's gradient shows through";
      }
    }
  EXPECT_EQ(navy, g.count());
}

TEST_F(VrLabelTest, OpaqueLabelFillsWithItsColour) {
  auto* l = Make<TVrLabel>(form, Bounds(10, 10, 60, 20));
  l->SetColor(clYellow);
  l->SetCaption("");
  Paint();
  for (int y = 10; y < 30; ++y)
    for (int x = 10; x < 70; ++x) ASSERT_EQ(Pixel(x, y), clYellow) << x << "," << y;
}

TEST_F(VrLabelTest, StylesPutHighlightAndShadowOnTheirSides) {
  struct Case {
    TVrLabelStyle style;
    TColor upLeft, downRight;  // clNone: no such layer
    TPoint shadowShift;
  };
  const Case cases[] = {
      {lsNone, clNone, clNone, {0, 0}},
      {lsRaised, clRed, clBlue, {1, 1}},
      {lsLowered, clBlue, clRed, {1, 1}},
      {lsShadow, clNone, clBlue, {2, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "style " << c.style);
    TVrLabel* l = PlainLabel(c.style);
    Paint();
    const Glyphs g = RenderGlyphs(l->Font(), "Wave");
    const TPoint o{12, 12};  // label at 10,10, left and top margins of 2
    int upLeft = 0, downRight = 0;
    for (int y = 10; y < 40; ++y)
      for (int x = 10; x < 130; ++x) {
        const TColor p = Pixel(x, y);
        const int u = x - o.X, v = y - o.Y;
        if (g.at(u, v)) {
          ASSERT_EQ(p, clBlack) << x << "," << y << ": the font colour is drawn last";
        } else if (p == c.upLeft) {
          ++upLeft;
          ASSERT_TRUE(g.at(u + 1, v + 1)) << x << "," << y;
        } else if (p == c.downRight) {
          ++downRight;
          ASSERT_TRUE(g.at(u - c.shadowShift.X, v - c.shadowShift.Y)) << x << "," << y;
        } else {
          ASSERT_EQ(p, clWhite) << x << "," << y;
        }
      }
    EXPECT_EQ(upLeft > 0, c.upLeft != clNone);
    EXPECT_EQ(downRight > 0, c.downRight != clNone);
    l->Destroy();
  }
}

TEST_F(VrLabelTest, BitmapFillsOnlyTheGlyphs) {
  TVrLabel* plain = PlainLabel(lsNone);
  Paint();
  std::vector<TColor> before;
  for (int y = 10; y < 40; ++y)
    for (int x = 10; x < 130; ++x) before.push_back(Pixel(x, y));
  // Left half green, right half red once stretched over the 120 by 30 label.
  TBitmap texture;
  texture.SetSize(2, 1);
  texture.Canvas().SetPixel(0, 0, clLime);
  texture.Canvas().SetPixel(1, 0, clRed);
  plain->SetBitmap(texture);
  Paint();
  const Glyphs g = RenderGlyphs(plain->Font(), "Wave");
  int filled = 0;
  for (int y = 10; y < 40; ++y)
    for (int x = 10; x < 130; ++x) {
      const TColor p = Pixel(x, y);
      if (g.at(x - 12, y - 12)) {
        ++filled;
        ASSERT_EQ(p, x - 10 < 60 ? clLime : clRed) << x << "," << y;
      } else {
        ASSERT_EQ(p, before[(y - 10) * 120 + (x - 10)]) << x << "," << y;
      }
    }
  EXPECT_EQ(filled, g.count());
}

TEST_F(VrLabelTest, RepaintsWaitForUpdatesAndLoadingAndSkipUnchangedValues) {
  auto* l = Make<Counted>(form, Bounds(0, 0, 60, 20));
  l->SetCaption("x");
  Paint();
  l->paints = 0;

  l->SetAngle(0);  // unchanged
  l->SetStyle(lsRaised);
  EXPECT_EQ(l->paints, 0);
  l->SetAngle(90);
  EXPECT_EQ(l->paints, 1);

  l->paints = 0;
  l->BeginUpdate();
  l->BeginUpdate();
  l->SetStyle(lsShadow);
  l->SetAngle(180);
  l->SetAlignment(taLeftJustify);
  l->EndUpdate();
  EXPECT_EQ(l->paints, 0);
  l->EndUpdate();
  EXPECT_EQ(l->paints, 1);

  l->paints = 0;
  form->BeginLoading();
  l->SetStyle(lsLowered);
  l->SetAngle(270);
  l->SetTransparent(true);
  form->EndLoading();
  EXPECT_EQ(l->paints, 0);
}

TEST_F(VrLabelTest, AutoSizeFollowsCaptionFontAndAngle) {
  auto* l = Make<TVrLabel>(form, Bounds(0, 0, 100, 25));
  l->Font().SetName("Tahoma");
  l->Font().SetHeight(-11);
  l->SetCaption("Sortie");
  l->SetAutoSize(true);
  const TSize t = l->TextSize();
  EXPECT_EQ(l->BoundsRect(), Bounds(0, 0, t.cx + 4, t.cy + 4));
  l->SetAngle(90);
  EXPECT_EQ(l->BoundsRect(), Bounds(0, 0, t.cy + 4, t.cx + 4));
  l->SetCaption("Sortie et entrée");
  EXPECT_GT(l->Height(), t.cx + 4);
  // "&" is measured as it is drawn: one character, no prefix.
  l->SetAngle(0);
  l->SetCaption("A&B");
  TCanvas m;
  m.Font().Assign(l->Font());
  EXPECT_EQ(l->Width(), m.TextWidth("A&B") + 4);
}

}  // namespace
}  // namespace tavrel
