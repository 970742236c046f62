#pragma once
// TAdvToolPanel: a container drawn entirely by itself. A two-colour
// gradient background with an optional picture, a caption bar 23 pixels
// high whose colours follow the keyboard focus, a grip of dock dots at its
// left, optional close, lock and drop-down caption buttons at its right,
// and collapsible sections of clickable items (ToolPanelSections.h).
// Child controls are laid out below the caption bar.
//
//   auto* p = TComponent::Create<TAdvToolPanel>(form);   // esOffice2003Blue colours
//   p->SetParent(form);
//   p->SetBounds(0, 0, 441, 201);
//   p->SetShowClose(false);  p->SetShowLock(false);
//   p->SetCaption("Paramètres");
//   p->OnItemClick = TItemClickEvent([](TObject*, int section, int item) { ... });
//
// Alone on a form, a panel only paints the hover and pressed looks of its
// close and lock buttons. In a tab bar (IToolPanelTab below, set by the
// bar) those buttons close and pin it, and its caption starts a dock drag.
// Hover looks are decided at paint time from the cursor position
// (SetCursorPos in tests).
#include <cstdint>
#include <memory>
#include <string>

#include "controls/PictureData.h"
#include "controls/ToolPanelSections.h"
#include "controls/ToolPanelStyles.h"
#include "platform/ui/graphics.h"
#include "platform/ui/imagelist.h"
#include "platform/ui/menus.h"

namespace tavrel {

class TAdvToolPanel;
struct THintInfo;

enum TTPBackGroundPosition {
  bpTopLeft, bpTopRight, bpBottomLeft, bpBottomRight, bpTiled, bpStretched, bpCenter
};
enum TPanelPosition { ppLeft, ppRight, ppTop, ppBottom };
enum TPanelState { psClosed, psOpened, psDocked };

// Pictures a tab bar gives its panels' close and lock buttons; an empty
// normal picture leaves the panel drawing its own marks. Each is published
// for form data ("PanelGlyphs.CloseGlyphNormal.Data").
class TToolPanelGlyphs : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  TToolPanelGlyphs() = default;
  TToolPanelGlyphs(const TToolPanelGlyphs&) = delete;
  TToolPanelGlyphs& operator=(const TToolPanelGlyphs&) = delete;

  TPicture CloseGlyphNormal, CloseGlyphDown, CloseGlyphHot;
  TPicture LockGlyphNormal, LockGlyphDown, LockGlyphHot;
  TPicture UnLockGlyphNormal, UnLockGlyphDown, UnLockGlyphHot;

 private:
  template <TPictureData TToolPanelGlyphs::*D>
  const TPictureData* Data() const {
    return &(this->*D);
  }
  TPictureData close_normal_{CloseGlyphNormal}, close_down_{CloseGlyphDown}, close_hot_{CloseGlyphHot};
  TPictureData lock_normal_{LockGlyphNormal}, lock_down_{LockGlyphDown}, lock_hot_{LockGlyphHot};
  TPictureData unlock_normal_{UnLockGlyphNormal}, unlock_down_{UnLockGlyphDown}, unlock_hot_{UnLockGlyphHot};
};

// What a panel asks of the tab bar it belongs to. The bar sets itself with
// TAdvToolPanel::SetTab and clears it before it goes.
class IToolPanelTab {
 public:
  virtual TPanelPosition Position() const = 0;
  virtual bool AutoDock() const = 0;
  virtual const TToolPanelGlyphs& PanelGlyphs() const = 0;
  // The panel's caption, picture or open width changed: refresh its tab.
  virtual void UpdatePanel(TAdvToolPanel* panel) = 0;
  // The panel was hidden or shown again: forget it as the slid-out panel
  // and lay the bar out again.
  virtual void PanelHiddenChanged(TAdvToolPanel* panel) = 0;
  // Lays the bar out again (its tabs and thickness).
  virtual void UpdatePanels() = 0;
  // Re-applies the sizes of the locked panels and lays the bar out.
  virtual void ReapplyLockedSizes() = 0;
  virtual void RollOut(TAdvToolPanel* panel) = 0;
  // Pins or releases the panel after its Locked value was stored.
  virtual void ApplyLockState(TAdvToolPanel* panel) = 0;
  virtual void SetPanelState(TAdvToolPanel* panel, TPanelState state) = 0;
  // The bar's OnAllowTabHide (false refuses) and OnTabHide.
  virtual bool AllowTabHide(TAdvToolPanel* panel) = 0;
  virtual void TabHide(TAdvToolPanel* panel) = 0;
  // The borderless form right and bottom bars slide their panels in.
  virtual TWinControl* PanelForm() = 0;
  // The away count that slides an unattended panel back in.
  virtual void RestartAwayCount() = 0;
  virtual void EnableAwayCount(bool enable) = 0;
  // The platform's dock drag of the panel: start it, or cancel one under way.
  virtual void BeginDockDrag(TAdvToolPanel* panel) = 0;
  virtual void CancelDockDrag(TAdvToolPanel* panel) = 0;
  virtual void RepaintTabs() = 0;

 protected:
  ~IToolPanelTab() = default;
};

using TCaptionBtnClickEvent = Method<void(TObject*, TRect)>;
using TItemClickEvent = Method<void(TObject*, int, int)>;  // section index, item index
using TNodeEvent = Method<void(TObject*, int)>;             // section index

// Height of the caption bar; children and sections start below it.
inline constexpr int ToolPanelCaptionHeight = 23;

class TAdvToolPanel : public TCustomControl, public IStyleSetter {
  TAVREL_CLASS_INFO
 public:
  explicit TAdvToolPanel(TComponent* owner);

  // ---- properties (setters repaint when the look changes) ----
  bool AllowDocking() const { return allow_docking_; }
  void SetAllowDocking(bool v) { allow_docking_ = v; }
  bool AutoLock() const { return auto_lock_; }
  void SetAutoLock(bool v) { auto_lock_ = v; }
  const TPicture& Background() const { return background_; }
  void SetBackground(const TPicture& v);
  // "Background" in form data (PictureData.h).
  const TPictureData* BackgroundData() const { return &background_data_; }
  bool BackgroundTransparent() const { return background_transparent_; }
  void SetBackgroundTransparent(bool v);
  TTPBackGroundPosition BackGroundPosition() const { return background_position_; }
  void SetBackGroundPosition(TTPBackGroundPosition v);
  bool Button3D() const { return button_3d_; }
  void SetButton3D(bool v) { Store(button_3d_, v); }
  TColor HoverButtonColor() const { return hover_button_color_; }
  void SetHoverButtonColor(TColor v) { hover_button_color_ = v; }
  TColor HoverButtonColorTo() const { return hover_button_color_to_; }
  void SetHoverButtonColorTo(TColor v) { hover_button_color_to_ = v; }
  TColor DownButtonColor() const { return down_button_color_; }
  void SetDownButtonColor(TColor v) { down_button_color_ = v; }
  TColor DownButtonColorTo() const { return down_button_color_to_; }
  void SetDownButtonColorTo(TColor v) { down_button_color_to_ = v; }
  bool CaptionButton() const { return caption_button_; }
  void SetCaptionButton(bool v) { Store(caption_button_, v); }
  TColor ColorTo() const { return color_to_; }
  void SetColorTo(TColor v) { Store(color_to_, v); }
  TGradientDirection GradientDirection() const { return gradient_direction_; }
  void SetGradientDirection(TGradientDirection v) { Store(gradient_direction_, v); }
  bool DockDots() const { return dock_dots_; }
  void SetDockDots(bool v) { Store(dock_dots_, v); }
  bool CanSize() const { return can_size_; }
  void SetCanSize(bool v) { can_size_ = v; }
  // Caption and ImageIndex run the layout again even when unchanged, and
  // refresh the panel's tab.
  void SetText(const std::string& v) override;
  TGradientDirection CaptionGradientDirection() const { return caption_gradient_direction_; }
  void SetCaptionGradientDirection(TGradientDirection v) { Store(caption_gradient_direction_, v); }
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int v);
  TColor FocusCaptionColor() const { return focus_caption_color_; }
  void SetFocusCaptionColor(TColor v) { Store(focus_caption_color_, v); }
  TColor FocusCaptionColorTo() const { return focus_caption_color_to_; }
  void SetFocusCaptionColorTo(TColor v) { Store(focus_caption_color_to_, v); }
  TColor FocusCaptionFontColor() const { return focus_caption_font_color_; }
  void SetFocusCaptionFontColor(TColor v) { Store(focus_caption_font_color_, v); }
  TColor NoFocusCaptionColor() const { return nofocus_caption_color_; }
  void SetNoFocusCaptionColor(TColor v) { Store(nofocus_caption_color_, v); }
  TColor NoFocusCaptionColorTo() const { return nofocus_caption_color_to_; }
  void SetNoFocusCaptionColorTo(TColor v) { Store(nofocus_caption_color_to_, v); }
  TColor NoFocusCaptionFontColor() const { return nofocus_caption_font_color_; }
  void SetNoFocusCaptionFontColor(TColor v) { Store(nofocus_caption_font_color_, v); }
  // Width (height for a top or bottom bar) when slid out or locked.
  int OpenWidth() const { return open_width_; }
  void SetOpenWidth(int v);
  const std::string& CloseHint() const { return close_hint_; }
  void SetCloseHint(const std::string& v) { close_hint_ = v; }
  const std::string& LockHint() const { return lock_hint_; }
  void SetLockHint(const std::string& v) { lock_hint_ = v; }
  const std::string& UnlockHint() const { return unlock_hint_; }
  void SetUnlockHint(const std::string& v) { unlock_hint_ = v; }
  TAdvToolPanelSections* Sections() const { return sections_.get(); }
  TSectionLayout* SectionLayout() const { return section_layout_.get(); }
  TImageList* SectionImages() const { return section_images_; }
  void SetSectionImages(TImageList* v);
  bool ShowCaption() const { return show_caption_; }
  void SetShowCaption(bool v) { Store(show_caption_, v); }
  bool ShowCaptionBorder() const { return show_caption_border_; }
  void SetShowCaptionBorder(bool v) { Store(show_caption_border_, v); }
  bool ShowClose() const { return show_close_; }
  void SetShowClose(bool v) { Store(show_close_, v); }
  bool ShowLock() const { return show_lock_; }
  void SetShowLock(bool v) { Store(show_lock_, v); }
  TToolPanelStyle Style() const { return style_preset_; }
  // Applies the preset's colours (every value but esCustom) and the
  // values every preset shares; ordinals above 15 are only stored.
  void SetStyle(TToolPanelStyle v);
  void SetComponentStyle(int style) override { SetStyle(static_cast<TToolPanelStyle>(style)); }
  // "1.5.2.0"; writing it does nothing.
  std::string Version() const;
  void SetVersion(const std::string&) {}
  // Inherited from the platform panel.
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int v);
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int v) { Store(bevel_width_, v); }

  // ---- state shared with the tab bar ----
  IToolPanelTab* Tab() const { return tab_; }
  void SetTab(IToolPanelTab* tab) { tab_ = tab; }
  bool Locked() const { return locked_; }
  void SetLocked(bool v);
  bool Hidden() const { return hidden_; }
  void SetHidden(bool v);
  // A floating drag is under way, or the panel floats.
  bool Docking() const { return docking_; }
  void SetDocking(bool v);
  // The panel sits in a floating window of its own: no caption bar, and
  // sections start at the top. The docking machinery reports it.
  bool Floating() const { return floating_; }
  void SetFloating(bool v);
  // Already restored from saved state in this run; never cleared.
  bool Restored() const { return restored_; }
  void SetRestored(bool v) { restored_ = v; }
  bool IsTabVisible() const { return !locked_ && !hidden_ && !docking_; }
  void SetTopMost() { BringToFront(); }
  // The menu the caption button opens; cleared when the menu goes.
  TPopupMenu* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(TPopupMenu* v);
  // The caption button's action: PopupMenu opened below the button at
  // its left, else OnCaptionBtnClick with the button rectangle less 2
  // pixels at the bottom.
  void CaptionButtonClick(TRect r);
  // The focus is somewhere inside the panel.
  bool Active() const { return active_; }
  // A mouse button went down on the panel and has not been cleared yet.
  bool MouseIsDown() const { return mouse_down_; }

  // The dock drag as the docking machinery starts and ends it.
  void DoStartDock();
  void DoEndDock();

  // ---- sections ----
  // Height of every section's caption strip: 16, or the section pictures'
  // height + 2 when larger and some section shows a picture.
  int SectionCaptionHeight() const;
  int SectionTop(int index) const;
  TRect SectionBounds(int index) const;
  // The expand/collapse box; (-1,-1,-1,-1) for an index out of range or a
  // section that is not a node.
  TRect SectionNodeRect(int index) const;
  // The item under a client point: false (and every answer -1) when none.
  bool SectionItemAt(int x, int y, int& itemIndex, int& sectionIndex, TRect& itemRect) const;
  int HoverSectionIndex() const { return hover_section_; }
  int HoverSectionItemIndex() const { return hover_item_; }
  TRect HoverSectionItemRect() const { return hover_rect_; }
  // Collapse (d < 0) hides the children inside the section and moves those
  // below it by d; expand (d > 0) shows them again and moves the others back.
  void LayoutSectionChildren(int index, int d);
  // Moves the children at or below the section's bottom by d.
  void ShiftControlsBelowSection(int index, int d);
  // Runs every section's Autosize again (metrics changed) and repaints.
  void SectionLayoutChanged();
  // Text height of "gh" in the panel's font: the item height without pictures.
  int ItemTextHeight() const;

  TCaptionBtnClickEvent OnCaptionBtnClick;
  TItemClickEvent OnItemClick;
  TNodeEvent OnNodeExpand, OnNodeCollapse;
  TNotifyEvent OnLock, OnUnlock;

  void WndProc(TMessage& m) override;
  void AlignControls(TControl* changed, TRect& rect) override;

 protected:
  void Loaded() override;
  void Notification(TComponent* c, TOperation op) override;
  void Paint() override;
  void DoEnter() override;
  void DoExit() override;
  void Resize() override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;

 private:
  template <class T>
  void Store(T& field, T v) {
    if (field == v) return;
    field = v;
    Invalidate();
  }
  void RunLayoutAgain();
  TRect ButtonArea() const;
  TRect CloseRect() const;
  TRect LockRect() const;
  TPoint CursorInClient() const;
  void TrackItemHover(int x, int y);
  void ItemClick();
  void HintShow(THintInfo& info);
  LRESULT SizingHitTest(TPoint screen);
  // Painting (ToolPanelPaint.cpp).
  void PaintBackground(TCanvas& c);
  void PaintBackgroundPicture(TCanvas& c);
  void PaintSections(TCanvas& c);
  void PaintSection(TCanvas& c, int index, int y);
  void PaintCaptionBar(TCanvas& c);
  void PaintButtonLook(TCanvas& c, const TRect& b, bool hovered, bool pressed);

  IToolPanelTab* tab_ = nullptr;
  int image_index_ = -1;
  int open_width_ = 150;
  bool mouse_down_ = false;
  bool locked_ = false;
  // The resources KIV_CLOSEBTN, KIV_LOCKPIN and KIV_UNLOCKPIN, 16 by 16
  // monochrome: only their sizes are used, the marks are drawn as lines.
  TBitmap close_glyph_, locked_glyph_, unlocked_glyph_;
  bool can_size_ = true;
  bool hidden_ = false;
  std::string close_hint_ = "Close panel", lock_hint_ = "Lock panel",
              unlock_hint_ = "Unlock panel";
  bool active_ = false;
  TColor focus_caption_color_ = clNone, focus_caption_font_color_ = clNone;
  TColor nofocus_caption_color_ = clNone, nofocus_caption_font_color_ = clNone;
  bool docking_ = false;
  bool floating_ = false;
  bool show_caption_ = true;
  bool allow_docking_ = true;
  bool show_close_ = true, show_lock_ = true;
  bool auto_lock_ = false;
  TColor nofocus_caption_color_to_ = clNone, focus_caption_color_to_ = clNone;
  TGradientDirection caption_gradient_direction_ = gdVertical;
  bool show_caption_border_ = true;
  bool dock_dots_ = true;
  bool caption_button_ = false;
  bool button_3d_ = true;
  TColor hover_button_color_ = clNone, down_button_color_ = clNone;
  TColor hover_button_color_to_ = clNone, down_button_color_to_ = clNone;
  std::unique_ptr<TAdvToolPanelSections> sections_;
  std::unique_ptr<TSectionLayout> section_layout_;
  TColor color_to_ = clNone;
  TGradientDirection gradient_direction_ = gdVertical;
  TImageList* section_images_ = nullptr;
  TPopupMenu* popup_menu_ = nullptr;
  bool old_floating_ = false;
  int hover_section_ = -1, hover_item_ = -1;
  TRect hover_rect_{-1, -1, -1, -1};
  TPicture background_;
  TPictureData background_data_{background_, [this](const TPicture& p) { SetBackground(p); }};
  TTPBackGroundPosition background_position_ = bpTopLeft;
  TToolPanelStyle style_preset_ = esOffice2003Blue;
  bool background_transparent_ = false;
  int border_width_ = 0, bevel_width_ = 1;
  bool dock_dragging_ = false;
  bool restored_ = false;
};

// "1.5.2.0": the version the panels and their bar report.
std::string ToolPanelVersionText();

}  // namespace tavrel
