// A dataset's field definitions (`TFieldDefs`): the columns a dataset
// offers, from which default field objects are made (see db.h).
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "platform/vcl/db/dbtypes.h"

namespace vcl {

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

}  // namespace vcl
