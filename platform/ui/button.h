#pragma once
// TButton: a push button. A click (release over the button, Space, Enter
// while it is focused, or its accelerator) raises OnClick; a button with a
// ModalResult also sets its form's ModalResult, which closes a modal form.
// Enter anywhere in the form clicks the Default button (unless another
// button has the focus or the focused control wants Enter); Escape clicks
// the Cancel button.
//
//   auto* ok = TComponent::Create<TButton>(dialog);
//   ok->SetParent(dialog);
//   ok->SetBounds(8, 8, 75, 25);
//   ok->SetCaption("OK");
//   ok->SetModalResult(mrOk);
//   ok->SetDefault(true);
#include "platform/ui/forms.h"

namespace tavrel {

class TButton : public TCustomControl {
  TAVREL_CLASS_INFO
 public:
  explicit TButton(TComponent* owner);

  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v) { cancel_ = v; }
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult v) { modal_result_ = v; }
  // Drawn pressed: the mouse holds it down over it, or Space is down.
  bool Pressed() const { return pressed_; }
  // Clicks as the user would.
  void Click() override;

  void WndProc(TMessage& m) override;
  void DefaultHandler(TMessage& m) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;

 private:
  // The default look (a dark frame): the focused button, or the Default
  // button while the focus is on something that is no button.
  bool Active() const;
  void SetPressed(bool v);
  bool default_ = false;
  bool cancel_ = false;
  TModalResult modal_result_ = mrNone;
  bool pressed_ = false;
  bool space_down_ = false;
};

}  // namespace tavrel
