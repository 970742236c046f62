#pragma once
// Standard controls of the class library: TLabel (windowless caption with
// alignment, layout, word wrap, accelerator, auto size) and TEdit (a
// single-line text box with a caret, selection-free editing and OnChange).
//
//   auto* l = TComponent::Create<TLabel>(form);
//   l->SetParent(form);
//   l->SetCaption("&Fréquence");       // Alt+F focuses l->FocusControl()
//   auto* e = TComponent::Create<TEdit>(form);
//   e->SetParent(form);
//   e->OnChange = TNotifyEvent([&](TObject*) { ... });
#include <string>

#include "platform/ui/controls.h"

namespace tavrel {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };

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

class TEdit : public TCustomControl {
  TAVREL_CLASS_INFO
 public:
  explicit TEdit(TComponent* owner);

  void SetText(const std::string& v) override;
  int MaxLength() const { return max_length_; }  // characters; 0: no limit
  void SetMaxLength(int v) { max_length_ = v; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool v) { read_only_ = v; }
  int SelStart() const { return caret_; }  // caret position in characters
  void SetSelStart(int v);

  TNotifyEvent OnChange;
  void WndProc(TMessage& m) override;

 protected:
  void Paint() override;
  void KeyDown(uint16_t& key, TShiftState s) override;
  void KeyPress(char32_t& key) override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  virtual void Change();

 private:
  void Edit(const std::string& text, int caret);
  int caret_ = 0;
  int max_length_ = 0;
  bool read_only_ = false;
  int scroll_ = 0;  // pixels of text scrolled out at the left
};

}  // namespace tavrel
