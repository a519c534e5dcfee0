// Variant: construction, conversions and comparison. Conversions between
// text and numbers or dates go through the run-time's own parsers and
// formatters, so they follow FormatSettings() at the moment of the call.
#include "platform/rtl/variant.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/rtl/datetime.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/sysutils.h"

namespace rtl {

namespace {

constexpr double kCurrencyScale = 10000.0;

[[noreturn]] void RaiseConvert(VarType from, VarType to) {
  throw EVariantError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                          .arg(Variant::TypeName(from), Variant::TypeName(to)));
}

[[noreturn]] void RaiseOverflow(VarType from, VarType to) {
  throw EVariantError(QStringLiteral("Overflow while converting variant of type (%1) into type (%2)")
                          .arg(Variant::TypeName(from), Variant::TypeName(to)));
}

// Rounds a double to a 64-bit integer the way variant conversions do
// (halves to even), reporting overflow in variant terms.
std::int64_t RoundForVariant(double d, VarType from, VarType to) {
  if (!std::isfinite(d) || d >= 9223372036854775807.0 || d < -9223372036854775808.0) RaiseOverflow(from, to);
  return static_cast<std::int64_t>(std::nearbyint(d));
}

int Sign(double d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }

template <typename T>
int Cmp(const T &a, const T &b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

Variant::Variant(int v) noexcept : type_(VarType::Integer) { v_.i_ = v; }

// `long` is 64 bits here (std::int64_t is a long): the kind follows the
// width of the C++ type, not the value.
Variant::Variant(long v) noexcept : type_(VarType::Int64) { v_.i_ = static_cast<std::int64_t>(v); }

Variant::Variant(long long v) noexcept : type_(VarType::Int64) { v_.i_ = v; }

Variant::Variant(unsigned v) noexcept {
  type_ = v <= static_cast<unsigned>(std::numeric_limits<int>::max()) ? VarType::Integer : VarType::Int64;
  v_.i_ = static_cast<std::int64_t>(v);
}

Variant::Variant(unsigned long v) noexcept {
  if (v <= static_cast<unsigned long>(std::numeric_limits<int>::max())) {
    type_ = VarType::Integer;
    v_.i_ = static_cast<std::int64_t>(v);
  } else {
    // Values past the signed 64-bit range keep their low bits, as the
    // platform's unsigned-to-Int64 conversion does.
    type_ = VarType::Int64;
    v_.i_ = static_cast<std::int64_t>(v);
  }
}

Variant::Variant(unsigned long long v) noexcept : type_(VarType::Int64) { v_.i_ = static_cast<std::int64_t>(v); }

Variant::Variant(char v) : type_(VarType::String), s_(QString(QLatin1Char(v))) {}

Variant::Variant(QChar v) : type_(VarType::String), s_(QString(v)) {}

Variant::Variant(double v) noexcept : type_(VarType::Double) { v_.d_ = v; }

Variant::Variant(bool v) noexcept : type_(VarType::Boolean) { v_.b_ = v; }

Variant::Variant(const QString &v) : type_(VarType::String), s_(v) {}

Variant::Variant(const char *v) : type_(VarType::String), s_(v ? QString::fromUtf8(v) : QString()) {}

Variant::Variant(const QByteArray &v) : type_(VarType::Bytes), bytes_(v) {}

Variant::Variant(std::vector<Variant> items)
    : type_(VarType::Array), array_(std::make_shared<std::vector<Variant>>(std::move(items))) {}

Variant Variant::Null() {
  Variant v;
  v.type_ = VarType::Null;
  return v;
}

Variant Variant::FromCurrency(double v) {
  // The scaled value must fit the 64-bit store; beyond it the amount is
  // not representable as money at all.
  const double scaled = v * kCurrencyScale;
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18) RaiseOverflow(VarType::Double, VarType::Currency);
  return FromCurrencyRaw(static_cast<std::int64_t>(std::nearbyint(scaled)));
}

Variant Variant::FromCurrencyRaw(std::int64_t scaled) {
  Variant v;
  v.type_ = VarType::Currency;
  v.v_.i_ = scaled;
  return v;
}

Variant Variant::FromDate(TDateTime d) {
  Variant v;
  v.type_ = VarType::Date;
  v.v_.d_ = d;
  return v;
}

bool Variant::IsNumeric() const noexcept {
  switch (type_) {
    case VarType::Integer:
    case VarType::Int64:
    case VarType::Double:
    case VarType::Currency:
      return true;
    default:
      return false;
  }
}

std::int64_t Variant::AsInt64() const {
  switch (type_) {
    case VarType::Empty:
      return 0;
    case VarType::Integer:
    case VarType::Int64:
      return v_.i_;
    case VarType::Double:
    case VarType::Date:
      return RoundForVariant(v_.d_, type_, VarType::Int64);
    case VarType::Currency: {
      // Exact: halves to even on the scaled integer.
      const std::int64_t q = v_.i_ / 10000;
      const std::int64_t r = v_.i_ % 10000;
      if (r > 5000 || (r == 5000 && (q & 1))) return q + 1;
      if (r < -5000 || (r == -5000 && (q & 1))) return q - 1;
      return q;
    }
    case VarType::Boolean:
      return v_.b_ ? -1 : 0;
    case VarType::String: {
      std::int64_t i = 0;
      if (TryStrToInt64(s_, i)) return i;
      double d = 0;
      if (TryStrToFloat(s_, d)) return RoundForVariant(d, type_, VarType::Int64);
      RaiseConvert(type_, VarType::Int64);
    }
    default:
      RaiseConvert(type_, VarType::Int64);
  }
}

int Variant::AsInteger() const {
  VarType target = VarType::Integer;
  std::int64_t i = 0;
  try {
    i = AsInt64();
  } catch (const EVariantError &) {
    if (type_ == VarType::String || type_ == VarType::Null || type_ == VarType::Array || type_ == VarType::Bytes)
      RaiseConvert(type_, target);
    RaiseOverflow(type_, target);
  }
  if (i < std::numeric_limits<int>::min() || i > std::numeric_limits<int>::max()) RaiseOverflow(type_, target);
  return static_cast<int>(i);
}

double Variant::AsDouble() const {
  switch (type_) {
    case VarType::Empty:
      return 0;
    case VarType::Integer:
    case VarType::Int64:
      return static_cast<double>(v_.i_);
    case VarType::Double:
    case VarType::Date:
      return v_.d_;
    case VarType::Currency:
      return static_cast<double>(v_.i_) / kCurrencyScale;
    case VarType::Boolean:
      return v_.b_ ? -1 : 0;
    case VarType::String: {
      double d = 0;
      if (TryStrToFloat(s_, d)) return d;
      RaiseConvert(type_, VarType::Double);
    }
    default:
      RaiseConvert(type_, VarType::Double);
  }
}

std::int64_t Variant::AsCurrencyRaw() const {
  switch (type_) {
    case VarType::Currency:
      return v_.i_;
    case VarType::Integer:
    case VarType::Int64:
      if (v_.i_ > std::numeric_limits<std::int64_t>::max() / 10000 ||
          v_.i_ < std::numeric_limits<std::int64_t>::min() / 10000)
        RaiseOverflow(type_, VarType::Currency);
      return v_.i_ * 10000;
    case VarType::String: {
      double d = 0;
      if (!TryStrToFloat(s_, d)) RaiseConvert(type_, VarType::Currency);
      return FromCurrency(d).v_.i_;
    }
    case VarType::Null:
    case VarType::Array:
    case VarType::Bytes:
      RaiseConvert(type_, VarType::Currency);
    default: {
      const double d = AsDouble();
      const double scaled = d * kCurrencyScale;
      if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18) RaiseOverflow(type_, VarType::Currency);
      return static_cast<std::int64_t>(std::nearbyint(scaled));
    }
  }
}

double Variant::AsCurrency() const { return static_cast<double>(AsCurrencyRaw()) / kCurrencyScale; }

QString Variant::AsString() const {
  switch (type_) {
    case VarType::Empty:
      return QString();
    case VarType::Integer:
    case VarType::Int64:
      return IntToStr(v_.i_);
    case VarType::Double:
      return FloatToStr(v_.d_);
    case VarType::Currency:
      return CurrToStr(static_cast<double>(v_.i_) / kCurrencyScale);
    case VarType::Boolean:
      return v_.b_ ? QStringLiteral("True") : QStringLiteral("False");
    case VarType::String:
      return s_;
    case VarType::Date: {
      const double day = std::trunc(v_.d_);
      const bool has_time = v_.d_ != day;
      if (!has_time) return DateToStr(v_.d_);
      if (day == 0) return TimeToStr(v_.d_);
      return DateTimeToStr(v_.d_);
    }
    case VarType::Bytes:
      return QString::fromLatin1(bytes_);
    default:
      RaiseConvert(type_, VarType::String);
  }
}

bool Variant::AsBoolean() const {
  switch (type_) {
    case VarType::Empty:
      return false;
    case VarType::Integer:
    case VarType::Int64:
    case VarType::Currency:
      return v_.i_ != 0;
    case VarType::Double:
    case VarType::Date:
      return v_.d_ != 0;
    case VarType::Boolean:
      return v_.b_;
    case VarType::String: {
      bool b = false;
      if (TryStrToBool(s_, b)) return b;
      RaiseConvert(type_, VarType::Boolean);
    }
    default:
      RaiseConvert(type_, VarType::Boolean);
  }
}

TDateTime Variant::AsDateTime() const {
  switch (type_) {
    case VarType::Empty:
      return 0;
    case VarType::Integer:
    case VarType::Int64:
      return static_cast<double>(v_.i_);
    case VarType::Double:
    case VarType::Date:
      return v_.d_;
    case VarType::Currency:
      return static_cast<double>(v_.i_) / kCurrencyScale;
    case VarType::String: {
      TDateTime d = 0;
      if (TryStrToDateTime(s_, d)) return d;
      RaiseConvert(type_, VarType::Date);
    }
    default:
      RaiseConvert(type_, VarType::Date);
  }
}

QByteArray Variant::AsBytes() const {
  switch (type_) {
    case VarType::Empty:
      return QByteArray();
    case VarType::Bytes:
      return bytes_;
    case VarType::String:
      return s_.toLatin1();
    default:
      RaiseConvert(type_, VarType::Bytes);
  }
}

int Variant::ArrayCount() const { return type_ == VarType::Array && array_ ? static_cast<int>(array_->size()) : 0; }

const Variant &Variant::operator[](int index) const {
  if (type_ != VarType::Array || !array_) throw EVariantError(QStringLiteral("Variant is not an array"));
  if (index < 0 || index >= static_cast<int>(array_->size()))
    throw EVariantError(QStringLiteral("Variant or safe array index out of bounds"));
  return (*array_)[static_cast<std::size_t>(index)];
}

Variant &Variant::operator[](int index) {
  if (type_ != VarType::Array || !array_) throw EVariantError(QStringLiteral("Variant is not an array"));
  if (index < 0 || index >= static_cast<int>(array_->size()))
    throw EVariantError(QStringLiteral("Variant or safe array index out of bounds"));
  // Copies of a Variant share the items; writing must not reach the others.
  if (array_.use_count() > 1) array_ = std::make_shared<std::vector<Variant>>(*array_);
  return (*array_)[static_cast<std::size_t>(index)];
}

int Variant::Compare(const Variant &a, const Variant &b) {
  // Empty < Null < every value.
  auto rank = [](VarType t) { return t == VarType::Empty ? 0 : (t == VarType::Null ? 1 : 2); };
  const int ra = rank(a.type_), rb = rank(b.type_);
  if (ra != 2 || rb != 2) return Cmp(ra, rb);

  auto incomparable = [&]() -> int {
    throw EVariantError(QStringLiteral("Could not compare variant of type (%1) with type (%2)")
                            .arg(TypeName(a.type_), TypeName(b.type_)));
  };

  if (a.type_ == VarType::Array || b.type_ == VarType::Array) {
    if (a.type_ != b.type_) return incomparable();
    const int n = std::min(a.ArrayCount(), b.ArrayCount());
    for (int i = 0; i < n; ++i) {
      const int c = Compare(a[i], b[i]);
      if (c != 0) return c;
    }
    return Cmp(a.ArrayCount(), b.ArrayCount());
  }
  if (a.type_ == VarType::Bytes || b.type_ == VarType::Bytes) {
    if (a.type_ != b.type_) return incomparable();
    return Sign(static_cast<double>(a.bytes_.compare(b.bytes_)));
  }
  if (a.type_ == VarType::String && b.type_ == VarType::String)
    return Sign(static_cast<double>(QString::compare(a.s_, b.s_, Qt::CaseSensitive)));
  if (a.type_ == VarType::Boolean && b.type_ == VarType::Boolean)
    return Cmp(static_cast<int>(a.v_.b_), static_cast<int>(b.v_.b_));

  // A date against a text reads the text as a date.
  if (a.type_ == VarType::Date && b.type_ == VarType::String) return Sign(a.v_.d_ - b.AsDateTime());
  if (a.type_ == VarType::String && b.type_ == VarType::Date) return Sign(a.AsDateTime() - b.v_.d_);

  // Integers exactly, so that large 64-bit keys do not collapse.
  auto integral = [](const Variant &v) { return v.type_ == VarType::Integer || v.type_ == VarType::Int64; };
  if (integral(a) && integral(b)) return Cmp(a.v_.i_, b.v_.i_);
  if (a.type_ == VarType::Currency && b.type_ == VarType::Currency) return Cmp(a.v_.i_, b.v_.i_);

  // Everything else numerically (texts converted in the locale).
  return Sign(a.AsDouble() - b.AsDouble());
}

bool operator==(const Variant &a, const Variant &b) {
  if (a.IsEmptyOrNull() || b.IsEmptyOrNull()) return a.type_ == b.type_;
  try {
    return Variant::Compare(a, b) == 0;
  } catch (const EVariantError &) {
    // A text that is no number differs from every number.
    return false;
  }
}

QString Variant::TypeName(VarType t) {
  switch (t) {
    case VarType::Empty:
      return QStringLiteral("Empty");
    case VarType::Null:
      return QStringLiteral("Null");
    case VarType::Integer:
      return QStringLiteral("Integer");
    case VarType::Int64:
      return QStringLiteral("Int64");
    case VarType::Double:
      return QStringLiteral("Double");
    case VarType::Currency:
      return QStringLiteral("Currency");
    case VarType::String:
      return QStringLiteral("String");
    case VarType::Boolean:
      return QStringLiteral("Boolean");
    case VarType::Date:
      return QStringLiteral("Date");
    case VarType::Array:
      return QStringLiteral("Array");
    case VarType::Bytes:
      return QStringLiteral("Bytes");
  }
  return QStringLiteral("Unknown");
}

Variant VarArrayOf(std::initializer_list<Variant> items) { return Variant(std::vector<Variant>(items)); }

QString VarToStr(const Variant &v) { return v.IsEmptyOrNull() ? QString() : v.AsString(); }

}  // namespace rtl
