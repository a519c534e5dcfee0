// The shared helpers: typed dates as the date edit reads them, the
// disguise of stored values, words, and the drawing helpers the glyph
// buttons rely on.
#include <gtest/gtest.h>

#include "controls/extended/utils.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/formatsettings.h"

using namespace ext;
using rtl::EncodeDate;

namespace {

// Holds the clock in 2026 and the window at 60, as the program starts.
struct DateFixture : ::testing::Test {
  rtl::FixedClockGuard clock{EncodeDate(2026, 12, 9) + 0.5};
  rtl::FormatSettingsGuard locale;
  int saved_window = TwoDigitYearWindow();
  DateFixture() { SetTwoDigitYearWindow(60); }
  ~DateFixture() override { SetTwoDigitYearWindow(saved_window); }

  static bool Parse(const QString &format, const QString &text, rtl::TDateTime &d) {
    d = -1;
    return ParseDateWithFormat(format, text, d);
  }
};

using TypedDates = DateFixture;

}  // namespace

TEST_F(TypedDates, FieldsByPositionAndFreeScan) {
  rtl::TDateTime d = 0;
  ASSERT_TRUE(Parse("DD/MM/YYYY", "07/03/2001", d));
  EXPECT_EQ(d, EncodeDate(2001, 3, 7));
  // Too short for the positions: read freely in day-month-year order.
  ASSERT_TRUE(Parse("DD/MM/YYYY", "7/3/1", d));
  EXPECT_EQ(d, EncodeDate(2001, 3, 7));
  ASSERT_TRUE(Parse("DD/MM/YY", "01/01/70", d));
  EXPECT_EQ(d, EncodeDate(1970, 1, 1));
  // Blanks under a field are skipped, as the edit mask leaves them.
  ASSERT_TRUE(Parse("DD/MM/YYYY", " 7/ 3/2001", d));
  EXPECT_EQ(d, EncodeDate(2001, 3, 7));
  // Two numbers: the current year.
  ASSERT_TRUE(Parse("DD/MM/YYYY", "25/12", d));
  EXPECT_EQ(d, EncodeDate(2026, 12, 25));
  ASSERT_TRUE(Parse("MM/DD/YYYY", "12/25", d));
  EXPECT_EQ(d, EncodeDate(2026, 12, 25));
  // Year first.
  ASSERT_TRUE(Parse("YYYY/MM/DD", "2001/03/07", d));
  EXPECT_EQ(d, EncodeDate(2001, 3, 7));
  // Leading zeros do not use up the year's digits.
  ASSERT_TRUE(Parse("DD/MM/YYYY", "7/3/002001", d));
  EXPECT_EQ(d, EncodeDate(2001, 3, 7));
  // A trailing separator is allowed.
  ASSERT_TRUE(Parse("DD/MM/YYYY", "7/3/", d) == false);
  ASSERT_TRUE(Parse("DD/MM/YYYY", "7/3/2001/", d));
  // The empty text is the empty date.
  ASSERT_TRUE(Parse("DD/MM/YYYY", "", d));
  EXPECT_EQ(d, 0);
}

TEST_F(TypedDates, MonthNamesUnderMMM) {
  rtl::TDateTime d = 0;
  ASSERT_TRUE(Parse("DD-MMM-YYYY", "07-mar-2001", d));
  EXPECT_EQ(d, EncodeDate(2001, 3, 7));
  ASSERT_TRUE(Parse("DD-MMM-YYYY", "07-DIC-2001", d));
  EXPECT_EQ(d, EncodeDate(2001, 12, 7));
  EXPECT_FALSE(Parse("DD-MMM-YYYY", "07-xyz-2001", d));
}

TEST_F(TypedDates, WhatIsNoDate) {
  rtl::TDateTime d = 0;
  // What an untouched date edit holds.
  EXPECT_FALSE(Parse("DD/MM/YYYY", "  /  /    ", d));
  EXPECT_FALSE(Parse("DD/MM/YYYY", "/ /", d));
  // A day and month without their year are not silently put in 1999.
  EXPECT_FALSE(Parse("DD/MM/YYYY", "07/03/    ", d));
  EXPECT_FALSE(Parse("DD/MM/YYYY", "31/02/2001", d));
  EXPECT_FALSE(Parse("DD/MM/YYYY", "7/3/2001x", d));
  EXPECT_FALSE(Parse("DD/MM/YYYY", "7.3.2001", d));
  EXPECT_FALSE(Parse("DD/MM/YYYY", "12345/3/2001", d));
  EXPECT_FALSE(Parse("DD/MM/YYYY", "abc", d));
  EXPECT_FALSE(Parse("DD/MM/YYYY", "29/02/2100", d));
  EXPECT_TRUE(Parse("DD/MM/YYYY", "29/02/2000", d));
}

TEST_F(TypedDates, StrictAndDefaultForms) {
  try {
    ParseDateStrict("DD/MM/YYYY", "32/01/2001");
    FAIL() << "no exception";
  } catch (const rtl::EConvertError &e) {
    EXPECT_EQ(e.Message(), "''32/01/2001'' is not a valid date");
  }
  EXPECT_EQ(ParseDateStrict("DD/MM/YYYY", "01/02/2003"), EncodeDate(2003, 2, 1));
  EXPECT_EQ(ParseDateOr("DD/MM/YYYY", "x", EncodeDate(2001, 1, 1) + 0.75), EncodeDate(2001, 1, 1));
  EXPECT_EQ(ParseDateOr("DD/MM/YYYY", "02/01/2001", 5), EncodeDate(2001, 1, 2));
}

TEST_F(TypedDates, TwoDigitYearWindow) {
  EXPECT_EQ(ExpandTwoDigitYear(66), 1966);
  EXPECT_EQ(ExpandTwoDigitYear(99), 1999);
  EXPECT_EQ(ExpandTwoDigitYear(65), 2065);
  EXPECT_EQ(ExpandTwoDigitYear(0), 2000);
  EXPECT_EQ(ExpandTwoDigitYear(100), 100);
  EXPECT_EQ(ExpandTwoDigitYear(1850), 1850);
  SetTwoDigitYearWindow(0);
  EXPECT_EQ(ExpandTwoDigitYear(99), 2099);
  EXPECT_EQ(ExpandTwoDigitYear(5), 2005);
}

TEST_F(TypedDates, OrderFormatsAndMasksFollowTheLocale) {
  EXPECT_EQ(DateOrderOf("dd/mm/yyyy"), doDMY);
  EXPECT_EQ(DateOrderOf("M/d/yy"), doMDY);
  EXPECT_EQ(DateOrderOf("yyyy-mm-dd"), doYMD);
  EXPECT_EQ(DateOrderOf("ee/mm/dd"), doYMD);
  EXPECT_EQ(DateOrderOf("//"), doDMY);
  EXPECT_EQ(DefaultDateFormat(true), "DD/MM/YYYY");
  EXPECT_EQ(DefaultDateFormat(false), "DD/MM/YY");
  EXPECT_EQ(DefaultDateEditMask(u'_', true), "!99/99/9999;1;_");
  EXPECT_TRUE(FourDigitYear());
  rtl::FormatSettings().ShortDateFormat = "yyyy/mm/dd";
  EXPECT_EQ(DefaultDateFormat(true), "YYYY/MM/DD");
  EXPECT_EQ(DefaultDateEditMask(u' ', true), "!9999/99/99;1; ");
  EXPECT_EQ(DefaultDateEditMask(u' ', false), "!99/99/99;1; ");
  rtl::FormatSettings().ShortDateFormat = "m/d/yy";
  EXPECT_EQ(DefaultDateFormat(false), "MM/DD/YY");
}

TEST(Calendar, ValidDates) {
  EXPECT_TRUE(LeapYear(2000));
  EXPECT_FALSE(LeapYear(1900));
  EXPECT_TRUE(LeapYear(2024));
  EXPECT_EQ(DaysInMonth(2023, 2), 28);
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_FALSE(IsValidYMD(0, 1, 1));
  EXPECT_FALSE(IsValidYMD(10000, 1, 1));
  EXPECT_FALSE(IsValidYMD(2001, 13, 1));
  EXPECT_TRUE(IsValidYMD(9999, 12, 31));
  EXPECT_TRUE(IsValidDateValue(EncodeDate(2001, 3, 7)));
  EXPECT_FALSE(IsValidDateValue(1e12));
  EXPECT_FALSE(IsValidDateValue(std::nan("")));
}

TEST(StoredValues, ScrambleRoundTrips) {
  EXPECT_EQ(ScrambleText("", "abc"), "616263");
  EXPECT_EQ(UnscrambleText("", "616263"), "abc");
  EXPECT_EQ(ScrambleText("k", "k"), "00");
  for (const QString &key : {QString(), QString("chiave"), QString("x")}) {
    for (const QString &text : {QString("Edicola Rossi"), QString("1.234,50 €"), QString()})
      EXPECT_EQ(UnscrambleText(key, ScrambleText(key, text)), text) << key.toStdString();
  }
  // An odd last digit is ignored; a pair that is not hex reads as a blank.
  EXPECT_EQ(UnscrambleText("", "6162z"), "ab");
  EXPECT_EQ(UnscrambleText("", "61zz62"), "a b");
  EXPECT_EQ(UnscrambleText("", "+161"), " a");
}

TEST(Words, RunsOutsideTheDelimiters) {
  const TCharSet delims{u' ', u','};
  const QString text = "  uno,,due  tre, ";
  EXPECT_EQ(CountWordsIn(text, delims), 3);
  EXPECT_EQ(WordStart(1, text, delims), 3);
  EXPECT_EQ(WordStart(2, text, delims), 8);
  EXPECT_EQ(WordStart(4, text, delims), 0);
  EXPECT_EQ(GetWordAt(3, text, delims), "tre");
  EXPECT_EQ(GetWordAt(4, text, delims), "");
  EXPECT_EQ(CountWordsIn("", delims), 0);
  EXPECT_EQ(CountWordsIn(" , ", delims), 0);
}

TEST(Strings, ReplaceTrimAndSets) {
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");  // replaced text is not rescanned
  EXPECT_EQ(ReplaceAll("abab", "ab", ""), "");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(RemoveChar("a.b.c", u'.'), "abc");
  EXPECT_EQ(TrimBlanks("\t a b \t"), "\t a b \t");
  EXPECT_EQ(TrimBlanks("  a b  "), "a b");
  EXPECT_EQ(TrimLeadingBlanks("  a "), "a ");
  EXPECT_EQ(TrimTrailingBlanks("  a "), "  a");
  EXPECT_EQ(RepeatChar(u'-', 3), "---");
  EXPECT_EQ(RepeatChar(u'-', -1), "");
  const TCharSet digits = TCharSet::Range(u'0', u'9');
  EXPECT_TRUE(AllCharsInSet("", digits));
  EXPECT_TRUE(AllCharsInSet("0123", digits));
  EXPECT_FALSE(AllCharsInSet("01a", digits));
  EXPECT_FALSE(AllCharsInSet(QString(QChar(0x0130)), TCharSet::Range(0, 255)));
  EXPECT_EQ(MaxOfTwo(-1, 3), 3);
  EXPECT_EQ(MinOfTwo(-1, 3), -1);
}

TEST(Drawing, GlyphCellsMasksAndEllipsis) {
  // Three cells side by side: red, green, blue.
  vcl::TBitmap strip(30, 10);
  strip.Canvas()->Brush()->SetColor(vcl::clRed);
  strip.Canvas()->FillRect(vcl::Rect(0, 0, 10, 10));
  strip.Canvas()->Brush()->SetColor(vcl::clLime);
  strip.Canvas()->FillRect(vcl::Rect(10, 0, 20, 10));
  strip.Canvas()->Brush()->SetColor(vcl::clBlue);
  strip.Canvas()->FillRect(vcl::Rect(20, 0, 30, 10));
  vcl::TBitmap cell;
  CopyGlyphCell(&strip, &cell, 3, 1, 1);
  ASSERT_EQ(cell.Width(), 10);
  EXPECT_EQ(cell.Canvas()->Pixel(5, 5), vcl::clLime);
  CopyGlyphCell(&strip, &cell, 3, 0, -4);  // bad counts and index: the first cell
  EXPECT_EQ(cell.Canvas()->Pixel(5, 5), vcl::clRed);

  // The transparent colour leaves the target untouched.
  vcl::TBitmap glyph(4, 4);
  glyph.Canvas()->Brush()->SetColor(vcl::clFuchsia);
  glyph.Canvas()->FillRect(vcl::Rect(0, 0, 4, 4));
  glyph.Canvas()->SetPixel(1, 1, vcl::clBlack);
  vcl::TBitmap target(8, 8);
  target.Canvas()->Brush()->SetColor(vcl::clWhite);
  target.Canvas()->FillRect(vcl::Rect(0, 0, 8, 8));
  DrawBitmapMasked(target.Canvas(), 2, 2, &glyph, vcl::clFuchsia);
  EXPECT_EQ(target.Canvas()->Pixel(3, 3), vcl::clBlack);
  EXPECT_EQ(target.Canvas()->Pixel(2, 2), vcl::clWhite);
  // clDefault: the bottom-left pixel is the transparent one.
  DrawBitmapMasked(target.Canvas(), 0, 0, &glyph, vcl::clDefault);
  EXPECT_EQ(target.Canvas()->Pixel(0, 0), vcl::clWhite);

  std::unique_ptr<vcl::TBitmap> embossed(MakeEmbossedBitmap(&glyph));
  glyph.SetTransparentColor(vcl::clFuchsia);
  embossed.reset(MakeEmbossedBitmap(&glyph, vcl::clSilver, vcl::clWhite, vcl::clGray, true));
  EXPECT_EQ(embossed->Canvas()->Pixel(1, 1), vcl::clGray);
  EXPECT_EQ(embossed->Canvas()->Pixel(2, 2), vcl::clWhite);
  EXPECT_EQ(embossed->Canvas()->Pixel(0, 0), vcl::clSilver);

  vcl::TBitmap canvas_bmp(200, 20);
  vcl::TCanvas *c = canvas_bmp.Canvas();
  EXPECT_EQ(ext::EllipsizeText(c, "breve", 200), "breve");
  const QString cut = ext::EllipsizeText(c, "un titolo troppo lungo per la colonna", 60);
  EXPECT_TRUE(cut.endsWith("...")) << cut.toStdString();
  EXPECT_LE(c->TextWidth(cut), 60);
  EXPECT_GT(c->TextWidth(ext::EllipsizeText(c, "un titolo troppo lungo per la colonna", 60 + c->TextWidth("W"))),
            c->TextWidth(cut) - 1);
  EXPECT_EQ(WidthOfRect(vcl::Rect(2, 3, 10, 20)), 8);
  EXPECT_EQ(HeightOfRect(vcl::Rect(2, 3, 10, 20)), 17);
  EXPECT_EQ(PaletteRelativeColor(vcl::clRed), 0x020000FF);
}
