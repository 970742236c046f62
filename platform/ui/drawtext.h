#pragma once
// Formatted text in a rectangle, with the platform's DrawText flags.
//
//   TRect r = Rect(0, 0, 100, 20);
//   DrawText(canvas, "&Open", r, DT_SINGLELINE | DT_VCENTER);   // "O" underlined
//   TRect calc = Rect(0, 0, 0, 0);
//   int h = DrawText(canvas, "two\nlines", calc, DT_CALCRECT);  // calc grows to fit
//
// Without DT_NOPREFIX "&x" underlines x and "&&" shows one "&". Text is
// drawn in the canvas font with its background mode; the rectangle clips
// unless DT_NOCLIP. The result is the height of the text (from the top of
// the rectangle to the bottom of the text when centred or bottom aligned).
#include <cstdint>
#include <string>

#include "platform/ui/canvas.h"
#include "platform/ui/utf8.h"

namespace tavrel {

enum : uint32_t {
  DT_TOP = 0x0,
  DT_LEFT = 0x0,
  DT_CENTER = 0x1,
  DT_RIGHT = 0x2,
  DT_VCENTER = 0x4,
  DT_BOTTOM = 0x8,
  DT_WORDBREAK = 0x10,
  DT_SINGLELINE = 0x20,
  DT_EXPANDTABS = 0x40,
  DT_TABSTOP = 0x80,
  DT_NOCLIP = 0x100,
  DT_EXTERNALLEADING = 0x200,
  DT_CALCRECT = 0x400,
  DT_NOPREFIX = 0x800,
  DT_END_ELLIPSIS = 0x8000,
  DT_HIDEPREFIX = 0x100000,
};

struct TDrawTextParams {
  int iTabLength = 8;  // tab stops in average character widths
  int iLeftMargin = 0;
  int iRightMargin = 0;
  unsigned uiLengthDrawn = 0;  // out: characters processed
};

int DrawText(TCanvas& canvas, const std::string& text, TRect& rect, uint32_t format);

// The key is the accelerator of the caption: the character after its first
// single "&", either case of an ASCII letter.
bool IsAccel(char32_t key, const std::string& caption);
int DrawTextEx(TCanvas& canvas, const std::string& text, TRect& rect, uint32_t format,
               TDrawTextParams* params);

}  // namespace tavrel
