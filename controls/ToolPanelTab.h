#pragma once
// TAdvToolPanelTab: a narrow bar on one side of its form with one tab per
// tool panel that is neither locked, hidden nor floating. Resting on a tab
// or clicking it slides its panel out over the form; the panel slides back
// when the mouse stays away from it. A panel can be pinned beside the bar
// (its lock button), closed (its close button), or dragged by its caption
// to float in a window of its own and dropped back on a bar.
//
//   auto* bar = TComponent::Create<TAdvToolPanelTab>(form);
//   bar->SetName("Bar1");
//   bar->SetParent(form);                 // aligned left, TabWidth wide
//   TAdvToolPanel* p = bar->CreatePanel();
//   p->SetCaption("Filtres");
//   bar->OpenTabPanel(0);                 // slides it out, a timer step at a time
//   bar->Persist().SetINIFile("panels.ini");
//   bar->SaveState();
//
// Left and top bars slide their panels within the form; right and bottom
// bars slide them inside a borderless top-level form (PanelForm) that the
// bar keeps against its own edge. Slides are timer-driven animations of
// 15-pixel steps (SlideSpeed gives the pause between steps); destroying the
// bar or removing a panel ends a slide under way. The bar watches its form's
// messages (size, close, moving, paint, system commands) through the form's
// observer list, so any number of bars come and go on one form.
#include <deque>
#include <memory>
#include <string>

#include "controls/ToolPanels.h"
#include "platform/collection.h"
#include "platform/ui/forms.h"

namespace tavrel {

class TAdvToolPanelTab;

enum TSlideSpeed { ssSlow, ssMedium, ssFast, ssInstant };
enum TAutoOpenCloseSpeed { aocSlow, aocMedium, aocFast, aocVerySlow, aocVeryFast };
enum TTextDirection { tdTopToBottom, tdBottomToTop };
enum TPanelPersistLocation { pplINIFile, pplRegistry };

// Pause between two slide steps, and the bar's timer interval, in ms.
int SlidePause(TSlideSpeed s);
int OpenCloseInterval(TAutoOpenCloseSpeed s);
inline constexpr int SlideStep = 15;

// One panel of a bar. Caption, ImageIndex and OpenWidth are the bar's copies.
class TToolPanel : public TCollectionItem {
  TAVREL_CLASS_INFO
 public:
  using TCollectionItem::TCollectionItem;
  int Tag = 0;
  TAdvToolPanel* Panel() const { return panel_; }
  void SetPanel(TAdvToolPanel* p) { panel_ = p; }
  std::string Caption;
  bool Visible = false;
  int ImageIndex = -1;
  TPanelState State = psClosed;
  int OpenWidth() const { return open_width_; }
  void SetOpenWidth(int v) {
    if (v > 0) open_width_ = v;
  }
  void Assign(TPersistent* source) override;

 private:
  TAdvToolPanel* panel_ = nullptr;
  int open_width_ = 0;
};

class TToolPanels : public TCollection {
 public:
  explicit TToolPanels(TAdvToolPanelTab* owner);
  TToolPanel* Items(int i) const { return static_cast<TToolPanel*>(TCollection::Items(i)); }
  TToolPanel* Add() { return static_cast<TToolPanel*>(TCollection::Add()); }
  TToolPanel* Insert(int i) { return static_cast<TToolPanel*>(TCollection::Insert(i)); }
  // A copy of the item goes in at `to` and the item itself is freed.
  void Move(int from, int to);

 private:
  TAdvToolPanelTab* owner_;
};

// The borderless form right and bottom bars slide their panels in. It lives
// as long as its bar.
class TToolPanelForm : public TForm {
  TAVREL_CLASS_INFO
 public:
  // Owned by its bar.
  explicit TToolPanelForm(TComponent* owner);
  void WndProc(TMessage& m) override;

 protected:
  // Sliding a panel out leaves the bar's form the active window.
  bool ShowActivates() const override { return false; }

 private:
  TAdvToolPanelTab* bar_;
};

// Where and when a bar keeps the state of its panels.
class TPanelPersistence : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  bool AutoSave() const { return auto_save_; }
  void SetAutoSave(bool v) { auto_save_ = v; }
  bool AutoLoad() const { return auto_load_; }
  void SetAutoLoad(bool v) { auto_load_ = v; }
  // A relative name is taken in the program's folder.
  const std::string& INIFile() const { return ini_file_; }
  void SetINIFile(const std::string& v) { ini_file_ = v; }
  TPanelPersistLocation Location() const { return location_; }
  void SetLocation(TPanelPersistLocation v) { location_ = v; }
  // The registry stand-in: one INI file per key in the user's configuration folder.
  const std::string& RegistryUserKey() const { return registry_key_; }
  void SetRegistryUserKey(const std::string& v) { registry_key_ = v; }

 private:
  bool auto_save_ = false, auto_load_ = false;
  std::string ini_file_;
  TPanelPersistLocation location_ = pplINIFile;
  std::string registry_key_;
};

// Puts a panel in a floating window of its own at a screen rectangle; the
// window goes when the panel docks on a bar again.
void FloatToolPanel(TAdvToolPanel* p, const TRect& screen);
// A floating window's rectangle brought onto the desktop, at a size it can
// be grabbed at.
TRect ClampToDesktop(TRect r);

using TTabEvent = Method<void(TObject*, int, TAdvToolPanel*)>;
using TAllowTabEvent = Method<void(TObject*, int, TAdvToolPanel*, bool&)>;

class TAdvToolPanelTab : public TCustomControl, public IToolPanelTab, public IStyleSetter {
  TAVREL_CLASS_INFO
 public:
  explicit TAdvToolPanelTab(TComponent* owner);

  // ---- properties ----
  bool AutoDock() const override { return auto_dock_; }
  void SetAutoDock(bool v) { auto_dock_ = v; }
  TAutoOpenCloseSpeed AutoOpenCloseSpeed() const { return open_close_speed_; }
  void SetAutoOpenCloseSpeed(TAutoOpenCloseSpeed v) { open_close_speed_ = v; }
  bool AutoOpenOnMouseEnter() const { return auto_open_; }
  void SetAutoOpenOnMouseEnter(bool v) { auto_open_ = v; }
  bool AutoThemeAdapt() const { return auto_theme_adapt_; }
  void SetAutoThemeAdapt(bool v) { auto_theme_adapt_ = v; }
  TColor ColorTo() const { return color_to_; }
  void SetColorTo(TColor v) { Store(color_to_, v); }
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* v);
  TToolPanelGlyphs& Glyphs() { return glyphs_; }
  const TToolPanelGlyphs& PanelGlyphs() const override { return glyphs_; }
  const TToolPanelGlyphs* PanelGlyphsObject() const { return &glyphs_; }
  TPanelPersistence& Persist() { return persist_; }
  TPanelPersistence* PersistObject() const { return const_cast<TPanelPersistence*>(&persist_); }
  TPanelPosition Position() const override { return position_; }
  void SetPosition(TPanelPosition v);
  TSlideSpeed SlideSpeed() const { return slide_speed_; }
  void SetSlideSpeed(TSlideSpeed v) { slide_speed_ = v; }
  TToolPanelStyle Style() const { return style_preset_; }
  void SetStyle(TToolPanelStyle v);
  void SetComponentStyle(int style) override { SetStyle(static_cast<TToolPanelStyle>(style)); }
  TColor TabBorderColor() const { return tab_border_color_; }
  void SetTabBorderColor(TColor v) { Store(tab_border_color_, v); }
  TColor TabColor() const { return tab_color_; }
  void SetTabColor(TColor v) { Store(tab_color_, v); }
  TColor TabColorTo() const { return tab_color_to_; }
  void SetTabColorTo(TColor v) { Store(tab_color_to_, v); }
  TColor TabHoverColor() const { return tab_hover_color_; }
  void SetTabHoverColor(TColor v) { Store(tab_hover_color_, v); }
  TColor TabHoverColorTo() const { return tab_hover_color_to_; }
  void SetTabHoverColorTo(TColor v) { Store(tab_hover_color_to_, v); }
  int TabWidth() const { return tab_width_; }
  void SetTabWidth(int v) { Store(tab_width_, v); }
  const TPicture& TabGlyph() const { return tab_glyph_; }
  void SetTabGlyph(const TPicture& v);
  // "TabGlyph" in form data (PictureData.h).
  const TPictureData* TabGlyphData() const { return &tab_glyph_data_; }
  TTextDirection TextDirection() const { return text_direction_; }
  void SetTextDirection(TTextDirection v) { Store(text_direction_, v); }
  std::string Version() const;
  void SetVersion(const std::string&) {}
  // Maps the desktop's colour scheme to a style (none on Linux: classic).
  void AdaptToDesktopScheme();

  TTabEvent OnTabEnter, OnTabLeave, OnTabLeftClick, OnTabRightClick, OnTabSlideOut, OnTabSlideIn,
      OnTabSlideOutDone, OnTabSlideInDone, OnTabHide;
  TAllowTabEvent OnAllowTabHide;

  // ---- panels ----
  TToolPanels& Panels() { return *panels_; }
  void InsertPanel(TAdvToolPanel* p);
  // Forgets the panel's item (none: only re-applies the locked sizes) and lays out.
  void RemovePanel(TAdvToolPanel* p);
  void UpdatePanel(TAdvToolPanel* p) override;
  // A new panel on the bar's form, with a name of its own.
  TAdvToolPanel* CreatePanel();
  int PanelIndex(const TAdvToolPanel* p) const;
  TAdvToolPanel* PanelByName(const std::string& name) const;
  int PanelsInTab() const;
  int NumPanelsLocked() const;
  void UpdatePanels() override { UpdatePanels(-1); }
  void UpdatePanels(int index);
  // Step the panel shown at design time through the list; nothing visible changes.
  void NextPanel();
  void PrevPanel();
  int DesignViewPanel() const { return design_view_panel_; }
  TWinControl* PanelForm() override { return panel_form_; }
  TToolPanelForm* FloatingForm() const { return panel_form_; }
  // The form whose messages the bar watches, or null.
  TForm* HookedForm() const { return hooked_form_; }

  // ---- tab strip ----
  int TabLength(int index) const;  // Lt: text, picture and padding
  int TabStart(int index) const;   // -1 when the panel has no tab
  int TotalTabLength() const;
  int TabAt(int x, int y) const;
  int ScrollOffset() const { return paint_offset_; }
  int HoverPanel() const { return hover_panel_; }

  // ---- sliding and pinning ----
  void RollOut(TAdvToolPanel* p) override;
  void RollIn(TAdvToolPanel* p);
  void OpenTabPanel(int index);
  void ApplyLockState(TAdvToolPanel* p) override;
  void UnHidePanel(TAdvToolPanel* p);
  void UnHidePanels();
  int RollOutPanel() const { return roll_out_panel_; }
  // A slide is running or waiting to run.
  bool Sliding() const { return !slides_.empty(); }
  // Runs every slide waiting now to its end (what an instant slide does).
  void FinishSlides();

  // ---- docking ----
  // Accepts only tool panels; `dock` is the strip, in screen coordinates,
  // a drop lands in.
  bool DockOver(TControl* source, TRect& dock) const;
  void DockDrop(TAdvToolPanel* p);

  // ---- saved state ----
  void SaveState();
  void RestoreState();

  // ---- what panels ask ----
  void PanelHiddenChanged(TAdvToolPanel* p) override;
  void ReapplyLockedSizes() override { RemovePanel(nullptr); }
  void SetPanelState(TAdvToolPanel* p, TPanelState s) override;
  bool AllowTabHide(TAdvToolPanel* p) override;
  void TabHide(TAdvToolPanel* p) override;
  void RestartAwayCount() override { timer_count_ = 0; }
  void EnableAwayCount(bool e) override { timer_enable_ = e; }
  void BeginDockDrag(TAdvToolPanel* p) override;
  void CancelDockDrag(TAdvToolPanel* p) override;
  void RepaintTabs() override { Invalidate(); }

  void SetParent(TWinControl* parent) override;
  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(TMessage& m) override;

 protected:
  void BeforeDestruction() override;
  void Loaded() override;
  void Notification(TComponent* c, TOperation op) override;
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;

 private:
  friend class TToolPanelForm;
  template <class T>
  void Store(T& field, T v) {
    if (field == v) return;
    field = v;
    Invalidate();
  }
  bool Vertical() const { return position_ == ppLeft || position_ == ppRight; }
  // Thickness of the bar across its strip, and its length along it.
  int Thickness() const { return Vertical() ? Width() : Height(); }
  void SetThickness(int v);
  void KeepOutermost();
  int Along() const { return Vertical() ? Height() : Width(); }
  TAdvToolPanel* PanelAt(int index) const;
  void Fire(const TTabEvent& e, TAdvToolPanel* p);
  TFont TabFont() const;
  void PaintTab(TCanvas& c, int index, int s, int g);
  void MouseLeave();
  void UpdateCandidate(int x, int y);
  // The parent form's messages.
  void HookParent();
  void UnHookParent();
  bool FormMessage(TMessage& m);
  // Puts the floating form of a right or bottom bar back beside the bar
  // (with the bar's height when `resize`) and makes the form the active
  // window; true when the floating form moved.
  bool KeepFormInPlace(bool resize);
  void StartTimer();
  void StopTimer();
  void TimerTick();
  bool MouseNearRollOutPanel(TPoint c) const;
  // Slides (ToolPanelSlide.cpp): queued, run one after the other.
  // One slide of one panel; a step waits the pause of SlideSpeed on the
  // bar's slide timer, an instant slide runs at once.
  struct Slide {
    TAdvToolPanel* panel;
    bool out;
    bool place;  // put the panel at its start position first
    int pause = 0;
    bool started = false;
  };
  void QueueSlide(TAdvToolPanel* p, bool out, bool place);
  void RunSlides();
  void StartSlide(Slide& s);
  bool SlideGoesOn(const Slide& s) const;
  void StepSlide(Slide& s);
  void EndSlide();
  void NextSlideStep();
  void CancelSlides(TAdvToolPanel* p);
  void PlaceForSlideOut(TAdvToolPanel* p);
  void FitThickness();
  // Persistence (ToolPanelPersist.cpp).
  bool LoadState();

  std::unique_ptr<TToolPanels> panels_;
  TImageList* images_ = nullptr;
  bool roll_in_busy_ = false;
  bool roll_in_out_ = false;
  int roll_out_panel_ = -1;
  int roll_in_candidate_ = -1;
  int timer_count_ = 0;
  int timer_roll_in_ = 0;
  bool timer_enable_ = true;
  bool timer_running_ = false;
  TPanelPosition position_ = ppLeft;
  TToolPanelForm* panel_form_ = nullptr;
  TForm* hooked_form_ = nullptr;
  int design_view_panel_ = -1;
  TColor tab_color_ = clBtnFace;
  TPoint last_mouse_pos_{-1, -1};
  bool auto_dock_ = true;
  TAutoOpenCloseSpeed open_close_speed_ = aocMedium;
  TSlideSpeed slide_speed_ = ssMedium;
  int paint_offset_ = 0;
  TBitmap up_down_;  // the scroll arrows, from the resource KIV_UPDOWN
  TColor color_to_ = clNone, tab_color_to_ = clNone, tab_border_color_ = RGB(128, 128, 128);
  int hover_panel_ = -1;
  int mouse_panel_ = -1;
  TColor tab_hover_color_ = clNone, tab_hover_color_to_ = clNone;
  int tab_width_ = 23;
  TPicture tab_glyph_;
  TPictureData tab_glyph_data_{tab_glyph_, [this](const TPicture& p) { SetTabGlyph(p); }};
  TPanelPersistence persist_;
  TToolPanelGlyphs glyphs_;
  bool auto_theme_adapt_ = false;
  TToolPanelStyle style_preset_ = esOffice2003Blue;
  bool mouse_in_control_ = false;
  bool auto_open_ = true;
  bool restored_ = false;
  bool destroying_ = false;
  TTextDirection text_direction_ = tdTopToBottom;
  std::deque<std::unique_ptr<Slide>> slides_;
  bool running_slides_ = false;
  bool slide_timer_ = false;
};

}  // namespace tavrel
