#pragma once
// The locale record that number, date and time conversions read: the
// separators and the date and time formats. It is explicit and fixed, the
// C locale's by default, so every machine and every test formats alike; a
// program or a test replaces it whole. Read and written on the GUI thread.
//
//   TFormatSettings fr = FormatSettings();
//   fr.DecimalSeparator = U',';
//   fr.ThousandSeparator = U'\u00A0';
//   SetFormatSettings(fr);
#include <string>

namespace tavrel {

struct TFormatSettings {
  char32_t DecimalSeparator = U'.';
  char32_t ThousandSeparator = U',';
  char32_t DateSeparator = U'/';
  char32_t TimeSeparator = U':';
  std::string ShortDateFormat = "dd/MM/yyyy";
  std::string LongTimeFormat = "hh:nn:ss";
  std::string ShortTimeFormat = "hh:nn";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
};

const TFormatSettings& FormatSettings();
void SetFormatSettings(const TFormatSettings& settings);

}  // namespace tavrel
