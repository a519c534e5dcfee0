// The translator of the engine's SQL and criteria into SQLite; see jetsql.h.
//
// A recursive-descent parser over the tokens of jettokenizer.h writes the
// SQLite text as it goes, keeping for each expression what the output needs
// to be right: its type (so that text compares with the JETTEXT collation,
// a text literal compared with a date column becomes a day count, and a
// parameter takes the type of the column it is compared with), whether it is
// a plain column (result field metadata, updatability) and whether it holds
// an aggregate. Parameters are written as markers and numbered at the end in
// the order they appear in the text, since the select list is read after the
// FROM clause it depends on.
#include "platform/jet/jetsql.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include "platform/jet/jettokenizer.h"
#include "platform/rtl/sysutils.h"

namespace jet {

namespace {

using detail::Token;
using detail::TokenKind;

constexpr char16_t kMarkOpen = 0xE000;
constexpr char16_t kMarkClose = 0xE001;
constexpr char16_t kTopMark = 0xE002;  // carries TOP n from a SELECT core to its end
constexpr int kMaxDepth = 150;
constexpr int kMaxQueryNesting = 8;

QString Quote(const QString &name) {
  QString q = name;
  q.replace(u'"', QStringLiteral("\"\""));
  return u'"' + q + u'"';
}

QString StringLiteral(const QString &s) {
  QString q = s;
  q.replace(u'\'', QStringLiteral("''"));
  return u'\'' + q + u'\'';
}

QString RealLiteral(double v) {
  QString s = QString::number(v, 'g', 17);
  if (!s.contains(u'.') && !s.contains(u'e')) s += QStringLiteral(".0");
  return s;
}

bool IsTextType(int t) { return t == dbText || t == dbMemo || t == dbGUID; }
bool IsNumericType(int t) { return t >= dbBoolean && t <= dbDate; }

struct Expr {
  QString sql;
  int type = 0;
  int size = 0;
  bool null_literal = false;
  bool string_literal = false;
  QString literal_text;
  bool aggregate = false;
  int param = -1;
  bool is_column = false;
  QString column_name;   // the column's own name (result naming)
  QString source_alias;  // the FROM name it was read through
  QString origin_table;  // as stored; empty when not a table column
  QString origin_column;
  QString agg_name;  // "SumOfQuantita"
  // The terms of a top-level AND chain, with the columns each one reads
  // (a range of Parser::refs_), so HAVING terms on grouped columns can be
  // moved to WHERE.
  struct Conjunct {
    QString sql;
    bool aggregate = false;
    size_t refs_begin = 0;
    size_t refs_end = 0;
  };
  std::vector<Conjunct> conjuncts;
};

struct Source {
  QString alias;  // empty in criteria: fields are written unqualified
  std::vector<ColumnInfo> columns;
  std::vector<ResultColumn> origins;
  bool is_table = false;
  QString table;
};

struct Scope {
  std::vector<Source> sources;
  const Scope *outer = nullptr;
  std::vector<std::pair<QString, Expr>> aliases;
};

bool SameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

const char *const kReserved[] = {
    "select", "from",  "where",   "group",     "having", "order",    "union",       "inner",  "left",       "right",
    "join",   "on",    "as",      "in",        "and",    "or",       "not",         "into",   "by",         "asc",
    "desc",   "like",  "between", "is",        "top",    "distinct", "distinctrow", "all",    "values",     "set",
    "with",   "outer", "full",    "mod",       "xor",    "eqv",      "imp",         "exists", "parameters", "null",
    "true",   "false", "percent", "transform", "pivot",  nullptr};

bool IsReserved(const QString &word) {
  for (int i = 0; kReserved[i]; ++i)
    if (word.compare(QLatin1String(kReserved[i]), Qt::CaseInsensitive) == 0) return true;
  return false;
}

// State shared by a statement and the stored queries it reads from.
class Translator {
 public:
  explicit Translator(const SourceResolver *resolver) : resolver_(resolver) {}

  struct Param {
    QString name;
    int type = 0;
    int order = 0;  // position in the outermost text; declared ones first
  };

  int ParamId(const QString &name, int order) {
    for (size_t i = 0; i < params_.size(); ++i)
      if (SameName(params_[i].name, name)) return static_cast<int>(i);
    params_.push_back({name, 0, order});
    return static_cast<int>(params_.size()) - 1;
  }
  void Declare(const QString &name, int type) {
    const int id = ParamId(name, -1);
    params_[static_cast<size_t>(id)].type = type;
  }
  void HintType(int id, int type) {
    if (id >= 0 && type != 0 && params_[static_cast<size_t>(id)].type == 0)
      params_[static_cast<size_t>(id)].type = type;
  }
  int TypeOf(int id) const { return params_[static_cast<size_t>(id)].type; }
  QString Marker(int id) const { return QString(QChar(kMarkOpen)) + QString::number(id) + QChar(kMarkClose); }

  // Numbers the markers ?first.. in the order of appearance.
  QString Finish(const QString &sql, std::vector<SqlParameter> &out, int first) {
    std::vector<int> ids(params_.size());
    for (size_t i = 0; i < ids.size(); ++i) ids[i] = static_cast<int>(i);
    std::stable_sort(ids.begin(), ids.end(), [&](int a, int b) {
      return params_[static_cast<size_t>(a)].order < params_[static_cast<size_t>(b)].order;
    });
    std::vector<int> number(params_.size());
    for (size_t k = 0; k < ids.size(); ++k) {
      number[static_cast<size_t>(ids[k])] = first + static_cast<int>(k);
      const Param &p = params_[static_cast<size_t>(ids[k])];
      out.push_back({p.name, p.type});
    }
    QString result;
    result.reserve(sql.size());
    for (int i = 0; i < sql.size(); ++i) {
      if (sql[i] == QChar(kMarkOpen)) {
        const int close = sql.indexOf(QChar(kMarkClose), i);
        const int id = sql.mid(i + 1, close - i - 1).toInt();
        result += u'?' + QString::number(number[static_cast<size_t>(id)]);
        i = close;
      } else {
        result += sql[i];
      }
    }
    return result;
  }

  void AddSourceTable(const QString &name) {
    for (const QString &t : source_tables_)
      if (SameName(t, name)) return;
    source_tables_ << name;
  }

  const SourceResolver *resolver_;
  std::vector<Param> params_;
  QStringList source_tables_;
  int nesting_ = 0;
  bool strict_names_ = false;  // criteria without a parameter list
};

struct SelectOut {
  QString sql;
  std::vector<ResultColumn> columns;
  bool updatable = false;
  QString single_alias;  // the one table, when updatable
};

class Parser {
 public:
  Parser(Translator &t, const QString &source, int error_number, int order_base)
      : t_(t), src_(source), err_(error_number), order_base_(order_base) {
    for (QChar c : source) {
      if (c == QChar(kMarkOpen) || c == QChar(kMarkClose) || c == QChar(kTopMark) || c == QChar(0))
        RaiseJetError(error_number, QStringLiteral("Syntax error (invalid character) in query expression '%1'.")
                                        .arg(detail::Excerpt(source, 0)));
    }
    toks_ = detail::Tokenize(source, error_number);
  }

  TranslatedSql ParseStatement(const TranslateOptions &options);
  Expr ParseCriteria(Scope &scope);
  QString ParseSortList(Scope &scope);
  SelectOut ParseSelect(const Scope *outer, bool allow_rowid);

 private:
  // ---- token helpers ----
  const Token &Cur() const { return toks_[static_cast<size_t>(i_)]; }
  const Token &Peek(int k = 1) const {
    const size_t j = std::min(static_cast<size_t>(i_ + k), toks_.size() - 1);
    return toks_[j];
  }
  void Next() {
    if (Cur().kind != TokenKind::End) ++i_;
  }
  static bool IsKw(const Token &t, const char *kw) {
    return t.kind == TokenKind::Name && t.text.compare(QLatin1String(kw), Qt::CaseInsensitive) == 0;
  }
  bool AtKw(const char *kw) const { return IsKw(Cur(), kw); }
  bool AcceptKw(const char *kw) {
    if (!AtKw(kw)) return false;
    Next();
    return true;
  }
  void ExpectKw(const char *kw, int err = 0) {
    if (!AcceptKw(kw)) Fail(QStringLiteral("expected %1").arg(QString::fromLatin1(kw).toUpper()), err);
  }
  bool AtOp(const char *op) const { return Cur().kind == TokenKind::Op && Cur().text == QLatin1String(op); }
  bool AcceptOp(const char *op) {
    if (!AtOp(op)) return false;
    Next();
    return true;
  }
  void ExpectOp(const char *op, int err = 0) {
    if (!AcceptOp(op)) Fail(QStringLiteral("expected '%1'").arg(QLatin1String(op)), err);
  }
  bool AtName() const { return Cur().kind == TokenKind::Name || Cur().kind == TokenKind::Bracket; }
  QString TakeName(const char *what, int err = 0) {
    if (Cur().kind == TokenKind::Bracket || (Cur().kind == TokenKind::Name && !IsReserved(Cur().text))) {
      QString n = Cur().text;
      Next();
      return n;
    }
    Fail(QStringLiteral("expected %1").arg(QLatin1String(what)), err);
  }
  [[noreturn]] void Fail(const QString &what, int err = 0) const {
    const int number = err ? err : err_;
    const QString where = detail::Located(src_, Cur().pos);
    if (number == kErrSyntaxInFrom)
      RaiseJetError(number, QStringLiteral("Syntax error (%1) in FROM clause %2.").arg(what, where));
    RaiseJetError(number, QStringLiteral("Syntax error (%1) in query expression %2.").arg(what, where));
  }
  int Order() const { return order_base_ >= 0 ? order_base_ : Cur().pos; }

  struct DepthGuard {
    explicit DepthGuard(Parser &p) : p_(p) {
      if (++p_.depth_ > kMaxDepth) p_.Fail(QStringLiteral("expression too complex"));
    }
    ~DepthGuard() { --p_.depth_; }
    Parser &p_;
  };

  // ---- expressions ----
  Expr ParseExpr(const Scope &s) { return ParseImp(s); }
  Expr ParseImp(const Scope &s);
  Expr ParseEqv(const Scope &s);
  Expr ParseXor(const Scope &s);
  Expr ParseOr(const Scope &s);
  Expr ParseAnd(const Scope &s);
  Expr ParseNot(const Scope &s);
  Expr ParseCompare(const Scope &s);
  Expr ParseConcat(const Scope &s);
  Expr ParseAdd(const Scope &s);
  Expr ParseMod(const Scope &s);
  Expr ParseIntDiv(const Scope &s);
  Expr ParseMul(const Scope &s);
  Expr ParseUnary(const Scope &s);
  Expr ParsePow(const Scope &s);
  Expr ParsePrimary(const Scope &s);
  Expr ParseNameRef(const Scope &s);
  Expr CallFunction(const QString &name, const Scope &s, int pos);
  Expr Compare(Expr a, const QString &op, Expr b);
  Expr ResolveName(const Scope &s, const QStringList &parts);
  Expr ParamExpr(const QString &name);
  void Coerce(Expr &lit, int type);
  void Hint(const Expr &maybe_param, const Expr &other) {
    if (maybe_param.param >= 0) t_.HintType(maybe_param.param, other.type);
  }
  static QString TextSql(const Expr &e) {
    if (e.type == dbDate) return QStringLiteral("jet_datestr(%1)").arg(e.sql);
    if (e.type == dbBoolean) return QStringLiteral("jet_boolstr(%1)").arg(e.sql);
    return e.sql;
  }
  static Expr Boolean(const QString &sql, const Expr &a, const Expr &b) {
    Expr r;
    r.sql = sql;
    r.type = dbBoolean;
    r.aggregate = a.aggregate || b.aggregate;
    return r;
  }
  Expr NoAggregates(Expr e, const char *where) const {
    if (e.aggregate)
      RaiseJetError(err_, QStringLiteral("Cannot have an aggregate function in %1 (%2).")
                              .arg(QLatin1String(where), detail::Excerpt(src_, 0)));
    return e;
  }

  // ---- statements ----
  struct Core;
  std::unique_ptr<Core> ParseSelectCore(const Scope *outer);
  QString ParseFromList(Scope &scope);
  QString ParseTableRef(Scope &scope);
  QString ParseTablePrimary(Scope &scope);
  QString ParseOrderBy(const Scope &scope, bool by_output_names, const std::vector<ResultColumn> &output);
  Source LookupSource(const QString &name, SourceInfo *info_out);
  void ParseParameters();
  int ParseTypeName(int *size);
  void ParseInsert(TranslatedSql &r);
  void ParseUpdate(TranslatedSql &r);
  void ParseDelete(TranslatedSql &r);
  void ParseCreate(TranslatedSql &r);
  void ParseDrop(TranslatedSql &r);
  void ExpectEnd() {
    AcceptOp(";");
    if (Cur().kind != TokenKind::End)
      Fail(QStringLiteral("characters found after end of statement"), kErrCharactersAfterEnd);
  }

  Translator &t_;
  QString src_;
  int err_;
  int order_base_;
  std::vector<Token> toks_;
  int i_ = 0;
  int depth_ = 0;
  bool in_aggregate_ = false;
  int expr_counter_ = 0;
  int sub_counter_ = 0;
  std::vector<QString> refs_;  // every column read, in order (see Expr::Conjunct)
};

// ---- expressions ------------------------------------------------------------

Expr Parser::ParseImp(const Scope &s) {
  Expr a = ParseEqv(s);
  while (AcceptKw("imp")) {
    Expr b = ParseEqv(s);
    a = Boolean(QStringLiteral("(NOT (%1) OR (%2))").arg(a.sql, b.sql), a, b);
  }
  return a;
}

Expr Parser::ParseEqv(const Scope &s) {
  Expr a = ParseXor(s);
  while (AcceptKw("eqv")) {
    Expr b = ParseXor(s);
    a = Boolean(QStringLiteral("(((%1) <> 0) = ((%2) <> 0))").arg(a.sql, b.sql), a, b);
  }
  return a;
}

Expr Parser::ParseXor(const Scope &s) {
  Expr a = ParseOr(s);
  while (AcceptKw("xor")) {
    Expr b = ParseOr(s);
    a = Boolean(QStringLiteral("(((%1) <> 0) <> ((%2) <> 0))").arg(a.sql, b.sql), a, b);
  }
  return a;
}

Expr Parser::ParseOr(const Scope &s) {
  Expr a = ParseAnd(s);
  while (AcceptKw("or")) {
    Expr b = ParseAnd(s);
    a = Boolean(QStringLiteral("(%1 OR %2)").arg(a.sql, b.sql), a, b);
  }
  return a;
}

Expr Parser::ParseAnd(const Scope &s) {
  const size_t first = refs_.size();
  Expr a = ParseNot(s);
  if (!AtKw("and")) return a;
  auto flatten = [](const Expr &e, size_t from, size_t to) {
    if (!e.conjuncts.empty()) return e.conjuncts;
    return std::vector<Expr::Conjunct>{{e.sql, e.aggregate, from, to}};
  };
  std::vector<Expr::Conjunct> parts = flatten(a, first, refs_.size());
  while (AcceptKw("and")) {
    const size_t from = refs_.size();
    Expr b = ParseNot(s);
    for (const Expr::Conjunct &c : flatten(b, from, refs_.size())) parts.push_back(c);
    a = Boolean(QStringLiteral("(%1 AND %2)").arg(a.sql, b.sql), a, b);
  }
  a.conjuncts = std::move(parts);
  return a;
}

Expr Parser::ParseNot(const Scope &s) {
  DepthGuard guard(*this);
  if (AcceptKw("not")) {
    Expr a = ParseNot(s);
    return Boolean(QStringLiteral("(NOT %1)").arg(a.sql), a, a);
  }
  return ParseCompare(s);
}

void Parser::Coerce(Expr &lit, int type) {
  if (!lit.string_literal || type == 0 || IsTextType(type)) return;
  const QString text = lit.literal_text.trimmed();
  bool ok = false;
  double v = 0;
  if (type == dbDate) {
    rtl::TDateTime dt = 0;
    ok = rtl::TryStrToDateTime(text, dt);
    v = dt;
  } else if (type == dbBoolean) {
    if (SameName(text, QStringLiteral("True")) || text == QLatin1String("-1")) {
      ok = true;
      v = -1;
    } else if (SameName(text, QStringLiteral("False")) || text == QLatin1String("0")) {
      ok = true;
      v = 0;
    }
  } else if (IsNumericType(type)) {
    ok = rtl::TryStrToFloat(text, v);
    if (!ok) v = text.toDouble(&ok);
  } else {
    return;
  }
  if (!ok)
    RaiseJetError(kErrTypeMismatch,
                  QStringLiteral("Data type mismatch in criteria expression ('%1').").arg(lit.literal_text));
  lit.sql = RealLiteral(v);
  lit.type = type;
  lit.string_literal = false;
}

Expr Parser::Compare(Expr a, const QString &op, Expr b) {
  Hint(a, b);
  Hint(b, a);
  if (a.param >= 0) a.type = t_.TypeOf(a.param);
  if (b.param >= 0) b.type = t_.TypeOf(b.param);
  Coerce(a, b.type);
  Coerce(b, a.type);
  const bool numeric = IsNumericType(a.type) || IsNumericType(b.type);
  const QString collate = numeric ? QString() : QStringLiteral(" COLLATE JETTEXT");
  return Boolean(QStringLiteral("(%1 %2 %3%4)").arg(a.sql, op, b.sql, collate), a, b);
}

Expr Parser::ParseCompare(const Scope &s) {
  Expr a = ParseConcat(s);
  while (true) {
    if (Cur().kind == TokenKind::Op &&
        (AtOp("=") || AtOp("<>") || AtOp("<") || AtOp(">") || AtOp("<=") || AtOp(">="))) {
      const QString op = Cur().text;
      Next();
      Expr b = ParseConcat(s);
      a = Compare(a, op, b);
      continue;
    }
    if (AtKw("is")) {
      Next();
      const bool negated = AcceptKw("not");
      ExpectKw("null");
      a = Boolean(QStringLiteral("(%1 IS %2NULL)").arg(a.sql, negated ? QStringLiteral("NOT ") : QString()), a, a);
      continue;
    }
    bool negated = false;
    if (AtKw("not") && (IsKw(Peek(), "like") || IsKw(Peek(), "between") || IsKw(Peek(), "in"))) {
      Next();
      negated = true;
    }
    const QString neg = negated ? QStringLiteral("NOT ") : QString();
    if (AcceptKw("like")) {
      Expr p = ParseConcat(s);
      if (p.param >= 0) t_.HintType(p.param, dbText);
      a = Boolean(QStringLiteral("(%1jetlike(%2, %3))").arg(neg, TextSql(p), TextSql(a)), a, p);
      continue;
    }
    if (AcceptKw("between")) {
      Expr lo = ParseConcat(s);
      ExpectKw("and");
      Expr hi = ParseConcat(s);
      Expr ge = Compare(a, QStringLiteral(">="), lo);
      Expr le = Compare(a, QStringLiteral("<="), hi);
      Expr both = Boolean(QStringLiteral("(%1 AND %2)").arg(ge.sql, le.sql), ge, le);
      a = Boolean(negated ? QStringLiteral("(NOT %1)").arg(both.sql) : both.sql, both, both);
      continue;
    }
    if (AcceptKw("in")) {
      ExpectOp("(");
      QString list;
      bool any_aggregate = a.aggregate;
      if (AtKw("select")) {
        SelectOut sub = ParseSelect(&s, false);
        if (sub.columns.size() != 1) Fail(QStringLiteral("a subquery after IN must return one field"));
        list = sub.sql;
      } else {
        QStringList items;
        do {
          Expr item = ParseExpr(s);
          Hint(item, a);
          if (item.param >= 0) item.type = t_.TypeOf(item.param);
          Coerce(item, a.type);
          any_aggregate = any_aggregate || item.aggregate;
          items << item.sql;
        } while (AcceptOp(","));
        list = items.join(QStringLiteral(", "));
      }
      ExpectOp(")");
      const bool numeric = IsNumericType(a.type);
      Expr r;
      r.sql = QStringLiteral("(%1%2 %3IN (%4))")
                  .arg(a.sql, numeric ? QString() : QStringLiteral(" COLLATE JETTEXT"), neg, list);
      r.type = dbBoolean;
      r.aggregate = any_aggregate;
      a = r;
      continue;
    }
    if (negated) Fail(QStringLiteral("missing operator"));
    return a;
  }
}

Expr Parser::ParseConcat(const Scope &s) {
  Expr a = ParseAdd(s);
  while (AcceptOp("&")) {
    Expr b = ParseAdd(s);
    Expr r;
    r.sql = QStringLiteral("jet_cat(%1, %2)").arg(TextSql(a), TextSql(b));
    r.type = dbText;
    r.aggregate = a.aggregate || b.aggregate;
    a = r;
  }
  return a;
}

Expr Parser::ParseAdd(const Scope &s) {
  Expr a = ParseMod(s);
  while (AtOp("+") || AtOp("-")) {
    const bool plus = AtOp("+");
    Next();
    Expr b = ParseMod(s);
    Expr r;
    r.aggregate = a.aggregate || b.aggregate;
    if (plus && IsTextType(a.type) && IsTextType(b.type)) {
      r.sql = QStringLiteral("(%1 || %2)").arg(a.sql, b.sql);
      r.type = dbText;
    } else {
      r.sql = QStringLiteral("(%1 %2 %3)").arg(a.sql, plus ? QStringLiteral("+") : QStringLiteral("-"), b.sql);
      if (a.type == dbDate && b.type == dbDate)
        r.type = plus ? dbDate : dbDouble;
      else if (a.type == dbDate || b.type == dbDate)
        r.type = dbDate;
      else if (IsNumericType(a.type) && IsNumericType(b.type))
        r.type = (a.type == dbDouble || b.type == dbDouble || a.type == dbSingle || b.type == dbSingle)
                     ? dbDouble
                     : std::max(a.type, b.type);
      else
        r.type = 0;
    }
    a = r;
  }
  return a;
}

Expr Parser::ParseMod(const Scope &s) {
  Expr a = ParseIntDiv(s);
  while (AcceptKw("mod")) {
    Expr b = ParseIntDiv(s);
    Expr r;
    r.sql = QStringLiteral("jet_mod(%1, %2)").arg(a.sql, b.sql);
    r.type = dbLong;
    r.aggregate = a.aggregate || b.aggregate;
    a = r;
  }
  return a;
}

Expr Parser::ParseIntDiv(const Scope &s) {
  Expr a = ParseMul(s);
  while (AcceptOp("\\")) {
    Expr b = ParseMul(s);
    Expr r;
    r.sql = QStringLiteral("jet_intdiv(%1, %2)").arg(a.sql, b.sql);
    r.type = dbLong;
    r.aggregate = a.aggregate || b.aggregate;
    a = r;
  }
  return a;
}

Expr Parser::ParseMul(const Scope &s) {
  Expr a = ParseUnary(s);
  while (AtOp("*") || AtOp("/")) {
    const bool times = AtOp("*");
    Next();
    Expr b = ParseUnary(s);
    Expr r;
    r.aggregate = a.aggregate || b.aggregate;
    if (times) {
      r.sql = QStringLiteral("(%1 * %2)").arg(a.sql, b.sql);
      const bool whole = (a.type >= dbByte && a.type <= dbLong) && (b.type >= dbByte && b.type <= dbLong);
      r.type = whole ? dbLong : (a.type == dbCurrency && b.type == dbCurrency ? dbCurrency : dbDouble);
    } else {
      r.sql = QStringLiteral("jet_div(%1, %2)").arg(a.sql, b.sql);
      r.type = dbDouble;
    }
    a = r;
  }
  return a;
}

Expr Parser::ParseUnary(const Scope &s) {
  DepthGuard guard(*this);
  if (AcceptOp("-")) {
    Expr a = ParseUnary(s);
    a.sql = QStringLiteral("(- %1)").arg(a.sql);
    a.conjuncts.clear();
    a.is_column = false;
    a.param = -1;
    a.string_literal = false;
    return a;
  }
  if (AcceptOp("+")) return ParseUnary(s);
  return ParsePow(s);
}

Expr Parser::ParsePow(const Scope &s) {
  Expr a = ParsePrimary(s);
  while (AcceptOp("^")) {
    Expr b;
    if (AtOp("-") || AtOp("+")) {
      b = ParseUnary(s);
    } else {
      b = ParsePrimary(s);
    }
    Expr r;
    r.sql = QStringLiteral("jet_pow(%1, %2)").arg(a.sql, b.sql);
    r.type = dbDouble;
    r.aggregate = a.aggregate || b.aggregate;
    a = r;
  }
  return a;
}

Expr Parser::ParamExpr(const QString &name) {
  if (t_.strict_names_)
    RaiseJetError(kErrUnknownName, QStringLiteral("The name '%1' is not a field of this recordset.").arg(name));
  Expr e;
  e.param = t_.ParamId(name, Order());
  e.sql = t_.Marker(e.param);
  e.type = t_.TypeOf(e.param);
  return e;
}

Expr Parser::ResolveName(const Scope &s, const QStringList &parts) {
  auto column_expr = [&](const Source &src, size_t k) {
    const ColumnInfo &c = src.columns[k];
    Expr e;
    e.sql = src.alias.isEmpty() ? Quote(c.name) : Quote(src.alias) + u'.' + Quote(c.name);
    e.type = c.jet_type;
    e.size = c.size;
    e.is_column = true;
    e.column_name = c.name;
    e.source_alias = src.alias;
    if (k < src.origins.size()) {
      e.origin_table = src.origins[k].source_table;
      e.origin_column = src.origins[k].source_column;
    }
    refs_.push_back(e.sql);
    return e;
  };
  auto find_column = [](const Source &src, const QString &name) -> int {
    for (size_t k = 0; k < src.columns.size(); ++k)
      if (SameName(src.columns[k].name, name)) return static_cast<int>(k);
    return -1;
  };
  if (parts.size() == 1) {
    const QString &name = parts[0];
    for (const Scope *sc = &s; sc; sc = sc->outer) {
      const Source *hit = nullptr;
      int hit_k = -1;
      for (const Source &src : sc->sources) {
        const int k = find_column(src, name);
        if (k < 0) continue;
        if (hit)
          RaiseJetError(kErrAmbiguousField,
                        QStringLiteral("The field '%1' could refer to more than one table listed in "
                                       "the FROM clause.")
                            .arg(name));
        hit = &src;
        hit_k = k;
      }
      if (hit) return column_expr(*hit, static_cast<size_t>(hit_k));
      for (const auto &[alias, expr] : sc->aliases) {
        if (SameName(alias, name)) {
          Expr e = expr;
          e.sql = u'(' + e.sql + u')';
          e.is_column = false;
          e.conjuncts.clear();
          refs_.push_back(QString());  // reads what the alias reads: never moved out of HAVING
          return e;
        }
      }
    }
    return ParamExpr(name);
  }
  if (parts.size() == 2) {
    for (const Scope *sc = &s; sc; sc = sc->outer) {
      for (const Source &src : sc->sources) {
        if (src.alias.isEmpty()) {
          // Criteria: a field named "T.F" (duplicate names in a join), else F.
          int k = find_column(src, parts.join(u'.'));
          if (k < 0) k = find_column(src, parts[1]);
          if (k >= 0) return column_expr(src, static_cast<size_t>(k));
          continue;
        }
        if (!SameName(src.alias, parts[0])) continue;
        const int k = find_column(src, parts[1]);
        if (k >= 0) return column_expr(src, static_cast<size_t>(k));
      }
    }
  }
  return ParamExpr(parts.join(u'.'));
}

Expr Parser::ParseNameRef(const Scope &s) {
  QStringList parts;
  parts << Cur().text;
  Next();
  while ((AtOp(".") || AtOp("!")) && (Peek().kind == TokenKind::Name || Peek().kind == TokenKind::Bracket)) {
    Next();
    parts << Cur().text;
    Next();
  }
  return ResolveName(s, parts);
}

Expr Parser::ParsePrimary(const Scope &s) {
  DepthGuard guard(*this);
  const Token tok = Cur();
  switch (tok.kind) {
    case TokenKind::Number: {
      Next();
      Expr e;
      e.sql = tok.text;
      if (tok.text.startsWith(u'.')) e.sql.prepend(u'0');
      e.type = tok.integer ? dbLong : dbDouble;
      return e;
    }
    case TokenKind::String: {
      Next();
      Expr e;
      e.sql = StringLiteral(tok.text);
      e.type = dbText;
      e.string_literal = true;
      e.literal_text = tok.text;
      return e;
    }
    case TokenKind::Date: {
      Next();
      Expr e;
      e.sql = RealLiteral(tok.value);
      e.type = dbDate;
      return e;
    }
    case TokenKind::Bracket:
      return ParseNameRef(s);
    case TokenKind::Name: {
      if (Peek().kind == TokenKind::Op && Peek().text == QLatin1String("(")) {
        if (IsKw(tok, "exists")) {
          Next();
          Next();
          if (!AtKw("select")) Fail(QStringLiteral("expected SELECT after EXISTS"));
          SelectOut sub = ParseSelect(&s, false);
          ExpectOp(")");
          Expr e;
          e.sql = QStringLiteral("(EXISTS (%1))").arg(sub.sql);
          e.type = dbBoolean;
          return e;
        }
        if (!IsReserved(tok.text) || IsKw(tok, "left") || IsKw(tok, "right") || IsKw(tok, "asc")) {
          Next();
          return CallFunction(tok.text, s, tok.pos);
        }
      }
      if (IsKw(tok, "true") || IsKw(tok, "false") || IsKw(tok, "null")) {
        Next();
        Expr e;
        if (IsKw(tok, "null")) {
          e.sql = QStringLiteral("NULL");
          e.null_literal = true;
        } else {
          e.sql = IsKw(tok, "true") ? QStringLiteral("-1") : QStringLiteral("0");
          e.type = dbBoolean;
        }
        return e;
      }
      if (IsReserved(tok.text)) Fail(QStringLiteral("missing operand"));
      // Yes/No/On/Off are the Boolean constants unless a field has the name.
      static const char *const kYes[] = {"yes", "on"};
      static const char *const kNo[] = {"no", "off"};
      bool constant_true = false, constant_false = false;
      for (const char *w : kYes) constant_true = constant_true || IsKw(tok, w);
      for (const char *w : kNo) constant_false = constant_false || IsKw(tok, w);
      if (constant_true || constant_false) {
        bool is_field = false;
        for (const Scope *sc = &s; sc && !is_field; sc = sc->outer)
          for (const Source &src : sc->sources)
            for (const ColumnInfo &c : src.columns) is_field = is_field || SameName(c.name, tok.text);
        if (!is_field && !(Peek().kind == TokenKind::Op && Peek().text == QLatin1String("."))) {
          Next();
          Expr e;
          e.sql = constant_true ? QStringLiteral("-1") : QStringLiteral("0");
          e.type = dbBoolean;
          return e;
        }
      }
      return ParseNameRef(s);
    }
    case TokenKind::Op:
      if (tok.text == QLatin1String("(")) {
        Next();
        if (AtKw("select")) {
          SelectOut sub = ParseSelect(&s, false);
          ExpectOp(")");
          if (sub.columns.size() != 1) Fail(QStringLiteral("a subquery in an expression must return one field"));
          Expr e;
          e.sql = u'(' + sub.sql + u')';
          e.type = sub.columns[0].jet_type;
          return e;
        }
        Expr e = ParseExpr(s);
        ExpectOp(")");
        e.sql = u'(' + e.sql + u')';
        return e;
      }
      Fail(QStringLiteral("missing operand"));
    case TokenKind::End:
      Fail(QStringLiteral("missing operand"));
  }
  Fail(QStringLiteral("missing operand"));
}

struct FunctionMap {
  const char *name;
  const char *sql_name;
  int min_args;
  int max_args;
  int type;       // result type; -1: the first argument's
  bool text_arg;  // the first argument is read as text (dates shown as dates)
};

const FunctionMap kFunctionMap[] = {
    {"year", "jet_year", 1, 1, dbInteger, false},
    {"month", "jet_month", 1, 1, dbInteger, false},
    {"day", "jet_day", 1, 1, dbInteger, false},
    {"hour", "jet_hour", 1, 1, dbInteger, false},
    {"minute", "jet_minute", 1, 1, dbInteger, false},
    {"second", "jet_second", 1, 1, dbInteger, false},
    {"weekday", "jet_weekday", 1, 2, dbInteger, false},
    {"date", "jet_date", 0, 0, dbDate, false},
    {"now", "jet_now", 0, 0, dbDate, false},
    {"time", "jet_time", 0, 0, dbDate, false},
    {"dateadd", "jet_dateadd", 3, 3, dbDate, false},
    {"datediff", "jet_datediff", 3, 5, dbLong, false},
    {"datevalue", "jet_datevalue", 1, 1, dbDate, false},
    {"timevalue", "jet_timevalue", 1, 1, dbDate, false},
    {"dateserial", "jet_dateserial", 3, 3, dbDate, false},
    {"timeserial", "jet_timeserial", 3, 3, dbDate, false},
    {"cdate", "jet_cdate", 1, 1, dbDate, false},
    {"cvdate", "jet_cdate", 1, 1, dbDate, false},
    {"ucase", "jet_ucase", 1, 1, dbText, true},
    {"lcase", "jet_lcase", 1, 1, dbText, true},
    {"left", "jet_left", 2, 2, dbText, true},
    {"right", "jet_right", 2, 2, dbText, true},
    {"mid", "jet_mid", 2, 3, dbText, true},
    {"len", "jet_len", 1, 1, dbLong, true},
    {"trim", "jet_trim", 1, 1, dbText, true},
    {"ltrim", "jet_ltrim", 1, 1, dbText, true},
    {"rtrim", "jet_rtrim", 1, 1, dbText, true},
    {"instr", "jet_instr", 2, 4, dbLong, false},
    {"space", "jet_space", 1, 1, dbText, false},
    {"string", "jet_string", 2, 2, dbText, false},
    {"replace", "jet_replace", 3, 3, dbText, true},
    {"asc", "jet_asc", 1, 1, dbInteger, true},
    {"chr", "jet_chr", 1, 1, dbText, false},
    {"strcomp", "jet_strcomp", 2, 3, dbInteger, false},
    {"int", "jet_int", 1, 1, -1, false},
    {"fix", "jet_fix", 1, 1, -1, false},
    {"abs", "abs", 1, 1, -1, false},
    {"sgn", "jet_sgn", 1, 1, dbInteger, false},
    {"sqr", "jet_sqr", 1, 1, dbDouble, false},
    {"round", "jet_round", 1, 2, dbDouble, false},
    {"val", "jet_val", 1, 1, dbDouble, true},
    {"str", "jet_str", 1, 1, dbText, false},
    {"cstr", "jet_cstr", 1, 1, dbText, true},
    {"cdbl", "jet_cdbl", 1, 1, dbDouble, false},
    {"csng", "jet_cdbl", 1, 1, dbSingle, false},
    {"clng", "jet_clng", 1, 1, dbLong, false},
    {"cint", "jet_cint", 1, 1, dbInteger, false},
    {"cbyte", "jet_cbyte", 1, 1, dbByte, false},
    {"ccur", "jet_ccur", 1, 1, dbCurrency, false},
    {"cbool", "jet_cbool", 1, 1, dbBoolean, false},
};

Expr Parser::CallFunction(const QString &raw_name, const Scope &s, int pos) {
  QString name = raw_name.toLower();
  if (name.endsWith(u'$')) name.chop(1);
  ExpectOp("(");
  // Aggregates.
  static const char *const kAggregates[] = {"sum", "avg", "count", "min", "max", "first", "last"};
  for (const char *agg : kAggregates) {
    if (name != QLatin1String(agg)) continue;
    if (in_aggregate_) Fail(QStringLiteral("an aggregate inside an aggregate"));
    Expr r;
    r.aggregate = true;
    if (name == QLatin1String("count") && AtOp("*")) {
      Next();
      ExpectOp(")");
      r.sql = QStringLiteral("count(*)");
      r.type = dbLong;
      return r;
    }
    in_aggregate_ = true;
    Expr a = ParseExpr(s);
    in_aggregate_ = false;
    ExpectOp(")");
    const bool text = !IsNumericType(a.type);
    const QString arg = a.sql;
    const QString title = QString(raw_name.at(0).toUpper()) + name.mid(1);
    if (a.is_column) r.agg_name = title + QStringLiteral("Of") + a.column_name;
    if (name == QLatin1String("sum")) {
      r.sql = QStringLiteral("sum(%1)").arg(arg);
      r.type = a.type == dbCurrency ? dbCurrency : dbDouble;
    } else if (name == QLatin1String("avg")) {
      r.sql = QStringLiteral("avg(%1)").arg(arg);
      r.type = a.type == dbCurrency ? dbCurrency : dbDouble;
    } else if (name == QLatin1String("count")) {
      r.sql = QStringLiteral("count(%1)").arg(arg);
      r.type = dbLong;
    } else if (name == QLatin1String("min") || name == QLatin1String("max")) {
      r.sql = QStringLiteral("%1(%2%3)").arg(name, arg, text ? QStringLiteral(" COLLATE JETTEXT") : QString());
      r.type = a.type;
      r.size = a.size;
    } else {
      r.sql = QStringLiteral("jet_%1(%2)").arg(name, arg);
      r.type = a.type;
      r.size = a.size;
    }
    return r;
  }
  std::vector<Expr> args;
  if (!AtOp(")")) {
    do {
      args.push_back(ParseExpr(s));
    } while (AcceptOp(","));
  }
  ExpectOp(")");
  const int n = static_cast<int>(args.size());
  bool aggregate = false;
  for (const Expr &a : args) aggregate = aggregate || a.aggregate;
  auto wrong_count = [&]() {
    RaiseJetError(kErrSyntaxInQueryExpr, QStringLiteral("Wrong number of arguments used with function '%1' in query "
                                                        "expression '%2'.")
                                             .arg(raw_name, detail::Excerpt(src_, pos)));
  };
  Expr r;
  r.aggregate = aggregate;
  if (name == QLatin1String("iif")) {
    if (n != 3) wrong_count();
    r.sql = QStringLiteral("(CASE WHEN %1 THEN %2 ELSE %3 END)").arg(args[0].sql, args[1].sql, args[2].sql);
    if (args[1].null_literal)
      r.type = args[2].type;
    else if (args[2].null_literal || args[1].type == args[2].type)
      r.type = args[1].type;
    return r;
  }
  if (name == QLatin1String("nz")) {
    if (n < 1 || n > 2) wrong_count();
    // Without a default a Null reads as the empty text.
    r.sql = QStringLiteral("coalesce(%1, %2)").arg(args[0].sql, n == 2 ? args[1].sql : QStringLiteral("''"));
    r.type = n == 2 ? (args[0].type == args[1].type ? args[0].type : 0) : args[0].type;
    return r;
  }
  if (name == QLatin1String("isnull")) {
    if (n != 1) wrong_count();
    r.sql = QStringLiteral("(CASE WHEN %1 IS NULL THEN -1 ELSE 0 END)").arg(args[0].sql);
    r.type = dbBoolean;
    return r;
  }
  if (name == QLatin1String("format")) {
    if (n < 1 || n > 2) wrong_count();
    r.sql = QStringLiteral("jet_format(%1, %2, %3)")
                .arg(args[0].sql, n == 2 ? args[1].sql : QStringLiteral("NULL"),
                     args[0].type == dbDate ? QStringLiteral("1") : QStringLiteral("0"));
    r.type = dbText;
    return r;
  }
  for (const FunctionMap &f : kFunctionMap) {
    if (name != QLatin1String(f.name)) continue;
    if (n < f.min_args || n > f.max_args) wrong_count();
    QStringList sql_args;
    for (int k = 0; k < n; ++k)
      sql_args << (k == 0 && f.text_arg ? TextSql(args[0]) : args[static_cast<size_t>(k)].sql);
    r.sql = QStringLiteral("%1(%2)").arg(QLatin1String(f.sql_name), sql_args.join(QStringLiteral(", ")));
    r.type = f.type == -1 ? (n ? args[0].type : 0) : f.type;
    return r;
  }
  RaiseJetError(kErrUndefinedFunction, QStringLiteral("Undefined function '%1' in expression.").arg(raw_name));
}

// ---- SELECT -------------------------------------------------------------------

struct Parser::Core {
  Scope scope;
  SelectOut out;
  bool grouped = false;
  QString select_sql;  // without ORDER BY
  QString head;        // "SELECT [DISTINCT] <columns>"
  QString tail;        // " FROM ... HAVING ..."
};

Source Parser::LookupSource(const QString &name, SourceInfo *info_out) {
  SourceInfo info;
  if (t_.resolver_ && *t_.resolver_) info = (*t_.resolver_)(name);
  if (!info.found)
    RaiseJetError(kErrTableNotFound,
                  QStringLiteral("The input table or query '%1' cannot be found. Make sure it exists "
                                 "and that its name is spelled correctly.")
                      .arg(name));
  Source src;
  src.alias = info.name.isEmpty() ? name : info.name;
  if (info.query_sql.isEmpty()) {
    src.is_table = true;
    src.table = src.alias;
    src.columns = info.columns;
    for (const ColumnInfo &c : info.columns) {
      ResultColumn rc;
      rc.name = c.name;
      rc.source_table = src.table;
      rc.source_column = c.name;
      rc.jet_type = c.jet_type;
      rc.size = c.size;
      src.origins.push_back(rc);
    }
    t_.AddSourceTable(src.table);
  }
  if (info_out) *info_out = info;
  return src;
}

QString Parser::ParseTablePrimary(Scope &scope) {
  DepthGuard guard(*this);
  Source src;
  QString sql;
  if (AcceptOp("(")) {
    if (AtKw("select")) {
      SelectOut sub = ParseSelect(nullptr, false);
      ExpectOp(")", kErrSyntaxInFrom);
      src.alias = QStringLiteral("Subquery%1").arg(++sub_counter_);
      for (const ResultColumn &c : sub.columns) src.columns.push_back({c.name, c.jet_type, c.size});
      src.origins = sub.columns;
      sql = u'(' + sub.sql + u')';
    } else {
      const QString inner = ParseTableRef(scope);
      ExpectOp(")", kErrSyntaxInFrom);
      return u'(' + inner + u')';
    }
  } else if (Cur().kind == TokenKind::Bracket && Peek().kind == TokenKind::Op && Peek().text == QLatin1String(".") &&
             Cur().text.trimmed().startsWith(QLatin1String("select"), Qt::CaseInsensitive)) {
    // "[SELECT ...]. AS x": the form the engine saves a derived table in.
    const QString inner_sql = Cur().text;
    Next();
    Next();
    if (t_.nesting_ >= kMaxQueryNesting) Fail(QStringLiteral("subqueries nested too deep"), kErrSyntaxInFrom);
    ++t_.nesting_;
    Parser inner(t_, inner_sql, err_, Order());
    SelectOut sub = inner.ParseSelect(nullptr, false);
    inner.ExpectEnd();
    --t_.nesting_;
    src.alias = QStringLiteral("Subquery%1").arg(++sub_counter_);
    for (const ResultColumn &c : sub.columns) src.columns.push_back({c.name, c.jet_type, c.size});
    src.origins = sub.columns;
    sql = u'(' + sub.sql + u')';
  } else {
    if (!AtName() || (Cur().kind == TokenKind::Name && IsReserved(Cur().text)))
      Fail(QStringLiteral("expected a table name"), kErrSyntaxInFrom);
    const QString name = Cur().text;
    Next();
    if (AtOp(".") || AtOp("!")) Fail(QStringLiteral("qualified table names are not supported"), kErrSyntaxInFrom);
    SourceInfo info;
    src = LookupSource(name, &info);
    if (src.is_table) {
      sql = Quote(src.table);
    } else {
      if (t_.nesting_ >= kMaxQueryNesting)
        RaiseJetError(kErrSyntaxInFrom,
                      QStringLiteral("The query '%1' refers to itself through other queries.").arg(name));
      ++t_.nesting_;
      Parser inner(t_, info.query_sql, kErrSyntaxInQueryExpr, Order());
      if (!inner.AtKw("select") && !inner.AtKw("parameters"))
        RaiseJetError(kErrSyntaxInFrom, QStringLiteral("The query '%1' is not a select query.").arg(name));
      TranslatedSql sub = inner.ParseStatement({});
      --t_.nesting_;
      if (sub.kind != StatementKind::Select)
        RaiseJetError(kErrSyntaxInFrom, QStringLiteral("The query '%1' is not a select query.").arg(name));
      for (const ResultColumn &c : sub.columns) src.columns.push_back({c.name, c.jet_type, c.size});
      src.origins = sub.columns;
      sql = u'(' + sub.sql + u')';
    }
  }
  if (AtKw("in")) Fail(QStringLiteral("external databases are not supported"), kErrSyntaxInFrom);
  bool explicit_alias = false;
  if (AcceptKw("as")) {
    src.alias = TakeName("an alias", kErrSyntaxInFrom);
    explicit_alias = true;
  } else if (Cur().kind == TokenKind::Bracket || (Cur().kind == TokenKind::Name && !IsReserved(Cur().text))) {
    src.alias = Cur().text;
    Next();
    explicit_alias = true;
  }
  for (const Source &other : scope.sources)
    if (SameName(other.alias, src.alias))
      Fail(QStringLiteral("the name '%1' is used twice; give one an alias").arg(src.alias), kErrSyntaxInFrom);
  if (explicit_alias || !src.is_table) sql += QStringLiteral(" AS ") + Quote(src.alias);
  scope.sources.push_back(src);
  return sql;
}

QString Parser::ParseTableRef(Scope &scope) {
  QString left = ParseTablePrimary(scope);
  while (true) {
    QString kind;
    if (AtKw("inner") && IsKw(Peek(), "join")) {
      Next();
      kind = QStringLiteral("INNER JOIN");
    } else if ((AtKw("left") || AtKw("right")) &&
               (IsKw(Peek(), "join") || (IsKw(Peek(), "outer") && IsKw(Peek(2), "join")))) {
      kind = AtKw("left") ? QStringLiteral("LEFT JOIN") : QStringLiteral("RIGHT JOIN");
      Next();
      AcceptKw("outer");
    } else if (AtKw("join")) {
      kind = QStringLiteral("INNER JOIN");
    } else {
      return left;
    }
    ExpectKw("join", kErrSyntaxInFrom);
    const QString right = ParseTablePrimary(scope);
    if (!AcceptKw("on")) Fail(QStringLiteral("JOIN without ON"), kErrSyntaxInFrom);
    Expr cond = NoAggregates(ParseExpr(scope), "a JOIN condition");
    left = QStringLiteral("%1 %2 %3 ON %4").arg(left, kind, right, cond.sql);
  }
}

QString Parser::ParseFromList(Scope &scope) {
  QStringList refs;
  do {
    refs << ParseTableRef(scope);
  } while (AcceptOp(","));
  return refs.join(QStringLiteral(", "));
}

std::unique_ptr<Parser::Core> Parser::ParseSelectCore(const Scope *outer) {
  auto core = std::make_unique<Core>();
  core->scope.outer = outer;
  ExpectKw("select");
  bool distinct = false;
  if (AcceptKw("distinct"))
    distinct = true;
  else if (!AcceptKw("distinctrow"))
    AcceptKw("all");
  int top = -1;
  bool top_percent = false;
  if (AcceptKw("top")) {
    if (Cur().kind != TokenKind::Number || !Cur().integer) Fail(QStringLiteral("TOP needs a whole number"));
    top = static_cast<int>(Cur().value);
    Next();
    top_percent = AcceptKw("percent");
    if (top_percent && top > 100) Fail(QStringLiteral("TOP ... PERCENT above 100"));
  }
  // The select list names fields of the FROM tables: read FROM first.
  const int list_start = i_;
  int depth = 0;
  while (Cur().kind != TokenKind::End) {
    if (AtOp("(")) ++depth;
    if (AtOp(")")) {
      if (depth == 0) break;
      --depth;
    }
    if (depth == 0 && (AtKw("from") || AtKw("into") || AtKw("where") || AtKw("group") || AtKw("having") ||
                       AtKw("order") || AtKw("union") || AtOp(";")))
      break;
    Next();
  }
  const int list_end = i_;
  if (list_end == list_start) Fail(QStringLiteral("the select list is empty"));
  if (AtKw("into")) Fail(QStringLiteral("SELECT ... INTO is not supported"), kErrSyntaxInSql);
  QString from_sql;
  if (AcceptKw("from")) from_sql = ParseFromList(core->scope);
  const int after_from = i_;

  // The select list.
  i_ = list_start;
  struct Item {
    Expr e;
    QString name;
    bool from_column = false;
  };
  std::vector<Item> items;
  bool any_aggregate = false;
  auto add_source_columns = [&](const Source &src) {
    for (size_t k = 0; k < src.columns.size(); ++k) {
      Item it;
      it.e.sql = Quote(src.alias) + u'.' + Quote(src.columns[k].name);
      it.e.type = src.columns[k].jet_type;
      it.e.size = src.columns[k].size;
      it.e.is_column = true;
      it.e.column_name = src.columns[k].name;
      it.e.source_alias = src.alias;
      if (k < src.origins.size()) {
        it.e.origin_table = src.origins[k].source_table;
        it.e.origin_column = src.origins[k].source_column;
      }
      it.name = src.columns[k].name;
      it.from_column = true;
      items.push_back(it);
    }
  };
  do {
    if (AtOp("*")) {
      Next();
      if (core->scope.sources.empty()) Fail(QStringLiteral("* without a FROM clause"));
      for (const Source &src : core->scope.sources) add_source_columns(src);
      continue;
    }
    if (AtName() && Peek().kind == TokenKind::Op && Peek().text == QLatin1String(".") &&
        Peek(2).kind == TokenKind::Op && Peek(2).text == QLatin1String("*")) {
      const QString table = Cur().text;
      Next();
      Next();
      Next();
      const Source *found = nullptr;
      for (const Source &src : core->scope.sources)
        if (SameName(src.alias, table)) found = &src;
      if (!found) Fail(QStringLiteral("'%1.*' names no table of the FROM clause").arg(table));
      add_source_columns(*found);
      continue;
    }
    Item it;
    it.e = ParseExpr(core->scope);
    any_aggregate = any_aggregate || it.e.aggregate;
    if (AcceptKw("as")) {
      it.name = TakeName("a field name after AS");
    } else if (it.e.is_column) {
      it.name = it.e.column_name;
      it.from_column = true;
    } else if (!it.e.agg_name.isEmpty()) {
      it.name = it.e.agg_name;
    } else {
      it.name = QStringLiteral("Expr%1").arg(1000 + expr_counter_++);
    }
    items.push_back(it);
    if (!it.name.isEmpty()) core->scope.aliases.emplace_back(it.name, it.e);
  } while (AcceptOp(","));
  if (i_ != list_end) Fail(QStringLiteral("missing operator"));
  i_ = after_from;

  // Two columns of the same name from different tables are told apart as
  // the engine does: "Table.Field".
  std::vector<bool> dup(items.size(), false);
  for (size_t a = 0; a < items.size(); ++a)
    for (size_t b = 0; b < items.size(); ++b)
      if (a != b && items[a].from_column && items[b].from_column && SameName(items[a].name, items[b].name))
        dup[a] = true;
  for (size_t a = 0; a < items.size(); ++a)
    if (dup[a] && !items[a].e.source_alias.isEmpty()) items[a].name = items[a].e.source_alias + u'.' + items[a].name;

  QString where_sql, group_sql, having_sql;
  if (AcceptKw("where")) where_sql = NoAggregates(ParseExpr(core->scope), "the WHERE clause").sql;
  QStringList grouped_columns;
  if (AcceptKw("group")) {
    ExpectKw("by");
    QStringList terms;
    do {
      Expr g = NoAggregates(ParseExpr(core->scope), "GROUP BY");
      if (g.is_column) grouped_columns << g.sql;
      terms << (IsTextType(g.type) ? g.sql + QStringLiteral(" COLLATE JETTEXT") : g.sql);
    } while (AcceptOp(","));
    group_sql = terms.join(QStringLiteral(", "));
    core->grouped = true;
  }
  if (AcceptKw("having")) {
    const size_t from = refs_.size();
    const Expr h = ParseExpr(core->scope);
    core->grouped = true;
    // Terms that test only grouped columns select the same groups when they
    // filter rows first, which lets an index do the work (the engine plans
    // stored queries such as "HAVING Data = [giorno]" the same way).
    std::vector<Expr::Conjunct> parts = h.conjuncts;
    if (parts.empty()) parts.push_back({h.sql, h.aggregate, from, refs_.size()});
    QStringList keep, moved;
    for (const Expr::Conjunct &c : parts) {
      bool movable = !grouped_columns.isEmpty() && !c.aggregate;
      for (size_t k = c.refs_begin; movable && k < c.refs_end; ++k) movable = grouped_columns.contains(refs_[k]);
      (movable ? moved : keep) << c.sql;
    }
    if (!moved.isEmpty()) {
      if (!where_sql.isEmpty()) moved.prepend(where_sql);
      where_sql = moved.size() == 1 ? moved[0] : u'(' + moved.join(QStringLiteral(" AND ")) + u')';
    }
    having_sql = keep.join(QStringLiteral(" AND "));
  }

  QStringList cols;
  for (const Item &it : items) {
    // Conditions read as values give the engine's True, -1, not SQLite's 1.
    const bool condition = it.e.type == dbBoolean && !it.e.is_column && it.e.param < 0 &&
                           it.e.sql != QLatin1String("-1") && it.e.sql != QLatin1String("0");
    const QString value = condition ? QStringLiteral("(-((%1) <> 0))").arg(it.e.sql) : it.e.sql;
    cols << value + QStringLiteral(" AS ") + Quote(it.name);
    ResultColumn rc;
    rc.name = it.name;
    rc.jet_type = it.e.type;
    rc.size = it.e.size;
    rc.aggregate = it.e.aggregate;
    if (it.e.is_column) {
      rc.source_table = it.e.origin_table;
      rc.source_column = it.e.origin_column;
    }
    core->out.columns.push_back(rc);
  }
  const bool simple = core->scope.sources.size() == 1 && core->scope.sources[0].is_table && !distinct &&
                      !core->grouped && !any_aggregate && top < 0;
  core->out.updatable = simple;
  if (simple) core->out.single_alias = core->scope.sources[0].alias;
  QString sql = QStringLiteral("SELECT ");
  if (distinct) sql += QStringLiteral("DISTINCT ");
  sql += cols.join(QStringLiteral(", "));
  core->head = sql;
  QString tail;
  if (!from_sql.isEmpty()) tail += QStringLiteral(" FROM ") + from_sql;
  if (!where_sql.isEmpty()) tail += QStringLiteral(" WHERE ") + where_sql;
  if (!group_sql.isEmpty()) tail += QStringLiteral(" GROUP BY ") + group_sql;
  if (!having_sql.isEmpty()) tail += QStringLiteral(" HAVING ") + having_sql;
  core->tail = tail;
  sql += tail;
  core->select_sql = sql;
  core->out.sql = sql;
  if (top >= 0) core->out.updatable = false;
  // TOP is applied after ORDER BY by the caller.
  core->out.single_alias = simple ? core->out.single_alias : QString();
  if (top >= 0) {
    // A percentage counts the rows of the whole result, rounding up.
    const QString limit = top_percent
                              ? QStringLiteral("(SELECT (count(*) * %1 + 99) / 100 FROM (%2))").arg(top).arg(sql)
                              : QString::number(top);
    core->select_sql += QChar(kTopMark) + limit;
  }
  return core;
}

QString Parser::ParseOrderBy(const Scope &scope, bool by_output_names, const std::vector<ResultColumn> &output) {
  QStringList terms;
  do {
    QString term;
    bool text = true;
    if (by_output_names) {
      if (!AtName()) Fail(QStringLiteral("ORDER BY after UNION takes field names"));
      QString name = Cur().text;
      Next();
      if (AtOp(".") && (Peek().kind == TokenKind::Name || Peek().kind == TokenKind::Bracket)) {
        Next();
        name = Cur().text;
        Next();
      }
      const ResultColumn *found = nullptr;
      for (const ResultColumn &c : output)
        if (SameName(c.name, name)) found = &c;
      if (!found) Fail(QStringLiteral("'%1' is not a field of the result").arg(name));
      term = Quote(found->name);
      text = !IsNumericType(found->jet_type);
    } else {
      Expr e = ParseExpr(scope);
      term = e.sql;
      text = !IsNumericType(e.type) && !e.null_literal;
      if (e.param >= 0 || (!e.is_column && !e.aggregate && e.sql.at(0).isDigit()))
        term = QStringLiteral("(%1 + 0)").arg(term);  // a constant never names a result column
    }
    if (text) term += QStringLiteral(" COLLATE JETTEXT");
    if (AcceptKw("desc"))
      term += QStringLiteral(" DESC");
    else {
      AcceptKw("asc");
      term += QStringLiteral(" ASC");
    }
    terms << term;
  } while (AcceptOp(","));
  return terms.join(QStringLiteral(", "));
}

SelectOut Parser::ParseSelect(const Scope *outer, bool allow_rowid) {
  auto first = ParseSelectCore(outer);
  SelectOut out = first->out;
  QString sql = first->select_sql;
  bool is_union = false;
  auto apply_top = [](QString &s) {
    const int mark = s.indexOf(QChar(kTopMark));
    if (mark < 0) return QString();
    const QString limit = s.mid(mark + 1);
    s.truncate(mark);
    return limit;
  };
  QString limit = apply_top(sql);
  while (AtKw("union")) {
    Next();
    const bool all = AcceptKw("all");
    if (!limit.isEmpty()) Fail(QStringLiteral("TOP before UNION is not supported"));
    auto next = ParseSelectCore(outer);
    QString next_sql = next->select_sql;
    if (!apply_top(next_sql).isEmpty()) Fail(QStringLiteral("TOP inside UNION is not supported"));
    if (next->out.columns.size() != out.columns.size())
      Fail(QStringLiteral("the queries of the UNION have different numbers of fields"));
    sql += all ? QStringLiteral(" UNION ALL ") : QStringLiteral(" UNION ");
    sql += next_sql;
    for (size_t k = 0; k < out.columns.size(); ++k) {
      if (out.columns[k].jet_type != next->out.columns[k].jet_type) out.columns[k].jet_type = 0;
      out.columns[k].source_table.clear();
      out.columns[k].source_column.clear();
    }
    is_union = true;
  }
  if (is_union) out.updatable = false;
  QString order;
  if (AcceptKw("order")) {
    ExpectKw("by");
    order = ParseOrderBy(first->scope, is_union, out.columns);
  }
  if (!limit.isEmpty() && !order.isEmpty()) {
    // TOP keeps the rows that tie with the last one on the sort keys.
    QStringList names;
    for (const ResultColumn &c : out.columns) names << Quote(c.name);
    sql = QStringLiteral(
              "SELECT %1 FROM (%2, rank() OVER (ORDER BY %3) AS \"__rank\"%4) WHERE \"__rank\" <= %5 "
              "ORDER BY \"__rank\"")
              .arg(names.join(QStringLiteral(", ")), first->head, order, first->tail, limit);
  } else {
    if (!order.isEmpty()) sql += QStringLiteral(" ORDER BY ") + order;
    if (!limit.isEmpty()) sql += QStringLiteral(" LIMIT ") + limit;
  }
  // Saved queries may end with this clause of the engine's security model.
  if (AtKw("with") && IsKw(Peek(), "owneraccess")) {
    Next();
    Next();
    ExpectKw("option");
  }
  if (allow_rowid && out.updatable) {
    sql.replace(0, 7, QStringLiteral("SELECT %1.rowid AS \"__rowid\", ").arg(Quote(out.single_alias)));
  }
  out.sql = sql;
  return out;
}

// ---- other statements -------------------------------------------------------------

int Parser::ParseTypeName(int *size) {
  if (Cur().kind != TokenKind::Name) Fail(QStringLiteral("expected a data type"), kErrSyntaxInSql);
  const QString t = Cur().text.toLower();
  Next();
  struct Map {
    const char *name;
    int type;
  };
  static const Map kTypes[] = {
      {"text", dbText},
      {"varchar", dbText},
      {"char", dbText},
      {"string", dbText},
      {"alphanumeric", dbText},
      {"memo", dbMemo},
      {"longtext", dbMemo},
      {"longchar", dbMemo},
      {"note", dbMemo},
      {"byte", dbByte},
      {"tinyint", dbByte},
      {"short", dbInteger},
      {"smallint", dbInteger},
      {"integer2", dbInteger},
      {"long", dbLong},
      {"integer", dbLong},
      {"int", dbLong},
      {"integer4", dbLong},
      {"counter", dbLong},
      {"autoincrement", dbLong},
      {"single", dbSingle},
      {"real", dbSingle},
      {"ieeesingle", dbSingle},
      {"float4", dbSingle},
      {"double", dbDouble},
      {"float", dbDouble},
      {"ieeedouble", dbDouble},
      {"float8", dbDouble},
      {"number", dbDouble},
      {"numeric", dbDouble},
      {"currency", dbCurrency},
      {"money", dbCurrency},
      {"datetime", dbDate},
      {"date", dbDate},
      {"time", dbDate},
      {"timestamp", dbDate},
      {"bit", dbBoolean},
      {"yesno", dbBoolean},
      {"logical", dbBoolean},
      {"logical1", dbBoolean},
      {"boolean", dbBoolean},
      {"binary", dbBinary},
      {"varbinary", dbBinary},
      {"longbinary", dbLongBinary},
      {"oleobject", dbLongBinary},
      {"general", dbLongBinary},
      {"image", dbLongBinary},
      {"guid", dbGUID},
      {"uniqueidentifier", dbGUID},
      {"value", 0},
  };
  int type = -1;
  for (const Map &m : kTypes)
    if (t == QLatin1String(m.name)) type = m.type;
  if (type < 0) Fail(QStringLiteral("unknown data type '%1'").arg(t), kErrSyntaxInSql);
  if (size) *size = 0;
  const bool sized = type == dbText || type == dbBinary;
  if (AtOp("(") && !sized) {
    // Precision and scale (NUMERIC(10,2)) or a counter's seed and step.
    Next();
    while (!AtOp(")") && Cur().kind != TokenKind::End) Next();
    ExpectOp(")", kErrSyntaxInSql);
  } else if (AtOp("(")) {
    Next();
    if (Cur().kind != TokenKind::Number || !Cur().integer || Cur().value < 1 || Cur().value > 255)
      Fail(QStringLiteral("a size from 1 to 255"), kErrSyntaxInSql);
    if (size) *size = static_cast<int>(Cur().value);
    Next();
    ExpectOp(")", kErrSyntaxInSql);
  }
  if (type == dbText && size && *size == 0) *size = 255;
  return type;
}

void Parser::ParseParameters() {
  do {
    const QString name = TakeName("a parameter name", kErrSyntaxInSql);
    const int type = ParseTypeName(nullptr);
    t_.Declare(name, type);
  } while (AcceptOp(","));
  ExpectOp(";", kErrSyntaxInSql);
}

void Parser::ParseInsert(TranslatedSql &r) {
  r.kind = StatementKind::Insert;
  ExpectKw("into", kErrSyntaxInSql);
  const QString name = TakeName("a table name", kErrSyntaxInSql);
  SourceInfo info;
  Source target = LookupSource(name, &info);
  if (!target.is_table) RaiseJetError(kErrReadOnly, QStringLiteral("Cannot insert into the query '%1'.").arg(name));
  r.target_table = target.table;
  auto column_of = [&](const QString &c) -> const ColumnInfo & {
    for (const ColumnInfo &ci : target.columns)
      if (SameName(ci.name, c)) return ci;
    RaiseJetError(kErrUnknownInsertField,
                  QStringLiteral("The INSERT INTO statement contains the unknown field name '%1'.").arg(c));
  };
  std::vector<ColumnInfo> cols;
  bool listed = false;
  if (AcceptOp("(")) {
    listed = true;
    do {
      QStringList parts;
      parts << TakeName("a field name", kErrSyntaxInSql);
      while (AcceptOp(".")) parts << TakeName("a field name", kErrSyntaxInSql);
      if (parts.size() > 2 || (parts.size() == 2 && !SameName(parts[0], target.table)))
        Fail(QStringLiteral("fields of another table"), kErrSyntaxInSql);
      cols.push_back(column_of(parts.last()));
    } while (AcceptOp(","));
    ExpectOp(")", kErrSyntaxInSql);
  }
  auto col_list = [&]() {
    QStringList names;
    for (const ColumnInfo &c : cols) names << Quote(c.name);
    return names.join(QStringLiteral(", "));
  };
  if (AcceptKw("values")) {
    if (!listed) cols = target.columns;
    ExpectOp("(", kErrSyntaxInSql);
    Scope empty;
    std::vector<Expr> values;
    do {
      values.push_back(NoAggregates(ParseExpr(empty), "VALUES"));
    } while (AcceptOp(","));
    ExpectOp(")", kErrSyntaxInSql);
    if (values.size() != cols.size())
      RaiseJetError(kErrValueCountMismatch,
                    QStringLiteral("The number of values and of destination fields are not the same."));
    QStringList sql_values;
    for (size_t k = 0; k < values.size(); ++k) {
      Expr column;
      column.type = cols[k].jet_type;
      Hint(values[k], column);
      if (values[k].param < 0) Coerce(values[k], cols[k].jet_type);
      sql_values << values[k].sql;
    }
    r.sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(Quote(target.table), col_list(), sql_values.join(QStringLiteral(", ")));
  } else if (AtKw("select")) {
    SelectOut sel = ParseSelect(nullptr, false);
    if (!listed) {
      // Without a field list the result fields go to the fields of the same name.
      for (const ResultColumn &c : sel.columns) cols.push_back(column_of(c.name));
    }
    if (sel.columns.size() != cols.size())
      RaiseJetError(kErrValueCountMismatch,
                    QStringLiteral("The number of values and of destination fields are not the same."));
    r.sql = QStringLiteral("INSERT INTO %1 (%2) %3").arg(Quote(target.table), col_list(), sel.sql);
  } else {
    Fail(QStringLiteral("expected VALUES or SELECT"), kErrSyntaxInSql);
  }
}

void Parser::ParseUpdate(TranslatedSql &r) {
  r.kind = StatementKind::Update;
  Scope scope;
  ParseTablePrimary(scope);
  if (!scope.sources[0].is_table)
    RaiseJetError(kErrReadOnly, QStringLiteral("Cannot update through the query '%1'.").arg(scope.sources[0].alias));
  if (AtKw("inner") || AtKw("left") || AtKw("right") || AtOp(","))
    Fail(QStringLiteral("UPDATE over joined tables is not supported"), kErrSyntaxInSql);
  Source &src = scope.sources[0];
  r.target_table = src.table;
  ExpectKw("set", kErrSyntaxInSql);
  QStringList sets;
  do {
    Expr col = ParseNameRef(scope);
    if (!col.is_column) Fail(QStringLiteral("SET names no field of the table"), kErrSyntaxInSql);
    ExpectOp("=", kErrSyntaxInSql);
    Expr v = NoAggregates(ParseExpr(scope), "SET");
    Hint(v, col);
    if (v.param < 0) Coerce(v, col.type);
    sets << Quote(col.column_name) + QStringLiteral(" = ") + v.sql;
  } while (AcceptOp(","));
  QString sql = QStringLiteral("UPDATE %1").arg(Quote(src.table));
  if (!SameName(src.alias, src.table)) sql += QStringLiteral(" AS ") + Quote(src.alias);
  sql += QStringLiteral(" SET ") + sets.join(QStringLiteral(", "));
  if (AcceptKw("where")) sql += QStringLiteral(" WHERE ") + NoAggregates(ParseExpr(scope), "WHERE").sql;
  r.sql = sql;
}

void Parser::ParseDelete(TranslatedSql &r) {
  r.kind = StatementKind::Delete;
  // DELETE [*| T.* | fields] FROM T: what stands before FROM does not matter.
  while (!AtKw("from") && Cur().kind != TokenKind::End) {
    if (AtOp("*") || AtOp(".") || AtOp(",") || AtName())
      Next();
    else
      Fail(QStringLiteral("expected FROM"), kErrSyntaxInSql);
  }
  ExpectKw("from", kErrSyntaxInSql);
  Scope scope;
  ParseTablePrimary(scope);
  if (!scope.sources[0].is_table)
    RaiseJetError(kErrReadOnly, QStringLiteral("Cannot delete through the query '%1'.").arg(scope.sources[0].alias));
  if (AtKw("inner") || AtKw("left") || AtKw("right") || AtOp(","))
    Fail(QStringLiteral("DELETE over joined tables is not supported"), kErrSyntaxInSql);
  const Source &src = scope.sources[0];
  r.target_table = src.table;
  QString sql = QStringLiteral("DELETE FROM %1").arg(Quote(src.table));
  if (!SameName(src.alias, src.table)) sql += QStringLiteral(" AS ") + Quote(src.alias);
  if (AcceptKw("where")) sql += QStringLiteral(" WHERE ") + NoAggregates(ParseExpr(scope), "WHERE").sql;
  r.sql = sql;
}

void Parser::ParseCreate(TranslatedSql &r) {
  const bool unique = AcceptKw("unique");
  if (AcceptKw("table")) {
    if (unique) Fail(QStringLiteral("UNIQUE TABLE"), kErrSyntaxInSql);
    r.kind = StatementKind::CreateTable;
    r.ddl.table = TakeName("a table name", kErrSyntaxInSql);
    r.target_table = r.ddl.table;
    ExpectOp("(", kErrSyntaxInSql);
    do {
      if (AtKw("constraint") || AtKw("primary") || AtKw("unique")) {
        if (AcceptKw("constraint")) r.ddl.index = TakeName("a constraint name", kErrSyntaxInSql);
        if (AcceptKw("primary")) {
          ExpectKw("key", kErrSyntaxInSql);
          r.ddl.primary = true;
          r.ddl.unique = true;
        } else {
          ExpectKw("unique", kErrSyntaxInSql);
          r.ddl.unique = true;
        }
        ExpectOp("(", kErrSyntaxInSql);
        r.ddl.index_columns.clear();
        do {
          r.ddl.index_columns.push_back({TakeName("a field name", kErrSyntaxInSql), false});
        } while (AcceptOp(","));
        ExpectOp(")", kErrSyntaxInSql);
        continue;
      }
      ColumnDef c;
      c.name = TakeName("a field name", kErrSyntaxInSql);
      const QString type_word = Cur().text.toLower();
      c.jet_type = ParseTypeName(&c.size);
      c.auto_increment = type_word == QLatin1String("counter") || type_word == QLatin1String("autoincrement");
      while (true) {
        if (AcceptKw("not")) {
          ExpectKw("null", kErrSyntaxInSql);
          c.required = true;
        } else if (AcceptKw("null")) {
        } else if (AtKw("constraint") || AtKw("primary") || AtKw("unique")) {
          if (AcceptKw("constraint")) r.ddl.index = TakeName("a constraint name", kErrSyntaxInSql);
          if (AcceptKw("primary")) {
            ExpectKw("key", kErrSyntaxInSql);
            r.ddl.primary = true;
          } else {
            ExpectKw("unique", kErrSyntaxInSql);
          }
          r.ddl.unique = true;
          r.ddl.index_columns = {{c.name, false}};
        } else {
          break;
        }
      }
      for (const ColumnDef &other : r.ddl.columns)
        if (SameName(other.name, c.name))
          Fail(QStringLiteral("the field '%1' is defined twice").arg(c.name), kErrSyntaxInSql);
      r.ddl.columns.push_back(c);
    } while (AcceptOp(","));
    ExpectOp(")", kErrSyntaxInSql);
    if (r.ddl.columns.empty()) Fail(QStringLiteral("a table needs a field"), kErrSyntaxInSql);
    if (r.ddl.unique && r.ddl.index.isEmpty())
      r.ddl.index = r.ddl.primary ? QStringLiteral("PrimaryKey") : QStringLiteral("Index1");
    return;
  }
  ExpectKw("index", kErrSyntaxInSql);
  r.kind = StatementKind::CreateIndex;
  r.ddl.unique = unique;
  r.ddl.index = TakeName("an index name", kErrSyntaxInSql);
  ExpectKw("on", kErrSyntaxInSql);
  r.ddl.table = TakeName("a table name", kErrSyntaxInSql);
  r.target_table = r.ddl.table;
  ExpectOp("(", kErrSyntaxInSql);
  do {
    IndexColumnDef c;
    c.name = TakeName("a field name", kErrSyntaxInSql);
    if (AcceptKw("desc"))
      c.descending = true;
    else
      AcceptKw("asc");
    r.ddl.index_columns.push_back(c);
  } while (AcceptOp(","));
  ExpectOp(")", kErrSyntaxInSql);
  if (AcceptKw("with")) {
    do {
      if (AcceptKw("primary")) {
        r.ddl.primary = true;
        r.ddl.unique = true;
      } else if (AcceptKw("disallow") || AcceptKw("ignore")) {
        ExpectKw("null", kErrSyntaxInSql);
      } else {
        Fail(QStringLiteral("expected PRIMARY, DISALLOW NULL or IGNORE NULL"), kErrSyntaxInSql);
      }
    } while (AtKw("primary") || AtKw("disallow") || AtKw("ignore"));
  }
}

void Parser::ParseDrop(TranslatedSql &r) {
  if (AcceptKw("table")) {
    r.kind = StatementKind::DropTable;
    r.ddl.table = TakeName("a table name", kErrSyntaxInSql);
    r.target_table = r.ddl.table;
    return;
  }
  ExpectKw("index", kErrSyntaxInSql);
  r.kind = StatementKind::DropIndex;
  r.ddl.index = TakeName("an index name", kErrSyntaxInSql);
  ExpectKw("on", kErrSyntaxInSql);
  r.ddl.table = TakeName("a table name", kErrSyntaxInSql);
  r.target_table = r.ddl.table;
}

TranslatedSql Parser::ParseStatement(const TranslateOptions &options) {
  TranslatedSql r;
  if (AcceptKw("parameters")) ParseParameters();
  if (AtKw("select")) {
    SelectOut sel = ParseSelect(nullptr, options.with_rowid);
    r.kind = StatementKind::Select;
    r.sql = sel.sql;
    r.columns = sel.columns;
    r.updatable = sel.updatable;
    r.rowid_first = options.with_rowid && sel.updatable;
  } else if (AcceptKw("insert")) {
    ParseInsert(r);
  } else if (AcceptKw("update")) {
    ParseUpdate(r);
  } else if (AcceptKw("delete")) {
    ParseDelete(r);
  } else if (AcceptKw("create")) {
    ParseCreate(r);
  } else if (AcceptKw("drop")) {
    ParseDrop(r);
  } else {
    RaiseJetError(kErrInvalidStatement,
                  QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', 'PARAMETERS', "
                                 "'SELECT', 'UPDATE', 'CREATE' or 'DROP' at '%1'.")
                      .arg(detail::Excerpt(src_, Cur().pos)));
  }
  ExpectEnd();
  return r;
}

Expr Parser::ParseCriteria(Scope &scope) {
  if (Cur().kind == TokenKind::End) Fail(QStringLiteral("empty criteria"));
  Expr e = NoAggregates(ParseExpr(scope), "criteria");
  if (Cur().kind != TokenKind::End) Fail(QStringLiteral("missing operator"));
  return e;
}

QString Parser::ParseSortList(Scope &scope) {
  if (Cur().kind == TokenKind::End) return QString();
  const QString sql = ParseOrderBy(scope, false, {});
  if (Cur().kind != TokenKind::End) Fail(QStringLiteral("missing operator"));
  return sql;
}

Scope FieldScope(const std::vector<ColumnInfo> &fields) {
  Scope scope;
  Source src;
  src.columns = fields;
  scope.sources.push_back(src);
  return scope;
}

}  // namespace

TranslatedSql TranslateSql(const QString &jet_sql, const SourceResolver &resolver, const TranslateOptions &options) {
  Translator t(&resolver);
  Parser p(t, jet_sql, kErrSyntaxInQueryExpr, -1);
  TranslatedSql r = p.ParseStatement(options);
  std::vector<SqlParameter> params;
  r.sql = t.Finish(r.sql, params, 1);
  r.parameters = std::move(params);
  r.source_tables = t.source_tables_;
  return r;
}

QString TranslateCriteria(const QString &criteria, const std::vector<ColumnInfo> &fields,
                          std::vector<SqlParameter> *parameters) {
  Translator t(nullptr);
  t.strict_names_ = parameters == nullptr;
  Parser p(t, criteria, kErrSyntaxInQueryExpr, -1);
  Scope scope = FieldScope(fields);
  const Expr e = p.ParseCriteria(scope);
  std::vector<SqlParameter> added;
  const int first = parameters ? static_cast<int>(parameters->size()) + 1 : 1;
  const QString sql = t.Finish(e.sql, added, first);
  if (parameters) parameters->insert(parameters->end(), added.begin(), added.end());
  return sql;
}

QString TranslateSort(const QString &sort, const std::vector<ColumnInfo> &fields) {
  Translator t(nullptr);
  t.strict_names_ = true;
  Parser p(t, sort, kErrSyntaxInQueryExpr, -1);
  Scope scope = FieldScope(fields);
  return p.ParseSortList(scope);
}

}  // namespace jet
