#include "controls/AdvLabel.h"

namespace tavrel {

namespace {
const std::vector<std::string> kPositionNames = {
    "lpLeftTop",        "lpLeftCenter",     "lpLeftBottom", "lpTopLeft",      "lpBottomLeft",
    "lpLeftTopLeft",    "lpLeftCenterLeft", "lpLeftBottomLeft", "lpTopCenter", "lpBottomCenter",
    "lpRightTop",       "lpRightCenter",    "lpRighBottom"};
}  // namespace

const EnumInfo& LabelPositionInfo() {
  static const EnumInfo info{"TLabelPosition", kPositionNames};
  return info;
}

const EnumInfo& SpinLabelPositionInfo() {
  static const EnumInfo info{"TLabelPosition",
                              std::vector<std::string>(kPositionNames.begin(), kPositionNames.begin() + 10)};
  return info;
}

TPoint LabelPlace(TLabelPosition position, const TRect& control, TSize label, int captionWidth, int margin) {
  const int l = control.Left, t = control.Top, w = control.Width(), h = control.Height();
  const int beside = l - captionWidth - margin;  // left of the control, ending at the margin
  const int middle = t + (h - label.cy) / 2, bottom = t + h - label.cy;
  const int above = t - label.cy - margin, below = t + h + margin;
  const int centred = l + (w - label.cx) / 2, right = l + w + margin;
  switch (position) {
    case lpLeftTop: return {beside, t};
    case lpLeftCenter: return {beside, middle};
    case lpLeftBottom: return {beside, bottom};
    case lpTopLeft: return {l, above};
    case lpBottomLeft: return {l, below};
    case lpLeftTopLeft: return {l - margin, t};
    case lpLeftCenterLeft: return {l - margin, middle};
    case lpLeftBottomLeft: return {l - margin, bottom};
    case lpTopCenter: return {centred, above};
    case lpBottomCenter: return {centred, below};
    case lpRightTop: return {right, t};
    case lpRightCenter: return {right, middle};
    case lpRighBottom: return {right, bottom};
  }
  return {l, t};
}

TControlLabel::TControlLabel(TControl& control) : control_(control) {
  font_.OnChange = [this] { Place(); };
}

std::string TControlLabel::Caption() const { return label_ ? label_->Caption() : std::string(); }

void TControlLabel::SetCaption(const std::string& v) {
  if (!label_) {
    label_ = TComponent::Create<TLabel>(&control_);
    label_->SetParent(control_.Parent());
    if (auto* w = dynamic_cast<TWinControl*>(&control_)) label_->SetFocusControl(w);
    label_->Font().Assign(font_);
    label_->SetParentFont(control_.ParentFont());
  }
  label_->SetCaption(v);
  Place();
}

void TControlLabel::SetPosition(TLabelPosition v) {
  position_ = v;
  Place();
}

void TControlLabel::SetMargin(int v) {
  margin_ = v;
  Place();
}

void TControlLabel::SetTransparent(bool v) {
  transparent_ = v;
  Place();
}

void TControlLabel::SetAlwaysEnabled(bool v) {
  always_enabled_ = v;
  if (v && label_) label_->SetEnabled(true);
  Place();
}

void TControlLabel::Place() {
  if (!label_) return;
  label_->SetTransparent(transparent_);
  if (control_.ParentFont()) label_->Font().Assign(control_.Font());
  else label_->Font().Assign(font_);
  const int captionWidth = FontTextWidth(label_->Font(), label_->Caption());
  const TPoint at = LabelPlace(position_, control_.BoundsRect(), {label_->Width(), label_->Height()},
                               captionWidth, margin_);
  label_->SetBounds(at.X, at.Y, label_->Width(), label_->Height());
  label_->SetVisible(control_.Visible());
}

void TControlLabel::FollowEnabled() {
  if (label_ && !always_enabled_) label_->SetEnabled(control_.Enabled());
}

void TControlLabel::FollowParent() {
  if (label_) label_->SetParent(control_.Parent());
  Place();
}

void TControlLabel::SetBold(bool bold) {
  if (!label_) return;
  const TFontStyles s = label_->Font().Style();
  label_->Font().SetStyle(bold ? s | fsBold : s & ~fsBold);
}

}  // namespace tavrel
