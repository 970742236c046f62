#pragma once
// Support routines of the markup renderer (htmlbtnsMarkup.h): colours by
// name or "#RRGGBB", the small string routines its tag reader stands on, a
// turned canvas font, stretched bitmaps and shell icons. FillGradientBands,
// the banded gradient of body and paragraph backgrounds, is the window
// layer's (platform/ui/gradient.h). No state is kept; GUI thread only.
//
//   ColorFromHexTriplet("#FF8000") == 0x0080FF;   ColorFromName("clred") == clRed;
//   IntFromText("12px") == 12;                    IntFromText("$1F") == 31;
//   std::string s = "a<B>b";  ReplaceFirstNoCase("<b>", "", s);   // s == "ab"
//   TAngledFont saved;  SelectAngledFont(c, 90, saved);  ...  RestoreAngledFont(c, saved);
//
// Positions are 1-based as the markup reader counts them; 0 means absent.
#include <string>
#include <string_view>

#include "platform/ui/gradient.h"
#include "platform/ui/graphics.h"

namespace tavrel {

// The value of a lower-case colour name with the "cl" prefix ("clred",
// "clbtnface"); any other name, mixed case included, gives 0 (black).
TColor ColorFromName(std::string_view name);

// "#RRGGBB" as R + G·256 + B·65536, each pair read by HexPairValue.
TColor ColorFromHexTriplet(std::string_view text);

// The first two characters as a hexadecimal number, counting a character
// at or above "A" as its code minus 55 and any other as its code minus 48:
// only digits and upper-case A–F read right. 0 for a shorter text.
int HexPairValue(std::string_view text);

// 1-based position of `sub` in `text`, ASCII letters compared without
// case; 0 when absent.
size_t PosNoCase(std::string_view sub, std::string_view text);

// 1-based position of `sub` in `text` (0 when absent), also stored in `pos`.
size_t PosInto(std::string_view sub, std::string_view text, size_t& pos);

// Replaces the first match of `old` (found as PosNoCase finds it) by
// `replacement`; false, with the text unchanged, when there is none.
bool ReplaceFirstNoCase(std::string_view old, std::string_view replacement, std::string& text);

// Reads an integer as the platform's Val does: blanks, a sign, then decimal
// digits, or hexadecimal ones after "$", "x", "X" or "0x"; stops at the first
// other character with what it has read (0 when nothing). Saturates rather
// than overflowing.
int IntFromText(std::string_view text);

// Drops the "<" of the first "<#" and the first ">" after it.
std::string StripHashMarker(const std::string& text);

// Drops every line feed and carriage return; with `toTags` each carriage
// return becomes "<BR>".
std::string LineBreaksToTags(std::string_view text, bool toTags);

// The turned font of a rotate tag: the canvas font gets an escapement of
// `angle` degrees, and restoring puts back the angle it had, so the canvas
// font is left as it was.
struct TAngledFont {
  bool selected = false;
  int orientation = 0;  // tenths of a degree, before selecting
};
void SelectAngledFont(TCanvas& canvas, int angle, TAngledFont& saved);
void RestoreAngledFont(TCanvas& canvas, TAngledFont& saved);

// Copies the bitmap's pixels, stretched, into `rect`; no transparency.
void StretchBitmapToRect(TCanvas& canvas, const TRect& rect, TBitmap& bitmap);

// True for an existing directory.
bool IsDirectoryPath(const std::string& path);

// Shell icons named by "SSYS:"/"LSYS:" image sources, from the system
// image list (platform/ui/systemicons.h): a name that is a whole number is
// an index into it; any other non-empty name is a path, typed by content
// when it exists and by name alone when not. `size` is the icon's size in
// the small or large list, 0 × 0 when there is no such icon, which then
// draws nothing and takes no room. With `draw` the icon is drawn at (x, y),
// transparent; with `stretch` too, drawn on white and stretched by `scale`.
void DrawShellIcon(TCanvas& canvas, int x, int y, const std::string& name, bool large, bool draw,
                   bool stretch, double scale, TSize& size);

}  // namespace tavrel
