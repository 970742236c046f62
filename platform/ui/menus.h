#pragma once
// TPopupMenu: a list of commands shown at a screen point in a borderless
// window above every other. A click on an enabled item closes the menu and
// runs the item's OnClick; a press anywhere else closes it doing nothing.
//
//   auto* menu = TComponent::Create<TPopupMenu>(form);
//   menu->AddItem("Ancrer")->OnClick = TNotifyEvent([&](TObject*) { ... });
//   menu->Popup(screen.X, screen.Y);
#include <string>
#include <vector>

#include "platform/ui/forms.h"

namespace tavrel {

class TMenuItem : public TComponent {
  TAVREL_CLASS_INFO
 public:
  using TComponent::TComponent;
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  // Runs OnClick when enabled.
  void Click();
  TNotifyEvent OnClick;

 private:
  std::string caption_;
  bool enabled_ = true;
};

class TPopupList;

class TPopupMenu : public TComponent {
  TAVREL_CLASS_INFO
 public:
  using TComponent::TComponent;
  // A new item owned by the menu, last in the list.
  TMenuItem* AddItem(const std::string& caption);
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int i) const { return items_.at(static_cast<size_t>(i)); }
  // Opens the menu with its top-left corner at a screen point (moved in
  // when it would leave the screen); OnPopup runs first.
  void Popup(int x, int y);
  void CloseUp();
  // The menu's window while it is open, else null.
  TForm* PopupWindow() const;
  // Height of one item in the window.
  static constexpr int ItemHeight = 20;
  TNotifyEvent OnPopup;

 protected:
  void Notification(TComponent* c, TOperation op) override;

 private:
  std::vector<TMenuItem*> items_;
  TPopupList* window_ = nullptr;
};

}  // namespace tavrel
