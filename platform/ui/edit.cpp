#include "platform/ui/edit.h"

#include <algorithm>
#include <cstdlib>

#include "platform/ui/forms.h"
#include "platform/ui/metrics.h"
#include "platform/ui/utf8.h"

namespace tavrel {

namespace {

constexpr uintptr_t kCaretTimer = 1;

const EnumInfo kCharCaseInfo{"TEditCharCase", {"ecNormal", "ecUpperCase", "ecLowerCase"}};
const EnumInfo kBorderStyleInfo{"TBorderStyle", {"bsNone", "bsSingle"}};

bool IsBlank(char32_t c) { return c == U' ' || c == U'\t' || c == 0xA0; }

std::u32string Decode(const std::string& s) {
  std::u32string out;
  for (size_t pos = 0; pos < s.size();) out += NextUTF8(s, pos);
  return out;
}

// Case of ASCII and Latin-1 letters.
char32_t ToUpper(char32_t c) {
  if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  return c;
}
char32_t ToLower(char32_t c) {
  if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  return c;
}


}  // namespace

const ClassInfo& TCustomEdit::Class() {
  static const ClassInfo ci =
      ClassBuilder<TCustomEdit>("TCustomEdit", TCustomControl::Class())
          .prop("Text", static_cast<const std::string& (TCustomEdit::*)() const>(&TCustomEdit::Text),
                &TCustomEdit::SetText)
          .prop("Alignment", &TCustomEdit::Alignment, &TCustomEdit::SetAlignment)
          .enumType(AlignmentInfo())
          .defaultValue(int64_t{taLeftJustify})
          .prop("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect)
          .defaultValue(true)
          .prop("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle)
          .enumType(kBorderStyleInfo)
          .defaultValue(int64_t{bsSingle})
          .prop("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase)
          .enumType(kCharCaseInfo)
          .defaultValue(int64_t{ecNormal})
          .prop("Ctl3D", &TCustomEdit::Ctl3D, &TCustomEdit::SetCtl3D)
          .defaultValue(true)
          .prop("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength)
          .defaultValue(int64_t{0})
          .prop("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly)
          .defaultValue(false)
          .event("OnChange", &TCustomEdit::OnChange)
          .build();
  return ci;
}

const ClassInfo& TEdit::Class() {
  static const ClassInfo ci = ClassBuilder<TEdit>("TEdit", TCustomEdit::Class()).build();
  return ci;
}

TCustomEdit::TCustomEdit(TComponent* owner) : TCustomControl(owner) {
  style_ = (style_ | csOpaque) & ~csSetCaption;
  SetBounds(0, 0, 121, 21);
  SetColor(clWindow);
  SetTabStop(true);
  SetCursor(crIBeam);
  FrameChanged();
  MeasureText();
}

// ---- properties ------------------------------------------------------------

void TCustomEdit::SetText(const std::string& v) { TCustomControl::SetText(v); }

void TCustomEdit::SetReadOnly(bool v) {
  if (v == read_only_) return;
  read_only_ = v;
  Invalidate();
}

void TCustomEdit::SetCharCase(TEditCharCase v) {
  if (v != ecUpperCase && v != ecLowerCase) v = ecNormal;
  if (v == char_case_) return;
  char_case_ = v;
  if (v != ecNormal) SetText(Cased(Text()));
}

void TCustomEdit::SetAlignment(TAlignment v) {
  if (v != taRightJustify && v != taCenter) v = taLeftJustify;
  if (v == alignment_) return;
  alignment_ = v;
  ScrollToCaret();
  Invalidate();
}

void TCustomEdit::SetBorderStyle(TBorderStyle v) {
  if (v != bsNone) v = bsSingle;
  if (v == border_style_) return;
  border_style_ = v;
  FrameChanged();
}

void TCustomEdit::SetCtl3D(bool v) {
  if (v == ctl3d_) return;
  ctl3d_ = v;
  FrameChanged();
}

std::string TCustomEdit::Cased(const std::string& s) const {
  if (char_case_ == ecNormal) return s;
  std::string out;
  for (char32_t c : Decode(s)) AppendUTF8(out, char_case_ == ecUpperCase ? ToUpper(c) : ToLower(c));
  return out;
}

// ---- selection -------------------------------------------------------------

void TCustomEdit::SetSelection(int anchor, int caret) {
  anchor_ = std::clamp(anchor, 0, Length());
  caret_ = std::clamp(caret, 0, Length());
  ScrollToCaret();
  RestartCaret();
  Invalidate();
}

void TCustomEdit::SetSelStart(int v) { SetSelection(v, v); }

void TCustomEdit::SetSelLength(int v) {
  const int start = SelStart();
  SetSelection(start, start + v);
}

void TCustomEdit::SelectAll() { SetSelection(0, Length()); }

std::string TCustomEdit::SelText() const {
  const std::string& t = Text();
  const size_t a = Utf8Offset(t, SelStart()), b = Utf8Offset(t, SelStart() + SelLength());
  return t.substr(a, b - a);
}

void TCustomEdit::SetSelText(const std::string& v) {
  const std::string& t = Text();
  const int start = SelStart();
  const size_t a = Utf8Offset(t, start), b = Utf8Offset(t, start + SelLength());
  const std::string text = t.substr(0, a) + v + t.substr(b);
  const int caret = start + static_cast<int>(Utf8Length(v));
  anchor_ = caret_ = caret;
  TFlagHold hold(editing_);
  TCustomControl::SetText(text);
}

void TCustomEdit::ClearSelection() { Perform(WM_CLEAR); }

void TCustomEdit::MoveCaret(int to, bool extend) {
  SetSelection(extend ? anchor_ : to, to);
}

// ---- geometry --------------------------------------------------------------

void TCustomEdit::MeasureText() {
  const std::string& t = Text();
  const int n = static_cast<int>(Utf8Length(t));
  bounds_.assign(static_cast<size_t>(n) + 1, 0);
  for (int i = 1; i <= n; ++i) bounds_[static_cast<size_t>(i)] = FontTextWidth(Font(), t.substr(0, Utf8Offset(t, i)));
}

TRect TCustomEdit::TextRect() const {
  if (custom_rect_) return text_rect_;
  const TRect c = ClientRect();
  return Rect(1, 1, std::max(c.Right - 1, 1), std::max(c.Bottom - 1, 1));
}

void TCustomEdit::SetTextRect(const TRect& r) {
  text_rect_ = r;
  custom_rect_ = true;
  ScrollToCaret();
  Invalidate();
}

void TCustomEdit::ResetTextRect() {
  custom_rect_ = false;
  ScrollToCaret();
  Invalidate();
}

int TCustomEdit::TextOrigin() const {
  const TRect r = TextRect();
  const int width = bounds_.back(), room = r.Width() - 1;  // the last column holds the caret
  if (width > room || alignment_ == taLeftJustify) return r.Left - scroll_;
  if (alignment_ == taRightJustify) return r.Left + room - width;
  return r.Left + (room - width) / 2;
}

void TCustomEdit::ScrollToCaret() {
  const TRect r = TextRect();
  const int width = bounds_.back(), room = std::max(r.Width() - 1, 0);
  caret_ = std::clamp(caret_, 0, Length());
  anchor_ = std::clamp(anchor_, 0, Length());
  if (width <= room) {
    scroll_ = 0;
    return;
  }
  const int x = bounds_[static_cast<size_t>(caret_)];
  if (x - scroll_ > room) scroll_ = x - room;
  if (x < scroll_) scroll_ = x;
  scroll_ = std::clamp(scroll_, 0, width - room);
}

int TCustomEdit::PosFromChar(int index) const {
  return TextOrigin() + bounds_[static_cast<size_t>(std::clamp(index, 0, Length()))];
}

int TCustomEdit::CharFromPos(int x) const {
  const int rel = x - TextOrigin();
  auto it = std::lower_bound(bounds_.begin(), bounds_.end(), rel);
  if (it == bounds_.end()) return Length();
  int i = static_cast<int>(it - bounds_.begin());
  if (i > 0 && rel - bounds_[static_cast<size_t>(i) - 1] < bounds_[static_cast<size_t>(i)] - rel) --i;
  return i;
}

void TCustomEdit::SelectWordAt(int x) {
  const std::u32string chars = Decode(Text());
  if (chars.empty()) return;
  const int rel = x - TextOrigin();
  int i = static_cast<int>(std::upper_bound(bounds_.begin(), bounds_.end(), rel) - bounds_.begin()) - 1;
  i = std::clamp(i, 0, Length() - 1);
  const bool blank = IsBlank(chars[static_cast<size_t>(i)]);
  int a = i, b = i + 1;
  while (a > 0 && IsBlank(chars[static_cast<size_t>(a) - 1]) == blank) --a;
  while (b < Length() && IsBlank(chars[static_cast<size_t>(b)]) == blank) ++b;
  SetSelection(a, b);
}

// ---- caret -----------------------------------------------------------------

bool TCustomEdit::CaretShowing() const { return caret_on_ && ShowsFocus() && EnabledInChain(); }

void TCustomEdit::RestartCaret() {
  if (!ShowsFocus()) {
    if (HandleAllocated()) KillTimer(Handle(), kCaretTimer);
    caret_on_ = false;
    return;
  }
  caret_on_ = true;
  SetTimer(Handle(), kCaretTimer, GetCaretBlinkTime());
  Invalidate();
}

// ---- editing ---------------------------------------------------------------

void TCustomEdit::ReplaceText(const std::string& text, int caret) {
  if (text == Text()) {  // typed over itself: the caret still moves on
    SetSelection(caret, caret);
    return;
  }
  modified_ = true;
  anchor_ = caret_ = caret;
  {
    TFlagHold hold(editing_);
    TCustomControl::SetText(text);
  }
  RestartCaret();
}

void TCustomEdit::DeleteRange(int from, int to) {
  if (read_only_) {
    MessageBeep(0);
    return;
  }
  if (from >= to) return;
  std::string t = Text();
  const size_t a = Utf8Offset(t, from), b = Utf8Offset(t, to);
  ReplaceText(t.erase(a, b - a), from);
}

bool TCustomEdit::InsertText(std::string s) {
  if (read_only_) {
    MessageBeep(0);
    return false;
  }
  if (s.empty()) return false;
  s = Cased(s);
  const std::string& t = Text();
  const int start = SelStart(), end = SelStart() + SelLength();
  const size_t a = Utf8Offset(t, start), b = Utf8Offset(t, end);
  if (max_length_ > 0) {
    const size_t used = Utf16Length(t) - Utf16Length(t.substr(a, b - a));
    size_t room = static_cast<size_t>(max_length_) > used ? static_cast<size_t>(max_length_) - used : 0;
    size_t keep = 0;
    while (keep < s.size()) {
      const size_t len = Utf8CharLength(static_cast<unsigned char>(s[keep]));
      const size_t units = len == 4 ? 2 : 1;
      if (units > room) break;
      room -= units;
      keep += len;
    }
    if (keep < s.size()) {
      MessageBeep(0);
      s.resize(keep);
      if (s.empty()) return false;
    }
  }
  ReplaceText(t.substr(0, a) + s + t.substr(b), start + static_cast<int>(Utf8Length(s)));
  return true;
}

void TCustomEdit::EditKey(uint16_t key, TShiftState s) {
  if (s & ssAlt) return;
  const bool shift = s & ssShift, ctrl = s & ssCtrl;
  const std::u32string chars = Decode(Text());
  auto blank = [&](int i) { return IsBlank(chars[static_cast<size_t>(i)]); };
  auto wordLeft = [&](int i) {
    while (i > 0 && blank(i - 1)) --i;
    while (i > 0 && !blank(i - 1)) --i;
    return i;
  };
  auto wordRight = [&](int i) {
    while (i < Length() && !blank(i)) ++i;
    while (i < Length() && blank(i)) ++i;
    return i;
  };
  const int selEnd = SelStart() + SelLength();
  switch (key) {
    case VK_LEFT:
      if (!shift && !ctrl && SelLength() > 0) MoveCaret(SelStart(), false);
      else MoveCaret(ctrl ? wordLeft(caret_) : caret_ - 1, shift);
      break;
    case VK_RIGHT:
      if (!shift && !ctrl && SelLength() > 0) MoveCaret(selEnd, false);
      else MoveCaret(ctrl ? wordRight(caret_) : caret_ + 1, shift);
      break;
    case VK_HOME: MoveCaret(0, shift); break;
    case VK_END: MoveCaret(Length(), shift); break;
    case VK_DELETE:
      if (shift) Perform(WM_CUT);
      else if (SelLength() > 0) DeleteRange(SelStart(), selEnd);
      else if (read_only_) MessageBeep(0);
      else DeleteRange(caret_, caret_ + 1);
      break;
    case VK_INSERT:
      if (ctrl) Perform(WM_COPY);
      else if (shift) Perform(WM_PASTE);
      break;
    case 'A':
      if (ctrl) SelectAll();
      break;
    case 'C':
      if (ctrl) Perform(WM_COPY);
      break;
    case 'X':
      if (ctrl) Perform(WM_CUT);
      break;
    case 'V':
      if (ctrl) Perform(WM_PASTE);
      break;
    default:
      break;
  }
}

void TCustomEdit::EditChar(char32_t ch) {
  if (ch == U'\b') {
    if (SelLength() > 0) DeleteRange(SelStart(), SelStart() + SelLength());
    else if (read_only_) MessageBeep(0);
    else if (caret_ > 0) DeleteRange(caret_ - 1, caret_);
    return;
  }
  if (ch < 0x20 || ch == 0x7F) return;
  std::string s;
  AppendUTF8(s, ch);
  InsertText(s);
}

void TCustomEdit::DefaultHandler(TMessage& m) {
  switch (m.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      EditKey(static_cast<uint16_t>(m.WParam), static_cast<TShiftState>(m.LParam));
      return;
    case WM_CHAR:
      EditChar(static_cast<char32_t>(m.WParam));
      return;
    case WM_COPY:
      if (SelLength() > 0) Clipboard().SetAsText(SelText());
      return;
    case WM_CUT:
      if (SelLength() == 0 || read_only_) return;
      Clipboard().SetAsText(SelText());
      DeleteRange(SelStart(), SelStart() + SelLength());
      return;
    case WM_CLEAR:
      if (SelLength() > 0 && !read_only_) DeleteRange(SelStart(), SelStart() + SelLength());
      return;
    case WM_PASTE: {
      if (read_only_) return;
      std::string text = Clipboard().AsText();
      text = text.substr(0, text.find_first_of("\r\n"));  // one line
      InsertText(text);
      return;
    }
    case EM_GETSEL:
      m.Result = SelStart() | (SelStart() + SelLength()) << 16;
      return;
    case EM_SETSEL: {
      const int anchor = static_cast<int>(static_cast<intptr_t>(m.WParam));
      const int caret = static_cast<int>(m.LParam);
      if (anchor < 0) SetSelection(caret_, caret_);
      else SetSelection(anchor, caret < 0 ? Length() : caret);
      return;
    }
    case EM_GETRECT:
      if (auto* r = reinterpret_cast<TRect*>(m.LParam)) *r = TextRect();
      return;
    case EM_SETRECT:
    case EM_SETRECTNP:
      if (auto* r = reinterpret_cast<const TRect*>(m.LParam)) SetTextRect(*r);
      else ResetTextRect();
      return;
    case EM_GETMODIFY:
      m.Result = modified_;
      return;
    case EM_SETMODIFY:
      modified_ = m.WParam != 0;
      return;
    case EM_LIMITTEXT:
      SetMaxLength(static_cast<int>(m.WParam));
      return;
    case EM_GETLIMITTEXT:
      m.Result = max_length_;
      return;
    case EM_SETREADONLY:
      SetReadOnly(m.WParam != 0);
      m.Result = 1;
      return;
    default:
      TCustomControl::DefaultHandler(m);
  }
}

// ---- messages --------------------------------------------------------------

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::TakeFocus() {
  if (CanFocus() && !Focused()) SetFocus();
}

void TCustomEdit::DoEnter() {
  if (auto_select_ && !(ControlState() & csLButtonDown)) SelectAll();
  TCustomControl::DoEnter();
}

void TCustomEdit::WndProc(TMessage& m) {
  if (m.Msg >= EM_GETSEL && m.Msg <= EM_GETLIMITTEXT) {
    DefaultHandler(m);
    return;
  }
  switch (m.Msg) {
    case WM_GETDLGCODE:
      m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
      return;
    case WM_NCCALCSIZE: {
      auto* r = reinterpret_cast<TRect*>(m.LParam);
      const int e = ClientEdgeWidth(border_style_, ctl3d_);
      *r = InflateRect(*r, -e, -e);
      return;
    }
    case WM_NCPAINT:
      if (auto* dc = reinterpret_cast<TCanvas*>(m.WParam))
        DrawClientEdge(*dc, Rect(0, 0, Width(), Height()), border_style_, ctl3d_);
      return;
    case CM_TEXTCHANGED:
      MeasureText();
      if (!editing_) {
        anchor_ = caret_ = 0;
        scroll_ = 0;
        modified_ = false;
      }
      ScrollToCaret();
      Invalidate();
      Perform(CN_COMMAND, EN_CHANGE << 16);
      return;
    case CN_COMMAND:
      if ((m.WParam >> 16) == EN_CHANGE) Change();
      return;
    case CM_FONTCHANGED:
      MeasureText();
      ScrollToCaret();
      break;
    case WM_SIZE:
      ScrollToCaret();
      break;
    case WM_SETFOCUS:
      RestartCaret();
      Invalidate();
      break;
    case WM_KILLFOCUS:
      dragging_ = false;
      caret_on_ = false;
      KillTimer(Handle(), kCaretTimer);
      Invalidate();
      break;
    case WM_TIMER:
      if (m.WParam == kCaretTimer) {
        if (ShowsFocus()) caret_on_ = !caret_on_;
        else RestartCaret();
        Invalidate();
        return;
      }
      break;
    default:
      break;
  }
  TCustomControl::WndProc(m);
}

void TCustomEdit::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (b == TMouseButton::mbLeft) {
    TakeFocus();
    if (s & ssDouble) {
      SelectWordAt(x);
    } else {
      MoveCaret(CharFromPos(x), s & ssShift);
      dragging_ = true;
    }
  }
  TCustomControl::MouseDown(b, s, x, y);
}

void TCustomEdit::MouseMove(TShiftState s, int x, int y) {
  if (dragging_ && (s & ssLeft)) MoveCaret(CharFromPos(x), true);
  TCustomControl::MouseMove(s, x, y);
}

void TCustomEdit::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (b == TMouseButton::mbLeft) dragging_ = false;
  TCustomControl::MouseUp(b, s, x, y);
}

// ---- painting --------------------------------------------------------------

void TCustomEdit::Paint() {
  TCanvas& c = Canvas();
  PaintBackground(c);
  PaintContent(c);
}

void TCustomEdit::PaintBackground(TCanvas& c) {
  c.Brush().SetStyle(TBrushStyle::bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(ClientRect());
}

void TCustomEdit::PaintContent(TCanvas& c) {
  c.Font().Assign(Font());
  if (!EnabledInChain()) c.Font().SetColor(clGrayText);
  const TRect r = TextRect();
  const int x0 = TextOrigin(), h = c.Font().Metrics().Height;
  const int saved = c.SaveDC();
  c.IntersectClipRect(r);
  c.Brush().SetStyle(TBrushStyle::bsClear);
  c.TextOut(x0, r.Top, Text());
  if (ShowsFocus() && SelLength() > 0) {
    const TRect sel = Rect(PosFromChar(SelStart()), r.Top, PosFromChar(SelStart() + SelLength()), r.Top + h);
    c.SaveDC();
    c.IntersectClipRect(sel);
    c.Brush().SetColor(clHighlight);
    c.FillRect(sel);
    c.Font().SetColor(clHighlightText);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.TextOut(x0, r.Top, Text());
    c.RestoreDC(-1);
  }
  if (CaretShowing()) {
    // The caret inverts what lies under it, as the platform's caret does.
    const int x = PosFromChar(caret_);
    for (int y = r.Top; y < r.Top + h; ++y) c.SetPixel(x, y, static_cast<TColor>(c.PixelRGB(x, y) ^ 0xFFFFFF));
  }
  c.RestoreDC(saved);
}

}  // namespace tavrel
