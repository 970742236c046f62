#pragma once
// The offscreen backend: forms render into their cairo surfaces only, for
// tests and screenshots. Windows record what was asked of them; the cursor
// position is whatever the test sets; input is injected through the form
// (TForm::InjectMouse, InjectKey, ...). Pair it with a ManualClock
// (SetMessageClock) for timers. The clipboard is this process's own,
// beeps are counted and addresses to open are recorded.
//
// Input meant to arrive while a message loop runs (ShowModal) is queued as
// steps: each pump of the loop delivers the next step, as a user acts
// between two turns of the loop.
//
//   auto backend = std::make_shared<OffscreenBackend>();
//   TApplication app(nullptr, backend);
//   ...
//   backend->QueueInput([&] { dialog->InjectKey(WM_KEYDOWN, VK_ESCAPE, 0); });
//   dialog->ShowModal();                       // mrCancel
//   SaveFormPNG(*form, "form.png");
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/forms.h"

namespace tavrel {

class OffscreenWindow : public TBackendWindow {
 public:
  void SetBounds(const TRect& r) override { bounds = r; }
  void SetVisible(bool v) override { visible = v; }
  void SetTitle(const std::string& t) override { title = t; }
  void Present(cairo_surface_t*, const TRect& dirty) override {
    ++presents;
    last_dirty = dirty;
  }
  void Raise() override { ++raises; }
  void SetStayOnTop(bool v) override { stay_on_top = v; }
  void SetCursorShape(TCursor c) override { cursor = c; }
  void SetCapture(bool v) override { captured = v; }

  TRect bounds;
  bool visible = false;
  std::string title;
  int presents = 0;
  TRect last_dirty;
  int raises = 0;
  bool stay_on_top = false;
  TCursor cursor = crDefault;
  bool captured = false;
};

class OffscreenBackend : public TWindowBackend {
 public:
  std::unique_ptr<TBackendWindow> CreateWindow(TForm&) override {
    return std::make_unique<OffscreenWindow>();
  }
  // Runs the next queued input step, if any.
  void PumpEvents() override;
  bool InputPending() const override { return !steps_.empty(); }
  TPoint CursorPos() const override { return cursor_; }
  void SetCursorPos(TPoint p) override { cursor_ = p; }
  TSize ScreenSize() const override { return {1024, 768}; }
  void Beep() override { ++beeps; }
  // Recorded, never opened.
  bool OpenURL(const std::string& url) override {
    opened_urls.push_back(url);
    return true;
  }

  void QueueInput(std::function<void()> step) { steps_.push_back(std::move(step)); }

  int beeps = 0;
  std::vector<std::string> opened_urls;

 private:
  TPoint cursor_;
  std::deque<std::function<void()>> steps_;
};

// The offscreen window of a form, or null with another backend.
OffscreenWindow* OffscreenWindowOf(const TForm& form);

// Paints what is invalid and writes the form's client area as PNG.
bool SaveFormPNG(TForm& form, const std::string& path);

}  // namespace tavrel
