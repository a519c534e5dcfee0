// Parsing of free-form date and time texts (see vudaodatetime.h).
//
// Names are taken out of the text first (month, then day of the week), so
// that what remains is numbers and separators; the numbers are then read
// in the locale's order. The locale is read again before every parse, so a
// change of the global settings takes effect at the next text.
#include "dao/vudaodatetime.h"

#include <QStringList>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/typinfo.h"

namespace dao {

namespace {

const QString kSqlDate = QStringLiteral("mm\"/\"dd\"/\"yyyy");
const QString kSqlTime = QStringLiteral("hh\":\"nn\":\"ss");

// Replaces the first occurrence of the first name found (in list order)
// with a blank; returns its 1-based number or 0.
int TakeName(QString &text, const QString *names, int count) {
  for (int i = 0; i < count; ++i) {
    if (names[i].isEmpty()) continue;
    const int at = text.indexOf(names[i], 0, Qt::CaseInsensitive);
    if (at < 0) continue;
    text.replace(at, names[i].size(), QLatin1Char(' '));
    return i + 1;
  }
  return 0;
}

// Every character that is not a digit becomes a blank; blanks are folded.
QString Clean(const QString &text) {
  QString out = text;
  for (QChar &c : out)
    if (!c.isDigit() || c.unicode() > 127) c = QLatin1Char(' ');
  return out.simplified();
}

}  // namespace

TVuDaoDateTime::TVuDaoDateTime(vcl::TComponent *owner) : vcl::TComponent(owner) { ReadLocale(); }

TVuDaoDateTime::Order TVuDaoDateTime::OrderOf(const QString &format) {
  // The first of day, month and year in the format; a run of three or more
  // "d" is the day's name, not the day.
  QString seen;
  for (int i = 0; i < format.size();) {
    const QChar c = format[i].toLower();
    int run = 1;
    while (i + run < format.size() && format[i + run].toLower() == c) ++run;
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      const int end = format.indexOf(format[i], i + 1);
      i = end < 0 ? format.size() : end + 1;
      continue;
    }
    if ((c == QLatin1Char('d') && run <= 2) || c == QLatin1Char('m') || c == QLatin1Char('y'))
      if (!seen.contains(c)) seen += c;
    i += run;
  }
  if (seen.startsWith(QLatin1Char('m'))) return Order::MDY;
  if (seen.startsWith(QLatin1Char('y'))) return Order::YMD;
  return Order::DMY;
}

void TVuDaoDateTime::ReadLocale() {
  const rtl::TFormatSettings &fs = rtl::FormatSettings();
  locale_.date_separator = fs.DateSeparator;
  locale_.time_separator = fs.TimeSeparator;
  locale_.short_date_format = fs.ShortDateFormat;
  locale_.long_date_format = fs.LongDateFormat;
  locale_.long_time_format = fs.LongTimeFormat;
  locale_.time_format = fs.LongTimeFormat.isEmpty() ? QStringLiteral("hh:mm:ss") : fs.LongTimeFormat;
  locale_.am = fs.TimeAMString;
  locale_.pm = fs.TimePMString;
  locale_.short_order = OrderOf(fs.ShortDateFormat);
  locale_.long_order = fs.LongDateFormat.isEmpty() ? locale_.short_order : OrderOf(fs.LongDateFormat);
  for (int i = 0; i < 12; ++i) {
    locale_.long_months[i] = fs.LongMonthNames[i];
    locale_.short_months[i] = access_shorting_ ? fs.ShortMonthNames[i].left(7) : fs.ShortMonthNames[i];
  }
  for (int i = 0; i < 7; ++i) {
    locale_.long_days[i] = fs.LongDayNames[i];
    locale_.short_days[i] = fs.ShortDayNames[i];
  }
  code_page_ = 1252;
}

void TVuDaoDateTime::Clear() {
  date_ = date_time_ = time_ = 0;
  day_ = month_ = year_ = hours_ = minutes_ = seconds_ = milliseconds_ = week_day_ = 0;
  date_found_ = time_found_ = long_month_found_ = short_month_found_ = false;
}

void TVuDaoDateTime::SetSQL(const QString &sql) {
  sql_string_ = sql;
  sql_field_ = QLatin1Char('#') + sql + QLatin1Char('#');
}

void TVuDaoDateTime::SetDate(rtl::TDateTime value) {
  date_ = value;
  SetSQL(rtl::FormatDateTime(kSqlDate, value));
  date_time_string_ = rtl::FormatDateTime(rtl::FormatSettings().ShortDateFormat, value);
  week_day_ = rtl::DayOfWeek(value);
}

void TVuDaoDateTime::SetDateTime(rtl::TDateTime value) {
  date_time_ = value;
  SetSQL(rtl::FormatDateTime(kSqlDate + QLatin1Char(' ') + kSqlTime, value));
  date_time_string_ = rtl::DateTimeToStr(value);
  week_day_ = rtl::DayOfWeek(value);
}

void TVuDaoDateTime::SetDateTimeString(const QString &text) {
  date_time_string_ = text;
  if (IsLoading()) return;
  Parse();
}

void TVuDaoDateTime::Loaded() {
  vcl::TComponent::Loaded();
  if (!date_time_string_.isEmpty()) Parse();
}

void TVuDaoDateTime::Parse() {
  if (date_time_string_.isEmpty()) return;
  Clear();
  ReadLocale();
  const QString original = date_time_string_;
  QString text = original;

  int month = TakeName(text, locale_.long_months, 12);
  if (month > 0) {
    long_month_found_ = true;
  } else {
    month = TakeName(text, locale_.short_months, 12);
    short_month_found_ = month > 0;
  }
  int named_day = TakeName(text, locale_.long_days, 7);
  if (named_day == 0) named_day = TakeName(text, locale_.short_days, 7);

  const bool month_named = long_month_found_ || short_month_found_;
  date_found_ = text.contains(locale_.date_separator) || month_named;
  time_found_ = text.contains(locale_.time_separator);

  QString date_part = text, time_part;
  const int time_at = text.indexOf(locale_.time_separator);
  const int date_at = text.indexOf(locale_.date_separator);
  if (time_at >= 0 && (date_at < 0 || time_at > date_at)) {
    // The time is the blank-separated word holding the first separator and
    // everything after it.
    const int word = text.lastIndexOf(QLatin1Char(' '), time_at) + 1;
    date_part = text.left(word);
    time_part = text.mid(word);
  }
  date_part = Clean(date_part);
  time_part = Clean(time_part);
  if (!date_part.isEmpty()) date_found_ = true;
  if (date_found_ && !time_found_) date_part = Clean(text);
  if (time_found_ && !date_found_) time_part = Clean(text);

  auto fail = [&]() -> void {
    if (!date_found_ && !time_found_) throw rtl::EConvertError(QStringLiteral("Invalid format!"));
    QString what = date_found_ && time_found_ ? QStringLiteral(" is not a valid date and time.")
                   : date_found_              ? QStringLiteral(" is not a valid date.")
                                              : QStringLiteral(" is not a valid time.");
    throw rtl::EConvertError(original + what);
  };
  if (!date_found_ && !time_found_) fail();

  auto numbers = [&](const QString &part, QList<int> &out) {
    for (const QString &piece : part.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
      bool ok = false;
      const int n = piece.toInt(&ok);
      if (!ok) fail();  // too long for a number
      out << n;
    }
  };

  rtl::TDateTime date_value = 0, time_value = 0;
  if (date_found_) {
    QList<int> n;
    numbers(date_part, n);
    if (n.size() < (month_named ? 2 : 3)) fail();
    const Order order = long_month_found_ ? locale_.long_order : locale_.short_order;
    int d = 0, m = month, y = 0;
    switch (order) {
      case Order::MDY:
        if (month_named) {
          d = n[0];
          y = n[1];
        } else {
          m = n[0];
          d = n[1];
          y = n[2];
        }
        break;
      case Order::DMY:
        if (month_named) {
          d = n[0];
          y = n[1];
        } else {
          d = n[0];
          m = n[1];
          y = n[2];
        }
        break;
      case Order::YMD:
        if (month_named) {
          y = n[0];
          d = n[1];
        } else {
          y = n[0];
          m = n[1];
          d = n[2];
        }
        break;
    }
    // Two-digit years: up to the pivot in this century, the rest in the
    // last one (99 included: "31/12/99" is 1999, not the year 99).
    if (y >= 0 && y <= over_2000_)
      y += 2000;
    else if (y > over_2000_ && y <= 99)
      y += 1900;
    if (!rtl::TryEncodeDate(y, m, d, date_value)) fail();
    day_ = d;
    month_ = m;
    year_ = y;
  }
  if (time_found_) {
    QList<int> n;
    numbers(time_part, n);
    if (n.size() < 2) fail();
    hours_ = n[0];
    minutes_ = n[1];
    seconds_ = n.size() > 2 ? n[2] : 0;
    milliseconds_ = n.size() > 3 ? n[3] : 0;
    if (!rtl::TryEncodeTime(hours_, minutes_, seconds_, milliseconds_, time_value)) fail();
  }

  if (date_found_) {
    date_ = date_value;
    date_time_ = date_value + time_value;
  } else {
    const rtl::TDateTime today = rtl::Date();
    rtl::DecodeDate(today, year_, month_, day_);
    date_time_ = today + time_value;
  }
  time_ = time_value;
  const rtl::TDateTime result = date_found_ ? date_value : date_time_;
  if (date_found_ && named_day == 0) week_day_ = rtl::DayOfWeek(result);
  if (named_day != 0) {
    week_day_ = named_day;
    if (named_day != rtl::DayOfWeek(result)) fail();
  }

  if (date_found_ && time_found_)
    SetSQL(rtl::FormatDateTime(kSqlDate + QLatin1Char(' ') + kSqlTime, date_time_));
  else if (date_found_)
    SetSQL(rtl::FormatDateTime(kSqlDate, date_));
  else
    SetSQL(rtl::FormatDateTime(kSqlTime, time_));
}

ORBISCA_PUBLISHED(TVuDaoDateTime, vcl::TComponent) {
  p.Property("AccessShorting", &TVuDaoDateTime::AccessShorting, &TVuDaoDateTime::SetAccessShorting).Default(false);
  p.Property("CodePage", &TVuDaoDateTime::CodePage, &TVuDaoDateTime::SetCodePage);
  p.Property("Date", &TVuDaoDateTime::Date, &TVuDaoDateTime::SetDate).Type(vcl::TypeInfoDateTime());
  p.Property("DateTime", &TVuDaoDateTime::DateTime, &TVuDaoDateTime::SetDateTime).Type(vcl::TypeInfoDateTime());
  p.Property("Day", &TVuDaoDateTime::Day, &TVuDaoDateTime::SetDay);
  p.Property("Month", &TVuDaoDateTime::Month, &TVuDaoDateTime::SetMonth);
  p.Property("Year", &TVuDaoDateTime::Year, &TVuDaoDateTime::SetYear);
  p.Property("Hours", &TVuDaoDateTime::Hours, &TVuDaoDateTime::SetHours);
  p.Property("Minutes", &TVuDaoDateTime::Minutes, &TVuDaoDateTime::SetMinutes);
  p.Property("MilliSeconds", &TVuDaoDateTime::MilliSeconds, &TVuDaoDateTime::SetMilliSeconds);
  p.Property("Seconds", &TVuDaoDateTime::Seconds, &TVuDaoDateTime::SetSeconds);
  p.Property("WeekDay", &TVuDaoDateTime::WeekDay, &TVuDaoDateTime::SetWeekDay);
  p.Property("SQLString", &TVuDaoDateTime::SQLString, &TVuDaoDateTime::SetSQLString);
  p.Property("SQLField", &TVuDaoDateTime::SQLField, &TVuDaoDateTime::SetSQLField);
  p.Property("Over2000", &TVuDaoDateTime::Over2000, &TVuDaoDateTime::SetOver2000).Default(10);
  p.Property("DateTimeString", &TVuDaoDateTime::DateTimeString, &TVuDaoDateTime::SetDateTimeString);
}

}  // namespace dao
