#include "controls/ToolPanelStyles.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "controls/ToolPanels.h"
#include "controls/tests/controls_test_support.h"

namespace tavrel {
namespace {

// The preset tables as published, transcribed apart from the code: the
// panel's colours, its section layout's, and the tab bar's.
const char* const kPanelRows = R"(
| 0 | `esOffice2003Blue` | 214,231,255 / 82,123,198 | 251,230,148 / 238,149,21 | 0,0,0 | 89,135,214 / 3,56,147 | 255,255,255 | 255,255,220 / 247,192,91 | 232,127,8 / 247,218,124 |
| 1 | `esOffice2003Silver` | 231,231,247 / 165,165,181 | 251,230,148 / 238,149,21 | 0,0,0 | 231,231,239 / 136,136,170 | 0,0,0 | 255,255,220 / 247,192,91 | 232,127,8 / 247,218,124 |
| 2 | `esOffice2003Olive` | 239,239,222 / 165,173,132 | 251,230,148 / 238,149,21 | 0,0,0 | 231,239,198 / 181,189,148 | 0,0,0 | 255,255,220 / 247,192,91 | 232,127,8 / 247,218,124 |
| 3 | `esOffice2003Classic` | 239,231,231 / 206,206,198 | 223,223,223 / 163,167,175 | 0,0,0 | 239,239,239 / 201,201,192 | 0,0,0 | 182,189,210 / 182,189,210 | 133,146,181 / 133,146,181 |
| 4 | `esOffice2007Luna` | 227,244,255 / 200,217,237 | 255,238,187 / 255,218,120 | 8,55,114 | 227,239,255 / 175,210,255 | 8,55,114 | 255,255,220 / 247,192,91 | 232,127,8 / 247,218,124 |
| 5 | `esOffice2007Obsidian` | 230,240,241 / 181,188,198 | 255,238,187 / 255,218,120 | 0,0,0 | 240,241,242 / 189,194,201 | 55,60,67 | 255,255,220 / 247,192,91 | 232,127,8 / 247,218,124 |
| 6 | `esWindowsXP` | `clBtnFace` / `clBtnFace` | `clHighlight` / `clHighlight` | 255,255,255 | `clInactiveCaption` / `clInactiveCaption` | 255,255,255 | `clHighlight` / `clNone` | `clInactiveCaption` / `clNone` |
| 7 | `esWhidbey` | 239,238,235 / 152,152,126 | 251,230,148 / 238,149,21 | 0,0,0 | 239,238,235 / 152,152,126 | 0,0,0 | 250,249,245 / 192,192,168 | 232,127,8 / 247,218,124 |
| 9 | `esOffice2007Silver` | 222,221,222 / 243,243,247 | 255,238,187 / 255,218,120 | 8,55,114 | 246,247,248 / 219,224,232 | 0,0,0 | 255,255,220 / 247,192,91 | 232,127,8 / 247,218,124 |
| 10 | `esWindowsVista` | 241,248,253 / 213,239,252 | 214,222,228 / 189,214,227 | 0,0,0 | 241,248,253 / 213,239,252 | 0,0,0 | 249,253,255 / 240,250,255 | 241,248,253 / 213,239,252 |
| 11 | `esWindows7` | 250,251,253 / 235,243,253 | 193,209,227 / 169,194,227 | 0,0,0 | 220,235,252 / 193,219,252 | 0,0,0 | 250,251,253 / 235,243,253 | 220,235,252 / 193,219,252 |
| 12 | `esTerminal` | `clBtnFace` / `clNone` | 128,128,128 / `clNone` | 255,255,255 | 192,192,192 / `clNone` | 0,0,0 | `clBtnFace` / `clBtnFace` | 192,192,192 / 192,192,192 |
| 13 | `esOffice2010Blue` | 191,209,231 / 191,209,231 | 255,215,103 / 255,231,162 | 21,66,139 | 227,239,255 / 173,209,255 | 21,66,139 | 253,249,217 / 253,227,138 | 255,238,123 / 255,208,108 |
| 14 | `esOffice2010Silver` | 203,207,212 / 203,207,212 | 255,215,103 / 255,231,162 | 21,66,139 | 246,247,248 / 217,222,230 | 21,66,139 | 253,249,217 / 253,227,138 | 255,238,123 / 255,208,108 |
| 15 | `esOffice2010Black` | 124,124,124 / 124,124,124 | 255,215,103 / 255,231,162 | 21,66,139 | 240,241,242 / 187,192,199 | 0,0,0 | 253,249,217 / 253,227,138 | 255,238,123 / 255,208,108 |)";
const char* const kSectionRows = R"(
| 0 | `esOffice2003Blue` | 198,222,247 / 99,140,214 | `gdHorizontal` | 0,41,132 | 222,239,247 / 189,214,247 | 255,255,255 | 0,57,181 |
| 1 | `esOffice2003Silver` | 206,202,222 / 173,173,189 | `gdHorizontal` | 90,90,123 | 231,231,239 / 214,214,231 | 255,255,255 | 0,57,181 |
| 2 | `esOffice2003Olive` | 210,222,173 / 165,181,123 | `gdHorizontal` | 0,41,132 | 231,231,206 / 214,222,181 | 255,255,255 | 0,57,181 |
| 3 | `esOffice2003Classic` | 231,231,231 / 222,222,222 | `gdHorizontal` | 0,0,0 | 247,247,247 / 240,239,236 | 255,255,255 | 0,0,255 |
| 4 | `esOffice2007Luna` | 183,214,253 / 118,154,200 | `gdVertical` | 0,0,0 | 222,239,247 / 189,214,247 | 175,210,255 | 0,57,181 |
| 5 | `esOffice2007Obsidian` | 182,184,184 / 109,110,110 | `gdVertical` | 255,255,255 | 223,230,230 / 206,213,215 | 76,83,92 | 0,57,181 |
| 6 | `esWindowsXP` | 255,255,255 / `cl3DLight` | `gdVertical` | 0,0,0 | `clBtnFace` / `clBtnFace` | 255,255,255 | 0,0,0 |
| 7 | `esWhidbey` | 239,238,235 / 192,192,168 | `gdVertical` | 0,0,0 | 255,255,255 / `clNone` | 255,255,255 | 0,0,0 |
| 9 | `esOffice2007Silver` | 235,238,250 / 215,219,229 | `gdVertical` | 0,0,0 | 213,220,231 / 240,250,251 | 201,202,204 | 0,57,181 |
| 10 | `esWindowsVista` | 249,253,255 / 240,250,255 | `gdVertical` | 0,0,0 | 255,255,255 / 255,255,255 | 153,222,253 | 0,0,0 |
| 11 | `esWindows7` | 250,251,253 / 235,243,253 | `gdVertical` | 0,0,0 | 250,251,253 / 235,243,253 | 125,162,206 | 0,0,0 |
| 12 | `esTerminal` | 192,192,192 / 192,192,192 | `gdVertical` | 0,0,0 | 255,255,255 / `clNone` | 0,0,0 | 0,0,0 |
| 13 | `esOffice2010Blue` | 226,238,255 / 226,238,255 | `gdVertical` | 21,66,139 | 255,255,255 / 255,255,255 | 173,209,255 | 21,66,139 |
| 14 | `esOffice2010Silver` | 232,235,240 / 232,235,240 | `gdVertical` | 21,66,139 | 255,255,255 / 255,255,255 | 197,199,199 | 21,66,139 |
| 15 | `esOffice2010Black` | 233,234,236 / 233,234,236 | `gdVertical` | 0,0,0 | 255,255,255 / 255,255,255 | 199,203,209 | 0,0,0 |)";
const char* const kBarRows = R"(
| 0 | `esOffice2003Blue` | 0,0,0 | 203,225,252 / 125,165,224 | 255,255,220 / 247,192,91 | 0,45,150 | 255,255,255 / 222,239,247 | unchanged |
| 1 | `esOffice2003Silver` | 0,0,0 | 225,226,236 / 152,150,179 | 255,255,220 / 247,192,91 | 124,124,148 | 255,255,255 / 231,231,239 | unchanged |
| 2 | `esOffice2003Olive` | 0,0,0 | 234,240,207 / 177,192,140 | 255,255,220 / 247,192,91 | 96,128,88 | 255,255,255 / 231,231,206 | unchanged |
| 3 | `esOffice2003Classic` | 0,0,0 | 255,255,255 / 213,209,201 | 182,189,210 / 182,189,210 | 128,128,128 | 255,255,255 / 240,239,236 | unchanged |
| 4 | `esOffice2007Luna` | 8,55,114 | 227,239,255 / 175,210,255 | 255,255,220 / 247,192,91 | 175,210,255 | 227,244,255 / 200,217,237 | unchanged |
| 5 | `esOffice2007Obsidian` | 55,60,67 | 240,241,242 / 189,194,201 | 255,255,220 / 247,192,91 | 76,83,92 | 230,240,241 / 181,188,198 | unchanged |
| 6 | `esWindowsXP` | 255,255,255 | `clInactiveCaption` / `clInactiveCaption` | `clHighlight` / `clHighlight` | 0,0,0 | `clBtnFace` / `clBtnFace` | unchanged |
| 7 | `esWhidbey` | 0,0,0 | 239,238,235 / 152,152,126 | 255,255,220 / 247,192,91 | 0,45,150 | copies of TabColor / TabColorTo | False |
| 9 | `esOffice2007Silver` | 8,55,114 | 246,247,248 / 219,224,232 | 255,255,220 / 247,192,91 | 111,112,116 | 255,255,255 / 208,212,221 | unchanged |
| 10 | `esWindowsVista` | 0,0,0 | 241,248,253 / 213,239,252 | 249,253,255 / 240,250,255 | 153,222,253 | copies of TabColor / TabColorTo | False |
| 11 | `esWindows7` | 0,0,0 | 220,235,252 / 193,219,252 | 250,251,253 / 235,243,253 | 125,162,206 | copies of TabColor / TabColorTo | False |
| 12 | `esTerminal` | 0,0,0 | `clBtnFace` / `clNone` | 255,255,255 / 255,255,255 | 0,0,0 | copies of TabColor / TabColorTo | False |
| 13 | `esOffice2010Blue` | 21,66,139 | 227,239,255 / 173,209,255 | 253,249,217 / 253,227,138 | 173,209,255 | copies of TabColor / TabColorTo | False |
| 14 | `esOffice2010Silver` | 21,66,139 | 246,247,248 / 165,172,181 | 253,249,217 / 253,227,138 | 197,199,199 | copies of TabColor / TabColorTo | False |
| 15 | `esOffice2010Black` | 21,66,139 | 240,241,242 / 187,192,199 | 253,249,217 / 253,227,138 | 199,203,209 | copies of TabColor / TabColorTo | False |)";

// One cell "214,231,255 / 82,123,198" or "`clBtnFace`" as its values.
std::vector<TColor> Colours(const std::string& cell) {
  std::vector<TColor> out;
  std::stringstream parts(cell);
  std::string part;
  while (std::getline(parts, part, '/')) {
    part.erase(0, part.find_first_not_of(" `"));
    part.erase(part.find_last_not_of(" `") + 1);
    TColor c = 0;
    int r = 0, g = 0, b = 0;
    if (part == "gdHorizontal") c = gdHorizontal;
    else if (part == "gdVertical") c = gdVertical;
    else if (part.rfind("copies", 0) == 0 || part == "TabColorTo") c = clDefault;
    else if (std::sscanf(part.c_str(), "%d,%d,%d", &r, &g, &b) == 3) c = RGB(r, g, b);
    else if (!IdentToColor(part, c)) c = -1;  // a word: unchanged, False
    out.push_back(c);
  }
  return out;
}

struct Row {
  TToolPanelStyle style;
  std::vector<TColor> values;  // every cell after the name, split at "/"
};

std::vector<Row> Rows(const char* table) {
  std::vector<Row> rows;
  std::stringstream lines(table);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    std::stringstream cells(line);
    std::string cell;
    std::vector<std::string> parts;
    while (std::getline(cells, cell, '|')) parts.push_back(cell);
    Row row{static_cast<TToolPanelStyle>(std::stoi(parts.at(1))), {}};
    for (size_t i = 3; i < parts.size(); ++i)
      for (TColor c : Colours(parts[i])) row.values.push_back(c);
    rows.push_back(row);
  }
  return rows;
}

class ToolPanelStyleTest : public test::ControlsTest {
 protected:
  TAdvToolPanel* NewPanel() { return TComponent::Create<TAdvToolPanel>(form); }
  // Sets every colour a preset writes to one that no preset uses.
  static void Scramble(TAdvToolPanel* p) {
    const TColor odd = RGB(1, 2, 3);
    p->SetColor(odd);
    p->SetColorTo(odd);
    p->SetFocusCaptionColor(odd);
    p->SetFocusCaptionColorTo(odd);
    p->SetFocusCaptionFontColor(odd);
    p->SetNoFocusCaptionColor(odd);
    p->SetNoFocusCaptionColorTo(odd);
    p->SetNoFocusCaptionFontColor(odd);
    p->SetHoverButtonColor(odd);
    p->SetHoverButtonColorTo(odd);
    p->SetDownButtonColor(odd);
    p->SetDownButtonColorTo(odd);
    TSectionLayout& l = *p->SectionLayout();
    l.SetCaptionColor(odd);
    l.SetCaptionColorTo(odd);
    l.SetCaptionGradientDir(gdHorizontal);
    l.SetCaptionFontColor(odd);
    l.SetBackGroundColor(odd);
    l.SetBackGroundColorTo(odd);
    l.SetBorderColor(odd);
    l.SetItemFontColor(odd);
    // and the values every preset shares
    p->SetGradientDirection(gdHorizontal);
    p->SetCaptionGradientDirection(gdHorizontal);
    l.SetBackGroundGradientDir(gdHorizontal);
    l.SetItemHoverTextColor(odd);
    l.SetItemHoverUnderline(false);
    l.SetBorderWidth(5);
    p->SetShowCaptionBorder(true);
    p->SetButton3D(true);
  }
  static std::vector<TColor> PanelValues(TAdvToolPanel* p) {
    return {p->Color(), p->ColorTo(), p->FocusCaptionColor(), p->FocusCaptionColorTo(),
            p->FocusCaptionFontColor(), p->NoFocusCaptionColor(), p->NoFocusCaptionColorTo(),
            p->NoFocusCaptionFontColor(), p->HoverButtonColor(), p->HoverButtonColorTo(),
            p->DownButtonColor(), p->DownButtonColorTo()};
  }
  static std::vector<TColor> SectionValues(TAdvToolPanel* p) {
    const TSectionLayout& l = *p->SectionLayout();
    return {l.CaptionColor(), l.CaptionColorTo(), l.CaptionGradientDir(), l.CaptionFontColor(),
            l.BackGroundColor(), l.BackGroundColorTo(), l.BorderColor(), l.ItemFontColor()};
  }
};

TEST_F(ToolPanelStyleTest, EveryRowAppliedToAPanelGivesTheTablesColoursAndTheSharedValues) {
  const std::vector<Row> panel = Rows(kPanelRows), section = Rows(kSectionRows);
  ASSERT_EQ(panel.size(), 15u);
  ASSERT_EQ(section.size(), 15u);
  std::set<int> seen;
  for (size_t i = 0; i < panel.size(); ++i) {
    const TToolPanelStyle s = panel[i].style;
    SCOPED_TRACE(testing::Message() << "style " << int(s));
    ASSERT_EQ(section[i].style, s);
    seen.insert(s);
    TAdvToolPanel* p = NewPanel();
    Scramble(p);
    p->SetStyle(s);
    EXPECT_EQ(p->Style(), s);
    EXPECT_EQ(PanelValues(p), panel[i].values);
    EXPECT_EQ(SectionValues(p), section[i].values);
    const TSectionLayout& l = *p->SectionLayout();
    EXPECT_EQ(p->GradientDirection(), gdVertical);
    EXPECT_EQ(p->CaptionGradientDirection(), gdVertical);
    EXPECT_EQ(l.BackGroundGradientDir(), gdVertical);
    EXPECT_EQ(l.ItemHoverTextColor(), l.ItemFontColor());
    EXPECT_TRUE(l.ItemHoverUnderline());
    EXPECT_EQ(l.BorderWidth(), 1);
    EXPECT_FALSE(p->ShowCaptionBorder());
    EXPECT_FALSE(p->Button3D());
    // The rows as the code holds them agree with what was applied.
    EXPECT_EQ(ToolPanelPreset(s)->Color, p->Color());
    EXPECT_EQ(SectionLayoutPreset(s)->ItemFontColor, l.ItemFontColor());
  }
  EXPECT_EQ(seen.size(), 15u);
  EXPECT_FALSE(seen.count(esCustom));
}

TEST_F(ToolPanelStyleTest, CustomAndUnknownOrdinalsStoreOnlyTheStyle) {
  for (int ordinal : {int(esCustom), 16, 200}) {
    SCOPED_TRACE(ordinal);
    TAdvToolPanel* p = NewPanel();
    Scramble(p);
    const std::vector<TColor> panel = PanelValues(p), section = SectionValues(p);
    p->SetStyle(static_cast<TToolPanelStyle>(ordinal));
    EXPECT_EQ(int(p->Style()), ordinal);
    EXPECT_EQ(PanelValues(p), panel);
    EXPECT_EQ(SectionValues(p), section);
    EXPECT_TRUE(p->Button3D());
    EXPECT_TRUE(p->ShowCaptionBorder());
    EXPECT_EQ(p->SectionLayout()->BorderWidth(), 5);
    EXPECT_EQ(ToolPanelPreset(p->Style()), nullptr);
    EXPECT_EQ(TabBarPreset(p->Style()), nullptr);
  }
}

TEST_F(ToolPanelStyleTest, NewPanelIsTheBlueRowWithTheSharedValuesOverItsDefaults) {
  TAdvToolPanel* p = NewPanel();
  EXPECT_EQ(p->Style(), esOffice2003Blue);
  EXPECT_EQ(PanelValues(p), Rows(kPanelRows).at(0).values);
  // Published defaults say True; the constructor's preset turns both off.
  EXPECT_EQ(FindProp(*p, "Button3D")->defaultValue, Value(true));
  EXPECT_EQ(FindProp(*p, "ShowCaptionBorder")->defaultValue, Value(true));
  EXPECT_FALSE(p->Button3D());
  EXPECT_FALSE(p->ShowCaptionBorder());
  EXPECT_EQ(p->BoundsRect(), Bounds(0, 0, 180, 300));
  EXPECT_EQ(p->OpenWidth(), 150);
  EXPECT_EQ(p->ImageIndex(), -1);
  EXPECT_EQ(p->CloseHint(), "Close panel");
  EXPECT_EQ(p->LockHint(), "Lock panel");
  EXPECT_EQ(p->UnlockHint(), "Unlock panel");
  EXPECT_TRUE(p->DockDots() && p->ShowClose() && p->ShowLock() && p->ShowCaption());
  EXPECT_TRUE(p->TabStop());
  // Restyled by ordinal through the style interface.
  ASSERT_TRUE(std::count(p->ClassType().interfaces.begin(), p->ClassType().interfaces.end(),
                         IID_IStyleSetter));
  EXPECT_EQ(FormatGUIDText(IID_IStyleSetter), "{11AC2DDC-C087-4298-AB6E-EA1B5017511B}");
  IStyleSetter* setter = p;
  setter->SetComponentStyle(esOffice2007Luna);
  EXPECT_EQ(p->Style(), esOffice2007Luna);
  EXPECT_EQ(p->Color(), RGB(227, 244, 255));
}

TEST(ToolPanelStyles, TabBarRowsAndTheStylesThatEndThemeAdaption) {
  const std::vector<Row> rows = Rows(kBarRows);
  ASSERT_EQ(rows.size(), 15u);
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "style " << int(r.style));
    const TTabBarColors* bar = TabBarPreset(r.style);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(r.values.size(), 9u);
    std::vector<TColor> want(r.values.begin(), r.values.begin() + 8);
    // "copies": the background takes the tab colours just set.
    if (want[6] == clDefault) want[6] = want[1];
    if (want[7] == clDefault) want[7] = want[2];
    EXPECT_EQ((std::vector<TColor>{bar->FontColor, bar->TabColor, bar->TabColorTo,
                                   bar->TabHoverColor, bar->TabHoverColorTo, bar->TabBorderColor,
                                   bar->Color, bar->ColorTo}),
              want);
    const bool copies = r.values[6] == clDefault;
    EXPECT_EQ(StyleClearsAutoThemeAdapt(r.style), copies) << "the copying rows end the adaption";
  }
  const TTabBarColors& vista = *TabBarPreset(esWindowsVista);
  EXPECT_EQ(vista.Color, RGB(241, 248, 253));
  EXPECT_EQ(vista.ColorTo, RGB(213, 239, 252));
  EXPECT_TRUE(StyleClearsAutoThemeAdapt(esCustom));
  EXPECT_FALSE(StyleClearsAutoThemeAdapt(esOffice2003Blue));
}

// A theme library for the colour scheme query.
class SchemeTheme : public ThemeLibrary {
 public:
  std::set<int> missing;
  bool active = true;
  std::optional<std::string> scheme;
  bool HasEntryPoint(int i) const override { return !missing.count(i); }
  bool IsThemeActive() override { return active; }
  ThemeHandle OpenThemeData(const void*, const std::string&) override { return 0; }
  int CloseThemeData(ThemeHandle) override { return 0; }
  int DrawThemeBackground(ThemeHandle, TCanvas&, int, int, const TRect&, const TRect*) override {
    return -1;
  }
  std::optional<std::string> CurrentThemeName() override { return scheme; }
};

TEST(ToolPanelStyles, DesktopSchemeChoosesTheStyle) {
  struct Case {
    const char* what;
    int major, minor;
    bool absent;
    bool active;
    std::optional<std::string> scheme;
    int missingEntry;
    TToolPanelStyle style;
  };
  const Case cases[] = {
      {"NormalColor", 5, 1, false, true, "NormalColor", -1, esOffice2003Blue},
      {"HomeStead", 6, 0, false, true, "HomeStead", -1, esOffice2003Olive},
      {"Metallic", 5, 1, false, true, "Metallic", -1, esOffice2003Silver},
      {"names compare with case", 5, 1, false, true, "metallic", -1, esOffice2003Classic},
      {"another name", 5, 1, false, true, "Royale", -1, esOffice2003Classic},
      {"version 5.0", 5, 0, false, true, "NormalColor", -1, esOffice2003Classic},
      {"no library", 5, 1, true, true, "NormalColor", -1, esOffice2003Classic},
      {"themes off", 5, 1, false, false, "NormalColor", -1, esOffice2003Classic},
      {"the query fails", 5, 1, false, true, std::nullopt, -1, esOffice2003Classic},
      {"no IsThemeActive", 5, 1, false, true, "NormalColor", teIsThemeActive, esOffice2003Classic},
      {"no GetCurrentThemeName", 5, 1, false, true, "NormalColor", teGetCurrentThemeName,
       esOffice2003Classic},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto lib = std::make_shared<SchemeTheme>();
    lib->active = c.active;
    lib->scheme = c.scheme;
    if (c.missingEntry >= 0) lib->missing.insert(c.missingEntry);
    int loads = 0;
    ThemeLoader loader = [&]() -> std::shared_ptr<ThemeLibrary> {
      ++loads;
      return c.absent ? nullptr : lib;
    };
    EXPECT_EQ(DesktopSchemeStyle(XPColorScheme(c.major, c.minor, loader)), c.style);
    EXPECT_EQ(lib.use_count(), 1) << "the library is let go on every way out";
  }
  // Our stand-in: no theme active.
  EXPECT_EQ(XPColorScheme(), 0);
  EXPECT_EQ(DesktopSchemeStyle(XPColorScheme()), esOffice2003Classic);
}

}  // namespace
}  // namespace tavrel
