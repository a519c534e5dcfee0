// The date-time component: reads a free-form date and/or time text typed or
// pasted by the user ("15 marzo 2001 10:30", "15/03/01", "10:30") in the
// locale's names and order, and gives it back as date-time values and as
// the "#mm/dd/yyyy hh:nn:ss#" literal that Jet criteria and SQL expect. The
// data grid uses one to read pasted dates; it has no window of its own.
#pragma once

#include <QString>

#include "platform/rtl/datetime.h"
#include "platform/vcl/component.h"

namespace dao {

class TVuDaoDateTime : public vcl::TComponent {
  ORBISCA_CLASS(TVuDaoDateTime, vcl::TComponent)

 public:
  explicit TVuDaoDateTime(vcl::TComponent *owner = nullptr);

  // Short month names are cut to 7 characters before parsing when set.
  bool AccessShorting() const { return access_shorting_; }
  void SetAccessShorting(bool v) { access_shorting_ = v; }
  // The 8-bit code page of the texts; read-only (writes are ignored).
  int CodePage() const { return code_page_; }
  void SetCodePage(int) {}

  rtl::TDateTime Date() const { return date_; }
  void SetDate(rtl::TDateTime value);
  rtl::TDateTime DateTime() const { return date_time_; }
  void SetDateTime(rtl::TDateTime value);

  // The parts found by the last parse; WeekDay 1 = Sunday .. 7, 0 = none.
  int Day() const { return day_; }
  int Month() const { return month_; }
  int Year() const { return year_; }
  int Hours() const { return hours_; }
  int Minutes() const { return minutes_; }
  int Seconds() const { return seconds_; }
  int MilliSeconds() const { return milliseconds_; }
  int WeekDay() const { return week_day_; }
  void SetDay(int) {}
  void SetMonth(int) {}
  void SetYear(int) {}
  void SetHours(int) {}
  void SetMinutes(int) {}
  void SetSeconds(int) {}
  void SetMilliSeconds(int) {}
  void SetWeekDay(int) {}

  // "mm/dd/yyyy", "hh:nn:ss" or both, whatever the locale.
  QString SQLString() const { return sql_string_; }
  void SetSQLString(const QString &) {}
  // SQLString between "#" signs.
  QString SQLField() const { return sql_field_; }
  void SetSQLField(const QString &) {}

  // Two-digit years up to this one are in the 2000s, later ones in the 1900s.
  int Over2000() const { return over_2000_; }
  void SetOver2000(int v) { over_2000_ = v; }

  // Writing parses; a text that is no date or time raises EConvertError.
  QString DateTimeString() const { return date_time_string_; }
  void SetDateTimeString(const QString &text);

  // The time part found by the last parse.
  rtl::TDateTime TimeValue() const { return time_; }

 protected:
  void Loaded() override;

 private:
  enum class Order { MDY, DMY, YMD };
  struct Locale {
    QChar date_separator, time_separator;
    QString short_date_format, long_date_format, long_time_format, time_format;
    QString am, pm;
    Order short_order = Order::DMY, long_order = Order::DMY;
    QString short_months[12], long_months[12], short_days[7], long_days[7];
  };
  static Order OrderOf(const QString &format);
  void ReadLocale();
  void Clear();
  void Parse();
  void SetSQL(const QString &sql);

  Locale locale_;
  bool access_shorting_ = false;
  int code_page_ = 1252;
  rtl::TDateTime date_ = 0, date_time_ = 0, time_ = 0;
  int day_ = 0, month_ = 0, year_ = 0;
  int hours_ = 0, minutes_ = 0, seconds_ = 0, milliseconds_ = 0, week_day_ = 0;
  QString sql_string_, sql_field_;
  int over_2000_ = 10;
  QString date_time_string_;
  bool date_found_ = false, time_found_ = false;
  bool long_month_found_ = false, short_month_found_ = false;
};

}  // namespace dao
