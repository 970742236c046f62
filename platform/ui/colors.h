#pragma once
// Colours as the canvas takes them: 0x00BBGGRR for an RGB colour (red in
// the low byte), 0xFF000000 + n for system colour n (0..24), clNone for no
// colour at all. System colours resolve through a fixed table so that
// every machine draws the same pixels.
//
//   TColor c = clBtnFace;
//   uint32_t rgb = ColorToRGB(c);          // 0x00C8D0D4
//   uint8_t r = GetRValue(rgb);
#include <cstdint>
#include <string>

namespace tavrel {

using TColor = int32_t;

constexpr TColor RGB(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(uint32_t c) { return c & 0xFF; }
constexpr int GetGValue(uint32_t c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(uint32_t c) { return (c >> 16) & 0xFF; }

constexpr TColor SystemColor(int n) { return static_cast<TColor>(0xFF000000u + n); }

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000,
                 clOlive = 0x008080, clNavy = 0x800000, clPurple = 0x800080,
                 clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0,
                 clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00,
                 clWhite = 0xFFFFFF;

constexpr TColor clScrollBar = SystemColor(0), clBackground = SystemColor(1),
                 clActiveCaption = SystemColor(2), clInactiveCaption = SystemColor(3),
                 clMenu = SystemColor(4), clWindow = SystemColor(5),
                 clWindowFrame = SystemColor(6), clMenuText = SystemColor(7),
                 clWindowText = SystemColor(8), clCaptionText = SystemColor(9),
                 clActiveBorder = SystemColor(10), clInactiveBorder = SystemColor(11),
                 clAppWorkSpace = SystemColor(12), clHighlight = SystemColor(13),
                 clHighlightText = SystemColor(14), clBtnFace = SystemColor(15),
                 clBtnShadow = SystemColor(16), clGrayText = SystemColor(17),
                 clBtnText = SystemColor(18), clInactiveCaptionText = SystemColor(19),
                 clBtnHighlight = SystemColor(20), cl3DDkShadow = SystemColor(21),
                 cl3DLight = SystemColor(22), clInfoText = SystemColor(23),
                 clInfoBk = SystemColor(24);

constexpr int SystemColorCount = 25;

// The RGB value of system colour n from the fixed table; black outside it.
uint32_t GetSysColor(int n);

// RGB value of any colour: system colours resolved, clNone and clDefault
// give black (callers test for clNone before drawing).
uint32_t ColorToRGB(TColor c);

// Colour constant names ("clBtnFace") and their values, for form data
// and the text form; names compare ignoring case.
bool IdentToColor(const std::string& ident, TColor& color);
bool ColorToIdent(TColor color, std::string& ident);

// Premultiplied 0xAARRGGBB pixel of an opaque colour, as image surfaces store it.
uint32_t ColorToPixel(TColor c);
// The colour of an image-surface pixel (alpha ignored).
TColor PixelToColor(uint32_t pixel);

}  // namespace tavrel
