// Exporting finished pages: the order and fonts in which the walk hands
// texts to a filter, the text grid and the RTF document byte for byte, and
// export to a file that is replaced only by a finished export.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/rtl/cp1252.h"
#include "report/engine/component/kvexport.h"
#include "report/engine/component/kvprogr.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/export/kvexpdlg.h"
#include "report/engine/export/kvrtfexp.h"
#include "report/engine/export/kvtxtexp.h"
#include "report/engine/expr/kvfunclib.h"
#include "report/engine/model/kvglobals.h"

namespace {

using namespace report;

struct Seen {
  int x, y;
  QString text, face;
  int height;
  bool bold, italic;
  vcl::TColor color;
};

class Recorder : public TkvExportFilter {
 public:
  using TkvExportFilter::TkvExportFilter;
  void OnBeginPage(int w, int h) override { log << QString("page %1x%2").arg(w).arg(h); }
  void OnEndPage() override { log << "end page"; }
  void OnEndDoc() override { log << "end doc"; }
  void OnText(int x, int y, const QString &text, vcl::TFont *f) override {
    seen.push_back({x, y, text, f->Name(), f->Height(), f->Style().Contains(vcl::fsBold),
                    f->Style().Contains(vcl::fsItalic), f->Color()});
  }
  QStringList log;
  std::vector<Seen> seen;
};

class ExportTest : public ::testing::Test {
 protected:
  vcl::TComponent owner{nullptr};
  TkvReport *report = new TkvReport(&owner);
  rtl::TMemoryStream out;

  void SetUp() override { KvExportCancelled() = false; }

  // A finished page to draw texts on.
  vcl::TCanvas *NewPage() {
    TkvEMFPage *page = report->EMFPages().Add(*report->Pages().Page(0));
    page->Canvas->Font()->SetName("Arial");
    page->Canvas->Font()->SetHeight(-13);
    return page->Canvas.get();
  }
  void Finish() { report->EMFPages().CloseFrom(0); }
  QByteArray Bytes() { return QByteArray(static_cast<const char *>(out.Memory()), int(out.Size())); }
};

TEST_F(ExportTest, WalkHandsTextsTopToBottomThenLeftToRightWithTheirFonts) {
  vcl::TCanvas *c = NewPage();
  c->TextOut(200, 100, "destra");
  c->Font()->SetStyle(vcl::TFontStyles() + vcl::fsBold + vcl::fsItalic);
  c->Font()->SetColor(vcl::clRed);
  c->TextOut(10, 100, "sinistra");
  c->Font()->SetStyle(vcl::TFontStyles());
  c->Font()->SetColor(vcl::clBlack);
  c->Font()->SetName("Courier New");
  c->TextOut(400, 20, "sopra");
  NewPage()->TextOut(0, 0, "seconda");
  Finish();

  Recorder filter(&out);
  std::vector<int> progress;
  KvExportPages(report->EMFPages(), filter, [&](int n) { progress.push_back(n); });

  ASSERT_EQ(filter.seen.size(), 4u);
  EXPECT_EQ(filter.seen[0].text, "sopra");
  EXPECT_EQ(filter.seen[1].text, "sinistra");
  EXPECT_EQ(filter.seen[2].text, "destra");
  EXPECT_EQ(filter.seen[3].text, "seconda");
  EXPECT_EQ(filter.seen[1].x, 10);
  EXPECT_EQ(filter.seen[1].y, filter.seen[2].y);
  // The recorded face is the one the drawing got (a metric twin may stand
  // in for the named one); the two faces stay apart.
  EXPECT_NE(filter.seen[0].face, filter.seen[2].face);
  EXPECT_EQ(filter.seen[1].face, filter.seen[2].face);
  EXPECT_TRUE(filter.seen[1].bold);
  EXPECT_TRUE(filter.seen[1].italic);
  EXPECT_EQ(vcl::ColorToRGB(filter.seen[1].color), vcl::ColorToRGB(vcl::clRed));
  EXPECT_FALSE(filter.seen[2].face.isEmpty());
  EXPECT_FALSE(filter.seen[2].bold);
  EXPECT_EQ(filter.seen[2].height, -13);
  const int w = report->EMFPages().Page(0)->Picture->Width();
  const int h = report->EMFPages().Page(0)->Picture->Height();
  const QString size = QString("page %1x%2").arg(w).arg(h);
  EXPECT_EQ(filter.log, QStringList({size, "end page", size, "end page", "end doc"}));
  EXPECT_EQ(progress, std::vector<int>({1, 2}));
}

TEST_F(ExportTest, CancelledWalkStopsBeforeTheNextPageAndStillEndsTheDocument) {
  NewPage()->TextOut(0, 0, "uno");
  NewPage()->TextOut(0, 0, "due");
  Finish();
  Recorder filter(&out);
  KvExportPages(report->EMFPages(), filter, [](int) { KvExportCancelled() = true; });
  ASSERT_EQ(filter.seen.size(), 1u);
  EXPECT_EQ(filter.log.last(), "end doc");
  KvExportCancelled() = false;
}

TEST(ExportFilterRegistry, TextAndRichFiltersAreListedOnceWithTheirMasks) {
  const TkvExportFilterInfo *text = KvFindExportFilter("File di testo ASCII (*.txt)");
  const TkvExportFilterInfo *rich = KvFindExportFilter("File RTF - Word compatibile (*.rtf)");
  ASSERT_NE(text, nullptr);
  ASSERT_NE(rich, nullptr);
  EXPECT_EQ(text->FilterExt, "*.txt");
  EXPECT_EQ(rich->FilterExt, "*.rtf");
  EXPECT_FALSE(KvRegisterExportFilter(text->FilterClass, text->FilterDesc, "*.doc"));
  EXPECT_FALSE(KvRegisterExportFilter({}, "Senza classe", "*.x"));
  EXPECT_LE(static_cast<int>(KvExportFilters().size()), kvMaxExportFilters);
}

// ---- text ------------------------------------------------------------------

TEST_F(ExportTest, TextAtTheCornerIsTheFirstLineAndTheOnlyOne) {
  NewPage()->TextOut(0, 0, "Totale");
  Finish();
  TkvTextExportFilter filter(&out);
  filter.Options = {false, false, false, false, 132};
  KvExportPages(report->EMFPages(), filter);
  EXPECT_EQ(Bytes(), QByteArray("Totale\r\n"));
}

TEST_F(ExportTest, TextGridKeepsColumnsLinesAndPageBreaks) {
  // 794 / 132 pixels a column: x 100 is column 17, x 200 column 33.
  vcl::TCanvas *c = NewPage();
  c->TextOut(200, 40, "Prezzo");
  c->TextOut(100, 40, "Testata");
  c->TextOut(100, 70, "Città €");  // two lines of 15 pixels further down
  NewPage()->TextOut(100, 10, "Fine");
  Finish();
  TkvTextExportFilter filter(&out);
  KvExportPages(report->EMFPages(), filter);
  const QByteArray pad(16, ' ');
  QByteArray expected = pad + "Testata" + QByteArray(33 - 17 - 7, ' ') + "Prezzo\r\n\r\n" + pad +
                        rtl::ToCp1252("Città €") + "\r\n\f\r\n" + pad + "Fine\r\n\f\r\n";
  EXPECT_EQ(Bytes(), expected);

  // Without the left margin the page starts at its leftmost text; with the
  // top margin the space above the first text becomes blank lines.
  out.Clear();
  filter.Options = {false, false, true, false, 132};
  KvExportPages(report->EMFPages(), filter);
  expected = "\r\n\r\n\r\nTestata" + QByteArray(33 - 17 - 7, ' ') + "Prezzo\r\n\r\n" + rtl::ToCp1252("Città €") +
             "\r\n\r\nFine\r\n";
  EXPECT_EQ(Bytes(), expected);
}

TEST_F(ExportTest, TextOutsideTheGridIsLeftOutWithoutHarm) {
  vcl::TCanvas *c = NewPage();
  c->TextOut(-50, 0, "Margine");
  c->TextOut(2000, 0, "Fuori");
  c->TextOut(700, 0, QString(300, 'x'));
  c->TextOut(0, 100000, "Lontano");
  Finish();
  TkvTextExportFilter filter(&out);
  filter.Options = {false, true, false, true, 132};
  KvExportPages(report->EMFPages(), filter);
  const QList<QByteArray> lines = Bytes().split('\n');
  ASSERT_GE(lines.size(), 2);
  EXPECT_TRUE(lines[0].startsWith("Margine"));
  EXPECT_EQ(lines[0].size(), 200 + 1);  // the grid's width and the carriage return
  EXPECT_FALSE(Bytes().contains("Lontano"));
  EXPECT_FALSE(Bytes().contains("Fuori"));
}

// ---- rich text -------------------------------------------------------------

TEST_F(ExportTest, RichTextDocumentByteForByte) {
  vcl::TCanvas *c = NewPage();
  c->Font()->SetSize(10);
  c->TextOut(100, 38, "Testata {1}");
  c->Font()->SetColor(vcl::clWhite);
  c->Font()->SetStyle(vcl::TFontStyles() + vcl::fsBold);
  c->TextOut(300, 38, "Bianco");
  c->Font()->SetColor(vcl::clBlack);
  c->Font()->SetStyle(vcl::TFontStyles());
  c->TextOut(100, 80, "Sotto");
  NewPage()->TextOut(0, 38, "Due");
  Finish();
  {
    TkvRichExportFilter filter(&out);
    filter.Options.PageBreak = true;
    KvExportPages(report->EMFPages(), filter);
  }
  // The face the pages recorded: "Arial" itself or a metric twin, which
  // then joins the font table after "Arial".
  Recorder faces(&out);
  KvExportPages(report->EMFPages(), faces);
  const QByteArray face = rtl::ToCp1252(faces.seen[0].face);
  const QByteArray f = face == "Arial" ? "\\f0" : "\\f1";
  const QByteArray table = face == "Arial" ? "{\\f0 Arial}" : "{\\f0 Arial}{\\f1 " + face + "}";

  // Texts are placed by their base line, about 11 pixels below the top
  // drawn at 38: 11 pixels below the 10 mm (37.8 pixel) top margin give
  // one 11-pixel filler above the first line of each page. The next line 42 pixels below is 42 - 15 = 27 pixels
  // of fillers (16 + 11). 100 pixels less the 10 mm left margin gives a
  // tab stop at 1500 - 567 twips.
  const QByteArray expected =
      "{\\rtf1\\ansi\r\n\\margl567\\margr567\\margt567\\margb850\r\n"
      "{\\fonttbl" +
      table +
      "}\r\n{\\colortbl;\\red0\\green0\\blue0;}\r\n"
      "{\\f0\\fs14 \\par}\r\n"
      "\\pard\\tx933\\tx3932{{\\tab" +
      f +
      "\\fs20\\cf1 Testata \\{1\\}}"
      "{\\tab" +
      f +
      "\\fs20\\b\\cf1 Bianco}\\par}\r\n"
      "{\\f0\\fs20 \\par}\r\n{\\f0\\fs14 \\par}\r\n"
      "\\pard\\tx933{{\\tab" +
      f +
      "\\fs20\\cf1 Sotto}\\par}\r\n"
      "\\page\r\n{\\f0\\fs14 \\par}\r\n"
      "\\pard\\tx-567{{\\tab" +
      f + "\\fs20\\cf1 Due}\\par}\\par}";
  EXPECT_EQ(Bytes().toStdString(), expected.toStdString());
}

TEST_F(ExportTest, RichTextFillsTheSpaceBetweenLinesUnlessAskedNotTo) {
  vcl::TCanvas *c = NewPage();
  c->TextOut(0, 38, "Uno");
  c->TextOut(0, 100, "Due");
  Finish();
  {
    TkvRichExportFilter filter(&out);
    KvExportPages(report->EMFPages(), filter);
  }
  EXPECT_TRUE(Bytes().contains("{\\f0\\fs20 \\par}"));
  out.Clear();
  {
    TkvRichExportFilter filter(&out);
    filter.Options.RemoveLineSpacing = true;
    KvExportPages(report->EMFPages(), filter);
  }
  EXPECT_FALSE(Bytes().contains(" \\par}")) << Bytes().toStdString();
}

// ---- export to a file ------------------------------------------------------

// The options dialogs are modal; these answer for them.
class Refusing : public TkvTextExportFilter {
 public:
  using TkvTextExportFilter::TkvTextExportFilter;
  bool ShowOptions() override { return false; }
};
class Accepting : public TkvTextExportFilter {
 public:
  using TkvTextExportFilter::TkvTextExportFilter;
  bool ShowOptions() override { return true; }
};

TEST_F(ExportTest, ExportReplacesTheFileOnlyWhenItFinishes) {
  QTemporaryDir dir;
  const QString name = dir.filePath("elenco.txt");
  {
    QFile old(name);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("vecchio");
  }
  TkvPage *page = report->Pages().Page(0);
  page->AddBand(btReportTitle, 40, 20);
  SetMemoText(page->Add<TkvMemoView>(0, 40, 200, 20), "Elenco giacenze");

  EXPECT_FALSE(KvExportTo(
      report, [](rtl::TStream *s) { return std::make_unique<Refusing>(s); }, name));
  QFile kept(name);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), "vecchio");
  kept.close();
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

  ASSERT_TRUE(KvExportTo(
      report, [](rtl::TStream *s) { return std::make_unique<Accepting>(s); }, name, TkvTextExportFilter::kDescription));
  EXPECT_EQ(report->EMFPages().Count(), 1);
  QFile done(name);
  ASSERT_TRUE(done.open(QIODevice::ReadOnly));
  const QByteArray text = done.readAll();
  EXPECT_TRUE(text.contains("Elenco giacenze\r\n")) << text.toStdString();
  EXPECT_TRUE(text.endsWith("\f\r\n"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

class PlainRich : public TkvRichExportFilter {
 public:
  using TkvRichExportFilter::TkvRichExportFilter;
  bool ShowOptions() override { return true; }
};

TEST_F(ExportTest, RichTextNamesTheTemplatesFontsNotTheirStandIns) {
  QTemporaryDir dir;
  const QString name = dir.filePath("elenco.rtf");
  TkvPage *page = report->Pages().Page(0);
  page->AddBand(btReportTitle, 40, 100);
  auto memo = [&](int y, const QString &face, const QString &text) {
    auto *m = page->Add<TkvMemoView>(0, y, 300, 20);
    m->Font.SetName(face);
    SetMemoText(m, text);
  };
  memo(40, "Arial", "Elenco giacenze");
  memo(60, "Courier New", "Codice");
  memo(80, "Times New Roman", "Nota");
  ASSERT_TRUE(KvExportTo(
      report, [](rtl::TStream *s) { return std::make_unique<PlainRich>(s); }, name, TkvRichExportFilter::kDescription,
      false));
  QFile file(name);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray rtf = file.readAll();
  EXPECT_TRUE(rtf.contains("{\\fonttbl{\\f0 Arial}{\\f1 Courier New}{\\f2 Times New Roman}}")) << rtf.toStdString();
  EXPECT_FALSE(rtf.contains("Liberation")) << rtf.toStdString();
}

}  // namespace

namespace {

using namespace report;

TEST(ExportOptionsForms, FieldsStoreOnlyWhenEveryNumberHolds) {
  TTextFilterForm text;
  EXPECT_EQ(text.Caption(), "Esportazione in formato testo.");
  EXPECT_EQ(text.Columns->Text(), "132");
  EXPECT_TRUE(text.PageBreak->Checked());
  EXPECT_TRUE(text.LeftMargin->Checked());
  EXPECT_FALSE(text.TopMargin->Checked());
  TkvTextExportOptions options;
  text.Columns->SetText("39");
  text.PageBreak->SetChecked(false);
  EXPECT_FALSE(text.Store(options).isEmpty());
  EXPECT_TRUE(options.PageBreak);  // a refused field changes nothing
  EXPECT_EQ(options.Columns, 132);
  text.Columns->SetText("80");
  EXPECT_TRUE(text.Store(options).isEmpty());
  EXPECT_EQ(options.Columns, 80);
  EXPECT_FALSE(options.PageBreak);

  // The arrows step the number typed, within the field's range.
  // A click on the upper arrow steps up, on the lower one down.
  auto press = [](vcl::TUpDown *arrows, const char *which) {
    const bool up = QLatin1String(which) == QLatin1String("up");
    const int y = up ? arrows->Height() / 4 : arrows->Height() * 3 / 4;
    QTest::mouseClick(arrows->Handle(), Qt::LeftButton, Qt::NoModifier, QPoint(arrows->Width() / 2, y));
  };
  text.Columns->SetText("132");
  press(text.ColumnsUpDown, "up");
  EXPECT_EQ(text.Columns->Text(), "132");
  press(text.ColumnsUpDown, "down");
  EXPECT_EQ(text.Columns->Text(), "131");
  text.Columns->SetText("12");
  press(text.ColumnsUpDown, "down");
  EXPECT_EQ(text.Columns->Text(), "40");
  EXPECT_EQ(text.ColumnsUpDown->Left(), text.Columns->Left() + text.Columns->Width());

  TRichFilterForm rich;
  EXPECT_EQ(rich.Caption(), "Esportazione in formato RTF.");
  press(rich.MarginUpDowns[3], "up");
  EXPECT_EQ(rich.Margins[3]->Text(), "16");
  rich.Margins[3]->SetText("0");
  press(rich.MarginUpDowns[3], "down");
  EXPECT_EQ(rich.Margins[3]->Text(), "0");
  rich.Margins[3]->SetText("15");
  EXPECT_EQ(rich.Margins[3]->Text(), "15");
  TkvRichExportOptions twips;
  rich.Margins[0]->SetText("dieci");
  EXPECT_FALSE(rich.Store(twips).isEmpty());
  rich.Margins[0]->SetText("20");
  rich.RemoveLineSpacing->SetChecked(true);
  EXPECT_TRUE(rich.Store(twips).isEmpty());
  EXPECT_EQ(twips.LeftMargin, 1134);
  EXPECT_EQ(twips.TopMargin, 567);
  EXPECT_EQ(twips.BottomMargin, 850);  // 850.5 rounds to even
  EXPECT_TRUE(twips.RemoveLineSpacing);
}

}  // namespace

namespace {

class Doubler : public report::TkvFunctionLibrary {
 public:
  explicit Doubler(int factor) : factor_(factor) { SetNames({"Triplo", "doppio"}); }
  void DoFunction(int index, const rtl::Variant &p1, const rtl::Variant &, const rtl::Variant &,
                  rtl::Variant &result) override {
    result = rtl::Variant(p1.AsInteger() * (Names()[index] == "doppio" ? 2 : 3) * factor_);
  }

 private:
  int factor_;
};

TEST(FunctionLibraries, FirstLibraryThatKnowsTheNameIgnoringCaseAnswers) {
  report::KvClearFunctionLibraries();
  ASSERT_TRUE(report::KvAddFunctionLibrary(std::make_unique<Doubler>(1)));
  ASSERT_TRUE(report::KvAddFunctionLibrary(std::make_unique<Doubler>(10)));
  rtl::Variant result;
  ASSERT_TRUE(report::KvCallLibraryFunction("DOPPIO", rtl::Variant(4), {}, {}, result));
  EXPECT_EQ(result.AsInteger(), 8);
  ASSERT_TRUE(report::KvCallLibraryFunction("triplo", rtl::Variant(4), {}, {}, result));
  EXPECT_EQ(result.AsInteger(), 12);
  EXPECT_FALSE(report::KvCallLibraryFunction("Quadruplo", rtl::Variant(4), {}, {}, result));
  for (int i = 2; i < report::kvMaxFunctionLibraries; ++i)
    EXPECT_TRUE(report::KvAddFunctionLibrary(std::make_unique<Doubler>(i)));
  EXPECT_FALSE(report::KvAddFunctionLibrary(std::make_unique<Doubler>(99)));
  report::KvClearFunctionLibraries();
  EXPECT_FALSE(report::KvCallLibraryFunction("doppio", rtl::Variant(4), {}, {}, result));
}

}  // namespace
