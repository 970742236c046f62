#pragma once
// The SDL2 backend on an X11 display: every form is a real top-level window
// whose surface is presented from the form's cairo surface; SDL input
// becomes the form's mouse, key and character messages.
//
//   auto backend = std::make_shared<SdlBackend>();   // EOWException: no display
//   TApplication app(nullptr, backend);
//   app.CreateForm<TMainForm>();
//   app.Run();
//   if (backend->DisplayLost()) ...                  // the loop ended because of it
//
// Threads. Create and use it on one thread (SDL's video thread): only that
// thread ever calls into SDL or Xlib. The backend is that thread's message
// wait hook: the loop sleeps in poll() on the X connection and on the
// message layer's wake descriptor, so a post from an audio thread wakes it
// through an eventfd, never through the display.
//
// Ending. SIGINT and SIGTERM (SDL's own handlers are not installed) and
// SDL_QUIT ask the main form to close, as its close button does. When the
// X connection breaks, Xlib's handlers no longer end the process: the
// backend stops using the display, asks the main form to close (so the
// program stops its audio and saves what it keeps) and ends the loop;
// DisplayLost() then says so. SIGPIPE stays blocked on the backend's thread
// (a write to the closed connection fails instead of ending the process).
//
// SDL's video stays initialised once started, for the life of the process:
// later backends reuse it, and its libraries are not unloaded under live
// windows.
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "platform/ui/forms.h"

struct SDL_Window;
struct _XDisplay;
typedef struct _XDisplay Display;
struct SDL_Cursor;
struct SDL_Surface;
union SDL_Event;

namespace tavrel {

class SdlWindow;

// A cursor picture's pixels as SDL takes them: ARGB with plain alpha
// (cairo keeps colours premultiplied). The caller frees the surface.
SDL_Surface* CursorSurface(cairo_surface_t* image);

class SdlBackend : public TWindowBackend, public MessageWaitHook {
 public:
  SdlBackend();
  ~SdlBackend() override;
  SdlBackend(const SdlBackend&) = delete;
  SdlBackend& operator=(const SdlBackend&) = delete;

  std::unique_ptr<TBackendWindow> CreateWindow(TForm& form) override;
  void PumpEvents() override;
  TPoint CursorPos() const override;
  void SetCursorPos(TPoint p) override;
  TSize ScreenSize() const override;
  std::string ClipboardText() const override;
  void SetClipboardText(const std::string& text) override;
  bool OpenURL(const std::string& url) override;

  void Wait(std::optional<uint32_t> timeoutMs, int wakeFd) override;

  // True once the X connection broke; the display is not used again.
  bool DisplayLost() const { return lost_; }

  // The SDL cursor of a shape or of a loaded cursor (resources.h), made once.
  SDL_Cursor* SystemCursor(TCursor c);

 private:
  friend class SdlWindow;
  friend struct SdlDisplayWatch;
  // Delivers every event SDL has; the number delivered. SDL is pumped only
  // when something may wait (a pump costs several calls into the X
  // connection, and the loop wakes for every captured buffer), and at least
  // every kPumpAtLeastEvery, for what SDL does on its own time.
  int DeliverEvents();
  bool EventsMayWait();
  static constexpr std::chrono::seconds kPumpAtLeastEvery{1};
  void Handle(const SDL_Event& e);
  TForm* FormOf(uint32_t windowId) const;
  // The main form is asked to close (SDL_QUIT, a signal, a lost display).
  void RequestClose();
  // Passes a pending close request on, once there is a form to take it.
  void CheckEndings();
  // Runs plain SDL calls that may reach the X server; false when the
  // display was lost before or during them (sdl_backend.cpp).
  template <class F>
  bool Guarded(F&& call);

  Display* display_ = nullptr;  // SDL's X connection
  int x_fd_ = -1;               // its socket, polled while waiting
  std::chrono::steady_clock::time_point last_pump_{};
  bool lost_ = false;     // set by Xlib's exit handler, on this thread
  bool lost_told_ = false;
  bool close_wanted_ = false;
  std::map<uint32_t, SdlWindow*> windows_;
  std::map<TCursor, SDL_Cursor*> cursors_;
};

class SdlWindow : public TBackendWindow {
 public:
  SdlWindow(SdlBackend& backend, TForm& form);
  ~SdlWindow() override;
  void SetBounds(const TRect& r) override;
  void SetVisible(bool v) override;
  void SetTitle(const std::string& t) override;
  void Present(cairo_surface_t* surface, const TRect& dirty) override;
  void Raise() override;
  void SetStayOnTop(bool v) override;
  void SetCursorShape(TCursor c) override;
  void SetCapture(bool v) override;

  SDL_Window* Window() const { return window_; }
  TForm& Form() const { return form_; }

 private:
  friend class SdlBackend;
  SdlBackend& backend_;
  TForm& form_;
  SDL_Window* window_ = nullptr;
  bool moving_from_system_ = false;
  struct FreeSurface {
    void operator()(SDL_Surface* s) const;
  };
  std::unique_ptr<SDL_Surface, FreeSurface> source_;  // the form's pixels as SDL sees them
};

}  // namespace tavrel
