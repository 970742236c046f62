#pragma once
// Standard controls of the class library: TLabel (windowless caption with
// alignment, layout, word wrap, accelerator, auto size) here, and with it
// TEdit (edit.h), TListBox (listbox.h) and TButton (button.h).
//
//   auto* l = TComponent::Create<TLabel>(form);
//   l->SetParent(form);
//   l->SetCaption("&Fréquence");       // Alt+F focuses l->FocusControl()
#include <string>

#include "platform/ui/button.h"
#include "platform/ui/controls.h"
#include "platform/ui/edit.h"
#include "platform/ui/listbox.h"

namespace tavrel {

enum TTextLayout { tlTop, tlCenter, tlBottom };
// Its names in form data.
const EnumInfo& TextLayoutInfo();

class TLabel : public TGraphicControl {
  TAVREL_CLASS_INFO
 public:
  explicit TLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout v);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  bool ShowAccelChar() const { return show_accel_; }
  void SetShowAccelChar(bool v);
  TWinControl* FocusControl() const { return focus_control_; }
  void SetFocusControl(TWinControl* c);

  void WndProc(TMessage& m) override;

 protected:
  void Paint() override;
  bool CanAutoSize(int& w, int& h) override;
  void Notification(TComponent* c, TOperation op) override;

 private:
  uint32_t TextFlags() const;
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool word_wrap_ = false;
  bool transparent_ = false;
  bool show_accel_ = true;
  TWinControl* focus_control_ = nullptr;
};

}  // namespace tavrel
