// The running aggregates of the data bands (see kvaggr.h).
#include "report/engine/expr/kvaggr.h"

#include "report/engine/model/kvclass.h"
#include "report/engine/model/kvglobals.h"

namespace report {

using rtl::Variant;
using rtl::VarType;

QString KvAggregateKey(const QString &function, const QString &argument, const QString &memo_name, int level,
                       bool table_key) {
  QString key =
      function.toUpper() + u'(' + argument + u')' + memo_name + QChar(static_cast<char16_t>(memo_name.size() & 0xFFFF));
  if (!table_key) key += QChar(static_cast<char16_t>(level & 0xFF));
  return key;
}

namespace {
int MemoNameLength(const QString &key, bool table_key) {
  const int at = key.size() - (table_key ? 1 : 2);
  return at >= 0 ? key[at].unicode() : -1;
}
}  // namespace

QString KvAggregateFunction(const QString &key) { return key.size() >= 4 ? key.left(3) : QString(); }

QString KvAggregateArgument(const QString &key, bool table_key) {
  const int name_len = MemoNameLength(key, table_key);
  const int len = key.size() - name_len - (table_key ? 6 : 7);
  if (name_len < 0 || len < 0) return QString();
  return key.mid(4, len);
}

Variant KvAggregateStart(const QString &function) {
  if (function == u"MIN") return Variant(1e200);
  if (function == u"MAX") return Variant(-1e200);
  return Variant(0);
}

Variant KvAggregateCombine(const QString &function, const Variant &v, const Variant &x, int count) {
  TkvExpr &e = Expr();
  // An empty text, and a Null, count as 0 in a sum and are no candidate for
  // a minimum or maximum.
  const bool blank = x.IsEmptyOrNull() || (x.Type() == VarType::String && x.AsString().isEmpty());
  if (function == u"SUM") return e.Apply(opAdd, v, blank ? Variant(0) : x, function);
  if (function == u"AVG") {
    const Variant value = blank ? Variant(0) : x;
    const Variant total = e.Apply(opAdd, e.Apply(opMultiply, v, Variant(count), function), value, function);
    return e.Apply(opDivide, total, Variant(count + 1), function);
  }
  if (blank) return v;
  int c = 0;
  try {
    c = Variant::Compare(x, v);
  } catch (const rtl::Exception &) {
    return e.Apply(opLess, x, v, function);  // reports the type error
  }
  if (function == u"MIN") return c < 0 ? x : v;
  if (function == u"MAX") return c > 0 ? x : v;
  return v;
}

namespace {
bool IsAggregateFunction(const QString &f) { return f == u"SUM" || f == u"AVG" || f == u"MIN" || f == u"MAX"; }
}  // namespace

bool TkvAggregates::Register(const QString &key, bool table_key) {
  if (!IsAggregateFunction(KvAggregateFunction(key))) return false;
  if (table_key) {
    columns_.try_emplace(key);
  } else {
    values_.try_emplace(key, Variant(0));
  }
  return true;
}

int KvAggregateLevel(int band_type, int band_level) {
  const bool loop = band_type == btReportSummary || band_type == btPageFooter || band_type == btColumnFooter;
  return loop ? kvLoopAggregateLevel : band_level;
}

namespace {
bool IsLoopKey(const QString &key) { return !key.isEmpty() && key.back().unicode() == kvLoopAggregateLevel; }
}  // namespace

void TkvAggregates::Reset(int level) { ResetKeys(level, true); }

void TkvAggregates::ResetGroups(int level) { ResetKeys(level, false); }

void TkvAggregates::ResetKeys(int level, bool loop_keys_too) {
  if (kvEngine().Calculating) return;  // a layout pass must not count rows
  for (auto &[key, value] : values_) {
    const bool loop_key = IsLoopKey(key);
    if (key.isEmpty() || (loop_key ? !loop_keys_too : key.back().unicode() > level)) continue;
    value = KvAggregateStart(KvAggregateFunction(key));
  }
  if (loop_keys_too) loop_rows_ = 0;
  rows_ = 0;
  ++resets_;
}

void TkvAggregates::Accumulate(TkvExpr &expr, bool table_too) {
  if (kvEngine().Calculating) return;
  // Keys share arguments (SUM and AVG of one field): each text once a row.
  std::map<QString, Variant> seen;
  auto value_of = [&](const QString &argument) -> const Variant & {
    auto it = seen.find(argument);
    if (it == seen.end()) it = seen.emplace(argument, expr.Evaluate(argument)).first;
    return it->second;
  };
  for (auto &[key, value] : values_) {
    const QString function = KvAggregateFunction(key);
    const int count = IsLoopKey(key) ? loop_rows_ : rows_;
    value = KvAggregateCombine(function, value, value_of(KvAggregateArgument(key, false)), count);
  }
  if (table_too) {
    const size_t column = static_cast<size_t>(rows_);
    const int rows_before = resets_ > 0 ? resets_ - 1 : 0;
    for (auto &[key, list] : columns_) {
      const QString function = KvAggregateFunction(key);
      if (list.size() <= column) list.resize(column + 1, KvAggregateStart(function));
      list[column] = KvAggregateCombine(function, list[column], value_of(KvAggregateArgument(key, true)), rows_before);
    }
  }
  ++rows_;
  ++loop_rows_;
  if (table_too && rows_ > max_columns_) max_columns_ = rows_;
}

void TkvAggregates::Step(int operation, TkvExpr &expr, bool table_too) {
  if (operation == 2) Reset(0);
  if (operation == 3) Accumulate(expr, table_too);
}

Variant TkvAggregates::Value(const QString &key) const {
  auto it = values_.find(key);
  return it == values_.end() ? Variant() : it->second;
}

std::vector<Variant> TkvAggregates::Columns(const QString &key) const {
  auto it = columns_.find(key);
  return it == columns_.end() ? std::vector<Variant>() : it->second;
}

Variant TkvAggregates::TableTotal(const QString &key, int count) const {
  auto it = columns_.find(key);
  if (it == columns_.end() || count < 0 || static_cast<int>(it->second.size()) < count) return Variant();
  const QString function = KvAggregateFunction(key);
  TkvExpr &e = Expr();
  Variant v = KvAggregateStart(function);
  for (int i = 0; i < count; ++i) {
    const Variant &x = it->second[static_cast<size_t>(i)];
    v = function == u"AVG" ? e.Apply(opAdd, v, x, function) : KvAggregateCombine(function, v, x, i);
  }
  if (function == u"AVG" && count > 0) v = e.Apply(opDivide, v, Variant(count), function);
  return v;
}

void TkvAggregates::Clear() {
  values_.clear();
  columns_.clear();
  rows_ = loop_rows_ = resets_ = max_columns_ = 0;
}

}  // namespace report
