// The data-access contract of the component library: the dataset base
// (`TDataSet`) with its window of record buffers, states, events and
// overridable slots; the field objects through which every control, report
// and form reads and writes values; field and index definitions; data
// sources and the links that tie controls and detail datasets to a dataset.
//
// A concrete dataset (the program's table over the database engine, or the
// in-memory dataset of the tests) derives from TDataSet and fills the slots
// marked "slot" below. How it fits together:
//
// - Record buffers are objects of the dataset's own making. The base knows
//   them as `TRecordBuffer`, a pointer to `TRecordData`, which holds what the
//   base itself needs of every buffer (bookmark, bookmark flag, the values of
//   calculated and lookup fields). A dataset derives its buffer type from
//   TRecordData, creates it in AllocRecordBuffer and deletes it in
//   FreeRecordBuffer.
// - Field values cross the slot boundary as `rtl::Variant` in the field's
//   native kind: String for string fields, Integer for the integer kinds,
//   Boolean, Double for float, currency and BCD, Date (a TDateTime) for the
//   date and time kinds, Bytes for byte fields and blobs, String for memos.
//   GetFieldData answers false for a null value.
// - Which buffer a field reads depends on the state (GetActiveRecordBuffer):
//   the active record while browsing or editing, the calculation buffer in
//   dsCalcFields, the filter buffer while a row is being judged.
// - SetFieldData of a dataset calls `field->Validate(value)` for data fields
//   before it stores anything, and ends with DataEvent(deFieldChange) unless
//   the state is one of the internal ones (see NotifiesFieldChange).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/variant.h"
#include "platform/vcl/component.h"
// TAlignment (taLeftJustify, taRightJustify, taCenter) is the controls' own,
// shared by fields so that a column aligns as its field says.
#include "platform/vcl/controls.h"
#include "platform/vcl/typinfo.h"

namespace vcl {

class TDataSet;
class TDataSource;
class TDataLink;
class TField;
class TFieldDefs;
class TIndexDefs;

// ---- enumerations ------------------------------------------------------------

enum TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsCurValue,
  dsBlockRead,
  dsInternalCalc,
  dsOpening,
};

// The numbers are part of the contract: the grid's clipboard format writes
// them (string 1, boolean 5, date 9, time 10, date-time 11, blob 15, memo 16).
enum TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
};

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };
ORBISCA_ENUM_INFO(TFieldKind, fkData, fkCalculated, fkLookup, fkInternalCalc)

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TDataAction { daFail, daAbort, daRetry };
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

enum TDataEvent {
  deFieldChange,
  deRecordChange,
  deDataSetChange,
  deDataSetScroll,
  deLayoutChange,
  deUpdateRecord,
  deUpdateState,
  deCheckBrowseMode,
  dePropertyChange,
  deFieldListChange,
  deFocusControl,
  deParentScroll,
  deConnectChange,
  deReconcileError,
  deDisabledStateChange,
};

// Locate options: bit 0 case-insensitive, bit 1 partial key.
enum TLocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;

// Resync modes, combinable: rmExact fails when the cursor's record is gone,
// rmCenter puts the active record in the middle of the window.
enum TResyncModeFlag : unsigned { rmExact = 1, rmCenter = 2 };
using TResyncMode = unsigned;

// The type's name as messages and type lists write it ("Float", "String").
QString FieldTypeName(TFieldType type);

// Raises EDatabaseError with `message`; with a component, its name and ": "
// come first, as the platform's database errors read.
[[noreturn]] void DatabaseError(const QString &message, const TComponent *component = nullptr);

// Bookmarks are the dataset's own bytes for a record (the engine table uses
// four); an empty bookmark is "none".
using TBookmark = QByteArray;

// ---- record buffers ----------------------------------------------------------

struct TRecordData {
  virtual ~TRecordData() = default;
  TBookmark Bookmark;
  TBookmarkFlag BookmarkFlag = bfCurrent;
  // Calculated and lookup fields, indexed by TField::Offset(); a Null entry
  // is a null value.
  std::vector<rtl::Variant> CalcValues;
};
using TRecordBuffer = TRecordData *;

// ---- events ------------------------------------------------------------------

using TDataSetNotifyEvent = std::function<void(TDataSet *)>;
using TDataSetErrorEvent = std::function<void(TDataSet *, const rtl::Exception &, TDataAction &)>;
using TFilterRecordEvent = std::function<void(TDataSet *, bool &accept)>;
using TFieldNotifyEvent = std::function<void(TField *)>;
using TFieldGetTextEvent = std::function<void(TField *, QString &text, bool display_text)>;
using TFieldSetTextEvent = std::function<void(TField *, const QString &text)>;

// ---- field definitions ---------------------------------------------------------

class TFieldDef {
 public:
  QString Name() const { return name_; }
  void SetName(const QString &name) { name_ = name; }
  TFieldType DataType() const { return data_type_; }
  void SetDataType(TFieldType type) { data_type_ = type; }
  int Size() const { return size_; }
  void SetSize(int size) { size_ = size; }
  int Precision() const { return precision_; }
  void SetPrecision(int precision) { precision_ = precision; }
  bool Required() const { return required_; }
  void SetRequired(bool required) { required_ = required; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only) { read_only_ = read_only; }
  // 1-based position among the definitions.
  int FieldNo() const { return field_no_; }

  // A field object of the class for DataType, bound to nothing yet.
  TField *CreateField(TComponent *owner) const;

 private:
  friend class TFieldDefs;
  QString name_;
  TFieldType data_type_ = ftUnknown;
  int size_ = 0;
  int precision_ = 0;
  bool required_ = false;
  bool read_only_ = false;
  int field_no_ = 0;
};

class TFieldDefs {
 public:
  explicit TFieldDefs(TDataSet *dataset) : dataset_(dataset) {}

  int Count() const { return static_cast<int>(items_.size()); }
  TFieldDef *Items(int index) const;  // EListError out of range
  TFieldDef *operator[](int index) const { return Items(index); }
  TFieldDef *Add(const QString &name, TFieldType type, int size = 0, bool required = false);
  void Clear();
  // Position of the definition named `name` (ignoring case), -1 when none.
  int IndexOf(const QString &name) const;
  // The definition named `name`, or "Field 'name' not found".
  TFieldDef *Find(const QString &name) const;
  // Rebuilds the list from the dataset (InitFieldDefs), open or not.
  void Update();
  bool Updated() const { return updated_; }
  void SetUpdated(bool updated) { updated_ = updated; }
  TDataSet *DataSet() const { return dataset_; }

 private:
  TDataSet *dataset_;
  std::vector<std::unique_ptr<TFieldDef>> items_;
  bool updated_ = false;
};

// ---- index definitions -------------------------------------------------------------

enum TIndexOption { ixPrimary, ixUnique, ixDescending, ixCaseInsensitive, ixExpression };
using TIndexOptions = TEnumSet<TIndexOption>;

class TIndexDef {
 public:
  QString Name() const { return name_; }
  void SetName(const QString &name) { name_ = name; }
  // Field names separated by ";".
  QString Fields() const { return fields_; }
  void SetFields(const QString &fields) { fields_ = fields; }
  QString DescFields() const { return desc_fields_; }
  void SetDescFields(const QString &fields) { desc_fields_ = fields; }
  QString CaseInsFields() const { return case_ins_fields_; }
  void SetCaseInsFields(const QString &fields) { case_ins_fields_ = fields; }
  TIndexOptions Options() const { return options_; }
  void SetOptions(TIndexOptions options) { options_ = options; }
  QString Expression() const { return expression_; }
  void SetExpression(const QString &expression) { expression_ = expression; }
  // Fields() split at ";" and trimmed.
  QStringList FieldList() const;

 private:
  QString name_, fields_, desc_fields_, case_ins_fields_, expression_;
  TIndexOptions options_;
};

class TIndexDefs {
 public:
  explicit TIndexDefs(TDataSet *dataset) : dataset_(dataset) {}
  virtual ~TIndexDefs() = default;

  int Count() const { return static_cast<int>(items_.size()); }
  TIndexDef *Items(int index) const;  // EListError out of range
  TIndexDef *operator[](int index) const { return Items(index); }
  // A dataset's own index list may also create the index in its store.
  virtual TIndexDef *Add(const QString &name, const QString &fields, TIndexOptions options);
  void Clear();
  int IndexOf(const QString &name) const;  // ignoring case
  // "Index 'name' not found" when there is none.
  TIndexDef *Find(const QString &name) const;
  // The first index whose leading fields are `fields` (";"-separated,
  // ignoring case); with `case_insensitive`, only case-insensitive indexes.
  TIndexDef *GetIndexForFields(const QString &fields, bool case_insensitive) const;
  // As GetIndexForFields, raising "No index for fields 'x'" when none.
  TIndexDef *FindIndexForFields(const QString &fields) const;
  // Refreshes the list from the dataset (UpdateIndexDefs).
  void Update();
  bool Updated() const { return updated_; }
  void SetUpdated(bool updated) { updated_ = updated; }
  TDataSet *DataSet() const { return dataset_; }

 private:
  TDataSet *dataset_;
  std::vector<std::unique_ptr<TIndexDef>> items_;
  bool updated_ = false;
};

// ---- fields ------------------------------------------------------------------------

class TField : public TComponent {
  ORBISCA_CLASS(TField, TComponent)

 public:
  explicit TField(TComponent *owner = nullptr);
  ~TField() override;

  // --- binding --------------------------------------------------------------
  TDataSet *DataSet() const { return dataset_; }
  // Adds the field to the dataset's Fields (persistent fields are declared
  // this way before the dataset opens). Refused while the dataset is open.
  void SetDataSet(TDataSet *dataset);
  QString FieldName() const { return field_name_; }
  void SetFieldName(const QString &name);
  // 1-based column number once bound; 0 for fields that are not data fields.
  int FieldNo() const { return field_no_; }
  TFieldType DataType() const { return data_type_; }
  int Size() const { return size_; }
  void SetSize(int size);
  TFieldKind FieldKind() const { return field_kind_; }
  void SetFieldKind(TFieldKind kind);
  bool Calculated() const { return field_kind_ == fkCalculated; }
  void SetCalculated(bool value) { SetFieldKind(value ? fkCalculated : fkData); }
  bool Lookup() const { return field_kind_ == fkLookup; }
  void SetLookup(bool value) { SetFieldKind(value ? fkLookup : fkData); }
  // Slot of a calculated or lookup field in TRecordData::CalcValues.
  int Offset() const { return offset_; }
  // Position in the dataset's Fields.
  int Index() const;
  void SetIndex(int index);

  // --- presentation ---------------------------------------------------------
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only);
  bool Required() const { return required_; }
  void SetRequired(bool required) { required_ = required; }
  QString DisplayLabel() const { return display_label_.isEmpty() ? field_name_ : display_label_; }
  void SetDisplayLabel(const QString &label);
  QString DisplayName() const { return DisplayLabel(); }
  int DisplayWidth() const { return display_width_ > 0 ? display_width_ : DefaultWidth(); }
  void SetDisplayWidth(int width);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  QString EditMask() const { return edit_mask_; }
  void SetEditMask(const QString &mask) { edit_mask_ = mask; }
  QString DefaultExpression() const { return default_expression_; }
  void SetDefaultExpression(const QString &expr) { default_expression_ = expr; }
  // The characters a control lets the user type; empty accepts any.
  QString ValidChars() const { return valid_chars_; }
  void SetValidChars(const QString &chars) { valid_chars_ = chars; }
  virtual bool IsValidChar(QChar c) const;
  bool IsIndexField() const { return index_field_; }
  void SetIsIndexField(bool value) { index_field_ = value; }

  // --- lookup fields ----------------------------------------------------------
  TDataSet *LookupDataSet() const { return lookup_dataset_; }
  void SetLookupDataSet(TDataSet *dataset);
  QString LookupKeyFields() const { return lookup_key_fields_; }
  void SetLookupKeyFields(const QString &v) {
    lookup_key_fields_ = v;
    lookup_cache_values_.clear();
  }
  QString LookupResultField() const { return lookup_result_field_; }
  void SetLookupResultField(const QString &v) {
    lookup_result_field_ = v;
    lookup_cache_values_.clear();
  }
  QString KeyFields() const { return key_fields_; }
  void SetKeyFields(const QString &v) { key_fields_ = v; }
  bool LookupCache() const { return lookup_cache_; }
  void SetLookupCache(bool v) {
    lookup_cache_ = v;
    lookup_cache_values_.clear();
  }
  // Forgets the cached lookup results.
  void RefreshLookupList() { lookup_cache_values_.clear(); }

  // --- values -------------------------------------------------------------------
  bool IsNull() const;
  void Clear() { SetData(rtl::Variant::Null()); }
  rtl::Variant Value() const { return GetAsVariant(); }
  void SetValue(const rtl::Variant &v) { SetAsVariant(v); }
  rtl::Variant AsVariant() const { return GetAsVariant(); }
  void SetAsVariant(const rtl::Variant &v);
  QString AsString() const { return GetAsString(); }
  void SetAsString(const QString &v) { SetAsStringValue(v); }
  int AsInteger() const { return GetAsInteger(); }
  void SetAsInteger(int v) { SetAsIntegerValue(v); }
  double AsFloat() const { return GetAsFloat(); }
  void SetAsFloat(double v) { SetAsFloatValue(v); }
  double AsCurrency() const { return GetAsFloat(); }
  void SetAsCurrency(double v) { SetAsFloatValue(v); }
  bool AsBoolean() const { return GetAsBoolean(); }
  void SetAsBoolean(bool v) { SetAsBooleanValue(v); }
  rtl::TDateTime AsDateTime() const { return GetAsDateTime(); }
  void SetAsDateTime(rtl::TDateTime v) { SetAsDateTimeValue(v); }
  // The value of the record as it was before the current edit, and the
  // value being assigned (inside OnValidate and OnChange).
  rtl::Variant OldValue() const;
  rtl::Variant NewValue() const;

  // Text for display (DisplayFormat) and for editing (EditFormat). Both go
  // through OnGetText when it is assigned.
  QString DisplayText() const { return GetTextValue(true); }
  QString Text() const { return GetTextValue(false); }
  // Sets the value from typed text, through OnSetText when assigned.
  void SetText(const QString &text);

  bool CanModify() const;
  // Asks the controls linked to the dataset to focus this field's editor.
  void FocusControl();

  // Runs OnValidate with `value` readable through the field; the dataset
  // calls it before storing a value. An exception from the handler refuses
  // the value.
  void Validate(const rtl::Variant &value);
  // Runs OnChange; the dataset calls it after a value was stored.
  void Change();

  // --- internal use by TDataSet ------------------------------------------------------
  void Bind(int field_no, int offset);
  // The stored value of the current buffer, or the value being validated.
  bool GetData(rtl::Variant *value) const;
  void SetData(const rtl::Variant &value);
  void SetDataType(TFieldType type) { data_type_ = type; }
  std::map<QString, rtl::Variant> &LookupCacheValues() { return lookup_cache_values_; }

  // --- events ---------------------------------------------------------------------
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;
  TFieldNotifyEvent OnValidate;
  TFieldNotifyEvent OnChange;

 protected:
  friend class TDataSet;
  friend class TFieldDef;
  void Notification(TComponent *component, TOperation operation) override;

  virtual rtl::Variant GetAsVariant() const;
  virtual QString GetAsString() const;
  virtual int GetAsInteger() const;
  virtual double GetAsFloat() const;
  virtual bool GetAsBoolean() const;
  virtual rtl::TDateTime GetAsDateTime() const;
  virtual void SetAsStringValue(const QString &v);
  virtual void SetAsIntegerValue(int v);
  virtual void SetAsFloatValue(double v);
  virtual void SetAsBooleanValue(bool v);
  virtual void SetAsDateTimeValue(rtl::TDateTime v);
  // Converts a Variant to the field's kind and stores it.
  virtual void SetVariantValue(const rtl::Variant &v);
  virtual QString GetTextValue(bool display) const;
  virtual int DefaultWidth() const { return 10; }

  [[noreturn]] void AccessError(const QString &type_name) const;
  [[noreturn]] void RangeError(double value, double min, double max) const;
  void PropertyChanged(bool layout);

  TFieldType data_type_ = ftUnknown;
  int size_ = 0;
  TAlignment alignment_ = taLeftJustify;

 private:
  TDataSet *dataset_ = nullptr;
  QString field_name_;
  int field_no_ = 0;
  int offset_ = -1;
  TFieldKind field_kind_ = fkData;
  bool visible_ = true;
  bool read_only_ = false;
  bool required_ = false;
  bool index_field_ = false;
  QString display_label_;
  int display_width_ = 0;
  QString edit_mask_;
  QString default_expression_;
  QString valid_chars_;
  TDataSet *lookup_dataset_ = nullptr;
  QString lookup_key_fields_, lookup_result_field_, key_fields_;
  bool lookup_cache_ = false;
  std::map<QString, rtl::Variant> lookup_cache_values_;
  // Set while OnValidate/OnChange run: reads see the new value.
  bool validating_ = false;
  rtl::Variant validate_value_;
};

class TStringField : public TField {
  ORBISCA_CLASS(TStringField, TField)

 public:
  explicit TStringField(TComponent *owner = nullptr);
  bool FixedChar() const { return fixed_char_; }
  void SetFixedChar(bool v) { fixed_char_ = v; }
  bool Transliterate() const { return transliterate_; }
  void SetTransliterate(bool v) { transliterate_ = v; }

 protected:
  rtl::Variant GetAsVariant() const override;
  QString GetAsString() const override;
  int GetAsInteger() const override;
  double GetAsFloat() const override;
  bool GetAsBoolean() const override;
  rtl::TDateTime GetAsDateTime() const override;
  void SetAsStringValue(const QString &v) override;
  void SetAsIntegerValue(int v) override;
  void SetAsFloatValue(double v) override;
  void SetAsBooleanValue(bool v) override;
  void SetAsDateTimeValue(rtl::TDateTime v) override;
  void SetVariantValue(const rtl::Variant &v) override;
  int DefaultWidth() const override { return size_ > 0 ? size_ : 20; }

 private:
  bool fixed_char_ = false;
  bool transliterate_ = true;
};

// Common base of the number fields: right aligned, formatted through
// DisplayFormat and EditFormat.
class TNumericField : public TField {
  ORBISCA_CLASS(TNumericField, TField)

 public:
  explicit TNumericField(TComponent *owner = nullptr);
  QString DisplayFormat() const { return display_format_; }
  void SetDisplayFormat(const QString &f);
  QString EditFormat() const { return edit_format_; }
  void SetEditFormat(const QString &f);
  bool IsValidChar(QChar c) const override;

 protected:
  QString display_format_, edit_format_;
};

class TIntegerField : public TNumericField {
  ORBISCA_CLASS(TIntegerField, TNumericField)

 public:
  explicit TIntegerField(TComponent *owner = nullptr);
  int MinValue() const { return min_value_; }
  void SetMinValue(int v) { min_value_ = v; }
  int MaxValue() const { return max_value_; }
  void SetMaxValue(int v) { max_value_ = v; }

 protected:
  rtl::Variant GetAsVariant() const override;
  QString GetAsString() const override;
  int GetAsInteger() const override;
  double GetAsFloat() const override;
  bool GetAsBoolean() const override;
  void SetAsStringValue(const QString &v) override;
  void SetAsIntegerValue(int v) override;
  void SetAsFloatValue(double v) override;
  void SetAsBooleanValue(bool v) override;
  void SetVariantValue(const rtl::Variant &v) override;
  QString GetTextValue(bool display) const override;
  int DefaultWidth() const override { return 11; }
  // The type's own bounds (MinValue/MaxValue of 0 and 0 mean these).
  int low_ = INT32_MIN, high_ = INT32_MAX;

 private:
  int min_value_ = 0, max_value_ = 0;
};

class TSmallintField : public TIntegerField {
  ORBISCA_CLASS(TSmallintField, TIntegerField)

 public:
  explicit TSmallintField(TComponent *owner = nullptr);

 protected:
  int DefaultWidth() const override { return 6; }
};

class TWordField : public TIntegerField {
  ORBISCA_CLASS(TWordField, TIntegerField)

 public:
  explicit TWordField(TComponent *owner = nullptr);

 protected:
  int DefaultWidth() const override { return 5; }
};

class TAutoIncField : public TIntegerField {
  ORBISCA_CLASS(TAutoIncField, TIntegerField)

 public:
  explicit TAutoIncField(TComponent *owner = nullptr);
};

class TFloatField : public TNumericField {
  ORBISCA_CLASS(TFloatField, TNumericField)

 public:
  explicit TFloatField(TComponent *owner = nullptr);
  // Money display (the locale's currency format) when no DisplayFormat.
  bool Currency() const { return currency_; }
  void SetCurrency(bool v);
  int Precision() const { return precision_; }
  void SetPrecision(int v);
  double MinValue() const { return min_value_; }
  void SetMinValue(double v) { min_value_ = v; }
  double MaxValue() const { return max_value_; }
  void SetMaxValue(double v) { max_value_ = v; }

 protected:
  rtl::Variant GetAsVariant() const override;
  QString GetAsString() const override;
  int GetAsInteger() const override;
  double GetAsFloat() const override;
  void SetAsStringValue(const QString &v) override;
  void SetAsIntegerValue(int v) override;
  void SetAsFloatValue(double v) override;
  void SetVariantValue(const rtl::Variant &v) override;
  QString GetTextValue(bool display) const override;

  bool currency_ = false;
  int precision_ = 15;

 private:
  double min_value_ = 0, max_value_ = 0;
};

class TCurrencyField : public TFloatField {
  ORBISCA_CLASS(TCurrencyField, TFloatField)

 public:
  explicit TCurrencyField(TComponent *owner = nullptr);
};

// Fixed-point numbers kept to four decimals (Size is the number of
// decimals shown by default).
class TBCDField : public TFloatField {
  ORBISCA_CLASS(TBCDField, TFloatField)

 public:
  explicit TBCDField(TComponent *owner = nullptr);

 protected:
  void SetAsFloatValue(double v) override;
};

class TBooleanField : public TField {
  ORBISCA_CLASS(TBooleanField, TField)

 public:
  explicit TBooleanField(TComponent *owner = nullptr);
  // "TrueText;FalseText"; default "True;False".
  QString DisplayValues() const { return display_values_; }
  void SetDisplayValues(const QString &values);

 protected:
  rtl::Variant GetAsVariant() const override;
  QString GetAsString() const override;
  bool GetAsBoolean() const override;
  int GetAsInteger() const override;
  void SetAsStringValue(const QString &v) override;
  void SetAsBooleanValue(bool v) override;
  void SetAsIntegerValue(int v) override;
  void SetVariantValue(const rtl::Variant &v) override;
  int DefaultWidth() const override { return 5; }

 private:
  QString display_values_;
  QString true_text_, false_text_;
};

class TDateTimeField : public TField {
  ORBISCA_CLASS(TDateTimeField, TField)

 public:
  explicit TDateTimeField(TComponent *owner = nullptr);
  QString DisplayFormat() const { return display_format_; }
  void SetDisplayFormat(const QString &f);

 protected:
  rtl::Variant GetAsVariant() const override;
  QString GetAsString() const override;
  double GetAsFloat() const override;
  rtl::TDateTime GetAsDateTime() const override;
  void SetAsStringValue(const QString &v) override;
  void SetAsFloatValue(double v) override;
  void SetAsDateTimeValue(rtl::TDateTime v) override;
  void SetVariantValue(const rtl::Variant &v) override;
  QString GetTextValue(bool display) const override;
  QString FormatValue(bool display) const;
  int DefaultWidth() const override { return 18; }
  // The format used when DisplayFormat is empty.
  virtual QString DefaultFormat() const;
  // Keeps only the part of the value the kind stores.
  virtual rtl::TDateTime Normalize(rtl::TDateTime v) const { return v; }

  QString display_format_;
};

class TDateField : public TDateTimeField {
  ORBISCA_CLASS(TDateField, TDateTimeField)

 public:
  explicit TDateField(TComponent *owner = nullptr);

 protected:
  void SetAsStringValue(const QString &v) override;
  int DefaultWidth() const override { return 10; }
  QString DefaultFormat() const override;
  rtl::TDateTime Normalize(rtl::TDateTime v) const override;
};

class TTimeField : public TDateTimeField {
  ORBISCA_CLASS(TTimeField, TDateTimeField)

 public:
  explicit TTimeField(TComponent *owner = nullptr);

 protected:
  void SetAsStringValue(const QString &v) override;
  int DefaultWidth() const override { return 10; }
  QString DefaultFormat() const override;
  rtl::TDateTime Normalize(rtl::TDateTime v) const override;
};

class TBinaryField : public TField {
  ORBISCA_CLASS(TBinaryField, TField)

 public:
  explicit TBinaryField(TComponent *owner = nullptr);
  QByteArray AsBytes() const;
  void SetAsBytes(const QByteArray &bytes);

 protected:
  rtl::Variant GetAsVariant() const override;
  QString GetAsString() const override;
  void SetAsStringValue(const QString &v) override;
  void SetVariantValue(const rtl::Variant &v) override;
  QString GetTextValue(bool display) const override;
};

class TBytesField : public TBinaryField {
  ORBISCA_CLASS(TBytesField, TBinaryField)

 public:
  explicit TBytesField(TComponent *owner = nullptr);
};

class TVarBytesField : public TBinaryField {
  ORBISCA_CLASS(TVarBytesField, TBinaryField)

 public:
  explicit TVarBytesField(TComponent *owner = nullptr);
};

// Blob values go through the dataset's CreateBlobStream when it offers one,
// else through GetFieldData / SetFieldData as Bytes (memo: String).
class TBlobField : public TField {
  ORBISCA_CLASS(TBlobField, TField)

 public:
  explicit TBlobField(TComponent *owner = nullptr);
  TFieldType BlobType() const { return data_type_; }
  void SetBlobType(TFieldType type) { data_type_ = type; }
  QByteArray AsBytes() const;
  void SetAsBytes(const QByteArray &bytes);
  qint64 BlobSize() const { return AsBytes().size(); }
  void LoadFromStream(rtl::TStream *stream);
  void SaveToStream(rtl::TStream *stream) const;

 protected:
  rtl::Variant GetAsVariant() const override;
  QString GetAsString() const override;
  void SetAsStringValue(const QString &v) override;
  void SetVariantValue(const rtl::Variant &v) override;
  QString GetTextValue(bool display) const override;
  // Memo text is Windows-1252 bytes in the store.
  virtual QString BytesToText(const QByteArray &b) const;
  virtual QByteArray TextToBytes(const QString &s) const;
};

class TMemoField : public TBlobField {
  ORBISCA_CLASS(TMemoField, TBlobField)

 public:
  explicit TMemoField(TComponent *owner = nullptr);

 protected:
  rtl::Variant GetAsVariant() const override;
};

class TGraphicField : public TBlobField {
  ORBISCA_CLASS(TGraphicField, TBlobField)

 public:
  explicit TGraphicField(TComponent *owner = nullptr);
};

// The class of field that holds `type` values; nullptr for ftUnknown and
// the kinds this library has no field for.
TField *CreateFieldOfType(TFieldType type, TComponent *owner);

// The dataset's list of field objects, in display order.
class TFields {
 public:
  explicit TFields(TDataSet *dataset) : dataset_(dataset) {}
  int Count() const { return static_cast<int>(items_.size()); }
  TField *Fields(int index) const;  // EListError out of range
  TField *operator[](int index) const { return Fields(index); }
  // Ignoring case; nullptr when none.
  TField *FindField(const QString &name) const;
  // "Field 'name' not found" when none.
  TField *FieldByName(const QString &name) const;
  // The field bound to column `field_no`; nullptr when none.
  TField *FieldByNumber(int field_no) const;
  int IndexOf(const TField *field) const;
  void Add(TField *field);
  void Remove(TField *field);
  void Move(int from, int to);
  void Clear() { items_.clear(); }
  TDataSet *DataSet() const { return dataset_; }

 private:
  friend class TDataSet;
  TDataSet *dataset_;
  std::vector<TField *> items_;
};

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

// ---- data sources and links ----------------------------------------------------------------

using TDataChangeEvent = std::function<void(rtl::TObject *sender, TField *field)>;
using TSourceNotifyEvent = std::function<void(rtl::TObject *sender)>;

class TDataSource : public TComponent {
  ORBISCA_CLASS(TDataSource, TComponent)

 public:
  explicit TDataSource(TComponent *owner = nullptr);
  ~TDataSource() override;

  TDataSet *DataSet() const { return dataset_; }
  // Refuses a dataset that would link back to itself ("Circular datalinks
  // are not allowed").
  void SetDataSet(TDataSet *dataset);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool AutoEdit() const { return auto_edit_; }
  void SetAutoEdit(bool v) { auto_edit_ = v; }
  TDataSetState State() const { return state_; }
  // Puts the dataset in edit mode when AutoEdit allows and it is browsing.
  void Edit();
  bool IsLinkedTo(const TDataSet *dataset) const;
  const std::vector<TDataLink *> &DataLinks() const { return links_; }

  TDataChangeEvent OnDataChange;
  TSourceNotifyEvent OnStateChange;
  TSourceNotifyEvent OnUpdateData;

 protected:
  void Notification(TComponent *component, TOperation operation) override;

 private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent event, std::intptr_t info);
  void NotifyDataLinks(TDataEvent event, std::intptr_t info);
  void NotifyLinkTypes(TDataEvent event, std::intptr_t info, bool link_type);
  void SetState(TDataSetState state);
  void UpdateState();
  void AddDataLink(TDataLink *link);
  void RemoveDataLink(TDataLink *link);

  TDataSet *dataset_ = nullptr;
  bool enabled_ = true;
  bool auto_edit_ = true;
  TDataSetState state_ = dsInactive;
  std::vector<TDataLink *> links_;
};

// The base of every connection between a data source and something that
// shows or follows its records. A link sees a window of BufferCount records
// of the dataset's buffers, with its own ActiveRecord in that window.
class TDataLink : public rtl::TObject {
  ORBISCA_CLASS(TDataLink, rtl::TObject)

 public:
  TDataLink();
  ~TDataLink() override;

  TDataSource *DataSource() const { return data_source_; }
  void SetDataSource(TDataSource *source);
  TDataSet *DataSet() const;
  bool Active() const { return active_; }
  bool Editing() const { return editing_; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool v);
  int ActiveRecord() const;
  void SetActiveRecord(int value);
  int BufferCount() const { return buffer_count_; }
  void SetBufferCount(int value);
  // Records available in the link's window.
  int RecordCount() const;
  // True when this link writes to the data source's dataset (controls that
  // edit) rather than following it (detail datasets).
  virtual bool IsDataLink() const { return true; }

  // Puts the dataset in edit mode through the data source; true when the
  // link is then editing.
  bool Edit();
  void UpdateRecord();
  int MoveBy(int distance);

 protected:
  friend class TDataSource;
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataEvent(TDataEvent event, std::intptr_t info);
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int distance) {
    (void)distance;
    DataSetChanged();
  }
  virtual void EditingChanged() {}
  virtual void FocusControl(TField **field) { (void)field; }
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField *field) { (void)field; }
  virtual void UpdateData() {}

  void SetActive(bool value);
  void SetEditing(bool value);
  void UpdateRange() const;

 private:
  TDataSource *data_source_ = nullptr;
  bool active_ = false;
  bool editing_ = false;
  bool read_only_ = false;
  bool updating_ = false;
  int buffer_count_ = 1;
  // Index of the dataset buffer shown in the link's first row; kept in
  // range lazily, hence mutable.
  mutable int first_record_ = 0;
};

// The link of a control that edits one field.
class TFieldDataLink : public TDataLink {
  ORBISCA_CLASS(TFieldDataLink, TDataLink)

 public:
  using TLinkEvent = std::function<void(rtl::TObject *sender)>;

  TField *Field() const { return field_; }
  QString FieldName() const { return field_name_; }
  void SetFieldName(const QString &name);
  TComponent *Control() const { return control_; }
  void SetControl(TComponent *control) { control_ = control; }
  // The field exists, is modifiable and the link is not read-only.
  bool CanModify() const;
  bool Edit();
  // The control tells the link that the user changed its value.
  void Modified() { modified_ = true; }
  bool IsModified() const { return modified_; }
  // Drops the user's change and shows the field's value again.
  void Reset();

  TLinkEvent OnDataChange;
  TLinkEvent OnEditingChange;
  TLinkEvent OnUpdateData;
  TLinkEvent OnActiveChange;
  // Asked to move the focus to the control.
  TLinkEvent OnFocusControl;

 protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void FocusControl(TField **field) override;
  void LayoutChanged() override;
  void RecordChanged(TField *field) override;
  void UpdateData() override;

 private:
  // Strict: a missing field raises "Field 'x' not found".
  void UpdateField(bool strict = true);
  void SetField(TField *field);
  TField *field_ = nullptr;
  QString field_name_;
  TComponent *control_ = nullptr;
  bool modified_ = false;
};

// The link by which a detail dataset follows its master's current record.
class TMasterDataLink : public TDataLink {
  ORBISCA_CLASS(TMasterDataLink, TDataLink)

 public:
  explicit TMasterDataLink(TDataSet *detail);
  TDataSet *DetailDataSet() const { return detail_; }
  // Master field names separated by ";".
  QString FieldNames() const { return field_names_; }
  void SetFieldNames(const QString &names);
  const std::vector<TField *> &Fields() const { return fields_; }
  bool IsDataLink() const override { return false; }

  std::function<void(rtl::TObject *sender)> OnMasterChange;
  std::function<void(rtl::TObject *sender)> OnMasterDisable;

 protected:
  void ActiveChanged() override;
  void CheckBrowseMode() override;
  void LayoutChanged() override { ActiveChanged(); }
  void RecordChanged(TField *field) override;

 private:
  TDataSet *detail_;
  QString field_names_;
  std::vector<TField *> fields_;
};

// The selected rows of a grid: bookmarks kept in the dataset's order.
class TBookmarkList {
 public:
  explicit TBookmarkList(TDataLink *link) : link_(link) {}

  int Count() const { return static_cast<int>(items_.size()); }
  const TBookmark &Items(int index) const;  // EListError out of range
  const TBookmark &operator[](int index) const { return Items(index); }
  bool CurrentRowSelected() const;
  void SetCurrentRowSelected(bool value);
  // Position of `bookmark`; when absent, false and the insertion position.
  bool Find(const TBookmark &bookmark, int &index) const;
  int IndexOf(const TBookmark &bookmark) const;
  void Clear();
  // Deletes the selected records from the dataset, then clears the list.
  void Delete();
  // Drops the bookmarks that no longer name a record; true when some went.
  bool Refresh();
  // The dataset changed beneath the list (reopened): the bookmarks are
  // meaningless now.
  void LinkActive(bool active);

  std::function<void()> OnChange;

 private:
  TDataSet *DataSet() const { return link_ ? link_->DataSet() : nullptr; }
  TBookmark CurrentBookmark() const;
  void Changed() {
    if (OnChange) OnChange();
  }
  TDataLink *link_;
  std::vector<TBookmark> items_;
};

}  // namespace vcl
