#pragma once
// The value texts of the spin edit: integers, floats, dates, times and
// "0x" hexadecimal numbers, read and written with the separators and
// formats of an explicit locale record.
//
//   TFormatSettings fs;                              // the C locale's
//   TextToFloat("1.25", fs);                         // 1.25
//   FloatToText(1.0 / 3, 2, fs);                     // "0.33"
//   TDateTime d = *TextToDate("29/02/2024", fs);
//   DateToText(AddYears(d, 1), fs);                  // "28/02/2025"
//   TimeToText(EncodeTime(9, 5, 0), true, fs);       // "9:05:00"
//   HexToInt("0x1F");                                // 31
//
// Date-times count days from 30 December 1899, the time of day being the
// fraction. Readers never throw: text that does not read gives nothing.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/formatsettings.h"

namespace tavrel {

using TDateTime = double;

// ---- calendar ---------------------------------------------------------------

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// Years 1 to 9999; nothing for a day the month does not have.
std::optional<TDateTime> EncodeDate(int year, int month, int day);
// Dates outside years 1 to 9999 (and NaN) decode as the nearest end.
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
// The day lies within years 1 to 9999.
bool InDateRange(TDateTime dt);
// Hours, minutes and seconds of any size, as a duration in days.
TDateTime EncodeTime(int64_t hours, int64_t minutes, int64_t seconds);
// The whole days, and the time of day (0 <= t < 1).
TDateTime DatePart(TDateTime dt);
TDateTime TimePart(TDateTime dt);
// The time of day in whole milliseconds, rounded.
int64_t TimeOfDayMs(TDateTime dt);
// Months later (earlier when negative): the same day when the month has
// it, else its last day; the time of day kept. Out of the calendar's
// range, the date is returned unchanged.
TDateTime IncMonth(TDateTime dt, int months);
// The same month and day `years` later, the time of day dropped; 29
// February into a common year gives 28 February.
TDateTime AddYears(TDateTime dt, int years);
// The local date and time now.
TDateTime DateTimeNow();

// ---- texts ------------------------------------------------------------------

// The date in ShortDateFormat: d, dd, M, MM (m, mm), yy, yyyy, "/" for the
// date separator, quoted text and other characters as they are.
std::string DateToText(TDateTime dt, const TFormatSettings& fs);
// Two or three numbers between date separators, in the order the short
// date format gives (day, month and year found by their first letters);
// two numbers take the current year; years of one or two digits fall in
// the fifty years either side of the current one.
std::optional<TDateTime> TextToDate(std::string_view text, const TFormatSettings& fs);
// "h", separator, "nn", and with seconds separator and "ss".
std::string TimeToText(TDateTime dt, bool seconds, const TFormatSettings& fs);
// Hours, minutes and optionally seconds between time separators, within a day.
std::optional<TDateTime> TextToTime(std::string_view text, const TFormatSettings& fs);

// Blanks around, a sign, digits with at most one decimal separator and an
// optional exponent; no thousand separators.
std::optional<double> TextToFloat(std::string_view text, const TFormatSettings& fs);
// precision < 0: general format with 4 significant digits; 0: the shortest
// general form, up to 15 significant digits; > 0: fixed with that many
// decimals. General format turns scientific ("1.5E-7", "1E20") when the
// integer part needs more digits than allowed or the value is below 1E-5.
std::string FloatToText(double v, int precision, const TFormatSettings& fs);
// A sign and decimal digits within 32 bits, blanks around allowed.
std::optional<int32_t> TextToInt(std::string_view text);
// The same text of any length; a number too large for 64 bits keeps its
// sign and reads as one that is still far beyond 32 bits.
std::optional<int64_t> TextToWideInt(std::string_view text);

// "0x" and the upper-case digits of the 32-bit pattern, no leading zeros.
std::string IntToHexText(int32_t v);
// Exactly "0x" and 1 to 8 hexadecimal digits (either case).
std::optional<int32_t> HexToInt(std::string_view text);

}  // namespace tavrel
