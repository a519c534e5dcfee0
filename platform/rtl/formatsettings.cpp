// The global locale settings and the two built-in sets. The global starts
// Italian and is never read from the process locale.
#include "platform/rtl/formatsettings.h"

namespace rtl {

namespace {

void SetNames(QString (&target)[12], const char *const (&names)[12]) {
  for (int i = 0; i < 12; ++i) target[i] = QString::fromUtf8(names[i]);
}

void SetNames(QString (&target)[7], const char *const (&names)[7]) {
  for (int i = 0; i < 7; ++i) target[i] = QString::fromUtf8(names[i]);
}

}  // namespace

TFormatSettings ItalianFormatSettings() {
  static const char *const kShortMonths[12] = {"gen", "feb", "mar", "apr", "mag", "giu",
                                               "lug", "ago", "set", "ott", "nov", "dic"};
  static const char *const kLongMonths[12] = {"gennaio", "febbraio", "marzo",     "aprile",  "maggio",   "giugno",
                                              "luglio",  "agosto",   "settembre", "ottobre", "novembre", "dicembre"};
  static const char *const kShortDays[7] = {"dom", "lun", "mar", "mer", "gio", "ven", "sab"};
  static const char *const kLongDays[7] = {"domenica", "lunedì",  "martedì", "mercoledì",
                                           "giovedì",  "venerdì", "sabato"};
  TFormatSettings fs;
  fs.DecimalSeparator = QLatin1Char(',');
  fs.ThousandSeparator = QLatin1Char('.');
  fs.DateSeparator = QLatin1Char('/');
  fs.TimeSeparator = QLatin1Char(':');
  fs.ListSeparator = QLatin1Char(';');
  fs.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
  fs.LongDateFormat = QStringLiteral("dddd d mmmm yyyy");
  fs.ShortTimeFormat = QStringLiteral("hh:nn");
  fs.LongTimeFormat = QStringLiteral("hh:nn:ss");
  fs.TimeAMString = QStringLiteral("AM");
  fs.TimePMString = QStringLiteral("PM");
  SetNames(fs.ShortMonthNames, kShortMonths);
  SetNames(fs.LongMonthNames, kLongMonths);
  SetNames(fs.ShortDayNames, kShortDays);
  SetNames(fs.LongDayNames, kLongDays);
  fs.CurrencyString = QString(QChar(0x20AC));
  fs.CurrencyFormat = 3;
  fs.NegCurrFormat = 8;
  fs.CurrencyDecimals = 2;
  fs.TwoDigitYearCenturyWindow = 50;
  return fs;
}

TFormatSettings EnglishFormatSettings() {
  static const char *const kShortMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  static const char *const kLongMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                              "July",    "August",   "September", "October", "November", "December"};
  static const char *const kShortDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char *const kLongDays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                           "Thursday", "Friday", "Saturday"};
  TFormatSettings fs;
  fs.DecimalSeparator = QLatin1Char('.');
  fs.ThousandSeparator = QLatin1Char(',');
  fs.DateSeparator = QLatin1Char('/');
  fs.TimeSeparator = QLatin1Char(':');
  fs.ListSeparator = QLatin1Char(',');
  fs.ShortDateFormat = QStringLiteral("M/d/yyyy");
  fs.LongDateFormat = QStringLiteral("dddd, mmmm d, yyyy");
  fs.ShortTimeFormat = QStringLiteral("h:nn AMPM");
  fs.LongTimeFormat = QStringLiteral("h:nn:ss AMPM");
  fs.TimeAMString = QStringLiteral("AM");
  fs.TimePMString = QStringLiteral("PM");
  SetNames(fs.ShortMonthNames, kShortMonths);
  SetNames(fs.LongMonthNames, kLongMonths);
  SetNames(fs.ShortDayNames, kShortDays);
  SetNames(fs.LongDayNames, kLongDays);
  fs.CurrencyString = QStringLiteral("$");
  fs.CurrencyFormat = 0;
  fs.NegCurrFormat = 0;
  fs.CurrencyDecimals = 2;
  fs.TwoDigitYearCenturyWindow = 50;
  return fs;
}

TFormatSettings &FormatSettings() {
  static TFormatSettings settings = ItalianFormatSettings();
  return settings;
}

FormatSettingsGuard::FormatSettingsGuard() : saved_(FormatSettings()) {}

FormatSettingsGuard::FormatSettingsGuard(const TFormatSettings &replacement) : saved_(FormatSettings()) {
  FormatSettings() = replacement;
}

FormatSettingsGuard::~FormatSettingsGuard() { FormatSettings() = saved_; }

}  // namespace rtl
