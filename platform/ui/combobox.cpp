#include "platform/ui/combobox.h"

#include "platform/ui/drawtext.h"
#include "platform/ui/edges.h"

namespace tavrel {

namespace {
const EnumInfo kComboStyleInfo{"TComboBoxStyle", {"csDropDown", "csSimple", "csDropDownList"}};
}

const ClassInfo& TComboBox::Class() {
  static const ClassInfo ci =
      ClassBuilder<TComboBox>("TComboBox", TCustomControl::Class())
          .prop("Style", &TComboBox::Style, &TComboBox::SetStyle)
          .enumType(kComboStyleInfo)
          .defaultValue(int64_t{csDropDown})
          .prop("DropDownCount", &TComboBox::DropDownCount, &TComboBox::SetDropDownCount)
          .defaultValue(int64_t{8})
          .prop("Items", &TComboBox::ItemsObject)
          .prop("ItemIndex", &TComboBox::ItemIndex, &TComboBox::SetItemIndex)
          .defaultValue(int64_t{-1})
          .event("OnChange", &TComboBox::OnChange)
          .event("OnDropDown", &TComboBox::OnDropDown)
          .event("OnCloseUp", &TComboBox::OnCloseUp)
          .build();
  return ci;
}

TComboBox::TComboBox(TComponent* owner) : TCustomControl(owner) {
  style_ = (style_ | csOpaque) & ~(csSetCaption | csClickEvents);
  SetBounds(0, 0, 145, 21);
  SetColor(clWindow);
  SetTabStop(true);
}

TComboBox::~TComboBox() = default;

void TComboBox::BeforeDestruction() {
  if (TComboListForm* list = list_) {  // the list must not outlive its combo box
    list_ = nullptr;
    if (TApplication* app = Application(); app && app->Popup() == list) app->SetPopup(nullptr, nullptr);
    list->Destroy();
  }
  TCustomControl::BeforeDestruction();
}

int TComboBox::ItemHeight() const { return Font().Metrics().Height; }

void TComboBox::SetItemIndex(int v) {
  if (v < -1 || v >= items_.Count()) v = -1;
  if (v == item_index_) return;
  item_index_ = v;
  TCustomControl::SetText(v >= 0 ? items_.Get(v) : std::string());
  Invalidate();
}

void TComboBox::SetStyle(TComboBoxStyle v) {
  if (v == style_kind_) return;
  style_kind_ = v;
  Invalidate();
}

void TComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TComboBox::Notify(WPARAM code) { Perform(CN_COMMAND, code << 16, 0); }

void TComboBox::Choose(int index) {
  const bool changed = index != item_index_;
  SetItemIndex(index);
  if (changed) Notify(CBN_SELCHANGE);
  SetDroppedDown(false);
}

void TComboBox::SetDroppedDown(bool v) {
  if (v == DroppedDown()) return;
  TApplication* app = Application();
  if (v) {
    if (!app || !Showing()) return;
    TComboListForm* list = TComponent::Create<TComboListForm>(app, this);
    const int rows = std::max(1, std::min(drop_count_, items_.Count()));
    const TPoint at = ClientToScreen({0, Height()});
    list->SetBounds(at.X, at.Y, dropped_width_ > Width() ? dropped_width_ : Width(),
                    rows * ItemHeight() + 2);
    list->SetHotIndex(item_index_);
    list_ = list;
    Notify(CBN_DROPDOWN);
    list->Show();
    app->SetPopup(list, [this] { SetDroppedDown(false); });
  } else {
    TComboListForm* list = list_;
    list_ = nullptr;
    if (app && app->Popup() == list) app->SetPopup(nullptr, nullptr);
    list->Hide();
    list->Release();
    Notify(CBN_CLOSEUP);
  }
  Invalidate();
}

void TComboBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      switch (m.WParam >> 16) {
        case CBN_SELCHANGE: Change(); break;
        case CBN_DROPDOWN:
          if (OnDropDown) OnDropDown(this);
          break;
        case CBN_CLOSEUP:
          if (OnCloseUp) OnCloseUp(this);
          break;
      }
      return;
    case CB_SETDROPPEDWIDTH:
      dropped_width_ = static_cast<int>(m.WParam);
      m.Result = dropped_width_;
      return;
    case CB_GETDROPPEDWIDTH:
      m.Result = dropped_width_ > Width() ? dropped_width_ : Width();
      return;
    case CB_SHOWDROPDOWN:
      SetDroppedDown(m.WParam != 0);
      m.Result = 1;
      return;
    case CB_GETDROPPEDSTATE:
      m.Result = DroppedDown();
      return;
    case WM_GETDLGCODE:
      m.Result = DLGC_WANTARROWS;
      return;
    case WM_SETFOCUS:
      Invalidate();
      break;
    case WM_KILLFOCUS:
      if (DroppedDown()) SetDroppedDown(false);
      Invalidate();
      break;
    case CM_ENABLEDCHANGED:
      if (!Enabled() && DroppedDown()) SetDroppedDown(false);
      break;
    default:
      break;
  }
  TCustomControl::WndProc(m);
}

void TComboBox::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (b == TMouseButton::mbLeft) {
    if (CanFocus() && !Focused()) SetFocus();
    if (style_kind_ == csDropDownList || x >= Width() - ButtonWidth() - 2)
      SetDroppedDown(!DroppedDown());
  }
  TCustomControl::MouseDown(b, s, x, y);
}

void TComboBox::KeyDown(uint16_t& key, TShiftState s) {
  TCustomControl::KeyDown(key, s);
  if (key == VK_F4 || ((s & ssAlt) && (key == VK_DOWN || key == VK_UP))) {
    SetDroppedDown(!DroppedDown());
    return;
  }
  if (DroppedDown()) {
    const int n = items_.Count();
    int hot = list_->HotIndex();
    if (key == VK_DOWN) list_->SetHotIndex(std::min(hot + 1, n - 1));
    else if (key == VK_UP) list_->SetHotIndex(std::max(hot - 1, 0));
    else if (key == VK_RETURN) Choose(hot);
    else if (key == VK_ESCAPE) SetDroppedDown(false);
    return;
  }
  int next = item_index_;
  if (key == VK_DOWN) next = std::min(item_index_ + 1, items_.Count() - 1);
  else if (key == VK_UP) next = std::max(item_index_ - 1, 0);
  else if (key == VK_HOME) next = items_.Count() > 0 ? 0 : -1;
  else if (key == VK_END) next = items_.Count() - 1;
  if (next != item_index_ && next >= 0) {
    SetItemIndex(next);
    Notify(CBN_SELCHANGE);
  }
}

void TComboBox::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  DrawEdge(c, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  const bool enabled = EnabledInChain();
  c.Brush().SetColor(enabled ? Color() : clBtnFace);
  c.Brush().SetStyle(TBrushStyle::bsSolid);
  c.FillRect(r);
  TRect button = Rect(r.Right - ButtonWidth(), r.Top, r.Right, r.Bottom);
  DrawFrameControl(c, button, DFC_SCROLL,
                   DFCS_SCROLLCOMBOBOX | (enabled ? 0u : uint32_t{DFCS_INACTIVE}) |
                       (DroppedDown() ? uint32_t{DFCS_PUSHED} : 0u));
  TRect field = Rect(r.Left + 1, r.Top + 1, button.Left - 1, r.Bottom - 1);
  c.Font().Assign(Font());
  if (Focused() && style_kind_ == csDropDownList && !DroppedDown()) {
    c.Brush().SetColor(clHighlight);
    c.FillRect(field);
    c.Font().SetColor(clHighlightText);
    c.DrawFocusRect(field);
  } else if (!enabled) {
    c.Font().SetColor(clGrayText);
  }
  c.Brush().SetStyle(TBrushStyle::bsClear);
  TRect text = Rect(field.Left + 1, field.Top, field.Right, field.Bottom);
  DrawText(c, Text(), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

// ---- the dropped list ------------------------------------------------------

TComboListForm::TComboListForm(TComponent* owner, TComboBox* combo) : TForm(owner), combo_(combo) {
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetFormStyle(TFormStyle::fsStayOnTop);
  SetColor(clWindow);
  Font().Assign(combo->Font());
}

void TComboListForm::SetHotIndex(int i) {
  if (i == hot_) return;
  hot_ = i;
  const int rows = std::max(1, (ClientHeight() - 2) / std::max(combo_->ItemHeight(), 1));
  if (hot_ >= 0 && hot_ < top_) top_ = hot_;
  if (hot_ >= top_ + rows) top_ = hot_ - rows + 1;
  Invalidate();
}

void TComboListForm::Paint() {
  TCanvas& c = Canvas();
  c.Brush().SetColor(clWindowFrame);
  c.FrameRect(ClientRect());
  c.Font().Assign(Font());
  const int h = combo_->ItemHeight();
  for (int i = top_, y = 1; i < combo_->Items().Count() && y < ClientHeight() - 1; ++i, y += h) {
    const TRect row = Rect(1, y, ClientWidth() - 1, y + h);
    const bool hot = i == hot_;
    c.Brush().SetColor(hot ? clHighlight : clWindow);
    c.Brush().SetStyle(TBrushStyle::bsSolid);
    c.FillRect(row);
    c.Font().SetColor(hot ? clHighlightText : clWindowText);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    TRect text = Rect(row.Left + 2, row.Top, row.Right, row.Bottom);
    DrawText(c, combo_->Items().Get(i), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
}

void TComboListForm::MouseMove(TShiftState s, int x, int y) {
  TForm::MouseMove(s, x, y);
  const int i = top_ + (y - 1) / std::max(combo_->ItemHeight(), 1);
  if (y >= 1 && i < combo_->Items().Count()) SetHotIndex(i);
}

void TComboListForm::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  TForm::MouseUp(b, s, x, y);
  const int i = top_ + (y - 1) / std::max(combo_->ItemHeight(), 1);
  if (b == TMouseButton::mbLeft && y >= 1 && i < combo_->Items().Count())
    combo_->Choose(i);  // closes and releases this list
}

}  // namespace tavrel
