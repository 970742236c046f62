#include <gtest/gtest.h>

#include "platform/tests/ui_test_support.h"
#include "platform/ui/imagelist.h"

namespace tavrel {
namespace {

// A strip of three 4x4 images: red, blue and black squares on fuchsia.
TBitmap Strip() {
  TBitmap b = test::WhiteBitmap(12, 4);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(clFuchsia);
  c.FillRect(Rect(0, 0, 12, 4));
  const TColor colours[] = {clRed, clBlue, clBlack};
  for (int i = 0; i < 3; ++i) {
    c.Brush().SetColor(colours[i]);
    c.FillRect(Rect(i * 4 + 1, 1, i * 4 + 3, 3));
  }
  return b;
}

TEST(UiImageList, CutsAStripAndDrawsEachImageTransparent) {
  auto list = TComponent::CreateUnowned<TImageList>();
  list->SetSize(4, 4);
  TBitmap strip = Strip();
  int changes = 0;
  list->OnChange = TNotifyEvent([&](TObject*) { ++changes; });
  EXPECT_EQ(list->AddMasked(strip, clFuchsia), 0);
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(changes, 1);
  TBitmap out = test::WhiteBitmap(8, 8);
  list->Draw(out.Canvas(), 2, 2, 1);
  EXPECT_EQ(out.Canvas().Pixel(3, 3), clBlue);
  EXPECT_EQ(out.Canvas().Pixel(2, 2), clWhite) << "the mask colour is left out";
  list->Draw(out.Canvas(), 0, 0, 7);  // no such image: nothing
  EXPECT_EQ(out.Canvas().Pixel(0, 0), clWhite);
  TBitmap copy;
  ASSERT_TRUE(list->GetBitmap(2, copy));
  EXPECT_EQ(copy.Canvas().Pixel(1, 1), clBlack);
  EXPECT_TRUE(copy.Transparent());
  EXPECT_EQ(copy.TransparentColor(), clFuchsia);
  list->Delete(0);
  EXPECT_EQ(list->Count(), 2);
}

TEST(UiImageList, DisabledImagesAreGreyed) {
  auto list = TComponent::CreateUnowned<TImageList>();
  list->SetSize(4, 4);
  TBitmap strip = Strip();
  list->AddMasked(strip, clFuchsia);
  TBitmap out = test::WhiteBitmap(8, 8);
  out.Canvas().Brush().SetColor(clBtnFace);
  out.Canvas().FillRect(Rect(0, 0, 8, 8));
  list->Draw(out.Canvas(), 0, 0, 2, false);
  EXPECT_EQ(out.Canvas().PixelRGB(1, 1), ColorToRGB(clBtnShadow));
  EXPECT_EQ(out.Canvas().PixelRGB(3, 3), ColorToRGB(clBtnHighlight)) << "the highlight below right";
  EXPECT_EQ(out.Canvas().PixelRGB(0, 0), ColorToRGB(clBtnFace));
}

}  // namespace
}  // namespace tavrel
