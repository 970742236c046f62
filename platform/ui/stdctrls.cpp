#include "platform/ui/stdctrls.h"

#include <algorithm>

#include "platform/ui/drawtext.h"
#include "platform/ui/edges.h"
#include "platform/ui/forms.h"
#include "platform/ui/utf8.h"

namespace tavrel {

// ---- TLabel ----------------------------------------------------------------

namespace {
const EnumInfo kAlignmentInfo{"TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}};
const EnumInfo kLayoutInfo{"TTextLayout", {"tlTop", "tlCenter", "tlBottom"}};

// The accelerator of a caption: the character after a single "&", lower case.
char32_t Accelerator(const std::string& s) {
  for (size_t i = 0; i + 1 < s.size(); ++i) {
    if (s[i] != '&') continue;
    if (s[i + 1] == '&') {
      ++i;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(s[i + 1]);
    return c < 0x80 ? static_cast<char32_t>(std::tolower(c)) : c;
  }
  return 0;
}
}  // namespace

const ClassInfo& TLabel::Class() {
  static const ClassInfo ci = ClassBuilder<TLabel>("TLabel", TGraphicControl::Class())
                                  .prop("Alignment", &TLabel::Alignment, &TLabel::SetAlignment)
                                  .enumType(kAlignmentInfo)
                                  .defaultValue(int64_t{taLeftJustify})
                                  .prop("Layout", &TLabel::Layout, &TLabel::SetLayout)
                                  .enumType(kLayoutInfo)
                                  .defaultValue(int64_t{tlTop})
                                  .prop("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap)
                                  .defaultValue(false)
                                  .prop("Transparent", &TLabel::Transparent, &TLabel::SetTransparent)
                                  .defaultValue(false)
                                  .prop("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar)
                                  .defaultValue(true)
                                  .prop("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize)
                                  .defaultValue(true)
                                  .build();
  return ci;
}

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  style_ |= csReplicatable;
  SetBounds(0, 0, 65, 17);
  SetParentColor(true);
  SetAutoSize(true);
}

uint32_t TLabel::TextFlags() const {
  uint32_t f = DT_EXPANDTABS;
  if (word_wrap_) f |= DT_WORDBREAK;
  if (!show_accel_) f |= DT_NOPREFIX;
  if (alignment_ == taCenter) f |= DT_CENTER;
  else if (alignment_ == taRightJustify) f |= DT_RIGHT;
  return f;
}

bool TLabel::CanAutoSize(int& w, int& h) {
  TCanvas measure;
  measure.Font().Assign(Font());
  TRect r = Rect(0, 0, word_wrap_ ? Width() : 0, 0);
  const std::string text = Caption().empty() ? " " : Caption();
  DrawText(measure, text, r, TextFlags() | DT_CALCRECT);
  if (!word_wrap_) w = r.Width();
  h = r.Height();
  return true;
}

void TLabel::Paint() {
  TCanvas& c = Canvas();
  c.Font().Assign(Font());
  if (!transparent_) {
    c.Brush().SetColor(Color());
    c.Brush().SetStyle(TBrushStyle::bsSolid);
    c.FillRect(ClientRect());
  }
  c.Brush().SetStyle(TBrushStyle::bsClear);
  const uint32_t flags = TextFlags();
  TRect r = ClientRect();
  if (layout_ != tlTop) {
    TRect calc = r;
    DrawText(c, Caption(), calc, flags | DT_CALCRECT);
    const int off = layout_ == tlCenter ? (r.Height() - calc.Height()) / 2 : r.Height() - calc.Height();
    r = OffsetRect(r, 0, off);
  }
  if (!EnabledInChain()) {
    c.Font().SetColor(clBtnHighlight);
    TRect shadow = OffsetRect(r, 1, 1);
    DrawText(c, Caption(), shadow, flags);
    c.Font().SetColor(clBtnShadow);
  }
  DrawText(c, Caption(), r, flags);
}

void TLabel::SetAlignment(TAlignment v) {
  if (v == alignment_) return;
  alignment_ = v;
  Invalidate();
}
void TLabel::SetLayout(TTextLayout v) {
  if (v == layout_) return;
  layout_ = v;
  Invalidate();
}
void TLabel::SetWordWrap(bool v) {
  if (v == word_wrap_) return;
  word_wrap_ = v;
  AdjustSize();
  Invalidate();
}
void TLabel::SetTransparent(bool v) {
  if (v == transparent_) return;
  transparent_ = v;
  if (v) style_ &= ~csOpaque;
  else style_ |= csOpaque;
  Invalidate();
}
void TLabel::SetShowAccelChar(bool v) {
  if (v == show_accel_) return;
  show_accel_ = v;
  AdjustSize();
  Invalidate();
}
void TLabel::SetFocusControl(TWinControl* c) {
  if (focus_control_) focus_control_->RemoveFreeNotification(this);
  focus_control_ = c;
  if (c) c->FreeNotification(this);
}
void TLabel::Notification(TComponent* c, TOperation op) {
  TGraphicControl::Notification(c, op);
  if (op == TOperation::opRemove && c == focus_control_) focus_control_ = nullptr;
}

void TLabel::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_TEXTCHANGED:
      AdjustSize();
      Invalidate();
      return;
    case CM_DIALOGCHAR: {
      const char32_t key = m.WParam < 0x80 ? static_cast<char32_t>(std::tolower(static_cast<int>(m.WParam)))
                                           : static_cast<char32_t>(m.WParam);
      if (focus_control_ && show_accel_ && Enabled() && key != 0 && key == Accelerator(Caption()) &&
          focus_control_->CanFocus()) {
        focus_control_->SetFocus();
        m.Result = 1;
      }
      return;
    }
    default:
      TGraphicControl::WndProc(m);
  }
}

// ---- TEdit -----------------------------------------------------------------

const ClassInfo& TEdit::Class() {
  static const ClassInfo ci = ClassBuilder<TEdit>("TEdit", TCustomControl::Class())
                                  .prop("Text", static_cast<const std::string& (TEdit::*)() const>(&TEdit::Text), &TEdit::SetText)
                                  .prop("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength)
                                  .defaultValue(int64_t{0})
                                  .prop("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly)
                                  .defaultValue(false)
                                  .event("OnChange", &TEdit::OnChange)
                                  .build();
  return ci;
}

TEdit::TEdit(TComponent* owner) : TCustomControl(owner) {
  style_ = (style_ | csOpaque) & ~csSetCaption;
  SetBounds(0, 0, 121, 21);
  SetColor(clWindow);
  SetTabStop(true);
  SetCursor(crIBeam);
}

void TEdit::SetText(const std::string& v) {
  if (v == Text()) return;
  TCustomControl::SetText(v);
  caret_ = std::min<int>(caret_, static_cast<int>(Utf8Length(v)));
}

void TEdit::SetSelStart(int v) {
  caret_ = std::clamp(v, 0, static_cast<int>(Utf8Length(Text())));
  Invalidate();
}

void TEdit::Change() {
  if (OnChange) OnChange(this);
}

void TEdit::Edit(const std::string& text, int caret) {
  if (max_length_ > 0 && static_cast<int>(Utf8Length(text)) > max_length_) return;
  caret_ = caret;
  TCustomControl::SetText(text);
}

void TEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE:
      m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case CM_TEXTCHANGED:
      Invalidate();
      Change();
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
    default:
      break;
  }
  TCustomControl::WndProc(m);
}

void TEdit::KeyDown(uint16_t& key, TShiftState s) {
  TCustomControl::KeyDown(key, s);
  const int len = static_cast<int>(Utf8Length(Text()));
  switch (key) {
    case VK_LEFT: SetSelStart(caret_ - 1); break;
    case VK_RIGHT: SetSelStart(caret_ + 1); break;
    case VK_HOME: SetSelStart(0); break;
    case VK_END: SetSelStart(len); break;
    case VK_DELETE:
      if (!read_only_ && caret_ < len) {
        std::string t = Text();
        const size_t a = Utf8Offset(t, caret_), b = Utf8Offset(t, caret_ + 1);
        Edit(t.erase(a, b - a), caret_);
      }
      break;
    default: break;
  }
}

void TEdit::KeyPress(char32_t& key) {
  TCustomControl::KeyPress(key);
  if (key == 0 || read_only_) return;
  std::string t = Text();
  if (key == U'\b') {
    if (caret_ > 0) {
      const size_t a = Utf8Offset(t, caret_ - 1), b = Utf8Offset(t, caret_);
      Edit(t.erase(a, b - a), caret_ - 1);
    }
    return;
  }
  if (key < 0x20 || key == 0x7F) return;
  std::string ch;
  AppendUTF8(ch, key);
  Edit(t.insert(Utf8Offset(t, caret_), ch), caret_ + 1);
}

void TEdit::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (CanFocus() && !Focused()) SetFocus();
  // Caret to the character boundary nearest the click.
  TCanvas measure;
  measure.Font().Assign(Font());
  const std::string& t = Text();
  const int len = static_cast<int>(Utf8Length(t));
  int best = 0, bestDist = 1 << 30;
  for (int i = 0; i <= len; ++i) {
    const int px = 3 - scroll_ + measure.TextWidth(t.substr(0, Utf8Offset(t, i)));
    if (std::abs(px - x) < bestDist) bestDist = std::abs(px - x), best = i;
  }
  SetSelStart(best);
  TCustomControl::MouseDown(b, s, x, y);
}

void TEdit::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  DrawEdge(c, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  c.Brush().SetColor(EnabledInChain() ? Color() : clBtnFace);
  c.FillRect(r);
  c.Font().Assign(Font());
  if (!EnabledInChain()) c.Font().SetColor(clGrayText);
  const std::string& t = Text();
  const int caretX = c.TextWidth(t.substr(0, Utf8Offset(t, caret_)));
  const int room = std::max(r.Width() - 2, 1);
  if (caretX - scroll_ > room) scroll_ = caretX - room;
  if (caretX < scroll_) scroll_ = caretX;
  const int saved = c.SaveDC();
  c.IntersectClipRect(r);
  c.Brush().SetStyle(TBrushStyle::bsClear);
  const int y = r.Top + (r.Height() - c.TextHeight(t)) / 2;
  c.TextOut(r.Left + 1 - scroll_, y, t);
  if (Focused()) {
    c.Pen().SetColor(c.Font().Color());
    c.MoveTo(r.Left + 1 - scroll_ + caretX, y);
    c.LineTo(r.Left + 1 - scroll_ + caretX, y + c.TextHeight(t));
  }
  c.RestoreDC(saved);
}

}  // namespace tavrel
