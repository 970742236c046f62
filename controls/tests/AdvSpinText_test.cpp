#include "controls/AdvSpinText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <array>
#include <limits>

namespace tavrel {
namespace {

TFormatSettings Locale(const std::string& dateFormat, char32_t dateSep, char32_t dec = U'.', char32_t time = U':') {
  TFormatSettings fs;
  fs.ShortDateFormat = dateFormat;
  fs.DateSeparator = dateSep;
  fs.DecimalSeparator = dec;
  fs.TimeSeparator = time;
  return fs;
}

TDateTime Date(int y, int m, int d) { return EncodeDate(y, m, d).value(); }

TEST(AdvSpinText, CalendarDaysCountFromTheEndOf1899) {
  EXPECT_EQ(Date(1899, 12, 30), 0);
  EXPECT_EQ(Date(1900, 1, 1), 2);
  EXPECT_EQ(Date(2024, 2, 29), 45351);
  EXPECT_EQ(Date(1, 1, 1), -693593);
  EXPECT_EQ(Date(9999, 12, 31), 2958465);
  EXPECT_FALSE(EncodeDate(2023, 2, 29));
  EXPECT_FALSE(EncodeDate(2024, 13, 1));
  EXPECT_FALSE(EncodeDate(10000, 1, 1));
  int y = 0, m = 0, d = 0;
  DecodeDate(45351.75, y, m, d);
  EXPECT_EQ((std::array<int, 3>{y, m, d}), (std::array<int, 3>{2024, 2, 29}));
  DecodeDate(std::numeric_limits<double>::quiet_NaN(), y, m, d);  // no undefined conversion
  DecodeDate(1e300, y, m, d);
  EXPECT_EQ(y, 9999);
}

TEST(AdvSpinText, DatesReadAndWriteInTheLocalesFieldOrder) {
  struct Case {
    std::string format;
    char32_t sep;
    std::string text;
    std::optional<TDateTime> date;
    std::string written;  // what the date writes back; the text when empty
  } cases[] = {
      {"dd/MM/yyyy", U'/', "31/01/2024", Date(2024, 1, 31), ""},
      {"dd/MM/yyyy", U'/', " 1/2/2024 ", Date(2024, 2, 1), "01/02/2024"},
      {"M/d/yyyy", U'/', "1/31/2024", Date(2024, 1, 31), ""},
      {"MM.dd.yy", U'.', "02.29.2024", Date(2024, 2, 29), "02.29.24"},
      {"yyyy-MM-dd", U'-', "2024-02-29", Date(2024, 2, 29), ""},
      {"'Day' d/M/yyyy", U'/', "29/2/2024", Date(2024, 2, 29), "Day 29/2/2024"},
      {"dd/MM/yyyy", U'/', "31/02/2024", std::nullopt, ""},
      {"dd/MM/yyyy", U'/', "31-01-2024", std::nullopt, ""},
      {"dd/MM/yyyy", U'/', "31/01/2024/1", std::nullopt, ""},
      {"dd/MM/yyyy", U'/', "31/01/20245", std::nullopt, ""},
      {"dd/MM/yyyy", U'/', "31", std::nullopt, ""},
      {"dd/MM/yyyy", U'/', "", std::nullopt, ""},
      {"dd/MM/yyyy", U'/', "x1/01/2024", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    const TFormatSettings fs = Locale(c.format, c.sep);
    EXPECT_EQ(TextToDate(c.text, fs), c.date) << c.format << " " << c.text;
    if (c.date) {
      EXPECT_EQ(DateToText(*c.date, fs), c.written.empty() ? c.text : c.written) << c.format;
    }
  }
  // Two numbers take the current year; two-digit years stay within 50 years of it.
  const TFormatSettings fs = Locale("dd/MM/yyyy", U'/');
  int y = 0, m = 0, d = 0, nowYear = 0;
  DecodeDate(DateTimeNow(), nowYear, m, d);
  DecodeDate(TextToDate("5/6", fs).value(), y, m, d);
  EXPECT_EQ((std::array<int, 3>{y, m, d}), (std::array<int, 3>{nowYear, 6, 5}));
  DecodeDate(TextToDate("5/6/" + std::to_string(nowYear % 100), fs).value(), y, m, d);
  EXPECT_EQ(y, nowYear);
}

TEST(AdvSpinText, MonthAndYearStepsKeepTheMonthEnd) {
  struct Case {
    const char* name;
    TDateTime from;
    int months, years;
    TDateTime to;
  } cases[] = {
      {"31 January + 1 month, leap year", Date(2024, 1, 31) + 0.5, 1, 0, Date(2024, 2, 29) + 0.5},
      {"31 January + 1 month", Date(2023, 1, 31), 1, 0, Date(2023, 2, 28)},
      {"31 March - 1 month", Date(2024, 3, 31), -1, 0, Date(2024, 2, 29)},
      {"December + 1 month", Date(2024, 12, 15), 1, 0, Date(2025, 1, 15)},
      {"January - 1 month", Date(2024, 1, 15), -1, 0, Date(2023, 12, 15)},
      {"- 25 months", Date(2024, 1, 31), -25, 0, Date(2021, 12, 31)},
      {"past year 9999", Date(9999, 12, 1), 1, 0, Date(9999, 12, 1)},
      {"29 February + 1 year", Date(2024, 2, 29) + 0.25, 0, 1, Date(2025, 2, 28)},
      {"29 February - 1 year", Date(2024, 2, 29), 0, -1, Date(2023, 2, 28)},
      {"29 February + 4 years", Date(2024, 2, 29), 0, 4, Date(2028, 2, 29)},
      {"31 January + 1 year, time dropped", Date(2024, 1, 31) + 0.75, 0, 1, Date(2025, 1, 31)},
      {"before year 1", Date(1, 6, 1), 0, -1, Date(1, 6, 1)},
  };
  for (const Case& c : cases) {
    const TDateTime got = c.years ? AddYears(c.from, c.years) : IncMonth(c.from, c.months);
    EXPECT_EQ(got, c.to) << c.name;
  }
}

TEST(AdvSpinText, TimesReadAndWriteHoursMinutesAndSeconds) {
  const TFormatSettings colon = Locale("dd/MM/yyyy", U'/');
  const TFormatSettings dot = Locale("dd/MM/yyyy", U'/', U',', U'.');
  EXPECT_EQ(TimeToText(EncodeTime(9, 5, 7), true, colon), "9:05:07");
  EXPECT_EQ(TimeToText(EncodeTime(9, 5, 7), false, colon), "9:05");
  EXPECT_EQ(TimeToText(EncodeTime(23, 59, 59), true, dot), "23.59.59");
  EXPECT_EQ(TimeToText(Date(2024, 1, 1) + EncodeTime(0, 0, 1), true, colon), "0:00:01") << "the day is not shown";
  TDateTime t = 0;
  for (int i = 0; i < 3601; ++i) t += EncodeTime(0, 0, 1);  // sums of steps do not lose a second
  EXPECT_EQ(TimeToText(t, true, colon), "1:00:01");

  struct Case {
    const char* text;
    std::optional<TDateTime> time;
  } cases[] = {
      {"1:02:03", EncodeTime(1, 2, 3)}, {" 23:59 ", EncodeTime(23, 59, 0)}, {"0:00:00", 0.0},
      {"24:00", std::nullopt},          {"1:60", std::nullopt},              {"1:02:60", std::nullopt},
      {"12", std::nullopt},             {"1:02:03:00", std::nullopt},        {"1::03", std::nullopt},
      {"123:00", std::nullopt},         {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(TextToTime(c.text, colon), c.time) << c.text;
  EXPECT_EQ(TextToTime("1.02", dot), EncodeTime(1, 2, 0));
}

TEST(AdvSpinText, FloatsReadWithTheLocalesDecimalSeparator) {
  const TFormatSettings point = Locale("dd/MM/yyyy", U'/');
  const TFormatSettings comma = Locale("dd/MM/yyyy", U'/', U',');
  struct Case {
    const char* text;
    std::optional<double> point, comma;
  } cases[] = {
      {"1.25", 1.25, std::nullopt},   {"1,25", std::nullopt, 1.25},   {" -3 ", -3.0, -3.0},
      {"+2", 2.0, 2.0},               {"1e3", 1000.0, 1000.0},        {"1.5E-7", 1.5e-7, std::nullopt},
      {".5", 0.5, std::nullopt},      {".", std::nullopt, std::nullopt}, {"1.2.3", std::nullopt, std::nullopt},
      {"1e", std::nullopt, std::nullopt}, {"abc", std::nullopt, std::nullopt}, {"", std::nullopt, std::nullopt},
      {"1,000.5", std::nullopt, std::nullopt}, {"1e999", std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextToFloat(c.text, point), c.point) << c.text;
    EXPECT_EQ(TextToFloat(c.text, comma), c.comma) << c.text;
  }
}

TEST(AdvSpinText, FloatsWriteByPrecision) {
  const TFormatSettings point = Locale("dd/MM/yyyy", U'/');
  struct Case {
    double v;
    int precision;
    const char* text;
  } cases[] = {
      {0.1, 0, "0.1"},
      {1.0 / 3, 0, "0.333333333333333"},
      {-1.5, 0, "-1.5"},
      {0, 0, "0"},
      {123456789012345.0, 0, "123456789012345"},
      {1e15, 0, "1E15"},
      {1.5e-7, 0, "1.5E-7"},
      {0.00001, 0, "0.00001"},
      {0.000001, 0, "1E-6"},
      {2.5, -1, "2.5"},
      {12346.0, -1, "1.235E4"},
      {1234.0, -1, "1234"},
      {1.25, 2, "1.25"},
      {1.0 / 3, 2, "0.33"},
      {-0.001, 2, "0.00"},
      {2.0, 3, "2.000"},
      {2e15, 2, "2E15"},
  };
  for (const Case& c : cases) EXPECT_EQ(FloatToText(c.v, c.precision, point), c.text) << c.v << " " << c.precision;
  EXPECT_EQ(FloatToText(1.25, 0, Locale("dd/MM/yyyy", U'/', U',')), "1,25");
}

TEST(AdvSpinText, IntegersAndHexTexts) {
  struct IntCase {
    const char* text;
    std::optional<int32_t> v;
  } ints[] = {
      {"512", 512},         {" -7 ", -7},          {"+3", 3},
      {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"2147483648", std::nullopt},
      {"99999999999999999999", std::nullopt}, {"", std::nullopt}, {"-", std::nullopt},
      {"1a", std::nullopt}, {"1 2", std::nullopt}, {"1.0", std::nullopt},
  };
  for (const IntCase& c : ints) EXPECT_EQ(TextToInt(c.text), c.v) << c.text;

  // Any length: what matters past 32 bits is the sign.
  EXPECT_EQ(TextToWideInt(" 99999999999 "), 99999999999);
  EXPECT_GT(TextToWideInt("99999999999999999999999999").value_or(0), int64_t{1} << 40);
  EXPECT_LT(TextToWideInt("-99999999999999999999999999").value_or(0), -(int64_t{1} << 40));
  EXPECT_EQ(TextToWideInt("9x"), std::nullopt);

  struct HexCase {
    const char* text;
    std::optional<int32_t> v;
  } hexes[] = {
      {"0x1F", 31},         {"0x1f", 31},          {"0xFFFFFFFF", -1},       {"0x80000000", INT32_MIN},
      {"0x0", 0},           {"0x123456789", std::nullopt}, {"0x", std::nullopt}, {"0X1F", std::nullopt},
      {"1F", std::nullopt}, {"0x1G", std::nullopt}, {" 0x1F", std::nullopt}, {"", std::nullopt},
  };
  for (const HexCase& c : hexes) EXPECT_EQ(HexToInt(c.text), c.v) << c.text;
  EXPECT_EQ(IntToHexText(-1), "0xFFFFFFFF");
  EXPECT_EQ(IntToHexText(0), "0x0");
  EXPECT_EQ(IntToHexText(31), "0x1F");
}

}  // namespace
}  // namespace tavrel
