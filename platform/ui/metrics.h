#pragma once
// System metrics the controls are laid out by. Fixed, as the screen
// resolution is, so that every machine lays controls out alike; the screen
// size comes from the application's backend.
//
//   int bw = GetSystemMetrics(SM_CXVSCROLL);   // 17: a scroll bar's width
#include <cstdint>

#include "platform/ui/font.h"

namespace tavrel {

enum : int {
  SM_CXSCREEN = 0,
  SM_CYSCREEN = 1,
  SM_CXVSCROLL = 2,
  SM_CYHSCROLL = 3,
  SM_CXBORDER = 5,
  SM_CYBORDER = 6,
  SM_CYVSCROLL = 20,
  SM_CXHSCROLL = 21,
  SM_CXEDGE = 45,
  SM_CYEDGE = 46,
};

// 0 for an index not in the list above.
int GetSystemMetrics(int index);

// Half a period of the caret's blinking, in milliseconds.
uint32_t GetCaretBlinkTime();

// The system font, whose metrics some controls compare with their own: a
// 16-pixel cell.
TFont SystemFont();

}  // namespace tavrel
