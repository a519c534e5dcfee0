// The real program's runs and what is read back from them (see
// program_fixture.h).
#include "tests/program/program_fixture.h"

#include <sqlite3.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QThread>

#include "platform/jet/jetsql.h"
#include "tools/lib/orbiscadb.h"

namespace program_test {

namespace {

QString ProgramPath() {
  const QByteArray env = qgetenv("ORBISCA_EXE");
  return env.isEmpty() ? QStringLiteral(ORBISCA_EXE) : QString::fromLocal8Bit(env);
}

// Runs one statement on a connection of the test's own.
bool Exec(sqlite3 *db, const char *sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

// A shell line of xdotool calls that types `text`: the text between line
// breaks typed, each line break the Enter key (this xdotool's "type" takes
// the rest of its line as text and does not turn a line break into Enter).
QString Keystrokes(const QString &text, int delay_ms) {
  QStringList calls;
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (int i = 0; i < lines.size(); ++i) {
    if (!lines[i].isEmpty()) {
      QString quoted = lines[i];
      quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
      calls << QStringLiteral("xdotool type --delay %1 '%2'").arg(delay_ms).arg(quoted);
    }
    if (i + 1 < lines.size()) calls << QStringLiteral("xdotool key Return");
  }
  return calls.join(QStringLiteral(" && "));
}

}  // namespace

int Patience(int timeout_ms) {
  bool ok = false;
  const int scale = qEnvironmentVariableIntValue("ORBISCA_TEST_TIME_SCALE", &ok);
  return ok && scale > 1 ? timeout_ms * scale : timeout_ms;
}

QString WhyNotRunnable() {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) return QStringLiteral("no X server (CTest runs these under xvfb-run)");
  for (const char *tool : {"xdotool", "cabextract"})
    if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
      return QStringLiteral("%1 is not installed (scripts/setup installs it)").arg(QString::fromLatin1(tool));
  if (!QFileInfo(ProgramPath()).isExecutable()) return QStringLiteral("the program is not built: ") + ProgramPath();
  return {};
}

QString Soundness::Describe() const {
  if (!opened) return QStringLiteral("the database does not open");
  return QStringLiteral("integrity: %1; %2 journal rows; stock differing from the journal: %3")
      .arg(integrity)
      .arg(journal_rows)
      .arg(mismatches.isEmpty() ? QStringLiteral("none") : mismatches.join(QStringLiteral(", ")));
}

Soundness CheckDatabase(const QString &original) {
  Soundness s;
  if (!QFileInfo(original).isFile()) return s;
  // A copy, with the journal a kill may have left: opened read-write, the
  // journal is rolled back as the program's next start will do, while the
  // program's own files stay for that start to deal with.
  QTemporaryDir copy;
  const QString path = copy.filePath(QStringLiteral("orbisca4.mdb"));
  if (!QFile::copy(original, path)) return s;
  const QString journal = original + QStringLiteral("-journal");
  if (QFileInfo::exists(journal)) QFile::copy(journal, path + QStringLiteral("-journal"));
  sqlite3 *db = nullptr;
  if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return s;
  }
  jet::InstallSqliteExtensions(db);
  sqlite3_stmt *st = nullptr;
  if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK) {
    s.opened = true;
    QStringList lines;
    while (sqlite3_step(st) == SQLITE_ROW)
      lines << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    s.integrity = lines.join(QStringLiteral("; "));
  } else {
    s.integrity = QString::fromUtf8(sqlite3_errmsg(db));
  }
  sqlite3_finalize(st);
  if (s.opened &&
      sqlite3_prepare_v2(db,
                         "SELECT s.Barcode18, s.Giacenza, (SELECT coalesce(sum(j.Quantita), 0) FROM Giornale j "
                         "WHERE j.Barcode18 = s.Barcode18) FROM Giacenza s",
                         -1, &st, nullptr) == SQLITE_OK) {
    while (sqlite3_step(st) == SQLITE_ROW) {
      const double stock = sqlite3_column_double(st, 1), journal = sqlite3_column_double(st, 2);
      if (stock != journal)
        s.mismatches << QStringLiteral("%1: stock %2, journal %3")
                            .arg(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))))
                            .arg(stock)
                            .arg(journal);
    }
  } else if (s.opened) {
    s.mismatches << QString::fromUtf8(sqlite3_errmsg(db));
  }
  sqlite3_finalize(st);
  if (sqlite3_prepare_v2(db, "SELECT count(*) FROM Giornale", -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW)
    s.journal_rows = sqlite3_column_int(st, 0);
  sqlite3_finalize(st);
  sqlite3_close(db);
  return s;
}

DataFolder::DataFolder(int bulk_rows) {
  tools::CreateOrbiscaDatabase(Database());
  sqlite3 *db = nullptr;
  if (sqlite3_open_v2(QFile::encodeName(Database()).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "cannot fill " << Database().toStdString();
    sqlite3_close(db);
    return;
  }
  jet::InstallSqliteExtensions(db);
  Exec(db, "BEGIN");
  sqlite3_stmt *journal = nullptr, *stock = nullptr;
  sqlite3_prepare_v2(db,
                     "INSERT INTO Giornale (Data, Barcode18, Quantita, Prezzo_V, Tipo, Prezzo_A) "
                     "VALUES (?1, ?2, ?3, 2.5, ?4, 2.0)",
                     -1, &journal, nullptr);
  sqlite3_prepare_v2(db,
                     "INSERT INTO Giacenza (Barcode18, Barcode, Addon, Testata, Descrizione, Fornitore, Giacenza, "
                     "Ucarico, Periodo, Prezzo_V, Prezzo_A, Scadenza, CD) "
                     "VALUES (?1, ?2, ?3, ?4, 'n. 1', 'MEPE', ?5, 46000, 'SET', 2.5, 2.0, 46030, 0)",
                     -1, &stock, nullptr);
  QRandomGenerator rng(23);
  std::vector<double> totals(static_cast<size_t>(kArticles.size()), 0.0);
  auto add = [&](int article, double quantity, const char *kind, double day) {
    const QByteArray code = kArticles[article].toUtf8();
    sqlite3_bind_double(journal, 1, day);
    sqlite3_bind_text(journal, 2, code.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(journal, 3, quantity);
    sqlite3_bind_text(journal, 4, kind, -1, SQLITE_STATIC);
    sqlite3_step(journal);
    sqlite3_reset(journal);
    totals[static_cast<size_t>(article)] += quantity;
  };
  for (int a = 0; a < kArticles.size(); ++a) add(a, 500, "C", 45990);
  for (int i = 0; i < bulk_rows; ++i) {
    const int a = static_cast<int>(rng.bounded(kArticles.size()));
    add(a, rng.bounded(2) ? 1 : -1, rng.bounded(2) ? "C" : "S", 45000 + rng.bounded(1000));
  }
  for (int a = 0; a < kArticles.size(); ++a) {
    const QByteArray code = kArticles[a].toUtf8(), title = QStringLiteral("Articolo %1").arg(a + 1).toUtf8();
    sqlite3_bind_text(stock, 1, code.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stock, 2, code.left(13).constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stock, 3, code.mid(13).constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stock, 4, title.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(stock, 5, totals[static_cast<size_t>(a)]);
    if (sqlite3_step(stock) != SQLITE_DONE) ADD_FAILURE() << sqlite3_errmsg(db);
    sqlite3_reset(stock);
  }
  sqlite3_finalize(journal);
  sqlite3_finalize(stock);
  if (!Exec(db, "COMMIT")) ADD_FAILURE() << sqlite3_errmsg(db);
  sqlite3_close(db);
  QFile::setPermissions(runtime_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QStringList DataFolder::Leftovers() const {
  QStringList out;
  const QStringList own = {QStringLiteral("orbisca4.mdb"), QStringLiteral("backup4.cab"),
                           QStringLiteral("orbiscacfg.ini")};
  for (const QString &name :
       QDir(Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
    if (!own.contains(name) && !name.endsWith(QLatin1String(".kvf"))) out << name;
  const QString program_temp = QStringLiteral("orbisca-%1").arg(::getuid());
  for (const QString &name :
       QDir(TempFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
    if (name != program_temp) {
      out << QStringLiteral("temp/") + name;
      continue;
    }
    for (const QString &inner : QDir(QDir(TempFolder()).filePath(name))
                                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
      out << QStringLiteral("temp/") + name + QLatin1Char('/') + inner;
  }
  return out;
}

Soundness DataFolder::CheckBackup() const {
  QTemporaryDir out;
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), out.path(), Backup()});
  if (!p.waitForFinished(60000) || p.exitCode() != 0) return {};
  return CheckDatabase(out.filePath(QStringLiteral("orbisca4.mdb")));
}

ProgramRun::ProgramRun(const DataFolder &folder, const QString &data_path) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.RuntimeFolder());
  env.insert(QStringLiteral("TMPDIR"), folder.TempFolder());
  env.insert(QStringLiteral("ORBISCA_PROFILE_DIR"), folder.SettingsFolder() + QStringLiteral("/profile"));
  env.insert(QStringLiteral("ORBISCA_REGISTRY_DIR"), folder.SettingsFolder() + QStringLiteral("/registry"));
  env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("orbisca.lifecycle.info=true"));
  process_.setProcessEnvironment(env);
  process_.setWorkingDirectory(data_path.isEmpty() ? folder.Path() : data_path);
  process_.setProcessChannelMode(QProcess::MergedChannels);
  started_.start();
  process_.start(ProgramPath(), {});
  process_.waitForStarted(10000);
}

ProgramRun::~ProgramRun() {
  StopTyping();
  if (Running()) {
    Kill(SIGKILL);
    process_.waitForFinished(10000);
  }
}

QString ProgramRun::Log() {
  log_ += QString::fromLocal8Bit(process_.readAll());
  return log_;
}

bool ProgramRun::WaitForLog(const QString &text, int timeout_ms) {
  timeout_ms = Patience(timeout_ms);
  QElapsedTimer t;
  t.start();
  for (;;) {
    if (Log().contains(text)) return true;
    if (!Running() || t.elapsed() > timeout_ms) return Log().contains(text);
    process_.waitForReadyRead(20);
  }
}

bool ProgramRun::Xdotool(const QStringList &args, QString *out, int timeout_ms) {
  QProcess x;
  x.start(QStringLiteral("xdotool"), args);
  if (!x.waitForFinished(timeout_ms)) {
    x.kill();
    x.waitForFinished();
    return false;
  }
  if (out != nullptr) *out = QString::fromLocal8Bit(x.readAllStandardOutput());
  return x.exitCode() == 0;
}

QStringList ProgramRun::Windows() {
  QString out;
  Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), QString::number(Pid()),
           QStringLiteral("--name"), QStringLiteral(".")},
          &out);
  return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

unsigned long ProgramRun::MainWindow(int timeout_ms) {
  timeout_ms = Patience(timeout_ms);
  if (main_window_ != 0) return main_window_;
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < timeout_ms && Running()) {
    QString out;
    Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), QString::number(Pid()),
             QStringLiteral("--name"), QStringLiteral("^Gestione Orbisca 04")},
            &out);
    // xdotool's name pattern also lets the splash window ("Gestione
    // Orbisca") through: each name is read again and compared here.
    for (const QString &id : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
      QString name;
      if (Xdotool({QStringLiteral("getwindowname"), id}, &name) &&
          name.startsWith(QLatin1String("Gestione Orbisca 04")))
        return main_window_ = id.toULong();
    }
    QThread::msleep(20);
  }
  return 0;
}

bool ProgramRun::Type(const QString &text, int delay_ms) {
  const unsigned long window = MainWindow();
  if (window == 0) return false;
  if (!Xdotool({QStringLiteral("windowfocus"), QString::number(window)})) return false;
  QProcess typist;
  typist.start(QStringLiteral("sh"), {QStringLiteral("-c"), Keystrokes(text, delay_ms)});
  return typist.waitForFinished(60000) && typist.exitCode() == 0;
}

void ProgramRun::TypeInBackground(const QString &text, int delay_ms) {
  const unsigned long window = MainWindow();
  if (window == 0) return;
  Xdotool({QStringLiteral("windowfocus"), QString::number(window)});
  typist_ = std::make_unique<QProcess>();
  typist_->start(QStringLiteral("sh"), {QStringLiteral("-c"), Keystrokes(text, delay_ms)});
  typist_->waitForStarted();
}

void ProgramRun::StopTyping() {
  if (!typist_) return;
  if (typist_->state() != QProcess::NotRunning) {
    typist_->kill();
    typist_->waitForFinished(5000);
  }
  typist_.reset();
}

bool ProgramRun::Key(const QString &key) {
  const unsigned long window = MainWindow();
  return window != 0 && Xdotool({QStringLiteral("windowfocus"), QString::number(window)}) &&
         Xdotool({QStringLiteral("key"), key});
}

bool ProgramRun::AnswerDialog(int timeout_ms) {
  timeout_ms = Patience(timeout_ms);
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < timeout_ms && Running()) {
    for (const QString &id : Windows()) {
      if (id.toULong() == main_window_) continue;
      return Xdotool({QStringLiteral("windowfocus"), id}) && Xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    }
    QThread::msleep(30);
  }
  return false;
}

unsigned long ProgramRun::OtherWindow(int timeout_ms) {
  timeout_ms = Patience(timeout_ms);
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < timeout_ms && Running()) {
    for (const QString &id : Windows())
      if (id.toULong() != main_window_) return id.toULong();
    QThread::msleep(30);
  }
  return 0;
}

unsigned long ProgramRun::WindowTitled(const QString &title, int timeout_ms) {
  timeout_ms = Patience(timeout_ms);
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < timeout_ms && Running()) {
    for (const QString &id : Windows()) {
      QString name;
      if (Xdotool({QStringLiteral("getwindowname"), id}, &name) && name.startsWith(title)) return id.toULong();
    }
    QThread::msleep(30);
  }
  return 0;
}

bool ProgramRun::WaitUntilGone(unsigned long window, int timeout_ms) {
  timeout_ms = Patience(timeout_ms);
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < timeout_ms && Running()) {
    if (!Windows().contains(QString::number(window))) return true;
    QThread::msleep(30);
  }
  return false;
}

bool ProgramRun::OnlyTheMainWindow(int timeout_ms) {
  timeout_ms = Patience(timeout_ms);
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < timeout_ms && Running()) {
    const QStringList ids = Windows();
    if (std::all_of(ids.begin(), ids.end(), [this](const QString &id) { return id.toULong() == main_window_; }))
      return true;
    QThread::msleep(30);
  }
  return false;
}

bool ProgramRun::KeyToFocus(const QString &key) { return Xdotool({QStringLiteral("key"), key}); }

qint64 ProgramRun::WaitUntilCatching(int signal, int timeout_ms) {
  timeout_ms = Patience(timeout_ms);
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < timeout_ms && Running()) {
    QFile status(QStringLiteral("/proc/%1/status").arg(Pid()));
    if (status.open(QIODevice::ReadOnly)) {
      for (const QByteArray &line : status.readAll().split('\n')) {
        if (!line.startsWith("SigCgt:")) continue;
        const quint64 mask = line.mid(7).trimmed().toULongLong(nullptr, 16);
        if ((mask >> (signal - 1)) & 1U) return started_.elapsed();
      }
    }
    QThread::msleep(1);
  }
  return -1;
}

bool ProgramRun::WaitForChild(const QString &program, int timeout_ms) {
  timeout_ms = Patience(timeout_ms);
  const QByteArray parent = QByteArray::number(Pid());
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < timeout_ms && Running()) {
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
      QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
      if (!stat.open(QIODevice::ReadOnly)) continue;
      // "pid (name) state ppid ...": the name may hold blanks, the rest not.
      const QByteArray line = stat.readAll();
      const QList<QByteArray> after = line.mid(line.lastIndexOf(')') + 2).split(' ');
      if (after.size() < 2 || after[1] != parent) continue;
      QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
      if (cmdline.open(QIODevice::ReadOnly) && QString::fromLocal8Bit(cmdline.readAll()).contains(program)) return true;
    }
    QThread::msleep(5);
  }
  return false;
}

int ProgramRun::WaitForExit(int timeout_ms) {
  timeout_ms = Patience(timeout_ms);
  if (Running() && !process_.waitForFinished(timeout_ms)) return -1;
  Log();
  if (process_.exitStatus() == QProcess::CrashExit) {
    crashed_ = true;
    return -1;
  }
  return process_.exitCode();
}

}  // namespace program_test
