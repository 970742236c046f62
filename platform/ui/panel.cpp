#include "platform/ui/panel.h"

#include <algorithm>

#include "platform/ui/drawtext.h"
#include "platform/ui/edges.h"

namespace tavrel {

namespace {
const EnumInfo kBevelInfo{"TPanelBevel", {"bvNone", "bvLowered", "bvRaised", "bvSpace"}};

TPanelBevel Checked(TPanelBevel v) { return v >= bvNone && v <= bvSpace ? v : bvNone; }
}  // namespace

const ClassInfo& TCustomPanel::Class() {
  static const ClassInfo ci =
      ClassBuilder<TCustomPanel>("TCustomPanel", TCustomControl::Class())
          .prop("Alignment", &TCustomPanel::Alignment, &TCustomPanel::SetAlignment)
          .enumType(AlignmentInfo())
          .defaultValue(int64_t{taCenter})
          .prop("BevelInner", &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner)
          .enumType(kBevelInfo)
          .defaultValue(int64_t{bvNone})
          .prop("BevelOuter", &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter)
          .enumType(kBevelInfo)
          .defaultValue(int64_t{bvRaised})
          .prop("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth)
          .defaultValue(int64_t{1})
          .prop("BorderWidth", &TCustomPanel::BorderWidth, &TCustomPanel::SetBorderWidth)
          .defaultValue(int64_t{0})
          .build();
  return ci;
}

const ClassInfo& TPanel::Class() {
  static const ClassInfo ci = ClassBuilder<TPanel>("TPanel", TCustomPanel::Class()).build();
  return ci;
}

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  style_ |= csAcceptsControls | csOpaque | csReplicatable;
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TCustomPanel::Changed() {
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelInner(TPanelBevel v) {
  v = Checked(v);
  if (v == bevel_inner_) return;
  bevel_inner_ = v;
  Changed();
}

void TCustomPanel::SetBevelOuter(TPanelBevel v) {
  v = Checked(v);
  if (v == bevel_outer_) return;
  bevel_outer_ = v;
  Changed();
}

void TCustomPanel::SetBevelWidth(int v) {
  v = std::max(v, 1);
  if (v == bevel_width_) return;
  bevel_width_ = v;
  Changed();
}

void TCustomPanel::SetBorderWidth(int v) {
  v = std::max(v, 0);
  if (v == border_width_) return;
  border_width_ = v;
  Changed();
}

void TCustomPanel::SetAlignment(TAlignment v) {
  if (v != taLeftJustify && v != taRightJustify) v = taCenter;
  if (v == alignment_) return;
  alignment_ = v;
  Invalidate();
}

void TCustomPanel::AdjustClientRect(TRect& r) const {
  int inset = border_width_;
  if (bevel_outer_ != bvNone) inset += bevel_width_;
  if (bevel_inner_ != bvNone) inset += bevel_width_;
  r = InflateRect(r, -inset, -inset);
}

void TCustomPanel::WndProc(TMessage& m) {
  if (m.Msg == CM_TEXTCHANGED) Invalidate();
  TCustomControl::WndProc(m);
}

void TCustomPanel::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  auto bevel = [&](TPanelBevel b) {
    if (b == bvNone) return;
    const TColor light = b == bvLowered ? clBtnShadow : b == bvRaised ? clBtnHighlight : Color();
    const TColor dark = b == bvLowered ? clBtnHighlight : b == bvRaised ? clBtnShadow : Color();
    Frame3D(c, r, light, dark, bevel_width_);
  };
  bevel(bevel_outer_);
  Frame3D(c, r, Color(), Color(), border_width_);
  bevel(bevel_inner_);
  c.Brush().SetStyle(TBrushStyle::bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(r);
  if (Caption().empty()) return;
  c.Font().Assign(Font());
  if (!EnabledInChain()) c.Font().SetColor(clGrayText);
  c.Brush().SetStyle(TBrushStyle::bsClear);
  const uint32_t align = alignment_ == taLeftJustify ? DT_LEFT : alignment_ == taRightJustify ? DT_RIGHT : DT_CENTER;
  DrawText(c, Caption(), r, DT_EXPANDTABS | DT_SINGLELINE | DT_VCENTER | align);
}

}  // namespace tavrel
