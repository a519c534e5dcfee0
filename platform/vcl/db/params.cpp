// Parameter lists and the ":name" marker parser.
#include "platform/vcl/db/params.h"

#include "platform/vcl/db/fields.h"

namespace vcl {

namespace {
bool IsNameChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

TFieldType TypeOfValue(const rtl::Variant &v) {
  switch (v.Type()) {
    case rtl::VarType::Integer:
      return ftInteger;
    case rtl::VarType::Int64:
      return ftLargeint;
    case rtl::VarType::Double:
      return ftFloat;
    case rtl::VarType::Currency:
      return ftCurrency;
    case rtl::VarType::String:
      return ftString;
    case rtl::VarType::Boolean:
      return ftBoolean;
    case rtl::VarType::Date:
      return ftDateTime;
    case rtl::VarType::Bytes:
      return ftBlob;
    default:
      return ftUnknown;
  }
}
}  // namespace

// ---- TParam -----------------------------------------------------------------------------

void TParam::SetValue(const rtl::Variant &value) {
  if (data_type_ == ftUnknown) data_type_ = TypeOfValue(value);
  value_ = value.IsEmpty() ? rtl::Variant::Null() : value;
  bound_ = true;
}

void TParam::Clear() { value_ = rtl::Variant::Null(); }

void TParam::Assign(TFieldType type, const rtl::Variant &value) {
  data_type_ = type;
  value_ = value;
  bound_ = true;
}

void TParam::AssignField(const TField *field) {
  if (!field) return;
  data_type_ = field->DataType();
  value_ = field->IsNull() ? rtl::Variant::Null() : field->Value();
  bound_ = true;
  if (name_.isEmpty()) name_ = field->FieldName();
}

void TParam::Assign(const TParam &other) {
  name_ = other.name_;
  data_type_ = other.data_type_;
  param_type_ = other.param_type_;
  value_ = other.value_;
  bound_ = other.bound_;
}

// ---- TParams -----------------------------------------------------------------------------

TParam *TParams::Items(int index) const {
  if (index < 0 || index >= Count()) rtl::ListIndexError(index);
  return items_[static_cast<size_t>(index)].get();
}

TParam *TParams::CreateParam(TFieldType type, const QString &name, TParamType param_type) {
  items_.push_back(std::make_unique<TParam>(name, type, param_type));
  return items_.back().get();
}

TParam *TParams::FindParam(const QString &name) const {
  for (const auto &p : items_) {
    if (p->Name().compare(name, Qt::CaseInsensitive) == 0) return p.get();
  }
  return nullptr;
}

TParam *TParams::ParamByName(const QString &name) const {
  TParam *p = FindParam(name);
  if (!p) DatabaseError(QStringLiteral("Parameter '%1' not found").arg(name));
  return p;
}

void TParams::RemoveParam(TParam *param) {
  for (auto it = items_.begin(); it != items_.end(); ++it) {
    if (it->get() == param) {
      items_.erase(it);
      return;
    }
  }
}

void TParams::Assign(const TParams &other) {
  items_.clear();
  for (const auto &p : other.items_) {
    auto copy = std::make_unique<TParam>();
    copy->Assign(*p);
    items_.push_back(std::move(copy));
  }
}

void TParams::AssignValues(const TParams &other) {
  for (const auto &p : other.items_) {
    TParam *mine = FindParam(p->Name());
    if (!mine) continue;
    mine->Assign(*p);
  }
}

bool TParams::IsEqual(const TParams &other) const {
  if (Count() != other.Count()) return false;
  for (int i = 0; i < Count(); ++i) {
    const TParam *a = items_[static_cast<size_t>(i)].get();
    const TParam *b = other.items_[static_cast<size_t>(i)].get();
    if (a->Name() != b->Name() || a->DataType() != b->DataType() || a->ParamType() != b->ParamType() ||
        a->IsNull() != b->IsNull())
      return false;
    if (!a->IsNull() && rtl::VarToStr(a->Value()) != rtl::VarToStr(b->Value())) return false;
  }
  return true;
}

QString TParams::ParamNames() const {
  QStringList names;
  for (const auto &p : items_) names << p->Name();
  return names.join(QLatin1Char(';'));
}

QString TParams::ParseSQL(const QString &sql, bool create) {
  QString out;
  out.reserve(sql.size());
  const int n = static_cast<int>(sql.size());
  int i = 0;
  while (i < n) {
    const QChar c = sql.at(i);
    if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
      // Quoted text runs to its closing quote; a doubled quote stays inside.
      const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
      int j = i + 1;
      while (j < n) {
        if (sql.at(j) == close) {
          if (close != QLatin1Char(']') && j + 1 < n && sql.at(j + 1) == close) {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      const int end = j < n ? j + 1 : n;  // an unclosed quote runs to the end
      out += sql.mid(i, end - i);
      i = end;
      continue;
    }
    if (c != QLatin1Char(':')) {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < n && sql.at(i + 1) == QLatin1Char(':')) {
      out += QLatin1Char(':');
      i += 2;
      continue;
    }
    if (i > 0 && IsNameChar(sql.at(i - 1))) {
      out += c;
      ++i;
      continue;
    }
    QString name;
    int j = i + 1;
    if (j < n && (sql.at(j) == QLatin1Char('"') || sql.at(j) == QLatin1Char('\''))) {
      const QChar q = sql.at(j);
      const int close = sql.indexOf(q, j + 1);
      if (close > j) {
        name = sql.mid(j + 1, close - j - 1);
        j = close + 1;
      }
    } else {
      while (j < n && IsNameChar(sql.at(j))) ++j;
      name = sql.mid(i + 1, j - i - 1);
    }
    if (name.isEmpty()) {
      out += c;
      ++i;
      continue;
    }
    if (create && !FindParam(name)) CreateParam(ftUnknown, name, ptInput);
    out += QLatin1Char('?');
    i = j;
  }
  return out;
}

}  // namespace vcl
