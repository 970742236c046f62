// The message loop on real windows: what wakes it, and how a request to
// close arrives (a click on the close button, a signal).
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "platform/tests/sdl_display.h"
#include "platform/ui/forms.h"
#include "platform/ui/sdl_backend.h"
// Last: they bring the X headers, which define short macro names.
#include <SDL2/SDL_syswm.h>

#include "platform/tests/x_display.h"

namespace tavrel {
namespace {

// A shown main form on SDL whose close query counts its calls and runs the
// pending messages meanwhile, as the program's own does.
class SdlLoopTest : public testing::Test {
 protected:
  void SetUp() override {
#ifdef TAVREL_UI_TSAN
    GTEST_SKIP() << "SDL's X11 video driver is not instrumented for ThreadSanitizer; the real-window "
                    "tests run in the plain and address-sanitizer builds";
#endif
    if (const std::string why = test::OpenProcessDisplay(); !why.empty()) GTEST_SKIP() << "no display: " << why;
    std::string why;
    backend = test::OpenSdlBackend(why);
    if (!backend) GTEST_SKIP() << "no display: " << why;
    app = TComponent::CreateUnowned<TApplication>(backend);
    form = app->CreateForm<TForm>();
    form->SetBounds(0, 0, 120, 40);
    form->SetCaption("Loop");
    form->OnCloseQuery = TCloseQueryEvent(
        [this](TObject*, bool& can) {
          ++closeQueries;
          app->ProcessMessages();
          can = true;
        },
        form);
    form->Show();
    app->ProcessMessages();
  }
  void TearDown() override {
    app.reset();
    backend.reset();
  }

  // Runs the loop as TApplication::Run does, until the main form has closed,
  // at most `rounds` waits; then a few more rounds for anything late.
  void RunUntilClosed(int rounds = 200) {
    for (int i = 0; i < rounds && !app->Terminated(); ++i) app->HandleMessage();
    for (int i = 0; i < 5; ++i) {
      SDL_Delay(20);
      app->ProcessMessages();
    }
  }

  // A hidden window that counts the WM_APP posts it gets in `count`.
  static HWND AppPostCounter(int& count) {
    return AllocateHWnd([&count](UINT m, WPARAM, LPARAM) -> LRESULT {
      count += m == WM_APP;
      return 0;
    });
  }

  std::shared_ptr<SdlBackend> backend;
  ComponentPtr<TApplication> app;
  TForm* form = nullptr;
  int closeQueries = 0;
};

TEST_F(SdlLoopTest, APostFromAnotherThreadEndsTheWait) {
  int got = 0;
  const HWND w = AppPostCounter(got);
  app->ProcessMessages();
  // No timer runs: once the window's own events are handled, only the post
  // can end the wait, which it reaches while the loop sleeps (with a broken
  // wake the loop would sleep on).
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    PostMessage(w, WM_APP, 0, 0);
  });
  while (got == 0) {
    WaitMessage();
    ProcessMessages();
  }
  poster.join();
  EXPECT_EQ(got, 1);
  DeallocateHWnd(w);
}

// The loop does not pump SDL on every wake; what the program asked of the
// window since the last pump still reaches the server before the loop
// sleeps: here a new title, seen through another connection while the
// loop waits. Only the watcher's post ends the wait, once it has seen the
// title or given up.
TEST_F(SdlLoopTest, WhatTheWindowWasAskedReachesTheServerBeforeTheLoopSleeps) {
  int woken = 0;
  const HWND w = AppPostCounter(woken);
  app->ProcessMessages();
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  ASSERT_TRUE(SDL_GetWindowWMInfo(static_cast<SdlWindow*>(form->Window())->Window(), &info));
  const Window window = info.info.x11.window;
  form->SetCaption("Renamed");
  bool seen = false;
  std::thread watcher([&] {
    Display* d = XOpenDisplay(nullptr);
    for (int i = 0; d && i < 2000 && !seen; ++i) {
      char* name = nullptr;
      if (XFetchName(d, window, &name) && name) {
        seen = std::string(name) == "Renamed";
        XFree(name);
      }
      if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (d) XCloseDisplay(d);
    PostMessage(w, WM_APP, 0, 0);
  });
  while (woken == 0) {
    WaitMessage();
    ProcessMessages();
  }
  watcher.join();
  EXPECT_TRUE(seen) << "the new title stayed in the program while the loop slept";
  DeallocateHWnd(w);
}

TEST_F(SdlLoopTest, OneClickOnTheCloseButtonIsOneCloseRequest) {
  // What the window manager sends for a click on the close button.
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  ASSERT_TRUE(SDL_GetWindowWMInfo(static_cast<SdlWindow*>(form->Window())->Window(), &info));
  Display* d = XOpenDisplay(nullptr);
  ASSERT_NE(d, nullptr);
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = info.info.x11.window;
  ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, info.info.x11.window, False, NoEventMask, &ev);
  XSync(d, False);
  XCloseDisplay(d);

  // The loop does not pump SDL on every wake, but the wake the event
  // causes delivers it.
  for (int i = 0; i < 3 && closeQueries == 0; ++i) app->HandleMessage();
  EXPECT_EQ(closeQueries, 1) << "the event woke the loop but was not delivered";
  RunUntilClosed();
  EXPECT_TRUE(app->Terminated());
  EXPECT_EQ(closeQueries, 1);
}

// A request that arrives while the close query runs the pending messages
// is the request being handled, whatever brought it: the query runs once.
TEST_F(SdlLoopTest, ARequestWhileTheCloseRunsIsThatSameClose) {
  const struct {
    const char* name;
    std::function<void()> request;
  } cases[] = {{"a second close event", [this] { PostMessage(form->Handle(), WM_CLOSE, 0, 0); }},
               {"an end signal", [] { ::raise(SIGTERM); }}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    closeQueries = 0;
    app->Terminate();
    app.reset();
    app = TComponent::CreateUnowned<TApplication>(backend);
    form = app->CreateForm<TForm>();
    form->OnCloseQuery = TCloseQueryEvent(
        [&](TObject*, bool& can) {
          if (++closeQueries == 1) c.request();
          app->ProcessMessages();
          can = true;
        },
        form);
    form->Show();
    form->InjectCloseRequest();
    RunUntilClosed();
    EXPECT_TRUE(app->Terminated());
    EXPECT_EQ(closeQueries, 1);
  }
}

TEST_F(SdlLoopTest, EndSignalsAskTheMainFormToClose) {
  for (int sig : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(sig);
    closeQueries = 0;
    app->Terminate();
    app.reset();
    app = TComponent::CreateUnowned<TApplication>(backend);
    form = app->CreateForm<TForm>();
    form->OnCloseQuery = TCloseQueryEvent([this](TObject*, bool& can) { ++closeQueries, can = true; }, form);
    form->Show();
    ::raise(sig);  // the handler has run when this returns
    RunUntilClosed();
    EXPECT_TRUE(app->Terminated());
    EXPECT_EQ(closeQueries, 1);
  }
}

TEST(SdlBackendEnd, SignalsGoBackToTheirHandlersAfterTheLastBackend) {
#ifdef TAVREL_UI_TSAN
  GTEST_SKIP() << "SDL's X11 video driver is not instrumented for ThreadSanitizer";
#endif
  if (const std::string why = test::OpenProcessDisplay(); !why.empty()) GTEST_SKIP() << "no display: " << why;
  struct sigaction mine {}, before {}, during {}, after {};
  mine.sa_handler = [](int) {};
  sigemptyset(&mine.sa_mask);
  sigaction(SIGTERM, &mine, &before);
  std::string why;
  if (auto backend = test::OpenSdlBackend(why)) {
    sigaction(SIGTERM, nullptr, &during);
    EXPECT_NE(during.sa_handler, mine.sa_handler);
  }
  sigaction(SIGTERM, &before, &after);
  if (!why.empty()) GTEST_SKIP() << "no display: " << why;
  EXPECT_EQ(after.sa_handler, mine.sa_handler);
}

}  // namespace
}  // namespace tavrel
