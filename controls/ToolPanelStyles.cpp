#include "controls/ToolPanelStyles.h"

#include <array>

#include "platform/classinfo.h"

namespace tavrel {

namespace {

constexpr TColor White = RGB(255, 255, 255), Black = RGB(0, 0, 0);
// The hover and pressed button gradients most rows share.
constexpr TColor HoverFrom = RGB(255, 255, 220), HoverTo = RGB(247, 192, 91);
constexpr TColor DownFrom = RGB(232, 127, 8), DownTo = RGB(247, 218, 124);
constexpr TColor Orange1 = RGB(251, 230, 148), Orange2 = RGB(238, 149, 21);
constexpr TColor Luna1 = RGB(255, 238, 187), Luna2 = RGB(255, 218, 120);
constexpr TColor Office2010Focus1 = RGB(255, 215, 103), Office2010Focus2 = RGB(255, 231, 162);
constexpr TColor Office2010Text = RGB(21, 66, 139);
constexpr TColor Office2010Hover1 = RGB(253, 249, 217), Office2010Hover2 = RGB(253, 227, 138);
constexpr TColor Office2010Down1 = RGB(255, 238, 123), Office2010Down2 = RGB(255, 208, 108);
constexpr TColor ItemBlue = RGB(0, 57, 181);

// Indexed by ordinal; the esCustom row is never read.
constexpr std::array<TToolPanelColors, ToolPanelStyleCount> kPanel = {{
    {RGB(214, 231, 255), RGB(82, 123, 198), Orange1, Orange2, Black, RGB(89, 135, 214),
     RGB(3, 56, 147), White, HoverFrom, HoverTo, DownFrom, DownTo},
    {RGB(231, 231, 247), RGB(165, 165, 181), Orange1, Orange2, Black, RGB(231, 231, 239),
     RGB(136, 136, 170), Black, HoverFrom, HoverTo, DownFrom, DownTo},
    {RGB(239, 239, 222), RGB(165, 173, 132), Orange1, Orange2, Black, RGB(231, 239, 198),
     RGB(181, 189, 148), Black, HoverFrom, HoverTo, DownFrom, DownTo},
    {RGB(239, 231, 231), RGB(206, 206, 198), RGB(223, 223, 223), RGB(163, 167, 175), Black,
     RGB(239, 239, 239), RGB(201, 201, 192), Black, RGB(182, 189, 210), RGB(182, 189, 210),
     RGB(133, 146, 181), RGB(133, 146, 181)},
    {RGB(227, 244, 255), RGB(200, 217, 237), Luna1, Luna2, RGB(8, 55, 114), RGB(227, 239, 255),
     RGB(175, 210, 255), RGB(8, 55, 114), HoverFrom, HoverTo, DownFrom, DownTo},
    {RGB(230, 240, 241), RGB(181, 188, 198), Luna1, Luna2, Black, RGB(240, 241, 242),
     RGB(189, 194, 201), RGB(55, 60, 67), HoverFrom, HoverTo, DownFrom, DownTo},
    {clBtnFace, clBtnFace, clHighlight, clHighlight, White, clInactiveCaption, clInactiveCaption,
     White, clHighlight, clNone, clInactiveCaption, clNone},
    {RGB(239, 238, 235), RGB(152, 152, 126), Orange1, Orange2, Black, RGB(239, 238, 235),
     RGB(152, 152, 126), Black, RGB(250, 249, 245), RGB(192, 192, 168), DownFrom, DownTo},
    {},  // esCustom
    {RGB(222, 221, 222), RGB(243, 243, 247), Luna1, Luna2, RGB(8, 55, 114), RGB(246, 247, 248),
     RGB(219, 224, 232), Black, HoverFrom, HoverTo, DownFrom, DownTo},
    {RGB(241, 248, 253), RGB(213, 239, 252), RGB(214, 222, 228), RGB(189, 214, 227), Black,
     RGB(241, 248, 253), RGB(213, 239, 252), Black, RGB(249, 253, 255), RGB(240, 250, 255),
     RGB(241, 248, 253), RGB(213, 239, 252)},
    {RGB(250, 251, 253), RGB(235, 243, 253), RGB(193, 209, 227), RGB(169, 194, 227), Black,
     RGB(220, 235, 252), RGB(193, 219, 252), Black, RGB(250, 251, 253), RGB(235, 243, 253),
     RGB(220, 235, 252), RGB(193, 219, 252)},
    {clBtnFace, clNone, RGB(128, 128, 128), clNone, White, RGB(192, 192, 192), clNone, Black,
     clBtnFace, clBtnFace, RGB(192, 192, 192), RGB(192, 192, 192)},
    {RGB(191, 209, 231), RGB(191, 209, 231), Office2010Focus1, Office2010Focus2, Office2010Text,
     RGB(227, 239, 255), RGB(173, 209, 255), Office2010Text, Office2010Hover1, Office2010Hover2,
     Office2010Down1, Office2010Down2},
    {RGB(203, 207, 212), RGB(203, 207, 212), Office2010Focus1, Office2010Focus2, Office2010Text,
     RGB(246, 247, 248), RGB(217, 222, 230), Office2010Text, Office2010Hover1, Office2010Hover2,
     Office2010Down1, Office2010Down2},
    {RGB(124, 124, 124), RGB(124, 124, 124), Office2010Focus1, Office2010Focus2, Office2010Text,
     RGB(240, 241, 242), RGB(187, 192, 199), Black, Office2010Hover1, Office2010Hover2,
     Office2010Down1, Office2010Down2},
}};

constexpr std::array<TSectionLayoutColors, ToolPanelStyleCount> kSection = {{
    {RGB(198, 222, 247), RGB(99, 140, 214), gdHorizontal, RGB(0, 41, 132), RGB(222, 239, 247),
     RGB(189, 214, 247), White, ItemBlue},
    {RGB(206, 202, 222), RGB(173, 173, 189), gdHorizontal, RGB(90, 90, 123), RGB(231, 231, 239),
     RGB(214, 214, 231), White, ItemBlue},
    {RGB(210, 222, 173), RGB(165, 181, 123), gdHorizontal, RGB(0, 41, 132), RGB(231, 231, 206),
     RGB(214, 222, 181), White, ItemBlue},
    {RGB(231, 231, 231), RGB(222, 222, 222), gdHorizontal, Black, RGB(247, 247, 247),
     RGB(240, 239, 236), White, RGB(0, 0, 255)},
    {RGB(183, 214, 253), RGB(118, 154, 200), gdVertical, Black, RGB(222, 239, 247),
     RGB(189, 214, 247), RGB(175, 210, 255), ItemBlue},
    {RGB(182, 184, 184), RGB(109, 110, 110), gdVertical, White, RGB(223, 230, 230),
     RGB(206, 213, 215), RGB(76, 83, 92), ItemBlue},
    {White, cl3DLight, gdVertical, Black, clBtnFace, clBtnFace, White, Black},
    {RGB(239, 238, 235), RGB(192, 192, 168), gdVertical, Black, White, clNone, White, Black},
    {},  // esCustom
    {RGB(235, 238, 250), RGB(215, 219, 229), gdVertical, Black, RGB(213, 220, 231),
     RGB(240, 250, 251), RGB(201, 202, 204), ItemBlue},
    {RGB(249, 253, 255), RGB(240, 250, 255), gdVertical, Black, White, White, RGB(153, 222, 253),
     Black},
    {RGB(250, 251, 253), RGB(235, 243, 253), gdVertical, Black, RGB(250, 251, 253),
     RGB(235, 243, 253), RGB(125, 162, 206), Black},
    {RGB(192, 192, 192), RGB(192, 192, 192), gdVertical, Black, White, clNone, Black, Black},
    {RGB(226, 238, 255), RGB(226, 238, 255), gdVertical, Office2010Text, White, White,
     RGB(173, 209, 255), Office2010Text},
    {RGB(232, 235, 240), RGB(232, 235, 240), gdVertical, Office2010Text, White, White,
     RGB(197, 199, 199), Office2010Text},
    {RGB(233, 234, 236), RGB(233, 234, 236), gdVertical, Black, White, White, RGB(199, 203, 209),
     Black},
}};

// Bar rows whose background takes the tab colours.
constexpr TColor kCopy = clDefault;
constexpr std::array<TTabBarColors, ToolPanelStyleCount> kBar = {{
    {Black, RGB(203, 225, 252), RGB(125, 165, 224), HoverFrom, HoverTo, RGB(0, 45, 150), White,
     RGB(222, 239, 247)},
    {Black, RGB(225, 226, 236), RGB(152, 150, 179), HoverFrom, HoverTo, RGB(124, 124, 148), White,
     RGB(231, 231, 239)},
    {Black, RGB(234, 240, 207), RGB(177, 192, 140), HoverFrom, HoverTo, RGB(96, 128, 88), White,
     RGB(231, 231, 206)},
    {Black, White, RGB(213, 209, 201), RGB(182, 189, 210), RGB(182, 189, 210), RGB(128, 128, 128),
     White, RGB(240, 239, 236)},
    {RGB(8, 55, 114), RGB(227, 239, 255), RGB(175, 210, 255), HoverFrom, HoverTo,
     RGB(175, 210, 255), RGB(227, 244, 255), RGB(200, 217, 237)},
    {RGB(55, 60, 67), RGB(240, 241, 242), RGB(189, 194, 201), HoverFrom, HoverTo, RGB(76, 83, 92),
     RGB(230, 240, 241), RGB(181, 188, 198)},
    {White, clInactiveCaption, clInactiveCaption, clHighlight, clHighlight, Black, clBtnFace,
     clBtnFace},
    {Black, RGB(239, 238, 235), RGB(152, 152, 126), HoverFrom, HoverTo, RGB(0, 45, 150), kCopy,
     kCopy},
    {},  // esCustom
    {RGB(8, 55, 114), RGB(246, 247, 248), RGB(219, 224, 232), HoverFrom, HoverTo,
     RGB(111, 112, 116), White, RGB(208, 212, 221)},
    {Black, RGB(241, 248, 253), RGB(213, 239, 252), RGB(249, 253, 255), RGB(240, 250, 255),
     RGB(153, 222, 253), kCopy, kCopy},
    {Black, RGB(220, 235, 252), RGB(193, 219, 252), RGB(250, 251, 253), RGB(235, 243, 253),
     RGB(125, 162, 206), kCopy, kCopy},
    {Black, clBtnFace, clNone, White, White, Black, kCopy, kCopy},
    {Office2010Text, RGB(227, 239, 255), RGB(173, 209, 255), Office2010Hover1, Office2010Hover2,
     RGB(173, 209, 255), kCopy, kCopy},
    {Office2010Text, RGB(246, 247, 248), RGB(165, 172, 181), Office2010Hover1, Office2010Hover2,
     RGB(197, 199, 199), kCopy, kCopy},
    {Office2010Text, RGB(240, 241, 242), RGB(187, 192, 199), Office2010Hover1, Office2010Hover2,
     RGB(199, 203, 209), kCopy, kCopy},
}};

constexpr auto kResolvedBar = [] {
  auto rows = kBar;
  for (auto& r : rows) {
    if (r.Color == kCopy) r.Color = r.TabColor;
    if (r.ColorTo == kCopy) r.ColorTo = r.TabColorTo;
  }
  return rows;
}();

bool HasRow(TToolPanelStyle s) { return s < ToolPanelStyleCount && s != esCustom; }

}  // namespace

const TToolPanelColors* ToolPanelPreset(TToolPanelStyle s) {
  return HasRow(s) ? &kPanel[s] : nullptr;
}

const TSectionLayoutColors* SectionLayoutPreset(TToolPanelStyle s) {
  return HasRow(s) ? &kSection[s] : nullptr;
}

const TTabBarColors* TabBarPreset(TToolPanelStyle s) {
  return HasRow(s) ? &kResolvedBar[s] : nullptr;
}

bool StyleClearsAutoThemeAdapt(TToolPanelStyle s) {
  switch (s) {
    case esWhidbey:
    case esCustom:
    case esWindowsVista:
    case esWindows7:
    case esTerminal:
    case esOffice2010Blue:
    case esOffice2010Silver:
    case esOffice2010Black:
      return true;
    default:
      return false;
  }
}

int XPColorScheme() {
  return XPColorScheme(PlatformMajorVersion, PlatformMinorVersion, StandInThemeLoader());
}

int XPColorScheme(int major, int minor, const ThemeLoader& loader) {
  if (major < 5 || (major == 5 && minor < 1)) return 0;
  const std::shared_ptr<ThemeLibrary> lib = loader ? loader() : nullptr;
  if (!lib) return 0;
  // The library goes with `lib` on every way out.
  if (!lib->HasEntryPoint(teIsThemeActive) || !lib->IsThemeActive()) return 0;
  if (!lib->HasEntryPoint(teGetCurrentThemeName)) return 0;
  // A failed query counts as no scheme: a colour preference never stops loading.
  const std::optional<std::string> scheme = lib->CurrentThemeName();
  if (!scheme) return 0;
  if (*scheme == "NormalColor") return 1;
  if (*scheme == "HomeStead") return 2;
  if (*scheme == "Metallic") return 3;
  return 0;
}

TToolPanelStyle DesktopSchemeStyle(int scheme) {
  switch (scheme) {
    case 1: return esOffice2003Blue;
    case 2: return esOffice2003Olive;
    case 3: return esOffice2003Silver;
    default: return esOffice2003Classic;
  }
}

const EnumInfo& ToolPanelStyleInfo() {
  static const EnumInfo info{"TToolPanelStyle",
                              {"esOffice2003Blue", "esOffice2003Silver", "esOffice2003Olive",
                               "esOffice2003Classic", "esOffice2007Luna", "esOffice2007Obsidian",
                               "esWindowsXP", "esWhidbey", "esCustom", "esOffice2007Silver",
                               "esWindowsVista", "esWindows7", "esTerminal", "esOffice2010Blue",
                               "esOffice2010Silver", "esOffice2010Black"}};
  return info;
}

}  // namespace tavrel
