// The connection component: one database opened through the engine
// (platform/jet), the registry of the tables that use it, and the file
// services the program calls at shutdown (repair, compaction) and the
// maintenance of stored queries.
//
// The program keeps one `TVuDaoDatabase` named `Database` on its main form;
// every `TVuDaoTable` names it as its database and registers with it when it
// opens, so that disconnecting closes every table first. Settings that shape
// the connection are frozen while connected; settings that shape the engine
// restart it.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "platform/jet/jetconst.h"
#include "platform/rtl/classes.h"
#include "platform/vcl/component.h"

namespace jet {
class DBEngine;
class Workspace;
class Database;
}  // namespace jet

namespace dao {

class TVuDaoTable;
class TVuDaoDatabase;

// The last engine error, as GetDaoError reads it.
struct TDaoErrRec {
  int Number = 0;
  QString Source;
  QString Description;
  QString HelpFile;
  int HelpContext = 0;
};

using TLoginEvent = std::function<void(TVuDaoDatabase *database, rtl::TStrings *login_params)>;
using TConnectEvent = std::function<void(TVuDaoDatabase *database)>;

// Asks for user name and passwords before a connection (the login form).
// Returns false when the user cancels. Installed by the forms layer; without
// it a prompt counts as cancelled.
using TLoginPromptFunction = std::function<bool(const QString &database, QString &user, QString &password,
                                                QString &database_password, bool prefill_user)>;
// Installs `prompt` and returns the one it replaces.
TLoginPromptFunction SetLoginPromptFunction(TLoginPromptFunction prompt);
// Shows a message to the user during the login loop (platform dialog).
using TLoginMessageFunction = std::function<void(const QString &text)>;
TLoginMessageFunction SetLoginMessageFunction(TLoginMessageFunction show);

class TVuDaoDatabase : public vcl::TComponent {
  ORBISCA_CLASS(TVuDaoDatabase, vcl::TComponent)

 public:
  explicit TVuDaoDatabase(vcl::TComponent *owner = nullptr);
  ~TVuDaoDatabase() override;

  // --- connection ---------------------------------------------------------
  bool Connected() const { return connected_; }
  void SetConnected(bool value) { F_Set_Active(value); }
  void Open() { F_Set_Active(true); }
  void Close() { F_Set_Active(false); }

  // --- properties -----------------------------------------------------------
  QString ComponentVersion() const { return QStringLiteral("8.20"); }
  void SetComponentVersion(const QString &) {}
  bool Exclusive() const { return exclusive_; }
  void SetExclusive(bool v);
  QString DatabaseLanguage() const { return database_language_; }
  QString DatabaseType() const { return database_type_; }
  void SetDatabaseType(const QString &v);
  QString Database() const { return database_; }
  void SetDatabase(const QString &v) { F_Set_Database(v); }
  QString DatabaseParameters() const { return database_parameters_; }
  void SetDatabaseParameters(const QString &v);
  QString DatabaseVersionInfo() const { return database_version_info_; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool v);
  bool LoginPrompt() const { return login_prompt_; }
  void SetLoginPrompt(bool v);
  QString UserName() const { return user_name_; }
  void SetUserName(const QString &v);
  bool UseODBCDialog() const { return use_odbc_dialog_; }
  void SetUseODBCDialog(bool v) { use_odbc_dialog_ = v; }
  QString Password() const { return password_; }
  void SetPassword(const QString &v);
  QString DatabasePassword() const { return database_password_; }
  void SetDatabasePassword(const QString &v);
  QString SystemDatabase() const { return system_database_; }
  // The value "SystemDB" of the engine version's "Engines" key under
  // HKEY_LOCAL_MACHINE (empty when none is registered).
  QString RegisteredSystemDatabase() const;
  void SetSystemDatabase(const QString &v);
  bool SaveUserName() const { return save_user_name_; }
  void SetSaveUserName(bool v) { save_user_name_ = v; }
  bool ShowSystemObjects() const { return show_system_objects_; }
  void SetShowSystemObjects(bool v);
  bool SmartOpen() const { return smart_open_; }
  void SetSmartOpen(bool v) { smart_open_ = v; }
  int EngineType() const { return engine_type_; }
  void SetEngineType(int v);
  bool PrivateEngine() const { return private_engine_; }
  void SetPrivateEngine(bool v);
  bool TrackTransactions() const { return track_transactions_; }
  void SetTrackTransactions(bool v);
  bool UsesDynaDao() const { return uses_dyna_dao_; }
  QString Version() const { return version_; }
  void SetVersion(const QString &v);
  QString VersionDetails() const { return version_details_; }
  QString VersionInfo() const { return version_info_; }
  QString Workspace() const { return workspace_name_; }
  void SetWorkspace(const QString &v);
  int DefaultCursorDriver() const { return default_cursor_driver_; }
  void SetDefaultCursorDriver(int v) { default_cursor_driver_ = v; }
  int QueryTimeout() const { return query_timeout_; }
  void SetQueryTimeout(int v) { query_timeout_ = v; }
  bool MdbVersionAutoDetect() const { return mdb_version_auto_detect_; }
  void SetMdbVersionAutoDetect(bool v) { mdb_version_auto_detect_ = v; }

  // Lines "USER NAME=", "PASSWORD=", "DBPASSWORD=" the caller may fill.
  rtl::TStringList *LoginParams() { return &login_params_; }
  const QStringList &TableNames() const { return table_names_; }
  const QStringList &QueryDefNames() const { return query_def_names_; }
  const QStringList &DatabaseTypes() const { return database_types_; }
  const QStringList &ODBCDrivers() const { return odbc_drivers_; }
  const QStringList &SystemDSNs() const { return system_dsns_; }
  const QStringList &UserDSNs() const { return user_dsns_; }
  // "source=file" for each data source that names its file (user sources first).
  const QStringList &DataSourceFiles() const { return source_files_; }

  // --- events -----------------------------------------------------------------
  TLoginEvent OnLogin;
  TConnectEvent OnBeforeConnect, OnAfterConnect, OnBeforeDisconnect, OnAfterDisconnect;

  // --- services -----------------------------------------------------------------
  void RepairDatabase(const QString &file_name, const QString &password = {});
  // Checks the file (a damaged one is refused, 3049, and left as it is),
  // writes a compacted copy beside it, checks the copy and puts it in the
  // file's place in one durable step; the file is never lost or left under
  // another name. Any failure is raised and leaves the file as it was.
  void CompactDatabase(const QString &file_name, const QString &password = {});
  // Reads the file whole and raises when it is damaged (3049) or no
  // database at all (3343); the file is not changed. `quick` leaves out the
  // comparison of every index with its table (see jet::DBEngine).
  void CheckDatabase(const QString &file_name, bool quick);
  void CreateAccessDatabase(const QString &file_name);
  void CreateQueryDef(const QString &name, const QString &sql);
  void SetQueryDefSQL(const QString &name, const QString &sql);
  QString GetQueryDefSQL(const QString &name);
  void DeleteQueryDef(const QString &name);
  void RefreshDefinitions();
  // True (and `rec` filled) when the engine holds an error.
  bool GetDaoError(TDaoErrRec &rec) const;
  // Starts (or restarts) the engine and the workspace.
  void StartEngine();

  // --- transactions -----------------------------------------------------------------
  void BeginTrans();
  void CommitTrans();
  void Rollback();
  int TransactionLevel() const { return static_cast<int>(transactions_.size()); }
  const QStringList &Transactions() const { return transactions_; }
  void SetTransactionValue(const QString &name, const QString &value);

  // --- the engine objects, for the tables -----------------------------------------
  jet::DBEngine *Engine() const { return engine_.get(); }
  std::shared_ptr<jet::Database> DaoDatabase() const { return database_object_; }
  // Frees locks and refreshes the engine cache (idle calls).
  void Idle();

  // --- table registration -------------------------------------------------------------
  void RegisterTable(const QString &name, TVuDaoTable *table);
  void UnregisterTable(TVuDaoTable *table);
  int RegisteredTableCount() const { return static_cast<int>(tables_.size()); }

  void Loaded() override;

 protected:
  void F_Set_Active(bool value);
  void F_Set_Database(const QString &value);

 private:
  void Connect();
  void Disconnect();
  void CreateEngine(const QString &version);
  void FillDatabaseTypes();
  void FillOdbcLists();
  void DetectMdbVersion();
  void RestartEngineAfter(const std::function<void()> &restore);
  void CheckNotConnected(const char *setter, const QString &what) const;
  QString ConnectStringFor(const QString &type) const;
  static QString LanguageName(int collating_order, const QString &current);

  bool connected_ = false;
  bool exclusive_ = false;
  QString database_language_;
  QString database_type_ = QStringLiteral("Access");
  QString database_;
  QString database_parameters_;
  QString database_version_info_;
  bool read_only_ = false;
  bool login_prompt_ = false;
  QString user_name_ = QStringLiteral("Admin");
  bool use_odbc_dialog_ = true;
  QString password_;
  QString database_password_;
  QString system_database_;
  bool save_user_name_ = true;
  bool show_system_objects_ = false;
  bool smart_open_ = true;
  int engine_type_ = jet::dbUseJet;
  bool private_engine_ = false;
  bool track_transactions_ = true;
  bool uses_dyna_dao_ = false;
  QString version_ = QStringLiteral("3.6");
  QString version_details_;
  QString version_info_;
  QString workspace_name_ = QStringLiteral("DaoWorkspace");
  int default_cursor_driver_ = -1;
  int query_timeout_ = 60;
  bool mdb_version_auto_detect_ = false;

  QStringList engine_versions_;
  rtl::TStringList login_params_;
  QStringList table_names_;
  QStringList query_def_names_;
  QStringList database_types_;
  QStringList odbc_drivers_;
  QStringList system_dsns_;
  QStringList user_dsns_;
  QStringList source_files_;
  QStringList transactions_;

  struct Registration {
    QString name;
    TVuDaoTable *table;
  };
  std::vector<Registration> tables_;

  std::unique_ptr<jet::DBEngine> engine_;
  std::shared_ptr<jet::Workspace> workspace_;
  std::shared_ptr<jet::Database> database_object_;
};

}  // namespace dao
