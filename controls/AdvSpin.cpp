#include "controls/AdvSpin.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "controls/versiontext.h"
#include "platform/ui/forms.h"
#include "platform/ui/utf8.h"

namespace tavrel {

namespace {

const EnumInfo kSpinTypeInfo{"TAdvSpinType", {"sptNormal", "sptFloat", "sptDate", "sptTime", "sptHex"}};
const EnumInfo kEditAlignInfo{"TEditAlign", {"eaLeft", "eaRight", "eaCenter"}};
const EnumInfo kDirectionInfo{"TSpinDirection", {"spVertical", "spHorizontal"}};

int32_t Saturate(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

std::u32string Chars(const std::string& s) {
  std::u32string out;
  for (size_t pos = 0; pos < s.size();) out += NextUTF8(s, pos);
  return out;
}

std::string Trimmed(const std::string& s) {
  const size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// 1-based place of the first `c` at or after the 1-based place `from`; 0 when absent.
int PosFrom(const std::u32string& s, char32_t c, int from = 1) {
  if (from < 1) from = 1;
  const size_t i = s.find(c, static_cast<size_t>(from - 1));
  return i == std::u32string::npos ? 0 : static_cast<int>(i) + 1;
}

bool IsDigitChar(char32_t c) { return c >= U'0' && c <= U'9'; }
bool IsSignedNumberChar(char32_t c) { return IsDigitChar(c) || c == U'-' || c == U'+'; }
bool IsHexNumberChar(char32_t c) {
  return IsDigitChar(c) || (c >= U'A' && c <= U'F') || (c >= U'a' && c <= U'f');
}

int64_t Pow10(int k) {
  int64_t v = 1;
  for (int i = 0; i < std::min(k, 18); ++i) v *= 10;
  return v;
}

constexpr char32_t kBackspace = 8, kReturn = 13, kEscape = 27;

}  // namespace

const ClassInfo& TAdvSpinEdit::Class() {
  using E = TAdvSpinEdit;
  static const ClassInfo ci =
      ClassBuilder<E>("TAdvSpinEdit", TCustomEdit::Class())
          .prop("AllowNullValue", &E::AllowNullValue, &E::SetAllowNullValue)
          .defaultValue(true)
          .prop("AutoFocus", &E::AutoFocus, &E::SetAutoFocus)
          .defaultValue(false)
          .prop("Direction", &E::Direction, &E::SetDirection)
          .enumType(kDirectionInfo)
          .defaultValue(int64_t{spVertical})
          .prop("ReturnIsTab", &E::ReturnIsTab, &E::SetReturnIsTab)
          .defaultValue(false)
          .prop("Precision", &E::Precision, &E::SetPrecision)
          .defaultValue(int64_t{0})
          .prop("SpinType", &E::SpinType, &E::SetSpinType)
          .enumType(kSpinTypeInfo)
          .defaultValue(int64_t{sptNormal})
          .prop("Value", &E::Value, &E::SetValue)
          .prop("FloatValue", &E::FloatValue, &E::SetFloatValue)
          .prop("TimeValue", &E::TimeValue, &E::SetTimeValue)
          .typeName("TDateTime")
          .prop("DateValue", &E::DateValue, &E::SetDateValue)
          .typeName("TDateTime")
          .prop("HexValue", &E::HexValue, &E::SetHexValue)
          .prop("Flat", &E::Flat, &E::SetFlat)
          .defaultValue(false)
          .prop("FlatLineColor", &E::FlatLineColor, &E::SetFlatLineColor)
          .typeName("TColor")
          .defaultValue(int64_t{clBlack})
          .prop("SpinFlat", &E::SpinFlat, &E::SetSpinFlat)
          .defaultValue(false)
          .prop("SpinTransparent", &E::SpinTransparent, &E::SetSpinTransparent)
          .defaultValue(false)
          .prop("AutoSize", &E::AutoSize, &E::SetAutoSize)
          .defaultValue(true)
          .prop("EditAlign", &E::EditAlign, &E::SetEditAlign)
          .enumType(kEditAlignInfo)
          .defaultValue(int64_t{eaLeft})
          .prop("EditorEnabled", &E::EditorEnabled, &E::SetEditorEnabled)
          .defaultValue(true)
          .prop("FocusBorderColor", &E::FocusBorderColor, &E::SetFocusBorderColor)
          .typeName("TColor")
          .defaultValue(int64_t{clNone})
          .prop("FocusColor", &E::FocusColor, &E::SetFocusColor)
          .typeName("TColor")
          .defaultValue(int64_t{clWindow})
          .prop("FocusLabel", &E::FocusLabel, &E::SetFocusLabel)
          .defaultValue(false)
          .prop("Increment", &E::Increment, &E::SetIncrement)
          .defaultValue(int64_t{1})
          .prop("IncrementFloat", &E::IncrementFloat, &E::SetIncrementFloat)
          .prop("IncrementPage", &E::IncrementPage, &E::SetIncrementPage)
          .defaultValue(int64_t{10})
          .prop("IncrementFloatPage", &E::IncrementFloatPage, &E::SetIncrementFloatPage)
          .prop("IncrementSmart", &E::IncrementSmart, &E::SetIncrementSmart)
          .defaultValue(false)
          .prop("IncrementMinutes", &E::IncrementMinutes, &E::SetIncrementMinutes)
          .defaultValue(int64_t{1})
          .prop("IncrementHours", &E::IncrementHours, &E::SetIncrementHours)
          .defaultValue(int64_t{1})
          .prop("LabelAlwaysEnabled", &E::LabelAlwaysEnabled, &E::SetLabelAlwaysEnabled)
          .defaultValue(false)
          .prop("LabelCaption", &E::LabelCaption, &E::SetLabelCaption)
          .prop("LabelPosition", &E::LabelPosition, &E::SetLabelPosition)
          .enumType(SpinLabelPositionInfo())
          .defaultValue(int64_t{lpLeftTop})
          .prop("LabelMargin", &E::LabelMargin, &E::SetLabelMargin)
          .defaultValue(int64_t{4})
          .prop("LabelTransparent", &E::LabelTransparent, &E::SetLabelTransparent)
          .defaultValue(false)
          .prop("LabelFont", &E::LabelFontObject)
          .prop("MaxValue", &E::MaxValue, &E::SetMaxValue)
          .defaultValue(int64_t{0})
          .prop("MinValue", &E::MinValue, &E::SetMinValue)
          .defaultValue(int64_t{0})
          .prop("MinFloatValue", &E::MinFloatValue, &E::SetMinFloatValue)
          .prop("MaxFloatValue", &E::MaxFloatValue, &E::SetMaxFloatValue)
          .prop("MinDateValue", &E::MinDateValue, &E::SetMinDateValue)
          .typeName("TDateTime")
          .prop("MaxDateValue", &E::MaxDateValue, &E::SetMaxDateValue)
          .typeName("TDateTime")
          .prop("Signed", &E::Signed, &E::SetSigned)
          .defaultValue(false)
          .prop("ShowSeconds", &E::ShowSeconds, &E::SetShowSeconds)
          .defaultValue(true)
          .prop("Transparent", &E::Transparent, &E::SetTransparent)
          .defaultValue(false)
          .prop("Version", &E::Version, &E::SetVersion)
          .event("OnUpClick", &E::OnUpClick)
          .event("OnDownClick", &E::OnDownClick)
          .build();
  return ci;
}

TAdvSpinEdit::TAdvSpinEdit(TComponent* owner) : TCustomEdit(owner) {
  button_ = TComponent::Create<TAdvSpinButton>(this);
  button_->SetBounds(0, 0, 15, 17);
  button_->SetParent(this);
  button_->SetFocusControl(this);
  button_->OnUpClick = TNotifyEvent([this](TObject*) { StepUp(); });
  button_->OnDownClick = TNotifyEvent([this](TObject*) { StepDown(); });
  SetText("0");
  style_ &= ~csSetCaption;
  SetAutoSize(true);
  // The colour the focus colour gives way to, from the start: a control
  // built in code has no end of loading to record it.
  normal_color_ = Color();
  PlaceButton();
  ApplyTextRect();
}

std::string TAdvSpinEdit::Version() const { return VersionText(VersionNumber()); }

void TAdvSpinEdit::Loaded() {
  TCustomEdit::Loaded();
  TFlagHold hold(block_change_);
  normal_color_ = Color();
  // The date, time and hex writers leave the text alone while loading.
  switch (spin_type_) {
    case sptDate: SetText(DateToText(date_value_, Locale())); break;
    case sptTime: SetText(TimeToText(time_value_, show_seconds_, Locale())); break;
    case sptHex: SetText(IntToHexText(hex_value_)); break;
    default: break;
  }
  SetSpinType(spin_type_);
  flat_ = !flat_;
  SetFlat(!flat_);
  RedrawFrame();
  UpdateUSDates();
  if (SpinLabel() && !Enabled() && !LabelAlwaysEnabled()) SpinLabel()->SetEnabled(false);
}

void TAdvSpinEdit::Change() {
  if (!block_change_) TCustomEdit::Change();
}

// ---- clamps ------------------------------------------------------------------

int TAdvSpinEdit::ClampValue(int64_t v) const {
  if (Loading() || (min_value_ == 0 && max_value_ == 0)) return Saturate(v);
  if (v < min_value_) return min_value_;
  if (max_value_ >= min_value_ && v > max_value_) return max_value_;
  return Saturate(v);
}

double TAdvSpinEdit::ClampFloat(double v) const {
  if (Loading() || min_float_ == max_float_) return v;
  if (v < min_float_) return min_float_;
  if (max_float_ > min_float_ && v > max_float_) return max_float_;
  return v;
}

TDateTime TAdvSpinEdit::ClampDate(TDateTime v) const {
  if (Loading() || min_date_ == max_date_) return v;
  if (v < min_date_) return min_date_;
  if (max_date_ > min_date_ && v > max_date_) return max_date_;
  return v;
}

// ---- values --------------------------------------------------------------------

int TAdvSpinEdit::Value() const {
  const std::string t = Trimmed(Text());
  if (t.empty()) return 0;
  return TextToInt(t).value_or(min_value_);
}

void TAdvSpinEdit::SetValue(int v) {
  SetText(std::to_string(ClampValue(v)));
  if (!editor_enabled_ && AutoSelect()) SelectAll();
}

double TAdvSpinEdit::FloatValue() const {
  const std::string t = Trimmed(Text());
  if (t.empty()) return 0;
  return TextToFloat(t, Locale()).value_or(min_float_);
}

void TAdvSpinEdit::SetFloatValue(double v) { SetText(FloatToText(ClampFloat(v), precision_, Locale())); }

TDateTime TAdvSpinEdit::DateValue() const {
  if (Text().empty() || Text() == "0") return DateTimeNow();
  const std::optional<TDateTime> date = TextToDate(Text(), Locale());
  if (!date) return min_date_;
  return *date >= 0 ? *date + TimePart(date_value_) : *date - TimePart(date_value_);
}

void TAdvSpinEdit::SetTextKeepCaret(const std::string& text) {
  const int caret = SelStart();
  SetText(text);
  SetSelStart(caret);
}

void TAdvSpinEdit::SetDateValue(TDateTime v) {
  date_value_ = v;
  if (Loading()) return;
  date_value_ = ClampDate(v);
  SetTextKeepCaret(DateToText(date_value_, Locale()));
}

TDateTime TAdvSpinEdit::TimeValue() const {
  std::string t = Trimmed(Text());
  if (t.empty()) return 0;
  if (!show_seconds_) {
    AppendUTF8(t, Locale().TimeSeparator);
    t += "00";
  }
  const std::optional<TDateTime> time = TextToTime(t, Locale());
  return time ? *time + DatePart(time_value_) : 0;
}

void TAdvSpinEdit::SetTimeValue(TDateTime v) {
  time_value_ = v;
  if (Loading()) return;
  time_value_ = ClampDate(v);
  SetTextKeepCaret(TimeToText(time_value_, show_seconds_, Locale()));
}

int TAdvSpinEdit::HexValue() const { return HexToInt(Text()).value_or(min_value_); }

void TAdvSpinEdit::SetHexValue(int v) {
  const std::string text = IntToHexText(v);
  if (MaxLength() > 0 && static_cast<int>(Utf16Length(text)) > MaxLength()) return;
  hex_value_ = v;
  if (!Loading()) SetText(text);
}

void TAdvSpinEdit::WriteHex(int64_t v) { SetHexValue(Saturate(v)); }

void TAdvSpinEdit::SetSpinType(TAdvSpinType v) {
  spin_type_ = v;
  if (Loading()) return;
  TFlagHold quiet(block_change_);
  switch (v) {
    case sptNormal: SetValue(Value()); break;
    case sptFloat: SetFloatValue(FloatValue()); break;
    case sptDate: SetDateValue(DateValue()); break;
    case sptTime: SetTimeValue(TimeValue()); break;
    case sptHex: SetHexValue(HexValue()); break;
  }
}

void TAdvSpinEdit::SetPrecision(int v) {
  precision_ = v;
  if (spin_type_ == sptFloat && !Loading()) SetFloatValue(FloatValue());
}

void TAdvSpinEdit::SetShowSeconds(bool v) {
  if (spin_type_ != sptTime) return;
  const TDateTime t = Loading() ? time_value_ : TimeValue();
  show_seconds_ = v;
  SetTimeValue(t);
}

void TAdvSpinEdit::UpdateUSDates() {
  std::string f;
  for (char c : Locale().ShortDateFormat) f += c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
  const size_t m = f.find('M'), d = f.find('D');
  us_dates_ = m != std::string::npos && (d == std::string::npos || m < d);
}

// ---- steps ---------------------------------------------------------------------

void TAdvSpinEdit::StepUp() { Step(+1); }
void TAdvSpinEdit::StepDown() { Step(-1); }

void TAdvSpinEdit::Step(int sign) {
  const int caret = SelStart(), selection = SelLength();
  const std::string old = Text();
  UpdateUSDates();
  if (ReadOnly()) {
    MessageBeep(0);
  } else {
    switch (spin_type_) {
      case sptNormal:
        if (increment_smart_) SmartStep(sign);
        else WriteValue(int64_t{Value()} + int64_t{sign} * increment_);
        break;
      case sptFloat:
        if (increment_smart_) SmartStep(sign);
        else SetFloatValue(FloatValue() + sign * increment_float_);
        break;
      case sptDate: StepDate(sign); break;
      case sptTime: StepTime(sign); break;
      case sptHex: WriteHex(int64_t{HexValue()} + int64_t{sign} * increment_); break;
    }
  }
  const bool hadMinus = old.find('-') != std::string::npos;
  const bool hasMinus = Text().find('-') != std::string::npos;
  SetSelStart(caret - (hadMinus && !hasMinus) + (!hadMinus && hasMinus));
  SetSelLength(selection);
  if (sign > 0 && Text().size() != old.size() && spin_type_ != sptDate && spin_type_ != sptTime)
    SetSelLength(static_cast<int>(Utf8Length(Text())));
  if (Text() != old) SetModified(true);
  const TNotifyEvent& event = sign > 0 ? OnUpClick : OnDownClick;
  if (event) event(this);
}

void TAdvSpinEdit::StepDate(int sign) {
  const std::u32string t = Chars(Text());
  const char32_t sep = Locale().DateSeparator;
  const int s1 = PosFrom(t, sep), s2 = s1 ? PosFrom(t, sep, s1 + 1) : 0;
  const int p = SelStart();
  enum { day, month, year } field = year;
  if (p < s1) field = us_dates_ ? month : day;
  else if (p < s2) field = us_dates_ ? day : month;
  const TDateTime d = DateValue();
  TDateTime next = d;
  switch (field) {
    case day: next = d + sign; break;
    case month: next = IncMonth(d, sign); break;
    case year: next = AddYears(d, sign); break;
  }
  // Days beyond the calendar's years stay where they are.
  SetDateValue(InDateRange(next) ? next : d);
}

void TAdvSpinEdit::StepTime(int sign) {
  const std::u32string t = Chars(Text());
  const char32_t sep = Locale().TimeSeparator;
  const int t1 = PosFrom(t, sep), t2 = t1 ? PosFrom(t, sep, t1 + 1) : 0;
  const int p = SelStart();
  int64_t seconds = int64_t{increment_minutes_} * 60;
  if (p < t1) {
    if (increment_hours_ != 0) seconds = int64_t{increment_hours_} * 3600;
  } else if (p >= t2 && show_seconds_) {
    seconds = 1;
  }
  // A duration: any number of hours or minutes, never below 0:00:00.
  const TDateTime now = TimeValue();
  const TDateTime step = EncodeTime(0, 0, seconds);
  if (sign > 0) SetTimeValue(now + step);
  else if (std::round(now * 86400000.0) >= static_cast<double>(seconds) * 1000) SetTimeValue(now - step);
}

void TAdvSpinEdit::StepPage(int sign) {
  if (increment_smart_ && SelLength() == 0) {
    SmartStep(sign);
    return;
  }
  if (spin_type_ == sptNormal) WriteValue(int64_t{Value()} + int64_t{sign} * increment_page_);
  else if (spin_type_ == sptFloat) SetFloatValue(FloatValue() + sign * increment_float_page_);
}

void TAdvSpinEdit::SmartStep(int sign) {
  if (spin_type_ != sptNormal && spin_type_ != sptFloat) return;
  const std::u32string t = Chars(Text());
  const int l = static_cast<int>(t.size()), p = SelStart();
  const int d = PosFrom(t, Locale().DecimalSeparator);
  if (p == 0 || (t.find(U'-') != std::u32string::npos && p == 1)) {
    if (spin_type_ == sptNormal) WriteValue(int64_t{Value()} + int64_t{sign} * increment_);
    else SetFloatValue(FloatValue() + sign * increment_float_);
    return;
  }
  const int right = l - p, decimals = d > 0 ? l - d : -1;
  if (right >= decimals) {
    const int k = std::max(right - decimals - 1, 0);
    if (spin_type_ == sptNormal) WriteValue(int64_t{Value()} + sign * Pow10(k));
    else SetFloatValue(FloatValue() + sign * std::pow(10.0, k));
  } else if (spin_type_ == sptFloat) {
    SetFloatValue(FloatValue() + sign * std::pow(10.0, -(decimals - right)));
  }
}

// ---- keys and characters -----------------------------------------------------------

void TAdvSpinEdit::KeyDown(uint16_t& key, TShiftState s) {
  TCustomEdit::KeyDown(key, s);
  const int caret = SelStart(), selection = SelLength();
  const std::string old = Text();
  bool restore = true;
  switch (key) {
    case VK_UP:
    case VK_DOWN: {
      const int sign = key == VK_UP ? 1 : -1;
      if (increment_smart_ && selection == 0 && (spin_type_ == sptNormal || spin_type_ == sptFloat)) SmartStep(sign);
      else Step(sign);
      break;
    }
    case VK_PRIOR: StepPage(+1); break;
    case VK_NEXT: StepPage(-1); break;
    case VK_DELETE:
      if (!editor_enabled_ || (spin_type_ == sptHex && caret < 2)) {
        key = 0;
        restore = false;
      }
      break;
    case VK_RETURN:
      if (s & ssCtrl) PostMessage(Handle(), WM_KEYDOWN, VK_UP, 0);
      if (return_is_tab_) {
        // The posted Tab moves the focus; this Return goes no further.
        PostMessage(Handle(), WM_KEYDOWN, VK_TAB, 0);
        key = 0;
        restore = false;
      }
      break;
    default:
      restore = false;
      break;
  }
  if (restore) {
    SetSelStart(caret);
    SetSelLength(selection);
  }
  if (Text() != old) SetModified(true);
}

void TAdvSpinEdit::ToggleSign() {
  const int caret = SelStart(), selection = SelLength();
  const std::string& t = Text();
  if (!t.empty() && t[0] == '-') {
    SetText(t.substr(1));
    SetSelStart(std::max(caret - 1, 0));
  } else {
    SetText("-" + t);
    SetSelStart(caret + 1);
  }
  SetSelLength(selection);
}

void TAdvSpinEdit::KeyPress(char32_t& key) {
  if (key == U'+') {
    key = 0;
    return;
  }
  if (key == U'-' && !(spin_type_ == sptDate && Locale().DateSeparator == U'-')) {
    if (signed_) ToggleSign();
    TCustomEdit::KeyPress(key);  // OnKeyPress sees it; nothing is inserted
    key = 0;
    return;
  }
  if (key == kReturn) {
    TCustomEdit::KeyPress(key);
    key = 0;
    return;
  }
  if (!CharAllowed(key)) {
    key = 0;
    MessageBeep(0);
    return;
  }
  TCustomEdit::KeyPress(key);
}

bool TAdvSpinEdit::CharAllowed(char32_t& key) {
  const TFormatSettings& fs = Locale();
  const char32_t dec = fs.DecimalSeparator, thousand = fs.ThousandSeparator, time = fs.TimeSeparator,
                 date = fs.DateSeparator;
  const auto separator = [&](char32_t c) { return c == dec || c == thousand || c == time || c == date; };
  // A separator that is also a number character stays allowed for numbers.
  const auto numeric = [&](char32_t sep) {
    return (sep == dec || sep == thousand || sep == U'-' || sep == U'+') &&
           (spin_type_ == sptNormal || spin_type_ == sptFloat);
  };
  bool ok = separator(key) || IsSignedNumberChar(key) || (key < 32 && key != kReturn);
  if (spin_type_ == sptNormal && separator(key)) ok = false;
  if (key == time && spin_type_ != sptTime && !numeric(time)) ok = false;
  if (key == date && spin_type_ != sptDate && !numeric(date)) ok = false;

  const std::u32string t = Chars(Text());
  const int p = SelStart(), selection = SelLength();
  if (spin_type_ == sptFloat && key != kEscape && key != kReturn && key != kBackspace) {
    if (key == thousand) key = dec;
    const int d = PosFrom(t, dec);
    if (key == dec) {
      if (selection == static_cast<int>(t.size())) ok = true;
      else if (d > 0 || precision_ == 0) ok = false;
    }
    if (precision_ > 0 && d > 0 && p >= d && selection == 0 && static_cast<int>(t.size()) - d >= precision_)
      ok = false;
  }
  if (spin_type_ == sptTime) {
    if (key == U',' || key == U'.') key = time;
    if (key == time && t.find(time) != std::u32string::npos) ok = false;
  }
  if (spin_type_ == sptHex) {
    ok = (IsHexNumberChar(key) || (key < 32 && key != kReturn)) && p >= 2;
    if (key == kBackspace && p == 2) ok = false;
  }
  if (!editor_enabled_ && (key >= 32 || key == kBackspace)) ok = false;
  return ok;
}

// ---- focus ------------------------------------------------------------------------

void TAdvSpinEdit::DoEnter() {
  if (AutoSelect() && !((ControlState() & csLButtonDown) && editor_enabled_)) SelectAll();
  TCustomEdit::DoEnter();
}

void TAdvSpinEdit::FocusArrived() {
  if (focus_border_color_ != clNone) Invalidate();
  if (focus_color_ != clNone) {
    TFlagHold hold(switching_color_);
    focus_color_showing_ = true;
    SetColor(focus_color_);
    RedrawFrame();
  }
  if (focus_label_) label_.SetBold(true);
}

void TAdvSpinEdit::FocusLeft() {
  if (focus_color_ != clNone && normal_color_ != clNone) {
    TFlagHold hold(switching_color_);
    SetColor(normal_color_);
  }
  focus_color_showing_ = false;
  if (focus_label_) label_.SetBold(false);
  FillNullValue();
  RedrawFrame();
}

void TAdvSpinEdit::FillNullValue() {
  if (allow_null_ || !Text().empty()) return;
  switch (spin_type_) {
    case sptNormal:
      if (min_value_ != max_value_) SetValue(min_value_);
      break;
    case sptFloat:
      if (min_float_ != max_float_) SetFloatValue(min_float_);
      break;
    case sptDate:
      if (min_date_ != max_date_) SetDateValue(min_date_);
      break;
    case sptTime:  // each kind shows its own minimum
      if (min_date_ != max_date_) SetTimeValue(min_date_);
      break;
    case sptHex:
      if (min_value_ != max_value_) SetHexValue(min_value_);
      break;
  }
}

void TAdvSpinEdit::ClampOnExit() {
  if (allow_null_ && Text().empty()) return;
  switch (spin_type_) {
    case sptNormal: {
      // A number too long for the value still says which end of the range
      // it is beyond; Value alone would read it as MinValue.
      const int64_t v = TextToWideInt(Text()).value_or(Value());
      if (ClampValue(v) != v) SetValue(ClampValue(v));
      break;
    }
    case sptFloat: SetFloatValue(ClampFloat(FloatValue())); break;
    case sptDate: {
      const TDateTime d = DateValue();
      if (ClampDate(d) != d) SetDateValue(d);
      break;
    }
    case sptTime: {
      const TDateTime t = TimeValue();
      if (ClampDate(t) != t) SetTimeValue(t);
      break;
    }
    case sptHex: SetHexValue(ClampValue(HexValue())); break;
  }
}

void TAdvSpinEdit::DoExit() {
  ClampOnExit();
  TCustomEdit::DoExit();
}

void TAdvSpinEdit::Notification(TComponent* c, TOperation op) {
  TCustomEdit::Notification(c, op);
  if (op != TOperation::opRemove) return;
  label_.Forget(c);
  if (c == button_) button_ = nullptr;
}

void TAdvSpinEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_PASTE:
    case WM_CUT:
      if (!editor_enabled_ || ReadOnly()) return;
      break;
    case WM_SETFOCUS:
      TCustomEdit::WndProc(m);
      FocusArrived();
      return;
    case WM_KILLFOCUS:
      TCustomEdit::WndProc(m);
      FocusLeft();
      return;
    case CM_COLORCHANGED:
      // The colour to come back to follows every colour but the focus colour.
      if (!switching_color_ && !focus_color_showing_) normal_color_ = Color();
      break;
    case CM_MOUSEENTER:
      if (auto_focus_ && m.LParam == 0 && !HasState(csDesigning)) {
        TForm* f = ParentForm();
        if ((!f || f->Active()) && CanFocus() && !Focused()) SetFocus();
      }
      break;
    default:
      break;
  }
  WndProcLook(m);
}

}  // namespace tavrel
