#include "platform/theme.h"

#include <mutex>

namespace tavrel {

const std::array<const char*, ThemeEntryPointCount>& ThemeEntryPointNames() {
  static const std::array<const char*, ThemeEntryPointCount> kNames = {
      "OpenThemeData", "CloseThemeData", "DrawThemeBackground", "DrawThemeText",
      "GetThemeBackgroundContentRect", "GetThemeBackgroundExtent", "GetThemeTextExtent",
      "GetThemeTextMetrics", "GetThemeBackgroundRegion", "HitTestThemeBackground",
      "DrawThemeEdge", "DrawThemeIcon", "IsThemePartDefined",
      "IsThemeBackgroundPartiallyTransparent", "GetThemeColor", "GetThemeMetric",
      "GetThemeString", "GetThemeBool", "GetThemeInt", "GetThemeEnumValue", "GetThemePosition",
      "GetThemeFont", "GetThemeRect", "GetThemeMargins", "GetThemeIntList", "SetWindowTheme",
      "GetThemeFilename", "GetThemeSysColor", "GetThemeSysColorBrush", "GetThemeSysBool",
      "GetThemeSysSize", "GetThemeSysFont", "GetThemeSysString", "GetThemeSysInt",
      "IsThemeActive", "IsAppThemed", "GetWindowTheme", "EnableThemeDialogTexture",
      "IsThemeDialogTextureEnabled", "GetThemeAppProperties", "SetThemeAppProperties",
      "GetCurrentThemeName", "GetThemeDocumentationProperty", "DrawThemeParentBackground",
      "EnableTheming"};
  return kNames;
}

bool StandInThemeLibrary::HasEntryPoint(int index) const {
  return index >= 0 && index < ThemeEntryPointCount;
}

ThemeLoader StandInThemeLoader() {
  // One stand-in shared by the copies, freed when the last copy lets go.
  auto shared = std::make_shared<std::weak_ptr<ThemeLibrary>>();
  auto lock = std::make_shared<std::mutex>();
  return [shared, lock]() -> std::shared_ptr<ThemeLibrary> {
    std::lock_guard<std::mutex> hold(*lock);
    if (auto lib = shared->lock()) return lib;
    auto lib = std::make_shared<StandInThemeLibrary>();
    *shared = lib;
    return lib;
  };
}

ThemeBinding::ThemeBinding(std::string name, int firstLine, ThemeLoader loader)
    : name_(std::move(name)), first_line_(firstLine), loader_(std::move(loader)) {}

std::string ThemeBinding::AssertionText(int index) const {
  return "Echec de l'assertion (" + name_ + ", ligne " + std::to_string(first_line_ + 3 * index) +
         ")";
}

void ThemeBinding::Bind() {
  if (Bound()) return;
  missing_.clear();
  present_.fill(false);
  std::shared_ptr<ThemeLibrary> lib = loader_ ? loader_() : nullptr;
  if (!lib) return;  // absent: every entry point stays unbound
  for (int i = 0; i < ThemeEntryPointCount; ++i) {
    present_[i] = lib->HasEntryPoint(i);
    if (!present_[i]) missing_.push_back(AssertionText(i));
  }
  library_ = std::move(lib);
}

void ThemeBinding::Unbind() {
  library_.reset();  // entry points stay recorded, but Has() needs a bound library
}

bool ThemeBinding::IsThemeActive() { return Has(teIsThemeActive) && library_->IsThemeActive(); }

ThemeHandle ThemeBinding::OpenThemeData(const void* window, const std::string& classList) {
  return Has(teOpenThemeData) ? library_->OpenThemeData(window, classList) : 0;
}

int ThemeBinding::CloseThemeData(ThemeHandle theme) {
  return Has(teCloseThemeData) ? library_->CloseThemeData(theme) : -1;
}

int ThemeBinding::DrawThemeBackground(ThemeHandle theme, TCanvas& canvas, int part, int state,
                                      const TRect& rect, const TRect* clip) {
  if (!Has(teDrawThemeBackground) || theme == 0) return -1;
  return library_->DrawThemeBackground(theme, canvas, part, state, rect, clip);
}

std::optional<std::string> ThemeBinding::CurrentThemeName() {
  return Has(teGetCurrentThemeName) ? library_->CurrentThemeName() : std::nullopt;
}

namespace {
// Lines of the first entry point in each copy's assertion text.
constexpr int kBtnFirstLine = 1532;
constexpr int kOtherFirstLine = 1537;

struct Counted {
  ThemeBinding binding;
  int starts = 0;
};
Counted& Btn() {
  static Counted c{ThemeBinding("BtnXPVS", kBtnFirstLine)};
  return c;
}
Counted& Ac() {
  static Counted c{ThemeBinding("ACXPVS", kOtherFirstLine)};
  return c;
}
Counted& As() {
  static Counted c{ThemeBinding("ASXPVS", kOtherFirstLine)};
  return c;
}
ModuleStep StepFor(Counted& (*copy)()) {
  return {copy().binding.Name(),
          [copy] {
            if (copy().starts++ == 0) copy().binding.Bind();
          },
          [copy] {
            if (copy().starts > 0 && --copy().starts == 0) copy().binding.Unbind();
          }};
}
}  // namespace

ThemeBinding& BtnXPVS() { return Btn().binding; }
ThemeBinding& ACXPVS() { return Ac().binding; }
ThemeBinding& ASXPVS() { return As().binding; }

std::vector<ModuleStep> ThemeModuleSteps() { return {StepFor(Btn), StepFor(Ac), StepFor(As)}; }

}  // namespace tavrel
