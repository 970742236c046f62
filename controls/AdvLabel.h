#pragma once
// The caption label of the combo box and the spin edit: a TLabel on the
// control's parent, made with the first caption, owned by the control and
// placed at one of 13 positions around it (the spin edit offers the first
// 10). It follows the control's parent, visibility and, unless
// AlwaysEnabled, its enabled state.
//
//   TControlLabel label(*combo);          // a member of the control
//   label.SetPosition(lpTopLeft);
//   label.SetCaption("Entrée");           // made now, placed above the control
//   combo->SetBounds(...);  label.Place();
#include <string>

#include "platform/ui/stdctrls.h"

namespace tavrel {

enum TLabelPosition {
  lpLeftTop, lpLeftCenter, lpLeftBottom, lpTopLeft, lpBottomLeft, lpLeftTopLeft, lpLeftCenterLeft,
  lpLeftBottomLeft, lpTopCenter, lpBottomCenter, lpRightTop, lpRightCenter, lpRighBottom
};
const EnumInfo& LabelPositionInfo();      // all 13, for the combo box
const EnumInfo& SpinLabelPositionInfo();  // the first 10, for the spin edit

// Top left corner of a label of size `label` beside a control occupying
// `control` (parent coordinates); `captionWidth` is the caption measured
// in the label's font. Halves round toward zero.
TPoint LabelPlace(TLabelPosition position, const TRect& control, TSize label, int captionWidth, int margin);

class TControlLabel {
 public:
  explicit TControlLabel(TControl& control);
  TControlLabel(const TControlLabel&) = delete;
  TControlLabel& operator=(const TControlLabel&) = delete;

  TLabel* Label() const { return label_; }
  // Empty without a label; writing makes the label when needed and places it.
  std::string Caption() const;
  void SetCaption(const std::string& v);
  TLabelPosition Position() const { return position_; }
  void SetPosition(TLabelPosition v);
  int Margin() const { return margin_; }
  void SetMargin(int v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  bool AlwaysEnabled() const { return always_enabled_; }
  void SetAlwaysEnabled(bool v);  // true enables the label
  // The label's own font, used unless the control takes its parent's.
  TFont& Font() { return font_; }

  // Transparency, font, place and visibility, when there is a label.
  void Place();
  // The control's enabled state, unless AlwaysEnabled.
  void FollowEnabled();
  void FollowParent();
  void SetBold(bool bold);
  // The control was told a component goes.
  void Forget(TComponent* c) {
    if (c == label_) label_ = nullptr;
  }

 private:
  TControl& control_;
  TLabel* label_ = nullptr;
  TFont font_;
  TLabelPosition position_ = lpLeftTop;
  int margin_ = 4;
  bool transparent_ = false;
  bool always_enabled_ = false;
};

}  // namespace tavrel
