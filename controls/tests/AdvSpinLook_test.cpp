#include <gtest/gtest.h>

#include <string>

#include "controls/AdvSpin.h"
#include "controls/tests/controls_test_support.h"
#include "platform/ui/edges.h"
#include "platform/ui/panel.h"

namespace tavrel {
namespace {

constexpr TColor kLightBlue = 16771030;

class SpinLookTest : public test::ControlsTest {
 protected:
  TAdvSpinEdit* MainSpin() {
    auto* e = Make<TAdvSpinEdit>(form, Bounds(304, 88, 129, 22));
    e->SetDirection(spHorizontal);
    e->SetColor(kLightBlue);
    e->SetFocusColor(clNone);
    e->SetMinValue(32);
    e->SetMaxValue(8192);
    e->SetValue(512);
    return e;
  }
  // Counts the pixels of the form at `at` that differ from a picture.
  int Differences(TBitmap& expected, TPoint at, std::string& first) {
    int n = 0;
    for (int y = 0; y < expected.Height(); ++y)
      for (int x = 0; x < expected.Width(); ++x)
        if (Pixel(at.X + x, at.Y + y) != expected.Canvas().Pixel(x, y)) {
          if (!n++) first = std::to_string(x) + "," + std::to_string(y);
        }
    return n;
  }
};

TEST_F(SpinLookTest, MainWindowGeometry) {
  TAdvSpinEdit* e = MainSpin();
  EXPECT_EQ(e->MinHeight(), 22);
  EXPECT_EQ(e->ClientRect(), Rect(0, 0, 125, 18)) << "a sunken frame two pixels wide";
  EXPECT_EQ(e->Button()->BoundsRect(), Bounds(105, 0, 20, 17));
  EXPECT_EQ(e->TextRect().Right, e->ClientWidth() - 22);
  EXPECT_EQ(e->TextRect(), Rect(0, 0, 103, 19));
}

TEST_F(SpinLookTest, TooLowIsRaisedToTheMinimumHeight) {
  TAdvSpinEdit* e = MainSpin();
  e->SetHeight(10);
  EXPECT_EQ(e->Height(), 22);
  e->SetHeight(30);
  EXPECT_EQ(e->Height(), 30);
  EXPECT_EQ(e->Button()->BoundsRect(), Bounds(105, 0, 20, 25)) << "the buttons follow the height";
  e->Font().SetHeight(-20);
  EXPECT_EQ(e->MinHeight(), 16 / 4 + e->Font().Metrics().Height + 2 + 4) << "the smaller of the two fonts, a quarter";
  e->SetHeight(10);
  EXPECT_EQ(e->Height(), e->MinHeight());
}

TEST_F(SpinLookTest, VerticalButtonsAndTheFrameWithoutCtl3D) {
  auto* e = Make<TAdvSpinEdit>(form, Bounds(10, 10, 100, 22));
  EXPECT_EQ(e->Button()->BoundsRect(), Bounds(100 - 15 - 5 + 1, 0, 15, 17));
  EXPECT_EQ(e->Button()->UpButton()->BoundsRect(), Bounds(0, 0, 15, 9));
  e->SetCtl3D(false);
  e->SetHeight(23);
  EXPECT_EQ(e->Button()->BoundsRect(), Bounds(100 - 15 - 1, 2, 15, 20));
  EXPECT_EQ(e->TextRect(), Rect(2, 0, e->ClientWidth() - 17, e->ClientHeight() + 1));
}

TEST_F(SpinLookTest, MainWindowPixelsEnabledAndDisabled) {
  TAdvSpinEdit* e = MainSpin();
  for (bool enabled : {true, false}) {
    e->SetEnabled(enabled);
    Paint();
    // The spin edit as its parts draw it: the frame, the text at the text
    // rectangle's corner, and the button pair at (105, 0) of the client area,
    // 20 x 17, holding two 10-pixel buttons with a white column between.
    TBitmap expected;
    expected.SetSize(129, 22);
    TCanvas& c = expected.Canvas();
    c.Brush().SetColor(kLightBlue);
    c.FillRect(Rect(0, 0, 129, 22));
    DrawClientEdge(c, Rect(0, 0, 129, 22), bsSingle, true);
    int saved = c.SaveDC();
    c.IntersectClipRect(Rect(2, 2, 2 + 103, 2 + 18));
    c.Font().Assign(form->Font());
    c.Font().SetColor(enabled ? clWindowText : clGrayText);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.TextOut(2, 2, "512");
    c.RestoreDC(saved);
    saved = c.SaveDC();
    c.IntersectClipRect(Bounds(2 + 105, 2, 20, 17));
    c.Brush().SetColor(clWindow);
    c.FillRect(Bounds(107, 2, 20, 17));
    const uint32_t inactive = enabled ? 0u : uint32_t{DFCS_INACTIVE};
    DrawFrameControl(c, Bounds(107, 2, 10, 17), DFC_SCROLL, DFCS_SCROLLLEFT | inactive);
    DrawFrameControl(c, Bounds(118, 2, 10, 17), DFC_SCROLL, DFCS_SCROLLRIGHT | inactive);
    c.RestoreDC(saved);

    std::string first;
    EXPECT_EQ(Differences(expected, {304, 88}, first), 0) << (enabled ? "enabled" : "disabled") << ", first at " << first;
    EXPECT_EQ(Pixel(304 + 20, 88 + 10), kLightBlue) << "light blue behind the text";
  }
}

TEST_F(SpinLookTest, FlatLookAndBack) {
  TAdvSpinEdit* e = MainSpin();
  e->SetFlatLineColor(clRed);
  e->SetFlat(true);
  Paint();
  EXPECT_EQ(e->BorderStyle(), bsNone);
  EXPECT_EQ(e->ClientRect(), Rect(0, 0, 129, 22)) << "no border";
  EXPECT_EQ(e->TextRect(), Rect(2, 4, 129 - 20 - 4, 22 - 4)) << "the text inset 2 left and 4 top";
  EXPECT_EQ(e->Button()->BoundsRect(), Bounds(129 - 20, 0, 20, 21));
  for (int x = 0; x < 109; ++x) {
    const bool line = x >= 2 && x < 105;
    EXPECT_EQ(Pixel(304 + x, 88 + 21) == clRed, line) << x;
  }
  EXPECT_EQ(Pixel(304, 88), kLightBlue) << "no sunken edge";
  e->SetColor(clYellow);
  e->SetFlat(false);
  Paint();
  EXPECT_EQ(e->BorderStyle(), bsSingle);
  EXPECT_EQ(e->Color(), clYellow) << "the colour last written comes back";
  EXPECT_EQ(e->Button()->BoundsRect(), Bounds(105, 0, 20, 17));
  EXPECT_NE(Pixel(304 + 50, 88 + 21), clRed);
}

TEST_F(SpinLookTest, FocusBorderFramesTheFocusedField) {
  TAdvSpinEdit* e = MainSpin();
  e->SetFocusBorderColor(clRed);
  Paint();
  const TColor edge = Pixel(304, 88);
  EXPECT_NE(edge, clRed);
  e->SetFocus();
  Paint();
  for (TPoint p : {Point(304, 88), Point(432, 88), Point(304, 109), Point(432, 109), Point(360, 88)})
    EXPECT_EQ(Pixel(p.X, p.Y), clRed) << p.X << "," << p.Y;
  EXPECT_NE(Pixel(305, 89), clRed) << "one pixel wide";
  form->SetFocusedControl(nullptr);
  Paint();
  EXPECT_EQ(Pixel(304, 88), edge);
}

TEST_F(SpinLookTest, TransparentShowsTheParentBehindTheText) {
  auto* panel = Make<TPanel>(form, Bounds(0, 0, 300, 100));
  panel->SetColor(clLime);
  auto* e = Make<TAdvSpinEdit>(panel, Bounds(10, 10, 100, 22));
  e->SetColor(clYellow);
  e->SetText("1");
  Paint();
  const TPoint behind = e->ClientToForm({60, 8});  // right of the text, left of the buttons
  EXPECT_EQ(Pixel(behind.X, behind.Y), clYellow);
  e->SetTransparent(true);
  Paint();
  EXPECT_EQ(Pixel(behind.X, behind.Y), clLime);
  e->SetText("11111111111111111");
  Paint();
  EXPECT_NE(Pixel(behind.X, behind.Y), clYellow);
}

TEST_F(SpinLookTest, EditAlignSetsTheTextAlignment) {
  TAdvSpinEdit* e = MainSpin();
  struct Case {
    TEditAlign align;
    TAlignment alignment;
  } cases[] = {{eaRight, taRightJustify}, {eaCenter, taCenter}, {eaLeft, taLeftJustify}};
  for (const Case& c : cases) {
    e->SetEditAlign(c.align);
    EXPECT_EQ(e->Alignment(), c.alignment);
  }
}

TEST_F(SpinLookTest, LabelPlacesBesideTheField) {
  TAdvSpinEdit* e = MainSpin();
  EXPECT_EQ(e->SpinLabel(), nullptr);
  EXPECT_EQ(e->LabelCaption(), "");
  e->SetLabelCaption("Taille buffer d'entrée");
  TLabel* l = e->SpinLabel();
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->Parent(), form);
  EXPECT_EQ(l->FocusControl(), e);
  EXPECT_EQ(l->Left() + FontTextWidth(l->Font(), l->Caption()), 304 - 4) << "lpLeftTop ends at the margin";
  EXPECT_EQ(l->Top(), 88);
  // A label taller than the field, centred on it.
  e->SetParentFont(false);
  e->LabelFont().SetHeight(-40);
  e->SetLabelPosition(lpLeftCenter);
  EXPECT_GT(l->Height(), 22);
  EXPECT_EQ(l->Top(), 88 + (22 - l->Height()) / 2);
  EXPECT_LT(l->Top(), 88);
  e->SetLabelPosition(lpRightTop);
  EXPECT_EQ(e->LabelPosition(), lpLeftCenter) << "the spin edit has the first 10 places";
  e->SetBounds(304, 120, 129, 22);
  EXPECT_EQ(l->Top(), 120 + (22 - l->Height()) / 2) << "it follows the field";
  e->SetEnabled(false);
  EXPECT_FALSE(l->Enabled());
  e->SetLabelAlwaysEnabled(true);
  EXPECT_TRUE(l->Enabled());
  e->Hide();
  EXPECT_FALSE(l->Visible());
  e->Show();
  // The label goes where the field goes, and takes its parent's font when the field does.
  auto* panel = Make<TPanel>(form, Bounds(0, 0, 300, 100));
  e->SetParent(panel);
  EXPECT_EQ(l->Parent(), panel);
  e->SetParentFont(true);
  panel->Font().SetHeight(-15);
  EXPECT_EQ(l->Font().Height(), -15);
}

TEST_F(SpinLookTest, SpinFlatAndTransparentReachBothButtons) {
  TAdvSpinEdit* e = MainSpin();
  e->SetSpinFlat(true);
  e->SetSpinTransparent(true);
  for (TSpeedButton* b : {static_cast<TSpeedButton*>(e->Button()->UpButton()),
                          static_cast<TSpeedButton*>(e->Button()->DownButton())}) {
    EXPECT_TRUE(b->Flat());
    EXPECT_TRUE(b->Transparent());
  }
  Paint();
  // A flat arrow button: the flat frame in the shadow colour.
  const TPoint corner = e->Button()->DownButton()->ClientToForm({0, 0});
  EXPECT_EQ(Pixel(corner.X, corner.Y), static_cast<TColor>(ColorToRGB(clBtnShadow)));
}

}  // namespace
}  // namespace tavrel
