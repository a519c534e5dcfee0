// The running aggregates of the data bands.
//
// The aggregates (SUM, AVG, MIN, MAX) live in a TkvAggregates store owned
// by each run-time data band. The page pre-scan registers their keys while
// the evaluator is in registration mode; the data loop resets and
// accumulates them (each argument text evaluated once per row); the
// resolver reads their values.
#pragma once

#include <QString>
#include <map>
#include <vector>

#include "platform/rtl/variant.h"
#include "report/engine/expr/kvexpr.h"

namespace report {

// "SUM(" arg ")" memo QChar(len(memo)) [QChar(level)]: the key under which
// a memo's aggregate is kept; table keys carry no level. The level is the
// holding band's group level, or kvLoopAggregateLevel for a band whose
// totals run over the whole data loop (KvAggregateLevel).
QString KvAggregateKey(const QString &function, const QString &argument, const QString &memo_name, int level,
                       bool table_key);
// The function name and argument text stored in a key; empty for a key that
// is too short to be one.
QString KvAggregateFunction(const QString &key);
QString KvAggregateArgument(const QString &key, bool table_key);

// The level of the keys of the summary, page footer and column footer:
// their totals cover every row of the loop, so they share no level with a
// group (whose innermost footer is level 0 too) and no group break starts
// them again; only the start of the loop does.
constexpr int kvLoopAggregateLevel = 0xFF;
// The level a memo's key carries in a band of this type and group level.
int KvAggregateLevel(int band_type, int band_level);

// The running values of one data band.
class TkvAggregates {
 public:
  // Adds the key unless present (normal keys start at 0, table keys with no
  // column). Returns false when the function is not SUM, AVG, MIN or MAX.
  bool Register(const QString &key, bool table_key);

  // The start of the band's rows: every normal key whose level is not above
  // `level`, and every loop key, starts again (SUM and AVG 0, MIN 1e200,
  // MAX -1e200); both row counters become 0 and the reset counter grows.
  // Nothing happens in the engine's calculation state.
  void Reset(int level);
  // A group break: the same for the keys whose level is not above `level`
  // and the group's row counter; the loop keys run on.
  void ResetGroups(int level);

  // One printed row: each key's argument is evaluated with `expr` and
  // combined. With `table_too` (the master row is printing and its source
  // is not at its end) the table keys take the value into the column of
  // the current row counter. Nothing happens in the calculation state; the
  // caller skips this when the band's source is at its end.
  void Accumulate(TkvExpr &expr, bool table_too);

  // The data loop's combined step: 2 resets the keys of level 0 (and every
  // key lower), 3 accumulates.
  void Step(int operation, TkvExpr &expr, bool table_too = false);

  bool HasKey(const QString &key) const { return values_.count(key) != 0; }
  bool HasTableKey(const QString &key) const { return columns_.count(key) != 0; }
  // The running value; Empty when the key is unknown.
  rtl::Variant Value(const QString &key) const;
  // The table key's column values (empty when unknown).
  std::vector<rtl::Variant> Columns(const QString &key) const;
  // The table key's total over its first `count` columns combined with its
  // own function (AVG: their mean); Empty when fewer values exist.
  rtl::Variant TableTotal(const QString &key, int count) const;

  int Count() const { return static_cast<int>(values_.size()); }
  int TableCount() const { return static_cast<int>(columns_.size()); }
  // Rows accumulated since the last reset, and since the last Reset (the
  // count of the loop keys).
  int RowCount() const { return rows_; }
  int LoopRowCount() const { return loop_rows_; }
  int ResetCount() const { return resets_; }
  int MaxColumns() const { return max_columns_; }
  void Clear();

 private:
  void ResetKeys(int level, bool loop_keys_too);

  std::map<QString, rtl::Variant> values_;
  std::map<QString, std::vector<rtl::Variant>> columns_;
  int rows_ = 0;
  int loop_rows_ = 0;
  int resets_ = 0;
  int max_columns_ = 0;
};

// The start value of an aggregate function (0, 1e200 for MIN, -1e200 for
// MAX) and one combining step with `count` values already in `v`.
rtl::Variant KvAggregateStart(const QString &function);
rtl::Variant KvAggregateCombine(const QString &function, const rtl::Variant &v, const rtl::Variant &x, int count);

}  // namespace report
