// The paper table of the report engine (the device-mode papers with their
// Italian names and portrait sizes) and the page geometry a printer gives
// for a paper. Template pages lay out by them; the printer settings
// (kvprntr.h) fill them from the printer.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace report {

// One row of the paper table; sizes in tenths of a millimetre, portrait.
struct TPaperSizeRow {
  int Code = 0;
  QString Name;
  int Width = 0;
  int Height = 0;
};

inline constexpr int kvPaperCount = 67;
inline constexpr int kvCustomPaper = 256;
inline constexpr int kvMaxPaperCodes = 256;

// The device-mode papers 1 to 66 in code order, then the custom size 256.
const std::array<TPaperSizeRow, kvPaperCount> &PaperSizes();
// The Italian paper names: entry 0 is the custom size, entry n paper code n.
QString PaperName(int index);

// The page of the current printer and paper. Stored with every finished
// page as twelve 32-bit integers in this order.
struct TPageGeometry {
  std::int32_t PhysWidth = 0;  // device pixels
  std::int32_t PhysHeight = 0;
  std::int32_t PhysWidth96 = 0;  // at 96 pixels per inch
  std::int32_t PhysHeight96 = 0;
  std::int32_t OffsetLeft = 0;  // unprintable border, device pixels
  std::int32_t OffsetTop = 0;
  std::int32_t OffsetLeft96 = 0;
  std::int32_t OffsetTop96 = 0;
  std::int32_t PrintWidth = 0;  // printable area, device pixels
  std::int32_t PrintHeight = 0;
  std::int32_t PrintWidth96 = 0;
  std::int32_t PrintHeight96 = 0;
  bool operator==(const TPageGeometry &) const = default;
};

}  // namespace report
