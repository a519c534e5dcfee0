// Rounding and integer arithmetic as the run-time does it. `Round` rounds
// halves to the even neighbour (2.5 -> 2, 3.5 -> 4), which the money
// conversions and the report engine rely on; `SimpleRoundTo` is the one
// that rounds halves away from zero.
#pragma once

#include <cstdint>

namespace rtl {

// Nearest integer, halves to even. Raises EInvalidOp ("Invalid floating
// point operation") for NaN, infinities and values out of the 64-bit range.
std::int64_t Round(double value);
// Towards zero; same errors as Round.
std::int64_t Trunc(double value);
// Ceil / Floor to integers.
std::int64_t Ceil(double value);
std::int64_t Floor(double value);
// The fractional part (sign of value) and the integer part as a double.
double Frac(double value);
double Int(double value);

// a * b / c computed in 64 bits, rounded to nearest (halves away from zero);
// -1 when c is 0.
int MulDiv(int a, int b, int c);

// RoundTo(v, d): rounds to 10^d (d = -2 gives two decimals), halves to even.
// SimpleRoundTo: the same with halves away from zero. Both read the value
// in its 15-digit decimal form (1.005 is a half). Digits outside -37..37
// raise ERangeError.
double RoundTo(double value, int digits);
double SimpleRoundTo(double value, int digits = -2);

// Comparisons within a tolerance (0 chooses one from the magnitudes).
bool SameValue(double a, double b, double epsilon = 0);
bool IsZero(double value, double epsilon = 0);

// Integer power of ten as a double (exact for 0..22).
double Power10(int exponent);

}  // namespace rtl
