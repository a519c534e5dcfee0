// The expression parser; see kvexpr.h.
#include "report/engine/expr/kvexpr.h"

#include <QLocale>
#include <cmath>
#include <limits>

#include "platform/rtl/numbers.h"
#include "platform/rtl/sysutils.h"
#include "report/engine/model/kvglobals.h"

namespace report {

using rtl::Variant;
using rtl::VarType;

namespace {

const QString kBracketError = QStringLiteral("Numero errato di parentesi nell'espressione : ");
const QString kUnknownError = QStringLiteral("Identificatore sconosciuto: ");
const QString kTypeError = QStringLiteral("Tipo di dati incompatibili nell'espressione: ");
const QString kZeroError = QStringLiteral("Divisione per zero nell'espressione: ");
const QString kOperatorError = QStringLiteral("Operatore non riconosciuto nell'espressione: ");
const QString kDepthError = QStringLiteral("Espressione troppo annidata: ");

// Brackets and names that call each other through the resolver (a variable
// whose expression names itself) would otherwise exhaust the stack.
constexpr int kMaxNesting = 100;
constexpr int kMaxEvaluateDepth = 32;

bool IsBlank(QChar c) { return c.unicode() <= 32; }
bool IsNameStart(QChar c) { return c == u'"' || c == u'#' || c == u'_' || c.isLetter(); }
bool IsNameChar(QChar c) { return c == u'#' || c == u'.' || c == u'_' || c.isLetterOrNumber(); }

// A number as the arithmetic sees it; dates stay dates through + and -.
struct Number {
  bool is_int = true;
  bool is_date = false;
  std::int64_t i = 0;
  double d = 0;
  double Real() const { return is_int ? static_cast<double>(i) : d; }
};

bool ToNumber(const Variant &v, Number &n) {
  switch (v.Type()) {
    case VarType::Empty:
      n = Number{};
      return true;
    case VarType::Boolean:
      n = Number{};
      n.i = v.AsBoolean() ? 1 : 0;
      return true;
    case VarType::Integer:
    case VarType::Int64:
      n = Number{};
      n.i = v.AsInt64();
      return true;
    case VarType::Double:
    case VarType::Currency:
      n = Number{};
      n.is_int = false;
      n.d = v.AsDouble();
      return true;
    case VarType::Date:
      n = Number{};
      n.is_int = false;
      n.is_date = true;
      n.d = v.AsDateTime();
      return true;
    case VarType::String: {
      const QString s = rtl::Trim(v.AsString());
      std::int64_t i = 0;
      double d = 0;
      n = Number{};
      if (s.isEmpty()) return true;
      if (rtl::TryStrToInt64(s, i) && !s.startsWith(u'$') && !s.contains(u'x', Qt::CaseInsensitive)) {
        n.i = i;
        return true;
      }
      if (rtl::TryStrToFloat(s, d)) {
        n.is_int = false;
        n.d = d;
        return true;
      }
      return false;
    }
    default:
      return false;
  }
}

Variant FromReal(double d, bool date) { return date ? Variant::FromDate(d) : Variant(d); }

bool ToInteger(const Number &n, std::int64_t &out) {
  if (n.is_int) {
    out = n.i;
    return true;
  }
  if (!std::isfinite(n.d) || std::fabs(n.d) > 9.2e18) return false;
  out = rtl::Round(n.d);
  return true;
}

}  // namespace

Variant KvIntegerVariant(std::int64_t i) {
  if (i >= std::numeric_limits<int>::min() && i <= std::numeric_limits<int>::max()) return Variant(static_cast<int>(i));
  return Variant(static_cast<long long>(i));
}

bool KvIsTrue(const Variant &v) {
  if (v.Type() == VarType::Boolean) return v.AsBoolean();
  if (v.Type() == VarType::String) {
    bool b = false;
    if (rtl::TryStrToBool(v.AsString(), b)) return b;
  }
  Number n;
  if (!ToNumber(v, n)) return false;
  return n.Real() != 0;
}

Variant TkvExpr::Apply(int op, const Variant &left, const Variant &right, const QString &context) {
  auto type_error = [&]() -> Variant {
    last_error_ = kTypeError + context;
    if (mode_ == emRegistration) return Variant(0);
    throw EkvExprError(last_error_);
  };
  auto zero_error = [&]() -> Variant {
    last_error_ = kZeroError + context;
    if (mode_ == emRegistration) return Variant(0);
    throw EkvExprError(last_error_);
  };

  if (op / 10 == 1) {
    int c = 0;
    try {
      c = Variant::Compare(left, right);
    } catch (const rtl::Exception &) {
      return type_error();
    }
    bool r = false;
    switch (op) {
      case opEqual:
        r = c == 0;
        break;
      case opGreaterEqual:
        r = c >= 0;
        break;
      case opGreater:
        r = c > 0;
        break;
      case opLessEqual:
        r = c <= 0;
        break;
      case opDifferent:
        r = c != 0;
        break;
      case opLess:
        r = c < 0;
        break;
      default:
        break;
    }
    return Variant(r ? 1 : 0);
  }

  if (op == opAdd && (left.Type() == VarType::String || right.Type() == VarType::String)) {
    const bool both_text =
        (left.Type() == VarType::String || left.IsEmpty()) && (right.Type() == VarType::String || right.IsEmpty());
    if (both_text) return Variant(rtl::VarToStr(left) + rtl::VarToStr(right));
  }
  if (left.IsNull() || right.IsNull()) return Variant::Null();

  if ((op == opAnd || op == opOr) && left.Type() == VarType::Boolean && right.Type() == VarType::Boolean) {
    const bool r = op == opAnd ? (left.AsBoolean() && right.AsBoolean()) : (left.AsBoolean() || right.AsBoolean());
    return Variant(r ? 1 : 0);
  }

  Number a, b;
  if (!ToNumber(left, a) || !ToNumber(right, b)) return type_error();

  switch (op) {
    case opAdd:
    case opSubtract: {
      if (a.is_int && b.is_int) {
        std::int64_t r = 0;
        const bool overflow = op == opAdd ? __builtin_add_overflow(a.i, b.i, &r) : __builtin_sub_overflow(a.i, b.i, &r);
        if (!overflow) return KvIntegerVariant(r);
      }
      const double r = op == opAdd ? a.Real() + b.Real() : a.Real() - b.Real();
      // A date moved by a number of days stays a date; two dates give days.
      const bool date = (a.is_date != b.is_date) && (op == opAdd || a.is_date);
      return FromReal(r, date);
    }
    case opMultiply: {
      if (a.is_int && b.is_int) {
        std::int64_t r = 0;
        if (!__builtin_mul_overflow(a.i, b.i, &r)) return KvIntegerVariant(r);
      }
      return Variant(a.Real() * b.Real());
    }
    case opDivide:
      if (b.Real() == 0) return zero_error();
      return Variant(a.Real() / b.Real());
    case opPower: {
      const double r = std::pow(a.Real(), b.Real());
      if (!std::isfinite(r)) return type_error();
      return Variant(r);
    }
    case opDiv:
    case opMod: {
      std::int64_t x = 0, y = 0;
      if (!ToInteger(a, x) || !ToInteger(b, y)) return type_error();
      if (y == 0) return zero_error();
      if (x == std::numeric_limits<std::int64_t>::min() && y == -1) return op == opDiv ? type_error() : Variant(0);
      return KvIntegerVariant(op == opDiv ? x / y : x % y);
    }
    case opAnd:
    case opOr: {
      std::int64_t x = 0, y = 0;
      if (!ToInteger(a, x) || !ToInteger(b, y)) return type_error();
      return KvIntegerVariant(op == opAnd ? (x & y) : (x | y));
    }
    default:
      return type_error();
  }
}

// One evaluation: a cursor over the text. Each Evaluate call has its own,
// since the resolver evaluates arguments while an outer parse is running.
class TkvExprParser {
 public:
  TkvExprParser(TkvExpr &owner, const QString &text) : owner_(owner), s_(text) {}

  Variant Run() {
    CheckBrackets();
    Variant v = Expression(0);
    return v;
  }

 private:
  TkvExpr &owner_;
  const QString &s_;
  int pos_ = 0;

  bool AtEnd() const { return pos_ >= s_.size(); }
  QChar Cur() const { return pos_ < s_.size() ? s_[pos_] : QChar(); }
  void SkipBlanks() {
    while (pos_ < s_.size() && IsBlank(s_[pos_])) ++pos_;
  }

  void CheckBrackets() const {
    int open = 0, close = 0;
    QChar quote;
    bool variable = false;
    for (QChar c : s_) {
      if (!quote.isNull()) {
        if (c == quote) quote = QChar();
      } else if (variable) {
        // A variable name may hold an apostrophe: [Prezzo d'acquisto].
        if (c == u']') variable = false;
      } else if (c == u'[') {
        variable = true;
      } else if (c == u'"' || c == u'\'') {
        quote = c;
      } else if (c == u'(') {
        ++open;
      } else if (c == u')') {
        ++close;
      }
    }
    if (open != close) throw EkvExprError(kBracketError + s_);
  }

  static int Level(int op) { return op / 10; }

  // Until the end of the text or the ")" closing this level (consumed).
  Variant Expression(int nesting) {
    if (nesting > kMaxNesting) throw EkvExprError(kDepthError + s_);
    const int start = pos_;
    std::vector<Variant> values;
    std::vector<int> ops;
    auto reduce = [&]() {
      const int op = ops.back();
      ops.pop_back();
      Variant right = std::move(values.back());
      values.pop_back();
      values.back() = owner_.Apply(op, values.back(), right, s_);
    };

    values.push_back(Operand(start, nesting, true));
    for (;;) {
      SkipBlanks();
      if (AtEnd()) {
        if (nesting > 0) throw EkvExprError(kBracketError + s_);
        break;
      }
      if (Cur() == u')') {
        if (nesting == 0) throw EkvExprError(kBracketError + s_);
        ++pos_;
        break;
      }
      const int op = ReadOperator();
      if (op == opNone) throw EkvExprError(kOperatorError + s_.mid(start));
      while (!ops.empty() && Level(ops.back()) >= Level(op)) reduce();
      ops.push_back(op);
      values.push_back(Operand(start, nesting, false));
    }
    while (!ops.empty()) reduce();
    return values.front();
  }

  int ReadOperator() {
    SkipBlanks();
    if (AtEnd()) return opNone;
    const QChar c = Cur();
    const QChar next = pos_ + 1 < s_.size() ? s_[pos_ + 1] : QChar();
    switch (c.unicode()) {
      case '*':
        ++pos_;
        return opMultiply;
      case '+':
        ++pos_;
        return opAdd;
      case '-':
        ++pos_;
        return opSubtract;
      case '/':
        ++pos_;
        return opDivide;
      case '=':
        ++pos_;
        return opEqual;
      case '^':
        ++pos_;
        return opPower;
      case '<':
        if (next == u'=') {
          pos_ += 2;
          return opLessEqual;
        }
        if (next == u'>') {
          pos_ += 2;
          return opDifferent;
        }
        ++pos_;
        return opLess;
      case '>':
        if (next == u'=') {
          pos_ += 2;
          return opGreaterEqual;
        }
        ++pos_;
        return opGreater;
      default:
        break;
    }
    static const struct {
      const char *word;
      int op;
    } kWords[] = {{"AND", opAnd}, {"DIV", opDiv}, {"MOD", opMod}, {"OR", opOr}};
    for (const auto &w : kWords) {
      const int len = static_cast<int>(qstrlen(w.word));
      if (s_.mid(pos_, len).compare(QLatin1String(w.word), Qt::CaseInsensitive) != 0) continue;
      // The word must stand alone: "ORDINE" after an operand is no OR.
      if (pos_ + len < s_.size() && IsNameChar(s_[pos_ + len])) continue;
      pos_ += len;
      return w.op;
    }
    return opNone;
  }

  // `first`: the operand opens its level, where a sign reads as "0 - x";
  // after an operator ("2*-3") the sign belongs to the next operand.
  Variant Operand(int level_start, int nesting, bool first) {
    SkipBlanks();
    if (AtEnd()) throw EkvExprError(kUnknownError + s_.mid(level_start));
    const QChar c = Cur();
    if (c == u'(') {
      ++pos_;
      return Expression(nesting + 1);
    }
    if (c.isDigit() || c == u'.') return NumberLiteral();
    if (c == u'[') {
      const int close = s_.indexOf(u']', pos_ + 1);
      if (close < 0) throw EkvExprError(kUnknownError + s_.mid(level_start));
      const QString name = s_.mid(pos_ + 1, close - pos_ - 1);
      pos_ = close + 1;
      Variant v = Resolve(name, nullptr);
      if (v.IsEmpty()) throw EkvExprError(kUnknownError + s_.mid(level_start));
      return v;
    }
    if (c == u'\'') return StringLiteral(level_start);
    if (s_.mid(pos_, 3).compare(QLatin1String("NOT"), Qt::CaseInsensitive) == 0 &&
        (pos_ + 3 >= s_.size() || !(IsNameChar(s_[pos_ + 3]) || s_[pos_ + 3] == u'"'))) {
      pos_ += 3;
      if (nesting > kMaxNesting) throw EkvExprError(kDepthError + s_);
      const Variant v = Operand(level_start, nesting + 1, false);
      return Variant(KvIsTrue(v) ? 0 : 1);
    }
    if (IsNameStart(c)) return NameOperand(level_start);
    if (c == u'-' || c == u'+') {
      if (first) return Variant(0);  // "-x" reads as 0 - x
      ++pos_;
      if (nesting > kMaxNesting) throw EkvExprError(kDepthError + s_);
      const Variant v = Operand(level_start, nesting + 1, false);
      return c == u'-' ? owner_.Apply(opSubtract, Variant(0), v, s_) : v;
    }
    throw EkvExprError(kUnknownError + s_.mid(level_start));
  }

  Variant NumberLiteral() {
    const int start = pos_;
    while (!AtEnd() && (Cur().isDigit() || Cur() == u'.')) ++pos_;
    bool ok = false;
    // The text's points are decimal points whatever the locale says.
    const double d = QLocale::c().toDouble(s_.mid(start, pos_ - start), &ok);
    if (!ok) throw EkvExprError(kUnknownError + s_.mid(start));
    return Variant(d);
  }

  Variant StringLiteral(int level_start) {
    QString out;
    ++pos_;
    for (;;) {
      if (AtEnd()) throw EkvExprError(kUnknownError + s_.mid(level_start));
      const QChar c = s_[pos_++];
      if (c == u'\'') {
        if (!AtEnd() && Cur() == u'\'') {
          out += u'\'';
          ++pos_;
          continue;
        }
        break;
      }
      out += c;
    }
    return Variant(out);
  }

  Variant NameOperand(int level_start) {
    const int start = pos_;
    while (!AtEnd()) {
      if (Cur() == u'"') {
        const int close = s_.indexOf(u'"', pos_ + 1);
        pos_ = close < 0 ? s_.size() : close + 1;
      } else if (IsNameChar(Cur())) {
        ++pos_;
      } else {
        break;
      }
    }
    const QString name = s_.mid(start, pos_ - start);
    QStringList args;
    const int after_name = pos_;
    SkipBlanks();
    if (!AtEnd() && Cur() == u'(') {
      args = Arguments();
    } else {
      pos_ = after_name;
    }
    Variant v = Resolve(name, &args);
    if (v.IsEmpty()) throw EkvExprError(kUnknownError + s_.mid(level_start));
    return v;
  }

  // From "(" to its ")": texts split at the list's own commas, outside
  // quotes and square brackets; empty arguments are dropped.
  QStringList Arguments() {
    QStringList out;
    ++pos_;
    int depth = 0, square = 0;
    QChar quote;
    QString cur;
    auto flush = [&]() {
      if (!rtl::Trim(cur).isEmpty()) out << cur;
      cur.clear();
    };
    while (!AtEnd()) {
      const QChar c = s_[pos_++];
      if (!quote.isNull()) {
        if (c == quote) quote = QChar();
        cur += c;
        continue;
      }
      if (square > 0) {
        if (c == u'[') ++square;
        if (c == u']') --square;
      } else if (c == u'\'' || c == u'"') {
        quote = c;
      } else if (c == u'[') {
        ++square;
      } else if (c == u'(') {
        ++depth;
      } else if (c == u')') {
        if (depth == 0) {
          flush();
          return out;
        }
        --depth;
      } else if (depth == 0 && c == u',') {
        flush();
        continue;
      }
      cur += c;
    }
    throw EkvExprError(kBracketError + s_);
  }

  Variant Resolve(const QString &name, const QStringList *args) {
    if (!owner_.resolver_) return Variant();
    return owner_.resolver_(name, args);
  }
};

Variant TkvExpr::Evaluate(const QString &text) {
  if (depth_ >= kMaxEvaluateDepth) throw EkvExprError(kDepthError + text);
  struct DepthScope {
    int &d;
    explicit DepthScope(int &depth) : d(depth) { ++d; }
    ~DepthScope() { --d; }
  } scope(depth_);
  TkvExprParser parser(*this, text);
  Variant v = parser.Run();
  if (v.Type() == VarType::Boolean) return Variant(v.AsBoolean() ? 1 : 0);
  return v;
}

TkvExpr &Expr() {
  static TkvExpr expr;
  return expr;
}

}  // namespace report
