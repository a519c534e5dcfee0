// The cabinet archive component over the compression interface (see
// cabwriter.h).
#include "app/cabwriter.h"

#include <QDir>
#include <QFileInfo>
#include <cstring>

namespace app {

namespace {

constexpr std::uint32_t kNoLimit = 0x7FFFFFFF;

// Joins folder parts with exactly one separator between them.
QString JoinPath(const QString &a, const QString &b) {
  if (a.isEmpty()) return b;
  if (b.isEmpty()) return a;
  QString left = a, right = b;
  while (left.endsWith(QLatin1Char('/'))) left.chop(1);
  while (right.startsWith(QLatin1Char('/'))) right.remove(0, 1);
  return left + QLatin1Char('/') + right;
}

QString WithSeparator(const QString &folder) {
  return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// Stored names separate folders with a backslash.
QString JoinStored(const QString &prefix, const QString &name) {
  return prefix.isEmpty() ? name : prefix + QLatin1Char('\\') + name;
}

}  // namespace

// --- the exception ---------------------------------------------------------------------------

QString EQbCabinet::ErrorText(int code, bool fdi) {
  if (!fdi) {
    // The interface's own limit code has its own text; unknown codes do not.
    const bool known =
        (code >= cab::FCIERR_NONE && code <= cab::FCIERR_MCI_FAIL) || code == cab::FCIERR_CAB_FORMAT_LIMIT;
    return known ? cab::FciErrorText(code) : QStringLiteral("FCI error");
  }
  static const char *const kFdi[] = {"No error",
                                     "Cabinet not found",
                                     "Cabinet file does not have the correct format",
                                     "Cabinet file has an unknown version number",
                                     "Cabinet file is corrupt",
                                     "Could not allocate enough memory",
                                     "Unknown compression type in a cabinet folder",
                                     "Failure decompressing data from a cabinet file",
                                     "Failure writing to target file",
                                     "Cabinets in a set do not have the same RESERVE sizes",
                                     "Cabinet returned on fdintNEXT_CABINET is incorrect",
                                     "FDI aborted"};
  return code >= 0 && code <= 11 ? QString::fromLatin1(kFdi[code]) : QStringLiteral("FDI error");
}

QString EQbCabinet::MessageOf(const cab::ERF &erf, bool fdi) {
  // Without the error flag the record says nothing reliable.
  if (!erf.fError) return fdi ? QStringLiteral("FDI error") : QStringLiteral("FCI error");
  const auto hex = [](int code) {
    constexpr int kDigits = 4;
    constexpr int kBase = 16;
    constexpr unsigned kMask = 0xffff;
    return QStringLiteral(" [0x") +
           QString::number(static_cast<unsigned>(code) & kMask, kBase).toUpper().rightJustified(kDigits, u'0') +
           QLatin1Char(']');
  };
  QString text = ErrorText(erf.erfOper, fdi) + hex(erf.erfOper);
  // The system's reason tells the user which disk or file is at fault.
  if (erf.erfType != 0)
    text += QStringLiteral(".\r\n") + QString::fromLocal8Bit(std::strerror(erf.erfType)) + hex(erf.erfType) +
            QLatin1Char('.');
  return text;
}

EQbCabinet::EQbCabinet(const cab::ERF &erf, bool fdi) : code_(erf.erfOper), system_error_(erf.erfType), fdi_(fdi) {
  SetMessage(MessageOf(erf, fdi));
}

// --- the writer -------------------------------------------------------------------------------

ORBISCA_PUBLISHED(TQbCabWriter, TComponent) {
  p.Property("CabinetSizeThreshold", &TQbCabWriter::CabinetSizeThreshold, &TQbCabWriter::SetCabinetSizeThreshold)
      .Default(0);
  p.Property("CabinetFileCountThreshold", &TQbCabWriter::CabinetFileCountThreshold,
             &TQbCabWriter::SetCabinetFileCountThreshold)
      .Default(0);
  p.Property("FolderSizeThreshold", &TQbCabWriter::FolderSizeThreshold, &TQbCabWriter::SetFolderSizeThreshold)
      .Default(0);
  p.Property("FolderFileCountThreshold", &TQbCabWriter::FolderFileCountThreshold,
             &TQbCabWriter::SetFolderFileCountThreshold)
      .Default(0);
  p.Property("ReservePerCabinetSize", &TQbCabWriter::ReservePerCabinetSize, &TQbCabWriter::SetReservePerCabinetSize)
      .Default(0);
  p.Property("ReservePerFolderSize", &TQbCabWriter::ReservePerFolderSize, &TQbCabWriter::SetReservePerFolderSize)
      .Default(0);
  p.Property("ReservePerDataSize", &TQbCabWriter::ReservePerDataSize, &TQbCabWriter::SetReservePerDataSize).Default(0);
  p.Property("SetID", &TQbCabWriter::SetID, &TQbCabWriter::SetSetID).Default(0);
  p.Property("CabinetNameTemplate", &TQbCabWriter::CabinetNameTemplate, &TQbCabWriter::SetCabinetNameTemplate);
  p.Property("CabinetPathTemplate", &TQbCabWriter::CabinetPathTemplate, &TQbCabWriter::SetCabinetPathTemplate);
  p.Property("DiskLabelTemplate", &TQbCabWriter::DiskLabelTemplate, &TQbCabWriter::SetDiskLabelTemplate);
  p.Property("CompressionType", &TQbCabWriter::CompressionType, &TQbCabWriter::SetCompressionType).Default(cctLzx);
  p.Property("CompressionLzxLevel", &TQbCabWriter::CompressionLzxLevel, &TQbCabWriter::SetCompressionLzxLevel)
      .Default(21);
  p.Event("OnFilePlaced", &TQbCabWriter::OnFilePlaced);
  p.Event("OnGetNextCabinet", &TQbCabWriter::OnGetNextCabinet);
  p.Event("OnFileStatus", &TQbCabWriter::OnFileStatus);
  p.Event("OnFolderStatus", &TQbCabWriter::OnFolderStatus);
  p.Event("OnCabinetStatus", &TQbCabWriter::OnCabinetStatus);
  p.Event("OnProgress", &TQbCabWriter::OnProgress);
}

TQbCabWriter::TQbCabWriter(vcl::TComponent *owner) : vcl::TComponent(owner) {}

TQbCabWriter::~TQbCabWriter() {
  // Destroying the component discards an unfinished cabinet.
  if (context_ != nullptr) cab::FCIDestroy(context_);
  context_ = nullptr;
}

void TQbCabWriter::SetCompressionLzxLevel(TQbCabLzxLevel v) {
  if (v < 15 || v > 21) throw rtl::ERangeError(QStringLiteral("Range check error"));
  lzx_level_ = v;
}

std::uint16_t TQbCabWriter::CompressionCode() const {
  switch (compression_type_) {
    case cctNone:
      return cab::tcompTYPE_NONE;
    case cctMsZip:
      return cab::tcompTYPE_MSZIP;
    case cctLzx:
      return static_cast<std::uint16_t>(lzx_level_ * 256 + cab::tcompTYPE_LZX);
  }
  return cab::tcompBAD;
}

QString TQbCabWriter::DiskLabel(int n) const {
  QString label = disk_label_template_.isEmpty() ? QStringLiteral("Disk*") : disk_label_template_;
  return label.replace(QLatin1Char('*'), QString::number(n));
}

QString TQbCabWriter::CabinetName(int n) const {
  QString name = cabinet_name_template_;
  if (name.isEmpty()) {
    name = QFileInfo(full_name_).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
      name += QLatin1Char('*');
    else
      name.insert(dot, QLatin1Char('*'));
  }
  return name.replace(QLatin1Char('*'), QString::number(n));
}

QString TQbCabWriter::CabinetPath(int n) const {
  QString path = cabinet_path_template_.isEmpty() ? QFileInfo(full_name_).absolutePath() : cabinet_path_template_;
  return WithSeparator(path.replace(QLatin1Char('*'), QString::number(n)));
}

void TQbCabWriter::Check(bool ok) {
  if (!ok) throw EQbCabinet(erf_, false);
}

void TQbCabWriter::CheckOpen() const {
  if (context_ == nullptr) throw EQbCabinet(QStringLiteral("No cabinet is open"));
}

cab::FciCallbacks TQbCabWriter::Callbacks() {
  cab::FciCallbacks c;
  c.FilePlaced = [this](const cab::CCAB &ccab, const QString &name, std::int64_t size, bool continuation) {
    bool abort = false;
    if (OnFilePlaced) OnFilePlaced(this, ccab, name, static_cast<int>(size), continuation, abort);
    return abort ? -1 : 0;
  };
  c.GetNextCabinet = [this](cab::CCAB &ccab, std::uint32_t previous_size) {
    ccab.iDisk += 1;
    ccab.szDisk = DiskLabel(ccab.iDisk);
    ccab.szCab = CabinetName(ccab.iCab);
    ccab.szCabPath = CabinetPath(ccab.iDisk);
    bool abort = false;
    if (OnGetNextCabinet) OnGetNextCabinet(this, ccab, previous_size, abort);
    if (abort) return false;
    // The cabinet replaces a file of its name only once it is complete.
    QDir().mkpath(ccab.szCabPath);
    ccab_ = ccab;
    cabinet_files_ = folder_files_ = 0;
    return true;
  };
  c.Status = [this](int type, std::uint32_t cb1, std::uint32_t cb2) -> std::int64_t {
    bool abort = false;
    std::int64_t result = 0;
    if (type == cab::statusFile) {
      if (OnFileStatus) OnFileStatus(this, cb1, cb2, abort);
      if (progress_countdown_ < 0 && OnProgress && !abort) {
        OnProgress(this, abort);
        progress_countdown_ = 8;
      }
      --progress_countdown_;
    } else if (type == cab::statusFolder) {
      if (OnFolderStatus) OnFolderStatus(this, cb1, cb2, abort);
      folder_files_ = 0;
    } else if (type == cab::statusCabinet) {
      std::uint32_t desired = 0;
      if (OnCabinetStatus) OnCabinetStatus(this, cb1, cb2, desired, abort);
      result = desired;
      cabinet_files_ = folder_files_ = 0;
    }
    return abort ? -1 : result;
  };
  return c;
}

void TQbCabWriter::CreateCabinet(const QString &file_name) {
  CloseCabinet(false);
  full_name_ = QFileInfo(file_name).absoluteFilePath();

  erf_ = cab::ERF{};
  ccab_ = TCCAB{};
  ccab_.iCab = 0;
  ccab_.cb = cabinet_size_threshold_ != 0 ? cabinet_size_threshold_ : kNoLimit;
  ccab_.cbFolderThresh = folder_size_threshold_ != 0 ? folder_size_threshold_ : kNoLimit;
  ccab_.cbReserveCFHeader = reserve_cabinet_;
  ccab_.cbReserveCFFolder = reserve_folder_;
  ccab_.cbReserveCFData = reserve_data_;
  ccab_.iDisk = 1;
  ccab_.setID = set_id_;
  ccab_.szDisk = DiskLabel(1);
  ccab_.szCab = QFileInfo(full_name_).fileName();
  ccab_.szCabPath = QFileInfo(full_name_).absolutePath();

  if (OnGetNextCabinet) {
    bool abort = false;
    OnGetNextCabinet(this, ccab_, 0, abort);
    if (abort) return;
  }
  ccab_.szCabPath = WithSeparator(ccab_.szCabPath);
  QDir().mkpath(ccab_.szCabPath);

  cabinet_files_ = folder_files_ = 0;
  progress_countdown_ = 0;
  context_ = cab::FCICreate(erf_, Callbacks(), ccab_);
  Check(context_ != nullptr);
}

void TQbCabWriter::AddFile(const QString &source, const QString &stored_name, bool execute) {
  CheckOpen();
  if (cabinet_file_count_threshold_ != 0 && cabinet_files_ >= cabinet_file_count_threshold_)
    StartNextCabinet();
  else if (folder_file_count_threshold_ != 0 && folder_files_ >= folder_file_count_threshold_)
    FlushFolder();
  QString stored = stored_name;
  if (stored.startsWith(QLatin1Char('\\')) || stored.startsWith(QLatin1Char('/'))) stored.remove(0, 1);
  Check(cab::FCIAddFile(context_, source, stored, execute, CompressionCode()));
  ++cabinet_files_;
  ++folder_files_;
}

void TQbCabWriter::AddFiles(const QString &path_with_mask, const QString &prefix, int options) {
  CheckOpen();
  const QFileInfo info(path_with_mask);
  QStringList visited;
  AddFolder(info.path(), info.fileName(), prefix, options, visited);
}

void TQbCabWriter::AddFolder(const QString &folder, const QString &mask, const QString &prefix, int options,
                             QStringList &visited) {
  QDir dir(folder);
  if (!dir.exists()) throw rtl::EOSError(QStringLiteral("The system cannot find the path specified: %1").arg(folder));
  // A folder reached again through a link would never end the walk.
  const QString canonical = dir.canonicalPath();
  if (visited.contains(canonical)) return;
  visited.append(canonical);

  const QFileInfoList files =
      dir.entryInfoList({mask}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
  for (const QFileInfo &f : files) AddFile(f.filePath(), JoinStored(prefix, f.fileName()), false);
  if ((options & kCabAddRecurse) == 0) return;
  const QFileInfoList subs =
      dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
  for (const QFileInfo &sub : subs)
    AddFolder(JoinPath(folder, sub.fileName()), mask, JoinStored(prefix, sub.fileName()), options, visited);
}

void TQbCabWriter::FlushFolder() {
  CheckOpen();
  Check(cab::FCIFlushFolder(context_));
  folder_files_ = 0;
}

void TQbCabWriter::FlushCabinet(bool start_next) {
  CheckOpen();
  Check(cab::FCIFlushCabinet(context_, start_next));
  cabinet_files_ = folder_files_ = 0;
}

void TQbCabWriter::CloseCabinet(bool flush) {
  if (context_ == nullptr) return;
  struct Release {
    cab::HFCI &context;
    ~Release() {
      cab::FCIDestroy(context);
      context = nullptr;
    }
  } release{context_};
  if (flush) FlushCabinet(false);
}

// --- the reader ---------------------------------------------------------------------------------

ORBISCA_PUBLISHED(TQbCabReader, TComponent) {
  p.Property("Options", &TQbCabReader::Options, &TQbCabReader::SetOptions).Default(0);
  p.Event("OnCabinetInfo", &TQbCabReader::OnCabinetInfo);
  p.Event("OnCopyFile", &TQbCabReader::OnCopyFile);
  p.Event("OnCopyPartialFile", &TQbCabReader::OnCopyPartialFile);
  p.Event("OnCloseFile", &TQbCabReader::OnCloseFile);
  p.Event("OnNextCabinet", &TQbCabReader::OnNextCabinet);
  p.Event("OnUnrecognizedNotify", &TQbCabReader::OnUnrecognizedNotify);
}

// It never opens a decompression context, so there is none to release.
TQbCabReader::~TQbCabReader() = default;

}  // namespace app
