#include "platform/ui/stdctrls.h"

#include <algorithm>

#include "platform/ui/drawtext.h"
#include "platform/ui/edges.h"
#include "platform/ui/forms.h"
#include "platform/ui/utf8.h"

namespace tavrel {

// ---- TLabel ----------------------------------------------------------------

const EnumInfo& TextLayoutInfo() {
  static const EnumInfo info{"TTextLayout", {"tlTop", "tlCenter", "tlBottom"}};
  return info;
}

const ClassInfo& TLabel::Class() {
  static const ClassInfo ci = ClassBuilder<TLabel>("TLabel", TGraphicControl::Class())
                                  .prop("Alignment", &TLabel::Alignment, &TLabel::SetAlignment)
                                  .enumType(AlignmentInfo())
                                  .defaultValue(int64_t{taLeftJustify})
                                  .prop("Layout", &TLabel::Layout, &TLabel::SetLayout)
                                  .enumType(TextLayoutInfo())
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
      if (focus_control_ && show_accel_ && Enabled() && IsAccel(static_cast<char32_t>(m.WParam), Caption()) &&
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

}  // namespace tavrel
