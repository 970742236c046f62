#include "platform/ui/controls.h"

#include <algorithm>

#include "platform/ui/forms.h"

namespace tavrel {

TShiftState KeysToShiftState(WPARAM k) {
  TShiftState s = 0;
  if (k & MK_SHIFT) s |= ssShift;
  if (k & MK_CONTROL) s |= ssCtrl;
  if (k & MK_LBUTTON) s |= ssLeft;
  if (k & MK_RBUTTON) s |= ssRight;
  if (k & MK_MBUTTON) s |= ssMiddle;
  return s;
}

WPARAM ShiftStateToKeys(TShiftState s) {
  WPARAM k = 0;
  if (s & ssShift) k |= MK_SHIFT;
  if (s & ssCtrl) k |= MK_CONTROL;
  if (s & ssLeft) k |= MK_LBUTTON;
  if (s & ssRight) k |= MK_RBUTTON;
  if (s & ssMiddle) k |= MK_MBUTTON;
  return k;
}

// ---- size constraints ------------------------------------------------------

const ClassInfo& TSizeConstraints::Class() {
  static const ClassInfo ci =
      ClassBuilder<TSizeConstraints>("TSizeConstraints", TPersistent::Class())
          .prop("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight)
          .defaultValue(int64_t{0})
          .prop("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth)
          .defaultValue(int64_t{0})
          .prop("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight)
          .defaultValue(int64_t{0})
          .prop("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth)
          .defaultValue(int64_t{0})
          .build();
  return ci;
}

void TSizeConstraints::Set(int& field, int v) {
  v = std::max(v, 0);
  if (v == field) return;
  field = v;
  if (OnChange) OnChange();
}

void TSizeConstraints::Apply(int& w, int& h) const {
  if (max_w_ > 0) w = std::min(w, max_w_);
  if (max_h_ > 0) h = std::min(h, max_h_);
  w = std::max(w, min_w_);
  h = std::max(h, min_h_);
}

// ---- class information -----------------------------------------------------

namespace {
const EnumInfo kAlignInfo{"TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}};
}

const EnumInfo& AlignmentInfo() {
  static const EnumInfo info{"TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}};
  return info;
}

const ClassInfo& TControl::Class() {
  static const ClassInfo ci =
      ClassBuilder<TControl>("TControl", TComponent::Class())
          .prop("Left", &TControl::Left, &TControl::SetLeft)
          .prop("Top", &TControl::Top, &TControl::SetTop)
          .prop("Width", &TControl::Width, &TControl::SetWidth)
          .prop("Height", &TControl::Height, &TControl::SetHeight)
          .prop("Align", &TControl::Align, &TControl::SetAlign)
          .enumType(kAlignInfo)
          .defaultValue(int64_t{alNone})
          .prop("Caption", &TControl::Caption, &TControl::SetCaption)
          .prop("Color", &TControl::Color, &TControl::SetColor)
          .typeName("TColor")
          .prop("ParentColor", &TControl::ParentColor, &TControl::SetParentColor)
          .prop("Font", &TControl::FontObject)
          .prop("ParentFont", &TControl::ParentFont, &TControl::SetParentFont)
          .prop("Enabled", &TControl::Enabled, &TControl::SetEnabled)
          .defaultValue(true)
          .prop("Visible", &TControl::Visible, &TControl::SetVisible)
          .defaultValue(true)
          .prop("Hint", &TControl::Hint, &TControl::SetHint)
          .prop("ShowHint", &TControl::ShowHint, &TControl::SetShowHint)
          .stored(&TControl::IsShowHintStored)
          .prop("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint)
          .defaultValue(true)
          .prop("Cursor", &TControl::Cursor, &TControl::SetCursor)
          .defaultValue(int64_t{crDefault})
          .prop("Constraints", &TControl::ConstraintsObject)
          .event("OnClick", &TControl::OnClick)
          .event("OnDblClick", &TControl::OnDblClick)
          .event("OnMouseDown", &TControl::OnMouseDown)
          .event("OnMouseMove", &TControl::OnMouseMove)
          .event("OnMouseUp", &TControl::OnMouseUp)
          .event("OnResize", &TControl::OnResize)
          .build();
  return ci;
}

const ClassInfo& TWinControl::Class() {
  static const ClassInfo ci = ClassBuilder<TWinControl>("TWinControl", TControl::Class())
                                  .prop("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop)
                                  .defaultValue(false)
                                  .prop("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder)
                                  .event("OnEnter", &TWinControl::OnEnter)
                                  .event("OnExit", &TWinControl::OnExit)
                                  .event("OnKeyDown", &TWinControl::OnKeyDown)
                                  .event("OnKeyUp", &TWinControl::OnKeyUp)
                                  .event("OnKeyPress", &TWinControl::OnKeyPress)
                                  .build();
  return ci;
}

const ClassInfo& TGraphicControl::Class() {
  static const ClassInfo ci =
      ClassBuilder<TGraphicControl>("TGraphicControl", TControl::Class()).build();
  return ci;
}

const ClassInfo& TCustomControl::Class() {
  static const ClassInfo ci = ClassBuilder<TCustomControl>("TCustomControl", TWinControl::Class())
                                  .event("OnPaint", &TCustomControl::OnPaint)
                                  .build();
  return ci;
}

// ---- TControl --------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {
  font_.OnChange = [this] { FontChanged(); };
  constraints_.OnChange = [this] { SetBounds(left_, top_, width_, height_); };
}

TControl::~TControl() = default;

void TControl::BeforeDestruction() {
  TComponent::BeforeDestruction();
  if (TForm* f = ParentForm()) f->ControlDestroying(this);
  if (TApplication* app = Application()) app->ControlDestroying(this);
  if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParentComponent(TComponent* c) {
  if (auto* w = dynamic_cast<TWinControl*>(c)) SetParent(w);
}

void TControl::Loaded() {
  TComponent::Loaded();
  if (parent_) {
    if (parent_font_) ParentFontChanged();
    if (parent_color_) ParentColorChanged();
  }
  AdjustSize();
  RequestAlign();
}

TForm* TControl::ParentForm() const {
  const TControl* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

void TControl::SetParent(TWinControl* p) {
  if (p == parent_) return;
  if (p == this) throw EComponentError("A control cannot be its own parent");
  if (parent_) parent_->RemoveControl(this);
  if (p) p->InsertControl(this);
}

TRect TControl::ClientRect() const {
  return Rect(0, 0, std::max(width_ - nc_.Left - nc_.Right, 0), std::max(height_ - nc_.Top - nc_.Bottom, 0));
}

void TControl::SetBounds(int l, int t, int w, int h) {
  constraints_.Apply(w, h);
  w = std::max(w, 0);
  h = std::max(h, 0);
  if (l == left_ && t == top_ && w == width_ && h == height_) return;
  const int oldW = width_, oldH = height_;
  const bool resized = w != oldW || h != oldH;
  auto* wc = dynamic_cast<TWinControl*>(this);
  Invalidate();  // the old place
  if (parent_) {
    if (wc) parent_->InvalidateRectDeep(BoundsRect());
    else parent_->InvalidateRect(BoundsRect());
  }
  left_ = l;
  top_ = t;
  width_ = w;
  height_ = h;
  if (wc && resized) {
    wc->CalcFrame();
    wc->AnchorChildren(oldW, oldH);
    wc->Realign();
  }
  Invalidate();
  if (resized) {
    if (wc) Perform(WM_SIZE, 0, MakeMousePos(w, h));  // windows hear of their sizes
    Resize();
  }
  RequestAlign();
}

void TControl::SetClientSize(int w, int h) {
  const TRect c = ClientRect();
  SetBounds(left_, top_, width_ + (w - c.Width()), height_ + (h - c.Height()));
}

TRect TControl::FormRect() const {
  const TPoint p = ClientToForm({0, 0});
  return Bounds(p.X - nc_.Left, p.Y - nc_.Top, width_, height_);
}

TRect TControl::ClientFormRect() const {
  const TPoint p = ClientToForm({0, 0});
  const TRect c = ClientRect();
  return Bounds(p.X, p.Y, c.Width(), c.Height());
}

TPoint TControl::ClientToForm(TPoint p) const {
  for (const TControl* c = this; c->parent_; c = c->parent_) {
    p.X += c->left_ + c->nc_.Left;
    p.Y += c->top_ + c->nc_.Top;
  }
  return p;
}

TPoint TControl::ClientToScreen(TPoint p) const {
  p = ClientToForm(p);
  const TControl* c = this;
  while (c->parent_) c = c->parent_;
  return {p.X + c->left_, p.Y + c->top_};
}

TPoint TControl::ScreenToClient(TPoint p) const {
  const TPoint o = ClientToScreen({0, 0});
  return {p.X - o.X, p.Y - o.Y};
}

void TControl::SetVisible(bool v) {
  if (v == visible_) return;
  if (!v) Invalidate();
  visible_ = v;
  if (!v && parent_) {
    if (dynamic_cast<TWinControl*>(this)) parent_->InvalidateRectDeep(BoundsRect());
    else parent_->InvalidateRect(BoundsRect());
  }
  if (v) Invalidate();
  Perform(CM_VISIBLECHANGED, v);
  RequestAlign();
}

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Perform(CM_ENABLEDCHANGED);
}

bool TControl::EnabledInChain() const {
  for (const TControl* c = this; c; c = c->parent_)
    if (!c->enabled_) return false;
  return true;
}

void TControl::SetColor(TColor v) {
  if (v == color_) {
    parent_color_ = false;
    return;
  }
  color_ = v;
  parent_color_ = false;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool v) {
  if (v == parent_color_) return;
  parent_color_ = v;
  if (v && parent_) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (!parent_color_ || !parent_) return;
  if (color_ != parent_->Color()) {
    color_ = parent_->Color();
    Perform(CM_COLORCHANGED);
  }
}

void TControl::SetParentFont(bool v) {
  if (v == parent_font_) return;
  parent_font_ = v;
  if (v && parent_) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!parent_font_ || !parent_) return;
  font_from_parent_ = true;
  font_.Assign(parent_->Font());
  font_from_parent_ = false;
}

void TControl::FontChanged() {
  if (!font_from_parent_) parent_font_ = false;
  Perform(CM_FONTCHANGED);
}

void TControl::SetText(const std::string& v) {
  if (v == text_) return;
  text_ = v;
  Perform(CM_TEXTCHANGED);
}

void TControl::SetShowHint(bool v) {
  parent_show_hint_ = false;
  if (v == show_hint_) return;
  show_hint_ = v;
  Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool v) {
  if (v == parent_show_hint_) return;
  parent_show_hint_ = v;
  if (v && parent_) {
    show_hint_ = parent_->ShowHint();
    Perform(CM_SHOWHINTCHANGED);
  }
}

void TControl::SetCursor(TCursor v) {
  if (v == cursor_) return;
  cursor_ = v;
  Perform(CM_CURSORCHANGED);
}

void TControl::SetAlign(TAlign v) {
  if (v == align_) return;
  align_ = v;
  RequestAlign();
}

void TControl::SetAutoSize(bool v) {
  if (v == auto_size_) return;
  auto_size_ = v;
  if (v) AdjustSize();
}

bool TControl::CanAutoSize(int&, int&) { return true; }

void TControl::AdjustSize() {
  if (!auto_size_ || UpdatingLoading()) return;
  int w = width_, h = height_;
  if (CanAutoSize(w, h)) SetBounds(left_, top_, w, h);
}

void TControl::RequestAlign() {
  if (parent_) parent_->Realign();
}

bool TControl::MouseCapture() const {
  TForm* f = ParentForm();
  return f && f->CaptureControl() == this;
}

void TControl::SetMouseCapture(bool v) {
  TForm* f = ParentForm();
  if (!f) return;
  if (v) f->SetCaptureControl(this);
  else if (f->CaptureControl() == this) f->SetCaptureControl(nullptr);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  WndProc(m);
  return m.Result;
}

void TControl::Invalidate() {
  if (parent_) parent_->InvalidateRect(BoundsRect());
}

void TControl::Update() {
  if (TForm* f = ParentForm()) f->PaintInvalid();
}

void TControl::BringToFront() {
  if (!parent_) return;
  auto& list = parent_->controls_;
  list.erase(std::find(list.begin(), list.end(), this));
  list.push_back(this);
  if (auto* f = dynamic_cast<TForm*>(parent_)) f->RaiseOverlays();
  Invalidate();
}

void TControl::SendToBack() {
  if (!parent_) return;
  auto& list = parent_->controls_;
  list.erase(std::find(list.begin(), list.end(), this));
  list.insert(list.begin(), this);
  Invalidate();
  if (auto* w = dynamic_cast<TWinControl*>(this)) w->InvalidateRect(w->ClientRect());
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}
void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, b, s, x, y);
}
void TControl::MouseMove(TShiftState s, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, s, x, y);
}
void TControl::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, b, s, x, y);
}
void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::MouseMessage(TMessage& m) {
  const TPoint p = MousePos(m.LParam);
  const TShiftState s = KeysToShiftState(m.WParam);
  switch (m.Msg) {
    case WM_MOUSEMOVE:
      MouseMove(s, p.X, p.Y);
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (style_ & csCaptureMouse) SetMouseCapture(true);
      if (style_ & csClickEvents) control_state_ |= csClicked;
      control_state_ |= csLButtonDown;
      if (m.Msg == WM_LBUTTONDBLCLK && (style_ & csDoubleClicks)) DblClick();
      MouseDown(TMouseButton::mbLeft, s | (m.Msg == WM_LBUTTONDBLCLK ? ssDouble : 0), p.X, p.Y);
      break;
    case WM_LBUTTONUP:
      if (style_ & csCaptureMouse) SetMouseCapture(false);
      control_state_ &= ~csLButtonDown;
      if (control_state_ & csClicked) {
        control_state_ &= ~csClicked;
        if (PtInRect(ClientRect(), p)) Click();
      }
      MouseUp(TMouseButton::mbLeft, s, p.X, p.Y);
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      MouseDown(TMouseButton::mbRight, s, p.X, p.Y);
      break;
    case WM_RBUTTONUP:
      MouseUp(TMouseButton::mbRight, s, p.X, p.Y);
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      MouseDown(TMouseButton::mbMiddle, s, p.X, p.Y);
      break;
    case WM_MBUTTONUP:
      MouseUp(TMouseButton::mbMiddle, s, p.X, p.Y);
      break;
  }
}

void TControl::WndProc(TMessage& m) {
  if (m.Msg >= WM_MOUSEMOVE && m.Msg <= WM_MBUTTONDBLCLK) {
    MouseMessage(m);
    return;
  }
  switch (m.Msg) {
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
    case CM_VISIBLECHANGED:
      Invalidate();
      break;
    case CM_FONTCHANGED:
      Invalidate();
      AdjustSize();
      break;
    case CM_PARENTFONTCHANGED:
      ParentFontChanged();
      break;
    case CM_PARENTCOLORCHANGED:
      ParentColorChanged();
      break;
    case CM_PARENTSHOWHINTCHANGED:
      if (parent_show_hint_ && parent_ && show_hint_ != parent_->ShowHint()) {
        show_hint_ = parent_->ShowHint();
        Perform(CM_SHOWHINTCHANGED);
      }
      break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      // Passed up so containers learn which child the mouse is over.
      if (parent_) parent_->Perform(m.Msg, 0, m.LParam ? m.LParam : reinterpret_cast<LPARAM>(this));
      break;
    case CM_HITTEST:
      m.Result = 1;
      break;
    default:
      break;
  }
}

// ---- TWinControl -----------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  if (handle_) DeallocateHWnd(handle_);
}

void TWinControl::BeforeDestruction() {
  // Children go with their parent, whoever owns them.
  while (!controls_.empty()) {
    TControl* c = controls_.back();
    RemoveControl(c);
    c->Destroy();
  }
  if (handle_) {
    DeallocateHWnd(handle_);
    handle_ = 0;
  }
  TControl::BeforeDestruction();
}

HWND TWinControl::Handle() {
  if (!handle_) handle_ = AllocateHWnd([this](UINT msg, WPARAM w, LPARAM l) { return Perform(msg, w, l); });
  return handle_;
}

void TWinControl::InsertControl(TControl* c) {
  controls_.push_back(c);
  c->parent_ = this;
  if (auto* w = dynamic_cast<TWinControl*>(c)) tab_list_.push_back(w);
  c->ParentFontChanged();
  c->ParentColorChanged();
  if (c->parent_show_hint_ && c->show_hint_ != ShowHint()) c->show_hint_ = ShowHint();
  if (auto* f = dynamic_cast<TForm*>(this)) f->RaiseOverlays();
  c->Invalidate();
  if (auto* w = dynamic_cast<TWinControl*>(c)) w->Invalidate();
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(c), 1);
  Realign();
}

void TWinControl::RemoveControl(TControl* c) {
  auto it = std::find(controls_.begin(), controls_.end(), c);
  if (it == controls_.end()) return;
  if (dynamic_cast<TWinControl*>(c)) InvalidateRectDeep(c->BoundsRect());
  else c->Invalidate();
  if (TForm* f = ParentForm()) f->ControlDestroying(c);  // focus, capture
  controls_.erase(it);
  tab_list_.erase(std::remove(tab_list_.begin(), tab_list_.end(), c), tab_list_.end());
  c->parent_ = nullptr;
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(c), 0);
  Realign();
}

bool TWinControl::ContainsControl(TControl* c) const {
  for (; c; c = c->parent_)
    if (c == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (!allowWinControls && dynamic_cast<TWinControl*>(c)) continue;
    if (!c->visible_ || (!allowDisabled && !c->enabled_)) continue;
    if (!PtInRect(c->BoundsRect(), p)) continue;
    const TPoint local{p.X - c->left_, p.Y - c->top_};
    if (c->Perform(CM_HITTEST, 0, MakeMousePos(local.X, local.Y)) != 0) return c;
  }
  return nullptr;
}

void TWinControl::Broadcast(TMessage& m) {
  for (size_t i = 0; i < controls_.size(); ++i) {
    controls_[i]->WndProc(m);
    if (m.Result != 0) return;
  }
}

void TWinControl::SetTabStop(bool v) {
  if (v == tab_stop_) return;
  tab_stop_ = v;
  Perform(CM_TABSTOPCHANGED);
}

int TWinControl::TabOrder() const {
  if (!parent_) return -1;
  auto& l = parent_->tab_list_;
  return static_cast<int>(std::find(l.begin(), l.end(), this) - l.begin());
}

void TWinControl::SetTabOrder(int v) {
  if (!parent_) return;
  auto& l = parent_->tab_list_;
  l.erase(std::find(l.begin(), l.end(), this));
  v = std::clamp(v, 0, static_cast<int>(l.size()));
  l.insert(l.begin() + v, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* c : tab_list_) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->parent_)
    if (!c->visible_ || !c->enabled_) return false;
  return ParentForm() != nullptr;
}

bool TWinControl::Focused() const {
  TForm* f = ParentForm();
  return f && f->ActiveControl() == this;
}

bool TWinControl::HasFocusedChild() const {
  TForm* f = ParentForm();
  return f && f->ActiveControl() && f->ActiveControl() != this && ContainsControl(f->ActiveControl());
}

void TWinControl::SetFocus() {
  if (TForm* f = ParentForm()) {
    if (!CanFocus()) throw EOWException("Cannot focus a disabled or invisible window");
    f->SetFocusedControl(this);
  }
}

void TWinControl::AlignControls(TControl*, TRect& r) {
  auto place = [&](TAlign a) {
    std::vector<TControl*> list;
    for (TControl* c : controls_)
      if (c->align_ == a && c->visible_) list.push_back(c);
    std::stable_sort(list.begin(), list.end(), [a](TControl* x, TControl* y) {
      switch (a) {
        case alTop: return x->top_ < y->top_;
        case alBottom: return x->top_ + x->height_ > y->top_ + y->height_;
        case alLeft: return x->left_ < y->left_;
        case alRight: return x->left_ + x->width_ > y->left_ + y->width_;
        default: return false;
      }
    });
    for (TControl* c : list) {
      switch (a) {
        case alTop:
          c->SetBounds(r.Left, r.Top, r.Width(), c->height_);
          r.Top += c->height_;
          break;
        case alBottom:
          c->SetBounds(r.Left, r.Bottom - c->height_, r.Width(), c->height_);
          r.Bottom -= c->height_;
          break;
        case alLeft:
          c->SetBounds(r.Left, r.Top, c->width_, r.Height());
          r.Left += c->width_;
          break;
        case alRight:
          c->SetBounds(r.Right - c->width_, r.Top, c->width_, r.Height());
          r.Right -= c->width_;
          break;
        case alClient:
          c->SetBounds(r.Left, r.Top, r.Width(), r.Height());
          break;
        default:
          break;
      }
    }
  };
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) place(a);
}

void TWinControl::Realign() {
  if (align_disabled_ > 0 || IsLoadingInChain()) {
    control_state_ |= csAlignmentNeeded;
    return;
  }
  ++align_disabled_;
  TRect r = ClientRect();
  AdjustClientRect(r);
  AlignControls(nullptr, r);
  --align_disabled_;
  control_state_ &= ~csAlignmentNeeded;
}

void TWinControl::EnableAlign() {
  if (align_disabled_ > 0 && --align_disabled_ == 0 && (control_state_ & csAlignmentNeeded))
    Realign();
}

void TWinControl::AnchorChildren(int oldW, int oldH) {
  const int dw = Width() - oldW, dh = Height() - oldH;
  if (oldW == 0 && oldH == 0) return;  // first size: nothing to keep
  ++align_disabled_;
  for (TControl* c : controls_) {
    if (c->align_ != alNone) continue;
    int l = c->left_, t = c->top_, w = c->width_, h = c->height_;
    const TAnchors a = c->anchors_;
    if ((a & akLeft) && (a & akRight)) w += dw;
    else if (a & akRight) l += dw;
    else if (!(a & akLeft)) l += dw / 2;
    if ((a & akTop) && (a & akBottom)) h += dh;
    else if (a & akBottom) t += dh;
    else if (!(a & akTop)) t += dh / 2;
    c->SetBounds(l, t, w, h);
  }
  --align_disabled_;
}

void TWinControl::Invalidate() {
  InvalidateRect(ClientRect());
  if (nc_ != TRect{}) nc_dirty_ = true;  // widths, not a rectangle
}

void TWinControl::InvalidateRect(const TRect& r) {
  const TRect part = IntersectRect(r, ClientRect());
  if (IsRectEmpty(part)) return;
  update_ = UnionRect(update_, part);
}

void TWinControl::InvalidateRectDeep(const TRect& r) {
  InvalidateRect(r);
  for (TControl* c : controls_) {
    auto* w = dynamic_cast<TWinControl*>(c);
    if (!w || !w->Visible() || IsRectEmpty(IntersectRect(r, w->BoundsRect()))) continue;
    if (w->nc_ != TRect{}) w->nc_dirty_ = true;
    const TPoint o{w->Left() + w->nc_.Left, w->Top() + w->nc_.Top};
    w->InvalidateRectDeep(OffsetRect(r, -o.X, -o.Y));
  }
}

void TWinControl::CalcFrame() {
  TRect r = Rect(0, 0, Width(), Height());
  Perform(WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&r));
  const TRect insets{std::max(r.Left, 0), std::max(r.Top, 0), std::max(Width() - r.Right, 0),
                     std::max(Height() - r.Bottom, 0)};
  if (insets == nc_) return;
  nc_ = insets;
  Realign();
}

void TWinControl::FrameChanged() {
  CalcFrame();
  Invalidate();
  nc_dirty_ = true;
}

void TWinControl::DefaultHandler(TMessage&) {}

bool TWinControl::DialogKey(uint16_t key, TShiftState s) {
  const LRESULT code = Perform(WM_GETDLGCODE);
  if (key == VK_TAB) {
    if ((s & (ssCtrl | ssAlt)) || (code & (DLGC_WANTTAB | DLGC_WANTALLKEYS))) return false;
  } else if (key == VK_RETURN || key == VK_ESCAPE) {
    if (code & DLGC_WANTALLKEYS) return false;
  } else {
    return false;
  }
  TForm* f = ParentForm();
  return f && f->Perform(CM_DIALOGKEY, key, s) != 0;
}

void TWinControl::PaintWindow(TCanvas&) {}

void TWinControl::PaintControls(TCanvas& dc) {
  const TRect clip = dc.ClipRect();
  for (TControl* c : controls_) {
    if (dynamic_cast<TWinControl*>(c) || !c->visible_) continue;
    if (IsRectEmpty(IntersectRect(c->BoundsRect(), clip))) continue;
    const int saved = dc.SaveDC();
    const TPoint vp = dc.ViewportOrg();
    dc.SetViewportOrg(vp.X + c->left_, vp.Y + c->top_);
    dc.IntersectClipRect(0, 0, c->width_, c->height_);
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&dc));
    dc.RestoreDC(saved);
  }
}

void TWinControl::PaintHandler(TCanvas& dc) {
  PaintWindow(dc);
  PaintControls(dc);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}
void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}
void TWinControl::KeyDown(uint16_t& key, TShiftState s) {
  if (OnKeyDown) OnKeyDown(this, key, s);
}
void TWinControl::KeyUp(uint16_t& key, TShiftState s) {
  if (OnKeyUp) OnKeyUp(this, key, s);
}
void TWinControl::KeyPress(char32_t& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT:
      if (auto* dc = reinterpret_cast<TCanvas*>(m.WParam)) PaintHandler(*dc);
      return;
    case WM_ERASEBKGND:
      if (auto* dc = reinterpret_cast<TCanvas*>(m.WParam); dc && Color() != clNone) {
        dc->Brush().SetColor(Color());
        dc->Brush().SetStyle(TBrushStyle::bsSolid);
        dc->FillRect(ClientRect());
      }
      m.Result = 1;
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      uint16_t key = static_cast<uint16_t>(m.WParam);
      const TShiftState s = static_cast<TShiftState>(m.LParam);
      KeyDown(key, s);
      if (key == 0 || DialogKey(key, s)) return;
      m.WParam = key;
      DefaultHandler(m);
      return;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      uint16_t key = static_cast<uint16_t>(m.WParam);
      KeyUp(key, static_cast<TShiftState>(m.LParam));
      if (key == 0) return;
      m.WParam = key;
      DefaultHandler(m);
      return;
    }
    case WM_CHAR: {
      char32_t ch = static_cast<char32_t>(m.WParam);
      KeyPress(ch);
      if (ch == 0) return;
      m.WParam = ch;
      DefaultHandler(m);
      return;
    }
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
    case WM_CLEAR:
      DefaultHandler(m);
      return;
    case CM_ENTER:
      DoEnter();
      return;
    case CM_EXIT:
      DoExit();
      return;
    case CM_FOCUSCHANGED:
    case CM_DIALOGCHAR:
    case CM_DIALOGKEY:
      Broadcast(m);
      return;
    case CM_COLORCHANGED:
      TControl::WndProc(m);
      for (TControl* c : controls_) c->Perform(CM_PARENTCOLORCHANGED);
      return;
    case CM_FONTCHANGED:
      TControl::WndProc(m);
      for (TControl* c : controls_) c->Perform(CM_PARENTFONTCHANGED);
      return;
    case CM_SHOWHINTCHANGED:
      for (TControl* c : controls_) c->Perform(CM_PARENTSHOWHINTCHANGED);
      return;
    case CM_ENABLEDCHANGED:
      if (!Enabled())
        if (TForm* f = ParentForm(); f && f->ActiveControl() && ContainsControl(f->ActiveControl()))
          f->SetFocusedControl(nullptr);
      break;
    default:
      break;
  }
  TControl::WndProc(m);
}

// ---- canvases of controls --------------------------------------------------

void AttachControlCanvas(TCanvas& canvas, TControl& control, TCanvas* dc) {
  if (dc && dc->Surface()) {
    canvas.AttachLike(*dc);
    return;
  }
  TForm* f = control.ParentForm();
  if (!f || !f->Surface()) {
    canvas.Detach();
    return;
  }
  // Outside painting: straight onto the form's surface, within the visible
  // part of the client area; kept as it is (saved states, viewport) while
  // the control stays put and no overlay covers it.
  const TRect vis = VisibleFormRect(control, control.ClientFormRect());
  const TPoint origin = control.ClientToForm({0, 0});
  f->SurfaceTouched(vis);
  const bool covered = f->CoveredAbove(control, vis);
  if (!covered && canvas.Surface() == f->Surface() && canvas.Origin() == origin && canvas.BaseClip() == vis)
    return;
  canvas.Attach(f->Surface(), origin, vis);
  if (covered) f->ClipAbove(canvas, control);
}

void PaintParentBackground(TControl& control, TCanvas& dc) {
  TWinControl* p = control.Parent();
  if (!p) return;
  const TPoint mine = control.ClientToForm({0, 0}), its = p->ClientToForm({0, 0});
  const int saved = dc.SaveDC();
  const TPoint vp = dc.ViewportOrg();
  dc.SetViewportOrg(vp.X - (mine.X - its.X), vp.Y - (mine.Y - its.Y));
  dc.IntersectClipRect(p->ClientRect());
  p->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(&dc));
  p->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&dc));
  dc.RestoreDC(saved);
}

TRect VisibleFormRect(const TControl& control, TRect r) {
  for (TControl* p = control.Parent(); p; p = p->Parent()) r = IntersectRect(r, p->ClientFormRect());
  return r;
}

TWindowCanvas::TWindowCanvas(TWinControl& control) {
  TForm* f = control.ParentForm();
  if (!f || !f->Surface()) return;
  const TRect vis = VisibleFormRect(control, control.FormRect());
  f->SurfaceTouched(vis);
  Attach(f->Surface(), control.FormRect().TopLeft(), vis);
  f->ClipAbove(*this, control);
}

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

TCanvas& TGraphicControl::Canvas() {
  if (!painting_) AttachControlCanvas(canvas_, *this, nullptr);
  return canvas_;
}

void TGraphicControl::WndProc(TMessage& m) {
  if (m.Msg == WM_PAINT) {
    auto* dc = reinterpret_cast<TCanvas*>(m.WParam);
    if (!dc) return;
    painting_ = true;
    AttachControlCanvas(canvas_, *this, dc);
    try {
      Paint();
    } catch (...) {
      painting_ = false;
      canvas_.Detach();
      throw;
    }
    painting_ = false;
    canvas_.Detach();
    return;
  }
  TControl::WndProc(m);
}

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

TCanvas& TCustomControl::Canvas() {
  if (!painting_) AttachControlCanvas(canvas_, *this, nullptr);
  return canvas_;
}

void TCustomControl::PaintWindow(TCanvas& dc) {
  const bool nested = painting_;
  painting_ = true;
  AttachControlCanvas(canvas_, *this, &dc);
  try {
    Paint();
  } catch (...) {
    painting_ = nested;
    canvas_.Detach();
    throw;
  }
  painting_ = nested;
  canvas_.Detach();
}

void TCustomControl::Paint() {
  if (OnPaint) OnPaint(this);
}

}  // namespace tavrel
