// The preview window on Qt's offscreen platform: what it shows, the zoom
// box, keys, the context menu, full screen, find with its messages, save,
// open, and printing through "&Stampa" into a PDF file read back with the
// poppler tools.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/os/shell.h"
#include "platform/rtl/formatsettings.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/menus.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/model/kvglobals.h"
#include "report/engine/preview/kvprev.h"
#include "tests/report/engine/pdf_support.h"

namespace {

using namespace report;
using namespace report::testing;

TkvMemoView *AddMemo(TkvPage *page, int x, int y, int dx, int dy, const QString &text) {
  TkvMemoView *memo = page->Add<TkvMemoView>(x, y, dx, dy);
  SetMemoText(memo, text);
  return memo;
}

class PreviewWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    previous_ = vcl::SetDialogResponder([this](vcl::TDialogRequest &request) {
      requests.push_back(request);
      return respond ? respond(request) : vcl::mrOk;
    });
    beeper_ = os::SetBeeper([this](unsigned) { ++beeps; });
    saved_settings_ = rtl::FormatSettings();
    rtl::FormatSettings().DecimalSeparator = u',';
    KvFindSettings() = TkvFindSettings();
    RegisterStandardPreview();

    // Three pages: a title, four rows each, a footer.
    auto *source = new TkvDataset(&owner);
    source->SetName("Righe");
    source->SetRangeEnd(reCount);
    source->SetRangeEndCount(12);
    report = new TkvReport(&owner);
    report->SetShowProgress(false);
    report->ProcessMessages = [] {};
    TkvPage *page = report->Pages().Page(0);
    page->AddBand(btMasterData, 40, 20)->FormatStr = "Righe";
    AddMemo(page, 40, 40, 300, 20, "Riga [LINE#] Sportivo");
    page->AddBand(btPageHeader, 0, 20);
    AddMemo(page, 40, 0, 300, 20, "Gazzetta dello Sport");
    page->AddBand(btPageFooter, 200, 20);
    AddMemo(page, 40, 200, 200, 20, "Pagina [PAGE#]");
    page->Margins[3] = page->HeightPixels() - page->Margins[1] - 5 * 20 - 20;
    ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
    ASSERT_EQ(report->EMFPages().Count(), 3);

    preview = new TStandardPreview(nullptr);
    preview->SetReport(report, false);
    preview->SetShownModal(true);
    preview->SetBounds(0, 0, 900, 700);
    preview->Show();
    QCoreApplication::processEvents();
  }
  void TearDown() override {
    delete preview;
    KvPreviewFormClass() = nullptr;
    os::SetBeeper(beeper_);
    vcl::SetDialogResponder(previous_);
    rtl::FormatSettings() = saved_settings_;
  }

  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(preview->PaintPanel()->Handle(), key, mods);
  }
  void TypeZoom(const QString &text) {
    preview->ZoomBox()->SetFocus();
    preview->ZoomBox()->SetText(QString());
    for (QChar c : text) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  }
  // Answers the find dialog with a text and options, then OK.
  void FindWith(const QString &text, bool part, TkvFindOrigin origin = foFirstPage) {
    TFindForm *f = preview->FindForm();
    f->OnShow = [f, text, part, origin](rtl::TObject *) {
      f->TextBox()->SetText(text);
      f->PartBox()->SetChecked(part);
      f->OriginGroup()->SetItemIndex(origin);
      f->SetModalResult(vcl::mrOk);
    };
    preview->PreviewFind();
  }
  QStringList Messages() const {
    QStringList out;
    for (const auto &r : requests)
      if (r.kind == vcl::TDialogKind::Message) out << r.caption + ": " + r.text;
    return out;
  }

  QTemporaryDir dir;
  TkvEngineStateGuard engine_;
  vcl::TComponent owner{nullptr};
  TkvReport *report = nullptr;
  TStandardPreview *preview = nullptr;
  std::vector<vcl::TDialogRequest> requests;
  std::function<vcl::TModalResult(vcl::TDialogRequest &)> respond;
  int beeps = 0;

 private:
  vcl::TDialogResponder previous_;
  os::Beeper beeper_;
  rtl::TFormatSettings saved_settings_;
};

TEST_F(PreviewWindow, ShowsThePagesWithItsToolsAndCounter) {
  EXPECT_EQ(preview->Caption(), "Anteprima");
  EXPECT_EQ(preview->CounterText(), QStringLiteral("Pagina 1/3") + QString(10, u' '));
  EXPECT_EQ(preview->CounterBox()->Caption(), preview->CounterText());
  EXPECT_EQ(preview->ZoomBox()->Text(), "100,0%");
  EXPECT_EQ(preview->ZoomBox()->Hint(), "Ingrandimento");
  EXPECT_EQ(preview->OpenButton()->Caption(), "&Apri");
  EXPECT_EQ(preview->SaveButton()->Hint(), "Salva il report");
  EXPECT_EQ(preview->PrintButton()->Caption(), "&Stampa");
  EXPECT_EQ(preview->FullScreenButton()->Hint(), "Visualizza l'anteprima a schermo intero");
  EXPECT_EQ(preview->CloseButton()->Caption(), "&Chiudi");
  EXPECT_EQ(preview->ToolPanel()->Height(), 32);
  EXPECT_EQ(preview->VertBar()->SmallChange(), 10);
  EXPECT_EQ(preview->VertBar()->LargeChange(), 200);
  EXPECT_TRUE(preview->VertBar()->Enabled());
  // The first page is painted white on the grey panel, its text black.
  const QImage image = preview->PaintPanel()->Handle()->grab().toImage();
  const QRect page = preview->Layout().PageRect(0);
  EXPECT_EQ(image.pixelColor(2, 2), QColor(192, 192, 192));
  EXPECT_EQ(image.pixelColor(page.left() + 5, page.top() + 5), QColor(Qt::white));
  int dark = 0;
  for (int y = page.top(); y < page.top() + 100; ++y)
    for (int x = page.left(); x < page.left() + 300; ++x) dark += qGray(image.pixel(x, y)) < 100;
  EXPECT_GT(dark, 50);
}

TEST_F(PreviewWindow, TheZoomBoxTakesPercentagesAndModesAndBeepsAtTheRest) {
  TypeZoom("120,5%");
  EXPECT_EQ(preview->Layout().Zoom(), 120.5);
  EXPECT_EQ(preview->ZoomBox()->Text(), "120,5%");
  TypeZoom("0");
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(preview->Layout().Zoom(), 120.5);
  EXPECT_EQ(preview->ZoomBox()->Text(), "120,5%");
  // Letters are not typed into it.
  TypeZoom("8x0");
  EXPECT_EQ(preview->Layout().Zoom(), 80.0);
  preview->ZoomTwoPages();
  EXPECT_EQ(preview->ZoomBox()->Text(), "Due pagine");
  EXPECT_EQ(preview->Layout().Mode(), zmTwoPages);
  preview->NextPage();
  EXPECT_EQ(preview->CurrentPage(), 3);
  preview->SetZoom(5000);
  EXPECT_EQ(preview->Layout().Zoom(), 1000.0);
}

TEST_F(PreviewWindow, KeysPageScrollPrintAndClose) {
  Key(Qt::Key_End);
  EXPECT_EQ(preview->CurrentPage(), 3);
  Key(Qt::Key_Home);
  EXPECT_EQ(preview->CurrentPage(), 1);
  Key(Qt::Key_Plus);
  EXPECT_EQ(preview->CurrentPage(), 2);
  Key(Qt::Key_Minus);
  EXPECT_EQ(preview->CurrentPage(), 1);
  Key(Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(preview->CurrentPage(), 2);
  const int v = preview->Layout().VPos();
  Key(Qt::Key_Down);
  EXPECT_EQ(preview->Layout().VPos(), v + 10);
  Key(Qt::Key_PageUp);
  EXPECT_EQ(preview->Layout().VPos(), v + 10 - 200);
  EXPECT_EQ(preview->VertBar()->Position(), preview->Layout().VPos());
  // F2 asks the print dialog (answered No here).
  respond = [](vcl::TDialogRequest &) { return vcl::mrCancel; };
  Key(Qt::Key_F2);
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back().kind, vcl::TDialogKind::Print);
  EXPECT_EQ(requests.back().from_page, 1);
  EXPECT_EQ(requests.back().to_page, 3);
  EXPECT_EQ(requests.back().copies, 1);
  // Space toggles full screen; Esc leaves it, then closes.
  Key(Qt::Key_Space);
  EXPECT_TRUE(preview->FullScreen());
  EXPECT_FALSE(preview->ToolPanel()->Visible());
  EXPECT_EQ(preview->BorderStyle(), vcl::bsNone);
  EXPECT_TRUE(preview->CounterBox()->Showing());
  Key(Qt::Key_Escape);
  EXPECT_FALSE(preview->FullScreen());
  EXPECT_TRUE(preview->ToolPanel()->Visible());
  EXPECT_TRUE(preview->Visible());
  Key(Qt::Key_Escape);
  EXPECT_FALSE(preview->Visible());
}

TEST_F(PreviewWindow, AltAndTheLetterOfAToolButtonPressesIt) {
  respond = [](vcl::TDialogRequest &) { return vcl::mrCancel; };
  const auto last_kind = [this] { return requests.empty() ? vcl::TDialogKind::Message : requests.back().kind; };
  Key(Qt::Key_S, Qt::AltModifier);  // "&Stampa"
  EXPECT_EQ(last_kind(), vcl::TDialogKind::Print);
  Key(Qt::Key_A, Qt::AltModifier);  // "&Apri"
  EXPECT_EQ(last_kind(), vcl::TDialogKind::Open);
  Key(Qt::Key_V, Qt::AltModifier);  // "Sal&va"
  EXPECT_EQ(last_kind(), vcl::TDialogKind::Save);
  bool find_shown = false;
  TFindForm *f = preview->FindForm();
  f->OnShow = [f, &find_shown](rtl::TObject *) {
    find_shown = true;
    f->SetModalResult(vcl::mrCancel);
  };
  Key(Qt::Key_T, Qt::AltModifier);  // "&Trova"
  EXPECT_TRUE(find_shown);
  // Also while the zoom box, which takes letters, has the focus.
  preview->ZoomBox()->SetFocus();
  const size_t asked = requests.size();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
  ASSERT_EQ(requests.size(), asked + 1);
  EXPECT_EQ(last_kind(), vcl::TDialogKind::Print);
  // A letter no button marks presses nothing; "&Chiudi" closes.
  Key(Qt::Key_Q, Qt::AltModifier);
  EXPECT_EQ(requests.size(), asked + 1);
  EXPECT_TRUE(preview->Visible());
  Key(Qt::Key_C, Qt::AltModifier);
  EXPECT_FALSE(preview->Visible());
}

TEST_F(PreviewWindow, TheContextMenuChecksTheZoomAndSetsIt) {
  QStringList checked;
  vcl::TPopupMenu::ShowSlot = [&](vcl::TPopupMenu *menu, int, int) -> vcl::TMenuItem * {
    vcl::TMenuItem *chosen = nullptr;
    for (int i = 0; i < menu->Items()->Count(); ++i) {
      vcl::TMenuItem *item = menu->Items()->Items(i);
      if (item->Checked()) checked << item->Caption();
      if (item->Caption() == "Una pagina") chosen = item;
    }
    return chosen;
  };
  QTest::mouseClick(preview->PaintPanel()->Handle(), Qt::RightButton, {}, QPoint(30, 30));
  vcl::TPopupMenu::ShowSlot = nullptr;
  EXPECT_EQ(checked, QStringList{"100%"});
  EXPECT_EQ(preview->Layout().Mode(), zmOnePage);
  EXPECT_EQ(preview->ZoomBox()->Text(), "Una pagina");
  EXPECT_EQ(preview->ContextMenu()->Items()->Items(0)->Caption(), "&Apri");
  EXPECT_NE(preview->ContextMenu()->Items()->Items(0)->Bitmap(), nullptr);
}

TEST_F(PreviewWindow, FindTakesWholeWordsAndBlinksOrSaysNothingWasFound) {
  FindWith("SPORT", false);
  EXPECT_TRUE(Messages().isEmpty());
  EXPECT_EQ(preview->Match().Page, 0);
  EXPECT_TRUE(preview->Blinking());
  // The page header's "Sport", not the rows' "Sportivo": each page has one.
  FindWith("SPORT", false, foNext);
  EXPECT_EQ(preview->Match().Page, 1);
  // Scrolled so that the match is in the middle of the view.
  const QRect page = preview->Layout().PageRect(1);
  EXPECT_NEAR(page.top() + preview->Match().Bounds.center().y(), preview->Layout().PanelSize().height() / 2, 2);
  EXPECT_EQ(KvFindSettings().History, QStringList{"SPORT"});
  // As a part of a word it is in every row too.
  FindWith("SPORT", true);
  EXPECT_EQ(preview->Match().Page, 0);
  // The blinking stops by itself.
  for (int i = 0; i < 10 && preview->Blinking(); ++i) QTest::qWait(260);
  EXPECT_FALSE(preview->Blinking());

  FindWith("Calcio", false);
  EXPECT_EQ(
      Messages(),
      QStringList{QString::fromUtf8("Messaggio.: Non è stato trovato nessun elemento che soddisfi la richiesta.")});
  EXPECT_EQ(requests.back().type, vcl::mtWarning);
}

TEST_F(PreviewWindow, TheFindDialogOffersGoingOnOnlyAfterAMatch) {
  TFindForm *f = preview->FindForm();
  EXPECT_EQ(f->Caption(), "Trova testo.");
  f->Load(KvFindSettings());
  EXPECT_FALSE(f->OriginGroup()->Buttons(foNext)->Enabled());
  EXPECT_TRUE(f->PartBox()->Checked());
  EXPECT_EQ(f->OriginGroup()->ItemIndex(), foFirstPage);
  FindWith("Sport", false);
  f->Load(KvFindSettings());
  EXPECT_TRUE(f->OriginGroup()->Buttons(foPrevious)->Enabled());
  f->OriginGroup()->SetItemIndex(foNext);
  f->TextBox()->UserEdited("Altro");
  EXPECT_FALSE(f->OriginGroup()->Buttons(foNext)->Enabled());
  EXPECT_EQ(f->OriginGroup()->ItemIndex(), foFirstPage);
}

// An export filter that writes each text on a line of its own.
class LineFilter : public TkvExportFilter {
 public:
  using TkvExportFilter::TkvExportFilter;
  void OnText(int, int, const QString &text, vcl::TFont *) override { Stream->WriteBytes((text + "\n").toUtf8()); }
};

TEST_F(PreviewWindow, SaveWritesTheReportThePageOrAnExport) {
  KvRegisterExportFilter([](rtl::TStream *s) { return std::make_unique<LineFilter>(s); }, "Righe (*.rig)", "*.rig");
  int filter_at = 0;
  for (const TkvExportFilterInfo &f : KvExportFilters()) {
    ++filter_at;
    if (f.FilterDesc == "Righe (*.rig)") break;
  }
  int index = 2;
  QString name = dir.filePath("p");
  respond = [&](vcl::TDialogRequest &r) {
    if (r.kind != vcl::TDialogKind::Save) return vcl::mrOk;
    EXPECT_EQ(r.caption, "Salva il report.");
    EXPECT_TRUE(r.filter.startsWith("Report file (*.kvp)|*.kvp|Enhanced Meta File - File Grafico (*.emf)|*.emf|"))
        << r.filter.toStdString();
    EXPECT_TRUE(r.filter.contains("|Righe (*.rig)|*.rig")) << r.filter.toStdString();
    r.value = name;
    r.filter_index = index;
    return vcl::mrOk;
  };
  preview->PreviewSave();
  ASSERT_TRUE(QFile::exists(dir.filePath("p.emf")));
  vcl::TMetafile emf;
  QFile f(dir.filePath("p.emf"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  emf.LoadFromBytes(f.readAll());
  EXPECT_EQ(emf.Width(), report->EMFPages().Page(0)->Picture->Width());
  name = dir.filePath("q.EMF");
  preview->PreviewSave();
  EXPECT_TRUE(QFile::exists(dir.filePath("q.EMF")));
  EXPECT_FALSE(QFile::exists(dir.filePath("q.EMF.emf")));

  index = 1;
  name = dir.filePath("giacenze");
  preview->PreviewSave();
  EXPECT_TRUE(QFile::exists(dir.filePath("giacenze.kvp")));
  index = 2 + filter_at;
  name = dir.filePath("giacenze.dat");
  preview->PreviewSave();
  QFile text(dir.filePath("giacenze.rig"));
  ASSERT_TRUE(text.open(QIODevice::ReadOnly));
  EXPECT_TRUE(text.readAll().contains("Riga 12 Sportivo\n"));
}

TEST_F(PreviewWindow, OpenReplacesThePagesAndADamagedFileLeavesThem) {
  TkvReport other;
  other.SetShowProgress(false);
  AddMemo(other.Pages().Page(0), 40, 40, 200, 20, "Altro report");
  ASSERT_TRUE(other.PrepareReport());
  other.SavePreparedReport(dir.filePath("altro.kvp"));
  QString name = dir.filePath("altro.kvp");
  respond = [&](vcl::TDialogRequest &r) {
    if (r.kind == vcl::TDialogKind::Open) {
      EXPECT_EQ(r.caption, "Apre un report.");
      EXPECT_EQ(r.filter, "Report files (*.kvp)|*.kvp");
      r.value = name;
    }
    return vcl::mrOk;
  };
  preview->LastPage();
  preview->PreviewOpen();
  EXPECT_EQ(report->EMFPages().Count(), 1);
  EXPECT_EQ(preview->CounterText().trimmed(), "Pagina 1/1");

  QFile damaged(dir.filePath("rotto.kvp"));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write("\x01\x00\x00\x00\x05", 5);
  damaged.close();
  name = damaged.fileName();
  EXPECT_THROW(preview->PreviewOpen(), rtl::Exception);
  EXPECT_EQ(report->EMFPages().Count(), 1);
}

TEST_F(PreviewWindow, PrintingThroughStampaWritesThePdfTheDialogNames) {
  PdfPrinterScope printer;
  const QString file = dir.filePath("stampa.pdf");
  respond = [&](vcl::TDialogRequest &r) {
    if (r.kind == vcl::TDialogKind::Print) {
      // With only the file printer the dialog starts on a file.
      EXPECT_TRUE(r.value.endsWith(".pdf")) << r.value.toStdString();
      r.value = file;
    }
    return vcl::mrOk;
  };
  QTest::mouseClick(preview->PrintButton()->Handle(), Qt::LeftButton);
  const std::vector<QStringList> pages = PdfPages(file);
  ASSERT_EQ(pages.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(pages[size_t(i)].first(), "Gazzetta dello Sport");
    EXPECT_EQ(pages[size_t(i)].last(), QStringLiteral("Pagina %1").arg(i + 1));
    EXPECT_TRUE(pages[size_t(i)].contains(QStringLiteral("Riga %1 Sportivo").arg(4 * i + 1)));
  }
  EXPECT_EQ(PdfPageSizes(file, 3), QStringList({"595 x 842", "595 x 842", "595 x 842"}));
  // The next print goes to the printer again, not to the same file.
  EXPECT_EQ(vcl::Printer()->OutputFileName(), QString());
}

TEST_F(PreviewWindow, ZoomedTextKeepsTheWidthItHasAtOneHundredPercent) {
  auto text_width = [&](double zoom) {
    preview->SetZoom(zoom);
    preview->FirstPage();
    QCoreApplication::processEvents();
    const QImage image = preview->PaintPanel()->Handle()->grab().toImage();
    const QRect page = preview->Layout().PageRect(0);
    // The header line "Gazzetta dello Sport" is the first dark run.
    const int y0 = page.top() + int(0.02 * page.height()), y1 = page.top() + int(0.06 * page.height());
    int left = image.width(), right = -1;
    for (int y = std::max(0, y0); y < std::min(image.height(), y1); ++y)
      for (int x = std::max(0, page.left()); x < std::min(image.width(), page.left() + page.width()); ++x)
        if (qGray(image.pixel(x, y)) < 128) {
          left = std::min(left, x);
          right = std::max(right, x);
        }
    return right - left;
  };
  const double base = text_width(100);
  ASSERT_GT(base, 50);
  EXPECT_NEAR(text_width(150) / base, 1.5, 0.04);
  EXPECT_NEAR(text_width(133) / base, 1.33, 0.04);
}

TEST_F(PreviewWindow, ANonModalPreviewOfTheEngineFreesItsCopyWhenClosed) {
  delete preview;
  preview = nullptr;
  report->SetModalPreview(false);
  report->ShowPreparedReport();
  ASSERT_EQ(KvOpenPreviews().size(), 1u);
  auto *shown = dynamic_cast<TStandardPreview *>(KvOpenPreviews().front());
  ASSERT_NE(shown, nullptr);
  EXPECT_NE(shown->Report(), report);
  // Full screen and back does not close it.
  shown->SetFullScreen(true);
  shown->SetFullScreen(false);
  EXPECT_EQ(KvOpenPreviews().size(), 1u);
  shown->CloseButton()->Click();
  EXPECT_TRUE(KvOpenPreviews().empty());
  QCoreApplication::processEvents();
  EXPECT_EQ(report->EMFPages().Count(), 3);
}

}  // namespace
