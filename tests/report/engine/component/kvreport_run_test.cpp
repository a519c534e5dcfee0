// Preparing and showing: the progress window's labels in one and two
// passes, the error text instead of the preview, cancelling, interleaved
// pages, the composite report and the previews the engine opens.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSet>

#include "report/engine/component/kvprogr.h"
#include "report/engine/component/kvslots.h"
#include "tests/report/engine/component/report_fixture.h"

namespace {

using namespace report;
using namespace report::testing;

// The labels the progress window showed, in order and without repeats.
class ProgressLabels {
 public:
  explicit ProgressLabels(TkvReport *report) {
    report->ProcessMessages = [this] {
      TProgressForm *form = KvSharedProgressForm();
      if (!form->Visible()) return;
      const QString text = form->Label()->Caption();
      if (labels.isEmpty() || labels.last() != text) labels << text;
      captions.insert(form->Caption());
    };
  }
  QStringList labels;
  QSet<QString> captions;
};

// A report of `pages` pages of four rows, each with its page footer.
void FourRowsAPage(vcl::TComponent *owner, TkvReport *report, int pages, const QString &footer) {
  Rows(owner, "Righe", pages * 4);
  TkvPage *page = report->Pages().Page(0);
  ListPage(page, "Righe", "Riga", 4);
  SetMemoText(page->Views.back().get(), footer);
}

TEST_F(ComponentTest, OnePassShowsThePagesBeingBuilt) {
  FourRowsAPage(&owner, report, 3, "Pagina [PAGE#]");
  report->SetTitle("Giacenze");
  ProgressLabels progress(report);
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  EXPECT_EQ(report->EMFPages().Count(), 3);
  EXPECT_TRUE(progress.labels.contains("Pagina in costruzione:  2")) << progress.labels.join("|").toStdString();
  EXPECT_EQ(progress.captions, QSet<QString>{"Report in preparazione - Giacenze"});
  EXPECT_FALSE(KvSharedProgressForm()->Visible());
}

TEST_F(ComponentTest, DoublePassGivesTheTotalAndCountsAgainstIt) {
  FourRowsAPage(&owner, report, 5, "Pagina [PAGE#] di [TOTALPAGES]");
  report->SetDoublePass(true);
  ProgressLabels progress(report);
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  ASSERT_EQ(report->EMFPages().Count(), 5);
  for (int i = 0; i < 5; ++i)
    EXPECT_TRUE(report->EMFPages().Page(i)->Texts().contains(QStringLiteral("Pagina %1 di 5").arg(i + 1)));
  EXPECT_TRUE(progress.labels.contains(QString::fromUtf8("Esecuzione 1° passo:  2")))
      << progress.labels.join("|").toStdString();
  EXPECT_TRUE(progress.labels.contains("Pagina in costruzione:  3 di 5")) << progress.labels.join("|").toStdString();
  // The option is as it was, and stays so when a pass fails.
  EXPECT_TRUE(report->DoublePass());
  report->ProcessMessages = [] { throw std::runtime_error("guasto"); };
  EXPECT_THROW(report->PrepareReport(), std::runtime_error);
  EXPECT_TRUE(report->DoublePass());
  EXPECT_FALSE(KvSharedProgressForm()->Visible());
}

TEST_F(ComponentTest, ACancelInTheFirstOfTwoPassesEndsThePreparation) {
  FourRowsAPage(&owner, report, 5, "Pagina [PAGE#]");
  report->SetDoublePass(true);
  int passes = 0;
  report->OnBeginDoc = [&] { ++passes; };
  int rows = 0;
  report->ProcessMessages = [&] {
    if (++rows == 6) KvSharedProgressForm()->CancelButton()->Click();
  };
  EXPECT_FALSE(report->PrepareReport());
  EXPECT_EQ(passes, 1);
  EXPECT_TRUE(report->DoublePass());
  EXPECT_EQ(KvSharedProgressForm()->ModalResult(), vcl::mrCancel);
  // Without the window, a cancel in a single pass is false too.
  report->SetDoublePass(false);
  report->SetShowProgress(false);
  rows = 0;
  report->ProcessMessages = [&] {
    if (++rows == 6) report->SetTerminated(true);
  };
  EXPECT_FALSE(report->PrepareReport());
}

TEST_F(ComponentTest, EventsComeInTheirPlaces) {
  Rows(&owner, "Righe", 2);
  ListPage(report->Pages().Page(0), "Righe", "Riga", 10);
  ListPage(report->Pages().AddPage(), "Righe", "Altra", 10);
  report->SetShowProgress(false);
  QStringList log;
  report->OnBeginDoc = [&] { log << "BeginDoc"; };
  report->OnEndDoc = [&] { log << "EndDoc"; };
  report->OnBeginPage = [&](int pg) { log << QStringLiteral("BeginPage %1").arg(pg); };
  report->OnEndPage = [&](int pg) { log << QStringLiteral("EndPage %1").arg(pg); };
  report->OnProgress = [&](int n, bool page) {
    if (page) log << QStringLiteral("Progress %1").arg(n);
  };
  int drawn = 0;
  report->OnDrawObject = [&](TkvView *) { ++drawn; };
  ASSERT_TRUE(report->PrepareReport());
  EXPECT_EQ(log, QStringList({"BeginDoc", "Progress 1", "BeginPage 0", "EndPage 1", "Progress 1", "BeginPage 1",
                              "EndPage 1", "Progress 2", "EndDoc"}));
  EXPECT_EQ(drawn, 6);  // two rows and a footer on each page
}

TEST_F(ComponentTest, UserFunctionsAndValuesComeFromTheEvents) {
  AddMemo(report->Pages().Page(0), 10, 10, 200, 20, "[DOPPIO(21)] [Cliente]");
  report->SetShowProgress(false);
  report->Values()->AddValue("Cliente");
  report->OnUserFunction = [](const QString &name, const rtl::Variant &p1, const rtl::Variant &, const rtl::Variant &,
                              rtl::Variant &val) {
    if (name.compare("DOPPIO", Qt::CaseInsensitive) == 0) val = rtl::Variant(p1.AsInteger() * 2);
  };
  report->OnGetValue = [](const QString &name, rtl::Variant &value) {
    if (name == "Cliente") value = rtl::Variant(QStringLiteral("Rossi"));
  };
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  EXPECT_EQ(report->EMFPages().Page(0)->Texts(), QStringList({"42 Rossi"}));
}

// ---- errors and showing -----------------------------------------------------------------

// A preview that notes it was made and closes at once.
class NotedPreview : public TkvPreview {
 public:
  explicit NotedPreview(int *made) : TkvPreview(nullptr) {
    ++*made;
    OnShow = [this](rtl::TObject *) {
      if (ShownModal()) SetModalResult(vcl::mrOk);
    };
  }
  void DrawPage(QPainter *, int, const QRect &) override {}
};

class Showing : public ComponentTest {
 protected:
  void SetUp() override {
    ComponentTest::SetUp();
    KvPreviewFormClass() = [this](vcl::TComponent *) -> TkvPreview * {
      auto *p = new NotedPreview(&previews_made);
      last = p;
      return p;
    };
  }
  void TearDown() override {
    KvPreviewFormClass() = nullptr;
    ComponentTest::TearDown();
  }
  int previews_made = 0;
  TkvPreview *last = nullptr;
};

TEST_F(Showing, AnErrorOnTheSecondPageIsShownInsteadOfThePreview) {
  Rows(&owner, "Righe", 2);
  ListPage(report->Pages().Page(0), "Righe", "Riga", 10);
  TkvPage *second = report->Pages().AddPage();
  second->AddBand(btReportTitle, 10, 20);
  AddMemo(second, 10, 10, 100, 20, "[1 +]")->Name = "Conto";
  report->ShowReport();
  EXPECT_EQ(previews_made, 0);
  ASSERT_EQ(requests.size(), 1u);
  const vcl::TDialogRequest &box = requests[0];
  EXPECT_EQ(box.type, vcl::mtError);
  EXPECT_EQ(box.caption, "Errore");
  EXPECT_TRUE(box.text.startsWith(QString::fromUtf8("Si è verificato un errore durante la fase di preparazione\n")))
      << box.text.toStdString();
  EXPECT_TRUE(box.text.contains("\nOggetto: Conto\nBanda: Titolo report\n")) << box.text.toStdString();
  EXPECT_TRUE(box.text.endsWith("\nPagina: 2")) << box.text.toStdString();
  // The report is ready for the next run.
  EXPECT_EQ(report->EMFPages().Count(), 0);
  EXPECT_EQ(report->ErrorText(), QString());
}

TEST_F(Showing, AModalPreviewShowsTheReportItself) {
  Rows(&owner, "Righe", 2);
  ListPage(report->Pages().Page(0), "Righe", "Riga", 10);
  report->SetTitle("Resi");
  TkvReport *shown = nullptr;
  QString caption;
  KvPreviewFormClass() = [&](vcl::TComponent *) -> TkvPreview * {
    auto *p = new NotedPreview(&previews_made);
    p->OnShow = [p, &shown, &caption](rtl::TObject *) {
      shown = p->Report();
      caption = p->Caption();
      EXPECT_EQ(KvOpenPreviews().size(), 1u);
      p->SetModalResult(vcl::mrOk);
    };
    return p;
  };
  report->ShowReport();
  EXPECT_EQ(previews_made, 1);
  EXPECT_EQ(shown, report);
  EXPECT_EQ(caption, "Anteprima - Resi");
  EXPECT_TRUE(KvOpenPreviews().empty());
  EXPECT_TRUE(requests.empty());
}

TEST_F(Showing, ClosingANonModalPreviewFreesOnlyItsCopy) {
  Rows(&owner, "Righe", 6);
  ListPage(report->Pages().Page(0), "Righe", "Riga", 4);
  report->SetModalPreview(false);
  ASSERT_TRUE(report->PrepareReport());
  report->ShowPreparedReport();
  ASSERT_EQ(previews_made, 1);
  TkvReport *copy = last->Report();
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, report);
  EXPECT_EQ(copy->EMFPages().Count(), 2);
  EXPECT_EQ(copy->EMFPages().Page(1)->Texts(), report->EMFPages().Page(1)->Texts());
  EXPECT_EQ(last->FormStyle(), vcl::fsStayOnTop);
  bool copy_freed = false;
  struct Watch : vcl::TComponent {
    bool *flag;
    explicit Watch(bool *f) : flag(f) {}
    void Notification(vcl::TComponent *c, vcl::TOperation op) override {
      vcl::TComponent::Notification(c, op);
      if (op == vcl::opRemove) *flag = true;
    }
  } watch(&copy_freed);
  copy->FreeNotification(&watch);
  last->Close();
  EXPECT_TRUE(copy_freed);
  EXPECT_TRUE(KvOpenPreviews().empty());
  QCoreApplication::processEvents();
  EXPECT_EQ(report->EMFPages().Count(), 2);
  EXPECT_EQ(report->EMFPages().Page(0)->Texts().first(), "Riga 1");
}

TEST_F(Showing, PreviewsStillOpenAreFreedAtTheEnd) {
  Rows(&owner, "Righe", 2);
  ListPage(report->Pages().Page(0), "Righe", "Riga", 4);
  report->SetModalPreview(false);
  ASSERT_TRUE(report->PrepareReport());
  report->ShowPreparedReport();
  report->ShowPreparedReport();
  ASSERT_EQ(KvOpenPreviews().size(), 2u);
  KvFreeOpenPreviews();
  EXPECT_TRUE(KvOpenPreviews().empty());
  EXPECT_EQ(report->EMFPages().Count(), 1);
}

TEST_F(Showing, WithoutAPreviewNothingIsShown) {
  KvPreviewFormClass() = nullptr;
  Rows(&owner, "Righe", 2);
  ListPage(report->Pages().Page(0), "Righe", "Riga", 4);
  report->ShowReport();
  EXPECT_TRUE(requests.empty());
}

// ---- interleaving and composites ------------------------------------------------------

TEST_F(ComponentTest, InterleavedPagesTakeTurnsBetweenTemplatePages) {
  Rows(&owner, "Prime", 12);
  Rows(&owner, "Seconde", 8);
  ListPage(report->Pages().Page(0), "Prime", "Prima", 4);
  ListPage(report->Pages().AddPage(), "Seconde", "Seconda", 4);
  report->SetInterleavePages(true);
  report->SetShowProgress(false);
  ASSERT_TRUE(report->PrepareReport());
  QStringList footers;
  for (const QStringList &texts : PageTexts()) footers << texts.last();
  EXPECT_EQ(footers, QStringList({"Pagina 1", "Pagina 4", "Pagina 2", "Pagina 5", "Pagina 3"}));

  // Renumbered in two passes, the footers follow the printed order.
  report->SetRenumberInterleaved(true);
  report->SetDoublePass(true);
  ASSERT_TRUE(report->PrepareReport());
  footers.clear();
  QStringList firsts;
  for (const QStringList &texts : PageTexts()) {
    footers << texts.last();
    firsts << texts.first();
  }
  EXPECT_EQ(footers, QStringList({"Pagina 1", "Pagina 2", "Pagina 3", "Pagina 4", "Pagina 5"}));
  EXPECT_EQ(firsts, QStringList({"Prima 1", "Seconda 1", "Prima 5", "Seconda 5", "Prima 9"}));
}

TEST_F(ComponentTest, ACompositeContinuesOnThePreviousPage) {
  TkvCompositeReport composite(&owner);
  composite.ProcessMessages = [] {};
  composite.SetShowProgress(false);
  auto *first = new TkvReport(&owner);
  auto *second = new TkvReport(&owner);
  Rows(&owner, "Poche", 2);
  ListPage(first->Pages().Page(0), "Poche", "Uno", 10);
  TkvPage *p2 = second->Pages().Page(0);
  p2->PrintOnPreviousPage = -1;
  p2->AddBand(btMasterData, 40, 20)->FormatStr = "Poche";
  AddMemo(p2, 40, 40, 200, 20, "Due [LINE#]");
  composite.AddReport(first);
  composite.AddReport(second);
  ASSERT_TRUE(composite.PrepareReport()) << composite.ErrorText().toStdString();
  ASSERT_EQ(composite.EMFPages().Count(), 1);
  EXPECT_EQ(composite.EMFPages().Page(0)->Texts(), QStringList({"Uno 1", "Uno 2", "Due 1", "Due 2", "Pagina 1"}));
  // Without the option the second report starts a page of its own.
  p2->PrintOnPreviousPage = 0;
  ASSERT_TRUE(composite.PrepareReport());
  EXPECT_EQ(composite.EMFPages().Count(), 2);
  // A report freed meanwhile leaves the list.
  delete second;
  EXPECT_EQ(composite.Reports().size(), 1u);
  ASSERT_TRUE(composite.PrepareReport());
  EXPECT_EQ(composite.EMFPages().Count(), 1);
}

}  // namespace
