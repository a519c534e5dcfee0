// The date-time component reading what users type: names and order of the
// locale, two-digit years, time-only texts, the Jet literal, and the
// messages of texts it cannot read.
#include <gtest/gtest.h>

#include "dao/vudaodatetime.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/formatsettings.h"

namespace dao {
namespace {

QString ErrorOf(TVuDaoDateTime &dt, const QString &text) {
  try {
    dt.SetDateTimeString(text);
  } catch (const rtl::EConvertError &e) {
    return e.Message();
  }
  return QString();
}

TEST(DaoDateTime, TwoDigitYearsFollowThePivotAndTheLocaleOrder) {
  rtl::FormatSettingsGuard italian(rtl::ItalianFormatSettings());
  TVuDaoDateTime dt;
  dt.SetDateTimeString(QStringLiteral("15/03/01"));
  EXPECT_EQ(dt.Date(), rtl::EncodeDate(2001, 3, 15));
  EXPECT_EQ(dt.SQLField(), QStringLiteral("#03/15/2001#"));
  dt.SetDateTimeString(QStringLiteral("15/03/11"));
  EXPECT_EQ(dt.Date(), rtl::EncodeDate(1911, 3, 15));
  dt.SetDateTimeString(QStringLiteral("15/03/10"));
  EXPECT_EQ(dt.Year(), 2010);
  // 99 is the last year of the last century, not the year 99.
  dt.SetDateTimeString(QStringLiteral("31/12/99"));
  EXPECT_EQ(dt.Date(), rtl::EncodeDate(1999, 12, 31));
  dt.SetDateTimeString(QStringLiteral("1/2/0123"));
  EXPECT_EQ(dt.Year(), 123);
  dt.SetOver2000(30);
  dt.SetDateTimeString(QStringLiteral("15/03/25"));
  EXPECT_EQ(dt.Year(), 2025);

  rtl::FormatSettingsGuard english(rtl::EnglishFormatSettings());
  dt.SetDateTimeString(QStringLiteral("03/15/2001"));
  EXPECT_EQ(dt.Date(), rtl::EncodeDate(2001, 3, 15));
  EXPECT_EQ(dt.WeekDay(), 5);  // a Thursday
  dt.SetDateTimeString(QStringLiteral("March 15, 2001"));
  EXPECT_EQ(dt.Date(), rtl::EncodeDate(2001, 3, 15));
}

TEST(DaoDateTime, MonthNamesAndTimesGiveTheJetLiteral) {
  rtl::FormatSettingsGuard italian(rtl::ItalianFormatSettings());
  TVuDaoDateTime dt;
  dt.SetDateTimeString(QStringLiteral("15 marzo 2001 10:30"));
  EXPECT_EQ(dt.DateTime(), rtl::EncodeDateTime(2001, 3, 15, 10, 30, 0, 0));
  EXPECT_EQ(dt.Date(), rtl::EncodeDate(2001, 3, 15));
  EXPECT_EQ(dt.SQLField(), QStringLiteral("#03/15/2001 10:30:00#"));
  EXPECT_EQ(dt.SQLString(), QStringLiteral("03/15/2001 10:30:00"));
  dt.SetDateTimeString(QStringLiteral("giovedì 15 MARZO 2001"));
  EXPECT_EQ(dt.WeekDay(), 5);
  EXPECT_EQ(dt.SQLField(), QStringLiteral("#03/15/2001#"));
  dt.SetDateTimeString(QStringLiteral("1 gen 2004, 08:05:09"));
  EXPECT_EQ(dt.DateTime(), rtl::EncodeDateTime(2004, 1, 1, 8, 5, 9, 0));
  dt.SetDateTimeString(QStringLiteral("31/12/2004 23:59:58"));
  EXPECT_EQ(dt.SQLField(), QStringLiteral("#12/31/2004 23:59:58#"));

  rtl::FixedClockGuard clock(rtl::EncodeDateTime(2026, 12, 9, 8, 0, 0, 0));
  dt.SetDateTimeString(QStringLiteral("10:30"));
  EXPECT_EQ(dt.Date(), 0);
  EXPECT_EQ(dt.DateTime(), rtl::EncodeDateTime(2026, 12, 9, 10, 30, 0, 0));
  EXPECT_EQ(dt.Day(), 9);
  EXPECT_EQ(dt.SQLField(), QStringLiteral("#10:30:00#"));
  dt.SetDateTimeString(QStringLiteral("10:30:15,250"));
  EXPECT_EQ(dt.MilliSeconds(), 250);
}

TEST(DaoDateTime, WritingValuesFillsTheTexts) {
  rtl::FormatSettingsGuard italian(rtl::ItalianFormatSettings());
  TVuDaoDateTime dt;
  dt.SetDate(rtl::EncodeDate(2004, 12, 31));
  EXPECT_EQ(dt.SQLField(), QStringLiteral("#12/31/2004#"));
  EXPECT_EQ(dt.DateTimeString(), QStringLiteral("31/12/2004"));
  EXPECT_EQ(dt.WeekDay(), 6);
  dt.SetDateTime(rtl::EncodeDateTime(2004, 12, 31, 7, 8, 9, 0));
  EXPECT_EQ(dt.SQLString(), QStringLiteral("12/31/2004 07:08:09"));
}

TEST(DaoDateTime, TextsItCannotReadRaiseByWhatWasFound) {
  rtl::FormatSettingsGuard italian(rtl::ItalianFormatSettings());
  TVuDaoDateTime dt;
  EXPECT_EQ(ErrorOf(dt, QStringLiteral("abc")), QStringLiteral("Invalid format!"));
  // 15 March 2001 was a Thursday.
  EXPECT_EQ(ErrorOf(dt, QStringLiteral("lunedì 15/03/2001")), QStringLiteral("lunedì 15/03/2001 is not a valid date."));
  EXPECT_EQ(ErrorOf(dt, QStringLiteral("31/02/2001")), QStringLiteral("31/02/2001 is not a valid date."));
  EXPECT_EQ(ErrorOf(dt, QStringLiteral("15/03")), QStringLiteral("15/03 is not a valid date."));
  EXPECT_EQ(ErrorOf(dt, QStringLiteral("25:10")), QStringLiteral("25:10 is not a valid time."));
  EXPECT_EQ(ErrorOf(dt, QStringLiteral("15/03/2001 10:")),
            QStringLiteral("15/03/2001 10: is not a valid date and time."));
  EXPECT_EQ(ErrorOf(dt, QStringLiteral("99999999999/1/1")), QStringLiteral("99999999999/1/1 is not a valid date."));
  // An empty text changes nothing.
  dt.SetDateTimeString(QStringLiteral("15/03/2001"));
  EXPECT_EQ(ErrorOf(dt, QString()), QString());
  EXPECT_EQ(dt.Date(), rtl::EncodeDate(2001, 3, 15));
}

}  // namespace
}  // namespace dao
