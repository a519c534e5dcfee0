// The translator's parser, private to the engine's query language: the
// expression record each parse step returns, the sources and scopes names
// are resolved in, the translation state a statement shares with the stored
// queries it reads (`Translator`: parameters and source tables), and the
// recursive-descent `Parser`. Its steps live in three files: expressions
// (jetsql_expr.cpp), SELECT (jetsql_select.cpp) and the other statements
// (jetsql_statement.cpp); jetsql.cpp holds the entry points of jetsql.h.
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
#pragma once

#include <QString>
#include <QStringList>
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "platform/jet/jeterror.h"
#include "platform/jet/jetsql.h"
#include "platform/jet/jettokenizer.h"

namespace jet::sql {

using detail::Token;
using detail::TokenKind;

inline constexpr char16_t kMarkOpen = 0xE000;
inline constexpr char16_t kMarkClose = 0xE001;
inline constexpr char16_t kTopMark = 0xE002;  // carries TOP n from a SELECT core to its end
inline constexpr int kMaxDepth = 150;
inline constexpr int kMaxQueryNesting = 8;

inline QString Quote(const QString &name) {
  QString q = name;
  q.replace(u'"', QStringLiteral("\"\""));
  return u'"' + q + u'"';
}

inline QString StringLiteral(const QString &s) {
  QString q = s;
  q.replace(u'\'', QStringLiteral("''"));
  return u'\'' + q + u'\'';
}

inline QString RealLiteral(double v) {
  QString s = QString::number(v, 'g', 17);
  if (!s.contains(u'.') && !s.contains(u'e')) s += QStringLiteral(".0");
  return s;
}

inline bool IsTextType(int t) { return t == dbText || t == dbMemo || t == dbGUID; }
inline bool IsNumericType(int t) { return t >= dbBoolean && t <= dbDate; }

struct Expr {
  QString sql;
  int type = kUnknownType;
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

inline bool SameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Whether `word` is a reserved word of the dialect (it cannot name a column
// without brackets).
bool IsReserved(const QString &word);

// State shared by a statement and the stored queries it reads from.
class Translator {
 public:
  explicit Translator(const SourceResolver *resolver) : resolver_(resolver) {}

  struct Param {
    QString name;
    int type = kUnknownType;
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
    if (id >= 0 && type != kUnknownType && params_[static_cast<size_t>(id)].type == kUnknownType)
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

}  // namespace jet::sql
