// The picture editor: loading a picture file through the load dialog,
// clearing it, the drawing options, a file that is no picture, and the
// object left alone until OK.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "report/designer/kvgeditor.h"
#include "tests/report/designer/designer_fixture.h"

namespace report {
namespace {

using testing::EditorTest;
using testing::WhenShown;

class PictureEditorTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    ASSERT_TRUE(dir.isValid());
    vcl::TBitmap red(40, 20);
    red.Canvas()->Brush()->SetColor(vcl::clRed);
    red.Canvas()->FillRect(vcl::Rect(0, 0, 40, 20));
    red.SaveToFile(dir.filePath(QStringLiteral("rosso.bmp")));
    QFile text(dir.filePath(QStringLiteral("note.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
  }
  QTemporaryDir dir;
  TkvPictureView view{nullptr};
};

TEST_F(PictureEditorTest, LoadThroughTheDialogThenOkGivesThePictureToTheObject) {
  view.Flags = flStretched;
  respond = [this](vcl::TDialogRequest &request) {
    EXPECT_EQ(request.kind, vcl::TDialogKind::Open);
    EXPECT_EQ(request.caption, QStringLiteral("Carica immagine"));
    EXPECT_EQ(request.filter, QStringLiteral("File immagine (*.bmp *.ico *.wmf *.emf *.jpg *.jpeg)|"
                                             "*.bmp;*.ico;*.wmf;*.emf;*.jpg;*.jpeg|Tutti i files|*.*"));
    request.value = dir.filePath(QStringLiteral("rosso.bmp"));
    request.files = QStringList{request.value};
    return vcl::mrOk;
  };
  WhenShown<TGEditorForm>([](TGEditorForm *form) {
    EXPECT_EQ(form->Caption(), QStringLiteral("Immagine"));
    EXPECT_TRUE(form->Stretched->Checked());
    form->LoadButton->Click();
    EXPECT_EQ(form->Edited().Picture.Width(), 40);
    form->KeepRatio->SetChecked(true);
    form->Buttons.Ok->Click();
  });
  ASSERT_TRUE(EditPicture(&view));
  EXPECT_EQ(view.Picture.Width(), 40);
  EXPECT_EQ(view.Picture.Height(), 20);
  EXPECT_EQ(view.Flags, flStretched | flPictRatio);
}

TEST_F(PictureEditorTest, TheOptionsShowInThePreviewAsTheyWillPrint) {
  TGEditorForm form(nullptr);
  EXPECT_TRUE(form.Stretched->Checked()) << "a new picture object is stretched in proportion";
  EXPECT_TRUE(form.KeepRatio->Checked());
  form.Stretched->SetChecked(false);
  form.KeepRatio->SetChecked(false);
  ASSERT_TRUE(form.LoadFile(dir.filePath(QStringLiteral("rosso.bmp"))));
  vcl::TBitmap *preview = form.Preview->Picture()->Bitmap();
  EXPECT_EQ(preview->Canvas()->Pixel(100, 100), vcl::clWhite) << "natural size at the top left";
  EXPECT_EQ(preview->Canvas()->Pixel(10, 10), vcl::clRed);
  form.Stretched->SetChecked(true);
  EXPECT_EQ(form.Preview->Picture()->Bitmap()->Canvas()->Pixel(100, 100), vcl::clRed);
  form.KeepRatio->SetChecked(true);
  form.Centered->SetChecked(true);
  // 40 x 20 kept in proportion in a 240 x 180 box, centred: rows 30-150.
  EXPECT_EQ(form.Preview->Picture()->Bitmap()->Canvas()->Pixel(120, 10), vcl::clWhite);
  EXPECT_EQ(form.Preview->Picture()->Bitmap()->Canvas()->Pixel(120, 90), vcl::clRed);
}

TEST_F(PictureEditorTest, AFileThatIsNoPictureIsReportedAndChangesNothing) {
  TGEditorForm form(nullptr);
  ASSERT_TRUE(form.LoadFile(dir.filePath(QStringLiteral("rosso.bmp"))));
  EXPECT_FALSE(form.LoadFile(dir.filePath(QStringLiteral("note.txt"))));
  ASSERT_EQ(Messages().size(), 1);
  EXPECT_EQ(
      Messages().first(),
      QString::fromUtf8("Non è stato possibile caricare l'immagine \"note.txt\".\nFormato immagine sconosciuto."));
  EXPECT_EQ(form.Edited().Picture.Width(), 40);
  EXPECT_FALSE(form.LoadFile(dir.filePath(QStringLiteral("manca.bmp"))));
  EXPECT_EQ(Messages().size(), 2);
}

TEST_F(PictureEditorTest, ClearAndCancel) {
  TGEditorForm loader(nullptr);
  ASSERT_TRUE(loader.LoadFile(dir.filePath(QStringLiteral("rosso.bmp"))));
  loader.ApplyTo(&view);
  ASSERT_EQ(view.Picture.Width(), 40);

  WhenShown<TGEditorForm>([](TGEditorForm *form) {
    form->ClearButton->Click();
    EXPECT_EQ(form->Edited().DesignedGraphic(), nullptr);
    form->Buttons.Cancel->Click();
  });
  EXPECT_FALSE(EditPicture(&view));
  EXPECT_EQ(view.Picture.Width(), 40) << "cancel leaves the object's picture";

  WhenShown<TGEditorForm>([](TGEditorForm *form) {
    form->ClearButton->Click();
    form->Buttons.Ok->Click();
  });
  EXPECT_TRUE(EditPicture(&view));
  EXPECT_EQ(view.DesignedGraphic(), nullptr);
}

}  // namespace
}  // namespace report
