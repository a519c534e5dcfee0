// Runs one of the distribution's programs that the tests use as an
// independent reader of what the system wrote (pdftotext, xlrd, mdb-tools...).
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>

namespace test_support {

// The program's standard output as bytes; a failure to start, a crash, a
// non-zero exit or a run past `timeout_ms` is a test failure and gives
// nothing.
inline QByteArray RunToolOutput(const QString &program, const QStringList &args, int timeout_ms = 60000) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(timeout_ms) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    ADD_FAILURE() << program.toStdString() << " " << args.join(' ').toStdString()
                  << " failed: " << p.readAllStandardError().toStdString();
    return {};
  }
  return p.readAllStandardOutput();
}

// The same output as text.
inline QString RunTool(const QString &program, const QStringList &args, int timeout_ms = 60000) {
  return QString::fromUtf8(RunToolOutput(program, args, timeout_ms));
}

}  // namespace test_support
