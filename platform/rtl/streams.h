// Byte streams: the abstract TStream with the platform's Read/Write/Seek
// contract, the raising ReadBuffer/WriteBuffer pair, and the little-endian
// helpers every binary format of the program is written with (templates,
// finished reports, containers, undo snapshots); TMemoryStream,
// TFileStream and TStringStream. Text inside binary formats is
// Windows-1252 (see cp1252.h).
//
// Reading damaged data never allocates more than the stream holds: a
// counted string or byte block longer than what remains raises EReadError
// before anything is allocated.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"

namespace rtl {

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// File modes of TFileStream: one access mode, or fmCreate, combined with a
// share mode (share modes are accepted and not enforced on this system).
constexpr unsigned fmOpenRead = 0x0000;
constexpr unsigned fmOpenWrite = 0x0001;
constexpr unsigned fmOpenReadWrite = 0x0002;
constexpr unsigned fmShareCompat = 0x0000;
constexpr unsigned fmShareExclusive = 0x0010;
constexpr unsigned fmShareDenyWrite = 0x0020;
constexpr unsigned fmShareDenyRead = 0x0030;
constexpr unsigned fmShareDenyNone = 0x0040;
constexpr unsigned fmCreate = 0xFF00;

class TStream : public TObject {
  ORBISCA_CLASS(TStream, TObject)

 public:
  // Copies up to `count` bytes; returns how many were copied (fewer at the
  // end of the stream, 0 for a negative count).
  virtual qint64 Read(void *buffer, qint64 count) = 0;
  virtual qint64 Write(const void *buffer, qint64 count) = 0;
  // Moves the position and returns the new one.
  virtual qint64 Seek(qint64 offset, TSeekOrigin origin) = 0;

  virtual qint64 Position() const;
  void SetPosition(qint64 position) { Seek(position, soBeginning); }
  virtual qint64 Size() const;
  virtual void SetSize(qint64 size);
  // Bytes from the position to the end (0 when the position is past it).
  qint64 Remaining() const;

  // Exactly `count` bytes or EReadError "Stream read error" /
  // EWriteError "Stream write error".
  void ReadBuffer(void *buffer, qint64 count);
  void WriteBuffer(const void *buffer, qint64 count);
  // Copies `count` bytes from `source` at its position; a count of 0
  // copies the whole source from its beginning. Returns the count copied.
  qint64 CopyFrom(TStream *source, qint64 count);

  // Little-endian primitives. Reads raise EReadError at the end of data.
  std::int8_t ReadInt8();
  std::uint8_t ReadUInt8();
  std::int16_t ReadInt16();
  std::uint16_t ReadUInt16();
  std::int32_t ReadInt32();
  std::uint32_t ReadUInt32();
  std::int64_t ReadInt64();
  std::uint64_t ReadUInt64();
  float ReadSingle();
  double ReadDouble();
  bool ReadBool();  // one byte, any non-zero value is true
  // One length byte and that many Windows-1252 characters.
  QString ReadShortString();
  // A 32-bit length and that many Windows-1252 characters.
  QString ReadCountedString();
  // `count` raw bytes; EReadError when fewer remain or count is negative.
  QByteArray ReadBytes(qint64 count);

  void WriteInt8(std::int8_t v);
  void WriteUInt8(std::uint8_t v);
  void WriteInt16(std::int16_t v);
  void WriteUInt16(std::uint16_t v);
  void WriteInt32(std::int32_t v);
  void WriteUInt32(std::uint32_t v);
  void WriteInt64(std::int64_t v);
  void WriteUInt64(std::uint64_t v);
  void WriteSingle(float v);
  void WriteDouble(double v);
  void WriteBool(bool v);  // 1 or 0
  // Texts longer than 255 bytes are cut to 255.
  void WriteShortString(const QString &s);
  void WriteCountedString(const QString &s);
  void WriteBytes(const QByteArray &bytes);
};

// A stream over a growable block of memory. Writing past the end grows it;
// seeking past the end is allowed and a later write fills the gap with
// zeros. The size is limited to 2 GB - 1: a write beyond fails
// (WriteBuffer raises EWriteError), SetSize beyond raises EOutOfMemory.
class TMemoryStream : public TStream {
  ORBISCA_CLASS(TMemoryStream, TStream)

 public:
  TMemoryStream() = default;

  qint64 Read(void *buffer, qint64 count) override;
  qint64 Write(const void *buffer, qint64 count) override;
  qint64 Seek(qint64 offset, TSeekOrigin origin) override;
  qint64 Position() const override { return position_; }
  qint64 Size() const override { return data_.size(); }
  // Growing fills with zeros; the position stays where it was (the next
  // read at a position past the end reads nothing).
  void SetSize(qint64 size) override;

  void Clear();
  const char *Memory() const { return data_.constData(); }
  char *Memory() { return data_.data(); }
  const QByteArray &Bytes() const { return data_; }
  // Replaces the content and puts the position at 0.
  void SetBytes(const QByteArray &bytes);

  // The whole of `stream` from its beginning; position 0 afterwards.
  void LoadFromStream(TStream *stream);
  void SaveToStream(TStream *stream) const;
  void LoadFromFile(const QString &file_name);
  void SaveToFile(const QString &file_name) const;

 private:
  void Grow(qint64 size);
  QByteArray data_;
  qint64 position_ = 0;
};

// A stream on a file. Opening failures raise EFOpenError ("Cannot open
// file "x". reason"), creation failures EFCreateError ("Cannot create file
// "x". reason").
class TFileStream : public TStream {
  ORBISCA_CLASS(TFileStream, TStream)

 public:
  TFileStream(const QString &file_name, unsigned mode);
  ~TFileStream() override;

  qint64 Read(void *buffer, qint64 count) override;
  qint64 Write(const void *buffer, qint64 count) override;
  qint64 Seek(qint64 offset, TSeekOrigin origin) override;
  qint64 Position() const override;
  qint64 Size() const override;
  void SetSize(qint64 size) override;

  const QString &FileName() const { return file_name_; }
  int Handle() const { return fd_; }

 private:
  QString file_name_;
  int fd_ = -1;
};

// A memory stream made from and read back as text (Windows-1252).
class TStringStream : public TMemoryStream {
  ORBISCA_CLASS(TStringStream, TMemoryStream)

 public:
  explicit TStringStream(const QString &text = QString());
  QString DataString() const;
  // Up to `count` characters from the position.
  QString ReadString(qint64 count);
  void WriteString(const QString &text);
};

}  // namespace rtl
