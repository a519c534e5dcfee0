// The connection component (see vudaodatabase.h).
#include "dao/vudaodatabase.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <utility>

#include "dao/dblogin.h"
#include "dao/vudaotable.h"
#include "platform/jet/engine.h"
#include "platform/jet/odbcsource.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/ignorefailure.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/workfiles.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/typinfo.h"

namespace dao {

using rtl::IgnoreFailure;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Only a program with windows can ask; a headless one counts a prompt as
// cancelled unless a function was installed.
bool HasWindows() { return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr; }

TLoginPromptFunction &PromptHook() {
  static TLoginPromptFunction prompt = [](const QString &db, QString &u, QString &p, QString &d, bool prefill) {
    return HasWindows() && ShowDbLogin(db, u, p, d, prefill);
  };
  return prompt;
}

TLoginMessageFunction &MessageHook() {
  static TLoginMessageFunction show = [](const QString &text) {
    if (HasWindows()) vcl::ShowMessage(text);
  };
  return show;
}

[[noreturn]] void Fail(const QString &text) { throw rtl::EDatabaseError(text); }

QString Method(const char *name) { return QStringLiteral("TVuDaoDatabase.") + QLatin1String(name); }

}  // namespace

TLoginPromptFunction SetLoginPromptFunction(TLoginPromptFunction prompt) {
  return std::exchange(PromptHook(), std::move(prompt));
}
TLoginMessageFunction SetLoginMessageFunction(TLoginMessageFunction show) {
  return std::exchange(MessageHook(), std::move(show));
}

ORBISCA_PUBLISHED(TVuDaoDatabase, TComponent) {
  p.Property("ComponentVersion", &TVuDaoDatabase::ComponentVersion, &TVuDaoDatabase::SetComponentVersion);
  p.Property("Exclusive", &TVuDaoDatabase::Exclusive, &TVuDaoDatabase::SetExclusive);
  p.Property("DatabaseLanguage", &TVuDaoDatabase::DatabaseLanguage, nullptr).Stored(false);
  p.Property("DatabaseType", &TVuDaoDatabase::DatabaseType, &TVuDaoDatabase::SetDatabaseType);
  p.Property("Database", &TVuDaoDatabase::Database, &TVuDaoDatabase::SetDatabase);
  p.Property("DatabaseParameters", &TVuDaoDatabase::DatabaseParameters, &TVuDaoDatabase::SetDatabaseParameters);
  p.Property("DatabaseVersionInfo", &TVuDaoDatabase::DatabaseVersionInfo, nullptr).Stored(false);
  p.Property("ReadOnly", &TVuDaoDatabase::ReadOnly, &TVuDaoDatabase::SetReadOnly);
  p.Property("LoginPrompt", &TVuDaoDatabase::LoginPrompt, &TVuDaoDatabase::SetLoginPrompt);
  p.Property("UserName", &TVuDaoDatabase::UserName, &TVuDaoDatabase::SetUserName);
  p.Property("UseODBCDialog", &TVuDaoDatabase::UseODBCDialog, &TVuDaoDatabase::SetUseODBCDialog);
  p.Property("Password", &TVuDaoDatabase::Password, &TVuDaoDatabase::SetPassword);
  p.Property("DatabasePassword", &TVuDaoDatabase::DatabasePassword, &TVuDaoDatabase::SetDatabasePassword);
  p.Property("SystemDatabase", &TVuDaoDatabase::SystemDatabase, &TVuDaoDatabase::SetSystemDatabase);
  p.Property("SaveUserName", &TVuDaoDatabase::SaveUserName, &TVuDaoDatabase::SetSaveUserName);
  p.Property("ShowSystemObjects", &TVuDaoDatabase::ShowSystemObjects, &TVuDaoDatabase::SetShowSystemObjects);
  p.Property("SmartOpen", &TVuDaoDatabase::SmartOpen, &TVuDaoDatabase::SetSmartOpen);
  p.Property("EngineType", &TVuDaoDatabase::EngineType, &TVuDaoDatabase::SetEngineType);
  p.Property("PrivateEngine", &TVuDaoDatabase::PrivateEngine, &TVuDaoDatabase::SetPrivateEngine);
  p.Property("TrackTransactions", &TVuDaoDatabase::TrackTransactions, &TVuDaoDatabase::SetTrackTransactions);
  p.Property("UsesDynaDao", &TVuDaoDatabase::UsesDynaDao, nullptr).Stored(false);
  p.Property("Version", &TVuDaoDatabase::Version, &TVuDaoDatabase::SetVersion);
  p.Property("VersionDetails", &TVuDaoDatabase::VersionDetails, nullptr).Stored(false);
  p.Property("VersionInfo", &TVuDaoDatabase::VersionInfo, nullptr).Stored(false);
  p.Property("Workspace", &TVuDaoDatabase::Workspace, &TVuDaoDatabase::SetWorkspace);
  p.Property("DefaultCursorDriver", &TVuDaoDatabase::DefaultCursorDriver, &TVuDaoDatabase::SetDefaultCursorDriver);
  p.Property("QueryTimeout", &TVuDaoDatabase::QueryTimeout, &TVuDaoDatabase::SetQueryTimeout);
  p.Property("MdbVersionAutoDetect", &TVuDaoDatabase::MdbVersionAutoDetect, &TVuDaoDatabase::SetMdbVersionAutoDetect);
  p.Property("Connected", &TVuDaoDatabase::Connected, &TVuDaoDatabase::SetConnected);
}

TVuDaoDatabase::TVuDaoDatabase(vcl::TComponent *owner) : vcl::TComponent(owner) {
  // The engine stand-in serves one version, the one the program's files are
  // written for; asking for the older one falls back to it.
  engine_versions_ = {QStringLiteral("3.6")};
  version_ = engine_versions_.first();
  CreateEngine(version_);
  system_database_ = RegisteredSystemDatabase();
  if (!system_database_.isEmpty()) engine_->SetSystemDB(system_database_);
  engine_->SetDefaultUser(QStringLiteral("Admin"));
  engine_->SetDefaultPassword(QString());
  engine_->SetDefaultType(engine_type_);
  version_details_ = engine_->Version();
  version_info_ = version_details_.size() > 2 && version_details_[2] == QLatin1Char('5')
                      ? QStringLiteral("(In Access'97 mode)")
                      : QStringLiteral("(In Access'2000 mode)");
  FillDatabaseTypes();
  FillOdbcLists();
}

TVuDaoDatabase::~TVuDaoDatabase() {
  IgnoreFailure("a component being freed has no one to tell", [&] {
    if (connected_) Disconnect();
  });
  IgnoreFailure("a component being freed has no one to tell", [&] {
    if (workspace_) workspace_->Close();
  });
  for (const Registration &r : tables_) r.table->DatabaseGone(this);
  tables_.clear();
  database_object_.reset();
  workspace_.reset();
  engine_.reset();
}

// ---------------------------------------------------------------------------
// Property setters.

void TVuDaoDatabase::CheckNotConnected(const char *setter, const QString &what) const {
  if (connected_) Fail(Method(setter) + QStringLiteral(": ") + what);
}

void TVuDaoDatabase::F_Set_Database(const QString &value) {
  CheckNotConnected("F_Set_Database", QStringLiteral("Cannot set Database while Database is connected!"));
  database_ = value;
}

void TVuDaoDatabase::SetDatabaseParameters(const QString &v) {
  CheckNotConnected("F_Set_DatabaseParameters",
                    QStringLiteral("Cannot set DatabaseParameters while Database is connected!"));
  database_parameters_ = v;
}

void TVuDaoDatabase::SetDatabaseType(const QString &v) {
  CheckNotConnected("F_Set_DatabaseType", QStringLiteral("Cannot set Database Type while Database is connected!"));
  database_type_ = v;
}

void TVuDaoDatabase::SetExclusive(bool v) {
  CheckNotConnected("F_Set_Exclusive", QStringLiteral("Cannot change Exclusive mode while Database is connected!"));
  exclusive_ = v;
}

void TVuDaoDatabase::SetReadOnly(bool v) {
  CheckNotConnected("F_Set_ReadOnly", QStringLiteral("Cannot change mode while Database is connected!"));
  read_only_ = v;
  if (v)
    for (const Registration &r : tables_) r.table->SetReadOnly(true);
}

void TVuDaoDatabase::SetLoginPrompt(bool v) {
  CheckNotConnected("F_Set_LoginPrompt", QStringLiteral("Cannot change LoginPrompt while Database is connected!"));
  login_prompt_ = v;
}

void TVuDaoDatabase::SetDatabasePassword(const QString &v) {
  CheckNotConnected("F_Set_DatabasePassword",
                    QStringLiteral("Cannot change Database Password while Database is connected!"));
  database_password_ = v;
}

void TVuDaoDatabase::SetTrackTransactions(bool v) {
  if (connected_) Fail(QStringLiteral("Cannot set TrackTransactions property when Database is connected!"));
  track_transactions_ = v;
}

void TVuDaoDatabase::RestartEngineAfter(const std::function<void()> &restore) {
  if (IsLoading()) return;
  try {
    StartEngine();
  } catch (...) {
    restore();
    IgnoreFailure("the first failure is the one raised", [&] { StartEngine(); });
    throw;
  }
}

void TVuDaoDatabase::SetSystemDatabase(const QString &v) {
  CheckNotConnected("F_Set_SystemDatabase", QStringLiteral("Cannot set SystemDatabase while Database is connected!"));
  const QString old = system_database_;
  // Empty means the workgroup file the configuration registers for the engine.
  system_database_ = v.isEmpty() ? RegisteredSystemDatabase() : v;
  RestartEngineAfter([&] { system_database_ = old; });
}

void TVuDaoDatabase::SetVersion(const QString &v) {
  CheckNotConnected("F_Set_DaoVersion", QStringLiteral("Cannot set Dao Version while Database is connected!"));
  const QString old = version_;
  version_ = v.left(3);
  FillDatabaseTypes();
  RestartEngineAfter([&] { version_ = old; });
  if (engine_) version_details_ = engine_->Version();
}

void TVuDaoDatabase::SetWorkspace(const QString &v) {
  CheckNotConnected("F_Set_Workspace", QStringLiteral("Cannot set Workspace while Database is connected!"));
  const QString old = workspace_name_;
  workspace_name_ = v;
  RestartEngineAfter([&] { workspace_name_ = old; });
}

void TVuDaoDatabase::SetEngineType(int v) {
  CheckNotConnected("F_Set_EngineType", QStringLiteral("Cannot set EngineType Type while Database is connected!"));
  const int old = engine_type_;
  engine_type_ = v;
  RestartEngineAfter([&] { engine_type_ = old; });
}

void TVuDaoDatabase::SetPrivateEngine(bool v) {
  CheckNotConnected("F_Set_EngineType", QStringLiteral("Cannot set PrivateEngine Type while Database is connected!"));
  const bool old = private_engine_;
  private_engine_ = v;
  RestartEngineAfter([&] { private_engine_ = old; });
}

void TVuDaoDatabase::SetUserName(const QString &v) {
  CheckNotConnected("F_Set_UserName", QStringLiteral("Cannot change User Name while Database is connected!"));
  user_name_ = v;
  if (!IsLoading()) IgnoreFailure("the engine starts again on connecting, and says so then", [&] { StartEngine(); });
}

void TVuDaoDatabase::SetPassword(const QString &v) {
  CheckNotConnected("F_Set_Password", QStringLiteral("Cannot change Password while Database is connected!"));
  password_ = v;
  if (!IsLoading()) IgnoreFailure("the engine starts again on connecting, and says so then", [&] { StartEngine(); });
}

void TVuDaoDatabase::SetShowSystemObjects(bool v) {
  show_system_objects_ = v;
  if (connected_) RefreshDefinitions();
}

void TVuDaoDatabase::Loaded() {
  vcl::TComponent::Loaded();
  if (!connected_) IgnoreFailure("the engine starts again on connecting, and says so then", [&] { StartEngine(); });
}

// ---------------------------------------------------------------------------
// Engine.

void TVuDaoDatabase::CreateEngine(const QString &version) {
  if (!engine_versions_.contains(version) &&
      !(version == QLatin1String("3.5") && engine_versions_.contains(QStringLiteral("3.6"))))
    Fail(QStringLiteral("You does not have Microsoft DAO installed ot it is an OLD Version!"));
  engine_ = std::make_unique<jet::DBEngine>();
  version_ = engine_versions_.contains(version) ? version : QStringLiteral("3.6");
  uses_dyna_dao_ = true;
}

QString TVuDaoDatabase::RegisteredSystemDatabase() const {
  rtl::TRegistry registry(rtl::KEY_READ);
  registry.SetRootKey(rtl::HKEY_LOCAL_MACHINE);
  const QString key = QStringLiteral("SOFTWARE\\Microsoft\\JET\\%1\\Engines")
                          .arg(version_ == QLatin1String("3.5") ? QStringLiteral("3.5") : QStringLiteral("4.0"));
  QString value;
  IgnoreFailure("a missing or unreadable value registers no workgroup file", [&] {
    if (registry.OpenKeyReadOnly(key) && registry.ValueExists(QStringLiteral("SystemDB")))
      value = registry.ReadString(QStringLiteral("SystemDB"));
  });
  return value;
}

void TVuDaoDatabase::FillDatabaseTypes() {
  // "Access" and "ODBC", then the installable formats the configuration
  // lists for this engine version (the engine's own when it lists none).
  database_types_ = {QStringLiteral("Access"), QStringLiteral("ODBC")};
  rtl::TRegistry registry(rtl::KEY_READ);
  registry.SetRootKey(rtl::HKEY_LOCAL_MACHINE);
  const QString key = QStringLiteral("SOFTWARE\\Microsoft\\JET\\%1\\ISAM Formats")
                          .arg(version_ == QLatin1String("3.5") ? QStringLiteral("3.5") : QStringLiteral("4.0"));
  rtl::TStringList formats;
  if (registry.OpenKeyReadOnly(key)) registry.GetKeyNames(&formats);
  QStringList names;
  for (int i = 0; i < formats.Count(); ++i) names << formats[i];
  if (names.isEmpty()) names = jet::InstallableFormats();
  for (const QString &n : names)
    if (!database_types_.contains(n, Qt::CaseInsensitive)) database_types_ << n;
}

void TVuDaoDatabase::FillOdbcLists() {
  odbc_drivers_ = jet::OdbcDrivers();
  system_dsns_ = jet::OdbcDataSources(false);
  user_dsns_ = jet::OdbcDataSources(true);
  // User sources first, then system ones; sources that name no file are left out.
  source_files_.clear();
  for (const QStringList *sources : {&user_dsns_, &system_dsns_})
    for (const QString &s : *sources) {
      const QString file = jet::OdbcDataSourceFile(s);
      if (!file.isEmpty()) source_files_ << s + QLatin1Char('=') + file;
    }
}

void TVuDaoDatabase::StartEngine() {
  if (workspace_) IgnoreFailure("the old workspace goes whatever its closing says", [&] { workspace_->Close(); });
  workspace_.reset();
  engine_.reset();
  CreateEngine(version_);
  engine_->SetSystemDB(system_database_);
  version_details_ = engine_->Version();
  version_info_ = version_details_.size() > 2 && version_details_[2] == QLatin1Char('5')
                      ? QStringLiteral("(In Access'97 mode)")
                      : QStringLiteral("(In Access'2000 mode)");
  engine_->SetDefaultUser(user_name_);
  engine_->SetDefaultPassword(password_);
  engine_->SetDefaultType(engine_type_);
  workspace_ = engine_->CreateWorkspace(workspace_name_, user_name_, password_, engine_type_);
  engine_->AppendWorkspace(workspace_);
  if (engine_type_ == jet::dbUseODBC) workspace_->SetDefaultCursorDriver(default_cursor_driver_);
  workspace_name_ = workspace_->Name();
}

void TVuDaoDatabase::Idle() {
  if (!engine_) return;
  engine_->Idle(jet::dbFreeLocks);
  engine_->Idle(jet::dbRefreshCache);
}

void TVuDaoDatabase::DetectMdbVersion() {
  QFile f(database_);
  if (!f.open(QIODevice::ReadOnly)) return;
  const QByteArray head = f.read(160);
  if (head.size() < 160) return;
  if (engine_versions_.contains(QStringLiteral("3.5"))) version_ = QStringLiteral("3.5");
  if (head[156] == '4' && head[157] == '.' && version_ == QLatin1String("3.5")) version_ = QStringLiteral("3.6");
}

// ---------------------------------------------------------------------------
// Connect and disconnect.

void TVuDaoDatabase::F_Set_Active(bool value) {
  if (value == connected_) return;
  if (value)
    Connect();
  else
    Disconnect();
}

QString TVuDaoDatabase::ConnectStringFor(const QString &type) const {
  if (type.compare(QLatin1String("Access"), Qt::CaseInsensitive) == 0)
    return QStringLiteral(";UID=%1;PWD=%2;%3").arg(user_name_, database_password_, database_parameters_);
  if (type.compare(QLatin1String("ODBC"), Qt::CaseInsensitive) == 0) {
    if (database_.toLower().startsWith(QLatin1String("odbc;")))
      return QStringLiteral("%1;%2").arg(database_, database_parameters_);
    return QStringLiteral("%1;UID=%2;PWD=%3;DSN=%4;%5")
        .arg(database_type_, user_name_, password_, database_, database_parameters_);
  }
  if (!password_.isEmpty() && !user_name_.isEmpty())
    return QStringLiteral("%1;UID=%2;PWD=%3;%4").arg(database_type_, user_name_, password_, database_parameters_);
  return QStringLiteral("%1;%2").arg(database_type_, database_parameters_);
}

void TVuDaoDatabase::Connect() {
  if (database_.isEmpty()) Fail(Method("F_Set_Active") + QStringLiteral(": Database property is not defined!"));
  if (database_type_.isEmpty())
    Fail(Method("F_Set_Active") + QStringLiteral(": DatabaseType property is not defined!"));
  if (OnBeforeConnect) OnBeforeConnect(this);

  // Credentials, then the engine with them.
  for (;;) {
    bool cancelled = false;
    QString user = user_name_, pwd = password_, dbpwd = database_password_;
    auto from_params = [&](rtl::TStrings &params) {
      if (params.IndexOfName(QStringLiteral("USER NAME")) >= 0) user = params.Values(QStringLiteral("USER NAME"));
      if (params.IndexOfName(QStringLiteral("PASSWORD")) >= 0) pwd = params.Values(QStringLiteral("PASSWORD"));
      if (params.IndexOfName(QStringLiteral("DBPASSWORD")) >= 0) dbpwd = params.Values(QStringLiteral("DBPASSWORD"));
    };
    if (OnLogin) {
      rtl::TStringList params;
      params.Add(QStringLiteral("USER NAME=") + user);
      params.Add(QStringLiteral("PASSWORD=") + pwd);
      params.Add(QStringLiteral("DBPASSWORD=") + dbpwd);
      OnLogin(this, &params);
      from_params(params);
    } else if (login_prompt_ && login_params_.Count() == 0) {
      QString u = save_user_name_ ? user : QString();
      QString p, d;
      const bool ok = PromptHook() && PromptHook()(database_, u, p, d, save_user_name_);
      if (ok) {
        user = u;
        pwd = p;
        dbpwd = d;
      } else {
        if (MessageHook())
          MessageHook()(QStringLiteral("If You not enter Username and Password You may not gain access to your data!"));
        user.clear();
        pwd.clear();
        dbpwd.clear();
        cancelled = true;
      }
    } else {
      from_params(login_params_);
    }
    user_name_ = user;
    password_ = pwd;
    database_password_ = dbpwd;
    try {
      if (mdb_version_auto_detect_ && database_type_.compare(QLatin1String("Access"), Qt::CaseInsensitive) == 0)
        DetectMdbVersion();
      StartEngine();
    } catch (const rtl::Exception &e) {
      if (!login_prompt_) throw;
      if (cancelled) return;
      if (MessageHook()) MessageHook()(e.Message());
      continue;
    }
    if (cancelled) return;
    break;
  }

  if (database_type_.compare(QLatin1String("Access"), Qt::CaseInsensitive) == 0) {
    if (smart_open_ && !QFileInfo::exists(database_)) {
      const QString folder = IsDesigning() ? QDir::currentPath() : QCoreApplication::applicationDirPath();
      const QString candidate = QDir(folder).filePath(QFileInfo(database_).fileName());
      if (QFileInfo::exists(candidate)) database_ = candidate;
    }
    if (!QFileInfo::exists(database_)) Fail(QStringLiteral("Cannot find Database:") + kCrLf + database_);
    if (engine_type_ != jet::dbUseJet)
      Fail(Method("F_Set_Active") + QStringLiteral(": ODBC direct workspaces") + kCrLf +
           QStringLiteral("are NOT supported for MS Access Databases!"));
    database_object_ = workspace_->OpenDatabase(database_, exclusive_, read_only_, ConnectStringFor(database_type_));
  } else if (database_type_.compare(QLatin1String("ODBC"), Qt::CaseInsensitive) == 0) {
    if (engine_type_ == jet::dbUseODBC)
      database_object_ = workspace_->OpenConnection(database_, 1, read_only_, ConnectStringFor(database_type_));
    else
      database_object_ = workspace_->OpenDatabase(database_, true, read_only_, ConnectStringFor(database_type_));
  } else {
    if (engine_type_ != jet::dbUseJet)
      Fail(Method("F_Set_Active") + QStringLiteral(": ODBC direct workspaces NOT supported!"));
    database_object_ = workspace_->OpenDatabase(database_, exclusive_, read_only_, ConnectStringFor(database_type_));
  }

  if (query_timeout_ != 60) database_object_->SetQueryTimeout(query_timeout_);
  if (database_type_.compare(QLatin1String("ODBC"), Qt::CaseInsensitive) != 0)
    database_version_info_ = database_object_->Version();
  RefreshDefinitions();
  int order = -1;
  IgnoreFailure("an unknown collating order keeps the language named before",
                [&] { order = database_object_->CollatingOrder(); });
  database_language_ = LanguageName(order, database_language_);
  connected_ = true;
  Idle();
  if (OnAfterConnect) OnAfterConnect(this);
}

void TVuDaoDatabase::Disconnect() {
  if (OnBeforeDisconnect) OnBeforeDisconnect(this);
  table_names_.clear();
  query_def_names_.clear();
  // Each table closes without unregistering: the list is dropped whole.
  const std::vector<Registration> tables = tables_;
  for (const Registration &r : tables)
    IgnoreFailure("the connection goes whatever a table's closing says", [&] { r.table->CloseFromDatabase(); });
  tables_.clear();
  if (database_object_)
    IgnoreFailure("the connection goes whatever the database's closing says", [&] { database_object_->Close(); });
  database_object_.reset();
  transactions_.clear();
  connected_ = false;
  if (OnAfterDisconnect) OnAfterDisconnect(this);
}

void TVuDaoDatabase::RefreshDefinitions() {
  table_names_.clear();
  query_def_names_.clear();
  if (!database_object_) return;
  IgnoreFailure("the definitions as last read serve", [&] { database_object_->Refresh(); });
  if (engine_type_ == jet::dbUseJet) {
    IgnoreFailure("a catalogue that cannot be listed lists no tables", [&] {
      for (const auto &t : database_object_->TableDefs()) {
        if (!show_system_objects_ && (t->Attributes() & jet::dbSystemObject) != 0) continue;
        table_names_ << t->Name();
      }
    });
  }
  IgnoreFailure("a catalogue that cannot be listed lists no queries", [&] {
    for (const auto &q : database_object_->QueryDefs()) query_def_names_ << q->Name();
  });
}

QString TVuDaoDatabase::LanguageName(int order, const QString &current) {
  switch (order) {
    case -1:
      return QStringLiteral("Undefined or unknown");
    case 1024:
      return QStringLiteral("Neutral");
    case 1025:
      return QStringLiteral("Arabic");
    case 1028:
      return QStringLiteral("Traditional Chinese");
    case 1029:
      return QStringLiteral("Czech");
    case 1030:
      return QStringLiteral("Norwegian or Danish");
    case 1032:
      return QStringLiteral("Greek");
    case 1033:
      return QStringLiteral("General (English, French, German, Portuguese, Italian, and Modern Spanish)");
    case 1034:
      return QStringLiteral("Spanish");
    case 1037:
      return QStringLiteral("Hebrew");
    case 1038:
      return QStringLiteral("Hungarian");
    case 1039:
      return QStringLiteral("Icelandic");
    case 1041:
      return QStringLiteral("Japanese");
    case 1042:
      return QStringLiteral("Korean");
    case 1043:
      return QStringLiteral("Dutch");
    case 1045:
      return QStringLiteral("Polish");
    case 1049:
      return QStringLiteral("Bulgarian or Russian");
    case 1053:
      return QStringLiteral("Swedish or Finnish");
    case 1054:
      return QStringLiteral("Thai");
    case 1055:
      return QStringLiteral("Turkish");
    case 1060:
      return QStringLiteral("Slovenian");
    case 2052:
      return QStringLiteral("Simplified Chinese");
    default:
      return current;
  }
}

// ---------------------------------------------------------------------------
// File services.

void TVuDaoDatabase::RepairDatabase(const QString &file_name, const QString &password) {
  if (version_ == QLatin1String("3.5")) {
    if (!engine_) StartEngine();
    engine_->RepairDatabase(file_name);
    return;
  }
  CompactDatabase(file_name, password);
}

void TVuDaoDatabase::CompactDatabase(const QString &file_name, const QString &password) {
  const QString where = Method("CompactDatabase") + QStringLiteral(": ");
  if (!engine_) StartEngine();
  // A database file that is a symbolic link is compacted through it: the
  // link stays and the file it names is replaced, from a copy beside it.
  const QFileInfo info(rtl::WriteThroughPath(file_name));
  if (connected_ && database_object_ && QFileInfo(database_).canonicalFilePath() == info.canonicalFilePath())
    Fail(where + QStringLiteral("Cannot compact the database while it is connected!") + kCrLf + file_name);
  const QString folder = info.absolutePath();

  // A damaged file is not compacted: the copy would lose, without a word,
  // whatever the engine could not read, and take the file's place.
  engine_->CheckDatabase(file_name, true);

  // A fresh name of the program's own in the same folder, so that the final
  // rename replaces the file in one step (same file system), and a copy left
  // by an interrupted run is known for what it is.
  const QString temp = rtl::CreateWorkFile(folder, QStringLiteral("mdb"));
  if (temp.isEmpty()) Fail(where + QStringLiteral("Cannot create a temporary file in ") + folder);
  QFile::remove(temp);  // the engine refuses an existing target
  auto drop_temp = [&temp] {
    QFile::remove(temp);
    QFile::remove(temp + QStringLiteral("-journal"));
  };

  const QString pwd = password.isEmpty() ? QString() : QStringLiteral(";pwd=") + password;
  try {
    engine_->CompactDatabase(file_name, temp, QString(), 0, pwd);
  } catch (...) {
    drop_temp();
    throw;
  }
  // The copy must be a sound database before it takes the file's place.
  try {
    if (!QFileInfo(temp).isFile() || QFileInfo(temp).size() <= 0)
      Fail(where + QStringLiteral("The compacted copy was not written."));
    engine_->RepairDatabase(temp);
  } catch (...) {
    drop_temp();
    throw;
  }
  QFile::setPermissions(temp, QFile::permissions(file_name));
  QString reason;
  if (!rtl::DurableRename(temp, info.absoluteFilePath(), &reason)) {
    drop_temp();
    Fail(where + QStringLiteral("Cannot replace ") + file_name + QStringLiteral(" with its compacted copy.") + kCrLf +
         reason);
  }
  QFile::remove(temp + QStringLiteral("-journal"));
}

void TVuDaoDatabase::CheckDatabase(const QString &file_name, bool quick) {
  if (!engine_) StartEngine();
  engine_->CheckDatabase(file_name, quick);
}

void TVuDaoDatabase::CreateAccessDatabase(const QString &file_name) {
  if (!workspace_) StartEngine();
  const QString locale = QStringLiteral(";LANGID=%1;CP=%2;COUNTRY=%3")
                             .arg(QStringLiteral("0x0409"), QStringLiteral("1252"), QStringLiteral("0"));
  auto db = workspace_->CreateDatabase(file_name, locale,
                                       version_ == QLatin1String("3.5") ? jet::dbVersion30 : jet::dbVersion40);
  if (db) db->Close();
}

void TVuDaoDatabase::CreateQueryDef(const QString &name, const QString &sql) {
  if (!database_object_) Fail(Method("CreateQueryDef") + QStringLiteral(": Database is NOT connected"));
  database_object_->CreateQueryDef(name, sql);
  RefreshDefinitions();
}

void TVuDaoDatabase::SetQueryDefSQL(const QString &name, const QString &sql) {
  if (!database_object_) Fail(Method("SetQueryDefSQL") + QStringLiteral(": Database is NOT connected"));
  database_object_->QueryDefs().Item(name).SetSQL(sql);
  RefreshDefinitions();
}

QString TVuDaoDatabase::GetQueryDefSQL(const QString &name) {
  QString sql;
  IgnoreFailure("an unknown query has no text", [&] {
    if (database_object_) sql = database_object_->QueryDefs().Item(name).SQL();
  });
  return sql;
}

void TVuDaoDatabase::DeleteQueryDef(const QString &name) {
  if (!database_object_) Fail(Method("DeleteQueryDef") + QStringLiteral(": Database is NOT connected"));
  database_object_->DeleteQueryDef(name);
  RefreshDefinitions();
}

bool TVuDaoDatabase::GetDaoError(TDaoErrRec &rec) const {
  if (!engine_ || engine_->ErrorCount() == 0) return false;
  const jet::ErrorInfo e = engine_->Errors(0);
  rec.Number = e.Number();
  rec.Source = e.Source();
  rec.Description = e.Description();
  rec.HelpFile = e.HelpFile();
  rec.HelpContext = e.HelpContext();
  return true;
}

// ---------------------------------------------------------------------------
// Transactions.

void TVuDaoDatabase::BeginTrans() {
  if (!workspace_) StartEngine();
  workspace_->BeginTrans();
  if (track_transactions_) transactions_ << QString();
}

void TVuDaoDatabase::CommitTrans() {
  workspace_->CommitTrans();
  if (track_transactions_ && !transactions_.isEmpty()) transactions_.removeLast();
}

void TVuDaoDatabase::Rollback() {
  workspace_->Rollback();
  if (track_transactions_ && !transactions_.isEmpty()) transactions_.removeLast();
}

void TVuDaoDatabase::SetTransactionValue(const QString &name, const QString &value) {
  if (transactions_.isEmpty()) return;
  QString &line = transactions_.last();
  QStringList pairs = line.isEmpty() ? QStringList() : line.split(QLatin1Char(','));
  bool found = false;
  for (QString &pair : pairs) {
    if (pair.section(QLatin1Char('='), 0, 0).compare(name, Qt::CaseInsensitive) == 0) {
      pair = name + QLatin1Char('=') + value;
      found = true;
    }
  }
  if (!found) pairs << name + QLatin1Char('=') + value;
  line = pairs.join(QLatin1Char(','));
}

// ---------------------------------------------------------------------------
// Tables.

void TVuDaoDatabase::RegisterTable(const QString &name, TVuDaoTable *table) {
  for (const Registration &r : tables_)
    if (r.table == table) return;
  tables_.push_back({name, table});
}

void TVuDaoDatabase::UnregisterTable(TVuDaoTable *table) {
  for (auto it = tables_.begin(); it != tables_.end(); ++it) {
    if (it->table == table) {
      tables_.erase(it);
      return;
    }
  }
}

}  // namespace dao
