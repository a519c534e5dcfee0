// The translator's expressions: operators by precedence, comparisons with
// their coercions and collation, names resolved against the scopes,
// parameters, literals and the engine's functions mapped to SQLite's or to
// the jet_* functions (see jetparser.h).
#include <algorithm>

#include "platform/jet/jetparser.h"
#include "platform/rtl/sysutils.h"

namespace jet::sql {

namespace {

const char *const kReserved[] = {
    "select", "from",  "where",   "group",     "having", "order",    "union",       "inner",  "left",       "right",
    "join",   "on",    "as",      "in",        "and",    "or",       "not",         "into",   "by",         "asc",
    "desc",   "like",  "between", "is",        "top",    "distinct", "distinctrow", "all",    "values",     "set",
    "with",   "outer", "full",    "mod",       "xor",    "eqv",      "imp",         "exists", "parameters", "null",
    "true",   "false", "percent", "transform", "pivot",  nullptr};

}  // namespace

bool IsReserved(const QString &word) {
  for (int i = 0; kReserved[i]; ++i)
    if (word.compare(QLatin1String(kReserved[i]), Qt::CaseInsensitive) == 0) return true;
  return false;
}

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
  if (!lit.string_literal || type == kUnknownType || IsTextType(type)) return;
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
        r.type = kUnknownType;
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

}  // namespace jet::sql
