// The report engine's expression evaluator.
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
// The aggregates the evaluator's callers keep are in kvaggr.h.
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

}  // namespace report
