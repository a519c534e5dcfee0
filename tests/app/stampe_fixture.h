// A shop's week for the printed lists: the data folder of app_fixture.h with
// seven articles of three distributors and 28 movements between 05/11/2026
// and 09/12/2026 (loads, returns, sales, and a sale of an article whose
// stock row was purged), written straight through the engine. The figures
// the list tests expect are worked out by hand from the table below.
//
//   article                 forn. per. C/D  acq.  ven.  ult.carico scadenza   giac.
//   Topolino n. 3500        MEPE  MEN  No   2,00  2,50  30/11/2026 30/12/2026   5
//   Corriere dello Sport    DIS   QUO  Si   1,10  1,50  02/12/2026 04/12/2026   2
//   Focus n. 12             SOD   MEN  No   3,20  4,50  02/12/2026 01/01/2027   5
//   Quattroruote dicembre   MEPE  MEN  Si   4,00  5,50  03/12/2026 02/01/2027   3
//   Tex n. 790              SOD   MEN  No   2,80  3,90  05/11/2026 05/12/2026   0
//   Settimana Enigmistica   MEPE  SET  No   1,40  2,00  03/12/2026 10/12/2026   4
//   Album figurine          DIS        No   0,60  1,00  04/12/2026 (none)       9
//
// Totals of the journal: loads 56 copies, 100,80 bought, 139,70 sold;
// returns -7, -11,70, -16,30; sales -22, -38,90, -53,40.
#pragma once

#include <vector>

#include "tests/app/app_fixture.h"

namespace app::testing {

inline const QString kCorriere = QStringLiteral("977100000000100001");
inline const QString kFocus = QStringLiteral("977100000000200012");
inline const QString kQuattroruote = QStringLiteral("977100000000300007");
inline const QString kTex = QStringLiteral("977100000000400090");
inline const QString kEnigmistica = QStringLiteral("977100000000500049");
inline const QString kAlbum = QStringLiteral("8001234567890");
inline const QString kPurged = QStringLiteral("977999999999900001");

class ShopWeek : public DataFolder {
 protected:
  struct Article {
    QString code, testata, descrizione, fornitore, periodo;
    bool cd;
    double acquisto, vendita;
    rtl::TDateTime ucarico, scadenza;  // 0: none
    double giacenza;
  };
  struct Movement {
    rtl::TDateTime day;
    QString code;
    const char *tipo;
    double quantita;  // signed, as the journal keeps it
    double acquisto, vendita;
  };

  static rtl::TDateTime Day(int d, int m = 12, int y = 2026) { return rtl::EncodeDate(y, m, d); }

  void SetUp() override {
    DataFolder::SetUp();
    const std::vector<Article> articles = {
        {kCorriere, "Corriere dello Sport", "del 02/12", "DIS", "QUO", true, 1.10, 1.50, Day(2), Day(4), 2},
        {kFocus, "Focus", "n. 12", "SOD", "MEN", false, 3.20, 4.50, Day(2), Day(1, 1, 2027), 5},
        {kQuattroruote, "Quattroruote", "dicembre", "MEPE", "MEN", true, 4.00, 5.50, Day(3), Day(2, 1, 2027), 3},
        {kTex, "Tex", "n. 790", "SOD", "MEN", false, 2.80, 3.90, Day(5, 11), Day(5), 0},
        {kEnigmistica, "Settimana Enigmistica", "n. 4900", "MEPE", "SET", false, 1.40, 2.00, Day(3), Day(10), 4},
        {kAlbum, "Album figurine", "", "DIS", "", false, 0.60, 1.00, Day(4), 0, 9},
    };
    const double t_a = 2.0, t_v = 2.5;  // Topolino, stocked by the data folder
    const std::vector<Movement> movements = {
        {Day(30, 11), kStocked, "C", 10, t_a, t_v},
        {Day(2), kStocked, "S", -2, t_a, t_v},
        {Day(3), kStocked, "S", -1, t_a, t_v},
        {Day(5), kStocked, "S", -2, t_a, t_v},
        {Day(1), kCorriere, "C", 5, 1.1, 1.5},
        {Day(1), kCorriere, "S", -2, 1.1, 1.5},
        {Day(2), kCorriere, "C", 5, 1.1, 1.5},
        {Day(2), kCorriere, "S", -3, 1.1, 1.5},
        {Day(3), kCorriere, "R", -1, 1.1, 1.5},
        {Day(9), kCorriere, "R", -2, 1.1, 1.5},
        {Day(2), kFocus, "C", 8, 3.2, 4.5},
        {Day(4), kFocus, "S", -1, 3.2, 4.5},
        {Day(6), kFocus, "S", -1, 3.2, 4.5},
        {Day(9), kFocus, "S", -1, 3.2, 4.5},
        {Day(3), kQuattroruote, "C", 4, 4.0, 5.5},
        {Day(7), kQuattroruote, "S", -1, 4.0, 5.5},
        {Day(5, 11), kTex, "C", 3, 2.8, 3.9},
        {Day(20, 11), kTex, "S", -1, 2.8, 3.9},
        {Day(5), kTex, "R", -2, 2.8, 3.9},
        {Day(26, 11), kEnigmistica, "C", 6, 1.4, 2.0},
        {Day(28, 11), kEnigmistica, "S", -1, 1.4, 2.0},
        {Day(3), kEnigmistica, "C", 3, 1.4, 2.0},
        {Day(4), kEnigmistica, "S", -2, 1.4, 2.0},
        {Day(8), kEnigmistica, "R", -2, 1.4, 2.0},
        {Day(4), kAlbum, "C", 12, 0.6, 1.0},
        {Day(6), kAlbum, "S", -2, 0.6, 1.0},
        {Day(8), kAlbum, "S", -1, 0.6, 1.0},
        {Day(7), kPurged, "S", -1, 1.0, 1.5},
    };
    jet::DBEngine engine;
    auto db = engine.OpenDatabase(DatabasePath());
    // One transaction: the rows go to the file once.
    std::shared_ptr<jet::Workspace> workspace = engine.Workspaces(0);
    workspace->BeginTrans();
    auto stock = db->OpenRecordset(QStringLiteral("Giacenza"), jet::dbOpenTable);
    for (const Article &a : articles) {
      stock->AddNew();
      stock->Fields(QStringLiteral("Barcode18")).SetValue(a.code);
      stock->Fields(QStringLiteral("Barcode")).SetValue(a.code.left(13));
      stock->Fields(QStringLiteral("Addon")).SetValue(a.code.mid(13));
      stock->Fields(QStringLiteral("Testata")).SetValue(a.testata);
      stock->Fields(QStringLiteral("Descrizione")).SetValue(a.descrizione);
      stock->Fields(QStringLiteral("Fornitore")).SetValue(a.fornitore);
      stock->Fields(QStringLiteral("Periodo")).SetValue(a.periodo);
      stock->Fields(QStringLiteral("CD")).SetValue(a.cd);
      stock->Fields(QStringLiteral("Prezzo_A")).SetValue(a.acquisto);
      stock->Fields(QStringLiteral("Prezzo_V")).SetValue(a.vendita);
      stock->Fields(QStringLiteral("Giacenza")).SetValue(a.giacenza);
      stock->Fields(QStringLiteral("Ucarico")).SetValue(rtl::Variant::FromDate(a.ucarico));
      if (a.scadenza != 0) stock->Fields(QStringLiteral("Scadenza")).SetValue(rtl::Variant::FromDate(a.scadenza));
      stock->Update();
    }
    auto journal = db->OpenRecordset(QStringLiteral("Giornale"), jet::dbOpenTable);
    for (const Movement &m : movements) {
      journal->AddNew();
      journal->Fields(QStringLiteral("Data")).SetValue(rtl::Variant::FromDate(m.day));
      journal->Fields(QStringLiteral("Barcode18")).SetValue(m.code);
      journal->Fields(QStringLiteral("Tipo")).SetValue(QString::fromLatin1(m.tipo));
      journal->Fields(QStringLiteral("Quantita")).SetValue(m.quantita);
      journal->Fields(QStringLiteral("Prezzo_A")).SetValue(m.acquisto);
      journal->Fields(QStringLiteral("Prezzo_V")).SetValue(m.vendita);
      journal->Update();
    }
    workspace->CommitTrans();
    db->Close();
  }
};

}  // namespace app::testing
