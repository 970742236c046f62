#include "platform/ui/colors.h"

#include <cmath>

#include "platform/text.h"
#include "platform/ui/types.h"

namespace tavrel {

namespace {
// The classic desktop scheme, fixed so that drawings do not depend on the machine.
constexpr uint32_t kSysColors[SystemColorCount] = {
    RGB(212, 208, 200),  // scroll bar
    RGB(58, 110, 165),   // desktop
    RGB(10, 36, 106),    // active caption
    RGB(128, 128, 128),  // inactive caption
    RGB(212, 208, 200),  // menu
    RGB(255, 255, 255),  // window
    RGB(0, 0, 0),        // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(255, 255, 255),  // caption text
    RGB(212, 208, 200),  // active border
    RGB(212, 208, 200),  // inactive border
    RGB(128, 128, 128),  // application work space
    RGB(10, 36, 106),    // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(212, 208, 200),  // button face
    RGB(128, 128, 128),  // button shadow
    RGB(128, 128, 128),  // gray text
    RGB(0, 0, 0),        // button text
    RGB(212, 208, 200),  // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(64, 64, 64),     // 3D dark shadow
    RGB(212, 208, 200),  // 3D light
    RGB(0, 0, 0),        // info text
    RGB(255, 255, 225),  // info background
};
}  // namespace

namespace {
struct ColorName {
  TColor value;
  const char* name;
};
constexpr ColorName kColorNames[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"}, {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"}, {clWindow, "clWindow"}, {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"}, {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"}, {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"}, {clBtnFace, "clBtnFace"}, {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"}, {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"}, {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"}, {clNone, "clNone"}, {clDefault, "clDefault"},
};
}  // namespace

bool IdentToColor(const std::string& ident, TColor& color) {
  for (const ColorName& c : kColorNames)
    if (SameText(ident, c.name)) {
      color = c.value;
      return true;
    }
  return false;
}

bool ColorToIdent(TColor color, std::string& ident) {
  for (const ColorName& c : kColorNames)
    if (c.value == color) {
      ident = c.name;
      return true;
    }
  return false;
}

uint32_t GetSysColor(int n) {
  return n >= 0 && n < SystemColorCount ? kSysColors[n] : 0;
}

uint32_t ColorToRGB(TColor c) {
  const uint32_t u = static_cast<uint32_t>(c);
  if ((u & 0xFF000000u) == 0xFF000000u) return GetSysColor(static_cast<int>(u & 0xFF));
  if (c == clNone || c == clDefault) return 0;
  return u & 0x00FFFFFFu;
}

uint32_t ColorToPixel(TColor c) {
  const uint32_t rgb = ColorToRGB(c);
  return 0xFF000000u | (GetRValue(rgb) << 16) | (GetGValue(rgb) << 8) | GetBValue(rgb);
}

TColor PixelToColor(uint32_t p) {
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const long long prod = static_cast<long long>(number) * numerator;
  const long long half = std::llabs(static_cast<long long>(denominator)) / 2;
  const bool neg = (prod < 0) != (denominator < 0);
  const long long q = (std::llabs(prod) + half) / std::llabs(static_cast<long long>(denominator));
  return static_cast<int>(neg ? -q : q);
}

int RoundHalfEven(double v) {
  const double f = std::floor(v);
  const double diff = v - f;
  if (diff > 0.5) return static_cast<int>(f) + 1;
  if (diff < 0.5) return static_cast<int>(f);
  const long long fi = static_cast<long long>(f);
  return static_cast<int>(fi % 2 == 0 ? fi : fi + 1);
}

}  // namespace tavrel
