// What the metafile's recorder, player and reader share, private to them:
// the record constants (handles, stock objects, the reference device; the
// raster operations are the canvas's cm* values) and the mapping between Qt's drawing state and the
// records' values (colours, pens, hatches, raster operations).
#pragma once

#include <QBrush>
#include <QColor>
#include <QPainter>
#include <QPen>
#include <QString>
#include <cstdint>

#include "platform/vcl/canvas.h"

namespace vcl::emf {

inline constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
inline constexpr std::uint32_t kHeaderSize = 108;
inline constexpr int kHandleCount = 4;  // 0 reserved, then pen, brush, font
inline constexpr std::uint32_t kPenHandle = 1;
inline constexpr std::uint32_t kBrushHandle = 2;
inline constexpr std::uint32_t kFontHandle = 3;
inline constexpr std::uint32_t kStock = 0x80000000u;
inline constexpr std::uint32_t kWhiteBrush = kStock | 0;
inline constexpr std::uint32_t kBlackBrush = kStock | 4;
inline constexpr std::uint32_t kNullBrush = kStock | 5;
inline constexpr std::uint32_t kWhitePen = kStock | 6;
inline constexpr std::uint32_t kBlackPen = kStock | 7;
inline constexpr std::uint32_t kNullPen = kStock | 8;
inline constexpr std::uint32_t kSystemFont = kStock | 13;

inline constexpr std::uint32_t kPsGeometric = 0x10000;

// 96 pixels per inch on a reference device of 9600 pixels = 2540 mm.
inline constexpr int kRefPixels = 9600;
inline constexpr int kRefMillimetres = 2540;

// Raises EInvalidGraphic "Damaged metafile: <what>".
[[noreturn]] void Damaged(const QString &what);

// COLORREF (0x00BBGGRR) of a colour, and back.
std::uint32_t ColorRef(const QColor &c);
QColor FromColorRef(std::uint32_t c);

// Pen style bits and width of a QPen, and the pen they describe.
std::uint32_t PenStyleBits(const QPen &p);
int PenWidth(const QPen &p);
QPen PenFromBits(std::uint32_t style, int width, std::uint32_t color);

// The hatch index of a brush style (-1 for none), and back.
int HatchOf(Qt::BrushStyle s);
Qt::BrushStyle HatchStyle(std::uint32_t hatch);
// Brushes the records can name; the others are drawn as images.
bool PlainBrush(const QBrush &b);

// The raster operation of a composition mode, and back.
std::uint32_t RopOf(QPainter::CompositionMode m);
QPainter::CompositionMode ModeOfRop(std::uint32_t rop);

inline int Sign(int v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

}  // namespace vcl::emf
