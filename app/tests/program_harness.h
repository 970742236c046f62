#pragma once
// Running the real program in a test: the window closed as its close button
// would, a WAV to record from, and what a 16-bit stream becomes through a
// set of FIR taps.
//
//   ProgramRun run(program, dir / "output.txt", {{"DISPLAY", ":91"}});
//   WindowShows(":91", "Tavrel");
//   CloseWindowNamed(":91", "Tavrel");
//   run.Exited(); run.ExitCode();
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/tests/x_display.h"  // TAVREL_UI_TSAN

extern char** environ;

namespace tavrel::apptest {

// The program built in this tree; empty when the tree builds none.
#ifdef TAVREL_PROGRAM
inline constexpr const char* kProgram = TAVREL_PROGRAM;
#else
inline constexpr const char* kProgram = "";
#endif

// Why the real program's window cannot be run here; "" when it can.
inline std::string ProgramWindowMissing() {
  if (!*kProgram) return "the program is not built in this tree";
#ifdef TAVREL_UI_TSAN
  return "the program's SDL window draws through an X11 driver that is not instrumented for "
         "ThreadSanitizer; the program runs end to end in the plain and address-sanitizer builds";
#endif
  return "";
}

// A whole file as text; empty when it cannot be read.
inline std::string ReadText(const std::filesystem::path& p) {
  std::ifstream in(p);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The top-level window of that title on the display, if there is one.
// Windows may come and go while the tree is walked: a request about one
// that went fails quietly instead of ending the test.
inline std::optional<Window> WindowNamed(::Display* d, const std::string& title) {
  struct QuietErrors {
    XErrorHandler before = XSetErrorHandler([](::Display*, XErrorEvent*) { return 0; });
    ~QuietErrors() { XSetErrorHandler(before); }
  } quiet;
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False), netName = XInternAtom(d, "_NET_WM_NAME", False);
  auto nameOf = [&](Window w) {
    std::string name;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, netName, 0, 256, False, utf8, &type, &format, &count, &after, &data) == Success &&
        data) {
      name.assign(reinterpret_cast<char*>(data), count);
      XFree(data);
    }
    return name;
  };
  std::vector<Window> todo{DefaultRootWindow(d)};
  while (!todo.empty()) {
    Window w = todo.back(), root, parent, *children = nullptr;
    todo.pop_back();
    if (nameOf(w) == title) return w;
    unsigned n = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &n) && children) {
      todo.insert(todo.end(), children, children + n);
      XFree(children);
    }
  }
  return std::nullopt;
}

// True once a window of that title shows on the display.
inline bool WindowShows(const std::string& display, const std::string& title) {
  ::Display* d = XOpenDisplay(display.c_str());
  if (!d) return false;
  const bool found = WindowNamed(d, title).has_value();
  XCloseDisplay(d);
  return found;
}

// Sends WM_DELETE_WINDOW to the top-level window of that title, as a click
// on its close button does. False while there is no such window.
inline bool CloseWindowNamed(const std::string& display, const std::string& title) {
  ::Display* d = XOpenDisplay(display.c_str());
  if (!d) return false;
  const std::optional<Window> found = WindowNamed(d, title);
  if (found) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = *found;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, *found, False, NoEventMask, &ev);
    XSync(d, False);
  }
  XCloseDisplay(d);
  return found.has_value();
}

// A program started with extra environment, its output in a file; a
// variable given no value is left out.
class ProgramRun {
 public:
  ProgramRun(const std::string& program, const std::filesystem::path& output,
             const std::map<std::string, std::optional<std::string>>& env) {
    std::vector<std::string> vars;
    for (char** e = environ; *e; ++e) {
      std::string v = *e;
      if (!env.count(v.substr(0, v.find('=')))) vars.push_back(v);
    }
    for (auto& [k, v] : env)
      if (v) vars.push_back(k + "=" + *v);
    std::vector<char*> envp;
    for (auto& v : vars) envp.push_back(v.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~ProgramRun() {
    if (pid_ > 0 && !Exited()) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool Started() const { return pid_ > 0; }
  bool Exited() {
    if (status_) return true;
    int status = 0;
    if (pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
    return status_.has_value();
  }
  pid_t Pid() const { return pid_; }
  // The exit code, or -signal.
  int ExitCode() const {
    if (!status_) return -1000;
    return WIFEXITED(*status_) ? WEXITSTATUS(*status_) : -WTERMSIG(*status_);
  }

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// A 16-bit PCM WAV file of interleaved samples.
inline std::vector<char> MakeWav(const std::vector<int16_t>& samples, uint32_t rate, uint16_t channels) {
  std::vector<char> w;
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) w.push_back(char((v >> (8 * i)) & 0xFF));
  };
  auto tag = [&](const char* t) { w.insert(w.end(), t, t + 4); };
  const uint32_t data = uint32_t(samples.size() * 2);
  tag("RIFF"), put(36 + data, 4), tag("WAVE");
  tag("fmt "), put(16, 4), put(1, 2), put(channels, 2), put(rate, 4), put(rate * channels * 2, 4);
  put(channels * 2u, 2), put(16, 2);
  tag("data"), put(data, 4);
  const char* bytes = reinterpret_cast<const char*>(samples.data());
  w.insert(w.end(), bytes, bytes + data);
  return w;
}

inline std::vector<int16_t> AsSamples(const std::vector<char>& bytes) {
  std::vector<int16_t> s(bytes.size() / 2);
  std::memcpy(s.data(), bytes.data(), s.size() * 2);
  return s;
}

// The stream through the taps, per channel from silence: sums in long
// double, rounded half to even within -32767..32767. NearTie marks the
// samples whose exact value sits on a half, where another summation order
// may round one step apart.
struct Filtered {
  std::vector<int16_t> samples;
  std::vector<bool> nearTie;
};

template <class Taps>
Filtered FilterThrough(const std::vector<int16_t>& in, size_t channels, const Taps& taps, size_t count) {
  Filtered f;
  f.samples.resize(in.size());
  f.nearTie.resize(in.size());
  const size_t frames = in.size() / channels;
  for (size_t c = 0; c < channels; ++c)
    for (size_t n = 0; n < frames; ++n) {
      long double y = 0;
      for (size_t k = 0; k < count && k <= n; ++k) y += (long double)taps[k] * in[(n - k) * channels + c];
      f.nearTie[n * channels + c] = std::fabs(std::fabs(y - std::trunc(y)) - 0.5L) < 1e-6L;
      f.samples[n * channels + c] = int16_t(std::clamp(std::nearbyint(y), -32767.0L, 32767.0L));
    }
  return f;
}

// Where the played stream holds the expected one: the played frame of
// expected frame 0 (may be negative when the first frames were never
// played), found from a 64-frame stretch at expected frame `probe`.
inline std::optional<long> FindOffset(const std::vector<int16_t>& played, const std::vector<int16_t>& expected,
                                      size_t channels, size_t probe) {
  const size_t len = 64 * channels, at = probe * channels;
  if (at + len > expected.size() || played.size() < len) return std::nullopt;
  for (size_t p = 0; p + len <= played.size(); p += channels)
    if (std::equal(expected.begin() + long(at), expected.begin() + long(at + len), played.begin() + long(p)))
      return long(p / channels) - long(probe);
  return std::nullopt;
}

}  // namespace tavrel::apptest
