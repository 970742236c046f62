#pragma once
// TComboBox: the class library's combo box, in three styles:
//   csDropDown      an edit field (typing completes from the items when
//                   AutoComplete is on) with a button that drops the list;
//   csSimple        the edit field with the list always shown below it;
//   csDropDownList  the selected item's text, not editable, and the button.
//
//   auto* c = TComponent::Create<TComboBox>(form);
//   c->SetParent(form);
//   c->SetStyle(csDropDownList);
//   for (auto s : {"44100", "48000"}) c->Items().Add(s);
//   c->SetItemIndex(0);                 // from code: no OnChange
//   c->OnChange = TNotifyEvent([&](TObject*) { Rate(c->Text()); });
//
// The dropped list is an overlay on the top layer of the combo box's form
// (forms.h): drawn above every other control and not clipped by the combo
// box's parents, so it shows in the form's own image. It opens on a click
// (anywhere on a csDropDownList, on the button otherwise), F4 or Alt+Down,
// raising OnDropDown first (CBN_DROPDOWN); it shows DropDownCount rows,
// with a scroll bar beyond that, at least as wide as the combo box and at
// least the dropped width (CB_SETDROPPEDWIDTH); below the combo box, or
// above when only there it fits in the form. The row under the pointer is
// highlighted and the wheel scrolls it; a click on a row or Enter picks
// the highlighted item; Escape, a click anywhere else or the loss of focus
// closes it with no change. Arrow keys in the open list move the highlight
// only. Closing sends CBN_CLOSEUP (OnCloseUp); a pick then changes the
// selection.
//
// Each change the user makes to the selection (a pick; Up, Down, PageUp,
// PageDown, and in the list style Home, End and type-ahead, while the list
// is closed) raises OnClick then OnChange once (CBN_SELCHANGE); picking the
// selected item again raises nothing. Typing into the edit field raises
// OnChange (CBN_EDITCHANGE). Setting ItemIndex or Text from code raises
// neither.
//
// Painting is split so a subclass can paint the button and frame itself:
// Paint fills the client area, then PaintButton and PaintContent (the
// selected text and its focus look; the edit field paints itself). The
// sunken edge lies in the non-client frame (WM_NCPAINT), two pixels wide.
#include <optional>

#include "platform/ui/edit.h"
#include "platform/ui/forms.h"
#include "platform/ui/listbox.h"

namespace tavrel {

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

inline constexpr UINT CB_SHOWDROPDOWN = 0x014F;
inline constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
inline constexpr UINT CB_GETDROPPEDWIDTH = 0x015F;
inline constexpr UINT CB_SETDROPPEDWIDTH = 0x0160;
// CN_COMMAND notifications (high word of wParam).
inline constexpr WPARAM CBN_SELCHANGE = 1;
inline constexpr WPARAM CBN_EDITCHANGE = 5;
inline constexpr WPARAM CBN_DROPDOWN = 7;
inline constexpr WPARAM CBN_CLOSEUP = 8;

class TCustomComboBox;

// The list of a combo box: dropped on the form's top layer, or shown for
// good below the field of a csSimple combo box.
class TComboListBox : public TCustomListBox {
  TAVREL_CLASS_INFO
 public:
  TComboListBox(TComponent* owner, TCustomComboBox* combo);
  bool CanFocus() const override { return false; }
  // Dropped: the highlight follows the pointer and a release on a row picks it.
  bool Dropped() const { return dropped_; }
  void SetDropped(bool v) { dropped_ = v; }
  using TCustomListBox::MouseWheel;

 protected:
  bool FocusOnClick() const override { return false; }
  void SelectByUser(int index) override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;

 private:
  TCustomComboBox* combo_;
  bool dropped_ = false;
};

class TCustomComboBox : public TCustomControl {
  TAVREL_CLASS_INFO
 public:
  explicit TCustomComboBox(TComponent* owner);

  TStrings& Items() { return items_; }
  TStrings* ItemsObject() const { return const_cast<TListItems*>(&items_); }
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int v);  // -1 or out of range: no selection
  // csDropDownList: selects the item with that text (none when absent);
  // the other styles: the field's text. Neither raises OnChange.
  void SetText(const std::string& v) override;
  TComboBoxStyle Style() const { return style_kind_; }
  void SetStyle(TComboBoxStyle v);
  int DropDownCount() const { return drop_count_; }
  void SetDropDownCount(int v) { drop_count_ = std::max(v, 1); }
  int ItemHeight() const;  // the font's height unless set
  void SetItemHeight(int v);
  bool Sorted() const { return items_.Sorted(); }
  void SetSorted(bool v);
  bool AutoComplete() const { return auto_complete_; }
  void SetAutoComplete(bool v) { auto_complete_ = v; }
  int MaxLength() const { return edit_->MaxLength(); }
  void SetMaxLength(int v) { edit_->SetMaxLength(v); }
  TEditCharCase CharCase() const { return edit_->CharCase(); }
  void SetCharCase(TEditCharCase v) { edit_->SetCharCase(v); }
  // The selection in the edit field.
  int SelStart() const { return edit_->SelStart(); }
  void SetSelStart(int v) { edit_->SetSelStart(v); }
  int SelLength() const { return edit_->SelLength(); }
  void SetSelLength(int v) { edit_->SetSelLength(v); }
  std::string SelText() const { return edit_->SelText(); }

  bool DroppedDown() const { return dropped_; }
  void SetDroppedDown(bool v);
  // The list's width when dropped: the larger of the control's and the dropped width.
  int DroppedWidth() const { return std::max(Width(), dropped_width_); }
  int ButtonWidth() const;
  TRect ButtonRect() const;  // client coordinates
  // The list (dropped or simple), null until first needed; the edit field.
  TComboListBox* ListBox() const { return list_; }
  TCustomEdit* EditField() const { return edit_; }

  TNotifyEvent OnChange, OnDropDown, OnCloseUp;

  void WndProc(TMessage& m) override;
  void DefaultHandler(TMessage& m) override;

 protected:
  ~TCustomComboBox() override;
  void Notification(TComponent* c, TOperation op) override;
  void Paint() override;
  virtual void PaintButton(TCanvas& c);
  virtual void PaintContent(TCanvas& c);
  virtual void Change();
  virtual void DropDown();
  virtual void CloseUp();
  void DoEnter() override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  void Loaded() override;

 private:
  friend class TComboListBox;
  friend class TComboEdit;
  bool Editable() const { return style_kind_ != csDropDownList; }
  TRect ContentRect() const;
  void Notify(WPARAM code) { Perform(CN_COMMAND, code << 16); }
  void UserSelect(int index);  // the user's choice: OnClick, OnChange
  void Close(bool pick);
  void Layout();
  TComboListBox* List();
  void SyncList();
  void ShowText(const std::string& text);  // Text and field, quietly
  void ItemsChanged(TItemsChange what, int index);
  void EditChanged();  // the user changed the field
  void TypeChar(TMessage& m);
  bool ForwardToList(TMessage& m);  // a captured mouse message over the dropped list

  TListItems items_;
  TCustomEdit* edit_ = nullptr;
  TComboListBox* list_ = nullptr;
  int item_index_ = -1;
  std::optional<int> pending_index_;
  TComboBoxStyle style_kind_ = csDropDown;
  int drop_count_ = 8;
  int dropped_width_ = 0;
  int item_height_ = 0;
  bool auto_complete_ = true;
  bool dropped_ = false;
  bool button_down_ = false;
  bool quiet_ = false;   // the field changes by our hand, not the user's
  bool typing_ = false;  // a typed character is being completed
};

class TComboBox : public TCustomComboBox {
  TAVREL_CLASS_INFO
 public:
  using TCustomComboBox::TCustomComboBox;
};

}  // namespace tavrel
