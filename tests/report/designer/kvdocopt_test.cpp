// The document options dialog: its boxes' rules, and the options it
// writes into the report and from there into the saved template.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <memory>

#include "platform/rtl/streams.h"
#include "platform/vcl/forms.h"
#include "report/designer/kvdocopt.h"
#include "report/designer/kvdsgncmds.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/model/kvglobals.h"
#include "report/engine/print/kvprntr.h"

namespace {

using namespace report;

class DocOptions : public ::testing::Test {
 protected:
  TkvEngineStateGuard engine_;
  std::unique_ptr<TkvReport> report_ = std::make_unique<TkvReport>();

  // The report's template written and read into a fresh report.
  std::unique_ptr<TkvReport> SavedAndLoaded() {
    rtl::TMemoryStream stream;
    report_->SaveToStream(stream);
    stream.SetPosition(0);
    auto loaded = std::make_unique<TkvReport>();
    loaded->LoadFromStream(stream);
    return loaded;
  }
};

TEST_F(DocOptions, CaptionsAndTheBoxesRules) {
  TDocOptForm form;
  EXPECT_EQ(form.Caption(), QStringLiteral("Opzioni report"));
  EXPECT_EQ(form.GroupBox1->Caption(), QStringLiteral("Stampante"));
  EXPECT_EQ(form.GroupBox2->Caption(), QStringLiteral("Altro"));
  EXPECT_EQ(form.CB1->Caption(), QStringLiteral("Seleziona dove stampare il report"));
  EXPECT_EQ(form.CB2->Caption(), QStringLiteral("Report in due fasi"));
  EXPECT_EQ(form.CB3->Caption(), QStringLiteral("Fascicola report a pagine multiple"));
  EXPECT_EQ(form.CB4->Caption(), QStringLiteral("Reimpagina le pagine fascicolate"));
  EXPECT_EQ(form.Button1->Caption(), QStringLiteral("&OK"));
  EXPECT_EQ(form.Button2->Caption(), QStringLiteral("&Annulla"));

  form.Load(KvReadDocOptions(*report_));
  // The printer list is the settings' own, the layout printer last.
  EXPECT_EQ(form.ComB1->Items()->Count(), GlobalPrinterSettings()->PrinterNames()->Count());
  EXPECT_EQ(form.ComB1->Items()->Strings(form.ComB1->Items()->Count() - 1), TPrinterSettings::VirtualPrinterName());
  EXPECT_EQ(form.ComB1->ItemIndex(), GlobalPrinterSettings()->PrinterIndex());
  EXPECT_FALSE(form.CB1->Checked());  // a new report prints where it is sent
  EXPECT_FALSE(form.CB4->Enabled());

  // Renumbering only while collating; it forces two passes on.
  form.CB3->SetChecked(true);
  EXPECT_TRUE(form.CB4->Enabled());
  form.CB4->SetChecked(true);
  EXPECT_TRUE(form.CB2->Checked());
  EXPECT_FALSE(form.CB2->Enabled());
  form.CB4->SetChecked(false);
  EXPECT_TRUE(form.CB2->Enabled());
  EXPECT_TRUE(form.CB2->Checked());
  form.CB4->SetChecked(true);
  form.CB3->SetChecked(false);  // takes renumbering with it
  EXPECT_FALSE(form.CB4->Checked());
  EXPECT_FALSE(form.CB4->Enabled());
  EXPECT_TRUE(form.CB2->Enabled());
}

TEST_F(DocOptions, RenumberingSavesATwoPassTemplate) {
  QTimer::singleShot(0, [] {
    TDocOptForm *form = nullptr;
    for (int i = 0; i < vcl::Screen->FormCount(); ++i)
      if (auto *f = dynamic_cast<TDocOptForm *>(vcl::Screen->Forms(i))) form = f;
    ASSERT_NE(form, nullptr);
    QTest::mouseClick(form->CB3->Handle(), Qt::LeftButton, {}, QPoint(5, 8));
    QTest::mouseClick(form->CB4->Handle(), Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_TRUE(form->CB2->Checked());
    form->CB1->SetChecked(true);
    form->Button1->Click();
  });
  ASSERT_TRUE(EditDocumentOptions(report_.get()));
  EXPECT_TRUE(report_->DoublePass());
  EXPECT_TRUE(report_->InterleavePages());
  EXPECT_TRUE(report_->RenumberInterleaved());
  EXPECT_FALSE(report_->PrintToDefault());

  const std::unique_ptr<TkvReport> loaded = SavedAndLoaded();
  EXPECT_TRUE(loaded->DoublePass());
  EXPECT_TRUE(loaded->InterleavePages());
  EXPECT_TRUE(loaded->RenumberInterleaved());
  EXPECT_FALSE(loaded->PrintToDefault());
}

TEST_F(DocOptions, WritingTheOptionsBack) {
  TkvDocOptions o = KvReadDocOptions(*report_);
  EXPECT_FALSE(o.DoublePass);
  o.Renumber = true;  // even unticked, two passes follow renumbering
  ASSERT_TRUE(KvWriteDocOptions(*report_, o));
  EXPECT_TRUE(report_->DoublePass());
  EXPECT_TRUE(report_->PrintToDefault());

  // A template that renumbers without collating shows the box cleared.
  report_->SetInterleavePages(false);
  TDocOptForm form;
  form.Load(KvReadDocOptions(*report_));
  EXPECT_FALSE(form.CB4->Checked());
  EXPECT_TRUE(form.CB2->Checked());
  EXPECT_TRUE(form.CB2->Enabled());

  // Cancel changes nothing.
  report_->SetDoublePass(false);
  QTimer::singleShot(0, [] {
    for (int i = 0; i < vcl::Screen->FormCount(); ++i) {
      if (auto *f = dynamic_cast<TDocOptForm *>(vcl::Screen->Forms(i))) {
        f->CB2->SetChecked(true);
        f->Button2->Click();
      }
    }
  });
  EXPECT_FALSE(EditDocumentOptions(report_.get()));
  EXPECT_FALSE(report_->DoublePass());
}

TEST_F(DocOptions, TheDesignersCommandOpensTheDialog) {
  KvRegisterEditor(TkvEditor::ReportOptions, {});
  EXPECT_FALSE(KvCommandEnabled(TkvCommand::ReportOptions, TkvDesignerStatus()));
  KvInstallDesignerEditors();
  EXPECT_TRUE(KvCommandEnabled(TkvCommand::ReportOptions, TkvDesignerStatus()));
  QTimer::singleShot(0, [] {
    for (int i = 0; i < vcl::Screen->FormCount(); ++i) {
      if (auto *f = dynamic_cast<TDocOptForm *>(vcl::Screen->Forms(i))) {
        f->CB2->SetChecked(true);
        f->Button1->Click();
      }
    }
  });
  TkvEditContext context;
  context.Report = report_.get();
  EXPECT_TRUE(KvOpenEditor(TkvEditor::ReportOptions, context));
  EXPECT_TRUE(report_->DoublePass());
}

}  // namespace
