// The program's resource table and the loaders that read it.
#include <gtest/gtest.h>

#include <cairo.h>

#include <string>
#include <vector>

#include "platform/tests/image_files.h"
#include "platform/tests/ui_test_support.h"
#include "platform/ui/imagebytes.h"
#include "platform/ui/resources.h"

namespace tavrel {
namespace {

std::vector<uint8_t> Bmp(int w, int h, TColor c) {
  TBitmap b;
  b.SetSize(w, h);
  b.Canvas().Brush().SetColor(c);
  b.Canvas().FillRect(Rect(0, 0, w, h));
  return b.SaveToBytes();
}

// A 2 x 2 cursor: its top row black, its bottom row clear, hot spot (1, 0).
std::vector<uint8_t> TwoByTwoCursor() {
  return test::MakeCur(2, 2, 1, 0, test::IconBmpImage(2, 2, {0xFF000000, 0xFF000000, 0, 0}));
}

TEST(UiResources, NamesFoldAsciiCaseAndTypesAndNumbersKeepApart) {
  const std::vector<uint8_t> red = Bmp(2, 1, clRed), blue = Bmp(3, 1, clBlue), data = {1, 2, 3};
  const TResource block[] = {
      {RT_BITMAP, "Logo", 0, red},
      {RT_RCDATA, "LOGO", 0, data},
      {RT_RCDATA, {}, 7, blue},
  };
  TResourceModule module;
  module.Register(block);
  EXPECT_EQ(module.Find(RT_BITMAP, "logo"), &block[0]);
  EXPECT_EQ(module.Find(RT_RCDATA, "lOgO"), &block[1]);
  EXPECT_EQ(module.Find(RT_CURSOR, "LOGO"), nullptr);
  EXPECT_EQ(module.Find(RT_RCDATA, 7), &block[2]);
  EXPECT_EQ(module.Find(RT_RCDATA, "7"), nullptr) << "a name is no number";
  EXPECT_EQ(module.Find(RT_BITMAP, 7), nullptr);
  EXPECT_EQ(module.Find(RT_RCDATA, ""), nullptr);
  EXPECT_EQ(LoadBitmap(module, "LOGO").Width(), 2);
  EXPECT_TRUE(LoadBitmap(module, "nothing").Empty());

  // The same name and type twice is refused, whole: nothing of the second block joins.
  const TResource clash[] = {{RT_BITMAP, "Other", 0, blue}, {RT_BITMAP, "LOGO", 0, blue}};
  EXPECT_THROW(module.Register(clash), EOWException);
  EXPECT_EQ(module.Find(RT_BITMAP, "Other"), nullptr);
  const TResource twice[] = {{RT_RCDATA, {}, 8, data}, {RT_RCDATA, {}, 8, data}};
  EXPECT_THROW(module.Register(twice), EOWException);

  module.Unregister(block);
  EXPECT_EQ(module.Find(RT_BITMAP, "logo"), nullptr);
  module.Register(clash);
  EXPECT_EQ(LoadBitmap(module, "logo").Width(), 3);
}

TEST(UiResources, BytesOfNoPictureLoadNothing) {
  const std::vector<uint8_t> junk(64, 0x5A), cut = [] {
    std::vector<uint8_t> c = TwoByTwoCursor();
    c.resize(c.size() - 4);
    return c;
  }();
  const TResource block[] = {
      {RT_BITMAP, "JUNK", 0, junk},
      {RT_CURSOR, "JUNK", 0, junk},
      {RT_CURSOR, "CUT", 0, cut},
  };
  TResourceModule module;
  module.Register(block);
  EXPECT_TRUE(LoadBitmap(module, "JUNK").Empty());
  EXPECT_EQ(LoadCursor(module, "JUNK"), crDefault);
  EXPECT_EQ(LoadCursor(module, "CUT"), crDefault);
  EXPECT_EQ(LoadCursor(module, "NONE"), crDefault);
  EXPECT_EQ(LoadedCursorImage(crDefault), nullptr);
  EXPECT_EQ(LoadedCursorImage(crHandPoint), nullptr);
}

TEST(UiResources, ACursorLoadsOnceWithItsHotSpot) {
  const std::vector<uint8_t> cur = TwoByTwoCursor();
  const TResource block[] = {{RT_CURSOR, "POINT", 0, cur}};
  TResourceModule module;
  module.Register(block);
  const TCursor c = LoadCursor(module, "point");
  ASSERT_LE(c, kFirstLoadedCursor);
  EXPECT_EQ(LoadCursor(module, "POINT"), c);
  const TCursorImage* image = LoadedCursorImage(c);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->hotSpot, Point(1, 0));
  cairo_surface_t* s = image->image.get();
  ASSERT_EQ(cairo_image_surface_get_width(s), 2);
  ASSERT_EQ(cairo_image_surface_get_height(s), 2);
  auto argb = [&](int x, int y) {
    const uint8_t* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    return reinterpret_cast<const uint32_t*>(row)[x];
  };
  EXPECT_EQ(argb(0, 0), 0xFF000000u);
  EXPECT_EQ(argb(1, 0), 0xFF000000u);
  EXPECT_EQ(argb(0, 1) >> 24, 0u);
  EXPECT_EQ(argb(1, 1) >> 24, 0u);
}

}  // namespace
}  // namespace tavrel
