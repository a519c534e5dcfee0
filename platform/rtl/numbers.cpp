// Rounding with the run-time's rules. The decimal rounding helpers work on
// the value's shortest 15-digit decimal form, so that amounts typed as
// 1,005 round as the user sees them and not as their binary neighbour.
#include "platform/rtl/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/rtl/exceptions.h"

namespace rtl {

namespace {

[[noreturn]] void RaiseInvalidOp() { throw EInvalidOp(QStringLiteral("Invalid floating point operation")); }

void CheckInt64(double v) {
  if (!std::isfinite(v) || v >= 9223372036854775808.0 || v < -9223372036854775808.0) RaiseInvalidOp();
}

// Halves to even, on doubles (no range limit).
double RoundHalfEven(double v) {
  const double f = std::floor(v);
  const double diff = v - f;
  if (diff > 0.5) return f + 1;
  if (diff < 0.5) return f;
  return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

// The value scaled by 10^-digits, corrected to its 15-significant-digit
// decimal form, so that 1.005 * 100 is 100.5 and not 100.49999999999999.
double ScaledDecimal(double value, int digits) {
  double scaled = digits < 0 ? value * Power10(-digits) : value / Power10(digits);
  if (!std::isfinite(scaled) || scaled == 0) return scaled;
  const int mag = static_cast<int>(std::floor(std::log10(std::fabs(scaled))));
  if (mag >= 15) return scaled;
  const double unit = Power10(14 - mag);  // keeps 15 significant digits
  const double snapped = std::nearbyint(scaled * unit) / unit;
  return std::isfinite(snapped) ? snapped : scaled;
}

}  // namespace

double Power10(int exponent) {
  static const double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                  1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (exponent >= 0 && exponent <= 22) return kExact[exponent];
  if (exponent < 0 && exponent >= -22) return 1.0 / kExact[-exponent];
  return std::pow(10.0, exponent);
}

std::int64_t Round(double value) {
  CheckInt64(value);
  const double r = RoundHalfEven(value);
  CheckInt64(r);
  return static_cast<std::int64_t>(r);
}

std::int64_t Trunc(double value) {
  CheckInt64(value);
  return static_cast<std::int64_t>(std::trunc(value));
}

std::int64_t Ceil(double value) {
  CheckInt64(value);
  const double r = std::ceil(value);
  CheckInt64(r);
  return static_cast<std::int64_t>(r);
}

std::int64_t Floor(double value) {
  CheckInt64(value);
  return static_cast<std::int64_t>(std::floor(value));
}

double Frac(double value) { return value - std::trunc(value); }

double Int(double value) { return std::trunc(value); }

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const std::int64_t p = static_cast<std::int64_t>(a) * b;
  std::int64_t q = p / c;
  const std::int64_t r = p % c;
  // Round half away from zero: compare twice the remainder with the divisor.
  if (std::llabs(r) * 2 >= std::llabs(static_cast<std::int64_t>(c))) {
    q += ((p < 0) != (c < 0)) ? -1 : 1;
  }
  if (q > std::numeric_limits<int>::max() || q < std::numeric_limits<int>::min()) return -1;
  return static_cast<int>(q);
}

double RoundTo(double value, int digits) {
  if (digits < -37 || digits > 37) throw ERangeError(QStringLiteral("Digits out of range: %1").arg(digits));
  const double r = RoundHalfEven(ScaledDecimal(value, digits));
  return digits < 0 ? r / Power10(-digits) : r * Power10(digits);
}

double SimpleRoundTo(double value, int digits) {
  if (digits < -37 || digits > 37) throw ERangeError(QStringLiteral("Digits out of range: %1").arg(digits));
  const double s = ScaledDecimal(value, digits);
  const double r = s < 0 ? -std::floor(-s + 0.5) : std::floor(s + 0.5);
  return digits < 0 ? r / Power10(-digits) : r * Power10(digits);
}

bool SameValue(double a, double b, double epsilon) {
  if (epsilon == 0) {
    epsilon = std::max(std::min(std::fabs(a), std::fabs(b)) * 1e-12, 1e-12);
  }
  if (a > b) return a - b <= epsilon;
  return b - a <= epsilon;
}

bool IsZero(double value, double epsilon) {
  if (epsilon == 0) epsilon = 1e-12;
  return std::fabs(value) <= epsilon;
}

}  // namespace rtl
