#pragma once
// A real X display for the window tests, and a reader of what it shows.
//
//   test::TestDisplay display;
//   if (std::string why = display.Open(); !why.empty()) GTEST_SKIP() << why;
//   ... open SDL windows ...
//   test::XReader reader;
//   reader.Capture(form->ClientOrigin(), bitmap);
//
// Open uses the current DISPLAY, or starts an Xvfb of its own on a display
// number the server picks (always, with ownServer) and points DISPLAY at it; the
// server ends with the object. XReader reaches libX11 at run time, so a
// test program needs no X library at link time.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/sanitizers.h"
#include "platform/ui/graphics.h"

// Last: the X headers define short macro names (None, Bool, KeyPress).
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

// SDL's X11 video driver is not instrumented for ThreadSanitizer.
#ifdef TAVREL_TSAN
#define TAVREL_UI_TSAN 1
#endif

namespace tavrel::test {

// A display for the test: the current one, or an Xvfb of our own.
class TestDisplay {
 public:
  ~TestDisplay() {
    End(SIGTERM);
    if (!own_) return;
    if (had_display_) setenv("DISPLAY", old_display_.c_str(), 1);
    else unsetenv("DISPLAY");
  }
  // Ends our own server with that signal and waits for it; every client's
  // connection breaks.
  void End(int sig) {
    if (pid_ <= 0) return;
    kill(pid_, sig);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }
  // Empty on success, else why there is no display.
  std::string Open(bool ownServer = false) {
    const char* d = std::getenv("DISPLAY");
    if (!ownServer && d && *d) return {};
    std::string xvfb;
    for (const char* dir : {"/usr/bin/", "/usr/local/bin/", "/bin/"})
      if (access((std::string(dir) + "Xvfb").c_str(), X_OK) == 0) xvfb = std::string(dir) + "Xvfb";
    if (xvfb.empty()) return "no Xvfb installed (apt-get install xvfb)";
    // The server picks a free display itself and writes its number once it
    // takes connections: a number chosen here could be taken by a test
    // starting at the same time, whose server we would then share.
    int ready[2];
    if (pipe(ready) != 0) return "no pipe for Xvfb";
    const std::string fd = std::to_string(ready[1]);
    // No reset when the last client leaves: a test looking for a window
    // connects and leaves again and again, and a reset drops the
    // connections arriving meanwhile, the program's first among them.
    const char* argv[] = {xvfb.c_str(), "-displayfd", fd.c_str(), "-screen", "0", "640x480x24",
                          "-nolisten", "tcp", "-noreset", nullptr};
    // Quiet, and holding none of our other pipes.
    posix_spawn_file_actions_t io;
    posix_spawn_file_actions_init(&io);
    posix_spawn_file_actions_addopen(&io, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&io, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&io, ready[0]);
    const int rc = posix_spawn(&pid_, xvfb.c_str(), &io, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&io);
    close(ready[1]);
    if (rc != 0) {
      close(ready[0]);
      pid_ = 0;
      return "Xvfb would not start";
    }
    std::string number;
    pollfd wait{ready[0], POLLIN, 0};
    char c;
    while (poll(&wait, 1, 20000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n') number += c;
    close(ready[0]);
    if (number.empty()) return "Xvfb did not come up";
    const std::string display = ":" + number;
    own_ = true;
    had_display_ = d != nullptr;
    if (d) old_display_ = d;
    setenv("DISPLAY", display.c_str(), 1);
    return {};
  }

 private:
  pid_t pid_ = 0;
  bool own_ = false;
  bool had_display_ = false;
  std::string old_display_;
};

// The display of every real window of a test program: one server for the
// process, started on first use, because SDL's video, once started, stays
// bound to the server it first met. Empty on success, else why there is none.
inline std::string OpenProcessDisplay() {
  static TestDisplay display;
  static const std::string why = display.Open();
  return why;
}

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

}  // namespace tavrel::test
