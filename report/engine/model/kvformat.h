// The format word of a memo: how the value of a bracket is turned into
// text. Bits 0-7 hold the decimal separator, 8-15 the number of decimals,
// 16-23 the sub-format and 24-27 the kind of value. The designer edits it,
// the template stores it and the value formatting (vars/kvfunc.cpp) reads
// it.
#pragma once

#include <cstdint>

namespace report {

// The kinds of value a format word formats.
enum TkvFormatKind : int { fkText = 0, fkNumber = 1, fkDate = 2, fkTime = 3, fkBoolean = 4 };

// The sub-format that takes the memo's own format text (numbers, dates and
// times).
inline constexpr int kvCustomSubFormat = 4;

inline constexpr std::int32_t KvFormatWord(int kind, int sub_format, int decimals, char16_t separator) {
  return (kind & 0x0F) << 24 | (sub_format & 0xFF) << 16 | (decimals & 0xFF) << 8 | (separator & 0xFF);
}
inline constexpr int KvFormatKindOf(std::int32_t format) { return (format >> 24) & 0x0F; }
inline constexpr int KvSubFormatOf(std::int32_t format) { return (format >> 16) & 0xFF; }
inline constexpr int KvDecimalsOf(std::int32_t format) { return (format >> 8) & 0xFF; }
inline constexpr char16_t KvSeparatorOf(std::int32_t format) { return static_cast<char16_t>(format & 0xFF); }

}  // namespace report
