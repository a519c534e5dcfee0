// Dates and times as the run-time keeps them: a TDateTime is a double
// counting days since 30 December 1899, the fraction being the time of day
// (0.5 is noon). Negative values are dates before 1899; for them the time is
// still the absolute value of the fraction, as the platform stores it. 0 is
// the empty date of the edits and the datasets.
//
// "Today" and "now" come from a clock that tests can replace
// (SetNowFunction / FixedClockGuard), so code that defaults to the current
// date can be checked against a known day.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <functional>

#include "platform/rtl/variant.h"  // TDateTime

namespace rtl {

constexpr int HoursPerDay = 24;
constexpr int MinsPerDay = 24 * 60;
constexpr int SecsPerDay = 24 * 60 * 60;
constexpr int MSecsPerDay = 24 * 60 * 60 * 1000;
// Day numbers of two fixed points, for conversions.
constexpr int DateDelta = 693594;                    // days from 1/1/0001 to 30/12/1899
constexpr double UnixDateDelta = 25569;              // 1/1/1970
constexpr TDateTime MinDateTime = -657434.0;         // 1/1/0100
constexpr TDateTime MaxDateTime = 2958465.99999999;  // 31/12/9999 23:59:59.999

// Days of each month, indexed [IsLeapYear(y)][month] with month 1..12
// (index 0 is unused, so month numbers are used as they are).
extern const int MonthDays[2][13];

bool IsLeapYear(int year);
// Days of `month` (1..12) in `year`; 0 for an invalid month.
int DaysInAMonth(int year, int month);
inline int DaysInMonth(int year, int month) { return DaysInAMonth(year, month); }
int DaysInMonth(TDateTime dt);
int DaysInAYear(int year);

// Years 1..9999. EncodeDate/EncodeTime raise EConvertError
// ("Invalid argument to date encode" / "... time encode").
bool TryEncodeDate(int year, int month, int day, TDateTime &out);
TDateTime EncodeDate(int year, int month, int day);
void DecodeDate(TDateTime dt, int &year, int &month, int &day);
// Also gives the day of week (1 = Sunday); false when out of range.
bool DecodeDateFully(TDateTime dt, int &year, int &month, int &day, int &dow);
bool IsValidDate(int year, int month, int day);

// Hours 0..23, minutes and seconds 0..59, milliseconds 0..999. The value
// is the fraction of a day.
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime &out);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
void DecodeTime(TDateTime dt, int &hour, int &min, int &sec, int &msec);
bool IsValidTime(int hour, int min, int sec, int msec);

bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec, TDateTime &out);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);
void DecodeDateTime(TDateTime dt, int &year, int &month, int &day, int &hour, int &min, int &sec, int &msec);

// The current day (no time), the current moment, the current time of day.
TDateTime Date();
TDateTime Now();
TDateTime Time();
inline TDateTime GetTime() { return Time(); }

// Replaces the clock behind Now/Date/Time; an empty function restores the
// system clock.
using NowFunction = std::function<TDateTime()>;
void SetNowFunction(NowFunction now);
NowFunction GetNowFunction();  // empty while the system clock is in use
// Tests: holds the clock at `moment` for the guard's lifetime, then puts
// back whatever clock was there before (guards nest).
class FixedClockGuard {
 public:
  explicit FixedClockGuard(TDateTime moment);
  ~FixedClockGuard();
  FixedClockGuard(const FixedClockGuard &) = delete;
  FixedClockGuard &operator=(const FixedClockGuard &) = delete;
  void Set(TDateTime moment);

 private:
  TDateTime moment_;
  NowFunction previous_;
};

// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime dt);
// 1 = Monday .. 7 = Sunday (ISO).
int DayOfTheWeek(TDateTime dt);
int DayOfTheYear(TDateTime dt);   // 1..366
int WeekOfTheYear(TDateTime dt);  // ISO 8601 week

// Adds months; a day past the end of the target month becomes its last day
// (31 January + 1 month = 28/29 February). The time is kept.
TDateTime IncMonth(TDateTime dt, int months = 1);
TDateTime IncYear(TDateTime dt, int years = 1);
TDateTime IncDay(TDateTime dt, int days = 1);
TDateTime IncWeek(TDateTime dt, int weeks = 1);
TDateTime IncHour(TDateTime dt, std::int64_t hours = 1);
TDateTime IncMinute(TDateTime dt, std::int64_t minutes = 1);
TDateTime IncSecond(TDateTime dt, std::int64_t seconds = 1);
void IncAMonth(int &year, int &month, int &day, int months = 1);

TDateTime DateOf(TDateTime dt);  // the day, time removed
TDateTime TimeOf(TDateTime dt);  // the time of day only
int YearOf(TDateTime dt);
int MonthOf(TDateTime dt);
int DayOf(TDateTime dt);
int HourOf(TDateTime dt);
int MinuteOf(TDateTime dt);
int SecondOf(TDateTime dt);
int MilliSecondOf(TDateTime dt);

TDateTime StartOfTheMonth(TDateTime dt);
TDateTime EndOfTheMonth(TDateTime dt);  // last day, 23:59:59.999
TDateTime StartOfTheYear(TDateTime dt);
TDateTime EndOfTheYear(TDateTime dt);
TDateTime StartOfTheDay(TDateTime dt);
TDateTime EndOfTheDay(TDateTime dt);

// Whole days between the two moments (always >= 0).
int DaysBetween(TDateTime a, TDateTime b);
bool SameDate(TDateTime a, TDateTime b);
// -1, 0, 1; dates compare by day only, times by time of day only.
int CompareDate(TDateTime a, TDateTime b);
int CompareTime(TDateTime a, TDateTime b);
int CompareDateTime(TDateTime a, TDateTime b);

// A two-digit year in the window of `window` years before today (the
// locale's TwoDigitYearCenturyWindow; 0 puts it in the current century).
int ExpandTwoDigitYear(int year, int window);

// Bridges to Qt's date classes (calendars, date edits, SQLite text).
// An invalid QDate/QDateTime gives 0; 0 gives the date 30/12/1899.
QDate ToQDate(TDateTime dt);
QTime ToQTime(TDateTime dt);
QDateTime ToQDateTime(TDateTime dt);
TDateTime FromQDate(const QDate &d);
TDateTime FromQTime(const QTime &t);
TDateTime FromQDateTime(const QDateTime &dt);

// Days since 1/1/0001 (day 1) and milliseconds since midnight: the form
// the dataset's row buffers keep.
struct TTimeStamp {
  int Time = 0;  // milliseconds since midnight
  int Date = 0;  // day 1 = 1 January of year 1
};
TTimeStamp DateTimeToTimeStamp(TDateTime dt);
TDateTime TimeStampToDateTime(const TTimeStamp &ts);

}  // namespace rtl
