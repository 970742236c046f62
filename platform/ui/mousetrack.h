#pragma once
// Mouse tracking loops: while one runs, the mouse belongs to it instead of
// the controls under it. A dock drag and the move-or-size loop of a window
// are both tracking loops.
//
//   app->BeginMouseTracking(std::make_unique<MyDrag>(...));
//   // moves go to MyDrag::Move, the button release to Release (which ends
//   // the loop), Escape to Cancel; a control the loop Uses going away
//   // cancels it first.
//
// The move-or-size loop: a press of the left button on a windowed control
// that answers WM_NCHITTEST with a border code (HTLEFT, HTRIGHT, HTTOP,
// HTBOTTOM) sizes it by that edge, and HTCAPTION on a form moves the form.
// The control gets WM_ENTERSIZEMOVE first and WM_EXITSIZEMOVE at the end;
// a moved form gets WM_MOVING (lParam: the TRect* it moves to, in screen
// coordinates) before each move.
#include <memory>

#include "platform/ui/controls.h"

namespace tavrel {

class TMouseTracker {
 public:
  virtual ~TMouseTracker() = default;
  // Screen coordinates.
  virtual void Move(TPoint screen) = 0;
  // The button went up: the loop ends after this.
  virtual void Release(TPoint screen) = 0;
  // Escape, or the loop was ended from outside.
  virtual void Cancel() = 0;
  // The loop holds on to this control.
  virtual bool Uses(const TControl* c) const = 0;
};

// Starts the move-or-size loop of `c` for a hit code from its WM_NCHITTEST
// at the screen point `start`; false (and nothing started) for other codes.
bool BeginSizeMove(TWinControl& c, LRESULT hitCode, TPoint start);

}  // namespace tavrel
