// A small in-memory database with the newsstand's tables, stored the way the
// engine stores them (dates as day counts, Yes/No as -1/0, text with the
// JETTEXT collation), for running translated statements without the engine.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QString>
#include <QStringList>
#include <map>
#include <vector>

#include "platform/jet/jetsql.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/variant.h"

namespace jet::test {

struct Table {
  QString name;
  std::vector<ColumnInfo> columns;
  QString query_sql;
};

class SqlFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
    InstallSqliteExtensions(db_);
    AddTable("Riviste", {{"Barcode", dbText, 13},
                         {"Nome", dbText, 30},
                         {"Fornitore", dbText, 5},
                         {"Prezzo_V", dbDouble, 8},
                         {"Prezzo_A", dbDouble, 8},
                         {"Periodo", dbText, 3}});
    AddTable("Giacenza", {{"Barcode18", dbText, 18},
                          {"Barcode", dbText, 13},
                          {"Addon", dbText, 5},
                          {"Testata", dbText, 30},
                          {"Descrizione", dbText, 30},
                          {"Fornitore", dbText, 5},
                          {"Giacenza", dbDouble, 8},
                          {"Ucarico", dbDate, 8},
                          {"Periodo", dbText, 3},
                          {"Prezzo_V", dbDouble, 8},
                          {"Prezzo_A", dbDouble, 8},
                          {"Scadenza", dbDate, 8},
                          {"CD", dbBoolean, 1}});
    AddTable("Giornale", {{"Progressivo", dbLong, 4},
                          {"Data", dbDate, 8},
                          {"Barcode18", dbText, 18},
                          {"Quantita", dbDouble, 8},
                          {"Prezzo_V", dbDouble, 8},
                          {"Tipo", dbText, 1},
                          {"Prezzo_A", dbDouble, 8}});
    AddTable("Periodo", {{"Periodo", dbText, 3}, {"Descrizione", dbText, 15}, {"Giorni", dbInteger, 2}});
  }
  void TearDown() override { sqlite3_close(db_); }

  void AddTable(const QString &name, std::vector<ColumnInfo> columns) {
    QStringList defs;
    for (const ColumnInfo &c : columns) {
      QString def = u'"' + c.name + u'"';
      if (c.name == QLatin1String("Progressivo"))
        def += QStringLiteral(" INTEGER PRIMARY KEY");
      else if (c.jet_type == dbText || c.jet_type == dbMemo)
        def += QStringLiteral(" TEXT COLLATE JETTEXT");
      else if (c.jet_type == dbDouble || c.jet_type == dbDate)
        def += QStringLiteral(" REAL");
      else
        def += QStringLiteral(" INTEGER");
      defs << def;
    }
    Exec(QStringLiteral("CREATE TABLE \"%1\" (%2)").arg(name, defs.join(u',')));
    tables_[name.toLower()] = {name, std::move(columns), {}};
  }
  void AddQuery(const QString &name, const QString &sql) { tables_[name.toLower()] = {name, {}, sql}; }

  SourceResolver Resolver() {
    return [this](const QString &name) {
      SourceInfo info;
      auto it = tables_.find(name.toLower());
      if (it == tables_.end()) return info;
      info.found = true;
      info.name = it->second.name;
      info.columns = it->second.columns;
      info.query_sql = it->second.query_sql;
      return info;
    };
  }
  std::vector<ColumnInfo> FieldsOf(const QString &table) { return tables_[table.toLower()].columns; }

  void Exec(const QString &sql) {
    char *err = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err);
    ASSERT_EQ(rc, SQLITE_OK) << (err ? err : "") << "\n" << sql.toStdString();
  }

  static void Bind(sqlite3_stmt *st, int index, const rtl::Variant &v) {
    switch (v.Type()) {
      case rtl::VarType::Empty:
      case rtl::VarType::Null:
        sqlite3_bind_null(st, index);
        break;
      case rtl::VarType::Boolean:
        sqlite3_bind_int(st, index, v.AsBoolean() ? -1 : 0);
        break;
      case rtl::VarType::Integer:
      case rtl::VarType::Int64:
        sqlite3_bind_int64(st, index, v.AsInt64());
        break;
      case rtl::VarType::String: {
        const QByteArray u = v.AsString().toUtf8();
        sqlite3_bind_text(st, index, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
        break;
      }
      default:
        sqlite3_bind_double(st, index, v.AsDouble());
    }
  }

  // Runs SQLite text with the values bound in order; rows as texts ("NULL"
  // for Null, numbers as SQLite writes them).
  std::vector<QStringList> RunSqlite(const QString &sql, const std::vector<rtl::Variant> &values = {},
                                     int *changes = nullptr) {
    std::vector<QStringList> rows;
    sqlite3_stmt *st = nullptr;
    const QByteArray u = sql.toUtf8();
    if (sqlite3_prepare_v2(db_, u.constData(), static_cast<int>(u.size()), &st, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sqlite3_errmsg(db_) << "\n" << sql.toStdString();
      return rows;
    }
    for (size_t i = 0; i < values.size(); ++i)
      if (static_cast<int>(i) < sqlite3_bind_parameter_count(st)) Bind(st, static_cast<int>(i) + 1, values[i]);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      QStringList row;
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        if (sqlite3_column_type(st, c) == SQLITE_NULL)
          row << QStringLiteral("NULL");
        else
          row << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)));
      }
      rows.push_back(row);
    }
    if (rc != SQLITE_DONE)
      last_error_ = QString::fromUtf8(sqlite3_errmsg(db_));
    else
      last_error_.clear();
    sqlite3_finalize(st);
    if (changes) *changes = sqlite3_changes(db_);
    return rows;
  }

  // Translates, converts the text values by the parameters' types and runs.
  std::vector<QStringList> Run(const QString &jet_sql, const std::vector<rtl::Variant> &values = {},
                               int *changes = nullptr) {
    const TranslatedSql t = TranslateSql(jet_sql, Resolver());
    std::vector<rtl::Variant> bound;
    for (size_t i = 0; i < t.parameters.size() && i < values.size(); ++i)
      bound.push_back(ConvertParameterValue(values[i], t.parameters[i].jet_type));
    return RunSqlite(t.sql, bound, changes);
  }

  std::vector<QStringList> Where(const QString &table, const QString &criteria, const QString &column) {
    const QString sql = QStringLiteral("SELECT \"%1\" FROM \"%2\" WHERE %3 ORDER BY rowid")
                            .arg(column, table, TranslateCriteria(criteria, FieldsOf(table)));
    return RunSqlite(sql);
  }

  static QString Day(int y, int m, int d, int h = 0, int n = 0) {
    return QString::number(rtl::EncodeDateTime(y, m, d, h, n, 0, 0), 'g', 17);
  }

  sqlite3 *db_ = nullptr;
  std::map<QString, Table> tables_;
  QString last_error_;
};

inline QStringList Column(const std::vector<QStringList> &rows, int c = 0) {
  QStringList out;
  for (const QStringList &r : rows) out << r.value(c);
  return out;
}

}  // namespace jet::test
