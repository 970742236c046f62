#pragma once
// TAdvSpinEdit: a one-line edit holding a value of one of five kinds,
// stepped with the keyboard and with a pair of repeating arrow buttons
// inside its right edge.
//
//   auto* e = TComponent::Create<TAdvSpinEdit>(form);
//   e->SetParent(form);
//   e->SetBounds(304, 88, 129, 22);
//   e->SetDirection(spHorizontal);
//   e->SetMinValue(32);  e->SetMaxValue(8192);
//   e->SetValue(512);
//   e->OnChange = TNotifyEvent([&](TObject*) { Resize(e->Value()); });
//
// Kinds (SpinType): sptNormal (32-bit integer), sptFloat, sptDate and
// sptTime (date-times, AdvSpinText.h) and sptHex ("0x" and hexadecimal
// digits). Texts are read and written with the process's locale record
// (FormatSettings); a text that does not read gives MinValue,
// MinFloatValue, MinDateValue or 0, never an error.
//
// Limits: the integer bounds apply once either is not 0; the float and
// date bounds once they differ. The lower bound always applies then, the
// upper one only when it is not below the lower one, so an inverted range
// acts as a minimum alone. Writing a value clamps it; typing does not,
// leaving the field (exit) does, unless AllowNullValue keeps an empty field
// empty. Steps compute in 64 bits and saturate before they are clamped.
//
// Keys: Up and Down step (by the digit left of the caret with
// IncrementSmart), PageUp and PageDown step by the page increments, Return
// may act as Tab (ReturnIsTab) and Ctrl+Return steps up. Date steps take
// the field under the caret (day, month or year in the locale's order; a
// month or year step to a month without the day takes its last day), time
// steps the hours, minutes or seconds under the caret and never goes
// below 0:00:00. Typed characters pass CharAllowed, which knows each
// kind's characters; "-" toggles the sign when Signed; paste and cut work
// only while the field is editable (EditorEnabled and not ReadOnly).
//
// Look: a sunken frame (Ctl3D) or none (Flat: a line in FlatLineColor
// under the text instead), FocusColor while focused, a FocusBorderColor
// frame, a transparent background over the parent, and an optional
// caption label at one of 10 positions (AdvLabel.h).
#include <cstdint>
#include <string>

#include "controls/AdvLabel.h"
#include "controls/AdvSpinButton.h"
#include "controls/AdvSpinText.h"

namespace tavrel {

enum TAdvSpinType { sptNormal, sptFloat, sptDate, sptTime, sptHex };
enum TEditAlign { eaLeft, eaRight, eaCenter };

class TAdvSpinEdit : public TCustomEdit {
  TAVREL_CLASS_INFO
 public:
  explicit TAdvSpinEdit(TComponent* owner);

  virtual uint32_t VersionNumber() const { return 0x01040502; }
  std::string Version() const;
  void SetVersion(const std::string&) {}

  // ---- values
  int Value() const;
  void SetValue(int v);
  double FloatValue() const;
  void SetFloatValue(double v);
  TDateTime DateValue() const;
  void SetDateValue(TDateTime v);
  TDateTime TimeValue() const;
  void SetTimeValue(TDateTime v);
  int HexValue() const;
  void SetHexValue(int v);
  TAdvSpinType SpinType() const { return spin_type_; }
  void SetSpinType(TAdvSpinType v);
  int Precision() const { return precision_; }
  void SetPrecision(int v);
  bool ShowSeconds() const { return show_seconds_; }
  void SetShowSeconds(bool v);  // only with the time kind

  int MinValue() const { return min_value_; }
  void SetMinValue(int v) { min_value_ = v; }
  int MaxValue() const { return max_value_; }
  void SetMaxValue(int v) { max_value_ = v; }
  double MinFloatValue() const { return min_float_; }
  void SetMinFloatValue(double v) { min_float_ = v; }
  double MaxFloatValue() const { return max_float_; }
  void SetMaxFloatValue(double v) { max_float_ = v; }
  TDateTime MinDateValue() const { return min_date_; }
  void SetMinDateValue(TDateTime v) { min_date_ = v; }
  TDateTime MaxDateValue() const { return max_date_; }
  void SetMaxDateValue(TDateTime v) { max_date_ = v; }
  // The clamps that writing and leaving the field apply (none while loading).
  int ClampValue(int64_t v) const;
  double ClampFloat(double v) const;
  TDateTime ClampDate(TDateTime v) const;

  int Increment() const { return increment_; }
  void SetIncrement(int v) { increment_ = v; }
  int IncrementPage() const { return increment_page_; }
  void SetIncrementPage(int v) { increment_page_ = v; }
  double IncrementFloat() const { return increment_float_; }
  void SetIncrementFloat(double v) { increment_float_ = v; }
  double IncrementFloatPage() const { return increment_float_page_; }
  void SetIncrementFloatPage(double v) { increment_float_page_ = v; }
  bool IncrementSmart() const { return increment_smart_; }
  void SetIncrementSmart(bool v) { increment_smart_ = v; }
  int IncrementHours() const { return increment_hours_; }
  void SetIncrementHours(int v) { increment_hours_ = v; }
  int IncrementMinutes() const { return increment_minutes_; }
  void SetIncrementMinutes(int v) { increment_minutes_ = v; }

  bool EditorEnabled() const { return editor_enabled_; }
  void SetEditorEnabled(bool v) { editor_enabled_ = v; }
  bool ReturnIsTab() const { return return_is_tab_; }
  void SetReturnIsTab(bool v) { return_is_tab_ = v; }
  bool Signed() const { return signed_; }
  void SetSigned(bool v) { signed_ = v; }
  bool AllowNullValue() const { return allow_null_; }
  void SetAllowNullValue(bool v) { allow_null_ = v; }
  bool AutoFocus() const { return auto_focus_; }
  void SetAutoFocus(bool v) { auto_focus_ = v; }
  // The short date format puts the month before the day.
  bool USDates() const { return us_dates_; }

  // ---- steps and characters
  virtual bool CharAllowed(char32_t& key);
  virtual void StepUp();
  virtual void StepDown();
  // The step by the digit left of the caret.
  void IncSmart() { SmartStep(+1); }
  void DecSmart() { SmartStep(-1); }

  // ---- look
  TSpinDirection Direction() const { return direction_; }
  void SetDirection(TSpinDirection v);
  TAdvSpinButton* Button() const { return button_; }
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  TColor FlatLineColor() const { return flat_line_color_; }
  void SetFlatLineColor(TColor v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  TEditAlign EditAlign() const { return edit_align_; }
  void SetEditAlign(TEditAlign v);
  bool SpinFlat() const { return spin_flat_; }
  void SetSpinFlat(bool v);
  bool SpinTransparent() const { return spin_transparent_; }
  void SetSpinTransparent(bool v);
  TColor FocusColor() const { return focus_color_; }
  void SetFocusColor(TColor v) { focus_color_ = v; }
  TColor FocusBorderColor() const { return focus_border_color_; }
  void SetFocusBorderColor(TColor v) { focus_border_color_ = v; }
  bool FocusLabel() const { return focus_label_; }
  void SetFocusLabel(bool v) { focus_label_ = v; }
  // The colour given back when the focus leaves (see the focus colour).
  TColor NormalColor() const { return normal_color_; }
  // The lowest height the font allows; a lower one is raised to it.
  int MinHeight() const;

  // ---- caption label
  TLabel* SpinLabel() const { return label_.Label(); }
  std::string LabelCaption() const { return label_.Caption(); }
  void SetLabelCaption(const std::string& v) { label_.SetCaption(v); }
  TLabelPosition LabelPosition() const { return label_.Position(); }
  void SetLabelPosition(TLabelPosition v);
  int LabelMargin() const { return label_.Margin(); }
  void SetLabelMargin(int v) { label_.SetMargin(v); }
  bool LabelTransparent() const { return label_.Transparent(); }
  void SetLabelTransparent(bool v) { label_.SetTransparent(v); }
  bool LabelAlwaysEnabled() const { return label_.AlwaysEnabled(); }
  void SetLabelAlwaysEnabled(bool v);
  TFont& LabelFont() { return label_.Font(); }
  TFont* LabelFontObject() const { return &const_cast<TControlLabel&>(label_).Font(); }

  void SetEnabled(bool v) override;
  void SetBounds(int left, int top, int width, int height) override;
  void SetParent(TWinControl* p) override;
  void WndProc(TMessage& m) override;

  TNotifyEvent OnUpClick, OnDownClick;

 protected:
  void Loaded() override;
  void Change() override;
  void KeyDown(uint16_t& key, TShiftState s) override;
  void KeyPress(char32_t& key) override;
  void DoEnter() override;
  void DoExit() override;
  void Paint() override;
  void PaintBackground(TCanvas& c) override;
  void Notification(TComponent* c, TOperation op) override;

 private:
  bool Loading() const { return HasState(csLoading); }
  const TFormatSettings& Locale() const { return FormatSettings(); }
  void WriteValue(int64_t v) { SetValue(ClampValue(v)); }
  void WriteHex(int64_t v);
  void SmartStep(int sign);
  void Step(int sign);
  void StepDate(int sign);
  void StepTime(int sign);
  void StepPage(int sign);
  void ToggleSign();
  void UpdateUSDates();
  // Sets the text and puts the caret back where it was.
  void SetTextKeepCaret(const std::string& text);
  void FocusArrived();
  void FocusLeft();
  void FillNullValue();
  void ClampOnExit();
  // Look (AdvSpinLook.cpp).
  void WndProcLook(TMessage& m);
  void Resized();
  void PlaceButton();
  void ApplyTextRect();
  void ApplyWindowStyle();
  void RedrawFrame();
  void PaintFocusBorder(TCanvas& window);
  TRect FlatTextRect() const;
  TRect NormalTextRect() const;

  TControlLabel label_{*this};
  TAdvSpinButton* button_ = nullptr;
  int min_value_ = 0, max_value_ = 0;
  double min_float_ = 0, max_float_ = 0;
  TDateTime min_date_ = 0, max_date_ = 0;
  TDateTime date_value_ = 0, time_value_ = 0;
  int hex_value_ = 0;
  int increment_ = 1, increment_page_ = 10;
  double increment_float_ = 0.1, increment_float_page_ = 1.0;
  bool increment_smart_ = false;
  int increment_hours_ = 1, increment_minutes_ = 1;
  bool editor_enabled_ = true;
  TSpinDirection direction_ = spVertical;
  TAdvSpinType spin_type_ = sptNormal;
  int precision_ = 0;
  bool return_is_tab_ = false;
  TColor normal_color_ = clNone;
  bool us_dates_ = false;
  bool flat_ = false, spin_flat_ = false, spin_transparent_ = false, transparent_ = false;
  bool auto_focus_ = false;
  TColor flat_line_color_ = clBlack;
  bool show_seconds_ = true, signed_ = false;
  TEditAlign edit_align_ = eaLeft;
  TColor focus_border_color_ = clNone, focus_color_ = clWindow;
  bool allow_null_ = true;
  bool block_change_ = false;
  bool focus_label_ = false;
  bool focus_color_showing_ = false;
  bool switching_color_ = false;  // the focus colour comes or goes
};

}  // namespace tavrel
