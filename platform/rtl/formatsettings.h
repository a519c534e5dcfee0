// The locale the program formats and parses with. There is one global
// TFormatSettings, Italian from the start whatever the process locale says,
// so the program and its tests behave the same under any LANG. Code reads
// it at the moment it formats or parses (the edits and the report engine
// change separators temporarily), so nothing caches it.
//
// Format letters are the run-time's own: "dd/mm/yyyy", "hh:nn:ss" (see
// FormatDateTime in sysutils.h).
#pragma once

#include <QChar>
#include <QString>

namespace rtl {

struct TFormatSettings {
  QChar DecimalSeparator = QLatin1Char(',');
  QChar ThousandSeparator = QLatin1Char('.');
  QChar DateSeparator = QLatin1Char('/');
  QChar TimeSeparator = QLatin1Char(':');
  QChar ListSeparator = QLatin1Char(';');
  QString ShortDateFormat;
  QString LongDateFormat;
  QString ShortTimeFormat;
  QString LongTimeFormat;
  QString TimeAMString;
  QString TimePMString;
  QString ShortMonthNames[12];
  QString LongMonthNames[12];
  QString ShortDayNames[7];  // [0] = Sunday
  QString LongDayNames[7];   // [0] = Sunday
  QString CurrencyString;
  // Positive amounts: 0 "€1", 1 "1€", 2 "€ 1", 3 "1 €".
  int CurrencyFormat = 3;
  // Negative amounts, 0..15 as the platform numbers them: 0 "(€1)",
  // 1 "-€1", 2 "€-1", 3 "€1-", 4 "(1€)", 5 "-1€", 6 "1-€", 7 "1€-",
  // 8 "-1 €", 9 "-€ 1", 10 "1 €-", 11 "€ 1-", 12 "€ -1", 13 "1- €",
  // 14 "(€ 1)", 15 "(1 €)".
  int NegCurrFormat = 8;
  int CurrencyDecimals = 2;
  // Two-digit years: 0 puts them in the current century; N > 0 puts them
  // in the hundred years starting N years before the current year.
  int TwoDigitYearCenturyWindow = 50;
};

// The global settings; changes take effect at once everywhere.
TFormatSettings &FormatSettings();

// Italian: "," "." "/" ":", "dd/mm/yyyy", "dddd d mmmm yyyy", "hh:nn",
// "hh:nn:ss", Italian month and day names, "€" after the amount with a blank
// ("1.234,50 €", "-1.234,50 €"), 2 decimals.
TFormatSettings ItalianFormatSettings();
// English (United States) settings, handy in tests of "." locales.
TFormatSettings EnglishFormatSettings();

// Saves the global settings and puts them back when it goes out of scope,
// whatever the code in between changed (tests, temporary separators).
class FormatSettingsGuard {
 public:
  FormatSettingsGuard();
  // Saves the current settings, then installs `replacement`.
  explicit FormatSettingsGuard(const TFormatSettings &replacement);
  ~FormatSettingsGuard();
  FormatSettingsGuard(const FormatSettingsGuard &) = delete;
  FormatSettingsGuard &operator=(const FormatSettingsGuard &) = delete;

 private:
  TFormatSettings saved_;
};

}  // namespace rtl
