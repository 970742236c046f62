#include "controls/modules.h"

#include <span>

#include "controls/AdvCombo.h"
#include "controls/AdvSpin.h"
#include "controls/PictureContainer.h"
#include "controls/ToolPanelTab.h"
#include "controls/ToolPanels.h"
#include "controls/VrControls.h"
#include "controls/VrLabel.h"
#include "controls/htmlbtns.h"
#include "platform/classinfo.h"
#include "platform/ui/forms.h"
#include "platform/ui/resources.h"

namespace tavrel {

namespace {

std::span<const ClassInfo* const> ControlClasses() {
  static const ClassInfo* const classes[] = {&TVrLabel::Class(),         &TAdvToolPanel::Class(), &TAdvToolPanelTab::Class(),
                                             &TAdvComboBox::Class(),     &TAdvSpinEdit::Class(),  &THTMLCheckBox::Class(),
                                             &TAdvSpinButton::Class(),   &TPictureContainer::Class()};
  return classes;
}

}  // namespace

std::vector<ModuleStep> ControlsModules() {
  return {{"controls resources", [] { HInstance().Register(ControlsResources()); },
           [] { HInstance().Unregister(ControlsResources()); }},
          {"controls cursor", [] { TScreen::SetCursors(crVrHandPoint, LoadCursor(HInstance(), "VRCURSORHANDPOINT")); },
           [] { TScreen::SetCursors(crVrHandPoint, crDefault); }},
          {"controls classes",
           [] {
             for (const ClassInfo* ci : ControlClasses()) RegisterClass(*ci);
           },
           [] {
             for (const ClassInfo* ci : ControlClasses()) UnRegisterClass(*ci);
           }}};
}

}  // namespace tavrel
