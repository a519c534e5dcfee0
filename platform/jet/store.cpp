// SQLite connection, catalogue and error mapping of the engine (see store.h).
#include "platform/jet/store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <cstring>

#include "platform/rtl/datetime.h"

namespace jet::detail {

namespace {

// Each connection is used by one thread only (the program's), so SQLite
// need not lock it around every call, as it otherwise does for each value
// read.
constexpr int kOneThread = SQLITE_OPEN_NOMUTEX;

}  // namespace

namespace {

const char kCatalogueDdl[] =
    "CREATE TABLE MSysObjects (Name TEXT NOT NULL COLLATE NOCASE PRIMARY KEY,"
    " Type INTEGER NOT NULL, Attributes INTEGER NOT NULL DEFAULT 0,"
    " DateCreate REAL, DateUpdate REAL, SQL TEXT);"
    "CREATE TABLE MSysColumns (TableName TEXT NOT NULL COLLATE NOCASE,"
    " Name TEXT NOT NULL COLLATE NOCASE, Ordinal INTEGER NOT NULL, Type INTEGER NOT NULL,"
    " Size INTEGER NOT NULL, Attributes INTEGER NOT NULL, DefaultValue TEXT,"
    " Required INTEGER NOT NULL, AllowZeroLength INTEGER NOT NULL,"
    " ValidationRule TEXT, ValidationText TEXT, Properties TEXT,"
    " PRIMARY KEY (TableName, Name));"
    "CREATE TABLE MSysIndexes (TableName TEXT NOT NULL COLLATE NOCASE,"
    " Name TEXT NOT NULL COLLATE NOCASE, Ordinal INTEGER NOT NULL, FieldName TEXT NOT NULL,"
    " Descending INTEGER NOT NULL, IsPrimary INTEGER NOT NULL, IsUnique INTEGER NOT NULL,"
    " Required INTEGER NOT NULL, IgnoreNulls INTEGER NOT NULL,"
    " PRIMARY KEY (TableName, Name, Ordinal));";

bool IsCatalogueName(const QString &name) { return name.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive); }

QString PropertiesText(const std::map<QString, QString> &props) {
  QStringList lines;
  for (const auto &[k, v] : props) {
    QString value = v;
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
    lines << k + QLatin1Char('=') + value;
  }
  return lines.join(QLatin1Char('\n'));
}

std::map<QString, QString> ParseProperties(const QString &text) {
  std::map<QString, QString> props;
  if (text.isEmpty()) return props;
  for (const QString &line : text.split(QLatin1Char('\n'))) {
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0) continue;
    QString value;
    const QString raw = line.mid(eq + 1);
    for (int i = 0; i < raw.size(); ++i) {
      if (raw[i] == QLatin1Char('\\') && i + 1 < raw.size()) {
        ++i;
        value += raw[i] == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : raw[i];
      } else {
        value += raw[i];
      }
    }
    props[line.left(eq).toLower()] = value;
  }
  return props;
}

// Types of columns the catalogue does not describe (its own tables).
int TypeFromDecl(const QString &decl) {
  const QString d = decl.toUpper();
  if (d.contains(QLatin1String("INT"))) return dbLong;
  if (d.contains(QLatin1String("REAL")) || d.contains(QLatin1String("FLOA")) || d.contains(QLatin1String("DOUB")))
    return dbDouble;
  if (d.contains(QLatin1String("BLOB"))) return dbLongBinary;
  return dbText;
}

// A descriptor's path ("/proc/self/fd/4") names the converter's unnamed
// file. SQLite would resolve that link into a name that does not exist, and
// opens files without following links; such paths go through a file system
// that keeps the path as it is and opens it following the link.
const char kFdVfsName[] = "orbisca-fd";
sqlite3_vfs *base_vfs = nullptr;
sqlite3_syscall_ptr base_open = nullptr;

bool IsFdPath(const char *name) { return std::strncmp(name, "/proc/self/fd/", 14) == 0; }

int KeepFdPath(sqlite3_vfs *, const char *name, int size, char *out) {
  if (IsFdPath(name)) {
    sqlite3_snprintf(size, out, "%s", name);
    return SQLITE_OK;
  }
  return base_vfs->xFullPathname(base_vfs, name, size, out);
}

int OpenFollowingFd(const char *name, int flags, int mode) {
  if (IsFdPath(name)) flags &= ~O_NOFOLLOW;
  return reinterpret_cast<int (*)(const char *, int, int)>(base_open)(name, flags, mode);
}

const char *VfsFor(const QString &path) {
  if (!path.startsWith(QLatin1String("/proc/self/fd/"))) return nullptr;
  static const bool registered = [] {
    base_vfs = sqlite3_vfs_find(nullptr);
    if (!base_vfs || base_vfs->iVersion < 3 || !base_vfs->xGetSystemCall) return false;
    base_open = base_vfs->xGetSystemCall(base_vfs, "open");
    if (!base_open ||
        base_vfs->xSetSystemCall(base_vfs, "open", reinterpret_cast<sqlite3_syscall_ptr>(OpenFollowingFd)) != SQLITE_OK)
      return false;
    static sqlite3_vfs vfs = *base_vfs;
    vfs.zName = kFdVfsName;
    vfs.xFullPathname = KeepFdPath;
    return sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
  }();
  return registered ? kFdVfsName : nullptr;
}

}  // namespace

// ---- Stmt -------------------------------------------------------------------

Stmt &Stmt::operator=(Stmt &&o) noexcept {
  if (this != &o) {
    if (owned_ && stmt_) sqlite3_finalize(stmt_);
    db_ = o.db_;
    stmt_ = o.stmt_;
    owned_ = o.owned_;
    o.stmt_ = nullptr;
  }
  return *this;
}

Stmt::~Stmt() {
  if (owned_ && stmt_) sqlite3_finalize(stmt_);
}

void Stmt::Bind(int index, const rtl::Variant &v) {
  int rc = SQLITE_OK;
  switch (v.Type()) {
    case rtl::VarType::Empty:
    case rtl::VarType::Null:
      rc = sqlite3_bind_null(stmt_, index);
      break;
    case rtl::VarType::Integer:
    case rtl::VarType::Int64:
      rc = sqlite3_bind_int64(stmt_, index, v.AsInt64());
      break;
    case rtl::VarType::Boolean:
      rc = sqlite3_bind_int(stmt_, index, v.AsBoolean() ? -1 : 0);
      break;
    case rtl::VarType::Double:
    case rtl::VarType::Currency:
    case rtl::VarType::Date:
      rc = sqlite3_bind_double(stmt_, index, v.AsDouble());
      break;
    case rtl::VarType::String: {
      const QByteArray utf8 = v.AsString().toUtf8();
      rc = sqlite3_bind_text(stmt_, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
      break;
    }
    case rtl::VarType::Bytes: {
      const QByteArray bytes = v.AsBytes();
      rc = sqlite3_bind_blob(stmt_, index, bytes.constData(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
      break;
    }
    case rtl::VarType::Array:
      Raise(kErrConversion, QStringLiteral("Data type conversion error."));
  }
  if (rc != SQLITE_OK) Raise(kErrEngine, QString::fromUtf8(sqlite3_errmsg(db_)));
}

void Stmt::BindAll(const std::vector<rtl::Variant> &values) {
  for (size_t i = 0; i < values.size(); ++i) Bind(static_cast<int>(i) + 1, values[i]);
}

int Stmt::ColumnCount() const { return sqlite3_column_count(stmt_); }

std::int64_t Stmt::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

ColumnParts Stmt::Parts(int column, int jet_type) const {
  ColumnParts p;
  const int kind = sqlite3_column_type(stmt_, column);
  if (kind == SQLITE_NULL) return p;
  auto integer = [&](ColumnParts::Kind k, std::int64_t v) {
    p.kind = k;
    p.integer = v;
    return p;
  };
  auto real = [&](ColumnParts::Kind k, double v) {
    p.kind = k;
    p.real = v;
    return p;
  };
  switch (jet_type) {
    case dbBoolean:
      return integer(ColumnParts::kBoolean, sqlite3_column_int64(stmt_, column) != 0 ? 1 : 0);
    case dbByte:
    case dbInteger:
    case dbLong:
      if (kind == SQLITE_INTEGER)
        return integer(ColumnParts::kInteger, static_cast<int>(sqlite3_column_int64(stmt_, column)));
      break;
    case dbCurrency:
      return real(ColumnParts::kCurrency, sqlite3_column_double(stmt_, column));
    case dbSingle:
    case dbDouble:
      if (kind == SQLITE_INTEGER || kind == SQLITE_FLOAT)
        return real(ColumnParts::kDouble, sqlite3_column_double(stmt_, column));
      break;
    case dbDate:
      if (kind == SQLITE_INTEGER || kind == SQLITE_FLOAT)
        return real(ColumnParts::kDate, sqlite3_column_double(stmt_, column));
      break;
    default:
      break;
  }
  switch (kind) {
    case SQLITE_INTEGER: {
      const std::int64_t v = sqlite3_column_int64(stmt_, column);
      return integer(v >= INT32_MIN && v <= INT32_MAX ? ColumnParts::kInteger : ColumnParts::kInt64, v);
    }
    case SQLITE_FLOAT:
      return real(ColumnParts::kDouble, sqlite3_column_double(stmt_, column));
    case SQLITE_BLOB:
      p.kind = ColumnParts::kBytes;
      p.data = static_cast<const char *>(sqlite3_column_blob(stmt_, column));
      p.size = sqlite3_column_bytes(stmt_, column);
      return p;
    default:
      p.kind = ColumnParts::kText;
      p.data = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, column));
      p.size = sqlite3_column_bytes(stmt_, column);
      return p;
  }
}

rtl::Variant ColumnParts::ToVariant() const {
  switch (kind) {
    case kNull:
      return rtl::Variant::Null();
    case kBoolean:
      return rtl::Variant(integer != 0);
    case kInteger:
      return rtl::Variant(static_cast<int>(integer));
    case kInt64:
      return rtl::Variant(static_cast<long long>(integer));
    case kDouble:
      return rtl::Variant(real);
    case kCurrency:
      return rtl::Variant::FromCurrency(real);
    case kDate:
      return rtl::Variant::FromDate(real);
    case kText:
      return rtl::Variant(QString::fromUtf8(data, size));
    case kBytes:
      return rtl::Variant(QByteArray(data, size));
  }
  return rtl::Variant::Null();
}

rtl::Variant Stmt::Value(int column, int jet_type) const { return Parts(column, jet_type).ToVariant(); }

bool Stmt::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  // sqlite3_step gives the extended code; the message belongs to the statement.
  const int code = sqlite3_extended_errcode(db_);
  const QString msg = QString::fromUtf8(sqlite3_errmsg(db_));
  sqlite3_reset(stmt_);
  // Map as Store::Fail does, without needing the store.
  switch (code & 0xff) {
    case SQLITE_CONSTRAINT:
      if (code == SQLITE_CONSTRAINT_UNIQUE || code == SQLITE_CONSTRAINT_PRIMARYKEY)
        Raise(kErrDuplicateKey, QStringLiteral("The changes you requested to the table were not successful "
                                               "because they would create duplicate values in the index, "
                                               "primary key, or relationship. Change the data in the field or "
                                               "fields that contain duplicate data, remove the index, or "
                                               "redefine the index to permit duplicate entries and try again."));
      if (code == SQLITE_CONSTRAINT_NOTNULL) {
        QString field = msg.section(QLatin1Char('.'), -1);
        Raise(kErrRequiredFieldNull, QStringLiteral("The field '%1' cannot contain a Null value because the Required "
                                                    "property for this field is set to True. Enter a value in this "
                                                    "field.")
                                         .arg(field));
      }
      if (code == SQLITE_CONSTRAINT_CHECK && msg.contains(QLatin1String("key:")))
        Raise(kErrKeyNull, QStringLiteral("Index or primary key cannot contain a Null value."));
      if (code == SQLITE_CONSTRAINT_CHECK && msg.contains(QLatin1String("width:")))
        Raise(kErrFieldTooSmall, QStringLiteral("The field is too small to accept the amount of data you "
                                                "attempted to add. Try inserting or pasting less data."));
      Raise(kErrEngine, msg);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      NoteDamage(QString::fromUtf8(sqlite3_db_filename(db_, "main")));
      Raise(kErrDamaged, QStringLiteral("Il file del database è danneggiato: %1.").arg(msg));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      Raise(kErrLocked, QStringLiteral("Aggiornamento non riuscito: i dati sono bloccati da un'altra sessione."));
    case SQLITE_READONLY:
      Raise(kErrReadOnly, QString::fromUtf8(kMsgReadOnly));
    case SQLITE_FULL:
    case SQLITE_IOERR:
      Raise(kErrEngine, QStringLiteral("Disk or input/output error: %1.").arg(msg));
    default:
      Raise(kErrEngine, msg);
  }
}

void Stmt::Reset() {
  if (stmt_) {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
}

// ---- Store --------------------------------------------------------------------

int TableInfo::Column(const QString &n) const {
  for (size_t i = 0; i < columns.size(); ++i)
    if (columns[i].name.compare(n, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  return -1;
}

const IndexInfo *TableInfo::FindIndex(const QString &n) const {
  for (const IndexInfo &i : indexes)
    if (i.name.compare(n, Qt::CaseInsensitive) == 0) return &i;
  return nullptr;
}

namespace {

// The stores open in this process, for AnyStoreChangedElsewhere.
std::vector<Store *> &OpenStores() {
  static auto &stores = *new std::vector<Store *>;
  return stores;
}

// Where SQLite keeps the file change counter in the database header.
constexpr off_t kChangeCounterOffset = 24;

}  // namespace

Store::~Store() { Close(); }

void Store::Close() {
  for (Stmt *s : cache_) delete s;
  cache_.clear();
  auto &stores = OpenStores();
  stores.erase(std::remove(stores.begin(), stores.end(), this), stores.end());
  if (header_fd_ >= 0) ::close(header_fd_);
  header_fd_ = -1;
  counter_known_ = false;
  if (db_) {
    if (level_ > 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
  level_ = 0;
}

void Store::CheckOpen() const {
  if (!db_) Raise(kErrObjectClosed, QString::fromLatin1(kMsgObjectClosed));
}

void Store::Fail(int rc, const QString &context) const {
  const QString msg = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString();
  switch (rc & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      NoteDamage(path_);
      Raise(kErrDamaged,
            QStringLiteral("Impossibile aprire il database «%1»: il file è danneggiato (%2).").arg(path_, msg));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      Raise(kErrLocked, QStringLiteral("Impossibile usare il database «%1»: il file è già in uso.").arg(path_));
    case SQLITE_READONLY:
      Raise(kErrReadOnly, QString::fromUtf8(kMsgReadOnly));
    default:
      Raise(kErrEngine, context.isEmpty() ? msg : context + QStringLiteral(": ") + msg);
  }
}

bool Store::ChangedElsewhere() {
  if (header_fd_ < 0) return true;
  unsigned char bytes[4];
  if (::pread(header_fd_, bytes, sizeof bytes, kChangeCounterOffset) != static_cast<ssize_t>(sizeof bytes)) return true;
  const std::uint32_t counter = qFromBigEndian<std::uint32_t>(bytes);
  const bool changed = !counter_known_ || counter != change_counter_;
  change_counter_ = counter;
  counter_known_ = true;
  return changed;
}

bool AnyStoreChangedElsewhere() {
  bool any = false;
  for (Store *s : OpenStores()) any = s->ChangedElsewhere() || any;
  return any;
}

void Store::InitConnection() {
  OpenStores().push_back(this);
  const QByteArray file = QFile::encodeName(path_);
  if (!path_.isEmpty() && path_ != QLatin1String(":memory:"))
    header_fd_ = ::open(file.constData(), O_RDONLY | O_CLOEXEC);
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, 2000);
  // Pages stay in memory up to this size (SQLite keeps 2 MiB): the day's
  // list after a sale reads pages of the journal and the stock all over a
  // large file, and reading them again from the system for every sale cost
  // most of the sale.
  sqlite3_exec(db_, "PRAGMA cache_size = -32768", nullptr, nullptr, nullptr);
  try {
    InstallSqliteExtensions(db_);
  } catch (const EJetError &e) {
    RecordError(e);
    throw;
  }
}

std::shared_ptr<Store> Store::Open(const QString &path, bool read_only, bool exclusive) {
  const QFileInfo info(path);
  if (!info.exists() || !info.isFile()) Raise(kErrFileNotFound, QStringLiteral("Could not find file '%1'.").arg(path));
  {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
      Raise(kErrLocked, QStringLiteral("Cannot open database '%1': %2.").arg(path, f.errorString()));
    const QByteArray head = f.read(100);
    if (head.size() >= 19 && head.startsWith(QByteArray("\x00\x01\x00\x00", 4)) &&
        (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB"))
      // Opened for writing, a Jet file is converted before it gets here (takeover.h).
      Raise(kErrUnrecognisedFormat, QStringLiteral("L'archivio \"%1\" è nel formato Jet: aperto in sola lettura non "
                                                   "viene convertito. Aprirlo una volta in scrittura (il programma lo "
                                                   "converte e ne conserva l'originale) o convertirlo con "
                                                   "orbisca-jet-convert. Il file non è stato modificato.")
                                        .arg(QDir::toNativeSeparators(path)));
    if (!head.startsWith(QByteArray("SQLite format 3\0", 16)))
      Raise(kErrUnrecognisedFormat, QStringLiteral("Formato del database non riconosciuto: il file «%1» non è un "
                                                   "archivio di questo programma.")
                                        .arg(path));
  }
  std::shared_ptr<Store> s(new Store);
  s->path_ = path;
  s->read_only_ = read_only;
  const int flags = (read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | kOneThread;
  const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &s->db_, flags, VfsFor(path));
  if (rc != SQLITE_OK) s->Fail(rc);
  s->InitConnection();
  // Rollback journal: nothing is left beside the file once it is closed.
  if (!read_only) s->Exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
  if (exclusive) s->Exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"));
  try {
    s->LoadCatalogue();
  } catch (const EJetError &e) {
    if (e.Number() == kErrEngine)
      Raise(kErrUnrecognisedFormat, QStringLiteral("Formato del database non riconosciuto: il file «%1» è un database "
                                                   "SQLite senza il catalogo di questo programma.")
                                        .arg(path));
    throw;
  }
  if (!read_only) s->RemoveStaleJournal();
  return s;
}

void Store::RemoveStaleJournal() {
  // A writer killed before it wrote anything into its journal leaves an
  // empty one, which SQLite rightly ignores but keeps beside the file until
  // the next change. Reading the catalogue has rolled back a journal that
  // held anything; under the write lock taken here nobody else is writing;
  // so a journal still there now is nobody's.
  const QString journal = path_ + QStringLiteral("-journal");
  if (!QFileInfo::exists(journal)) return;
  if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return;
  QFile::remove(journal);
  sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
}

std::shared_ptr<Store> Store::Create(const QString &path) {
  if (QFileInfo::exists(path)) Raise(kErrDatabaseExists, QStringLiteral("Database already exists: '%1'.").arg(path));
  const QFileInfo info(path);
  if (!info.absoluteDir().exists()) Raise(kErrPathNotValid, QStringLiteral("'%1' is not a valid path.").arg(path));
  std::shared_ptr<Store> s(new Store);
  s->path_ = path;
  const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &s->db_,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | kOneThread, nullptr);
  if (rc != SQLITE_OK) s->Fail(rc);
  s->InitConnection();
  s->Exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
  s->Exec(QString::fromLatin1(kCatalogueDdl));
  s->LoadCatalogue();
  return s;
}

std::shared_ptr<Store> Store::CreateScratch(const QString &path) {
  if (QFileInfo(path).size() != 0) Raise(kErrDatabaseExists, QStringLiteral("'%1' is not empty.").arg(path));
  std::shared_ptr<Store> s(new Store);
  s->path_ = path;
  const int rc =
      sqlite3_open_v2(QFile::encodeName(path).constData(), &s->db_, SQLITE_OPEN_READWRITE | kOneThread, VfsFor(path));
  if (rc != SQLITE_OK) s->Fail(rc);
  s->InitConnection();
  s->Exec(QStringLiteral("PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF"));
  s->Exec(QString::fromLatin1(kCatalogueDdl));
  s->LoadCatalogue();
  return s;
}

Stmt Store::Prepare(const QString &sql) {
  CheckOpen();
  const QByteArray utf8 = sql.toUtf8();
  sqlite3_stmt *stmt = nullptr;
  const int rc = sqlite3_prepare_v2(db_, utf8.constData(), static_cast<int>(utf8.size()), &stmt, nullptr);
  if (rc != SQLITE_OK) Fail(rc);
  return Stmt(db_, stmt);
}

Stmt &Store::Cached(const QString &sql) {
  auto it = cache_.find(sql);
  if (it != cache_.end()) {
    (*it)->Reset();
    return **it;
  }
  if (cache_.size() > 200) {
    for (Stmt *s : cache_) delete s;
    cache_.clear();
  }
  auto *stmt = new Stmt(Prepare(sql));
  cache_.insert(sql, stmt);
  return *stmt;
}

void Store::Atomically(const std::function<void()> &work) {
  const bool own_tx = sqlite3_get_autocommit(db_) != 0;
  if (own_tx) Exec(QStringLiteral("BEGIN"));
  try {
    work();
    if (own_tx) Exec(QStringLiteral("COMMIT"));
  } catch (...) {
    if (own_tx) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

void Store::Exec(const QString &sql) {
  CheckOpen();
  char *err = nullptr;
  const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err);
  if (err) sqlite3_free(err);
  if (rc != SQLITE_OK) Fail(sqlite3_extended_errcode(db_));
}

QString Store::Quote(const QString &name) {
  QString q = name;
  q.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + q + QLatin1Char('"');
}

QString Store::ColumnDecl(const FieldInfo &f, bool is_rowid) {
  const QString n = Quote(f.name);
  if (is_rowid) return n + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
  QString decl = n;
  switch (f.type) {
    case dbBoolean:
      return decl + QStringLiteral(" INTEGER NOT NULL DEFAULT 0");
    case dbByte:
    case dbInteger:
    case dbLong:
      decl += QStringLiteral(" INTEGER");
      break;
    case dbCurrency:
    case dbSingle:
    case dbDouble:
    case dbDate:
      decl += QStringLiteral(" REAL");
      break;
    case dbText:
    case dbMemo:
      decl += QStringLiteral(" TEXT COLLATE ") + QLatin1String(kCollationName);
      break;
    default:
      decl += QStringLiteral(" BLOB");
      break;
  }
  if (f.required) decl += QStringLiteral(" NOT NULL");
  if (f.type == dbText && f.size > 0)
    decl += QStringLiteral(" CONSTRAINT %1 CHECK (length(%2) <= %3)")
                .arg(Quote(QStringLiteral("width:") + f.name), n)
                .arg(f.size);
  return decl;
}

namespace {

// Literal text and dates translate by the locale and the year of the moment.
bool HasLiterals(const QString &sql) { return sql.contains(u'"') || sql.contains(u'\'') || sql.contains(u'#'); }

// Statements kept before the list is started again.
constexpr qsizetype kMaxTranslations = 500;

}  // namespace

void Store::LoadCatalogue() {
  tables_.clear();
  queries_.clear();
  translations_.clear();
  queries_have_literals_ = false;
  {
    Stmt st =
        Prepare(QStringLiteral("SELECT Name, Type, Attributes, DateCreate, DateUpdate, SQL "
                               "FROM MSysObjects"));
    while (st.Step()) {
      const QString name = st.Value(0, dbText).AsString();
      if (st.Int(1) == 5) {
        const QString text = st.Value(5, dbText).AsString();
        queries_.insert(name.toLower(), {name, text});
        if (HasLiterals(text)) queries_have_literals_ = true;
      } else {
        TableInfo t;
        t.name = name;
        t.attributes = static_cast<std::int32_t>(st.Int(2));
        t.created = st.Value(3, dbDouble).IsNull() ? 0 : st.Value(3, dbDouble).AsDouble();
        t.updated = st.Value(4, dbDouble).IsNull() ? 0 : st.Value(4, dbDouble).AsDouble();
        tables_.insert(name.toLower(), t);
      }
    }
  }
  {
    Stmt st =
        Prepare(QStringLiteral("SELECT TableName, Name, Ordinal, Type, Size, Attributes, DefaultValue, Required, "
                               "AllowZeroLength, ValidationRule, ValidationText, Properties FROM MSysColumns "
                               "ORDER BY TableName, Ordinal"));
    while (st.Step()) {
      auto it = tables_.find(st.Value(0, dbText).AsString().toLower());
      if (it == tables_.end()) continue;
      FieldInfo f;
      f.name = st.Value(1, dbText).AsString();
      f.ordinal = static_cast<int>(st.Int(2));
      f.type = static_cast<int>(st.Int(3));
      f.size = static_cast<int>(st.Int(4));
      f.attributes = static_cast<int>(st.Int(5));
      f.default_value = rtl::VarToStr(st.Value(6, dbText));
      f.required = st.Int(7) != 0;
      f.allow_zero_length = st.Int(8) != 0;
      f.validation_rule = rtl::VarToStr(st.Value(9, dbText));
      f.validation_text = rtl::VarToStr(st.Value(10, dbText));
      f.properties = ParseProperties(rtl::VarToStr(st.Value(11, dbText)));
      f.source_table = it->name;
      f.source_field = f.name;
      if (f.attributes & dbAutoIncrField) it->rowid_column = static_cast<int>(it->columns.size());
      it->columns.push_back(f);
    }
  }
  {
    Stmt st =
        Prepare(QStringLiteral("SELECT TableName, Name, FieldName, Descending, IsPrimary, IsUnique, Required, "
                               "IgnoreNulls FROM MSysIndexes ORDER BY TableName, Name, Ordinal"));
    while (st.Step()) {
      auto it = tables_.find(st.Value(0, dbText).AsString().toLower());
      if (it == tables_.end()) continue;
      const QString iname = st.Value(1, dbText).AsString();
      IndexInfo *idx = nullptr;
      for (IndexInfo &i : it->indexes)
        if (i.name.compare(iname, Qt::CaseInsensitive) == 0) idx = &i;
      if (!idx) {
        it->indexes.push_back({});
        idx = &it->indexes.back();
        idx->name = iname;
        idx->primary = st.Int(4) != 0;
        idx->unique = st.Int(5) != 0;
        idx->required = st.Int(6) != 0;
        idx->ignore_nulls = st.Int(7) != 0;
      }
      idx->fields.emplace_back(st.Value(2, dbText).AsString(), st.Int(3) != 0);
    }
  }
  // The catalogue's own tables, described from SQLite's schema.
  for (const char *sys : {"MSysObjects", "MSysColumns", "MSysIndexes"}) {
    TableInfo t;
    t.name = QString::fromLatin1(sys);
    t.attributes = dbSystemObject;
    Stmt st = Prepare(QStringLiteral("PRAGMA table_info(%1)").arg(Quote(t.name)));
    while (st.Step()) {
      FieldInfo f;
      f.name = st.Value(1, dbText).AsString();
      f.type = TypeFromDecl(st.Value(2, dbText).AsString());
      f.size = f.type == dbText ? 255 : FieldInfo::DefaultSize(f.type);
      f.ordinal = static_cast<int>(t.columns.size());
      f.source_table = t.name;
      f.source_field = f.name;
      t.columns.push_back(f);
    }
    tables_.insert(t.name.toLower(), t);
  }
  catalogue_loaded_ = true;
}

TranslatedSql Store::Translated(const QString &sql, const TranslateOptions &options) {
  if (queries_have_literals_ || HasLiterals(sql)) return TranslateSql(sql, Resolver(), options);
  const QString key = (options.with_rowid ? QStringLiteral("r:") : QStringLiteral("-:")) + sql;
  const auto found = translations_.constFind(key);
  if (found != translations_.cend()) return *found;
  TranslatedSql translated = TranslateSql(sql, Resolver(), options);
  if (translations_.size() >= kMaxTranslations) translations_.clear();
  translations_.insert(key, translated);
  return translated;
}

void Store::ReloadCatalogue() {
  CheckOpen();
  LoadCatalogue();
}

const TableInfo *Store::FindTable(const QString &name) {
  auto it = tables_.find(name.toLower());
  return it == tables_.end() ? nullptr : &*it;
}

QStringList Store::TableNames() {
  QStringList names;
  for (const TableInfo &t : tables_) names << t.name;
  names.sort(Qt::CaseInsensitive);
  return names;
}

bool Store::FindQuery(const QString &name, QString *stored_name, QString *sql) {
  auto it = queries_.find(name.toLower());
  if (it == queries_.end()) return false;
  if (stored_name) *stored_name = it->first;
  if (sql) *sql = it->second;
  return true;
}

QStringList Store::QueryNames() {
  QStringList names;
  for (const auto &q : queries_) names << q.first;
  names.sort(Qt::CaseInsensitive);
  return names;
}

SourceResolver Store::Resolver() {
  return [this](const QString &name) {
    SourceInfo info;
    if (const TableInfo *t = FindTable(name)) {
      info.found = true;
      info.name = t->name;
      for (const FieldInfo &f : t->columns) info.columns.push_back({f.name, f.type, f.size});
    } else {
      QString stored, sql;
      if (FindQuery(name, &stored, &sql)) {
        info.found = true;
        info.name = stored;
        info.query_sql = sql;
      }
    }
    return info;
  };
}

void Store::CreateTable(const TableInfo &table) {
  CheckOpen();
  if (table.name.trimmed().isEmpty() || IsCatalogueName(table.name))
    Raise(kErrInvalidArgument, QStringLiteral("Invalid table name '%1'.").arg(table.name));
  if (FindTable(table.name) || FindQuery(table.name, nullptr, nullptr))
    Raise(kErrNameExists, QStringLiteral("Object '%1' already exists.").arg(table.name));
  if (table.columns.empty())
    Raise(kErrInvalidArgument, QStringLiteral("Table '%1' needs at least one field.").arg(table.name));
  int rowid = -1;
  for (size_t i = 0; i < table.columns.size(); ++i)
    if ((table.columns[i].attributes & dbAutoIncrField) && rowid < 0) rowid = static_cast<int>(i);
  QStringList decls;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    QString decl = ColumnDecl(table.columns[i], static_cast<int>(i) == rowid);
    // A primary key column never holds Null.
    for (const IndexInfo &idx : table.indexes)
      for (const auto &f : idx.fields)
        if (idx.primary && static_cast<int>(i) != rowid &&
            f.first.compare(table.columns[i].name, Qt::CaseInsensitive) == 0)
          decl += QStringLiteral(" CONSTRAINT %1 CHECK (%2 IS NOT NULL)")
                      .arg(Quote(QStringLiteral("key:") + table.columns[i].name), Quote(table.columns[i].name));
    decls << decl;
  }
  try {
    Atomically([&] {
      Exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(Quote(table.name), decls.join(QStringLiteral(", "))));
      const double now = rtl::Now();
      Stmt ins = Prepare(QStringLiteral(
          "INSERT INTO MSysObjects (Name, Type, Attributes, DateCreate, DateUpdate) VALUES (?,1,?,?,?)"));
      ins.BindAll({table.name, static_cast<int>(table.attributes), now, now});
      ins.Step();
      int ordinal = 0;
      for (const FieldInfo &f : table.columns) {
        FieldInfo c = f;
        c.ordinal = ordinal++;
        Stmt col = Prepare(
            QStringLiteral("INSERT INTO MSysColumns (TableName, Name, Ordinal, Type, Size, Attributes, DefaultValue,"
                           " Required, AllowZeroLength, ValidationRule, ValidationText, Properties)"
                           " VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"));
        int attrs = c.attributes & ~dbUpdatableField;
        if (c.type != dbText && c.type != dbMemo && c.type != dbLongBinary && c.type != dbBinary)
          attrs |= dbFixedField;
        else
          attrs = (attrs & ~dbFixedField) | dbVariableField;
        const int size = c.type == dbText ? (c.size > 0 ? c.size : 255) : FieldInfo::DefaultSize(c.type);
        col.BindAll({table.name, c.name, c.ordinal, c.type, size, attrs,
                     c.default_value.isEmpty() ? rtl::Variant::Null() : rtl::Variant(c.default_value),
                     c.required ? 1 : 0, c.allow_zero_length ? 1 : 0,
                     c.validation_rule.isEmpty() ? rtl::Variant::Null() : rtl::Variant(c.validation_rule),
                     c.validation_text.isEmpty() ? rtl::Variant::Null() : rtl::Variant(c.validation_text),
                     PropertiesText(c.properties)});
        col.Step();
      }
      LoadCatalogue();
      for (const IndexInfo &i : table.indexes) CreateIndex(table.name, i);
    });
  } catch (...) {
    LoadCatalogue();
    throw;
  }
  LoadCatalogue();
  Touch();
}

void Store::AddColumn(const QString &table, const FieldInfo &field) {
  const TableInfo *t = FindTable(table);
  if (!t) Raise(kErrTableNotFound, QStringLiteral("Tabella «%1» non trovata.").arg(table));
  if (t->Column(field.name) >= 0)
    Raise(kErrNameExists, QStringLiteral("Field '%1' already exists in table '%2'.").arg(field.name, t->name));
  if (field.attributes & dbAutoIncrField)
    Raise(kErrInvalidOperation, QStringLiteral("An auto-increment field can only be created with its table."));
  FieldInfo f = field;
  if (f.type == dbBoolean) f.required = false;  // the declaration has its own NOT NULL
  Atomically([&] {
    QString decl = ColumnDecl(f, false);
    if (f.required && f.type != dbBoolean) {
      // SQLite needs a default to add a NOT NULL column to existing rows.
      decl.replace(QStringLiteral(" NOT NULL"), QString());
      f.required = false;
    }
    Exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(Quote(t->name), decl));
    Stmt col = Prepare(
        QStringLiteral("INSERT INTO MSysColumns (TableName, Name, Ordinal, Type, Size, Attributes, DefaultValue,"
                       " Required, AllowZeroLength, ValidationRule, ValidationText, Properties)"
                       " VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"));
    const int size = f.type == dbText ? (f.size > 0 ? f.size : 255) : FieldInfo::DefaultSize(f.type);
    const int attrs = (f.type == dbText || f.type == dbMemo) ? dbVariableField : dbFixedField;
    col.BindAll({t->name, f.name, static_cast<int>(t->columns.size()), f.type, size, attrs,
                 f.default_value.isEmpty() ? rtl::Variant::Null() : rtl::Variant(f.default_value), 0,
                 f.allow_zero_length ? 1 : 0, rtl::Variant::Null(), rtl::Variant::Null(),
                 PropertiesText(f.properties)});
    col.Step();
  });
  LoadCatalogue();
  Touch();
}

void Store::CreateIndex(const QString &table, const IndexInfo &index) {
  const TableInfo *t = FindTable(table);
  if (!t) Raise(kErrTableNotFound, QStringLiteral("Tabella «%1» non trovata.").arg(table));
  if (index.name.trimmed().isEmpty() || index.fields.empty())
    Raise(kErrInvalidArgument, QStringLiteral("An index needs a name and at least one field."));
  if (index.fields.size() > 10) Raise(kErrInvalidArgument, QStringLiteral("An index can have at most 10 fields."));
  if (t->FindIndex(index.name)) Raise(kErrNameExists, QStringLiteral("Index '%1' already exists.").arg(index.name));
  if (index.primary)
    for (const IndexInfo &i : t->indexes)
      if (i.primary) Raise(kErrNameExists, QStringLiteral("Primary key already exists."));
  QStringList cols;
  bool only_rowid = index.fields.size() == 1;
  for (const auto &[name, desc] : index.fields) {
    const int c = t->Column(name);
    if (c < 0) Raise(kErrItemNotFound, QStringLiteral("Field '%1' not found in table '%2'.").arg(name, t->name));
    if (c != t->rowid_column) only_rowid = false;
    cols << Quote(t->columns[static_cast<size_t>(c)].name) + (desc ? QStringLiteral(" DESC") : QString());
  }
  const QString tname = t->name;
  try {
    Atomically([&] {
      // The row id column is already unique and ordered.
      if (!only_rowid)
        Exec(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                 .arg(index.unique || index.primary ? QStringLiteral("UNIQUE ") : QString(),
                      Quote(tname + QStringLiteral(".") + index.name), Quote(tname), cols.join(QStringLiteral(", "))));
      int ordinal = 0;
      for (const auto &[name, desc] : index.fields) {
        Stmt ins = Prepare(
            QStringLiteral("INSERT INTO MSysIndexes (TableName, Name, Ordinal, FieldName, Descending, IsPrimary,"
                           " IsUnique, Required, IgnoreNulls) VALUES (?,?,?,?,?,?,?,?,?)"));
        ins.BindAll({tname, index.name, ordinal++, name, desc ? 1 : 0, index.primary ? 1 : 0,
                     index.unique || index.primary ? 1 : 0, index.required || index.primary ? 1 : 0,
                     index.ignore_nulls ? 1 : 0});
        ins.Step();
      }
    });
  } catch (const EJetError &e) {
    if (e.Number() == kErrDuplicateKey || e.Description().contains(QLatin1String("UNIQUE")))
      Raise(kErrDuplicateKey, QStringLiteral("Cannot create the unique index '%1': the table holds duplicate "
                                             "values.")
                                  .arg(index.name));
    throw;
  }
  LoadCatalogue();
  Touch();
}

void Store::DropTable(const QString &table) {
  const TableInfo *t = FindTable(table);
  if (!t || (t->attributes & dbSystemObject))
    Raise(kErrTableNotFound, QStringLiteral("Tabella «%1» non trovata.").arg(table));
  const QString name = t->name;
  Atomically([&] {
    Exec(QStringLiteral("DROP TABLE %1").arg(Quote(name)));
    for (const char *sql : {"DELETE FROM MSysObjects WHERE Name = ?", "DELETE FROM MSysColumns WHERE TableName = ?",
                            "DELETE FROM MSysIndexes WHERE TableName = ?"}) {
      Stmt st = Prepare(QString::fromLatin1(sql));
      st.Bind(1, name);
      st.Step();
    }
  });
  LoadCatalogue();
  Touch();
}

void Store::DropIndex(const QString &table, const QString &index) {
  const TableInfo *t = FindTable(table);
  if (!t) Raise(kErrTableNotFound, QStringLiteral("Tabella «%1» non trovata.").arg(table));
  const IndexInfo *i = t->FindIndex(index);
  if (!i) Raise(kErrItemNotFound, QStringLiteral("Index '%1' not found.").arg(index));
  Exec(QStringLiteral("DROP INDEX IF EXISTS %1").arg(Quote(t->name + QStringLiteral(".") + i->name)));
  Stmt st = Prepare(QStringLiteral("DELETE FROM MSysIndexes WHERE TableName = ? AND Name = ?"));
  st.BindAll({t->name, i->name});
  st.Step();
  LoadCatalogue();
  Touch();
}

void Store::SaveQuery(const QString &name, const QString &sql) {
  if (FindTable(name)) Raise(kErrNameExists, QStringLiteral("Object '%1' already exists.").arg(name));
  const double now = rtl::Now();
  Stmt st =
      Prepare(QStringLiteral("INSERT INTO MSysObjects (Name, Type, Attributes, DateCreate, DateUpdate, SQL) "
                             "VALUES (?,5,0,?,?,?) ON CONFLICT(Name) DO UPDATE SET SQL = excluded.SQL, "
                             "DateUpdate = excluded.DateUpdate"));
  st.BindAll({name, now, now, sql});
  st.Step();
  LoadCatalogue();
}

void Store::DeleteQuery(const QString &name) {
  if (!FindQuery(name, nullptr, nullptr)) Raise(kErrItemNotFound, QString::fromLatin1(kMsgItemNotFound).arg(name));
  Stmt st = Prepare(QStringLiteral("DELETE FROM MSysObjects WHERE Name = ? AND Type = 5"));
  st.Bind(1, name);
  st.Step();
  LoadCatalogue();
}

std::int64_t Store::NextRowId(const QString &table) {
  QString &sql = next_id_sql_[table];
  if (sql.isEmpty())
    sql = QStringLiteral(
              "SELECT max(coalesce((SELECT seq FROM sqlite_sequence WHERE name = ?1), 0),"
              " coalesce((SELECT max(rowid) FROM %1), 0))")
              .arg(Quote(table));
  Stmt &st = Cached(sql);
  st.Bind(1, table);
  st.Step();
  const std::int64_t v = st.Int(0) + 1;
  st.Reset();
  return v;
}

void Store::Begin() {
  CheckOpen();
  Exec(level_ == 0 ? QStringLiteral("BEGIN") : QStringLiteral("SAVEPOINT jet_t%1").arg(level_));
  ++level_;
}

void Store::Commit() {
  CheckOpen();
  if (level_ == 0) Raise(kErrTransaction, QStringLiteral("Commit or Rollback without BeginTrans."));
  --level_;
  Exec(level_ == 0 ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE jet_t%1").arg(level_));
}

void Store::Rollback() {
  CheckOpen();
  if (level_ == 0) Raise(kErrTransaction, QStringLiteral("Commit or Rollback without BeginTrans."));
  --level_;
  if (level_ == 0)
    Exec(QStringLiteral("ROLLBACK"));
  else
    Exec(QStringLiteral("ROLLBACK TO jet_t%1; RELEASE jet_t%1").arg(level_));
  LoadCatalogue();  // definitions made inside the transaction are gone too
  Touch();
}

}  // namespace jet::detail
