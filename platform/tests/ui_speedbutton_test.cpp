#include "platform/ui/speedbutton.h"

#include <gtest/gtest.h>

#include "platform/tests/ui_form_fixture.h"
#include "platform/ui/edges.h"

namespace tavrel {
namespace {

class UiSpeedButton : public test::FormFixture {
 protected:
  void SetUp() override {
    FormFixture::SetUp();
    form->SetColor(clWhite);
    button = Make<TSpeedButton>(form, Bounds(10, 10, 21, 20));
    button->OnClick = TNotifyEvent([this](TObject*) { ++clicks; });
    Show();
  }
  TColor Pixel(int x, int y) { return test::FormPixel(*form, x, y); }
  // A glyph of `n` images of 3 x 2 pixels, image i filled with colours[i],
  // with one olive (transparent) pixel at each image's bottom left.
  TBitmap Glyph(std::initializer_list<TColor> colours) {
    TBitmap g;
    g.SetSize(3 * static_cast<int>(colours.size()), 2);
    int i = 0;
    for (TColor c : colours) {
      g.Canvas().Brush().SetColor(c);
      g.Canvas().FillRect(Bounds(3 * i, 0, 3, 2));
      g.Canvas().SetPixel(3 * i, 1, clOlive);
      ++i;
    }
    return g;
  }
  TSpeedButton* button = nullptr;
  int clicks = 0;
};

TEST_F(UiSpeedButton, PressDrawsDownWhileOverAndTheReleaseOverItClicks) {
  struct Case {
    const char* name;
    int dragX;  // where the pointer goes while held, form x
    int releaseX;
    int clicks;
  } cases[] = {
      {"release over it", 15, 15, 1},
      {"release outside", 60, 60, 0},
      {"out and back in", 60, 15, 1},
  };
  for (const Case& c : cases) {
    clicks = 0;
    form->InjectMouse(WM_MOUSEMOVE, 15, 15, 0);
    form->InjectMouse(WM_LBUTTONDOWN, 15, 15, MK_LBUTTON);
    EXPECT_EQ(button->State(), TButtonState::bsDown) << c.name;
    EXPECT_EQ(form->CaptureControl(), button) << c.name;
    form->InjectMouse(WM_MOUSEMOVE, c.dragX, 15, MK_LBUTTON);
    EXPECT_EQ(button->State(), c.dragX == 15 ? TButtonState::bsDown : TButtonState::bsUp) << c.name;
    form->InjectMouse(WM_MOUSEMOVE, c.releaseX, 15, MK_LBUTTON);
    form->InjectMouse(WM_LBUTTONUP, c.releaseX, 15, 0);
    EXPECT_EQ(button->State(), TButtonState::bsUp) << c.name;
    EXPECT_EQ(form->CaptureControl(), nullptr) << c.name;
    EXPECT_EQ(clicks, c.clicks) << c.name;
  }
  clicks = 0;
  button->SetEnabled(false);
  EXPECT_EQ(button->State(), TButtonState::bsDisabled);
  test::Click(*form, 15, 15);
  EXPECT_EQ(clicks, 0) << "a disabled button takes no press";
}

TEST_F(UiSpeedButton, GlyphImagesFollowTheStateAndTheDownImageShifts) {
  button->SetGlyph(Glyph({clRed, clBlue, clLime}));
  button->SetNumGlyphs(3);
  Pump();
  // 21 x 20 button, 3 x 2 image: centred at (9, 9) of the button.
  EXPECT_EQ(Pixel(10 + 10, 10 + 9), clRed);
  EXPECT_EQ(Pixel(10 + 9, 10 + 10), static_cast<TColor>(ColorToRGB(clBtnFace)))
      << "the transparent corner shows the face";
  form->InjectMouse(WM_LBUTTONDOWN, 15, 15, MK_LBUTTON);
  Pump();
  EXPECT_EQ(Pixel(10 + 11, 10 + 10), clLime) << "down image, one pixel down and right";
  EXPECT_NE(Pixel(10 + 9, 10 + 9), clLime);
  form->InjectMouse(WM_LBUTTONUP, 15, 15, 0);
  button->SetEnabled(false);
  Pump();
  EXPECT_EQ(Pixel(10 + 10, 10 + 9), clBlue) << "disabled image";

  // One image only: disabled is drawn embossed from it.
  button->SetNumGlyphs(1);
  button->SetGlyph(Glyph({clRed}));
  Pump();
  const TColor shadow = static_cast<TColor>(ColorToRGB(clBtnShadow));
  const TColor light = static_cast<TColor>(ColorToRGB(clBtnHighlight));
  EXPECT_EQ(Pixel(10 + 10, 10 + 9), shadow);
  EXPECT_EQ(Pixel(10 + 11, 10 + 10), shadow);
  EXPECT_EQ(Pixel(10 + 12, 10 + 11), light) << "highlight one pixel down-right of the ink";
  EXPECT_EQ(Pixel(10 + 9, 10 + 10), static_cast<TColor>(ColorToRGB(clBtnFace))) << "key pixel left out";
}

TEST_F(UiSpeedButton, FlatButtonsShowTheirEdgeOnlyUnderTheMouse) {
  button->SetFlat(true);
  Pump();
  const TColor face = static_cast<TColor>(ColorToRGB(clBtnFace));
  EXPECT_EQ(Pixel(10, 10), face);
  EXPECT_EQ(Pixel(30, 29), face);
  form->InjectMouse(WM_MOUSEMOVE, 15, 15, 0);
  Pump();
  EXPECT_TRUE(button->MouseInControl());
  EXPECT_EQ(Pixel(10, 10), static_cast<TColor>(ColorToRGB(clBtnHighlight)));
  EXPECT_EQ(Pixel(30, 29), static_cast<TColor>(ColorToRGB(clBtnShadow)));
  form->InjectMouse(WM_MOUSEMOVE, 100, 100, 0);
  button->SetTransparent(true);
  Pump();
  EXPECT_FALSE(button->MouseInControl());
  EXPECT_EQ(Pixel(10, 10), clWhite) << "a transparent flat button shows its parent";
  EXPECT_EQ(Pixel(20, 20), clWhite);
}

}  // namespace
}  // namespace tavrel
