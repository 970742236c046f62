// One real window: a form with a label opened through SDL2 on an X server
// (Xvfb started here when there is no display) and read back from the
// screen, compared with the same form rendered offscreen.
#include <SDL2/SDL.h>
#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif
#include <gtest/gtest.h>

#include <string>

#include "platform/tests/ui_test_support.h"
#include "platform/ui/offscreen.h"
#include "platform/tests/sdl_display.h"
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
  const std::string dir = testing::TempDir();
  if (diff != 0) {
    WriteSurfacePNG(got.Surface(), dir + "tavrel_window.png");
    WriteSurfacePNG(want.Surface(), dir + "tavrel_offscreen.png");
  }
  form->Hide();
  app.reset();
}

}  // namespace
}  // namespace tavrel
