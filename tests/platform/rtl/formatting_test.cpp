// Number and date texts in the program's locale (the formats the report
// engine, the edits and the lists use, and the parsers that read what the
// user types), Format(), and the string and file helpers.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <utility>

#include "platform/rtl/sysutils.h"

namespace rtl {
namespace {

const QString kEuro = QString(QChar(0x20AC));

TEST(FormatFloat, SectionsOfTheReportFormatsFollowTheItalianLocale) {
  EXPECT_EQ(FormatFloat("0.00;;#.##", 0), "");
  EXPECT_EQ(FormatFloat("0.00;;#.##", 1234.5), "1234,50");
  EXPECT_EQ(FormatFloat("0.00;;#.##", -0.005), "-0,01");
  // Rounds to zero in its section, so the zero section writes it.
  EXPECT_EQ(FormatFloat("0.00;;#.##", -0.004), "");
  EXPECT_EQ(FormatFloat("0.000000;;#.######", 0.5), "0,500000");
  EXPECT_EQ(FormatFloat("0.000000;;#.######", 0), "");
  EXPECT_EQ(FormatFloat("0.00;(0.00)", -3.5), "(3,50)");
  EXPECT_EQ(FormatFloat("0.00;(0.00);'zero'", 0), "zero");
}

TEST(FormatFloat, GroupingAndOptionalDigits) {
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), "1.234.567,89");
  EXPECT_EQ(FormatFloat("#,##0.00", -1234.5), "-1.234,50");
  EXPECT_EQ(FormatFloat("#,##0.00", 0.5), "0,50");
  EXPECT_EQ(FormatFloat("0,.##", 1234.5), "1.234,5");
  EXPECT_EQ(FormatFloat("#", 0), "");
  EXPECT_EQ(FormatFloat("#", 12.5), "13");
}

TEST(FormatFloat, RoundsHalvesAwayFromZeroAsWritten) {
  EXPECT_EQ(FormatFloat("0", 12.5), "13");
  EXPECT_EQ(FormatFloat("0", -12.5), "-13");
  EXPECT_EQ(FormatFloat("0.00", 1.005), "1,01");
  EXPECT_EQ(FormatFloat("0.00", 2.675), "2,68");
  EXPECT_EQ(FormatFloat("#.##", 0.5), ",5");
  EXPECT_EQ(FormatFloat("#.##", 3), "3");
  EXPECT_EQ(FormatFloat("0.0", 9.96), "10,0");
}

TEST(FormatFloat, LiteralsExponentsAndPlacement) {
  EXPECT_EQ(FormatFloat("'Tot.: '0.00", 3), "Tot.: 3,00");
  EXPECT_EQ(FormatFloat("\"EUR\" #,##0.00", 1500), "EUR 1.500,00");
  EXPECT_EQ(FormatFloat("0.00 %", 12.345), "12,35 %");
  EXPECT_EQ(FormatFloat("00-00", 1234), "12-34");
  EXPECT_EQ(FormatFloat("000", 7), "007");
  EXPECT_EQ(FormatFloat("0.00E+00", 1234.5), "1,23E+03");
  EXPECT_EQ(FormatFloat("0.00E-00", 1234.5), "1,23E03");
  EXPECT_EQ(FormatFloat("0.00E+00", 0.000123), "1,23E-04");
  EXPECT_EQ(FormatFloat("", 1234.5), "1234,5");
}

TEST(FormatFloat, FormatsOfTheNumberEdits) {
  // The currency edit's default display format, and the edit-text pattern.
  const QString money = ",0.00 " + kEuro + ";-,0.00 " + kEuro;
  EXPECT_EQ(FormatFloat(money, 1234.5), "1.234,50 " + kEuro);
  EXPECT_EQ(FormatFloat(money, -1234.5), "-1.234,50 " + kEuro);
  EXPECT_EQ(FormatFloat(money, 0), "0,00 " + kEuro);
  EXPECT_EQ(FormatFloat(",0.##", 1234567), "1.234.567");
  EXPECT_EQ(FormatFloat("0.######", 0.1234567), "0,123457");
  // A quoted comma is text, not grouping (currency symbols holding one).
  EXPECT_EQ(FormatFloat("0 'a,b'", 1234), "1234 a,b");
  EXPECT_EQ(Format("Value must be between %.*f and %.*f", {2, 0.0, 2, 99.5}), "Value must be between 0,00 and 99,50");
}

TEST(FormatFloat, FollowsTheLocaleOfTheMoment) {
  FormatSettingsGuard guard(EnglishFormatSettings());
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1,234.50");
}

TEST(FloatToStr, ShortestTextInGeneralFormat) {
  EXPECT_EQ(FloatToStr(1234.5), "1234,5");
  EXPECT_EQ(FloatToStr(0.1), "0,1");
  EXPECT_EQ(FloatToStr(-2), "-2");
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStr(0.0001), "0,0001");
  EXPECT_EQ(FloatToStr(0.00001), "1E-5");
  EXPECT_EQ(FloatToStr(1.0 / 3), "0,333333333333333");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0,3");
}

TEST(FloatToStrF, EachStyle) {
  EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2), "1234,57");
  EXPECT_EQ(FloatToStrF(1234.5678, ffNumber, 15, 2), "1.234,57");
  EXPECT_EQ(FloatToStrF(-1234.5, ffNumber, 15, 0), "-1.235");
  EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), "1.234,50 " + kEuro);
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), "-1.234,50 " + kEuro);
  EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), "1,235E+03");
  EXPECT_EQ(FloatToStrF(1234.5, ffGeneral, 3, 0), "1,23E3");
  EXPECT_EQ(FloatToStrF(-0.001, ffFixed, 15, 2), "0,00");
  EXPECT_EQ(FloatToStrF(0.5, ffFixed, 15, 0), "1");
  EXPECT_EQ(CurrToStr(12.5), "12,5");
  EXPECT_EQ(CurrToStrF(1000, ffCurrency, 2), "1.000,00 " + kEuro);
}

TEST(FloatToStrF, CurrencyPlacementFollowsTheLocaleFormats) {
  FormatSettingsGuard guard;
  FormatSettings().CurrencyFormat = 2;  // "€ 1"
  FormatSettings().NegCurrFormat = 12;  // "€ -1"
  EXPECT_EQ(FloatToStrF(5, ffCurrency, 15, 2), kEuro + " 5,00");
  EXPECT_EQ(FloatToStrF(-5, ffCurrency, 15, 2), kEuro + " -5,00");
  FormatSettings().NegCurrFormat = 0;
  EXPECT_EQ(FloatToStrF(-5, ffCurrency, 15, 2), "(" + kEuro + "5,00)");
}

TEST(StrToFloat, ReadsTheLocaleDecimalSeparatorOnly) {
  EXPECT_DOUBLE_EQ(StrToFloat("12,50"), 12.5);
  EXPECT_DOUBLE_EQ(StrToFloat(" -0,5 "), -0.5);
  EXPECT_DOUBLE_EQ(StrToFloat("1,5E3"), 1500);
  EXPECT_DOUBLE_EQ(StrToFloat(",5"), 0.5);
  double v = 7;
  EXPECT_FALSE(TryStrToFloat("12.50", v));
  EXPECT_FALSE(TryStrToFloat("1.234,5", v));
  EXPECT_FALSE(TryStrToFloat("", v));
  EXPECT_FALSE(TryStrToFloat("-", v));
  EXPECT_FALSE(TryStrToFloat("1e", v));
  EXPECT_FALSE(TryStrToFloat("1e999", v));
  EXPECT_EQ(v, 7);  // failures leave the target alone
  EXPECT_DOUBLE_EQ(StrToFloatDef("abc", 3), 3);

  FormatSettingsGuard guard(EnglishFormatSettings());
  EXPECT_FALSE(TryStrToFloat("12,50", v));
  EXPECT_DOUBLE_EQ(StrToFloat("12.50"), 12.5);
  try {
    StrToFloat("12,50");
    FAIL() << "no exception";
  } catch (const EConvertError &e) {
    EXPECT_EQ(e.Message(), "'12,50' is not a valid floating point value");
  }
}

TEST(Integers, TextRoundTripsAndErrors) {
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(StrToInt(" 123 "), 123);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("0x10"), 16);
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  int i = 0;
  EXPECT_FALSE(TryStrToInt("2147483648", i));
  EXPECT_FALSE(TryStrToInt("12a", i));
  EXPECT_FALSE(TryStrToInt("1,5", i));
  std::int64_t l = 0;
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", l));
  EXPECT_EQ(StrToIntDef("x", -1), -1);
  try {
    StrToInt("abc");
    FAIL() << "no exception";
  } catch (const EConvertError &e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid integer value");
  }
}

TEST(FormatDateTime, LettersOfTheFormat) {
  const TDateTime dt = EncodeDateTime(2026, 3, 7, 14, 5, 9, 45);
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy", dt), "07/03/2026");
  EXPECT_EQ(FormatDateTime("d/m/yy", dt), "7/3/26");
  EXPECT_EQ(FormatDateTime("hh:mm", dt), "14:05");  // m after h is minutes
  EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", dt), "14:05:09.045");
  EXPECT_EQ(FormatDateTime("h:n:s z", dt), "14:5:9 45");
  EXPECT_EQ(FormatDateTime("ddd dddd", dt), QString::fromUtf8("sab sabato"));
  EXPECT_EQ(FormatDateTime("mmm mmmm", dt), "mar marzo");
  EXPECT_EQ(FormatDateTime("d mmmm yyyy", dt), "7 marzo 2026");
  EXPECT_EQ(FormatDateTime("ddddd", dt), "07/03/2026");
  EXPECT_EQ(FormatDateTime("dddddd", dt), "sabato 7 marzo 2026");
  EXPECT_EQ(FormatDateTime("c", dt), "07/03/2026 14:05:09");
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2026, 3, 7)), "07/03/2026");
  EXPECT_EQ(FormatDateTime("t | tt", dt), "14:05 | 14:05:09");
  EXPECT_EQ(FormatDateTime("h:nn am/pm", dt), "2:05 pm");
  EXPECT_EQ(FormatDateTime("hh:nn AM/PM", EncodeTime(0, 30, 0, 0)), "12:30 AM");
  EXPECT_EQ(FormatDateTime("h a/p", EncodeTime(9, 0, 0, 0)), "9 a");
  EXPECT_EQ(FormatDateTime("h ampm", EncodeTime(21, 0, 0, 0)), "9 PM");
  EXPECT_EQ(FormatDateTime("'Oggi:' dd \"del\" mm", dt), "Oggi: 07 del 03");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", dt), "2026-03-07");
}

TEST(FormatDateTime, SeparatorsComeFromTheLocale) {
  FormatSettingsGuard guard;
  FormatSettings().DateSeparator = '-';
  FormatSettings().TimeSeparator = '.';
  const TDateTime dt = EncodeDateTime(1999, 12, 31, 23, 59, 0, 0);
  EXPECT_EQ(FormatDateTime("dd/mm/yy hh:nn", dt), "31-12-99 23.59");
  EXPECT_EQ(DateToStr(dt), "31-12-1999");
}

TEST(FormatDateTime, SelfNamingLocaleFormatDoesNotRecurse) {
  FormatSettingsGuard guard;
  FormatSettings().ShortDateFormat = "dd/mm/yyyy c";
  // The date is written, and the format naming itself stops after a few
  // rounds instead of filling the memory.
  const QString text = FormatDateTime("c", EncodeDate(2026, 12, 9));
  EXPECT_TRUE(text.startsWith("09/12/2026")) << text.toStdString();
  EXPECT_LE(text.count("09/12/2026"), 3) << text.toStdString();
  FormatSettings().ShortDateFormat = "ddddd c";
  EXPECT_TRUE(FormatDateTime("c", 1).trimmed().isEmpty());
}

TEST(StrToDate, ReadsInTheLocaleOrder) {
  EXPECT_EQ(StrToDate("29/02/2000"), EncodeDate(2000, 2, 29));
  EXPECT_EQ(StrToDate(" 1/2/2026 "), EncodeDate(2026, 2, 1));
  EXPECT_EQ(StrToDate("1-2-2026"), EncodeDate(2026, 2, 1));
  TDateTime d = 5;
  EXPECT_FALSE(TryStrToDate("29/02/2001", d));
  EXPECT_FALSE(TryStrToDate("32/01/2026", d));
  EXPECT_FALSE(TryStrToDate("01/13/2026", d));
  EXPECT_FALSE(TryStrToDate("1/2/2026 x", d));
  EXPECT_FALSE(TryStrToDate("", d));
  EXPECT_FALSE(TryStrToDate("99999999999/1/1", d));
  EXPECT_EQ(d, 5);
  try {
    StrToDate("31/02/2026");
    FAIL() << "no exception";
  } catch (const EConvertError &e) {
    EXPECT_EQ(e.Message(), "'31/02/2026' is not a valid date");
  }

  FormatSettingsGuard guard(EnglishFormatSettings());
  EXPECT_EQ(StrToDate("2/1/2026"), EncodeDate(2026, 2, 1));
}

TEST(StrToDate, EachReaderNamesWhatItExpectedAndTheDefFormsFallBack) {
  const std::pair<std::function<TDateTime(const QString &)>, QString> readers[] = {
      {[](const QString &s) { return StrToDate(s); }, "'%1' is not a valid date"},
      {[](const QString &s) { return StrToTime(s); }, "'%1' is not a valid time"},
      {[](const QString &s) { return StrToDateTime(s); }, "'%1' is not a valid date and time"}};
  for (const auto &[read, message] : readers) {
    try {
      read("25:61 x");
      ADD_FAILURE() << "no exception for " << message.toStdString();
    } catch (const EConvertError &e) {
      EXPECT_EQ(e.Message(), message.arg("25:61 x"));
    }
  }
  EXPECT_EQ(StrToDateDef("31/02/2026", 7), 7);
  EXPECT_EQ(StrToDateDef("1/2/2026", 7), EncodeDate(2026, 2, 1));
  EXPECT_EQ(StrToTimeDef("12:61", 0.25), 0.25);
  EXPECT_EQ(StrToTimeDef("18:00", 0.25), 0.75);
  EXPECT_EQ(StrToDateTimeDef("x", 3), 3);
  EXPECT_EQ(StrToDateTimeDef("1/2/2026 18:00", 3), EncodeDate(2026, 2, 1) + 0.75);
}

TEST(StrToDate, ShortFormsUseTheClockAndTheCenturyWindow) {
  FixedClockGuard clock(EncodeDate(2026, 6, 15));
  EXPECT_EQ(StrToDate("25/12"), EncodeDate(2026, 12, 25));
  // Window 50: two-digit years fall in 1976..2075.
  EXPECT_EQ(StrToDate("1/1/75"), EncodeDate(2075, 1, 1));
  EXPECT_EQ(StrToDate("1/1/76"), EncodeDate(1976, 1, 1));
  EXPECT_EQ(StrToDate("1/1/0075"), EncodeDate(75, 1, 1));
  FormatSettingsGuard guard;
  FormatSettings().TwoDigitYearCenturyWindow = 0;
  EXPECT_EQ(StrToDate("1/1/99"), EncodeDate(2099, 1, 1));
}

TEST(StrToDateTime, DateTimeAndTimeAlone) {
  EXPECT_EQ(StrToDateTime("07/03/2026 14:05:09"), EncodeDateTime(2026, 3, 7, 14, 5, 9, 0));
  EXPECT_EQ(StrToDateTime("07/03/2026"), EncodeDate(2026, 3, 7));
  EXPECT_EQ(StrToDateTime("14:05"), EncodeTime(14, 5, 0, 0));
  EXPECT_EQ(StrToTime("2:30 PM"), EncodeTime(14, 30, 0, 0));
  EXPECT_EQ(StrToTime("12:00 AM"), EncodeTime(0, 0, 0, 0));
  EXPECT_EQ(StrToTime("10:20:30,5"), EncodeTime(10, 20, 30, 500));
  TDateTime t = 0;
  EXPECT_FALSE(TryStrToTime("25:00", t));
  EXPECT_FALSE(TryStrToTime("14", t));
  EXPECT_FALSE(TryStrToTime("13:00 PM", t));
  EXPECT_FALSE(TryStrToDateTime("07/03/2026 14:", t));
  EXPECT_THROW(StrToDateTime("ieri"), EConvertError);
}

TEST(DateTexts, RoundTripThroughTheLocaleForms) {
  const TDateTime dt = EncodeDateTime(2000, 2, 29, 8, 0, 1, 0);
  EXPECT_EQ(DateTimeToStr(dt), "29/02/2000 08:00:01");
  EXPECT_EQ(StrToDateTime(DateTimeToStr(dt)), dt);
  EXPECT_EQ(DateToStr(0), "30/12/1899");
  EXPECT_EQ(TimeToStr(EncodeTime(7, 8, 9, 0)), "07:08:09");
}

TEST(Format, ConversionsWidthsAndIndexes) {
  EXPECT_EQ(Format("%d pezzi", {12}), "12 pezzi");
  EXPECT_EQ(Format("%5d|%-5d|%.3d", {42, 42, -7}), "   42|42   |-007");
  EXPECT_EQ(Format("%u", {-1}), "4294967295");
  EXPECT_EQ(Format("%x %.4x", {255, 10}), "FF 000A");
  EXPECT_EQ(Format("%s e %s", {"pane", QString("latte")}), "pane e latte");
  EXPECT_EQ(Format("%.3s|%6s|%-6s|", {"abcdef", "ab", "ab"}), "abc|    ab|ab    |");
  EXPECT_EQ(Format("%s", {'x'}), "x");
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), "b a b");
  EXPECT_EQ(Format("%*d|%-*.*f", {4, 7, 8, 1, 2.25}), "   7|2,3     ");
  EXPECT_EQ(Format("%f", {1234.5}), "1234,50");
  EXPECT_EQ(Format("%.0f", {2.5}), "3");
  EXPECT_EQ(Format("%n", {1234567.0}), "1.234.567,00");
  EXPECT_EQ(Format("%m", {Variant::FromCurrency(9.9)}), "9,90 " + kEuro);
  EXPECT_EQ(Format("%g", {0.5}), "0,5");
  EXPECT_EQ(Format("%e", {1234.5}), "1,23450000000000E+003");
  EXPECT_EQ(Format("%.2e", {1234.5}), "1,2E+003");
  EXPECT_EQ(Format("100%%", {}), "100%");
}

TEST(Format, MismatchedArgumentsRaise) {
  const char *kInvalid = "Format '%d' invalid or incompatible with argument";
  try {
    Format("%d", {"x"});
    FAIL() << "no exception";
  } catch (const EConvertError &e) {
    EXPECT_EQ(e.Message(), kInvalid);
  }
  EXPECT_THROW(Format("%f", {1}), EConvertError);
  EXPECT_THROW(Format("%s", {1}), EConvertError);
  EXPECT_THROW(Format("%d %d", {1}), EConvertError);
  EXPECT_THROW(Format("%", {1}), EConvertError);
  EXPECT_THROW(Format("%q", {1}), EConvertError);
  EXPECT_THROW(Format("%5:d", {1}), EConvertError);
  EXPECT_THROW(Format("%*d", {"x", 1}), EConvertError);
  EXPECT_THROW(Format("%999999999d", {1}), EConvertError);
}

TEST(Strings, OneBasedPositionsAndQuoting) {
  EXPECT_EQ(Pos("b", "abcb"), 2);
  EXPECT_EQ(Pos("z", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(PosEx("b", "abcb", 3), 4);
  EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Copy("abc", 0, 2), "ab");
  EXPECT_EQ(Copy("abc", 2, 100), "bc");
  EXPECT_EQ(Copy("abc", 5, 1), "");
  EXPECT_EQ(Copy("abc", 1, -1), "");
  QString s = "abcdef";
  Delete(s, 2, 2);
  EXPECT_EQ(s, "adef");
  Delete(s, 10, 2);
  EXPECT_EQ(s, "adef");
  Insert("XY", s, 2);
  EXPECT_EQ(s, "aXYdef");
  EXPECT_EQ(QuotedStr("l'edicola"), "'l''edicola'");
  EXPECT_EQ(AnsiDequotedStr("'l''edicola'", '\''), "l'edicola");
  EXPECT_EQ(AnsiDequotedStr("\"abc", '"'), "\"abc");
  EXPECT_EQ(AnsiDequotedStr("abc", '"'), "abc");
  EXPECT_EQ(AnsiDequotedStr("\"\"", '"'), "");
  EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");
}

TEST(Strings, CaseTrimAndReplace) {
  EXPECT_EQ(Trim("\t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a "), "  a");
  EXPECT_EQ(UpperCase(QString::fromUtf8("città")), QString::fromUtf8("CITTà"));
  EXPECT_EQ(AnsiUpperCase(QString::fromUtf8("città")), QString::fromUtf8("CITTÀ"));
  EXPECT_TRUE(SameText("Giacenza", "GIACENZA"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_EQ(AnsiCompareText(QString::fromUtf8("perché"), QString::fromUtf8("PERCHÉ")), 0);
  EXPECT_LT(AnsiCompareStr(QString::fromUtf8("è"), "f"), 0);
  EXPECT_EQ(StringReplace("a-b-c", "-", "+"), "a+b-c");
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", rfReplaceAll), "a+b+c");
  EXPECT_EQ(StringReplace("aXbxc", "x", "_", rfReplaceAll | rfIgnoreCase), "a_b_c");
  EXPECT_EQ(StringReplace("abc", "", "_", rfReplaceAll), "abc");
  EXPECT_TRUE(IsValidIdent("_Edit1"));
  EXPECT_FALSE(IsValidIdent("1Edit"));
  EXPECT_FALSE(IsValidIdent("Edit 1"));
  EXPECT_EQ(AdjustLineBreaks("a\nb\rc\r\nd"), "a\r\nb\r\nc\r\nd");
}

TEST(FileNames, SplitAndChange) {
  EXPECT_EQ(ExtractFilePath("/dati/orbisca4.mdb"), "/dati/");
  EXPECT_EQ(ExtractFileName("/dati/orbisca4.mdb"), "orbisca4.mdb");
  EXPECT_EQ(ExtractFileExt("/dati/orbisca4.mdb"), ".mdb");
  EXPECT_EQ(ExtractFileExt("/dati.old/leggimi"), "");
  EXPECT_EQ(ExtractFileName("C:\\Orbisca\\stampe.kvf"), "stampe.kvf");
  EXPECT_EQ(ExtractFileDir("/dati/x.txt"), "/dati");
  EXPECT_EQ(ChangeFileExt("/dati/x.kvf", ".bak"), "/dati/x.bak");
  EXPECT_EQ(ChangeFileExt("/dati.d/x", ".bak"), "/dati.d/x.bak");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/dati"), "/dati/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/dati/"), "/dati/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/dati/"), "/dati");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
}

}  // namespace
}  // namespace rtl

namespace rtl {
namespace {

TEST(Files, ExistenceRenameCopyAndDelete) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString base = IncludeTrailingPathDelimiter(dir.path());
  const QString a = base + "a.txt";
  EXPECT_FALSE(FileExists(a));
  EXPECT_EQ(FileSize(a), -1);
  EXPECT_EQ(FileAge(a), -1);
  {
    QFile f(a);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("abc");
  }
  EXPECT_TRUE(FileExists(a));
  EXPECT_FALSE(FileExists(dir.path()));  // a folder is not a file
  EXPECT_TRUE(DirectoryExists(dir.path()));
  EXPECT_FALSE(DirectoryExists(a));
  EXPECT_EQ(FileSize(a), 3);
  EXPECT_GT(FileAge(a), EncodeDate(2000, 1, 1));

  const QString b = base + "sub/deep/b.txt";
  EXPECT_TRUE(ForceDirectories(ExtractFileDir(b)));
  EXPECT_TRUE(CopyFile(a, b, true));
  EXPECT_FALSE(CopyFile(a, b, true));  // will not overwrite
  EXPECT_TRUE(CopyFile(a, b, false));
  EXPECT_FALSE(RenameFile(a, b));  // nor will a rename
  EXPECT_TRUE(DeleteFile(b));
  EXPECT_FALSE(DeleteFile(b));
  EXPECT_TRUE(RenameFile(a, b));
  EXPECT_FALSE(FileExists(a));
  EXPECT_TRUE(FileExists(b));

  const QString before = GetCurrentDir();
  EXPECT_TRUE(SetCurrentDir(base + "sub"));
  EXPECT_EQ(ExpandFileName("deep/b.txt"), QDir::cleanPath(base + "sub/deep/b.txt"));
  EXPECT_FALSE(SetCurrentDir(base + "missing"));
  EXPECT_TRUE(SetCurrentDir(before));
}

TEST(Booleans, TextsAndNumbers) {
  EXPECT_TRUE(StrToBool("TRUE"));
  EXPECT_FALSE(StrToBool(" false "));
  EXPECT_TRUE(StrToBool("-1"));
  EXPECT_FALSE(StrToBool("0"));
  EXPECT_TRUE(StrToBoolDef("boh", true));
  EXPECT_EQ(BoolToStr(true), "-1");
  EXPECT_EQ(BoolToStr(false, true), "False");
  try {
    StrToBool("boh");
    FAIL() << "no exception";
  } catch (const EConvertError &e) {
    EXPECT_EQ(e.Message(), "'boh' is not a valid boolean value");
  }
}

}  // namespace
}  // namespace rtl
