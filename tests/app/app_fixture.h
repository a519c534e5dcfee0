// A fresh data folder with the program's database (made by the program's own
// builder), a few titles and stock rows, and the work date held at a fixed
// day, so the logic and window tests follow the road of a scanned code from
// the same start.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "app/menuform.h"
#include "platform/jet/engine.h"
#include "platform/rtl/datetime.h"
#include "tools/lib/orbiscadb.h"

namespace app::testing {

// Codes the tests scan.
inline const QString kNewPeriodical = QStringLiteral("977123456702001234");  // supplement "02"
inline const QString kStocked = QStringLiteral("977556677889900000");        // 5 in stock, "MEN"
inline const QString kTitleOnly = QStringLiteral("977112233445501234");      // title "Corriere", "SET"
inline const QString kNonPeriodical = QStringLiteral("8001234567890");

class DataFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    folder_ = QDir::toNativeSeparators(dir_.path()) + QDir::separator();
    jet::DBEngine engine;
    auto db = tools::CreateOrbiscaDatabase(engine, DatabasePath());
    auto stock = db->OpenRecordset(QStringLiteral("Giacenza"), jet::dbOpenTable);
    stock->AddNew();
    stock->Fields(QStringLiteral("Barcode18")).SetValue(kStocked);
    stock->Fields(QStringLiteral("Barcode")).SetValue(kStocked.left(13));
    stock->Fields(QStringLiteral("Addon")).SetValue(kStocked.mid(13));
    stock->Fields(QStringLiteral("Testata")).SetValue(QStringLiteral("Topolino"));
    stock->Fields(QStringLiteral("Descrizione")).SetValue(QStringLiteral(" n. 3500"));
    stock->Fields(QStringLiteral("Fornitore")).SetValue(QStringLiteral("MEPE"));
    stock->Fields(QStringLiteral("Giacenza")).SetValue(5.0);
    stock->Fields(QStringLiteral("Periodo")).SetValue(QStringLiteral("MEN"));
    stock->Fields(QStringLiteral("Prezzo_A")).SetValue(2.0);
    stock->Fields(QStringLiteral("Prezzo_V")).SetValue(2.5);
    stock->Fields(QStringLiteral("Ucarico")).SetValue(rtl::Variant::FromDate(rtl::EncodeDate(2026, 11, 30)));
    stock->Fields(QStringLiteral("Scadenza")).SetValue(rtl::Variant::FromDate(rtl::EncodeDate(2026, 12, 30)));
    stock->Update();
    auto titles = db->OpenRecordset(QStringLiteral("Riviste"), jet::dbOpenDynaset);
    titles->AddNew();
    titles->Fields(QStringLiteral("Barcode")).SetValue(kTitleOnly.left(13));
    titles->Fields(QStringLiteral("Nome")).SetValue(QStringLiteral("Corriere"));
    titles->Fields(QStringLiteral("Fornitore")).SetValue(QStringLiteral("DIS"));
    titles->Fields(QStringLiteral("Periodo")).SetValue(QStringLiteral("SET"));
    titles->Fields(QStringLiteral("Prezzo_A")).SetValue(1.0);
    titles->Fields(QStringLiteral("Prezzo_V")).SetValue(1.4);
    titles->Update();
    db->Close();
  }

  // Counts rows of a table straight from the engine (outside the program's
  // datasets), optionally under a criterion.
  int CountRows(const QString &table, const QString &where = {}) {
    jet::DBEngine engine;
    auto db = engine.OpenDatabase(DatabasePath());
    auto rs = db->OpenRecordset(QStringLiteral("SELECT Count(*) AS n FROM ") + table +
                                    (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where),
                                jet::dbOpenSnapshot);
    const int n = rs->Fields(0).Value().AsInteger();
    db->Close();
    return n;
  }
  double StockOf(const QString &code) {
    const rtl::Variant v = StockField(code, "Giacenza");
    return v.IsEmpty() ? -99999 : v.AsDouble();
  }
  // A field of the stock row of `code` as the database holds it; empty when
  // there is no such row.
  rtl::Variant StockField(const QString &code, const char *field) {
    jet::DBEngine engine;
    auto db = engine.OpenDatabase(DatabasePath());
    auto rs = db->OpenRecordset(
        QStringLiteral("SELECT %1 FROM Giacenza WHERE Barcode18 = \"%2\"").arg(QLatin1String(field), code),
        jet::dbOpenSnapshot);
    const rtl::Variant v = rs->Eof() ? rtl::Variant() : rs->Fields(0).Value();
    db->Close();
    return v;
  }

  QString DatabasePath() const { return dir_.filePath(QString::fromLatin1(schema::kDatabaseFileName)); }

  // The main window started in the data folder as the program starts it:
  // `during` runs once its start-up is over, then the window is closed, and
  // `after_close` sees it closed before it is freed.
  void StartMainWindowAndClose(const std::function<void(TMenuForm &)> &during = {},
                               const std::function<void(TMenuForm &)> &after_close = {}) {
    const QString saved = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    vcl::InitApplication();
    {
      TMenuForm form(nullptr);
      form.Show();
      for (int i = 0; i < 100 && !form.Started(); ++i) QTest::qWait(10);
      EXPECT_TRUE(form.Started());
      if (form.Started() && during) during(form);
      form.Close();
      if (after_close) after_close(form);
    }
    QDir::setCurrent(saved);
  }

  const rtl::TDateTime day_ = rtl::EncodeDate(2026, 12, 9);
  rtl::FixedClockGuard clock_{day_ + 0.5};
  QTemporaryDir dir_;
  QString folder_;
};

}  // namespace app::testing
