// The independent readers of the export tests: programs of the
// distribution run on a written file, their answers read back as text or
// JSON.
#pragma once

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "tests/support/runtool.h"

namespace dao::testing {

using test_support::RunTool;

// The distribution's interpreter, where the readers are installed.
inline QString Python() { return QStringLiteral("/usr/bin/python3"); }

inline bool HavePython(const char *module) {
  QProcess p;
  p.start(Python(), {QStringLiteral("-c"), QStringLiteral("import ") + QLatin1String(module)});
  return p.waitForFinished(30000) && p.exitCode() == 0;
}

inline QString Oracle(const char *script) { return QStringLiteral(ORBISCA_ORACLES "/") + QLatin1String(script); }

// A spreadsheet file as xlrd reads it (tests/dao/oracles/xls_dump.py);
// `sheet` picks the sheet by position.
inline QJsonObject ReadWorkbook(const QString &file, int sheet = 0) {
  return QJsonDocument::fromJson(RunTool(Python(), {Oracle("xls_dump.py"), file, QString::number(sheet)}).toUtf8())
      .object();
}

}  // namespace dao::testing
