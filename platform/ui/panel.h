#pragma once
// TPanel: a container with 3-D bevels and a caption. Children aligned in it
// (alTop, alClient, ...) fill the area inside the border and the bevels:
// BorderWidth plus BevelWidth for each bevel that is not bvNone.
//
//   auto* bottom = TComponent::Create<TPanel>(form);
//   bottom->SetParent(form);
//   bottom->SetAlign(alBottom);
//   bottom->SetHeight(41);
//   bottom->SetBevelOuter(bvNone);
#include "platform/ui/controls.h"

namespace tavrel {

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };

class TCustomPanel : public TCustomControl {
  TAVREL_CLASS_INFO
 public:
  explicit TCustomPanel(TComponent* owner);

  TPanelBevel BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TPanelBevel v);
  TPanelBevel BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TPanelBevel v);
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int v);
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);

  void AdjustClientRect(TRect& r) const override;
  void WndProc(TMessage& m) override;

 protected:
  void Paint() override;

 private:
  void Changed();
  TPanelBevel bevel_inner_ = bvNone;
  TPanelBevel bevel_outer_ = bvRaised;
  int bevel_width_ = 1;
  int border_width_ = 0;
  TAlignment alignment_ = taCenter;
};

class TPanel : public TCustomPanel {
  TAVREL_CLASS_INFO
 public:
  using TCustomPanel::TCustomPanel;
};

}  // namespace tavrel
