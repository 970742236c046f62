#include "controls/AdvSpinText.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "platform/utf8.h"

namespace tavrel {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Day 0 of the date-times, counted from 1 January 1970.
constexpr int64_t kEpochShift = 25569;
// The first and last days of years 1 to 9999.
constexpr int64_t kFirstDay = -693593, kLastDay = 2958465;

// Days since 1 January 1970 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

// A date's whole days with a time of day put back, on the side the
// date-time convention keeps it for dates before day 0.
TDateTime Combine(TDateTime date, TDateTime time) { return date >= 0 ? date + time : date - time; }

int CurrentYear() {
  int y = 0, m = 0, d = 0;
  DecodeDate(DateTimeNow(), y, m, d);
  return y;
}

std::u32string Decode(std::string_view s) {
  std::u32string out;
  for (size_t pos = 0; pos < s.size();) out += NextUTF8(s, pos);
  return out;
}

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

// Reads the code points of a text one field at a time.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : s_(Decode(text)) {}
  void SkipBlanks() {
    while (pos_ < s_.size() && s_[pos_] == U' ') ++pos_;
  }
  bool Char(char32_t c) {
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  // Up to `maxDigits` digits; their count, 0 when none (or too many).
  int Number(int maxDigits, int& value) {
    int n = 0;
    value = 0;
    while (pos_ < s_.size() && IsDigit(s_[pos_])) {
      if (++n > maxDigits) return 0;
      value = value * 10 + static_cast<int>(s_[pos_++] - U'0');
    }
    return n;
  }
  bool AtEnd() const { return pos_ == s_.size(); }

 private:
  std::u32string s_;
  size_t pos_ = 0;
};

void AppendTwoDigits(std::string& out, int v) {
  out += static_cast<char>('0' + v / 10 % 10);
  out += static_cast<char>('0' + v % 10);
}

// The decimal separator of a text written with '.', as the locale gives it.
std::string Localised(const std::string& ascii, const TFormatSettings& fs) {
  std::string out;
  for (char c : ascii) {
    if (c == '.') AppendUTF8(out, fs.DecimalSeparator);
    else out += c;
  }
  return out;
}

std::string GeneralText(double v, int digits) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
  if (v == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", digits - 1, v);
  const std::string e(buf);
  const size_t ePos = e.find('e');
  const bool negative = e[0] == '-';
  std::string mantissa;
  for (size_t i = negative ? 1 : 0; i < ePos; ++i)
    if (e[i] != '.') mantissa += e[i];
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
  const int exponent = std::stoi(e.substr(ePos + 1));
  std::string out = negative ? "-" : "";
  if (exponent + 1 <= digits && exponent >= -5) {
    if (exponent >= 0) {
      const size_t whole = static_cast<size_t>(exponent) + 1;
      if (mantissa.size() <= whole) {
        out += mantissa + std::string(whole - mantissa.size(), '0');
      } else {
        out += mantissa.substr(0, whole) + "." + mantissa.substr(whole);
      }
    } else {
      out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + mantissa;
    }
    return out;
  }
  out += mantissa.substr(0, 1);
  if (mantissa.size() > 1) out += "." + mantissa.substr(1);
  return out + "E" + std::to_string(exponent);
}

}  // namespace

// ---- calendar ---------------------------------------------------------------

bool IsLeapYear(int y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12) return 0;
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

std::optional<TDateTime> EncodeDate(int y, int m, int d) {
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return std::nullopt;
  return static_cast<TDateTime>(DaysFromCivil(y, m, d) + kEpochShift);
}

bool InDateRange(TDateTime dt) { return dt > kFirstDay - 1 && dt < kLastDay + 1; }

void DecodeDate(TDateTime dt, int& year, int& month, int& day) {
  const TDateTime d = std::isnan(dt) ? 0 : std::clamp<TDateTime>(DatePart(dt), kFirstDay, kLastDay);
  CivilFromDays(static_cast<int64_t>(d) - kEpochShift, year, month, day);
}

TDateTime EncodeTime(int64_t hours, int64_t minutes, int64_t seconds) {
  return static_cast<double>(hours * 3600 + minutes * 60 + seconds) / 86400.0;
}

TDateTime DatePart(TDateTime dt) { return std::trunc(dt); }
TDateTime TimePart(TDateTime dt) { return std::fabs(dt - std::trunc(dt)); }

int64_t TimeOfDayMs(TDateTime dt) {
  if (!std::isfinite(dt)) return 0;
  return std::llround(TimePart(dt) * static_cast<double>(kMsPerDay)) % kMsPerDay;
}

TDateTime IncMonth(TDateTime dt, int months) {
  int y = 0, m = 0, d = 0;
  DecodeDate(dt, y, m, d);
  const int64_t total = int64_t{y} * 12 + (m - 1) + months;
  const int64_t ny = total >= 0 ? total / 12 : (total - 11) / 12;
  if (ny < 1 || ny > 9999) return dt;
  const int nm = static_cast<int>(total - ny * 12) + 1;
  const int year = static_cast<int>(ny);
  const std::optional<TDateTime> date = EncodeDate(year, nm, std::min(d, DaysInMonth(year, nm)));
  return date ? Combine(*date, TimePart(dt)) : dt;
}

TDateTime AddYears(TDateTime dt, int years) {
  int y = 0, m = 0, d = 0;
  DecodeDate(dt, y, m, d);
  const int64_t ny = int64_t{y} + years;
  if (ny < 1 || ny > 9999) return dt;
  const int year = static_cast<int>(ny);
  const std::optional<TDateTime> date = EncodeDate(year, m, std::min(d, DaysInMonth(year, m)));
  return date ? *date : dt;
}

TDateTime DateTimeNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  const TDateTime date = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).value_or(0);
  return date + (EncodeTime(local.tm_hour, local.tm_min, local.tm_sec) + static_cast<double>(ms) / kMsPerDay);
}

// ---- dates and times ---------------------------------------------------------

std::string DateToText(TDateTime dt, const TFormatSettings& fs) {
  int y = 0, m = 0, d = 0;
  DecodeDate(dt, y, m, d);
  const std::u32string f = Decode(fs.ShortDateFormat);
  std::string out;
  for (size_t i = 0; i < f.size();) {
    const char32_t c = f[i];
    if (c == U'\'' || c == U'"') {  // quoted text
      size_t j = i + 1;
      while (j < f.size() && f[j] != c) AppendUTF8(out, f[j++]);
      i = j + 1;
      continue;
    }
    const char32_t lower = c >= U'A' && c <= U'Z' ? c + 32 : c;
    size_t run = 1;
    if (lower == U'd' || lower == U'm' || lower == U'y')
      while (i + run < f.size() && (f[i + run] == lower || f[i + run] == lower - 32)) ++run;
    if (lower == U'd' || lower == U'm') {
      const int v = lower == U'd' ? d : m;
      if (run >= 2) AppendTwoDigits(out, v);
      else out += std::to_string(v);
    } else if (lower == U'y') {
      if (run <= 2) {
        AppendTwoDigits(out, y % 100);
      } else {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04d", y);
        out += buf;
      }
    } else if (c == U'/') {
      AppendUTF8(out, fs.DateSeparator);
    } else {
      AppendUTF8(out, c);
    }
    i += run;
  }
  return out;
}

std::optional<TDateTime> TextToDate(std::string_view text, const TFormatSettings& fs) {
  Scanner s(text);
  int n[3] = {0, 0, 0}, digits[3] = {0, 0, 0};
  int count = 0;
  s.SkipBlanks();
  while (count < 3) {
    digits[count] = s.Number(4, n[count]);
    if (digits[count] == 0) return std::nullopt;
    ++count;
    if (!s.Char(fs.DateSeparator)) break;
  }
  s.SkipBlanks();
  if (count < 2 || !s.AtEnd()) return std::nullopt;

  // The order of the fields: the first of D, M and Y in the format.
  char order = 'D';
  char32_t quote = 0;
  for (char32_t c : Decode(fs.ShortDateFormat)) {
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == U'\'' || c == U'"') {
      quote = c;
      continue;
    }
    const char32_t u = c >= U'a' && c <= U'z' ? c - 32 : c;
    if (u == U'D' || u == U'M' || u == U'Y') {
      order = static_cast<char>(u);
      break;
    }
  }
  int y = 0, m = 0, d = 0, yearDigits = 4;
  if (count == 2) {
    y = CurrentYear();
    if (order == 'D') d = n[0], m = n[1];
    else m = n[0], d = n[1];
  } else if (order == 'Y') {
    y = n[0], m = n[1], d = n[2], yearDigits = digits[0];
  } else if (order == 'M') {
    m = n[0], d = n[1], y = n[2], yearDigits = digits[2];
  } else {
    d = n[0], m = n[1], y = n[2], yearDigits = digits[2];
  }
  if (yearDigits <= 2) {
    const int century = CurrentYear() - 50;
    y += century / 100 * 100;
    if (y < century) y += 100;
  }
  return EncodeDate(y, m, d);
}

std::string TimeToText(TDateTime dt, bool seconds, const TFormatSettings& fs) {
  const int64_t ms = TimeOfDayMs(dt);
  const int h = static_cast<int>(ms / 3600000), mi = static_cast<int>(ms / 60000 % 60),
            se = static_cast<int>(ms / 1000 % 60);
  std::string out = std::to_string(h);
  AppendUTF8(out, fs.TimeSeparator);
  AppendTwoDigits(out, mi);
  if (seconds) {
    AppendUTF8(out, fs.TimeSeparator);
    AppendTwoDigits(out, se);
  }
  return out;
}

std::optional<TDateTime> TextToTime(std::string_view text, const TFormatSettings& fs) {
  Scanner s(text);
  int n[3] = {0, 0, 0};
  int count = 0;
  s.SkipBlanks();
  while (count < 3) {
    if (s.Number(2, n[count]) == 0) return std::nullopt;
    ++count;
    if (!s.Char(fs.TimeSeparator)) break;
  }
  s.SkipBlanks();
  if (count < 2 || !s.AtEnd() || n[0] > 23 || n[1] > 59 || n[2] > 59) return std::nullopt;
  return EncodeTime(n[0], n[1], n[2]);
}

// ---- numbers ------------------------------------------------------------------

std::optional<double> TextToFloat(std::string_view text, const TFormatSettings& fs) {
  std::u32string s = Decode(text);
  const auto blank = [](char32_t c) { return c == U' '; };
  while (!s.empty() && blank(s.back())) s.pop_back();
  size_t i = 0;
  while (i < s.size() && blank(s[i])) ++i;
  std::string ascii;
  if (i < s.size() && (s[i] == U'+' || s[i] == U'-')) {
    if (s[i] == U'-') ascii += '-';
    ++i;
  }
  bool digits = false, point = false;
  for (; i < s.size(); ++i) {
    const char32_t c = s[i];
    if (IsDigit(c)) {
      digits = true;
      ascii += static_cast<char>(c);
    } else if (c == fs.DecimalSeparator && !point) {
      point = true;
      ascii += '.';
    } else {
      break;
    }
  }
  if (!digits) return std::nullopt;
  if (i < s.size() && (s[i] == U'e' || s[i] == U'E')) {
    ascii += 'e';
    ++i;
    if (i < s.size() && (s[i] == U'+' || s[i] == U'-')) ascii += static_cast<char>(s[i++]);
    bool expDigits = false;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
      expDigits = true;
      ascii += static_cast<char>(s[i]);
    }
    if (!expDigits) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  double v = 0;
  const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
  if (ec != std::errc() || end != ascii.data() + ascii.size()) return std::nullopt;
  return v;
}

std::string FloatToText(double v, int precision, const TFormatSettings& fs) {
  if (precision < 0) return Localised(GeneralText(v, 4), fs);
  if (precision == 0 || !std::isfinite(v) || std::fabs(v) >= 1e15) return Localised(GeneralText(v, 15), fs);
  std::vector<char> buf(64);
  std::snprintf(buf.data(), buf.size(), "%.*f", std::min(precision, 18), v);
  std::string s(buf.data());
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);  // no "-0.00"
  return Localised(s, fs);
}

std::optional<int64_t> TextToWideInt(std::string_view text) {
  size_t a = text.find_first_not_of(' '), b = text.find_last_not_of(' ');
  if (a == std::string_view::npos) return std::nullopt;
  std::string_view t = text.substr(a, b - a + 1);
  bool negative = false;
  if (t[0] == '+' || t[0] == '-') {
    negative = t[0] == '-';
    t.remove_prefix(1);
  }
  if (t.empty()) return std::nullopt;
  constexpr int64_t kLimit = INT64_MAX / 10;
  int64_t v = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v >= kLimit ? kLimit : v * 10 + (c - '0');
  }
  return negative ? -v : v;
}

std::optional<int32_t> TextToInt(std::string_view text) {
  const std::optional<int64_t> v = TextToWideInt(text);
  if (!v || *v < INT32_MIN || *v > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(*v);
}

std::string IntToHexText(int32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", static_cast<uint32_t>(v));
  return buf;
}

std::optional<int32_t> HexToInt(std::string_view text) {
  if (text.size() < 3 || text.size() > 10 || text.substr(0, 2) != "0x") return std::nullopt;
  uint32_t v = 0;
  for (char c : text.substr(2)) {
    uint32_t digit = 0;
    if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
    else if (c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
    else return std::nullopt;
    v = v << 4 | digit;
  }
  return static_cast<int32_t>(v);
}

}  // namespace tavrel
