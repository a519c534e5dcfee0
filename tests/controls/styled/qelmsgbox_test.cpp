// The styled message box: the built dialog (titles, results, default
// button, layout and placement), the values its show calls return,
// answered through a dialog responder, the message's
// formatting, the "Don't show again" box, Help and the opening sound.
#include "controls/styled/qelmsgbox.h"

#include <gtest/gtest.h>

#include "controls/styled/qellabel.h"
#include "controls/styled/qelwave.h"
#include "platform/os/sound.h"
#include "platform/os/waveout.h"
#include "platform/rtl/exceptions.h"

using namespace qel;

namespace {

// What one dialog looked like just before it was shown.
struct Seen {
  QStringList captions;
  std::vector<vcl::TModalResult> results;
  std::vector<int> lefts;
  int default_count = 0;
  QString default_caption;
  int width = 0, height = 0, left = 0, top = 0;
  QString label;
  TQELCheckBox *box = nullptr;
};

// Records every dialog of `box` and answers it with `answer`.
struct Watch {
  Watch(TQELMessageBoxDlg &box, vcl::TModalResult answer) {
    box.OnDialogReady = [this](rtl::TObject *, vcl::TForm *form) {
      Seen s;
      s.width = form->Width();
      s.height = form->Height();
      s.left = form->Left();
      s.top = form->Top();
      for (int i = 0; i < form->ComponentCount(); ++i) {
        auto *c = form->Components(i);
        if (auto *b = dynamic_cast<TQELButton *>(c)) {
          s.captions << b->Caption();
          s.results.push_back(b->ModalResult());
          s.lefts.push_back(b->Left());
          if (b->Default()) {
            ++s.default_count;
            s.default_caption = b->Caption();
          }
        } else if (auto *l = dynamic_cast<TQELGlyphLabel *>(c)) {
          s.label = l->Caption();
        } else if (auto *cb = dynamic_cast<TQELCheckBox *>(c)) {
          s.box = cb;
        }
      }
      seen.push_back(s);
    };
    previous_ = vcl::SetDialogResponder([this, answer](vcl::TDialogRequest &r) {
      requests.push_back(r);
      return answer;
    });
  }
  ~Watch() { vcl::SetDialogResponder(previous_); }

  std::vector<Seen> seen;
  std::vector<vcl::TDialogRequest> requests;

 private:
  vcl::TDialogResponder previous_;
};

// The main form's set-up of the program's box.
void SetUpLikeTheProgram(TQELMessageBoxDlg &box) {
  box.SetDlgType(vcl::mtWarning);
  box.SetButtons(vcl::TMsgDlgButtons{vcl::mbYes, vcl::mbNo});
  box.ButtonTitles()->SetText(QStringLiteral("&Sì\n&No\n"));
  box.ButtonTitles()->Add(QString());
  box.SetCaptionAlignment(vcl::taCenter);
  box.SetBoxHeight(100);
  box.SetCaptionFill(true);
}

}  // namespace

TEST(MessageBox, YesNoTitlesAndResultsOfTheProgramsBox) {
  TQELMessageBoxDlg box(nullptr);
  SetUpLikeTheProgram(box);
  Watch w(box, vcl::mrYes);
  EXPECT_EQ(box.MessageDlg(QStringLiteral("   Confermi ?   "), vcl::mtConfirmation, {}), vcl::mrYes);
  ASSERT_EQ(w.seen.size(), 1u);
  const Seen &s = w.seen[0];
  EXPECT_EQ(s.captions, (QStringList{QStringLiteral("&Sì"), QStringLiteral("&No")}));
  EXPECT_EQ(s.results, (std::vector<vcl::TModalResult>{6, 7}));
  EXPECT_EQ(s.default_caption, QStringLiteral("&Sì"));
  EXPECT_EQ(w.requests[0].buttons, s.captions);
  EXPECT_EQ(w.requests[0].type, vcl::mtConfirmation);
  // A fixed box height: 120 pixels whatever the message.
  EXPECT_EQ(s.height, 120);
  EXPECT_EQ(s.label, QStringLiteral("   Confermi ?   "));

  // Without titles the kinds' own, in the fixed order whatever the set.
  TQELMessageBoxDlg plain(nullptr);
  Watch w2(plain, vcl::mrNo);
  EXPECT_EQ(plain.MessageDlg(QStringLiteral("x"), vcl::mtError,
                             vcl::TMsgDlgButtons{vcl::mbHelp, vcl::mbCancel, vcl::mbYesToAll, vcl::mbYes}),
            vcl::mrNo);
  EXPECT_EQ(w2.seen[0].captions,
            (QStringList{QStringLiteral("&Yes"), QStringLiteral("Cancel"), QStringLiteral("&Help")}));
  EXPECT_EQ(w2.seen[0].results, (std::vector<vcl::TModalResult>{vcl::mrYes, vcl::mrCancel, vcl::mrNone}));
  // An empty set takes the component's Buttons (OK by default).
  plain.MessageDlg(QStringLiteral("x"), vcl::mtError, {});
  EXPECT_EQ(w2.seen[1].captions, QStringList{QStringLiteral("OK")});
}

TEST(MessageBox, ShowMessageAnswersOneHoweverTheDialogClosed) {
  TQELMessageBoxDlg box(nullptr);
  box.SetDlgType(vcl::mtWarning);
  Watch w(box, vcl::mrCancel);
  EXPECT_EQ(box.ShowMessage(QStringLiteral("Fatto")), vcl::mrOk);
  EXPECT_EQ(w.requests[0].type, vcl::mtWarning);
  EXPECT_EQ(w.seen[0].captions, QStringList{QStringLiteral("OK")});
}

TEST(MessageBox, MessageIsAFormatString) {
  TQELMessageBoxDlg box(nullptr);
  Watch w(box, vcl::mrOk);
  box.ShowMessage(QStringLiteral("Sconto 10%% e %d pezzi"));
  EXPECT_EQ(w.seen[0].label, QStringLiteral("Sconto 10% e 0 pezzi"));
  // A format the arguments cannot fill fails before any dialog shows.
  EXPECT_THROW(box.ShowMessage(QStringLiteral("%s e %s")), rtl::Exception);
  EXPECT_EQ(w.seen.size(), 1u);
}

TEST(MessageBox, ButtonRowLayoutAndDefaultButton) {
  TQELMessageBoxDlg box(nullptr);
  Watch w(box, vcl::mrOk);
  box.MessageDlgCustom(QString(), QStringLiteral("a"), {}, vcl::TMsgDlgButtons{vcl::mbOK}, vcl::mtCustom, 0);
  box.MessageDlgCustom(QString(), QStringLiteral("a"), {}, vcl::TMsgDlgButtons{vcl::mbOK, vcl::mbCancel}, vcl::mtCustom,
                       1);
  box.MessageDlgCustom(QStringLiteral("Titolo"), QStringLiteral("a"), {}, vcl::TMsgDlgButtons{vcl::mbOK, vcl::mbCancel},
                       -1, 2);
  ASSERT_EQ(w.seen.size(), 3u);
  EXPECT_EQ(w.seen[0].width, 90);
  EXPECT_EQ(w.seen[0].lefts, std::vector<int>{5});  // start offset 0, plus 5
  EXPECT_EQ(w.seen[1].width, 170);
  EXPECT_EQ(w.seen[1].lefts, (std::vector<int>{5, 85}));
  EXPECT_EQ(w.seen[1].default_caption, QStringLiteral("Cancel"));
  EXPECT_EQ(w.requests[1].default_button, 1);
  // A default index past the buttons leaves none.
  EXPECT_EQ(w.seen[2].default_count, 0);
  EXPECT_EQ(w.requests[2].caption, QStringLiteral("Titolo"));

  // No buttons: no bar, just the message with its margin.
  box.MessageDlgCustom(QString(), QStringLiteral("a"), {}, vcl::TMsgDlgButtons{vcl::mbYesToAll}, vcl::mtCustom, 0);
  EXPECT_TRUE(w.seen[3].captions.isEmpty());
}

TEST(MessageBox, PlacedInItsReferenceAndKeptOnTheScreen) {
  TQELMessageBoxDlg box(nullptr);
  box.SetRelatePos(brMainForm);  // no main form here: the screen
  Watch w(box, vcl::mrOk);
  box.ShowMessage(QStringLiteral("a"));
  const int sw = vcl::Screen->Width(), sh = vcl::Screen->Height();
  EXPECT_EQ(w.seen[0].left, (sw - w.seen[0].width) / 2);
  EXPECT_EQ(w.seen[0].top, (sh - w.seen[0].height) / 2);

  box.SetRelatePos(brScreen);
  box.SetPosition(bpCustom);
  box.SetBoxLeft(30);
  box.SetBoxTop(40);
  box.ShowMessage(QStringLiteral("a"));
  EXPECT_EQ(w.seen[1].left, 30);
  EXPECT_EQ(w.seen[1].top, 40);

  // Larger than the screen: pinned to the top-left corner.
  box.SetPosition(bpBottomRight);
  box.SetBoxWidth(sw + 200);
  box.SetBoxHeight(sh + 200);
  box.ShowMessage(QStringLiteral("a"));
  EXPECT_EQ(w.seen[2].left, 0);
  EXPECT_EQ(w.seen[2].top, 0);
}

TEST(MessageBox, DontShowAgainBoxAndHelpButton) {
  TQELMessageBoxDlg box(nullptr);
  box.SetShowAgainBox(true);
  int helps = 0;
  rtl::TObject *help_sender = nullptr;
  box.OnHelpClick = [&](rtl::TObject *sender) {
    ++helps;
    help_sender = sender;
  };
  // The user's clicks happen on the built form; the responder then answers.
  auto previous = vcl::SetDialogResponder([](vcl::TDialogRequest &) { return vcl::mrOk; });
  box.OnDialogReady = [&](rtl::TObject *, vcl::TForm *form) {
    {
      TQELButton *ok = nullptr, *help = nullptr;
      TQELCheckBox *check = nullptr;
      for (int i = 0; i < form->ComponentCount(); ++i) {
        auto *c = form->Components(i);
        if (auto *b = dynamic_cast<TQELButton *>(c)) (b->ModalResult() == vcl::mrOk ? ok : help) = b;
        if (auto *cb = dynamic_cast<TQELCheckBox *>(c)) check = cb;
      }
      ASSERT_NE(check, nullptr);
      EXPECT_FALSE(check->Checked());
      check->Click();
      help->Click();
      EXPECT_EQ(form->ModalResult(), vcl::mrNone) << "Help leaves the dialog open";
      EXPECT_NE(ok, nullptr);
    }
  };
  EXPECT_EQ(box.MessageDlg(QStringLiteral("a"), vcl::mtInformation, vcl::TMsgDlgButtons{vcl::mbOK, vcl::mbHelp}),
            vcl::mrOk);
  EXPECT_FALSE(box.ShowAgain());
  EXPECT_EQ(helps, 1);
  EXPECT_NE(help_sender, nullptr);
  vcl::SetDialogResponder(previous);
}

TEST(MessageBox, PlaysItsWaveAndForgetsFreedLists) {
  QByteArray image(
      "RIFF\x2c\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0\x01\0\x08\0data\x08\0\0\0"
      "\x80\x80\x80\x80\x80\x80\x80\x80",
      52);
  TQELMessageBoxDlg box(nullptr);
  auto *waves = new TQELWaveList(nullptr);
  waves->Add();
  rtl::TMemoryStream s;
  s.SetBytes(image);
  waves->Items(0)->Wave()->LoadFromStream(&s);
  box.SetWaveList(waves);
  Watch w(box, vcl::mrOk);
  {
    os::TSoundRecorder sound(1);
    box.ShowMessage(QStringLiteral("a"));
    EXPECT_TRUE(sound.Requests().empty()) << "PlayWave is off";
    box.SetPlayWave(true);
    box.SetWaveIndex(1);  // past the list: silent
    box.ShowMessage(QStringLiteral("a"));
    EXPECT_TRUE(sound.Requests().empty());
    box.SetWaveIndex(0);
    box.ShowMessage(QStringLiteral("a"));
    ASSERT_EQ(sound.Requests().size(), 1u);
    EXPECT_EQ(sound.Requests()[0].data, image);
  }
  {
    // Through the wave output: the device gets the samples while the box
    // shows; without a device the box shows all the same.
    os::TSampleRecorder device;
    box.ShowMessage(QStringLiteral("a"));
    ASSERT_TRUE(device.WaitUntilIdle());
    EXPECT_EQ(device.Recording().samples, image.mid(44));
    os::TSampleRecorder none(0);
    box.ShowMessage(QStringLiteral("a"));
    EXPECT_EQ(none.Recording().starts, 0);
  }
  delete waves;
  EXPECT_EQ(box.WaveList(), nullptr);
  box.ShowMessage(QStringLiteral("a"));  // and still shows
  EXPECT_EQ(w.seen.size(), 6u);
}
