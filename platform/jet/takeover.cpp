// Taking over a Jet database (see takeover.h): the calling side, which
// prepares the target, runs the converter process and watches it, checks
// what it wrote and puts the files in place; and the converter side, which
// reads the Jet file and fills the engine's file.
//
// The two sides talk over a pipe, one JSON object a line:
//   {"k":"begin","format":"Jet 4","rows":N,"tables":T}  before the first row
//   {"k":"progress","done":n,"total":N,"table":t}
//   {"k":"table","name":t,"rows":n,"expected":m}  after each table
//   {"k":"query","name":q,"sql":s,"problem":p}
//   {"k":"note","text":x}
//   {"k":"done"} or {"k":"error","number":n,"text":x}
// The converter's standard output and error carry only what the reader
// library prints, which it does when it meets damage: any of it stops the
// conversion.
#include "platform/jet/takeover.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/jet/jetreader.h"
#include "platform/jet/store.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/workfiles.h"

namespace jet {

namespace {

// The converter's descriptors: the Jet file, the target, the report pipe.
constexpr int kJetFd = 3;
constexpr int kOutFd = 4;
constexpr int kReportFd = 5;
// The converter's exit status when it could not be started.
constexpr int kNotStarted = 127;
// Descriptors above the converter's own are closed up to this one where the
// system cannot close them all at once.
constexpr int kHighestFd = 4096;

// Waiting for the lock of a converter that outlives its caller by a moment.
constexpr int kLockTries = 40;
constexpr useconds_t kLockPause = 50 * 1000;
// Room left to the converter: the largest memo or picture several times over.
constexpr qint64 kMemoryFloor = qint64(2) << 30;
constexpr qint64 kMemoryPerFileByte = 16;
// What the reader library prints is quoted up to this length.
constexpr int kQuoted = 200;
constexpr int kDiagnosticEnough = 400;
// The new file's permissions: the original's, at most read and write.
constexpr mode_t kNewFileMode = 0600;
constexpr mode_t kReadWriteBits = 0666;
constexpr mode_t kCopyMode = 0644;
constexpr int kKeptNames = 100;  // "(Jet)", "(Jet 2)" ... "(Jet 99)"
constexpr int kBuffer = 1 << 16;
constexpr int kHeadBytes = 32;
constexpr qint64 kProgressEveryMs = 200;
constexpr int kReaderArgs = 5;      // program, flag, Jet file, target, report descriptor
constexpr int kPrimaryCode = 0xff;  // SQLite's primary result code under the extended one

QString ErrnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

QString Count(qint64 n) { return rtl::FormatFloat(QStringLiteral("#,##0"), static_cast<double>(n)); }

QString ProcFd(int fd) { return QStringLiteral("/proc/self/fd/%1").arg(fd); }

[[noreturn]] void Fail(int number, const QString &path, const QString &why) {
  ETakeoverError e(number, QStringLiteral("Conversione dell'archivio \"%1\" non riuscita: %2. L'archivio originale non "
                                          "è stato modificato.")
                               .arg(QDir::toNativeSeparators(path), why));
  detail::RecordError(e);
  throw e;
}

bool SanitizedBuild() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#else
  return false;
#endif
#else
  return false;
#endif
}

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd &) = delete;
  Fd &operator=(const Fd &) = delete;
  ~Fd() { Reset(); }
  int get() const { return fd_; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

// The converter program: named by ORBISCA_JET_CONVERTER, else beside the
// running program, else where the build put it.
QString ConverterProgram() {
  const QString env = qEnvironmentVariable("ORBISCA_JET_CONVERTER");
  if (!env.isEmpty()) return env;
  const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
  const QString beside = QFileInfo(self).dir().filePath(QStringLiteral("orbisca-jet-convert"));
  if (QFileInfo(beside).isExecutable()) return beside;
#ifdef ORBISCA_JET_CONVERTER_PATH
  if (QFileInfo(QStringLiteral(ORBISCA_JET_CONVERTER_PATH)).isExecutable())
    return QStringLiteral(ORBISCA_JET_CONVERTER_PATH);
#endif
  return {};
}

// One conversion from the calling side.
class Conversion {
 public:
  Conversion(const QString &jet_path, const QString &output_folder, const TakeoverOptions &options)
      : path_(QFileInfo(jet_path).absoluteFilePath()), folder_(output_folder), options_(options) {}
  ~Conversion() {
    StopReader();
    if (!staged_.isEmpty()) ::unlink(QFile::encodeName(staged_).constData());
    if (!named_.isEmpty()) ::unlink(QFile::encodeName(named_).constData());
  }

  void Run() {
    Open();
    Spawn();
    Watch();
    Verify();
  }
  void PlaceInPlace();
  void PlaceAt(const QString &target);
  TakeoverSummary summary;

 private:
  [[noreturn]] void Fail(int number, const QString &why) const { jet::Fail(number, path_, why); }
  void Open();
  void Spawn();
  void Watch();
  void Handle(const QJsonObject &m);
  void Verify();
  void CheckOriginalUnchanged(bool in_place) const;
  void Sync();
  void StopReader() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      int status = 0;
      while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
      pid_ = -1;
    }
  }

  struct TableDone {
    QString name;
    qint64 rows = 0;
    qint64 expected = 0;
  };
  struct QueryDone {
    QString name;
    QString sql;
    QString problem;
  };

  QString path_;
  QString folder_;
  TakeoverOptions options_;
  Fd jet_;
  Fd out_;
  Fd report_;
  Fd diag_;
  QString named_;   // the target's temporary name where the folder takes no unnamed files
  QString staged_;  // the checked target's name before it takes its place
  struct stat st_ {};
  pid_t pid_ = -1;
  std::vector<TableDone> tables_;
  std::vector<QueryDone> queries_;
  QString error_text_;
  int error_number_ = 0;
  bool done_ = false;
  qint64 declared_tables_ = -1;  // the user tables the Jet file's catalogue lists
};

void Conversion::Open() {
  const QByteArray name = QFile::encodeName(path_);
  jet_.Reset(::open(name.constData(), O_RDONLY | O_CLOEXEC));
  if (jet_.get() < 0) {
    const int err = errno;
    if (err == ENOENT) Fail(kErrFileNotFound, QStringLiteral("il file non esiste"));
    Fail(kErrLocked, QStringLiteral("il file non si può leggere (%1)").arg(ErrnoText(err)));
  }
  if (::fstat(jet_.get(), &st_) != 0 || !S_ISREG(st_.st_mode)) Fail(kErrEngine, QStringLiteral("non è un file"));
  char head[kHeadBytes] = {};
  const ssize_t got = ::pread(jet_.get(), head, sizeof head, 0);
  const JetFileKind kind = JetFileKindOf(QByteArray(head, got > 0 ? static_cast<int>(got) : 0));
  if (kind == JetFileKind::NotJet) Fail(kErrUnrecognisedFormat, QStringLiteral("il file non è un archivio Jet"));
  if (kind == JetFileKind::Later)
    Fail(kErrUnrecognisedFormat, QStringLiteral("il file è di una versione più recente del formato Jet (Access "
                                                "2007 o successivo), che non viene convertita"));
  summary.format = kind == JetFileKind::Jet3 ? QStringLiteral("Jet 3") : QStringLiteral("Jet 4");
  summary.jet_bytes = st_.st_size;
  const qint64 page = JetPageSize(kind);
  if (st_.st_size < 4 * page || st_.st_size % page != 0)
    Fail(kErrDamaged, QStringLiteral("il file è troncato o danneggiato: la sua lunghezza (%1 byte) non è un "
                                     "multiplo delle pagine di %2 byte")
                          .arg(Count(st_.st_size))
                          .arg(page));
  // A converter that outlived its caller by a moment still holds the lock.
  for (int wait = 0; ::flock(jet_.get(), LOCK_EX | LOCK_NB) != 0; ++wait) {
    if (wait == kLockTries)
      Fail(kErrLocked, QStringLiteral("il file è già in conversione da parte di un altro programma"));
    ::usleep(kLockPause);
  }

  // The target: an unnamed file of the folder, named only once checked.
  const QByteArray folder = QFile::encodeName(folder_);
  out_.Reset(::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, kNewFileMode));
  if (out_.get() < 0) {
    const int err = errno;
    if (err != EOPNOTSUPP && err != EISDIR && err != EINVAL && err != ENOENT)
      Fail(kErrEngine, QStringLiteral("nella cartella \"%1\" non si può scrivere (%2)")
                           .arg(QDir::toNativeSeparators(folder_), ErrnoText(err)));
    // A file system without unnamed files: one of the program's work files,
    // removed on failure, or at the next start when this run is killed.
    named_ = rtl::CreateWorkFile(folder_, QStringLiteral("mdb"));
    if (!named_.isEmpty()) out_.Reset(::open(QFile::encodeName(named_).constData(), O_RDWR | O_CLOEXEC));
    if (out_.get() < 0) {
      const int err2 = errno;
      named_.clear();
      Fail(kErrEngine, QStringLiteral("nella cartella \"%1\" non si può scrivere (%2)")
                           .arg(QDir::toNativeSeparators(folder_), ErrnoText(err2)));
    }
  }
}

void Conversion::Spawn() {
  const QString program = ConverterProgram();
  if (program.isEmpty())
    Fail(kErrEngine, QStringLiteral("manca il convertitore orbisca-jet-convert accanto al programma"));
  int report[2], diag[2];
  if (::pipe2(report, O_CLOEXEC) != 0) Fail(kErrEngine, ErrnoText(errno));
  report_.Reset(report[0]);
  Fd report_w(report[1]);
  if (::pipe2(diag, O_CLOEXEC) != 0) Fail(kErrEngine, ErrnoText(errno));
  diag_.Reset(diag[0]);
  Fd diag_w(diag[1]);

  // Everything the child needs is prepared before fork: after it, only
  // system calls until exec.
  const std::string prog = QFile::encodeName(program).toStdString();
  const std::string a1 = kReaderFlag, a2 = ProcFd(kJetFd).toStdString(), a3 = ProcFd(kOutFd).toStdString(),
                    a4 = std::to_string(kReportFd);
  char *argv[] = {const_cast<char *>(prog.c_str()), const_cast<char *>(a1.c_str()), const_cast<char *>(a2.c_str()),
                  const_cast<char *>(a3.c_str()),   const_cast<char *>(a4.c_str()), nullptr};
  std::vector<std::string> env_text;
  for (char **e = environ; *e; ++e)
    if (!QByteArray(*e).startsWith("ASAN_OPTIONS=")) env_text.emplace_back(*e);
  // Leak reports of a sanitized converter are no damage of the file.
  if (SanitizedBuild()) env_text.emplace_back("ASAN_OPTIONS=detect_leaks=0");
  std::vector<char *> envp;
  for (std::string &s : env_text) envp.push_back(s.data());
  envp.push_back(nullptr);
  rlimit memory{};
  // Room for the largest memo or picture several times over; a reader
  // looping on a damaged file stops there instead of eating the machine.
  memory.rlim_cur = memory.rlim_max =
      static_cast<rlim_t>(std::max<qint64>(kMemoryFloor, st_.st_size * kMemoryPerFileByte));
  const bool limit_memory = !SanitizedBuild();
  const pid_t parent = ::getpid();
  const int jet_fd = jet_.get(), out_fd = out_.get(), rep_fd = report_w.get(), diag_fd = diag_w.get();

  const pid_t pid = ::fork();
  if (pid < 0) Fail(kErrEngine, QStringLiteral("il convertitore non parte (%1)").arg(ErrnoText(errno)));
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(kNotStarted);
    const int j = ::fcntl(jet_fd, F_DUPFD, 10), o = ::fcntl(out_fd, F_DUPFD, 10), r = ::fcntl(rep_fd, F_DUPFD, 10),
              d = ::fcntl(diag_fd, F_DUPFD, 10);
    const int null = ::open("/dev/null", O_RDONLY);
    if (j < 0 || o < 0 || r < 0 || d < 0 || null < 0) ::_exit(kNotStarted);
    ::dup2(null, 0);
    ::dup2(d, 1);
    ::dup2(d, 2);
    ::dup2(j, kJetFd);
    ::dup2(o, kOutFd);
    ::dup2(r, kReportFd);
#ifdef SYS_close_range
    if (::syscall(SYS_close_range, kReportFd + 1, ~0U, 0) != 0)
#endif
      for (int fd = kReportFd + 1; fd < kHighestFd; ++fd) ::close(fd);
    rlimit no_core{0, 0};
    ::setrlimit(RLIMIT_CORE, &no_core);
    if (limit_memory) ::setrlimit(RLIMIT_AS, &memory);
    ::execve(argv[0], argv, envp.data());
    ::_exit(kNotStarted);
  }
  pid_ = pid;
}

void Conversion::Watch() {
  QByteArray report_buf, diag_buf;
  bool report_open = true, diag_open = true;
  const int stall_ms = std::max(1, options_.stall_seconds) * 1000;
  while (report_open || diag_open) {
    pollfd fds[2] = {{report_open ? report_.get() : -1, POLLIN, 0}, {diag_open ? diag_.get() : -1, POLLIN, 0}};
    const int rc = ::poll(fds, 2, stall_ms);
    if (rc < 0) {
      if (errno == EINTR) continue;
      StopReader();
      Fail(kErrEngine, ErrnoText(errno));
    }
    if (rc == 0) {
      StopReader();
      Fail(kErrDamaged, QStringLiteral("la lettura del file Jet non avanza da %1 secondi: il file è probabilmente "
                                       "danneggiato")
                            .arg(options_.stall_seconds));
    }
    char buf[kBuffer];
    if (fds[1].revents) {
      const ssize_t n = ::read(diag_.get(), buf, sizeof buf);
      if (n > 0) {
        diag_buf.append(buf, static_cast<int>(n));
        // The reader library speaks only about damage: the first line is enough.
        if (diag_buf.contains('\n') || diag_buf.size() > kDiagnosticEnough) {
          StopReader();
          const QString line = QString::fromLocal8Bit(diag_buf.left(diag_buf.indexOf('\n'))).trimmed().left(kQuoted);
          Fail(kErrDamaged, QStringLiteral("il file Jet è danneggiato (il lettore segnala: \"%1\")").arg(line));
        }
      } else if (n == 0 || errno != EINTR) {
        diag_open = false;
      }
    }
    if (fds[0].revents) {
      const ssize_t n = ::read(report_.get(), buf, sizeof buf);
      if (n > 0) {
        report_buf.append(buf, static_cast<int>(n));
        int eol;
        while ((eol = report_buf.indexOf('\n')) >= 0) {
          const QJsonObject m = QJsonDocument::fromJson(report_buf.left(eol)).object();
          report_buf.remove(0, eol + 1);
          Handle(m);
        }
      } else if (n == 0 || errno != EINTR) {
        report_open = false;
      }
    }
  }
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  if (!diag_buf.trimmed().isEmpty())
    Fail(kErrDamaged, QStringLiteral("il file Jet è danneggiato (il lettore segnala: \"%1\")")
                          .arg(QString::fromLocal8Bit(diag_buf).trimmed().left(kQuoted)));
  if (error_number_ != 0) Fail(error_number_, error_text_);
  if (WIFSIGNALED(status))
    Fail(kErrDamaged, QStringLiteral("il lettore del file Jet si è interrotto (segnale %1): il file è probabilmente "
                                     "danneggiato")
                          .arg(WTERMSIG(status)));
  if (!WIFEXITED(status) || WEXITSTATUS(status) == kNotStarted)
    Fail(kErrEngine, QStringLiteral("il convertitore orbisca-jet-convert non si è avviato"));
  if (WEXITSTATUS(status) != 0 || !done_)
    Fail(kErrDamaged, QStringLiteral("il lettore del file Jet si è fermato prima della fine"));
}

void Conversion::Handle(const QJsonObject &m) {
  const QString k = m.value(QLatin1String("k")).toString();
  if (k == QLatin1String("begin")) {
    declared_tables_ = static_cast<qint64>(m.value(QLatin1String("tables")).toDouble(-1));
  } else if (k == QLatin1String("progress")) {
    if (options_.progress)
      options_.progress(static_cast<qint64>(m.value(QLatin1String("done")).toDouble()),
                        static_cast<qint64>(m.value(QLatin1String("total")).toDouble()),
                        m.value(QLatin1String("table")).toString());
  } else if (k == QLatin1String("table")) {
    tables_.push_back({m.value(QLatin1String("name")).toString(),
                       static_cast<qint64>(m.value(QLatin1String("rows")).toDouble()),
                       static_cast<qint64>(m.value(QLatin1String("expected")).toDouble())});
  } else if (k == QLatin1String("query")) {
    queries_.push_back({m.value(QLatin1String("name")).toString(), m.value(QLatin1String("sql")).toString(),
                        m.value(QLatin1String("problem")).toString()});
  } else if (k == QLatin1String("note")) {
    summary.notes << m.value(QLatin1String("text")).toString();
  } else if (k == QLatin1String("done")) {
    done_ = true;
  } else if (k == QLatin1String("error")) {
    error_number_ = m.value(QLatin1String("number")).toInt(kErrEngine);
    error_text_ = m.value(QLatin1String("text")).toString();
  }
}

void Conversion::Verify() {
  std::shared_ptr<detail::Store> store;
  try {
    store = detail::Store::Open(ProcFd(out_.get()), true, false);
    QStringList problems;
    detail::Stmt check = store->Prepare(QStringLiteral("PRAGMA integrity_check(20)"));
    while (check.Step()) {
      const QString line = rtl::VarToStr(check.Value(0, dbText));
      if (line != QLatin1String("ok")) problems << line;
    }
    if (!problems.isEmpty())
      Fail(kErrEngine, QStringLiteral("la copia convertita non supera il controllo di integrità (%1)")
                           .arg(problems.join(QStringLiteral("; "))));
  } catch (const ETakeoverError &) {
    throw;
  } catch (const EJetError &e) {
    Fail(kErrEngine, QStringLiteral("la copia convertita non si apre (%1)").arg(e.Description()));
  }
  // A takeover that converts nothing, or less than the Jet file's own
  // catalogue lists, would give the shop an empty or partial archive under
  // the archive's name.
  if (tables_.empty())
    Fail(kErrDamaged, QStringLiteral("nel file Jet non si trova nessuna tabella da convertire: il file è "
                                     "probabilmente troncato o danneggiato"));
  if (declared_tables_ != static_cast<qint64>(tables_.size()))
    Fail(kErrDamaged, QStringLiteral("del file Jet si leggono %1 tabelle delle %2 che il suo catalogo elenca")
                          .arg(tables_.size())
                          .arg(declared_tables_));
  int user_tables = 0;
  for (const QString &name : store->TableNames())
    if (const detail::TableInfo *t = store->FindTable(name); t && !(t->attributes & dbSystemObject)) ++user_tables;
  if (user_tables != static_cast<int>(tables_.size()))
    Fail(kErrEngine,
         QStringLiteral("la copia convertita ha %1 tabelle invece di %2").arg(user_tables).arg(tables_.size()));
  for (const TableDone &t : tables_) {
    if (t.rows != t.expected)
      Fail(kErrDamaged, QStringLiteral("della tabella \"%1\" si leggono %2 righe delle %3 che il file dichiara")
                            .arg(t.name, Count(t.rows), Count(t.expected)));
    const detail::TableInfo *info = store->FindTable(t.name);
    if (!info) Fail(kErrEngine, QStringLiteral("nella copia convertita manca la tabella \"%1\"").arg(t.name));
    detail::Stmt count =
        store->Prepare(QStringLiteral("SELECT count(*) FROM %1").arg(detail::Store::Quote(info->name)));
    count.Step();
    if (count.Int(0) != t.rows)
      Fail(kErrEngine, QStringLiteral("la tabella \"%1\" convertita ha %2 righe invece di %3")
                           .arg(t.name, Count(count.Int(0)), Count(t.rows)));
    summary.tables.push_back({info->name, t.rows});
  }
  for (const QueryDone &q : queries_) {
    summary.queries << q.name;
    QString stored, sql;
    if (!store->FindQuery(q.name, &stored, &sql))
      Fail(kErrEngine, QStringLiteral("nella copia convertita manca la query \"%1\"").arg(q.name));
    QString reason;
    try {
      TranslateSql(sql, store->Resolver());
    } catch (const EJetError &e) {
      reason = e.Description();
    }
    if (reason.isEmpty() && !q.problem.isEmpty()) reason = QStringLiteral("ricostruita solo in parte: ") + q.problem;
    if (!reason.isEmpty()) summary.untranslated.push_back({stored, sql, reason});
  }
  store->Close();
  struct stat out {};
  if (::fstat(out_.get(), &out) == 0) summary.new_bytes = out.st_size;
}

void Conversion::CheckOriginalUnchanged(bool in_place) const {
  struct stat now {
  }, named{};
  const bool same = ::fstat(jet_.get(), &now) == 0 && now.st_size == st_.st_size &&
                    now.st_mtim.tv_sec == st_.st_mtim.tv_sec && now.st_mtim.tv_nsec == st_.st_mtim.tv_nsec;
  const bool still_there = !in_place || (::stat(QFile::encodeName(path_).constData(), &named) == 0 &&
                                         named.st_dev == st_.st_dev && named.st_ino == st_.st_ino);
  if (!same || !still_there)
    Fail(kErrEngine, QStringLiteral("l'archivio è stato modificato da un altro programma durante la conversione"));
}

void Conversion::Sync() {
  ::fchmod(out_.get(), st_.st_mode & kReadWriteBits);
  if (::fsync(out_.get()) != 0)
    Fail(kErrEngine, QStringLiteral("la copia convertita non si può scrivere sul disco (%1)").arg(ErrnoText(errno)));
}

// Gives the checked target the name `name`: never replacing a file.
bool NameTarget(int out_fd, const QString &named, const QString &name, int *err) {
  const QByteArray to = QFile::encodeName(name);
  int rc;
  if (named.isEmpty())
    rc = ::linkat(AT_FDCWD, QFile::encodeName(ProcFd(out_fd)).constData(), AT_FDCWD, to.constData(), AT_SYMLINK_FOLLOW);
  else
    rc = ::link(QFile::encodeName(named).constData(), to.constData());
  *err = rc == 0 ? 0 : errno;
  return rc == 0;
}

// A copy of the original under `name` where the folder takes no second name
// for a file. False when `name` exists.
bool CopyOriginal(int jet_fd, const QString &name, qint64 size) {
  const QByteArray n = QFile::encodeName(name);
  Fd out(::open(n.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, kCopyMode));
  if (out.get() < 0) {
    if (errno == EEXIST) return false;
    RaiseJetError(kErrEngine, ErrnoText(errno));
  }
  char buf[kBuffer];
  qint64 off = 0;
  while (off < size) {
    const ssize_t got = ::pread(jet_fd, buf, sizeof buf, off);
    ssize_t put = got > 0 ? ::write(out.get(), buf, static_cast<size_t>(got)) : -1;
    if (got <= 0 || put != got) {
      const int err = errno;
      ::unlink(n.constData());
      RaiseJetError(kErrEngine, ErrnoText(err));
    }
    off += got;
  }
  if (::fsync(out.get()) != 0) {
    const int err = errno;
    ::unlink(n.constData());
    RaiseJetError(kErrEngine, ErrnoText(err));
  }
  return true;
}

void Conversion::PlaceInPlace() {
  CheckOriginalUnchanged(true);
  Sync();
  const QByteArray from = QFile::encodeName(path_);
  QString kept;
  for (int attempt = 1; attempt < kKeptNames && kept.isEmpty(); ++attempt) {
    const QString name = KeptJetName(path_, attempt);
    if (::link(from.constData(), QFile::encodeName(name).constData()) == 0) {
      kept = name;
      break;
    }
    const int err = errno;
    if (err == EEXIST) continue;
    if (err != EPERM && err != EXDEV && err != EOPNOTSUPP && err != EMLINK && err != ENOSYS)
      Fail(kErrEngine, QStringLiteral("l'originale non si può conservare come \"%1\" (%2)")
                           .arg(QFileInfo(name).fileName(), ErrnoText(err)));
    try {
      if (CopyOriginal(jet_.get(), name, st_.st_size)) kept = name;
    } catch (const EJetError &e) {
      Fail(kErrEngine, QStringLiteral("l'originale non si può copiare come \"%1\" (%2)")
                           .arg(QFileInfo(name).fileName(), e.Description()));
    }
  }
  if (kept.isEmpty()) Fail(kErrEngine, QStringLiteral("non c'è un nome libero per conservare l'originale"));
  auto drop_kept = [&] { ::unlink(QFile::encodeName(kept).constData()); };

  if (named_.isEmpty()) {
    // A work file's name, free for the link that names the checked file.
    staged_ = rtl::CreateWorkFile(folder_, QStringLiteral("mdb"));
    int err = staged_.isEmpty() ? errno : 0;
    if (err == 0) ::unlink(QFile::encodeName(staged_).constData());
    if (err != 0 || !NameTarget(out_.get(), QString(), staged_, &err)) {
      staged_.clear();
      drop_kept();
      Fail(kErrEngine, QStringLiteral("la copia convertita non si può salvare (%1)").arg(ErrnoText(err)));
    }
  } else {
    staged_ = named_;
    named_.clear();
  }
  QString why;
  if (!rtl::DurableRename(staged_, path_, &why)) {
    drop_kept();
    Fail(kErrEngine, QStringLiteral("la copia convertita non può prendere il nome dell'archivio (%1)").arg(why));
  }
  staged_.clear();
  summary.file = path_;
  summary.original = kept;
}

void Conversion::PlaceAt(const QString &target) {
  CheckOriginalUnchanged(false);
  Sync();
  int err = 0;
  if (!NameTarget(out_.get(), named_, target, &err)) {
    if (err == EEXIST)
      Fail(kErrDatabaseExists, QStringLiteral("il file \"%1\" esiste già").arg(QDir::toNativeSeparators(target)));
    Fail(kErrEngine, QStringLiteral("il file \"%1\" non si può scrivere (%2)")
                         .arg(QDir::toNativeSeparators(target), ErrnoText(err)));
  }
  if (!named_.isEmpty()) {
    ::unlink(QFile::encodeName(named_).constData());
    named_.clear();
  }
  rtl::SyncFolder(QFileInfo(target).absolutePath());
  summary.file = target;
}

std::function<void(qint64, qint64, const QString &)> &OpeningProgress() {
  static std::function<void(qint64, qint64, const QString &)> progress;
  return progress;
}

// ---- the converter side ------------------------------------------------------------

class Reporter {
 public:
  explicit Reporter(int fd) : fd_(fd) {}
  void Send(const QJsonObject &m) {
    QByteArray line = QJsonDocument(m).toJson(QJsonDocument::Compact);
    line.append('\n');
    const char *p = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
      const ssize_t n = ::write(fd_, p, static_cast<size_t>(left));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) ::_exit(3);  // the caller is gone
      p += n;
      left -= n;
    }
  }

 private:
  int fd_;
};

bool DiskFull(detail::Store &store) { return (sqlite3_extended_errcode(store.Db()) & kPrimaryCode) == SQLITE_FULL; }

[[noreturn]] void NoRoom() {
  RaiseJetError(kErrEngine, QStringLiteral("lo spazio libero sul disco non basta per la copia convertita"));
}

// Thrown when a row leaves empty a column the Jet file calls required: the
// file's own engine lets a rule be set without checking the rows already
// there, and such rows are kept by letting the column be empty.
struct EmptyRequired {
  std::vector<int> columns;
};

// Copies one table; returns its row count.
qint64 CopyTable(JetReader &reader, int index, const detail::TableInfo &t, detail::Store &store, Reporter &out,
                 qint64 &done, qint64 total, QElapsedTimer &since) {
  try {
    store.CreateTable(t);
  } catch (const EJetError &e) {
    if (DiskFull(store)) NoRoom();
    RaiseJetError(kErrEngine, QStringLiteral("la tabella \"%1\" non si può creare (%2)").arg(t.name, e.Description()));
  }
  QStringList cols, marks;
  for (const FieldInfo &f : t.columns) {
    cols << detail::Store::Quote(f.name);
    marks << QStringLiteral("?");
  }
  detail::Stmt insert = store.Prepare(
      QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
          .arg(detail::Store::Quote(t.name), cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
  qint64 rows = 0;
  reader.ReadRows(index, [&](const std::vector<rtl::Variant> &values) {
    insert.Reset();
    insert.BindAll(values);
    try {
      insert.Step();
    } catch (const EJetError &e) {
      if (DiskFull(store)) NoRoom();
      if (e.Number() == kErrRequiredFieldNull) {
        EmptyRequired empty;
        for (size_t c = 0; c < t.columns.size(); ++c)
          if (t.columns[c].required && values[c].IsNull()) empty.columns.push_back(static_cast<int>(c));
        if (!empty.columns.empty()) throw empty;
      }
      RaiseJetError(e.Number() == kErrDuplicateKey ? kErrDamaged : kErrEngine,
                    QStringLiteral("la riga %1 della tabella \"%2\" non si può copiare (%3)")
                        .arg(rows + 1)
                        .arg(t.name, e.Description()));
    }
    ++rows;
    ++done;
    if (since.elapsed() >= kProgressEveryMs) {
      since.restart();
      out.Send({{QStringLiteral("k"), QStringLiteral("progress")},
                {QStringLiteral("done"), static_cast<double>(done)},
                {QStringLiteral("total"), static_cast<double>(total)},
                {QStringLiteral("table"), t.name}});
    }
  });
  return rows;
}

void Convert(const QString &jet, const QString &target, Reporter &out) {
  JetReader reader(jet);
  qint64 total = 0;
  for (const JetTableSchema &t : reader.Tables()) total += t.expected_rows;
  out.Send({{QStringLiteral("k"), QStringLiteral("begin")},
            {QStringLiteral("rows"), static_cast<double>(total)},
            {QStringLiteral("tables"), static_cast<double>(reader.Tables().size())},
            {QStringLiteral("format"),
             reader.Kind() == JetFileKind::Jet3 ? QStringLiteral("Jet 3") : QStringLiteral("Jet 4")}});
  auto note = [&](const QString &text) {
    out.Send({{QStringLiteral("k"), QStringLiteral("note")}, {QStringLiteral("text"), text}});
  };
  for (const QString &n : reader.Notes()) note(n);

  std::shared_ptr<detail::Store> store;
  try {
    store = detail::Store::CreateScratch(target);
  } catch (const EJetError &e) {
    RaiseJetError(kErrEngine, QStringLiteral("la copia convertita non si può creare (%1)").arg(e.Description()));
  }
  store->Begin();
  qint64 done = 0;
  QElapsedTimer since;
  since.start();
  for (int i = 0; i < static_cast<int>(reader.Tables().size()); ++i) {
    const JetTableSchema &schema = reader.Tables()[static_cast<size_t>(i)];
    detail::TableInfo t = schema.info;
    qint64 rows = 0;
    for (;;) {
      const qint64 done_before = done;
      store->Begin();
      try {
        rows = CopyTable(reader, i, t, *store, out, done, total, since);
        store->Commit();
        break;
      } catch (const EmptyRequired &empty) {
        store->Rollback();
        done = done_before;
        for (int c : empty.columns) {
          t.columns[static_cast<size_t>(c)].required = false;
          note(QStringLiteral("la colonna \"%1\" della tabella \"%2\" è richiesta ma alcune righe la lasciano vuota: "
                              "nella copia può restare vuota")
                   .arg(t.columns[static_cast<size_t>(c)].name, t.name));
        }
      }
    }
    out.Send({{QStringLiteral("k"), QStringLiteral("table")},
              {QStringLiteral("name"), t.name},
              {QStringLiteral("rows"), static_cast<double>(rows)},
              {QStringLiteral("expected"), static_cast<double>(schema.expected_rows)}});
    out.Send({{QStringLiteral("k"), QStringLiteral("progress")},
              {QStringLiteral("done"), static_cast<double>(done)},
              {QStringLiteral("total"), static_cast<double>(total)},
              {QStringLiteral("table"), t.name}});
  }
  for (const JetStoredQuery &q : reader.Queries()) {
    if (store->FindTable(q.name) || store->FindQuery(q.name, nullptr, nullptr)) {
      note(QStringLiteral("la query \"%1\" ha il nome di un altro oggetto e non è stata copiata").arg(q.name));
      continue;
    }
    const RebuiltQuery rebuilt = RebuildJetQuery(q.rows);
    try {
      store->SaveQuery(q.name, rebuilt.sql);
    } catch (const EJetError &e) {
      if (DiskFull(*store)) NoRoom();
      throw;
    }
    out.Send({{QStringLiteral("k"), QStringLiteral("query")},
              {QStringLiteral("name"), q.name},
              {QStringLiteral("sql"), rebuilt.sql},
              {QStringLiteral("problem"), rebuilt.problem}});
  }
  try {
    store->Commit();
  } catch (const EJetError &e) {
    if (DiskFull(*store)) NoRoom();
    throw;
  }
  store->Close();
}

}  // namespace

bool ETakeoverError::InheritsFrom(const char *class_name) const {
  return std::strcmp(class_name, "ETakeoverError") == 0 || EJetError::InheritsFrom(class_name);
}

qint64 TakeoverSummary::TotalRows() const {
  qint64 n = 0;
  for (const TakeoverTable &t : tables) n += t.rows;
  return n;
}

QString TakeoverSummary::Notice() const {
  QString text = QStringLiteral(
                     "L'archivio \"%1\" era nel formato %2 ed è stato convertito nel formato del "
                     "programma: %3 tabelle, %4 righe, %5 query.")
                     .arg(QFileInfo(file).fileName(), format, Count(static_cast<qint64>(tables.size())),
                          Count(TotalRows()), Count(queries.size()));
  if (!original.isEmpty())
    text += QStringLiteral("\n\nL'archivio originale è conservato, invariato, in:\n%1")
                .arg(QDir::toNativeSeparators(original));
  if (!untranslated.empty()) {
    QStringList names;
    for (const TakeoverQuery &q : untranslated) names << QStringLiteral("\"%1\"").arg(q.name);
    text += QStringLiteral("\n\nQuery conservate ma non eseguibili dal programma: %1.")
                .arg(names.join(QStringLiteral(", ")));
  }
  if (!notes.isEmpty()) text += QStringLiteral("\n\nNote: ") + notes.join(QStringLiteral("; ")) + QLatin1Char('.');
  return text;
}

QString TakeoverSummary::Report() const {
  QStringList lines;
  lines << QStringLiteral("Archivio convertito: %1 (%2, %3 byte; ora %4 byte)")
               .arg(QDir::toNativeSeparators(file), format, Count(jet_bytes), Count(new_bytes));
  if (!original.isEmpty())
    lines << QStringLiteral("Originale conservato in: %1").arg(QDir::toNativeSeparators(original));
  lines << QStringLiteral("Tabelle: %1, righe: %2").arg(Count(static_cast<qint64>(tables.size())), Count(TotalRows()));
  for (const TakeoverTable &t : tables) lines << QStringLiteral("  %1: %2 righe").arg(t.name, Count(t.rows));
  lines << QStringLiteral("Query: %1, eseguibili: %2")
               .arg(Count(queries.size()), Count(queries.size() - static_cast<qint64>(untranslated.size())));
  for (const TakeoverQuery &q : untranslated)
    lines << QStringLiteral("  non eseguibile: %1 (%2)").arg(q.name, QString(q.reason).replace(u'\n', u' '));
  for (const QString &n : notes) lines << QStringLiteral("Nota: %1").arg(n);
  return lines.join(QLatin1Char('\n'));
}

QString KeptJetName(const QString &path, int attempt) {
  const QFileInfo info(path);
  const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
  const QString base = suffix.isEmpty() ? info.fileName() : info.fileName().chopped(suffix.size());
  const QString tag = attempt <= 1 ? QStringLiteral(" (Jet)") : QStringLiteral(" (Jet %1)").arg(attempt);
  return info.dir().filePath(base + tag + suffix);
}

TakeoverSummary TakeOverJetFile(const QString &path, const TakeoverOptions &options) {
  // Through a symbolic link: the linked file is converted where it is, and
  // the link stays.
  const QString real = rtl::WriteThroughPath(path);
  Conversion c(real, QFileInfo(real).absolutePath(), options);
  c.Run();
  c.PlaceInPlace();
  return c.summary;
}

TakeoverSummary ConvertJetFile(const QString &jet_path, const QString &target, const TakeoverOptions &options) {
  const QFileInfo t(target);
  if (t.exists())
    Fail(kErrDatabaseExists, jet_path,
         QStringLiteral("il file \"%1\" esiste già").arg(QDir::toNativeSeparators(target)));
  if (!t.absoluteDir().exists())
    Fail(kErrPathNotValid, jet_path,
         QStringLiteral("la cartella \"%1\" non esiste").arg(QDir::toNativeSeparators(t.absolutePath())));
  Conversion c(jet_path, t.absolutePath(), options);
  c.Run();
  c.PlaceAt(t.absoluteFilePath());
  return c.summary;
}

void SetTakeoverProgress(std::function<void(qint64, qint64, const QString &)> progress) {
  OpeningProgress() = std::move(progress);
}

const TakeoverOptions &OpeningTakeoverOptions() {
  static TakeoverOptions options;
  options.progress = OpeningProgress();
  return options;
}

int RunJetReader(int argc, char **argv) {
  if (argc < kReaderArgs) return 2;
  ::signal(SIGPIPE, SIG_DFL);
  Reporter out(std::atoi(argv[4]));
  try {
    Convert(QFile::decodeName(argv[2]), QFile::decodeName(argv[3]), out);
  } catch (const EJetError &e) {
    out.Send({{QStringLiteral("k"), QStringLiteral("error")},
              {QStringLiteral("number"), e.Number()},
              {QStringLiteral("text"), e.Description()}});
    return 1;
  } catch (const rtl::Exception &e) {
    out.Send({{QStringLiteral("k"), QStringLiteral("error")},
              {QStringLiteral("number"), kErrEngine},
              {QStringLiteral("text"), e.Message()}});
    return 1;
  } catch (const std::bad_alloc &) {
    out.Send({{QStringLiteral("k"), QStringLiteral("error")},
              {QStringLiteral("number"), kErrDamaged},
              {QStringLiteral("text"),
               QStringLiteral("la lettura del file Jet ha esaurito la memoria: il file è probabilmente danneggiato")}});
    return 1;
  }
  out.Send({{QStringLiteral("k"), QStringLiteral("done")}});
  return 0;
}

}  // namespace jet
