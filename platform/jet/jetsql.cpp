// The entry points of the engine's query language (see jetsql.h): a
// statement, a criteria text or a sort list goes through the parser of
// jetparser.h, and the parameter markers it wrote are numbered at the end.
#include "platform/jet/jetsql.h"

#include "platform/jet/jetparser.h"

namespace jet {

namespace {

using sql::Expr;
using sql::Parser;
using sql::Scope;
using sql::Source;
using sql::Translator;

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
