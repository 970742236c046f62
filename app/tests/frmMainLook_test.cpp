// The whole main window as it stands stopped after start-up (fill mode):
// rendered offscreen against the picture kept with the tests, and opened
// as a real SDL window on an Xvfb of the test's own, read back from the
// screen. TAVREL_UPDATE_PICTURES=1 writes the picture anew instead.
#include <SDL2/SDL.h>
#include <cairo.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>

#include "app/tests/app_test_support.h"
#include "platform/tests/sdl_display.h"
#include "platform/ui/sdl_backend.h"
// Last: it brings the X headers, which define short macro names.
#include "platform/tests/x_display.h"

namespace tavrel {
namespace {

using namespace apptest;

const std::string kPicture = std::string(TAVREL_APP_TEST_DATA) + "/main_window_stopped.png";

CairoSurface ReadPNG(const std::string& path) {
  CairoSurface s(cairo_image_surface_create_from_png(path.c_str()));
  if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  return s;
}

class MainWindowLookTest : public MainWindowTest {
 protected:
  // Start-up, then "Activer" unchecked by the user; shown and painted.
  TfmMain* StoppedWindow(TComponent* owner) {
    TfmMain* w = Create(owner);
    w->SetActivateChecked(false);
    w->btnActivateClick(w);
    w->Show();
    Application()->ProcessMessages();
    return w;
  }
  // Writes what was drawn beside the test's other output when it differs.
  static void Keep(cairo_surface_t* s, const std::string& name) {
    WriteSurfacePNG(s, testing::TempDir() + name);
  }
};

TEST_F(MainWindowLookTest, StoppedWindowMatchesItsPicture) {
  fm = StoppedWindow(app.get());
  ASSERT_EQ(fm->ClientWidth(), 440);
  ASSERT_EQ(fm->ClientHeight(), 360);
  if (const char* update = std::getenv("TAVREL_UPDATE_PICTURES"); update && *update == '1') {
    ASSERT_TRUE(WriteSurfacePNG(fm->Surface(), kPicture));
    GTEST_SKIP() << "wrote " << kPicture;
  }
  // What the picture must show, checked apart from it: the focus on the
  // first tab stop, the upper panel (a tab stop itself), so its caption bar
  // is orange and the lower one blue; both charts black, with no column.
  EXPECT_EQ(fm->ActiveControl(), fm->pnlAudioRec1);
  auto rgb = [&](int x, int y) {
    const uint32_t p = SurfacePixel(fm->Surface(), x, y);
    return std::array<int, 3>{int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)};
  };
  const auto upper = rgb(420, 12), lower = rgb(420, 212);
  EXPECT_TRUE(upper[0] > upper[1] && upper[1] > upper[2]) << "orange: " << upper[0] << "," << upper[1] << "," << upper[2];
  EXPECT_TRUE(lower[2] > lower[1] && lower[1] > lower[0]) << "blue: " << lower[0] << "," << lower[1] << "," << lower[2];
  for (TPoint p : {TPoint{30, 240}, TPoint{420, 280}, TPoint{200, 300}, TPoint{430, 350}})
    EXPECT_EQ(rgb(p.X, p.Y), (std::array<int, 3>{0, 0, 0})) << p.X << "," << p.Y;

  CairoSurface want = ReadPNG(kPicture);
  ASSERT_TRUE(want) << "cannot read " << kPicture;
  const int diff = CountDifferentPixels(fm->Surface(), want.get());
  EXPECT_EQ(diff, 0) << "pixels differing from " << kPicture;
  if (diff != 0) Keep(fm->Surface(), "tavrel_main_window.png");
}

TEST_F(MainWindowLookTest, RealWindowShowsThePicture) {
#ifdef TAVREL_UI_TSAN
  GTEST_SKIP() << "SDL's X11 video driver is not instrumented for ThreadSanitizer; the real window "
                  "is checked in the plain and address-sanitizer builds";
#endif
  CairoSurface want = ReadPNG(kPicture);
  ASSERT_TRUE(want) << "cannot read " << kPicture;
  test::TestDisplay display;
  if (const std::string why = display.Open(true); !why.empty()) GTEST_SKIP() << "no real window: " << why;
  app.reset();  // one application at a time: this one shows real windows

  std::string why;
  std::shared_ptr<SdlBackend> sdl = test::OpenSdlBackend(why);
  if (!sdl) GTEST_SKIP() << "no real window: " << why;
  test::XReader reader;
  if (!reader.Ready()) GTEST_SKIP() << "no real window: libX11 cannot reach the display";
  auto real = TComponent::CreateUnowned<TApplication>(sdl);
  TfmMain* w = StoppedWindow(real.get());
  ASSERT_NE(dynamic_cast<SdlWindow*>(w->Window()), nullptr);
  TBitmap got = TBitmap();
  got.SetSize(440, 360);
  int diff = -1;
  // The server maps and exposes the window in its own time: look again
  // after each round of events, a bounded number of times.
  for (int round = 0; round < 100 && diff != 0; ++round) {
    real->ProcessMessages();
    SDL_Delay(20);
    if (reader.Capture(w->ClientOrigin(), got)) diff = CountDifferentPixels(got.Surface(), want.get());
  }
  EXPECT_EQ(diff, 0) << "pixels differing between the real window and " << kPicture;
  if (diff != 0) Keep(got.Surface(), "tavrel_main_window_x11.png");
  w->Hide();
  w->Destroy();
  real.reset();
}

}  // namespace
}  // namespace tavrel
