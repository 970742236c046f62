#pragma once
// Colour presets of the tool panels and their tab bar, the style interface
// an outside tool restyles them through, and the desktop colour scheme the
// bar can follow.
//
//   panel->SetStyle(esOffice2007Luna);           // colours of that row
//   const TToolPanelColors* row = ToolPanelPreset(esWindowsVista);
//   TToolPanelStyle s = DesktopSchemeStyle(XPColorScheme());   // esOffice2003Classic here
//
// esCustom (8) stands in the middle of the list and changes no colour;
// ordinals of 16 and more have no row either.
#include <cstdint>

#include "platform/guid.h"
#include "platform/theme.h"
#include "platform/ui/gradient.h"

namespace tavrel {

enum TToolPanelStyle : uint8_t {
  esOffice2003Blue,
  esOffice2003Silver,
  esOffice2003Olive,
  esOffice2003Classic,
  esOffice2007Luna,
  esOffice2007Obsidian,
  esWindowsXP,
  esWhidbey,
  esCustom,
  esOffice2007Silver,
  esWindowsVista,
  esWindows7,
  esTerminal,
  esOffice2010Blue,
  esOffice2010Silver,
  esOffice2010Black,
};
inline constexpr int ToolPanelStyleCount = 16;

struct EnumInfo;

// The names of the styles, for form data.
const EnumInfo& ToolPanelStyleInfo();

// A panel's colours in a preset.
struct TToolPanelColors {
  TColor Color, ColorTo;
  TColor FocusCaptionColor, FocusCaptionColorTo, FocusCaptionFontColor;
  TColor NoFocusCaptionColor, NoFocusCaptionColorTo, NoFocusCaptionFontColor;
  TColor HoverButtonColor, HoverButtonColorTo;
  TColor DownButtonColor, DownButtonColorTo;
};

// A panel's section layout colours in a preset.
struct TSectionLayoutColors {
  TColor CaptionColor, CaptionColorTo;
  TGradientDirection CaptionGradientDir;
  TColor CaptionFontColor;
  TColor BackGroundColor, BackGroundColorTo;
  TColor BorderColor;
  TColor ItemFontColor;  // also the hover text colour
};

// A tab bar's colours in a preset; Color and ColorTo already hold the tab
// colours in the rows that copy them.
struct TTabBarColors {
  TColor FontColor;
  TColor TabColor, TabColorTo;
  TColor TabHoverColor, TabHoverColorTo;
  TColor TabBorderColor;
  TColor Color, ColorTo;
};

// The rows of a style; null for esCustom and ordinals above 15.
const TToolPanelColors* ToolPanelPreset(TToolPanelStyle style);
const TSectionLayoutColors* SectionLayoutPreset(TToolPanelStyle style);
const TTabBarColors* TabBarPreset(TToolPanelStyle style);
// Choosing this style ends a bar's adaption to the desktop scheme.
bool StyleClearsAutoThemeAdapt(TToolPanelStyle style);

// Restyling by ordinal, for outside tools; nothing in the program calls it.
inline constexpr Guid IID_IStyleSetter{
    0x11AC2DDC, 0xC087, 0x4298, {0xAB, 0x6E, 0xEA, 0x1B, 0x50, 0x17, 0x51, 0x1B}};
class IStyleSetter {
 public:
  // Passes the ordinal unchanged to the control's style setter.
  virtual void SetComponentStyle(int style) = 0;

 protected:
  ~IStyleSetter() = default;
};

// The desktop colour scheme: 1 "NormalColor", 2 "HomeStead", 3 "Metallic",
// 0 for any other name, an older system, no theme library, themes off or
// a failed query. The first form asks the platform and its stand-in.
int XPColorScheme();
int XPColorScheme(int majorVersion, int minorVersion, const ThemeLoader& loader);
// Scheme 1, 2, 3 give the Office 2003 blue, olive and silver styles, 0 the classic one.
TToolPanelStyle DesktopSchemeStyle(int scheme);

}  // namespace tavrel
