#include "controls/ToolPanelTab.h"

#include <algorithm>

#include "platform/classinfo.h"
#include "platform/ui/resources.h"

namespace tavrel {

namespace {
constexpr uintptr_t kTimerId = 500;

const EnumInfo kPositionInfo{"TPanelPosition", {"ppLeft", "ppRight", "ppTop", "ppBottom"}};
const EnumInfo kSlideSpeedInfo{"TSlideSpeed", {"ssSlow", "ssMedium", "ssFast", "ssInstant"}};
const EnumInfo kOpenCloseInfo{"TAutoOpenCloseSpeed",
                              {"aocSlow", "aocMedium", "aocFast", "aocVerySlow", "aocVeryFast"}};
const EnumInfo kLocationInfo{"TPanelPersistLocation", {"pplINIFile", "pplRegistry"}};
}  // namespace

int SlidePause(TSlideSpeed s) {
  switch (s) {
    case ssSlow: return 18;
    case ssMedium: return 9;
    case ssFast: return 3;
    default: return 0;
  }
}

int OpenCloseInterval(TAutoOpenCloseSpeed s) {
  switch (s) {
    case aocSlow: return 500;
    case aocFast: return 75;
    case aocVerySlow: return 1500;
    case aocVeryFast: return 40;
    default: return 200;
  }
}

// ---- TToolPanel and TToolPanels ----------------------------------------------

const ClassInfo& TToolPanel::Class() {
  static const ClassInfo ci = ClassBuilder<TToolPanel>("TToolPanel", TCollectionItem::Class()).build();
  return ci;
}

void TToolPanel::Assign(TPersistent* source) {
  auto* o = dynamic_cast<TToolPanel*>(source);
  if (!o) return TCollectionItem::Assign(source);
  Tag = o->Tag;
  panel_ = o->panel_;
  Caption = o->Caption;
  Visible = o->Visible;
  ImageIndex = o->ImageIndex;
  State = o->State;
  open_width_ = o->open_width_;
}

TToolPanels::TToolPanels(TAdvToolPanelTab* owner)
    : TCollection(ItemClassOf<TToolPanel>(), nullptr), owner_(owner) {}

void TToolPanels::Move(int from, int to) {
  TToolPanel* moved = Items(from);
  TToolPanel* copy = Insert(std::clamp(to, 0, Count()));
  copy->Assign(moved);
  Extract(moved);  // by identity: inserting below it shifted its index
  owner_->Invalidate();
}

// ---- TToolPanelForm ---------------------------------------------------------

const ClassInfo& TToolPanelForm::Class() {
  static const ClassInfo ci = ClassBuilder<TToolPanelForm>("TToolPanelForm", TForm::Class()).build();
  return ci;
}

TToolPanelForm::TToolPanelForm(TComponent* owner)
    : TForm(owner), bar_(dynamic_cast<TAdvToolPanelTab*>(owner)) {
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetName("tabf" + (owner ? owner->Name() : std::string()));
  SetBounds(0, 0, 0, 0);
}

void TToolPanelForm::WndProc(TMessage& m) {
  if (m.Msg == WM_NCHITTEST && bar_ && bar_->roll_out_panel_ >= 0) {
    TAdvToolPanel* p = bar_->PanelAt(bar_->roll_out_panel_);
    const TPoint c = ScreenToClient(MousePos(m.LParam));
    if (p && p->CanSize()) {
      if (bar_->position_ == ppRight && c.X < 2) {
        m.Result = HTLEFT;
        return;
      }
      if (bar_->position_ == ppBottom && c.Y < 2) {
        m.Result = HTTOP;
        return;
      }
    }
  }
  TForm::WndProc(m);
}

// ---- TPanelPersistence ------------------------------------------------------

const ClassInfo& TPanelPersistence::Class() {
  using P = TPanelPersistence;
  static const ClassInfo ci = ClassBuilder<P>("TPanelPersistence", TPersistent::Class())
                                  .prop("AutoSave", &P::AutoSave, &P::SetAutoSave)
                                  .defaultValue(false)
                                  .prop("AutoLoad", &P::AutoLoad, &P::SetAutoLoad)
                                  .defaultValue(false)
                                  .prop("INIFile", &P::INIFile, &P::SetINIFile)
                                  .prop("Location", &P::Location, &P::SetLocation)
                                  .enumType(kLocationInfo)
                                  .defaultValue(int64_t{pplINIFile})
                                  .prop("RegistryUserKey", &P::RegistryUserKey, &P::SetRegistryUserKey)
                                  .build();
  return ci;
}

// ---- TAdvToolPanelTab -------------------------------------------------------

const ClassInfo& TAdvToolPanelTab::Class() {
  using B = TAdvToolPanelTab;
  static const ClassInfo ci =
      ClassBuilder<B>("TAdvToolPanelTab", TCustomControl::Class())
          .prop("AutoDock", &B::AutoDock, &B::SetAutoDock)
          .defaultValue(true)
          .prop("AutoOpenCloseSpeed", &B::AutoOpenCloseSpeed, &B::SetAutoOpenCloseSpeed)
          .enumType(kOpenCloseInfo)
          .defaultValue(int64_t{aocMedium})
          .prop("AutoOpenOnMouseEnter", &B::AutoOpenOnMouseEnter, &B::SetAutoOpenOnMouseEnter)
          .defaultValue(true)
          .prop("AutoThemeAdapt", &B::AutoThemeAdapt, &B::SetAutoThemeAdapt)
          .defaultValue(false)
          .prop("ColorTo", &B::ColorTo, &B::SetColorTo)
          .prop("Images", &B::Images, &B::SetImages)
          .prop("PanelGlyphs", &B::PanelGlyphsObject)
          .prop("Persist", &B::PersistObject)
          .prop("Position", &B::Position, &B::SetPosition)
          .enumType(kPositionInfo)
          .prop("SlideSpeed", &B::SlideSpeed, &B::SetSlideSpeed)
          .enumType(kSlideSpeedInfo)
          .defaultValue(int64_t{ssMedium})
          .prop("TabBorderColor", &B::TabBorderColor, &B::SetTabBorderColor)
          .prop("TabColor", &B::TabColor, &B::SetTabColor)
          .prop("TabColorTo", &B::TabColorTo, &B::SetTabColorTo)
          .prop("TabHoverColor", &B::TabHoverColor, &B::SetTabHoverColor)
          .prop("TabHoverColorTo", &B::TabHoverColorTo, &B::SetTabHoverColorTo)
          .prop("Style", &B::Style, &B::SetStyle)
          .enumType(ToolPanelStyleInfo())
          .defaultValue(int64_t{esOffice2003Blue})
          .prop("TabWidth", &B::TabWidth, &B::SetTabWidth)
          .defaultValue(int64_t{23})
          .prop("TabGlyph", &B::TabGlyphData)
          .prop("Version", &B::Version, &B::SetVersion)
          .event("OnTabEnter", &B::OnTabEnter)
          .event("OnTabLeave", &B::OnTabLeave)
          .event("OnTabLeftClick", &B::OnTabLeftClick)
          .event("OnTabRightClick", &B::OnTabRightClick)
          .event("OnTabSlideOut", &B::OnTabSlideOut)
          .event("OnTabSlideIn", &B::OnTabSlideIn)
          .event("OnTabSlideOutDone", &B::OnTabSlideOutDone)
          .event("OnTabSlideInDone", &B::OnTabSlideInDone)
          .event("OnTabHide", &B::OnTabHide)
          .event("OnAllowTabHide", &B::OnAllowTabHide)
          .implements(IID_IStyleSetter)
          .build();
  return ci;
}

TAdvToolPanelTab::TAdvToolPanelTab(TComponent* owner)
    : TCustomControl(owner), panels_(std::make_unique<TToolPanels>(this)) {
  panel_form_ = TComponent::Create<TToolPanelForm>(this);
  up_down_ = LoadBitmap(HInstance(), "KIV_UPDOWN");
  up_down_.SetTransparent(true);  // keyed on its white
  SetAlign(alLeft);
  SetBounds(0, 0, 23, 200);
  SetColor(clInfoBk);
  SetStyle(esOffice2003Blue);
  Font().SetName("Tahoma");
}


void TAdvToolPanelTab::BeforeDestruction() {
  destroying_ = true;
  CancelSlides(nullptr);
  StopTimer();
  UnHookParent();
  // Panels sliding in the floating form go back to the bar's form first,
  // or they would go with the floating form.
  for (int i = 0; i < panels_->Count(); ++i) {
    TAdvToolPanel* p = panels_->Items(i)->Panel();
    if (!p) continue;
    p->SetTab(nullptr);
    p->RemoveFreeNotification(this);
    if (p->Parent() == panel_form_) {
      p->Hide();
      p->SetParent(Parent());
    }
  }
  panels_->Clear();
  TCustomControl::BeforeDestruction();
}

std::string TAdvToolPanelTab::Version() const { return ToolPanelVersionText(); }

void TAdvToolPanelTab::SetStyle(TToolPanelStyle v) {
  style_preset_ = v;
  if (const TTabBarColors* t = TabBarPreset(v)) {
    Font().SetColor(t->FontColor);
    SetTabColor(t->TabColor);
    SetTabColorTo(t->TabColorTo);
    SetTabHoverColor(t->TabHoverColor);
    SetTabHoverColorTo(t->TabHoverColorTo);
    SetTabBorderColor(t->TabBorderColor);
    SetColor(t->Color);
    SetColorTo(t->ColorTo);
  }
  if (StyleClearsAutoThemeAdapt(v)) auto_theme_adapt_ = false;
  for (int i = 0; i < panels_->Count(); ++i)
    if (TAdvToolPanel* p = panels_->Items(i)->Panel()) p->SetStyle(v);
  Invalidate();
}

void TAdvToolPanelTab::AdaptToDesktopScheme() { SetStyle(DesktopSchemeStyle(XPColorScheme())); }

void TAdvToolPanelTab::SetImages(TImageList* v) {
  if (v == images_) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = v;
  if (v) v->FreeNotification(this);
  Invalidate();
}

void TAdvToolPanelTab::SetTabGlyph(const TPicture& v) {
  tab_glyph_.Assign(v);
  Invalidate();
}

void TAdvToolPanelTab::SetPosition(TPanelPosition v) {
  CancelSlides(nullptr);
  position_ = v;
  for (int i = 0; i < panels_->Count(); ++i)
    if (TAdvToolPanel* p = panels_->Items(i)->Panel()) p->Hide();
  panel_form_->Hide();
  roll_out_panel_ = -1;
  static const TAlign align[] = {alLeft, alRight, alTop, alBottom};
  SetAlign(align[v]);
  if (Vertical()) SetWidth(tab_width_);
  else SetHeight(tab_width_);
  UpdatePanels(-1);
}

void TAdvToolPanelTab::SetThickness(int v) {
  if (Vertical()) SetWidth(v);
  else SetHeight(v);
  KeepOutermost();
}

void TAdvToolPanelTab::KeepOutermost() {
  // The form aligns controls of one side by their position, and a locked
  // panel level with the bar (an empty bar, or a panel moved up against
  // it) could be put between the bar and the form's edge. Moving it one
  // pixel inwards lets the alignment put it back beside the bar. An empty
  // bar is level with the panel beside it whatever it does, so it goes
  // behind them: of controls level with each other the one further back
  // is aligned first. No panel slides out of an empty bar.
  if (Thickness() == 0 && Parent()) {
    SendToBack();
    Parent()->Realign();
  }
  for (int i = 0; panels_ && i < panels_->Count(); ++i) {
    TAdvToolPanel* q = panels_->Items(i)->Panel();
    if (!q || !q->Locked() || q->Docking() || q->Parent() != Parent() || q->Align() != Align()) continue;
    switch (position_) {
      case ppLeft:
        if (q->Left() <= Left()) q->SetLeft(Left() + 1);
        break;
      case ppRight:
        if (q->Left() + q->Width() >= Left() + Width()) q->SetLeft(Left() + Width() - q->Width() - 1);
        break;
      case ppTop:
        if (q->Top() <= Top()) q->SetTop(Top() + 1);
        break;
      case ppBottom:
        if (q->Top() + q->Height() >= Top() + Height()) q->SetTop(Top() + Height() - q->Height() - 1);
        break;
    }
  }
}

TAdvToolPanel* TAdvToolPanelTab::PanelAt(int index) const {
  return index >= 0 && index < panels_->Count() ? panels_->Items(index)->Panel() : nullptr;
}

void TAdvToolPanelTab::Fire(const TTabEvent& e, TAdvToolPanel* p) {
  if (e) e(this, PanelIndex(p), p);
}

// ---- panels -----------------------------------------------------------------

void TAdvToolPanelTab::Loaded() {
  TCustomControl::Loaded();
  // Panels placed on the bar in the form data join it and move to its form.
  std::vector<TAdvToolPanel*> placed;
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* p = dynamic_cast<TAdvToolPanel*>(Controls(i))) placed.push_back(p);
  for (TAdvToolPanel* p : placed) {
    p->Hide();
    p->SetTab(this);
    p->SetParent(Parent());
    InsertPanel(p);
  }
  SetThickness(tab_width_);
  BringToFront();
  if (persist_.AutoLoad()) RestoreState();
  if (auto_theme_adapt_) AdaptToDesktopScheme();
}

void TAdvToolPanelTab::InsertPanel(TAdvToolPanel* p) {
  TToolPanel* item = panels_->Add();
  item->SetPanel(p);
  item->Caption = p->Caption();
  item->ImageIndex = p->ImageIndex();
  item->SetOpenWidth(p->OpenWidth());
  p->FreeNotification(this);
  UpdatePanels(-1);
}

void TAdvToolPanelTab::RemovePanel(TAdvToolPanel* p) {
  if (p) {
    CancelSlides(p);
    const int i = PanelIndex(p);
    if (i >= 0) {
      if (roll_out_panel_ == i) roll_out_panel_ = -1;
      else if (roll_out_panel_ > i) --roll_out_panel_;
      if (roll_in_candidate_ == i) roll_in_candidate_ = -1;
      if (mouse_panel_ == i) mouse_panel_ = -1;
      if (hover_panel_ == i) hover_panel_ = -1;
      p->RemoveFreeNotification(this);
      panels_->Delete(i);
    }
  }
  for (int i = 0; i < panels_->Count(); ++i) {
    TAdvToolPanel* q = panels_->Items(i)->Panel();
    if (!q || !q->Locked() || q->Docking()) continue;
    if (Vertical()) q->SetWidth(q->OpenWidth());
    else q->SetHeight(q->OpenWidth());
  }
  if (position_ == ppRight && Parent()) SetLeft(Parent()->ClientWidth());
  UpdatePanels(-1);
}

void TAdvToolPanelTab::UpdatePanel(TAdvToolPanel* p) {
  const int i = PanelIndex(p);
  if (i < 0) return;
  TToolPanel* item = panels_->Items(i);
  item->Caption = p->Caption();
  item->ImageIndex = p->ImageIndex();
  item->SetOpenWidth(p->OpenWidth());
  Invalidate();
}

TAdvToolPanel* TAdvToolPanelTab::CreatePanel() {
  TWinControl* host = Parent();
  TComponent* owner = host ? static_cast<TComponent*>(host) : Owner();
  auto* p = TComponent::Create<TAdvToolPanel>(owner);
  // A name of its own, so its saved state comes back to it.
  const std::string base = (Name().empty() ? std::string("Tab") : Name()) + "Panel";
  for (int n = 1;; ++n) {
    const std::string name = base + std::to_string(n);
    if (owner && owner->FindComponent(name)) continue;
    p->SetName(name);
    break;
  }
  p->SetTab(this);
  p->SetParent(host);
  p->Hide();
  InsertPanel(p);
  return p;
}

int TAdvToolPanelTab::PanelIndex(const TAdvToolPanel* p) const {
  for (int i = 0; i < panels_->Count(); ++i)
    if (panels_->Items(i)->Panel() == p) return i;
  return -1;
}

TAdvToolPanel* TAdvToolPanelTab::PanelByName(const std::string& name) const {
  for (int i = 0; i < panels_->Count(); ++i)
    if (TAdvToolPanel* p = panels_->Items(i)->Panel(); p && p->Name() == name) return p;
  return nullptr;
}

int TAdvToolPanelTab::PanelsInTab() const {
  int n = 0;
  for (int i = 0; i < panels_->Count(); ++i)
    if (TAdvToolPanel* p = panels_->Items(i)->Panel(); p && p->IsTabVisible()) ++n;
  return n;
}

int TAdvToolPanelTab::NumPanelsLocked() const {
  int n = 0;
  for (int i = 0; i < panels_->Count(); ++i)
    if (TAdvToolPanel* p = panels_->Items(i)->Panel(); p && p->Locked()) ++n;
  return n;
}

void TAdvToolPanelTab::UpdatePanels(int index) {
  if (destroying_) return;
  if (PanelsInTab() == 0) {
    if (!IsLoadingInChain()) SetThickness(0);
  } else if (Thickness() == 0) {
    SetThickness(tab_width_);  // the bar's width whenever it shows tabs
  }
  design_view_panel_ = index;
  if (panel_form_->Visible()) {
    if (position_ == ppRight) panel_form_->SetHeight(Height());
    if (position_ == ppBottom) panel_form_->SetWidth(Width());
  }
  Invalidate();
}

void TAdvToolPanelTab::NextPanel() {
  const int n = panels_->Count();
  if (n > 0) UpdatePanels(design_view_panel_ < 0 ? 0 : std::min(design_view_panel_ + 1, n - 1));
}

void TAdvToolPanelTab::PrevPanel() {
  const int n = panels_->Count();
  if (n > 0) UpdatePanels(design_view_panel_ < 0 ? 0 : std::max(design_view_panel_ - 1, 0));
}

void TAdvToolPanelTab::PanelHiddenChanged(TAdvToolPanel* p) {
  if (PanelIndex(p) == roll_out_panel_) roll_out_panel_ = -1;
  UpdatePanels(-1);
}

void TAdvToolPanelTab::SetPanelState(TAdvToolPanel* p, TPanelState s) {
  if (int i = PanelIndex(p); i >= 0) panels_->Items(i)->State = s;
}

bool TAdvToolPanelTab::AllowTabHide(TAdvToolPanel* p) {
  bool allow = true;
  if (OnAllowTabHide) OnAllowTabHide(this, PanelIndex(p), p, allow);
  return allow;
}

void TAdvToolPanelTab::TabHide(TAdvToolPanel* p) { Fire(OnTabHide, p); }

void TAdvToolPanelTab::SetBounds(int l, int t, int w, int h) {
  const int oldLeft = Left();
  TCustomControl::SetBounds(l, t, w, h);
  if (IsLoadingInChain() || !panels_) return;
  for (int i = 0; i < panels_->Count(); ++i) {
    TAdvToolPanel* p = panels_->Items(i)->Panel();
    if (!p || !p->Visible() || p->Docking()) continue;
    if (Vertical()) p->SetHeight(Height());
    else p->SetWidth(Width());
  }
  if (position_ == ppRight && panel_form_->Visible() && Left() != oldLeft)
    panel_form_->SetLeft(panel_form_->Left() + Left() - oldLeft);
}

void TAdvToolPanelTab::Resize() {
  paint_offset_ = 0;
  UpdatePanels(-1);
  TCustomControl::Resize();
}

void TAdvToolPanelTab::Notification(TComponent* c, TOperation op) {
  TCustomControl::Notification(c, op);
  if (op != TOperation::opRemove) return;
  if (c == images_) images_ = nullptr;
  if (c == hooked_form_) hooked_form_ = nullptr;
  if (auto* p = dynamic_cast<TAdvToolPanel*>(c); p && PanelIndex(p) >= 0) {
    RemovePanel(p);
    Invalidate();
  }
}

// ---- mouse ------------------------------------------------------------------

void TAdvToolPanelTab::MouseMove(TShiftState s, int x, int y) {
  TCustomControl::MouseMove(s, x, y);
  mouse_in_control_ = true;
  const int t = TabAt(x, y);
  if (t != mouse_panel_) {
    if (mouse_panel_ >= 0) Fire(OnTabLeave, PanelAt(mouse_panel_));
    mouse_panel_ = t;
    if (t >= 0) Fire(OnTabEnter, PanelAt(t));
  }
  if (t != hover_panel_ && tab_hover_color_ != clNone) {
    hover_panel_ = t;
    Invalidate();
  }
  if (auto_open_) UpdateCandidate(x, y);
}

void TAdvToolPanelTab::UpdateCandidate(int x, int y) {
  const int across = Vertical() ? x : y;
  const TPoint p{x, y};
  if (across <= Thickness() - tab_width_ || roll_in_out_ || p == last_mouse_pos_) {
    roll_in_candidate_ = -1;
  } else if (const int t = TabAt(x, y); t != roll_in_candidate_) {
    roll_in_candidate_ = t;
    timer_roll_in_ = 0;
  }
  last_mouse_pos_ = p;
}

void TAdvToolPanelTab::MouseLeave() {
  if (mouse_panel_ >= 0) Fire(OnTabLeave, PanelAt(mouse_panel_));
  mouse_in_control_ = false;
  if (Screen() && Screen()->Cursor() == crSizeAll) Screen()->SetCursor(Cursor());
  mouse_panel_ = hover_panel_ = -1;
  Invalidate();
}

void TAdvToolPanelTab::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  TCustomControl::MouseDown(b, s, x, y);
  if (roll_in_busy_) return;
  {
    TFlagHold busy(roll_in_busy_);
    const int t = TabAt(x, y);
    if (t < 0) {
      TAdvToolPanel* out = PanelAt(roll_out_panel_);
      if (out && !out->AutoLock()) RollIn(out);
    } else {
      if (b == TMouseButton::mbLeft) Fire(OnTabLeftClick, PanelAt(t));
      if (b == TMouseButton::mbRight) Fire(OnTabRightClick, PanelAt(t));
      OpenTabPanel(t);
    }
  }
  const int total = TotalTabLength();
  if (Vertical() && total > Height() && y > Height() - 10) {
    if (x < 12 && paint_offset_ < 0) paint_offset_ += 10;
    else if (x > 12 && x < 24 && paint_offset_ > Height() - total) paint_offset_ -= 10;
    Invalidate();
  }
}

// ---- the parent form's messages ---------------------------------------------

void TAdvToolPanelTab::SetParent(TWinControl* parent) {
  TCustomControl::SetParent(parent);
  if (destroying_) return;
  if (ParentForm() != hooked_form_) {
    UnHookParent();
    HookParent();
  }
  if (parent) StartTimer();
  else StopTimer();
}

void TAdvToolPanelTab::HookParent() {
  TForm* f = ParentForm();
  if (!f || f == hooked_form_) return;
  hooked_form_ = f;
  f->FreeNotification(this);
  f->AddMessageObserver(this, [this](TMessage& m) { return FormMessage(m); });
}

void TAdvToolPanelTab::UnHookParent() {
  if (!hooked_form_) return;
  hooked_form_->RemoveMessageObserver(this);
  hooked_form_->RemoveFreeNotification(this);
  hooked_form_ = nullptr;
}

bool TAdvToolPanelTab::FormMessage(TMessage& m) {
  switch (m.Msg) {
    case WM_SIZE: {
      // No panel stays longer than the form's client area.
      const int limit = Vertical() ? hooked_form_->ClientHeight() : hooked_form_->ClientWidth();
      for (int i = 0; i < panels_->Count(); ++i) {
        TAdvToolPanel* p = panels_->Items(i)->Panel();
        if (!p || p->Docking()) continue;
        if (Vertical() && p->Height() > limit) p->SetHeight(limit);
        if (!Vertical() && p->Width() > limit) p->SetWidth(limit);
      }
      break;
    }
    case WM_CLOSE:
      if (persist_.AutoSave()) SaveState();
      if (panel_form_->Visible()) panel_form_->Hide();
      break;
    case WM_MOVING:
    case WM_PAINT:
      // Moving the floating form over the form leaves marks on it.
      if (KeepFormInPlace(false)) hooked_form_->Invalidate();
      break;
    case WM_SYSCOMMAND: {
      const WPARAM cmd = m.WParam;
      if (cmd == 0xF012 || cmd == 0xF020 || cmd == 0xF030 || cmd == 0xF032 || cmd == 0xF120 ||
          cmd == 0xF122) {
        KeepFormInPlace(true);
        if (cmd == 0xF030)
          for (int i = 0; i < panels_->Count(); ++i)
            if (TAdvToolPanel* p = panels_->Items(i)->Panel(); p && !p->Locked()) RollIn(p);
      }
      break;
    }
    case WM_THEMECHANGED:
      if (auto_theme_adapt_) AdaptToDesktopScheme();
      break;
    default:
      break;
  }
  return false;
}

bool TAdvToolPanelTab::KeepFormInPlace(bool resize) {
  if (roll_out_panel_ < 0 || !panel_form_->Visible() || (position_ != ppRight && position_ != ppBottom))
    return false;
  const TRect before = panel_form_->BoundsRect();
  const TPoint o = ClientToScreen({0, 0});
  if (position_ == ppRight) {
    panel_form_->SetBounds(o.X - panel_form_->Width(), o.Y, panel_form_->Width(),
                           resize ? Height() : panel_form_->Height());
  } else {
    panel_form_->SetBounds(o.X, o.Y - panel_form_->Height(), panel_form_->Width(), panel_form_->Height());
  }
  // The form keeps the keyboard while the floating form follows it.
  if (hooked_form_->Showing() && !hooked_form_->Active()) hooked_form_->InjectActivate(true);
  return panel_form_->BoundsRect() != before;
}

// ---- own messages -----------------------------------------------------------

void TAdvToolPanelTab::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_TIMER:
      TCustomControl::WndProc(m);
      if (m.WParam == kTimerId) TimerTick();
      else NextSlideStep();
      return;
    case CM_MOUSELEAVE:
      TCustomControl::WndProc(m);
      if (!m.LParam) MouseLeave();
      return;
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    default:
      break;
  }
  TCustomControl::WndProc(m);
}

void TAdvToolPanelTab::StartTimer() {
  if (timer_running_) return;
  timer_running_ = SetTimer(Handle(), kTimerId, static_cast<UINT>(OpenCloseInterval(open_close_speed_))) != 0;
}

void TAdvToolPanelTab::StopTimer() {
  if (timer_running_ && HandleAllocated()) KillTimer(Handle(), kTimerId);
  timer_running_ = false;
}

}  // namespace tavrel
