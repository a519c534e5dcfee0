// The field objects (`TField` and its kinds) through which controls,
// reports and forms read and write a dataset's values, and `TFields`, a
// dataset's list of them (see db.h).
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <vector>

#include "platform/rtl/streams.h"
#include "platform/rtl/variant.h"
#include "platform/vcl/component.h"
// TAlignment (taLeftJustify, taRightJustify, taCenter) is the controls' own,
// shared by fields so that a column aligns as its field says.
#include "platform/vcl/controls.h"
#include "platform/vcl/db/dbtypes.h"

namespace vcl {

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

}  // namespace vcl
