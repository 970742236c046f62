#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/tests/ui_form_fixture.h"
#include "platform/tests/ui_test_support.h"
#include "platform/ui/edit.h"
#include "platform/ui/metrics.h"
#include "platform/ui/stdctrls.h"
#include "platform/ui/utf8.h"

namespace tavrel {
namespace {

using test::Click;
using test::DoubleClick;
using test::FormPixel;
using test::Type;

// An edit whose paste and cut can be refused, as a subclass does by not
// passing the messages on.
class GuardedEdit : public TEdit {
 public:
  using TEdit::TEdit;
  bool refuse = false;
  int pastes = 0, cuts = 0;
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_PASTE || m.Msg == WM_CUT) {
      (m.Msg == WM_PASTE ? pastes : cuts)++;
      if (refuse) return;
    }
    TEdit::WndProc(m);
  }
};

class UiEdit : public test::FormFixture {
 protected:
  void SetUp() override {
    FormFixture::SetUp();
    edit = Make<GuardedEdit>(form, Bounds(10, 10, 121, 21));
    other = Make<TEdit>(form, Bounds(10, 40, 121, 21));
    edit->OnChange = TNotifyEvent([this](TObject*) { ++changes; });
    Show();
  }
  // The edit focused with its text, the caret at the end and the counts cleared.
  void Start(const std::string& text) {
    edit->SetText(text);
    edit->SetFocus();
    edit->SetSelStart(static_cast<int>(Utf8Length(text)));
    changes = 0;
    backend->beeps = 0;
  }
  // Form x of a character boundary.
  int FormX(int index) const { return edit->ClientToForm({edit->PosFromChar(index), 0}).X; }
  int FormY() const { return edit->ClientToForm({0, edit->TextRect().Top + 3}).Y; }

  GuardedEdit* edit = nullptr;
  TEdit* other = nullptr;
  int changes = 0;
};

struct KeyCase {
  const char* name;
  std::string text;                         // the text before, the caret at its end
  std::function<void(GuardedEdit&)> setup;  // may be empty
  std::string keys;
  std::string want;
  int selStart, selLength;
  int caret;  // the end of the selection the caret sits at
  int beeps = 0;
};

TEST_F(UiEdit, KeySequencesGiveTextCaretAndSelection) {
  const std::vector<KeyCase> cases = {
      {"typing", "", {}, "abc", "abc", 3, 0, 3},
      {"typing replaces the selection", "hello world", {}, "{C+A}x", "x", 1, 0, 1},
      {"left and right", "abc", {}, "{Left}{Left}X{Right}Y", "aXbYc", 4, 0, 4},
      {"home and end", "abc", {}, "{Home}X{End}Y", "XabcY", 5, 0, 5},
      {"shift extends from the caret", "abcdef", {}, "{S+Left}{S+Left}", "abcdef", 4, 2, 4},
      {"typing over a shift selection", "abcdef", {}, "{S+Left}{S+Left}Z", "abcdZ", 5, 0, 5},
      {"typing a selection over itself", "abcdef", {}, "{S+Left}f", "abcdef", 6, 0, 6},
      {"shift+home", "abcdef", {}, "{Left}{Left}{Left}{S+Home}", "abcdef", 0, 3, 0},
      {"shift back over the anchor", "abcdef", {}, "{Left}{Left}{S+Right}{S+Left}{S+Left}", "abcdef", 3, 1, 3},
      {"left collapses a selection to its start", "abcdef", {}, "{C+A}{Left}", "abcdef", 0, 0, 0},
      {"right collapses a selection to its end", "abcdef", {}, "{Home}{S+Right}{S+Right}{Right}", "abcdef", 2, 0, 2},
      {"ctrl+left by words", "one two three", {}, "{C+Left}{C+Left}X", "one Xtwo three", 5, 0, 5},
      {"ctrl+right skips the word and its spaces", "one two three", {}, "{Home}{C+Right}X", "one Xtwo three", 5, 0, 5},
      {"ctrl+shift+left selects a word", "one two three", {}, "{C+S+Left}", "one two three", 8, 5, 8},
      {"backspace", "abc", {}, "{BS}", "ab", 2, 0, 2},
      {"backspace deletes the selection only", "abcd", {}, "{S+Left}{S+Left}{BS}", "ab", 2, 0, 2},
      {"backspace at the start", "abc", {}, "{Home}{BS}", "abc", 0, 0, 0},
      {"delete", "abc", {}, "{Home}{Del}", "bc", 0, 0, 0},
      {"delete at the end", "abc", {}, "{Del}", "abc", 3, 0, 3},
      {"characters, not bytes", "h\xC3\xA9\xC3\xA9", {}, "{Left}{BS}", "h\xC3\xA9", 1, 0, 1},
      {"copy then paste", "abc", {}, "{C+A}{C+C}{End}{C+V}", "abcabc", 6, 0, 6},
      {"cut then paste twice", "hello", {}, "{S+Home}{C+X}{C+V}{C+V}", "hellohello", 10, 0, 10},
      {"shift+del cuts, shift+ins pastes", "ab", {}, "{S+Left}{S+Del}{Home}{S+Ins}", "ba", 1, 0, 1},
      {"ctrl+ins copies", "ab", {}, "{C+A}{C+Ins}{End}{S+Ins}", "abab", 4, 0, 4},
      {"paste takes the first line only", "", [](GuardedEdit&) { Clipboard().SetAsText("one\ntwo"); },
       "{C+V}", "one", 3, 0, 3},
      {"max length stops typing", "", [](GuardedEdit& e) { e.SetMaxLength(3); }, "abcd", "abc", 3, 0, 3, 1},
      {"max length counts what the selection frees", "abc", [](GuardedEdit& e) { e.SetMaxLength(3); },
       "{S+Left}xy", "abx", 3, 0, 3, 1},
      {"max length cuts a paste", "a", [](GuardedEdit& e) {
         e.SetMaxLength(4);
         Clipboard().SetAsText("12345");
       },
       "{C+V}", "a123", 4, 0, 4, 1},
      {"max length counts UTF-16 units", "a", [](GuardedEdit& e) { e.SetMaxLength(3); },
       "\xF0\x9F\x98\x80" "b", "a\xF0\x9F\x98\x80", 2, 0, 2, 1},
      {"read-only refuses changes and beeps", "abc", [](GuardedEdit& e) { e.SetReadOnly(true); },
       "x{BS}{Del}{C+V}", "abc", 3, 0, 3, 3},
      {"read-only still moves and selects", "abc", [](GuardedEdit& e) { e.SetReadOnly(true); },
       "{S+Home}", "abc", 0, 3, 0},
      {"a key-down handler swallows Delete", "abc", [](GuardedEdit& e) {
         e.OnKeyDown = TKeyEvent([](TObject*, uint16_t& k, TShiftState) { if (k == VK_DELETE) k = 0; });
       },
       "{Home}{Del}", "abc", 0, 0, 0},
      {"a key-down handler turns Home into End", "abc", [](GuardedEdit& e) {
         e.OnKeyDown = TKeyEvent([](TObject*, uint16_t& k, TShiftState) { if (k == VK_HOME) k = VK_END; });
       },
       "{Left}{Home}x", "abcx", 4, 0, 4},
      {"a key-press handler changes a character", "", [](GuardedEdit& e) {
         e.OnKeyPress = TKeyPressEvent([](TObject*, char32_t& c) { if (c == U',') c = U'.'; });
       },
       "1,5", "1.5", 3, 0, 3},
      {"a key-press handler swallows a character", "", [](GuardedEdit& e) {
         e.OnKeyPress = TKeyPressEvent([](TObject*, char32_t& c) { if (c == U'+') c = 0; });
       },
       "+1+2", "12", 2, 0, 2},
      {"a refused paste changes nothing", "ab", [](GuardedEdit& e) {
         e.refuse = true;
         Clipboard().SetAsText("zz");
       },
       "{C+V}{S+Ins}{S+Left}{C+X}{S+Del}", "ab", 1, 1, 1},
      {"upper case", "", [](GuardedEdit& e) { e.SetCharCase(ecUpperCase); }, "ab\xC3\xA9", "AB\xC3\x89", 3, 0, 3},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    edit->SetMaxLength(0);
    edit->SetReadOnly(false);
    edit->SetCharCase(ecNormal);
    edit->refuse = false;
    edit->OnKeyDown = {};
    edit->OnKeyPress = {};
    Clipboard().SetAsText("");
    Start(c.text);
    if (c.setup) c.setup(*edit);
    backend->beeps = 0;
    Type(*form, c.keys);
    EXPECT_EQ(edit->Text(), c.want);
    EXPECT_EQ(edit->SelStart(), c.selStart);
    EXPECT_EQ(edit->SelLength(), c.selLength);
    EXPECT_EQ(edit->CaretPos(), c.caret);
    EXPECT_EQ(backend->beeps, c.beeps);
  }
}

TEST_F(UiEdit, TheRefusedClipboardMessagesReachedTheSubclass) {
  Start("ab");
  edit->refuse = true;
  Clipboard().SetAsText("zz");
  Type(*form, "{C+V}{S+Ins}{C+A}{C+X}{S+Del}");
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->pastes, 3);
  EXPECT_EQ(edit->cuts, 2);
  EXPECT_EQ(Clipboard().AsText(), "zz") << "a refused cut leaves the clipboard";
  EXPECT_EQ(changes, 0);
}

TEST_F(UiEdit, OnChangeFollowsEveryChangeOfTheTextAndModifiedTheUsersOnly) {
  Start("");
  edit->SetText("512");
  EXPECT_EQ(changes, 1) << "a write from code";
  EXPECT_FALSE(edit->Modified());
  EXPECT_EQ(edit->SelStart(), 0) << "a new text puts the caret at the start";
  edit->SetText("512");
  EXPECT_EQ(changes, 1) << "the same text again";
  edit->SetSelStart(3);
  edit->SetSelLength(-2);
  EXPECT_EQ(changes, 1) << "moving the caret";
  Type(*form, "9");
  EXPECT_EQ(edit->Text(), "59");
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(edit->Modified());
  Type(*form, "{Left}{Right}{S+Home}");
  EXPECT_EQ(changes, 2);
  edit->SetSelText("7");
  EXPECT_EQ(edit->Text(), "7");
  EXPECT_EQ(changes, 3);
  edit->SetText("1");
  EXPECT_FALSE(edit->Modified());
  edit->SetMaxLength(1);
  Type(*form, "{End}2");
  EXPECT_EQ(changes, 4) << "a refused character changes nothing";
  EXPECT_EQ(edit->Perform(EM_GETMODIFY), 0);
}

TEST_F(UiEdit, KeyboardFocusSelectsAllAndAClickPlacesTheCaret) {
  edit->SetText("hello world");
  other->SetFocus();
  bool leftDown = true;
  edit->OnEnter = TNotifyEvent([&](TObject*) { leftDown = GetKeyState(VK_LBUTTON) < 0; });
  Type(*form, "{S+Tab}");
  ASSERT_TRUE(edit->Focused());
  EXPECT_FALSE(leftDown);
  EXPECT_EQ(edit->SelStart(), 0);
  EXPECT_EQ(edit->SelLength(), 11) << "AutoSelect on keyboard entry";
  other->SetFocus();
  form->InjectMouse(WM_LBUTTONDOWN, FormX(2), FormY(), MK_LBUTTON);
  EXPECT_TRUE(leftDown) << "the left button is down as the click brings the focus";
  form->InjectMouse(WM_LBUTTONUP, FormX(2), FormY(), 0);
  EXPECT_EQ(edit->SelStart(), 2);
  EXPECT_EQ(edit->SelLength(), 0) << "a click brings the caret, not a selection";
  edit->SetAutoSelect(false);
  other->SetFocus();
  edit->SetFocus();
  EXPECT_EQ(edit->SelLength(), 0);
}

TEST_F(UiEdit, MousePlacesDragsAndSelectsWords) {
  Start("one two three");
  // A click goes to the nearest boundary: left of a glyph's middle before it.
  const int mid = (edit->PosFromChar(5) + edit->PosFromChar(6)) / 2;
  struct Place {
    int clientX;
    int want;
  } places[] = {{edit->PosFromChar(5), 5},       {mid - 1, 5},
                {edit->PosFromChar(6), 6},       {-1, 0},
                {edit->PosFromChar(13) + 40, 13}};
  for (const Place& p : places) {
    const TPoint f = edit->ClientToForm({p.clientX, edit->TextRect().Top + 3});
    Click(*form, f.X, f.Y);
    EXPECT_EQ(edit->SelStart(), p.want) << p.clientX;
    EXPECT_EQ(edit->SelLength(), 0);
  }
  // Drag right, then back over the anchor.
  form->InjectMouse(WM_LBUTTONDOWN, FormX(4), FormY(), MK_LBUTTON);
  form->InjectMouse(WM_MOUSEMOVE, FormX(7), FormY(), MK_LBUTTON);
  EXPECT_EQ(edit->SelStart(), 4);
  EXPECT_EQ(edit->SelLength(), 3);
  form->InjectMouse(WM_MOUSEMOVE, FormX(1), FormY(), MK_LBUTTON);
  form->InjectMouse(WM_LBUTTONUP, FormX(1), FormY(), 0);
  EXPECT_EQ(edit->SelStart(), 1);
  EXPECT_EQ(edit->SelLength(), 3);
  EXPECT_EQ(edit->CaretPos(), 1);
  form->InjectMouse(WM_MOUSEMOVE, FormX(9), FormY(), 0);
  EXPECT_EQ(edit->SelLength(), 3) << "moving without the button selects nothing";
  // Shift+click extends from the anchor.
  Click(*form, FormX(2), FormY());
  form->InjectMouse(WM_LBUTTONDOWN, FormX(9), FormY(), MK_LBUTTON | MK_SHIFT);
  form->InjectMouse(WM_LBUTTONUP, FormX(9), FormY(), MK_SHIFT);
  EXPECT_EQ(edit->SelStart(), 2);
  EXPECT_EQ(edit->SelLength(), 7);
  // A double click selects the word under the pointer.
  struct Word {
    int inside;  // a character in it
    int start, length;
  } words[] = {{5, 4, 3}, {0, 0, 3}, {12, 8, 5}, {3, 3, 1}};
  for (const Word& w : words) {
    const int x = (FormX(w.inside) + FormX(w.inside + 1)) / 2;
    DoubleClick(*form, x, FormY());
    EXPECT_EQ(edit->SelStart(), w.start) << w.inside;
    EXPECT_EQ(edit->SelLength(), w.length) << w.inside;
  }
}

// Glyphs drawn from the caret positions land where the whole text puts
// them: the edit's positions are the canvas's own measurement.
TEST_F(UiEdit, CaretPositionsAgreeWithTheDrawnGlyphs) {
  for (const std::string text : {"Wavy fill.", "Fr\xC3\xA9quence 44100 Hz", "iiIlWWmm"}) {
    SCOPED_TRACE(text);
    edit->SetText(text);
    const int n = static_cast<int>(Utf8Length(text));
    TBitmap whole = test::WhiteBitmap(200, 20);
    whole.Canvas().Font().Assign(edit->Font());
    whole.Canvas().Brush().SetStyle(TBrushStyle::bsClear);
    whole.Canvas().TextOut(0, 0, text);
    for (int i = 1; i < n; ++i) {
      TBitmap split = test::WhiteBitmap(200, 20);
      TCanvas& c = split.Canvas();
      c.Font().Assign(edit->Font());
      c.Brush().SetStyle(TBrushStyle::bsClear);
      c.TextOut(0, 0, text.substr(0, Utf8Offset(text, i)));
      c.TextOut(edit->PosFromChar(i) - edit->PosFromChar(0), 0, text.substr(Utf8Offset(text, i)));
      ASSERT_EQ(CountDifferentPixels(whole.Surface(), split.Surface()), 0) << "split at " << i;
    }
  }
}

TEST_F(UiEdit, SelectionIsPaintedBetweenTheCaretPositionsWhileFocused) {
  Start("abcdef");
  edit->SetSelStart(1);
  edit->SetSelLength(3);
  Pump();
  const int y = FormY();
  const TColor highlight = static_cast<TColor>(ColorToRGB(clHighlight));
  for (int x = FormX(0) - 1; x < FormX(6) + 2; ++x) {
    const bool inside = x >= FormX(1) && x < FormX(4);
    // Inside, every pixel is highlight or highlighted text; outside none is highlight.
    const TColor p = FormPixel(*form, x, edit->ClientToForm({0, edit->TextRect().Top}).Y);
    EXPECT_EQ(p == highlight, inside) << x << " at " << y;
  }
  other->SetFocus();
  Pump();
  for (int x = FormX(1); x < FormX(4); ++x)
    EXPECT_NE(FormPixel(*form, x, edit->ClientToForm({0, edit->TextRect().Top}).Y), highlight)
        << "no selection shown without the focus";
}

TEST_F(UiEdit, CaretBlinksOnTheFakeClockOnlyWhileFocused) {
  Start("ab");
  Pump();
  const int x = FormX(2), y = FormY();
  const TColor white = static_cast<TColor>(ColorToRGB(clWindow));
  ASSERT_TRUE(edit->CaretShowing());
  EXPECT_NE(FormPixel(*form, x, y), white) << "the caret column is inverted";
  const uint32_t half = GetCaretBlinkTime();
  clock->Advance(half - 1);
  Pump();
  EXPECT_TRUE(edit->CaretShowing());
  clock->Advance(1);
  Pump();
  EXPECT_FALSE(edit->CaretShowing());
  EXPECT_EQ(FormPixel(*form, x, y), white);
  clock->Advance(half);
  Pump();
  EXPECT_TRUE(edit->CaretShowing());
  // Typing shows the caret at once and starts the period again.
  clock->Advance(half - 10);
  Pump();
  Type(*form, "c");
  clock->Advance(half - 1);
  Pump();
  EXPECT_TRUE(edit->CaretShowing());
  other->SetFocus();
  Pump();
  EXPECT_FALSE(edit->CaretShowing());
  EXPECT_TRUE(other->CaretShowing());
  EXPECT_EQ(FormPixel(*form, FormX(3), y), white);
  for (int i = 0; i < 3; ++i) {
    clock->Advance(half);
    Pump();
    EXPECT_FALSE(edit->CaretShowing());
  }
}

TEST_F(UiEdit, LongTextScrollsToKeepTheCaretInTheTextRectangle) {
  edit->SetWidth(60);
  Start("the quick brown fox jumps over the lazy dog");
  const TRect r = edit->TextRect();
  auto inside = [&] {
    const int x = edit->PosFromChar(edit->CaretPos());
    return x >= r.Left && x <= r.Right - 1;
  };
  EXPECT_TRUE(inside()) << "at the end";
  EXPECT_EQ(edit->PosFromChar(edit->CaretPos()), r.Right - 1) << "scrolled no further than needed";
  for (int i = 0; i < 43; ++i) {
    Type(*form, "{Left}");
    ASSERT_TRUE(inside()) << i;
  }
  EXPECT_EQ(edit->PosFromChar(0), r.Left);
  Type(*form, "{End}xyz");
  EXPECT_TRUE(inside());
  Type(*form, "{C+A}{BS}ab");
  EXPECT_EQ(edit->PosFromChar(0), r.Left) << "short again: no scrolling left";
}

TEST_F(UiEdit, AlignmentAndTextRectanglePlaceTheText) {
  Start("ab");
  const TRect r = edit->TextRect();
  const int w = edit->PosFromChar(2) - edit->PosFromChar(0);
  const int room = r.Width() - 1;
  struct Case {
    TAlignment a;
    int first;
  } cases[] = {{taLeftJustify, r.Left}, {taRightJustify, r.Left + room - w}, {taCenter, r.Left + (room - w) / 2}};
  for (const Case& c : cases) {
    edit->SetAlignment(c.a);
    EXPECT_EQ(edit->PosFromChar(0), c.first) << c.a;
    EXPECT_EQ(edit->CharFromPos(c.first + w + 5), 2);
  }
  edit->SetAlignment(taLeftJustify);
  EXPECT_EQ(edit->ClientRect(), Rect(0, 0, 117, 17)) << "the sunken edge is the frame";
  TRect set = Rect(0, 4, 40, 18);
  edit->Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&set));
  TRect got;
  edit->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&got));
  EXPECT_EQ(got, set);
  EXPECT_EQ(edit->PosFromChar(0), 0);
  edit->SetText(std::string(30, 'W'));
  Pump();
  TBitmap shot;
  shot.AssignSurface(form->Surface());
  const TPoint o = edit->ClientToForm({0, 0});
  TBitmap inner = test::WhiteBitmap(edit->ClientWidth(), edit->ClientHeight());
  inner.Canvas().CopyRect(Rect(0, 0, inner.Width(), inner.Height()), shot.Canvas(),
                          Bounds(o.X, o.Y, inner.Width(), inner.Height()));
  const TRect ink = test::InkBounds(inner, static_cast<TColor>(ColorToRGB(clWindow)));
  EXPECT_GE(ink.Top, 4) << "text from the rectangle's top";
  EXPECT_LE(ink.Right, 40) << "clipped at its right";
  edit->Perform(EM_SETRECT, 0, 0);
  EXPECT_EQ(edit->TextRect(), Rect(1, 1, 116, 16)) << "back to the default";
}

TEST_F(UiEdit, BorderStylesDrawInTheFrame) {
  Pump();
  const TPoint o = edit->FormRect().TopLeft();
  EXPECT_EQ(FormPixel(*form, o.X, o.Y), static_cast<TColor>(ColorToRGB(clBtnShadow)));
  EXPECT_EQ(FormPixel(*form, o.X + 1, o.Y + 1), static_cast<TColor>(ColorToRGB(cl3DDkShadow)));
  EXPECT_EQ(FormPixel(*form, o.X + 120, o.Y + 20), static_cast<TColor>(ColorToRGB(clBtnHighlight)));
  edit->SetCtl3D(false);
  Pump();
  EXPECT_EQ(edit->ClientRect(), Rect(0, 0, 119, 19));
  EXPECT_EQ(FormPixel(*form, o.X, o.Y), clBlack);
  EXPECT_EQ(FormPixel(*form, o.X + 1, o.Y + 1), static_cast<TColor>(ColorToRGB(clWindow)));
  edit->SetBorderStyle(bsNone);
  Pump();
  EXPECT_EQ(edit->ClientRect(), Rect(0, 0, 121, 21));
  EXPECT_EQ(FormPixel(*form, o.X, o.Y), static_cast<TColor>(ColorToRGB(clWindow)));
  EXPECT_EQ(edit->ClientToForm({0, 0}), o);
}

TEST_F(UiEdit, PostedKeyDownsRunTheKeyRoad) {
  Start("abc");
  std::vector<uint16_t> seen;
  edit->OnKeyDown = TKeyEvent([&](TObject*, uint16_t& k, TShiftState) { seen.push_back(k); });
  PostMessage(edit->Handle(), WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(edit->CaretPos(), 3) << "posted, not sent";
  Pump();
  EXPECT_EQ(edit->CaretPos(), 2);
  PostMessage(edit->Handle(), WM_KEYDOWN, VK_TAB, 0);
  Pump();
  EXPECT_TRUE(other->Focused()) << "a posted Tab moves the focus";
  EXPECT_EQ(seen, (std::vector<uint16_t>{VK_LEFT, VK_TAB}));
}

// An edit that draws no background of its own shows its parent, windowless
// controls included, exactly where they lie under its client area.
class SeeThroughEdit : public TEdit {
 public:
  using TEdit::TEdit;

 protected:
  void PaintBackground(TCanvas& c) override { PaintParentBackground(*this, c); }
};

TEST_F(UiEdit, AControlCanShowItsParentBehindIt) {
  auto* panel = Make<TCustomControl>(form, Bounds(150, 80, 150, 60));
  panel->SetColor(clYellow);
  auto* label = TComponent::Create<TLabel>(form);
  label->SetParent(panel);
  label->SetBounds(15, 15, 10, 10);
  label->SetCaption("WWWW");
  auto* see = Make<SeeThroughEdit>(panel, Bounds(10, 10, 80, 30));
  see->SetVisible(false);
  Pump();
  TBitmap before;
  before.AssignSurface(form->Surface());
  see->SetVisible(true);
  Pump();
  const TRect client = see->ClientFormRect();
  int compared = 0;
  for (int y = client.Top; y < client.Bottom; ++y)
    for (int x = client.Left; x < client.Right; ++x, ++compared)
      ASSERT_EQ(FormPixel(*form, x, y), before.Canvas().Pixel(x, y)) << x << "," << y;
  EXPECT_EQ(compared, 76 * 26);
  EXPECT_NE(FormPixel(*form, client.Left - 1, client.Top - 1), clYellow) << "its own frame";
  see->SetText("ab");
  Pump();
  int changed = 0;
  for (int y = client.Top; y < client.Bottom; ++y)
    for (int x = client.Left; x < client.Right; ++x) {
      if (FormPixel(*form, x, y) == before.Canvas().Pixel(x, y)) continue;
      ++changed;
      const int cx = x - client.Left;
      EXPECT_TRUE(cx >= see->PosFromChar(0) && cx < see->PosFromChar(2) + 1) << "only the text differs: " << x;
    }
  EXPECT_GT(changed, 10) << "its text over the parent";
}

}  // namespace
}  // namespace tavrel
