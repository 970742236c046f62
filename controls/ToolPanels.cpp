#include "controls/ToolPanels.h"

#include <algorithm>

#include "platform/ui/forms.h"
#include "platform/ui/resources.h"

namespace tavrel {

namespace {

const EnumInfo kPositionInfo{"TTPBackGroundPosition",
                             {"bpTopLeft", "bpTopRight", "bpBottomLeft", "bpBottomRight", "bpTiled",
                              "bpStretched", "bpCenter"}};


constexpr uint32_t kVersion = 0x01050200;

}  // namespace

const ClassInfo& TAdvToolPanel::Class() {
  using P = TAdvToolPanel;
  static const ClassInfo ci =
      ClassBuilder<P>("TAdvToolPanel", TCustomControl::Class())
          .prop("AllowDocking", &P::AllowDocking, &P::SetAllowDocking)
          .defaultValue(true)
          .prop("AutoLock", &P::AutoLock, &P::SetAutoLock)
          .defaultValue(false)
          .prop("Background", &P::BackgroundData)
          .prop("BackgroundTransparent", &P::BackgroundTransparent, &P::SetBackgroundTransparent)
          .prop("BackGroundPosition", &P::BackGroundPosition, &P::SetBackGroundPosition)
          .enumType(kPositionInfo)
          .prop("BevelWidth", &P::BevelWidth, &P::SetBevelWidth)
          .defaultValue(int64_t{1})
          .prop("BorderWidth", &P::BorderWidth, &P::SetBorderWidth)
          .defaultValue(int64_t{0})
          .prop("Button3D", &P::Button3D, &P::SetButton3D)
          .defaultValue(true)
          .prop("HoverButtonColor", &P::HoverButtonColor, &P::SetHoverButtonColor)
          .typeName("TColor")
          .prop("HoverButtonColorTo", &P::HoverButtonColorTo, &P::SetHoverButtonColorTo)
          .typeName("TColor")
          .prop("DownButtonColor", &P::DownButtonColor, &P::SetDownButtonColor)
          .typeName("TColor")
          .prop("DownButtonColorTo", &P::DownButtonColorTo, &P::SetDownButtonColorTo)
          .typeName("TColor")
          .prop("CaptionButton", &P::CaptionButton, &P::SetCaptionButton)
          .prop("Color", &P::Color, &P::SetColor)
          .typeName("TColor")
          .defaultValue(int64_t{RGB(214, 231, 255)})
          .prop("ColorTo", &P::ColorTo, &P::SetColorTo)
          .typeName("TColor")
          .prop("GradientDirection", &P::GradientDirection, &P::SetGradientDirection)
          .enumType(GradientDirectionInfo())
          .defaultValue(int64_t{gdHorizontal})
          .prop("DockDots", &P::DockDots, &P::SetDockDots)
          .prop("CanSize", &P::CanSize, &P::SetCanSize)
          .defaultValue(true)
          .prop("CaptionGradientDirection", &P::CaptionGradientDirection,
                &P::SetCaptionGradientDirection)
          .enumType(GradientDirectionInfo())
          .prop("ImageIndex", &P::ImageIndex, &P::SetImageIndex)
          .defaultValue(int64_t{-1})
          .prop("FocusCaptionColor", &P::FocusCaptionColor, &P::SetFocusCaptionColor)
          .typeName("TColor")
          .prop("FocusCaptionColorTo", &P::FocusCaptionColorTo, &P::SetFocusCaptionColorTo)
          .typeName("TColor")
          .prop("FocusCaptionFontColor", &P::FocusCaptionFontColor, &P::SetFocusCaptionFontColor)
          .typeName("TColor")
          .prop("NoFocusCaptionColor", &P::NoFocusCaptionColor, &P::SetNoFocusCaptionColor)
          .typeName("TColor")
          .prop("NoFocusCaptionColorTo", &P::NoFocusCaptionColorTo, &P::SetNoFocusCaptionColorTo)
          .typeName("TColor")
          .prop("NoFocusCaptionFontColor", &P::NoFocusCaptionFontColor,
                &P::SetNoFocusCaptionFontColor)
          .typeName("TColor")
          .prop("OpenWidth", &P::OpenWidth, &P::SetOpenWidth)
          .defaultValue(int64_t{150})
          .prop("CloseHint", &P::CloseHint, &P::SetCloseHint)
          .prop("LockHint", &P::LockHint, &P::SetLockHint)
          .prop("UnlockHint", &P::UnlockHint, &P::SetUnlockHint)
          .prop("Sections", &P::Sections)
          .prop("SectionLayout", &P::SectionLayout)
          .prop("SectionImages", &P::SectionImages, &P::SetSectionImages)
          .prop("PopupMenu", &P::PopupMenu, &P::SetPopupMenu)
          .prop("ShowCaption", &P::ShowCaption, &P::SetShowCaption)
          .defaultValue(true)
          .prop("ShowCaptionBorder", &P::ShowCaptionBorder, &P::SetShowCaptionBorder)
          .defaultValue(true)
          .prop("ShowClose", &P::ShowClose, &P::SetShowClose)
          .defaultValue(true)
          .prop("ShowLock", &P::ShowLock, &P::SetShowLock)
          .defaultValue(true)
          .prop("Style", &P::Style, &P::SetStyle)
          .enumType(ToolPanelStyleInfo())
          .defaultValue(int64_t{esOffice2003Blue})
          .prop("Version", &P::Version, &P::SetVersion)
          .event("OnCaptionBtnClick", &P::OnCaptionBtnClick)
          .event("OnItemClick", &P::OnItemClick)
          .event("OnNodeExpand", &P::OnNodeExpand)
          .event("OnNodeCollapse", &P::OnNodeCollapse)
          .event("OnLock", &P::OnLock)
          .event("OnUnlock", &P::OnUnlock)
          .implements(IID_IStyleSetter)
          .build();
  return ci;
}

const ClassInfo& TToolPanelGlyphs::Class() {
  using G = TToolPanelGlyphs;
  static const ClassInfo ci = ClassBuilder<G>("TToolPanelGlyphs", TPersistent::Class())
                                  .prop("CloseGlyphNormal", &G::Data<&G::close_normal_>)
                                  .prop("CloseGlyphDown", &G::Data<&G::close_down_>)
                                  .prop("CloseGlyphHot", &G::Data<&G::close_hot_>)
                                  .prop("LockGlyphNormal", &G::Data<&G::lock_normal_>)
                                  .prop("LockGlyphDown", &G::Data<&G::lock_down_>)
                                  .prop("LockGlyphHot", &G::Data<&G::lock_hot_>)
                                  .prop("UnLockGlyphNormal", &G::Data<&G::unlock_normal_>)
                                  .prop("UnLockGlyphDown", &G::Data<&G::unlock_down_>)
                                  .prop("UnLockGlyphHot", &G::Data<&G::unlock_hot_>)
                                  .build();
  return ci;
}

TAdvToolPanel::TAdvToolPanel(TComponent* owner) : TCustomControl(owner) {
  style_ |= csAcceptsControls;
  close_glyph_ = LoadBitmap(HInstance(), "KIV_CLOSEBTN");
  locked_glyph_ = LoadBitmap(HInstance(), "KIV_LOCKPIN");
  unlocked_glyph_ = LoadBitmap(HInstance(), "KIV_UNLOCKPIN");
  SetTabStop(true);
  const TToolPanelColors& blue = *ToolPanelPreset(esOffice2003Blue);
  focus_caption_color_ = blue.FocusCaptionColor;
  focus_caption_color_to_ = blue.FocusCaptionColorTo;
  focus_caption_font_color_ = blue.FocusCaptionFontColor;
  nofocus_caption_color_ = blue.NoFocusCaptionColor;
  nofocus_caption_color_to_ = blue.NoFocusCaptionColorTo;
  nofocus_caption_font_color_ = blue.NoFocusCaptionFontColor;
  hover_button_color_ = blue.HoverButtonColor;
  hover_button_color_to_ = blue.HoverButtonColorTo;
  down_button_color_ = blue.DownButtonColor;
  down_button_color_to_ = blue.DownButtonColorTo;
  sections_ = std::make_unique<TAdvToolPanelSections>(this);
  section_layout_ = std::make_unique<TSectionLayout>();
  section_layout_->OnChange = TNotifyEvent([this](TObject*) { SectionLayoutChanged(); });
  SetColor(RGB(214, 231, 255));
  color_to_ = RGB(82, 123, 198);
  SetBounds(0, 0, 180, 300);
  // The preset turns Button3D and ShowCaptionBorder off again.
  SetStyle(esOffice2003Blue);
}

std::string TAdvToolPanel::Version() const { return ToolPanelVersionText(); }

std::string ToolPanelVersionText() {
  return std::to_string(kVersion >> 24) + "." + std::to_string((kVersion >> 16) & 0xFF) + "." +
         std::to_string((kVersion >> 8) & 0xFF) + "." + std::to_string(kVersion & 0xFF);
}

void TAdvToolPanel::SetStyle(TToolPanelStyle v) {
  style_preset_ = v;
  const TToolPanelColors* p = ToolPanelPreset(v);
  const TSectionLayoutColors* s = SectionLayoutPreset(v);
  if (!p || !s) return;
  SetColor(p->Color);
  SetColorTo(p->ColorTo);
  SetFocusCaptionColor(p->FocusCaptionColor);
  SetFocusCaptionColorTo(p->FocusCaptionColorTo);
  SetFocusCaptionFontColor(p->FocusCaptionFontColor);
  SetNoFocusCaptionColor(p->NoFocusCaptionColor);
  SetNoFocusCaptionColorTo(p->NoFocusCaptionColorTo);
  SetNoFocusCaptionFontColor(p->NoFocusCaptionFontColor);
  SetHoverButtonColor(p->HoverButtonColor);
  SetHoverButtonColorTo(p->HoverButtonColorTo);
  SetDownButtonColor(p->DownButtonColor);
  SetDownButtonColorTo(p->DownButtonColorTo);
  TSectionLayout& l = *section_layout_;
  l.SetCaptionColor(s->CaptionColor);
  l.SetCaptionColorTo(s->CaptionColorTo);
  l.SetCaptionGradientDir(s->CaptionGradientDir);
  l.SetCaptionFontColor(s->CaptionFontColor);
  l.SetBackGroundColor(s->BackGroundColor);
  l.SetBackGroundColorTo(s->BackGroundColorTo);
  l.SetBorderColor(s->BorderColor);
  l.SetItemFontColor(s->ItemFontColor);
  // What every preset sets alike.
  SetGradientDirection(gdVertical);
  SetCaptionGradientDirection(gdVertical);
  l.SetBackGroundGradientDir(gdVertical);
  l.SetItemHoverTextColor(l.ItemFontColor());
  l.SetItemHoverUnderline(true);
  l.SetBorderWidth(1);
  SetShowCaptionBorder(false);
  SetButton3D(false);
}

// ---- properties -------------------------------------------------------------

void TAdvToolPanel::SetBackground(const TPicture& v) {
  background_.Assign(v);
  Invalidate();
}

void TAdvToolPanel::SetBackgroundTransparent(bool v) { Store(background_transparent_, v); }

void TAdvToolPanel::SetBackGroundPosition(TTPBackGroundPosition v) {
  background_position_ = v;
  Invalidate();
}

void TAdvToolPanel::SetBorderWidth(int v) {
  if (v == border_width_) return;
  border_width_ = v;
  Realign();
  Invalidate();
}

void TAdvToolPanel::RunLayoutAgain() {
  // One pixel wider and back: the children are laid out again even when
  // nothing else changed.
  const int w = Width();
  SetWidth(w + 1);
  SetWidth(w);
}

void TAdvToolPanel::SetText(const std::string& v) {
  TCustomControl::SetText(v);
  if (Parent()) Parent()->Invalidate();
  RunLayoutAgain();
  if (tab_) tab_->UpdatePanel(this);
}

void TAdvToolPanel::SetImageIndex(int v) {
  image_index_ = v;
  if (Parent()) Parent()->Invalidate();
  RunLayoutAgain();
  if (tab_) tab_->UpdatePanel(this);
}

void TAdvToolPanel::SetOpenWidth(int v) {
  open_width_ = v;
  if (tab_) tab_->UpdatePanel(this);
}

void TAdvToolPanel::SetSectionImages(TImageList* v) {
  if (v == section_images_) return;
  if (section_images_) section_images_->RemoveFreeNotification(this);
  section_images_ = v;
  if (v) v->FreeNotification(this);
  Invalidate();
}

void TAdvToolPanel::Notification(TComponent* c, TOperation op) {
  TCustomControl::Notification(c, op);
  if (op == TOperation::opRemove && c == section_images_) section_images_ = nullptr;
  if (op == TOperation::opRemove && c == popup_menu_) popup_menu_ = nullptr;
}

void TAdvToolPanel::SetHidden(bool v) {
  hidden_ = v;
  if (tab_) tab_->PanelHiddenChanged(this);
}

void TAdvToolPanel::SetLocked(bool v) {
  if (tab_ && v && !Visible()) tab_->RollOut(this);
  locked_ = v;
  InvalidateRect(ButtonArea());
  if (tab_) tab_->ApplyLockState(this);
}

void TAdvToolPanel::SetDocking(bool v) {
  docking_ = v;
  if (tab_) tab_->RepaintTabs();
}

void TAdvToolPanel::SetFloating(bool v) {
  if (v == floating_) return;
  floating_ = v;
  Realign();
  Invalidate();
}

void TAdvToolPanel::SetPopupMenu(TPopupMenu* v) {
  if (v == popup_menu_) return;
  if (popup_menu_) popup_menu_->RemoveFreeNotification(this);
  popup_menu_ = v;
  if (v) v->FreeNotification(this);
}

void TAdvToolPanel::CaptionButtonClick(TRect r) {
  r.Bottom -= 2;
  if (popup_menu_) {
    const TPoint p = ClientToScreen({r.Left, r.Bottom});
    popup_menu_->Popup(p.X, p.Y);
  } else if (OnCaptionBtnClick) {
    OnCaptionBtnClick(this, r);
  }
}

void TAdvToolPanel::SectionLayoutChanged() {
  for (int i = 0; i < sections_->Count(); ++i) {
    TAdvToolPanelSection* s = sections_->Items(i);
    s->SetAutosize(s->Autosize());
  }
  Invalidate();
}

void TAdvToolPanel::Loaded() {
  TCustomControl::Loaded();
  // Autosize values read from the form data are measured now.
  SectionLayoutChanged();
}

// ---- layout -----------------------------------------------------------------

void TAdvToolPanel::AlignControls(TControl* changed, TRect& r) {
  r = InflateRect(r, -border_width_, -border_width_);
  if (show_caption_ && !floating_) r.Top = std::max(r.Top, ToolPanelCaptionHeight);
  TCustomControl::AlignControls(changed, r);
}

void TAdvToolPanel::Resize() {
  if (tab_) tab_->RestartAwayCount();
  TCustomControl::Resize();
}

// ---- focus and mouse --------------------------------------------------------

void TAdvToolPanel::DoEnter() {
  active_ = true;
  Invalidate();
  TCustomControl::DoEnter();
}

void TAdvToolPanel::DoExit() {
  active_ = false;
  Invalidate();
  TCustomControl::DoExit();
}

TRect TAdvToolPanel::ButtonArea() const {
  const int w = ClientWidth();
  return caption_button_ ? Rect(0, 0, w, 21) : Rect(w - 42, 0, w, 21);
}

TRect TAdvToolPanel::CloseRect() const {
  const int w = ClientWidth();
  return Rect(w - 20, 2, w - 5, 18);
}

TRect TAdvToolPanel::LockRect() const {
  const int w = ClientWidth();
  return show_close_ ? Rect(w - 40, 2, w - 21, 18) : CloseRect();
}

TPoint TAdvToolPanel::CursorInClient() const { return ScreenToClient(GetCursorPos()); }

void TAdvToolPanel::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  TCustomControl::MouseDown(b, s, x, y);
  // Below a shown caption bar only; without one the first box sits near the top.
  if (y >= ToolPanelCaptionHeight || floating_ || !show_caption_) {
    for (int i = 0; i < sections_->Count(); ++i)
      if (PtInRect(SectionNodeRect(i), {x, y})) {
        TAdvToolPanelSection* sec = sections_->Items(i);
        sec->SetExpanded(!sec->Expanded());
        break;
      }
  }
  mouse_down_ = true;
  if (CanFocus()) SetFocus();
  if (PtInRect(ButtonArea(), {x, y})) InvalidateRect(ButtonArea());
}

void TAdvToolPanel::MouseMove(TShiftState s, int x, int y) {
  TCustomControl::MouseMove(s, x, y);
  if (tab_ && Screen()) {
    const bool dragZone = dock_dots_ ? x < 8 : x < ClientWidth() - 40;
    if (locked_ && tab_->AutoDock() && allow_docking_ && y < ToolPanelCaptionHeight &&
        !floating_ && dragZone) {
      Screen()->SetCursor(crSizeAll);
      if (mouse_down_) tab_->BeginDockDrag(this);
    } else if (Screen()->Cursor() == crSizeAll) {
      Screen()->SetCursor(Cursor());
    }
  }
  if (PtInRect(ButtonArea(), {x, y})) InvalidateRect(ButtonArea());
  TrackItemHover(x, y);
}

void TAdvToolPanel::ItemClick() {
  if (OnItemClick && hover_section_ >= 0 && hover_item_ >= 0)
    OnItemClick(this, hover_section_, hover_item_);
}

void TAdvToolPanel::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  TCustomControl::MouseUp(b, s, x, y);
  if (dock_dragging_ && tab_) {
    tab_->CancelDockDrag(this);
    dock_dragging_ = false;
    docking_ = false;
  }
  if (Screen() && Screen()->Cursor() == crSizeAll) Screen()->SetCursor(Cursor());
  if (!tab_) {
    ItemClick();  // alone: the pressed look stays until the mouse leaves
    return;
  }
  if (!mouse_down_) return;
  const TPanelPosition pos = tab_->Position();
  SetOpenWidth(pos == ppTop || pos == ppBottom ? Height() : Width());
  mouse_down_ = false;
  const TPoint p{x, y};
  if (PtInRect(CloseRect(), p) && show_close_ && !floating_) {
    if (!tab_->AllowTabHide(this)) return;
    tab_->TabHide(this);
    if (TWinControl* form = tab_->PanelForm(); form && Parent() == form) form->Hide();
    SetHidden(true);
    tab_->UpdatePanels();
    Hide();
    return;
  }
  if (PtInRect(LockRect(), p) && show_lock_ && !floating_) {
    SetLocked(!locked_);
    if (locked_ && OnLock) OnLock(this);
    if (!locked_ && OnUnlock) OnUnlock(this);
    return;
  }
  const TRect captionButton = Rect(dock_dots_ ? 8 : 0, 0, LockRect().Left, ToolPanelCaptionHeight);
  if (caption_button_ && !floating_ && show_caption_ && PtInRect(captionButton, p))
    CaptionButtonClick(captionButton);
  ItemClick();
}

void TAdvToolPanel::TrackItemHover(int x, int y) {
  int item = -1, section = -1;
  TRect r;
  if (SectionItemAt(x, y, item, section, r)) {
    if (item == hover_item_ && section == hover_section_) return;
    if (section_layout_->ItemHoverUnderline() && Screen()) Screen()->SetCursor(crHandPoint);
    InvalidateRect(hover_rect_);
    hover_section_ = section;
    hover_item_ = item;
    hover_rect_ = r;
    if (Application()) Application()->CancelHint();
    InvalidateRect(r);
  } else if (hover_item_ != -1) {
    if (Screen()) Screen()->SetCursor(Cursor());
    InvalidateRect(hover_rect_);
    hover_section_ = hover_item_ = -1;
    hover_rect_ = {-1, -1, -1, -1};
  }
}

void TAdvToolPanel::HintShow(THintInfo& info) {
  const TPoint p = info.CursorPos;
  const int w = ClientWidth();
  if (show_close_ && PtInRect(Rect(w - 21, 2, w - 5, 21), p)) info.HintStr = close_hint_;
  const TRect lockHint = show_close_ ? Rect(w - 42, 2, w - 23, 21) : Rect(w - 21, 2, w - 5, 21);
  if (show_lock_ && PtInRect(lockHint, p)) info.HintStr = locked_ ? unlock_hint_ : lock_hint_;
  int item = -1, section = -1;
  TRect r;
  if (SectionItemAt(p.X, p.Y, item, section, r))
    info.HintStr = sections_->Items(section)->SectionItems()->Items(item)->Hint();
}

LRESULT TAdvToolPanel::SizingHitTest(TPoint screen) {
  if (!locked_) tab_->RestartAwayCount();
  const TPoint p = ScreenToClient(screen);
  const int w = ClientWidth(), h = ClientHeight();
  switch (tab_->Position()) {
    case ppLeft:
      if (can_size_ && p.X >= w - 2 && p.X < w + 1) return HTRIGHT;
      break;
    case ppRight:
      if (can_size_ && locked_ && p.X >= 0 && p.X <= 2) return HTLEFT;
      break;
    case ppTop:
      if (can_size_ && p.Y >= h - 2 && p.Y <= h + 2) return HTBOTTOM;
      break;
    case ppBottom:
      if (can_size_ && locked_ && p.Y >= -2 && p.Y <= 2) return HTTOP;
      break;
  }
  return HTCLIENT;
}

// ---- docking ----------------------------------------------------------------

void TAdvToolPanel::DoStartDock() {
  if (!tab_) return;
  const TPanelPosition pos = tab_->Position();
  SetOpenWidth(pos == ppTop || pos == ppBottom ? Height() : Width());
  tab_->SetPanelState(this, psDocked);
  dock_dragging_ = true;
  SetDocking(true);
  const TPoint c = CursorInClient();
  if (!(c.Y < ToolPanelCaptionHeight && c.X < ClientWidth() - 40)) {
    tab_->CancelDockDrag(this);
    dock_dragging_ = false;
    SetDocking(false);
  }
}

void TAdvToolPanel::DoEndDock() {
  dock_dragging_ = false;
  if (Screen() && Screen()->Cursor() == crSizeAll) Screen()->SetCursor(Cursor());
  if (floating_ != old_floating_) {
    old_floating_ = floating_;
    // A floating panel has no caption bar: its children move up into that room.
    const int d = floating_ ? -ToolPanelCaptionHeight : ToolPanelCaptionHeight;
    if (show_caption_)
      for (int i = 0; i < ControlCount(); ++i) Controls(i)->SetTop(Controls(i)->Top() + d);
    if (!floating_ && tab_) tab_->SetPanelState(this, psOpened);
  }
  if (tab_) tab_->ReapplyLockedSizes();
}

// ---- messages ---------------------------------------------------------------

void TAdvToolPanel::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_ERASEBKGND:
      m.Result = 1;  // Paint covers everything
      return;
    case WM_NCHITTEST:
      if (tab_ && !floating_) {
        m.Result = SizingHitTest(MousePos(m.LParam));
        return;
      }
      break;
    case WM_ENTERSIZEMOVE:
    case WM_EXITSIZEMOVE:
      if (tab_) tab_->EnableAwayCount(m.Msg == WM_EXITSIZEMOVE);
      break;
    case CM_MOUSELEAVE:
      if (!m.LParam) {
        mouse_down_ = false;
        InvalidateRect(ButtonArea());
      }
      break;
    case CM_HINTSHOW:
      if (auto* info = reinterpret_cast<THintInfo*>(m.LParam)) HintShow(*info);
      m.Result = 0;  // always allowed
      return;
    case CM_CONTROLLISTCHANGE:
      if (!m.LParam) {  // a child left: no section may hold on to it
        auto* gone = reinterpret_cast<TControl*>(m.WParam);
        for (int i = 0; i < sections_->Count(); ++i) {
          auto& list = sections_->Items(i)->control_list_;
          list.erase(std::remove(list.begin(), list.end(), gone), list.end());
        }
      }
      break;
    default:
      break;
  }
  TCustomControl::WndProc(m);
}

}  // namespace tavrel
