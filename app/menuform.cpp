// The main window's widgets and their wiring to the logic (see menuform.h).
#include "app/menuform.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include "app/archivio.h"
#include "app/backup.h"
#include "app/formparts.h"
#include "app/infoform.h"
#include "app/manutenzione.h"
#include "app/pictures.h"
#include "app/selezioneform.h"
#include "app/stampe.h"
#include "platform/jet/takeover.h"
#include "platform/os/shell.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/ignorefailure.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dialogs.h"
#include "report/designer/kvdesigner.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/export/kvrtfexp.h"
#include "report/engine/export/kvtxtexp.h"

namespace app {

namespace {

double NumberOf(const QString &text) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return 0;
  return rtl::StrToFloatDef(t, 0);
}

const QString kAcquistoFormat = QStringLiteral("0.000000;;#.######");
const QString kPrezzoFormat = QStringLiteral("0.00;;#.##");
const QString kCountFormat = QStringLiteral("#");
// The bin on the till's reset button.
constexpr int kBinGlyphSize = 20;

// A number edit with its decimals and the format shown without the focus.
void FormatNumber(ext::TCurrencyEdit *e, int decimals, const QString &display) {
  e->SetDecimalPlaces(decimals);
  e->SetDisplayFormat(display);
}

// The work date's edit: whenever its calendar closes (a day picked, Esc, a
// click elsewhere) the keys go back to the code field, so that the next
// scan never lands in the date.
class TWorkDateEdit : public ext::TDateEdit {
 public:
  using ext::TDateEdit::TDateEdit;
  std::function<void()> OnCalendarClosed;
  void ClosePopup(bool accept) override {
    const bool was_open = PopupVisible();
    const std::shared_ptr<bool> alive = AliveToken();
    ext::TDateEdit::ClosePopup(accept);
    if (*alive && was_open && OnCalendarClosed) OnCalendarClosed();
  }
};

}  // namespace

QString ManualProblem(const QString &folder, const std::function<bool(const QString &file)> &open) {
  const QString file = folder + kManualFile;
  if (!QFileInfo::exists(file))
    return QStringLiteral("Il manuale del programma \"%1\" non si trova nella cartella dei dati:\n%2")
        .arg(kManualFile, QDir::toNativeSeparators(folder));
  if (!open(file))
    return QStringLiteral(
               "Nessun programma di questo computer apre il manuale:\n%1\nInstallare un lettore di file PDF.")
        .arg(QDir::toNativeSeparators(file));
  return QString();
}

TMenuForm::TMenuForm(vcl::TComponent *owner) : vcl::TForm(owner) {
  SetName(QStringLiteral("MenuForm"));
  SetCaption(QStringLiteral("Gestione Orbisca 04.03"));
  SetBounds(0, 0, 900, 640);
  SetPosition(vcl::poScreenCenter);
  // The archives are the form's own components, as the report designer
  // lists what each form holds.
  Logic = new TMenuLogic(this, this);
  EnterAsTab1 = new ext::TEnterAsTab(this);
  EnterAsTab1->SetName(QStringLiteral("EnterAsTab1"));
  Mymsg = new qel::TQELMessageBoxDlg(this);
  Mymsg->SetName(QStringLiteral("Mymsg"));
  SetUpProgramMessageBox(Mymsg);
  SetProgramMessageBox(Mymsg);
  Logic->ShowError = [](const QString &text) { vcl::Application->ShowException(rtl::Exception(text)); };
  // The notice of a converted archive comes while the first paint opens the
  // archives: it is shown once that paint is over, in the plain message box,
  // which fits its lines.
  Logic->ShowNotice = [this](const QString &text) {
    const std::shared_ptr<bool> alive = AliveToken();
    QTimer::singleShot(0, QCoreApplication::instance(), [alive, text] {
      if (*alive) vcl::ShowMessage(text);
    });
  };
  BuildControls();
  BuildCommands();
  OnPaint = [this](rtl::TObject *sender) { FormPaint(sender); };
  OnClose = [this](rtl::TObject *sender, vcl::TCloseAction &action) { FormClose(sender, action); };
}

TMenuForm::~TMenuForm() {
  // The box goes with the form; AskUser must not reach it afterwards.
  SetProgramMessageBox(nullptr);
}

// --- building ---------------------------------------------------------------------------

void TMenuForm::BuildControls() {
  pn_top = Make<vcl::TPanel>(this, this, QStringLiteral("pn_top"));
  pn_top->SetCaption(QString());
  pn_top->SetAlign(vcl::alTop);
  pn_top->SetHeight(74);
  // The status and supplement texts keep their boxes whatever they say, so
  // a long title never runs under the tool buttons.
  lb_showrivista = Make<vcl::TLabel>(this, pn_top, QStringLiteral("lb_showrivista"));
  lb_showrivista->SetAutoSize(false);
  lb_showrivista->SetBounds(8, 6, 420, 18);
  lb_showrivista->Font()->SetStyle(vcl::TFontStyles{vcl::fsBold});
  lb_showrivista->SetCaption(kIdleStatus);
  lb_allegato = Make<vcl::TLabel>(this, pn_top, QStringLiteral("lb_allegato"));
  lb_allegato->SetAutoSize(false);
  lb_allegato->SetBounds(436, 6, 170, 18);
  lb_allegato->SetCaption(QString());
  AddLabel(this, pn_top, QStringLiteral("Codice a barre"), 8, 28);
  ingresso_barcode = Make<vcl::TEdit>(this, pn_top, QStringLiteral("ingresso_barcode"));
  ingresso_barcode->SetBounds(8, 44, 220, 24);
  ingresso_barcode->Font()->SetStyle(vcl::TFontStyles{vcl::fsBold});
  ingresso_barcode->SetTabOrder(0);
  btn_cerca = Make<vcl::TButton>(this, pn_top, QStringLiteral("btn_cerca"));
  btn_cerca->SetCaption(QStringLiteral("Cerca"));
  btn_cerca->SetBounds(234, 44, 70, 24);
  btn_cerca->SetTabOrder(1);
  AddLabel(this, pn_top, QStringLiteral("Cambio data lavoro"), 380, 28);
  auto *work_date = Make<TWorkDateEdit>(this, pn_top, QStringLiteral("selez_data"));
  work_date->OnCalendarClosed = [this] {
    if (ingresso_barcode->CanFocus()) ingresso_barcode->SetFocus();
  };
  selez_data = work_date;
  selez_data->SetBounds(380, 44, 110, 24);
  selez_data->SetTabOrder(2);
  btn_cambiadata = Make<vcl::TButton>(this, pn_top, QStringLiteral("btn_cambiadata"));
  btn_cambiadata->SetCaption(QStringLiteral("Cambia"));
  btn_cambiadata->SetBounds(496, 44, 70, 24);
  btn_cambiadata->SetTabOrder(3);

  pn_bottom = Make<vcl::TPanel>(this, this, QStringLiteral("pn_bottom"));
  pn_bottom->SetCaption(QString());
  pn_bottom->SetAlign(vcl::alBottom);
  pn_bottom->SetHeight(28);
  show_acq = Make<vcl::TLabel>(this, pn_bottom, QStringLiteral("show_acq"));
  show_acq->SetBounds(8, 6, 200, 18);
  show_acq->SetCaption(Logic->show_acq);
  show_ven = Make<vcl::TLabel>(this, pn_bottom, QStringLiteral("show_ven"));
  show_ven->SetBounds(240, 6, 200, 18);
  show_ven->SetCaption(Logic->show_ven);

  pn_totali = Make<vcl::TPanel>(this, this, QStringLiteral("pn_totali"));
  pn_totali->SetCaption(QString());
  pn_totali->SetAlign(vcl::alLeft);
  pn_totali->SetWidth(180);
  pn_totali->SetVisible(false);
  AddLabel(this, pn_totali, QStringLiteral("Totale vendita"), 8, 8);
  show_totale = Make<vcl::TEdit>(this, pn_totali, QStringLiteral("show_totale"));
  show_totale->SetBounds(8, 26, 160, 24);
  show_totale->SetReadOnly(true);
  show_totale->SetTabStop(false);
  show_totale->Font()->SetStyle(vcl::TFontStyles{vcl::fsBold});
  AddLabel(this, pn_totali, QStringLiteral("Pagamento"), 8, 58);
  show_pagamento = Make<vcl::TEdit>(this, pn_totali, QStringLiteral("show_pagamento"));
  show_pagamento->SetBounds(8, 76, 160, 24);
  AddLabel(this, pn_totali, QStringLiteral("Resto da"), 8, 108);
  show_resto = Make<vcl::TLabel>(this, pn_totali, QStringLiteral("show_resto"));
  show_resto->SetBounds(8, 126, 160, 18);
  show_resto->SetCaption(kRestoZero);
  bt_cleartotale = Make<vcl::TBitBtn>(this, pn_totali, QStringLiteral("bt_cleartotale"));
  bt_cleartotale->SetCaption(QString());
  bt_cleartotale->SetGlyph(BitmapOf(BinGlyph(kBinGlyphSize), vcl::ColorToQColor(vcl::clBtnFace)).get());
  bt_cleartotale->SetHint(QStringLiteral("Azzera il totale"));
  bt_cleartotale->SetShowHint(true);
  bt_cleartotale->SetBounds(8, 156, 80, 26);
  bt_cleartotale->SetTabStop(false);

  PageControl1 = Make<vcl::TPageControl>(this, this, QStringLiteral("PageControl1"));
  PageControl1->SetAlign(vcl::alTop);
  PageControl1->SetHeight(250);
  auto sheet = [this](const QString &name, const QString &caption) {
    return AddSheet(this, PageControl1, name, caption);
  };
  tb_carico = sheet(QStringLiteral("tb_carico"), QStringLiteral("Registrazione Carico"));
  tb_resi = sheet(QStringLiteral("tb_resi"), QStringLiteral("Registrazione Resi"));
  tb_scarico = sheet(QStringLiteral("tb_scarico"), QStringLiteral("Vendita Riviste"));
  tb_query = sheet(QStringLiteral("tb_query"), QStringLiteral("Ispezione Storico movimenti"));
  BuildPage(Carico, tb_carico, QStringLiteral("Carico"), QStringLiteral("Caricoquantita"), true);
  BuildPage(Resi, tb_resi, QStringLiteral("Resi"), QStringLiteral("Resiquantita"), false);
  BuildPage(Scarico, tb_scarico, QStringLiteral("Scarico"), QStringLiteral("ScaricoQuantita"), false);
  BuildPage(query, tb_query, QStringLiteral("query"), QString(), false);
  auto button = [this](vcl::TTabSheet *s, const QString &name, const QString &caption) {
    auto *b = Make<vcl::TButton>(this, s, name);
    b->SetCaption(caption);
    b->SetBounds(600, 170, 100, 28);
    b->SetTabStop(false);
    return b;
  };
  btn_carico = Carico.button = button(tb_carico, QStringLiteral("btn_carico"), QStringLiteral("Carico"));
  btn_resi = Resi.button = button(tb_resi, QStringLiteral("btn_resi"), QStringLiteral("Resi"));
  btn_scarico = Scarico.button = button(tb_scarico, QStringLiteral("btn_scarico"), QStringLiteral("Vendite"));
  PageControl1->SetActivePage(tb_carico);

  mostra = Make<vcl::TDBGrid>(this, this, QStringLiteral("mostra"));
  mostra->SetAlign(vcl::alClient);
  mostra->SetTabStop(false);
  mostra->SetDataSource(Logic->mostra);

  ingresso_barcode->OnExit = [this](rtl::TObject *s) { ingresso_barcodeExit(s); };
  btn_cerca->OnClick = [this](rtl::TObject *s) { btn_cercaClick(s); };
  btn_cerca->OnEnter = [this](rtl::TObject *s) { btn_cercaEnter(s); };
  btn_carico->OnClick = [this](rtl::TObject *s) { btn_caricoClick(s); };
  btn_resi->OnClick = [this](rtl::TObject *s) { btn_resiClick(s); };
  btn_scarico->OnClick = [this](rtl::TObject *s) { btn_scaricoClick(s); };
  Carico.quantita->OnKeyPress = [this](rtl::TObject *s, QChar &k) { CaricoquantitaKeyPress(s, k); };
  Resi.quantita->OnKeyPress = [this](rtl::TObject *s, QChar &k) { ResiquantitaKeyPress(s, k); };
  Scarico.quantita->OnKeyPress = [this](rtl::TObject *s, QChar &k) { ScaricoQuantitaKeyPress(s, k); };
  bt_cleartotale->OnClick = [this](rtl::TObject *s) { bt_cleartotaleClick(s); };
  show_pagamento->OnChange = [this](rtl::TObject *s) { show_pagamentoChange(s); };
  show_pagamento->OnKeyPress = [this](rtl::TObject *s, QChar &k) { show_pagamentoKeyPress(s, k); };
  PageControl1->OnChange = [this](rtl::TObject *s) { PageControl1Change(s); };
  btn_cambiadata->OnClick = [this](rtl::TObject *s) { btn_cambiadataClick(s); };
  // A work date left empty or invalid goes back to the last valid one.
  selez_data->OnExit = [this](rtl::TObject *) {
    if (syncing_ || !Started() || Logic->TakeWorkDate(selez_data->EditDate())) return;
    syncing_ = true;
    selez_data->SetEditDate(Logic->selez_data);
    syncing_ = false;
    lb_showrivista->SetCaption(Logic->lb_showrivista);
  };
  // Esc in a field of the registration leaves the article.
  for (TPageControls *page : {&Carico, &Resi, &Scarico}) {
    for (vcl::TWinControl *c : std::initializer_list<vcl::TWinControl *>{
             page->Testata, page->Descrizione, page->Fornitore, page->Periodo, page->CD, page->Data, page->Reso,
             page->Acquisto, page->Prezzo, page->quantita})
      c->OnKeyDown = [this](rtl::TObject *s, int &k, vcl::TShiftState shift) { RegistrationKeyDown(s, k, shift); };
  }
  // Picking another periodicity moves the return date.
  Carico.Periodo->OnChange = [this](rtl::TObject *) {
    if (syncing_ || !Started()) return;
    ReadWidgets();
    Logic->CaricoPeriodoChange(Carico.Periodo->SelectedKey());
    ShowState();
  };
}

void TMenuForm::BuildCommands() {
  Manutenzione = new TManutenzioneForm(this, Logic);
  auto tool = [this](const QString &name, const QString &hint, int y, void (TMenuForm::*handler)(rtl::TObject *)) {
    auto *b = Make<vcl::TSpeedButton>(this, pn_top, name);
    b->SetBounds(756, y, 136, 21);
    b->SetCaption(hint);
    b->SetHint(hint);
    b->SetShowHint(true);
    b->OnClick = [this, handler](rtl::TObject *s) { (this->*handler)(s); };
    return b;
  };
  btn_manutenzione =
      tool(QStringLiteral("btn_manutenzione"), QStringLiteral("Manutenzione"), 4, &TMenuForm::btn_manutenzioneClick);
  btn_info = tool(QStringLiteral("btn_info"), QStringLiteral("Info"), 27, &TMenuForm::btn_infoClick);
  btn_uscita = tool(QStringLiteral("btn_uscita"), QStringLiteral("Fine lavoro"), 50, &TMenuForm::btn_uscitaClick);
  btn_archivio =
      tool(QStringLiteral("btn_archivio"), QStringLiteral("Gestione Testate"), 4, &TMenuForm::btn_archivioClick);
  btn_archivio->SetLeft(614);
  btn_giacenze =
      tool(QStringLiteral("btn_giacenze"), QStringLiteral("Gestione Giacenze"), 27, &TMenuForm::btn_giacenzeClick);
  btn_giacenze->SetLeft(614);
  // NOLINTBEGIN(readability-magic-numbers)
  btn_stampa = tool(QStringLiteral("btn_stampa"), QStringLiteral("Stampe"), 50, &TMenuForm::btn_stampaClick);
  btn_stampa->SetLeft(614);
  // Backup and exit share the last row of their column.
  btn_backup = tool(QStringLiteral("btn_backup"), QStringLiteral("Backup"), 50, &TMenuForm::btn_backupClick);
  btn_backup->SetWidth(66);
  btn_uscita->SetBounds(826, 50, 66, 21);
  // NOLINTEND(readability-magic-numbers)
  Backup = new TBackup(Logic, this, Manutenzione->QbCabWriter1);
  Backup->SetName(QStringLiteral("Backup"));
  Backup->ShowStatus = [this](const QString &text) { ShowStatusNow(text); };
  kvReport1 = new report::TkvReport(this);
  kvReport1->SetName(QStringLiteral("kvReport1"));
  kvDesigner1 = new report::TkvDesigner(this);
  kvDesigner1->SetName(QStringLiteral("kvDesigner1"));
  kvTextExportObject1 = new report::TkvTextExportObject(this);
  kvTextExportObject1->SetName(QStringLiteral("kvTextExportObject1"));
  kvRichExportObject1 = new report::TkvRichExportObject(this);
  kvRichExportObject1->SetName(QStringLiteral("kvRichExportObject1"));
  Manutenzione->Report = kvReport1;
  Manutenzione->PrintLogic = [this] { return Selezione()->Logic.get(); };

  auto item = [this](vcl::TMenu *menu, const QString &name, const QString &caption,
                     void (TMenuForm::*handler)(rtl::TObject *)) {
    auto *i = new vcl::TMenuItem(this);
    i->SetName(name);
    i->SetCaption(caption);
    i->OnClick = [this, handler](rtl::TObject *s) { (this->*handler)(s); };
    menu->Items()->Add(i);
    return i;
  };
  MainMenu1 = new vcl::TMainMenu(this);
  MainMenu1->SetName(QStringLiteral("MainMenu1"));
  mnu_testate =
      item(MainMenu1, QStringLiteral("mnu_testate"), QStringLiteral("&Testate"), &TMenuForm::btn_archivioClick);
  mnu_giacenze =
      item(MainMenu1, QStringLiteral("mnu_giacenze"), QStringLiteral("&Giacenze"), &TMenuForm::btn_giacenzeClick);
  mnu_stampe = item(MainMenu1, QStringLiteral("mnu_stampe"), QStringLiteral("S&tampe"), &TMenuForm::btn_stampaClick);
  mnu_manutenzione = item(MainMenu1, QStringLiteral("mnu_manutenzione"), QStringLiteral("&Manutenzione"),
                          &TMenuForm::btn_manutenzioneClick);
  mnu_informazioni =
      item(MainMenu1, QStringLiteral("mnu_informazioni"), QStringLiteral("I&nformazioni"), &TMenuForm::btn_infoClick);
  mnu_uscita = item(MainMenu1, QStringLiteral("mnu_uscita"), QStringLiteral("&Uscita"), &TMenuForm::btn_uscitaClick);
  MainMenu1->Attach();

  mnu_aiuto = new vcl::TPopupMenu(this);
  mnu_aiuto->SetName(QStringLiteral("mnu_aiuto"));
  mnu_manuale = item(mnu_aiuto, QStringLiteral("mnu_manuale"), QStringLiteral("&Manuale del programma"),
                     &TMenuForm::mnu_manualeClick);
  Informazionisulprogramma1 =
      item(mnu_aiuto, QStringLiteral("Informazionisulprogramma1"), QStringLiteral("&Informazioni sul programma"),
           &TMenuForm::Informazionisulprogramma1Click);
  mnu_sito = item(mnu_aiuto, QStringLiteral("mnu_sito"), QStringLiteral("&Sito web di Gestione Orbisca"),
                  &TMenuForm::mnu_sitoClick);

  PopupMenu1 = new vcl::TPopupMenu(this);
  PopupMenu1->SetName(QStringLiteral("PopupMenu1"));
  Stampariviste =
      item(PopupMenu1, QStringLiteral("Stampariviste"), UseOf(TLista::Giacenze).menu, &TMenuForm::StamparivisteClick);
  Stampamovimenti = item(PopupMenu1, QStringLiteral("Stampamovimenti"), UseOf(TLista::Movimenti).menu,
                         &TMenuForm::StampamovimentiClick);
  Stampascaduti =
      item(PopupMenu1, QStringLiteral("Stampascaduti"), UseOf(TLista::Scaduti).menu, &TMenuForm::StampascadutiClick);
  ListaResi1 = item(PopupMenu1, QStringLiteral("ListaResi1"), UseOf(TLista::Resi).menu, &TMenuForm::ListaResi1Click);
}

void TMenuForm::BuildPage(TPageControls &page, vcl::TTabSheet *sheet, const QString &prefix,
                          const QString &quantity_name, bool editable) {
  page.sheet = sheet;
  int order = 0;
  // Makes the control of one field under its caption; only the user's
  // fields of an editable page take the focus. Returns whether it is open.
  auto place = [&](vcl::TWinControl *c, const QString &caption, int x, int y, int w, bool user_field) {
    AddLabel(this, sheet, caption, x, y);
    c->SetBounds(x, y + 16, w, 24);
    const bool open = user_field && editable;
    c->SetTabStop(open);
    if (open) c->SetTabOrder(order++);
    return open;
  };
  auto edit = [&](const QString &stem, const QString &caption, int x, int y, int w, bool user_field) {
    auto *e = Make<vcl::TEdit>(this, sheet, prefix + stem);
    e->SetReadOnly(!place(e, caption, x, y, w, user_field));
    return e;
  };
  auto date = [&](const QString &stem, const QString &caption, int x, int y, int w, bool user_field) {
    auto *e = Make<ext::TDateEdit>(this, sheet, prefix + stem);
    e->SetReadOnly(!place(e, caption, x, y, w, user_field));
    return e;
  };
  auto number = [&](const QString &stem, const QString &caption, int x, int y, int w, bool user_field, int decimals,
                    const QString &display) {
    auto *e = Make<ext::TCurrencyEdit>(this, sheet, prefix + stem);
    FormatNumber(e, decimals, display);
    e->SetReadOnly(!place(e, caption, x, y, w, user_field));
    return e;
  };
  page.barcode = edit(QStringLiteral("barcode"), QStringLiteral("Codice"), 8, 4, 170, false);
  page.Testata = edit(QStringLiteral("Testata"), QStringLiteral("Testata"), 190, 4, 250, true);
  page.Descrizione = edit(QStringLiteral("Descrizione"), QStringLiteral("Descrizione"), 450, 4, 250, true);
  page.Fornitore = edit(QStringLiteral("Fornitore"), QStringLiteral("Fornitore"), 8, 48, 80, true);
  page.Periodo = Make<ext::TMwDBLookupCombo>(this, sheet, prefix + QStringLiteral("Periodo"));
  page.Periodo->SetLookupSource(Logic->ds_periodo);
  page.Periodo->SetLookupField(schema::Periodo::Periodo.Name());
  page.Periodo->SetLookupDisplay(schema::Periodo::Descrizione.Name());
  page.Periodo->SetReadOnly(!place(page.Periodo, QStringLiteral("Periodicità"), 100, 48, 80, true));
  // Consignment is chosen from "No" and "Si"; on the pages that only show
  // the article the choice is shown, not offered.
  page.CD = Make<vcl::TComboBox>(this, sheet, prefix + QStringLiteral("CD"));
  page.CD->SetStyle(vcl::csDropDownList);
  page.CD->Items()->Add(QStringLiteral("No"));
  page.CD->Items()->Add(QStringLiteral("Si"));
  page.CD->SetEnabled(place(page.CD, QStringLiteral("C/depos."), 190, 48, 50, true));
  page.Data = date(QStringLiteral("Data"), QStringLiteral("Data carico"), 250, 48, 100, true);
  page.Reso = date(QStringLiteral("Reso"), QStringLiteral("Data per reso"), 360, 48, 100, true);
  page.Acquisto = number(QStringLiteral("Acquisto"), QStringLiteral("Acquisto"), 8, 92, 110, true, 6, kAcquistoFormat);
  page.Prezzo = number(QStringLiteral("Prezzo"), QStringLiteral("Copertina"), 130, 92, 90, true, 2, kPrezzoFormat);
  page.giacenza = number(QStringLiteral("giacenza"), QStringLiteral("Giacenza"), 230, 92, 70, false, 0, kCountFormat);
  page.CD->SetText(QStringLiteral("No"));
  if (!quantity_name.isEmpty()) {
    AddLabel(this, sheet, QStringLiteral("Quantità"), 8, 136);
    page.quantita = Make<ext::TCurrencyEdit>(this, sheet, quantity_name);
    FormatNumber(page.quantita, 0, kCountFormat);
    page.quantita->SetBounds(8, 152, 90, 24);
    page.quantita->SetTabOrder(order++);
  }
}

// --- synchronising ------------------------------------------------------------------------

TPageControls &TMenuForm::PageOf(TPage page) {
  switch (page) {
    case TPage::Carico:
      return Carico;
    case TPage::Resi:
      return Resi;
    case TPage::Scarico:
      return Scarico;
    case TPage::Query:
      break;
  }
  return query;
}

TPage TMenuForm::ActivePage() const {
  const auto *p = PageControl1->ActivePage();
  if (p == tb_resi) return TPage::Resi;
  if (p == tb_scarico) return TPage::Scarico;
  if (p == tb_query) return TPage::Query;
  return TPage::Carico;
}

void TMenuForm::ReadWidgets() {
  TMenuLogic &l = *Logic;
  l.active_page = ActivePage();
  l.ingresso_barcode = ingresso_barcode->Text();
  l.TakeWorkDate(selez_data->EditDate());
  l.show_pagamento = NumberOf(show_pagamento->Text());
  TPageFields &c = l.Carico;
  c.testata = Carico.Testata->Text();
  c.descrizione = Carico.Descrizione->Text();
  c.fornitore = Carico.Fornitore->Text();
  c.periodo = Carico.Periodo->SelectedKey();
  c.cd = Carico.CD->Text().trimmed().compare(QLatin1String("si"), Qt::CaseInsensitive) == 0 ? QStringLiteral("Si")
                                                                                            : QStringLiteral("No");
  c.data = Carico.Data->EditDate();
  c.reso = Carico.Reso->EditDate();
  c.acquisto = Carico.Acquisto->Value();
  c.prezzo = Carico.Prezzo->Value();
  c.quantita = Carico.quantita->Value();
  c.quantita_text = Carico.quantita->Text();
  l.Resi.quantita = Resi.quantita->Value();
  l.Resi.quantita_text = Resi.quantita->Text();
  l.Scarico.quantita = Scarico.quantita->Value();
  l.Scarico.quantita_text = Scarico.quantita->Text();
}

void TMenuForm::ShowState() {
  syncing_ = true;
  const TMenuLogic &l = *Logic;
  lb_showrivista->SetCaption(l.lb_showrivista);
  lb_allegato->SetCaption(l.lb_allegato);
  ingresso_barcode->SetText(l.ingresso_barcode);
  selez_data->SetEditDate(l.selez_data);
  for (TPage page : {TPage::Carico, TPage::Resi, TPage::Scarico, TPage::Query}) {
    const TPageFields &f = const_cast<TMenuLogic &>(l).Page(page);
    TPageControls &c = PageOf(page);
    c.barcode->SetText(f.barcode);
    c.Testata->SetText(f.testata);
    c.Descrizione->SetText(f.descrizione);
    c.Fornitore->SetText(f.fornitore);
    c.Periodo->SetSelectedKey(f.periodo);
    c.CD->SetText(f.cd);
    c.Data->SetEditDate(f.data);
    c.Reso->SetEditDate(f.reso);
    c.Acquisto->SetValue(f.acquisto);
    c.Prezzo->SetValue(f.prezzo);
    c.giacenza->SetValue(f.giacenza);
    if (c.quantita) c.quantita->SetValue(f.quantita);
  }
  const TPageControls &target = PageOf(l.active_page);
  if (PageControl1->ActivePage() != target.sheet) PageControl1->SetActivePage(target.sheet);
  show_totale->SetText(rtl::FormatFloat(kAmountFormat, l.show_totale));
  if (NumberOf(show_pagamento->Text()) != l.show_pagamento)
    show_pagamento->SetText(l.show_pagamento == 0 ? QString()
                                                  : rtl::FormatFloat(QStringLiteral("0.00"), l.show_pagamento));
  show_resto->SetCaption(l.show_resto);
  show_acq->SetCaption(l.show_acq);
  show_ven->SetCaption(l.show_ven);
  pn_totali->SetVisible(l.pn_totali_visible);
  pn_bottom->SetVisible(l.pn_bottom_visible);
  syncing_ = false;
  if (Logic->focus != TFocus::None) {
    vcl::TWinControl *c = FocusTarget(Logic->focus);
    Logic->focus = TFocus::None;
    if (c && c->CanFocus()) c->SetFocus();
  }
}

vcl::TWinControl *TMenuForm::FocusTarget(TFocus target) {
  switch (target) {
    case TFocus::ingresso_barcode:
      return ingresso_barcode;
    case TFocus::CaricoTestata:
      return Carico.Testata;
    case TFocus::Caricoquantita:
      return Carico.quantita;
    case TFocus::Resiquantita:
      return Resi.quantita;
    case TFocus::ScaricoQuantita:
      return Scarico.quantita;
    case TFocus::None:
      break;
  }
  return nullptr;
}

void TMenuForm::ShowList() {
  // The grid follows its dataset by itself: only the dataset shown changes
  // (the day list, or one article's movements).
  if (mostra->DataSource() != Logic->mostra) mostra->SetDataSource(Logic->mostra);
}

void TMenuForm::Run(const std::function<void()> &handler) {
  if (syncing_ || !Started()) return;
  ReadWidgets();
  try {
    handler();
  } catch (const rtl::Exception &e) {
    ShowState();
    ShowList();
    vcl::Application->ShowException(e);
    return;
  }
  ShowState();
  ShowList();
}

// --- handlers ----------------------------------------------------------------------------

void TMenuForm::ingresso_barcodeExit(rtl::TObject *) {
  Run([this] { Logic->ingresso_barcodeExit(); });
}
void TMenuForm::btn_cercaClick(rtl::TObject *) {
  Run([this] { Logic->btn_cercaClick(); });
}
void TMenuForm::btn_cercaEnter(rtl::TObject *) { ingresso_barcode->SetFocus(); }
void TMenuForm::btn_caricoClick(rtl::TObject *) {
  Run([this] { Logic->btn_caricoClick(); });
}
void TMenuForm::btn_resiClick(rtl::TObject *) {
  Run([this] { Logic->btn_resiClick(); });
}
void TMenuForm::btn_scaricoClick(rtl::TObject *) {
  Run([this] { Logic->btn_scaricoClick(); });
}

void TMenuForm::CaricoquantitaKeyPress(rtl::TObject *sender, QChar &key) {
  if (key == QChar(13)) QuantityEnter(Carico.quantita, [&] { btn_caricoClick(sender); });
}
void TMenuForm::ResiquantitaKeyPress(rtl::TObject *sender, QChar &key) {
  if (key == QChar(13)) QuantityEnter(Resi.quantita, [&] { btn_resiClick(sender); });
}
void TMenuForm::ScaricoQuantitaKeyPress(rtl::TObject *sender, QChar &key) {
  if (key == QChar(13)) QuantityEnter(Scarico.quantita, [&] { btn_scaricoClick(sender); });
}

// Enter in a quantity registers it. A quantity refused keeps the cursor, but
// the Tab that Enter-as-Tab has already queued would carry it to the next
// control (and the next scan to the code field): the cursor comes back once
// that Tab is through.
void TMenuForm::QuantityEnter(ext::TCurrencyEdit *quantity, const std::function<void()> &press) {
  press();
  if (!quantity->Focused()) return;
  const std::shared_ptr<bool> alive = AliveToken();
  QTimer::singleShot(0, [quantity, alive] {
    if (*alive && quantity->CanFocus()) quantity->SetFocus();
  });
}

void TMenuForm::RegistrationKeyDown(rtl::TObject *sender, int &key, vcl::TShiftState) {
  if (key != vcl::VK_ESCAPE) return;
  // Esc that closes a calendar or a list is theirs.
  if (const auto *combo = dynamic_cast<const ext::TCustomComboEdit *>(sender); combo && combo->PopupVisible()) return;
  if (const auto *list = dynamic_cast<const ext::TMwDBLookupCombo *>(sender); list && list->ListVisible()) return;
  key = 0;
  Run([this] { Logic->AbandonArticle(); });
}

void TMenuForm::bt_cleartotaleClick(rtl::TObject *) {
  Run([this] { Logic->bt_cleartotaleClick(); });
}

void TMenuForm::show_pagamentoChange(rtl::TObject *) {
  if (syncing_ || !Started()) return;
  Logic->show_pagamento = NumberOf(show_pagamento->Text());
  Logic->show_pagamentoChange();
  show_resto->SetCaption(Logic->show_resto);
}

// The amount handed over is confirmed with Enter: the next customer's code
// comes from the scanner, so the keys go back to the code field. (Enter-as-Tab
// would otherwise carry the focus on to the sale page's quantity, where the
// next scan would be typed and lost.)
void TMenuForm::show_pagamentoKeyPress(rtl::TObject *, QChar &key) {
  if (key != QChar(13) || !Started()) return;
  if (ingresso_barcode->CanFocus()) ingresso_barcode->SetFocus();
}

void TMenuForm::PageControl1Change(rtl::TObject *) {
  Run([this] { Logic->PageControl1Change(ActivePage()); });
}

void TMenuForm::btn_cambiadataClick(rtl::TObject *) {
  Run([this] { Logic->btn_cambiadataClick(); });
}

// --- maintenance, help and exit -------------------------------------------------------------

void TMenuForm::btn_manutenzioneClick(rtl::TObject *) {
  Manutenzione->ShowModal();
  // A new reset code works at once; a new side of the till at the next start.
  Logic->azzera = Manutenzione->ResetCode();
}

// The archive browser works on the open tables (Run does nothing before
// they are open); its status text shows on the label as it changes.
namespace {
void OpenArchivio(TMenuForm *form, TArchivio which) {
  if (form->TestateForm == nullptr) form->TestateForm = new TTestateForm(form);
  TTestateForm::Esegui(form->Logic, which, form->TestateForm, [form] {
    form->lb_showrivista->SetCaption(form->Logic->lb_showrivista);
    vcl::Application->ProcessMessages();
  });
}
}  // namespace

void TMenuForm::btn_archivioClick(rtl::TObject *) {
  Run([this] { OpenArchivio(this, TArchivio::Testate); });
}

void TMenuForm::btn_giacenzeClick(rtl::TObject *) {
  Run([this] { OpenArchivio(this, TArchivio::Giacenze); });
}

void TMenuForm::btn_infoClick(rtl::TObject *) {
  const QPoint at = QCursor::pos();
  mnu_aiuto->Popup(at.x(), at.y());
}

void TMenuForm::btn_uscitaClick(rtl::TObject *) { Close(); }

void TMenuForm::mnu_manualeClick(rtl::TObject *) {
  // A missing manual or a missing program to read it is said, never silent.
  const QString text = ManualProblem(
      Logic->percorso, [](const QString &file) { return os::ShellExecute(QStringLiteral("open"), file); });
  if (!text.isEmpty()) AskUser(text, TAskKind::Notice);
}

void TMenuForm::Informazionisulprogramma1Click(rtl::TObject *) {
  if (frmInfo == nullptr) frmInfo = new TfrmInfo(this);
  frmInfo->ShowModal();
}

void TMenuForm::mnu_sitoClick(rtl::TObject *) { os::ShellExecute(QStringLiteral("open"), kWebSite); }

// --- printed lists and backup ----------------------------------------------------------------

void TMenuForm::ShowStatusNow(const QString &text) {
  lb_showrivista->SetCaption(text);
  vcl::Application->ProcessMessages();
}

Tselezioneform *TMenuForm::Selezione() {
  if (selezioneform == nullptr) selezioneform = new Tselezioneform(this, Logic);
  TStampeLogic &stampe = *selezioneform->Logic;
  if (stampe.Report() != kvReport1) {
    stampe.SetReport(kvReport1);
    stampe.ShowStatus = [this](const QString &text) { ShowStatusNow(text); };
  }
  return selezioneform;
}

void TMenuForm::btn_stampaClick(rtl::TObject *) {
  const QPoint at = QCursor::pos();
  PopupMenu1->Popup(at.x(), at.y());
}

namespace {
void Print(TMenuForm *form, TLista which) { form->Selezione()->Logic->Stampa(which); }
}  // namespace

void TMenuForm::StamparivisteClick(rtl::TObject *) {
  Run([this] { Print(this, TLista::Giacenze); });
}
void TMenuForm::StampamovimentiClick(rtl::TObject *) {
  Run([this] { Print(this, TLista::Movimenti); });
}
void TMenuForm::StampascadutiClick(rtl::TObject *) {
  Run([this] { Print(this, TLista::Scaduti); });
}
void TMenuForm::ListaResi1Click(rtl::TObject *) {
  Run([this] { Print(this, TLista::Resi); });
}

void TMenuForm::btn_backupClick(rtl::TObject *) {
  Run([this] { Backup->btn_backupClick(); });
}

// --- start-up and shutdown -------------------------------------------------------------------

void TMenuForm::FormPaint(rtl::TObject *) {
  if (!Logic->first_paint || start_up_asked_) return;
  start_up_asked_ = true;
  const std::shared_ptr<bool> alive = AliveToken();
  QTimer::singleShot(0, [this, alive] {
    if (*alive) StartUp();
  });
}

void TMenuForm::StartUp() {
  if (!Logic->first_paint || painting_ || vcl::Application->Terminated()) return;
  painting_ = true;
  start_up_asked_ = true;
  lb_showrivista->SetCaption(QStringLiteral("Apertura archivi in corso ..."));
  // Painted now: the archive's reading that follows lets nothing through.
  lb_showrivista->Update();
  vcl::Application->ProcessMessages();
  Logic->percorso = QDir::currentPath() + QLatin1Char('/');
  EnterAsTab1->AttachToApplication();
  Manutenzione->RestoreSettings(Logic->percorso);
  Logic->pos_totali = Manutenzione->SidePanel();
  Logic->azzera = Manutenzione->ResetCode();
  // The list templates the data folder lacks; the user's own stay.
  rtl::IgnoreFailure("without a copy in the data folder the report component reads the program's own",
                     [this] { InstallListTemplates(QCoreApplication::applicationDirPath(), Logic->percorso); });
  // An archive of the old program is converted while it opens: the status
  // line follows the rows copied.
  jet::SetTakeoverProgress([this](qint64 done, qint64 total, const QString &) {
    constexpr qint64 kWhole = 100;  // per cent
    lb_showrivista->SetCaption(
        QStringLiteral("Conversione dell'archivio in corso ... %1%").arg(total > 0 ? done * kWhole / total : kWhole));
    vcl::Application->ProcessMessages();
  });
  struct ProgressOff {
    ~ProgressOff() { jet::SetTakeoverProgress(nullptr); }
  } progress_off;
  try {
    Logic->OpenArchives();
  } catch (const rtl::Exception &e) {
    // The program goes on without open tables and refuses registrations;
    // the user can read what to do and still close it.
    Logic->first_paint = false;
    painting_ = false;
    lb_showrivista->SetCaption(kIdleStatus);
    qCInfo(lcLifecycle, "start-up: archives refused: %s",
           qPrintable(QString(e.Message()).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    vcl::MessageDlg(e.Message(), vcl::mtError, {vcl::mbOK}, 0);
    HonourEndRequests();
    return;
  }
  if (Logic->pos_totali == kSideRight)
    pn_totali->SetAlign(vcl::alRight);
  else if (Logic->pos_totali == kSideLeft)
    pn_totali->SetAlign(vcl::alLeft);
  Logic->show_totale = 0;
  lb_showrivista->SetCaption(kIdleStatus);
  vcl::Application->ProcessMessages();
  Logic->first_paint = false;
  painting_ = false;
  syncing_ = true;
  PageControl1->SetActivePage(tb_carico);
  selez_data->SetEditDate(Logic->selez_data);
  syncing_ = false;
  PageControl1Change(PageControl1);
  qCInfo(lcLifecycle, "start-up: archives open");
  HonourEndRequests();
}

void TMenuForm::HonourEndRequests() {
  if (end_asked_) {
    EndSession();
  } else if (close_asked_) {
    close_asked_ = false;
    // From the loop, once the start-up's own calls are over.
    const std::shared_ptr<bool> alive = AliveToken();
    QTimer::singleShot(0, [this, alive] {
      if (*alive) Close();
    });
  }
}

void TMenuForm::FormClose(rtl::TObject *, vcl::TCloseAction &action) {
  if (!Started()) {
    // Asked while the start-up runs, or is about to: the window stays until
    // it is over, then closes in order (HonourEndRequests). Before any
    // start-up there is nothing to close.
    if (start_up_asked_ && !vcl::Application->Terminated()) {
      if (!close_asked_) qCInfo(lcLifecycle, "close asked during the start-up");
      close_asked_ = true;
      action = vcl::caNone;
    }
    return;
  }
  qCInfo(lcLifecycle, "shutdown: started");
  Manutenzione->SaveSettings();
  Logic->CloseArchives();
  lb_showrivista->SetCaption(QStringLiteral("Chiusura in corso ... attendere"));
  lb_showrivista->Update();
  vcl::Application->ProcessMessages();
  vcl::Screen->SetCursor(vcl::crHourGlass);
  ExitBackup(
      *Logic, [this] { pn_top->SetEnabled(false); }, Manutenzione->QbCabWriter1);
  vcl::Screen->SetCursor(vcl::crDefault);
}

void TMenuForm::EndSession() {
  if (!end_asked_) qCInfo(lcLifecycle, "end of session asked");
  end_asked_ = true;
  // Nobody may be there to answer: every question takes its safe answer
  // (cancel where there is one) and every notice goes to the log, from now
  // on, also those the start-up still has to give.
  vcl::SetDialogResponder([](vcl::TDialogRequest &r) {
    qWarning("%s: %s", qPrintable(r.caption), qPrintable(r.text));
    const int pick = r.cancel_button >= 0 ? r.cancel_button : r.default_button;
    if (pick >= 0 && pick < static_cast<int>(r.results.size())) return r.results[static_cast<size_t>(pick)];
    return vcl::mrCancel;
  });
  vcl::Application->ShowExceptionSlot = [](const QString &caption, const QString &text) {
    qWarning("%s: %s", qPrintable(caption), qPrintable(text));
  };
  if (painting_) return;  // the start-up calls again when it is over
  // A dialog or a menu open now runs its own event loop: it is cancelled
  // first, and the window closes once that loop is over.
  if (QWidget *popup = QApplication::activePopupWidget()) popup->close();
  if (QWidget *modal = QApplication::activeModalWidget()) {
    modal->close();
    const std::shared_ptr<bool> alive = AliveToken();
    QTimer::singleShot(20, [this, alive] {
      if (*alive) EndSession();
    });
    return;
  }
  Close();
}

}  // namespace app
