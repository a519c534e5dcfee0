// Variant: the run-time's tagged value, as the dataset, the database engine
// and the report engine pass field values, parameters and expression
// results. Kinds and conversion rules follow the platform: Null and Empty are
// distinct; strings convert to numbers and dates in the locale of the moment
// (FormatSettings); a failed conversion throws EVariantError with a clear text.
// Arrays (VarArrayOf) carry the key values of multi-field searches.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "platform/rtl/exceptions.h"

namespace rtl {

// Days since 30 December 1899 plus the fraction of the day; 0 is empty.
using TDateTime = double;

enum class VarType : std::uint8_t {
  Empty,
  Null,
  Integer,  // 32-bit signed
  Int64,
  Double,
  Currency,  // fixed point, 4 decimals (stored as value * 10000)
  String,
  Boolean,
  Date,   // TDateTime
  Array,  // VarArrayOf
  Bytes,  // binary data (blob fields)
};

class Variant {
 public:
  Variant() noexcept = default;  // Empty
  Variant(int v) noexcept;
  Variant(long v) noexcept;  // Int64 (std::int64_t)
  Variant(long long v) noexcept;
  Variant(unsigned v) noexcept;
  Variant(unsigned long v) noexcept;       // Integer when it fits, else Int64
  Variant(unsigned long long v) noexcept;  // Int64 (the bit pattern)
  Variant(char v);                         // a one-character String
  Variant(QChar v);                        // a one-character String
  Variant(double v) noexcept;
  Variant(bool v) noexcept;
  Variant(const QString &v);
  Variant(const char *v);
  Variant(const QByteArray &v);         // Bytes
  Variant(std::vector<Variant> items);  // Array

  static Variant Null();
  static Variant FromCurrency(double v);  // rounds to 4 decimals
  static Variant FromCurrencyRaw(std::int64_t scaled);
  static Variant FromDate(TDateTime v);

  VarType Type() const noexcept { return type_; }
  bool IsEmpty() const noexcept { return type_ == VarType::Empty; }
  bool IsNull() const noexcept { return type_ == VarType::Null; }
  bool IsEmptyOrNull() const noexcept { return IsEmpty() || IsNull(); }
  bool IsArray() const noexcept { return type_ == VarType::Array; }
  bool IsNumeric() const noexcept;  // Integer, Int64, Double, Currency

  // Conversions by the platform's rules. Empty converts to 0 / "" / false;
  // Null raises EVariantError ("Could not convert variant of type (Null)
  // into type (Double)") except AsString, which gives "" only through
  // VarToStr.
  int AsInteger() const;
  std::int64_t AsInt64() const;
  double AsDouble() const;
  double AsCurrency() const;
  std::int64_t AsCurrencyRaw() const;
  QString AsString() const;
  bool AsBoolean() const;
  TDateTime AsDateTime() const;
  QByteArray AsBytes() const;

  // Arrays.
  int ArrayCount() const;  // 0 when not an array
  const Variant &operator[](int index) const;
  Variant &operator[](int index);

  // Comparison by the platform's rules: numbers numerically, strings
  // against numbers after converting the string, strings as strings (case
  // sensitive); Null and Empty sort before everything and equal only
  // themselves. Raises EVariantError for incomparable kinds.
  static int Compare(const Variant &a, const Variant &b);
  friend bool operator==(const Variant &a, const Variant &b);
  friend bool operator!=(const Variant &a, const Variant &b) { return !(a == b); }
  friend bool operator<(const Variant &a, const Variant &b) { return Compare(a, b) < 0; }
  friend bool operator>(const Variant &a, const Variant &b) { return Compare(a, b) > 0; }
  friend bool operator<=(const Variant &a, const Variant &b) { return Compare(a, b) <= 0; }
  friend bool operator>=(const Variant &a, const Variant &b) { return Compare(a, b) >= 0; }

  // The kind's name as the platform's messages write it ("Double", "String").
  static QString TypeName(VarType t);

 private:
  VarType type_ = VarType::Empty;
  union {
    std::int64_t i_;
    double d_;
    bool b_;
  } v_{};
  QString s_;
  QByteArray bytes_;
  std::shared_ptr<std::vector<Variant>> array_;
};

Variant VarArrayOf(std::initializer_list<Variant> items);
inline bool VarIsNull(const Variant &v) { return v.IsNull(); }
inline bool VarIsEmpty(const Variant &v) { return v.IsEmpty(); }
// Null and Empty give "", anything else AsString().
QString VarToStr(const Variant &v);

}  // namespace rtl
