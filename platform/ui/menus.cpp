#include "platform/ui/menus.h"

#include <algorithm>

#include "platform/classinfo.h"

namespace tavrel {

// The window of an open popup menu: one row per item, the row under the
// mouse highlighted.
class TPopupList : public TForm {
 public:
  TPopupList(TComponent* owner, TPopupMenu* menu) : TForm(owner), menu_(menu) {
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetFormStyle(TFormStyle::fsStayOnTop);
    SetColor(clMenu);
  }
  int hot = -1;

 protected:
  bool ShowActivates() const override { return false; }
  void Paint() override {
    TCanvas& c = Canvas();
    c.Brush().SetColor(clMenu);
    c.FillRect(ClientRect());
    c.Font().Assign(Font());
    for (int i = 0; i < menu_->Count(); ++i) {
      const TRect r = Rect(1, 1 + i * TPopupMenu::ItemHeight, ClientWidth() - 1, 1 + (i + 1) * TPopupMenu::ItemHeight);
      const bool lit = i == hot && menu_->Items(i)->Enabled();
      if (lit) {
        c.Brush().SetColor(clHighlight);
        c.FillRect(r);
      }
      c.Brush().SetStyle(TBrushStyle::bsClear);
      c.Font().SetColor(!menu_->Items(i)->Enabled() ? clGrayText : lit ? clHighlightText : clMenuText);
      c.TextOut(r.Left + 12, r.Top + (TPopupMenu::ItemHeight - c.TextHeight("Ag")) / 2, menu_->Items(i)->Caption());
      c.Brush().SetStyle(TBrushStyle::bsSolid);
    }
    c.Brush().SetColor(clWindowFrame);
    c.FrameRect(ClientRect());
  }
  void MouseMove(TShiftState s, int x, int y) override {
    TForm::MouseMove(s, x, y);
    const int i = ItemAt(y);
    if (i != hot) {
      hot = i;
      Invalidate();
    }
  }
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override {
    TForm::MouseUp(b, s, x, y);
    const int i = ItemAt(y);
    if (i < 0 || !menu_->Items(i)->Enabled()) return;
    TMenuItem* item = menu_->Items(i);
    menu_->CloseUp();
    item->Click();
  }

 private:
  int ItemAt(int y) const {
    const int i = (y - 1) / TPopupMenu::ItemHeight;
    return y >= 1 && i < menu_->Count() ? i : -1;
  }
  TPopupMenu* menu_;
};

const ClassInfo& TMenuItem::Class() {
  static const ClassInfo ci = ClassBuilder<TMenuItem>("TMenuItem", TComponent::Class())
                                  .prop("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption)
                                  .prop("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled)
                                  .defaultValue(true)
                                  .event("OnClick", &TMenuItem::OnClick)
                                  .build();
  return ci;
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

const ClassInfo& TPopupMenu::Class() {
  static const ClassInfo ci = ClassBuilder<TPopupMenu>("TPopupMenu", TComponent::Class())
                                  .event("OnPopup", &TPopupMenu::OnPopup)
                                  .build();
  return ci;
}

TMenuItem* TPopupMenu::AddItem(const std::string& caption) {
  auto* item = TComponent::Create<TMenuItem>(this);
  item->SetCaption(caption);
  item->FreeNotification(this);
  items_.push_back(item);
  return item;
}

void TPopupMenu::Notification(TComponent* c, TOperation op) {
  TComponent::Notification(c, op);
  if (op != TOperation::opRemove) return;
  std::erase(items_, c);
  if (c == window_) window_ = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  TApplication* app = Application();
  if (!app) return;
  if (app->Popup() && app->Popup() != window_) app->ClosePopup();  // one drop-down at a time
  if (OnPopup) OnPopup(this);
  if (!window_) {
    window_ = TComponent::Create<TPopupList>(this, this);
    window_->FreeNotification(this);
  }
  TCanvas measure;
  measure.Font().Assign(window_->Font());
  int w = 80;
  for (TMenuItem* i : items_) w = std::max(w, measure.TextWidth(i->Caption()) + 30);
  const int h = Count() * ItemHeight + 2;
  const TSize screen = app->Backend().ScreenSize();
  x = std::max(0, std::min(x, screen.cx - w));
  y = std::max(0, std::min(y, screen.cy - h));
  window_->hot = -1;
  window_->SetBounds(x, y, w, h);
  window_->Show();
  window_->Invalidate();
  app->SetPopup(window_, [this] { CloseUp(); });
}

void TPopupMenu::CloseUp() {
  if (!window_ || !window_->Visible()) return;
  window_->Hide();
  if (TApplication* app = Application(); app && app->Popup() == window_) app->SetPopup(nullptr, nullptr);
}

TForm* TPopupMenu::PopupWindow() const { return window_ && window_->Visible() ? window_ : nullptr; }

}  // namespace tavrel
