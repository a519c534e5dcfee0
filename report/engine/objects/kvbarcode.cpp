// The barcode generator (see kvbarcode.h): element tables of each
// symbology, check digits, and drawing of the element string.
#include "report/engine/objects/kvbarcode.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace report {

namespace {

// EAN/UPC digit sets as module widths. Set A (odd parity) and set B (even
// parity) start with a space, set C (right half) with a bar and has set A's
// widths.
constexpr const char *kSetA[10] = {"3211", "2221", "2122", "1411", "1132", "1231", "1114", "1312", "1213", "3112"};
constexpr const char *kSetB[10] = {"1123", "1222", "2212", "1141", "2311", "1321", "4111", "2131", "3121", "2113"};

// EAN-13: the first digit chooses the sets of the next six digits.
constexpr const char *kEan13Parity[10] = {"AAAAAA", "AABABB", "AABBAB", "AABBBA", "ABAABB",
                                          "ABBAAB", "ABBBAA", "ABABAB", "ABABBA", "ABBABA"};
// UPC-E with number system 0 by check digit ("B" even, "A" odd); system 1
// uses the opposite sets.
constexpr const char *kUpcEParity[10] = {"BBBAAA", "BBABAA", "BBAABA", "BBAAAB", "BABBAA",
                                         "BAABBA", "BAAABB", "BABABA", "BABAAB", "BAABAB"};
// The 5-digit supplement by its check value.
constexpr const char *kSupp5Parity[10] = {"BBAAA", "BABAA", "BAABA", "BAAAB", "ABBAA",
                                          "AABBA", "AAABB", "ABABA", "ABAAB", "AABAB"};
constexpr const char *kSupp2Parity[4] = {"AA", "AB", "BA", "BB"};

// 2-of-5: five elements per digit, "1" wide.
constexpr const char *k2of5[10] = {"00110", "10001", "01001", "11000", "00101",
                                   "10100", "01100", "00011", "10010", "01010"};

// Code 39: nine elements, bar first, "1" wide; the order gives the values.
constexpr const char kCode39Chars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
constexpr const char *kCode39[44] = {
    "000110100", "100100001", "001100001", "101100000", "000110001", "100110000", "001110000", "000100101", "100100100",
    "001100100", "100001001", "001001001", "101001000", "000011001", "100011000", "001011000", "000001101", "100001100",
    "001001100", "000011100", "100000011", "001000011", "101000010", "000010011", "100010010", "001010010", "000000111",
    "100000110", "001000110", "000010110", "110000001", "011000001", "111000000", "010010001", "110010000", "011010000",
    "010000101", "110000100", "011000100", "010101000", "010100010", "010001010", "000101010",
    "010010100",  // "*", start and stop
};

// Full-ASCII pairs for codes 0-127, shared by Code 39 and Code 93 extended.
// In Code 93 the four shift letters "$", "%", "/", "+" are its own shift
// characters.
QString FullAsciiPair(int c) {
  if (c == 0) return QStringLiteral("%U");
  if (c >= 1 && c <= 26) return QStringLiteral("$") + QChar('A' + c - 1);
  if (c >= 27 && c <= 31) return QStringLiteral("%") + QChar('A' + c - 27);
  if (c == 32 || c == '-' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) return QString(QChar(c));
  if (c >= 33 && c <= 47) return QStringLiteral("/") + QChar('A' + c - 33);
  if (c == 58) return QStringLiteral("/Z");
  if (c >= 59 && c <= 63) return QStringLiteral("%") + QChar('F' + c - 59);
  if (c == 64) return QStringLiteral("%V");
  if (c >= 91 && c <= 95) return QStringLiteral("%") + QChar('K' + c - 91);
  if (c == 96) return QStringLiteral("%W");
  if (c >= 97 && c <= 122) return QStringLiteral("+") + QChar('A' + c - 97);
  if (c >= 123 && c <= 127) return QStringLiteral("%") + QChar('P' + c - 123);
  return QString();
}

// Code 93: six widths, bar first; values 43-46 are the shift characters.
constexpr const char kCode93Chars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
constexpr const char *kCode93[47] = {
    "131112", "111213", "111312", "111411", "121113", "121212", "121311", "111114", "131211", "141111",
    "211113", "211212", "211311", "221112", "221211", "231111", "112113", "112212", "112311", "122112",
    "132111", "111123", "111222", "111321", "121122", "131121", "212112", "212211", "211122", "211221",
    "221121", "222111", "112122", "112221", "122121", "123111", "121131", "311112", "311211", "321111",
    "112131", "113121", "211131", "121221", "312111", "311121", "122211",
};

// Code 128: six widths per value, bar first; 103-105 the start values.
constexpr const char *kCode128[106] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213", "221312",
    "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132", "221231", "213212",
    "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211", "212123", "212321", "232121",
    "111323", "131123", "131321", "112313", "132113", "132311", "211313", "231113", "231311", "112133", "112331",
    "132131", "113123", "113321", "133121", "313121", "211331", "231131", "213113", "213311", "213131", "311123",
    "311321", "331121", "312113", "312311", "332111", "314111", "221411", "431111", "111224", "111422", "121124",
    "121421", "141122", "141221", "112214", "112412", "122114", "122411", "142112", "142211", "241211", "221114",
    "413111", "241112", "134111", "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112",
    "421211", "212141", "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311",
    "113141", "114131", "311141", "411131", "211412", "211214", "211232",
};
constexpr const char kCode128Stop[] = "2331112";
constexpr int kFnc1 = 102;

// MSI: four bits per digit, most significant first.
// PostNet: five bars per digit, "1" a full bar.
constexpr const char *kPostNet[10] = {"11000", "00011", "00101", "00110", "01001",
                                      "01010", "01100", "10001", "10010", "10100"};

// Codabar: seven elements, bar first, "1" wide.
constexpr const char kCodabarChars[] = "0123456789-$:/.+ABCD";
constexpr const char *kCodabar[20] = {
    "0000011", "0000110", "0001001", "1100000", "0010010", "1000010", "0100001", "0100100", "0110000", "1001000",
    "0001100", "0011000", "1000101", "1010001", "1010100", "0010101", "0011010", "0101001", "0001011", "0001110",
};

// A width table written with digits 1-4 as element characters: bars to
// "5"-"8", spaces to "0"-"3".
QString Widths(const char *table, bool bar_first = true) {
  QString out;
  for (int i = 0; table[i] != '\0'; ++i) {
    const bool bar = (i % 2 == 0) == bar_first;
    out += QChar((bar ? '5' : '0') + (table[i] - '1'));
  }
  return out;
}

// A narrow/wide table ("0"/"1") as alternating bars and spaces, bar first.
QString NarrowWide(const char *table) {
  QString out;
  for (int i = 0; table[i] != '\0'; ++i) {
    const bool wide = table[i] == '1';
    out += QChar(i % 2 == 0 ? (wide ? '6' : '5') : (wide ? '1' : '0'));
  }
  return out;
}

QString EanDigit(QChar digit, char set) {
  const int d = digit.digitValue();
  if (set == 'A') return Widths(kSetA[d], false);
  if (set == 'B') return Widths(kSetB[d], false);
  return Widths(kSetA[d], true);
}

QString PadLeft(const QString &text, int length) {
  return text.size() >= length ? text : QString(length - text.size(), QChar('0')) + text;
}

}  // namespace

bool BarcodeTypeIsNumeric(int type) {
  switch (type) {
    case bcCode_2_5_interleaved:
    case bcCode_2_5_industrial:
    case bcCode_2_5_matrix:
    case bcCode128C:
    case bcCodeMSI:
    case bcCodePostNet:
    case bcCodeEAN8:
    case bcCodeEAN13:
    case bcCodeUPC_A:
    case bcCodeUPC_E0:
    case bcCodeUPC_E1:
    case bcCodeUPC_Supp2:
    case bcCodeUPC_Supp5:
    case bcCodeEAN128C:
      return true;
    default:
      return false;
  }
}

QString BarcodeTypeName(int type) {
  static const char *const kNames[kBarcodeTypeCount] = {
      "2 5 interleaved", "2 5 industrial", "2 5 matrix",      "Code39", "Code39 Extended", "Code128A",  "Code128B",
      "Code128C",        "Code93",         "Code93 Extended", "MSI",    "PostNet",         "Codebar",   "EAN8",
      "EAN13",           "UPC A",          "UPC E0",          "UPC E1", "UPC Supp2",       "UPC Supp5", "EAN128A",
      "EAN128B",         "EAN128C"};
  if (type < 0 || type >= kBarcodeTypeCount) return QString();
  return QString::fromLatin1(kNames[type]);
}

TBarcode::TBarcode(vcl::TComponent *owner) : vcl::TComponent(owner) {}

void TBarcode::SetModul(int modul) {
  if (modul >= 1 && modul < 50) modul_ = modul;
}

int TBarcode::Modulo10(const QString &digits) {
  int sum = 0;
  int weight = 3;
  for (int i = digits.size() - 1; i >= 0; --i) {
    if (!digits[i].isDigit()) continue;
    sum += digits[i].digitValue() * weight;
    weight = weight == 3 ? 1 : 3;
  }
  return (10 - sum % 10) % 10;
}

QString TBarcode::WithCheckDigit(const QString &data) {
  if (!checksum_ || checksum_method_ == csmNone) return data;
  check_added_ = true;
  return data + QChar('0' + Modulo10(data));
}

void TBarcode::ComputeWidths() {
  double ratio = ratio_;
  switch (typ_) {
    case bcCode_2_5_matrix:
      ratio = std::clamp(ratio, 2.25, 3.0);
      break;
    case bcCode128A:
    case bcCode128B:
    case bcCode128C:
    case bcCode93:
    case bcCode93Extended:
    case bcCodeMSI:
    case bcCodePostNet:
    case bcCodeEAN128A:
    case bcCodeEAN128B:
    case bcCodeEAN128C:
      break;
    default:
      ratio = std::clamp(ratio, 2.0, 3.0);
      break;
  }
  // A NaN ratio would give a nonsense width; treat it as the narrowest.
  if (!(ratio == ratio)) ratio = 1.0;
  widths_[0] = modul_;
  const double wide = std::round(modul_ * ratio);
  widths_[1] = int(std::clamp(wide, 0.0, 10000.0));
  widths_[2] = widths_[1] * 3 / 2;
  widths_[3] = 2 * widths_[1];
}

QString TBarcode::Pattern() {
  check_added_ = false;
  display_text_.clear();
  if (BarcodeTypeIsNumeric(typ_)) {
    const QString trimmed = text_.trimmed();
    for (QChar c : trimmed) {
      if (c < QChar('0') || c > QChar('9'))
        throw EBarcodeError(QStringLiteral("Il codice a barre deve essere di tipo numerico"));
    }
  }
  if (int(typ_) < 0 || int(typ_) >= kBarcodeTypeCount)
    throw EBarcodeError(QStringLiteral("%1: Tipo di codice a barre errato").arg(ClassName()));
  ComputeWidths();
  return Encode();
}

QString TBarcode::Encode() {
  switch (typ_) {
    case bcCode_2_5_interleaved:
      return Encode2of5Interleaved();
    case bcCode_2_5_industrial:
      return Encode2of5Industrial();
    case bcCode_2_5_matrix:
      return Encode2of5Matrix();
    case bcCode39:
      return EncodeCode39(false);
    case bcCode39Extended:
      return EncodeCode39(true);
    case bcCode128A:
      return EncodeCode128(103, false);
    case bcCode128B:
      return EncodeCode128(104, false);
    case bcCode128C:
      return EncodeCode128(105, false);
    case bcCode93:
      return EncodeCode93(false);
    case bcCode93Extended:
      return EncodeCode93(true);
    case bcCodeMSI:
      return EncodeMsi();
    case bcCodePostNet:
      return EncodePostNet();
    case bcCodeCodabar:
      return EncodeCodabar();
    case bcCodeEAN8:
      return EncodeEan8();
    case bcCodeEAN13:
      return EncodeEan13();
    case bcCodeUPC_A:
      return EncodeUpcA();
    case bcCodeUPC_E0:
      return EncodeUpcE(false);
    case bcCodeUPC_E1:
      return EncodeUpcE(true);
    case bcCodeUPC_Supp2:
      return EncodeSupp2();
    case bcCodeUPC_Supp5:
      return EncodeSupp5();
    case bcCodeEAN128A:
      return EncodeCode128(103, true);
    case bcCodeEAN128B:
      return EncodeCode128(104, true);
    case bcCodeEAN128C:
      return EncodeCode128(105, true);
  }
  throw EBarcodeError(QStringLiteral("%1: Tipo di codice a barre errato").arg(ClassName()));
}

namespace {

// The display text: without the added check digit unless it is to be shown.
QString Displayed(const QString &data, bool check_added, bool show_check) {
  return check_added && !show_check && !data.isEmpty() ? data.left(data.size() - 1) : data;
}

}  // namespace

QString TBarcode::EncodeEan8() {
  const QString digits = text_.trimmed();
  QString data;
  if (checksum_) {
    data = WithCheckDigit(PadLeft(digits, 7).right(7));
  } else {
    data = PadLeft(digits, 8);
  }
  if (data.size() != 8) throw EBarcodeError(QStringLiteral("Lunghezza del testo errata (EAN8)"));
  display_text_ = Displayed(data, check_added_, show_checksum_text_);
  QString out = QStringLiteral("505");
  for (int i = 0; i < 4; ++i) out += EanDigit(data[i], 'A');
  out += QStringLiteral("05050");
  for (int i = 4; i < 8; ++i) out += EanDigit(data[i], 'C');
  return out + QStringLiteral("505");
}

QString TBarcode::EncodeEan13() {
  const QString digits = text_.trimmed();
  const QString data = checksum_ ? WithCheckDigit(PadLeft(digits, 12)) : PadLeft(digits, 13);
  if (data.size() != 13) throw EBarcodeError(QStringLiteral("Lunghezza del testo errata (EAN13)"));
  display_text_ = Displayed(data, check_added_, show_checksum_text_);
  const char *parity = kEan13Parity[data[0].digitValue()];
  QString out = QStringLiteral("505");
  for (int i = 1; i < 7; ++i) out += EanDigit(data[i], parity[i - 1]);
  out += QStringLiteral("05050");
  for (int i = 7; i < 13; ++i) out += EanDigit(data[i], 'C');
  return out + QStringLiteral("505");
}

QString TBarcode::EncodeUpcA() {
  QString data = PadLeft(text_.trimmed(), 12);
  // Longer data cannot be a UPC-A code; refusing it keeps a wrong code off
  // the page.
  if (data.size() != 12) throw EBarcodeError(QStringLiteral("Lunghezza del testo errata (UPC A)"));
  if (checksum_ && checksum_method_ != csmNone) data = WithCheckDigit(data.left(11));
  display_text_ = Displayed(data, check_added_, show_checksum_text_);
  QString out = QStringLiteral("505");
  for (int i = 0; i < 6; ++i) out += EanDigit(data[i], 'A');
  out += QStringLiteral("05050");
  for (int i = 6; i < 12; ++i) out += EanDigit(data[i], 'C');
  return out + QStringLiteral("505");
}

QString TBarcode::EncodeUpcE(bool system_one) {
  QString data = PadLeft(text_.trimmed(), 7);
  if (data.size() != 7)
    throw EBarcodeError(QStringLiteral("Lunghezza del testo errata (%1)").arg(BarcodeTypeName(typ_)));
  const int check = Modulo10(data.left(6));
  if (checksum_ && checksum_method_ != csmNone) {
    data = data.left(6) + QChar('0' + check);
    check_added_ = true;
  }
  display_text_ = Displayed(data, check_added_, show_checksum_text_);
  const char *parity = kUpcEParity[check];
  QString out = QStringLiteral("505");
  for (int i = 0; i < 6; ++i) {
    char set = parity[i];
    if (system_one) set = set == 'A' ? 'B' : 'A';
    out += EanDigit(data[i], set);
  }
  // The end guard closes with a bar: space, bar, space, bar, space, bar.
  return out + QStringLiteral("050505");
}

QString TBarcode::EncodeSupp5() {
  const QString data = PadLeft(text_.trimmed(), 5);
  if (data.size() != 5)
    throw EBarcodeError(QStringLiteral("Lunghezza del testo errata (%1)").arg(BarcodeTypeName(typ_)));
  display_text_ = data;
  int odd = 0, even = 0;
  for (int i = 0; i < 5; ++i) (i % 2 == 0 ? odd : even) += data[i].digitValue();
  const char *parity = kSupp5Parity[(3 * odd + 9 * even) % 10];
  QString out = QStringLiteral("506");
  for (int i = 0; i < 5; ++i) {
    if (i > 0) out += QStringLiteral("05");
    out += EanDigit(data[i], parity[i]);
  }
  return out;
}

QString TBarcode::EncodeSupp2() {
  const QString data = PadLeft(text_.trimmed(), 2);
  if (data.size() != 2)
    throw EBarcodeError(QStringLiteral("Lunghezza del testo errata (%1)").arg(BarcodeTypeName(typ_)));
  display_text_ = data;
  const char *parity = kSupp2Parity[data.toInt() % 4];
  return QStringLiteral("506") + EanDigit(data[0], parity[0]) + QStringLiteral("05") + EanDigit(data[1], parity[1]);
}

QString TBarcode::Encode2of5Interleaved() {
  const QString data = text_.trimmed();
  display_text_ = data;
  QString out = QStringLiteral("5050");
  for (int i = 0; i + 1 < data.size(); i += 2) {
    const char *bars = k2of5[data[i].digitValue()];
    const char *spaces = k2of5[data[i + 1].digitValue()];
    for (int e = 0; e < 5; ++e) {
      out += QChar(bars[e] == '1' ? '6' : '5');
      out += QChar(spaces[e] == '1' ? '1' : '0');
    }
  }
  return out + QStringLiteral("605");
}

QString TBarcode::Encode2of5Industrial() {
  const QString data = text_.trimmed();
  display_text_ = data;
  QString out = QStringLiteral("606050");
  for (QChar c : data) {
    for (const char *e = k2of5[c.digitValue()]; *e != '\0'; ++e)
      out += *e == '1' ? QStringLiteral("60") : QStringLiteral("50");
  }
  return out + QStringLiteral("605060");
}

QString TBarcode::Encode2of5Matrix() {
  const QString data = text_.trimmed();
  display_text_ = data;
  QString out = QStringLiteral("705050");
  for (QChar c : data) out += NarrowWide(k2of5[c.digitValue()]) + QChar('0');
  return out + QStringLiteral("70505");
}

QString TBarcode::EncodeCode39(bool extended) {
  QString source = text_;
  if (extended) {
    source.clear();
    for (QChar c : text_) source += FullAsciiPair(c.unicode());
  }
  QString out = NarrowWide(kCode39[43]) + QChar('0');
  int sum = 0;
  for (QChar c : source) {
    const char *at = c.unicode() < 128 ? std::strchr(kCode39Chars, char(c.unicode())) : nullptr;
    if (at == nullptr || c.unicode() == 0) continue;  // not in the table: skipped
    const int value = int(at - kCode39Chars);
    sum += value;
    out += NarrowWide(kCode39[value]) + QChar('0');
  }
  QString data = text_;
  if (checksum_) {
    const int check = sum % 43;
    out += NarrowWide(kCode39[check]) + QChar('0');
    data += QChar(kCode39Chars[check]);
    check_added_ = true;
  }
  display_text_ = Displayed(data, check_added_, show_checksum_text_);
  return out + NarrowWide(kCode39[43]);
}

QString TBarcode::EncodeCode93(bool extended) {
  std::vector<int> values;
  auto fail = [this] {
    throw EBarcodeError(QStringLiteral("%1: Code93 dati errati Data <%2>").arg(ClassName(), text_));
  };
  for (QChar c : text_) {
    if (extended) {
      if (c.unicode() > 127) fail();
      const QString pair = FullAsciiPair(c.unicode());
      for (int i = 0; i < pair.size(); ++i) {
        const char ch = char(pair[i].unicode());
        if (pair.size() == 2 && i == 0) {
          // The shift letter of a pair is Code 93's own shift character.
          values.push_back(ch == '$' ? 43 : ch == '%' ? 44 : ch == '/' ? 45 : 46);
        } else {
          values.push_back(int(std::strchr(kCode93Chars, ch) - kCode93Chars));
        }
      }
    } else {
      const char *at = c.unicode() < 128 && c.unicode() != 0 ? std::strchr(kCode93Chars, char(c.unicode())) : nullptr;
      if (at == nullptr) fail();
      values.push_back(int(at - kCode93Chars));
    }
  }
  auto weighted = [&values](int max_weight) {
    int sum = 0, weight = 1;
    for (auto it = values.rbegin(); it != values.rend(); ++it) {
      sum += *it * weight;
      weight = weight == max_weight ? 1 : weight + 1;
    }
    return sum % 47;
  };
  values.push_back(weighted(20));
  values.push_back(weighted(15));
  display_text_ = text_;
  QString out = Widths("111141");
  for (int v : values) out += Widths(kCode93[v]);
  return out + Widths("1111411");
}

QString TBarcode::EncodeCode128(int start, bool ean) {
  QString data = text_;
  if (start == 105) data = data.trimmed();
  if (ean) data = WithCheckDigit(data);
  if (start == 105 && data.size() % 2 == 1) data.prepend(QChar('0'));
  display_text_ = Displayed(data, check_added_, show_checksum_text_);

  std::vector<int> values;
  if (ean) values.push_back(kFnc1);
  if (start == 105) {
    for (int i = 0; i + 1 < data.size(); i += 2) {
      const QChar a = data[i], b = data[i + 1];
      const bool digits = a >= QChar('0') && a <= QChar('9') && b >= QChar('0') && b <= QChar('9');
      values.push_back(digits ? a.digitValue() * 10 + b.digitValue() : 0);
    }
  } else {
    for (QChar c : data) {
      const int code = c.unicode();
      int value = 0;  // a character the column lacks becomes a blank
      if (start == 103) {
        if (code >= 32 && code <= 95)
          value = code - 32;
        else if (code < 32)
          value = code + 64;
      } else if (code >= 32 && code <= 127) {
        value = code - 32;
      }
      values.push_back(value);
    }
  }
  long long sum = start;
  for (std::size_t i = 0; i < values.size(); ++i) sum += (long long)(values[i]) * (long long)(i + 1);
  QString out = Widths(kCode128[start]);
  for (int v : values) out += Widths(kCode128[v]);
  out += Widths(kCode128[sum % 103]);
  return out + Widths(kCode128Stop);
}

QString TBarcode::EncodeMsi() {
  const QString data = text_.trimmed();
  display_text_ = data;
  // The check digit doubles every other digit from the right and adds the
  // figures of the products to the remaining digits.
  int sum = 0;
  bool doubled = true;
  for (int i = data.size() - 1; i >= 0; --i) {
    int d = data[i].digitValue();
    if (doubled) {
      d *= 2;
      d = d / 10 + d % 10;
    }
    sum += d;
    doubled = !doubled;
  }
  const int check = (10 - sum % 10) % 10;
  auto digit = [](int d) {
    QString bits;
    for (int bit = 3; bit >= 0; --bit) bits += (d >> bit) & 1 ? QStringLiteral("60") : QStringLiteral("51");
    return bits;
  };
  QString out = QStringLiteral("60");
  for (QChar c : data) out += digit(c.digitValue());
  out += digit(check);
  return out + QStringLiteral("515");
}

QString TBarcode::EncodePostNet() {
  const QString data = text_.trimmed();
  display_text_ = data;
  QString out = QStringLiteral("51");
  for (QChar c : data) {
    for (const char *e = kPostNet[c.digitValue()]; *e != '\0'; ++e)
      out += *e == '1' ? QStringLiteral("51") : QStringLiteral("A1");
  }
  return out + QStringLiteral("5");
}

QString TBarcode::EncodeCodabar() {
  display_text_ = text_;
  auto character = [](char c) { return NarrowWide(kCodabar[std::strchr(kCodabarChars, c) - kCodabarChars]); };
  QString out = character('A') + QChar('0');
  for (QChar c : text_) {
    const char *at = c.unicode() < 128 && c.unicode() != 0 ? std::strchr(kCodabarChars, char(c.unicode())) : nullptr;
    if (at == nullptr) continue;  // not in the table: skipped, as in Code 39
    out += character(*at) + QChar('0');
  }
  return out + character('B');
}

int TBarcode::Width() {
  const QString pattern = Pattern();
  int width = 0;
  for (QChar c : pattern) {
    const char ch = char(c.unicode());
    if (ch >= '0' && ch <= '3')
      width += widths_[ch - '0'];
    else if (ch >= '5' && ch <= '8')
      width += widths_[ch - '5'];
    else if (ch >= 'A' && ch <= 'D')
      width += widths_[ch - 'A'];
    else
      throw EBarcodeError(QStringLiteral("%1: Errore interno").arg(ClassName()));
  }
  return width;
}

void TBarcode::DrawBarcode(vcl::TCanvas *canvas) {
  if (canvas == nullptr) return;
  const QString pattern = Pattern();
  // Check the whole pattern before painting so an error leaves no half code.
  for (QChar c : pattern) {
    const char ch = char(c.unicode());
    if (!((ch >= '0' && ch <= '3') || (ch >= '5' && ch <= '8') || (ch >= 'A' && ch <= 'D')))
      throw EBarcodeError(QStringLiteral("%1: Errore interno").arg(ClassName()));
  }
  vcl::TPen saved_pen;
  saved_pen.Assign(canvas->Pen());
  vcl::TBrush saved_brush;
  saved_brush.Assign(canvas->Brush());
  canvas->Brush()->SetStyle(vcl::bsSolid);
  int x = left_;
  for (QChar c : pattern) {
    const char ch = char(c.unicode());
    int width = 0, height = height_;
    vcl::TColor color = color_bar_;
    if (ch <= '3') {
      width = widths_[ch - '0'];
      color = color_;
    } else if (ch <= '8') {
      width = widths_[ch - '5'];
    } else {
      width = widths_[ch - 'A'];
      height = height_ * 2 / 5;
    }
    canvas->Brush()->SetColor(color);
    if (width > 0 && height > 0) canvas->FillRect(vcl::TRect{x, top_, x + width, top_ + height});
    x += width;
  }
  canvas->Pen()->Assign(&saved_pen);
  canvas->Brush()->Assign(&saved_brush);
}

}  // namespace report
