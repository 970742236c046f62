#include "controls/AdvSpin.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "controls/tests/controls_test_support.h"
#include "platform/tests/ui_form_fixture.h"

namespace tavrel {
namespace {

class SpinTest : public test::ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    saved_locale_ = FormatSettings();
    other = Make<TEdit>(form, Bounds(8, 8, 100, 21));
  }
  void TearDown() override {
    SetFormatSettings(saved_locale_);
    ControlsTest::TearDown();
  }
  // The main window's buffer-size field.
  TAdvSpinEdit* MainSpin() {
    auto* e = Make<TAdvSpinEdit>(form, Bounds(304, 88, 129, 22));
    e->SetDirection(spHorizontal);
    e->SetColor(16771030);
    e->SetFocusColor(clNone);
    e->SetMinValue(32);
    e->SetMaxValue(8192);
    e->SetValue(512);
    e->OnChange = TNotifyEvent([this](TObject*) { ++changes; });
    return e;
  }
  TAdvSpinEdit* Spin(TAdvSpinType kind = sptNormal) {
    auto* e = Make<TAdvSpinEdit>(form, Bounds(10, 100, 129, 22));
    e->SetSpinType(kind);
    return e;
  }
  void Focus(TWinControl* c) {
    Paint();
    c->SetFocus();
  }
  // Text, caret and selection as the user would leave them.
  static void Place(TAdvSpinEdit* e, const std::string& text, int caret, int selection = 0) {
    e->SetText(text);
    e->SetSelStart(caret);
    e->SetSelLength(selection);
  }
  void Type(const std::string& keys) { test::Type(*form, keys); }
  void UseLocale(const std::string& dateFormat, char32_t dateSep) {
    TFormatSettings fs;
    fs.ShortDateFormat = dateFormat;
    fs.DateSeparator = dateSep;
    SetFormatSettings(fs);
  }

  TEdit* other = nullptr;
  int changes = 0;

 private:
  TFormatSettings saved_locale_;
};

TEST_F(SpinTest, CreatedWithItsDefaults) {
  TAdvSpinEdit* e = Spin();
  EXPECT_EQ(e->Text(), "0");
  EXPECT_EQ(e->Version(), "1.4.5.2");
  e->SetVersion("9.9.9.9");
  EXPECT_EQ(e->Version(), "1.4.5.2");
  EXPECT_EQ(e->Increment(), 1);
  EXPECT_EQ(e->IncrementPage(), 10);
  EXPECT_DOUBLE_EQ(e->IncrementFloat(), 0.1);
  EXPECT_EQ(e->FocusColor(), clWindow);
  EXPECT_TRUE(e->AllowNullValue());
  EXPECT_EQ(e->Button()->Width(), 15);
  EXPECT_EQ(e->Button()->FocusControl(), e);
}

// ---- clamps ---------------------------------------------------------------------

TEST_F(SpinTest, IntegerClampFollowsTheBoundsThatAreSet) {
  struct Case {
    int min, max;
    int64_t in;
    int out;
  } cases[] = {
      {0, 0, -5, -5},         {0, 0, 1000000000, 1000000000}, {32, 8192, 9999, 8192}, {32, 8192, 5, 32},
      {32, 8192, 512, 512},   {0, 100, -5, 0},                {0, 100, 200, 100},     {5, 5, 7, 5},
      // Only a minimum, or an inverted range: the minimum alone applies.
      {10, 0, 5, 10},         {10, 0, 20, 20},                {100, 10, 50, 100},     {100, 10, 500, 500},
      {0, 0, int64_t{INT_MAX} + 1, INT_MAX}, {0, 0, int64_t{INT_MIN} - 1, INT_MIN},
  };
  TAdvSpinEdit* e = Spin();
  for (const Case& c : cases) {
    e->SetMinValue(c.min);
    e->SetMaxValue(c.max);
    EXPECT_EQ(e->ClampValue(c.in), c.out) << c.min << ".." << c.max << " " << c.in;
    if (c.in >= INT_MIN && c.in <= INT_MAX) {
      e->SetValue(static_cast<int>(c.in));
      EXPECT_EQ(e->Text(), std::to_string(c.out));
    }
  }
}

TEST_F(SpinTest, FloatAndDateClampsNeedDifferentBounds) {
  struct Case {
    double min, max, in, out;
  } cases[] = {
      {0, 0, -7.5, -7.5}, {1.5, 1.5, 7, 7}, {1, 2, 3, 2}, {1, 2, 0, 1}, {1, 2, 1.5, 1.5},
      {2, 1, 5, 5},  // inverted: the minimum alone
      {2, 1, 0, 2},
  };
  TAdvSpinEdit* e = Spin(sptFloat);
  for (const Case& c : cases) {
    e->SetMinFloatValue(c.min);
    e->SetMaxFloatValue(c.max);
    EXPECT_EQ(e->ClampFloat(c.in), c.out) << c.min << ".." << c.max << " " << c.in;
    e->SetMinDateValue(c.min);
    e->SetMaxDateValue(c.max);
    EXPECT_EQ(e->ClampDate(c.in), c.out) << "date " << c.min << ".." << c.max << " " << c.in;
  }
}

// ---- reading and writing ----------------------------------------------------------

TEST_F(SpinTest, TextsReadPerKindAndFallBackWhenTheyDoNotRead) {
  const TDateTime jan31 = EncodeDate(2024, 1, 31).value();
  struct Case {
    TAdvSpinType kind;
    const char* text;
    double value;
  } cases[] = {
      {sptNormal, "512", 512},       {sptNormal, " 7 ", 7},           {sptNormal, "", 0},
      {sptNormal, "12a", 32},        {sptNormal, "99999999999", 32},  {sptFloat, "1.5", 1.5},
      {sptFloat, "", 0},             {sptFloat, "1.5x", -2.5},        {sptHex, "0x1F", 31},
      {sptHex, "0x123456789", 32},   {sptHex, "0x1Z", 32},            {sptHex, "", 32},
      {sptHex, "0xFFFFFFFF", -1},    {sptTime, "1:02:03", EncodeTime(1, 2, 3)},
      {sptTime, "", 0},              {sptTime, "25:00:00", 0},        {sptDate, "31/01/2024", jan31},
      {sptDate, "31/02/2024", 40000},
  };
  for (const Case& c : cases) {
    TAdvSpinEdit* e = Spin(c.kind);
    e->SetMinValue(32);
    e->SetMinFloatValue(-2.5);
    e->SetMinDateValue(40000);
    e->SetText(c.text);
    double got = 0;
    switch (c.kind) {
      case sptNormal: got = e->Value(); break;
      case sptFloat: got = e->FloatValue(); break;
      case sptHex: got = e->HexValue(); break;
      case sptTime: got = e->TimeValue(); break;
      case sptDate: got = DatePart(e->DateValue()); break;
    }
    EXPECT_EQ(got, c.value) << c.kind << " '" << c.text << "'";
    e->Destroy();
  }
  // A date read keeps the time of day last written.
  TAdvSpinEdit* e = Spin(sptDate);
  e->SetDateValue(jan31 + 0.25);
  EXPECT_EQ(e->Text(), "31/01/2024");
  e->SetText("01/02/2024");
  EXPECT_EQ(e->DateValue(), jan31 + 1.25);
}

TEST_F(SpinTest, WritersFormatPerKind) {
  TAdvSpinEdit* e = Spin(sptHex);
  e->SetHexValue(-1);
  EXPECT_EQ(e->Text(), "0xFFFFFFFF");
  e->SetHexValue(31);
  EXPECT_EQ(e->Text(), "0x1F");
  e->SetMaxLength(4);
  e->SetHexValue(0x1F0);
  EXPECT_EQ(e->Text(), "0x1F") << "a text longer than MaxLength is not written";
  EXPECT_EQ(e->HexValue(), 31);

  TAdvSpinEdit* f = Spin(sptFloat);
  struct Case {
    int precision;
    double v;
    const char* text;
  } floats[] = {{0, 1.0 / 3, "0.333333333333333"}, {-1, 1.0 / 3, "0.3333"}, {2, 1.0 / 3, "0.33"}, {2, 2, "2.00"}};
  for (const Case& c : floats) {
    f->SetPrecision(c.precision);
    f->SetFloatValue(c.v);
    EXPECT_EQ(f->Text(), c.text) << c.precision;
  }
  f->SetPrecision(3);
  EXPECT_EQ(f->Text(), "2.000") << "a new precision rewrites the value";

  TAdvSpinEdit* t = Spin(sptTime);
  t->SetTimeValue(EncodeTime(1, 2, 3));
  EXPECT_EQ(t->Text(), "1:02:03");
  t->SetShowSeconds(false);
  EXPECT_EQ(t->Text(), "1:02");
  t->SetShowSeconds(true);
  EXPECT_EQ(t->Text(), "1:02:00");
  TAdvSpinEdit* n = Spin();
  n->SetEditorEnabled(false);
  n->SetValue(12);
  EXPECT_EQ(n->SelLength(), 2) << "a field the user cannot edit shows its value selected";
  n->SetShowSeconds(false);
  EXPECT_TRUE(n->ShowSeconds()) << "ignored by the other kinds";

  // A new kind reads the value in that kind and writes it back.
  n->SetSpinType(sptFloat);
  EXPECT_EQ(n->Text(), "12");
  n->SetSpinType(sptHex);
  EXPECT_EQ(n->Text(), "0x0") << "\"12\" is no hex text: the minimum";
}

// ---- keys ----------------------------------------------------------------------------

TEST_F(SpinTest, KeysStepTheIntegerWithinItsBounds) {
  struct Case {
    int min, max;
    std::string text;
    const char* keys;
    std::string result;
  } cases[] = {
      {32, 8192, "512", "{Up}", "513"},       {32, 8192, "512", "{Down}", "511"},
      {32, 8192, "512", "{PgUp}", "522"},     {32, 8192, "512", "{PgDn}", "502"},
      {32, 8192, "512", "{C+Up}", "513"},     {32, 8192, "512", "{C+PgDn}", "502"},
      {32, 8192, "8192", "{Up}", "8192"},     {32, 8192, "8190", "{PgUp}", "8192"},
      {32, 8192, "32", "{Down}", "32"},       {32, 8192, "35", "{PgDn}", "32"},
      {100, 10, "150", "{Up}", "151"},        {100, 10, "100", "{Down}", "100"},
      {0, 0, "-5", "{Down}", "-6"},           {0, 0, "2147483647", "{Up}", "2147483647"},
      {0, 0, "-2147483648", "{PgDn}", "-2147483648"},
  };
  for (const Case& c : cases) {
    TAdvSpinEdit* e = Spin();
    e->SetMinValue(c.min);
    e->SetMaxValue(c.max);
    Focus(e);
    Place(e, c.text, 1);
    Type(c.keys);
    EXPECT_EQ(e->Text(), c.result) << c.min << ".." << c.max << " " << c.text << " " << c.keys;
    EXPECT_EQ(e->SelStart(), 1) << "the caret is put back";
    EXPECT_EQ(e->Modified(), c.result != c.text);
    e->Destroy();
  }
}

// A step that makes the text gain or lose its "-" moves the caret with the
// digits it stood by; a step up that shortens the text selects from the
// caret to the end.
TEST_F(SpinTest, TheCaretFollowsTheDigitsWhenAStepAddsOrRemovesTheSign) {
  struct Case {
    std::string text;
    int caret;
    bool up;
    std::string result;
    int caretAfter, selection;
  } cases[] = {
      {"0", 1, false, "-1", 2, 0},  {"0", 0, false, "-1", 1, 0},  {"-1", 2, true, "0", 1, 0},
      {"-1", 1, true, "0", 0, 1},   {"1", 1, false, "0", 1, 0},   {"-5", 2, false, "-6", 2, 0},
      {"-3", 2, true, "-2", 2, 0},
  };
  for (const Case& c : cases) {
    TAdvSpinEdit* e = Spin();
    Place(e, c.text, c.caret);
    if (c.up) e->StepUp();
    else e->StepDown();
    EXPECT_EQ(e->Text(), c.result) << c.text << (c.up ? " up" : " down");
    EXPECT_EQ(e->SelStart(), c.caretAfter) << c.text << " caret " << c.caret << (c.up ? " up" : " down");
    EXPECT_EQ(e->SelLength(), c.selection) << c.text << " caret " << c.caret << (c.up ? " up" : " down");
    e->Destroy();
  }
}

TEST_F(SpinTest, KeysStepEachKind) {
  struct Case {
    TAdvSpinType kind;
    std::string text;
    const char* keys;
    std::string result;
  } cases[] = {
      {sptFloat, "1.5", "{Up}", "1.6"},     {sptFloat, "1.5", "{PgDn}", "0.5"},
      {sptHex, "0x1F", "{Up}", "0x20"},     {sptHex, "0x0", "{Down}", "0xFFFFFFFF"},
      {sptHex, "0x1F", "{PgUp}", "0x1F"},   {sptTime, "1:00:00", "{PgUp}", "1:00:00"},
  };
  for (const Case& c : cases) {
    TAdvSpinEdit* e = Spin(c.kind);
    Focus(e);
    Place(e, c.text, 0);
    Type(c.keys);
    EXPECT_EQ(e->Text(), c.result) << c.kind << " " << c.text << " " << c.keys;
    e->Destroy();
  }
}

TEST_F(SpinTest, SmartStepChangesTheDigitLeftOfTheCaret) {
  struct Case {
    TAdvSpinType kind;
    std::string text;
    int caret;
    std::string up, down;
  } cases[] = {
      {sptNormal, "123", 3, "124", "122"},          {sptNormal, "123", 1, "223", "23"},
      {sptNormal, "123", 0, "124", "122"},          {sptNormal, "-12", 1, "-11", "-13"},
      {sptNormal, "-12", 2, "-2", "-22"},           {sptFloat, "123.45", 0, "123.55", "123.35"},
      {sptFloat, "123.45", 1, "223.45", "23.45"},   {sptFloat, "123.45", 2, "133.45", "113.45"},
      {sptFloat, "123.45", 3, "124.45", "122.45"},  {sptFloat, "123.45", 4, "124.45", "122.45"},
      {sptFloat, "123.45", 5, "123.55", "123.35"},  {sptFloat, "123.45", 6, "123.46", "123.44"},
      {sptNormal, "2147483647", 1, "2147483647", "1147483647"},
  };
  for (const Case& c : cases) {
    for (bool up : {true, false}) {
      TAdvSpinEdit* e = Spin(c.kind);
      e->SetIncrementSmart(true);
      e->SetPrecision(c.kind == sptFloat ? 2 : 0);
      Focus(e);
      Place(e, c.text, c.caret);
      Type(up ? "{Up}" : "{Down}");
      EXPECT_EQ(e->Text(), up ? c.up : c.down) << c.text << " caret " << c.caret << (up ? " up" : " down");
      e->Destroy();
    }
  }
  // Page keys step smart too while nothing is selected; with a selection they page.
  TAdvSpinEdit* e = Spin();
  e->SetIncrementSmart(true);
  Focus(e);
  Place(e, "123", 1);
  Type("{PgUp}");
  EXPECT_EQ(e->Text(), "223");
  Place(e, "123", 1, 1);
  Type("{PgUp}");
  EXPECT_EQ(e->Text(), "133");
}

TEST_F(SpinTest, DateStepsTakeTheFieldUnderTheCaret) {
  struct Case {
    const char* format;
    std::string text;
    int caret;
    bool up;
    std::string result;
  } cases[] = {
      {"dd/MM/yyyy", "31/01/2024", 0, true, "01/02/2024"},  // day
      {"dd/MM/yyyy", "31/01/2024", 4, true, "29/02/2024"},  // month keeps the month end
      {"dd/MM/yyyy", "31/03/2024", 3, false, "29/02/2024"},
      {"dd/MM/yyyy", "31/01/2024", 8, true, "31/01/2025"},  // year
      {"dd/MM/yyyy", "29/02/2024", 8, true, "28/02/2025"},
      {"dd/MM/yyyy", "29/02/2024", 10, false, "28/02/2023"},
      {"M/d/yyyy", "1/31/2024", 0, true, "2/29/2024"},      // month first
      {"M/d/yyyy", "1/31/2024", 3, true, "2/1/2024"},       // then the day
      {"M/d/yyyy", "2/29/2024", 6, true, "2/28/2025"},
      {"M/d/yyyy", "12/31/9999", 8, true, "12/31/9999"},    // no year 10000
  };
  for (const Case& c : cases) {
    UseLocale(c.format, U'/');
    TAdvSpinEdit* e = Spin(sptDate);
    Focus(e);
    Place(e, c.text, c.caret);
    Type(c.up ? "{Up}" : "{Down}");
    EXPECT_EQ(e->Text(), c.result) << c.format << " " << c.text << " at " << c.caret;
    EXPECT_EQ(e->USDates(), std::string(c.format)[0] == 'M');
    EXPECT_EQ(e->SelStart(), c.caret);
    e->Destroy();
  }
}

TEST_F(SpinTest, TimeStepsAreDurationsAndStayAboveZero) {
  struct Case {
    std::string text;
    int caret;
    bool up;
    int hours, minutes;
    bool seconds;
    std::string result;
  } cases[] = {
      {"0:00:00", 0, true, 1, 1, true, "1:00:00"},   {"0:00:00", 3, true, 1, 1, true, "0:01:00"},
      {"0:00:00", 6, true, 1, 1, true, "0:00:01"},   {"0:00:00", 3, false, 1, 1, true, "0:00:00"},
      {"0:00:00", 6, false, 1, 1, true, "0:00:00"},  {"0:00:30", 3, false, 1, 1, true, "0:00:30"},
      {"1:00:00", 3, false, 1, 1, true, "0:59:00"},  {"0:00:00", 0, true, 0, 5, true, "0:05:00"},
      // Increments beyond a day or an hour are durations, not errors.
      {"0:00:00", 0, true, 25, 1, true, "1:00:00"},  {"0:00:00", 3, true, 1, 90, true, "1:30:00"},
      {"0:00", 4, true, 1, 1, false, "0:01"},        {"23:59:59", 7, true, 1, 1, true, "0:00:00"},
  };
  for (const Case& c : cases) {
    TAdvSpinEdit* e = Spin(sptTime);
    e->SetShowSeconds(c.seconds);
    e->SetIncrementHours(c.hours);
    e->SetIncrementMinutes(c.minutes);
    Focus(e);
    Place(e, c.text, c.caret);
    Type(c.up ? "{Up}" : "{Down}");
    EXPECT_EQ(e->Text(), c.result) << c.text << " at " << c.caret << (c.up ? " up" : " down");
    e->Destroy();
  }
}

TEST_F(SpinTest, DeleteIsSwallowedWhereItWouldBreakTheField) {
  struct Case {
    TAdvSpinType kind;
    bool editor;
    std::string text;
    int caret;
    std::string result;
  } cases[] = {
      {sptHex, true, "0x1F", 0, "0x1F"}, {sptHex, true, "0x1F", 1, "0x1F"},
      {sptHex, true, "0x1F", 2, "0xF"},  {sptNormal, false, "512", 0, "512"},
      {sptNormal, true, "512", 0, "12"},
  };
  for (const Case& c : cases) {
    TAdvSpinEdit* e = Spin(c.kind);
    e->SetEditorEnabled(c.editor);
    Focus(e);
    Place(e, c.text, c.caret);
    Type("{Del}");
    EXPECT_EQ(e->Text(), c.result) << c.text << " at " << c.caret;
    e->Destroy();
  }
}

TEST_F(SpinTest, ReturnCanActAsTabAndCtrlReturnStepsUp) {
  TAdvSpinEdit* e = MainSpin();
  Focus(e);
  Type("{C+Enter}");
  Paint();  // the posted Up arrives
  EXPECT_EQ(e->Text(), "513");
  EXPECT_TRUE(e->Focused());
  e->SetReturnIsTab(true);
  Type("{Enter}");
  Paint();
  EXPECT_TRUE(other->Focused()) << "the focus moved on";
  EXPECT_EQ(e->Text(), "513");
  std::vector<char32_t> pressed;
  e->OnKeyPress = TKeyPressEvent([&](TObject*, char32_t& c) { pressed.push_back(c); });
  Focus(e);
  Type("{C+Enter}");
  Paint();
  EXPECT_EQ(e->Text(), "514") << "Ctrl+Return steps besides moving on";
  EXPECT_FALSE(e->Focused());
  EXPECT_EQ(pressed, std::vector<char32_t>{U'\r'}) << "OnKeyPress sees Return, nothing is inserted";
}

TEST_F(SpinTest, ReadOnlyStepsBeepAndChangeNothing) {
  TAdvSpinEdit* e = MainSpin();
  int ups = 0;
  e->OnUpClick = TNotifyEvent([&](TObject* s) { ups += s == e; });
  e->SetReadOnly(true);
  e->StepUp();
  EXPECT_EQ(e->Text(), "512");
  EXPECT_EQ(backend->beeps, 1);
  EXPECT_EQ(ups, 1);
}

// ---- characters ------------------------------------------------------------------------

TEST_F(SpinTest, CharAllowedByKind) {
  struct Case {
    TAdvSpinType kind;
    int precision;
    std::string text;
    int caret, selection;
    char32_t key;
    bool allowed;
    char32_t becomes;
  } cases[] = {
      {sptNormal, 0, "12", 2, 0, U'5', true, U'5'},     {sptNormal, 0, "12", 2, 0, U'.', false, U'.'},
      {sptNormal, 0, "12", 2, 0, U',', false, U','},    {sptNormal, 0, "12", 2, 0, U':', false, U':'},
      {sptNormal, 0, "12", 2, 0, U'/', false, U'/'},    {sptNormal, 0, "12", 2, 0, U'a', false, U'a'},
      {sptNormal, 0, "12", 2, 0, 8, true, 8},           {sptNormal, 0, "12", 2, 0, 13, false, 13},
      {sptFloat, 2, "1.25", 4, 0, U'3', false, U'3'},   {sptFloat, 2, "1.25", 1, 0, U'3', true, U'3'},
      {sptFloat, 2, "1.25", 3, 0, U'3', false, U'3'},   {sptFloat, 2, "1.25", 3, 1, U'3', true, U'3'},
      {sptFloat, 2, "1.25", 4, 0, U'.', false, U'.'},   {sptFloat, 2, "1.25", 0, 4, U'.', true, U'.'},
      {sptFloat, 2, "12", 2, 0, U'.', true, U'.'},      {sptFloat, 2, "12", 2, 0, U',', true, U'.'},
      {sptFloat, 0, "12", 2, 0, U'.', false, U'.'},     {sptFloat, 0, "", 0, 0, U'.', true, U'.'},
      {sptFloat, 2, "1.25", 4, 0, 8, true, 8},          {sptFloat, 2, "12", 2, 0, U':', false, U':'},
      {sptTime, 0, "1", 1, 0, U',', true, U':'},        {sptTime, 0, "1:02", 4, 0, U'.', false, U':'},
      {sptTime, 0, "1:02", 4, 0, U'/', false, U'/'},    {sptTime, 0, "1:02", 4, 0, U'5', true, U'5'},
      {sptDate, 0, "1", 1, 0, U'/', true, U'/'},        {sptDate, 0, "1", 1, 0, U':', false, U':'},
      {sptHex, 0, "0x1F", 4, 0, U'a', true, U'a'},      {sptHex, 0, "0x1F", 4, 0, U'g', false, U'g'},
      {sptHex, 0, "0x1F", 1, 0, U'5', false, U'5'},     {sptHex, 0, "0x1F", 2, 0, 8, false, 8},
      {sptHex, 0, "0x1F", 3, 0, 8, true, 8},            {sptHex, 0, "0x1F", 4, 0, 27, true, 27},
  };
  for (const Case& c : cases) {
    TAdvSpinEdit* e = Spin(c.kind);
    e->SetPrecision(c.precision);
    Place(e, c.text, c.caret, c.selection);
    char32_t key = c.key;
    EXPECT_EQ(e->CharAllowed(key), c.allowed)
        << c.kind << " '" << c.text << "' at " << c.caret << "+" << c.selection << " key " << uint32_t(c.key);
    EXPECT_EQ(key, c.becomes) << c.kind << " key " << uint32_t(c.key);
    e->Destroy();
  }
  // With the editor off only the other control characters pass.
  TAdvSpinEdit* e = Spin();
  e->SetEditorEnabled(false);
  for (char32_t key : {U'5', char32_t{8}, U' '}) EXPECT_FALSE(e->CharAllowed(key)) << uint32_t(key);
  char32_t escape = 27;
  EXPECT_TRUE(e->CharAllowed(escape));
}

TEST_F(SpinTest, TypedCharactersThroughTheFilter) {
  TAdvSpinEdit* e = MainSpin();
  std::vector<char32_t> pressed;
  e->OnKeyPress = TKeyPressEvent([&](TObject*, char32_t& c) { pressed.push_back(c); });
  Focus(e);
  Place(e, "12", 2);
  Type("a");
  EXPECT_EQ(e->Text(), "12");
  EXPECT_EQ(backend->beeps, 1) << "a refused character beeps";
  Type("+");
  EXPECT_EQ(e->Text(), "12");
  EXPECT_EQ(backend->beeps, 1) << "'+' is dropped quietly";
  Type("-");
  EXPECT_EQ(e->Text(), "12") << "not Signed: no sign";
  e->SetSigned(true);
  Place(e, "12", 1, 1);
  Type("-");
  EXPECT_EQ(e->Text(), "-12");
  EXPECT_EQ(e->SelStart(), 2) << "the caret follows the sign";
  EXPECT_EQ(e->SelLength(), 1);
  Type("-");
  EXPECT_EQ(e->Text(), "12");
  EXPECT_EQ(e->SelStart(), 1);
  Place(e, "12", 2);
  Type("3");
  EXPECT_EQ(e->Text(), "123");
  EXPECT_EQ(pressed, (std::vector<char32_t>{U'-', U'-', U'-', U'3'})) << "'a' and '+' never reach OnKeyPress";
}

TEST_F(SpinTest, PasteAndCutOnlyWhileEditable) {
  TAdvSpinEdit* e = MainSpin();
  Focus(e);
  Clipboard().SetAsText("12a");
  Place(e, "512", 0, 3);
  Type("{C+V}");
  EXPECT_EQ(e->Text(), "12a") << "paste bypasses the character filter";
  EXPECT_EQ(e->Value(), 32) << "and the text reads as the minimum";
  other->SetFocus();
  EXPECT_EQ(e->Text(), "12a") << "the minimum is in range: nothing to rewrite";

  TAdvSpinEdit* hex = Spin(sptHex);
  Focus(hex);
  Clipboard().SetAsText("0x123456789");
  Place(hex, "0x1", 0, 3);
  Type("{C+V}");
  EXPECT_EQ(hex->HexValue(), 0) << "nine digits read as the minimum";

  struct Case {
    bool editor, readOnly;
  } blocked[] = {{false, false}, {true, true}};
  for (const Case& c : blocked) {
    e->SetEditorEnabled(c.editor);
    e->SetReadOnly(c.readOnly);
    Focus(e);
    Clipboard().SetAsText("77");
    Place(e, "512", 0, 3);
    Type("{C+V}");
    EXPECT_EQ(e->Text(), "512");
    Type("{C+X}");
    EXPECT_EQ(e->Text(), "512");
    EXPECT_EQ(Clipboard().AsText(), "77");
  }
}

// ---- focus, exit and the main window ---------------------------------------------------------

TEST_F(SpinTest, MainWindowFieldClampsWhenLeft) {
  struct Case {
    const char* typed;
    std::string shown;
    int value;
    int changes;  // one per keystroke, one more for the rewrite on exit
  } cases[] = {
      {"9999", "8192", 8192, 5},
      {"99999999999", "8192", 8192, 12},  // beyond 32 bits: still above the range
      {"5", "32", 32, 2},
      {"{Del}", "", 0, 1},
      {"700", "700", 700, 3},
  };
  for (const Case& c : cases) {
    TAdvSpinEdit* e = MainSpin();
    changes = 0;
    Focus(e);
    EXPECT_EQ(e->SelLength(), 3) << "entering selects all";
    Type(c.typed);
    Type("{Tab}");
    EXPECT_TRUE(other->Focused());
    EXPECT_EQ(e->Text(), c.shown) << c.typed;
    EXPECT_EQ(e->Value(), c.value) << c.typed;
    EXPECT_EQ(changes, c.changes) << c.typed;
    e->Destroy();
  }
}

TEST_F(SpinTest, WithoutNullValuesAnEmptyFieldTakesTheMinimum) {
  struct Case {
    TAdvSpinType kind;
    std::string shown;
  } cases[] = {{sptNormal, "32"}, {sptFloat, "1.5"}, {sptHex, "0x20"}, {sptTime, "12:00:00"}, {sptDate, "01/01/2024"}};
  for (const Case& c : cases) {
    TAdvSpinEdit* e = Spin(c.kind);
    e->SetAllowNullValue(false);
    e->SetMinValue(32);
    e->SetMaxValue(64);
    e->SetMinFloatValue(1.5);
    e->SetMaxFloatValue(2);
    const TDateTime jan1 = EncodeDate(2024, 1, 1).value();
    e->SetMinDateValue(c.kind == sptTime ? 0.5 : jan1);
    e->SetMaxDateValue(jan1 + 10);
    Focus(e);
    e->SetText("");
    other->SetFocus();
    EXPECT_EQ(e->Text(), c.shown) << c.kind;
    e->Destroy();
  }
}

TEST_F(SpinTest, FloatFieldIsRewrittenOnExit) {
  TAdvSpinEdit* e = Spin(sptFloat);
  e->SetPrecision(2);
  e->SetMinFloatValue(0);
  e->SetMaxFloatValue(10);
  Focus(e);
  e->SetText("1.5");
  other->SetFocus();
  EXPECT_EQ(e->Text(), "1.50");
  e->SetFocus();
  e->SetText("12.5");
  other->SetFocus();
  EXPECT_EQ(e->Text(), "10.00");
}

TEST_F(SpinTest, FocusColourComesAndGoesForACodeBuiltControl) {
  TAdvSpinEdit* e = Spin();
  e->SetColor(RGB(214, 231, 255));
  e->SetFocusColor(clYellow);
  EXPECT_EQ(e->NormalColor(), RGB(214, 231, 255));
  Focus(e);
  EXPECT_EQ(e->Color(), clYellow);
  other->SetFocus();
  EXPECT_EQ(e->Color(), RGB(214, 231, 255)) << "the colour before the focus, not an undefined one";
  // A colour written while the focus colour is not showing is the one to come back to.
  e->SetColor(clRed);
  e->SetFocus();
  EXPECT_EQ(e->Color(), clYellow);
  other->SetFocus();
  EXPECT_EQ(e->Color(), clRed);
}

TEST_F(SpinTest, AutoFocusTakesTheFocusWhenTheMouseEnters) {
  TAdvSpinEdit* e = MainSpin();
  Paint();
  form->InjectActivate(true);
  Mouse(WM_MOUSEMOVE, e, 20, 5);
  EXPECT_FALSE(e->Focused());
  Mouse(WM_MOUSEMOVE, other, 5, 5);
  e->SetAutoFocus(true);
  Mouse(WM_MOUSEMOVE, e, 20, 5);
  EXPECT_TRUE(e->Focused());
}

TEST_F(SpinTest, ButtonClicksStepAndRaiseTheirEvents) {
  TAdvSpinEdit* e = MainSpin();
  std::vector<std::string> events;
  e->OnUpClick = TNotifyEvent([&](TObject* s) { events.push_back(s == e ? "up" : "?"); });
  e->OnDownClick = TNotifyEvent([&](TObject* s) { events.push_back(s == e ? "down" : "?"); });
  Paint();
  TAdvSpinButton* pair = e->Button();
  Click(pair->UpButton(), 3, 3);
  EXPECT_EQ(e->Text(), "513");
  EXPECT_TRUE(e->Focused()) << "a press focuses the edit";
  Click(pair->DownButton(), 3, 3);
  Click(pair->DownButton(), 3, 3);
  EXPECT_EQ(e->Text(), "511");
  EXPECT_EQ(events, (std::vector<std::string>{"up", "down", "down"}));
  EXPECT_TRUE(e->Modified());
  e->SetEnabled(false);
  EXPECT_FALSE(pair->UpButton()->Enabled());
  EXPECT_FALSE(pair->DownButton()->Enabled());
  e->SetEnabled(true);
  EXPECT_TRUE(pair->UpButton()->Enabled());
}

}  // namespace
}  // namespace tavrel
