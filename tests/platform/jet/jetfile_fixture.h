// The real Jet files of tests/data/jet and the independent reader that
// checks what the engine made of them: the mdbtools command-line programs
// (mdb-export, mdb-schema, mdb-queries, mdb-tables), run as processes and
// read as text. Shared by the engine's and the DAO components' tests.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <vector>

#include "tests/support/runtool.h"

namespace jet::testing {

// A file of the test data's Jet folder (the test registration passes the
// folder in ORBISCA_TEST_DATA).
inline QString JetTestFile(const QString &name) {
  return QDir(qEnvironmentVariable("ORBISCA_TEST_DATA")).filePath(QStringLiteral("jet/") + name);
}

inline QByteArray FileBytes(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

inline void WriteBytes(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

// Copies a test file into `folder` under `as` (its own name when empty),
// writable, and returns the copy's path.
inline QString CopyJetTestFile(const QString &name, const QString &folder, const QString &as = {}) {
  const QString to = QDir(folder).filePath(as.isEmpty() ? name : as);
  QFile::remove(to);
  EXPECT_TRUE(QFile::copy(JetTestFile(name), to)) << name.toStdString();
  QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
  return to;
}

// What a folder holds, hidden files included, sorted.
inline QStringList FolderEntries(const QString &folder) {
  QStringList names = QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
  names.sort();
  return names;
}

// Runs a program of the independent reader; its standard output.
inline QByteArray RunReader(const QString &program, const QStringList &args) {
  return test_support::RunToolOutput(program, args);
}

// mdb-tables -1: the user tables, in the file's order.
inline QStringList OracleTables(const QString &file) {
  QStringList names = QString::fromUtf8(RunReader(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), file}))
                          .split(u'\n', Qt::SkipEmptyParts);
  for (QString &n : names) n = n.trimmed();
  return names;
}

// mdb-queries -L -1: the stored queries.
inline QStringList OracleQueries(const QString &file) {
  QStringList names =
      QString::fromUtf8(RunReader(QStringLiteral("mdb-queries"), {QStringLiteral("-L"), QStringLiteral("-1"), file}))
          .split(u'\n', Qt::SkipEmptyParts);
  for (QString &n : names) n = n.trimmed();
  names.removeAll(QString());
  return names;
}

struct CsvField {
  QString text;
  bool quoted = false;
};
using CsvRow = std::vector<CsvField>;

// Comma-separated rows with double-quoted fields (quotes doubled inside,
// line breaks allowed inside quotes).
inline std::vector<CsvRow> ParseCsv(const QString &text) {
  std::vector<CsvRow> rows;
  CsvRow row;
  CsvField field;
  bool in_quotes = false, any = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (in_quotes) {
      if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
        field.text += u'"';
        ++i;
      } else if (c == u'"') {
        in_quotes = false;
      } else {
        field.text += c;
      }
      continue;
    }
    if (c == u'"') {
      in_quotes = true;
      field.quoted = true;
      any = true;
    } else if (c == u',') {
      row.push_back(field);
      field = {};
      any = true;
    } else if (c == u'\n') {
      if (any || !field.text.isEmpty()) {
        row.push_back(field);
        rows.push_back(row);
      }
      row.clear();
      field = {};
      any = false;
    } else if (c != u'\r') {
      field.text += c;
      any = true;
    }
  }
  if (any || !field.text.isEmpty()) {
    row.push_back(field);
    rows.push_back(row);
  }
  return rows;
}

// mdb-export of one table: the header first, then the rows; dates as
// "yyyy-mm-dd hh:mm:ss", binary data in hexadecimal, Null as a bare NULL.
inline std::vector<CsvRow> OracleRows(const QString &file, const QString &table) {
  return ParseCsv(QString::fromUtf8(RunReader(
      QStringLiteral("mdb-export"),
      {QStringLiteral("-0"), QStringLiteral("NULL"), QStringLiteral("-b"), QStringLiteral("hex"), QStringLiteral("-T"),
       QStringLiteral("%Y-%m-%d %H:%M:%S"), QStringLiteral("-D"), QStringLiteral("%Y-%m-%d %H:%M:%S"), file, table})));
}

}  // namespace jet::testing
