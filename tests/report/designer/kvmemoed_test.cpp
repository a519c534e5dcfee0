// The text editor and the highlight dialog: what OK and Cancel leave in
// the object, the buttons and keys that insert variables, fields and
// expressions at the cursor (the user's clipboard untouched), the format
// and highlight of memo objects, and the highlight dialog's own rules.
#include <gtest/gtest.h>

#include <QTest>

#include "report/designer/kvexpred.h"
#include "report/designer/kvfmtform.h"
#include "report/designer/kvhilight.h"
#include "report/designer/kvmemoed.h"
#include "report/designer/kvpickers.h"
#include "report/engine/model/kvformat.h"
#include "tests/report/designer/report_fixture.h"

namespace report {
namespace {

using testing::ReportEditorTest;
using testing::WhenShown;

class MemoEditorTest : public ReportEditorTest {
 protected:
  void SetUp() override {
    ReportEditorTest::SetUp();
    memo = report->Pages().Page(0)->Add<TkvMemoView>(10, 10, 200, 20);
    SetMemoText(memo, QStringLiteral("Totale: \n"));
    memo->Format = KvFormatWord(fkText, 0, 2, u',');
  }
  TkvMemoView *memo = nullptr;
};

TEST_F(MemoEditorTest, WithoutAnObjectNothingShows) {
  TEditorForm form(nullptr);
  EXPECT_EQ(form.ShowEditor(), vcl::mrCancel);
  EXPECT_FALSE(form.Visible());
}

TEST_F(MemoEditorTest, CancelLeavesTheMemoAsItWasAfterFormatAndHighlight) {
  WhenShown<TEditorForm>([](TEditorForm *form) {
    EXPECT_EQ(form->Caption(), QStringLiteral("Editor di testo"));
    EXPECT_TRUE(form->BitBtn1->Enabled());
    WhenShown<TFmtForm>([](TFmtForm *format) {
      format->KindList->UserSelected(1);
      format->Buttons.Ok->Click();
    });
    form->BitBtn1->Click();
    EXPECT_EQ(KvFormatKindOf(form->Scratch().Format), fkNumber);
    WhenShown<THilightForm>([](THilightForm *highlight) {
      highlight->CBX1->SetChecked(true);
      highlight->Edit2->SetText(QStringLiteral("1=1"));
      highlight->Buttons.Ok->Click();
    });
    form->BitBtn2->Click();
    EXPECT_EQ(form->Scratch().HighlightOn, -1);
    form->M1->SetText(QStringLiteral("altro"));
    form->Button2->Click();
  });
  EXPECT_FALSE(EditMemoText(memo));
  EXPECT_EQ(KvFormatKindOf(memo->Format), fkText);
  EXPECT_EQ(memo->HighlightOn, 0);
  EXPECT_TRUE(memo->HighlightCondition.isEmpty());
  EXPECT_EQ(memo->Memo.Text(), QStringLiteral("Totale: \r\n"));
}

TEST_F(MemoEditorTest, OkTakesTheTextFormatAndHighlight) {
  WhenShown<TEditorForm>([](TEditorForm *form) {
    WhenShown<TFmtForm>([](TFmtForm *format) {
      format->KindList->UserSelected(1);
      format->SubFormatList->UserSelected(3);
      format->Buttons.Ok->Click();
    });
    form->BitBtn1->Click();
    form->M1->SetText(QStringLiteral("Totale: [SUM(Qta)]"));
    form->Button1->Click();
  });
  ASSERT_TRUE(EditMemoText(memo));
  EXPECT_EQ(memo->Format, KvFormatWord(fkNumber, 3, 2, u','));
  EXPECT_EQ(memo->Memo.Text(), QStringLiteral("Totale: [SUM(Qta)]\r\n"));
  EXPECT_EQ(memo->Name, QStringLiteral("Memo1"));
  EXPECT_EQ(memo->dx, 200);
}

TEST_F(MemoEditorTest, APictureOrABandGetsOnlyItsTextChanged) {
  auto *picture = report->Pages().Page(0)->Add<TkvPictureView>(0, 0, 50, 50);
  const std::uint16_t flags = picture->Flags;
  WhenShown<TEditorForm>([](TEditorForm *form) {
    EXPECT_EQ(form->BitBtn1->Caption(), QStringLiteral("&Formatta"));
    EXPECT_FALSE(form->BitBtn1->Enabled());
    EXPECT_FALSE(form->BitBtn2->Enabled());
    form->M1->SetText(QStringLiteral("[Foto]"));
    form->Button1->Click();
  });
  ASSERT_TRUE(EditMemoText(picture));
  EXPECT_EQ(picture->Memo.Text(), QStringLiteral("[Foto]\r\n"));
  EXPECT_EQ(picture->Flags, flags);

  TkvBandView *band = report->Pages().Page(0)->AddBand(btMasterData, 60, 20);
  WhenShown<TEditorForm>([](TEditorForm *form) {
    EXPECT_FALSE(form->BitBtn1->Enabled());
    EXPECT_FALSE(form->BitBtn2->Enabled());
    form->M1->SetText(QStringLiteral("righe"));
    form->Button1->Click();
  });
  ASSERT_TRUE(EditMemoText(band));
  EXPECT_EQ(band->Memo.Text(), QStringLiteral("righe\r\n"));
  EXPECT_EQ(band->GetBandType(), btMasterData);
}

TEST_F(MemoEditorTest, InsertionsGoInAtTheCursorAndTheClipboardStaysTheUsers) {
  TEditorForm form(nullptr);
  form.SetView(memo);
  form.LoadFromView();
  form.M1->SetText(QStringLiteral("Prezzo  euro"));
  form.M1->SetSelStart(7);

  WhenShown<TVarForm>([](TVarForm *picker) { picker->VariableList->UserSelected(1); });
  form.Button3->Click();
  EXPECT_EQ(form.M1->Text(), QStringLiteral("Prezzo [Vendita] euro"));
  EXPECT_EQ(vcl::Clipboard().AsText(), UserClipboardText());

  WhenShown<TFieldsForm>([](TFieldsForm *picker) {
    picker->FieldList->UserSelected(picker->FieldList->Items()->IndexOf(QStringLiteral("Testata")));
  });
  form.Button4->Click();
  EXPECT_EQ(form.M1->Text(), QStringLiteral("Prezzo [Vendita][Giacenza.\"Testata\"] euro"));
  EXPECT_EQ(vcl::Clipboard().AsText(), UserClipboardText());

  WhenShown<TExprEditor>([](TExprEditor *editor) {
    EXPECT_TRUE(editor->Expression().isEmpty());
    editor->moExpres->SetText(QStringLiteral("1+1"));
    editor->Buttons.Ok->Click();
  });
  form.Button5->Click();
  EXPECT_EQ(form.M1->Text(), QStringLiteral("Prezzo [Vendita][Giacenza.\"Testata\"][1+1] euro"));
  EXPECT_EQ(vcl::Clipboard().AsText(), UserClipboardText());

  // A cancelled picker inserts nothing.
  WhenShown<TVarForm>([](TVarForm *picker) { picker->CancelButton->Click(); });
  form.Button3->Click();
  EXPECT_EQ(form.M1->Text(), QStringLiteral("Prezzo [Vendita][Giacenza.\"Testata\"][1+1] euro"));
}

TEST_F(MemoEditorTest, KeysInsertPasteConfirmAndCancel) {
  WhenShown<TEditorForm>([](TEditorForm *form) {
    form->M1->SetText(QString());
    // Insert alone opens the variables picker.
    WhenShown<TVarForm>([](TVarForm *picker) { picker->VariableList->UserSelected(0); });
    QTest::keyClick(form->M1->Handle(), Qt::Key_Insert);
    EXPECT_EQ(form->M1->Text(), QStringLiteral("[Acquisto]"));
    // Shift+Insert pastes the user's own text as usual.
    QTest::keyClick(form->M1->Handle(), Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(form->M1->Text(), QStringLiteral("[Acquisto]") + UserClipboardText());
    QTest::keyClick(form->M1->Handle(), Qt::Key_Return, Qt::ControlModifier);
  });
  ASSERT_TRUE(EditMemoText(memo)) << "Ctrl+Enter confirms";
  EXPECT_EQ(memo->Memo.Text(), QStringLiteral("[Acquisto]") + UserClipboardText() + QStringLiteral("\r\n"));

  WhenShown<TEditorForm>([](TEditorForm *form) {
    form->M1->SetText(QStringLiteral("perso"));
    QTest::keyClick(form->M1->Handle(), Qt::Key_Escape);
  });
  EXPECT_FALSE(EditMemoText(memo)) << "Esc in the text cancels";
  EXPECT_NE(memo->Memo.Text(), QStringLiteral("perso\r\n"));
}

class HighlightTest : public ReportEditorTest {};

TEST_F(HighlightTest, TheDialogShowsAndStoresTheMemosHighlight) {
  TkvMemoView memo(report);
  THilightForm form(nullptr, report);
  form.Load(TkvHighlight::Of(memo));
  EXPECT_EQ(form.Caption(), QStringLiteral("Attributi evidenziatura"));
  EXPECT_TRUE(form.CB1->Checked()) << "bold by default";
  EXPECT_FALSE(form.CB2->Checked());
  EXPECT_TRUE(form.RB2->Checked()) << "a white fill is a colour";
  EXPECT_TRUE(form.SpeedButton2->Enabled());
  EXPECT_FALSE(form.CBX1->Checked());
  EXPECT_FALSE(form.Edit2->Enabled());
  EXPECT_FALSE(form.Label2->Enabled());
  EXPECT_FALSE(form.BEditor->Enabled());
  form.CBX1->SetChecked(true);
  EXPECT_TRUE(form.Edit2->Enabled());

  form.CB1->SetChecked(false);
  form.CB2->SetChecked(true);
  form.CB3->SetChecked(true);
  respond = [](vcl::TDialogRequest &request) {
    request.color = vcl::clRed;
    return vcl::mrOk;
  };
  form.SpeedButton1->Click();
  form.SpeedButton2->Click();
  EXPECT_EQ(form.Highlight().FillColor, vcl::clRed);
  EXPECT_EQ(form.SpeedButton2->Glyph()->Canvas()->Pixel(5, 5), vcl::clRed);
  form.RB1->SetChecked(true);
  EXPECT_FALSE(form.SpeedButton2->Enabled());

  WhenShown<TExprEditor>([](TExprEditor *editor) {
    editor->moExpres->SetText(QStringLiteral("[Sconto] > 0"));
    editor->Buttons.Ok->Click();
  });
  form.BEditor->Click();

  const TkvHighlight h = form.Highlight();
  EXPECT_TRUE(h.On);
  EXPECT_EQ(h.Condition, QStringLiteral("[Sconto] > 0"));
  EXPECT_EQ(h.FontColor, vcl::clRed);
  EXPECT_EQ(h.FillColor, kvNoColor) << "Trasparente, though a colour was picked under Altro";
  EXPECT_EQ(h.Style, (vcl::TFontStyles{vcl::fsItalic, vcl::fsUnderline}));
  h.ApplyTo(memo);
  EXPECT_EQ(memo.HighlightOn, -1);
  EXPECT_EQ(memo.HighlightStyle, (vcl::TFontStyles{vcl::fsItalic, vcl::fsUnderline}));
  EXPECT_EQ(memo.HighlightFillColor, kvNoColor);
}

TEST_F(HighlightTest, CancelLeavesTheMemo) {
  TkvMemoView memo(report);
  WhenShown<THilightForm>([](THilightForm *form) {
    form->CBX1->SetChecked(true);
    form->Buttons.Cancel->Click();
  });
  EXPECT_FALSE(EditHighlight(&memo));
  EXPECT_EQ(memo.HighlightOn, 0);
}

}  // namespace
}  // namespace report
