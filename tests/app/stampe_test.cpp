// The print logic without its window: the filters' edges on a shop's week,
// the calculated values, the command's status and cleanup when it fails,
// and the templates given to the data folder.
#include "app/stampe.h"

#include <QFile>
#include <QTemporaryDir>

#include "app/selezioneform.h"
#include "platform/vcl/dialogs.h"
#include "report/engine/component/kvreport.h"
#include "tests/app/stampe_fixture.h"

namespace app::testing {
namespace {

class PrintLogic : public ShopWeek {
 protected:
  void SetUp() override {
    ShopWeek::SetUp();
    vcl::InitApplication();
    logic_.percorso = folder_;
    logic_.OpenArchives();
    form_ = std::make_unique<Tselezioneform>(nullptr, &logic_);
    stampe_ = form_->Logic.get();
  }
  void TearDown() override {
    form_.reset();
    logic_.CloseArchives();
  }
  // The codes the list's dataset shows under the current selection.
  QStringList Codes(TLista which) {
    QStringList codes;
    if (!stampe_->Open(which)) return codes;
    dao::TVuDaoTable *ds = stampe_->DataSetOf(which);
    for (ds->First(); !ds->Eof(); ds->Next()) codes << ds->FieldByName(QStringLiteral("Barcode18"))->AsString();
    stampe_->Close(which);
    return codes;
  }

  TMenuLogic logic_;
  std::unique_ptr<Tselezioneform> form_;
  TStampeLogic *stampe_ = nullptr;
};

TEST_F(PrintLogic, DatesCompareByDayAndAnEmptyDateIsInNoPeriod) {
  // A load registered with its time of day still belongs to its day; a
  // stock row with no load date belongs to no period.
  {
    jet::DBEngine engine;
    auto db = engine.OpenDatabase(DatabasePath());
    db->Execute(QStringLiteral("UPDATE Giacenza SET Ucarico = Ucarico + 0.75 WHERE Barcode18 = \"%1\"").arg(kFocus));
    db->Execute(QStringLiteral("UPDATE Giacenza SET Ucarico = Null WHERE Barcode18 = \"%1\"").arg(kAlbum));
    db->Close();
  }
  stampe_->selezione.giacenze.a = Day(2);
  EXPECT_EQ(Codes(TLista::Giacenze), QStringList({kCorriere, kFocus, kTex, kStocked}));
  stampe_->selezione.giacenze.a = 0;
  stampe_->selezione.giacenze.da = Day(3);
  EXPECT_EQ(Codes(TLista::Giacenze), QStringList({kQuattroruote, kEnigmistica}));
  stampe_->selezione.giacenze.da = 0;
  EXPECT_EQ(Codes(TLista::Giacenze).size(), 7);
  // What the user types is a value, never part of the criteria.
  stampe_->selezione.giacenze.fornitore = QStringLiteral("M\"E' OR 1=1");
  EXPECT_TRUE(Codes(TLista::Giacenze).isEmpty());
}

TEST_F(PrintLogic, ExpiredNeedsAReturnDateOnOrBeforeTheDayAndStock) {
  stampe_->selezione.scadute = Day(5);
  EXPECT_EQ(Codes(TLista::Scaduti), QStringList({kCorriere}));  // Tex is due with no copies
  // Corriere's return date is the 4th: due on the day itself, at any hour,
  // not the day before.
  stampe_->selezione.scadute = Day(4) + 0.75;
  EXPECT_EQ(Codes(TLista::Scaduti), QStringList({kCorriere}));
  stampe_->selezione.scadute = Day(3) + 0.75;
  EXPECT_TRUE(Codes(TLista::Scaduti).isEmpty());
  stampe_->selezione.scadute = rtl::EncodeDate(9999, 12, 31);
  EXPECT_FALSE(Codes(TLista::Scaduti).contains(kAlbum));  // no return date: never due
  // No day chosen: today's.
  stampe_->selezione.scadute = 0;
  EXPECT_EQ(Codes(TLista::Scaduti), QStringList({kCorriere}));
  EXPECT_EQ(stampe_->selezione.scadute, Day(9));
}

TEST_F(PrintLogic, TheReturnsListHoldsReturnsOnlyAndTheJournalEverything) {
  EXPECT_EQ(Codes(TLista::Movimenti).size(), 28);
  // By distributor, then title.
  EXPECT_EQ(Codes(TLista::Resi), QStringList({kCorriere, kCorriere, kEnigmistica, kTex}));
  // The journal keeps its own order afterwards.
  EXPECT_EQ(Codes(TLista::Movimenti).first(), kPurged);
  // A consignment test on a movement whose article was purged: not on
  // consignment.
  stampe_->selezione.giornale.deposito = TDeposito::No;
  EXPECT_TRUE(Codes(TLista::Movimenti).contains(kPurged));
  stampe_->selezione.giornale.deposito = TDeposito::Si;
  EXPECT_FALSE(Codes(TLista::Movimenti).contains(kPurged));
}

TEST_F(PrintLogic, TheJournalsValuesAreComputedOncePerRow) {
  ASSERT_TRUE(stampe_->Open(TLista::Movimenti));
  dao::TVuDaoTable *ds = stampe_->stampa_giornale;
  EXPECT_EQ(stampe_->stampa_giornaleValore_A->FieldKind(), vcl::fkCalculated);
  EXPECT_EQ(ds->FindField(QStringLiteral("Valore_V")), stampe_->stampa_giornaleValore_V);
  double a = 0, v = 0;
  for (ds->First(); !ds->Eof(); ds->Next()) {
    const double q = stampe_->stampa_giornaleQuantita->AsFloat();
    EXPECT_DOUBLE_EQ(stampe_->stampa_giornaleValore_A->AsFloat(), q * stampe_->stampa_giornalePrezzo_A->AsFloat());
    a += stampe_->stampa_giornaleValore_A->AsFloat();
    v += stampe_->stampa_giornaleValore_V->AsFloat();
  }
  EXPECT_NEAR(a, 100.80 - 11.70 - 38.90, 1e-9);
  EXPECT_NEAR(v, 139.70 - 16.30 - 53.40, 1e-9);
  stampe_->Close(TLista::Movimenti);
}

TEST_F(PrintLogic, TheSelectionInWords) {
  stampe_->lista = TLista::Giacenze;
  EXPECT_EQ(stampe_->SelectionText(), QStringLiteral("Tutte le riviste"));
  TCriteri &c = stampe_->selezione.giacenze;
  c.da = Day(1);
  c.fornitore = QStringLiteral("MEPE");
  c.periodo = QStringLiteral("MEN");
  c.periodo_testo = QStringLiteral("Mensile");
  c.deposito = TDeposito::Si;
  c.solo_giacenza = true;
  EXPECT_EQ(stampe_->SelectionText(),
            QString::fromUtf8("Ultimo carico dal 01/12/2026 - Fornitore MEPE - Periodicità Mensile - "
                              "solo in conto deposito - solo riviste con giacenza"));
  stampe_->lista = TLista::Resi;
  stampe_->selezione.giornale.a = Day(9);
  EXPECT_EQ(stampe_->SelectionText(), QStringLiteral("Movimenti fino al 09/12/2026"));
  rtl::Variant v;
  EXPECT_TRUE(stampe_->GetReportValue(QStringLiteral("SCADUTE AL"), v));
  EXPECT_EQ(v.AsDateTime(), Day(9));
  EXPECT_FALSE(stampe_->GetReportValue(QStringLiteral("Testata"), v));
}

TEST_F(PrintLogic, AFailingListPutsTheStatusBackAndClosesItsDataset) {
  report::TkvReport report(nullptr);
  report.SetShowProgress(false);
  stampe_->SetReport(&report);
  QStringList statuses;
  stampe_->ShowStatus = [&](const QString &s) {
    statuses << s;
    if (s != kIdleStatus) {
      EXPECT_FALSE(stampe_->stampa_giornale->Active());
    }
  };
  stampe_->Ask = [](TLista) { return true; };
  // No template anywhere.
  EXPECT_THROW(stampe_->Stampa(TLista::Movimenti), report::EkvReportError);
  EXPECT_EQ(statuses, QStringList({QStringLiteral("Stampa movimenti ..."), kIdleStatus}));
  EXPECT_EQ(logic_.lb_showrivista, kIdleStatus);
  EXPECT_FALSE(stampe_->stampa_giornale->Active());

  // Nothing asked, nothing done.
  statuses.clear();
  stampe_->Ask = [](TLista) { return false; };
  stampe_->Stampa(TLista::Resi);
  EXPECT_TRUE(statuses.isEmpty());
}

// --- the templates given to the data folder ---------------------------------------------------

class TemplateInstall : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(program_.isValid() && data_.isValid());
    for (const QString &name : kListTemplates) Write(program_.filePath(name), "modello " + name.toLatin1());
  }
  static void Write(const QString &file, const QByteArray &bytes) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  static QByteArray Read(const QString &file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QTemporaryDir program_, data_;
};

TEST_F(TemplateInstall, MissingTemplatesAreCopiedAndTheUsersStay) {
  EXPECT_EQ(InstallListTemplates(program_.path(), data_.path()), kListTemplates);
  EXPECT_EQ(Read(data_.filePath("Report4_3.kvf")), QByteArray("modello Report4_3.kvf"));
  // The user changes one and removes another; a copy from the old program
  // has its name in capitals.
  Write(data_.filePath("Report4_1.kvf"), "mio");
  QFile::remove(data_.filePath("Report4_2.kvf"));
  QFile::remove(data_.filePath("Report4_4.kvf"));
  Write(data_.filePath("REPORT4_4.KVF"), "vecchio");
  EXPECT_EQ(InstallListTemplates(program_.path(), data_.path()), QStringList{"Report4_2.kvf"});
  EXPECT_EQ(Read(data_.filePath("Report4_1.kvf")), QByteArray("mio"));
  EXPECT_EQ(Read(data_.filePath("Report4_2.kvf")), QByteArray("modello Report4_2.kvf"));
  EXPECT_FALSE(QFile::exists(data_.filePath("Report4_4.kvf")));
  EXPECT_EQ(TemplateFileIn(data_.path(), "Report4_4.kvf"), QStringLiteral("REPORT4_4.KVF"));
  EXPECT_EQ(TemplateFileIn(data_.path(), "Report4_9.kvf"), QStringLiteral("Report4_9.kvf"));
  // Nothing more to give.
  EXPECT_TRUE(InstallListTemplates(program_.path(), data_.path()).isEmpty());
}

TEST_F(TemplateInstall, AFolderThatCannotTakeThemIsReported) {
  // A program folder without templates gives nothing.
  QTemporaryDir empty;
  EXPECT_TRUE(InstallListTemplates(empty.path(), data_.path()).isEmpty());
  // The data folder is a file: nothing can be written there.
  const QString file = data_.filePath("non una cartella");
  Write(file, "x");
  EXPECT_THROW(InstallListTemplates(program_.path(), file), rtl::Exception);
}

}  // namespace
}  // namespace app::testing
