// The main window: the tool bar with the code field and the work date, the
// four pages (load, returns, sale, inspection), the till panel, the day list
// and the totals bar. The window holds only widgets: every handler copies
// what the user typed into the logic (menulogic.h), runs the logic's handler
// of the same name and shows the logic's state again, focus included.
//
// The first paint opens the archives (FormPaint asks for StartUp, which runs
// once the window is painted whole); closing the window closes them, repairs
// and compacts the database and writes the backup (FormClose). EndSession
// is the same close asked for by the system (logout, shutdown).
#pragma once

#include <QString>
#include <functional>

#include "app/menulogic.h"
#include "controls/extended/curredit.h"
#include "controls/extended/dateedit.h"
#include "controls/extended/enterastab.h"
#include "controls/extended/mwlookup.h"
#include "controls/styled/qelmsgbox.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/dbctrls/dbgrids.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"

namespace report {
class TkvReport;
class TkvDesigner;
class TkvTextExportObject;
class TkvRichExportObject;
}  // namespace report

namespace app {

class TManutenzioneForm;
class TfrmInfo;
class TTestateForm;
class Tselezioneform;
class TBackup;

// The program's web site, opened from the help menu.
inline const QString kWebSite = QStringLiteral("https://www.gestioneorbisca.it/");
// The manual in the data folder, opened from the help menu.
inline const QString kManualFile = QStringLiteral("manuale.pdf");

// Opens the data folder's manual through `open` (the shell); returns what
// to tell the user when the file or a program to read it is missing, else
// an empty text.
QString ManualProblem(const QString &folder, const std::function<bool(const QString &file)> &open);

// The controls of one page; the inspection page has no quantity and no
// button. The amounts are number edits (purchase price to six decimals,
// cover price to two, quantity and stock whole), the dates date edits (0 is
// empty), the periodicity a combo over the periodicity table that shows
// its description and holds its key, and consignment a list of "No" and
// "Si".
struct TPageControls {
  vcl::TTabSheet *sheet = nullptr;
  vcl::TEdit *barcode = nullptr;
  vcl::TEdit *Testata = nullptr;
  vcl::TEdit *Descrizione = nullptr;
  ext::TDateEdit *Data = nullptr;
  vcl::TEdit *Fornitore = nullptr;
  ext::TMwDBLookupCombo *Periodo = nullptr;
  vcl::TComboBox *CD = nullptr;
  ext::TDateEdit *Reso = nullptr;
  ext::TCurrencyEdit *Acquisto = nullptr;
  ext::TCurrencyEdit *Prezzo = nullptr;
  ext::TCurrencyEdit *quantita = nullptr;
  ext::TCurrencyEdit *giacenza = nullptr;
  vcl::TButton *button = nullptr;
};

class TMenuForm : public vcl::TForm {
  ORBISCA_CLASS(TMenuForm, vcl::TForm)

 public:
  explicit TMenuForm(vcl::TComponent *owner);
  ~TMenuForm() override;

  TMenuLogic *Logic = nullptr;
  ext::TEnterAsTab *EnterAsTab1 = nullptr;
  // The program's questions and notices (AskUser) go through this box.
  qel::TQELMessageBoxDlg *Mymsg = nullptr;

  vcl::TPanel *pn_top = nullptr;
  vcl::TLabel *lb_showrivista = nullptr;
  vcl::TLabel *lb_allegato = nullptr;
  vcl::TEdit *ingresso_barcode = nullptr;
  vcl::TButton *btn_cerca = nullptr;
  ext::TDateEdit *selez_data = nullptr;
  vcl::TButton *btn_cambiadata = nullptr;
  vcl::TPageControl *PageControl1 = nullptr;
  vcl::TTabSheet *tb_carico = nullptr, *tb_resi = nullptr, *tb_scarico = nullptr, *tb_query = nullptr;
  TPageControls Carico, Resi, Scarico, query;
  vcl::TButton *btn_carico = nullptr, *btn_resi = nullptr, *btn_scarico = nullptr;
  vcl::TPanel *pn_totali = nullptr;
  vcl::TEdit *show_totale = nullptr;
  vcl::TEdit *show_pagamento = nullptr;
  vcl::TLabel *show_resto = nullptr;
  vcl::TBitBtn *bt_cleartotale = nullptr;  // the bin: empties the till
  vcl::TDBGrid *mostra = nullptr;          // the day list, or one article's movements
  vcl::TPanel *pn_bottom = nullptr;
  vcl::TLabel *show_acq = nullptr;
  vcl::TLabel *show_ven = nullptr;

  // The commands around the pages: maintenance, help and exit, as tool
  // buttons and as the menu bar.
  vcl::TSpeedButton *btn_manutenzione = nullptr, *btn_info = nullptr, *btn_uscita = nullptr;
  vcl::TMainMenu *MainMenu1 = nullptr;
  vcl::TMenuItem *mnu_manutenzione = nullptr, *mnu_informazioni = nullptr, *mnu_uscita = nullptr;
  vcl::TPopupMenu *mnu_aiuto = nullptr;
  vcl::TMenuItem *mnu_manuale = nullptr, *Informazionisulprogramma1 = nullptr, *mnu_sito = nullptr;
  TManutenzioneForm *Manutenzione = nullptr;  // owned; holds the settings
  TfrmInfo *frmInfo = nullptr;                // owned, made on first use
  // The archive browser's commands (titles, stock) and its window.
  vcl::TSpeedButton *btn_archivio = nullptr, *btn_giacenze = nullptr;
  vcl::TMenuItem *mnu_testate = nullptr, *mnu_giacenze = nullptr;
  TTestateForm *TestateForm = nullptr;  // owned, made on first use
  // The printed lists: the tool button and the menu pop up PopupMenu1 with
  // the four lists; the selection form asks the criteria and the report
  // component prepares and shows the list's template.
  vcl::TSpeedButton *btn_stampa = nullptr;
  vcl::TMenuItem *mnu_stampe = nullptr;
  vcl::TPopupMenu *PopupMenu1 = nullptr;
  vcl::TMenuItem *Stampariviste = nullptr, *Stampamovimenti = nullptr, *Stampascaduti = nullptr, *ListaResi1 = nullptr;
  report::TkvReport *kvReport1 = nullptr;      // owned
  report::TkvDesigner *kvDesigner1 = nullptr;  // owned: the report designer is linked in
  // Owned: the text and RTF export filters are linked in (the preview's save
  // dialog lists them).
  report::TkvTextExportObject *kvTextExportObject1 = nullptr;
  report::TkvRichExportObject *kvRichExportObject1 = nullptr;
  Tselezioneform *selezioneform = nullptr;  // owned, made by the entry point or on first use
  // The backup on demand.
  vcl::TSpeedButton *btn_backup = nullptr;
  TBackup *Backup = nullptr;  // owned

  // The data folder's start-up and the shutdown. The first paint only asks
  // for the start-up: it runs when the paint is over, so the window is whole
  // while "Apertura archivi in corso ..." and any message of the start-up
  // show (a message box inside the paint handler would leave it half drawn).
  void FormPaint(rtl::TObject *sender);
  void StartUp();
  // A close asked while the start-up runs waits for its end.
  void FormClose(rtl::TObject *sender, vcl::TCloseAction &action);
  // The system asks the program to end: open dialogs are cancelled and the
  // window closes as when the user closes it, backup included; the notices
  // of that shutdown go to the standard error, as nobody may be there to
  // answer them. Asked during the start-up, it waits for its end.
  void EndSession();
  // Whether the first paint has run.
  bool Started() const { return !Logic->first_paint; }

  // Event handlers, as the controls call them.
  void ingresso_barcodeExit(rtl::TObject *sender);
  void btn_cercaClick(rtl::TObject *sender);
  void btn_cercaEnter(rtl::TObject *sender);
  void btn_caricoClick(rtl::TObject *sender);
  void btn_resiClick(rtl::TObject *sender);
  void btn_scaricoClick(rtl::TObject *sender);
  void CaricoquantitaKeyPress(rtl::TObject *sender, QChar &key);
  void ResiquantitaKeyPress(rtl::TObject *sender, QChar &key);
  void ScaricoQuantitaKeyPress(rtl::TObject *sender, QChar &key);
  // Esc in a field of the registration (any page): the article is left.
  void RegistrationKeyDown(rtl::TObject *sender, int &key, vcl::TShiftState shift);
  void bt_cleartotaleClick(rtl::TObject *sender);
  void show_pagamentoChange(rtl::TObject *sender);
  void show_pagamentoKeyPress(rtl::TObject *sender, QChar &key);
  void PageControl1Change(rtl::TObject *sender);
  void btn_cambiadataClick(rtl::TObject *sender);
  void btn_manutenzioneClick(rtl::TObject *sender);
  void btn_archivioClick(rtl::TObject *sender);
  void btn_giacenzeClick(rtl::TObject *sender);
  void btn_infoClick(rtl::TObject *sender);
  void btn_uscitaClick(rtl::TObject *sender);
  void mnu_manualeClick(rtl::TObject *sender);
  void Informazionisulprogramma1Click(rtl::TObject *sender);
  void mnu_sitoClick(rtl::TObject *sender);
  void btn_stampaClick(rtl::TObject *sender);
  void StamparivisteClick(rtl::TObject *sender);
  void StampamovimentiClick(rtl::TObject *sender);
  void StampascadutiClick(rtl::TObject *sender);
  void ListaResi1Click(rtl::TObject *sender);
  void btn_backupClick(rtl::TObject *sender);

  // The selection form, made here when the entry point did not make it, and
  // tied to the status label and the report component.
  Tselezioneform *Selezione();

  TPageControls &PageOf(TPage page);

 private:
  void BuildControls();
  void BuildCommands();
  void BuildPage(TPageControls &page, vcl::TTabSheet *sheet, const QString &prefix, const QString &quantity_name,
                 bool editable);
  // Runs a handler of the logic between the copy of the widgets in and the
  // copy of the state out.
  void Run(const std::function<void()> &handler);
  // Enter in a page's quantity: `press` registers it (see the source).
  void QuantityEnter(ext::TCurrencyEdit *quantity, const std::function<void()> &press);
  void ReadWidgets();
  void ShowState();
  void ShowList();
  TPage ActivePage() const;
  // A long command's status text, painted before the work goes on.
  void ShowStatusNow(const QString &text);
  // The end or the close asked while the start-up ran, once it is over.
  void HonourEndRequests();
  // The control a focus target of the logic names.
  vcl::TWinControl *FocusTarget(TFocus target);
  bool syncing_ = false;
  bool painting_ = false;
  bool start_up_asked_ = false;
  bool end_asked_ = false;
  bool close_asked_ = false;
};

}  // namespace app
