// Streams. Integers and floats are written byte by byte in little-endian
// order, so the files are the same on any host.
#include "platform/rtl/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "platform/rtl/cp1252.h"

namespace rtl {
namespace {

// The platform's memory streams were limited to 32-bit sizes; keeping the
// limit turns a wild position into an error instead of a huge allocation.
constexpr qint64 kMaxMemoryStream = 0x7FFFFFFF;

const QString kReadError = QStringLiteral("Stream read error");
const QString kWriteError = QStringLiteral("Stream write error");

template <typename T>
T LoadLE(const unsigned char *p) {
  std::uint64_t v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v |= std::uint64_t(p[i]) << (8 * i);
  return static_cast<T>(v);
}

template <typename T>
void StoreLE(unsigned char *p, T value) {
  const auto v = static_cast<std::uint64_t>(value);
  for (size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

template <typename T>
T ReadLE(TStream &s) {
  unsigned char b[sizeof(T)];
  s.ReadBuffer(b, sizeof(T));
  return LoadLE<T>(b);
}

template <typename T>
void WriteLE(TStream &s, T v) {
  unsigned char b[sizeof(T)];
  StoreLE<T>(b, v);
  s.WriteBuffer(b, sizeof(T));
}

QString OsReason(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

}  // namespace

// ---- TStream ------------------------------------------------------------------

qint64 TStream::Position() const { return const_cast<TStream *>(this)->Seek(0, soCurrent); }

qint64 TStream::Size() const {
  auto *self = const_cast<TStream *>(this);
  const qint64 pos = self->Seek(0, soCurrent);
  const qint64 size = self->Seek(0, soEnd);
  self->Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(qint64) {}

qint64 TStream::Remaining() const {
  const qint64 pos = Position();
  if (pos < 0) return 0;  // nothing is read before the start
  const qint64 r = Size() - pos;
  return r > 0 ? r : 0;
}

void TStream::ReadBuffer(void *buffer, qint64 count) {
  if (count < 0 || (count != 0 && Read(buffer, count) != count)) throw EReadError(kReadError);
}

void TStream::WriteBuffer(const void *buffer, qint64 count) {
  if (count < 0 || (count != 0 && Write(buffer, count) != count)) throw EWriteError(kWriteError);
}

qint64 TStream::CopyFrom(TStream *source, qint64 count) {
  if (source == nullptr) return 0;
  if (count == 0) {
    source->SetPosition(0);
    count = source->Size();
  }
  // Checked before copying so that a wrong count never writes half a block.
  if (count < 0 || count > source->Remaining()) throw EReadError(kReadError);
  constexpr qint64 kChunk = 64 * 1024;
  QByteArray buf(static_cast<qsizetype>(std::min(count, kChunk)), Qt::Uninitialized);
  qint64 left = count;
  while (left > 0) {
    const qint64 n = std::min(left, kChunk);
    source->ReadBuffer(buf.data(), n);
    WriteBuffer(buf.constData(), n);
    left -= n;
  }
  return count;
}

std::int8_t TStream::ReadInt8() { return ReadLE<std::int8_t>(*this); }
std::uint8_t TStream::ReadUInt8() { return ReadLE<std::uint8_t>(*this); }
std::int16_t TStream::ReadInt16() { return ReadLE<std::int16_t>(*this); }
std::uint16_t TStream::ReadUInt16() { return ReadLE<std::uint16_t>(*this); }
std::int32_t TStream::ReadInt32() { return ReadLE<std::int32_t>(*this); }
std::uint32_t TStream::ReadUInt32() { return ReadLE<std::uint32_t>(*this); }
std::int64_t TStream::ReadInt64() { return ReadLE<std::int64_t>(*this); }
std::uint64_t TStream::ReadUInt64() { return ReadLE<std::uint64_t>(*this); }

float TStream::ReadSingle() {
  const std::uint32_t bits = ReadUInt32();
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

double TStream::ReadDouble() {
  const std::uint64_t bits = ReadUInt64();
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

bool TStream::ReadBool() { return ReadUInt8() != 0; }

QString TStream::ReadShortString() {
  const int len = ReadUInt8();
  char buf[255];
  ReadBuffer(buf, len);
  return FromCp1252(buf, len);
}

QByteArray TStream::ReadBytes(qint64 count) {
  if (count < 0 || count > Remaining()) throw EReadError(kReadError);
  QByteArray out(static_cast<qsizetype>(count), Qt::Uninitialized);
  ReadBuffer(out.data(), count);
  return out;
}

QString TStream::ReadCountedString() {
  const std::int32_t len = ReadInt32();
  return FromCp1252(ReadBytes(len));
}

void TStream::WriteInt8(std::int8_t v) { WriteLE(*this, v); }
void TStream::WriteUInt8(std::uint8_t v) { WriteLE(*this, v); }
void TStream::WriteInt16(std::int16_t v) { WriteLE(*this, v); }
void TStream::WriteUInt16(std::uint16_t v) { WriteLE(*this, v); }
void TStream::WriteInt32(std::int32_t v) { WriteLE(*this, v); }
void TStream::WriteUInt32(std::uint32_t v) { WriteLE(*this, v); }
void TStream::WriteInt64(std::int64_t v) { WriteLE(*this, v); }
void TStream::WriteUInt64(std::uint64_t v) { WriteLE(*this, v); }

void TStream::WriteSingle(float v) {
  std::uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  WriteUInt32(bits);
}

void TStream::WriteDouble(double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  WriteUInt64(bits);
}

void TStream::WriteBool(bool v) { WriteUInt8(v ? 1 : 0); }

void TStream::WriteShortString(const QString &s) {
  QByteArray bytes = ToCp1252(s);
  if (bytes.size() > 255) bytes.truncate(255);
  WriteUInt8(static_cast<std::uint8_t>(bytes.size()));
  WriteBuffer(bytes.constData(), bytes.size());
}

void TStream::WriteCountedString(const QString &s) {
  const QByteArray bytes = ToCp1252(s);
  WriteInt32(static_cast<std::int32_t>(bytes.size()));
  WriteBuffer(bytes.constData(), bytes.size());
}

void TStream::WriteBytes(const QByteArray &bytes) { WriteBuffer(bytes.constData(), bytes.size()); }

// ---- TMemoryStream --------------------------------------------------------------

void TMemoryStream::Grow(qint64 size) {
  if (size > kMaxMemoryStream) throw EOutOfMemory(QStringLiteral("Out of memory"));
  try {
    data_.resize(static_cast<qsizetype>(size), '\0');
  } catch (const std::bad_alloc &) {
    throw EOutOfMemory(QStringLiteral("Out of memory"));
  }
}

qint64 TMemoryStream::Read(void *buffer, qint64 count) {
  if (count <= 0 || position_ < 0 || position_ >= data_.size()) return 0;
  const qint64 n = std::min(count, data_.size() - position_);
  std::memcpy(buffer, data_.constData() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

qint64 TMemoryStream::Write(const void *buffer, qint64 count) {
  if (count <= 0 || position_ < 0) return 0;
  // A write far past the end would first zero-fill the gap; a position
  // read from damaged data must not make that gigabytes.
  if (count > kMaxMemoryStream - position_) return 0;
  const qint64 end = position_ + count;
  if (end > data_.size()) Grow(end);
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

qint64 TMemoryStream::Seek(qint64 offset, TSeekOrigin origin) {
  // Offsets read from damaged data can be anything: the position saturates
  // at the ends of the 64-bit range instead of wrapping round to a valid one.
  const qint64 base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : data_.size();
  if (__builtin_add_overflow(base, offset, &position_))
    position_ = offset > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
  return position_;
}

void TMemoryStream::SetSize(qint64 size) {
  if (size < 0) size = 0;
  Grow(size);
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

void TMemoryStream::SetBytes(const QByteArray &bytes) {
  data_ = bytes;
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream *stream) {
  if (stream == nullptr) return;
  stream->SetPosition(0);
  const qint64 size = stream->Size();
  SetSize(size);
  if (size > 0) stream->ReadBuffer(data_.data(), size);
  position_ = 0;
}

void TMemoryStream::SaveToStream(TStream *stream) const {
  if (stream != nullptr && !data_.isEmpty()) stream->WriteBuffer(data_.constData(), data_.size());
}

void TMemoryStream::LoadFromFile(const QString &file_name) {
  TFileStream f(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f);
}

void TMemoryStream::SaveToFile(const QString &file_name) const {
  TFileStream f(file_name, fmCreate);
  SaveToStream(&f);
}

// ---- TFileStream ------------------------------------------------------------------

TFileStream::TFileStream(const QString &file_name, unsigned mode) : file_name_(file_name) {
  const QByteArray path = QFile::encodeName(file_name);
  if ((mode & fmCreate) == fmCreate) {
    fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
      throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(file_name, OsReason(errno)));
    }
    return;
  }
  int flags = O_RDONLY;
  if ((mode & 3) == fmOpenWrite) flags = O_WRONLY;
  if ((mode & 3) == fmOpenReadWrite) flags = O_RDWR;
  fd_ = ::open(path.constData(), flags | O_CLOEXEC);
  int err = errno;
  if (fd_ >= 0) {
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd_);
      fd_ = -1;
      err = EISDIR;
    }
  }
  if (fd_ < 0) {
    throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(file_name, OsReason(err)));
  }
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

qint64 TFileStream::Read(void *buffer, qint64 count) {
  if (count <= 0) return 0;
  auto *p = static_cast<char *>(buffer);
  qint64 done = 0;
  while (done < count) {
    const ssize_t n = ::read(fd_, p + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

qint64 TFileStream::Write(const void *buffer, qint64 count) {
  if (count <= 0) return 0;
  const auto *p = static_cast<const char *>(buffer);
  qint64 done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd_, p + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

qint64 TFileStream::Seek(qint64 offset, TSeekOrigin origin) {
  const int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  const off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  return r < 0 ? -1 : static_cast<qint64>(r);
}

qint64 TFileStream::Position() const {
  const off_t r = ::lseek(fd_, 0, SEEK_CUR);
  return r < 0 ? 0 : static_cast<qint64>(r);
}

qint64 TFileStream::Size() const {
  struct stat st {};
  return ::fstat(fd_, &st) == 0 ? static_cast<qint64>(st.st_size) : 0;
}

void TFileStream::SetSize(qint64 size) {
  if (size < 0 || ::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
    throw EStreamError(QStringLiteral("Stream write error"));
  }
  if (Position() > size) Seek(size, soBeginning);
}

// ---- TStringStream --------------------------------------------------------------------

TStringStream::TStringStream(const QString &text) { SetBytes(ToCp1252(text)); }

QString TStringStream::DataString() const { return FromCp1252(Bytes()); }

QString TStringStream::ReadString(qint64 count) {
  const qint64 n = std::max<qint64>(0, std::min(count, Remaining()));
  QByteArray bytes(static_cast<qsizetype>(n), Qt::Uninitialized);
  Read(bytes.data(), n);
  return FromCp1252(bytes);
}

void TStringStream::WriteString(const QString &text) { WriteBytes(ToCp1252(text)); }

}  // namespace rtl
