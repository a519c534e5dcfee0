// A fresh program database in a temporary folder (made by the program's own
// builder) with a few titles, stock rows and journal rows, and a connected
// database component over it. The table tests open their datasets on it.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "dao/vudaodatabase.h"
#include "dao/vudaotable.h"
#include "platform/jet/engine.h"
#include "platform/rtl/datetime.h"
#include "tools/lib/orbiscadb.h"

namespace dao::testing {

class DaoDb : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    path_ = dir_.filePath(QStringLiteral("orbisca4.mdb"));
    ASSERT_TRUE(QFile::copy(Template(), path_));
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner);
    database_ = std::make_unique<TVuDaoDatabase>();
    database_->SetDatabase(path_);
    database_->Open();
  }
  void TearDown() override {
    tables_.clear();
    database_.reset();
  }

  // Building and filling the database costs far more than copying it, so it
  // is made once per test program and each test works on its own copy.
  static QString Template() {
    static QTemporaryDir folder;
    static const QString file = [] {
      const QString f = folder.filePath(QStringLiteral("template.mdb"));
      jet::DBEngine engine;
      auto db = tools::CreateOrbiscaDatabase(engine, f);
      Fill(*db);
      db->Close();
      return f;
    }();
    return file;
  }

  // The rows every table test sees.
  static void Fill(jet::Database &db) {
    auto stock = [&](const QString &code, const QString &title, double qty, const QString &descr = {}) {
      auto rs = db.OpenRecordset(QStringLiteral("Giacenza"), jet::dbOpenTable);
      rs->AddNew();
      rs->Fields(QStringLiteral("Barcode18")).SetValue(code);
      rs->Fields(QStringLiteral("Barcode")).SetValue(code.left(13));
      rs->Fields(QStringLiteral("Testata")).SetValue(title);
      if (!descr.isEmpty()) rs->Fields(QStringLiteral("Descrizione")).SetValue(descr);
      rs->Fields(QStringLiteral("Giacenza")).SetValue(qty);
      rs->Fields(QStringLiteral("Prezzo_V")).SetValue(1.5);
      rs->Update();
    };
    stock(QStringLiteral("977112233445501234"), QStringLiteral("Corriere"), 10, QStringLiteral("n. 1"));
    stock(QStringLiteral("977556677889900000"), QStringLiteral("Topolino"), 5);
    stock(QStringLiteral("9771234567890"), QStringLiteral("Rossi Uno"), 2);
    stock(QStringLiteral("9771234567891"), QStringLiteral("Bianchi"), 0);
    stock(QStringLiteral("8001234567890"), QStringLiteral("Corriere"), 3);
    auto journal = [&](rtl::TDateTime day, const QString &code, double qty, const QString &kind, double pv, double pa) {
      auto rs = db.OpenRecordset(QStringLiteral("Giornale"), jet::dbOpenDynaset);
      rs->AddNew();
      rs->Fields(QStringLiteral("Data")).SetValue(rtl::Variant::FromDate(day));
      rs->Fields(QStringLiteral("Barcode18")).SetValue(code);
      rs->Fields(QStringLiteral("Quantita")).SetValue(qty);
      rs->Fields(QStringLiteral("Tipo")).SetValue(kind);
      rs->Fields(QStringLiteral("Prezzo_V")).SetValue(pv);
      rs->Fields(QStringLiteral("Prezzo_A")).SetValue(pa);
      rs->Update();
    };
    const rtl::TDateTime d31 = rtl::EncodeDate(2004, 12, 31);
    journal(d31, QStringLiteral("977112233445501234"), 10, QStringLiteral("C"), 1.2, 1.0);
    journal(d31, QStringLiteral("977556677889900000"), 5, QStringLiteral("C"), 2.5, 2.0);
    journal(d31, QStringLiteral("977556677889900000"), -1, QStringLiteral("S"), 2.5, 2.0);
    journal(rtl::EncodeDate(2004, 12, 30), QStringLiteral("977112233445501234"), 3, QStringLiteral("C"), 1.2, 1.0);
    auto titles = db.OpenRecordset(QStringLiteral("Riviste"), jet::dbOpenDynaset);
    for (const auto &[code, name] : {std::pair{"9771122334455", "Corriere"}, std::pair{"9775566778899", "Topolino"}}) {
      titles->AddNew();
      titles->Fields(QStringLiteral("Barcode")).SetValue(QString::fromLatin1(code));
      titles->Fields(QStringLiteral("Nome")).SetValue(QString::fromLatin1(name));
      titles->Update();
    }
  }

  // A table on the fixture's database, freed with the fixture.
  TVuDaoTable *Table(const QString &table_name, int type = 2) {
    tables_.push_back(std::make_unique<TVuDaoTable>());
    TVuDaoTable *t = tables_.back().get();
    t->SetDatabase(database_.get());
    if (!table_name.isEmpty()) t->SetTableName(table_name);
    t->SetTableType(type);
    return t;
  }
  TVuDaoTable *Query(const QString &query, const QStringList &parameters, int type = 2) {
    TVuDaoTable *t = Table(QString(), type);
    t->SetQueryDefName(query);
    t->SetQueryDefParameters(parameters);
    return t;
  }
  // The engine's own view of the file, for checking what was written.
  rtl::Variant EngineValue(const QString &sql, const QString &field) {
    auto rs = database_->DaoDatabase()->OpenRecordset(sql, jet::dbOpenSnapshot);
    if (rs->Bof() && rs->Eof()) return rtl::Variant();
    rs->MoveFirst();
    return rs->Fields(field).Value();
  }
  static QStringList Column(TVuDaoTable *t, const QString &field) {
    QStringList out;
    t->First();
    while (!t->Eof()) {
      out << t->FieldByName(field)->AsString();
      t->Next();
    }
    return out;
  }
  // Runs `f`, returning the message of the exception it raised.
  static QString MessageOf(const std::function<void()> &f) {
    try {
      f();
    } catch (const rtl::Exception &e) {
      return e.Message();
    }
    return QString();
  }

  QTemporaryDir dir_;
  QString path_;
  std::unique_ptr<TVuDaoDatabase> database_;
  std::vector<std::unique_ptr<TVuDaoTable>> tables_;
};

}  // namespace dao::testing
