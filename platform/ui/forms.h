#pragma once
// Top-level windows and the application: TForm (a control tree with its
// own surface, focus, hit testing and input routing), TApplication (the
// message loop, repainting, the exception hook, hints), TScreen (cursor
// override, cursor position) and the window backend a form shows through.
//
//   TApplication app(nullptr, std::make_shared<OffscreenBackend>());
//   auto* form = app.CreateForm<TForm>();
//   form->SetBounds(0, 0, 320, 200);
//   form->Show();
//   app.ProcessMessages();                        // posted messages, timers, repaint
//   form->InjectMouse(WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
//   WriteSurfacePNG(form->Surface(), "form.png");
//
// A form's surface holds its whole client area; controls paint into it at
// their offsets. Input arrives from the backend (or a test) as messages in
// form coordinates and goes to the control under the point, to the control
// holding the capture, or to the focused control for keys.
//
// Modal forms: ShowModal shows the form and runs the application's message
// loop until ModalResult becomes non-zero (a button with a ModalResult, or
// Close, which gives mrCancel); other forms take no input meanwhile.
//
//   auto* dlg = TComponent::Create<TDialog>(app);
//   if (dlg->ShowModal() == mrOk) ...
//
// The top layer: a form may hold overlays, children drawn above every other
// control and taking the mouse first, such as a combo box's dropped list.
// Nothing below an overlay paints over it, and it is not clipped by the
// control that opened it.
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/surface.h"

namespace tavrel {

class TForm;
class TMouseTracker;

// One top-level window of a backend.
class TBackendWindow {
 public:
  virtual ~TBackendWindow() = default;
  virtual void SetBounds(const TRect& screen) = 0;
  virtual void SetVisible(bool v) = 0;
  virtual void SetTitle(const std::string& title) = 0;
  // The form's surface changed inside `dirty` (form coordinates).
  virtual void Present(cairo_surface_t* surface, const TRect& dirty) = 0;
  virtual void Raise() = 0;
  virtual void SetStayOnTop(bool v) = 0;
  virtual void SetCursorShape(TCursor c) = 0;
  virtual void SetCapture(bool v) = 0;
};

class TWindowBackend {
 public:
  virtual ~TWindowBackend() = default;
  virtual std::unique_ptr<TBackendWindow> CreateWindow(TForm& form) = 0;
  // Delivers pending input to the forms; never waits.
  virtual void PumpEvents() = 0;
  // Input is waiting that PumpEvents would deliver without any message
  // arriving first (the message loop does not sleep then).
  virtual bool InputPending() const { return false; }
  virtual TPoint CursorPos() const = 0;
  virtual void SetCursorPos(TPoint p) = 0;
  virtual TSize ScreenSize() const = 0;
  // The clipboard's text; this process's own unless a backend shares the system's.
  virtual std::string ClipboardText() const { return clipboard_; }
  virtual void SetClipboardText(const std::string& text) { clipboard_ = text; }
  // The user is told an input was refused (MessageBeep).
  virtual void Beep() {}
  // Hands an address to the desktop's browser or mail program; false when
  // nothing took it. Callers decide which addresses may go out.
  virtual bool OpenURL(const std::string& url) {
    (void)url;
    return false;
  }

 private:
  std::string clipboard_;
};

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TFormStyle { fsNormal, fsStayOnTop };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
// Where Show places a form the first time.
enum class TPosition {
  poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
  poMainFormCenter, poOwnerFormCenter
};

// How a modal form was closed; 0 keeps it open.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4,
                              mrIgnore = 5, mrYes = 6, mrNo = 7;

using TCloseEvent = Method<void(TObject*, TCloseAction&)>;
using TCloseQueryEvent = Method<void(TObject*, bool&)>;
// Observes a form's messages before the form handles them; true swallows.
using TMessageObserver = std::function<bool(TMessage&)>;

class TForm : public TCustomControl {
  TAVREL_CLASS_INFO
 public:
  explicit TForm(TComponent* owner);

  void SetBounds(int left, int top, int width, int height) override;
  bool Showing() const override { return Visible() && shown_; }
  void Show();
  void Hide();
  void Close();
  void Release();  // destroyed from the message loop, after the current message

  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle v) { border_style_ = v; }
  TPosition Position() const { return position_; }
  void SetPosition(TPosition v) { position_ = v; }

  // Shows the form and runs the message loop until ModalResult is set (or
  // the application terminates: mrCancel); hides it and returns the result.
  TModalResult ShowModal();
  bool Modal() const { return modal_; }
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult v) { modal_result_ = v; }
  TFormStyle FormStyle() const { return form_style_; }
  void SetFormStyle(TFormStyle v);
  bool KeyPreview() const { return key_preview_; }
  void SetKeyPreview(bool v) { key_preview_ = v; }

  TWinControl* ActiveControl() const { return active_; }
  void SetActiveControl(TWinControl* c);
  // Moves the focus: exit notifications from the old control up to the
  // common parent, enter notifications down to the new one.
  bool SetFocusedControl(TWinControl* c);
  bool Active() const { return active_form_; }
  void SelectNext(TWinControl* current, bool forward, bool checkTabStop);

  // Surface and painting.
  cairo_surface_t* Surface() const { return surface_.get(); }
  bool NeedsPaint() const;  // invalid controls, or drawing not presented yet
  // Paints every invalid windowed control into the surface and presents it.
  void PaintInvalid();
  TBackendWindow* Window() const { return window_.get(); }
  // Part of the surface was drawn outside painting: present it with the next paint.
  void SurfaceTouched(const TRect& r) { presented_dirty_ = UnionRect(presented_dirty_, r); }

  // Input in form client coordinates, as the backend delivers it.
  void InjectMouse(UINT msg, int x, int y, WPARAM keys);
  // A wheel turn (multiples of WHEEL_DELTA, positive away from the user):
  // to an open drop-down when the pointer is over it, else to the focused control.
  void InjectWheel(int x, int y, int delta, WPARAM keys);
  void InjectMouseLeave();  // the pointer left the window
  void InjectKey(UINT msg, uint16_t key, TShiftState shift);
  void InjectChar(char32_t ch, TShiftState shift);
  void InjectActivate(bool active);
  void InjectResize(int width, int height);
  void InjectCloseRequest();

  TControl* CaptureControl() const { return capture_; }
  void SetCaptureControl(TControl* c);
  // The control that would get a mouse message at a form point.
  TControl* ControlAtFormPoint(TPoint p) const;

  // The top layer (see above). An overlay must be a child of this form.
  void SetOverlay(TWinControl* c, bool on);
  bool IsOverlay(const TControl* c) const;
  // Keeps the overlays last in the z-order after children were added or raised.
  void RaiseOverlays();

  // Windows clip their siblings: the windowed controls above c, or above
  // one of its parents (overlays included), meet the form rectangle.
  bool CoveredAbove(const TControl& c, const TRect& formRect) const;
  // Takes them out of the clip of a canvas whose origin lies on this form's surface.
  void ClipAbove(TCanvas& dc, const TControl& c) const;

  void AddMessageObserver(TObject* who, TMessageObserver obs);
  void RemoveMessageObserver(TObject* who);

  TNotifyEvent OnCreate, OnShow, OnHide, OnActivate, OnDeactivate, OnDestroy;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  void WndProc(TMessage& m) override;
  // Called as a control goes, so no pointer to it stays behind.
  void ControlDestroying(TControl* c);

 protected:
  ~TForm() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  virtual bool CloseQuery();
  // Whether showing the form makes it the active window (a tooltip does not).
  virtual bool ShowActivates() const { return true; }

 private:
  void EnsureSurface();
  void PaintTree(TWinControl* c);
  template <class F>
  void ForEachAbove(const TControl& c, F&& f) const;
  TWinControl* FocusTarget() const;
  bool TakesInput() const;
  void PlaceForShow();

  CairoSurface surface_;
  std::unique_ptr<TBackendWindow> window_;
  TRect presented_dirty_;
  bool shown_ = false;
  bool active_form_ = false;
  bool key_preview_ = false;
  TFormBorderStyle border_style_ = TFormBorderStyle::bsSizeable;
  TFormStyle form_style_ = TFormStyle::fsNormal;
  TPosition position_ = TPosition::poDesigned;
  bool placed_ = false;
  bool modal_ = false;
  bool closing_ = false;  // while Close runs
  TModalResult modal_result_ = mrNone;
  std::vector<TWinControl*> overlays_;
  TWinControl* active_ = nullptr;   // focused control
  TControl* capture_ = nullptr;
  std::vector<std::pair<TObject*, TMessageObserver>> observers_;
};

// What a control may change before its hint shows.
struct THintInfo {
  TControl* HintControl = nullptr;
  TPoint CursorPos;       // control client coordinates
  TRect CursorRect;       // moving out of it hides the hint
  std::string HintStr;
  int HideTimeout = 0;
};

// The tooltip: a borderless window in the info colours showing the hint text.
class THintWindow : public TForm {
 public:
  explicit THintWindow(TComponent* owner);
  // The size the text needs, at most `maxWidth` wide, placed at (0, 0).
  TRect CalcHintRect(int maxWidth, const std::string& text) const;
  void ActivateHint(const TRect& screenRect, const std::string& text);

 protected:
  void Paint() override;
  bool ShowActivates() const override { return false; }
};

using TExceptionEvent = Method<void(TObject*, const std::exception&)>;
using TShowHintEvent = Method<void(std::string&, bool&, THintInfo&)>;

class TScreen;

class TApplication : public TComponent {
  TAVREL_CLASS_INFO
 public:
  TApplication(TComponent* owner, std::shared_ptr<TWindowBackend> backend);

  template <class T>
  T* CreateForm() {
    T* f = TComponent::Create<T>(this);
    if (!main_form_) main_form_ = f;
    return f;
  }
  TForm* MainForm() const { return main_form_; }
  // The application's window handle: its own hidden window unless another
  // is assigned (a dialog placed over a foreign window does that).
  HWND Handle() const { return handle_; }
  void SetHandle(HWND h) { handle_ = h; }
  TWindowBackend& Backend() const { return *backend_; }
  TScreen& Screen() const { return *screen_; }

  // Pumps input, dispatches posted messages and due timers, repaints.
  void ProcessMessages();
  // ProcessMessages; when nothing was pending, waits for the next message or input.
  void HandleMessage();
  // Runs the loop until Terminate or the main form closes.
  void Run();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  // Called with the exception being handled (inside a catch); OnException
  // when set, else the message goes to standard error.
  void HandleException(TObject* sender);
  TExceptionEvent OnException;

  // Hints.
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool v);
  int HintPause() const { return hint_pause_; }
  void SetHintPause(int ms) { hint_pause_ = ms; }
  int HintHidePause() const { return hint_hide_pause_; }
  void SetHintHidePause(int ms) { hint_hide_pause_ = ms; }
  bool HintShowing() const { return hint_showing_; }
  const std::string& HintText() const { return hint_text_; }
  TControl* HintControl() const { return hint_control_; }
  THintWindow* HintWindow() const { return hint_window_; }
  void CancelHint();
  void ActivateHint(TPoint screenPos);
  TShowHintEvent OnShowHint;

  // Mouse enter and leave: the control under the mouse.
  TControl* MouseControl() const { return mouse_control_; }
  void SetMouseControl(TControl* c, TPoint screenPos);

  // A drop-down open now (an overlay or a form): a button press anywhere
  // else closes it (through `close`) and is not delivered.
  void SetPopup(TControl* popup, std::function<void()> close);
  TControl* Popup() const { return popup_; }
  void ClosePopup();

  // A mouse tracking loop (mousetrack.h): it takes the mouse of every form
  // until the button goes up, Escape is pressed, or it is cancelled. A new
  // loop cancels the one running.
  void BeginMouseTracking(std::unique_ptr<TMouseTracker> tracker);
  TMouseTracker* MouseTracker() const { return tracker_.get(); }
  void CancelMouseTracking();

  // The innermost modal form showing now, or null: only it takes input.
  TForm* ModalForm() const { return modal_.empty() ? nullptr : modal_.back(); }

  // The state of keys and mouse buttons as of the last input delivered
  // (GetKeyState reads it).
  void NoteKeyState(uint16_t vk, bool down);
  void NoteShiftState(TShiftState s);
  bool KeyDownNow(uint16_t vk) const;

  std::vector<TForm*> Forms() const;
  void ControlDestroying(TControl* c);
  void RepaintForms();

  void WndProc(UINT msg, WPARAM wp, LPARAM lp);

 protected:
  ~TApplication() override;
  void BeforeDestruction() override;

 private:
  friend class TForm;
  void HintTimer();
  std::shared_ptr<TWindowBackend> backend_;
  std::unique_ptr<TScreen> screen_;
  TForm* main_form_ = nullptr;
  bool terminated_ = false;
  bool show_hint_ = true;
  int hint_pause_ = 500;
  int hint_hide_pause_ = 2500;
  bool hint_showing_ = false;
  std::string hint_text_;
  TControl* hint_control_ = nullptr;
  TControl* mouse_control_ = nullptr;
  TPoint hint_pos_;
  HWND hidden_window_ = 0;  // owned
  HWND handle_ = 0;
  TControl* popup_ = nullptr;
  THintWindow* hint_window_ = nullptr;
  std::function<void()> close_popup_;
  std::unique_ptr<TMouseTracker> tracker_;
  std::vector<TForm*> modal_;
  std::vector<uint16_t> keys_down_;
};

class TScreen {
 public:
  explicit TScreen(TApplication& app) : app_(app) {}
  // A cursor other than crDefault overrides every control's cursor.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor c);
  // The cursor shown now: the override, else the control's under the mouse.
  TCursor CurrentCursor() const;
  TForm* ActiveForm() const { return active_form_; }
  TWinControl* ActiveControl() const;
  int Width() const;
  int Height() const;
  int PixelsPerInch() const { return ScreenPixelsPerInch; }
  // The program's cursor table, one for the run: a positive cursor value
  // is an index into it, and a control whose cursor is that index shows
  // the shape (or loaded cursor, resources.h) kept there. crDefault
  // removes an entry; an index not there shows the arrow.
  static void SetCursors(int index, TCursor shape);
  static TCursor Cursors(int index);

 private:
  friend class TForm;
  friend class TApplication;
  TApplication& app_;
  TCursor cursor_ = crDefault;
  TForm* active_form_ = nullptr;
};

// The running application and its screen; null outside an application's life.
TApplication* Application();
TScreen* Screen();

TPoint GetCursorPos();
void SetCursorPos(TPoint p);

// Negative while the key or mouse button (VK_LBUTTON, VK_SHIFT, 'A', ...)
// is down, as of the input being handled; 0 otherwise or without an application.
int16_t GetKeyState(int vk);

// Tells the user an input was refused (the backend's beep; the offscreen
// backend counts them).
void MessageBeep(UINT type);

// The clipboard's text, through the application's backend (SDL's on real
// windows, an in-process one offscreen); empty without an application.
class TClipboard {
 public:
  std::string AsText() const;
  void SetAsText(const std::string& text);
  bool HasText() const { return !AsText().empty(); }
};
TClipboard Clipboard();

}  // namespace tavrel
