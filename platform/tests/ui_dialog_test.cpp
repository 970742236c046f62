#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/formtext.h"
#include "platform/forms.h"
#include "platform/tests/ui_form_fixture.h"
#include "platform/ui/combobox.h"
#include "platform/ui/module.h"
#include "platform/ui/panel.h"
#include "platform/ui/stdctrls.h"

namespace tavrel {
namespace {

using test::Click;
using test::DoubleClick;
using test::FormPixel;
using test::Type;

// A list dialog laid out as the device list is: the list above a bottom
// panel whose right part holds OK and Cancel.
class ListDialog : public TForm {
 public:
  explicit ListDialog(TComponent* owner) : TForm(owner) {
    SetCaption("Devices");
    SetClientSize(330, 252);
    SetPosition(TPosition::poOwnerFormCenter);
    Constraints().SetMinWidth(200);
    Constraints().SetMinHeight(160);
    bottom = TComponent::Create<TPanel>(this);
    bottom->SetParent(this);
    bottom->SetHeight(41);
    bottom->SetAlign(alBottom);
    right = TComponent::Create<TPanel>(this);
    right->SetParent(bottom);
    right->SetWidth(185);
    right->SetAlign(alRight);
    right->SetBevelOuter(bvNone);
    ok = TComponent::Create<TButton>(this);
    ok->SetParent(right);
    ok->SetBounds(8, 8, 75, 25);
    ok->SetCaption("&OK");
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    cancel = TComponent::Create<TButton>(this);
    cancel->SetParent(right);
    cancel->SetBounds(96, 8, 75, 25);
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    list = TComponent::Create<TListBox>(this);
    list->SetParent(this);
    list->SetAlign(alClient);
    list->SetItemHeight(13);
    list->SetTabOrder(0);
    list->OnDblClick = TNotifyEvent([this](TObject*) { SetModalResult(mrOk); });
    for (const char* s : {"None", "Default", "hw:0,0", "hw:1,0", "pulse"}) list->Items().Add(s);
    list->SetItemIndex(0);
  }
  TPanel* bottom;
  TPanel* right;
  TButton* ok;
  TButton* cancel;
  TListBox* list;
};

class UiDialog : public test::FormFixture {
 protected:
  void SetUp() override {
    FormFixture::SetUp();
    form->SetBounds(100, 100, 400, 300);
    mainButton = Make<TButton>(form, Bounds(10, 10, 75, 25));
    mainButton->OnClick = TNotifyEvent([this](TObject*) { ++mainClicks; });
    Show();
  }
  ListDialog* NewDialog() { return TComponent::Create<ListDialog>(form); }
  // The form point inside a control.
  static TPoint At(TControl* c, int x = 10, int y = 6) { return c->ClientToForm({x, y}); }

  TButton* mainButton = nullptr;
  int mainClicks = 0;
};

TEST_F(UiDialog, PanelsAndListLayOutByAlignment) {
  ListDialog* d = NewDialog();
  EXPECT_EQ(d->ClientWidth(), 330);
  EXPECT_EQ(d->bottom->BoundsRect(), Bounds(0, 211, 330, 41));
  EXPECT_EQ(d->right->BoundsRect(), Bounds(330 - 1 - 185, 1, 185, 39)) << "inside the outer bevel";
  EXPECT_EQ(d->list->BoundsRect(), Rect(0, 0, 330, 211));
  EXPECT_EQ(d->list->ClientRect(), Rect(0, 0, 326, 207)) << "a sunken edge round the list";
  d->SetBounds(0, 0, 100, 100);
  EXPECT_EQ(d->Width(), 200) << "minimum width";
  EXPECT_EQ(d->Height(), 160);
  d->bottom->SetBorderWidth(3);
  d->bottom->SetBevelInner(bvLowered);
  EXPECT_EQ(d->right->Top(), 3 + 1 + 1);
}

TEST_F(UiDialog, ShowModalReturnsTheResultOfTheInput) {
  struct Case {
    const char* name;
    std::function<void(ListDialog&)> input;
    TModalResult want;
    int selected;  // the list's item afterwards
  };
  const std::vector<Case> cases = {
      {"click OK", [](ListDialog& d) { Click(d, At(d.ok).X, At(d.ok).Y); }, mrOk, 0},
      {"click Cancel", [](ListDialog& d) { Click(d, At(d.cancel).X, At(d.cancel).Y); }, mrCancel, 0},
      {"Escape", [](ListDialog& d) { Type(d, "{Esc}"); }, mrCancel, 0},
      {"Enter reaches the default button", [](ListDialog& d) { Type(d, "{Down}{Enter}"); }, mrOk, 1},
      {"double click on an item",
       [](ListDialog& d) {
         const TRect r = d.list->ItemRect(3);
         const TPoint p = d.list->ClientToForm({r.Left + 5, r.Top + 4});
         DoubleClick(d, p.X, p.Y);
       },
       mrOk, 3},
      {"Enter on the focused Cancel button", [](ListDialog& d) { Type(d, "{Tab}{Tab}{Enter}"); }, mrCancel, 0},
      {"Space on the focused OK button", [](ListDialog& d) { Type(d, "{Tab}{Space}"); }, mrOk, 0},
      {"the accelerator", [](ListDialog& d) { d.InjectChar(U'o', ssAlt); }, mrOk, 0},
      {"closing the window", [](ListDialog& d) { d.InjectCloseRequest(); }, mrCancel, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ListDialog* d = NewDialog();
    int listClicks = 0;
    d->list->OnClick = TNotifyEvent([&](TObject*) { ++listClicks; });
    backend->QueueInput([&] { EXPECT_TRUE(d->Showing() && d->Modal()); });
    backend->QueueInput([&] { c.input(*d); });
    EXPECT_EQ(d->ShowModal(), c.want);
    EXPECT_FALSE(d->Showing());
    EXPECT_FALSE(d->Modal());
    EXPECT_EQ(d->list->ItemIndex(), c.selected);
    EXPECT_EQ(listClicks, c.selected == 0 ? 0 : 1);
    EXPECT_FALSE(backend->InputPending());
    d->Destroy();
  }
}

TEST_F(UiDialog, OtherFormsTakeNoInputWhileModalAndTheFocusComesBack) {
  mainButton->SetFocus();
  ListDialog* d = NewDialog();
  backend->QueueInput([&] { Click(*form, 20, 20); });
  backend->QueueInput([&] { Type(*form, "{Space}"); });
  backend->QueueInput([&] { EXPECT_TRUE(d->list->Focused()) << "the first control in tab order"; });
  backend->QueueInput([&] { Type(*d, "{Esc}"); });
  EXPECT_EQ(d->ShowModal(), mrCancel);
  EXPECT_EQ(mainClicks, 0);
  EXPECT_TRUE(form->Active());
  EXPECT_TRUE(mainButton->Focused());
  Click(*form, 20, 20);
  EXPECT_EQ(mainClicks, 1) << "input again once the dialog is gone";
}

TEST_F(UiDialog, DialogIsCentredOnItsOwnerAndClosingMayBeRefused) {
  ListDialog* d = NewDialog();
  int asked = 0;
  d->OnCloseQuery = TCloseQueryEvent([&](TObject*, bool& can) { can = ++asked > 1; });
  backend->QueueInput([&] { Type(*d, "{Esc}"); });
  backend->QueueInput([&] { EXPECT_TRUE(d->Showing()) << "the first close was refused"; });
  backend->QueueInput([&] { Click(*d, At(d->ok).X, At(d->ok).Y); });
  EXPECT_EQ(d->ShowModal(), mrOk);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(d->Left(), 100 + (400 - 330) / 2);
  EXPECT_EQ(d->Top(), 100 + (300 - 252) / 2);
  // Without an owner form: the main form; with none at all, the screen.
  auto* loose = TComponent::Create<ListDialog>(app.get());
  loose->SetPosition(TPosition::poScreenCenter);
  backend->QueueInput([&] { Type(*loose, "{Esc}"); });
  loose->ShowModal();
  EXPECT_EQ(loose->Left(), (1024 - 330) / 2);
  // ShowModal on a showing form is refused.
  d->Show();
  EXPECT_THROW(d->ShowModal(), Exception);
}

TEST_F(UiDialog, ListBoxKeysAndMouseChooseWithOneClickEach) {
  auto* list = Make<TListBox>(form, Bounds(100, 10, 120, 4 * 13 + 4));
  for (int i = 0; i < 10; ++i) list->Items().Add("item " + std::to_string(i));
  std::vector<int> clicks;
  list->OnClick = TNotifyEvent([&](TObject*) { clicks.push_back(list->ItemIndex()); });
  list->SetItemIndex(2);
  EXPECT_TRUE(clicks.empty()) << "from code: no OnClick";
  list->SetFocus();
  EXPECT_EQ(list->VisibleRows(), 4);
  ASSERT_TRUE(list->ScrollBarVisible());
  Type(*form, "{Down}{Down}{Up}{End}{Home}{PgDn}{PgDn}i{Up}{Up}{Up}{Up}");
  EXPECT_EQ(clicks, (std::vector<int>{3, 4, 3, 9, 0, 3, 6, 7, 6, 5, 4, 3}));
  EXPECT_EQ(list->TopIndex(), 3) << "the selection kept in view";
  clicks.clear();
  const TRect r = list->ItemRect(5);
  const TPoint p = list->ClientToForm({r.Left + 5, r.Top + 4});
  Click(*form, p.X, p.Y);
  EXPECT_EQ(clicks, std::vector<int>{5});
  Click(*form, p.X, p.Y);
  EXPECT_EQ(clicks.size(), 1u) << "the same item again";
  const TPoint wheel = list->ClientToForm({10, 10});
  form->InjectWheel(wheel.X, wheel.Y, -WHEEL_DELTA, 0);
  EXPECT_EQ(list->TopIndex(), 6);
  EXPECT_EQ(list->ItemIndex(), 5);
  const TRect down = list->ScrollBar().DownRect();
  const TPoint arrow = list->ClientToForm({down.Left + 4, down.Top + 4});
  DoubleClick(*form, arrow.X, arrow.Y);
  EXPECT_EQ(list->TopIndex(), 6) << "already at the end";
  form->InjectWheel(wheel.X, wheel.Y, 2 * WHEEL_DELTA, 0);
  EXPECT_EQ(list->TopIndex(), 0);
  Click(*form, arrow.X, arrow.Y);
  Click(*form, arrow.X, arrow.Y);
  EXPECT_EQ(list->TopIndex(), 2);
  EXPECT_EQ(clicks.size(), 1u);
  list->Items().Delete(1);
  EXPECT_EQ(list->ItemIndex(), 4) << "follows its item";
  list->Items().Delete(4);
  EXPECT_EQ(list->ItemIndex(), -1);
}

TEST_F(UiDialog, ButtonLooksAndClicks) {
  auto* other = Make<TButton>(form, Bounds(100, 10, 75, 25));
  mainButton->SetDefault(true);
  Pump();
  const TPoint o = mainButton->FormRect().TopLeft();
  const TPoint p = other->FormRect().TopLeft();
  EXPECT_EQ(FormPixel(*form, o.X, o.Y), clBlack) << "the default button's frame";
  EXPECT_NE(FormPixel(*form, p.X, p.Y), clBlack);
  other->SetFocus();
  Pump();
  EXPECT_EQ(FormPixel(*form, p.X, p.Y), clBlack) << "the focused button takes the default look";
  EXPECT_NE(FormPixel(*form, o.X, o.Y), clBlack);
  // Pressed while the mouse holds it over the button; released outside: no click.
  const TPoint in = At(mainButton);
  form->InjectMouse(WM_LBUTTONDOWN, in.X, in.Y, MK_LBUTTON);
  EXPECT_TRUE(mainButton->Pressed());
  form->InjectMouse(WM_MOUSEMOVE, 300, 200, MK_LBUTTON);
  EXPECT_FALSE(mainButton->Pressed());
  form->InjectMouse(WM_LBUTTONUP, 300, 200, 0);
  EXPECT_EQ(mainClicks, 0);
  Click(*form, in.X, in.Y);
  EXPECT_EQ(mainClicks, 1);
  mainButton->SetEnabled(false);
  Type(*form, "{Enter}");
  EXPECT_EQ(mainClicks, 1) << "a disabled default button";
}

TEST_F(UiDialog, PanelBevelsAndCaption) {
  auto* panel = Make<TPanel>(form, Bounds(100, 100, 60, 30));
  Pump();
  const TColor light = static_cast<TColor>(ColorToRGB(clBtnHighlight));
  const TColor dark = static_cast<TColor>(ColorToRGB(clBtnShadow));
  const TColor face = static_cast<TColor>(ColorToRGB(clBtnFace));
  EXPECT_EQ(FormPixel(*form, 100, 100), light);
  EXPECT_EQ(FormPixel(*form, 159, 129), dark);
  EXPECT_EQ(FormPixel(*form, 101, 101), face);
  panel->SetBevelOuter(bvLowered);
  panel->SetBevelInner(bvRaised);
  panel->SetBevelWidth(2);
  Pump();
  EXPECT_EQ(FormPixel(*form, 101, 101), dark);
  EXPECT_EQ(FormPixel(*form, 102, 102), light);
  EXPECT_EQ(FormPixel(*form, 157, 127), dark);
  panel->SetCaption("Panel");
  Pump();
  bool ink = false;
  for (int x = 104; x < 156; ++x)
    for (int y = 104; y < 126; ++y) ink = ink || FormPixel(*form, x, y) == clBlack;
  EXPECT_TRUE(ink);
}

TEST_F(UiDialog, TheControlsLoadFromFormData) {
  ModuleRun classes(UiModuleSteps());
  auto* d = TComponent::Create<TForm>(app.get());
  ReadRootComponent(*d, ObjectTextToBinary(R"(
object Dialog: TForm
  ClientWidth = 330
  ClientHeight = 252
  Position = poOwnerFormCenter
  Constraints.MinWidth = 200
  object Panel1: TPanel
    Height = 41
    Align = alBottom
    object Panel2: TPanel
      Width = 185
      Align = alRight
      BevelOuter = bvNone
      object OKButton: TButton
        Left = 8
        Top = 8
        Width = 75
        Height = 25
        Caption = 'OK'
        Default = True
        ModalResult = 1
      end
      object CancelButton: TButton
        Left = 96
        Top = 8
        Width = 75
        Height = 25
        Caption = 'Cancel'
        Cancel = True
        ModalResult = 2
      end
    end
  end
  object ListBox: TListBox
    Align = alClient
    ItemHeight = 13
    Items.Strings = (
      'None'
      'Default')
  end
  object Rates: TComboBox
    Style = csDropDownList
    ItemIndex = 1
    Items.Strings = (
      '44100'
      '48000')
  end
end)"));
  auto* panel2 = dynamic_cast<TPanel*>(d->FindComponent("Panel2"));
  auto* ok = dynamic_cast<TButton*>(d->FindComponent("OKButton"));
  auto* cancel = dynamic_cast<TButton*>(d->FindComponent("CancelButton"));
  auto* list = dynamic_cast<TListBox*>(d->FindComponent("ListBox"));
  auto* rates = dynamic_cast<TComboBox*>(d->FindComponent("Rates"));
  ASSERT_TRUE(panel2 && ok && cancel && list && rates);
  EXPECT_EQ(d->ClientWidth(), 330);
  EXPECT_EQ(d->Position(), TPosition::poOwnerFormCenter);
  EXPECT_EQ(d->Constraints().MinWidth(), 200);
  EXPECT_EQ(panel2->BevelOuter(), bvNone);
  EXPECT_EQ(panel2->BoundsRect(), Bounds(144, 1, 185, 39));
  EXPECT_TRUE(ok->Default());
  EXPECT_EQ(ok->ModalResult(), mrOk);
  EXPECT_TRUE(cancel->Cancel());
  EXPECT_EQ(list->Items().Count(), 2);
  EXPECT_EQ(list->BoundsRect(), Rect(0, 0, 330, 211));
  EXPECT_EQ(rates->Style(), csDropDownList);
  EXPECT_EQ(rates->ItemIndex(), 1) << "the index read before its items";
  EXPECT_EQ(rates->Text(), "48000");
  backend->QueueInput([&] { Type(*d, "{Enter}"); });
  EXPECT_EQ(d->ShowModal(), mrOk);
}

}  // namespace
}  // namespace tavrel
