#include "platform/ui/forms.h"

#include <cairo.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "platform/ui/drawtext.h"
#include "platform/ui/mousetrack.h"

namespace tavrel {

namespace {
// The running application: the one registry of the window layer.
TApplication* g_application = nullptr;

constexpr uintptr_t kHintShowTimer = 1;
constexpr uintptr_t kHintHideTimer = 2;

std::string ShortHint(const std::string& hint) { return hint.substr(0, hint.find('|')); }
}  // namespace

TApplication* Application() { return g_application; }
TScreen* Screen() { return g_application ? &g_application->Screen() : nullptr; }

TPoint GetCursorPos() { return g_application ? g_application->Backend().CursorPos() : TPoint{}; }
void SetCursorPos(TPoint p) {
  if (g_application) g_application->Backend().SetCursorPos(p);
}

// ---- TForm -----------------------------------------------------------------

namespace {
const EnumInfo kPositionInfo{"TPosition",
                             {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                              "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"}};
}

const ClassInfo& TForm::Class() {
  static const ClassInfo ci = ClassBuilder<TForm>("TForm", TCustomControl::Class())
                                  .prop("ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth)
                                  .stored(false)
                                  .prop("ClientHeight", &TForm::ClientHeight, &TForm::SetClientHeight)
                                  .stored(false)
                                  .prop("Position", &TForm::Position, &TForm::SetPosition)
                                  .enumType(kPositionInfo)
                                  .defaultValue(int64_t{static_cast<int>(TPosition::poDesigned)})
                                  .prop("KeyPreview", &TForm::KeyPreview, &TForm::SetKeyPreview)
                                  .event("OnCreate", &TForm::OnCreate)
                                  .event("OnShow", &TForm::OnShow)
                                  .event("OnHide", &TForm::OnHide)
                                  .event("OnActivate", &TForm::OnActivate)
                                  .event("OnDeactivate", &TForm::OnDeactivate)
                                  .event("OnDestroy", &TForm::OnDestroy)
                                  .event("OnClose", &TForm::OnClose)
                                  .event("OnCloseQuery", &TForm::OnCloseQuery)
                                  .formRoot()
                                  .build();
  return ci;
}

TForm::TForm(TComponent* owner) : TCustomControl(owner) {
  SetVisible(false);
  SetColor(clBtnFace);
  SetParentFont(false);
  style_ |= csAcceptsControls;
  SetBounds(0, 0, 320, 240);
}

TForm::~TForm() = default;

void TForm::AfterConstruction() {
  TCustomControl::AfterConstruction();
  if (TApplication* app = Application()) {
    window_ = app->Backend().CreateWindow(*this);
    if (window_) window_->SetBounds(BoundsRect());
  }
  if (OnCreate) OnCreate(this);
}

void TForm::BeforeDestruction() {
  Perform(WM_DESTROY);
  if (OnDestroy) OnDestroy(this);
  TCustomControl::BeforeDestruction();
  if (TScreen* s = Screen(); s && s->active_form_ == this) s->active_form_ = nullptr;
  window_.reset();
}

void TForm::ControlDestroying(TControl* c) {
  overlays_.erase(std::remove(overlays_.begin(), overlays_.end(), c), overlays_.end());
  if (active_ && (active_ == c || (dynamic_cast<TWinControl*>(c) &&
                                   static_cast<TWinControl*>(c)->ContainsControl(active_))))
    active_ = nullptr;
  if (capture_ && (capture_ == c || (dynamic_cast<TWinControl*>(c) &&
                                     static_cast<TWinControl*>(c)->ContainsControl(capture_))))
    SetCaptureControl(nullptr);
  if (TApplication* app = Application()) app->ControlDestroying(c);
}

void TForm::SetBounds(int l, int t, int w, int h) {
  TCustomControl::SetBounds(l, t, w, h);
  if (window_) window_->SetBounds(BoundsRect());
  if (shown_) EnsureSurface();
}

void TForm::SetFormStyle(TFormStyle v) {
  form_style_ = v;
  if (window_) window_->SetStayOnTop(v == TFormStyle::fsStayOnTop);
}

namespace {
void InvalidateTree(TWinControl* c) {
  c->InvalidateRect(c->ClientRect());
  for (int i = 0; i < c->ControlCount(); ++i)
    if (auto* w = dynamic_cast<TWinControl*>(c->Controls(i))) InvalidateTree(w);
}
bool TreeNeedsPaint(const TWinControl* c) {
  if (!c->Visible()) return false;
  if (!IsRectEmpty(c->UpdateRect())) return true;
  for (int i = 0; i < c->ControlCount(); ++i)
    if (auto* w = dynamic_cast<const TWinControl*>(c->Controls(i)); w && TreeNeedsPaint(w))
      return true;
  return false;
}
}  // namespace

void TForm::EnsureSurface() {
  const int w = std::max(ClientWidth(), 1), h = std::max(ClientHeight(), 1);
  if (surface_ && cairo_image_surface_get_width(surface_.get()) == w &&
      cairo_image_surface_get_height(surface_.get()) == h)
    return;
  surface_ = NewSurface(w, h, Color());
  InvalidateTree(this);
}

void TForm::PlaceForShow() {
  if (placed_) return;
  placed_ = true;
  TApplication* app = Application();
  TRect around;
  switch (position_) {
    case TPosition::poOwnerFormCenter:
    case TPosition::poMainFormCenter: {
      TForm* other = position_ == TPosition::poOwnerFormCenter ? dynamic_cast<TForm*>(Owner()) : nullptr;
      if (!other && app) other = app->MainForm();
      if (other && other != this) around = other->BoundsRect();
      break;
    }
    case TPosition::poScreenCenter:
    case TPosition::poDesktopCenter:
      break;
    default:
      return;
  }
  if (IsRectEmpty(around) && app) around = Rect(0, 0, app->Screen().Width(), app->Screen().Height());
  if (IsRectEmpty(around)) return;
  SetBounds(around.Left + (around.Width() - Width()) / 2, around.Top + (around.Height() - Height()) / 2, Width(),
            Height());
}

void TForm::Show() {
  SetVisible(true);
  if (shown_) {
    if (window_) window_->Raise();
    return;
  }
  PlaceForShow();
  shown_ = true;
  EnsureSurface();
  InvalidateTree(this);
  if (window_) window_->SetVisible(true);
  if (OnShow) OnShow(this);
  if (ShowActivates()) InjectActivate(true);
}

void TForm::Hide() {
  if (!shown_) return;
  shown_ = false;
  SetVisible(false);
  if (window_) window_->SetVisible(false);
  if (active_form_) InjectActivate(false);
  if (OnHide) OnHide(this);
}

bool TForm::CloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}

void TForm::Close() {
  if (modal_) {  // the modal loop closes it
    modal_result_ = mrCancel;
    return;
  }
  // A request arriving while one is handled (a handler's message run meets
  // a second event of the same click) is that same request.
  if (closing_) return;
  closing_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{closing_};
  if (!CloseQuery()) return;
  TApplication* app = Application();
  TCloseAction action = app && app->MainForm() == this ? TCloseAction::caFree : TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  if (app && app->MainForm() == this) {
    app->Terminate();
    Hide();
    return;
  }
  if (action == TCloseAction::caHide || action == TCloseAction::caMinimize) Hide();
  else if (action == TCloseAction::caFree) Release();
}

void TForm::Release() { PostMessage(Handle(), CM_RELEASE, 0, 0); }

TModalResult TForm::ShowModal() {
  TApplication* app = Application();
  if (!app) throw EOWException("ShowModal needs an application");
  if (modal_ || Showing()) throw EOWException("Cannot make a visible window modal");
  app->CancelHint();
  app->ClosePopup();
  TWinControl* focusBefore = Screen() ? Screen()->ActiveControl() : nullptr;
  TForm* formBefore = Screen() ? Screen()->ActiveForm() : nullptr;
  modal_ = true;
  modal_result_ = mrNone;
  app->modal_.push_back(this);
  struct Leave {  // on every way out, exceptions from handlers included
    TForm* f;
    TApplication* app;
    ~Leave() {
      app->modal_.erase(std::remove(app->modal_.begin(), app->modal_.end(), f), app->modal_.end());
      f->modal_ = false;
    }
  } leave{this, app};
  if (formBefore) formBefore->InjectActivate(false);
  Show();
  // The first control in tab order takes the focus, as a dialog opens.
  if (!ActiveControl()) SelectNext(nullptr, true, true);
  while (modal_result_ == mrNone) {
    app->HandleMessage();
    if (app->Terminated()) modal_result_ = mrCancel;
    if (modal_result_ == mrNone) continue;
    // Closing may be refused: CloseQuery, or OnClose with caNone.
    if (!CloseQuery()) {
      modal_result_ = mrNone;
      continue;
    }
    TCloseAction action = TCloseAction::caHide;
    if (OnClose) OnClose(this, action);
    if (action == TCloseAction::caNone) modal_result_ = mrNone;
  }
  const TModalResult result = modal_result_;
  Hide();
  if (formBefore && formBefore->Showing()) {
    formBefore->InjectActivate(true);
    if (focusBefore && formBefore->ContainsControl(focusBefore) && focusBefore->CanFocus())
      formBefore->SetFocusedControl(focusBefore);
  }
  return result;
}

void TForm::SetOverlay(TWinControl* c, bool on) {
  auto it = std::find(overlays_.begin(), overlays_.end(), c);
  if (!on) {
    if (it != overlays_.end()) overlays_.erase(it);
    return;
  }
  if (c->Parent() != this) throw EOWException("An overlay must be a child of its form");
  if (it == overlays_.end()) overlays_.push_back(c);
  RaiseOverlays();
}

bool TForm::IsOverlay(const TControl* c) const {
  return std::find(overlays_.begin(), overlays_.end(), c) != overlays_.end();
}

void TForm::RaiseOverlays() {
  auto& list = controls_;
  auto notOverlay = [this](TControl* c) { return !IsOverlay(c); };
  std::stable_partition(list.begin(), list.end(), notOverlay);
}

// Calls f with the form rectangle of every visible window that clips c:
// windowed siblings above it and above each of its parents; for a windowless
// control every windowed sibling, since those clip the parent it paints on.
template <class F>
void TForm::ForEachAbove(const TControl& c, F&& f) const {
  const bool windowless = !dynamic_cast<const TWinControl*>(&c);
  for (const TControl* x = &c; x->Parent(); x = x->Parent()) {
    const TWinControl* p = x->Parent();
    bool above = windowless && x == &c;
    for (int i = 0; i < p->ControlCount(); ++i) {
      const TControl* s = p->Controls(i);
      if (s == x) {
        above = true;
        continue;
      }
      if (above && s->Visible() && dynamic_cast<const TWinControl*>(s)) f(s->FormRect());
    }
  }
}

bool TForm::CoveredAbove(const TControl& c, const TRect& formRect) const {
  bool covered = false;
  ForEachAbove(c, [&](const TRect& r) { covered = covered || !IsRectEmpty(IntersectRect(r, formRect)); });
  return covered;
}

void TForm::ClipAbove(TCanvas& dc, const TControl& c) const {
  const TPoint o = dc.Origin();
  ForEachAbove(c, [&](const TRect& r) {
    const TRect local = OffsetRect(r, -o.X - dc.ViewportOrg().X, -o.Y - dc.ViewportOrg().Y);
    dc.ExcludeClipRect(local.Left, local.Top, local.Right, local.Bottom);
  });
}

void TForm::SetActiveControl(TWinControl* c) {
  if (c && !ContainsControl(c)) return;
  SetFocusedControl(c);
}

bool TForm::SetFocusedControl(TWinControl* c) {
  if (c == active_) return true;
  TWinControl* old = active_;
  active_ = c;
  if (old) old->Perform(WM_KILLFOCUS, reinterpret_cast<WPARAM>(c));
  // The deepest control holding both: exits stop below it, enters start below it.
  TWinControl* common = nullptr;
  for (TWinControl* a = old; a && !common; a = a->Parent())
    if (c && a->ContainsControl(c)) common = a;
  for (TWinControl* x = old; x && x != common && active_ == c; x = x->Parent()) x->Perform(CM_EXIT);
  std::vector<TWinControl*> path;
  for (TWinControl* x = c; x && x != common; x = x->Parent()) path.push_back(x);
  for (auto it = path.rbegin(); it != path.rend() && active_ == c; ++it) (*it)->Perform(CM_ENTER);
  if (c && active_ == c) c->Perform(WM_SETFOCUS, reinterpret_cast<WPARAM>(old));
  Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(active_));
  return active_ == c;
}

void TForm::SelectNext(TWinControl* current, bool forward, bool checkTabStop) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return;
  const int n = static_cast<int>(list.size());
  int i = static_cast<int>(std::find(list.begin(), list.end(), current) - list.begin());
  if (i == n) i = forward ? n - 1 : 0;
  for (int k = 0; k < n; ++k) {
    i = forward ? (i + 1) % n : (i - 1 + n) % n;
    TWinControl* c = list[i];
    if (c == current) break;
    if (c->CanFocus() && (!checkTabStop || c->TabStop())) {
      SetFocusedControl(c);
      return;
    }
  }
}

bool TForm::NeedsPaint() const {
  return Showing() && (TreeNeedsPaint(this) || !IsRectEmpty(presented_dirty_));
}

void TForm::PaintInvalid() {
  if (!Showing()) return;
  EnsureSurface();
  PaintTree(this);
  if (!IsRectEmpty(presented_dirty_)) {
    cairo_surface_flush(surface_.get());
    if (window_) window_->Present(surface_.get(), presented_dirty_);
    presented_dirty_ = {};
  }
}

void TForm::PaintTree(TWinControl* c) {
  if (!c->Visible()) return;
  const TRect window = c->FormRect();
  const TRect client = c->ClientFormRect();
  const TRect visible = VisibleFormRect(*c, window);
  if (c->FrameNeedsPaint() && !IsRectEmpty(visible)) {
    TCanvas dc;
    dc.Attach(surface_.get(), window.TopLeft(), visible);
    const TRect inner = OffsetRect(client, -window.Left, -window.Top);
    dc.ExcludeClipRect(inner.Left, inner.Top, inner.Right, inner.Bottom);
    ClipAbove(dc, *c);
    c->Perform(WM_NCPAINT, reinterpret_cast<WPARAM>(&dc));
    presented_dirty_ = UnionRect(presented_dirty_, visible);
  }
  const TRect update = c->UpdateRect();
  c->ClearUpdate();
  const TRect dirty = IntersectRect(OffsetRect(update, client.Left, client.Top), IntersectRect(visible, client));
  if (!IsRectEmpty(dirty)) {
    TCanvas dc;
    dc.Attach(surface_.get(), client.TopLeft(), dirty);
    // Windowed children and the windows above clip this control.
    for (int i = 0; i < c->ControlCount(); ++i)
      if (auto* w = dynamic_cast<TWinControl*>(c->Controls(i)); w && w->Visible())
        dc.ExcludeClipRect(w->Left(), w->Top(), w->Left() + w->Width(), w->Top() + w->Height());
    ClipAbove(dc, *c);
    c->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(&dc));
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&dc));
    presented_dirty_ = UnionRect(presented_dirty_, dirty);
  }
  for (int i = 0; i < c->ControlCount(); ++i)
    if (auto* w = dynamic_cast<TWinControl*>(c->Controls(i))) PaintTree(w);
}

TControl* TForm::ControlAtFormPoint(TPoint p) const {
  const TWinControl* w = this;
  TPoint local = p;
  for (;;) {
    TControl* c = w->ControlAtPos(local, false, true);
    if (!c) return const_cast<TWinControl*>(w);
    auto* cw = dynamic_cast<TWinControl*>(c);
    if (!cw) return c;
    local = {local.X - c->Left() - cw->ClientOffset().X, local.Y - c->Top() - cw->ClientOffset().Y};
    if (!PtInRect(cw->ClientRect(), local)) return cw;  // on its frame
    w = cw;
  }
}

void TForm::SetCaptureControl(TControl* c) {
  if (c == capture_) return;
  TControl* old = capture_;
  capture_ = c;
  if (window_) window_->SetCapture(c != nullptr);
  if (old) old->Perform(WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(c));
}

bool TForm::TakesInput() const {
  if (!Showing() || !Enabled()) return false;
  TApplication* app = Application();
  TForm* modal = app ? app->ModalForm() : nullptr;
  return !modal || modal == this;
}

void TForm::InjectMouse(UINT msg, int x, int y, WPARAM keys) {
  TApplication* app = Application();
  if (app) {
    app->NoteShiftState(KeysToShiftState(keys));
    app->NoteKeyState(VK_LBUTTON, keys & MK_LBUTTON);
    app->NoteKeyState(VK_RBUTTON, keys & MK_RBUTTON);
    app->NoteKeyState(VK_MBUTTON, keys & MK_MBUTTON);
  }
  if (!TakesInput()) return;
  const TPoint p{x, y};
  if (app && app->MouseTracker()) {
    const TPoint screen = ClientToScreen(p);
    if (msg == WM_MOUSEMOVE) {
      app->MouseTracker()->Move(screen);
    } else if (msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP) {
      std::unique_ptr<TMouseTracker> t = std::move(app->tracker_);
      SetCaptureControl(nullptr);
      t->Release(screen);
    }
    return;
  }
  TControl* under = ControlAtFormPoint(p);
  const bool press = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN ||
                     msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
  if (app && press && app->Popup()) {
    auto* popup = dynamic_cast<TWinControl*>(app->Popup());
    if (!popup || !popup->ContainsControl(under)) {
      app->ClosePopup();  // the press that closes a drop-down does nothing else
      return;
    }
  }
  if (app) {
    if (msg == WM_MOUSEMOVE) app->SetMouseControl(under, ClientToScreen(p));
    else app->CancelHint();
  }
  TControl* target = capture_ ? capture_ : under;
  if (window_ && Screen()) window_->SetCursorShape(Screen()->CurrentCursor());
  if (!target) return;
  if (msg == WM_LBUTTONDOWN && !capture_) {
    // A press on a window's sizing border starts its move-or-size loop.
    TControl* hit = target;
    while (hit && !dynamic_cast<TWinControl*>(hit)) hit = hit->Parent();
    if (auto* w = static_cast<TWinControl*>(hit)) {
      const TPoint screen = ClientToScreen(p);
      const LRESULT code = w->Perform(WM_NCHITTEST, 0, MakeMousePos(screen.X, screen.Y));
      if (BeginSizeMove(*w, code, screen)) return;
    }
  }
  const TPoint origin = target->ClientToForm({0, 0});
  target->Perform(msg, keys, MakeMousePos(x - origin.X, y - origin.Y));
}

void TForm::InjectWheel(int x, int y, int delta, WPARAM keys) {
  if (!TakesInput()) return;
  TApplication* app = Application();
  if (app) app->CancelHint();
  TControl* target = FocusTarget();
  if (app && app->Popup()) {
    auto* popup = dynamic_cast<TWinControl*>(app->Popup());
    if (popup && popup->ContainsControl(ControlAtFormPoint({x, y}))) target = popup;
  }
  const TPoint origin = target->ClientToForm({0, 0});
  target->Perform(WM_MOUSEWHEEL, MakeWheelParam(delta, keys), MakeMousePos(x - origin.X, y - origin.Y));
}

void TForm::InjectMouseLeave() {
  if (TApplication* app = Application(); app && app->MouseControl() &&
                                         ContainsControl(app->MouseControl()))
    app->SetMouseControl(nullptr, {});
}

TWinControl* TForm::FocusTarget() const { return active_ ? active_ : const_cast<TForm*>(this); }

void TForm::InjectKey(UINT msg, uint16_t key, TShiftState shift) {
  if (TApplication* app = Application()) {
    app->NoteShiftState(shift);
    app->NoteKeyState(key, msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN);
  }
  if (!TakesInput()) return;
  if (TApplication* app = Application()) {
    app->CancelHint();
    if (app->MouseTracker()) {
      if (msg == WM_KEYDOWN && key == VK_ESCAPE) app->CancelMouseTracking();
      return;
    }
  }
  TWinControl* target = FocusTarget();
  if (key_preview_ && target != this && (msg == WM_KEYDOWN || msg == WM_KEYUP)) {
    if (msg == WM_KEYDOWN) KeyDown(key, shift);
    else KeyUp(key, shift);
    if (key == 0) return;
  }
  target->Perform(msg, key, shift);
}

void TForm::InjectChar(char32_t ch, TShiftState shift) {
  if (!TakesInput()) return;
  if (shift & ssAlt) {  // accelerator: the first control that takes it
    Perform(CM_DIALOGCHAR, ch, 0);
    return;
  }
  TWinControl* target = FocusTarget();
  if (key_preview_ && target != this) {
    KeyPress(ch);
    if (ch == 0) return;
  }
  target->Perform(WM_CHAR, ch, shift);
}

void TForm::InjectActivate(bool active) {
  if (active == active_form_) return;
  active_form_ = active;
  TScreen* s = Screen();
  if (active) {
    // One window is active at a time.
    if (s && s->active_form_ && s->active_form_ != this) s->active_form_->InjectActivate(false);
    if (s) s->active_form_ = this;
    Perform(CM_ACTIVATE);
    if (OnActivate) OnActivate(this);
  } else {
    if (s && s->active_form_ == this) s->active_form_ = nullptr;
    if (TApplication* app = Application()) {
      app->CancelHint();
      if (auto* popup = dynamic_cast<TWinControl*>(app->Popup()); popup && ContainsControl(popup)) app->ClosePopup();
    }
    Perform(CM_DEACTIVATE);
    if (OnDeactivate) OnDeactivate(this);
  }
}

void TForm::InjectResize(int width, int height) {
  TCustomControl::SetBounds(Left(), Top(), width, height);
  if (shown_) EnsureSurface();
}

void TForm::InjectCloseRequest() { Perform(WM_CLOSE); }

void TForm::AddMessageObserver(TObject* who, TMessageObserver obs) {
  observers_.emplace_back(who, std::move(obs));
}

void TForm::RemoveMessageObserver(TObject* who) {
  observers_.erase(std::remove_if(observers_.begin(), observers_.end(),
                                  [who](auto& o) { return o.first == who; }),
                   observers_.end());
}

void TForm::WndProc(TMessage& m) {
  const auto observers = observers_;  // an observer may remove itself
  for (auto& [who, obs] : observers)
    if (obs(m)) return;
  switch (m.Msg) {
    case WM_CLOSE:
      Close();
      return;
    case CM_RELEASE:
      Destroy();
      return;
    case CM_DIALOGKEY:
      if (m.WParam == VK_TAB) {
        if (TakesInput()) SelectNext(active_, !(static_cast<TShiftState>(m.LParam) & ssShift), true);
        m.Result = 1;
        return;
      }
      break;
    case CM_TEXTCHANGED:
      if (window_) window_->SetTitle(Caption());
      break;
    case WM_NCHITTEST:
      m.Result = HTCLIENT;
      return;
    default:
      break;
  }
  TCustomControl::WndProc(m);
}

// ---- TApplication ----------------------------------------------------------

const ClassInfo& TApplication::Class() {
  static const ClassInfo ci =
      ClassBuilder<TApplication>("TApplication", TComponent::Class()).application().build();
  return ci;
}

TApplication::TApplication(TComponent* owner, std::shared_ptr<TWindowBackend> backend)
    : TComponent(owner), backend_(std::move(backend)), screen_(std::make_unique<TScreen>(*this)) {
  if (g_application) throw EComponentError("An application is already running");
  g_application = this;
  hidden_window_ = AllocateHWnd([this](UINT m, WPARAM w, LPARAM l) -> LRESULT {
    WndProc(m, w, l);
    return 0;
  });
  handle_ = hidden_window_;
}

TApplication::~TApplication() {
  if (hidden_window_) DeallocateHWnd(hidden_window_);
  if (g_application == this) g_application = nullptr;
}

void TApplication::BeforeDestruction() {
  tracker_.reset();  // the windows it tracks are going
  TComponent::BeforeDestruction();
  main_form_ = nullptr;
}

std::vector<TForm*> TApplication::Forms() const {
  std::vector<TForm*> forms;
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* f = dynamic_cast<TForm*>(Components(i))) forms.push_back(f);
  return forms;
}

void TApplication::RepaintForms() {
  // By index, without a list made per call (this runs once per wake): a
  // paint that adds or frees a form moves the count, checked each step.
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* f = dynamic_cast<TForm*>(Components(i))) f->PaintInvalid();
}

void TApplication::ProcessMessages() {
  backend_->PumpEvents();
  for (;;) {
    try {
      if (!tavrel::ProcessMessages()) terminated_ = true;
      break;
    } catch (...) {
      HandleException(this);  // then carry on with what is still queued
    }
  }
  try {
    RepaintForms();
  } catch (...) {
    HandleException(this);
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  const bool pending = backend_->InputPending() || PeekMessage(msg, false);
  ProcessMessages();
  if (!pending && !terminated_) WaitMessage();
}

void TApplication::Run() {
  if (main_form_ && !main_form_->Showing()) main_form_->Show();
  while (!terminated_ && main_form_ && main_form_->Showing()) HandleMessage();
}

void TApplication::NoteShiftState(TShiftState s) {
  NoteKeyState(VK_SHIFT, s & ssShift);
  NoteKeyState(VK_CONTROL, s & ssCtrl);
  NoteKeyState(VK_MENU, s & ssAlt);
}

void TApplication::NoteKeyState(uint16_t vk, bool down) {
  auto it = std::find(keys_down_.begin(), keys_down_.end(), vk);
  if (down && it == keys_down_.end()) keys_down_.push_back(vk);
  if (!down && it != keys_down_.end()) keys_down_.erase(it);
}

bool TApplication::KeyDownNow(uint16_t vk) const {
  return std::find(keys_down_.begin(), keys_down_.end(), vk) != keys_down_.end();
}

void TApplication::HandleException(TObject* sender) {
  try {
    throw;
  } catch (const std::exception& e) {
    if (OnException) OnException(sender, e);
    else std::fprintf(stderr, "%s\n", e.what());
  } catch (...) {
    const std::runtime_error unknown("unknown exception");
    if (OnException) OnException(sender, unknown);
    else std::fprintf(stderr, "%s\n", unknown.what());
  }
}

void TApplication::SetShowHint(bool v) {
  show_hint_ = v;
  if (!v) CancelHint();
}

void TApplication::SetMouseControl(TControl* c, TPoint screenPos) {
  hint_pos_ = screenPos;
  if (c == mouse_control_) return;
  TControl* old = mouse_control_;
  mouse_control_ = c;
  CancelHint();
  if (old) old->Perform(CM_MOUSELEAVE);
  if (c && mouse_control_ == c) {
    c->Perform(CM_MOUSEENTER);
    if (show_hint_ && c->ShowHint() && !c->Hint().empty()) {
      hint_control_ = c;
      SetTimer(hidden_window_, kHintShowTimer, static_cast<UINT>(hint_pause_));
    }
  }
}

void TApplication::CancelHint() {
  KillTimer(hidden_window_, kHintShowTimer);
  KillTimer(hidden_window_, kHintHideTimer);
  hint_control_ = nullptr;
  hint_showing_ = false;
  hint_text_.clear();
  if (hint_window_) hint_window_->Hide();
}

void TApplication::ActivateHint(TPoint screenPos) {
  TControl* c = hint_control_ ? hint_control_ : mouse_control_;
  if (!c || !show_hint_) return;
  THintInfo info;
  info.HintControl = c;
  info.CursorPos = c->ScreenToClient(screenPos);
  info.CursorRect = c->ClientRect();
  info.HintStr = ShortHint(c->Hint());
  info.HideTimeout = hint_hide_pause_;
  if (c->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) != 0) return;
  bool canShow = true;
  if (OnShowHint) OnShowHint(info.HintStr, canShow, info);
  if (!canShow || info.HintStr.empty()) return;
  hint_control_ = c;
  hint_showing_ = true;
  hint_text_ = info.HintStr;
  if (!hint_window_) hint_window_ = TComponent::Create<THintWindow>(this);
  // Below the cursor, as the platform places tooltips.
  const TRect size = hint_window_->CalcHintRect(screen_->Width() > 0 ? screen_->Width() / 2 : 400, hint_text_);
  hint_window_->ActivateHint(OffsetRect(size, screenPos.X, screenPos.Y + 20), hint_text_);
  if (info.HideTimeout > 0) SetTimer(hidden_window_, kHintHideTimer, static_cast<UINT>(info.HideTimeout));
}

void TApplication::WndProc(UINT msg, WPARAM wp, LPARAM) {
  if (msg != WM_TIMER) return;
  if (wp == kHintShowTimer) {
    KillTimer(hidden_window_, kHintShowTimer);
    ActivateHint(hint_pos_);
  } else if (wp == kHintHideTimer) {
    KillTimer(hidden_window_, kHintHideTimer);
    hint_showing_ = false;
    hint_text_.clear();
    if (hint_window_) hint_window_->Hide();
  }
}

void TApplication::SetPopup(TControl* popup, std::function<void()> close) {
  popup_ = popup;
  close_popup_ = std::move(close);
}

void TApplication::ClosePopup() {
  auto close = std::move(close_popup_);
  popup_ = nullptr;
  close_popup_ = nullptr;
  if (close) close();
}

void TApplication::BeginMouseTracking(std::unique_ptr<TMouseTracker> tracker) {
  CancelMouseTracking();
  tracker_ = std::move(tracker);
}

void TApplication::CancelMouseTracking() {
  if (std::unique_ptr<TMouseTracker> t = std::move(tracker_)) t->Cancel();
}

void TApplication::ControlDestroying(TControl* c) {
  if (tracker_ && tracker_->Uses(c)) CancelMouseTracking();
  if (hint_window_ == c) hint_window_ = nullptr;
  if (popup_ == c) {
    popup_ = nullptr;
    close_popup_ = nullptr;
  }
  if (mouse_control_ == c) mouse_control_ = nullptr;
  if (hint_control_ == c) CancelHint();
  if (main_form_ == c) main_form_ = nullptr;
  modal_.erase(std::remove(modal_.begin(), modal_.end(), c), modal_.end());
}

// ---- THintWindow ----------------------------------------------------------

THintWindow::THintWindow(TComponent* owner) : TForm(owner) {
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetFormStyle(TFormStyle::fsStayOnTop);
  SetColor(clInfoBk);
  Font().SetColor(clInfoText);
}

TRect THintWindow::CalcHintRect(int maxWidth, const std::string& text) const {
  TCanvas measure;
  measure.Font().Assign(Font());
  TRect r = Rect(0, 0, maxWidth, 0);
  DrawText(measure, text, r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  return Rect(0, 0, r.Right + 6, r.Bottom + 2);
}

void THintWindow::ActivateHint(const TRect& screenRect, const std::string& text) {
  SetCaption(text);
  SetBoundsRect(screenRect);
  Invalidate();
  Show();
}

void THintWindow::Paint() {
  TCanvas& c = Canvas();
  c.Brush().SetColor(clWindowFrame);
  c.FrameRect(ClientRect());
  c.Font().Assign(Font());
  c.Brush().SetStyle(TBrushStyle::bsClear);
  TRect r = Rect(3, 1, ClientWidth() - 3, ClientHeight() - 1);
  DrawText(c, Caption(), r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

// ---- key state, beep, clipboard --------------------------------------------

int16_t GetKeyState(int vk) {
  return g_application && g_application->KeyDownNow(static_cast<uint16_t>(vk)) ? int16_t(-128) : int16_t(0);
}

void MessageBeep(UINT) {
  if (g_application) g_application->Backend().Beep();
}

std::string TClipboard::AsText() const {
  return g_application ? g_application->Backend().ClipboardText() : std::string();
}

void TClipboard::SetAsText(const std::string& text) {
  if (g_application) g_application->Backend().SetClipboardText(text);
}

TClipboard Clipboard() { return {}; }

// ---- TScreen ---------------------------------------------------------------

void TScreen::SetCursor(TCursor c) {
  if (c == cursor_) return;
  cursor_ = c;
  for (TForm* f : app_.Forms())
    if (f->Window()) f->Window()->SetCursorShape(CurrentCursor());
}

TCursor TScreen::CurrentCursor() const {
  TCursor shape = cursor_;
  for (TControl* c = app_.MouseControl(); c && shape == crDefault; c = c->Parent()) shape = c->Cursor();
  if (shape > 0) shape = Cursors(shape);
  return shape == crDefault ? crArrow : shape;
}

TWinControl* TScreen::ActiveControl() const {
  return active_form_ ? active_form_->ActiveControl() : nullptr;
}

int TScreen::Width() const { return app_.Backend().ScreenSize().cx; }
int TScreen::Height() const { return app_.Backend().ScreenSize().cy; }

namespace {
std::map<int, TCursor>& CursorTable() {
  static std::map<int, TCursor> table;
  return table;
}
}  // namespace

void TScreen::SetCursors(int index, TCursor shape) {
  if (shape == crDefault) CursorTable().erase(index);
  else CursorTable()[index] = shape;
}

TCursor TScreen::Cursors(int index) {
  if (index <= 0) return index;
  const auto it = CursorTable().find(index);
  return it == CursorTable().end() ? crDefault : it->second;
}

}  // namespace tavrel
