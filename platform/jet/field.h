// A field of the database engine: a column of a table definition, of an
// index, or of an open recordset. The definition part (Type, Size,
// Attributes, DefaultValue, Required, the "Format"/"Caption" properties...)
// is the same everywhere; a recordset's field also reads and writes the
// current row's Value, converting text by the field's type in the locale of
// the moment ("12,50", "True", "31/12/2004").
#pragma once

#include <QByteArray>
#include <QString>
#include <map>

#include "platform/jet/jetconst.h"
#include "platform/jet/jetsql.h"
#include "platform/rtl/variant.h"

namespace jet {

class Recordset;

// What the catalogue keeps of a column.
struct FieldInfo {
  QString name;
  int type = dbText;
  int size = 0;           // text width; fixed byte size of numbers
  int attributes = 0;     // dbFixedField, dbAutoIncrField, dbUpdatableField...
  QString default_value;  // in the engine's syntax: "0", "\"C\"", "Date()"
  bool required = false;
  bool allow_zero_length = true;
  QString validation_rule;
  QString validation_text;
  int ordinal = 0;
  QString source_table;  // recordset fields: where the column comes from
  QString source_field;
  std::map<QString, QString> properties;  // "Format", "Caption", "Description"... by lower-case name

  // The byte size the engine reports for fixed types.
  static int DefaultSize(int type);
};

class Field {
 public:
  Field() = default;
  explicit Field(FieldInfo info) : info_(std::move(info)) {}
  Field(const QString &name, int type, int size = 0);
  Field(const Field &) = delete;
  Field &operator=(const Field &) = delete;

  const QString &Name() const { return info_.name; }
  int Type() const { return info_.type; }
  int Size() const { return info_.size; }
  int Attributes() const { return info_.attributes; }
  const QString &DefaultValue() const { return info_.default_value; }
  bool Required() const { return info_.required; }
  bool AllowZeroLength() const { return info_.allow_zero_length; }
  const QString &ValidationRule() const { return info_.validation_rule; }
  const QString &ValidationText() const { return info_.validation_text; }
  int OrdinalPosition() const { return info_.ordinal; }
  const QString &SourceTable() const { return info_.source_table; }
  const QString &SourceField() const { return info_.source_field; }

  // Definition setters: effective before the field is appended to a new
  // table definition (CreateField ... Append).
  void SetName(const QString &v) { info_.name = v; }
  void SetType(int v) { info_.type = v; }
  void SetSize(int v) { info_.size = v; }
  void SetAttributes(int v) { info_.attributes = v; }
  void SetDefaultValue(const QString &v) { info_.default_value = v; }
  void SetRequired(bool v) { info_.required = v; }
  void SetAllowZeroLength(bool v) { info_.allow_zero_length = v; }
  void SetValidationRule(const QString &v) { info_.validation_rule = v; }
  void SetValidationText(const QString &v) { info_.validation_text = v; }
  void SetOrdinalPosition(int v) { info_.ordinal = v; }

  // User-defined properties such as "Format" and "Caption". A property the
  // field does not have is absent: HasProperty is false and Property raises
  // 3270 "Property not found.".
  bool HasProperty(const QString &name) const;
  QString Property(const QString &name) const;
  void SetProperty(const QString &name, const QString &value);

  // The current row's value (recordset fields only; other fields raise
  // 3219). Null for an empty column.
  rtl::Variant Value() const;
  // Writes into the pending Edit/AddNew. Text is converted by the field's
  // type; a text longer than Size raises 3163, a text that does not
  // convert 3421; Null in a Yes/No field stores False.
  void SetValue(const rtl::Variant &value);
  // Memo and long binary: the length in bytes of the current value.
  int FieldSize() const;
  QByteArray GetChunk(int offset, int bytes) const;
  void AppendChunk(const QByteArray &data);

  const FieldInfo &Info() const { return info_; }
  FieldInfo &MutableInfo() { return info_; }

 private:
  friend class Recordset;
  FieldInfo info_;
  Recordset *owner_ = nullptr;
  int index_ = -1;
};

using Fields = Collection<Field>;

}  // namespace jet
