// The editors wired to the designer's commands: installing the designer's
// editors enables the commands that open them, and each opener shows its
// form on what the command's context names.
#include <gtest/gtest.h>

#include "report/designer/kvbanded.h"
#include "report/designer/kvbandtypes.h"
#include "report/designer/kvcolorsel.h"
#include "report/designer/kvdsgncmds.h"
#include "report/designer/kvgeditor.h"
#include "report/designer/kvgrouped.h"
#include "report/designer/kvhilight.h"
#include "report/designer/kvpagelist.h"
#include "report/designer/kvpgopt.h"
#include "report/engine/component/kvreport.h"
#include "tests/report/designer/designer_fixture.h"

namespace report {
namespace {

using testing::EditorTest;
using testing::WhenShown;

class EditorWiringTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    KvInstallDesignerEditors();
    context.Report = &report;
    context.Page = report.Pages().Page(0);
  }
  TkvReport report{nullptr};
  TkvEditContext context;
};

TEST_F(EditorWiringTest, TheEditorsCommandsAreEnabledOnceInstalled) {
  TkvDesignerStatus one;
  one.SelectionWord = kvSelMemo;
  for (TkvCommand command : {TkvCommand::PageOptions, TkvCommand::PageList, TkvCommand::Highlight,
                             TkvCommand::FillColor, TkvCommand::FontColor, TkvCommand::FrameColor})
    EXPECT_TRUE(KvCommandEnabled(command, one)) << int(command);
  for (TkvEditor editor : {TkvEditor::Highlight, TkvEditor::Picture, TkvEditor::ColorPicker, TkvEditor::PageList,
                           TkvEditor::PageOptions, TkvEditor::BandSource, TkvEditor::Group, TkvEditor::BandType})
    EXPECT_TRUE(KvHasEditor(editor)) << int(editor);
  EXPECT_TRUE(KvEditorServices().EditFormat);
  EXPECT_TRUE(KvEditorServices().PickField);
}

TEST_F(EditorWiringTest, EachOpenerShowsItsFormOnTheContext) {
  TkvMemoView memo(&report);
  context.View = &memo;
  WhenShown<THilightForm>([](THilightForm *form) {
    form->CBX1->SetChecked(true);
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(KvOpenEditor(TkvEditor::Highlight, context));
  EXPECT_EQ(memo.HighlightOn, -1);

  context.Lines = QStringList{"Pagina 1", "Pagina 2"};
  WhenShown<TPagesList>([](TPagesList *form) {
    form->MoveEntry(1, 0);
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(KvOpenEditor(TkvEditor::PageList, context));
  EXPECT_EQ(context.Lines, QStringList({"Pagina 2", "Pagina 1"}));

  context.Color = vcl::clRed;
  WhenShown<vcl::TForm>([](vcl::TForm *form) {
    for (int i = 0; i < form->ControlCount(); ++i)
      if (auto *selector = dynamic_cast<TColorSelector *>(form->Controls(i))) selector->ColorButton(13)->Click();
  });
  ASSERT_TRUE(KvOpenEditor(TkvEditor::ColorPicker, context));
  EXPECT_EQ(context.Color, vcl::clBlue);

  WhenShown<TPgoptForm>([](TPgoptForm *form) {
    form->ColumnsEdit->SetText(QStringLiteral("2"));
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(KvOpenEditor(TkvEditor::PageOptions, context));
  EXPECT_EQ(context.Page->Columns, 2);

  context.Page->AddBand(btPageHeader, 0, 20);
  WhenShown<TBandTypesForm>([](TBandTypesForm *form) {
    EXPECT_FALSE(form->TypeButtons[btPageHeader]->Enabled());
    form->TypeButtons[btGroupHeader]->SetChecked(true);
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(KvOpenEditor(TkvEditor::BandType, context));
  EXPECT_EQ(context.Value, btGroupHeader);

  TkvBandView *group = context.Page->AddBand(btGroupHeader, 40, 20);
  context.View = group;
  WhenShown<TGroupEditorForm>([](TGroupEditorForm *form) {
    form->Edit1->SetText(QStringLiteral("[Testata]"));
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(KvOpenEditor(TkvEditor::Group, context));
  EXPECT_EQ(group->FormatStr, QStringLiteral("[Testata]"));
  EXPECT_FALSE(KvOpenEditor(TkvEditor::BandSource, context)) << "a group header walks no record source";

  TkvBandView *rows = context.Page->AddBand(btMasterData, 80, 20);
  context.View = rows;
  WhenShown<TBandEditorForm>([](TBandEditorForm *form) {
    form->CB1->UserChose(1);
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(KvOpenEditor(TkvEditor::BandSource, context));
  EXPECT_FALSE(rows->FormatStr.isEmpty());
  EXPECT_FALSE(KvOpenEditor(TkvEditor::Group, context)) << "a data band has no group condition";

  TkvPictureView picture(&report);
  context.View = &picture;
  WhenShown<TGEditorForm>([](TGEditorForm *form) {
    form->Stretched->SetChecked(false);
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(KvOpenEditor(TkvEditor::Picture, context));
  EXPECT_FALSE(picture.Flags & flStretched);
}

}  // namespace
}  // namespace report
