#include "platform/ui/listbox.h"

#include <algorithm>

#include "platform/ui/forms.h"
#include "platform/ui/metrics.h"
#include "platform/utf8.h"

namespace tavrel {

// ---- items -----------------------------------------------------------------

TListItems::TListItems() { SetDuplicates(TDuplicates::dupAccept); }

void TListItems::Put(int index, const std::string& s) {
  TStringList::Put(index, s);
  Tell(TItemsChange::icChanged, index);
}

void TListItems::InsertObject(int index, const std::string& s, TObject* object) {
  TStringList::InsertObject(index, s, object);
  Tell(TItemsChange::icInserted, index);
}

void TListItems::Delete(int index) {
  TStringList::Delete(index);
  Tell(TItemsChange::icDeleted, index);
}

void TListItems::Clear() {
  TStringList::Clear();
  Tell(TItemsChange::icCleared, -1);
}

int TListItems::AddObject(const std::string& s, TObject* object) {
  const int before = Count();
  const int index = TStringList::AddObject(s, object);
  if (Count() != before) Tell(TItemsChange::icInserted, index);
  return index;
}

void TListItems::SetSortedItems(bool sorted) {
  if (sorted == Sorted()) return;
  SetSorted(sorted);
  if (sorted) Tell(TItemsChange::icReordered, -1);
}

namespace {
char32_t FoldCase(char32_t c) { return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c; }
}  // namespace

int SelectionAfter(int selected, TItemsChange what, int at) {
  switch (what) {
    case TItemsChange::icInserted: return selected >= at ? selected + 1 : selected;
    case TItemsChange::icDeleted: return selected == at ? -1 : selected > at ? selected - 1 : selected;
    case TItemsChange::icCleared:
    case TItemsChange::icReordered: return -1;
    case TItemsChange::icChanged: return selected;
  }
  return selected;
}

int SortKeepingSelection(TListItems& items, bool sorted, int selected) {
  const std::string text = selected >= 0 ? items.Get(selected) : std::string();
  items.SetSortedItems(sorted);
  return selected >= 0 ? items.IndexOf(text) : -1;
}

int NextItemStartingWith(const TStrings& items, int from, char32_t ch) {
  const int n = items.Count();
  const char32_t want = FoldCase(ch);
  for (int k = 1; k <= n; ++k) {
    const int i = ((from < 0 ? -1 : from) + k) % n;
    const std::string s = items.Get(i);
    size_t pos = 0;
    if (!s.empty() && FoldCase(NextUTF8(s, pos)) == want) return i;
  }
  return -1;
}

int StepIndex(int index, uint16_t key, int count, int page) {
  if (count <= 0) return index;
  const int step = std::max(page - 1, 1);
  switch (key) {
    case VK_UP: return index < 0 ? 0 : std::max(index - 1, 0);
    case VK_DOWN: return std::min(index + 1, count - 1);
    case VK_HOME: return 0;
    case VK_END: return count - 1;
    case VK_PRIOR: return index < 0 ? 0 : std::max(index - step, 0);
    case VK_NEXT: return std::min(std::max(index, 0) + step, count - 1);
    default: return index;
  }
}

// ---- the list box ----------------------------------------------------------

namespace {
const EnumInfo kBorderStyleInfo{"TBorderStyle", {"bsNone", "bsSingle"}};
}

const ClassInfo& TCustomListBox::Class() {
  static const ClassInfo ci =
      ClassBuilder<TCustomListBox>("TCustomListBox", TCustomControl::Class())
          .prop("BorderStyle", &TCustomListBox::BorderStyle, &TCustomListBox::SetBorderStyle)
          .enumType(kBorderStyleInfo)
          .defaultValue(int64_t{bsSingle})
          .prop("Ctl3D", &TCustomListBox::Ctl3D, &TCustomListBox::SetCtl3D)
          .defaultValue(true)
          .prop("ItemHeight", &TCustomListBox::ItemHeight, &TCustomListBox::SetItemHeight)
          .prop("Sorted", &TCustomListBox::Sorted, &TCustomListBox::SetSorted)
          .defaultValue(false)
          .prop("Items", &TCustomListBox::ItemsObject)
          .build();
  return ci;
}

const ClassInfo& TListBox::Class() {
  static const ClassInfo ci = ClassBuilder<TListBox>("TListBox", TCustomListBox::Class()).build();
  return ci;
}

TCustomListBox::TCustomListBox(TComponent* owner) : TCustomControl(owner) {
  style_ = (style_ | csOpaque) & ~(csSetCaption | csClickEvents);  // OnClick is the user's selection
  items_.OnItemsChange = [this](TItemsChange what, int index) { ItemsChanged(what, index); };
  SetBounds(0, 0, 121, 97);
  SetColor(clWindow);
  SetTabStop(true);
  FrameChanged();
}

void TCustomListBox::ItemsChanged(TItemsChange what, int index) {
  item_index_ = SelectionAfter(item_index_, what, index);
  if (what == TItemsChange::icCleared) top_ = 0;
  SetTopIndex(top_);
  Invalidate();
}

void TCustomListBox::SetItemIndex(int v) {
  if (v < 0 || v >= items_.Count()) v = -1;
  if (v != item_index_) {
    item_index_ = v;
    Invalidate();
  }
  if (v >= 0) MakeVisible(v);
}

void TCustomListBox::SetItemHeight(int v) {
  v = std::clamp(v, 1, 255);
  if (v == item_height_) return;
  item_height_ = v;
  SetTopIndex(top_);
  Invalidate();
}

int TCustomListBox::VisibleRows() const { return std::max(ClientHeight() / item_height_, 1); }

void TCustomListBox::SetTopIndex(int v) {
  v = std::clamp(v, 0, std::max(items_.Count() - VisibleRows(), 0));
  if (v == top_) return;
  top_ = v;
  Invalidate();
}

void TCustomListBox::MakeVisible(int index) {
  if (index < 0) return;
  if (index < top_) SetTopIndex(index);
  else if (index >= top_ + VisibleRows()) SetTopIndex(index - VisibleRows() + 1);
}

void TCustomListBox::SetSorted(bool v) {
  const int selected = item_index_;
  SetItemIndex(SortKeepingSelection(items_, v, selected));
}

void TCustomListBox::SetBorderStyle(TBorderStyle v) {
  if (v != bsNone && v != bsSingle) v = bsSingle;
  if (v == border_style_) return;
  border_style_ = v;
  FrameChanged();
}

void TCustomListBox::SetCtl3D(bool v) {
  if (v == ctl3d_) return;
  ctl3d_ = v;
  FrameChanged();
}

int TCustomListBox::ItemsWidth() const {
  return ScrollBarVisible() ? std::max(ClientWidth() - GetSystemMetrics(SM_CXVSCROLL), 0) : ClientWidth();
}

int TCustomListBox::ItemAtPos(TPoint p) const {
  if (p.X < 0 || p.X >= ItemsWidth() || p.Y < 0 || p.Y >= ClientHeight()) return -1;
  const int i = top_ + p.Y / item_height_;
  return i < items_.Count() ? i : -1;
}

TRect TCustomListBox::ItemRect(int index) const {
  const int y = (index - top_) * item_height_;
  return Rect(0, y, ItemsWidth(), y + item_height_);
}

void TCustomListBox::SyncBar() const {
  bar_.SetBounds(Rect(ItemsWidth(), 0, ClientWidth(), ClientHeight()));
  bar_.SetRange(items_.Count(), VisibleRows());
  bar_.SetPosition(top_);
}

const TVertScrollBar& TCustomListBox::ScrollBar() const {
  SyncBar();
  return bar_;
}

void TCustomListBox::SelectByUser(int index) {
  if (index < 0 || index == item_index_) {
    if (index >= 0) MakeVisible(index);
    return;
  }
  SetItemIndex(index);
  Click();
}

void TCustomListBox::DrawItem(TCanvas& c, int index, const TRect& r, bool selected) {
  c.Brush().SetStyle(TBrushStyle::bsSolid);
  c.Brush().SetColor(selected ? clHighlight : Color());
  c.FillRect(r);
  c.Font().SetColor(!EnabledInChain() ? clGrayText : selected ? clHighlightText : Font().Color());
  c.Brush().SetStyle(TBrushStyle::bsClear);
  c.TextRect(r, r.Left + 2, r.Top, items_.Get(index));
}

void TCustomListBox::Paint() {
  TCanvas& c = Canvas();
  c.Font().Assign(Font());
  const int width = ItemsWidth();
  int y = 0;
  for (int i = top_; i < items_.Count() && y < ClientHeight(); ++i, y += item_height_) {
    const TRect r = ItemRect(i);
    DrawItem(c, i, r, i == item_index_);
    if (i == item_index_ && Focused()) c.DrawFocusRect(r);
  }
  if (y < ClientHeight()) {
    c.Brush().SetStyle(TBrushStyle::bsSolid);
    c.Brush().SetColor(Color());
    c.FillRect(Rect(0, y, width, ClientHeight()));
  }
  if (ScrollBarVisible()) {
    SyncBar();
    bar_.Paint(c, EnabledInChain());
  }
}

void TCustomListBox::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (b == TMouseButton::mbLeft) {
    if (FocusOnClick() && CanFocus() && !Focused()) SetFocus();
    SyncBar();
    if (ScrollBarVisible() && PtInRect(bar_.Bounds(), {x, y})) {
      if (bar_.MouseDown({x, y})) SetTopIndex(bar_.Position());
      Invalidate();
    } else {
      tracking_ = true;
      SelectByUser(ItemAtPos({x, y}));
    }
  }
  TCustomControl::MouseDown(b, s, x, y);
}

void TCustomListBox::MouseMove(TShiftState s, int x, int y) {
  if (bar_.Tracking()) {
    if (bar_.MouseMove({x, y})) SetTopIndex(bar_.Position());
  } else if (tracking_ && (s & ssLeft)) {
    const int row = std::clamp(y, 0, std::max(ClientHeight() - 1, 0));
    SelectByUser(ItemAtPos({std::clamp(x, 0, std::max(ItemsWidth() - 1, 0)), row}));
  }
  TCustomControl::MouseMove(s, x, y);
}

void TCustomListBox::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (b == TMouseButton::mbLeft) {
    if (bar_.Tracking()) Invalidate();
    bar_.MouseUp();
    tracking_ = false;
  }
  TCustomControl::MouseUp(b, s, x, y);
}

void TCustomListBox::MouseWheel(int delta) { SetTopIndex(top_ - delta * 3 / WHEEL_DELTA); }

void TCustomListBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE:
      m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_NCCALCSIZE: {
      auto* r = reinterpret_cast<TRect*>(m.LParam);
      const int e = ClientEdgeWidth(border_style_, ctl3d_);
      *r = InflateRect(*r, -e, -e);
      return;
    }
    case WM_NCPAINT:
      if (auto* dc = reinterpret_cast<TCanvas*>(m.WParam))
        DrawClientEdge(*dc, Rect(0, 0, Width(), Height()), border_style_, ctl3d_);
      return;
    case WM_LBUTTONDBLCLK: {
      // Only a double click on an item is one; on the scroll bar it scrolls again.
      SyncBar();
      const TPoint p = MousePos(m.LParam);
      if (ItemAtPos(p) < 0) {
        m.Msg = WM_LBUTTONDOWN;
        TCustomControl::WndProc(m);
        return;
      }
      break;
    }
    case WM_MOUSEWHEEL:
      MouseWheel(WheelDelta(m.WParam));
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case CM_ENABLEDCHANGED:
      Invalidate();
      break;
    case WM_SIZE:
      SetTopIndex(top_);
      break;
    default:
      break;
  }
  TCustomControl::WndProc(m);
}

void TCustomListBox::DefaultHandler(TMessage& m) {
  if (m.Msg == WM_KEYDOWN) {
    const int next = StepIndex(item_index_, static_cast<uint16_t>(m.WParam), items_.Count(), VisibleRows());
    if (next != item_index_) SelectByUser(next);
    return;
  }
  if (m.Msg == WM_CHAR && m.WParam >= 0x20) {
    const int next = NextItemStartingWith(items_, item_index_, static_cast<char32_t>(m.WParam));
    if (next >= 0) SelectByUser(next);
    return;
  }
  TCustomControl::DefaultHandler(m);
}

}  // namespace tavrel
