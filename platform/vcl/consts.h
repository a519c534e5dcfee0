// Constants and small value types shared by the component library's units:
// the modal results that buttons, forms and message dialogs hand back, and
// the little set template that stands in for the platform's `set of`
// enumerations (font styles, dialog buttons, dialog options...).
#pragma once

#include <cstdint>
#include <initializer_list>

namespace vcl {

// Result of a modal form or dialog. The numbers are part of the contract:
// the application compares with 6 (Yes) and the designer's editors close
// with 1 (OK) and 2 (Cancel).
using TModalResult = int;

inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;

// A set of up to 64 values of an enumeration whose values are 0..63.
// `TEnumSet<TFontStyle>{fsBold, fsItalic}`; `s.Contains(fsBold)`;
// `s + fsUnderline`, `s - fsBold`, `a * b` (intersection).
template <typename E>
class TEnumSet {
 public:
  constexpr TEnumSet() = default;
  constexpr TEnumSet(std::initializer_list<E> items) {
    for (E e : items) bits_ |= Bit(e);
  }
  static constexpr TEnumSet FromBits(std::uint64_t bits) {
    TEnumSet s;
    s.bits_ = bits;
    return s;
  }

  constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr std::uint64_t Bits() const { return bits_; }
  constexpr TEnumSet &Include(E e) {
    bits_ |= Bit(e);
    return *this;
  }
  constexpr TEnumSet &Exclude(E e) {
    bits_ &= ~Bit(e);
    return *this;
  }

  constexpr TEnumSet operator+(TEnumSet o) const { return FromBits(bits_ | o.bits_); }
  constexpr TEnumSet operator+(E e) const { return FromBits(bits_ | Bit(e)); }
  constexpr TEnumSet operator-(TEnumSet o) const { return FromBits(bits_ & ~o.bits_); }
  constexpr TEnumSet operator-(E e) const { return FromBits(bits_ & ~Bit(e)); }
  constexpr TEnumSet operator*(TEnumSet o) const { return FromBits(bits_ & o.bits_); }
  constexpr bool operator==(const TEnumSet &o) const = default;

 private:
  static constexpr std::uint64_t Bit(E e) { return std::uint64_t{1} << static_cast<unsigned>(e); }
  std::uint64_t bits_ = 0;
};

}  // namespace vcl
