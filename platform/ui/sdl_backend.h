#pragma once
// The SDL2 backend: every form is a real top-level window whose surface is
// presented from the form's cairo surface; SDL input becomes the form's
// mouse, key and character messages. The backend is also the message
// loop's wait hook on the GUI thread, so the loop sleeps in SDL's event
// wait and any post from another thread wakes it.
//
//   auto backend = std::make_shared<SdlBackend>();   // throws EOWException without video
//   TApplication app(nullptr, backend);
//   app.CreateForm<TMainForm>();
//   app.Run();
//
// Create and use it on one thread (SDL's video thread). SDL's video stays
// initialised once started, for the life of the process: later backends
// reuse it, and its libraries are not unloaded under live windows.
#include <cstdint>
#include <map>
#include <optional>

#include "platform/ui/forms.h"

struct SDL_Window;
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

  void Wait(std::optional<uint32_t> timeoutMs) override;
  void Wake() override;

  // The SDL cursor of a shape or of a loaded cursor (resources.h), made once.
  SDL_Cursor* SystemCursor(TCursor c);

 private:
  friend class SdlWindow;
  void Handle(const SDL_Event& e);
  TForm* FormOf(uint32_t windowId) const;

  uint32_t wake_event_ = 0;
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
};

}  // namespace tavrel
