// The engine object, workspaces and the file-level services: create,
// open, compact (a fresh copy written by SQLite) and repair (an integrity
// check that names what is damaged).
#include "platform/jet/engine.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/jet/store.h"

namespace jet {

namespace detail {
const EJetError *LastError();
}

using detail::Raise;

// ---- Workspace ----------------------------------------------------------------------

void Workspace::Prune() const {
  std::erase_if(databases_, [](const std::weak_ptr<Database> &w) {
    auto db = w.lock();
    return !db || !db->IsOpen();
  });
}

DatabasePtr Workspace::OpenDatabase(const QString &path, bool exclusive, bool read_only, const QString &connect) {
  DatabasePtr db = Database::Open(path, exclusive, read_only, connect);
  // A database opened inside a transaction joins it.
  for (int i = 0; i < level_; ++i) db->GetStore().Begin();
  databases_.push_back(db);
  return db;
}

DatabasePtr Workspace::OpenConnection(const QString &name, int options, bool read_only, const QString &connect) {
  (void)options;  // the source's driver decides how it is shared
  if (type_ != dbUseODBC)
    Raise(kErrInvalidOperation, QStringLiteral("Operation is not supported for this type of object."));
  if (!connect.startsWith(QStringLiteral("ODBC;"), Qt::CaseInsensitive))
    Raise(kErrInvalidArgument, QStringLiteral("Invalid argument: a connection needs an ODBC connect string."));
  return OpenDatabase(name, false, read_only, connect);
}

DatabasePtr Workspace::CreateDatabase(const QString &path, const QString &locale, int options) {
  (void)locale;   // one collation for every database
  (void)options;  // one file format
  DatabasePtr db = Database::Create(path);
  databases_.push_back(db);
  return db;
}

int Workspace::DatabaseCount() const {
  Prune();
  return static_cast<int>(databases_.size());
}

DatabasePtr Workspace::Databases(int index) const {
  Prune();
  if (index < 0 || index >= static_cast<int>(databases_.size()))
    Raise(kErrItemNotFound, QStringLiteral("Item not found in this collection (%1).").arg(index));
  return databases_[static_cast<size_t>(index)].lock();
}

void Workspace::BeginTrans() {
  Prune();
  if (level_ >= 5) Raise(3003, QStringLiteral("Could not start transaction; too many transactions already nested."));
  for (auto &w : databases_)
    if (auto db = w.lock()) db->GetStore().Begin();
  ++level_;
}

void Workspace::CommitTrans() {
  Prune();
  if (level_ == 0) Raise(kErrTransaction, QStringLiteral("Commit or Rollback without BeginTrans."));
  for (auto &w : databases_)
    if (auto db = w.lock())
      if (db->GetStore().TransactionLevel() > 0) db->GetStore().Commit();
  --level_;
}

void Workspace::Rollback() {
  Prune();
  if (level_ == 0) Raise(kErrTransaction, QStringLiteral("Commit or Rollback without BeginTrans."));
  for (auto &w : databases_)
    if (auto db = w.lock())
      if (db->GetStore().TransactionLevel() > 0) {
        db->GetStore().Rollback();
        db->Refresh();
      }
  --level_;
}

void Workspace::Close() {
  while (level_ > 0) Rollback();
  for (auto &w : databases_)
    if (auto db = w.lock()) db->Close();
  databases_.clear();
}

// ---- DBEngine -------------------------------------------------------------------------

DBEngine::DBEngine() = default;

std::shared_ptr<Workspace> DBEngine::CreateWorkspace(const QString &name, const QString &user, const QString &password,
                                                     int type) {
  (void)password;  // files carry no user accounts
  if (type != dbUseJet && type != dbUseODBC)
    Raise(kErrInvalidArgument, QStringLiteral("Invalid argument: workspace type %1.").arg(type));
  return std::make_shared<Workspace>(name.isEmpty() ? QStringLiteral("#Default Workspace#") : name,
                                     user.isEmpty() ? default_user_ : user, type);
}

std::shared_ptr<Workspace> DBEngine::Workspaces(int index) const {
  if (index < 0 || index >= WorkspaceCount())
    Raise(kErrItemNotFound, QStringLiteral("Item not found in this collection (%1).").arg(index));
  return workspaces_[static_cast<size_t>(index)];
}

void DBEngine::AppendWorkspace(std::shared_ptr<Workspace> workspace) { workspaces_.push_back(std::move(workspace)); }

DatabasePtr DBEngine::OpenDatabase(const QString &path, bool exclusive, bool read_only, const QString &connect) {
  if (workspaces_.empty()) AppendWorkspace(CreateWorkspace({}, default_user_, default_password_));
  return workspaces_.front()->OpenDatabase(path, exclusive, read_only, connect);
}

DatabasePtr DBEngine::CreateDatabase(const QString &path, const QString &locale, int options) {
  if (workspaces_.empty()) AppendWorkspace(CreateWorkspace({}, default_user_, default_password_));
  return workspaces_.front()->CreateDatabase(path, locale, options);
}

void DBEngine::CompactDatabase(const QString &source, const QString &target, const QString &locale, int options,
                               const QString &password) {
  (void)locale;
  (void)options;
  (void)password;
  if (QFileInfo::exists(target))
    Raise(kErrDatabaseExists, QStringLiteral("Database already exists: '%1'. The compacted copy "
                                             "needs a new file name.")
                                  .arg(target));
  if (QFileInfo(source).absoluteFilePath() == QFileInfo(target).absoluteFilePath())
    Raise(kErrInvalidArgument, QStringLiteral("The compacted copy needs a file other than the source."));
  if (!QFileInfo(target).absoluteDir().exists())
    Raise(kErrPathNotValid, QStringLiteral("'%1' is not a valid path.").arg(target));
  auto store = detail::Store::Open(source, true, false);
  sqlite3_stmt *stmt = nullptr;
  int rc = sqlite3_prepare_v2(store->Db(), "VACUUM INTO ?1", -1, &stmt, nullptr);
  if (rc == SQLITE_OK) {
    const QByteArray name = QFile::encodeName(target);
    sqlite3_bind_text(stmt, 1, name.constData(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
  }
  const QString msg = QString::fromUtf8(sqlite3_errmsg(store->Db()));
  sqlite3_finalize(stmt);
  store->Close();
  if (rc != SQLITE_OK) {
    // A half-written copy is no copy (nor is its journal); the source is as it was.
    QFile::remove(target);
    QFile::remove(target + QStringLiteral("-journal"));
    const bool damaged = (rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB;
    if (damaged) detail::NoteDamage(source);
    Raise(damaged ? kErrDamaged : kErrEngine,
          QStringLiteral("Impossibile compattare «%1» in «%2»: %3.").arg(source, target, msg));
  }
}

void DBEngine::RepairDatabase(const QString &path) { CheckDatabase(path, false); }

bool DBEngine::DamageNoted(const QString &path) { return detail::DamageNoted(path); }

void DBEngine::ForgetDamage(const QString &path) { detail::ForgetDamage(path); }

void DBEngine::CheckDatabase(const QString &path, bool quick) {
  auto store = detail::Store::Open(path, true, false);
  QStringList problems;
  try {
    // The check reads every page once: keeping them would only cost.
    store->Exec(QStringLiteral("PRAGMA cache_size = -2000"));
    detail::Stmt st =
        store->Prepare(quick ? QStringLiteral("PRAGMA quick_check(20)") : QStringLiteral("PRAGMA integrity_check(20)"));
    while (st.Step()) {
      const QString line = st.Value(0, dbText).AsString();
      if (line != QLatin1String("ok")) problems << line;
    }
  } catch (const EJetError &e) {
    problems << e.Description();
  }
  store->Close();
  if (!problems.isEmpty()) detail::NoteDamage(path);
  if (!problems.isEmpty())
    Raise(kErrDamaged, QStringLiteral("Il database «%1» è danneggiato e non si può riparare: %2")
                           .arg(path, problems.join(QStringLiteral("; "))));
}

void DBEngine::Idle(int action) {
  // Cached rows are read again only when a file changed under them.
  if ((action & dbRefreshCache) && detail::AnyStoreChangedElsewhere()) detail::BumpRefreshEpoch();
}

int DBEngine::ErrorCount() const { return detail::LastError() ? 1 : 0; }

ErrorInfo DBEngine::Errors(int index) const {
  const EJetError *e = detail::LastError();
  if (!e || index != 0) Raise(kErrItemNotFound, QStringLiteral("Item not found in this collection (%1).").arg(index));
  ErrorInfo info;
  info.number = e->Number();
  info.source = e->Source();
  info.description = e->Description();
  return info;
}

}  // namespace jet
