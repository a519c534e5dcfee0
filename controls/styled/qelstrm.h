// Binary storage shared by the styled library's containers and sounds: the
// small LZ77 block compressor (LZRW1-KH) and the chunked compressed stream
// built on it, device-independent bitmap file images at a chosen depth, and
// the stored forms of string lists, bitmaps and short strings that item
// records (qelcont.h) and waves (qelwave.h) are written with.
//
// The block format is fixed: files and form data written by earlier builds
// must read back byte for byte, so the compressor follows it exactly (the
// hash, the item order, the stored fallback). Readers take any bytes: a
// damaged block or stream raises EQELDamagedData (an EReadError) and never
// writes outside its buffers or allocates by a length it has not checked.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "platform/rtl/classes.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/graphics.h"

namespace qel {

using rtl::EReadError;
using rtl::Exception;
ORBISCA_EXCEPTION(EQELDamagedData, EReadError)
// The compressor could not get its working memory ("LZRW Error!").
ORBISCA_EXCEPTION(EQELCompressError, Exception)

// Input bytes per chunk of a compressed stream, and the largest block a
// reader accepts (a chunk that does not compress, stored with its flag).
inline constexpr int kLZRWChunkSize = 32781;
inline constexpr int kLZRWMaxBlock = kLZRWChunkSize + 1;
// The most a single block can expand to: blocks are made from at most
// 65535 input bytes.
inline constexpr int kLZRWMaxOutput = 65535;

// Compresses `length` bytes (0..65535) of `source` into `dest`, which must
// hold length + 6 bytes. Returns the stored length (length + 1 when the
// data does not compress and is stored as it is).
int LZRWCompress(const std::uint8_t *source, std::uint8_t *dest, int length);
// Expands a block of `stored_length` bytes into `dest` of `capacity` bytes
// and returns the expanded length. A block that is cut short, refers before
// the start of its output or expands past `capacity` raises
// EQELDamagedData.
int LZRWDecompress(const std::uint8_t *source, std::uint8_t *dest, int stored_length, int capacity = kLZRWMaxOutput);

// Writes `length` bytes of `source` from its position as a chunked
// compressed stream at `dest`'s position: an int32 total, then per chunk an
// int32 stored length and the block; the total is the sum of (length + 4).
void CompressStream(rtl::TStream *source, rtl::TStream *dest, qint64 length);
// Reads one chunked compressed stream from `source` and appends what it
// expands to at `dest`'s position.
void DecompressStream(rtl::TStream *source, rtl::TStream *dest);
// The same for byte arrays.
QByteArray CompressBytes(const QByteArray &data);
QByteArray DecompressBytes(const QByteArray &data);

// --- values ------------------------------------------------------------------

void WriteInteger(rtl::TStream *stream, std::int32_t value);
std::int32_t ReadInteger(rtl::TStream *stream);
void WriteByte(rtl::TStream *stream, std::uint8_t value);
std::uint8_t ReadByte(rtl::TStream *stream);
// One length byte and up to 255 Windows-1252 characters.
void WriteShortStr(rtl::TStream *stream, const QString &text);
QString ReadShortStr(rtl::TStream *stream);

// A data block in the stored form: compressed as a chunked stream, or an
// int32 length followed by the bytes.
void WriteBlock(rtl::TStream *stream, const QByteArray &data, bool compressed);
QByteArray ReadBlock(rtl::TStream *stream, bool compressed);

// The list's own text (lines ended by CR LF, Windows-1252) as a block.
void WriteStrings(rtl::TStream *stream, const rtl::TStrings *strings, bool compressed);
// Replaces the lines of `strings`.
void ReadStrings(rtl::TStream *stream, rtl::TStrings *strings, bool compressed);

// --- bitmaps -------------------------------------------------------------------

// The depth a stored bitmap is written at, as a colour count: -1 the
// bitmap's own format (its bitmap file), 2, 16 or 256 a DIB file image of
// 1, 4 or 8 bits.
int ColorCountOf(vcl::TPixelFormat format);

// A bitmap file image ("BM" header, 40-byte info header, a full colour
// table, bottom-up rows) of `bitmap` at `color_count` colours (0: the
// bitmap's own depth, 16 and 32 bits written as 24). A monochrome bitmap is
// always written at 1 bit. An empty bitmap raises EInvalidGraphic "Bitmap
// image is not valid". With `size_prefix` the image is preceded by its
// length as an int32.
QByteArray BitmapToDIBImage(const vcl::TBitmap *bitmap, int color_count, bool size_prefix = false);

// A stored bitmap: at colour count -1 the bitmap file, else the DIB file
// image, as a block (see WriteBlock).
void WriteBitmap(rtl::TStream *stream, const vcl::TBitmap *bitmap, int color_count, bool compressed);
// Reads a stored bitmap into `bitmap`; damaged data raises and leaves the
// bitmap as it was.
void ReadBitmap(rtl::TStream *stream, vcl::TBitmap *bitmap, bool compressed);

}  // namespace qel
