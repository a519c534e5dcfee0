// Parameters of SQL texts and stored queries: a named, typed value per
// ":name" marker of the text. The table substitutes them into its SQL; the
// list is rebuilt from the text whenever the SQL changes, keeping the values
// of parameters whose names stay.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "platform/rtl/variant.h"
#include "platform/vcl/db/dbtypes.h"

namespace vcl {

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

class TParams;

class TParam {
 public:
  TParam() = default;
  TParam(const QString &name, TFieldType type, TParamType param_type)
      : name_(name), data_type_(type), param_type_(param_type) {}

  QString Name() const { return name_; }
  void SetName(const QString &name) { name_ = name; }
  TFieldType DataType() const { return data_type_; }
  void SetDataType(TFieldType type) { data_type_ = type; }
  TParamType ParamType() const { return param_type_; }
  void SetParamType(TParamType type) { param_type_ = type; }
  // A value has been assigned (Null counts).
  bool Bound() const { return bound_; }
  void SetBound(bool bound) { bound_ = bound; }

  rtl::Variant Value() const { return value_; }
  // Keeps DataType when it is set; an unset type is taken from the value.
  void SetValue(const rtl::Variant &value);
  bool IsNull() const { return value_.IsEmptyOrNull(); }
  void Clear();

  QString AsString() const { return rtl::VarToStr(value_); }
  void SetAsString(const QString &v) { Assign(ftString, rtl::Variant(v)); }
  int AsInteger() const { return IsNull() ? 0 : value_.AsInteger(); }
  void SetAsInteger(int v) { Assign(ftInteger, rtl::Variant(v)); }
  void SetAsSmallInt(int v) { Assign(ftSmallint, rtl::Variant(v)); }
  double AsFloat() const { return IsNull() ? 0.0 : value_.AsDouble(); }
  void SetAsFloat(double v) { Assign(ftFloat, rtl::Variant(v)); }
  double AsCurrency() const { return IsNull() ? 0.0 : value_.AsCurrency(); }
  void SetAsCurrency(double v) { Assign(ftCurrency, rtl::Variant::FromCurrency(v)); }
  bool AsBoolean() const { return !IsNull() && value_.AsBoolean(); }
  void SetAsBoolean(bool v) { Assign(ftBoolean, rtl::Variant(v)); }
  rtl::TDateTime AsDateTime() const { return IsNull() ? 0.0 : value_.AsDateTime(); }
  void SetAsDateTime(rtl::TDateTime v) { Assign(ftDateTime, rtl::Variant::FromDate(v)); }
  void SetAsDate(rtl::TDateTime v) { Assign(ftDate, rtl::Variant::FromDate(v)); }
  void SetAsTime(rtl::TDateTime v) { Assign(ftTime, rtl::Variant::FromDate(v)); }
  QByteArray AsBlob() const { return IsNull() ? QByteArray() : value_.AsBytes(); }
  void SetAsBlob(const QByteArray &v) { Assign(ftBlob, rtl::Variant(v)); }
  void SetAsMemo(const QString &v) { Assign(ftMemo, rtl::Variant(v)); }

  // Takes the field's type and value.
  void AssignField(const TField *field);
  // Copies name, types and value.
  void Assign(const TParam &other);

 private:
  void Assign(TFieldType type, const rtl::Variant &value);
  QString name_;
  TFieldType data_type_ = ftUnknown;
  TParamType param_type_ = ptUnknown;
  rtl::Variant value_ = rtl::Variant::Null();
  bool bound_ = false;
};

class TParams {
 public:
  TParams() = default;
  TParams(const TParams &other) { Assign(other); }
  TParams &operator=(const TParams &other) {
    if (this != &other) Assign(other);
    return *this;
  }

  int Count() const { return static_cast<int>(items_.size()); }
  TParam *Items(int index) const;  // EListError out of range
  TParam *operator[](int index) const { return Items(index); }
  TParam *CreateParam(TFieldType type, const QString &name, TParamType param_type);
  // Ignoring case; nullptr when none.
  TParam *FindParam(const QString &name) const;
  // "Parameter 'name' not found" when none.
  TParam *ParamByName(const QString &name) const;
  void RemoveParam(TParam *param);
  void Clear() { items_.clear(); }
  // Replaces this list by a copy of `other`.
  void Assign(const TParams &other);
  // Copies the values of the parameters of `other` whose names are here.
  void AssignValues(const TParams &other);
  // Same names and values in the same order.
  bool IsEqual(const TParams &other) const;
  // The names joined by ";" (for error texts and lists).
  QString ParamNames() const;

  // Finds the ":name" markers of `sql` and, with `create`, adds a parameter
  // for each name not yet in the list (in order of first appearance).
  // Returns the text with each marker replaced by "?". Markers inside quoted
  // text ('...' or "..." or [...]) are not parameters; "::" stands for one
  // ":"; a ":" right after a letter or digit (a time such as 10:30) starts
  // no parameter; ":" followed by a quoted name takes the name inside the
  // quotes.
  QString ParseSQL(const QString &sql, bool create);

 private:
  std::vector<std::unique_ptr<TParam>> items_;
};

}  // namespace vcl
