// Internal to the graphics unit: the device-independent bitmap reader and
// writer shared by bitmap files, icon files and the clipboard.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QVector>

#include "platform/vcl/graphics.h"

namespace vcl::codec {

// Largest side and pixel count a picture may claim; larger headers are
// taken for damage rather than allocated.
inline constexpr int kMaxSide = 1 << 15;
inline constexpr qint64 kMaxPixels = qint64(1) << 25;

struct DibResult {
  QImage image;           // RGB32, or ARGB32 for icon images
  QImage and_mask;        // icons: white (0xFFFFFFFF) where transparent
  QVector<QRgb> palette;  // for 1, 4 and 8 bits
  int bit_count = 0;
  bool mask_565 = false;   // 16 bits with the 5-6-5 layout
  bool has_alpha = false;  // 32-bit icon image with a real alpha channel
  qint64 end = 0;          // offset just after the last byte used
};

// Decodes a DIB whose info header starts at `header_pos`. `pixel_pos` < 0:
// the pixels follow the header and colour table. `icon`: the height holds
// the colour image and its AND mask, which follows the pixels. Damaged data
// raises EInvalidGraphic with `error_text`.
DibResult DecodeDib(const QByteArray &data, qint64 header_pos, qint64 pixel_pos, bool icon, const QString &error_text);

// Encodes an RGB32 image as a DIB (info header, colour table, pixels) of the
// given depth. `palette_hint` is used for 1, 4 and 8 bits when it holds
// every colour of the image. `and_mask` (icons) is appended when not null,
// and the header's height is doubled.
QByteArray EncodeDib(const QImage &image, TPixelFormat format, const QVector<QRgb> &palette_hint,
                     const QImage *and_mask = nullptr);

}  // namespace vcl::codec
