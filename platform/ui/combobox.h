#pragma once
// TComboBox: the class library's combo box. A sunken field with the
// selected text and a drop button; the list drops down in a borderless
// window below it. Opening and closing reach the control as CN_COMMAND
// with CBN_DROPDOWN / CBN_CLOSEUP, a choice from the list as CBN_SELCHANGE
// (then OnChange). CB_SETDROPPEDWIDTH sets the list's width.
//
//   auto* c = TComponent::Create<TComboBox>(form);
//   c->SetParent(form);
//   c->SetStyle(csDropDownList);
//   c->Items().Add("44100");  c->Items().Add("48000");
//   c->SetItemIndex(0);
#include "platform/stringlist.h"
#include "platform/ui/forms.h"

namespace tavrel {

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

inline constexpr UINT CB_SHOWDROPDOWN = 0x014F;
inline constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
inline constexpr UINT CB_GETDROPPEDWIDTH = 0x015F;
inline constexpr UINT CB_SETDROPPEDWIDTH = 0x0160;
inline constexpr WPARAM CBN_SELCHANGE = 1;
inline constexpr WPARAM CBN_DROPDOWN = 7;
inline constexpr WPARAM CBN_CLOSEUP = 8;

class TComboListForm;

class TComboBox : public TCustomControl {
  TAVREL_CLASS_INFO
 public:
  explicit TComboBox(TComponent* owner);

  TStrings& Items() { return items_; }
  TStrings* ItemsObject() const { return const_cast<TStringList*>(&items_); }
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int v);  // no OnChange: only the user's choice raises it
  TComboBoxStyle Style() const { return style_kind_; }
  void SetStyle(TComboBoxStyle v);
  int DropDownCount() const { return drop_count_; }
  void SetDropDownCount(int v) { drop_count_ = std::max(v, 1); }
  int ItemHeight() const;
  int ButtonWidth() const { return 17; }  // the system's scroll-bar width

  bool DroppedDown() const { return list_ != nullptr; }
  void SetDroppedDown(bool v);
  TComboListForm* ListForm() const { return list_; }

  TNotifyEvent OnChange, OnDropDown, OnCloseUp;
  void WndProc(TMessage& m) override;

  // The list's choice (a click or Enter in the dropped list).
  void Choose(int index);

 protected:
  ~TComboBox() override;
  void BeforeDestruction() override;
  void Paint() override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void KeyDown(uint16_t& key, TShiftState s) override;
  virtual void Change();

 private:
  void Notify(WPARAM code);
  TStringList items_;
  int item_index_ = -1;
  TComboBoxStyle style_kind_ = csDropDown;
  int drop_count_ = 8;
  int dropped_width_ = 0;
  TComboListForm* list_ = nullptr;
};

// The dropped list: a borderless window of the items, the hot one highlighted.
class TComboListForm : public TForm {
 public:
  TComboListForm(TComponent* owner, TComboBox* combo);
  int HotIndex() const { return hot_; }
  void SetHotIndex(int i);
  int TopIndex() const { return top_; }

 protected:
  void Paint() override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;

 private:
  TComboBox* combo_;
  int hot_ = -1;
  int top_ = 0;
};

}  // namespace tavrel
