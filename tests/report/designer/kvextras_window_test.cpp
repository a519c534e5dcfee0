// The alignment palette and the report wizard inside the designer window:
// the palette works on the objects clicked on the page as one undo step
// and keeps its place and visibility for the next designer; the wizard,
// run from the designer's command, leaves its report shown as the one
// unsaved change of a new history, and cancelled leaves the template.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "dao/vudaotable.h"
#include "platform/rtl/registry.h"
#include "report/designer/kvalignform.h"
#include "report/designer/kvdesigner.h"
#include "report/designer/kvwizard.h"
#include "report/engine/component/kvslots.h"
#include "tests/report/designer/report_fixture.h"
#include "tests/report/designer/window_fixture.h"

namespace report::testing {
namespace {

class ExtrasInTheDesigner : public ReportEditorTest {
 protected:
  void SetUp() override {
    vcl::InitApplication();
    ReportEditorTest::SetUp();
    ASSERT_TRUE(dir_.isValid());
    rtl::TRegistry::SetBaseFolder(dir_.filePath(QStringLiteral("registry")));
    report->ProcessMessages = [] {};
    TkvPage *page = report->Pages().Page(0);
    page->AddBand(btMasterData, 100, 60);
    first = page->Add<TkvMemoView>(10, 105, 50, 16);
    second = page->Add<TkvMemoView>(100, 130, 20, 16);
  }
  void TearDown() override {
    form.reset();
    KvSetCurrentDesigner(nullptr);
    rtl::TRegistry::SetBaseFolder(QString());
    ReportEditorTest::TearDown();
  }
  TKVDesignerForm *Open() { return ShowDesigner(form, report); }
  void Click(const TkvView *view, Qt::KeyboardModifiers keys = {}) const {
    QTest::mouseClick(form->Surface->Handle(), Qt::LeftButton, keys, QPoint(view->x + 5, view->y + 5));
  }

  std::unique_ptr<TKVDesignerForm> form;
  TkvMemoView *first = nullptr;
  TkvMemoView *second = nullptr;

 private:
  QTemporaryDir dir_;
};

TEST_F(ExtrasInTheDesigner, ThePaletteAlignsOnTheObjectClickedLastAsOneUndoStep) {
  TKVDesignerForm *d = Open();
  auto *palette = dynamic_cast<TAlignForm *>(d->AlignPalette);
  ASSERT_NE(palette, nullptr);
  EXPECT_TRUE(palette->Visible());  // shown the first time
  EXPECT_TRUE(d->MenuItem(TkvCommand::AlignPalette)->Checked());

  // The second object clicked last (with Shift) is the reference, though
  // the first lies above it in the page's order.
  Click(first);
  Click(second, Qt::ShiftModifier);
  ASSERT_EQ(d->Model().SelectedCount(), 2);
  EXPECT_EQ(d->Model().Clicked(), second);
  palette->B[4]->Click();  // right edges
  EXPECT_EQ(first->x, 100 + 20 - 50);
  EXPECT_EQ(second->x, 100);
  EXPECT_TRUE(d->Model().Modified());
  EXPECT_TRUE(d->CommandEnabled(TkvCommand::Undo));
  palette->B[4]->Click();  // nothing moves: no second step
  d->Run(TkvCommand::Undo);
  EXPECT_FALSE(d->Model().Modified());
  // Undo reads the template back: the objects are new ones.
  const std::vector<TkvView *> views = d->Model().Views();
  ASSERT_EQ(views.size(), 3u);
  EXPECT_EQ(views[1]->x, 10);

  // Without a clicked object in the selection the topmost one leads.
  d->Model().SelectAll();
  d->Model().SetSelected(views[0], false);
  d->Model().SetClicked(nullptr);
  palette->B[0]->Click();  // left edges
  EXPECT_EQ(views[1]->x, 100);
  // A clicked object deleted since is forgotten.
  d->Model().SetClicked(views[2]);
  d->Model().SelectOnly(views[2]);
  d->Run(TkvCommand::Delete);
  EXPECT_EQ(d->Model().Clicked(), nullptr);

  // A function key pressed in the palette is the designer's: F11 the
  // inspector.
  ASSERT_TRUE(d->Inspector->Visible());
  QTest::keyClick(palette->Handle(), Qt::Key_F11);
  QTest::qWait(20);
  EXPECT_FALSE(d->Inspector->Visible());
}

TEST_F(ExtrasInTheDesigner, ThePaletteKeepsItsPlaceAndVisibilityForTheNextDesigner) {
  TKVDesignerForm *d = Open();
  ASSERT_NE(d->AlignPalette, nullptr);
  d->AlignPalette->SetBounds(300, 200, d->AlignPalette->Width(), d->AlignPalette->Height());
  d->Hide();
  form.reset();
  d = Open();
  EXPECT_EQ(d->AlignPalette->Left(), 300);
  EXPECT_EQ(d->AlignPalette->Top(), 200);
  EXPECT_TRUE(d->AlignPalette->Visible());

  d->Run(TkvCommand::AlignPalette);  // the menu item hides it
  EXPECT_FALSE(d->AlignPalette->Visible());
  EXPECT_FALSE(d->MenuItem(TkvCommand::AlignPalette)->Checked());
  d->Hide();
  form.reset();
  d = Open();
  EXPECT_FALSE(d->AlignPalette->Visible());
  d->Run(TkvCommand::AlignPalette);
  EXPECT_TRUE(d->AlignPalette->Visible());
  EXPECT_EQ(d->AlignPalette->Left(), 300);
}

TEST_F(ExtrasInTheDesigner, TheWizardsReportIsAnUnsavedChangeOfAHistoryOfItsOwn) {
  // The stock table on a data module, which a template read back (by undo
  // and redo) finds again by its owner's name.
  vcl::TDataModule module(nullptr);
  module.SetName(QStringLiteral("Archivi"));
  TableOn(&module, QStringLiteral("Giacenza"), QStringLiteral("Giacenza"));
  TKVDesignerForm *d = Open();
  // Cancelled, the wizard leaves the template as it is.
  WhenShown<TReportWizard>([](TReportWizard *w) {
    w->ComboBox->UserChose(w->ComboBox->Items()->IndexOf(QStringLiteral("Archivi.Giacenza")));
    w->IncAllBtn->Click();
    w->CancelBtn->Click();
  });
  d->Run(TkvCommand::NewFromWizard);
  EXPECT_TRUE(Messages().isEmpty());  // nothing changed: no question
  EXPECT_EQ(d->Model().Views().size(), 3u);
  EXPECT_FALSE(d->Model().Modified());

  // A change to the old template: the designer asks to save it first.
  d->Model().SelectOnly(first);
  d->Model().MoveSelected(4, 0);
  d->AfterChange();
  respond = [](vcl::TDialogRequest &r) { return r.kind == vcl::TDialogKind::Message ? vcl::mrNo : vcl::mrOk; };
  WhenShown<TReportWizard>([](TReportWizard *w) {
    w->ComboBox->UserChose(w->ComboBox->Items()->IndexOf(QStringLiteral("Archivi.Giacenza")));
    w->IncAllBtn->Click();
    w->RepTitle->SetText(QStringLiteral("Giacenze"));
    w->OKBtn->Click();
  });
  d->Run(TkvCommand::NewFromWizard);
  ASSERT_EQ(Messages().size(), 1u);

  EXPECT_EQ(report->Title(), QStringLiteral("Giacenze"));
  EXPECT_EQ(d->TabCaptions(), QStringList{QStringLiteral("Pagina 1")});
  EXPECT_EQ(d->Model().SelectedCount(), 0);
  // The shown page is the wizard's: four bands and their memos.
  auto bands = [d] {
    int n = 0;
    for (const TkvView *v : d->Model().Views()) n += v->Typ == gtBand ? 1 : 0;
    return n;
  };
  EXPECT_EQ(bands(), 4);
  const size_t built = d->Model().Views().size();
  EXPECT_GT(built, 6u);
  // The built report is the one change of a history that starts at the
  // cleared page: undone and redone as any change.
  EXPECT_TRUE(d->Model().Modified());
  d->Run(TkvCommand::Undo);
  EXPECT_TRUE(d->Model().Views().empty());
  EXPECT_FALSE(d->CommandEnabled(TkvCommand::Undo));
  d->Run(TkvCommand::Redo);
  EXPECT_EQ(d->Model().Views().size(), built);
  EXPECT_EQ(bands(), 4);
  ASSERT_EQ(Messages().size(), 1u);  // its record source found again
  ASSERT_TRUE(report->PrepareReport()) << report->ErrorText().toStdString();
  EXPECT_EQ(report->EMFPages().Page(0)->Texts().value(0), QStringLiteral("Giacenze"));
  EXPECT_EQ(report->EMFPages().Page(0)->Texts().last(), QStringLiteral("Pagina 1 di 1"));

  // Not saved yet: the next new report asks to save it, and Cancel keeps it.
  respond = [](vcl::TDialogRequest &r) { return r.kind == vcl::TDialogKind::Message ? vcl::mrCancel : vcl::mrOk; };
  QTimer::singleShot(0, [] {
    if (auto *w = OpenForm<TReportWizard>()) {
      ADD_FAILURE() << "the wizard opened without asking";
      w->CancelBtn->Click();
    }
  });
  d->Run(TkvCommand::NewFromWizard);
  QApplication::processEvents();
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Messages()[1], QStringLiteral("Si desidera salvare i cambiamenti al report corrente?"));
  EXPECT_EQ(d->Model().Views().size(), built);
}

}  // namespace
}  // namespace report::testing
