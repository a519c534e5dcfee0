// The band editors: the band-type chooser's available types, the record
// source editor's rules and what OK does to the report's record sources
// (a source another band still walks is kept), and the group editor.
#include <gtest/gtest.h>

#include <QTest>

#include "report/designer/kvbanded.h"
#include "report/designer/kvbandtypes.h"
#include "report/designer/kvexpred.h"
#include "report/designer/kvgrouped.h"
#include "report/designer/kvpickers.h"
#include "tests/report/designer/report_fixture.h"

namespace report {
namespace {

using testing::EditorTest;
using testing::ReportEditorTest;
using testing::WhenShown;

class BandTypesTest : public EditorTest {
 protected:
  TkvReport report{nullptr};
  TkvPage *page = report.Pages().Page(0);
};

TEST_F(BandTypesTest, ATypeThePageHasOnceIsDisabledDataBandsNever) {
  page->AddBand(btPageHeader, 0, 20);
  page->AddBand(btMasterData, 40, 20);
  TBandTypesForm form(nullptr, *page);
  EXPECT_EQ(form.Caption(), QStringLiteral("Inserisci nuova banda"));
  EXPECT_EQ(form.GB1->Caption(), QStringLiteral("Tipo di banda"));
  ASSERT_EQ(form.TypeButtons.size(), 21u) << "no button for type 21";
  EXPECT_FALSE(form.TypeButtons[btPageHeader]->Enabled());
  EXPECT_TRUE(form.TypeButtons[btMasterData]->Enabled());
  EXPECT_EQ(form.TypeButtons[btMasterData]->Caption(), QStringLiteral("Dati principali"));
  EXPECT_EQ(form.BandType(), 0) << "the first enabled type";
  EXPECT_TRUE(form.TypeButtons[0]->Checked());
  // The right column holds types 11 to 20.
  EXPECT_EQ(form.TypeButtons[11]->Left(), 200 + 8);
  EXPECT_EQ(form.TypeButtons[11]->Top(), 20);
  EXPECT_EQ(form.TypeButtons[10]->Top(), 220);
  form.TypeButtons[btGroupHeader]->SetChecked(true);
  EXPECT_EQ(form.BandType(), btGroupHeader);
}

TEST_F(BandTypesTest, WithEveryOnceTypeTakenTheFirstChoiceIsMasterData) {
  for (int type = 0; type <= btTableFooter; ++type) page->AddBand(type, type * 10, 10);
  TBandTypesForm form(nullptr, *page);
  EXPECT_EQ(form.BandType(), btMasterData);
  for (int type : {5, 8, 11, 16, 17}) EXPECT_TRUE(form.TypeButtons[static_cast<size_t>(type)]->Enabled()) << type;
  EXPECT_FALSE(form.TypeButtons[btTableData]->Enabled()) << "the table's data band stands once";

  int chosen = -1;
  WhenShown<TBandTypesForm>([](TBandTypesForm *shown) {
    shown->TypeButtons[btDetailData]->SetChecked(true);
    shown->Buttons.Ok->Click();
  });
  ASSERT_TRUE(ChooseBandType(*page, chosen));
  EXPECT_EQ(chosen, btDetailData);
}

class BandSourceTest : public ReportEditorTest {
 protected:
  void SetUp() override {
    ReportEditorTest::SetUp();
    page = report->Pages().Page(0);
    band = page->AddBand(btMasterData, 40, 20);
  }
  // A source the report made itself (no owner), walked by `view`.
  TkvDataset *OwnSource(TkvBandView *view, const QString &name) {
    auto *source = new TkvDataset();
    source->SetName(name);
    report->AddDataset(source);
    view->FormatStr = name;
    return source;
  }
  TkvPage *page = nullptr;
  TkvBandView *band = nullptr;
};

TEST_F(BandSourceTest, TheListsAndTheRulesOfEachSource) {
  TBandEditorForm form(nullptr);
  form.Load(band);
  EXPECT_EQ(form.Caption(), QStringLiteral("Sorgente di dati della banda"));
  EXPECT_EQ(form.CB1->Items()->Text(), QStringLiteral("[Nessuno]\r\n[Sorgente dati virtuale]\r\nStampe.Giacenza\r\n"));
  EXPECT_EQ(form.CB1->ItemIndex(), 0);
  EXPECT_FALSE(form.ComboBox1->Enabled());
  EXPECT_FALSE(form.Edit3->Enabled());
  EXPECT_FALSE(form.UpDown1->Enabled());
  EXPECT_FALSE(form.ActiveFilter->Enabled());
  // The arrows stand at the count box's right end.
  EXPECT_EQ(form.UpDown1->Associate(), form.Edit3);
  EXPECT_EQ(form.UpDown1->Left(), form.Edit3->Left() + form.Edit3->Width());
  EXPECT_EQ(form.UpDown1->Top(), form.Edit3->Top());

  form.CB1->UserChose(1);
  EXPECT_EQ(form.ComboBox2->Text(), QStringLiteral("Elementi contati"));
  EXPECT_EQ(form.ComboBox1->ItemIndex(), 0);
  EXPECT_FALSE(form.ComboBox2->Enabled());
  EXPECT_TRUE(form.Edit3->Enabled()) << "the count is editable";
  EXPECT_TRUE(form.UpDown1->Enabled());
  EXPECT_TRUE(form.Label4->Enabled());
  EXPECT_FALSE(form.Filter->Enabled());

  form.CB1->UserChose(2);
  EXPECT_TRUE(form.ComboBox2->Enabled());
  EXPECT_TRUE(form.ActiveFilter->Enabled());
  EXPECT_FALSE(form.Filter->Enabled());
  form.ActiveFilter->SetChecked(true);
  EXPECT_TRUE(form.Filter->Enabled());
  EXPECT_TRUE(form.Label5->Enabled());
  form.ComboBox2->UserChose(0);
  EXPECT_FALSE(form.Edit3->Enabled());
  EXPECT_FALSE(form.UpDown1->Enabled());
}

TEST_F(BandSourceTest, ADatasetWithItsFilterAndRangeBecomesTheBandsSource) {
  WhenShown<TBandEditorForm>([](TBandEditorForm *form) {
    form->CB1->UserChose(2);
    form->ActiveFilter->SetChecked(true);
    form->Filter->SetText(QStringLiteral("[Giacenza] > 0"));
    form->ComboBox1->UserChose(1);
    form->ComboBox2->UserChose(2);
    // A typed count, then one step up on the arrows and one with Up.
    form->Edit3->SetText(QStringLiteral("5"));
    QTest::mouseClick(form->UpDown1->Handle(), Qt::LeftButton, {}, QPoint(form->UpDown1->Width() / 2, 2));
    EXPECT_EQ(form->Edit3->Text(), QStringLiteral("6"));
    form->Edit3->SetFocus();
    QTest::keyClick(form->Edit3->Handle(), Qt::Key_Up);
    EXPECT_EQ(form->Edit3->Text(), QStringLiteral("7"));
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(EditBandSource(band));
  EXPECT_EQ(band->FormatStr, QStringLiteral("Elenco_Band1_DataSet"));
  auto *source = dynamic_cast<TkvDBDataSet *>(report->FindDataset(band->FormatStr));
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->DataSet(), stock);
  EXPECT_TRUE(source->Filtered());
  EXPECT_EQ(source->Filter(), QStringLiteral("[Giacenza] > 0"));
  EXPECT_EQ(source->RangeBegin(), rbCurrent);
  EXPECT_EQ(source->RangeEnd(), reCount);
  EXPECT_EQ(source->RangeEndCount(), 7);
  EXPECT_EQ(source->Owner(), nullptr);

  // Opened again, the editor shows what the band has.
  TBandEditorForm again(nullptr);
  again.Load(band);
  EXPECT_EQ(again.CB1->Text(), QStringLiteral("Stampe.Giacenza"));
  EXPECT_TRUE(again.ActiveFilter->Checked());
  EXPECT_EQ(again.Filter->Text(), QStringLiteral("[Giacenza] > 0"));
  EXPECT_EQ(again.Edit3->Text(), QStringLiteral("7"));
  EXPECT_EQ(again.UpDown1->Position(), 7);
}

TEST_F(BandSourceTest, NessunoFreesTheFormerSourceOnlyWhenNoOtherBandWalksIt) {
  TkvDataset *own = OwnSource(band, QStringLiteral("Righe"));
  TkvBandView *other = page->AddBand(btDetailData, 80, 20);
  other->FormatStr = QStringLiteral("righe");  // the same source, another spelling

  TkvBandSourceChoice none;
  KvApplyBandSource(*report, *band, none);
  EXPECT_TRUE(band->FormatStr.isEmpty());
  EXPECT_EQ(report->FindDataset(QStringLiteral("Righe")), own) << "the detail band still walks it";

  KvApplyBandSource(*report, *other, none);
  EXPECT_EQ(report->FindDataset(QStringLiteral("Righe")), nullptr);
  EXPECT_EQ(report->DatasetCount(), 0) << "freed once nothing names it";
}

TEST_F(BandSourceTest, ASourceAFormOwnsOnlyLeavesTheList) {
  auto *owned = new TkvDataset(&owner);
  owned->SetName(QStringLiteral("Fisso"));
  report->AddDataset(owned);
  band->FormatStr = QStringLiteral("Fisso");
  WhenShown<TBandEditorForm>([](TBandEditorForm *form) {
    EXPECT_EQ(form->CB1->Text(), QStringLiteral("[Sorgente dati virtuale]"));
    form->Edit3->SetText(QStringLiteral("3"));
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(EditBandSource(band));
  EXPECT_EQ(report->FindDataset(QStringLiteral("Fisso")), nullptr);
  EXPECT_EQ(owner.FindComponent(QStringLiteral("Fisso")), owned) << "still its form's";
  TkvDataset *counted = report->FindDataset(band->FormatStr);
  ASSERT_NE(counted, nullptr);
  EXPECT_EQ(counted->RangeEnd(), reCount);
  EXPECT_EQ(counted->RangeEndCount(), 3);
}

TEST_F(BandSourceTest, ANewSourceNeverTakesTheNameOfOneStillInUse) {
  OwnSource(band, QStringLiteral("Elenco_Band1_DataSet"));
  TkvBandView *other = page->AddBand(btDetailData, 80, 20);
  other->FormatStr = band->FormatStr;
  TkvBandSourceChoice counted;
  counted.Kind = TkvBandSourceChoice::skVirtual;
  KvApplyBandSource(*report, *band, counted);
  EXPECT_EQ(band->FormatStr, QStringLiteral("Elenco_Band1_DataSet2"));
  ASSERT_NE(report->FindDataset(other->FormatStr), nullptr) << "the other band's source is kept";
  EXPECT_NE(report->FindDataset(other->FormatStr), report->FindDataset(band->FormatStr));
}

TEST_F(BandSourceTest, TheNameButtonAndABadCount) {
  TBandEditorForm form(nullptr);
  form.Load(band);
  form.BitBtn1->Click();
  OwnSource(band, QStringLiteral("Righe"));
  form.BitBtn1->Click();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].caption, QStringLiteral("Informazioni"));
  EXPECT_EQ(requests[0].text, QString::fromUtf8("Non è stato assegnato nessun kvDataset"));
  EXPECT_EQ(requests[1].text, QString::fromUtf8("Il nome del kvDataset corrente è: Righe"));

  WhenShown<TBandEditorForm>([this](TBandEditorForm *shown) {
    shown->CB1->UserChose(1);
    shown->Edit3->SetText(QStringLiteral("molti"));
    shown->Buttons.Ok->Click();
    EXPECT_TRUE(shown->Visible());
    EXPECT_EQ(Messages().last(), QStringLiteral("Il numero di elementi deve essere un numero intero da 0 a 1000000."));
    shown->Buttons.Cancel->Click();
  });
  EXPECT_FALSE(EditBandSource(band));
  EXPECT_EQ(band->FormatStr, QStringLiteral("Righe"));
}

class GroupEditorTest : public ReportEditorTest {};

TEST_F(GroupEditorTest, TheConditionWithInsertionsAtTheCursor) {
  TkvBandView *group = report->Pages().Page(0)->AddBand(btGroupHeader, 20, 20);
  group->FormatStr = QStringLiteral("Giacenza.\"Testata\"");
  WhenShown<TGroupEditorForm>([](TGroupEditorForm *form) {
    EXPECT_EQ(form->Caption(), QStringLiteral("Gruppo"));
    EXPECT_EQ(form->Label1->Caption(), QStringLiteral("Condizione"));
    EXPECT_EQ(form->Edit1->Text(), QStringLiteral("Giacenza.\"Testata\""));
    form->Edit1->SetText(QStringLiteral("+"));
    form->Edit1->SetSelStart(0);
    WhenShown<TVarForm>([](TVarForm *picker) { picker->VariableList->UserSelected(0); });
    form->Button3->Click();
    EXPECT_EQ(form->Edit1->Text(), QStringLiteral("Acquisto+")) << "a variable goes in without brackets";
    form->Edit1->SetSelStart(int(form->Edit1->Text().size()));
    WhenShown<TFieldsForm>([](TFieldsForm *picker) {
      picker->FieldList->UserSelected(picker->FieldList->Items()->IndexOf(QStringLiteral("Giacenza")));
    });
    form->Button4->Click();
    WhenShown<TExprEditor>([](TExprEditor *editor) {
      editor->moExpres->SetText(QStringLiteral("*2"));
      editor->Buttons.Ok->Click();
    });
    form->E1->Click();
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(EditGroup(group));
  EXPECT_EQ(group->FormatStr, QStringLiteral("Acquisto+Giacenza.\"Giacenza\"*2"));
  EXPECT_EQ(vcl::Clipboard().AsText(), UserClipboardText());

  WhenShown<TGroupEditorForm>([](TGroupEditorForm *form) {
    form->Edit1->SetText(QString());
    form->Buttons.Cancel->Click();
  });
  EXPECT_FALSE(EditGroup(group));
  EXPECT_EQ(group->FormatStr, QStringLiteral("Acquisto+Giacenza.\"Giacenza\"*2"));
}

}  // namespace
}  // namespace report
