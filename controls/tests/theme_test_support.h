#pragma once
// A theme library for the controls' themed paths: active or not, drawing
// nothing, logging what a control asks of it; and a scope that stands it
// in for one of the theme bindings.
#include <memory>
#include <string>
#include <vector>

#include "platform/theme.h"

namespace tavrel::test {

class RecordingTheme : public ThemeLibrary {
 public:
  bool active = true;
  std::vector<std::string> calls;

  bool HasEntryPoint(int) const override { return true; }
  bool IsThemeActive() override { return active; }
  ThemeHandle OpenThemeData(const void*, const std::string& cls) override {
    calls.push_back("Open " + cls);
    return 1;
  }
  int CloseThemeData(ThemeHandle) override {
    calls.push_back("Close");
    return 0;
  }
  int DrawThemeBackground(ThemeHandle, TCanvas&, int part, int state, const TRect&, const TRect*) override {
    calls.push_back("Draw " + std::to_string(part) + " " + std::to_string(state));
    return 0;
  }
  std::optional<std::string> CurrentThemeName() override { return std::nullopt; }
};

// Binds `binding` to `theme` for the scope, then to the stand-in again.
class ThemeScope {
 public:
  ThemeScope(ThemeBinding& binding, std::shared_ptr<ThemeLibrary> theme) : binding_(binding) {
    binding_.Unbind();
    binding_.SetLoader([theme] { return theme; });
    binding_.Bind();
  }
  ~ThemeScope() {
    binding_.Unbind();
    binding_.SetLoader(StandInThemeLoader());
    binding_.Bind();
  }
  ThemeScope(const ThemeScope&) = delete;
  ThemeScope& operator=(const ThemeScope&) = delete;

 private:
  ThemeBinding& binding_;
};

}  // namespace tavrel::test
