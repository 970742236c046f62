// One real window: a form with a label opened through SDL2 on an X server
// (Xvfb started here when there is no display) and read back from the
// screen, compared with the same form rendered offscreen; then a cursor
// of the program's resources shown over it.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/tests/image_files.h"
#include "platform/tests/ui_test_support.h"
#include "platform/ui/offscreen.h"
#include "platform/tests/sdl_display.h"
#include "platform/ui/resources.h"
#include "platform/ui/sdl_backend.h"
#include "platform/ui/stdctrls.h"
// Last: it brings the X headers, which define short macro names.
#include "platform/tests/x_display.h"

namespace tavrel {
namespace {

using test::XReader;

TForm* LabelForm(TApplication& app) {
  auto* form = app.CreateForm<TForm>();
  form->SetBounds(0, 0, 160, 60);
  form->SetCaption("Tavrel");
  auto* label = TComponent::Create<TLabel>(form);
  label->SetParent(form);
  label->SetBounds(12, 20, 10, 10);
  label->SetCaption("Passe-bas 1000 Hz");
  return form;
}

TEST(UiSdlWindow, RealWindowShowsWhatTheOffscreenFormRenders) {
#ifdef TAVREL_UI_TSAN
  GTEST_SKIP() << "SDL's X11 video driver is not instrumented for ThreadSanitizer; the real-window "
                  "smoke test runs in the plain and address-sanitizer builds";
#endif
  if (const std::string why = test::OpenProcessDisplay(); !why.empty()) GTEST_SKIP() << "no real window: " << why;

  TBitmap want;
  {
    auto app = TComponent::CreateUnowned<TApplication>(std::make_shared<OffscreenBackend>());
    TForm* form = LabelForm(*app);
    form->Show();
    app->ProcessMessages();
    want.AssignSurface(form->Surface());
  }
  ASSERT_NE(test::InkBounds(want, static_cast<TColor>(ColorToRGB(clBtnFace))), TRect{})
      << "the label drew nothing";

  std::string why;
  std::shared_ptr<SdlBackend> backend = test::OpenSdlBackend(why);
  if (!backend) GTEST_SKIP() << "no real window: " << why;
  XReader reader;
  if (!reader.Ready()) GTEST_SKIP() << "no real window: libX11 cannot reach the display";
  auto app = TComponent::CreateUnowned<TApplication>(backend);
  TForm* form = LabelForm(*app);
  form->Show();
  ASSERT_NE(dynamic_cast<SdlWindow*>(form->Window()), nullptr);
  TBitmap got = test::WhiteBitmap(want.Width(), want.Height());
  int diff = -1;
  // The server maps and exposes the window in its own time: look again
  // after each round of events, a bounded number of times.
  for (int round = 0; round < 100 && diff != 0; ++round) {
    app->ProcessMessages();
    SDL_Delay(20);
    if (reader.Capture(form->ClientOrigin(), got)) diff = CountDifferentPixels(got.Surface(), want.Surface());
  }
  EXPECT_EQ(diff, 0) << "pixels differing between the window and the offscreen rendering";

  // A cursor loaded from resources shows as a colour cursor of its picture,
  // made once. (SDL stays on this display for the process: one test only.)
  const std::vector<uint8_t> cur =
      test::MakeCur(2, 2, 1, 0, test::IconBmpImage(2, 2, {0xFF000000, 0x80FFFFFF, 0, 0xFF000000}));
  const TResource block[] = {{RT_CURSOR, "POINT", 0, cur}};
  TResourceModule module;
  module.Register(block);
  const TCursor point = LoadCursor(module, "POINT");
  ASSERT_LE(point, kFirstLoadedCursor);
  form->SetCursor(point);
  form->InjectMouse(WM_MOUSEMOVE, 5, 5, 0);
  SDL_Cursor* made = backend->SystemCursor(point);
  ASSERT_NE(made, nullptr) << SDL_GetError();
  EXPECT_NE(made, backend->SystemCursor(crArrow));
  EXPECT_EQ(SDL_GetCursor(), made);
  const std::string dir = testing::TempDir();
  if (diff != 0) {
    WriteSurfacePNG(got.Surface(), dir + "tavrel_window.png");
    WriteSurfacePNG(want.Surface(), dir + "tavrel_offscreen.png");
  }
  form->Hide();
  app.reset();
}

// Cursor pictures go to SDL with plain alpha: a half-clear white stays
// white, where cairo holds it premultiplied as gray.
TEST(UiSdlCursor, CursorPicturesGoToSdlWithPlainAlpha) {
  CairoSurface image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 3, 1));
  cairo_surface_flush(image.get());
  auto* px = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(image.get()));
  px[0] = 0x80808080;  // white at alpha 128, premultiplied
  px[1] = 0xFF000000;
  px[2] = 0;
  cairo_surface_mark_dirty(image.get());
  SDL_Surface* s = CursorSurface(image.get());
  ASSERT_NE(s, nullptr);
  const auto* got = static_cast<const uint32_t*>(s->pixels);
  EXPECT_EQ(got[0], 0x80FFFFFFu);
  EXPECT_EQ(got[1], 0xFF000000u);
  EXPECT_EQ(got[2], 0u);
  SDL_FreeSurface(s);
}

}  // namespace
}  // namespace tavrel
