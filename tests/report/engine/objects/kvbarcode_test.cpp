// Barcode generator: element strings checked against the published module
// patterns of each symbology, check digits, widths and refusals.
#include <gtest/gtest.h>

#include <QSet>
#include <string>

#include "report/engine/objects/kvbarcode.h"
#include "tests/report/engine/kvtest_support.h"

namespace report {
namespace {

// The element string as modules ("1" bar, "0" space) at the given widths.
QString Modules(const QString &pattern, const std::array<int, 4> &w) {
  QString out;
  for (QChar c : pattern) {
    const char ch = char(c.unicode());
    const bool bar = ch >= '5';
    const int width = ch <= '3' ? w[ch - '0'] : ch <= '8' ? w[ch - '5'] : w[ch - 'A'];
    out += QString(width, QChar(bar ? '1' : '0'));
  }
  return out;
}

QString Encode(TBarcode &bc) { return Modules(bc.Pattern(), bc.ElementWidths()); }

// EAN/UPC digit encodings as the standard prints them (L, G and R codes).
const char *const kL[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                            "0110001", "0101111", "0111011", "0110111", "0001011"};
const char *const kG[10] = {"0100111", "0110011", "0011011", "0100001", "0011101",
                            "0111001", "0000101", "0010001", "0001001", "0010111"};
QString R(int d) {
  QString s = QString::fromLatin1(kL[d]);
  for (QChar &c : s) c = c == '1' ? '0' : '1';
  return s;
}

TEST(Barcode, Ean13NewsstandCodeHasStandardCheckDigitParityAndModules) {
  TBarcode bc;
  bc.SetTyp(bcCodeEAN13);
  bc.SetChecksum(true);
  bc.SetText(QStringLiteral("977123456700"));
  const QString modules = Encode(bc);
  EXPECT_EQ(bc.DisplayText(), QStringLiteral("977123456700"));
  bc.SetShowCheckSumText(true);
  bc.Pattern();
  EXPECT_EQ(bc.DisplayText(), QStringLiteral("9771234567003"));

  // First digit 9: L G G L G L for the left half.
  const QString digits = QStringLiteral("9771234567003");
  const char *parity = "LGGLGL";
  QString expected = QStringLiteral("101");
  for (int i = 1; i <= 6; ++i) {
    const int d = digits[i].digitValue();
    expected += QString::fromLatin1(parity[i - 1] == 'L' ? kL[d] : kG[d]);
  }
  expected += QStringLiteral("01010");
  for (int i = 7; i <= 12; ++i) expected += R(digits[i].digitValue());
  expected += QStringLiteral("101");
  EXPECT_EQ(modules, expected);
  EXPECT_EQ(modules.size(), 95);
  EXPECT_EQ(bc.Width(), 95);

  // The same code given whole, without the check digit being computed.
  TBarcode whole;
  whole.SetText(QStringLiteral("9771234567003"));
  EXPECT_EQ(Encode(whole), expected);
  // Short data is padded with leading zeros.
  whole.SetText(QStringLiteral("123"));
  whole.Pattern();
  EXPECT_EQ(whole.DisplayText(), QStringLiteral("0000000000123"));
}

TEST(Barcode, CheckDigitsOfKnownCodes) {
  EXPECT_EQ(TBarcode::Modulo10(QStringLiteral("400638133393")), 1);
  EXPECT_EQ(TBarcode::Modulo10(QStringLiteral("9638507")), 4);
  EXPECT_EQ(TBarcode::Modulo10(QStringLiteral("03600029145")), 2);
  EXPECT_EQ(TBarcode::Modulo10(QStringLiteral("977123456700")), 3);
}

TEST(Barcode, Ean8AndUpcAModules) {
  TBarcode bc;
  bc.SetTyp(bcCodeEAN8);
  bc.SetChecksum(true);
  bc.SetShowCheckSumText(true);
  bc.SetText(QStringLiteral("9638507"));
  QString expected = QStringLiteral("101");
  const QString ean8 = QStringLiteral("96385074");
  for (int i = 0; i < 4; ++i) expected += QString::fromLatin1(kL[ean8[i].digitValue()]);
  expected += QStringLiteral("01010");
  for (int i = 4; i < 8; ++i) expected += R(ean8[i].digitValue());
  expected += QStringLiteral("101");
  EXPECT_EQ(Encode(bc), expected);
  EXPECT_EQ(bc.DisplayText(), ean8);
  // With the check digit on, only the last seven digits are kept.
  bc.SetText(QStringLiteral("19638507"));
  EXPECT_EQ(Encode(bc), expected);

  bc.SetTyp(bcCodeUPC_A);
  bc.SetText(QStringLiteral("036000291459"));  // wrong last digit, replaced
  const QString upc = QStringLiteral("036000291452");
  expected = QStringLiteral("101");
  for (int i = 0; i < 6; ++i) expected += QString::fromLatin1(kL[upc[i].digitValue()]);
  expected += QStringLiteral("01010");
  for (int i = 6; i < 12; ++i) expected += R(upc[i].digitValue());
  expected += QStringLiteral("101");
  EXPECT_EQ(Encode(bc), expected);
  EXPECT_EQ(bc.DisplayText(), upc);
}

TEST(Barcode, UpcEAndSupplements) {
  TBarcode bc;
  bc.SetTyp(bcCodeUPC_E0);
  bc.SetText(QStringLiteral("123456"));
  // Check digit of 012345 (padded to seven, first six) is 7: parity E O E O E O.
  const char *parity = "GLGLGL";
  const QString data = QStringLiteral("012345");
  QString expected = QStringLiteral("101");
  for (int i = 0; i < 6; ++i) {
    const int d = data[i].digitValue();
    expected += QString::fromLatin1(parity[i] == 'L' ? kL[d] : kG[d]);
  }
  expected += QStringLiteral("010101");
  EXPECT_EQ(Encode(bc), expected);
  // Number system 1 swaps the sets.
  bc.SetTyp(bcCodeUPC_E1);
  EXPECT_NE(Encode(bc), expected);
  EXPECT_EQ(Encode(bc).size(), expected.size());

  // 5-digit supplement 52495: check (3*(5+4+5) + 9*(2+9)) mod 10 = 1 -> G L G L L.
  bc.SetTyp(bcCodeUPC_Supp5);
  bc.SetText(QStringLiteral("52495"));
  expected = QStringLiteral("1011") + kG[5] + "01" + kL[2] + "01" + kG[4] + "01" + kL[9] + "01" + kL[5];
  EXPECT_EQ(Encode(bc), expected);
  // 2-digit supplement 34: 34 mod 4 = 2 -> G L.
  bc.SetTyp(bcCodeUPC_Supp2);
  bc.SetText(QStringLiteral("34"));
  EXPECT_EQ(Encode(bc), QStringLiteral("1011") + kG[3] + "01" + kL[4]);
}

TEST(Barcode, TwoOfFiveFamilies) {
  TBarcode bc;
  bc.SetTyp(bcCode_2_5_interleaved);
  bc.SetText(QStringLiteral("12"));
  // 1 = W n n n W as bars, 2 = n W n n W as spaces.
  EXPECT_EQ(Encode(bc), QStringLiteral("1010") +
                            "11"
                            "0"
                            "1"
                            "00"
                            "1"
                            "0"
                            "1"
                            "0"
                            "11"
                            "00" +
                            "1101");
  // An odd last digit is left out.
  bc.SetText(QStringLiteral("123"));
  EXPECT_EQ(Encode(bc).size(), 4 + 14 + 4);

  bc.SetTyp(bcCode_2_5_industrial);
  bc.SetText(QStringLiteral("0"));
  EXPECT_EQ(Encode(bc), QStringLiteral("11011010"
                                       "10"
                                       "10"
                                       "110"
                                       "110"
                                       "10"
                                       "11010110"));

  bc.SetTyp(bcCode_2_5_matrix);
  bc.SetRatio(2.0);  // raised to 2.25: wide elements are two modules
  bc.SetText(QStringLiteral("1"));
  EXPECT_EQ(bc.Pattern(), QStringLiteral("705050"
                                         "60506"
                                         "0"
                                         "70505"));
}

TEST(Barcode, Code39WithAndWithoutCheckCharacter) {
  TBarcode bc;
  bc.SetTyp(bcCode39);
  bc.SetRatio(1.0);  // raised to 2.0
  bc.SetText(QStringLiteral("A"));
  // *A* with 2:1 elements: * = n W n n W n W n n, A = W n n n n W n n W.
  const QString star = QStringLiteral("100101101101");
  const QString a = QStringLiteral("110101001011");
  EXPECT_EQ(Encode(bc), star + "0" + a + "0" + star);
  EXPECT_EQ(bc.ElementWidths(), (std::array<int, 4>{1, 2, 3, 4}));

  // Check character: "AB" = 10 + 11 = 21 -> "L"; shown only when asked for.
  bc.SetText(QStringLiteral("AB"));
  bc.SetChecksum(true);
  const QString with_check = bc.Pattern();
  EXPECT_EQ(bc.DisplayText(), QStringLiteral("AB"));
  bc.SetShowCheckSumText(true);
  bc.Pattern();
  EXPECT_EQ(bc.DisplayText(), QStringLiteral("ABL"));
  TBarcode plain;
  plain.SetTyp(bcCode39);
  plain.SetText(QStringLiteral("ABL"));
  EXPECT_EQ(with_check, plain.Pattern());
  // Lower case is not in the table and is skipped; the extended code spells it.
  plain.SetText(QStringLiteral("a"));
  EXPECT_EQ(plain.Pattern().size(), 2 * 9 + 1);
  plain.SetTyp(bcCode39Extended);
  TBarcode pair;
  pair.SetTyp(bcCode39);
  pair.SetText(QStringLiteral("+A"));
  EXPECT_EQ(plain.Pattern(), pair.Pattern());
}

TEST(Barcode, Code128ValuesChecksAndStartCodes) {
  TBarcode bc;
  bc.SetTyp(bcCode128B);
  bc.SetRatio(1.0);  // used as it is: widths 1, 1, 1, 2
  bc.SetText(QStringLiteral("PJJ123C"));
  const QString pattern = bc.Pattern();
  EXPECT_EQ(bc.ElementWidths(), (std::array<int, 4>{1, 1, 1, 2}));
  bc.SetRatio(2.0);
  // Start B 11010010000; 104 + P48 + 2*J42 + 3*J42 + 4*"1"17 + 5*18 + 6*19 + 7*C35 = 879; 879 mod 103 = 55.
  const QString modules = Encode(bc);
  EXPECT_TRUE(modules.startsWith(QStringLiteral("11010010000")));
  EXPECT_TRUE(
      modules.endsWith(QStringLiteral("11101000110"
                                      "1100011101011")));  // 55, stop
  EXPECT_EQ(modules.size(), 11 * 9 + 13);

  // Code C pads an odd text with a leading zero: "123" -> 01, 23.
  bc.SetTyp(bcCode128C);
  bc.SetText(QStringLiteral("123"));
  const QString c = Encode(bc);
  EXPECT_EQ(bc.DisplayText(), QStringLiteral("0123"));
  EXPECT_TRUE(
      c.startsWith(QStringLiteral("11010011100"
                                  "11001101100"
                                  "11101101110")));  // start C, 01, 23
  // Code A puts control characters after the upper-case set.
  bc.SetTyp(bcCode128A);
  bc.SetText(QString(QChar(9)));  // tab = value 73
  EXPECT_EQ(Encode(bc).mid(11, 11), QStringLiteral("10000110100"));

  // EAN-128 adds FNC1 after the start and, asked for, a modulo-10 digit.
  bc.SetTyp(bcCodeEAN128C);
  bc.SetChecksum(true);
  bc.SetText(QStringLiteral("0101234567890"));
  const QString ean = Encode(bc);
  EXPECT_EQ(ean.mid(11, 11), QStringLiteral("11110101110"));  // FNC1
  EXPECT_EQ(bc.DisplayText(), QStringLiteral("0101234567890"));
  bc.SetShowCheckSumText(true);
  bc.Pattern();
  EXPECT_EQ(bc.DisplayText(), QStringLiteral("01012345678904"));
}

TEST(Barcode, Code93ChecksAndRefusals) {
  TBarcode bc;
  bc.SetTyp(bcCode93);
  bc.SetText(QStringLiteral("A"));
  // C = 10 ("A"); K = 10*1 + 10*2 = 30 ("U").
  EXPECT_EQ(Encode(bc), QStringLiteral("101011110"
                                       "110101000"
                                       "110101000"
                                       "110010110"
                                       "1010111101"));

  bc.SetText(QStringLiteral("a"));
  try {
    bc.Pattern();
    FAIL() << "lower case accepted";
  } catch (const EBarcodeError &e) {
    EXPECT_EQ(e.Message(), QStringLiteral("TBarcode: Code93 dati errati Data <a>"));
  }
  bc.SetTyp(bcCode93Extended);
  EXPECT_EQ(Encode(bc).size(), 9 * 5 + 10);  // "a" is the pair (+)A
  bc.SetText(QStringLiteral("\u00e8"));
  EXPECT_THROW(bc.Pattern(), EBarcodeError);
}

TEST(Barcode, MsiPostNetAndCodabar) {
  TBarcode bc;
  bc.SetTyp(bcCodeMSI);
  bc.SetText(QStringLiteral("1234"));
  // Check digit 4: 4*2=8, 3, 2*2=4, 1 -> 16 -> 4.
  const QString one = QStringLiteral("100100100110"), two = QStringLiteral("100100110100");
  const QString three = QStringLiteral("100100110110"), four = QStringLiteral("100110100100");
  EXPECT_EQ(Encode(bc), QStringLiteral("110") + one + two + three + four + four + "1001");

  bc.SetTyp(bcCodePostNet);
  bc.SetText(QStringLiteral("1"));
  EXPECT_EQ(bc.Pattern(), QStringLiteral("51"
                                         "A1"
                                         "A1"
                                         "A1"
                                         "51"
                                         "51"
                                         "5"));

  bc.SetTyp(bcCodeCodabar);
  bc.SetText(QStringLiteral("1"));
  // A = n n W n W n n... with the narrow gaps between characters.
  EXPECT_EQ(Encode(bc).toStdString(),
            "1011001001"
            "0"
            "101011001"
            "0"
            "1001001011");
}

TEST(Barcode, ElementWidthsFromModuleAndRatio) {
  TBarcode bc;
  bc.SetTyp(bcCode39);
  bc.SetModul(2);
  bc.SetRatio(2.5);
  bc.SetText(QStringLiteral("1"));
  bc.Pattern();
  EXPECT_EQ(bc.ElementWidths(), (std::array<int, 4>{2, 5, 7, 10}));
  bc.SetRatio(9.0);  // lowered to 3.0
  bc.Pattern();
  EXPECT_EQ(bc.ElementWidths()[1], 6);
  // Modules outside 1-49 are ignored.
  bc.SetModul(0);
  bc.SetModul(50);
  EXPECT_EQ(bc.Modul(), 2);
  bc.SetModul(49);
  EXPECT_EQ(bc.Modul(), 49);
}

TEST(Barcode, BadDataIsRefusedWithTheMessages) {
  TBarcode bc;
  auto message = [&bc] {
    try {
      bc.Pattern();
    } catch (const EBarcodeError &e) {
      return e.Message();
    }
    return QString();
  };
  bc.SetText(QStringLiteral("97712345x7003"));
  EXPECT_EQ(message(), QStringLiteral("Il codice a barre deve essere di tipo numerico"));
  bc.SetText(QStringLiteral("97712345670031"));
  EXPECT_EQ(message(), QStringLiteral("Lunghezza del testo errata (EAN13)"));
  bc.SetChecksum(true);
  bc.SetText(QStringLiteral("9771234567003"));  // 13 digits and one more to add
  EXPECT_EQ(message(), QStringLiteral("Lunghezza del testo errata (EAN13)"));
  bc.SetTyp(bcCodeEAN8);
  bc.SetChecksum(false);
  bc.SetText(QStringLiteral("123456789"));
  EXPECT_EQ(message(), QStringLiteral("Lunghezza del testo errata (EAN8)"));
  bc.SetTyp(TBarcodeType(23));
  bc.SetText(QStringLiteral("1"));
  EXPECT_EQ(message(), QStringLiteral("TBarcode: Tipo di codice a barre errato"));
  bc.SetTyp(bcCodeUPC_A);
  bc.SetText(QStringLiteral("1234567890123"));
  EXPECT_FALSE(message().isEmpty());
  bc.SetTyp(bcCode128C);
  bc.SetText(QStringLiteral(" 12 "));  // surrounding blanks are trimmed
  EXPECT_TRUE(message().isEmpty());
}

TEST(Barcode, DrawsBarsAtTheirEdgesAndRestoresTheCanvas) {
  testing::Page page(120, 40);
  vcl::TCanvas *canvas = page.Canvas();
  canvas->Brush()->SetColor(vcl::clRed);
  canvas->Pen()->SetColor(vcl::clBlue);
  TBarcode bc;
  bc.SetTyp(bcCodeEAN13);
  bc.SetModul(1);
  bc.SetText(QStringLiteral("9771234567003"));
  bc.SetLeft(10);
  bc.SetTop(5);
  bc.SetHeight(20);
  bc.SetColor(vcl::clWhite);
  bc.SetColorBar(vcl::clBlack);
  bc.DrawBarcode(canvas);
  const QString modules = Encode(bc);
  for (int i = 0; i < modules.size(); ++i) {
    const vcl::TColor want = modules[i] == '1' ? vcl::clBlack : vcl::clWhite;
    ASSERT_EQ(page.At(10 + i, 5), want) << "module " << i;
    ASSERT_EQ(page.At(10 + i, 24), want) << "module " << i;
  }
  EXPECT_EQ(page.At(10, 4), vcl::clWhite);
  EXPECT_EQ(page.At(10, 25), vcl::clWhite);
  EXPECT_EQ(page.At(10 + 95, 10), vcl::clWhite);
  EXPECT_EQ(canvas->Brush()->Color(), vcl::clRed);
  EXPECT_EQ(canvas->Pen()->Color(), vcl::clBlue);

  // Short bars of PostNet take two fifths of the height from the top.
  testing::Page post(60, 40);
  bc.SetTyp(bcCodePostNet);
  bc.SetText(QStringLiteral("1"));
  bc.SetLeft(0);
  bc.SetTop(0);
  bc.DrawBarcode(post.Canvas());
  EXPECT_EQ(post.At(3, 7), vcl::clBlack);  // first short bar
  EXPECT_EQ(post.At(3, 8), vcl::clWhite);
  EXPECT_EQ(post.At(0, 19), vcl::clBlack);  // frame bar

  // Bad data draws nothing.
  testing::Page empty(60, 40);
  bc.SetTyp(bcCodeEAN13);
  bc.SetText(QStringLiteral("abc"));
  EXPECT_THROW(bc.DrawBarcode(empty.Canvas()), EBarcodeError);
  EXPECT_EQ(empty.Inked(vcl::TRect{0, 0, 60, 40}), 0);
}

TEST(Barcode, AnyTextInAnySymbologyGivesAPatternOrARefusal) {
  const QString texts[] = {QString(),
                           QStringLiteral(" "),
                           QStringLiteral("0"),
                           QStringLiteral("12345678901234567890"),
                           QString(QChar(0)) + QStringLiteral("A\x7f"),
                           QStringLiteral("\u00e8\u20ac"),
                           QString(400, QChar('9')),
                           QStringLiteral("-1.5")};
  for (int type = 0; type < kBarcodeTypeCount; ++type) {
    EXPECT_FALSE(BarcodeTypeName(type).isEmpty());
    for (const QString &text : texts) {
      for (bool check : {false, true}) {
        TBarcode bc;
        bc.SetTyp(TBarcodeType(type));
        bc.SetChecksum(check);
        bc.SetRatio(type % 2 == 0 ? 0.0 : 1e9);
        bc.SetText(text);
        try {
          const QString pattern = bc.Pattern();
          for (QChar c : pattern) ASSERT_TRUE(QStringLiteral("01235678ABCD").contains(c)) << type;
          EXPECT_GE(bc.Width(), 0);
        } catch (const EBarcodeError &e) {
          EXPECT_FALSE(e.Message().isEmpty());
        }
      }
    }
  }
}

// Every table entry has its symbology's module count, and no two characters
// share a pattern: a mistyped entry breaks one or the other.
TEST(Barcode, SymbolTablesHaveTheirModuleCountsAndAreDistinct) {
  auto sweep = [](TBarcodeType type, const QStringList &texts, int width) {
    QSet<QString> seen;
    for (const QString &text : texts) {
      TBarcode bc;
      bc.SetTyp(type);
      bc.SetText(text);
      EXPECT_EQ(bc.Width(), width) << BarcodeTypeName(type).toStdString() << " " << text.toStdString();
      seen.insert(bc.Pattern());
    }
    EXPECT_EQ(seen.size(), texts.size()) << BarcodeTypeName(type).toStdString();
  };
  QStringList ascii, pairs, code39;
  for (int c = 32; c < 128; ++c) ascii << QString(QChar(c));
  for (int v = 0; v < 100; ++v) pairs << QStringLiteral("%1").arg(v, 2, 10, QChar('0'));
  for (char c : std::string("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%")) code39 << QString(QChar(c));
  sweep(bcCode128B, ascii, 4 * 11 + 2);  // start, character, check, stop
  sweep(bcCode128C, pairs, 4 * 11 + 2);
  sweep(bcCode93, code39, 4 * 9 + 10);
  sweep(bcCode39, code39, 3 * 12 + 2);
}

}  // namespace
}  // namespace report
