// The editors opened from the designer window as the user opens them: a
// double click on a memo, a band or a picture, the inspector's "Testo" row,
// and the commands of the menus and tool bars; each confirmed edit is one
// step of the undo history.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "report/designer/kvbanded.h"
#include "report/designer/kvbandtypes.h"
#include "report/designer/kvdesigner.h"
#include "report/designer/kvgeditor.h"
#include "report/designer/kvgrouped.h"
#include "report/designer/kvhilight.h"
#include "report/designer/kvmemoed.h"
#include "report/designer/kvpagelist.h"
#include "report/designer/kvpgopt.h"
#include "report/engine/component/kvslots.h"
#include "tests/report/designer/designer_fixture.h"
#include "tests/report/designer/window_fixture.h"

namespace report::testing {
namespace {

class DesignerEditorsTest : public DesignerTest {
 protected:
  void SetUp() override {
    DesignerTest::SetUp();
    KvRegisterDesigner();
    KvInstallDesignerEditors();
    band = Band(btMasterData, 100, 40);
    memo = Memo(20, 105, 120, 16);
    other = Memo(200, 105, 120, 16);
    form = std::make_unique<TKVDesignerForm>(report);
    KvSetCurrentDesigner(form.get());
    form->Show();
    QApplication::processEvents();
  }
  void TearDown() override {
    form.reset();
    KvSetCurrentDesigner(nullptr);
    DesignerTest::TearDown();
  }
  void Select(std::initializer_list<TkvView *> views) {
    form->Model().SelectOnly(*views.begin());
    for (TkvView *v : views) v->Selected = true;
    form->SelectionFollows();
  }

  std::unique_ptr<TKVDesignerForm> form;
  TkvBandView *band = nullptr;
  TkvMemoView *memo = nullptr;
  TkvMemoView *other = nullptr;
};

TEST_F(DesignerEditorsTest, ADoubleClickOnAMemoOpensTheTextEditor) {
  ASSERT_NE(form->MemoEditor, nullptr);
  EXPECT_NE(dynamic_cast<TEditorForm *>(form->MemoEditor), nullptr);
  QWidget *surface = form->Surface->Handle();
  QTest::mouseMove(surface, QPoint(60, 112));
  QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(60, 112));
  WhenShown<TEditorForm>([](TEditorForm *editor) {
    editor->M1->SetText(QStringLiteral("Quantità [Qta]"));
    editor->Button1->Click();
  });
  QTest::mouseDClick(surface, Qt::LeftButton, {}, QPoint(60, 112));
  EXPECT_EQ(memo->Memo.Text(), QString::fromUtf8("Quantità [Qta]\r\n"));
  EXPECT_TRUE(form->CommandEnabled(TkvCommand::Undo)) << "the edit is a step of the history";
}

TEST_F(DesignerEditorsTest, TheInspectorsTextRowOpensTheTextEditorOnTheObject) {
  Select({other});
  WhenShown<TEditorForm>([this](TEditorForm *editor) {
    EXPECT_EQ(editor->View(), other);
    editor->M1->SetText(QStringLiteral("dal controllo oggetto"));
    editor->Button1->Click();
  });
  form->Inspector->SelectRow(TkvDesignerModel::rowText);
  form->Inspector->OpenEditor();
  EXPECT_EQ(other->Memo.Text(), QStringLiteral("dal controllo oggetto\r\n"));
}

TEST_F(DesignerEditorsTest, BandsPicturesAndTheCommandsOpenTheirEditors) {
  WhenShown<TBandEditorForm>([](TBandEditorForm *editor) {
    editor->CB1->UserChose(1);
    editor->Edit3->SetText(QStringLiteral("4"));
    editor->Buttons.Ok->Click();
  });
  form->EditObject(band);
  ASSERT_FALSE(band->FormatStr.isEmpty());
  EXPECT_EQ(report->FindDataset(band->FormatStr)->RangeEndCount(), 4);

  TkvBandView *group = Band(btGroupHeader, 60, 20);
  WhenShown<TGroupEditorForm>([](TGroupEditorForm *editor) {
    editor->Edit1->SetText(QStringLiteral("[Testata]"));
    editor->Buttons.Ok->Click();
  });
  form->EditObject(group);
  EXPECT_EQ(group->FormatStr, QStringLiteral("[Testata]"));

  auto *picture = Page()->Add<TkvPictureView>(300, 200, 50, 50);
  WhenShown<TGEditorForm>([](TGEditorForm *editor) {
    editor->Centered->SetChecked(true);
    editor->Buttons.Ok->Click();
  });
  form->EditObject(picture);
  EXPECT_TRUE(picture->Flags & flPictCenter);

  ASSERT_TRUE(form->CommandEnabled(TkvCommand::PageOptions));
  WhenShown<TPgoptForm>([](TPgoptForm *editor) {
    editor->ColumnsEdit->SetText(QStringLiteral("3"));
    editor->Buttons.Ok->Click();
  });
  form->Run(TkvCommand::PageOptions);
  EXPECT_EQ(Page()->Columns, 3);

  ASSERT_TRUE(form->CommandEnabled(TkvCommand::PageList));
  WhenShown<TPagesList>([](TPagesList *editor) {
    EXPECT_EQ(editor->Pages(), QStringList({"Pagina 1"}));
    editor->Buttons.Ok->Click();
  });
  form->Run(TkvCommand::PageList);
}

TEST_F(DesignerEditorsTest, TheHighlightCommandReachesEverySelectedMemo) {
  Select({memo, other});
  ASSERT_TRUE(form->CommandEnabled(TkvCommand::Highlight));
  WhenShown<THilightForm>([](THilightForm *editor) {
    editor->CBX1->SetChecked(true);
    editor->Edit2->SetText(QStringLiteral("[Qta] > 5"));
    editor->CB1->SetChecked(false);
    editor->CB2->SetChecked(true);
    editor->Buttons.Ok->Click();
  });
  form->Run(TkvCommand::Highlight);
  for (TkvMemoView *m : {memo, other}) {
    EXPECT_EQ(m->HighlightOn, -1);
    EXPECT_EQ(m->HighlightCondition, QStringLiteral("[Qta] > 5"));
    EXPECT_EQ(m->HighlightStyle, vcl::TFontStyles{vcl::fsItalic});
  }
}

TEST_F(DesignerEditorsTest, ABandInsertedOnThePageAsksItsType) {
  Band(btPageHeader, 0, 20);
  form->SetGridAlign(false);
  form->SetTool(gtBand);
  QWidget *surface = form->Surface->Handle();
  // The move pumps the events: the chooser is awaited only after it.
  QTest::mouseMove(surface, QPoint(30, 300));
  WhenShown<TBandTypesForm>([](TBandTypesForm *chooser) {
    EXPECT_FALSE(chooser->TypeButtons[btPageHeader]->Enabled()) << "the page has its header";
    EXPECT_TRUE(chooser->TypeButtons[btMasterData]->Enabled());
    chooser->TypeButtons[btPageFooter]->SetChecked(true);
    chooser->Buttons.Ok->Click();
  });
  QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(30, 300));
  auto *inserted = dynamic_cast<TkvBandView *>(form->Model().SingleSelected());
  ASSERT_NE(inserted, nullptr);
  EXPECT_EQ(inserted->GetBandType(), btPageFooter);
}

TEST_F(DesignerEditorsTest, ACancelledBandChooserPutsThePaletteBackOnTheArrow) {
  form->SetGridAlign(false);
  vcl::TSpeedButton *band_button = nullptr;
  for (vcl::TSpeedButton *b : form->PaletteButtons)
    if (b->Tag() == gtBand) band_button = b;
  ASSERT_NE(band_button, nullptr);
  band_button->Click();
  ASSERT_EQ(form->ToolTag(), gtBand);
  const size_t views = form->Model().Views().size();
  QWidget *surface = form->Surface->Handle();
  QTest::mouseMove(surface, QPoint(30, 300));
  WhenShown<TBandTypesForm>([](TBandTypesForm *chooser) { chooser->Buttons.Cancel->Click(); });
  QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(30, 300));
  EXPECT_EQ(form->Model().Views().size(), views);
  EXPECT_EQ(form->ToolTag(), -1);
  EXPECT_TRUE(form->SelectButton->Down());
  EXPECT_FALSE(band_button->Down());
  // The next click on the page selects what it hits; no chooser comes
  // (one that did would be cancelled, so the test fails instead of waiting).
  QTest::mouseMove(surface, QPoint(30, 110));
  bool asked = false;
  QTimer::singleShot(0, [&asked] {
    if (auto *chooser = OpenForm<TBandTypesForm>()) {
      asked = true;
      chooser->Buttons.Cancel->Click();
    }
  });
  QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(30, 110));
  QApplication::processEvents();
  EXPECT_FALSE(asked);
  EXPECT_EQ(form->Model().SingleSelected(), memo);
}

}  // namespace
}  // namespace report::testing
