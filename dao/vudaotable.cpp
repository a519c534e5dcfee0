// The table component: properties, opening the recordset, SQL text and
// parameters, field definitions (see vudaotable.h for the whole).
#include "dao/vudaotable.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>
#include <cstdlib>

#include "dao/vudaodatabase.h"
#include "platform/jet/engine.h"
#include "platform/rtl/ignorefailure.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/typinfo.h"

namespace dao {

using rtl::IgnoreFailure;

namespace {

[[noreturn]] void Fail(const QString &text) { throw rtl::EDatabaseError(text); }

QString Method(const char *name) { return QStringLiteral("TVuDaoTable.") + QLatin1String(name); }

constexpr int kGuidMarker = 47554944;

// Column types whose size is a width (characters or bytes); the others'
// sizes say nothing to a field definition.
bool HasWidth(int type) {
  switch (type) {
    case jet::dbBinary:
    case jet::dbText:
    case jet::dbLongBinary:
    case jet::dbMemo:
    case jet::dbGUID:
    case jet::dbVarBinary:
    case jet::dbChar:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool IsNumberType(int type) {
  switch (type) {
    case jet::dbInteger:
    case jet::dbLong:
    case jet::dbCurrency:
    case jet::dbSingle:
    case jet::dbDouble:
    case jet::dbBigInt:
    case jet::dbNumeric:
    case jet::dbDecimal:
    case jet::dbFloat:
      return true;
    default:
      return false;
  }
}

vcl::TFieldType MapEngineType(int code) {
  switch (code) {
    case jet::dbBoolean:
      return vcl::ftBoolean;
    case jet::dbByte:
    case jet::dbInteger:
      return vcl::ftSmallint;
    case jet::dbLong:
    case jet::dbBigInt:
      return vcl::ftInteger;
    case jet::dbCurrency:
      return vcl::ftCurrency;
    case jet::dbSingle:
    case jet::dbDouble:
    case jet::dbNumeric:
    case jet::dbDecimal:
    case jet::dbFloat:
      return vcl::ftFloat;
    case jet::dbDate:
      return vcl::ftDate;
    case jet::dbBinary:
    case jet::dbGUID:
      return vcl::ftBytes;
    case jet::dbText:
    case jet::dbChar:
      return vcl::ftString;
    case jet::dbLongBinary:
    case jet::dbVarBinary:
      return vcl::ftBlob;
    case jet::dbMemo:
      return vcl::ftMemo;
    case jet::dbTime:
      return vcl::ftTime;
    case jet::dbTimeStamp:
      return vcl::ftDateTime;
    case kAutoIncColumnType:
      return vcl::ftAutoInc;
    default:
      return vcl::ftUnknown;
  }
}

namespace {

QString TypeListName(vcl::TFieldType t) {
  switch (t) {
    case vcl::ftString:
      return QStringLiteral("ftString");
    case vcl::ftSmallint:
      return QStringLiteral("ftSmallInt");
    case vcl::ftInteger:
      return QStringLiteral("ftInteger");
    case vcl::ftWord:
      return QStringLiteral("ftWord");
    case vcl::ftBoolean:
      return QStringLiteral("ftBoolean");
    case vcl::ftFloat:
      return QStringLiteral("ftFloat");
    case vcl::ftCurrency:
      return QStringLiteral("ftCurrency");
    case vcl::ftBCD:
      return QStringLiteral("ftBCD");
    case vcl::ftDate:
      return QStringLiteral("ftDate");
    case vcl::ftTime:
      return QStringLiteral("ftTime");
    case vcl::ftDateTime:
      return QStringLiteral("ftDateTime");
    case vcl::ftAutoInc:
      return QStringLiteral("ftAutoInc");
    case vcl::ftBlob:
      return QStringLiteral("ftBlob");
    case vcl::ftMemo:
      return QStringLiteral("ftMemo");
    default:
      return QStringLiteral("ftUnknown");
  }
}

}  // namespace

int OpenOptionBits(TDaoOpenOptions options) {
  int bits = 0;
  for (int i = dbDenyWrite; i <= dbExecDirect; ++i)
    if (options.Contains(static_cast<TDaoOpenOption>(i))) bits |= 1 << i;
  return bits;
}

ValueKind KindOfFieldType(vcl::TFieldType type, bool guid) {
  switch (type) {
    case vcl::ftString:
    case vcl::ftFixedChar:
    case vcl::ftWideString:
    case vcl::ftMemo:
    case vcl::ftFmtMemo:
    case vcl::ftBlob:
    case vcl::ftGraphic:
      return ValueKind::Text;
    case vcl::ftSmallint:
    case vcl::ftInteger:
    case vcl::ftWord:
    case vcl::ftFloat:
    case vcl::ftCurrency:
    case vcl::ftBCD:
    case vcl::ftAutoInc:
    case vcl::ftLargeint:
      return ValueKind::Number;
    case vcl::ftBoolean:
      return ValueKind::Boolean;
    case vcl::ftDate:
      return ValueKind::Date;
    case vcl::ftTime:
      return ValueKind::Time;
    case vcl::ftDateTime:
      return ValueKind::DateTime;
    case vcl::ftBytes:
    case vcl::ftVarBytes:
      return guid ? ValueKind::Guid : ValueKind::Bytes;
    default:
      return ValueKind::Unknown;
  }
}

ORBISCA_PUBLISHED(TVuDaoTable, TDataSet) {
  p.Property("AutoFindIndex", &TVuDaoTable::AutoFindIndex, &TVuDaoTable::SetAutoFindIndex);
  p.Property("ComponentVersion", &TVuDaoTable::ComponentVersion, nullptr).Stored(false);
  p.Property("CacheBlobs", &TVuDaoTable::CacheBlobs, &TVuDaoTable::SetCacheBlobs);
  p.Property("CacheMemos", &TVuDaoTable::CacheMemos, &TVuDaoTable::SetCacheMemos);
  p.Property("CacheLookups", &TVuDaoTable::CacheLookups, &TVuDaoTable::SetCacheLookups);
  p.Property("ExportMethod", &TVuDaoTable::ExportMethod, &TVuDaoTable::SetExportMethod);
  p.Property("RefreshSorted", &TVuDaoTable::RefreshSorted, &TVuDaoTable::SetRefreshSorted);
  p.Property("TableName", &TVuDaoTable::TableName, &TVuDaoTable::SetTableName);
  p.Property("SortedByText", &TVuDaoTable::SortedByText, &TVuDaoTable::SetSortedByText);
  p.Property("QueryDefName", &TVuDaoTable::QueryDefName, &TVuDaoTable::SetQueryDefName);
  p.Property("QueryDefParametersText", &TVuDaoTable::QueryDefParametersText, &TVuDaoTable::SetQueryDefParametersText);
  p.Property(
      "QueryDefSQLText", [](const TVuDaoTable *t) { return t->QueryDefSQLText().join(QLatin1Char('\n')); },
      [](TVuDaoTable *t, const QString &text) {
        t->SetQueryDefSQLText(text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n')));
      });
  p.Property("QueryDefSQLModify", &TVuDaoTable::QueryDefSQLModify, &TVuDaoTable::SetQueryDefSQLModify);
  p.Property("QueryDefODBCMaxRecords", &TVuDaoTable::QueryDefODBCMaxRecords, &TVuDaoTable::SetQueryDefODBCMaxRecords);
  p.Property("QueryDefType", &TVuDaoTable::QueryDefType, nullptr).Stored(false);
  p.Property("SQLText", &TVuDaoTable::SQLText, &TVuDaoTable::SetSQLText);
  p.Property("ShowGUID", &TVuDaoTable::ShowGUID, &TVuDaoTable::SetShowGUID);
  p.Property("TableType", &TVuDaoTable::TableType, &TVuDaoTable::SetTableType);
  p.Property("TableDateCreated", &TVuDaoTable::TableDateCreated, nullptr).Stored(false);
  p.Property("TableLastUpdated", &TVuDaoTable::TableLastUpdated, nullptr).Stored(false);
  p.Property("Translation", &TVuDaoTable::Translation, &TVuDaoTable::SetTranslation);
  p.Property("LockType", &TVuDaoTable::LockType, &TVuDaoTable::SetLockType);
  p.Property("OpenOptions", &TVuDaoTable::OpenOptions, &TVuDaoTable::SetOpenOptions);
  p.Property("IndexName", &TVuDaoTable::IndexName, &TVuDaoTable::SetIndexName);
  p.Property("ReadOnly", &TVuDaoTable::ReadOnly, &TVuDaoTable::SetReadOnly);
  p.Property("LockEdits", &TVuDaoTable::LockEdits, &TVuDaoTable::SetLockEdits);
  p.Property(
      "MasterFields", [](const TVuDaoTable *t) { return t->MasterFields().join(QLatin1Char('\n')); },
      [](TVuDaoTable *t, const QString &text) {
        t->SetMasterFields(text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n')));
      });
  p.Property("MasterAutoActivate", &TVuDaoTable::MasterAutoActivate, &TVuDaoTable::SetMasterAutoActivate);
  p.Property("DatabaseAutoActivate", &TVuDaoTable::DatabaseAutoActivate, &TVuDaoTable::SetDatabaseAutoActivate);
  p.Property("UseBrackets", &TVuDaoTable::UseBrackets, &TVuDaoTable::SetUseBrackets);
  p.Property("UseCaptions", &TVuDaoTable::UseCaptions, &TVuDaoTable::SetUseCaptions);
  p.Property("UseDaoProperties", &TVuDaoTable::UseDaoProperties, &TVuDaoTable::SetUseDaoProperties);
  p.Property("UseGetRecNo", &TVuDaoTable::UseGetRecNo, &TVuDaoTable::SetUseGetRecNo);
  p.Property("UseRecordCount", &TVuDaoTable::UseRecordCount, &TVuDaoTable::SetUseRecordCount);
  p.Property("WarnOnBadDatabase", &TVuDaoTable::WarnOnBadDatabase, &TVuDaoTable::SetWarnOnBadDatabase);
  p.Property("ParamCheck", &TVuDaoTable::ParamCheck, &TVuDaoTable::SetParamCheck);
  p.Property("ProcessMessages", &TVuDaoTable::ProcessMessages, &TVuDaoTable::SetProcessMessages);
  p.Property("Database", &TVuDaoTable::Database, &TVuDaoTable::SetDatabase);
  p.Property("MasterSource", &TVuDaoTable::MasterSource, &TVuDaoTable::SetMasterSource);
  p.Property("Encrypter", &TVuDaoTable::Encrypter, &TVuDaoTable::SetEncrypter);
  // Stored when the list is not empty; read back into Params.
  p.Property("ParamData", &TVuDaoTable::ParamDataText, &TVuDaoTable::SetParamDataText)
      .StoredIf([](const rtl::TObject *o) { return static_cast<const TVuDaoTable *>(o)->Params().Count() > 0; });
}

TVuDaoTable::TVuDaoTable(vcl::TComponent *owner) : vcl::TDataSet(owner) {
  SetIndexDefs(std::make_unique<TVuDaoIndexDefs>(this));
  master_link_ = std::make_unique<vcl::TMasterDataLink>(this);
  master_link_->OnMasterChange = [this](rtl::TObject *) { MasterChanged(); };
  master_link_->OnMasterDisable = [this](rtl::TObject *) { MasterDisabled(); };
}

TVuDaoTable::~TVuDaoTable() {
  Destroying();
  IgnoreFailure("a component being freed has no one to tell", [&] { Close(); });
  if (database_) {
    database_->UnregisterTable(this);
    database_->RemoveFreeNotification(this);
  }
  if (encrypter_) encrypter_->RemoveFreeNotification(this);
  master_link_.reset();
  DropOldValues();
}

// ---------------------------------------------------------------------------
// Properties.

void TVuDaoTable::SetDatabase(TVuDaoDatabase *database) {
  if (database == database_) return;
  if (Active()) Fail(Method("F_Set_Database") + QStringLiteral(": Cannot set Database while Table is Active!"));
  if (database_) {
    database_->UnregisterTable(this);
    database_->RemoveFreeNotification(this);
  }
  database_ = database;
  if (database_) database_->FreeNotification(this);
}

void TVuDaoTable::DatabaseGone(TVuDaoDatabase *database) {
  if (database != database_) return;
  IgnoreFailure("the database is going: the table closes with it whatever closing says", [&] {
    closed_by_database_ = true;
    Close();
  });
  closed_by_database_ = false;
  database_ = nullptr;
}

void TVuDaoTable::SetEncrypter(vcl::TComponent *encrypter) {
  if (encrypter == encrypter_) return;
  if (encrypter_) encrypter_->RemoveFreeNotification(this);
  encrypter_ = encrypter;
  if (encrypter_) encrypter_->FreeNotification(this);
  if (Active()) {
    Close();
    Open();
    First();
  }
}

void TVuDaoTable::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  vcl::TDataSet::Notification(component, operation);
  if (operation != vcl::opRemove) return;
  if (component == database_) {
    IgnoreFailure("the database is going: the table closes with it whatever closing says", [&] {
      closed_by_database_ = true;
      Close();
    });
    closed_by_database_ = false;
    database_ = nullptr;
  }
  if (component == encrypter_) {
    if (Active()) IgnoreFailure("the encrypter is going: the table closes whatever closing says", [&] { Close(); });
    encrypter_ = nullptr;
  }
}

void TVuDaoTable::SetTableName(const QString &name) {
  if (Active()) Fail(Method("F_Set_TableName") + QStringLiteral(": Cannot set TableName while Table is active!"));
  table_name_ = name;
}

void TVuDaoTable::SetQueryDefName(const QString &name) {
  if (Active()) Fail(Method("F_Set_QueryDefName") + QStringLiteral(": Cannot set QueryDefName while Table is Active!"));
  query_def_name_ = name;
}

void TVuDaoTable::SetTableType(int type) {
  if (Active()) Fail(Method("F_Set_TableType") + QStringLiteral(": Cannot set TableType while Table is active!"));
  table_type_ = type;
}

void TVuDaoTable::SetLockType(int type) {
  if (Active()) Fail(Method("F_Set_LockType") + QStringLiteral(": Cannot set LockType while Table is active!"));
  lock_type_ = type;
}

void TVuDaoTable::SetIndexName(const QString &name) {
  if (!name.isEmpty() && table_type_ != jet::dbOpenTable)
    Fail(Method("F_Set_IndexName") + QStringLiteral(": Indexes can be set only on Standard Tables!"));
  if (name == index_name_) return;
  index_name_ = name;
  if (Active() && recordset_) {
    CheckBrowseMode();
    recordset_->SetIndex(name);
    First();
  }
}

void TVuDaoTable::SetReadOnly(bool v) {
  if (!v && database_ && database_->Connected() && database_->ReadOnly()) return;
  read_only_ = v;
}

bool TVuDaoTable::LockEdits() const {
  if (!Active() || !recordset_ || ReadOnly()) return false;
  if (table_type_ != jet::dbOpenTable && table_type_ != jet::dbOpenDynaset) return false;
  if (database_ && database_->DatabaseType().compare(QLatin1String("ODBC"), Qt::CaseInsensitive) == 0) return false;
  return recordset_->LockEdits();
}

void TVuDaoTable::SetLockEdits(bool v) {
  lock_edits_ = v;
  if (recordset_)
    IgnoreFailure("the setting applies again when the recordset opens", [&] { recordset_->SetLockEdits(v); });
}

void TVuDaoTable::SetSortedBy(const QStringList &lines) {
  const QStringList old = sorted_by_;
  sorted_by_ = lines;
  if (Active()) ReopenOrRestore(false, [&] { sorted_by_ = old; });
}

void TVuDaoTable::SetSortedByText(const QString &text) {
  SetSortedBy(text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n')));
}

QString TVuDaoTable::ParamDataText() const {
  QStringList lines;
  for (int i = 0; i < params_.Count(); ++i) {
    const vcl::TParam *param = params_[i];
    const vcl::TFieldType type = param->DataType();
    const bool date = type == vcl::ftDate || type == vcl::ftTime || type == vcl::ftDateTime;
    QString value;
    constexpr int kRoundTripDigits = 17;  // a double's digits that read back the same
    if (!param->IsNull())
      value = date ? QString::number(param->AsDateTime(), 'g', kRoundTripDigits) : param->Value().AsString();
    lines << param->Name() + QLatin1Char('=') + QString::number(static_cast<int>(type)) + QLatin1Char(':') + value;
  }
  return lines.join(QLatin1Char('\n'));
}

void TVuDaoTable::SetParamDataText(const QString &text) {
  for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
    const qsizetype eq = line.indexOf(QLatin1Char('=')), colon = line.indexOf(QLatin1Char(':'), eq + 1);
    if (eq <= 0 || colon < 0) continue;
    const QString name = line.left(eq);
    bool ok = false;
    const auto type = static_cast<vcl::TFieldType>(line.mid(eq + 1, colon - eq - 1).toInt(&ok));
    if (!ok) continue;
    vcl::TParam *param = params_.FindParam(name);
    if (param == nullptr) param = params_.CreateParam(type, name, vcl::ptInput);
    param->SetDataType(type);
    const QString value = line.mid(colon + 1);
    if (value.isEmpty())
      param->Clear();
    else if (type == vcl::ftDate || type == vcl::ftTime || type == vcl::ftDateTime)
      param->SetValue(rtl::Variant::FromDate(value.toDouble()));
    else
      param->SetValue(rtl::Variant(value));
  }
}

void TVuDaoTable::SetQueryDefParametersText(const QString &text) {
  query_def_parameters_ = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

void TVuDaoTable::SetQueryDefSQLText(const QStringList &lines) {
  query_def_sql_text_ = lines;
  if (!query_def_sql_modify_ || !database_ || !database_->Connected() || query_def_name_.isEmpty()) return;
  const QString sql = lines.join(QLatin1Char('\n'));
  auto db = database_->DaoDatabase();
  if (db->QueryDefs().Find(query_def_name_))
    database_->SetQueryDefSQL(query_def_name_, sql);
  else
    database_->CreateQueryDef(query_def_name_, sql);
}

QString TVuDaoTable::QueryDefType() const {
  if (!query_def_) return QString();
  switch (query_def_->Type()) {
    case jet::dbQSelect:
      return QStringLiteral("dbQSelect");
    case jet::dbQProcedure:
      return QStringLiteral("dbQProcedure");
    case jet::dbQAction:
      return QStringLiteral("dbQAction");
    case jet::dbQCrosstab:
      return QStringLiteral("dbQCrosstab");
    case jet::dbQDelete:
      return QStringLiteral("dbQDelete");
    case jet::dbQUpdate:
      return QStringLiteral("dbQUpdate");
    case jet::dbQAppend:
      return QStringLiteral("dbQAppend");
    case jet::dbQMakeTable:
      return QStringLiteral("dbQMakeTable");
    case jet::dbQDDL:
      return QStringLiteral("dbQDDL");
    case jet::dbQSQLPassThrough:
      return QStringLiteral("dbQSQLPassThrough");
    case jet::dbQSetOperation:
      return QStringLiteral("dbQSetOperation");
    case jet::dbQSPTBulk:
      return QStringLiteral("dbQSPTBulk");
    case jet::dbQCompound:
      return QStringLiteral("dbQCompound");
    default:
      return QString();
  }
}

QString TVuDaoTable::TableDateCreated() const {
  QString out;
  IgnoreFailure("a table the catalogue does not know has no creation date", [&] {
    if (database_ && database_->DaoDatabase() && !table_name_.isEmpty())
      out = rtl::DateTimeToStr(database_->DaoDatabase()->TableDefs().Item(table_name_).DateCreated());
  });
  return out;
}

QString TVuDaoTable::TableLastUpdated() const {
  QString out;
  IgnoreFailure("a table the catalogue does not know has no update date", [&] {
    if (database_ && database_->DaoDatabase() && !table_name_.isEmpty())
      out = rtl::DateTimeToStr(database_->DaoDatabase()->TableDefs().Item(table_name_).LastUpdated());
  });
  return out;
}

void TVuDaoTable::SetOpenOptions(TDaoOpenOptions options) {
  const TDaoOpenOptions old = open_options_;
  open_options_ = options;
  if (Active()) ReopenOrRestore(false, [&] { open_options_ = old; });
}

void TVuDaoTable::SetFiltered(bool value) {
  if (value == Filtered()) return;
  if (!Active()) {
    vcl::TDataSet::SetFiltered(value);
    return;
  }
  // The base would only refetch; the engine filter needs a new recordset.
  const bool old = Filtered();
  CheckBrowseMode();
  const auto saved = OnFilterRecord;
  OnFilterRecord = nullptr;  // keeps the base from refetching now
  vcl::TDataSet::SetFiltered(value);
  OnFilterRecord = saved;
  ReopenOrRestore(true, [&] {
    OnFilterRecord = nullptr;
    vcl::TDataSet::SetFiltered(old);
    OnFilterRecord = saved;
  });
}

void TVuDaoTable::SetFilterText(const QString &value) {
  const bool reopen = Active() && Filtered();
  if (reopen) CheckBrowseMode();
  const bool was = Filtered();
  if (reopen) {
    // Store without the base's refetch, then reopen with the new criteria.
    const QString old = Filter();
    auto store = [&](const QString &text) {
      vcl::TDataSet::SetFiltered(false);
      vcl::TDataSet::SetFilterText(text);
      const auto saved = OnFilterRecord;
      OnFilterRecord = nullptr;
      vcl::TDataSet::SetFiltered(was);
      OnFilterRecord = saved;
    };
    store(value);
    ReopenOrRestore(true, [&] { store(old); });
  } else {
    vcl::TDataSet::SetFilterText(value);
  }
}

void TVuDaoTable::SetOnFilterRecord(const vcl::TFilterRecordEvent &handler) {
  OnFilterRecord = handler;
  if (Active() && Filtered()) ReopenAfterChange(true);
}

void TVuDaoTable::Progress(const TExportProgressEvent &event, int current, int total) {
  if (current != 0 && current != total && current % kProgressStep != 0) return;
  if (event) event(this, current, total);
  if (!process_messages_) return;
  if (vcl::Application != nullptr)
    vcl::Application->ProcessMessages();
  else if (QCoreApplication::instance() != nullptr)
    QCoreApplication::processEvents();
}

void TVuDaoTable::SetBatchMode(bool v) {
  if (v == batch_mode_) return;
  batch_mode_ = v;
  if (v) {
    DisableControls();
  } else {
    post_in_progress_ = false;
    EnableControls();
    if (Active()) {
      IgnoreFailure("the post's own outcome is what the caller sees", [&] { Resync(0); });
      if (use_get_rec_no_) rec_no_stale_ = true;
    }
  }
}

// ---------------------------------------------------------------------------
// SQL text and parameters.

void TVuDaoTable::SetSQL(const QStringList &lines) {
  sql_ = lines;
  if (!IsLoading()) ParseParams();
}

void TVuDaoTable::Loaded() {
  vcl::TDataSet::Loaded();
  // The SQL read from storage was not parsed while loading.
  ParseParams();
}

void TVuDaoTable::SetSQLText(const QString &text) {
  SetSQL(text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n')));
}

void TVuDaoTable::ParseParams() {
  if (!param_check_ && !IsDesigning()) return;
  vcl::TParams parsed;
  parsed.ParseSQL(sql_.join(QLatin1Char('\n')), true);
  parsed.AssignValues(params_);
  params_ = parsed;
}

std::vector<SqlParameter> TVuDaoTable::SqlParameters() const {
  std::vector<SqlParameter> out;
  for (int i = 0; i < params_.Count(); ++i) {
    const vcl::TParam *p = params_[i];
    SqlParameter s;
    s.name = p->Name();
    s.value = p->Value();
    s.kind = KindOfFieldType(p->DataType());
    if (s.kind == ValueKind::Unknown) {
      switch (s.value.Type()) {
        case rtl::VarType::Date: {
          const double d = s.value.AsDouble();
          s.kind = d == static_cast<double>(static_cast<long long>(d)) ? ValueKind::Date : ValueKind::DateTime;
          break;
        }
        case rtl::VarType::Boolean:
          s.kind = ValueKind::Boolean;
          break;
        case rtl::VarType::Integer:
        case rtl::VarType::Int64:
        case rtl::VarType::Double:
        case rtl::VarType::Currency:
          s.kind = ValueKind::Number;
          break;
        default:
          s.kind = ValueKind::Text;
          break;
      }
    }
    out.push_back(s);
  }
  return out;
}

QString TVuDaoTable::SubstituteParams(const QStringList &lines) const {
  const QString text = lines.join(QLatin1Char('\n'));
  if (!param_check_) return text;
  return dao::SubstituteParams(text, SqlParameters());
}

int TVuDaoTable::ExecSQL(const QStringList &sql) {
  if (!database_ || !database_->Connected())
    Fail(Method("ExecSQL") + QStringLiteral(": Cannot execute SQL query while Database is not Assigned or Connected!"));
  auto db = database_->DaoDatabase();
  db->Execute(SubstituteParams(sql), jet::dbFailOnError);
  records_affected_ = db->RecordsAffected();
  return records_affected_;
}

int TVuDaoTable::ExecuteSQL() {
  if (!database_ || !database_->Connected())
    Fail(Method("ExecuteSQL") +
         QStringLiteral(": Cannot execute SQL query while Database is not Assigned or Connected!"));
  return ExecSQL(sql_);
}

// ---------------------------------------------------------------------------
// Opening.

void TVuDaoTable::OpenDaoRecordset() {
  if (!database_) Fail(Method("OpenDaoRecordset") + QStringLiteral(": Missing Database Property"));
  if (table_name_.isEmpty() && sql_.isEmpty() && query_def_name_.isEmpty())
    Fail(Method("OpenDaoRecordset") + QStringLiteral(": Missing TableName or QueryDefName, or SQL is empty!"));
  if (!database_->Connected()) {
    if (database_auto_activate_)
      database_->Open();
    else
      Fail(Method("OpenDaoRecordset") + QStringLiteral(": Database is NOT connected"));
  }
  if (table_type_ == jet::dbOpenDynamic &&
      database_->DatabaseType().compare(QLatin1String("ODBC"), Qt::CaseInsensitive) != 0)
    Fail(Method("OpenDaoRecordset") + QStringLiteral(": DynamicTables are for ODBC connections only!"));

  const bool saved_opening = opening_;
  opening_ = true;
  try {
    OpenRecordsetFromSource();
  } catch (...) {
    opening_ = saved_opening;
    throw;
  }
  opening_ = saved_opening;
}

void TVuDaoTable::OpenRecordsetFromSource() {
  auto db = database_->DaoDatabase();
  open_read_only_ =
      database_->ReadOnly() || table_type_ == jet::dbOpenForwardOnly || table_type_ == jet::dbOpenSnapshot;
  const int options = OpenOptionBits(open_options_);

  if (base_recordset_) {
    IgnoreFailure("the old recordset is replaced whatever its closing says", [&] { base_recordset_->Close(); });
    base_recordset_.reset();
  }
  records_affected_ = 0;
  output_values_ = rtl::Variant::Null();
  query_def_.reset();

  QString source = table_name_;
  if (!sql_.isEmpty()) source = SubstituteParams(sql_);

  // A copy (snapshot, forward-only) opens sorted and filtered at once, so
  // the engine copies only the rows that pass (a week of a long journal,
  // not the whole of it); other kinds get them from ApplySortAndFilter.
  sort_text_ = SortText(sorted_by_);
  jet::RowSelection selection;
  if (table_type_ == jet::dbOpenSnapshot || table_type_ == jet::dbOpenForwardOnly) {
    selection.sort = sort_text_;
    if (Filtered()) selection.filter = Filter();
  }
  narrowed_at_open_ = !selection.IsEmpty();

  std::shared_ptr<jet::Recordset> rs;
  if (!query_def_name_.isEmpty()) {
    query_def_ = db->QueryDefs().Ptr(query_def_name_);
    int line = 0;
    for (const auto &param : query_def_->Parameters()) {
      if (param->Direction() != jet::dbParamInput && param->Direction() != jet::dbParamInputOutput) continue;
      const QString bad =
          Method("OpenDaoRecordset") +
          QStringLiteral(": Invalid number of QueryDef parameters or parameter is not in valid format!");
      if (line >= query_def_parameters_.size()) Fail(bad);
      const QString text = query_def_parameters_[line++];
      try {
        if (text == QLatin1String("NULL"))
          param->SetValue(rtl::Variant::Null());
        else
          param->SetValue(rtl::Variant(text));
      } catch (const rtl::Exception &) {
        Fail(bad);
      }
    }
    query_def_sql_text_ = query_def_->SQL().split(QLatin1Char('\n'));
    query_def_->SetMaxRecords(query_def_odbc_max_records_);
    if (db->QueryTimeout() != 60) query_def_->SetODBCTimeout(db->QueryTimeout());
    rs = query_def_->OpenRecordset(table_type_, options, lock_type_, selection);
    std::vector<rtl::Variant> outputs;
    for (const auto &param : query_def_->Parameters())
      if (param->Direction() != jet::dbParamInput) outputs.push_back(param->Value());
    if (outputs.size() == 1)
      output_values_ = outputs.front();
    else if (outputs.size() > 1)
      output_values_ = rtl::Variant(outputs);
  } else {
    rs = db->OpenRecordset(source, table_type_, options, lock_type_, selection);
  }
  recordset_ = rs;

  database_->Idle();
  if (!recordset_->Updatable()) open_read_only_ = true;
  bookmarkable_ = recordset_->Bookmarkable();
  if (lock_edits_)
    IgnoreFailure("the setting applies again when the recordset opens", [&] { recordset_->SetLockEdits(true); });
  records_affected_ = db->RecordsAffected();
  if (!index_name_.isEmpty())
    IgnoreFailure("an index the recordset refuses leaves its natural order",
                  [&] { recordset_->SetIndex(index_name_); });

  ReadFieldInfo();
  ApplySortAndFilter();
  ApplyMasterDetail();
  FillFieldObjects();
  database_->Idle();
}

void TVuDaoTable::ReadFieldInfo() {
  const int n = recordset_->FieldCount();
  updatable_.assign(static_cast<size_t>(n), true);
  default_values_ = QStringList();
  for (int i = 0; i < n; ++i) default_values_ << QString();
  if (ReadOnly() || !use_dao_properties_) return;
  for (int i = 0; i < n; ++i) {
    jet::Field &f = recordset_->Fields(i);
    const int attr = f.Attributes();
    updatable_[static_cast<size_t>(i)] =
        (attr & jet::dbUpdatableField) && !(attr & jet::dbAutoIncrField) && !(attr & jet::dbSystemField);
    if (database_->EngineType() == jet::dbUseJet) {
      IgnoreFailure("a default the engine cannot convert leaves the field empty",
                    [&] { default_values_[i] = ConvertDefault(f.DefaultValue(), f.Type()); });
    }
  }
}

// An engine default (Jet syntax) as the value text a new row shows, or
// empty when it is not a plain literal (functions are the engine's own).
QString TVuDaoTable::ConvertDefault(const QString &engine_default, int engine_type) const {
  QString d = engine_default.trimmed();
  if (d.isEmpty() || d.compare(QLatin1String("Null"), Qt::CaseInsensitive) == 0) return QString();
  if (d.startsWith(QLatin1Char('='))) d = d.mid(1).trimmed();
  auto unquote = [](const QString &s) {
    if (s.size() > 1 && ((s.startsWith(QLatin1Char('"')) && s.endsWith(QLatin1Char('"'))) ||
                         (s.startsWith(QLatin1Char('\'')) && s.endsWith(QLatin1Char('\'')))))
      return s.mid(1, s.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return QString();
  };
  switch (engine_type) {
    case jet::dbText:
    case jet::dbMemo: {
      const QString q = unquote(d);
      if (!q.isEmpty()) return q;
      return d.contains(QLatin1Char('(')) ? QString() : d;
    }
    case jet::dbDate: {
      if (d.size() > 1 && d.startsWith(QLatin1Char('#')) && d.endsWith(QLatin1Char('#'))) {
        const QStringList parts = d.mid(1, d.size() - 2).split(QLatin1Char('/'));
        if (parts.size() == 3) {
          rtl::TDateTime dt = 0;
          if (rtl::TryEncodeDate(parts[2].left(4).toInt(), parts[0].toInt(), parts[1].toInt(), dt))
            return TimeStampText(dt);
        }
      }
      return QString();
    }
    case jet::dbBoolean: {
      const std::optional<int> b = BooleanTextValue(d);
      if (!b) return QString();
      return *b ? QStringLiteral("True") : QStringLiteral("False");
    }
    case jet::dbBinary:
    case jet::dbLongBinary:
    case jet::dbGUID:
      return QString();
    default: {
      bool ok = false;
      const double v = d.toDouble(&ok);
      if (!ok) return QString();
      return TextFromValue(rtl::Variant(v), MapEngineType(engine_type), false);
    }
  }
}

void TVuDaoTable::ApplySortAndFilter() {
  // A table recordset keeps the order of its index; sorting or filtering
  // would make it another kind of recordset.
  if (narrowed_at_open_ || recordset_->Type() == jet::dbOpenTable) return;
  const bool sort = !sort_text_.isEmpty();
  const bool filter = Filtered() && !Filter().isEmpty();
  if (!sort && !filter) return;
  // One statement filters and sorts: the engine sorts only the rows that
  // pass (a week of a long journal, not the whole of it).
  if (sort) recordset_->SetSort(sort_text_);
  if (filter) recordset_->SetFilter(Filter());
  auto derived = recordset_->OpenRecordset(table_type_, OpenOptionBits(open_options_));
  IgnoreFailure("the sorted and filtered copy replaces the recordset whatever its closing says",
                [&] { recordset_->Close(); });
  recordset_ = derived;
}

void TVuDaoTable::FillFieldObjects() {
  field_objects_.clear();
  const int n = recordset_->FieldCount();
  for (int i = 0; i < n; ++i) field_objects_.push_back(&recordset_->Fields(i));
}

void TVuDaoTable::CloseRecordset() {
  field_objects_.clear();
  if (recordset_) IgnoreFailure("the recordset goes whatever its closing says", [&] { recordset_->Close(); });
  recordset_.reset();
  if (base_recordset_) IgnoreFailure("the recordset goes whatever its closing says", [&] { base_recordset_->Close(); });
  base_recordset_.reset();
}

void TVuDaoTable::ReopenRecordset() {
  if (!Active()) return;
  ReopenAfterChange(false);
}

// A setting that the engine refuses at the reopen (a sort or filter naming
// no column, say) is put back, so the table stays open on its old recordset
// instead of active without one; the error is raised all the same.
void TVuDaoTable::ReopenOrRestore(bool first_unless_empty, const std::function<void()> &restore) {
  // A pending edit that cannot be posted keeps its values: nothing is reopened.
  try {
    CheckBrowseMode();
  } catch (...) {
    restore();
    throw;
  }
  try {
    ReopenAfterChange(first_unless_empty);
  } catch (...) {
    restore();
    bool reopened = false;
    IgnoreFailure("the first failure is the one raised", [&] {
      ReopenAfterChange(first_unless_empty);
      reopened = true;
    });
    if (!reopened) IgnoreFailure("the first failure is the one raised", [&] { Close(); });
    throw;
  }
}

void TVuDaoTable::ReopenAfterChange(bool first_unless_empty) {
  CheckBrowseMode();
  ClearBuffers();
  CloseRecordset();
  OpenDaoRecordset();
  current_position_ = fetch_position_ = -1;
  known_rows_ = 0;
  count_stale_ = true;
  rec_no_stale_ = false;
  if (first_unless_empty && EngineBOF() && EngineEOF()) {
    Resync(0);
    return;
  }
  First();
}

// ---------------------------------------------------------------------------
// Open and close of the dataset.

void TVuDaoTable::InternalOpen() {
  current_position_ = fetch_position_ = -1;
  known_rows_ = 0;
  count_stale_ = true;
  cached_count_ = -1;
  rec_no_stale_ = false;
  post_in_progress_ = false;
  OpenDaoRecordset();

  if (Name().isEmpty()) {
    const qint64 n =
        static_cast<qint64>(QRandomGenerator::global()->bounded(10000)) + QDateTime::currentMSecsSinceEpoch();
    IgnoreFailure("a table without a name still opens",
                  [&] { SetName(QStringLiteral("VuDaoTable_%1").arg(std::llabs(n))); });
  }

  InternalInitFieldDefs();
  CreateFields();
  if (cache_lookups_)
    for (int i = 0; i < FieldCount(); ++i)
      if (Fields()[i]->FieldKind() == vcl::fkLookup) Fields()[i]->SetLookupCache(true);
  BindFields(true);
  if (use_captions_)
    for (int i = 0; i < FieldCount(); ++i) {
      vcl::TField *f = Fields()[i];
      const int k = FieldDefs().IndexOf(f->FieldName());
      if (k >= 0 && k < captions_.size() && f->FieldKind() == vcl::fkData) f->SetDisplayLabel(captions_[k]);
    }
  SetBookmarkSize(bookmarkable_ ? 4 : 0);

  field_names_.clear();
  non_blob_field_names_.clear();
  field_type_names_.clear();
  for (int i = 0; i < FieldDefs().Count(); ++i) {
    const vcl::TFieldDef *def = FieldDefs()[i];
    field_names_ << def->Name();
    field_type_names_ << TypeListName(def->DataType());
    if (def->DataType() != vcl::ftBlob && def->DataType() != vcl::ftMemo) non_blob_field_names_ << def->Name();
    vcl::TField *f = FieldByNumber(def->FieldNo());
    if (!f) continue;
    if (static_cast<size_t>(i) < updatable_.size() && !updatable_[static_cast<size_t>(i)]) f->SetReadOnly(true);
    if (!f->DefaultExpression().isEmpty()) {
      // Stored as value text at InternalInitRecord.
    }
    if (DefaultFields()) {
      if (def->DataType() == vcl::ftDateTime && f->DisplayWidth() < 20) f->SetDisplayWidth(20);
      if (cache_memos_ && def->DataType() == vcl::ftMemo && f->DisplayWidth() < 30) f->SetDisplayWidth(30);
    }
    if (cache_memos_ && def->DataType() == vcl::ftMemo) {
      f->OnGetText = [](vcl::TField *field, QString &text, bool) {
        text = field->AsString();
        const int cr = text.indexOf(QLatin1Char('\r'));
        if (cr >= 0) text = text.left(cr);
        const int lf = text.indexOf(QLatin1Char('\n'));
        if (lf >= 0) text = text.left(lf);
      };
    }
    if (static_cast<size_t>(i) < guid_fields_.size() && guid_fields_[static_cast<size_t>(i)]) {
      f->SetValidChars(QStringLiteral("-0123456789ABCDEFabcdef{}"));
      if (show_guid_) {
        if (DefaultFields() && f->DisplayWidth() < 38) f->SetDisplayWidth(38);
        f->OnGetText = [](vcl::TField *field, QString &text, bool) {
          rtl::Variant v;
          text.clear();
          if (!field->DataSet()->GetFieldData(field, &v)) return;
          text = GuidBraced(v.AsBytes());
        };
        f->OnSetText = [](vcl::TField *field, const QString &text) {
          if (text.size() != 38) return;
          if (const std::optional<QByteArray> b = GuidBytes(text)) field->SetValue(rtl::Variant(*b));
        };
      }
    }
  }

  use_encrypter_ = false;
  if (encrypter_) {
    use_encrypter_ = vcl::GetPropInfo(encrypter_, QStringLiteral("EncodedString")) &&
                     vcl::GetPropInfo(encrypter_, QStringLiteral("DecodedString"));
  }

  database_->RegisterTable(Name(), this);
  if (database_->TrackTransactions() && database_->TransactionLevel() > 0)
    database_->SetTransactionValue(Name(), QStringLiteral("1"));
  database_->Idle();
}

void TVuDaoTable::InternalClose() {
  if (State() == vcl::dsEdit && recordset_)
    IgnoreFailure("the recordset goes with the table whatever the engine says of the edit",
                  [&] { recordset_->CancelUpdate(); });
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  CloseRecordset();
  query_def_.reset();
  if (database_ && !closed_by_database_) database_->UnregisterTable(this);
  DropOldValues();
}

bool TVuDaoTable::IsCursorOpen() const { return recordset_ != nullptr && recordset_->IsOpen(); }

void TVuDaoTable::CloseFromDatabase() {
  closed_by_database_ = true;
  try {
    Close();
  } catch (...) {
    closed_by_database_ = false;
    // The recordset is gone with the database: the table is closed anyway.
    IgnoreFailure("the recordset is gone with the database: the table is closed anyway",
                  [&] { SetState(vcl::dsInactive); });
    throw;
  }
  closed_by_database_ = false;
}

// ---------------------------------------------------------------------------
// Field and index definitions.

void TVuDaoTable::InternalInitFieldDefs() {
  FieldDefs().Clear();
  captions_.clear();
  engine_types_.clear();
  guid_fields_.clear();
  const bool opened_here = !recordset_;
  if (opened_here) OpenDaoRecordset();
  try {
    const int n = recordset_->FieldCount();
    if (default_values_.size() < n)
      for (int i = default_values_.size(); i < n; ++i) default_values_ << QString();
    for (int i = 0; i < n; ++i) {
      jet::Field &f = recordset_->Fields(i);
      int type = f.Type();
      int size = f.Size();
      if (!HasWidth(type)) size = 0;
      if (type == jet::dbDate) {
        if (f.HasProperty(QStringLiteral("Format"))) {
          const QString fmt = f.Property(QStringLiteral("Format")).toLower();
          if (fmt == QLatin1String("long time") || fmt == QLatin1String("medium time") ||
              fmt == QLatin1String("short time"))
            type = jet::dbTime;
          else if (fmt == QLatin1String("general date"))
            type = jet::dbTimeStamp;
        } else {
          type = jet::dbTimeStamp;
        }
      }
      if (type == jet::dbText && size == 0) size = 255;
      if (type == jet::dbLong && (f.Attributes() & jet::dbAutoIncrField)) type = kAutoIncColumnType;
      if (database_->EngineType() == jet::dbUseJet) {
        const QString dv = f.DefaultValue().toLower();
        const int t = f.Type();
        if (type == kAutoIncColumnType || (IsNumberType(t) && dv.contains(QLatin1String("genuniqueid"))) ||
            (t == jet::dbGUID && dv.contains(QLatin1String("genguid"))))
          default_values_[i] = QString();
      }
      const vcl::TFieldType ft = MapEngineType(type);
      const bool required = ReadOnly() ? false : (use_dao_properties_ ? f.Required() : false);
      vcl::TFieldDef *def =
          FieldDefs().Add(f.Name(), ft, ft == vcl::ftBytes && f.Type() == jet::dbGUID ? 16 : size, required);
      if (ft == vcl::ftBlob) default_values_[i] = QString();
      if (use_captions_ && f.HasProperty(QStringLiteral("Caption")))
        captions_ << f.Property(QStringLiteral("Caption"));
      else
        captions_ << f.Name();
      const bool guid = f.Type() == jet::dbGUID;
      if (guid) def->SetPrecision(kGuidMarker);
      guid_fields_.push_back(guid);
      engine_types_.push_back(type);
    }
    if (!table_name_.isEmpty())
      IgnoreFailure("a table without index definitions still opens", [&] { UpdateIndexDefs(); });
  } catch (...) {
    if (opened_here) CloseRecordset();
    throw;
  }
  if (opened_here) CloseRecordset();
}

void TVuDaoTable::UpdateIndexDefs() {
  auto *defs = static_cast<TVuDaoIndexDefs *>(&IndexDefs());
  defs->Clear();
  if (table_name_.isEmpty() || table_type_ != jet::dbOpenTable || !database_ || !database_->DaoDatabase() ||
      database_->EngineType() == jet::dbUseODBC)
    return;
  auto db = database_->DaoDatabase();
  jet::TableDef *table = db->TableDefs().Find(table_name_);
  if (!table) return;
  IgnoreFailure("the index list as last read serves", [&] { table->Refresh(); });
  for (const auto &index : table->Indexes()) {
    QStringList names, desc;
    bool all_desc = index->Fields().Count() > 0;
    for (const auto &f : index->Fields()) {
      names << f->Name();
      if (f->Attributes() & jet::dbDescending)
        desc << f->Name();
      else
        all_desc = false;
    }
    vcl::TIndexOptions options;
    if (index->Primary()) options.Include(vcl::ixPrimary);
    if (index->Unique()) options.Include(vcl::ixUnique);
    if (all_desc) options.Include(vcl::ixDescending);
    vcl::TIndexDef *def = defs->AddDef(index->Name(), names.join(QLatin1Char(';')), options);
    def->SetDescFields(desc.join(QLatin1Char(';')));
  }
}

int TVuDaoTable::IndexFieldCount() const {
  if (index_name_.isEmpty()) return 0;
  const int i = const_cast<TVuDaoTable *>(this)->IndexDefs().IndexOf(index_name_);
  if (i < 0) return 0;
  return const_cast<TVuDaoTable *>(this)->IndexDefs()[i]->FieldList().size();
}

vcl::TField *TVuDaoTable::IndexField(int index) const {
  if (!Active())
    Fail(Method("F_Get_IndexField") + QStringLiteral(": Cannot get IndexField while Table is NOT active!"));
  const int i = const_cast<TVuDaoTable *>(this)->IndexDefs().IndexOf(index_name_);
  if (i < 0) return nullptr;
  const QStringList names = const_cast<TVuDaoTable *>(this)->IndexDefs()[i]->FieldList();
  if (index < 0 || index >= names.size()) return nullptr;
  return FindField(names[index]);
}

TVuDaoIndexDefs::TVuDaoIndexDefs(TVuDaoTable *table) : vcl::TIndexDefs(table), table_(table) {}

vcl::TIndexDef *TVuDaoIndexDefs::AddDef(const QString &name, const QString &fields, vcl::TIndexOptions options) {
  return vcl::TIndexDefs::Add(name, fields, options);
}

vcl::TIndexDef *TVuDaoIndexDefs::Add(const QString &name, const QString &fields, vcl::TIndexOptions options) {
  TVuDaoDatabase *database = table_->Database();
  if (table_->TableName().isEmpty() || !database || !database->Connected()) return AddDef(name, fields, options);
  auto db = database->DaoDatabase();
  jet::TableDef *def = db->TableDefs().Find(table_->TableName());
  const QStringList names = SplitKeyFields(fields);
  bool create = def && !def->Indexes().Find(name);
  if (create)
    for (const QString &n : names) create = create && def->Fields().Find(n) != nullptr;
  if (!create) return AddDef(name, fields, options);

  const bool was_active = table_->Active();
  if (was_active) table_->Close();
  db->Refresh();
  def = db->TableDefs().Find(table_->TableName());
  auto index = def->CreateIndex(name);
  index->SetPrimary(options.Contains(vcl::ixPrimary));
  index->SetUnique(options.Contains(vcl::ixUnique));
  for (const QString &n : names)
    index->Fields().Add(index->CreateField(n, options.Contains(vcl::ixDescending) ? jet::dbDescending : 0));
  def->AppendIndex(index);
  db->Refresh();
  vcl::TIndexDef *added = AddDef(name, fields, options);
  if (was_active) table_->Open();
  return added;
}

}  // namespace dao
