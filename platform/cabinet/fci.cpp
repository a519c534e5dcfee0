// The cabinet writer behind fci.h.
//
// A cabinet is a header, one record per folder, one record per file, then the
// folders' data blocks. The data blocks are produced while files are added, so
// they go to a temporary file; the records are kept in memory and the whole
// cabinet is assembled when it is flushed. Within a folder the files form one
// stream cut into 32 KiB blocks; an MSZIP block is "CK" and a complete raw
// deflate stream whose dictionary is the previous block of the same folder;
// an LZX folder is one LZX stream, one 32 KiB frame per block (lzx.h).
//
// A cabinet that reaches its size threshold ends before the block that would
// carry it past: the open folder goes on in the next cabinet of the set, and
// the file that crosses the cut is listed in both, as continued.
#include "platform/cabinet/fci.h"

#include "platform/rtl/workfiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/cabinet/lzx.h"

namespace cab {

namespace {

constexpr std::uint16_t kFlagPrevCabinet = 0x0001;
constexpr std::uint16_t kFlagNextCabinet = 0x0002;
constexpr std::uint16_t kFlagReservePresent = 0x0004;
constexpr std::uint32_t kHeaderSize = 36;
constexpr std::uint32_t kFolderRecordSize = 8;
constexpr std::uint32_t kFileRecordSize = 16;
constexpr std::uint32_t kDataRecordSize = 8;
constexpr int kMaxStoredName = 256;  // bytes of a stored name, terminator excluded
constexpr std::uint32_t kCopyChunk = 1 << 16;

void PutU8(QByteArray &out, std::uint8_t v) { out.append(static_cast<char>(v)); }
void PutU16(QByteArray &out, std::uint16_t v) {
  out.append(static_cast<char>(v & 0xFF));
  out.append(static_cast<char>(v >> 8));
}
void PutU32(QByteArray &out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void PutName(QByteArray &out, const QByteArray &name) {
  out.append(name);
  out.append('\0');
}

// A stored name's bytes; names beyond ASCII go as UTF-8 and say so.
QByteArray EncodeName(const QString &name, bool &is_utf8) {
  is_utf8 = false;
  for (QChar c : name)
    if (c.unicode() >= 0x80) is_utf8 = true;
  return is_utf8 ? name.toUtf8() : name.toLatin1();
}

}  // namespace

std::uint32_t CabChecksum(const void *data, std::size_t size, std::uint32_t seed) {
  const auto *p = static_cast<const std::uint8_t *>(data);
  std::uint32_t sum = seed;
  for (std::size_t n = size / 4; n > 0; --n, p += 4)
    sum ^= static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  // The last one to three bytes count in reverse order of significance.
  std::uint32_t tail = 0;
  switch (size & 3) {
    case 3:
      tail |= static_cast<std::uint32_t>(*p++) << 16;
      [[fallthrough]];
    case 2:
      tail |= static_cast<std::uint32_t>(*p++) << 8;
      [[fallthrough]];
    case 1:
      tail |= *p;
      break;
    default:
      break;
  }
  return sum ^ tail;
}

void ToDosDateTime(const QDateTime &moment, std::uint16_t &date, std::uint16_t &time) {
  QDateTime t = moment;
  const QDateTime first(QDate(1980, 1, 1), QTime(0, 0));
  const QDateTime last(QDate(2107, 12, 31), QTime(23, 59, 58));
  if (!t.isValid() || t < first) t = first;
  if (t > last) t = last;
  const QDate d = t.date();
  const QTime h = t.time();
  date = static_cast<std::uint16_t>(((d.year() - 1980) << 9) | (d.month() << 5) | d.day());
  time = static_cast<std::uint16_t>((h.hour() << 11) | (h.minute() << 5) | (h.second() / 2));
}

QString FciErrorText(int oper) {
  switch (oper) {
    case FCIERR_NONE:
      return QStringLiteral("No error");
    case FCIERR_OPEN_SRC:
      return QStringLiteral("Failure opening file to be stored in cabinet");
    case FCIERR_READ_SRC:
      return QStringLiteral("Failure reading file to be stored in cabinet");
    case FCIERR_ALLOC_FAIL:
      return QStringLiteral("Out of memory in FCI");
    case FCIERR_TEMP_FILE:
      return QStringLiteral("Could not create a temporary file");
    case FCIERR_BAD_COMPR_TYPE:
      return QStringLiteral("Unknown compression type");
    case FCIERR_CAB_FILE:
      return QStringLiteral("Could not create cabinet file");
    case FCIERR_USER_ABORT:
      return QStringLiteral("Client requested abort");
    case FCIERR_MCI_FAIL:
      return QStringLiteral("Failure compressing data");
    case FCIERR_CAB_FORMAT_LIMIT:
      return QStringLiteral("A name, size or count beyond what a cabinet file can hold");
    default:
      return QStringLiteral("FCI error");
  }
}

// --- the system's calls ------------------------------------------------------------

FciCallbacks DefaultCallbacks() {
  FciCallbacks c;
  c.Open = [](const QString &path, int oflag, int pmode, int &err) {
    const int fd = ::open(QFile::encodeName(path).constData(), oflag | O_CLOEXEC, pmode);
    err = fd < 0 ? errno : 0;
    return fd;
  };
  c.Read = [](int fd, void *buffer, std::uint32_t count, int &err) -> std::int64_t {
    ssize_t n;
    do n = ::read(fd, buffer, count);
    while (n < 0 && errno == EINTR);
    err = n < 0 ? errno : 0;
    return n;
  };
  c.Write = [](int fd, const void *buffer, std::uint32_t count, int &err) -> std::int64_t {
    ssize_t n;
    do n = ::write(fd, buffer, count);
    while (n < 0 && errno == EINTR);
    err = n < 0 ? errno : 0;
    return n;
  };
  c.Close = [](int fd, int &err) {
    const int r = ::close(fd);
    err = r < 0 ? errno : 0;
    return r;
  };
  c.Seek = [](int fd, std::int64_t offset, int origin, int &err) -> std::int64_t {
    const off_t r = ::lseek(fd, static_cast<off_t>(offset), origin);
    err = r < 0 ? errno : 0;
    return r;
  };
  c.Delete = [](const QString &path, int &err) {
    const int r = ::unlink(QFile::encodeName(path).constData());
    err = r < 0 ? errno : 0;
    return r;
  };
  c.Rename = [](const QString &from, const QString &to, int &err) {
    // Flushed before and after, so that a power cut never leaves the
    // cabinet's name on an empty file.
    const bool ok = rtl::DurableRename(from, to);
    err = ok ? 0 : errno;
    return ok ? 0 : -1;
  };
  c.GetTempFile = [](QString &name) {
    // A unique name of the program's own in its temporary folder; the file
    // itself is made again (exclusively) by whoever asked for the name.
    const QString made = rtl::CreateWorkFile(rtl::ProgramTempFolder(), QStringLiteral("stc"));
    if (made.isEmpty()) return false;
    QFile::remove(made);
    name = made;
    return true;
  };
  c.GetOpenInfo = [](const QString &path, std::uint16_t &date, std::uint16_t &time, std::uint16_t &attribs, int &err) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      err = errno;
      return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      err = S_ISDIR(st.st_mode) ? EISDIR : (errno ? errno : EINVAL);
      ::close(fd);
      return -1;
    }
    ToDosDateTime(QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec), date, time);
    // The archive bit is set on every file a program has written.
    attribs = A_ARCH;
    if ((st.st_mode & S_IWUSR) == 0) attribs |= A_RDONLY;
    const QString base = QFileInfo(path).fileName();
    if (base.startsWith(QLatin1Char('.'))) attribs |= A_HIDDEN;
    err = 0;
    return fd;
  };
  c.FilePlaced = [](const CCAB &, const QString &, std::int64_t, bool) { return 0; };
  c.Status = [](int, std::uint32_t, std::uint32_t) -> std::int64_t { return 0; };
  // Every further cabinet is named after the first one ("set.cab",
  // "set2.cab", "set3.cab"...); the first call sees the first cabinet.
  auto first_name = std::make_shared<QString>();
  c.GetNextCabinet = [first_name](CCAB &ccab, std::uint32_t) {
    if (first_name->isEmpty()) *first_name = ccab.szCab;
    const QString &first = *first_name;
    const int dot = first.lastIndexOf(QLatin1Char('.'));
    const QString number = QString::number(ccab.iCab);
    ccab.szCab = dot < 0 ? first + number : first.left(dot) + number + first.mid(dot);
    return true;
  };
  return c;
}

// --- the context ----------------------------------------------------------------------

namespace {
// A file record's folder index for files that span cabinets.
constexpr std::uint16_t kContinuedFromPrev = 0xFFFD;
constexpr std::uint16_t kContinuedToNext = 0xFFFE;
constexpr std::uint16_t kContinuedPrevAndNext = 0xFFFF;
}  // namespace

class FciContext {
 public:
  FciContext(ERF &erf, const FciCallbacks &callbacks, const CCAB &ccab) : erf_(erf), cb_(callbacks), ccab_(ccab) {
    const FciCallbacks d = DefaultCallbacks();
    if (!cb_.Open) cb_.Open = d.Open;
    if (!cb_.Read) cb_.Read = d.Read;
    if (!cb_.Write) cb_.Write = d.Write;
    if (!cb_.Close) cb_.Close = d.Close;
    if (!cb_.Seek) cb_.Seek = d.Seek;
    if (!cb_.Delete) cb_.Delete = d.Delete;
    if (!cb_.Rename) cb_.Rename = d.Rename;
    if (!cb_.GetTempFile) cb_.GetTempFile = d.GetTempFile;
    if (!cb_.GetOpenInfo) cb_.GetOpenInfo = d.GetOpenInfo;
    if (!cb_.FilePlaced) cb_.FilePlaced = d.FilePlaced;
    if (!cb_.Status) cb_.Status = d.Status;
    if (!cb_.GetNextCabinet) cb_.GetNextCabinet = d.GetNextCabinet;
  }
  ~FciContext() {
    if (zlib_ready_) deflateEnd(&zs_);
    DropDataFile();
  }

  bool Init() {
    erf_ = ERF{};
    if (!CheckRecord(ccab_)) return false;
    std::memset(&zs_, 0, sizeof zs_);
    if (deflateInit2(&zs_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      return Fail(FCIERR_ALLOC_FAIL, ENOMEM);
    zlib_ready_ = true;
    return true;
  }

  bool AddFile(const QString &source, const QString &stored, bool execute, std::uint16_t compression);
  bool FlushFolder();
  bool FlushCabinet(bool get_next);

 private:
  struct FileRecord {
    QByteArray name;
    QString stored;  // as the caller named it, for FilePlaced
    std::uint32_t size = 0;
    std::uint32_t offset = 0;  // in the folder's uncompressed stream (the whole folder's, across cabinets)
    std::uint16_t folder = 0;
    std::uint16_t date = 0, time = 0, attribs = 0;
    bool continued = false;  // part of it went into an earlier cabinet
    bool reported = false;   // FilePlaced was called for its first cabinet
  };
  struct FolderRecord {
    std::uint64_t data_offset = 0;  // in the data file
    std::uint16_t blocks = 0;       // in this cabinet
    std::uint16_t type = 0;         // the compression code as stored
  };

  bool Fail(int oper, int sys_error) {
    erf_.erfOper = oper;
    erf_.erfType = sys_error;
    erf_.fError = true;
    return false;
  }
  bool CheckRecord(const CCAB &c) {
    // The folder is not stored in the cabinet, so its length is the system's
    // business; the names go into the header.
    if (c.szCab.isEmpty()) return Fail(FCIERR_CAB_FILE, EINVAL);
    if (c.szCab.size() > kMaxCabName || c.szDisk.size() > kMaxCabName || c.cbReserveCFHeader > 60000 ||
        c.cbReserveCFFolder > 255 || c.cbReserveCFData > 255)
      return Fail(FCIERR_CAB_FORMAT_LIMIT, EINVAL);
    return true;
  }
  // Writes all of `data` through the Write callback, which may write less.
  bool WriteAll(int fd, const char *data, std::uint64_t size, int &err) {
    while (size > 0) {
      const auto chunk = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, kCopyChunk));
      const std::int64_t n = cb_.Write(fd, data, chunk, err);
      if (n <= 0) {
        if (n == 0 && err == 0) err = ENOSPC;
        return false;
      }
      data += n;
      size -= static_cast<std::uint64_t>(n);
    }
    return true;
  }
  bool EnsureDataFile() {
    if (data_fd_ >= 0) return true;
    QString name;
    if (!cb_.GetTempFile(name)) return Fail(FCIERR_TEMP_FILE, 0);
    int err = 0;
    data_fd_ = cb_.Open(name, O_RDWR | O_CREAT | O_EXCL | O_TRUNC, 0600, err);
    if (data_fd_ < 0) return Fail(FCIERR_TEMP_FILE, err);
    data_name_ = name;
    data_size_ = 0;
    return true;
  }
  void DropDataFile() {
    if (data_fd_ >= 0) {
      int err = 0;
      cb_.Close(data_fd_, err);
      cb_.Delete(data_name_, err);
    }
    data_fd_ = -1;
    data_name_.clear();
    data_size_ = 0;
  }
  // Starts a cabinet after the set was closed by a final flush.
  bool StartNewSet();
  // Flushes the folder or the cabinet when the next file cannot join them.
  bool MakeRoom(std::uint16_t type, std::uint64_t size);
  void OpenFolder(std::uint16_t type);
  void ResetCompressor();
  // Reads `size` bytes of the source (fewer when it ends first) into the
  // open folder.
  bool CopySource(int fd, std::uint64_t size, std::uint64_t &copied);
  // Compresses the pending bytes into `packed_` (or points at them, stored).
  bool Compress(const char *&data, std::uint32_t &size);
  // Puts the pending bytes into one data block of the open folder. When the
  // block would carry the cabinet past its size threshold, its first part
  // fills the cabinet and the rest opens the next one, as the format splits
  // a block between two cabinets (its first part records no uncompressed
  // size).
  bool WriteBlock();
  // Appends one data record to the data file.
  bool WriteRecord(const char *data, std::uint32_t size, std::uint32_t raw_field);
  // Ends the cabinet within the open folder's block that begins at stream
  // byte `cut_start`: the folder goes on in the next cabinet, and its files
  // that do not end before that block are listed in both.
  bool SplitCabinet(std::uint32_t cut_start);
  // Puts a file of the open folder into this cabinet's list.
  void Commit(FileRecord f, std::uint16_t folder);
  // Tells the caller a file went into the current cabinet.
  bool Placed(FileRecord &f, bool continuation);
  // Assembles the cabinet from the lists and the data file.
  bool WriteCabinet(bool get_next);
  std::uint64_t EstimatedCabinetSize(bool with_pending) const;
  bool Broken() {
    // A failed write leaves the data file in an unknown state: nothing more
    // is accepted into this cabinet.
    if (!broken_) return false;
    return Fail(broken_oper_, broken_error_);
  }
  bool Break(int oper, int err) {
    broken_ = true;
    broken_oper_ = oper;
    broken_error_ = err;
    return Fail(oper, err);
  }

  ERF &erf_;
  FciCallbacks cb_;
  CCAB ccab_;
  QString prev_cab_, prev_disk_;
  std::uint16_t cabinets_written_ = 0;
  bool set_closed_ = false;

  std::vector<FileRecord> files_;       // complete in this cabinet's lists
  std::vector<FileRecord> open_files_;  // of the open folder, in stream order
  std::vector<FolderRecord> folders_;
  int data_fd_ = -1;
  QString data_name_;
  std::uint64_t data_size_ = 0;

  bool folder_open_ = false;
  bool folder_continued_ = false;  // began in an earlier cabinet: takes no new file
  FolderRecord folder_;
  std::uint32_t folder_uncompressed_ = 0;  // bytes of the folder's stream so far
  std::uint32_t folder_written_ = 0;       // of which in written blocks
  std::uint64_t folder_compressed_ = 0;
  QByteArray pending_;   // uncompressed bytes not yet in a block
  QByteArray previous_;  // the last block's bytes: the next MSZIP block's dictionary
  QByteArray packed_;
  // The last whole block written, which a cabinet that fills up cuts.
  QByteArray last_block_;
  std::uint32_t last_block_raw_ = 0;
  std::uint64_t last_block_at_ = 0;

  z_stream zs_{};
  bool zlib_ready_ = false;
  LzxEncoder lzx_;
  bool broken_ = false;
  int broken_oper_ = 0, broken_error_ = 0;
};

bool FciContext::Compress(const char *&data, std::uint32_t &data_size) {
  const auto raw_size = static_cast<std::uint32_t>(pending_.size());
  data = pending_.constData();
  data_size = raw_size;
  const std::uint16_t type = folder_.type & tcompMASK_TYPE;
  if (type == tcompTYPE_MSZIP) {
    const uLong bound = deflateBound(&zs_, raw_size) + 2;
    if (static_cast<uLong>(packed_.size()) < bound) packed_.resize(static_cast<qsizetype>(bound));
    if (deflateReset(&zs_) != Z_OK) return Break(FCIERR_MCI_FAIL, 0);
    if (!previous_.isEmpty() && deflateSetDictionary(&zs_, reinterpret_cast<const Bytef *>(previous_.constData()),
                                                     static_cast<uInt>(previous_.size())) != Z_OK)
      return Break(FCIERR_MCI_FAIL, 0);
    packed_[0] = 'C';
    packed_[1] = 'K';
    zs_.next_in = reinterpret_cast<Bytef *>(pending_.data());
    zs_.avail_in = raw_size;
    zs_.next_out = reinterpret_cast<Bytef *>(packed_.data() + 2);
    zs_.avail_out = static_cast<uInt>(bound - 2);
    if (deflate(&zs_, Z_FINISH) != Z_STREAM_END) return Break(FCIERR_MCI_FAIL, 0);
    data_size = static_cast<std::uint32_t>(zs_.total_out + 2);
    data = packed_.constData();
  } else if (type == tcompTYPE_LZX) {
    lzx_.CompressFrame(pending_.constData(), raw_size, packed_);
    data_size = static_cast<std::uint32_t>(packed_.size());
    data = packed_.constData();
  }
  if (data_size > 0xFFFF) return Break(FCIERR_MCI_FAIL, 0);
  if (type != tcompTYPE_NONE && ccab_.fFailOnIncompressible && data_size >= raw_size + 2)
    return Break(FCIERR_MCI_FAIL, 0);
  return true;
}

bool FciContext::WriteRecord(const char *data, std::uint32_t size, std::uint32_t raw_field) {
  QByteArray head;
  const std::uint32_t sizes = size | (raw_field << 16);
  std::uint8_t size_bytes[4];
  for (int i = 0; i < 4; ++i) size_bytes[i] = static_cast<std::uint8_t>(sizes >> (8 * i));
  PutU32(head, CabChecksum(size_bytes, 4, CabChecksum(data, size, 0)));
  PutU16(head, static_cast<std::uint16_t>(size));
  PutU16(head, static_cast<std::uint16_t>(raw_field));
  head.append(QByteArray(static_cast<qsizetype>(ccab_.cbReserveCFData), '\0'));

  if (!EnsureDataFile()) return false;
  int err = 0;
  if (cb_.Seek(data_fd_, static_cast<std::int64_t>(data_size_), SEEK_SET, err) < 0 ||
      !WriteAll(data_fd_, head.constData(), static_cast<std::uint64_t>(head.size()), err) ||
      !WriteAll(data_fd_, data, size, err))
    return Break(FCIERR_TEMP_FILE, err);
  const std::uint64_t written = static_cast<std::uint64_t>(head.size()) + size;
  data_size_ += written;
  folder_compressed_ += written;
  return true;
}

bool FciContext::WriteBlock() {
  const auto raw_size = static_cast<std::uint32_t>(pending_.size());
  const char *data = nullptr;
  std::uint32_t data_size = 0;
  if (!Compress(data, data_size)) return false;
  const std::uint32_t head = kDataRecordSize + ccab_.cbReserveCFData;
  const QByteArray block(data, data_size);

  // Room left in this cabinet.
  auto room = [&] {
    return static_cast<std::int64_t>(ccab_.cb) - static_cast<std::int64_t>(EstimatedCabinetSize(false));
  };
  std::uint32_t done = 0;  // bytes of the block already in earlier cabinets
  for (;;) {
    const std::int64_t left = room();
    if (left >= static_cast<std::int64_t>(head + data_size - done)) break;
    if (left >= static_cast<std::int64_t>(head) + 1) {
      // The block's first part fills this cabinet; the rest goes on in the
      // next one (and further ones, for a small threshold).
      const auto part = static_cast<std::uint32_t>(left - head);
      if (!WriteRecord(block.constData() + done, part, 0)) return false;
      done += part;
      ++folder_.blocks;
      if (!SplitCabinet(folder_written_)) return false;
      continue;
    }
    // A threshold too small for any data: exceeded rather than never done.
    if (data_size_ == 0) break;
    if (folder_.blocks == 0) {
      // None of the open folder is here yet: it starts in the next cabinet.
      if (!SplitCabinet(folder_written_)) return false;
      continue;
    }
    // The file records added since the last block took its room: that block
    // is cut instead, as much of it as fits staying here.
    if (last_block_.size() < 2) break;
    data_size_ = last_block_at_;
    folder_compressed_ -= last_block_.size() + head;
    const auto part = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(room() - head, 1, static_cast<std::int64_t>(last_block_.size()) - 1));
    if (!WriteRecord(last_block_.constData(), part, 0)) return false;
    if (!SplitCabinet(folder_written_ - last_block_raw_)) return false;
    if (!WriteRecord(last_block_.constData() + part, static_cast<std::uint32_t>(last_block_.size()) - part,
                     last_block_raw_))
      return false;
    ++folder_.blocks;
    last_block_.clear();
  }
  last_block_at_ = data_size_;
  if (!WriteRecord(block.constData() + done, data_size - done, raw_size)) return false;
  ++folder_.blocks;
  last_block_ = done == 0 ? block : QByteArray();
  last_block_raw_ = raw_size;
  folder_written_ += raw_size;
  previous_.swap(pending_);
  pending_.clear();
  if (cb_.Status(statusFile, data_size, raw_size) == -1) return Fail(FCIERR_USER_ABORT, 0);
  return true;
}

std::uint64_t FciContext::EstimatedCabinetSize(bool with_pending) const {
  std::uint64_t size = kHeaderSize + data_size_;
  if (ccab_.cbReserveCFHeader || ccab_.cbReserveCFFolder || ccab_.cbReserveCFData) size += 4 + ccab_.cbReserveCFHeader;
  // The previous cabinet's names are known; room for the next one's.
  if (!prev_cab_.isEmpty()) size += prev_cab_.toUtf8().size() + prev_disk_.toUtf8().size() + 2;
  size += 2 * (kMaxCabName + 1);
  // The bytes not yet in a block, as a stored block would hold them (the
  // compressors add at most a few bytes to data they cannot shrink).
  if (with_pending && !pending_.isEmpty())
    size += kDataRecordSize + ccab_.cbReserveCFData + pending_.size() + pending_.size() / 64 + 64;
  size += (folders_.size() + (folder_open_ ? 1 : 0)) * (kFolderRecordSize + ccab_.cbReserveCFFolder);
  for (const FileRecord &f : files_) size += kFileRecordSize + f.name.size() + 1;
  for (const FileRecord &f : open_files_) size += kFileRecordSize + f.name.size() + 1;
  return size;
}

void FciContext::Commit(FileRecord f, std::uint16_t folder) {
  f.folder = folder;
  files_.push_back(f);
}

bool FciContext::Placed(FileRecord &f, bool continuation) {
  f.reported = true;
  return cb_.FilePlaced(ccab_, f.stored, f.size, continuation) != -1 || Fail(FCIERR_USER_ABORT, 0);
}

bool FciContext::SplitCabinet(std::uint32_t cut_start) {
  if (folder_.blocks > 0) {
    const auto index = static_cast<std::uint16_t>(folders_.size());
    folders_.push_back(folder_);
    std::vector<FileRecord> later;  // files of the open folder that go on in the next cabinet
    for (FileRecord &f : open_files_) {
      const std::uint64_t end = std::uint64_t{f.offset} + f.size;
      if (f.size == 0 ? f.offset <= cut_start : end <= cut_start) {
        Commit(f, f.continued ? kContinuedFromPrev : index);
      } else {
        // Readers take the part of a folder in the next cabinet as holding
        // only files continued into it: one that starts past the cut is
        // listed here too.
        if (!f.reported && !Placed(f, false)) return false;
        Commit(f, f.continued ? kContinuedPrevAndNext : kContinuedToNext);
        f.continued = true;
        later.push_back(f);
      }
    }
    open_files_.swap(later);
    folder_continued_ = true;
  }
  if (!WriteCabinet(true)) return false;
  folder_.data_offset = data_size_;
  folder_.blocks = 0;
  for (FileRecord &f : open_files_)
    if (f.continued && !Placed(f, true)) return false;
  return true;
}

bool FciContext::StartNewSet() {
  CCAB next = ccab_;
  next.iCab = ccab_.iCab + 1;
  if (!cb_.GetNextCabinet(next, 0)) return Fail(FCIERR_USER_ABORT, 0);
  if (!CheckRecord(next)) return false;
  ccab_ = next;
  cabinets_written_ = 0;
  set_closed_ = false;
  return true;
}

bool FciContext::MakeRoom(std::uint16_t type, std::uint64_t size) {
  if (static_cast<int>(files_.size() + open_files_.size()) >= kMaxFilesPerCabinet ||
      (!folder_open_ && static_cast<int>(folders_.size()) >= kMaxFoldersPerCabinet))
    return FlushCabinet(true);
  if (folder_open_ && (folder_.type != type || folder_uncompressed_ + size > kMaxFolderData)) {
    if (!FlushFolder()) return false;
    if (static_cast<int>(folders_.size()) >= kMaxFoldersPerCabinet) return FlushCabinet(true);
  }
  return true;
}

void FciContext::ResetCompressor() {
  if ((folder_.type & tcompMASK_TYPE) == tcompTYPE_LZX) lzx_.Reset((folder_.type >> 8) & 0x1F);
}

void FciContext::OpenFolder(std::uint16_t type) {
  if (folder_open_) return;
  folder_open_ = true;
  folder_continued_ = false;
  folder_ = FolderRecord{};
  folder_.type = type;
  folder_.data_offset = data_size_;
  folder_uncompressed_ = 0;
  folder_written_ = 0;
  folder_compressed_ = 0;
  pending_.clear();
  previous_.clear();
  ResetCompressor();
}

bool FciContext::CopySource(int fd, std::uint64_t size, std::uint64_t &copied) {
  copied = 0;
  pending_.reserve(kBlockSize);
  while (copied < size) {
    const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(kBlockSize - pending_.size(), size - copied));
    const qsizetype old = pending_.size();
    pending_.resize(old + want);
    int err = 0;
    const std::int64_t n = cb_.Read(fd, pending_.data() + old, want, err);
    if (n < 0) {
      pending_.resize(old);
      return Fail(FCIERR_READ_SRC, err);
    }
    pending_.resize(old + n);
    copied += static_cast<std::uint64_t>(n);
    folder_uncompressed_ += static_cast<std::uint32_t>(n);
    if (pending_.size() == static_cast<qsizetype>(kBlockSize) && !WriteBlock()) return false;
    if (n == 0) return true;  // the file ended early
  }
  return true;
}

bool FciContext::AddFile(const QString &source, const QString &stored_name, bool execute, std::uint16_t compression) {
  erf_ = ERF{};
  if (Broken()) return false;
  std::uint16_t type = compression & tcompMASK_TYPE;
  if (type == tcompTYPE_LZX) {
    const int window = (compression >> 8) & 0x1F;
    if (window < kLzxMinWindowBits || window > kLzxMaxWindowBits) return Fail(FCIERR_BAD_COMPR_TYPE, 0);
    type = static_cast<std::uint16_t>((window << 8) | tcompTYPE_LZX);
  } else if (type != tcompTYPE_NONE && type != tcompTYPE_MSZIP) {
    return Fail(FCIERR_BAD_COMPR_TYPE, 0);
  }

  QString stored = stored_name;
  stored.replace(QLatin1Char('/'), QLatin1Char('\\'));
  bool utf8 = false;
  const QByteArray name = EncodeName(stored, utf8);
  if (name.isEmpty() || name.size() > kMaxStoredName || name.contains('\0'))
    return Fail(FCIERR_CAB_FORMAT_LIMIT, EINVAL);

  std::uint16_t date = 0, time = 0, attribs = 0;
  int err = 0;
  const int fd = cb_.GetOpenInfo(source, date, time, attribs, err);
  if (fd < 0) return Fail(FCIERR_OPEN_SRC, err);
  struct SourceFile {
    FciCallbacks &cb;
    int fd;
    ~SourceFile() {
      int ignored = 0;
      cb.Close(fd, ignored);
    }
  } source_file{cb_, fd};
  const std::int64_t end = cb_.Seek(fd, 0, SEEK_END, err);
  if (end < 0 || cb_.Seek(fd, 0, SEEK_SET, err) < 0) return Fail(FCIERR_READ_SRC, err);
  if (static_cast<std::uint64_t>(end) > kMaxFolderData) return Fail(FCIERR_CAB_FORMAT_LIMIT, EFBIG);

  if (set_closed_ && !StartNewSet()) return false;
  if (folder_continued_ && !FlushFolder()) return false;
  if (!MakeRoom(type, static_cast<std::uint64_t>(end))) return false;
  OpenFolder(type);

  // Listed before it is read: a cabinet that fills up while it is read
  // names it as continued in the next.
  FileRecord f;
  f.name = name;
  f.stored = stored;
  f.size = static_cast<std::uint32_t>(end);
  f.offset = folder_uncompressed_;
  f.date = date;
  f.time = time;
  f.attribs = static_cast<std::uint16_t>((attribs & (A_RDONLY | A_HIDDEN | A_SYSTEM | A_ARCH)) |
                                         (execute ? A_EXEC : 0) | (utf8 ? A_NAME_IS_UTF : 0));
  open_files_.push_back(f);
  std::uint64_t copied = 0;
  const bool read = CopySource(fd, static_cast<std::uint64_t>(end), copied);
  FileRecord &placed = open_files_.back();
  if (!read || copied < static_cast<std::uint64_t>(end)) {
    // Part of it already went into a finished cabinet: the set cannot be
    // made whole any more.
    if (placed.continued) return Break(FCIERR_READ_SRC, read ? EIO : erf_.erfType);
    if (!read) {
      // What was read stays in the folder's stream, unnamed: the blocks
      // already written hold it.
      open_files_.pop_back();
      return false;
    }
    placed.size = static_cast<std::uint32_t>(copied);
  }
  if (!placed.reported && !Placed(placed, false)) return false;

  if (folder_compressed_ >= ccab_.cbFolderThresh && !FlushFolder()) return false;
  return true;
}

bool FciContext::FlushFolder() {
  erf_ = ERF{};
  if (Broken()) return false;
  if (!folder_open_) return true;
  if (!pending_.isEmpty() && !WriteBlock()) return false;
  folder_open_ = false;
  const auto index = static_cast<std::uint16_t>(folders_.size());
  folders_.push_back(folder_);
  std::vector<FileRecord> files;
  files.swap(open_files_);
  for (const FileRecord &f : files) Commit(f, f.continued ? kContinuedFromPrev : index);
  pending_.clear();
  previous_.clear();
  const auto copied = static_cast<std::uint32_t>(std::min<std::uint64_t>(folder_compressed_, 0xFFFFFFFFu));
  if (cb_.Status(statusFolder, copied, copied) == -1) return Fail(FCIERR_USER_ABORT, 0);
  return true;
}

bool FciContext::FlushCabinet(bool get_next) {
  if (!FlushFolder()) return false;
  if (files_.empty()) return true;
  return WriteCabinet(get_next);
}

bool FciContext::WriteCabinet(bool get_next) {
  const std::uint64_t estimate = EstimatedCabinetSize(true);
  CCAB next = ccab_;
  if (get_next) {
    next.iCab = ccab_.iCab + 1;
    if (!cb_.GetNextCabinet(next, static_cast<std::uint32_t>(std::min<std::uint64_t>(estimate, 0xFFFFFFFFu))))
      return Fail(FCIERR_USER_ABORT, 0);
    if (!CheckRecord(next)) return false;
  }

  bool prev_utf8 = false, next_utf8 = false, ignored = false;
  const QByteArray prev_cab = EncodeName(prev_cab_, prev_utf8);
  const QByteArray prev_disk = EncodeName(prev_disk_, ignored);
  const QByteArray next_cab = EncodeName(next.szCab, next_utf8);
  const QByteArray next_disk = EncodeName(next.szDisk, ignored);

  std::uint16_t flags = 0;
  const bool reserve = ccab_.cbReserveCFHeader || ccab_.cbReserveCFFolder || ccab_.cbReserveCFData;
  if (!prev_cab.isEmpty()) flags |= kFlagPrevCabinet;
  if (get_next) flags |= kFlagNextCabinet;
  if (reserve) flags |= kFlagReservePresent;

  std::uint64_t header_size = kHeaderSize;
  if (reserve) header_size += 4 + ccab_.cbReserveCFHeader;
  if (flags & kFlagPrevCabinet) header_size += prev_cab.size() + 1 + prev_disk.size() + 1;
  if (flags & kFlagNextCabinet) header_size += next_cab.size() + 1 + next_disk.size() + 1;
  const std::uint64_t folders_size = folders_.size() * (kFolderRecordSize + ccab_.cbReserveCFFolder);
  std::uint64_t files_size = 0;
  for (const FileRecord &f : files_) files_size += kFileRecordSize + f.name.size() + 1;
  const std::uint64_t data_start = header_size + folders_size + files_size;
  std::uint64_t total = data_start + data_size_;
  if (total > 0xFFFFFFFFu) return Fail(FCIERR_CAB_FORMAT_LIMIT, EFBIG);

  const std::int64_t wanted =
      cb_.Status(statusCabinet, static_cast<std::uint32_t>(estimate), static_cast<std::uint32_t>(total));
  if (wanted == -1) return Fail(FCIERR_USER_ABORT, 0);
  std::uint64_t padding = 0;
  if (wanted > 0 && static_cast<std::uint64_t>(wanted) > total && wanted <= 0xFFFFFFFF) {
    padding = static_cast<std::uint64_t>(wanted) - total;
    total = static_cast<std::uint64_t>(wanted);
  }

  QByteArray head;
  head.reserve(static_cast<qsizetype>(data_start));
  head.append("MSCF", 4);
  PutU32(head, 0);
  PutU32(head, static_cast<std::uint32_t>(total));
  PutU32(head, 0);
  PutU32(head, static_cast<std::uint32_t>(header_size + folders_size));
  PutU32(head, 0);
  PutU8(head, 3);  // format version 1.3
  PutU8(head, 1);
  PutU16(head, static_cast<std::uint16_t>(folders_.size()));
  PutU16(head, static_cast<std::uint16_t>(files_.size()));
  PutU16(head, flags);
  PutU16(head, ccab_.setID);
  PutU16(head, cabinets_written_);  // the cabinet's place in its set
  if (reserve) {
    PutU16(head, static_cast<std::uint16_t>(ccab_.cbReserveCFHeader));
    PutU8(head, static_cast<std::uint8_t>(ccab_.cbReserveCFFolder));
    PutU8(head, static_cast<std::uint8_t>(ccab_.cbReserveCFData));
    head.append(QByteArray(static_cast<qsizetype>(ccab_.cbReserveCFHeader), '\0'));
  }
  if (flags & kFlagPrevCabinet) {
    PutName(head, prev_cab);
    PutName(head, prev_disk);
  }
  if (flags & kFlagNextCabinet) {
    PutName(head, next_cab);
    PutName(head, next_disk);
  }
  for (const FolderRecord &f : folders_) {
    PutU32(head, static_cast<std::uint32_t>(data_start + f.data_offset));
    PutU16(head, f.blocks);
    PutU16(head, f.type);
    head.append(QByteArray(static_cast<qsizetype>(ccab_.cbReserveCFFolder), '\0'));
  }
  for (const FileRecord &f : files_) {
    PutU32(head, f.size);
    PutU32(head, f.offset);
    PutU16(head, f.folder);
    PutU16(head, f.date);
    PutU16(head, f.time);
    PutU16(head, f.attribs);
    PutName(head, f.name);
  }

  // Written beside the final name and moved over it only when complete.
  QString folder = ccab_.szCabPath;
  if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')) && !folder.endsWith(QLatin1Char('\\')))
    folder += QLatin1Char('/');
  // A cabinet name that is a symbolic link is written through: the link
  // stays, the file it names is replaced (so the work file goes beside that).
  const QString final_name = rtl::WriteThroughPath(folder + ccab_.szCab);
  const QString part_name = rtl::CreateWorkFile(QFileInfo(final_name).absolutePath(), QStringLiteral("cab"));
  if (part_name.isEmpty()) return Fail(FCIERR_CAB_FILE, errno);
  // Readable by others as a cabinet written in place would be.
  QFile::setPermissions(part_name, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
  int err = 0;
  const int out = cb_.Open(part_name, O_WRONLY | O_CREAT | O_TRUNC, 0644, err);
  if (out < 0) {
    int ignored_err = 0;
    cb_.Delete(part_name, ignored_err);
    return Fail(FCIERR_CAB_FILE, err);
  }
  auto abandon = [&](int oper, int error) {
    int ignored_err = 0;
    cb_.Close(out, ignored_err);
    cb_.Delete(part_name, ignored_err);
    return Fail(oper, error);
  };
  if (!WriteAll(out, head.constData(), static_cast<std::uint64_t>(head.size()), err))
    return abandon(FCIERR_CAB_FILE, err);
  if (data_size_ > 0) {
    if (cb_.Seek(data_fd_, 0, SEEK_SET, err) < 0) return abandon(FCIERR_TEMP_FILE, err);
    QByteArray chunk(kCopyChunk, Qt::Uninitialized);
    std::uint64_t left = data_size_;
    while (left > 0) {
      const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, kCopyChunk));
      const std::int64_t n = cb_.Read(data_fd_, chunk.data(), want, err);
      if (n <= 0) return abandon(FCIERR_TEMP_FILE, n == 0 ? EIO : err);
      if (!WriteAll(out, chunk.constData(), static_cast<std::uint64_t>(n), err)) return abandon(FCIERR_CAB_FILE, err);
      left -= static_cast<std::uint64_t>(n);
    }
    // Further blocks append to the data file again.
    if (cb_.Seek(data_fd_, 0, SEEK_END, err) < 0) return abandon(FCIERR_TEMP_FILE, err);
  }
  if (padding > 0) {
    const QByteArray zeros(static_cast<qsizetype>(std::min<std::uint64_t>(padding, kCopyChunk)), '\0');
    for (std::uint64_t left = padding; left > 0;) {
      const std::uint64_t n = std::min<std::uint64_t>(left, static_cast<std::uint64_t>(zeros.size()));
      if (!WriteAll(out, zeros.constData(), n, err)) return abandon(FCIERR_CAB_FILE, err);
      left -= n;
    }
  }
  // A close can be the first to report a full disk.
  if (cb_.Close(out, err) != 0) {
    int ignored_err = 0;
    cb_.Delete(part_name, ignored_err);
    return Fail(FCIERR_CAB_FILE, err);
  }
  if (cb_.Rename(part_name, final_name, err) != 0) {
    int ignored_err = 0;
    cb_.Delete(part_name, ignored_err);
    return Fail(FCIERR_CAB_FILE, err);
  }

  files_.clear();
  folders_.clear();
  DropDataFile();
  ++cabinets_written_;
  if (get_next) {
    prev_cab_ = ccab_.szCab;
    prev_disk_ = ccab_.szDisk;
    ccab_ = next;
  } else {
    // The set is complete; a file added after this starts a new cabinet
    // rather than overwrite the one just written.
    prev_cab_.clear();
    prev_disk_.clear();
    set_closed_ = true;
  }
  return true;
}

// --- the calls ------------------------------------------------------------------------------

HFCI FCICreate(ERF &erf, const FciCallbacks &callbacks, const CCAB &ccab) {
  auto context = std::make_unique<FciContext>(erf, callbacks, ccab);
  if (!context->Init()) return nullptr;
  return context.release();
}

bool FCIAddFile(HFCI context, const QString &source, const QString &stored_name, bool execute,
                std::uint16_t compression) {
  return context != nullptr && context->AddFile(source, stored_name, execute, compression);
}

bool FCIFlushFolder(HFCI context) { return context != nullptr && context->FlushFolder(); }

bool FCIFlushCabinet(HFCI context, bool get_next) { return context != nullptr && context->FlushCabinet(get_next); }

bool FCIDestroy(HFCI context) {
  if (context == nullptr) return false;
  delete context;
  return true;
}

}  // namespace cab
