#include <gtest/gtest.h>

#include <set>

#include "platform/tests/ui_test_support.h"
#include "platform/theme.h"

namespace tavrel {
namespace {

// A theme library that can lack entry points, be active, and records
// what the controls ask of it.
class RecordingTheme : public ThemeLibrary {
 public:
  std::set<int> missing;
  bool active = false;
  std::vector<std::string> calls;

  bool HasEntryPoint(int index) const override { return !missing.count(index); }
  bool IsThemeActive() override {
    calls.push_back("IsThemeActive");
    return active;
  }
  ThemeHandle OpenThemeData(const void*, const std::string& cls) override {
    calls.push_back("Open " + cls);
    return 7;
  }
  int CloseThemeData(ThemeHandle h) override {
    calls.push_back("Close " + std::to_string(h));
    return 0;
  }
  int DrawThemeBackground(ThemeHandle h, TCanvas&, int part, int state, const TRect&,
                          const TRect*) override {
    calls.push_back("Draw " + std::to_string(h) + " " + std::to_string(part) + " " +
                    std::to_string(state));
    return 0;
  }
  std::optional<std::string> CurrentThemeName() override {
    calls.push_back("Name");
    return active ? std::optional<std::string>("Luna") : std::nullopt;
  }
};

struct Loader {
  std::shared_ptr<RecordingTheme> lib = std::make_shared<RecordingTheme>();
  int loads = 0;
  bool absent = false;
  ThemeLoader get() {
    return [this]() -> std::shared_ptr<ThemeLibrary> {
      ++loads;
      if (absent) return nullptr;
      return lib;
    };
  }
};

TEST(UiTheme, BindingTwiceLoadsOnceAndUnbindingUnboundDoesNothing) {
  Loader l;
  ThemeBinding b("BtnXPVS", 1532, l.get());
  b.Unbind();
  EXPECT_FALSE(b.Bound());
  b.Bind();
  b.Bind();
  EXPECT_EQ(l.loads, 1);
  EXPECT_TRUE(b.Bound());
  EXPECT_EQ(l.lib.use_count(), 2);
  b.Unbind();
  EXPECT_FALSE(b.Bound());
  EXPECT_EQ(l.lib.use_count(), 1) << "library freed";
  b.Unbind();
  EXPECT_FALSE(b.Has(teOpenThemeData));
}

TEST(UiTheme, AbsentLibraryMeansNoThemeAndNoCalls) {
  Loader l;
  l.absent = true;
  ThemeBinding b("BtnXPVS", 1532, l.get());
  b.Bind();
  EXPECT_FALSE(b.Bound());
  for (int i = 0; i < ThemeEntryPointCount; ++i) EXPECT_FALSE(b.Has(i));
  TBitmap bmp = test::WhiteBitmap(2, 2);
  EXPECT_FALSE(b.IsThemeActive());
  EXPECT_EQ(b.OpenThemeData(nullptr, "button"), 0);
  EXPECT_NE(b.DrawThemeBackground(7, bmp.Canvas(), 3, 1, Rect(0, 0, 2, 2), nullptr), 0);
  EXPECT_FALSE(b.CurrentThemeName());
  EXPECT_TRUE(l.lib->calls.empty());
}

TEST(UiTheme, MissingEntryPointIsReportedAndTheRestIsBound) {
  struct Case {
    const char* module;
    int firstLine;
    int index;
    const char* text;
  } cases[] = {
      {"BtnXPVS", 1532, 3, "Echec de l'assertion (BtnXPVS, ligne 1541)"},
      {"ACXPVS", 1537, 3, "Echec de l'assertion (ACXPVS, ligne 1546)"},
      {"ASXPVS", 1537, 0, "Echec de l'assertion (ASXPVS, ligne 1537)"},
      {"BtnXPVS", 1532, 44, "Echec de l'assertion (BtnXPVS, ligne 1664)"},
  };
  for (const Case& c : cases) {
    Loader l;
    l.lib->missing = {c.index};
    ThemeBinding b(c.module, c.firstLine, l.get());
    b.Bind();
    EXPECT_TRUE(b.Bound()) << "start-up carries on";
    ASSERT_EQ(b.Missing().size(), 1u);
    EXPECT_EQ(b.Missing()[0], c.text);
    for (int i = 0; i < ThemeEntryPointCount; ++i) EXPECT_EQ(b.Has(i), i != c.index) << i;
  }
}

TEST(UiTheme, AMissingUsedEntryPointMeansUnthemed) {
  for (int gone : {int(teIsThemeActive), int(teOpenThemeData), int(teDrawThemeBackground)}) {
    Loader l;
    l.lib->active = true;
    l.lib->missing = {gone};
    ThemeBinding b("BtnXPVS", 1532, l.get());
    b.Bind();
    TBitmap bmp = test::WhiteBitmap(2, 2);
    bool drew = false;
    if (b.IsThemeActive()) {
      const ThemeHandle h = b.OpenThemeData(nullptr, "button");
      drew = b.DrawThemeBackground(h, bmp.Canvas(), 3, 1, Rect(0, 0, 2, 2), nullptr) == 0;
      b.CloseThemeData(h);
    }
    EXPECT_FALSE(drew) << ThemeEntryPointNames()[gone];
  }
}

TEST(UiTheme, ActiveThemeRecordsClassPartAndState) {
  Loader l;
  l.lib->active = true;
  ThemeBinding b("ACXPVS", 1537, l.get());
  b.Bind();
  TBitmap bmp = test::WhiteBitmap(2, 2);
  ASSERT_TRUE(b.IsThemeActive());
  const ThemeHandle h = b.OpenThemeData(nullptr, "combobox");
  EXPECT_EQ(b.DrawThemeBackground(h, bmp.Canvas(), 1, 4, Rect(0, 0, 2, 2), nullptr), 0);
  b.CloseThemeData(h);
  EXPECT_EQ(b.CurrentThemeName(), "Luna");
  const std::vector<std::string> want = {"IsThemeActive", "Open combobox", "Draw 7 1 4",
                                         "Close 7", "Name"};
  EXPECT_EQ(l.lib->calls, want);
}

TEST(UiTheme, StandInReportsNoThemeAndTheThreeCopiesAreIndependent) {
  const std::vector<ModuleStep> steps = ThemeModuleSteps();
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_FALSE(BtnXPVS().Bound());
  {
    ModuleRun outer(steps);
    ModuleRun inner(steps);  // nested start-up binds once
    for (ThemeBinding* b : {&BtnXPVS(), &ACXPVS(), &ASXPVS()}) {
      EXPECT_TRUE(b->Bound()) << b->Name();
      EXPECT_TRUE(b->Missing().empty());
      EXPECT_FALSE(b->IsThemeActive());
      EXPECT_FALSE(b->CurrentThemeName()) << "the query fails: scheme 0";
    }
    ACXPVS().Unbind();
    EXPECT_FALSE(ACXPVS().Bound());
    EXPECT_TRUE(BtnXPVS().Bound());
    EXPECT_TRUE(ASXPVS().Bound());
  }
  EXPECT_FALSE(BtnXPVS().Bound()) << "unbound at the last exit";
  EXPECT_FALSE(ASXPVS().Bound());
  EXPECT_TRUE(PlatformMajorVersion > 5 || (PlatformMajorVersion == 5 && PlatformMinorVersion >= 1));
}

}  // namespace
}  // namespace tavrel
