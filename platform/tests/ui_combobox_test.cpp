#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/tests/ui_form_fixture.h"
#include "platform/tests/ui_test_support.h"
#include "platform/ui/combobox.h"
#include "platform/ui/metrics.h"
#include "platform/ui/panel.h"
#include "platform/ui/stdctrls.h"

namespace tavrel {
namespace {

using test::Click;
using test::FormPixel;
using test::Type;
using Log = std::vector<std::string>;

const char* const kRates[] = {"8000", "11025", "22050", "32000", "44100", "48000", "96000", "192000"};

class UiComboBox : public test::FormFixture {
 protected:
  void SetUp() override {
    FormFixture::SetUp();
    top = Make<TPanel>(form, Bounds(0, 0, 200, 60));
    combo = Make<TComboBox>(top, Bounds(8, 20, 153, 21));
    combo->SetStyle(csDropDownList);
    for (const char* r : kRates) combo->Items().Add(r);
    below = Make<TPanel>(form, Bounds(0, 60, 320, 120));
    below->SetColor(clYellow);
    button = Make<TButton>(below, Bounds(200, 10, 75, 25));
    button->OnClick = TNotifyEvent([this](TObject*) { log.push_back("button"); });
    combo->OnChange = TNotifyEvent([this](TObject*) { log.push_back("change " + combo->Text()); });
    combo->OnClick = TNotifyEvent([this](TObject*) { log.push_back("click"); });
    combo->OnDropDown = TNotifyEvent([this](TObject*) { log.push_back("dropdown"); });
    combo->OnCloseUp = TNotifyEvent([this](TObject*) { log.push_back("closeup"); });
    Show();
    combo->SetFocus();
  }
  int Changes() const {
    int n = 0;
    for (auto& s : log) n += s.rfind("change", 0) == 0;
    return n;
  }
  // The form point of the middle of a row of the open list.
  TPoint Row(int index) {
    TComboListBox* list = combo->ListBox();
    const TRect r = list->ItemRect(index);
    return list->ClientToForm({r.Left + 10, (r.Top + r.Bottom) / 2});
  }
  TPoint Field() { return combo->ClientToForm({20, 8}); }
  TPoint Button() { return combo->ClientToForm({combo->ButtonRect().Left + 5, 8}); }

  TPanel* top = nullptr;
  TPanel* below = nullptr;
  TComboBox* combo = nullptr;
  TButton* button = nullptr;
  Log log;
};

TEST_F(UiComboBox, OpensEachWayWithDropDownFirst) {
  struct Way {
    const char* name;
    TComboBoxStyle style;
    std::function<void()> open;
  };
  const Way ways[] = {
      {"click on the list style", csDropDownList, [&] { Click(*form, Field().X, Field().Y); }},
      {"click on the button", csDropDown, [&] { Click(*form, Button().X, Button().Y); }},
      {"Alt+Down", csDropDownList, [&] { Type(*form, "{A+Down}"); }},
      {"F4", csDropDown, [&] { Type(*form, "{F4}"); }},
      {"from code", csDropDownList, [&] { combo->Perform(CB_SHOWDROPDOWN, 1); }},
  };
  for (const Way& w : ways) {
    SCOPED_TRACE(w.name);
    combo->SetStyle(w.style);
    log.clear();
    w.open();
    ASSERT_TRUE(combo->DroppedDown());
    EXPECT_EQ(combo->Perform(CB_GETDROPPEDSTATE), 1);
    EXPECT_EQ(log, Log{"dropdown"});
    TComboListBox* list = combo->ListBox();
    EXPECT_TRUE(form->IsOverlay(list));
    EXPECT_EQ(list->FormRect(), Bounds(8, 41, 153, 8 * combo->ItemHeight() + 2)) << "below the combo box";
    EXPECT_FALSE(list->ScrollBarVisible());
    Type(*form, "{Esc}");
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_FALSE(list->Visible());
    EXPECT_EQ(log, (Log{"dropdown", "closeup"}));
  }
  // A click in the field of the editable style goes to the edit, not the list.
  combo->SetStyle(csDropDown);
  Click(*form, Field().X, Field().Y);
  EXPECT_FALSE(combo->DroppedDown());
  // The items OnDropDown adds are in the list it opens.
  combo->SetStyle(csDropDownList);
  combo->OnDropDown = TNotifyEvent([this](TObject*) { combo->Items().Add("384000"); });
  Type(*form, "{F4}");
  EXPECT_EQ(combo->ListBox()->Items().Count(), 9);
  EXPECT_TRUE(combo->ListBox()->ScrollBarVisible()) << "more rows than DropDownCount";
  EXPECT_EQ(combo->ListBox()->Height(), 8 * combo->ItemHeight() + 2);
}

TEST_F(UiComboBox, ListWidthIsAtLeastTheControlsAndTheDroppedWidth) {
  struct Case {
    int dropWidth, want;
  } cases[] = {{0, 153}, {100, 153}, {200, 200}};
  for (const Case& c : cases) {
    EXPECT_EQ(combo->Perform(CB_SETDROPPEDWIDTH, c.dropWidth), c.dropWidth);
    EXPECT_EQ(combo->Perform(CB_GETDROPPEDWIDTH), c.want);
    combo->SetDroppedDown(true);
    EXPECT_EQ(combo->ListBox()->Width(), c.want);
    combo->SetDroppedDown(false);
  }
  // Four items: four rows. A combo box low in the form drops its list upwards.
  combo->Items().Clear();
  for (int i = 0; i < 4; ++i) combo->Items().Add(std::to_string(i));
  combo->SetDroppedDown(true);
  EXPECT_EQ(combo->ListBox()->Height(), 4 * combo->ItemHeight() + 2);
  combo->SetDroppedDown(false);
  top->SetTop(200);
  combo->SetDroppedDown(true);
  EXPECT_EQ(combo->ListBox()->FormRect().Bottom, combo->FormRect().Top);
}

TEST_F(UiComboBox, HoverHighlightsAndAClickPicksOnce) {
  combo->SetItemIndex(0);
  Click(*form, Field().X, Field().Y);
  TComboListBox* list = combo->ListBox();
  EXPECT_EQ(list->ItemIndex(), 0) << "the selection is highlighted at first";
  form->InjectMouse(WM_MOUSEMOVE, Row(4).X, Row(4).Y, 0);
  EXPECT_EQ(list->ItemIndex(), 4);
  EXPECT_EQ(combo->ItemIndex(), 0) << "hovering chooses nothing";
  Click(*form, Row(4).X, Row(4).Y);
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->ItemIndex(), 4);
  EXPECT_EQ(combo->Text(), "44100");
  EXPECT_EQ(log, (Log{"dropdown", "closeup", "click", "change 44100"}));
  // A press on the combo box dragged onto a row and released there picks it.
  log.clear();
  form->InjectMouse(WM_LBUTTONDOWN, Field().X, Field().Y, MK_LBUTTON);
  form->InjectMouse(WM_MOUSEMOVE, Row(2).X, Row(2).Y, MK_LBUTTON);
  EXPECT_EQ(combo->ListBox()->ItemIndex(), 2);
  form->InjectMouse(WM_LBUTTONUP, Row(2).X, Row(2).Y, 0);
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(log, (Log{"dropdown", "closeup", "click", "change 22050"}));
  // Picking the selected item again changes nothing.
  log.clear();
  Click(*form, Field().X, Field().Y);
  Click(*form, Row(2).X, Row(2).Y);
  EXPECT_EQ(log, (Log{"dropdown", "closeup"}));
}

TEST_F(UiComboBox, ArrowsInTheOpenListMoveTheHighlightAndEnterPicks) {
  combo->SetItemIndex(1);
  Type(*form, "{F4}{Down}{Down}{Down}{Up}");
  EXPECT_EQ(combo->ListBox()->ItemIndex(), 3);
  EXPECT_EQ(combo->ItemIndex(), 1);
  Type(*form, "{End}{PgUp}{Home}{PgDn}9");
  EXPECT_EQ(combo->ListBox()->ItemIndex(), 6) << "type-ahead moves the highlight too";
  EXPECT_EQ(Changes(), 0);
  Type(*form, "{Enter}");
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->ItemIndex(), 6);
  EXPECT_EQ(log, (Log{"dropdown", "closeup", "click", "change 96000"}));
  // F4 closes with the highlighted item too.
  log.clear();
  Type(*form, "{F4}{Up}{F4}");
  EXPECT_EQ(combo->ItemIndex(), 5);
  EXPECT_EQ(Changes(), 1);
}

TEST_F(UiComboBox, EscapeAndAClickElsewhereLeaveTheChoice) {
  combo->SetItemIndex(3);
  Type(*form, "{F4}{Down}{Down}{Esc}");
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->ItemIndex(), 3);
  Type(*form, "{F4}{Down}");
  const TPoint b = button->ClientToForm({10, 10});
  Click(*form, b.X, b.Y);
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->ItemIndex(), 3);
  EXPECT_EQ(log, (Log{"dropdown", "closeup", "dropdown", "closeup"}))
      << "the click that closes the list reaches nothing else";
  // Losing the focus closes it as well.
  Type(*form, "{F4}");
  button->SetFocus();
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->ItemIndex(), 3);
}

TEST_F(UiComboBox, EnterAndEscapeBelongToTheOpenListElseToTheFormsButtons) {
  button->SetDefault(true);
  button->SetCancel(true);
  Type(*form, "{F4}{Down}{Enter}");
  EXPECT_EQ(combo->ItemIndex(), 0);
  Type(*form, "{F4}{Esc}");
  EXPECT_EQ(log, (Log{"dropdown", "closeup", "click", "change 8000", "dropdown", "closeup"}));
  Type(*form, "{Enter}{Esc}");
  EXPECT_EQ(log.back(), "button");
  EXPECT_EQ(log.size(), 8u) << "closed: Enter and Escape reach the default and cancel button";
}

TEST_F(UiComboBox, KeysWhileClosedChangeTheSelectionOneEventEach) {
  struct Step {
    std::string keys;
    int want;
    int changes;  // OnChange (and OnClick) raised
  } steps[] = {
      {"{Down}", 0, 1},      {"{Down}{Down}", 2, 2}, {"{Up}", 1, 1},    {"{End}", 7, 1},
      {"{Down}", 7, 0},      {"{Home}", 0, 1},       {"{Up}", 0, 0},    {"{PgDn}", 7, 1},
      {"{PgUp}", 0, 1},      {"4", 4, 1},            {"4", 5, 1},       {"4", 4, 1},
      {"1", 7, 1},           {"9", 6, 1},            {"x", 6, 0},       {"2", 2, 1},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.keys);
    log.clear();
    Type(*form, s.keys);
    EXPECT_EQ(combo->ItemIndex(), s.want);
    EXPECT_EQ(combo->Text(), kRates[s.want]);
    EXPECT_EQ(Changes(), s.changes);
    EXPECT_EQ(static_cast<int>(log.size()), 2 * s.changes) << "OnClick with each OnChange";
  }
}

TEST_F(UiComboBox, ChangesFromCodeRaiseNothing) {
  combo->SetItemIndex(4);
  EXPECT_EQ(combo->Text(), "44100");
  combo->SetText("96000");
  EXPECT_EQ(combo->ItemIndex(), 6);
  combo->SetText("nothing");
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(combo->Text(), "");
  combo->SetItemIndex(2);
  combo->Items().Insert(0, "4000");
  EXPECT_EQ(combo->ItemIndex(), 3) << "the selection follows its item";
  combo->Items().Delete(3);
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(combo->Text(), "");
  combo->SetItemIndex(1);
  combo->Items().Clear();
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_TRUE(log.empty()) << log.front();
}

TEST_F(UiComboBox, SortedKeepsTheSelectedItem) {
  combo->SetItemIndex(4);
  combo->SetSorted(true);
  std::vector<std::string> order;
  for (int i = 0; i < combo->Items().Count(); ++i) order.push_back(combo->Items()[i]);
  EXPECT_EQ(order, (std::vector<std::string>{"11025", "192000", "22050", "32000", "44100", "48000", "8000", "96000"}));
  EXPECT_EQ(combo->Text(), "44100");
  EXPECT_EQ(combo->ItemIndex(), 4);
  combo->Items().Add("10000");
  EXPECT_EQ(combo->Items()[0], "10000");
  EXPECT_EQ(combo->ItemIndex(), 5);
}

TEST_F(UiComboBox, WheelAndScrollBarScrollTheOpenList) {
  combo->Items().Clear();
  for (int i = 0; i < 20; ++i) combo->Items().Add("item " + std::to_string(i));
  combo->SetItemIndex(0);
  Type(*form, "{F4}");
  TComboListBox* list = combo->ListBox();
  ASSERT_TRUE(list->ScrollBarVisible());
  const TPoint over = Row(1);
  form->InjectWheel(over.X, over.Y, -WHEEL_DELTA, 0);
  EXPECT_EQ(list->TopIndex(), 3);
  form->InjectWheel(over.X, over.Y, -5 * WHEEL_DELTA, 0);
  EXPECT_EQ(list->TopIndex(), 12) << "no further than the last page";
  form->InjectWheel(over.X, over.Y, WHEEL_DELTA, 0);
  EXPECT_EQ(list->TopIndex(), 9);
  const TRect up = list->ScrollBar().UpRect();
  const TPoint arrow = list->ClientToForm({up.Left + 5, up.Top + 5});
  Click(*form, arrow.X, arrow.Y);
  EXPECT_EQ(list->TopIndex(), 8);
  EXPECT_TRUE(combo->DroppedDown()) << "the scroll bar picks nothing";
  EXPECT_EQ(combo->ItemIndex(), 0);
  EXPECT_EQ(Changes(), 0);
}

TEST_F(UiComboBox, TheOpenListIsDrawnAboveTheSiblingPanelAndUnclipped) {
  const TColor yellow = clYellow, white = static_cast<TColor>(ColorToRGB(clWindow));
  Pump();
  const TPoint probe{150, 130};  // inside the list to be, over the lower panel
  ASSERT_EQ(FormPixel(*form, probe.X, probe.Y), yellow);
  combo->SetItemIndex(0);
  Type(*form, "{F4}");
  Pump();
  TComboListBox* list = combo->ListBox();
  const TRect r = list->FormRect();
  ASSERT_TRUE(PtInRect(r, probe));
  EXPECT_GT(r.Bottom, top->FormRect().Bottom) << "reaches past the combo box's parent";
  EXPECT_EQ(FormPixel(*form, probe.X, probe.Y), white);
  EXPECT_EQ(FormPixel(*form, r.Left, r.Bottom - 1), clBlack) << "the list's frame";
  EXPECT_EQ(FormPixel(*form, r.Right - 1, 130), clBlack);
  // The rows' text is in the image.
  TBitmap shot;
  shot.AssignSurface(form->Surface());
  TBitmap rows = test::WhiteBitmap(r.Width() - 2, r.Height() - 2);
  rows.Canvas().CopyRect(Rect(0, 0, rows.Width(), rows.Height()), shot.Canvas(),
                         Bounds(r.Left + 1, r.Top + 1, rows.Width(), rows.Height()));
  bool black = false;
  for (int y = combo->ItemHeight(); y < rows.Height(); ++y)
    for (int x = 0; x < rows.Width(); ++x) black = black || rows.Canvas().Pixel(x, y) == clBlack;
  EXPECT_TRUE(black) << "item text below the highlighted first row";
  // Controls below repainting stay below it.
  below->Invalidate();
  button->Invalidate();
  Pump();
  EXPECT_EQ(FormPixel(*form, probe.X, probe.Y), white);
  // Closed, the panel shows again.
  Type(*form, "{Esc}");
  Pump();
  EXPECT_EQ(FormPixel(*form, probe.X, probe.Y), yellow);
}

TEST_F(UiComboBox, EditableStyleCompletesTypedText) {
  combo->SetStyle(csDropDown);
  combo->SetItemIndex(-1);
  log.clear();
  struct Step {
    std::string keys;
    std::string text;
    int selStart, selLength, index;
  } steps[] = {
      {"4", "44100", 1, 4, 4},
      {"8", "48000", 2, 3, 5},
      {"{BS}", "48", 2, 0, -1},
      {"x", "48x", 3, 0, -1},
      {"{Home}{Del}{Del}{Del}7", "7", 1, 0, -1},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.keys);
    Type(*form, s.keys);
    EXPECT_EQ(combo->Text(), s.text);
    EXPECT_EQ(combo->SelStart(), s.selStart);
    EXPECT_EQ(combo->SelLength(), s.selLength);
    EXPECT_EQ(combo->ItemIndex(), s.index);
  }
  EXPECT_EQ(Changes(), 8) << "one OnChange per change of the text";
  combo->SetAutoComplete(false);
  combo->SetText("");
  Type(*form, "4");
  EXPECT_EQ(combo->Text(), "4");
  // Up and Down still choose items, and the field shows them selected.
  log.clear();
  Type(*form, "{Down}");
  EXPECT_EQ(combo->ItemIndex(), 0);
  EXPECT_EQ(combo->Text(), "8000");
  EXPECT_EQ(combo->SelLength(), 4);
  EXPECT_EQ(log, (Log{"click", "change 8000"}));
  // Home and End belong to the field.
  Type(*form, "{End}{Home}");
  EXPECT_EQ(combo->ItemIndex(), 0);
  EXPECT_EQ(combo->SelStart(), 0);
}

TEST_F(UiComboBox, SimpleStyleShowsItsListBelowTheField) {
  combo->SetParent(form);
  combo->SetStyle(csSimple);
  combo->SetHeight(120);
  TComboListBox* list = combo->ListBox();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Parent(), combo);
  EXPECT_TRUE(list->Visible());
  EXPECT_EQ(combo->EditField()->Height(), combo->ItemHeight() + 8);
  EXPECT_EQ(list->Top(), combo->EditField()->Height());
  Type(*form, "{F4}");
  EXPECT_FALSE(combo->DroppedDown());
  const TRect row = list->ItemRect(3);
  const TPoint p = list->ClientToForm({row.Left + 5, row.Top + 3});
  Click(*form, p.X, p.Y);
  EXPECT_EQ(combo->ItemIndex(), 3);
  EXPECT_EQ(combo->Text(), "32000");
  EXPECT_EQ(log, (Log{"click", "change 32000"}));
  EXPECT_TRUE(combo->Focused());
  Type(*form, "{Down}");
  EXPECT_EQ(list->ItemIndex(), 4);
}

// A subclass paints the button and frame itself around the native content.
class DrawnCombo : public TComboBox {
 public:
  using TComboBox::TComboBox;

 protected:
  void Paint() override {
    TCanvas& c = Canvas();
    c.Brush().SetColor(clRed);
    c.FillRect(ClientRect());
    c.Brush().SetColor(clBlue);
    c.FillRect(ButtonRect());
    PaintContent(c);
    TWindowCanvas window(*this);
    window.Brush().SetColor(clLime);
    window.FrameRect(Rect(0, 0, Width(), Height()));
  }
};

TEST_F(UiComboBox, PaintSplitLetsASubclassDrawButtonAndFrame) {
  auto* drawn = Make<DrawnCombo>(below, Bounds(8, 60, 153, 21));
  drawn->SetStyle(csDropDownList);
  drawn->Items().Add("44100");
  drawn->SetItemIndex(0);
  Pump();
  const TRect w = drawn->FormRect();
  const TPoint c = drawn->ClientToForm({0, 0});
  EXPECT_EQ(FormPixel(*form, w.Left, w.Top), clLime) << "drawn over the frame";
  EXPECT_EQ(FormPixel(*form, w.Right - 1, w.Bottom - 1), clLime);
  EXPECT_EQ(FormPixel(*form, c.X + drawn->ButtonRect().Left + 3, c.Y + 5), clBlue);
  bool text = false;
  for (int x = c.X + 3; x < c.X + 40; ++x)
    for (int y = c.Y + 2; y < c.Y + 15; ++y) text = text || FormPixel(*form, x, y) == clBlack;
  EXPECT_TRUE(text) << "the native content on the subclass's background";
  EXPECT_EQ(FormPixel(*form, c.X + 100, c.Y + 8), clRed);
}

TEST_F(UiComboBox, HintShowsAfterTheDelayButNotOverTheOpenList) {
  combo->SetHint("Interface d'entr\xC3\xA9" "e audio");
  combo->SetShowHint(true);
  const TPoint f = Field();
  backend->SetCursorPos(f);
  form->InjectMouse(WM_MOUSEMOVE, f.X, f.Y, 0);
  clock->Advance(app->HintPause());
  Pump();
  EXPECT_TRUE(app->HintShowing());
  EXPECT_EQ(app->HintText(), "Interface d'entr\xC3\xA9" "e audio");
  EXPECT_EQ(app->Screen().ActiveControl(), combo) << "the tooltip takes no activation";
  Click(*form, f.X, f.Y);
  EXPECT_FALSE(app->HintShowing());
  ASSERT_TRUE(combo->DroppedDown());
  form->InjectMouse(WM_MOUSEMOVE, Row(3).X, Row(3).Y, 0);
  clock->Advance(app->HintPause());
  Pump();
  EXPECT_FALSE(app->HintShowing());
}

TEST_F(UiComboBox, DestroyedWhileOpenLeavesNoPopup) {
  Type(*form, "{F4}");
  ASSERT_NE(app->Popup(), nullptr);
  combo->Destroy();
  EXPECT_EQ(app->Popup(), nullptr);
  Click(*form, 150, 130);
  Pump();
  EXPECT_EQ(log.back(), "dropdown");
}

}  // namespace
}  // namespace tavrel
