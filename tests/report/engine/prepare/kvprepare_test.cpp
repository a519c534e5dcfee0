// Preparing reports into finished pages: a stock list over the program's
// own table with groups, totals and page numbers; bands that grow with their
// text; page breaks; empty loops; errors; and cancelling a pass.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "platform/vcl/consts.h"
#include "report/engine/component/kvprogr.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/model/kvglobals.h"
#include "tests/report/engine/prepare/stock_report.h"

namespace {

using namespace report;

// A text drawn on a finished page with its base point.
struct Piece {
  int x, y;
  QString text;
};

std::vector<Piece> Pieces(const TkvEMFPage *page) {
  std::vector<Piece> out;
  page->Picture->Enumerate([&](const vcl::TEmfRecord &r) {
    if (r.Type == vcl::EMR_EXTTEXTOUTW) out.push_back({r.TextPoint().X, r.TextPoint().Y, r.Text()});
    return true;
  });
  return out;
}

Piece PieceOf(const TkvEMFPage *page, const QString &text) {
  for (const Piece &p : Pieces(page))
    if (p.text == text) return p;
  ADD_FAILURE() << "no text " << text.toStdString();
  return {-1, -1, {}};
}

int YOf(const TkvEMFPage *page, const QString &text) { return PieceOf(page, text).y; }
int XOf(const TkvEMFPage *page, const QString &text) { return PieceOf(page, text).x; }

TkvMemoView *AddMemo(TkvPage *page, int x, int y, int dx, int dy, const QString &text) {
  TkvMemoView *memo = page->Add<TkvMemoView>(x, y, dx, dy);
  SetMemoText(memo, text);
  return memo;
}

// Bottom margin that leaves `room` pixels between the top margin and the
// page footer of height `footer`.
int BottomMarginFor(const TkvPage &page, int room, int footer) {
  return page.HeightPixels() - page.Margins[1] - room - footer;
}

// A record source of `rows` rows that the test numbers itself.
TkvDataset *Rows(vcl::TComponent *owner, const QString &name, int rows) {
  auto *source = new TkvDataset(owner);
  source->SetName(name);
  source->SetRangeEnd(reCount);
  source->SetRangeEndCount(rows);
  return source;
}

class ReportTest : public ::testing::Test {
 protected:
  TkvEngineStateGuard engine_;
  vcl::TComponent owner{nullptr};
  TkvReport *report = new TkvReport(&owner);
  TkvPage *page = report->Pages().Page(0);

  // A page for sub-reports: one row "Voce n" per row of `source`.
  TkvPage *InnerPage(const QString &source) {
    TkvPage *inner = report->Pages().AddPage();
    inner->AddBand(btMasterData, 50, 20)->FormatStr = source;
    AddMemo(inner, 10, 50, 100, 20, "Voce [LINE#]");
    return inner;
  }

  QStringList AllTexts() {
    QStringList out;
    for (int i = 0; i < report->EMFPages().Count(); ++i) out << report->EMFPages().Page(i)->Texts();
    return out;
  }
};

// ---- the stock list over the program's table --------------------------------------

class StockList : public report::testing::StockReport {
 protected:
  void SetUp() override {
    StockReport::SetUp();
    MakeReport({"[Testata] ASC", "[Barcode18] ASC"});

    // Page header, group header by title, the rows, the group total and the
    // page number, each band 24 pixels high.
    page->AddBand(btPageHeader, 0, 30);
    AddMemo(page, 40, 2, 300, 24, "Elenco giacenze");
    page->AddBand(btGroupHeader, 40, 24)->FormatStr = "Testata";
    AddMemo(page, 40, 40, 300, 24, "Testata: [Testata]");
    page->AddBand(btMasterData, 70, 24)->FormatStr = "Righe";
    AddMemo(page, 60, 70, 200, 24, "[Testata]");
    AddMemo(page, 300, 70, 80, 24, "[Giacenza]");
    page->AddBand(btGroupFooter, 100, 24);
    AddMemo(page, 60, 100, 300, 24, "Totale [SUM([Giacenza])]");
    page->AddBand(btPageFooter, 200, 24);
    AddMemo(page, 40, 200, 200, 24, "Pagina [PAGE#]");
  }
};

TEST_F(StockList, OnePageWithGroupsTotalsAndPageNumber) {
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_EQ(report->EMFPages().Count(), 1);
  EXPECT_EQ(report->EMFPages().Page(0)->Texts(),
            QStringList({"Elenco giacenze",   "Testata: Bianchi",   "Bianchi",   "0",        "Totale 0",
                         "Testata: Corriere", "Corriere",           "3",         "Corriere", "10",
                         "Totale 13",         "Testata: Rossi Uno", "Rossi Uno", "2",        "Totale 2",
                         "Testata: Topolino", "Topolino",           "5",         "Totale 5", "Pagina 1"}));
  // The table is left as the program had it.
  EXPECT_FALSE(static_cast<vcl::TDataSet *>(owner.FindComponent("Giacenza"))->Active());
}

TEST_F(StockList, SummaryTotalsCoverEveryGroupWhileGroupFootersCoverTheirOwn) {
  page->AddBand(btReportSummary, 150, 24);
  AddMemo(page, 40, 150, 400, 24, "Generale [SUM([Giacenza])] media [AVG([Giacenza])] righe [COUNT]");
  page->AddBand(btMasterFooter, 130, 24);
  AddMemo(page, 40, 130, 300, 24, "Righe [COUNT] media [AVG([Giacenza])]");
  // Room for the page header and eight 24-pixel bands: the totals run on
  // across the page break.
  page->Margins[3] = BottomMarginFor(*page, 30 + 8 * 24, 24);
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  QStringList texts;
  for (int i = 0; i < report->EMFPages().Count(); ++i) texts << report->EMFPages().Page(i)->Texts();
  EXPECT_EQ(texts, QStringList({"Elenco giacenze",
                                "Testata: Bianchi",
                                "Bianchi",
                                "0",
                                "Righe 1 media 0",
                                "Totale 0",
                                "Testata: Corriere",
                                "Corriere",
                                "3",
                                "Corriere",
                                "10",
                                "Righe 2 media 6,5",
                                "Pagina 1",
                                "Elenco giacenze",
                                "Totale 13",
                                "Testata: Rossi Uno",
                                "Rossi Uno",
                                "2",
                                "Righe 1 media 2",
                                "Totale 2",
                                "Testata: Topolino",
                                "Topolino",
                                "5",
                                "Righe 1 media 5",
                                "Pagina 2",
                                "Elenco giacenze",
                                "Totale 5",
                                "Generale 20 media 4 righe 5",
                                "Pagina 3"}));
}

TEST_F(StockList, BandsThatDoNotFitGoToTheNextPage) {
  // Room for the page header and six 24-pixel bands.
  page->Margins[3] = BottomMarginFor(*page, 30 + 6 * 24, 24);
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_EQ(report->EMFPages().Count(), 3);
  EXPECT_EQ(report->EMFPages().Page(0)->Texts(),
            QStringList({"Elenco giacenze", "Testata: Bianchi", "Bianchi", "0", "Totale 0", "Testata: Corriere",
                         "Corriere", "3", "Corriere", "10", "Pagina 1"}));
  // The group total that did not fit shows the last row of its group.
  EXPECT_EQ(report->EMFPages().Page(1)->Texts(),
            QStringList({"Elenco giacenze", "Totale 13", "Testata: Rossi Uno", "Rossi Uno", "2", "Totale 2",
                         "Testata: Topolino", "Topolino", "5", "Pagina 2"}));
  EXPECT_EQ(report->EMFPages().Page(2)->Texts(), QStringList({"Elenco giacenze", "Totale 5", "Pagina 3"}));
  // The page footer sits at the bottom limit of every page.
  EXPECT_EQ(YOf(report->EMFPages().Page(0), "Pagina 1"), YOf(report->EMFPages().Page(2), "Pagina 3"));
}

TEST_F(StockList, FooterOnLastPageCanBeLeftOut) {
  page->FooterOnLastPage = 0;
  page->Margins[3] = BottomMarginFor(*page, 30 + 6 * 24, 24);
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(report->EMFPages().Count(), 3);
  EXPECT_TRUE(report->EMFPages().Page(1)->Texts().contains("Pagina 2"));
  EXPECT_FALSE(report->EMFPages().Page(2)->Texts().contains("Pagina 3"));
}

TEST_F(StockList, DataSetWorkIsReported) {
  QStringList work;
  const QString band = page->Views[4]->Name;
  report->OnDataSetWork = [&](const QString &name, vcl::TDataSet *ds, int &, TkvDataSetOperation op) {
    if (op != opNext && op != opPrior) work << name + ":" + QString::number(op) + (ds != nullptr ? "" : "?");
  };
  ASSERT_TRUE(report->PrepareReport());
  EXPECT_EQ(work, QStringList({band + ":0", band + ":2", band + ":1"}));
}

// ---- growing bands, breaks, loops --------------------------------------------------

TEST_F(ReportTest, StretchedMemoPushesWhatLiesBelowIt) {
  new TkvDataset(&owner);
  Rows(&owner, "Due", 2);
  TkvBandView *data = page->AddBand(btMasterData, 100, 60);
  data->FormatStr = "Due";
  data->Flags |= flStretched;
  TkvMemoView *memo = AddMemo(page, 40, 100, 120, 24,
                              "Il giornale arriva in edicola il martedi con un allegato e torna indietro "
                              "dopo trenta giorni se nessuno lo compra [LINE#]");
  memo->Flags |= flStretched | flWordWrap;
  AddMemo(page, 60, 130, 100, 24, "Sotto [LINE#]");     // below the memo: pushed
  AddMemo(page, 300, 130, 100, 24, "Accanto [LINE#]");  // beside it: stays
  page->AddBand(btReportSummary, 200, 24);
  AddMemo(page, 40, 200, 100, 24, "Fine");

  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_EQ(report->EMFPages().Count(), 1);
  const TkvEMFPage *p = report->EMFPages().Page(0);
  std::vector<Piece> pieces = Pieces(p);
  // The wrapped memo ends with the row number on a line of its own.
  const int last_line_1 = YOf(p, "1");
  const int top = page->Limits().Top;
  // The memo needed more lines than its band had room for.
  EXPECT_GT(last_line_1, top + 60);
  EXPECT_GT(YOf(p, "Sotto 1"), last_line_1);
  EXPECT_LT(YOf(p, "Accanto 1"), last_line_1);
  // The second row starts below the grown first one, the summary below both.
  EXPECT_GT(YOf(p, "Accanto 2"), YOf(p, "Sotto 1"));
  EXPECT_GT(YOf(p, "Fine"), YOf(p, "Sotto 2"));
  // The designed geometry is back after preparation.
  EXPECT_EQ(memo->y, 100);
  EXPECT_EQ(memo->dy, 24);
}

TEST_F(ReportTest, BandTallerThanThePagePrintsOnceOnEachPage) {
  Rows(&owner, "Tre", 3);
  page->Margins[3] = BottomMarginFor(*page, 100, 0);
  page->AddBand(btMasterData, 100, 150)->FormatStr = "Tre";
  AddMemo(page, 40, 100, 100, 24, "Riga [LINE#]");
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(report->EMFPages().Count(), 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(report->EMFPages().Page(i)->Texts(), QStringList({QString("Riga %1").arg(i + 1)}));
}

TEST_F(ReportTest, TwoColumnsFillTheFirstBeforeTheSecond) {
  Rows(&owner, "Cinque", 5);
  page->Columns = 2;
  page->Margins[3] = BottomMarginFor(*page, 24 + 3 * 20, 0);
  page->AddBand(btColumnHeader, 50, 24);
  AddMemo(page, 40, 50, 100, 24, "Colonna");
  page->AddBand(btMasterData, 100, 20)->FormatStr = "Cinque";
  AddMemo(page, 40, 100, 100, 20, "N [LINE#]");
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(report->EMFPages().Count(), 1);
  const TkvEMFPage *p = report->EMFPages().Page(0);
  std::vector<Piece> pieces = Pieces(p);
  ASSERT_EQ(pieces.size(), 7u);
  auto at = [&](const QString &t) {
    for (const Piece &piece : pieces)
      if (piece.text == t) return piece;
    return Piece{-1, -1, {}};
  };
  EXPECT_EQ(at("N 4").y, at("N 1").y);  // the second column starts at the column top
  EXPECT_GT(at("N 4").x, at("N 3").x + 200);
  EXPECT_EQ(at("N 5").x, at("N 4").x);
}

TEST_F(ReportTest, EmptyLoopsPrintNeitherHeaderNorFooter) {
  Rows(&owner, "Vuoto", 0);
  Rows(&owner, "Due", 2);
  page->AddBand(btMasterHeader, 40, 20);
  AddMemo(page, 40, 40, 100, 20, "Testa");
  page->AddBand(btMasterData, 70, 20)->FormatStr = "Vuoto";
  AddMemo(page, 40, 70, 100, 20, "Riga");
  page->AddBand(btMasterFooter, 100, 20);
  AddMemo(page, 40, 100, 100, 20, "Piede");
  ASSERT_TRUE(report->PrepareReport());
  EXPECT_EQ(AllTexts(), QStringList());

  // Master rows whose detail is empty print nothing without PrintIfEmpty.
  page->Views.clear();
  page->AddBand(btMasterHeader, 40, 20);
  AddMemo(page, 40, 40, 100, 20, "Testa");
  page->AddBand(btMasterData, 70, 20)->FormatStr = "Due";
  AddMemo(page, 40, 70, 100, 20, "Riga [LINE#]");
  page->AddBand(btMasterFooter, 100, 20);
  AddMemo(page, 40, 100, 100, 20, "Piede");
  page->AddBand(btDetailData, 130, 20)->FormatStr = "Vuoto";
  AddMemo(page, 40, 130, 100, 20, "Dettaglio");
  ASSERT_TRUE(report->PrepareReport());
  EXPECT_EQ(AllTexts(), QStringList());

  page->Views[2]->Flags |= flBandPrintIfEmpty;
  ASSERT_TRUE(report->PrepareReport());
  EXPECT_EQ(AllTexts(), QStringList({"Testa", "Riga 1", "Riga 2", "Piede"}));
}

TEST_F(ReportTest, SkipOnBeginDrawsFramedEmptyRowsFirst) {
  TkvDataset *rows = Rows(&owner, "Due", 2);
  rows->SetSkipOnBegin(2);
  page->AddBand(btMasterData, 70, 20)->FormatStr = "Due";
  AddMemo(page, 40, 70, 100, 20, "Riga [LINE#]")->SetAllFrames();
  ASSERT_TRUE(report->PrepareReport());
  const TkvEMFPage *p = report->EMFPages().Page(0);
  EXPECT_EQ(YOf(p, "Riga 1") - YOf(p, "Riga 2"), -20);
  EXPECT_GE(YOf(p, "Riga 1"), page->Limits().Top + 40);
  int lines = 0;
  p->Picture->Enumerate([&](const vcl::TEmfRecord &r) {
    lines += r.Type == vcl::EMR_RECTANGLE;  // frame lines are thin fills
    return true;
  });
  EXPECT_GE(lines, 16);  // four frames of four lines
}

// ---- errors and cancelling -----------------------------------------------------------

TEST_F(ReportTest, MissingRecordSourceStopsWithWhereItHappened) {
  page->AddBand(btMasterData, 70, 20)->FormatStr = "Manca";
  AddMemo(page, 40, 70, 100, 20, "Riga");
  EXPECT_FALSE(report->PrepareReport());
  EXPECT_TRUE(report->Terminated());
  const QString text = report->ErrorText();
  EXPECT_TRUE(
      text.startsWith("Si è verificato un errore durante la fase di preparazione\r"
                      "Non è stato trovato il kvDataset: Manca"))
      << text.toStdString();
  EXPECT_TRUE(text.contains("\rBanda: ")) << text.toStdString();
  EXPECT_TRUE(text.endsWith("\rPagina: 1")) << text.toStdString();
}

TEST_F(ReportTest, BadExpressionIsTheFirstErrorOnly) {
  Rows(&owner, "Tre", 3);
  page->AddBand(btMasterData, 70, 20)->FormatStr = "Tre";
  TkvMemoView *memo = AddMemo(page, 40, 70, 100, 20, "[1 +]");
  memo->Name = "Conto";
  EXPECT_FALSE(report->PrepareReport());
  const QString text = report->ErrorText();
  EXPECT_TRUE(text.contains("\rOggetto: Conto")) << text.toStdString();
  EXPECT_EQ(text.count("Si è verificato"), 1);
}

TEST_F(ReportTest, CancelStopsTheDataLoop) {
  Rows(&owner, "Molte", 100000);
  page->AddBand(btMasterData, 70, 20)->FormatStr = "Molte";
  AddMemo(page, 40, 70, 100, 20, "[LINE#]");
  int moves = 0;
  report->OnDataSetWork = [&](const QString &, vcl::TDataSet *, int &, TkvDataSetOperation op) {
    if (op == opNext && ++moves == 29) report->SetTerminated(true);
  };
  EXPECT_FALSE(report->PrepareReport());
  EXPECT_EQ(report->ErrorText(), QString());
  int printed = 0;
  for (const QString &t : AllTexts()) printed += !t.isEmpty();
  EXPECT_EQ(printed, 29);
}

// A failure that is no report error (here from the program's own event)
// leaves the pass; everything the pass took is given back on the way out.
TEST_F(ReportTest, FailureLeavingThePassGivesTheEngineAndTheSourcesBack) {
  Rows(&owner, "Tre", 3);
  page->AddBand(btMasterData, 70, 20)->FormatStr = "Tre";
  AddMemo(page, 40, 70, 100, 20, "[LINE#]");
  int opened = 0, closed = 0;
  report->OnDataSetWork = [&](const QString &, vcl::TDataSet *, int &, TkvDataSetOperation op) {
    opened += op == opInit;
    closed += op == opExit;
  };
  report->ProcessMessages = [&] {
    if (opened > 0) throw std::runtime_error("guasto");
  };
  EXPECT_THROW(report->PrepareReport(), std::runtime_error);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(page->Prepared);
  EXPECT_EQ(report->Pass(), nullptr);
  EXPECT_EQ(report->EMFPages().Page(0)->Canvas, nullptr);
  const TkvEngineState &engine = kvEngine();
  EXPECT_EQ(engine.CurReport, nullptr);
  EXPECT_EQ(engine.CurPage, nullptr);
  EXPECT_EQ(engine.CurBand, nullptr);
  EXPECT_EQ(engine.CurView, nullptr);
  EXPECT_EQ(engine.DrawMode, kvDrawDesign);
  EXPECT_FALSE(static_cast<bool>(engine.ExpandBracket));
  EXPECT_FALSE(static_cast<bool>(engine.FormatError));

  // The report prepares again as if nothing had happened.
  report->ProcessMessages = [] {};
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  EXPECT_EQ(AllTexts(), QStringList({"1", "2", "3"}));
}

TEST_F(ReportTest, ProgressWindowCancelsThePass) {
  Rows(&owner, "Molte", 100000);
  page->AddBand(btMasterData, 70, 20)->FormatStr = "Molte";
  AddMemo(page, 40, 70, 100, 20, "[LINE#]");
  TProgressForm form;
  EXPECT_EQ(form.CancelButton()->Caption(), "&Annulla");
  bool prepared = true;
  int rows = 0;
  report->ProcessMessages = [&] {
    if (++rows == 10) form.CancelButton()->Click();
  };
  form.OnWork = [&](TProgressForm *f) {
    prepared = report->PrepareReport();
    if (f->ModalResult() == vcl::mrNone) f->SetModalResult(vcl::mrOk);
  };
  EXPECT_EQ(form.Run(report), vcl::mrCancel);
  EXPECT_FALSE(prepared);
  EXPECT_LT(AllTexts().size(), 20);
}

TEST_F(ReportTest, ProgressWindowEndsWithOkWhenTheWorkEnds) {
  Rows(&owner, "Due", 2);
  page->AddBand(btMasterData, 70, 20)->FormatStr = "Due";
  AddMemo(page, 40, 70, 100, 20, "[LINE#]");
  TProgressForm form;
  form.OnWork = [&](TProgressForm *f) {
    f->Label()->SetCaption("Pagina 1");
    f->SetModalResult(report->PrepareReport() ? vcl::mrOk : vcl::mrCancel);
  };
  EXPECT_EQ(form.Run(report), vcl::mrOk);
  EXPECT_EQ(AllTexts(), QStringList({"1", "2"}));
}

TEST(ProgressFilterForm, CancelRaisesTheExportFlagAndShowsTheShare) {
  KvExportCancelled() = false;
  TProgressFilterForm form;
  EXPECT_EQ(form.Caption(), "Esportazione...");
  form.SetProgressMax(4);
  form.SetProgress(3);
  EXPECT_EQ(form.Label()->Caption(), "75 %");
  form.SetProgress(9);
  EXPECT_EQ(form.Progress(), 4);
  form.OnWork = [](TProgressFilterForm *f) { f->CancelButton()->Click(); };
  EXPECT_EQ(form.Run(), vcl::mrCancel);
  EXPECT_TRUE(KvExportCancelled());
  KvExportCancelled() = false;
}

TEST_F(ReportTest, SplitMemoGoesOnAtTheTopOfTheNextPageWithoutCuttingLines) {
  Rows(&owner, "Una", 1);
  page->Margins[3] = page->HeightPixels() - page->Margins[1] - 100;
  TkvBandView *band = page->AddBand(btMasterData, 100, 420);
  band->FormatStr = "Una";
  band->Flags |= flBandBreaked;
  QStringList lines;
  for (int i = 1; i <= 20; ++i) lines << QString("Riga %1").arg(i);
  AddMemo(page, 40, 100, 200, 410, lines.join("\n"));
  page->AddBand(btReportSummary, 600, 20);
  AddMemo(page, 40, 600, 100, 20, "Fine");

  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_GE(report->EMFPages().Count(), 3);
  QStringList all;
  const int top = page->Limits().Top;
  for (int i = 0; i < report->EMFPages().Count(); ++i) {
    const TkvEMFPage *p = report->EMFPages().Page(i);
    all << p->Texts();
    p->Picture->Enumerate([&](const vcl::TEmfRecord &r) {
      if (r.Type == vcl::EMR_EXTTEXTOUTW) {
        EXPECT_GE(r.TextPoint().Y, top);
        EXPECT_LE(r.TextPoint().Y, top + 100) << r.Text().toStdString();
      }
      return true;
    });
    if (i > 0) {
      // Each further part begins at the top of its page.
      const QStringList texts = p->Texts();
      ASSERT_FALSE(texts.isEmpty());
      int first_y = 100000;
      p->Picture->Enumerate([&](const vcl::TEmfRecord &r) {
        if (r.Type == vcl::EMR_EXTTEXTOUTW) first_y = std::min(first_y, r.TextPoint().Y);
        return true;
      });
      EXPECT_LT(first_y, top + 20);
    }
  }
  EXPECT_EQ(all, lines + QStringList({"Fine"}));
}

void Memo(TkvPage *page, int y, int dy, const QString &text) { AddMemo(page, 40, y, 100, dy, text); }

TEST_F(ReportTest, EmptyRowsFillThePageDownToTheFooter) {
  Rows(&owner, "Due", 2);
  page->Margins[3] = page->HeightPixels() - page->Margins[1] - 200;
  TkvBandView *data = page->AddBand(btMasterData, 100, 20);
  data->FormatStr = "Due";
  data->Flags |= flBandFillEmpty;
  AddMemo(page, 40, 100, 100, 20, "[LINE#]")->SetAllFrames();
  page->AddBand(btMasterFooter, 200, 30);
  Memo(page, 200, 30, "Piede");
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(report->EMFPages().Count(), 1);
  const TkvEMFPage *p = report->EMFPages().Page(0);
  EXPECT_EQ(p->Texts(), QStringList({"1", "2", "Piede"}));
  int frames = 0, footer_y = 0;
  p->Picture->Enumerate([&](const vcl::TEmfRecord &r) {
    frames += r.Type == vcl::EMR_RECTANGLE;
    if (r.Type == vcl::EMR_EXTTEXTOUTW && r.Text() == "Piede") footer_y = r.TextPoint().Y;
    return true;
  });
  // (200 - 30) / 20 = 8 framed rows in all, the footer right below them.
  EXPECT_EQ(frames, 8 * 4);
  EXPECT_GE(footer_y, page->Limits().Top + 160);
}

TEST_F(ReportTest, PageThatPrintsOnThePreviousOneContinuesThere) {
  TkvPage *first = report->Pages().Page(0);
  first->AddBand(btReportTitle, 0, 40);
  Memo(first, 0, 20, "Primo");
  first->AddBand(btPageFooter, 300, 20);
  Memo(first, 300, 20, "Pagina [PAGE#]");
  TkvPage *second = report->Pages().AddPage();
  second->PrintOnPreviousPage = -1;
  second->AddBand(btReportTitle, 0, 40);
  Memo(second, 0, 20, "Secondo");
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(report->EMFPages().Count(), 1);
  EXPECT_EQ(report->EMFPages().Page(0)->Texts(), QStringList({"Primo", "Secondo", "Pagina 1"}));

  // A predecessor that ended exactly at its bottom limit leaves no room:
  // the next page starts a finished page of its own.
  first->Margins[3] = first->HeightPixels() - first->Margins[1] - 40 - 20;
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(report->EMFPages().Count(), 2);
  EXPECT_EQ(report->EMFPages().Page(0)->Texts(), QStringList({"Primo", "Pagina 1"}));
  EXPECT_EQ(report->EMFPages().Page(1)->Texts(), QStringList({"Secondo"}));
}

TEST_F(ReportTest, TableBandsPrintAcrossEachMasterRow) {
  Rows(&owner, "Due", 2);
  Rows(&owner, "Tre", 3);
  TkvBandView *head = page->AddBand(btTableHeader, 0, 500);
  head->x = 40;
  head->dx = 80;
  TkvBandView *cols = page->AddBand(btTableData, 0, 500);
  cols->x = 130;
  cols->dx = 50;
  cols->FormatStr = "Tre";
  page->AddBand(btMasterData, 100, 20)->FormatStr = "Due";
  AddMemo(page, 40, 100, 80, 20, "Testa");  // the table header's cross object
  AddMemo(page, 130, 100, 50, 20, "C[COLUMN#]");
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  const TkvEMFPage *p = report->EMFPages().Page(0);
  EXPECT_EQ(p->Texts(), QStringList({"Testa", "C1", "C2", "C3", "Testa", "C1", "C2", "C3"}));
  std::vector<int> xs;
  for (const Piece &piece : Pieces(p))
    if (piece.text == "C1" || piece.text == "C2") xs.push_back(piece.x);
  ASSERT_EQ(xs.size(), 4u);
  EXPECT_EQ(xs[1] - xs[0], 50);  // one column per table row, the band's width apart
}

TEST_F(ReportTest, PageHeaderTallerThanThePageDoesNotOpenPagesForever) {
  Rows(&owner, "Tre", 3);
  page->Margins[3] = page->HeightPixels() - page->Margins[1] - 100;
  page->AddBand(btPageHeader, 0, 150);
  AddMemo(page, 40, 0, 100, 20, "Testata");
  page->AddBand(btMasterData, 200, 20)->FormatStr = "Tre";
  AddMemo(page, 40, 200, 100, 20, "Riga [LINE#]");
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(report->EMFPages().Count(), 3);
  EXPECT_EQ(report->EMFPages().Page(2)->Texts(), QStringList({"Testata", "Riga 3"}));
}

TEST_F(ReportTest, TableColumnsPastTheRightEdgeGoOnTheNextPage) {
  Rows(&owner, "Due", 2);
  Rows(&owner, "Tre", 3);
  page->RepeatTableHeader = -1;
  TkvBandView *head = page->AddBand(btTableHeader, 0, 500);
  head->x = 40;
  head->dx = 80;
  TkvBandView *cols = page->AddBand(btTableData, 0, 500);
  cols->x = 130;
  cols->dx = 300;
  cols->FormatStr = "Tre";
  page->AddBand(btPageHeader, 20, 30);
  AddMemo(page, 500, 20, 100, 20, "Intestazione");
  page->AddBand(btMasterData, 100, 20)->FormatStr = "Due";
  AddMemo(page, 40, 100, 80, 20, "Testa");
  AddMemo(page, 130, 100, 300, 20, "C[COLUMN#]");
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_EQ(report->EMFPages().Count(), 2);
  EXPECT_EQ(report->EMFPages().Page(0)->Texts(),
            QStringList({"Intestazione", "Testa", "C1", "C2", "Testa", "C1", "C2"}));
  EXPECT_EQ(report->EMFPages().Page(1)->Texts(), QStringList({"Intestazione", "Testa", "C3", "Testa", "C3"}));
  // The rows keep their height on the further page.
  EXPECT_EQ(YOf(report->EMFPages().Page(1), "C3"), YOf(report->EMFPages().Page(0), "C1"));
}

TEST_F(ReportTest, SubReportFormsItsPageInsideTheHostBand) {
  Rows(&owner, "Due", 2);
  Rows(&owner, "Tre", 3);
  TkvPage *inner = InnerPage("Tre");

  page->AddBand(btMasterData, 100, 30)->FormatStr = "Due";
  AddMemo(page, 40, 100, 100, 20, "Cliente [LINE#]");
  TkvSubReportView *sub = page->Add<TkvSubReportView>(200, 100, 200, 20);
  sub->PageIndex = 1;
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_EQ(report->EMFPages().Count(), 1);
  const TkvEMFPage *p = report->EMFPages().Page(0);
  EXPECT_EQ(p->Texts(),
            QStringList({"Cliente 1", "Voce 1", "Voce 2", "Voce 3", "Cliente 2", "Voce 1", "Voce 2", "Voce 3"}));
  const std::vector<Piece> pieces = Pieces(p);
  EXPECT_EQ(pieces[1].y, pieces[0].y);        // the sub-report starts at the view's top
  EXPECT_EQ(pieces[1].x - pieces[0].x, 170);  // at the view's x plus its own objects' x
  EXPECT_EQ(pieces[4].y - pieces[3].y, 20);   // the host goes on below the last row
  // The inner page was made only for the sub-report and is free again.
  EXPECT_FALSE(inner->Prepared);
  EXPECT_TRUE(inner->IsSubReportPage);
}

TEST_F(ReportTest, SubReportThatDoesNotFitBreaksTheHostPage) {
  Rows(&owner, "Una", 1);
  Rows(&owner, "Dieci", 10);
  page->Margins[3] = page->HeightPixels() - page->Margins[1] - 30 - 100;
  page->AddBand(btPageHeader, 0, 30);
  AddMemo(page, 40, 0, 100, 20, "Intestazione");
  InnerPage("Dieci");
  page->AddBand(btMasterData, 100, 20)->FormatStr = "Una";
  page->Add<TkvSubReportView>(200, 100, 200, 20)->PageIndex = 1;
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_EQ(report->EMFPages().Count(), 2);
  EXPECT_EQ(report->EMFPages().Page(0)->Texts(),
            QStringList({"Intestazione", "Voce 1", "Voce 2", "Voce 3", "Voce 4", "Voce 5"}));
  EXPECT_EQ(report->EMFPages().Page(1)->Texts(),
            QStringList({"Intestazione", "Voce 6", "Voce 7", "Voce 8", "Voce 9", "Voce 10"}));
}

TEST_F(StockList, GroupOnANewPageEachAndItsFooterReadsItsLastRow) {
  page->Views[2]->Flags |= flBandNewPage;  // the group header
  SetMemoText(page->Views[8].get(), "Totale [SUM([Giacenza])] ultimo [Giacenza]");
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_EQ(report->EMFPages().Count(), 4);
  EXPECT_EQ(report->EMFPages().Page(1)->Texts(), QStringList({"Elenco giacenze", "Testata: Corriere", "Corriere", "3",
                                                              "Corriere", "10", "Totale 13 ultimo 10", "Pagina 2"}));
  EXPECT_EQ(report->EMFPages().Page(3)->Texts(),
            QStringList({"Elenco giacenze", "Testata: Topolino", "Topolino", "5", "Totale 5 ultimo 5", "Pagina 4"}));
}

TEST_F(ReportTest, InternalSourcesAreFoundByNameAndForgottenWhenFreed) {
  auto *own = new TkvDataset(nullptr);
  own->SetName("Interna");
  own->SetRangeEnd(reCount);
  own->SetRangeEndCount(2);
  auto *shared = Rows(nullptr, "Condivisa", 1);
  report->AddDataset(own);
  report->AddDataset(shared);
  page->AddBand(btMasterData, 100, 20)->FormatStr = "Interna";
  AddMemo(page, 40, 100, 100, 20, "[LINE#]");
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  EXPECT_EQ(AllTexts(), QStringList({"1", "2"}));
  delete shared;
  EXPECT_EQ(report->FindDataset("Condivisa"), nullptr);
  EXPECT_EQ(report->FindDataset("Interna"), own);  // freed with the report
}

TEST_F(ReportTest, DataBandWithoutItsOwnSourcePrintsWithThePreviousOne) {
  Rows(&owner, "Due", 2);
  Rows(&owner, "Una", 1);
  page->AddBand(btMasterData, 100, 20)->FormatStr = "Due";
  AddMemo(page, 40, 100, 100, 20, "A[LINE#]");
  page->AddBand(btMasterData, 130, 20);
  AddMemo(page, 40, 130, 100, 20, "B[LINE#]");
  page->AddBand(btMasterData, 160, 20)->FormatStr = "Una";
  AddMemo(page, 40, 160, 100, 20, "C[LINE#]");
  ASSERT_TRUE(report->PrepareReport());
  // The chain's walk ends at the first band without a source of its own.
  EXPECT_EQ(AllTexts(), QStringList({"A1", "B1", "A2", "B2"}));

  page->Views[2]->FormatStr = "Una";
  ASSERT_TRUE(report->PrepareReport());
  EXPECT_EQ(AllTexts(), QStringList({"A1", "A2", "B1", "C1"}));
}

// ---- the overlay and the objects outside every band ----------------------------------

TEST_F(ReportTest, OverlayAndLooseObjectsSitWhereDesignedOnEveryPage) {
  Rows(&owner, "Tre", 3);
  // One row a page, under a page header; the overlay, the page header and
  // an object outside every band all designed at x 200.
  page->Margins[3] = BottomMarginFor(*page, 100, 0);
  page->AddBand(btPageHeader, 0, 30);
  AddMemo(page, 200, 0, 100, 20, "Intestazione");
  page->AddBand(btOverlay, 100, 40);
  AddMemo(page, 200, 110, 100, 20, "Filigrana");
  page->AddBand(btMasterData, 200, 60)->FormatStr = "Tre";
  AddMemo(page, 40, 200, 100, 20, "Riga [LINE#]");
  AddMemo(page, 200, 400, 100, 20, "Libero");
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_EQ(report->EMFPages().Count(), 3);
  const TkvEMFPage *first = report->EMFPages().Page(0);
  const int x = XOf(first, "Intestazione");
  EXPECT_EQ(XOf(first, "Libero"), x);
  for (int i = 0; i < 3; ++i) {
    const TkvEMFPage *p = report->EMFPages().Page(i);
    EXPECT_EQ(XOf(p, "Filigrana"), x) << "page " << i + 1;
    EXPECT_EQ(YOf(p, "Filigrana"), YOf(first, "Filigrana")) << "page " << i + 1;
  }
  // The loose object prints once, on the first page.
  EXPECT_EQ(AllTexts().count("Libero"), 1);
}

TEST_F(ReportTest, PageMadeForTableColumnsInTheSecondColumnOpensAtTheLeftEdge) {
  Rows(&owner, "Una", 1);
  Rows(&owner, "Tre", 3);
  page->Columns = 2;
  // The title fills the first column, so the row prints in the second one
  // and its table columns run past the right edge onto a page of their own.
  page->Margins[3] = BottomMarginFor(*page, 95, 0);
  page->AddBand(btPageHeader, 0, 20);
  AddMemo(page, 40, 0, 100, 20, "Intestazione");
  page->AddBand(btReportTitle, 30, 70);
  AddMemo(page, 40, 30, 100, 20, "Titolo");
  page->AddBand(btOverlay, 110, 20);
  AddMemo(page, 40, 110, 100, 20, "Filigrana");
  TkvBandView *cols = page->AddBand(btTableData, 0, 500);
  cols->x = 250;
  cols->dx = 300;
  cols->FormatStr = "Tre";
  page->AddBand(btMasterData, 200, 20)->FormatStr = "Una";
  AddMemo(page, 250, 200, 300, 20, "C[COLUMN#]");
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_GE(report->EMFPages().Count(), 2);
  const TkvEMFPage *first = report->EMFPages().Page(0);
  EXPECT_TRUE(report->EMFPages().Page(1)->Texts().contains("C2"));
  for (int i = 1; i < report->EMFPages().Count(); ++i) {
    const TkvEMFPage *p = report->EMFPages().Page(i);
    EXPECT_EQ(XOf(p, "Filigrana"), XOf(first, "Filigrana")) << "page " << i + 1;
    EXPECT_EQ(XOf(p, "Intestazione"), XOf(first, "Intestazione")) << "page " << i + 1;
  }
  EXPECT_EQ(XOf(first, "Filigrana"), XOf(first, "Intestazione"));
}

// ---- where table columns stand ---------------------------------------------------------

// Every x at which `text` is drawn on `page`, left to right.
std::vector<int> XsOf(const TkvEMFPage *page, const QString &text) {
  std::vector<int> out;
  for (const Piece &p : Pieces(page))
    if (p.text == text) out.push_back(p.x);
  std::sort(out.begin(), out.end());
  return out;
}

// A master band at y 100 of `rows` rows holding a table: a header "Testa"
// at x 40 (60 wide), one column "C[COLUMN#]" per row of `columns` at x 100
// (120 wide), the header repeated on further pages. A page header names the
// left limit, so a page x can be told from the text drawn there.
void AddTableRows(TkvPage *page, const QString &rows, const QString &columns) {
  page->RepeatTableHeader = -1;
  page->AddBand(btPageHeader, 0, 30);
  AddMemo(page, page->Limits().Left, 0, 100, 20, "Sinistra");
  TkvBandView *head = page->AddBand(btTableHeader, 0, 500);
  head->x = 40;
  head->dx = 60;
  TkvBandView *cols = page->AddBand(btTableData, 0, 500);
  cols->x = 100;
  cols->dx = 120;
  cols->FormatStr = columns;
  page->AddBand(btMasterData, 100, 20)->FormatStr = rows;
  AddMemo(page, 40, 100, 60, 20, "Testa");
  AddMemo(page, 100, 100, 120, 20, "C[COLUMN#]");
}

TEST_F(ReportTest, TableBeginsAtItsDesignAndGoesOnAtTheLeftLimit) {
  Rows(&owner, "Una", 1);
  Rows(&owner, "Sei", 6);
  AddTableRows(page, "Una", "Sei");
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_EQ(report->EMFPages().Count(), 2);
  const TkvEMFPage *first = report->EMFPages().Page(0);
  const TkvEMFPage *second = report->EMFPages().Page(1);
  const int left = page->Limits().Left;
  // Text drawn at page x `x`.
  auto at = [&](int x) { return std::vector<int>{XOf(first, "Sinistra") - left + x}; };
  EXPECT_EQ(XsOf(first, "Testa"), at(40));
  EXPECT_EQ(XsOf(first, "C1"), at(100));
  EXPECT_EQ(XsOf(first, "C5"), at(580));
  // The sixth column passes the right limit: the header again, then the
  // column, from the left limit.
  EXPECT_EQ(XsOf(second, "Testa"), at(left));
  EXPECT_EQ(XsOf(second, "C6"), at(left + 60));
  EXPECT_EQ(YOf(second, "C6"), YOf(first, "C1"));
}

TEST_F(ReportTest, TableInALaterColumnBeginsThereAndGoesOnAtTheLeftLimit) {
  Rows(&owner, "Quattro", 4);
  Rows(&owner, "Tre", 3);
  page->Columns = 2;
  // Two rows a column: rows 1 and 2 in the first column, 3 and 4 in the
  // second.
  page->Margins[3] = BottomMarginFor(*page, 75, 0);
  AddTableRows(page, "Quattro", "Tre");
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_EQ(report->EMFPages().Count(), 2);
  const TkvEMFPage *first = report->EMFPages().Page(0);
  const TkvEMFPage *second = report->EMFPages().Page(1);
  const int left = page->Limits().Left;
  const int shift = page->ColumnWidth + page->ColumnGap;
  ASSERT_GT(shift, 0);
  auto at = [&](int x) { return XOf(first, "Sinistra") - left + x; };
  auto twice = [&](int a, int b) { return std::vector<int>{at(a), at(b)}; };
  // The first column's tables fit; the second column's begin shifted by
  // the column, like their rows, and their third column passes the right
  // limit.
  EXPECT_EQ(XsOf(first, "Testa"), std::vector<int>({at(40), at(40), at(40 + shift), at(40 + shift)}));
  EXPECT_EQ(XsOf(first, "C1"), std::vector<int>({at(100), at(100), at(100 + shift), at(100 + shift)}));
  EXPECT_EQ(XsOf(first, "C2"), std::vector<int>({at(220), at(220), at(220 + shift), at(220 + shift)}));
  EXPECT_EQ(XsOf(first, "C3"), twice(340, 340));
  // On the further page they go on from the left limit, not from the
  // second column's edge, at the height of their rows.
  EXPECT_EQ(XsOf(second, "Testa"), twice(left, left));
  EXPECT_EQ(XsOf(second, "C3"), twice(left + 60, left + 60));
  EXPECT_EQ(second->Texts().count("C1"), 0);
  std::vector<int> ys;
  for (const Piece &p : Pieces(second))
    if (p.text == "C3") ys.push_back(p.y);
  ASSERT_EQ(ys.size(), 2u);
  EXPECT_EQ(ys[1] - ys[0], 20);
  EXPECT_EQ(ys[0], YOf(first, "C1"));
}

}  // namespace

// ---- sub-reports side by side and inside one another ---------------------------------

// The texts of a finished page that begin with `prefix`, with where they
// stand.
std::vector<Piece> PiecesOf(const TkvEMFPage *page, const QString &prefix) {
  std::vector<Piece> out;
  for (const Piece &p : Pieces(page))
    if (p.text.startsWith(prefix)) out.push_back(p);
  return out;
}

QStringList Numbered(const QString &prefix, int from, int to) {
  QStringList out;
  for (int i = from; i <= to; ++i) out << prefix + QString::number(i);
  return out;
}

QStringList TextsOf(const std::vector<Piece> &pieces) {
  QStringList out;
  for (const Piece &p : pieces) out << p.text;
  return out;
}

TEST_F(ReportTest, TwoSubReportsOfOneBandRunSideBySideAcrossPages) {
  Rows(&owner, "A", 80);
  Rows(&owner, "B", 80);
  // Room for 50 rows of 20 pixels on the first page, which the title
  // opens; further pages have a page header.
  page->Margins[3] = BottomMarginFor(*page, 50 * 20, 0);
  page->HeaderOnFirstPage = 0;
  page->AddBand(btPageHeader, 0, 30);
  AddMemo(page, 40, 0, 200, 20, "Pagina [PAGE#]");
  page->AddBand(btReportTitle, 100, 20);
  page->Add<TkvSubReportView>(40, 100, 200, 20)->PageIndex = 1;
  page->Add<TkvSubReportView>(300, 100, 200, 20)->PageIndex = 2;
  page->AddBand(btReportSummary, 200, 20);
  AddMemo(page, 40, 200, 200, 20, "Fine");
  for (const char *source : {"A", "B"}) {
    TkvPage *inner = report->Pages().AddPage();
    inner->AddBand(btMasterData, 50, 20)->FormatStr = source;
    AddMemo(inner, 10, 50, 100, 20, QString(source) + "[LINE#]");
  }

  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_EQ(report->EMFPages().Count(), 2);
  const TkvEMFPage *one = report->EMFPages().Page(0);
  const TkvEMFPage *two = report->EMFPages().Page(1);
  EXPECT_EQ(TextsOf(PiecesOf(one, "A")), Numbered("A", 1, 50));
  EXPECT_EQ(TextsOf(PiecesOf(one, "B")), Numbered("B", 1, 50));
  EXPECT_EQ(TextsOf(PiecesOf(two, "A")), Numbered("A", 51, 80));
  EXPECT_EQ(TextsOf(PiecesOf(two, "B")), Numbered("B", 51, 80));
  // Each in its own column, row beside row, from the band's top (the top
  // of the page) on the first page and below the page header on the next.
  const std::vector<Piece> first = PiecesOf(one, "A"), second = PiecesOf(one, "B");
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].y, second[i].y) << i;
    EXPECT_EQ(second[i].x - first[i].x, 260) << i;
  }
  EXPECT_EQ(first[0].y, YOf(two, "Pagina 2"));
  EXPECT_EQ(PiecesOf(two, "A")[0].y, YOf(two, "Pagina 2") + 30);
  // The summary follows the longer of the two.
  EXPECT_EQ(YOf(two, "Fine"), PiecesOf(two, "A").back().y + 20);
}

TEST_F(ReportTest, SubReportOfDifferentLengthsEndsBelowTheLonger) {
  Rows(&owner, "Una", 1);
  Rows(&owner, "Tre", 3);
  Rows(&owner, "Due", 2);
  page->AddBand(btMasterData, 100, 20)->FormatStr = "Una";
  page->Add<TkvSubReportView>(40, 100, 200, 20)->PageIndex = 1;
  page->Add<TkvSubReportView>(300, 100, 200, 20)->PageIndex = 2;
  page->AddBand(btReportSummary, 200, 20);
  AddMemo(page, 40, 200, 200, 20, "Fine");
  for (const char *source : {"Tre", "Due"}) {
    TkvPage *inner = report->Pages().AddPage();
    inner->AddBand(btMasterHeader, 20, 20);
    AddMemo(inner, 10, 20, 100, 20, QString(source) + " inizio");
    inner->AddBand(btMasterData, 50, 20)->FormatStr = source;
    AddMemo(inner, 10, 50, 100, 20, QString(source) + " [LINE#] di [COUNT]");
    inner->AddBand(btMasterFooter, 80, 20);
    AddMemo(inner, 10, 80, 100, 20, QString(source) + " righe [COUNT]");
  }
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_EQ(report->EMFPages().Count(), 1);
  const TkvEMFPage *p = report->EMFPages().Page(0);
  EXPECT_EQ(TextsOf(PiecesOf(p, "Tre")),
            QStringList({"Tre inizio", "Tre 1 di 1", "Tre 2 di 2", "Tre 3 di 3", "Tre righe 3"}));
  EXPECT_EQ(TextsOf(PiecesOf(p, "Due")), QStringList({"Due inizio", "Due 1 di 1", "Due 2 di 2", "Due righe 2"}));
  EXPECT_EQ(YOf(p, "Due inizio"), YOf(p, "Tre inizio"));
  EXPECT_EQ(YOf(p, "Fine"), YOf(p, "Tre righe 3") + 20);
}

TEST_F(ReportTest, SubReportInsideASubReportPagePrints) {
  Rows(&owner, "Clienti", 2);
  Rows(&owner, "Ordini", 2);
  Rows(&owner, "Righe", 3);
  // A client, its orders below it, each order's lines beside the order.
  page->AddBand(btMasterData, 100, 40)->FormatStr = "Clienti";
  AddMemo(page, 40, 100, 100, 20, "Cliente [LINE#]");
  page->Add<TkvSubReportView>(40, 120, 200, 20)->PageIndex = 1;
  TkvPage *orders = report->Pages().AddPage();
  orders->AddBand(btMasterData, 50, 20)->FormatStr = "Ordini";
  AddMemo(orders, 20, 50, 100, 20, "Ordine [LINE#]");
  orders->Add<TkvSubReportView>(150, 50, 100, 20)->PageIndex = 2;
  TkvPage *lines = report->Pages().AddPage();
  lines->AddBand(btMasterData, 50, 20)->FormatStr = "Righe";
  AddMemo(lines, 0, 50, 100, 20, "Riga [LINE#]");

  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_EQ(report->EMFPages().Count(), 1);
  const TkvEMFPage *p = report->EMFPages().Page(0);
  const QStringList order_block = {"Ordine 1", "Riga 1", "Riga 2", "Riga 3", "Ordine 2", "Riga 1", "Riga 2", "Riga 3"};
  EXPECT_EQ(p->Texts(), QStringList({"Cliente 1"}) + order_block + QStringList({"Cliente 2"}) + order_block);
  const std::vector<Piece> pieces = Pieces(p);
  // An order's lines start beside it and the next order follows the last.
  EXPECT_EQ(pieces[2].y, pieces[1].y);
  EXPECT_EQ(pieces[2].x - pieces[1].x, 130);
  EXPECT_EQ(pieces[5].y, pieces[4].y + 20);
  EXPECT_EQ(pieces[6].y, pieces[4].y + 20);
  EXPECT_FALSE(lines->Prepared);
}

TEST_F(ReportTest, TableAboveTheMasterBandRunsWhileTheMasterHasRows) {
  Rows(&owner, "Due", 2);
  Rows(&owner, "Tre", 3);
  TkvBandView *cols = page->AddBand(btTableData, 0, 500);
  cols->x = 130;
  cols->dx = 50;
  cols->FormatStr = "Tre";
  page->AddBand(btReportTitle, 40, 20);
  AddMemo(page, 130, 40, 50, 20, "C[COLUMN#]");  // the table in the title
  page->AddBand(btMasterData, 100, 20)->FormatStr = "Due";
  AddMemo(page, 40, 100, 80, 20, "Riga [LINE#]");
  // The first preparation leaves the master source at its end; the next
  // one starts it again for the title's table.
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
    EXPECT_EQ(AllTexts(), QStringList({"C1", "C2", "C3", "Riga 1", "Riga 2"})) << pass;
  }
}

TEST_F(StockList, GroupFootersAreExpandedOnEachRowOfTheirLoop) {
  // What the group footer holds each time it is about to print.
  QStringList seen;
  report->OnBeforeBandPrint = [&](TkvView *view) {
    if (view->FrameTyp != btGroupFooter) return;
    const TkvBand *footer = kvEngine().CurPage->Band(btGroupFooter);
    const auto *memo = static_cast<TkvMemoView *>(footer->Objects.front());
    seen << QStringLiteral("%1 %2 %3")
                .arg(footer->ExpandFlags.join(u','), QString::number(footer->ExpandCount),
                     memo->DisplayLines.Strings(0));
  };
  page->Views[8]->Name = "Totale";
  SetMemoText(page->Views[8].get(), "[Giacenza]");
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  // Rows by title: Bianchi 0; Corriere 3, 10; Rossi Uno 2; Topolino 5. The
  // footer was expanded with each row before the source moved on; the
  // counter runs over the loop.
  EXPECT_EQ(seen, QStringList({"Totale=1 1 0", "Totale=1 3 10", "Totale=1 4 2", "Totale=1 5 5"}));
}
