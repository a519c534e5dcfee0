// A dataset's index definitions (`TIndexDefs`): the indexes it offers, by
// name and by leading fields (see db.h).
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "platform/vcl/consts.h"
#include "platform/vcl/db/dbtypes.h"

namespace vcl {

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

}  // namespace vcl
