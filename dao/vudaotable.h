// The table component: a dataset (vcl::TDataSet) over one recordset of the
// engine, opened from a stored query, an SQL text or a table of its
// `TVuDaoDatabase`, in that order of precedence.
//
// Every buffered row keeps its columns as text (see daotext.h for the
// forms); edits stay in the buffer until Post, which writes only the
// changed columns to the engine and leaves the posted row current with the
// values the engine gave it. Searches (Locate, Lookup, the find family)
// run on a clone of the recordset, so the table's cursor moves only when a
// row is found. A detail table follows its master through MasterSource and
// MasterFields.
//
// The implementation is split by concern: vudaotable.cpp (properties,
// opening, SQL, field definitions), vudaotable_records.cpp (buffers,
// values, navigation, counts), vudaotable_edit.cpp (editing, posting,
// deleting, the blob stream) and vudaotable_locate.cpp (searching,
// master-detail).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "dao/daotext.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/db/db.h"
#include "platform/vcl/db/params.h"
#include "platform/vcl/typinfo.h"

namespace jet {
class Recordset;
class Field;
class QueryDef;
}  // namespace jet

namespace dao {

class TVuDaoDatabase;
class TVuDaoTable;

// Open options; each adds the engine option bit of the same name.
enum TDaoOpenOption {
  dbDenyWrite,
  dbDenyRead,
  dbReadOnly,
  dbAppendOnly,
  dbInconsistent,
  dbConsistent,
  dbSQLPassThrough,
  dbFailOnError,
  dbForwardOnly,
  dbSeeChanges,
  dbRunAsync,
  dbExecDirect,
};
ORBISCA_ENUM_INFO(TDaoOpenOption, dbDenyWrite, dbDenyRead, dbReadOnly, dbAppendOnly, dbInconsistent, dbConsistent,
                  dbSQLPassThrough, dbFailOnError, dbForwardOnly, dbSeeChanges, dbRunAsync, dbExecDirect)
using TDaoOpenOptions = vcl::TEnumSet<TDaoOpenOption>;
// The engine's option bits for a set of open options.
int OpenOptionBits(TDaoOpenOptions options);

enum TExportMethod { VisibleFields, AllFields };
ORBISCA_ENUM_INFO(TExportMethod, VisibleFields, AllFields)

// The table's own code for an auto-increment column, beside the engine's
// type codes (jet::DataTypeEnum).
inline constexpr int kAutoIncColumnType = 40000;

// The field type of an engine column type code; a date column whose format
// names a time is read as jet::dbTime, one without a format or with
// "General Date" as jet::dbTimeStamp, and kAutoIncColumnType is the table's
// own.
vcl::TFieldType MapEngineType(int code);

// Column types holding numbers other than a Yes/No or a byte (an engine
// default such as GenUniqueID() may fill them).
bool IsNumberType(int type);

// What kind of value a field type is compared and substituted as.
ValueKind KindOfFieldType(vcl::TFieldType type, bool guid = false);

// A buffered row.
struct TVuRecInfo : vcl::TRecordData {
  int Position = -1;  // cursor position when read; -1 for a new row
  // One value text per field definition. A row read from the engine keeps
  // the values as they came (Read) and makes a value's text only when it is
  // first asked for (TVuDaoTable::ValueText, Pending marks those not made
  // yet): a report or a grid reads a few of a row's fields.
  QStringList Values;
  std::vector<rtl::Variant> Read;
  std::vector<bool> Pending;
  std::vector<bool> Changed;  // the changed marks of Values
};

// The table's index list: adding an index to a named table also creates it
// in the database.
class TVuDaoIndexDefs : public vcl::TIndexDefs {
 public:
  explicit TVuDaoIndexDefs(TVuDaoTable *table);
  vcl::TIndexDef *Add(const QString &name, const QString &fields, vcl::TIndexOptions options) override;
  // Adds a definition to the list only (reading the engine's indexes).
  vcl::TIndexDef *AddDef(const QString &name, const QString &fields, vcl::TIndexOptions options);

 private:
  TVuDaoTable *table_;
};

// Reads and writes a memo or byte blob of the active row. Writes land in
// the row buffer and reach the engine with the next Post.
class TVkBlobStream : public rtl::TStream {
  ORBISCA_CLASS(TVkBlobStream, rtl::TStream)

 public:
  TVkBlobStream(vcl::TField *field, vcl::TBlobStreamMode mode);
  ~TVkBlobStream() override;

  qint64 Read(void *buffer, qint64 count) override;
  qint64 Write(const void *buffer, qint64 count) override;
  qint64 Seek(qint64 offset, rtl::TSeekOrigin origin) override;
  qint64 Position() const override { return position_; }
  qint64 Size() const override { return data_.size(); }
  void SetSize(qint64 size) override;
  void Truncate();
  bool Modified() const { return modified_; }

 private:
  void Store();
  vcl::TField *field_;
  TVuDaoTable *table_ = nullptr;
  TVuRecInfo *buffer_ = nullptr;
  vcl::TBlobStreamMode mode_;
  bool opened_ = false;
  bool modified_ = false;
  qint64 position_ = 0;
  QByteArray data_;
};

using TExportProgressEvent = std::function<void(TVuDaoTable *, int current, int total)>;

class TVuDaoTable : public vcl::TDataSet {
  ORBISCA_CLASS(TVuDaoTable, vcl::TDataSet)

 public:
  explicit TVuDaoTable(vcl::TComponent *owner = nullptr);
  ~TVuDaoTable() override;

  // --- properties ------------------------------------------------------------
  bool AutoFindIndex() const { return auto_find_index_; }
  void SetAutoFindIndex(bool v) { auto_find_index_ = v; }
  QString ComponentVersion() const { return QStringLiteral("8.20"); }
  bool CacheBlobs() const { return cache_blobs_; }
  void SetCacheBlobs(bool v) { cache_blobs_ = v; }
  bool CacheMemos() const { return cache_memos_; }
  void SetCacheMemos(bool v) { cache_memos_ = v; }
  bool CacheLookups() const { return cache_lookups_; }
  void SetCacheLookups(bool v) { cache_lookups_ = v; }
  TVuDaoDatabase *Database() const { return database_; }
  void SetDatabase(TVuDaoDatabase *database);
  vcl::TComponent *Encrypter() const { return encrypter_; }
  void SetEncrypter(vcl::TComponent *encrypter);
  TExportMethod ExportMethod() const { return export_method_; }
  void SetExportMethod(TExportMethod v) { export_method_ = v; }
  bool RefreshSorted() const { return refresh_sorted_; }
  void SetRefreshSorted(bool v) { refresh_sorted_ = v; }
  QString TableName() const { return table_name_; }
  void SetTableName(const QString &name);
  QStringList SortedBy() const { return sorted_by_; }
  void SetSortedBy(const QStringList &lines);
  QString SortedByText() const { return sorted_by_.join(QLatin1Char('\n')); }
  void SetSortedByText(const QString &text);
  // The parameter list as the form stores it ("ParamData"): one line per
  // parameter, name=type:value, the type the field type's number, dates as
  // day counts, Null as nothing after the colon. Setting it gives the named
  // parameters (made when missing) those types and values.
  QString ParamDataText() const;
  void SetParamDataText(const QString &text);
  QString QueryDefName() const { return query_def_name_; }
  void SetQueryDefName(const QString &name);
  QStringList QueryDefParameters() const { return query_def_parameters_; }
  void SetQueryDefParameters(const QStringList &lines) { query_def_parameters_ = lines; }
  QString QueryDefParametersText() const { return query_def_parameters_.join(QLatin1Char('\n')); }
  void SetQueryDefParametersText(const QString &text);
  QStringList QueryDefSQLText() const { return query_def_sql_text_; }
  void SetQueryDefSQLText(const QStringList &lines);
  bool QueryDefSQLModify() const { return query_def_sql_modify_; }
  void SetQueryDefSQLModify(bool v) { query_def_sql_modify_ = v; }
  int QueryDefODBCMaxRecords() const { return query_def_odbc_max_records_; }
  void SetQueryDefODBCMaxRecords(int v) { query_def_odbc_max_records_ = v; }
  QString QueryDefType() const;
  QStringList SQL() const { return sql_; }
  void SetSQL(const QStringList &lines);
  QString SQLText() const { return sql_.join(QLatin1Char('\n')); }
  void SetSQLText(const QString &text);
  bool ShowGUID() const { return show_guid_; }
  void SetShowGUID(bool v) { show_guid_ = v; }
  vcl::TParams &Params() { return params_; }
  const vcl::TParams &Params() const { return params_; }
  // Copies the values of same-named parameters; the list keeps the
  // parameters parsed from the SQL.
  void SetParams(const vcl::TParams &params) { params_.AssignValues(params); }
  vcl::TParam *FindParam(const QString &name) const { return params_.FindParam(name); }
  vcl::TParam *ParamByName(const QString &name) const { return params_.ParamByName(name); }
  int TableType() const { return table_type_; }
  void SetTableType(int type);
  QString TableDateCreated() const;
  QString TableLastUpdated() const;
  bool Translation() const { return translation_; }
  void SetTranslation(bool v) { translation_ = v; }
  int LockType() const { return lock_type_; }
  void SetLockType(int type);
  TDaoOpenOptions OpenOptions() const { return open_options_; }
  void SetOpenOptions(TDaoOpenOptions options);
  int IndexFieldCount() const;
  QString IndexName() const { return index_name_; }
  void SetIndexName(const QString &name);
  vcl::TField *IndexField(int index) const;
  bool ReadOnly() const { return read_only_ || open_read_only_; }
  void SetReadOnly(bool v);
  bool LockEdits() const;
  void SetLockEdits(bool v);
  vcl::TDataSource *MasterSource() const;
  void SetMasterSource(vcl::TDataSource *source);
  QStringList MasterFields() const { return master_fields_; }
  void SetMasterFields(const QStringList &lines);
  bool MasterAutoActivate() const { return master_auto_activate_; }
  void SetMasterAutoActivate(bool v) { master_auto_activate_ = v; }
  bool DatabaseAutoActivate() const { return database_auto_activate_; }
  void SetDatabaseAutoActivate(bool v) { database_auto_activate_ = v; }
  bool UseBrackets() const { return use_brackets_; }
  void SetUseBrackets(bool v) { use_brackets_ = v; }
  bool UseCaptions() const { return use_captions_; }
  void SetUseCaptions(bool v) { use_captions_ = v; }
  bool UseDaoProperties() const { return use_dao_properties_; }
  void SetUseDaoProperties(bool v) { use_dao_properties_ = v; }
  bool UseGetRecNo() const { return use_get_rec_no_; }
  void SetUseGetRecNo(bool v) { use_get_rec_no_ = v; }
  bool UseRecordCount() const { return use_record_count_; }
  void SetUseRecordCount(bool v) { use_record_count_ = v; }
  bool WarnOnBadDatabase() const { return warn_on_bad_database_; }
  void SetWarnOnBadDatabase(bool v) { warn_on_bad_database_ = v; }
  bool ParamCheck() const { return param_check_; }
  void SetParamCheck(bool v) { param_check_ = v; }
  bool ProcessMessages() const { return process_messages_; }
  void SetProcessMessages(bool v) { process_messages_ = v; }
  bool BatchMode() const { return batch_mode_; }
  void SetBatchMode(bool v);

  TExportProgressEvent OnExportProgress, OnImportProgress;
  // Long loops over rows report through these: `current` rows of `total`
  // done, at the start, every kProgressStep rows and at the end; with
  // ProcessMessages the application's pending messages run there too.
  static constexpr int kProgressStep = 100;
  void ExportProgress(int current, int total) { Progress(OnExportProgress, current, total); }
  void ImportProgress(int current, int total) { Progress(OnImportProgress, current, total); }

  // --- filtering (reopen the recordset) ---------------------------------------
  void SetFiltered(bool value) override;
  void SetFilterText(const QString &value) override;
  void SetOnFilterRecord(const vcl::TFilterRecordEvent &handler) override;

  // --- opening and statements -------------------------------------------------
  void OpenDaoRecordset();
  void ReopenRecordset();
  int ExecSQL(const QStringList &sql);
  int ExecuteSQL();
  int RecordsAffected() const { return records_affected_; }
  QString SubstituteParams(const QStringList &lines) const;
  // The values of a stored query's output parameters after its open.
  rtl::Variant OutputValues() const { return output_values_; }
  // The engine objects (for the export and dialog code).
  std::shared_ptr<jet::Recordset> Recordset() const { return recordset_; }
  bool Bookmarkable() const { return bookmarkable_; }
  QStringList FieldNamesList() const { return field_names_; }
  QStringList NonBlobFieldNames() const { return non_blob_field_names_; }
  QStringList FieldTypeNames() const { return field_type_names_; }

  // --- records ------------------------------------------------------------------
  int RecordCount() override;
  int RecNo() override;
  void SetRecNo(int value) override;
  bool GetFieldData(vcl::TField *field, rtl::Variant *value) override;
  void SetFieldData(vcl::TField *field, const rtl::Variant &value) override;
  bool GetCurrentRecord(vcl::TRecordBuffer buffer) override;
  vcl::TRecordBuffer GetActiveRecordBuffer() const override;
  bool BookmarkValid(const vcl::TBookmark &bookmark) override;
  std::unique_ptr<rtl::TStream> CreateBlobStream(vcl::TField *field, vcl::TBlobStreamMode mode) override;
  int Translate(const QByteArray &src, QByteArray &dest, bool to_oem) override;
  void Progress(const TExportProgressEvent &event, int current, int total);
  // A text field's value through Translate (unchanged without Translation).
  rtl::Variant TranslatedText(vcl::TField *field, const rtl::Variant &value, bool to_oem);
  // The record number of a bookmark, 1-based (-1 when unknown).
  int RecNoOfBookmark(const QByteArray &bookmark);

  // --- editing ----------------------------------------------------------------------
  // The dataset's post, then the re-query of a sorted table.
  void Post() override;

  // --- searching ---------------------------------------------------------------------
  bool Locate(const QString &key_fields, const rtl::Variant &key_values, vcl::TLocateOptions options) override;
  rtl::Variant Lookup(const QString &key_fields, const rtl::Variant &key_values, const QString &result_fields) override;
  bool FindFirstByKey(const QString &key_fields, const rtl::Variant &key_values, vcl::TLocateOptions options = 0);
  bool FindLastByKey(const QString &key_fields, const rtl::Variant &key_values, vcl::TLocateOptions options = 0);
  bool FindNextByKey(const QString &key_fields, const rtl::Variant &key_values, vcl::TLocateOptions options = 0);
  bool FindPriorByKey(const QString &key_fields, const rtl::Variant &key_values, vcl::TLocateOptions options = 0);
  // The find request FindRecord repeats (find dialogs, search panel).
  void SetFindRequest(const QString &key_fields, const rtl::Variant &key_values, vcl::TLocateOptions options);
  // Criteria texts as the engine receives them.
  QString BuildLookupKeySQL(const QString &key_fields, const rtl::Variant &key_values,
                            vcl::TLocateOptions options) const;
  QString BuildKeySQL(const QString &key_fields, const rtl::Variant &key_values) const;
  QString BuildMasterDetailSQL() const;
  vcl::TDataSource *GetDataSource() const override;

  // --- the database's side ------------------------------------------------------------
  // The database closes the table on disconnect (it drops its list itself).
  void CloseFromDatabase();
  // The database component is being destroyed.
  void DatabaseGone(TVuDaoDatabase *database);

 protected:
  // Buffers, fields, navigation.
  vcl::TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(vcl::TRecordBuffer &buffer) override;
  vcl::TGetResult GetRecord(vcl::TRecordBuffer buffer, vcl::TGetMode mode, bool do_check) override;
  void InternalInitRecord(vcl::TRecordBuffer buffer) override;
  void ClearCalcFields(vcl::TRecordBuffer buffer) override;
  void SetBookmarkFlag(vcl::TRecordBuffer buffer, vcl::TBookmarkFlag flag) override;
  void InternalGotoBookmark(const vcl::TBookmark &bookmark) override;
  void InternalSetToRecord(vcl::TRecordBuffer buffer) override;
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override;
  void InternalFirst() override;
  void InternalLast() override;
  void InternalRefresh() override;
  void InternalHandleException() override;
  void InternalInitFieldDefs() override;
  void UpdateIndexDefs() override;
  // Editing.
  void InternalEdit() override;
  void InternalPost() override;
  void InternalCancel() override;
  void InternalDelete() override;
  void InternalAddRecord(vcl::TRecordBuffer buffer, bool append) override;
  bool GetCanModify() const override;
  void DoOnNewRecord() override;
  bool FindRecord(bool restart, bool go_forward) override;

  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;
  void Loaded() override;

 private:
  friend class TVkBlobStream;
  friend class TVuDaoIndexDefs;
  friend class TVuDaoDatabase;

  // Opening.
  void OpenRecordsetFromSource();
  void ReadFieldInfo();
  void ApplySortAndFilter();
  void ApplyMasterDetail();
  void FillFieldObjects();
  void ReopenAfterChange(bool first_unless_empty);
  void ReopenOrRestore(bool first_unless_empty, const std::function<void()> &restore);
  void CloseRecordset();
  QString ConvertDefault(const QString &engine_default, int engine_type) const;
  void ParseParams();
  std::vector<SqlParameter> SqlParameters() const;

  // Rows.
  bool ReadRecord(TVuRecInfo *buffer, bool own_recordset, jet::Recordset *source = nullptr);
  bool Forward() const;
  bool EngineBOF() const;
  bool EngineEOF() const;
  void GotoBookmarkBytes(const QByteArray &bookmark);
  void ResyncOrReopen();
  int SnapshotCount();
  int CountByWalking();
  void RestoreCursorAfterCount(int count);
  int FieldIndex(const vcl::TField *field) const;  // 0-based definition index, -1 none
  rtl::Variant ValueFromText(const QString &text, vcl::TFieldType type, bool guid, bool *ok) const;
  QString TextFromValue(const rtl::Variant &value, vcl::TFieldType type, bool guid) const;
  rtl::Variant EngineValueFromText(int field_index, const QString &text, bool *write) const;
  QString EncodeText(const QString &text, bool encode) const;
  vcl::TFieldDefs &Defs() const { return const_cast<TVuDaoTable *>(this)->FieldDefs(); }
  TVuRecInfo *Rec(vcl::TRecordBuffer buffer) const { return static_cast<TVuRecInfo *>(buffer); }

  // Editing.
  void CopyRecInfo(const TVuRecInfo *from, TVuRecInfo *to) const;
  // The text of value `k` of `b` (made from the value read, once).
  const QString &ValueText(TVuRecInfo *b, int k);
  void WriteColumns(TVuRecInfo *buffer);
  void DropOldValues();

  // Searching.
  struct KeySpec {
    QStringList fields;
    std::vector<rtl::Variant> values;
    std::vector<int> field_index;  // definition index per key field
  };
  KeySpec SplitKeys(const QString &key_fields, const rtl::Variant &key_values) const;
  bool RowMatches(jet::Recordset &rs, const KeySpec &keys, vcl::TLocateOptions options) const;
  bool CriteriaNeedCheck(const KeySpec &keys, vcl::TLocateOptions options) const;
  bool FindByKey(int direction, const QString &key_fields, const rtl::Variant &key_values, vcl::TLocateOptions options);
  void MoveToFound(const QByteArray &bookmark, int absolute_position);
  bool FollowMatches(jet::Recordset &clone, const QString &criteria, const KeySpec &keys, vcl::TLocateOptions options,
                     bool forward) const;
  bool FinishSearch(jet::Recordset &clone, bool found);
  const vcl::TIndexDef *ChooseIndex(const QStringList &key_fields) const;
  bool HoldsUniqueKey(const KeySpec &keys, vcl::TLocateOptions options);
  void MasterChanged();
  void MasterDisabled();
  QString CombineFilter(const QString &detail) const;

  // Properties.
  bool auto_find_index_ = true;
  bool cache_blobs_ = false;
  bool cache_memos_ = false;
  bool cache_lookups_ = false;
  TVuDaoDatabase *database_ = nullptr;
  vcl::TComponent *encrypter_ = nullptr;
  bool use_encrypter_ = false;
  TExportMethod export_method_ = VisibleFields;
  bool refresh_sorted_ = false;
  QString table_name_;
  QStringList sorted_by_;
  QString query_def_name_;
  QStringList query_def_parameters_;
  QStringList query_def_sql_text_;
  bool query_def_sql_modify_ = false;
  int query_def_odbc_max_records_ = 0;
  QStringList sql_;
  bool show_guid_ = false;
  vcl::TParams params_;
  int table_type_ = 2;
  bool translation_ = false;
  int lock_type_ = 3;
  TDaoOpenOptions open_options_;
  QString index_name_;
  bool read_only_ = false;
  bool open_read_only_ = false;  // snapshot, forward-only, not updatable
  bool lock_edits_ = false;
  QStringList master_fields_;
  bool master_auto_activate_ = true;
  bool database_auto_activate_ = false;
  bool use_brackets_ = true;
  bool use_captions_ = false;
  bool use_dao_properties_ = true;
  bool use_get_rec_no_ = true;
  bool use_record_count_ = true;
  bool warn_on_bad_database_ = false;
  bool param_check_ = true;
  bool process_messages_ = false;

  // Engine state.
  std::shared_ptr<jet::Recordset> recordset_;
  std::shared_ptr<jet::Recordset> base_recordset_;  // detail without a table name
  std::shared_ptr<jet::QueryDef> query_def_;
  std::vector<jet::Field *> field_objects_;
  QString sort_text_;
  bool narrowed_at_open_ = false;  // the engine applied sort and filter when the recordset opened
  std::vector<bool> updatable_;
  QStringList default_values_;
  QStringList captions_;
  std::vector<int> engine_types_;
  std::vector<bool> guid_fields_;
  QStringList field_names_, non_blob_field_names_, field_type_names_;
  int records_affected_ = 0;
  bool bookmarkable_ = false;
  bool opening_ = false;  // suppresses master refiltering while opening
  bool closed_by_database_ = false;
  rtl::Variant output_values_;

  // Cursor counters.
  int current_position_ = -1;
  int fetch_position_ = -1;
  int known_rows_ = 0;
  bool count_stale_ = true;
  int cached_count_ = -1;
  bool rec_no_stale_ = false;
  bool post_in_progress_ = false;
  bool batch_mode_ = false;

  // Buffers of our own.
  TVuRecInfo *old_values_ = nullptr;

  // Master-detail.
  std::unique_ptr<vcl::TMasterDataLink> master_link_;
  QStringList detail_field_names_, master_field_names_;

  // Find request.
  QString find_fields_;
  rtl::Variant find_values_;
  vcl::TLocateOptions find_options_ = 0;
  bool find_stored_ = false;
};

}  // namespace dao
