// The translator's other statements: PARAMETERS, INSERT, UPDATE, DELETE,
// CREATE and DROP, the statement dispatch, and the criteria and sort lists
// of recordsets (see jetparser.h).
#include "platform/jet/jetparser.h"

namespace jet::sql {

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
      {"value", kUnknownType},
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

}  // namespace jet::sql
