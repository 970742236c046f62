#include "platform/ui/menus.h"

#include <gtest/gtest.h>

#include "platform/tests/ui_form_fixture.h"

namespace tavrel {
namespace {

using test::FormFixture;

class PopupMenuTest : public FormFixture {
 protected:
  void SetUp() override {
    FormFixture::SetUp();
    form->Show();
    menu = TComponent::Create<TPopupMenu>(form);
    for (const char* c : {"Un", "Deux", "Trois"})
      menu->AddItem(c)->OnClick = TNotifyEvent([this, c](TObject*) { clicked.push_back(c); });
  }
  TPopupMenu* menu = nullptr;
  std::vector<std::string> clicked;
};

TEST_F(PopupMenuTest, ClickRunsTheItemUnderTheMouse) {
  menu->Items(2)->SetEnabled(false);
  menu->Popup(100, 120);
  TForm* w = menu->PopupWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->BoundsRect().TopLeft(), (TPoint{100, 120}));
  EXPECT_EQ(w->Height(), 3 * TPopupMenu::ItemHeight + 2);
  // A disabled item does nothing and keeps the menu open.
  test::Click(*w, 20, 1 + 2 * TPopupMenu::ItemHeight + 5);
  EXPECT_TRUE(clicked.empty());
  EXPECT_NE(menu->PopupWindow(), nullptr);
  test::Click(*w, 20, 1 + TPopupMenu::ItemHeight + 5);
  EXPECT_EQ(clicked, (std::vector<std::string>{"Deux"}));
  EXPECT_EQ(menu->PopupWindow(), nullptr);
  EXPECT_EQ(app->Popup(), nullptr);
}

TEST_F(PopupMenuTest, PressElsewhereClosesAndStaysOnTheScreen) {
  menu->Popup(5000, -40);
  TForm* w = menu->PopupWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Left(), app->Backend().ScreenSize().cx - w->Width());
  EXPECT_EQ(w->Top(), 0);
  test::Click(*form, 10, 10);
  EXPECT_EQ(menu->PopupWindow(), nullptr);
  EXPECT_TRUE(clicked.empty());
  // Going while open leaves no drop-down behind.
  menu->Popup(10, 10);
  menu->Destroy();
  EXPECT_EQ(app->Popup(), nullptr);
  test::Click(*form, 10, 10);
}

}  // namespace
}  // namespace tavrel
