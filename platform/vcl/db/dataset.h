// `TDataSet`, the dataset base: its window of record buffers, states,
// navigation, editing, events and the slots a concrete dataset fills
// (see db.h for how they fit together).
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/streams.h"
#include "platform/rtl/variant.h"
#include "platform/vcl/component.h"
#include "platform/vcl/db/dbtypes.h"
#include "platform/vcl/db/fielddefs.h"
#include "platform/vcl/db/fields.h"
#include "platform/vcl/db/indexdefs.h"

namespace vcl {

// ---- the dataset -----------------------------------------------------------------------

class TDataSet : public TComponent {
  ORBISCA_CLASS(TDataSet, TComponent)

 public:
  explicit TDataSet(TComponent *owner = nullptr);
  ~TDataSet() override;

  // --- opening --------------------------------------------------------------
  bool Active() const { return state_ != dsInactive && state_ != dsOpening; }
  void SetActive(bool active);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  // An Active read from storage opens the dataset only when every property
  // has been read.
  void Loaded() override;
  TDataSetState State() const { return state_; }
  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }
  bool CanModify() const { return GetCanModify(); }
  bool IsEmpty() const;
  virtual bool IsUniDirectional() const { return false; }
  // Raises "Cannot perform this operation on a closed dataset" when closed.
  void CheckActive() const;
  void CheckInactive() const;

  // --- fields -----------------------------------------------------------------
  TFields &Fields() { return fields_; }
  const TFields &Fields() const { return fields_; }
  int FieldCount() const { return fields_.Count(); }
  TFieldDefs &FieldDefs() { return field_defs_; }
  TIndexDefs &IndexDefs() { return *index_defs_; }
  TField *FindField(const QString &name) const { return fields_.FindField(name); }
  TField *FieldByName(const QString &name) const { return fields_.FieldByName(name); }
  TField *FieldByNumber(int field_no) const { return fields_.FieldByNumber(field_no); }
  // Fields named in `names` (";"-separated); "Field 'x' not found" for a
  // missing one.
  std::vector<TField *> GetFieldList(const QString &names) const;
  QStringList GetFieldNames() const;
  // Value of one field, or an array of values for "a;b" names.
  rtl::Variant FieldValues(const QString &names) const;
  void SetFieldValues(const QString &names, const rtl::Variant &value);
  bool DefaultFields() const { return default_fields_; }
  bool AutoCalcFields() const { return auto_calc_fields_; }
  void SetAutoCalcFields(bool v) { auto_calc_fields_ = v; }
  // Number of calculated and lookup fields (slots in CalcValues).
  int CalcFieldsSize() const { return calc_field_count_; }
  // Builds the field definitions if they are not (InitFieldDefs) without
  // opening the dataset for long.
  void InitFieldDefs();

  // --- navigation ---------------------------------------------------------------
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves by `distance` records; returns how many were actually moved.
  int MoveBy(int distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  void Refresh();
  virtual int RecordCount();
  virtual int RecNo();
  virtual void SetRecNo(int value);
  virtual int RecordSize() const { return 0; }

  // --- editing -----------------------------------------------------------------------
  void Edit();
  void Insert();
  void Append();
  // Post and Cancel are virtual as on the platform: a dataset that must do
  // more after a post (re-reading a sorted result) overrides them.
  virtual void Post();
  virtual void Cancel();
  void Delete();
  void CheckBrowseMode();
  // Asks the linked controls to write their pending values (deUpdateRecord).
  void UpdateRecord();
  void AppendRecord(const std::vector<rtl::Variant> &values);
  void InsertRecord(const std::vector<rtl::Variant> &values);
  void ClearFields();

  // --- controls ---------------------------------------------------------------------
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disable_count_ != 0; }

  // --- bookmarks ----------------------------------------------------------------------
  // The active record's bookmark; empty when there is no record.
  TBookmark GetBookmark();
  void GotoBookmark(const TBookmark &bookmark);
  void FreeBookmark(TBookmark &bookmark) { bookmark.clear(); }
  virtual bool BookmarkValid(const TBookmark &bookmark);
  // <0, 0, >0; empty bookmarks sort first.
  virtual int CompareBookmarks(const TBookmark &a, const TBookmark &b);
  int BookmarkSize() const { return bookmark_size_; }

  // --- searching ------------------------------------------------------------------------
  // The base scans the records with the dataset's own navigation; datasets
  // with a faster way override them.
  virtual bool Locate(const QString &key_fields, const rtl::Variant &key_values, TLocateOptions options);
  virtual rtl::Variant Lookup(const QString &key_fields, const rtl::Variant &key_values, const QString &result_fields);
  bool FindFirst() { return FindRecord(true, true); }
  bool FindLast() { return FindRecord(true, false); }
  bool FindNext() { return FindRecord(false, true); }
  bool FindPrior() { return FindRecord(false, false); }
  bool Found() const { return found_; }

  // --- filtering -------------------------------------------------------------------------
  bool Filtered() const { return filtered_; }
  virtual void SetFiltered(bool value);
  QString Filter() const { return filter_text_; }
  virtual void SetFilterText(const QString &value);
  // The setter of OnFilterRecord; assigning the member directly skips the
  // dataset's reaction to the change.
  virtual void SetOnFilterRecord(const TFilterRecordEvent &handler);

  // --- buffers (for links and subclasses) -------------------------------------------------
  int BufferCount() const { return buffer_count_; }
  int ActiveRecord() const { return active_record_; }
  // Records held in the window (valid buffers).
  int BufferedRecordCount() const { return record_count_; }
  TRecordBuffer ActiveBuffer() const;
  TRecordBuffer Buffer(int index) const { return buffers_[static_cast<size_t>(index)]; }
  TRecordBuffer CalcBuffer() const { return calc_buffer_; }
  TRecordBuffer TempBuffer() const { return buffers_[static_cast<size_t>(record_count_)]; }
  void Resync(TResyncMode mode);
  void CursorPosChanged() { current_record_ = -1; }
  void UpdateCursorPos();
  // Makes the links see `index` as the active record for a moment (grids
  // painting rows); returns the previous active record.
  int SetActiveRecordIndex(int index);
  virtual bool GetCurrentRecord(TRecordBuffer buffer);
  // The buffer field reads use in the current state.
  virtual TRecordBuffer GetActiveRecordBuffer() const;

  // --- slots for concrete datasets -------------------------------------------------------
  // Value of `field` in the state's buffer; false for null. `value` may be
  // nullptr (only the null test). The base serves calculated and lookup
  // fields from TRecordData::CalcValues.
  virtual bool GetFieldData(TField *field, rtl::Variant *value);
  // Stores `value` (Null clears). The base stores calculated and lookup
  // fields in CalcValues and raises for data fields.
  virtual void SetFieldData(TField *field, const rtl::Variant &value);
  // A stream over a blob field of the active record; nullptr when the
  // dataset keeps blobs as plain values (then the blob field uses
  // GetFieldData / SetFieldData). The caller owns the stream.
  virtual std::unique_ptr<rtl::TStream> CreateBlobStream(TField *field, TBlobStreamMode mode);
  // Copies text for the OEM/ANSI conversion; returns the length written.
  virtual int Translate(const QByteArray &src, QByteArray &dest, bool to_oem);

  // --- events -----------------------------------------------------------------------------
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
  TDataSetNotifyEvent OnNewRecord, OnCalcFields;
  TFilterRecordEvent OnFilterRecord;
  TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;

  // --- links --------------------------------------------------------------------------------
  void DataEvent(TDataEvent event, std::intptr_t info = 0);
  // Recomputes the buffer count from the links' needs.
  void UpdateBufferCount();
  const std::vector<TDataSource *> &DataSources() const { return data_sources_; }
  // True when this dataset follows `source`, directly or through the
  // masters it follows (used to refuse circular links).
  bool IsLinkedTo(const TDataSource *source) const;
  // The data source of the master this dataset follows; nullptr when none.
  virtual TDataSource *GetDataSource() const { return nullptr; }

 protected:
  friend class TField;
  friend class TDataSource;
  friend class TDataLink;
  friend class TIndexDefs;

  // --- slots: buffers ------------------------------------------------------------------------
  // Default: a bare TRecordData.
  virtual TRecordBuffer AllocRecordBuffer();
  virtual void FreeRecordBuffer(TRecordBuffer &buffer);
  virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool do_check) = 0;
  virtual void InitRecord(TRecordBuffer buffer);
  virtual void InternalInitRecord(TRecordBuffer buffer) { (void)buffer; }
  virtual void ClearCalcFields(TRecordBuffer buffer);
  virtual void GetBookmarkData(TRecordBuffer buffer, TBookmark &data) const;
  virtual void SetBookmarkData(TRecordBuffer buffer, const TBookmark &data);
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const;
  virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag);
  virtual void InternalGotoBookmark(const TBookmark &bookmark) = 0;
  // Default: goes to the buffer's bookmark.
  virtual void InternalSetToRecord(TRecordBuffer buffer);

  // --- slots: cursor ------------------------------------------------------------------------
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual bool IsCursorOpen() const = 0;
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual void InternalRefresh() {}
  // Default: nothing (the exception is dropped).
  virtual void InternalHandleException() {}
  virtual void InternalInitFieldDefs() = 0;
  virtual void UpdateIndexDefs() {}

  // --- slots: editing -----------------------------------------------------------------------
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  virtual void InternalPost() = 0;
  virtual void InternalCancel() {}
  virtual void InternalDelete() = 0;
  virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
  virtual bool GetCanModify() const { return true; }
  virtual void DoOnNewRecord();
  virtual bool FindRecord(bool restart, bool go_forward);

  // --- fields, for InternalOpen ---------------------------------------------------------------
  // Creates default field objects for the definitions (when the dataset has
  // no persistent fields), binds every field to its definition and sizes
  // the calculated slots. A persistent data field without a column raises
  // "Field 'x' not found"; one of another type raises "Type mismatch for
  // field 'x', expecting: A actual: B".
  void CreateFields();
  void BindFields(bool binding);
  void DestroyFields();
  void SetBookmarkSize(int size) { bookmark_size_ = size; }

  // --- helpers for concrete datasets -------------------------------------------------------------
  void SetState(TDataSetState state);
  // Switches the state without telling the links; returns the old one.
  TDataSetState SetTempState(TDataSetState state);
  void RestoreState(TDataSetState state);
  // Computes calculated and lookup fields into `buffer` (dsCalcFields).
  void GetCalcFields(TRecordBuffer buffer);
  virtual void CalculateFields(TRecordBuffer buffer);
  // True when the filter event is in force.
  bool FilterEventActive() const { return filtered_ && static_cast<bool>(OnFilterRecord); }
  // Judges `buffer` with OnFilterRecord in the dsFilter state, after
  // computing its calculated fields. True when no filter is in force.
  bool AcceptRecord(TRecordBuffer buffer);
  TRecordBuffer FilterBuffer() const { return filter_buffer_; }
  void SetFilterBuffer(TRecordBuffer buffer) { filter_buffer_ = buffer; }
  // The states in which SetFieldData announces a field change.
  bool NotifiesFieldChange() const;
  void CheckRequiredFields();
  void ClearBuffers();
  void ActivateBuffers();
  void CheckCanModify() const;
  void CheckBiDirectional() const;
  // Runs `op`, letting `handler` decide on failure: retry runs it again,
  // abort ends silently (EAbort), fail passes the exception on.
  void CheckOperation(const std::function<void()> &op, const TDataSetErrorEvent &handler);

  void DoBeforeScroll() {
    if (BeforeScroll) BeforeScroll(this);
  }
  void DoAfterScroll() {
    if (AfterScroll) AfterScroll(this);
  }

  void Notification(TComponent *component, TOperation operation) override;

 private:
  friend class TFields;
  void OpenCursor();
  void CloseCursor();
  void SetBufferCount(int count);
  void AllocateBuffers(int count);
  void FreeAllBuffers();
  void MoveBuffer(int cur_index, int new_index);
  void SetCurrentRecord(int index);
  bool GetNextRecord();
  bool GetPriorRecord();
  int GetNextRecords();
  int GetPriorRecords();
  // First and Last: refills the window from one end of the cursor.
  void FillFromEnd(bool last);
  bool FetchInto(TRecordBuffer buffer, TGetMode mode, bool do_check);
  void BeginInsertAppend();
  void EndInsertAppend();
  void SetRecordValues(const std::vector<rtl::Variant> &values);
  void AddDataSource(TDataSource *source);
  void RemoveDataSource(TDataSource *source);
  void FieldAdded(TField *field);
  void FieldRemoved(TField *field);
  rtl::Variant LookupFieldValue(TField *field);

  TDataSetState state_ = dsInactive;
  bool modified_ = false;
  bool bof_ = true;
  bool eof_ = true;
  bool found_ = false;
  bool filtered_ = false;
  QString filter_text_;
  bool auto_calc_fields_ = true;
  bool default_fields_ = false;
  bool streamed_active_ = false;
  int calc_field_count_ = 0;
  int bookmark_size_ = 0;

  std::vector<TRecordBuffer> buffers_;
  int buffer_count_ = 0;
  int record_count_ = 0;
  int active_record_ = 0;
  int current_record_ = -1;
  TRecordBuffer calc_buffer_ = nullptr;
  TRecordBuffer filter_buffer_ = nullptr;

  int disable_count_ = 0;
  TDataSetState disable_state_ = dsInactive;
  bool pending_change_ = false;
  bool pending_layout_ = false;

  TFields fields_;
  TFieldDefs field_defs_;
  std::unique_ptr<TIndexDefs> index_defs_;
  std::vector<TDataSource *> data_sources_;

 protected:
  // A dataset with its own kind of index list installs it here.
  void SetIndexDefs(std::unique_ptr<TIndexDefs> defs) { index_defs_ = std::move(defs); }
};

}  // namespace vcl
