// A fresh copy of the program's database in a temporary folder, built by
// the same builder the program's tools use, with a few journal and stock
// rows that the engine tests read. The builder runs once per test program;
// each test opens its own copy of that file, so tests cannot see each
// other's changes.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/jet/engine.h"
#include "platform/rtl/datetime.h"
#include "tools/lib/orbiscadb.h"

namespace jet::testing {

class OrbiscaDb : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    path_ = dir_.filePath(QStringLiteral("orbisca4.mdb"));
    ASSERT_TRUE(QFile::copy(TemplatePath(), path_));
    // The copy keeps the template's read-only bit when there is one.
    QFile(path_).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    db_ = engine_.OpenDatabase(path_);
  }
  void TearDown() override {
    if (db_) db_->Close();
  }

  // The empty database as the builder leaves it, built on first use.
  static const QString &TemplatePath() {
    static QTemporaryDir dir;
    static const QString path = [] {
      const QString p = dir.filePath(QStringLiteral("template.mdb"));
      tools::CreateOrbiscaDatabase(p);
      return p;
    }();
    return path;
  }

  // Appends a journal row through a dynaset, as the program registers one.
  void Journal(rtl::TDateTime day, const QString &code, double qty, const QString &kind, double price_v = 2.0,
               double price_a = 1.5) {
    auto rs = db_->OpenRecordset(QStringLiteral("Giornale"), dbOpenDynaset);
    rs->AddNew();
    rs->Fields(QStringLiteral("Data")).SetValue(rtl::Variant::FromDate(day));
    rs->Fields(QStringLiteral("Barcode18")).SetValue(code);
    rs->Fields(QStringLiteral("Quantita")).SetValue(qty);
    rs->Fields(QStringLiteral("Tipo")).SetValue(kind);
    rs->Fields(QStringLiteral("Prezzo_V")).SetValue(price_v);
    rs->Fields(QStringLiteral("Prezzo_A")).SetValue(price_a);
    rs->Update();
  }
  void Stock(const QString &code, const QString &title, double qty = 1) {
    auto rs = db_->OpenRecordset(QStringLiteral("Giacenza"), dbOpenTable);
    rs->AddNew();
    rs->Fields(QStringLiteral("Barcode18")).SetValue(code);
    rs->Fields(QStringLiteral("Barcode")).SetValue(code.left(13));
    rs->Fields(QStringLiteral("Testata")).SetValue(title);
    rs->Fields(QStringLiteral("Giacenza")).SetValue(qty);
    rs->Update();
  }
  // Runs `f` and returns the engine error number it raised (0 for none).
  template <class F>
  static int ErrorOf(F &&f) {
    try {
      f();
    } catch (const EJetError &e) {
      return e.Number();
    }
    return 0;
  }
  static int Count(Recordset &rs) {
    int n = 0;
    if (rs.Bof() && rs.Eof()) return 0;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) ++n;
    return n;
  }

  QTemporaryDir dir_;
  QString path_;
  DBEngine engine_;
  DatabasePtr db_;
};

}  // namespace jet::testing
