// Field and index definitions: the description of a dataset's columns and
// indexes that a concrete dataset fills from its store, and from which the
// dataset creates its default field objects.
#include "platform/vcl/db/dataset.h"
#include "platform/vcl/db/fielddefs.h"
#include "platform/vcl/db/indexdefs.h"

namespace vcl {

namespace {
[[noreturn]] void IndexError(int index) { rtl::ListIndexError(index); }

QStringList SplitFields(const QString &fields) {
  QStringList out;
  for (const QString &part : fields.split(QLatin1Char(';'))) {
    const QString t = part.trimmed();
    if (!t.isEmpty()) out << t;
  }
  return out;
}
}  // namespace

// ---- TFieldDef / TFieldDefs ----------------------------------------------------------------

TField *TFieldDef::CreateField(TComponent *owner) const {
  TField *f = CreateFieldOfType(data_type_, owner);
  if (!f) return nullptr;
  f->SetFieldName(name_);
  if (size_ > 0 || data_type_ == ftString) f->size_ = size_;
  f->SetRequired(required_);
  if (read_only_) f->SetReadOnly(true);
  return f;
}

TFieldDef *TFieldDefs::Items(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[static_cast<size_t>(index)].get();
}

TFieldDef *TFieldDefs::Add(const QString &name, TFieldType type, int size, bool required) {
  if (name.isEmpty()) DatabaseError(QStringLiteral("Field name missing"), dataset_);
  if (IndexOf(name) >= 0) DatabaseError(QStringLiteral("Duplicate field name '%1'").arg(name), dataset_);
  auto def = std::make_unique<TFieldDef>();
  def->name_ = name;
  def->data_type_ = type;
  def->size_ = size;
  def->required_ = required;
  def->field_no_ = Count() + 1;
  items_.push_back(std::move(def));
  return items_.back().get();
}

void TFieldDefs::Clear() {
  items_.clear();
  updated_ = false;
}

int TFieldDefs::IndexOf(const QString &name) const {
  for (int i = 0; i < Count(); ++i) {
    if (items_[static_cast<size_t>(i)]->name_.compare(name, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

TFieldDef *TFieldDefs::Find(const QString &name) const {
  const int i = IndexOf(name);
  if (i < 0) FieldNotFoundError(name, dataset_);
  return Items(i);
}

void TFieldDefs::Update() {
  if (dataset_) dataset_->InitFieldDefs();
}

// ---- TIndexDef / TIndexDefs ------------------------------------------------------------------

QStringList TIndexDef::FieldList() const { return SplitFields(fields_); }

TIndexDef *TIndexDefs::Items(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[static_cast<size_t>(index)].get();
}

TIndexDef *TIndexDefs::Add(const QString &name, const QString &fields, TIndexOptions options) {
  if (IndexOf(name) >= 0 && !name.isEmpty()) DatabaseError(QStringLiteral("Duplicate index name '%1'").arg(name));
  auto def = std::make_unique<TIndexDef>();
  def->SetName(name);
  def->SetFields(fields);
  def->SetOptions(options);
  if (options.Contains(ixDescending)) def->SetDescFields(fields);
  if (options.Contains(ixCaseInsensitive)) def->SetCaseInsFields(fields);
  items_.push_back(std::move(def));
  return items_.back().get();
}

void TIndexDefs::Clear() {
  items_.clear();
  updated_ = false;
}

int TIndexDefs::IndexOf(const QString &name) const {
  for (int i = 0; i < Count(); ++i) {
    if (items_[static_cast<size_t>(i)]->Name().compare(name, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

TIndexDef *TIndexDefs::Find(const QString &name) const {
  const int i = IndexOf(name);
  if (i < 0) DatabaseError(QStringLiteral("Index '%1' not found").arg(name));
  return Items(i);
}

TIndexDef *TIndexDefs::GetIndexForFields(const QString &fields, bool case_insensitive) const {
  const QStringList wanted = SplitFields(fields);
  if (wanted.isEmpty()) return nullptr;
  for (const auto &def : items_) {
    if (def->Options().Contains(ixExpression)) continue;
    if (case_insensitive && !def->Options().Contains(ixCaseInsensitive)) continue;
    const QStringList have = def->FieldList();
    if (have.size() < wanted.size()) continue;
    bool match = true;
    for (int i = 0; i < wanted.size() && match; ++i) match = have[i].compare(wanted[i], Qt::CaseInsensitive) == 0;
    if (match) return def.get();
  }
  return nullptr;
}

TIndexDef *TIndexDefs::FindIndexForFields(const QString &fields) const {
  TIndexDef *def = GetIndexForFields(fields, false);
  if (!def) DatabaseError(QStringLiteral("No index for fields '%1'").arg(fields));
  return def;
}

void TIndexDefs::Update() {
  if (dataset_) dataset_->UpdateIndexDefs();
  updated_ = true;
}

}  // namespace vcl
