// The maintenance dialog: the purge of old journal rows and empty stock rows,
// and the program's two settings (side of the till totaliser, reset code of
// the totaliser) kept in "orbiscacfg.ini" in the data folder.
//
// `TManutenzioneLogic` holds the purge without widgets so that the tests run
// it on a real database; `TManutenzioneForm` holds the widgets, the settings
// storage and copies the date edit into the logic before the purge runs.
//
// "Personalizzazione stampe" opens the report designer on the main
// window's report component (the template the last print loaded) with
// both print datasets open, so that the designer shows their fields; the
// designer writes the template back to its file.
//
// Every question and notice of the program goes through `AskUser`, so the
// look of those boxes is decided in one place.
#pragma once

#include <QString>
#include <functional>

#include "app/cabwriter.h"
#include "app/menulogic.h"
#include "controls/extended/dateedit.h"
#include "controls/extended/placemnt.h"
#include "controls/styled/qelmsgbox.h"
#include "dao/vudaotable.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"

namespace report {
class TkvReport;
}

namespace app {

class TStampeLogic;

// The kinds of box the program shows its user.
enum class TAskKind { Confirm, Notice, Error };

// Shows `text` and returns the button pressed: 6 for "&Sì", 7 for "&No"
// (questions), 1 for OK (notices and errors).
int AskUser(const QString &text, TAskKind kind);

// The program's styled box (the main form's `Mymsg`): questions and
// notices go through it while it is set; without one (tools, tests of the
// logic alone) AskUser uses a box with the same look for the call.
void SetProgramMessageBox(qel::TQELMessageBoxDlg *box);
// Gives a box the program's look: warning type, "&Sì"/"&No" buttons,
// centred text and caption, 100 pixels high, filled caption bar.
void SetUpProgramMessageBox(qel::TQELMessageBoxDlg *box);

inline const QString kConfirmPurge = QStringLiteral("   Confermi la cancellazione ?   ");
inline const QString kPurgeDone = QStringLiteral("   Cancellazione effettuata   ");
inline const QString kPurgeFailed = QStringLiteral("Cancellazione non eseguita, l'archivio non è stato modificato:\n");
inline const QString kSettingsFile = QStringLiteral("orbiscacfg.ini");
inline const QString kSettingsSection = QStringLiteral("Orbisca");

class TManutenzioneLogic : public vcl::TComponent {
  ORBISCA_CLASS(TManutenzioneLogic, vcl::TComponent)

 public:
  // `menu` gives the database and the tables to refresh after a purge.
  TManutenzioneLogic(vcl::TComponent *owner, TMenuLogic *menu);

  TMenuLogic *Menu = nullptr;
  dao::TVuDaoTable *query = nullptr;
  rtl::TDateTime cancella = 0;  // 0 = no date chosen

  // The purge: asks, then deletes the journal rows of `cancella` and before
  // and the stock rows with no stock last loaded by then, both or neither.
  // True when rows were deleted.
  bool Button2Click();

 protected:
  // Runs one delete with the day as its only parameter. Virtual so a test
  // can make one of the deletes fail.
  virtual void RunPurgeStatement(const QString &sql, rtl::TDateTime day);

 private:
  void RefreshTables();
};

class TManutenzioneForm : public vcl::TForm {
  ORBISCA_CLASS(TManutenzioneForm, vcl::TForm)

 public:
  TManutenzioneForm(vcl::TComponent *owner, TMenuLogic *menu);

  TManutenzioneLogic *Logic = nullptr;
  vcl::TPageControl *PageControl1 = nullptr;
  vcl::TTabSheet *tb_utilita = nullptr, *tb_vendite = nullptr;
  ext::TDateEdit *cancella = nullptr;
  vcl::TButton *Button2 = nullptr;
  vcl::TComboBox *pos_totali = nullptr;
  vcl::TBitBtn *BitBtn1 = nullptr;
  vcl::TLabel *nota = nullptr;
  vcl::TEdit *azzera = nullptr;
  vcl::TButton *btn_chiudi = nullptr;
  ext::TFormStorage *FormStorage1 = nullptr;
  // The backup's cabinet writer (MSZIP), used by the "Backup" command and by
  // the exit, and the matching reader, which nothing reads with.
  TQbCabWriter *QbCabWriter1 = nullptr;
  TQbCabReader *QbCabReader1 = nullptr;

  // The main window's report component and its print datasets, for the
  // template customisation; without them the button does nothing.
  report::TkvReport *Report = nullptr;
  std::function<TStampeLogic *()> PrintLogic;

  void Button2Click(rtl::TObject *sender);
  void BitBtn1Click(rtl::TObject *sender);

  // Reads the settings of `folder` (ending in a separator). A missing or
  // unreadable file leaves the defaults "Sinistra" and "000".
  void RestoreSettings(const QString &folder);
  // Writes the settings once; later calls (the forms' destruction) write
  // nothing.
  void SaveSettings();
  QString SidePanel() const { return pos_totali->Text(); }
  QString ResetCode() const { return azzera->Text(); }

 protected:
  // Each opening starts on "&Utilità" with the purge date focused, not on
  // the control focused when the dialog last closed (Enter would press
  // that button again).
  void DoShow() override;
};

}  // namespace app
