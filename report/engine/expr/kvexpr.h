// The report engine's expression evaluator and the running aggregates of
// the data bands.
//
// Every bracketed part of a memo, every highlight, group and filter
// condition and every argument of a built-in function is an expression
// text. The evaluator itself knows only literals, brackets and operators:
// each name, "[variable]" and call is handed to the resolver that the
// report installs (kvvars.h), which calls the evaluator back for arguments.
// Results are rtl::Variant values; comparisons and the logical operators
// give the integers 1 and 0, so a condition is true when it is 1.
//
// Precedence, tightest first: "^" "*" "/" AND MOD DIV, then "+" "-" OR,
// then the comparisons; operators of one level apply left to right.
//
// The aggregates (SUM, AVG, MIN, MAX) live in a TkvAggregates store owned
// by each run-time data band. The page pre-scan registers their keys while
// the evaluator is in registration mode; the data loop resets and
// accumulates them; the resolver reads their values.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/variant.h"

namespace report {

// Raised for unbalanced brackets, unknown operands and (outside
// registration) operands an operator cannot combine.
using rtl::Exception;
ORBISCA_EXCEPTION(EkvExprError, Exception)

// Called for each name the evaluator meets. `args` is null for a bracketed
// "[variable]"; for identifiers and calls it lists the argument texts,
// unevaluated (an identifier without brackets gets an empty list). An
// Empty result means the name is unknown.
using TkvResolver = std::function<rtl::Variant(const QString &name, const QStringList *args)>;

// Operator codes; code / 10 is the precedence level.
enum TkvOperator {
  opNone = 0,
  opEqual = 10,
  opGreaterEqual = 11,
  opGreater = 12,
  opLessEqual = 13,
  opDifferent = 14,
  opLess = 15,
  opAdd = 100,
  opSubtract = 101,
  opOr = 102,
  opPower = 1000,
  opMultiply = 1001,
  opDivide = 1002,
  opAnd = 1003,
  opMod = 1004,
  opDiv = 1005,
};

class TkvExpr {
 public:
  enum TMode : unsigned char { emNormal = 0, emRegistration = 1 };

  // Evaluates `text`; raises EkvExprError.
  rtl::Variant Evaluate(const QString &text);

  const TkvResolver &Resolver() const { return resolver_; }
  void SetResolver(TkvResolver resolver) { resolver_ = std::move(resolver); }

  // In registration mode (the page pre-scan) a type error yields 0 and
  // evaluation goes on, because the rows are not there yet.
  TMode Mode() const { return mode_; }
  void SetMode(TMode mode) { mode_ = mode; }

  // The last type error met, also in registration mode.
  const QString &LastError() const { return last_error_; }
  void ClearLastError() { last_error_.clear(); }

  // Applies one operator to two values as the evaluator does; raises
  // EkvExprError naming `context` when they do not combine.
  rtl::Variant Apply(int op, const rtl::Variant &left, const rtl::Variant &right, const QString &context);

 private:
  friend class TkvExprParser;
  TkvResolver resolver_;
  TMode mode_ = emNormal;
  QString last_error_;
  int depth_ = 0;  // nested Evaluate calls through the resolver
};

// The engine-wide evaluator, created on first use.
TkvExpr &Expr();

// Puts the evaluator in registration mode for a scope.
class TkvRegistrationScope {
 public:
  TkvRegistrationScope() : saved_(Expr().Mode()) { Expr().SetMode(TkvExpr::emRegistration); }
  ~TkvRegistrationScope() { Expr().SetMode(saved_); }
  TkvRegistrationScope(const TkvRegistrationScope &) = delete;
  TkvRegistrationScope &operator=(const TkvRegistrationScope &) = delete;

 private:
  TkvExpr::TMode saved_;
};

// An integer result: Integer when it fits 32 bits, else Int64.
rtl::Variant KvIntegerVariant(std::int64_t value);

// True when `v` counts as true in a condition: a number other than 0, a
// true Boolean, or a text that reads as one of those.
bool KvIsTrue(const rtl::Variant &v);

// ---- aggregates --------------------------------------------------------------

// "SUM(" arg ")" memo QChar(len(memo)) [QChar(level)]: the key under which
// a memo's aggregate is kept; table keys carry no level.
QString KvAggregateKey(const QString &function, const QString &argument, const QString &memo_name, int level,
                       bool table_key);
// The function name and argument text stored in a key; empty for a key that
// is too short to be one.
QString KvAggregateFunction(const QString &key);
QString KvAggregateArgument(const QString &key, bool table_key);

// The running values of one data band.
class TkvAggregates {
 public:
  // Adds the key unless present (normal keys start at 0, table keys with no
  // column). Returns false when the function is not SUM, AVG, MIN or MAX.
  bool Register(const QString &key, bool table_key);

  // Every normal key whose level is not above `level` starts again (SUM and
  // AVG 0, MIN 1e200, MAX -1e200); the row counter becomes 0 and the reset
  // counter grows. Nothing happens in the engine's calculation state.
  void Reset(int level);

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
  int RowCount() const { return rows_; }
  int ResetCount() const { return resets_; }
  int MaxColumns() const { return max_columns_; }
  void Clear();

 private:
  std::map<QString, rtl::Variant> values_;
  std::map<QString, std::vector<rtl::Variant>> columns_;
  int rows_ = 0;
  int resets_ = 0;
  int max_columns_ = 0;
};

// The start value of an aggregate function (0, 1e200 for MIN, -1e200 for
// MAX) and one combining step with `count` values already in `v`.
rtl::Variant KvAggregateStart(const QString &function);
rtl::Variant KvAggregateCombine(const QString &function, const rtl::Variant &v, const rtl::Variant &x, int count);

}  // namespace report
