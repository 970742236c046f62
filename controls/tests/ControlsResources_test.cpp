// The controls' pictures and cursor as program resources: what the table
// holds, and that the controls draw what it holds.
#include <cairo.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/ToolPanelTab.h"
#include "controls/VrLabel.h"
#include "controls/htmlbtns.h"
#include "controls/modules.h"
#include "controls/tests/controls_test_support.h"
#include "platform/ui/imagebytes.h"
#include "platform/ui/offscreen.h"
#include "platform/ui/resources.h"

namespace tavrel {
namespace {

TEST(ControlsResources, TheTableHoldsTheNamedPicturesAndTheCursor) {
  struct Case {
    TResourceType type;
    const char* name;
    int width, height, bits;
  } cases[] = {
      {RT_BITMAP, "HTMBCHK01", 20, 20, 4},  {RT_BITMAP, "HTMBCHK02", 20, 20, 4},
      {RT_BITMAP, "HTMBCHK03", 20, 20, 4},  {RT_BITMAP, "HTMBCHK04", 20, 20, 4},
      {RT_BITMAP, "HTMBCHK05", 16, 16, 8},  {RT_BITMAP, "HTMBCHK06", 16, 16, 8},
      {RT_BITMAP, "HTMBCHK07", 16, 16, 8},  {RT_BITMAP, "htmbchk08", 16, 16, 8},
      {RT_BITMAP, "AdvSpinUp", 9, 6, 4},    {RT_BITMAP, "AdvSpinDown", 9, 6, 4},
      {RT_BITMAP, "KIV_CLOSEBTN", 16, 16, 1}, {RT_BITMAP, "KIV_LOCKPIN", 16, 16, 1},
      {RT_BITMAP, "KIV_UNLOCKPIN", 16, 16, 1}, {RT_BITMAP, "KIV_UPDOWN", 17, 9, 1},
      {RT_CURSOR, "VRCURSORHANDPOINT", 32, 32, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TResource* r = HInstance().Find(c.type, c.name);
    ASSERT_NE(r, nullptr);
    const std::span<const uint8_t> d = r->data;
    if (c.type == RT_BITMAP) {
      ASSERT_GE(d.size(), 54u);
      EXPECT_EQ(d[0], 'B');
      EXPECT_EQ(int(Le32(&d[18])), c.width);
      EXPECT_EQ(int(Le32(&d[22])), c.height);
      EXPECT_EQ(Le16(&d[28]), c.bits);
      const TBitmap b = LoadBitmap(HInstance(), c.name);
      EXPECT_EQ(b.Width(), c.width);
      EXPECT_EQ(b.Height(), c.height);
    } else {
      // A cursor file with one image: 0, type 2, count 1, then its entry and image header.
      ASSERT_GE(d.size(), 22u + 40u);
      EXPECT_EQ(Le16(&d[2]), 2);
      EXPECT_EQ(Le16(&d[4]), 1);
      EXPECT_EQ(d[6], c.width);
      EXPECT_EQ(d[7], c.height);
      EXPECT_EQ(Le16(&d[22 + 14]), c.bits);
    }
    EXPECT_EQ(HInstance().Find(RT_RCDATA, c.name), nullptr) << "no data of that name";
  }
}

// A table standing in for the controls' own while a test runs.
class SwappedResources {
 public:
  explicit SwappedResources(std::span<const TResource> mine) : mine_(mine) {
    HInstance().Unregister(ControlsResources());
    HInstance().Register(mine_);
  }
  ~SwappedResources() {
    HInstance().Unregister(mine_);
    HInstance().Register(ControlsResources());
  }

 private:
  std::span<const TResource> mine_;
};

class ResourceDrawingTest : public test::ControlsTest {
 protected:
  int CountIn(TControl* c, TRect area, TColor colour) {
    int n = 0;
    for (int y = area.Top; y < area.Bottom; ++y)
      for (int x = area.Left; x < area.Right; ++x) {
        const TPoint f = c->ClientToForm({x, y});
        n += Pixel(f.X, f.Y) == colour;
      }
    return n;
  }
};

TEST_F(ResourceDrawingTest, TheCheckBoxShowsThePictureTheTableHolds) {
  auto* box = Make<THTMLCheckBox>(form, Bounds(10, 10, 98, 20));
  box->SetColor(clYellow);
  box->SetCaption("");
  box->SetButtonType(btWinXP);
  box->SetChecked(true);
  Paint();
  const TRect area = box->BoxRect();
  EXPECT_EQ(CountIn(box, area, clYellow), 16 * 16 - 13 * 13) << "the box picture, keyed around the box";

  // A checked box of our own: 16 x 16, red inside a white key frame.
  TBitmap picture = test::SolidBitmap(16, 16, clWhite);
  picture.Canvas().Brush().SetColor(clRed);
  picture.Canvas().FillRect(Rect(2, 2, 14, 14));
  const std::vector<uint8_t> bytes = picture.SaveToBytes();
  const TResource mine[] = {{RT_BITMAP, "HTMBCHK05", 0, bytes}};
  {
    SwappedResources swap(mine);
    box->Invalidate();
    Paint();
    EXPECT_EQ(CountIn(box, area, clRed), 12 * 12);
    EXPECT_EQ(CountIn(box, area, clYellow), 16 * 16 - 12 * 12) << "its key colour left out";
    box->SetChecked(false);
    Paint();
    EXPECT_EQ(CountIn(box, area, clYellow), 16 * 16) << "no HTMBCHK06: nothing drawn";
  }
  box->SetChecked(true);
  Paint();
  EXPECT_EQ(CountIn(box, area, clYellow), 16 * 16 - 13 * 13);
}

TEST_F(ResourceDrawingTest, TheTabBarsScrollArrowsAreTheUpDownPicture) {
  auto* bar = TComponent::Create<TAdvToolPanelTab>(form);
  bar->SetParent(form);
  for (const char* c : {"Un long titre", "Un autre long titre", "Et un troisième titre"})
    bar->CreatePanel()->SetCaption(c);
  form->SetBounds(0, 0, 440, 200);
  Paint();
  ASSERT_GT(bar->TotalTabLength(), bar->Height());
  TBitmap arrows = LoadBitmap(HInstance(), "KIV_UPDOWN");
  ASSERT_EQ(arrows.Width(), 17);
  const int h = bar->Height();
  int black = 0;
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 17; ++x) {
      if (arrows.Canvas().Pixel(x, y) != clBlack) continue;
      ++black;
      const TPoint f = bar->ClientToForm({1 + x, h - 9 + y});
      EXPECT_EQ(Pixel(f.X, f.Y), clBlack) << x << "," << y;
    }
  EXPECT_EQ(black, 2 * (7 + 5 + 3 + 1)) << "a triangle down and one up";
}

// The start-up puts the hand cursor in the cursor table; a control showing
// that index shows the loaded picture, its hot spot at the fingertip.
TEST_F(ResourceDrawingTest, TheHandCursorIsLoadedIntoTheCursorTable) {
  const TCursor hand = TScreen::Cursors(crVrHandPoint);
  ASSERT_LE(hand, kFirstLoadedCursor);
  EXPECT_EQ(LoadCursor(HInstance(), "vrcursorhandpoint"), hand) << "loaded once";
  EXPECT_EQ(LoadCursor(HInstance(), "HTMBCHK01"), crDefault) << "a bitmap is no cursor";
  const TCursorImage* image = LoadedCursorImage(hand);
  ASSERT_NE(image, nullptr);
  cairo_surface_t* s = image->image.get();
  ASSERT_EQ(cairo_image_surface_get_width(s), 32);
  ASSERT_EQ(cairo_image_surface_get_height(s), 32);
  EXPECT_EQ(image->hotSpot, Point(6, 0));
  auto argb = [&](int x, int y) {
    const uint8_t* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    return reinterpret_cast<const uint32_t*>(row)[x];
  };
  EXPECT_EQ(argb(6, 0), 0xFF000000u) << "the fingertip's outline, at the hot spot";
  EXPECT_EQ(argb(7, 1), 0xFFFFFFFFu) << "the finger";
  EXPECT_EQ(argb(0, 0) >> 24, 0u) << "around the hand: clear";
  EXPECT_EQ(argb(31, 31) >> 24, 0u);

  auto* label = Make<TVrLabel>(form, Bounds(10, 10, 80, 20));
  label->SetCursor(crVrHandPoint);
  Paint();
  Mouse(WM_MOUSEMOVE, label, 5, 5);
  EXPECT_EQ(OffscreenWindowOf(*form)->cursor, hand);
  Mouse(WM_MOUSEMOVE, form, 200, 200);
  EXPECT_EQ(OffscreenWindowOf(*form)->cursor, crArrow);
}

}  // namespace
}  // namespace tavrel
