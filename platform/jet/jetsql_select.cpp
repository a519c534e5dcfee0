// The translator's SELECT: the FROM clause (tables, stored queries
// translated in place, derived tables, joins), the select list with its
// result columns, WHERE, GROUP BY, HAVING (terms on grouped columns moved to
// WHERE), TOP, UNION and ORDER BY (see jetparser.h).
#include "platform/jet/jetparser.h"

namespace jet::sql {

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
    RaiseJetError(kErrTableNotFound, QStringLiteral("Il motore di database non trova la tabella o la query «%1». "
                                                    "Controllare che esista e che il nome sia scritto giusto.")
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
      if (out.columns[k].jet_type != next->out.columns[k].jet_type) out.columns[k].jet_type = kUnknownType;
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

}  // namespace jet::sql
