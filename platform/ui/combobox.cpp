#include "platform/ui/combobox.h"

#include <algorithm>
#include <utility>

#include "platform/text.h"
#include "platform/ui/drawtext.h"
#include "platform/ui/edges.h"
#include "platform/ui/metrics.h"
#include "platform/ui/utf8.h"

namespace tavrel {

namespace {
const EnumInfo kComboStyleInfo{"TComboBoxStyle", {"csDropDown", "csSimple", "csDropDownList"}};
const EnumInfo kCharCaseInfo{"TEditCharCase", {"ecNormal", "ecUpperCase", "ecLowerCase"}};


bool IsMoveKey(uint16_t key) {
  return key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT || key == VK_HOME || key == VK_END;
}
}  // namespace

// The edit field of the editable styles: the combo box holds the focus and
// hands it the keys; the field shows the caret while the combo box is focused.
class TComboEdit : public TCustomEdit {
 public:
  TComboEdit(TComponent* owner, TCustomComboBox* combo) : TCustomEdit(owner), combo_(combo) {
    SetBorderStyle(bsNone);
    SetTabStop(false);
    SetAutoSelect(false);
    SetParentColor(true);
  }
  bool CanFocus() const override { return false; }

 protected:
  bool ShowsFocus() const override { return combo_->Focused(); }
  void TakeFocus() override {
    if (combo_->CanFocus() && !combo_->Focused()) combo_->SetFocus();
  }
  void Change() override { combo_->EditChanged(); }

 private:
  TCustomComboBox* combo_;
};

// ---- the list --------------------------------------------------------------

const ClassInfo& TComboListBox::Class() {
  static const ClassInfo ci = ClassBuilder<TComboListBox>("TComboListBox", TCustomListBox::Class()).build();
  return ci;
}

TComboListBox::TComboListBox(TComponent* owner, TCustomComboBox* combo) : TCustomListBox(owner), combo_(combo) {
  SetTabStop(false);
  SetVisible(false);
}

void TComboListBox::SelectByUser(int index) {
  if (dropped_) SetItemIndex(index);  // the highlight only; the pick comes on release
  else combo_->UserSelect(index);
}

void TComboListBox::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  // The simple style's list gives the focus to its combo box.
  if (!dropped_ && b == TMouseButton::mbLeft && combo_->CanFocus() && !combo_->Focused()) combo_->SetFocus();
  TCustomListBox::MouseDown(b, s, x, y);
}

void TComboListBox::MouseMove(TShiftState s, int x, int y) {
  if (dropped_ && !ScrollBar().Tracking())
    if (const int i = ItemAtPos({x, y}); i >= 0) SetItemIndex(i);
  TCustomListBox::MouseMove(s, x, y);
}

void TComboListBox::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  const bool onBar = ScrollBar().Tracking();
  TCustomListBox::MouseUp(b, s, x, y);
  if (!dropped_ || b != TMouseButton::mbLeft || onBar) return;
  if (const int i = ItemAtPos({x, y}); i >= 0) {
    SetItemIndex(i);
    combo_->Close(true);
  }
}

// ---- the combo box ---------------------------------------------------------

const ClassInfo& TCustomComboBox::Class() {
  static const ClassInfo ci =
      ClassBuilder<TCustomComboBox>("TCustomComboBox", TCustomControl::Class())
          .prop("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle)
          .enumType(kComboStyleInfo)
          .defaultValue(int64_t{csDropDown})
          .prop("AutoComplete", &TCustomComboBox::AutoComplete, &TCustomComboBox::SetAutoComplete)
          .defaultValue(true)
          .prop("CharCase", &TCustomComboBox::CharCase, &TCustomComboBox::SetCharCase)
          .enumType(kCharCaseInfo)
          .defaultValue(int64_t{ecNormal})
          .prop("DropDownCount", &TCustomComboBox::DropDownCount, &TCustomComboBox::SetDropDownCount)
          .defaultValue(int64_t{8})
          .prop("ItemHeight", &TCustomComboBox::ItemHeight, &TCustomComboBox::SetItemHeight)
          .prop("MaxLength", &TCustomComboBox::MaxLength, &TCustomComboBox::SetMaxLength)
          .defaultValue(int64_t{0})
          .prop("Sorted", &TCustomComboBox::Sorted, &TCustomComboBox::SetSorted)
          .defaultValue(false)
          .prop("Items", &TCustomComboBox::ItemsObject)
          .prop("ItemIndex", &TCustomComboBox::ItemIndex, &TCustomComboBox::SetItemIndex)
          .defaultValue(int64_t{-1})
          .event("OnChange", &TCustomComboBox::OnChange)
          .event("OnDropDown", &TCustomComboBox::OnDropDown)
          .event("OnCloseUp", &TCustomComboBox::OnCloseUp)
          .build();
  return ci;
}

const ClassInfo& TComboBox::Class() {
  static const ClassInfo ci = ClassBuilder<TComboBox>("TComboBox", TCustomComboBox::Class()).build();
  return ci;
}

TCustomComboBox::TCustomComboBox(TComponent* owner) : TCustomControl(owner) {
  style_ = (style_ | csOpaque) & ~(csSetCaption | csClickEvents);
  items_.OnItemsChange = [this](TItemsChange what, int index) { ItemsChanged(what, index); };
  edit_ = TComponent::Create<TComboEdit>(this, this);
  edit_->SetParent(this);
  SetBounds(0, 0, 145, 21);
  SetColor(clWindow);
  SetTabStop(true);
  FrameChanged();
  Layout();
}

TCustomComboBox::~TCustomComboBox() = default;

void TCustomComboBox::Notification(TComponent* c, TOperation op) {
  TCustomControl::Notification(c, op);
  if (op != TOperation::opRemove) return;
  if (c == list_) {
    if (TApplication* app = Application(); app && app->Popup() == list_) app->SetPopup(nullptr, nullptr);
    list_ = nullptr;
    dropped_ = false;
  }
  if (c == edit_) edit_ = nullptr;
}

// ---- items and selection ---------------------------------------------------

int TCustomComboBox::ItemHeight() const { return item_height_ > 0 ? item_height_ : Font().Metrics().Height; }

void TCustomComboBox::SetItemHeight(int v) {
  item_height_ = std::clamp(v, 0, 255);
  Layout();
}

void TCustomComboBox::ShowText(const std::string& text) {
  TFlagHold hold(quiet_);
  if (edit_) edit_->SetText(text);
  TCustomControl::SetText(text);
}

void TCustomComboBox::SetItemIndex(int v) {
  if (IsLoadingInChain()) {  // form data gives the index before the items
    pending_index_ = v;
    return;
  }
  if (v < 0 || v >= items_.Count()) v = -1;
  item_index_ = v;
  ShowText(v >= 0 ? items_.Get(v) : std::string());
  if (list_ && !dropped_) list_->SetItemIndex(v);
  Invalidate();
}

void TCustomComboBox::Loaded() {
  TCustomControl::Loaded();
  if (pending_index_) SetItemIndex(*std::exchange(pending_index_, std::nullopt));
}

void TCustomComboBox::SetText(const std::string& v) {
  if (!Editable()) {
    SetItemIndex(items_.IndexOf(v));
    return;
  }
  ShowText(v);
  item_index_ = -1;
  for (int i = 0; i < items_.Count(); ++i)
    if (items_.Get(i) == v) {
      item_index_ = i;
      break;
    }
}

void TCustomComboBox::SetSorted(bool v) {
  const int selected = item_index_;
  item_index_ = SortKeepingSelection(items_, v, selected);
  SyncList();
}

void TCustomComboBox::ItemsChanged(TItemsChange what, int index) {
  const int next = SelectionAfter(item_index_, what, index);
  if (what == TItemsChange::icReordered) item_index_ = next;  // SetSorted finds the text again
  else if (next < 0 && item_index_ >= 0) SetItemIndex(-1);  // its text goes with it
  else item_index_ = next;
  if (what == TItemsChange::icChanged && index == item_index_) ShowText(items_.Get(index));
  SyncList();
  Invalidate();
}

void TCustomComboBox::UserSelect(int index) {
  if (index < 0 || index == item_index_) return;
  SetItemIndex(index);
  if (Editable() && edit_) edit_->SelectAll();
  Notify(CBN_SELCHANGE);
}

void TCustomComboBox::EditChanged() {
  if (quiet_ || !edit_) return;
  TCustomControl::SetText(edit_->Text());
  item_index_ = -1;  // typed text is no item until completed
  if (!typing_) Notify(CBN_EDITCHANGE);
}

void TCustomComboBox::TypeChar(TMessage& m) {
  if (!edit_) return;
  const std::string before = Text();
  const char32_t ch = static_cast<char32_t>(m.WParam);
  {
    TFlagHold hold(typing_);
    edit_->DefaultHandler(m);
    const std::string typed = edit_->Text();
    const int typedLength = static_cast<int>(Utf8Length(typed));
    if (auto_complete_ && ch >= 0x20 && ch != 0x7F && !typed.empty() && edit_->SelLength() == 0 &&
        edit_->CaretPos() == typedLength) {
      for (int i = 0; i < items_.Count(); ++i) {
        const std::string item = items_.Get(i);
        if (item.size() < typed.size() || !SameText(item.substr(0, typed.size()), typed)) continue;
        ShowText(item);
        item_index_ = i;
        edit_->SetSelStart(typedLength);
        edit_->SetSelLength(static_cast<int>(Utf8Length(item)) - typedLength);
        break;
      }
    }
  }
  if (dropped_ && list_) list_->SetItemIndex(item_index_);
  if (Text() != before) Notify(CBN_EDITCHANGE);
}

// ---- the list --------------------------------------------------------------

TComboListBox* TCustomComboBox::List() {
  if (!list_) list_ = TComponent::Create<TComboListBox>(this, this);
  return list_;
}

void TCustomComboBox::SyncList() {
  if (!list_) return;
  list_->Items().Assign(&items_);
  list_->SetItemIndex(item_index_);
}

int TCustomComboBox::ButtonWidth() const { return GetSystemMetrics(SM_CXVSCROLL); }

TRect TCustomComboBox::ButtonRect() const {
  const TRect c = ClientRect();
  return Rect(std::max(c.Right - ButtonWidth(), 0), 0, c.Right, c.Bottom);
}

TRect TCustomComboBox::ContentRect() const {
  return Rect(1, 1, std::max(ButtonRect().Left - 1, 1), std::max(ClientHeight() - 1, 1));
}

void TCustomComboBox::Layout() {
  if (!edit_) return;
  const TRect c = ClientRect();
  if (style_kind_ == csSimple) {
    const int fieldHeight = std::min(ItemHeight() + 8, c.Height());
    edit_->SetBorderStyle(bsSingle);
    edit_->SetBounds(0, 0, c.Width(), fieldHeight);
    edit_->ResetTextRect();
    edit_->Show();
    TComboListBox* list = List();
    if (list->Parent() != this) {
      if (TForm* f = list->ParentForm()) f->SetOverlay(list, false);
      list->SetParent(this);
    }
    list->SetDropped(false);
    list->SetBorderStyle(bsSingle);
    list->SetCtl3D(true);
    list->SetItemHeight(ItemHeight());
    list->SetBounds(0, fieldHeight, c.Width(), std::max(c.Height() - fieldHeight, 0));
    list->Show();
    SyncList();
    return;
  }
  if (list_ && list_->Parent() == this) {
    list_->Hide();
    list_->SetParent(nullptr);
  }
  const TRect field = ContentRect();
  edit_->SetBorderStyle(bsNone);
  edit_->SetBoundsRect(field);
  const int top = std::max((field.Height() - Font().Metrics().Height) / 2, 0);
  edit_->SetTextRect(Rect(1, top, std::max(field.Width() - 1, 1), field.Height()));
  edit_->SetVisible(style_kind_ == csDropDown);
}

void TCustomComboBox::SetStyle(TComboBoxStyle v) {
  if (v != csSimple && v != csDropDownList) v = csDropDown;
  if (v == style_kind_) return;
  Close(false);
  style_kind_ = v;
  FrameChanged();
  Layout();
  if (!Editable()) ShowText(item_index_ >= 0 ? items_.Get(item_index_) : std::string());
  Invalidate();
}

void TCustomComboBox::SetDroppedDown(bool v) {
  if (!v) {
    Close(false);
    return;
  }
  TForm* f = ParentForm();
  TApplication* app = Application();
  if (dropped_ || style_kind_ == csSimple || !f || !app || !Showing() || !EnabledInChain()) return;
  app->ClosePopup();
  app->CancelHint();
  Notify(CBN_DROPDOWN);  // OnDropDown may still fill the items
  TComboListBox* list = List();
  if (list->Parent() != f) {
    list->SetParent(f);
    f->SetOverlay(list, true);
  }
  list->SetBorderStyle(bsSingle);
  list->SetCtl3D(false);
  list->SetColor(Color());
  list->Font().Assign(Font());
  list->SetItemHeight(ItemHeight());
  SyncList();
  list->SetDropped(true);
  const int rows = std::clamp(items_.Count(), 1, drop_count_);
  const int frame = 2 * ClientEdgeWidth(bsSingle, false);
  const int w = DroppedWidth(), h = rows * ItemHeight() + frame;
  const TRect at = FormRect();
  int y = at.Bottom;
  if (y + h > f->ClientHeight() && at.Top - h >= 0) y = at.Top - h;
  const int x = std::max(std::min(at.Left, f->ClientWidth() - w), 0);
  list->SetBounds(x, y, w, h);
  list->SetItemIndex(item_index_);
  list->BringToFront();
  list->Show();
  dropped_ = true;
  app->SetPopup(list, [this] { Close(false); });
  Invalidate();
}

void TCustomComboBox::Close(bool pick) {
  if (!dropped_) return;
  dropped_ = false;
  button_down_ = false;
  const int hot = list_ ? list_->ItemIndex() : -1;
  if (list_) {
    list_->SetDropped(false);
    list_->Hide();
    if (TApplication* app = Application(); app && app->Popup() == list_) app->SetPopup(nullptr, nullptr);
  }
  Invalidate();
  Notify(CBN_CLOSEUP);
  if (pick) UserSelect(hot);
}

bool TCustomComboBox::ForwardToList(TMessage& m) {
  if (!dropped_ || !list_ || !MouseCapture()) return false;
  const TPoint p = ClientToForm(MousePos(m.LParam));
  if (!PtInRect(list_->FormRect(), p)) return false;
  const TPoint origin = list_->ClientToForm({0, 0});
  list_->Perform(m.Msg, m.WParam, MakeMousePos(p.X - origin.X, p.Y - origin.Y));
  return true;
}

// ---- events ----------------------------------------------------------------

void TCustomComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TCustomComboBox::DropDown() {
  if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::CloseUp() {
  if (OnCloseUp) OnCloseUp(this);
}

void TCustomComboBox::DoEnter() {
  if (Editable() && edit_ && !(ControlState() & csLButtonDown)) edit_->SelectAll();
  TCustomControl::DoEnter();
}

void TCustomComboBox::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (b == TMouseButton::mbLeft) {
    if (CanFocus() && !Focused()) SetFocus();
    if (style_kind_ == csDropDownList || (style_kind_ == csDropDown && PtInRect(ButtonRect(), {x, y}))) {
      button_down_ = true;
      SetDroppedDown(true);
    }
  }
  TCustomControl::MouseDown(b, s, x, y);
}

void TCustomComboBox::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (b == TMouseButton::mbLeft && button_down_) {
    button_down_ = false;
    Invalidate();
  }
  TCustomControl::MouseUp(b, s, x, y);
}

void TCustomComboBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
      // A drag that began on the combo box and goes on over its list.
      if (ForwardToList(m)) {
        if (m.Msg == WM_LBUTTONUP) {
          SetMouseCapture(false);
          button_down_ = false;
        }
        return;
      }
      break;
    case CN_COMMAND:
      switch (m.WParam >> 16) {
        case CBN_SELCHANGE:
          Click();
          Change();
          break;
        case CBN_EDITCHANGE: Change(); break;
        case CBN_DROPDOWN: DropDown(); break;
        case CBN_CLOSEUP: CloseUp(); break;
        default: break;
      }
      return;
    case CB_SETDROPPEDWIDTH:
      dropped_width_ = std::max(static_cast<int>(m.WParam), 0);
      m.Result = dropped_width_;
      return;
    case CB_GETDROPPEDWIDTH:
      m.Result = DroppedWidth();
      return;
    case CB_SHOWDROPDOWN:
      SetDroppedDown(m.WParam != 0);
      m.Result = 1;
      return;
    case CB_GETDROPPEDSTATE:
      m.Result = dropped_;
      return;
    case WM_GETDLGCODE:
      m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | (dropped_ ? DLGC_WANTALLKEYS : 0);
      return;
    case WM_NCCALCSIZE:
      if (style_kind_ != csSimple) {
        auto* r = reinterpret_cast<TRect*>(m.LParam);
        const int e = ClientEdgeWidth(bsSingle, true);
        *r = InflateRect(*r, -e, -e);
      }
      return;
    case WM_NCPAINT:
      if (auto* dc = reinterpret_cast<TCanvas*>(m.WParam); dc && style_kind_ != csSimple)
        DrawClientEdge(*dc, Rect(0, 0, Width(), Height()), bsSingle, true);
      return;
    case WM_SETFOCUS:
      if (edit_ && Editable()) edit_->Perform(WM_SETFOCUS);
      Invalidate();
      break;
    case WM_KILLFOCUS:
      Close(false);
      if (edit_) edit_->Perform(WM_KILLFOCUS);
      Invalidate();
      break;
    case CM_ENABLEDCHANGED:
    case CM_VISIBLECHANGED:
      if (!Enabled() || !Visible()) Close(false);
      break;
    case WM_SIZE:
    case CM_FONTCHANGED:
      Layout();
      break;
    case CM_TEXTCHANGED:
      Invalidate();
      return;
    case WM_MOUSEWHEEL:
      if (dropped_ && list_) list_->MouseWheel(WheelDelta(m.WParam));
      return;
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
    case WM_CLEAR:
      if (Editable() && edit_) edit_->Perform(m.Msg, m.WParam, m.LParam);
      return;
    default:
      break;
  }
  TCustomControl::WndProc(m);
}

void TCustomComboBox::DefaultHandler(TMessage& m) {
  if (m.Msg == WM_KEYDOWN || m.Msg == WM_SYSKEYDOWN) {
    const uint16_t key = static_cast<uint16_t>(m.WParam);
    const TShiftState s = static_cast<TShiftState>(m.LParam);
    const bool toggle = (key == VK_F4 && !(s & ssAlt)) || ((s & ssAlt) && (key == VK_DOWN || key == VK_UP));
    if (toggle && style_kind_ != csSimple) {
      if (dropped_) Close(true);
      else SetDroppedDown(true);
      return;
    }
    if (dropped_ && list_) {
      if (key == VK_RETURN) Close(true);
      else if (key == VK_ESCAPE) Close(false);
      else if (IsMoveKey(key))
        list_->SetItemIndex(StepIndex(list_->ItemIndex(), key, items_.Count(), list_->VisibleRows()));
      else if (Editable() && edit_) edit_->DefaultHandler(m);
      return;
    }
    const bool listKey = !(s & ssAlt) && IsMoveKey(key) && (!Editable() || (key != VK_HOME && key != VK_END));
    if (listKey) {
      const int next = StepIndex(item_index_, key, items_.Count(), drop_count_);
      if (next != item_index_) UserSelect(next);
      return;
    }
    if (Editable() && edit_) edit_->DefaultHandler(m);
    return;
  }
  if (m.Msg == WM_CHAR) {
    const char32_t ch = static_cast<char32_t>(m.WParam);
    if (Editable()) {
      TypeChar(m);
      return;
    }
    if (ch < 0x20) return;
    if (dropped_ && list_) {
      if (const int hot = NextItemStartingWith(items_, list_->ItemIndex(), ch); hot >= 0) list_->SetItemIndex(hot);
    } else {
      UserSelect(NextItemStartingWith(items_, item_index_, ch));
    }
    return;
  }
  TCustomControl::DefaultHandler(m);
}

// ---- painting --------------------------------------------------------------

void TCustomComboBox::Paint() {
  TCanvas& c = Canvas();
  c.Brush().SetStyle(TBrushStyle::bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(ClientRect());
  if (style_kind_ != csSimple) PaintButton(c);
  PaintContent(c);
}

void TCustomComboBox::PaintButton(TCanvas& c) {
  uint32_t state = DFCS_SCROLLCOMBOBOX;
  if (!EnabledInChain()) state |= DFCS_INACTIVE;
  if (dropped_ && button_down_) state |= DFCS_PUSHED;
  DrawFrameControl(c, ButtonRect(), DFC_SCROLL, state);
}

void TCustomComboBox::PaintContent(TCanvas& c) {
  if (Editable()) return;  // the edit field paints itself
  const TRect field = ContentRect();
  c.Font().Assign(Font());
  const bool focusLook = Focused() && !dropped_;
  if (focusLook) {
    c.Brush().SetStyle(TBrushStyle::bsSolid);
    c.Brush().SetColor(clHighlight);
    c.FillRect(field);
    c.Font().SetColor(clHighlightText);
  } else if (!EnabledInChain()) {
    c.Font().SetColor(clGrayText);
  }
  c.Brush().SetStyle(TBrushStyle::bsClear);
  TRect text = Rect(field.Left + 2, field.Top, field.Right, field.Bottom);
  DrawText(c, Text(), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (focusLook) c.DrawFocusRect(field);
}

}  // namespace tavrel
