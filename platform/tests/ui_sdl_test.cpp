// One real window: a form with a label opened through SDL2 on an X server
// (Xvfb started here when there is no display) and read back from the
// screen, compared with the same form rendered offscreen.
#include <SDL2/SDL.h>
#include <dlfcn.h>
#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/tests/ui_test_support.h"
#include "platform/ui/offscreen.h"
#include "platform/ui/sdl_backend.h"
#include "platform/ui/stdctrls.h"

// Last: the X headers define short macro names (None, Bool, KeyPress).
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

#if defined(__SANITIZE_THREAD__)
#define TAVREL_UI_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TAVREL_UI_TSAN 1
#endif
#endif

namespace tavrel {
namespace {

// A display for the test: the current one, or an Xvfb of our own.
class TestDisplay {
 public:
  ~TestDisplay() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  // Empty on success, else why there is no display.
  std::string Open() {
    const char* d = std::getenv("DISPLAY");
    if (d && *d) return {};
    std::string xvfb;
    for (const char* dir : {"/usr/bin/", "/usr/local/bin/", "/bin/"})
      if (access((std::string(dir) + "Xvfb").c_str(), X_OK) == 0) xvfb = std::string(dir) + "Xvfb";
    if (xvfb.empty()) return "no DISPLAY and no Xvfb installed (apt-get install xvfb)";
    int n = 90 + static_cast<int>(getpid() % 100);
    for (; n < 400; ++n) {
      struct stat st;
      if (stat(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), &st) != 0 &&
          stat(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), &st) != 0)
        break;
    }
    const std::string display = ":" + std::to_string(n);
    const char* argv[] = {xvfb.c_str(), display.c_str(), "-screen", "0", "640x480x24",
                          "-nolisten", "tcp", nullptr};
    // Quiet, and holding none of our pipes.
    posix_spawn_file_actions_t io;
    posix_spawn_file_actions_init(&io);
    posix_spawn_file_actions_addopen(&io, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&io, 2, "/dev/null", O_WRONLY, 0);
    const int rc = posix_spawn(&pid_, xvfb.c_str(), &io, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&io);
    if (rc != 0) {
      pid_ = 0;
      return "Xvfb would not start";
    }
    // The server is ready when its socket exists.
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
    for (int i = 0; i < 200; ++i) {
      struct stat st;
      if (stat(socket.c_str(), &st) == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        return {};
      }
      usleep(25000);
    }
    return "Xvfb did not come up on " + display;
  }

 private:
  pid_t pid_ = 0;
};

// Reads a window's pixels back from the X server, through libX11 loaded
// at run time so the test binary needs no X library at link time.
class XReader {
 public:
  XReader() {
    lib_ = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!lib_) return;
    open_ = reinterpret_cast<Display* (*)(const char*)>(dlsym(lib_, "XOpenDisplay"));
    close_ = reinterpret_cast<int (*)(Display*)>(dlsym(lib_, "XCloseDisplay"));
    get_ = reinterpret_cast<XImage* (*)(Display*, Drawable, int, int, unsigned, unsigned, unsigned long, int)>(
        dlsym(lib_, "XGetImage"));
    sync_ = reinterpret_cast<int (*)(Display*, Bool)>(dlsym(lib_, "XSync"));
    root_ = reinterpret_cast<Window (*)(Display*)>(dlsym(lib_, "XDefaultRootWindow"));
    // The default handler would end the process on a failed request.
    using Handler = int (*)(Display*, XErrorEvent*);
    if (auto set = reinterpret_cast<Handler (*)(Handler)>(dlsym(lib_, "XSetErrorHandler")))
      set([](Display*, XErrorEvent*) { return 0; });
    if (open_) dpy_ = open_(nullptr);
  }
  // The library stays loaded: SDL shares it, and leak reports need its symbols.
  ~XReader() {
    if (dpy_) close_(dpy_);
  }
  bool Ready() const { return dpy_ && get_ && sync_ && root_; }
  // Copies what the screen shows at `at` into a bitmap of its size; false when unreadable.
  bool Capture(TPoint at, TBitmap& into) {
    sync_(dpy_, False);
    XImage* img = get_(dpy_, root_(dpy_), at.X, at.Y, into.Width(), into.Height(), ~0UL, ZPixmap);
    if (!img) return false;
    for (int y = 0; y < into.Height(); ++y)
      for (int x = 0; x < into.Width(); ++x) {
        const unsigned long p = img->f.get_pixel(img, x, y);
        into.Canvas().SetPixel(x, y, RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
      }
    img->f.destroy_image(img);
    return true;
  }

 private:
  void* lib_ = nullptr;
  Display* dpy_ = nullptr;
  Display* (*open_)(const char*) = nullptr;
  int (*close_)(Display*) = nullptr;
  XImage* (*get_)(Display*, Drawable, int, int, unsigned, unsigned, unsigned long, int) = nullptr;
  int (*sync_)(Display*, Bool) = nullptr;
  Window (*root_)(Display*) = nullptr;
};

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
  TestDisplay display;
  if (const std::string why = display.Open(); !why.empty()) GTEST_SKIP() << "no real window: " << why;

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

  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  std::shared_ptr<SdlBackend> backend;
  try {
#ifdef __SANITIZE_ADDRESS__
    // SDL's session-bus connection keeps a buffer it never frees.
    __lsan::ScopedDisabler quiet;
#endif
    backend = std::make_shared<SdlBackend>();
  } catch (const std::exception& e) {
    GTEST_SKIP() << "no real window: " << e.what();
  }
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
