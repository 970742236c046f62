#include "platform/ui/module.h"

#include "platform/ui/combobox.h"
#include "platform/ui/forms.h"
#include "platform/ui/imagelist.h"
#include "platform/ui/stdctrls.h"

namespace tavrel {

namespace {
const ClassInfo* const* UiClasses() {
  static const ClassInfo* const classes[] = {&TLabel::Class(), &TEdit::Class(), &TComboBox::Class(), &TForm::Class(),
                                             &TCustomControl::Class(), &TImageList::Class(), nullptr};
  return classes;
}
}  // namespace

std::vector<ModuleStep> UiModuleSteps() {
  return {{"ui classes",
           [] {
             for (auto c = UiClasses(); *c; ++c) RegisterClass(**c);
           },
           [] {
             for (auto c = UiClasses(); *c; ++c) UnRegisterClass(**c);
           }}};
}

}  // namespace tavrel
