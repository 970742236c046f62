#include <gtest/gtest.h>

#include "platform/tests/ui_form_fixture.h"
#include "platform/ui/edit.h"

namespace tavrel {
namespace {

using UiFrame = test::FormFixture;

// A frame of equal widths all round is no empty rectangle: repainting the
// control repaints it too.
TEST_F(UiFrame, InvalidatingAFramedControlRepaintsItsFrame) {
  auto* e = Make<TEdit>(form, Bounds(10, 10, 100, 22));
  Show();
  EXPECT_FALSE(e->FrameNeedsPaint());
  e->Invalidate();
  EXPECT_TRUE(e->FrameNeedsPaint());
  Pump();
  EXPECT_FALSE(e->FrameNeedsPaint());
  form->InvalidateRectDeep(Bounds(0, 0, 50, 50));
  EXPECT_TRUE(e->FrameNeedsPaint()) << "uncovered by a window above";
  e->SetBorderStyle(bsNone);
  Pump();
  e->Invalidate();
  EXPECT_FALSE(e->FrameNeedsPaint()) << "no frame, nothing to paint";
}

}  // namespace
}  // namespace tavrel
