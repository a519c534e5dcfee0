// The maintenance dialog and its purge (see manutenzione.h).
#include "app/manutenzione.h"

#include "app/formparts.h"
#include "app/stampe.h"
#include "report/engine/component/kvreport.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/ignorefailure.h"
#include "platform/vcl/consts.h"

namespace app {

namespace {

qel::TQELMessageBoxDlg *program_box = nullptr;

// The styled box takes its message as a format string; the program's texts
// (error messages included) are shown as they are.
QString Literal(const QString &text) {
  QString escaped = text;
  return escaped.replace(QLatin1Char('%'), QStringLiteral("%%"));
}

}  // namespace

void SetProgramMessageBox(qel::TQELMessageBoxDlg *box) { program_box = box; }

void SetUpProgramMessageBox(qel::TQELMessageBoxDlg *box) {
  box->SetDlgType(vcl::mtWarning);
  box->SetButtons(vcl::TMsgDlgButtons{vcl::mbYes, vcl::mbNo});
  box->ButtonTitles()->SetText(QStringLiteral("&Sì\n&No\n"));
  box->ButtonTitles()->Add(QString());
  box->MessageAlignment()->SetAlignment(qel::agCenter);
  box->SetCaptionAlignment(vcl::taCenter);
  box->SetBoxHeight(100);
  box->SetCaptionFill(true);
  for (vcl::TFont *font : {box->MessageFont(), box->CaptionFont(), box->ButtonFont()}) {
    font->SetName(QStringLiteral("MS Sans Serif"));
    font->SetHeight(-11);
    font->SetColor(vcl::clWindowText);
  }
}

int AskUser(const QString &text, TAskKind kind) {
  // Errors keep the plain dialog; questions and notices take the styled box.
  if (kind == TAskKind::Error) return vcl::MessageDlg(text, vcl::mtError, vcl::TMsgDlgButtons{vcl::mbOK});
  std::unique_ptr<qel::TQELMessageBoxDlg> own;
  qel::TQELMessageBoxDlg *box = program_box;
  if (box == nullptr) {
    own = std::make_unique<qel::TQELMessageBoxDlg>(nullptr);
    SetUpProgramMessageBox(own.get());
    box = own.get();
  }
  if (kind == TAskKind::Confirm)
    return box->MessageDlg(Literal(text), vcl::mtConfirmation, vcl::TMsgDlgButtons{vcl::mbYes, vcl::mbNo});
  // The box's titles name the answers to a question ("Sì", "No"); a notice
  // answers nothing, so its one button reads "OK" and the titles come back.
  const QString titles = box->ButtonTitles()->Text();
  box->ButtonTitles()->SetText(QStringLiteral("OK\n"));
  try {
    const int result = box->ShowMessage(Literal(text));
    box->ButtonTitles()->SetText(titles);
    return result;
  } catch (...) {
    box->ButtonTitles()->SetText(titles);
    throw;
  }
}

namespace {

// The logic also runs without an application object (tests, tools): then
// there is no screen cursor to show.
void SetCursor(vcl::TCursor cursor) {
  if (vcl::Screen != nullptr) vcl::Screen->SetCursor(cursor);
}

}  // namespace

// --- the purge ---------------------------------------------------------------------------

TManutenzioneLogic::TManutenzioneLogic(vcl::TComponent *owner, TMenuLogic *menu) : vcl::TComponent(owner), Menu(menu) {
  SetName(QStringLiteral("ManutenzioneLogic"));
  query = new dao::TVuDaoTable(this);
  query->SetName(QStringLiteral("query"));
  query->SetDatabase(menu->Database);
  query->SetDatabaseAutoActivate(false);
  query->SetSQLText(QStringLiteral("select * from giornale where data>=:giorno"));
}

void TManutenzioneLogic::RunPurgeStatement(const QString &sql, rtl::TDateTime day) {
  query->SetSQLText(sql);
  query->Params()[0]->SetAsDateTime(day);
  query->ExecuteSQL();
}

bool TManutenzioneLogic::Button2Click() {
  if (cancella == 0) return false;
  if (AskUser(kConfirmPurge, TAskKind::Confirm) != vcl::mrYes) return false;
  const rtl::TDateTime day = cancella;
  SetCursor(vcl::crHourGlass);
  // Both deletes or neither: a journal purged without its stock rows (or the
  // reverse) would leave the archive half cleaned with no way to tell.
  auto *db = Menu->Database;
  try {
    db->BeginTrans();
    try {
      RunPurgeStatement(QStringLiteral("delete FROM giornale WHERE data<=:giorno"), day);
      RunPurgeStatement(QStringLiteral("delete FROM giacenza WHERE giacenza=0 and ucarico<=:giorno"), day);
      db->CommitTrans();
    } catch (const rtl::Exception &) {
      rtl::IgnoreFailure("nothing was left to undo", [&] { db->Rollback(); });
      throw;
    }
  } catch (const rtl::Exception &e) {
    SetCursor(vcl::crDefault);
    AskUser(kPurgeFailed + e.Message(), TAskKind::Error);
    return false;
  }
  RefreshTables();
  SetCursor(vcl::crDefault);
  AskUser(kPurgeDone, TAskKind::Notice);
  return true;
}

void TManutenzioneLogic::RefreshTables() {
  // The main window's tables still hold the deleted rows: reopen them so a
  // lookup does not find a row the database no longer has.
  for (auto *t : {Menu->Giacenze, Menu->giornale}) {
    if (t == nullptr || !t->Active()) continue;
    rtl::IgnoreFailure("the table stays closed; the next start opens it again", [t] {
      t->Close();
      t->Open();
    });
  }
}

// --- the dialog ----------------------------------------------------------------------------

TManutenzioneForm::TManutenzioneForm(vcl::TComponent *owner, TMenuLogic *menu) : vcl::TForm(owner) {
  SetName(QStringLiteral("ManutenzioneForm"));
  SetCaption(QStringLiteral("Manutenzione"));
  SetBounds(0, 0, 460, 290);
  SetPosition(vcl::poScreenCenter);
  SetBorderStyle(vcl::bsDialog);
  Logic = new TManutenzioneLogic(this, menu);
  QbCabWriter1 = new TQbCabWriter(this);
  QbCabWriter1->SetName(QStringLiteral("QbCabWriter1"));
  QbCabWriter1->SetCompressionType(cctMsZip);
  QbCabReader1 = new TQbCabReader(this);
  QbCabReader1->SetName(QStringLiteral("QbCabReader1"));

  PageControl1 = Make<vcl::TPageControl>(this, this, QStringLiteral("PageControl1"));
  PageControl1->SetAlign(vcl::alTop);
  PageControl1->SetHeight(240);
  auto sheet = [this](const QString &name, const QString &caption) {
    return AddSheet(this, PageControl1, name, caption);
  };
  tb_utilita = sheet(QStringLiteral("tb_utilita"), QStringLiteral("&Utilità"));
  tb_vendite = sheet(QStringLiteral("tb_vendite"), QStringLiteral("Vendite"));

  AddLabel(this, tb_utilita, QStringLiteral("Cancella tutte le registrazioni precedenti il"), 8, 12, 260);
  cancella = Make<ext::TDateEdit>(this, tb_utilita, QStringLiteral("cancella"));
  cancella->SetBounds(8, 32, 120, 24);
  Button2 = Make<vcl::TButton>(this, tb_utilita, QStringLiteral("Button2"));
  Button2->SetCaption(QStringLiteral("&Cancellazione"));
  Button2->SetBounds(140, 32, 110, 24);
  Button2->OnClick = [this](rtl::TObject *sender) { Button2Click(sender); };
  AddLabel(this, tb_utilita, QStringLiteral("Posizione totalizzatore vendite"), 8, 76, 260);
  pos_totali = Make<vcl::TComboBox>(this, tb_utilita, QStringLiteral("pos_totali"));
  pos_totali->SetBounds(8, 96, 120, 24);
  pos_totali->Items()->Add(kSideRight);
  pos_totali->Items()->Add(kSideLeft);
  pos_totali->SetText(kSideLeft);
  BitBtn1 = Make<vcl::TBitBtn>(this, tb_utilita, QStringLiteral("BitBtn1"));
  BitBtn1->SetCaption(QStringLiteral("Personalizzazione stampe"));
  BitBtn1->SetBounds(8, 150, 200, 28);
  BitBtn1->OnClick = [this](rtl::TObject *sender) { BitBtn1Click(sender); };

  nota = Make<vcl::TLabel>(this, tb_vendite, QStringLiteral("nota"));
  nota->SetWordWrap(true);
  nota->SetBounds(8, 8, 420, 120);
  nota->SetCaption(
      QStringLiteral("Scegliete un codice a barre non utilizzato e tenetelo vicino al computer. Durante la vendita, "
                     "passando il codice scelto al lettore il computer si comporterà come se aveste cliccato il "
                     "cestino di azzeramento del totale.\n\nInserite il codice scelto per l'azzeramento qui:"));
  azzera = Make<vcl::TEdit>(this, tb_vendite, QStringLiteral("azzera"));
  azzera->SetBounds(8, 140, 160, 24);
  azzera->SetText(QStringLiteral("000"));

  btn_chiudi = Make<vcl::TButton>(this, this, QStringLiteral("btn_chiudi"));
  btn_chiudi->SetCaption(QStringLiteral("OK"));
  btn_chiudi->SetBounds(370, 250, 80, 28);
  btn_chiudi->SetModalResult(vcl::mrOk);

  // Made in code, the storage is not hooked to the form's show and close:
  // the program reads it once at start and writes it once at exit.
  FormStorage1 = new ext::TFormStorage(this);
  FormStorage1->SetName(QStringLiteral("FormStorage1"));
  FormStorage1->SetIniSection(kSettingsSection);
  FormStorage1->StoredProps()->Add(QStringLiteral("pos_totali.Text"));
  FormStorage1->StoredProps()->Add(QStringLiteral("azzera.Text"));
  FormStorage1->ResolveStoredProps();
}

void TManutenzioneForm::DoShow() {
  PageControl1->SetActivePage(tb_utilita);
  if (cancella->CanFocus()) SetActiveControl(cancella);
  vcl::TForm::DoShow();
}

void TManutenzioneForm::Button2Click(rtl::TObject *) {
  Logic->cancella = cancella->EditDate();
  Logic->Button2Click();
}

void TManutenzioneForm::BitBtn1Click(rtl::TObject *) {
  TStampeLogic *stampe = PrintLogic ? PrintLogic() : nullptr;
  if (Report == nullptr || stampe == nullptr) return;
  SetCursor(vcl::crHourGlass);
  // Whatever happens in the designer, the datasets close and the cursor
  // comes back.
  struct Back {
    TStampeLogic *stampe;
    ~Back() {
      for (dao::TVuDaoTable *ds : {stampe->stampa_giacenze, stampe->stampa_giornale})
        rtl::IgnoreFailure("a dataset that cannot close stays as the engine left it", [ds] { ds->Close(); });
      if (vcl::Screen != nullptr) vcl::Screen->SetCursor(vcl::crDefault);
    }
  } back{stampe};
  stampe->stampa_giacenze->Open();
  stampe->stampa_giornale->Open();
  SetCursor(vcl::crDefault);
  Report->DesignReport();
}

void TManutenzioneForm::RestoreSettings(const QString &folder) {
  FormStorage1->SetIniFileName(folder + kSettingsFile);
  try {
    FormStorage1->RestorePlacementFromStorage();
  } catch (const rtl::Exception &) {
    // An unreadable file is as good as none: the program starts with the
    // defaults, and the next exit writes a sound file.
    pos_totali->SetText(kSideLeft);
    azzera->SetText(QStringLiteral("000"));
  }
}

void TManutenzioneForm::SaveSettings() {
  if (!FormStorage1->Active()) return;
  try {
    FormStorage1->SavePlacementToStorage();
  } catch (const rtl::Exception &e) {
    AskUser(QStringLiteral("Impostazioni non salvate:\n") + e.Message(), TAskKind::Error);
  }
  FormStorage1->SetActive(false);
}

}  // namespace app
