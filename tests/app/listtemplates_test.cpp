// The four list templates as the repository keeps them (app/templates),
// each prepared over a shop's week (stampe_fixture.h) through the selection
// form's datasets, and read back from the finished pages; and the design
// tool writes exactly the files that are kept.
#include "tools/templates/listtemplates.h"

#include <QFile>
#include <QTemporaryDir>

#include "app/selezioneform.h"
#include "app/stampe.h"
#include "platform/vcl/dialogs.h"
#include "report/engine/component/kvreport.h"
#include "tests/app/stampe_fixture.h"

namespace app::testing {
namespace {

QString KeptTemplate(const QString &name) { return QStringLiteral(ORBISCA_LIST_TEMPLATES "/") + name; }

class ListTemplates : public ShopWeek {
 protected:
  void SetUp() override {
    ShopWeek::SetUp();
    vcl::InitApplication();
    previous_ = vcl::SetDialogResponder([this](vcl::TDialogRequest &r) {
      messages_ << r.text;
      return vcl::mrOk;
    });
    logic_.percorso = folder_;
    logic_.OpenArchives();
    form_ = std::make_unique<Tselezioneform>(nullptr, &logic_);
    report_.SetShowProgress(false);
    report_.ProcessMessages = [] {};
    form_->Logic->SetReport(&report_);
  }
  void TearDown() override {
    form_.reset();
    logic_.CloseArchives();
    vcl::SetDialogResponder(previous_);
  }

  // The list's kept template prepared over the list's dataset opened with
  // the selection; the texts of each finished page.
  std::vector<QStringList> Print(TLista which) {
    TStampeLogic &stampe = *form_->Logic;
    std::vector<QStringList> pages;
    if (!stampe.Open(which)) return pages;
    report_.ClearReport();
    report_.LoadFromFile(KeptTemplate(UseOf(which).template_file));
    EXPECT_TRUE(report_.PrepareReport()) << report_.ErrorText().toStdString();
    stampe.Close(which);
    for (int i = 0; i < report_.EMFPages().Count(); ++i) pages.push_back(report_.EMFPages().Page(i)->Texts());
    return pages;
  }
  static std::string Dump(const std::vector<QStringList> &pages) {
    QString text;
    for (size_t i = 0; i < pages.size(); ++i)
      text += QStringLiteral("--- %1\n").arg(i + 1) + pages[i].join(" | ") + "\n";
    return text.toStdString();
  }

  TMenuLogic logic_;
  std::unique_ptr<Tselezioneform> form_;
  report::TkvReport report_{nullptr};
  QStringList messages_;
  vcl::TDialogResponder previous_;
};

// Whether `texts` holds `run` as consecutive texts.
::testing::AssertionResult Holds(const QStringList &texts, const QStringList &run) {
  for (qsizetype i = 0; i + run.size() <= texts.size(); ++i)
    if (texts.mid(i, run.size()) == run) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no " << run.join(" | ").toStdString() << "\nin "
                                       << texts.join(" | ").toStdString();
}

TEST_F(ListTemplates, StockListHasEveryArticleWithItsValuesAndTheTotals) {
  const auto pages = Print(TLista::Giacenze);
  ASSERT_EQ(pages.size(), 1u) << Dump(pages);
  const QStringList &p = pages[0];
  EXPECT_TRUE(Holds(p, {"Elenco giacenze", "Tutte le riviste", "Codice", "Testata", "Descrizione", "Forn.", "Per.",
                        "C/D", "Ult. carico", "Scadenza", "Giacenza", "Prezzo", "Valore acq.", "Valore ven."}));
  // Ordered by title; the values are stock times each price.
  EXPECT_TRUE(Holds(p, {"977100000000100001", "Corriere dello Sport", "del 02/12", "DIS", "QUO", "Si", "02/12/2026",
                        "04/12/2026", "2", "1,50", "2,20", "3,00", "977100000000200012", "Focus"}));
  // An article without a return date shows none.
  EXPECT_TRUE(Holds(p, {"8001234567890", "Album figurine", "DIS", "No", "04/12/2026", "9", "1,00", "5,40", "9,00"}));
  EXPECT_TRUE(Holds(p, {"Totale (articoli: 7)", "28", "51,20", "71,50", "Stampato il 09/12/2026", "Pagina 1 di 1"}));

  // On consignment only: the heading says so, the totals follow.
  form_->Logic->selezione.giacenze.deposito = TDeposito::Si;
  const auto consigned = Print(TLista::Giacenze);
  ASSERT_EQ(consigned.size(), 1u);
  EXPECT_TRUE(Holds(consigned[0], {"Elenco giacenze", "solo in conto deposito"}));
  EXPECT_TRUE(Holds(consigned[0], {"Totale (articoli: 2)", "5", "14,20", "19,50"}));
}

TEST_F(ListTemplates, JournalGroupsByArticleAndTotalsEachKindAtTheEnd) {
  const auto pages = Print(TLista::Movimenti);
  ASSERT_EQ(pages.size(), 2u) << Dump(pages);
  const QStringList &p = pages[0];
  EXPECT_TRUE(Holds(p, {"Giornale movimenti", "Tutti i movimenti", "Data", "Movimento", "Quantità", "Prezzo acq.",
                        "Prezzo ven.", "Valore acq.", "Valore ven."}));
  // Each article under its heading, its movements in date order with the
  // kind written out and signed quantities, and its total.
  EXPECT_TRUE(
      Holds(p, {"977100000000100001", "Corriere dello Sport del 02/12", "Fornitore DIS", "01/12/2026", "Carico", "5",
                "1,10", "1,50", "5,50", "7,50", "01/12/2026", "Vendita", "-2", "1,10", "1,50", "-2,20", "-3,00"}));
  EXPECT_TRUE(Holds(p, {"03/12/2026", "Reso", "-1", "1,10", "1,50", "-1,10", "-1,50", "09/12/2026", "Reso", "-2",
                        "1,10", "1,50", "-2,20", "-3,00", "Totale articolo", "2", "2,20", "3,00"}));
  EXPECT_TRUE(Holds(p, {"Totale articolo", "5", "10,00", "12,50", "Stampato il 09/12/2026", "Pagina 1 di 2"}));
  // The totals of each kind count every movement, not the last article's.
  EXPECT_TRUE(Holds(pages[1], {"Giornale movimenti", "Tutti i movimenti"}));
  EXPECT_TRUE(
      Holds(pages[1], {"Totali per tipo di movimento", "Carichi", "56", "100,80", "139,70", "Resi", "-7", "-11,70",
                       "-16,30", "Vendite", "-22", "-38,90", "-53,40", "Stampato il 09/12/2026", "Pagina 2 di 2"}));

  // A week of one distributor fits one page, totals included.
  TCriteri &c = form_->Logic->selezione.giornale;
  c.da = Day(5);
  c.a = Day(9);
  c.fornitore = QStringLiteral("MEPE");
  const auto week = Print(TLista::Movimenti);
  ASSERT_EQ(week.size(), 1u) << Dump(week);
  EXPECT_TRUE(Holds(week[0], {"Movimenti dal 05/12/2026 al 09/12/2026 - Fornitore MEPE"}));
  EXPECT_TRUE(Holds(week[0], {"Carichi", "0", "0,00", "0,00", "Resi", "-2", "-2,80", "-4,00", "Vendite", "-3", "-8,00",
                              "-10,50", "Stampato il 09/12/2026", "Pagina 1 di 1"}));
  EXPECT_EQ(week[0].count("Giornale movimenti"), 1);
}

TEST_F(ListTemplates, ExpiredListNamesItsDayAndHoldsWhatIsDueAndInStock) {
  form_->Logic->selezione.scadute = Day(9);
  const auto pages = Print(TLista::Scaduti);
  ASSERT_EQ(pages.size(), 1u) << Dump(pages);
  EXPECT_TRUE(Holds(pages[0], {"Giacenze scadute al 09/12/2026",
                               "Riviste con scadenza fino al 09/12/2026 e giacenza diversa da zero"}));
  // Tex is due but has no copies; the album has no return date.
  EXPECT_TRUE(Holds(pages[0], {"977100000000100001", "Corriere dello Sport", "del 02/12", "DIS", "04/12/2026", "2",
                               "2,20", "Totale (articoli scaduti: 1)", "2", "2,20"}));

  form_->Logic->selezione.scadute = Day(10);
  const auto later = Print(TLista::Scaduti);
  ASSERT_EQ(later.size(), 1u);
  EXPECT_TRUE(Holds(later[0], {"Giacenze scadute al 10/12/2026"}));
  EXPECT_TRUE(Holds(later[0], {"977100000000500049", "Settimana Enigmistica", "n. 4900", "MEPE", "10/12/2026", "4",
                               "5,60", "Totale (articoli scaduti: 2)", "6", "7,80"}));
}

TEST_F(ListTemplates, ReturnsListGivesEachDistributorItsPagesTotalAndSignatures) {
  const auto pages = Print(TLista::Resi);
  ASSERT_EQ(pages.size(), 3u) << Dump(pages);
  // Copies returned are positive, the amounts too.
  EXPECT_TRUE(Holds(pages[0], {"Distinta resi", "Tutti i resi"}));
  EXPECT_TRUE(Holds(pages[0], {"Fornitore DIS",
                               "977100000000100001",
                               "Corriere dello Sport",
                               "del 02/12",
                               "03/12/2026",
                               "1",
                               "1,10",
                               "1,10",
                               "977100000000100001",
                               "Corriere dello Sport",
                               "del 02/12",
                               "09/12/2026",
                               "2",
                               "1,10",
                               "2,20",
                               "Totale resi fornitore DIS",
                               "3",
                               "3,30",
                               "Firma rivenditore",
                               "Firma distributore",
                               "Stampato il 09/12/2026",
                               "Pagina 1 di 3"}));
  EXPECT_TRUE(Holds(
      pages[1], {"Fornitore MEPE", "977100000000500049", "Settimana Enigmistica", "n. 4900", "08/12/2026", "2", "1,40",
                 "2,80", "Totale resi fornitore MEPE", "2", "2,80", "Firma rivenditore", "Firma distributore"}));
  EXPECT_TRUE(Holds(pages[2], {"Fornitore SOD", "977100000000400090", "Tex", "n. 790", "05/12/2026", "2", "2,80",
                               "5,60", "Totale resi fornitore SOD", "2", "5,60", "Firma rivenditore",
                               "Firma distributore", "Stampato il 09/12/2026", "Pagina 3 di 3"}));
  // No sale and no load reaches the returns list.
  for (const QStringList &p : pages) EXPECT_FALSE(p.contains("977556677889900000"));
}

TEST_F(ListTemplates, TheDesignToolWritesTheFilesTheRepositoryKeeps) {
  QTemporaryDir out;
  ASSERT_TRUE(out.isValid());
  const QStringList written = tools::WriteListTemplates(*form_, out.path());
  ASSERT_EQ(written.size(), kListTemplates.size());
  for (const QString &name : kListTemplates) {
    QFile kept(KeptTemplate(name)), made(out.filePath(name));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly)) << name.toStdString();
    ASSERT_TRUE(made.open(QIODevice::ReadOnly)) << name.toStdString();
    EXPECT_TRUE(kept.readAll() == made.readAll())
        << name.toStdString() << " differs from its design: run build/tools/orbisca-mktemplates app/templates";
  }
}

}  // namespace
}  // namespace app::testing
