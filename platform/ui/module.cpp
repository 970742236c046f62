#include "platform/ui/module.h"

#include <cstdio>
#include <limits>

#include "platform/chart/chart.h"
#include "platform/ui/colors.h"
#include "platform/ui/combobox.h"
#include "platform/ui/font.h"
#include "platform/ui/forms.h"
#include "platform/ui/imagelist.h"
#include "platform/ui/panel.h"
#include "platform/ui/stdctrls.h"
#include "platform/ui/systemicons.h"
#include "platform/ui/timer.h"

namespace tavrel {

namespace {
const ClassInfo* const* UiClasses() {
  static const ClassInfo* const classes[] = {&TLabel::Class(),   &TEdit::Class(),          &TComboBox::Class(),
                                             &TListBox::Class(), &TButton::Class(),        &TPanel::Class(),
                                             &TForm::Class(),    &TCustomControl::Class(), &TImageList::Class(),
                                             &TTimer::Class(),   &TChart::Class(),         &TBarSeries::Class(),
                                             &TFastLineSeries::Class(), nullptr};
  return classes;
}

bool ColorIdentToInt(const std::string& ident, int64_t& value) {
  TColor c = 0;
  if (!IdentToColor(ident, c)) return false;
  value = c;
  return true;
}

bool ColorIntToIdent(int64_t value, std::string& ident) {
  if (value < std::numeric_limits<TColor>::min() || value > std::numeric_limits<TColor>::max()) return false;
  return ColorToIdent(static_cast<TColor>(value), ident);
}
}  // namespace

std::vector<ModuleStep> UiModuleSteps() {
  return {{"ui classes",
           [] {
             for (auto c = UiClasses(); *c; ++c) RegisterClass(**c);
           },
           [] {
             for (auto c = UiClasses(); *c; ++c) UnRegisterClass(**c);
           }},
          {"font families",
           [] {
             const std::string problems = CheckFontFamilies();
             if (!problems.empty()) std::fprintf(stderr, "%s", problems.c_str());
           },
           {}},
          {"colour names", [] { RegisterIntegerConsts("TColor", ColorIdentToInt, ColorIntToIdent); },
           [] { UnRegisterIntegerConsts("TColor"); }},
          // Loaded on first use; its pictures go with the window layer.
          {"system image list", {}, ClearSystemImageList}};
}

}  // namespace tavrel
