// The editors together on a real template: a band's rows set in the record
// source editor, a memo's value format and its highlight set in the text
// editor's dialogs, the template saved and loaded again, and the finished
// page printing the formatted value in the highlight's style where the
// condition holds.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/vcl/metafile.h"
#include "report/designer/kvbanded.h"
#include "report/designer/kvfmtform.h"
#include "report/designer/kvhilight.h"
#include "report/designer/kvmemoed.h"
#include "report/engine/component/kvreport.h"
#include "tests/report/designer/designer_fixture.h"

namespace report {
namespace {

using testing::EditorTest;
using testing::WhenShown;

struct DrawnText {
  QString text;
  vcl::TEmfFont font;
  vcl::TColor color;
};

std::vector<DrawnText> TextsOf(const TkvEMFPage *page) {
  std::vector<DrawnText> out;
  std::unique_ptr<vcl::TEmfPlayer> player = page->Picture->CreatePlayer(nullptr, page->Picture->Frame());
  page->Picture->Enumerate([&](const vcl::TEmfRecord &r) {
    player->Play(r);
    if (r.Type == vcl::EMR_EXTTEXTOUTW) out.push_back({r.Text(), player->Font(), player->TextColor()});
    return true;
  });
  return out;
}

class EditorsEndToEnd : public EditorTest {
 protected:
  QTemporaryDir dir;
  vcl::TComponent owner{nullptr};
};

TEST_F(EditorsEndToEnd, FormatAndHighlightSetInTheEditorsPrintAfterSaveAndLoad) {
  ASSERT_TRUE(dir.isValid());
  auto *report = new TkvReport(&owner);
  report->SetName(QStringLiteral("Prova"));
  TkvPage *page = report->Pages().Page(0);
  TkvBandView *band = page->AddBand(btMasterData, 40, 24);
  TkvMemoView *memo = page->Add<TkvMemoView>(20, 40, 200, 24);
  memo->Font.SetName(QStringLiteral("Arial"));

  // Two counted rows.
  WhenShown<TBandEditorForm>([](TBandEditorForm *form) {
    form->CB1->UserChose(1);
    form->Edit3->SetText(QStringLiteral("2"));
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(EditBandSource(band));

  // The value, its format (thousands and two decimals) and a highlight in
  // bold underlined red on the first row only (bold without italic: a
  // style that swapped them on the way would show).
  respond = [](vcl::TDialogRequest &request) {
    if (request.kind == vcl::TDialogKind::Color) request.color = vcl::clRed;
    return vcl::mrOk;
  };
  WhenShown<TEditorForm>([](TEditorForm *form) {
    form->M1->SetText(QStringLiteral("[IF(LINE# = 1, 1234.5, 12.5)]"));
    WhenShown<TFmtForm>([](TFmtForm *format) {
      format->KindList->UserSelected(1);
      format->SubFormatList->UserSelected(3);
      format->DecimalsEdit->SetText(QStringLiteral("2"));
      format->Buttons.Ok->Click();
    });
    form->BitBtn1->Click();
    WhenShown<THilightForm>([](THilightForm *highlight) {
      highlight->CBX1->SetChecked(true);
      highlight->Edit2->SetText(QStringLiteral("LINE# = 1"));
      highlight->CB1->SetChecked(true);
      highlight->CB2->SetChecked(false);
      highlight->CB3->SetChecked(true);
      highlight->SpeedButton1->Click();
      highlight->RB1->SetChecked(true);
      highlight->Buttons.Ok->Click();
    });
    form->BitBtn2->Click();
    form->Button1->Click();
  });
  ASSERT_TRUE(EditMemoText(memo));

  const QString file = dir.filePath(QStringLiteral("prova.kvf"));
  report->SaveToFile(file);
  delete report;

  TkvReport loaded(&owner);
  loaded.LoadFromFile(file);
  loaded.SetShowProgress(false);
  loaded.ProcessMessages = [] {};
  ASSERT_TRUE(loaded.PrepareReport()) << loaded.ErrorText().toStdString();
  ASSERT_EQ(loaded.EMFPages().Count(), 1);
  const std::vector<DrawnText> texts = TextsOf(loaded.EMFPages().Page(0));
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, QStringLiteral("1.234,50"));
  EXPECT_GE(texts[0].font.Weight, 700) << "bold, as ticked";
  EXPECT_FALSE(texts[0].font.Italic);
  EXPECT_TRUE(texts[0].font.Underline);
  EXPECT_EQ(texts[0].color, vcl::clRed);
  EXPECT_EQ(texts[1].text, QStringLiteral("12,50"));
  EXPECT_LT(texts[1].font.Weight, 700) << "the condition does not hold on the second row";
  EXPECT_FALSE(texts[1].font.Underline);
  EXPECT_EQ(texts[1].color, vcl::clBlack);
  EXPECT_EQ(vcl::Clipboard().AsText(), UserClipboardText());
}

}  // namespace
}  // namespace report
