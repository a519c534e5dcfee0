// Dialogs answer through the responder without showing a window, with the
// Italian captions and button texts, the platform's default and cancel
// buttons, and the file dialogs' filters, default extension and overwrite
// prompt.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/vcl/dialogs.h"

using namespace vcl;

namespace {

// Installs a responder for one test and records every request.
class Responding : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = SetDialogResponder([this](TDialogRequest &r) {
      seen.push_back(r);
      return answer ? answer(r) : mrOk;
    });
  }
  void TearDown() override { SetDialogResponder(previous_); }

  std::vector<TDialogRequest> seen;
  std::function<TModalResult(TDialogRequest &)> answer;

 private:
  TDialogResponder previous_;
};

}  // namespace

TEST_F(Responding, MessageDlgShowsItalianTextsAndReturnsTheAnswer) {
  answer = [](TDialogRequest &) { return mrNo; };
  EXPECT_EQ(MessageDlg(QStringLiteral("Cancellare la testata?"), mtConfirmation, {mbYes, mbNo}), mrNo);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, QStringLiteral("Conferma"));
  EXPECT_EQ(seen[0].text, QStringLiteral("Cancellare la testata?"));
  EXPECT_EQ(seen[0].buttons, (QStringList{QStringLiteral("&Sì"), QStringLiteral("&No")}));
  EXPECT_EQ(seen[0].results, (std::vector<TModalResult>{mrYes, mrNo}));
  EXPECT_EQ(seen[0].default_button, 0);
  EXPECT_EQ(seen[0].cancel_button, 1);

  answer = [](TDialogRequest &r) { return r.results[size_t(r.default_button)]; };
  EXPECT_EQ(MessageDlg(QStringLiteral("x"), mtWarning, mbAbortRetryIgnore), mrRetry);
  EXPECT_EQ(seen.back().caption, QStringLiteral("Attenzione"));
  EXPECT_EQ(seen.back().buttons,
            (QStringList{QStringLiteral("&Interrompi"), QStringLiteral("&Riprova"), QStringLiteral("&Ignora")}));
  EXPECT_EQ(seen.back().cancel_button, -1);

  // Buttons appear in the platform's order, whatever order they are given in.
  MessageDlg(QStringLiteral("x"), mtError, {mbCancel, mbAll, mbOK});
  EXPECT_EQ(seen.back().caption, QStringLiteral("Errore"));
  EXPECT_EQ(seen.back().buttons,
            (QStringList{QStringLiteral("OK"), QStringLiteral("Annulla"), QStringLiteral("&Tutti")}));
  EXPECT_EQ(seen.back().default_button, 0);
  EXPECT_EQ(seen.back().cancel_button, 1);
  MessageDlg(QStringLiteral("x"), mtInformation, {});
  EXPECT_EQ(seen.back().caption, QStringLiteral("Informazione"));
  EXPECT_EQ(seen.back().buttons, QStringList{QStringLiteral("OK")});

  // A question whose safe answer is No can make No the default.
  EXPECT_EQ(MessageDlgCaption(QStringLiteral("Eliminare?"), QStringLiteral("Attenzione"), mtConfirmation, {mbYes, mbNo},
                              mbNo),
            mrNo);
  EXPECT_EQ(seen.back().default_button, 1);
  EXPECT_EQ(seen.back().caption, QStringLiteral("Attenzione"));

  SetApplicationTitle(QStringLiteral("Gestione Orbisca"));
  ShowMessage(QStringLiteral("Fatto"));
  EXPECT_EQ(seen.back().caption, QStringLiteral("Gestione Orbisca"));
  EXPECT_EQ(DialogTypeCaption(mtCustom), QStringLiteral("Gestione Orbisca"));
  SetApplicationTitle(QString());
}

TEST_F(Responding, InputQueryChangesTheValueOnlyWhenConfirmed) {
  answer = [](TDialogRequest &r) {
    r.value = QStringLiteral("nuovo");
    return mrCancel;
  };
  QString value = QStringLiteral("vecchio");
  EXPECT_FALSE(InputQuery(QStringLiteral("Titolo"), QStringLiteral("Nome:"), value));
  EXPECT_EQ(value, QStringLiteral("vecchio"));
  EXPECT_EQ(seen.back().buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("Annulla")}));
  EXPECT_EQ(InputBox(QStringLiteral("T"), QStringLiteral("P"), QStringLiteral("d")), QStringLiteral("d"));
  answer = [](TDialogRequest &r) {
    EXPECT_EQ(r.value, QStringLiteral("vecchio"));
    r.value = QStringLiteral("nuovo");
    return mrOk;
  };
  EXPECT_TRUE(InputQuery(QStringLiteral("Titolo"), QStringLiteral("Nome:"), value));
  EXPECT_EQ(value, QStringLiteral("nuovo"));
}

TEST_F(Responding, SaveDialogAddsTheExtensionAndAsksBeforeOverwriting) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile existing(dir.filePath("elenco.kvf"));
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.close();

  TSaveDialog save;
  save.SetFilter(QStringLiteral("Modelli (*.kvf)|*.kvf|Tutti i file|*.*"));
  save.SetFilterIndex(1);
  save.SetDefaultExt(QStringLiteral("kvf"));
  save.SetInitialDir(dir.path());
  save.SetOptions(save.Options() + ofOverwritePrompt);
  // The user types a name without extension, then refuses to overwrite.
  answer = [](TDialogRequest &r) {
    if (r.kind == TDialogKind::Save) {
      r.value = QStringLiteral("elenco");
      r.filter_index = 2;
      return mrOk;
    }
    return mrNo;
  };
  EXPECT_FALSE(save.Execute());
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].filter, QStringLiteral("Modelli (*.kvf)|*.kvf|Tutti i file|*.*"));
  EXPECT_EQ(seen[1].caption, QStringLiteral("Attenzione"));
  EXPECT_TRUE(seen[1].text.contains(QStringLiteral("esiste già")));
  EXPECT_EQ(save.FileName(), QString());

  answer = [](TDialogRequest &r) {
    if (r.kind == TDialogKind::Save) r.value = QStringLiteral("elenco");
    return r.kind == TDialogKind::Save ? mrOk : mrYes;
  };
  EXPECT_TRUE(save.Execute());
  EXPECT_EQ(save.FileName(), dir.filePath("elenco.kvf"));
  EXPECT_FALSE(save.Options().Contains(ofExtensionDifferent));

  // A new file needs no question; another extension is noted.
  answer = [](TDialogRequest &r) {
    r.value = QStringLiteral("nuovo.txt");
    return mrOk;
  };
  const size_t before = seen.size();
  EXPECT_TRUE(save.Execute());
  EXPECT_EQ(seen.size(), before + 1);
  EXPECT_TRUE(save.Options().Contains(ofExtensionDifferent));

  answer = [](TDialogRequest &) { return mrCancel; };
  EXPECT_FALSE(save.Execute());
  EXPECT_EQ(save.FileName(), dir.filePath("nuovo.txt"));
}

TEST_F(Responding, OpenDialogChecksTheFileAndFiltersConvert) {
  EXPECT_EQ(TOpenDialog::QtFilters(QStringLiteral("Immagini|*.bmp;*.ico|Tutti|*.*")),
            (QStringList{QStringLiteral("Immagini (*.bmp *.ico)"), QStringLiteral("Tutti (*.*)")}));
  EXPECT_EQ(TOpenDialog::QtFilters(QStringLiteral("Report files (*.kvp)|*.kvp|Testo (*.txt;*.csv)|*.txt;*.csv")),
            (QStringList{QStringLiteral("Report files (*.kvp)"), QStringLiteral("Testo (*.txt *.csv)")}));
  TOpenDialog open;
  open.SetOptions(open.Options() + ofFileMustExist);
  answer = [](TDialogRequest &r) {
    if (r.kind == TDialogKind::Open) r.value = QStringLiteral("/nessuna/cartella/file.bmp");
    return mrOk;
  };
  EXPECT_FALSE(open.Execute());
  EXPECT_EQ(seen.back().kind, TDialogKind::Message);
  EXPECT_TRUE(seen.back().text.contains(QStringLiteral("File non trovato")));
}

TEST_F(Responding, ColourAndFontDialogsTakeTheAnswer) {
  TColorDialog color;
  color.SetColor(clRed);
  answer = [](TDialogRequest &r) {
    EXPECT_EQ(r.color, clRed);
    r.color = clTeal;
    return mrOk;
  };
  EXPECT_TRUE(color.Execute());
  EXPECT_EQ(color.Color(), clTeal);

  TFontDialog font;
  font.Font()->SetName(QStringLiteral("Arial"));
  answer = [](TDialogRequest &r) {
    r.font->SetSize(14);
    r.font->SetStyle({fsBold});
    return mrCancel;
  };
  EXPECT_FALSE(font.Execute());
  EXPECT_EQ(font.Font()->Size(), 8);
  answer = [](TDialogRequest &r) {
    r.font->SetSize(14);
    return mrOk;
  };
  EXPECT_TRUE(font.Execute());
  EXPECT_EQ(font.Font()->Size(), 14);
  EXPECT_EQ(font.Font()->Name(), QStringLiteral("Arial"));

  TPrintDialog print;
  answer = [](TDialogRequest &r) {
    r.copies = 3;
    r.from_page = 2;
    r.to_page = 4;
    return mrOk;
  };
  EXPECT_TRUE(print.Execute());
  EXPECT_EQ(print.Copies(), 3);
  EXPECT_EQ(print.FromPage(), 2);
  EXPECT_EQ(print.PrintRange(), prPageNums);
}

// Without a responder the real window opens, with the same texts; pressing
// one of its buttons gives that button's result.
TEST(RealDialogs, MessageBoxShowsTheItalianButtonsAndAnswers) {
  QStringList shown;
  QString title;
  int attempts = 0;
  std::function<void()> press = [&] {
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (box == nullptr) {
      // Not open yet; after a few seconds give up rather than hang.
      if (++attempts < 200) QTimer::singleShot(20, press);
      return;
    }
    title = box->windowTitle();
    QAbstractButton *no = nullptr;
    for (QAbstractButton *b : box->buttons()) {
      shown << b->text();
      if (b->text() == QStringLiteral("&No")) no = b;
    }
    if (no != nullptr) {
      no->click();
    } else {
      box->reject();
    }
  };
  QTimer::singleShot(0, press);
  const TModalResult r = MessageDlg(QStringLiteral("Uscire?"), mtConfirmation, {mbYes, mbNo, mbCancel});
  EXPECT_EQ(r, mrNo);
  EXPECT_EQ(title, QStringLiteral("Conferma"));
  shown.sort();
  EXPECT_EQ(shown, (QStringList{QStringLiteral("&No"), QStringLiteral("&Sì"), QStringLiteral("Annulla")}));
}
