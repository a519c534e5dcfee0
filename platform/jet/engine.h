// The database engine: the object the program creates first, its
// workspaces (user sessions, holding transactions) and the file-level
// services (create, open, compact, repair). Including this header gives the
// whole engine: databases, definitions, recordsets and fields.
//
// Every refusal is an EJetError (number, source, description); the engine
// also keeps the last one, which Errors(0) describes.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "platform/jet/database.h"
#include "platform/jet/jetconst.h"
#include "platform/jet/recordset.h"

namespace jet {

// An entry of the errors collection.
struct ErrorInfo {
  int number = 0;
  QString source;
  QString description;
  QString help_file;
  int help_context = 0;
  int Number() const { return number; }
  const QString &Source() const { return source; }
  const QString &Description() const { return description; }
  const QString &HelpFile() const { return help_file; }
  int HelpContext() const { return help_context; }
};

class Workspace {
 public:
  Workspace(const QString &name, const QString &user, int type) : name_(name), user_(user), type_(type) {}
  const QString &Name() const { return name_; }
  const QString &UserName() const { return user_; }
  int Type() const { return type_; }
  int DefaultCursorDriver() const { return cursor_driver_; }
  void SetDefaultCursorDriver(int v) { cursor_driver_ = v; }

  DatabasePtr OpenDatabase(const QString &path, bool exclusive = false, bool read_only = false,
                           const QString &connect = {});
  // An ODBC workspace's connection to the source an "ODBC;" connect
  // string names (the same database object as OpenDatabase gives); a Jet
  // workspace refuses it (3219), as does another connect string.
  DatabasePtr OpenConnection(const QString &name, int options, bool read_only, const QString &connect);
  // Refuses an existing file (3204).
  DatabasePtr CreateDatabase(const QString &path, const QString &locale = {}, int options = 0);
  int DatabaseCount() const;
  DatabasePtr Databases(int index) const;

  // Transactions over every database open in the workspace; they nest.
  void BeginTrans();
  void CommitTrans();
  void Rollback();
  int TransactionLevel() const { return level_; }
  void Close();

 private:
  void Prune() const;
  QString name_;
  QString user_;
  int type_;
  int cursor_driver_ = -1;
  int level_ = 0;
  mutable std::vector<std::weak_ptr<Database>> databases_;
};

class DBEngine {
 public:
  DBEngine();
  QString Version() const { return QStringLiteral("3.6"); }
  const QString &SystemDB() const { return system_db_; }
  void SetSystemDB(const QString &v) { system_db_ = v; }
  const QString &DefaultUser() const { return default_user_; }
  void SetDefaultUser(const QString &v) { default_user_ = v; }
  const QString &DefaultPassword() const { return default_password_; }
  void SetDefaultPassword(const QString &v) { default_password_ = v; }
  int DefaultType() const { return default_type_; }
  void SetDefaultType(int v) { default_type_ = v; }
  int LoginTimeout() const { return 20; }

  std::shared_ptr<Workspace> CreateWorkspace(const QString &name, const QString &user, const QString &password,
                                             int type = dbUseJet);
  int WorkspaceCount() const { return static_cast<int>(workspaces_.size()); }
  std::shared_ptr<Workspace> Workspaces(int index) const;
  void AppendWorkspace(std::shared_ptr<Workspace> workspace);

  // On the default workspace (created on first use).
  DatabasePtr OpenDatabase(const QString &path, bool exclusive = false, bool read_only = false,
                           const QString &connect = {});
  DatabasePtr CreateDatabase(const QString &path, const QString &locale = {}, int options = 0);

  // Writes a compacted copy of `source` to `target`; refuses an existing
  // target (3204) and never touches the source. `password` is accepted for
  // the callers' sake (";pwd=..."); files carry none.
  void CompactDatabase(const QString &source, const QString &target, const QString &locale = {}, int options = 0,
                       const QString &password = {});
  // Checks the file's integrity; a damaged file raises 3049 saying what is wrong.
  void RepairDatabase(const QString &path);
  // Checks the file for damage without changing it: with `quick`, SQLite's
  // quick check (every page read, the structure of every table and index
  // and every record checked, indexes not compared with their rows); else
  // the full integrity check. A damaged file raises 3049 saying what is
  // wrong; a file that is no database of this program raises 3343.
  void CheckDatabase(const QString &path, bool quick);
  // Whether the engine found the file at `path` damaged in this run, in
  // any statement, at opening, in a check or a compaction: the program
  // must not take such a file for a sound one (a backup of it would replace
  // the last good copy). ForgetDamage clears the note (a file put back).
  static bool DamageNoted(const QString &path);
  static void ForgetDamage(const QString &path);
  // dbRefreshCache: rows read before are read again from the file when
  // next reached (changes of other programs show). dbFreeLocks: no lock
  // outlives a call, so there is nothing to free.
  void Idle(int action = 0);

  int ErrorCount() const;
  ErrorInfo Errors(int index) const;

 private:
  QString system_db_;
  QString default_user_ = QStringLiteral("Admin");
  QString default_password_;
  int default_type_ = dbUseJet;
  std::vector<std::shared_ptr<Workspace>> workspaces_;
};

}  // namespace jet
