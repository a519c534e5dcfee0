// Calendar arithmetic: the day numbers that the database stores, month
// arithmetic of the period filters, and the replaceable clock.
#include <gtest/gtest.h>

#include "platform/rtl/datetime.h"
#include "platform/rtl/sysutils.h"

namespace rtl {
namespace {

TEST(DayNumbers, FixedPointsOfTheCalendar) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(EncodeDate(1970, 1, 1), UnixDateDelta);
  EXPECT_EQ(EncodeDate(1, 1, 1), -DateDelta + 1);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
  int y, m, d;
  DecodeDate(0, y, m, d);
  EXPECT_EQ(QDate(y, m, d), QDate(1899, 12, 30));
  DecodeDate(EncodeDate(2000, 2, 29), y, m, d);
  EXPECT_EQ(QDate(y, m, d), QDate(2000, 2, 29));
}

TEST(DayNumbers, EveryDayRoundTripsAndAgreesWithQt) {
  // A stretch around 1900 and 2000 (century rules) plus a sample of all years.
  for (int n = -800; n <= 800; ++n) {
    for (double base : {0.0, 36526.0}) {
      const double day = base + n;
      int y, m, dd;
      DecodeDate(day, y, m, dd);
      ASSERT_EQ(EncodeDate(y, m, dd), day);
      ASSERT_EQ(FromQDate(QDate(y, m, dd)), day);
    }
  }
  for (int year = 1; year <= 9999; year += 37) {
    const TDateTime d = EncodeDate(year, 3, 1);
    ASSERT_EQ(ToQDate(d), QDate(year, 3, 1)) << year;
  }
}

TEST(DayNumbers, InvalidDatesAndTimesAreRejected) {
  TDateTime d = 42;
  EXPECT_FALSE(TryEncodeDate(2001, 2, 29, d));
  EXPECT_FALSE(TryEncodeDate(2000, 13, 1, d));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, d));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, d));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, d));
  EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, d));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, d));
  EXPECT_EQ(d, 42);
  try {
    EncodeDate(1900, 2, 29);
    FAIL() << "no exception";
  } catch (const EConvertError &e) {
    EXPECT_EQ(e.Message(), "Invalid argument to date encode");
  }
  EXPECT_THROW(EncodeTime(25, 0, 0, 0), EConvertError);
}

TEST(Times, FractionOfTheDayAndMillisecondRounding) {
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  int h, n, s, ms;
  DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, ms);
  EXPECT_EQ(QTime(h, n, s, ms), QTime(23, 59, 59, 999));
  // A value a hair short of midnight is midnight of the next day.
  const TDateTime almost = 1.0 - 1e-10;
  DecodeTime(almost, h, n, s, ms);
  EXPECT_EQ(QTime(h, n, s, ms), QTime(0, 0));
  EXPECT_EQ(DateOf(almost), 1);
  // Times of days before 1899 are stored subtracted.
  const TDateTime before = EncodeDateTime(1899, 12, 29, 6, 0, 0, 0);
  EXPECT_EQ(before, -1.25);
  EXPECT_EQ(DateOf(before), -1);
  EXPECT_EQ(TimeOf(before), 0.25);
  EXPECT_EQ(HourOf(before), 6);
}

TEST(Weekdays, SundayIsOne) {
  EXPECT_EQ(DayOfWeek(0), 7);                       // 30/12/1899, Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 3, 8)), 1);  // Sunday
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 3, 9)), 2);
  EXPECT_EQ(DayOfWeek(-1), 6);                         // Friday
  EXPECT_EQ(DayOfTheWeek(EncodeDate(2026, 3, 8)), 7);  // ISO Sunday
  EXPECT_EQ(DayOfTheYear(EncodeDate(2024, 12, 31)), 366);
  EXPECT_EQ(WeekOfTheYear(EncodeDate(2021, 1, 3)), 53);
}

TEST(MonthArithmetic, ClampsToTheEndOfTheMonth) {
  EXPECT_EQ(IncMonth(EncodeDate(2026, 1, 31), 1), EncodeDate(2026, 2, 28));
  EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 31), 1), EncodeDate(2024, 2, 29));
  EXPECT_EQ(IncMonth(EncodeDate(2026, 3, 31), -1), EncodeDate(2026, 2, 28));
  EXPECT_EQ(IncMonth(EncodeDate(2026, 1, 15), -13), EncodeDate(2024, 12, 15));
  EXPECT_EQ(IncMonth(EncodeDate(2026, 11, 30), 3), EncodeDate(2027, 2, 28));
  EXPECT_EQ(IncMonth(EncodeDateTime(2026, 1, 31, 10, 30, 0, 0), 1), EncodeDateTime(2026, 2, 28, 10, 30, 0, 0));
  EXPECT_EQ(IncYear(EncodeDate(2024, 2, 29), 1), EncodeDate(2025, 2, 28));
  EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), EConvertError);
  EXPECT_EQ(IncDay(EncodeDate(2026, 2, 28), 1), EncodeDate(2026, 3, 1));
  EXPECT_EQ(IncHour(EncodeDateTime(2026, 2, 28, 23, 0, 0, 0), 2), EncodeDateTime(2026, 3, 1, 1, 0, 0, 0));
  EXPECT_EQ(IncMinute(EncodeDateTime(1899, 12, 29, 0, 10, 0, 0), -20), EncodeDateTime(1899, 12, 28, 23, 50, 0, 0));
}

TEST(MonthArithmetic, LeapYearsAndMonthLengths) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(2026));
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(2026, 2), 28);
  EXPECT_EQ(DaysInMonth(2026, 13), 0);
  EXPECT_EQ(MonthDays[1][2], 29);
  EXPECT_EQ(MonthDays[0][12], 31);
  EXPECT_EQ(StartOfTheMonth(EncodeDate(2026, 2, 17)), EncodeDate(2026, 2, 1));
  EXPECT_EQ(DateOf(EndOfTheMonth(EncodeDate(2026, 2, 17))), EncodeDate(2026, 2, 28));
}

TEST(Spans, DaysBetweenAndComparisons) {
  const TDateTime a = EncodeDateTime(2026, 3, 1, 12, 0, 0, 0);
  EXPECT_EQ(DaysBetween(a, EncodeDateTime(2026, 3, 3, 11, 59, 0, 0)), 1);
  EXPECT_EQ(DaysBetween(a, EncodeDateTime(2026, 3, 3, 12, 0, 0, 0)), 2);
  EXPECT_EQ(DaysBetween(-1.5, 0.5), 1);  // 29/12 12:00 to 30/12 12:00
  EXPECT_EQ(CompareDate(a, EncodeDate(2026, 3, 1)), 0);
  EXPECT_EQ(CompareDateTime(-1.25, -1.5), -1);  // 06:00 before 12:00 of the same day
  EXPECT_TRUE(SameDate(a, EncodeDate(2026, 3, 1)));
}

TEST(Clock, TestsCanFixToday) {
  {
    FixedClockGuard clock(EncodeDateTime(2026, 12, 24, 18, 30, 0, 0));
    EXPECT_EQ(Date(), EncodeDate(2026, 12, 24));
    EXPECT_EQ(Time(), EncodeTime(18, 30, 0, 0));
    clock.Set(EncodeDate(2027, 1, 1));
    EXPECT_EQ(Date(), EncodeDate(2027, 1, 1));
    {
      FixedClockGuard inner(EncodeDate(2030, 5, 5));
      EXPECT_EQ(Date(), EncodeDate(2030, 5, 5));
    }
    EXPECT_EQ(Date(), EncodeDate(2027, 1, 1));
  }
  // The system clock is back.
  EXPECT_EQ(ToQDate(Date()), QDate::currentDate());
}

TEST(QtBridge, TimeStampsAndQtTypes) {
  const TDateTime dt = EncodeDateTime(2026, 3, 7, 14, 5, 9, 45);
  EXPECT_EQ(ToQDateTime(dt), QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9, 45)));
  EXPECT_EQ(FromQDateTime(ToQDateTime(dt)), dt);
  EXPECT_EQ(FromQDate(QDate()), 0);
  const TTimeStamp ts = DateTimeToTimeStamp(dt);
  EXPECT_EQ(ts.Date, 739682);  // 1/1/0001 is day 1
  EXPECT_EQ(ts.Time, 14 * 3600000 + 5 * 60000 + 9045);
  EXPECT_EQ(TimeStampToDateTime(ts), dt);
  EXPECT_EQ(TimeStampToDateTime(DateTimeToTimeStamp(-1.25)), -1.25);
  EXPECT_THROW(TimeStampToDateTime(TTimeStamp{-1, 5}), EConvertError);
}

}  // namespace
}  // namespace rtl
