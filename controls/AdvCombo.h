#pragma once
// TAdvComboBox: the class library's combo box with a drawn look added: a
// flat mode with its own one-pixel frame and an optional bottom line,
// focus and hover colours, a drop button drawn in the running visual
// theme (the ACXPVS binding) or in the classic style, an adjustable button
// width, a list wider than the control, and a caption label at one of 13
// positions (AdvLabel.h). TAdvCustomCombo holds the behaviour,
// TAdvComboBox publishes it.
//
//   auto* c = TComponent::Create<TAdvComboBox>(form);
//   c->SetParent(panel);
//   c->SetBounds(8, 128, 153, 21);
//   c->SetStyle(csDropDownList);
//   c->SetColor(RGB(214, 231, 255));
//   for (auto s : {"8000", "44100"}) c->Items().Add(s);
//   c->OnDropUp = TNotifyEvent([&](TObject*) { ... });   // the list closed
//
// Painting: enabled, not flat and without a FocusBorderColor the combo
// box keeps the native look and draws nothing of its own. Otherwise (Flat,
// a FocusBorderColor while focused, or disabled under a theme without
// DisabledBorder) it fills itself, draws its drop button, lets the native
// paint draw the text beside it and draws its frame over the native one.
// The drawn look measures in window coordinates, the frame included: the
// button strip is ButtonWidth wide at the window's right edge.
//
// The drawn look is a list of drawing calls (TComboDrawOp) that the paint
// runs on the canvas, so what it asks of the canvas can be read back.
#include <cstdint>
#include <string>
#include <vector>

#include "controls/AdvLabel.h"
#include "platform/ui/combobox.h"

namespace tavrel {

// One drawing call of the drawn look, in window coordinates.
struct TComboDrawOp {
  enum Kind { Fill, Frame, Edge, FrameControl, ThemeBackground, Line, ExcludeClip };
  Kind kind = Fill;
  TRect rect;
  TColor color = clNone;  // Fill, Frame, Line (from rect's top left to its right, one row)
  uint32_t a = 0, b = 0;  // Edge: edge, flags; FrameControl: type, state; ThemeBackground: part, state
  friend bool operator==(const TComboDrawOp&, const TComboDrawOp&) = default;
};
using TComboDrawOps = std::vector<TComboDrawOp>;

class TAdvCustomCombo : public TCustomComboBox {
  TAVREL_CLASS_INFO
 public:
  explicit TAdvCustomCombo(TComponent* owner);

  virtual uint32_t VersionNumber() const { return 0x01030100; }
  std::string Version() const;
  void SetVersion(const std::string&) {}

  bool AutoFocus() const { return auto_focus_; }
  void SetAutoFocus(bool v) { auto_focus_ = v; }
  // Width of the drawn button strip; 14 to 32, other values are ignored.
  // (The native button keeps its own width.)
  int ButtonWidth() const { return button_width_; }
  void SetButtonWidth(int v);
  bool DisabledBorder() const { return disabled_border_; }
  void SetDisabledBorder(bool v);
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  TColor FlatLineColor() const { return flat_line_color_; }
  void SetFlatLineColor(TColor v);
  bool FlatParentColor() const { return flat_parent_color_; }
  void SetFlatParentColor(bool v);
  bool Etched() const { return etched_; }
  void SetEtched(bool v);
  bool FocusBorder() const { return focus_border_; }
  void SetFocusBorder(bool v);
  TColor FocusBorderColor() const { return focus_border_color_; }
  void SetFocusBorderColor(TColor v);
  TColor FocusColor() const { return focus_color_; }
  void SetFocusColor(TColor v) { focus_color_ = v; }
  bool FocusLabel() const { return focus_label_; }
  void SetFocusLabel(bool v) { focus_label_ = v; }
  // Kept for form data; the frame is drawn as the look above says.
  bool Ctl3D() const { return ctl3d_; }
  void SetCtl3D(bool v) { ctl3d_ = v; }
  // A width above 0 widens the dropped list to it; 0 leaves the list alone.
  int DropWidth() const { return drop_width_; }
  void SetDropWidth(int v);
  // Selects the item with this text; an absent text changes nothing.
  void SelectItem(const std::string& text);

  TLabel* ComboLabel() const { return label_.Label(); }
  std::string LabelCaption() const { return label_.Caption(); }
  void SetLabelCaption(const std::string& v) { label_.SetCaption(v); }
  TLabelPosition LabelPosition() const { return label_.Position(); }
  void SetLabelPosition(TLabelPosition v) { label_.SetPosition(v); }
  int LabelMargin() const { return label_.Margin(); }
  void SetLabelMargin(int v) { label_.SetMargin(v); }
  bool LabelTransparent() const { return label_.Transparent(); }
  void SetLabelTransparent(bool v) { label_.SetTransparent(v); }
  bool LabelAlwaysEnabled() const { return label_.AlwaysEnabled(); }
  void SetLabelAlwaysEnabled(bool v) { label_.SetAlwaysEnabled(v); }
  TFont& LabelFont() { return label_.Font(); }
  TFont* LabelFontObject() const { return &const_cast<TControlLabel&>(label_).Font(); }

  // State the look reads.
  bool ButtonHover() const { return button_hover_; }
  bool MouseInControl() const { return mouse_in_; }
  bool HasFocus() const { return has_focus_; }
  TColor NormalColor() const { return normal_color_; }
  TColor LoadedColor() const { return loaded_color_; }
  // Themed common controls and an active theme.
  bool ThemeInUse() const;
  // A paint draws the look (else the native paint runs alone).
  bool DrawnPaint() const;
  // The background under the native content: fill, drop button and the
  // strip kept from the native paint.
  TComboDrawOps BackgroundOps() const;
  // The frame drawn over the window after the native paint; empty when
  // enabled, not flat and without a FocusBorderColor.
  TComboDrawOps BorderOps() const;

  void SetEnabled(bool v) override;
  void SetBounds(int left, int top, int width, int height) override;
  void SetParent(TWinControl* p) override;
  void WndProc(TMessage& m) override;

  TNotifyEvent OnDropUp;

 protected:
  void Loaded() override;
  void Paint() override;
  void MouseMove(TShiftState s, int x, int y) override;
  void Notification(TComponent* c, TOperation op) override;

 private:
  bool HotLook() const;
  bool FocusLook() const;
  void RunOps(TCanvas& c, const TComboDrawOps& ops);
  void FocusArrived();
  void FocusLeft();
  void EnabledChanged();

  TControlLabel label_{*this};
  bool auto_focus_ = false;
  bool flat_ = false;
  bool etched_ = false;
  TColor old_color_ = clWindow;
  bool old_parent_color_ = false;
  TColor loaded_color_ = clWindow;
  int button_width_;
  bool focus_border_ = false;
  bool mouse_in_ = false;
  int drop_width_ = 0;
  bool is_win_xp_;
  bool is_themed_;
  bool button_hover_ = false;
  TColor flat_line_color_ = clBlack;
  bool flat_parent_color_ = true;
  TColor focus_color_ = clNone, focus_border_color_ = clNone;
  bool disabled_border_ = true;
  TColor normal_color_ = clNone;
  bool has_focus_ = false;
  bool focus_label_ = false;
  bool ctl3d_ = true;
  bool focus_color_showing_ = false;
  bool switching_color_ = false;  // the focus colour comes or goes
};

class TAdvComboBox : public TAdvCustomCombo {
  TAVREL_CLASS_INFO
 public:
  using TAdvCustomCombo::TAdvCustomCombo;
};

}  // namespace tavrel
