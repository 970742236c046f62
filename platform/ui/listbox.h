#pragma once
// TListBox: a scrolling list of text items, one of them selected. A
// vertical scroll bar appears when the items do not all fit. The user's
// selection (click, drag, arrow keys, type-ahead) raises OnClick; setting
// ItemIndex from code raises nothing. A double click on an item raises
// OnDblClick after the first click selected it.
//
//   auto* list = TComponent::Create<TListBox>(form);
//   list->SetParent(form);
//   list->SetAlign(alClient);
//   list->SetItemHeight(13);
//   list->Items().Add("None");  list->Items().Add("Default");
//   list->SetItemIndex(0);
//   list->OnDblClick = TNotifyEvent([&](TObject*) { form->SetModalResult(mrOk); });
//
// TListItems is the item list of the list controls (this one and the combo
// box): a string list that tells its control of every change, so the
// selection follows inserted and deleted items (a deleted selected item
// leaves no selection) and the control repaints.
#include <functional>

#include "platform/stringlist.h"
#include "platform/ui/controls.h"
#include "platform/ui/edges.h"
#include "platform/ui/scrollbar.h"

namespace tavrel {

enum class TItemsChange { icInserted, icDeleted, icChanged, icCleared, icReordered };

class TListItems : public TStringList {
 public:
  TListItems();
  void Put(int index, const std::string& s) override;
  void InsertObject(int index, const std::string& s, TObject* object) override;
  void Delete(int index) override;
  void Clear() override;
  int AddObject(const std::string& s, TObject* object) override;
  // Keeps the list sorted (ignoring case) or stops doing so.
  void SetSortedItems(bool sorted);

  std::function<void(TItemsChange, int index)> OnItemsChange;

 private:
  void Tell(TItemsChange what, int index) {
    if (OnItemsChange) OnItemsChange(what, index);
  }
};

// Shared by the list controls.
// Where the selected index goes when the items change at `at`: it follows
// its item; -1 when the item went or the list was cleared or reordered.
int SelectionAfter(int selected, TItemsChange what, int at);
// Sorts the items or stops sorting them; the index of the selected item's
// text afterwards (-1 for none).
int SortKeepingSelection(TListItems& items, bool sorted, int selected);
// The first item after `from` (wrapping round) whose text begins with `ch`,
// ignoring case; -1 when none.
int NextItemStartingWith(const TStrings& items, int from, char32_t ch);
// Where a move key (Up, Down, Home, End, PageUp, PageDown) takes a
// selection in a list of `count` items showing `page` rows; `index` itself
// for any other key or an empty list.
int StepIndex(int index, uint16_t key, int count, int page);

class TCustomListBox : public TCustomControl {
  TAVREL_CLASS_INFO
 public:
  explicit TCustomListBox(TComponent* owner);

  TStrings& Items() { return items_; }
  TStrings* ItemsObject() const { return const_cast<TListItems*>(&items_); }
  int ItemIndex() const { return item_index_; }
  // Selects from code (-1 or an index out of range: no selection), brings
  // the item into view; no OnClick.
  void SetItemIndex(int v);
  int ItemHeight() const { return item_height_; }
  void SetItemHeight(int v);
  int TopIndex() const { return top_; }
  void SetTopIndex(int v);
  bool Sorted() const { return items_.Sorted(); }
  void SetSorted(bool v);
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle v);
  bool Ctl3D() const { return ctl3d_; }
  void SetCtl3D(bool v);

  // Rows that fit whole in the client area (at least 1).
  int VisibleRows() const;
  bool ScrollBarVisible() const { return items_.Count() > VisibleRows(); }
  // The item at a client point; -1 when there is none there.
  int ItemAtPos(TPoint p) const;
  // An item's row in client coordinates (outside the client area when scrolled away).
  TRect ItemRect(int index) const;
  void MakeVisible(int index);
  const TVertScrollBar& ScrollBar() const;

  void WndProc(TMessage& m) override;
  void DefaultHandler(TMessage& m) override;

 protected:
  void Paint() override;
  virtual void DrawItem(TCanvas& c, int index, const TRect& r, bool selected);
  // The user chose an item: select it and raise OnClick when it changed.
  virtual void SelectByUser(int index);
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  // Wheel turns, in WHEEL_DELTA units; three rows a notch.
  virtual void MouseWheel(int delta);
  // Whether a press on the list takes the focus (the dropped list does not).
  virtual bool FocusOnClick() const { return true; }
  // Whether a drag with the button down moves the selection.
  bool tracking_ = false;

 private:
  void ItemsChanged(TItemsChange what, int index);
  void SyncBar() const;
  int ItemsWidth() const;
  TListItems items_;
  int item_index_ = -1;
  int top_ = 0;
  int item_height_ = 13;
  TBorderStyle border_style_ = bsSingle;
  bool ctl3d_ = true;
  mutable TVertScrollBar bar_;
};

class TListBox : public TCustomListBox {
  TAVREL_CLASS_INFO
 public:
  using TCustomListBox::TCustomListBox;
};

}  // namespace tavrel
