#include "platform/ui/metrics.h"

#include "platform/ui/forms.h"

namespace tavrel {

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: return Screen() ? Screen()->Width() : 0;
    case SM_CYSCREEN: return Screen() ? Screen()->Height() : 0;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL: return 17;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    default: return 0;
  }
}

uint32_t GetCaretBlinkTime() { return 530; }

TFont SystemFont() {
  TFont f;
  f.SetName("System");
  f.SetHeight(16);
  f.SetStyle(fsBold);
  return f;
}

}  // namespace tavrel
