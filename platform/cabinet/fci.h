// The file compression interface: writes cabinet archives (the "MSCF" format
// that the archive tools of every system read) with LZX data blocks made by
// the project's own encoder (lzx.h), MSZIP blocks made by zlib's raw
// deflate, or stored blocks. The program's archive writer
// (app/cabwriter.h) drives it with the same calls in the same order it would
// drive the system's library: create a context, add files, flush the folder or
// the cabinet, destroy the context.
//
// Everything the context touches outside memory goes through the callbacks
// the caller hands to FCICreate: opening, reading, writing, seeking, closing,
// deleting and renaming files, naming temporary files, the source files' dates
// and attributes, the next cabinet of a set, and progress. `DefaultCallbacks`
// fills them with the system's calls; a caller replaces only what it needs
// (the archive writer raises its events from them, tests inject disk errors).
//
// A failure returns false and fills the error record: the operation code
// (FCIERR_*) and the system's error number. A cabinet is first written under a
// temporary name beside its final one and renamed when complete, so a failed
// run never leaves a half archive under the final name and never destroys the
// archive that a previous run wrote there.
//
// A cabinet ends before the data block that would carry it past its size
// threshold and the set goes on in the next cabinet: the open folder
// continues there (a file that crosses the cut is listed in both cabinets as
// continued), so only a threshold too small for a single block is exceeded.
// A folder closes at the first file boundary after its threshold.
#pragma once

#include <QDateTime>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace cab {

// The operation that failed.
enum FCIERROR {
  FCIERR_NONE = 0,
  FCIERR_OPEN_SRC = 1,         // opening a file to store
  FCIERR_READ_SRC = 2,         // reading a file to store
  FCIERR_ALLOC_FAIL = 3,       // out of memory
  FCIERR_TEMP_FILE = 4,        // a temporary file
  FCIERR_BAD_COMPR_TYPE = 5,   // compression type not supported
  FCIERR_CAB_FILE = 6,         // creating or writing the cabinet
  FCIERR_USER_ABORT = 7,       // a callback asked to stop
  FCIERR_MCI_FAIL = 8,         // compressing data
  FCIERR_CAB_FORMAT_LIMIT = 9  // a count or size beyond what the format holds
};

// The error record.
struct ERF {
  int erfOper = FCIERR_NONE;  // FCIERROR
  int erfType = 0;            // the system's error number, 0 when none
  bool fError = false;
};

// Compression codes as the format stores them.
constexpr std::uint16_t tcompTYPE_NONE = 0x0000;
constexpr std::uint16_t tcompTYPE_MSZIP = 0x0001;
constexpr std::uint16_t tcompTYPE_QUANTUM = 0x0002;
constexpr std::uint16_t tcompTYPE_LZX = 0x0003;
constexpr std::uint16_t tcompBAD = 0x000F;
constexpr std::uint16_t tcompMASK_TYPE = 0x000F;

// File attributes as the format stores them.
constexpr std::uint16_t A_RDONLY = 0x01;
constexpr std::uint16_t A_HIDDEN = 0x02;
constexpr std::uint16_t A_SYSTEM = 0x04;
constexpr std::uint16_t A_ARCH = 0x20;
constexpr std::uint16_t A_EXEC = 0x40;
constexpr std::uint16_t A_NAME_IS_UTF = 0x80;

// Status callback kinds.
enum FciStatus { statusFile = 0, statusFolder = 1, statusCabinet = 2 };

// Open flags handed to the Open callback (the C run-time's, as on Linux).
// The default Open passes them to the system unchanged.

// The cabinet record: the current cabinet's limits and names. The caller
// fills it for the first cabinet; the NextCabinet callback updates it for
// each further one (iCab is already advanced when it is called).
struct CCAB {
  std::uint32_t cb = 0x7FFFFFFF;              // cabinet size threshold
  std::uint32_t cbFolderThresh = 0x7FFFFFFF;  // folder size threshold
  std::uint32_t cbReserveCFHeader = 0;        // at most 60000
  std::uint32_t cbReserveCFFolder = 0;        // at most 255
  std::uint32_t cbReserveCFData = 0;          // at most 255
  int iCab = 1;
  int iDisk = 0;
  int fFailOnIncompressible = 0;  // a block MSZIP cannot shrink fails the cabinet
  std::uint16_t setID = 0;
  QString szDisk;     // disk label
  QString szCab;      // file name of the cabinet
  QString szCabPath;  // its folder, ending with a separator (or empty)
};
// The longest cabinet or disk name the header holds (the folder of a
// cabinet is not stored and has no limit of its own).
constexpr int kMaxCabName = 255;

// The callbacks. A handle is a small non-negative number; -1 means failure,
// with the system error number in `err`.
struct FciCallbacks {
  std::function<int(const QString &path, int oflag, int pmode, int &err)> Open;
  std::function<std::int64_t(int fd, void *buffer, std::uint32_t count, int &err)> Read;
  std::function<std::int64_t(int fd, const void *buffer, std::uint32_t count, int &err)> Write;
  std::function<int(int fd, int &err)> Close;
  std::function<std::int64_t(int fd, std::int64_t offset, int origin, int &err)> Seek;
  std::function<int(const QString &path, int &err)> Delete;
  // Moves a finished cabinet over its final name.
  std::function<int(const QString &from, const QString &to, int &err)> Rename;
  // A fresh name for a temporary file; false when none can be had.
  std::function<bool(QString &name)> GetTempFile;
  // Opens a file to store for reading and reports its DOS date, time and
  // attributes; returns the handle or -1.
  std::function<int(const QString &path, std::uint16_t &date, std::uint16_t &time, std::uint16_t &attribs, int &err)>
      GetOpenInfo;
  // Return -1 to abort, anything else goes on.
  std::function<int(const CCAB &ccab, const QString &stored_name, std::int64_t size, bool continuation)> FilePlaced;
  // For statusCabinet the result (when > 0) is the size to record in the
  // header, which a caller uses to pad the file; -1 aborts.
  std::function<std::int64_t(int type, std::uint32_t cb1, std::uint32_t cb2)> Status;
  // Called before a further cabinet starts; false aborts.
  std::function<bool(CCAB &ccab, std::uint32_t previous_size)> GetNextCabinet;
};

// The system's calls (open(2), read(2)...), temporary files in the system's
// temporary folder, no progress, placements accepted, and the next cabinet
// named by putting its number before the first one's extension ("set.cab",
// "set2.cab", "set3.cab").
FciCallbacks DefaultCallbacks();

// DOS date and time of a moment (clamped to 1980..2107).
void ToDosDateTime(const QDateTime &moment, std::uint16_t &date, std::uint16_t &time);

class FciContext;
using HFCI = FciContext *;

// Creates a context for the cabinet described by `ccab`; nullptr on failure
// (the error record says why). Callbacks left empty take their default.
HFCI FCICreate(ERF &erf, const FciCallbacks &callbacks, const CCAB &ccab);
// Adds a file: reads `source` through GetOpenInfo/Read/Close and stores it
// under `stored_name` ("\" separates folders in the archive; "/" is turned
// into "\"). `compression` is tcompTYPE_NONE, tcompTYPE_MSZIP or
// tcompTYPE_LZX with the window bits (15..21) in bits 8-12; the others fail
// with FCIERR_BAD_COMPR_TYPE. A compression type differing from the current
// folder's starts a new folder. The file's size is taken when it is opened:
// bytes it gains while it is read are not stored.
bool FCIAddFile(HFCI context, const QString &source, const QString &stored_name, bool execute,
                std::uint16_t compression);
// Closes the current folder: later files start a new one.
bool FCIFlushFolder(HFCI context);
// Writes the current cabinet out; with `get_next` a further cabinet of the
// set follows (GetNextCabinet names it). Without it the set ends: a file
// added afterwards starts a new cabinet, also named by GetNextCabinet, so
// the one just written is never overwritten. Nothing is written for a
// cabinet that holds no file.
bool FCIFlushCabinet(HFCI context, bool get_next);
// Frees the context, discarding what was not flushed; the temporary files go.
bool FCIDestroy(HFCI context);

// The text of an operation code ("Failure reading file to be stored in
// cabinet"...).
QString FciErrorText(int oper);

// One cabinet data block's checksum: over the data, then the two 16-bit
// sizes that precede it, as the format defines it.
std::uint32_t CabChecksum(const void *data, std::size_t size, std::uint32_t seed);

// Sizes of the format.
constexpr std::uint32_t kBlockSize = 32768;           // uncompressed bytes per data block
constexpr std::uint32_t kMaxFolderData = 0x7FFF8000;  // uncompressed bytes a folder holds
constexpr int kMaxFilesPerCabinet = 0xFFFF;
constexpr int kMaxFoldersPerCabinet = 0xFFFC;  // higher numbers mark continued folders

}  // namespace cab
