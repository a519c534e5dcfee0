// Calendar arithmetic for TDateTime. Day numbers are converted to and from
// the proleptic Gregorian calendar with integer arithmetic (no time zones,
// no floating-point days), so every date of years 1..9999 round-trips.
#include "platform/rtl/datetime.h"

#include <cmath>
#include <cstdlib>
#include <mutex>

#include "platform/rtl/exceptions.h"

namespace rtl {

const int MonthDays[2][13] = {
    {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
};

namespace {

// Days from 1 January 1970 to the given civil date (any year).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int &year, int &month, int &day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = yoe + era * 400;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

constexpr std::int64_t kUnixDay = 25569;  // 1/1/1970 as a TDateTime day

// Splits a TDateTime into its day number (as the platform: the integer
// part, truncated) and the milliseconds of its time (from the absolute
// fraction, rounded). A time that rounds to midnight moves to the next day.
void Split(TDateTime dt, std::int64_t &day, std::int64_t &ms) {
  if (!std::isfinite(dt) || dt > 1e9 || dt < -1e9) {
    day = 0;
    ms = 0;
    return;
  }
  const double whole = std::trunc(dt);
  day = static_cast<std::int64_t>(whole);
  ms = std::llround(std::fabs(dt - whole) * MSecsPerDay);
  if (ms >= MSecsPerDay) {
    ms -= MSecsPerDay;
    day += 1;
  }
}

// Builds a TDateTime from a day number and a time fraction, as the
// platform encodes times of days before 1899 (subtracted).
TDateTime Join(std::int64_t day, double time) {
  const double d = static_cast<double>(day);
  return d < 0 ? d - time : d + time;
}

std::mutex g_clock_mutex;
NowFunction g_now;

TDateTime SystemNow() { return FromQDateTime(QDateTime::currentDateTime()); }

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0) && ((year % 100 != 0) || (year % 400 == 0)); }

int DaysInAMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  return MonthDays[IsLeapYear(year) ? 1 : 0][month];
}

int DaysInMonth(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return DaysInAMonth(y, m);
}

int DaysInAYear(int year) { return IsLeapYear(year) ? 366 : 365; }

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInAMonth(year, month);
}

bool TryEncodeDate(int year, int month, int day, TDateTime &out) {
  if (!IsValidDate(year, month, day)) return false;
  out = static_cast<double>(DaysFromCivil(year, month, day) + kUnixDay);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime r = 0;
  if (!TryEncodeDate(year, month, day, r)) throw EConvertError(QStringLiteral("Invalid argument to date encode"));
  return r;
}

void DecodeDate(TDateTime dt, int &year, int &month, int &day) {
  std::int64_t d, ms;
  Split(dt, d, ms);
  CivilFromDays(d - kUnixDay, year, month, day);
}

bool DecodeDateFully(TDateTime dt, int &year, int &month, int &day, int &dow) {
  DecodeDate(dt, year, month, day);
  dow = DayOfWeek(dt);
  return year >= 1 && year <= 9999;
}

bool IsValidTime(int hour, int min, int sec, int msec) {
  return hour >= 0 && hour < 24 && min >= 0 && min < 60 && sec >= 0 && sec < 60 && msec >= 0 && msec < 1000;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime &out) {
  if (!IsValidTime(hour, min, sec, msec)) return false;
  out = ((hour * 3600000.0) + (min * 60000.0) + (sec * 1000.0) + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime r = 0;
  if (!TryEncodeTime(hour, min, sec, msec, r)) throw EConvertError(QStringLiteral("Invalid argument to time encode"));
  return r;
}

void DecodeTime(TDateTime dt, int &hour, int &min, int &sec, int &msec) {
  std::int64_t d, ms;
  Split(dt, d, ms);
  hour = static_cast<int>(ms / 3600000);
  min = static_cast<int>(ms / 60000 % 60);
  sec = static_cast<int>(ms / 1000 % 60);
  msec = static_cast<int>(ms % 1000);
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec, TDateTime &out) {
  TDateTime d, t;
  if (!TryEncodeDate(year, month, day, d) || !TryEncodeTime(hour, min, sec, msec, t)) return false;
  out = Join(static_cast<std::int64_t>(d), t);
  return true;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec) {
  return Join(static_cast<std::int64_t>(EncodeDate(year, month, day)), EncodeTime(hour, min, sec, msec));
}

void DecodeDateTime(TDateTime dt, int &year, int &month, int &day, int &hour, int &min, int &sec, int &msec) {
  DecodeDate(dt, year, month, day);
  DecodeTime(dt, hour, min, sec, msec);
}

TDateTime Now() {
  NowFunction f;
  {
    std::lock_guard<std::mutex> lock(g_clock_mutex);
    f = g_now;
  }
  return f ? f() : SystemNow();
}

TDateTime Date() { return DateOf(Now()); }
TDateTime Time() { return TimeOf(Now()); }

void SetNowFunction(NowFunction now) {
  std::lock_guard<std::mutex> lock(g_clock_mutex);
  g_now = std::move(now);
}

NowFunction GetNowFunction() {
  std::lock_guard<std::mutex> lock(g_clock_mutex);
  return g_now;
}

FixedClockGuard::FixedClockGuard(TDateTime moment) : moment_(moment), previous_(GetNowFunction()) {
  SetNowFunction([this] { return moment_; });
}
FixedClockGuard::~FixedClockGuard() { SetNowFunction(std::move(previous_)); }
void FixedClockGuard::Set(TDateTime moment) { moment_ = moment; }

int DayOfWeek(TDateTime dt) {
  std::int64_t d, ms;
  Split(dt, d, ms);
  // Day 0 (30/12/1899) was a Saturday.
  const std::int64_t r = ((d + 6) % 7 + 7) % 7;  // 0 = Sunday
  return static_cast<int>(r) + 1;
}

int DayOfTheWeek(TDateTime dt) {
  const int dow = DayOfWeek(dt);
  return dow == 1 ? 7 : dow - 1;
}

int DayOfTheYear(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return static_cast<int>(DaysFromCivil(y, m, d) - DaysFromCivil(y, 1, 1)) + 1;
}

int WeekOfTheYear(TDateTime dt) { return ToQDate(dt).weekNumber(); }

void IncAMonth(int &year, int &month, int &day, int months) {
  std::int64_t total = static_cast<std::int64_t>(year) * 12 + (month - 1) + months;
  std::int64_t y = total >= 0 ? total / 12 : (total - 11) / 12;
  year = static_cast<int>(y);
  month = static_cast<int>(total - y * 12) + 1;
  const int last = DaysInAMonth(year, month);
  if (day > last) day = last;
}

TDateTime IncMonth(TDateTime dt, int months) {
  std::int64_t d, ms;
  Split(dt, d, ms);
  int y, m, dd;
  CivilFromDays(d - kUnixDay, y, m, dd);
  IncAMonth(y, m, dd, months);
  TDateTime date = 0;
  if (!TryEncodeDate(y, m, dd, date)) throw EConvertError(QStringLiteral("Invalid argument to date encode"));
  return Join(static_cast<std::int64_t>(date), static_cast<double>(ms) / MSecsPerDay);
}

TDateTime IncYear(TDateTime dt, int years) { return IncMonth(dt, years * 12); }

TDateTime IncDay(TDateTime dt, int days) {
  std::int64_t d, ms;
  Split(dt, d, ms);
  return Join(d + days, static_cast<double>(ms) / MSecsPerDay);
}

TDateTime IncWeek(TDateTime dt, int weeks) { return IncDay(dt, weeks * 7); }

namespace {
// Moves a moment by a number of milliseconds, keeping the day/time split
// of negative dates right.
TDateTime IncMs(TDateTime dt, std::int64_t delta) {
  std::int64_t d, ms;
  Split(dt, d, ms);
  std::int64_t total = d * MSecsPerDay + ms + delta;
  std::int64_t nd = total >= 0 ? total / MSecsPerDay : (total - (MSecsPerDay - 1)) / MSecsPerDay;
  std::int64_t nms = total - nd * MSecsPerDay;
  return Join(nd, static_cast<double>(nms) / MSecsPerDay);
}
std::int64_t TotalMs(TDateTime dt) {
  std::int64_t d, ms;
  Split(dt, d, ms);
  return d * MSecsPerDay + ms;
}
}  // namespace

TDateTime IncHour(TDateTime dt, std::int64_t hours) { return IncMs(dt, hours * 3600000); }
TDateTime IncMinute(TDateTime dt, std::int64_t minutes) { return IncMs(dt, minutes * 60000); }
TDateTime IncSecond(TDateTime dt, std::int64_t seconds) { return IncMs(dt, seconds * 1000); }

TDateTime DateOf(TDateTime dt) {
  std::int64_t d, ms;
  Split(dt, d, ms);
  return static_cast<double>(d);
}

TDateTime TimeOf(TDateTime dt) {
  std::int64_t d, ms;
  Split(dt, d, ms);
  return static_cast<double>(ms) / MSecsPerDay;
}

int YearOf(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return y;
}
int MonthOf(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return m;
}
int DayOf(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return d;
}
int HourOf(TDateTime dt) {
  int h, n, s, z;
  DecodeTime(dt, h, n, s, z);
  return h;
}
int MinuteOf(TDateTime dt) {
  int h, n, s, z;
  DecodeTime(dt, h, n, s, z);
  return n;
}
int SecondOf(TDateTime dt) {
  int h, n, s, z;
  DecodeTime(dt, h, n, s, z);
  return s;
}
int MilliSecondOf(TDateTime dt) {
  int h, n, s, z;
  DecodeTime(dt, h, n, s, z);
  return z;
}

TDateTime StartOfTheMonth(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return EncodeDate(y, m, 1);
}

TDateTime EndOfTheMonth(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return EncodeDateTime(y, m, DaysInAMonth(y, m), 23, 59, 59, 999);
}

TDateTime StartOfTheYear(TDateTime dt) { return EncodeDate(YearOf(dt), 1, 1); }
TDateTime EndOfTheYear(TDateTime dt) { return EncodeDateTime(YearOf(dt), 12, 31, 23, 59, 59, 999); }
TDateTime StartOfTheDay(TDateTime dt) { return DateOf(dt); }
TDateTime EndOfTheDay(TDateTime dt) { return Join(static_cast<std::int64_t>(DateOf(dt)), EncodeTime(23, 59, 59, 999)); }

int DaysBetween(TDateTime a, TDateTime b) {
  const std::int64_t diff = std::llabs(TotalMs(a) - TotalMs(b));
  return static_cast<int>(diff / MSecsPerDay);
}

bool SameDate(TDateTime a, TDateTime b) { return DateOf(a) == DateOf(b); }

int CompareDate(TDateTime a, TDateTime b) {
  const double da = DateOf(a), db = DateOf(b);
  return da < db ? -1 : (da > db ? 1 : 0);
}

int CompareTime(TDateTime a, TDateTime b) {
  const double ta = TimeOf(a), tb = TimeOf(b);
  return ta < tb ? -1 : (ta > tb ? 1 : 0);
}

int CompareDateTime(TDateTime a, TDateTime b) {
  const std::int64_t ma = TotalMs(a), mb = TotalMs(b);
  return ma < mb ? -1 : (ma > mb ? 1 : 0);
}

int ExpandTwoDigitYear(int year, int window) {
  if (year < 0 || year > 99) return year;
  const int current = YearOf(Date());
  if (window <= 0) return current / 100 * 100 + year;
  const int pivot = current - window;
  int r = pivot / 100 * 100 + year;
  if (r < pivot) r += 100;
  return r;
}

QDate ToQDate(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return QDate(y, m, d);
}

QTime ToQTime(TDateTime dt) {
  int h, n, s, z;
  DecodeTime(dt, h, n, s, z);
  return QTime(h, n, s, z);
}

QDateTime ToQDateTime(TDateTime dt) { return QDateTime(ToQDate(dt), ToQTime(dt)); }

TDateTime FromQDate(const QDate &d) {
  if (!d.isValid()) return 0;
  return static_cast<double>(DaysFromCivil(d.year(), d.month(), d.day()) + kUnixDay);
}

TDateTime FromQTime(const QTime &t) {
  if (!t.isValid()) return 0;
  return static_cast<double>(t.msecsSinceStartOfDay()) / MSecsPerDay;
}

TDateTime FromQDateTime(const QDateTime &dt) {
  if (!dt.isValid()) return 0;
  const std::int64_t day = static_cast<std::int64_t>(FromQDate(dt.date()));
  return Join(day, FromQTime(dt.time()));
}

TTimeStamp DateTimeToTimeStamp(TDateTime dt) {
  std::int64_t d, ms;
  Split(dt, d, ms);
  TTimeStamp ts;
  ts.Date = static_cast<int>(d + DateDelta);
  ts.Time = static_cast<int>(ms);
  return ts;
}

TDateTime TimeStampToDateTime(const TTimeStamp &ts) {
  if (ts.Time < 0 || ts.Time >= MSecsPerDay) throw EConvertError(QStringLiteral("Invalid argument to time encode"));
  return Join(static_cast<std::int64_t>(ts.Date) - DateDelta, static_cast<double>(ts.Time) / MSecsPerDay);
}

}  // namespace rtl
