#pragma once
// The optional theme library, bound at run time. Each group of controls
// owns one binding (check box: BtnXPVS, combo box: ACXPVS, spin buttons:
// ASXPVS) with its own bound flag and entry-point set; a binding looks the
// 45 entry points up in a fixed order and binds whatever is there.
// Callers ask the binding, never the library: an unbound library or a
// missing entry point means "no theme in use", never a failed start-up.
//
//   ThemeBinding& t = BtnXPVS();
//   if (t.IsThemeActive()) {                   // false on Linux: the stand-in has no theme
//     ThemeHandle h = t.OpenThemeData(nullptr, "button");
//     t.DrawThemeBackground(h, canvas, 3, state, r, nullptr);
//     t.CloseThemeData(h);
//   }
//
// The library itself is a ThemeLibrary; the default loader gives the
// stand-in, tests hand a binding their own loader (absent library, missing
// entry points, an active theme that records calls).
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/modules.h"
#include "platform/ui/canvas.h"

namespace tavrel {

using ThemeHandle = intptr_t;  // 0: no theme data

constexpr int ThemeEntryPointCount = 45;
// Entry point names in lookup order (OpenThemeData = 0 .. EnableTheming = 44).
const std::array<const char*, ThemeEntryPointCount>& ThemeEntryPointNames();
enum ThemeEntry {
  teOpenThemeData = 0,
  teCloseThemeData = 1,
  teDrawThemeBackground = 2,
  teIsThemeActive = 34,
  teGetCurrentThemeName = 41,
};

// Version facts the controls decide their box style by: the platform
// reports version 5.1 with common controls 6, so they ask whether a theme
// is active (and the stand-in answers no).
constexpr int PlatformMajorVersion = 5;
constexpr int PlatformMinorVersion = 1;
constexpr int CommonControlsMajorVersion = 6;

// What a theme library offers. Only the entry points the controls call
// have behaviour; the others exist only to be present or absent.
class ThemeLibrary {
 public:
  virtual ~ThemeLibrary() = default;
  virtual bool HasEntryPoint(int index) const = 0;
  virtual bool IsThemeActive() = 0;
  virtual ThemeHandle OpenThemeData(const void* window, const std::string& classList) = 0;
  virtual int CloseThemeData(ThemeHandle theme) = 0;  // 0 on success
  virtual int DrawThemeBackground(ThemeHandle theme, TCanvas& canvas, int part, int state,
                                  const TRect& rect, const TRect* clip) = 0;
  // The current theme's colour scheme name ("NormalColor", "HomeStead", ...);
  // nothing when the query fails.
  virtual std::optional<std::string> CurrentThemeName() = 0;
};

// Our stand-in: every entry point present, no theme active, no theme name.
class StandInThemeLibrary : public ThemeLibrary {
 public:
  bool HasEntryPoint(int index) const override;
  bool IsThemeActive() override { return false; }
  ThemeHandle OpenThemeData(const void*, const std::string&) override { return 0; }
  int CloseThemeData(ThemeHandle) override { return 0; }
  int DrawThemeBackground(ThemeHandle, TCanvas&, int, int, const TRect&, const TRect*) override {
    return -1;
  }
  std::optional<std::string> CurrentThemeName() override { return std::nullopt; }
};

// Loads the library: null when it is absent. Copies share one library.
using ThemeLoader = std::function<std::shared_ptr<ThemeLibrary>()>;
ThemeLoader StandInThemeLoader();

class ThemeBinding {
 public:
  // `name` and `firstLine` make the assertion text of a missing entry point.
  ThemeBinding(std::string name, int firstLine, ThemeLoader loader = StandInThemeLoader());

  void Bind();    // once; a second call returns at once
  void Unbind();  // frees the library when bound
  // The loader the next Bind uses: tests stand a library of their own in
  // for one of the three bindings (unbind, set, bind).
  void SetLoader(ThemeLoader loader) { loader_ = std::move(loader); }
  bool Bound() const { return library_ != nullptr; }
  bool Has(int index) const { return Bound() && present_[index]; }
  const std::string& Name() const { return name_; }

  // "Echec de l'assertion (<name>, ligne <firstLine + 3·index>)": what the
  // original start-up raised for a missing entry point. Kept as text only;
  // binding carries on with the entry points that are there.
  std::string AssertionText(int index) const;
  // Assertion texts of the entry points missing at the last Bind.
  const std::vector<std::string>& Missing() const { return missing_; }

  // Calls through the binding; an unbound library or a missing entry
  // point answers as "no theme".
  bool IsThemeActive();
  ThemeHandle OpenThemeData(const void* window, const std::string& classList);
  int CloseThemeData(ThemeHandle theme);
  int DrawThemeBackground(ThemeHandle theme, TCanvas& canvas, int part, int state,
                          const TRect& rect, const TRect* clip);
  // Colour scheme query of the tool panels: a failure counts as scheme 0's "no name".
  std::optional<std::string> CurrentThemeName();

 private:
  std::string name_;
  int first_line_;
  ThemeLoader loader_;
  std::shared_ptr<ThemeLibrary> library_;
  std::array<bool, ThemeEntryPointCount> present_{};
  std::vector<std::string> missing_;
};

// The three bindings, made on first use.
ThemeBinding& BtnXPVS();
ThemeBinding& ACXPVS();
ThemeBinding& ASXPVS();

// Start-up steps binding the three copies; a start-up counter per copy
// makes nested runs bind once and unbind at the matching last exit.
std::vector<ModuleStep> ThemeModuleSteps();

}  // namespace tavrel
