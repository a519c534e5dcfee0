// The variables editor's work on the variable list and the bindings (see
// kvvarlist.h).
#include "report/designer/kvvarlist.h"

#include "report/designer/kvdsgdata.h"
#include "report/engine/vars/kvvalues.h"

namespace report {

namespace {

// The stream keeps names as short strings: one byte of length, the
// variable's line a blank more.
constexpr int kMaxName = 254;

QString Numbered(const char *stem, int n) { return QString::fromLatin1(stem) + QString::number(n); }

}  // namespace

QString TkvVariableList::NoValue() { return QStringLiteral("[Nessuno]"); }

bool TkvVariableList::IsCategory(int line) const {
  if (line < 0 || line >= lines_.Count()) return false;
  const QString s = lines_[line];
  return !s.isEmpty() && s[0] != u' ';
}

bool TkvVariableList::IsVariable(int line) const {
  if (line < 0 || line >= lines_.Count()) return false;
  const QString s = lines_[line];
  return !s.isEmpty() && s[0] == u' ';
}

QString TkvVariableList::Name(int line) const {
  if (IsVariable(line)) return lines_[line].mid(1);
  return IsCategory(line) ? lines_[line] : QString();
}

int TkvVariableList::CategoryOf(int line) const {
  if (IsCategory(line)) return line;
  if (!IsVariable(line)) return -1;
  for (int i = line - 1; i >= 0; --i) {
    if (IsCategory(i)) return i;
    if (!IsVariable(i)) return -1;
  }
  return -1;
}

std::vector<TkvVariableList::Category> TkvVariableList::Tree() const {
  std::vector<Category> tree;
  for (int i = 0; i < lines_.Count(); ++i) {
    if (IsCategory(i)) {
      tree.push_back({i, lines_[i], {}});
    } else if (IsVariable(i) && !tree.empty() && CategoryOf(i) == tree.back().Line) {
      tree.back().Variables.push_back({i, Name(i)});
    }
  }
  return tree;
}

int TkvVariableList::NewCategory() {
  int n = 1;
  while (lines_.IndexOf(Numbered("Categoria", n)) >= 0) ++n;
  return lines_.Add(Numbered("Categoria", n));
}

int TkvVariableList::NewVariable(int line) {
  const int category = CategoryOf(line);
  if (category < 0) return -1;
  int n = 1;
  while (lines_.IndexOf(u' ' + Numbered("Variabile", n)) >= 0) ++n;
  int at = category + 1;
  while (IsVariable(at)) ++at;
  lines_.Insert(at, u' ' + Numbered("Variabile", n));
  Synchronise();
  return at;
}

void TkvVariableList::Delete(int line) {
  if (IsVariable(line)) {
    lines_.Delete(line);
  } else if (IsCategory(line)) {
    lines_.BeginUpdate();
    lines_.Delete(line);
    while (IsVariable(line)) lines_.Delete(line);
    lines_.EndUpdate();
  }
}

bool TkvVariableList::NameTaken(int line, const QString &name) const {
  const bool variable = IsVariable(line);
  for (int i = 0; i < lines_.Count(); ++i) {
    if (i == line || (variable ? !IsVariable(i) : !IsCategory(i))) continue;
    if (Name(i).trimmed().compare(name, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

QString TkvVariableList::Rename(int line, const QString &text) {
  const bool variable = IsVariable(line);
  if (!variable && !IsCategory(line)) return QString();
  const QString name = text.trimmed();
  if (name.isEmpty()) return QStringLiteral("Il nome non può essere vuoto.");
  if (name.size() > kMaxName) return QStringLiteral("Il nome non può superare %1 caratteri.").arg(kMaxName);
  if (NameTaken(line, name)) {
    return variable ? QStringLiteral("Esiste già una variabile di nome \"%1\".").arg(name)
                    : QStringLiteral("Esiste già una categoria di nome \"%1\".").arg(name);
  }
  if (variable) {
    // The binding keeps its settings under the new name; a binding left
    // there by a deleted variable goes first.
    Synchronise();
    const int binding = values_.Items().IndexOf(Name(line).trimmed());
    if (binding >= 0) values_.Items().Put(binding, name);
    lines_.Put(line, u' ' + name);
  } else {
    lines_.Put(line, name);
  }
  Synchronise();
  return QString();
}

void TkvVariableList::Synchronise() {
  QStringList names;
  for (int i = 0; i < lines_.Count(); ++i) {
    if (!IsVariable(i)) continue;
    const QString name = lines_[i].trimmed();
    if (lines_[i] != u' ' + name) lines_.Put(i, u' ' + name);
    names << name;
  }
  rtl::TStringList &items = values_.Items();
  for (int i = items.Count() - 1; i >= 0; --i) {
    if (!names.contains(items[i], Qt::CaseInsensitive)) items.Delete(i);
  }
  for (const Category &category : Tree()) {
    for (const Variable &v : category.Variables) {
      if (values_.FindValue(v.Name) == nullptr) values_.AddValue(v.Name);
    }
  }
}

TkvBindingShown TkvVariableList::Shown(int line) const {
  TkvBindingShown shown;
  const TkvValue *value = IsVariable(line) ? values_.FindValue(Name(line)) : nullptr;
  if (value == nullptr || value->Type == vtNotAssigned) {
    shown.Value = NoValue();
  } else if (value->Type == vtDBField) {
    shown.Source = value->DataSet;
    shown.Value = value->Field;
  } else {
    shown.Source = KvOtherSource();
    shown.Value = KvValueKindNames().value(value->OtherKind);
    if (value->OtherKind == vkExpression) shown.Expression = value->Field;
  }
  return shown;
}

void TkvVariableList::Store(int line, const QString &source, const QString &value_text, const QString &expression) {
  TkvValue *value = IsVariable(line) ? values_.FindValue(Name(line)) : nullptr;
  if (value == nullptr || value_text.isEmpty()) return;
  if (value_text == NoValue()) {
    value->Type = vtNotAssigned;
    value->OtherKind = 0;
    value->DataSet.clear();
    value->Field.clear();
  } else if (source == KvOtherSource()) {
    const int kind = KvValueKindNames().indexOf(value_text);
    if (kind < 0) return;
    value->Type = vtOther;
    value->OtherKind = kind;
    value->DataSet.clear();
    value->Field = kind == vkExpression ? expression : QString();
  } else if (!source.isEmpty()) {
    value->Type = vtDBField;
    value->OtherKind = 0;
    value->DataSet = source;
    value->Field = value_text;
  }
}

}  // namespace report
