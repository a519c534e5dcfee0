// The main window's logic without its widgets: the page state of the four
// pages (load, returns, sale, inspection), the datasets over the program's
// database, the barcode lookup, the registrations, the till totaliser and the
// day view. `TMenuForm` (menuform.h) copies its widgets into this state
// before a handler runs and shows the state again afterwards, so the whole
// road of a scanned code runs in tests without a window.
//
// The handlers keep the names of the window's event handlers they serve
// (ingresso_barcodeExit, btn_caricoClick, pageRecalc...). Where a handler
// moves the focus, it names the control in `focus` (a `TFocus`); the window
// moves it.
//
// The datasets' tables, queries and persistent fields are those of the
// program's schema (app/schema); the logic reads and writes rows through the
// persistent fields. The database, the datasets, their fields and data
// sources are components of the main form when the logic serves one (the
// report designer lists the datasets of each form's own components), else
// of the logic itself.
//
// Each registration (stock row, title row, journal row) runs inside one
// transaction of the database component: it changes the database completely
// or not at all. A failure rolls back, reopens the tables it touched so they
// stay browsable, and reports a message through `ShowError`.
#pragma once

#include <QString>
#include <functional>

#include "app/archivecheck.h"
#include "app/schema/schema.h"
#include "dao/vudaodatabase.h"
#include "dao/vudaotable.h"
#include "platform/rtl/datetime.h"
#include "platform/vcl/component.h"
#include "platform/vcl/db/db.h"

namespace app {

enum class TPage { Carico, Resi, Scarico, Query };

// The control a handler sends the focus to, named as the window names it.
enum class TFocus { None, ingresso_barcode, CaricoTestata, Caricoquantita, Resiquantita, ScaricoQuantita };

// Codes typed in the code field that switch the page instead of being looked
// up, and the default code that clears the till.
inline const QString kCodeCarico = QStringLiteral("111");
inline const QString kCodeResi = QStringLiteral("222");
inline const QString kCodeScarico = QStringLiteral("333");
inline const QString kDefaultResetCode = QStringLiteral("000");

// What one page shows. The inspection page has no quantity.
struct TPageFields {
  QString barcode;
  QString testata;
  QString descrizione;
  QString fornitore;
  QString periodo;  // the periodicity key (`Periodo.Periodo`)
  QString cd = QStringLiteral("No");
  rtl::TDateTime data = 0;  // 0 = empty
  rtl::TDateTime reso = 0;
  double acquisto = 0;
  double prezzo = 0;
  double quantita = 0;
  // The quantity as typed: a page card scanned into it is no quantity.
  QString quantita_text;
  double giacenza = 0;
};

// The texts the window shows where nothing has happened yet.
inline const QString kIdleStatus = QStringLiteral("...");
inline const QString kRestoZero = QStringLiteral("€ 0,00");
inline const QString kNotInStock = QStringLiteral("ARTICOLO NON IN MAGAZZINO");
// Why a registration was not made, in the status line.
inline const QString kNoArticle = QStringLiteral("Nessun articolo: leggere prima il codice a barre");
inline const QString kQuantityMissing = QStringLiteral("Quantità mancante: scriverla e premere Invio (Esc annulla)");
inline const QString kQuantityTooLarge = QStringLiteral("Quantità non accettata: al massimo 1000 copie");
inline const QString kTitleMissing = QStringLiteral("Testata mancante: scriverla prima della quantità");

// The sides the till panel may take (the maintenance form's stored texts).
inline const QString kSideLeft = QStringLiteral("Sinistra");
inline const QString kSideRight = QStringLiteral("Destra");

// Amounts as the till and the day's totals show them.
inline const QString kAmountFormat = QStringLiteral("#,##0.00");

// A table component over `database` (a table, or with `query` a stored
// query, by name), owned by `owner` and named `name`; it opens only when
// asked (the database does not open it).
dao::TVuDaoTable *MakeDaoTable(vcl::TComponent *owner, dao::TVuDaoDatabase *database, const QString &name,
                               const QString &source, bool query, int table_type, const QStringList &sorted_by,
                               bool read_only);
// The persistent field `<dataset name><column name>` of `dataset`, owned by
// `owner`; declared before the dataset opens. A class that does not fit the
// column's type makes opening the dataset fail.
template <class F>
F *MakePersistentField(vcl::TComponent *owner, dao::TVuDaoTable *dataset, const schema::TColumn &column) {
  auto *f = new F(owner);
  f->SetName(dataset->Name() + column.Name());
  f->SetFieldName(column.Name());
  if (column.type == jet::dbText) f->SetSize(column.size);
  f->SetDataSet(dataset);
  return f;
}
// "[Column] ASC", a dataset's sort order.
QString SortedAscending(const schema::TColumn &column);

class TMenuLogic : public vcl::TComponent {
  ORBISCA_CLASS(TMenuLogic, vcl::TComponent)

 public:
  // The database, datasets, fields and data sources are made as components
  // of `holder` (the main form), or of the logic when it is null.
  explicit TMenuLogic(vcl::TComponent *owner = nullptr, vcl::TComponent *holder = nullptr);
  ~TMenuLogic() override;

  // The component that owns the database and the datasets.
  vcl::TComponent *Holder() const { return holder_; }

  // --- the database and its datasets (the holder's) -------------------------------
  dao::TVuDaoDatabase *Database = nullptr;
  dao::TVuDaoTable *riviste = nullptr;
  dao::TVuDaoTable *Giacenze = nullptr;
  dao::TVuDaoTable *giornale = nullptr;
  dao::TVuDaoTable *Periodo = nullptr;
  dao::TVuDaoTable *Allegati = nullptr;
  dao::TVuDaoTable *un_giorno = nullptr;
  dao::TVuDaoTable *Totali = nullptr;
  dao::TVuDaoTable *Storico = nullptr;
  vcl::TDataSource *ds_riviste = nullptr;
  vcl::TDataSource *ds_giacenze = nullptr;
  vcl::TDataSource *ds_giornale = nullptr;
  vcl::TDataSource *ds_periodo = nullptr;
  vcl::TDataSource *ds_giorno = nullptr;
  vcl::TDataSource *ds_storico = nullptr;
  vcl::TDataSource *ds_allegati = nullptr;

  // --- persistent fields (the holder's), declared before the datasets open -----------
  // Named after the dataset and the column; every column each dataset returns,
  // in the order the dataset returns them. The types are the ones the table
  // component reports, else opening raises a type mismatch: "Short Date"
  // columns are dates (TDateField), Periodo.Giorni a 16-bit integer.
  vcl::TStringField *rivisteBarcode = nullptr;
  vcl::TStringField *rivisteNome = nullptr;
  vcl::TStringField *rivisteFornitore = nullptr;
  vcl::TFloatField *rivistePrezzo_V = nullptr;
  vcl::TFloatField *rivistePrezzo_A = nullptr;
  vcl::TStringField *rivistePeriodo = nullptr;
  vcl::TStringField *GiacenzeBarcode18 = nullptr;
  vcl::TStringField *GiacenzeBarcode = nullptr;
  vcl::TStringField *GiacenzeAddon = nullptr;
  vcl::TStringField *GiacenzeTestata = nullptr;
  vcl::TStringField *GiacenzeDescrizione = nullptr;
  vcl::TStringField *GiacenzeFornitore = nullptr;
  vcl::TFloatField *GiacenzeGiacenza = nullptr;
  vcl::TDateField *GiacenzeUcarico = nullptr;
  vcl::TStringField *GiacenzePeriodo = nullptr;
  vcl::TFloatField *GiacenzePrezzo_V = nullptr;
  vcl::TFloatField *GiacenzePrezzo_A = nullptr;
  vcl::TDateField *GiacenzeScadenza = nullptr;
  vcl::TBooleanField *GiacenzeCD = nullptr;
  vcl::TAutoIncField *giornaleProgressivo = nullptr;
  vcl::TDateField *giornaleData = nullptr;
  vcl::TStringField *giornaleBarcode18 = nullptr;
  vcl::TFloatField *giornaleQuantita = nullptr;
  vcl::TFloatField *giornalePrezzo_V = nullptr;
  vcl::TStringField *giornaleTipo = nullptr;
  vcl::TFloatField *giornalePrezzo_A = nullptr;
  vcl::TStringField *PeriodoPeriodo = nullptr;
  vcl::TStringField *PeriodoDescrizione = nullptr;
  vcl::TSmallintField *PeriodoGiorni = nullptr;
  vcl::TStringField *AllegatiCODICE = nullptr;
  vcl::TStringField *AllegatiSIGNIFICATO = nullptr;
  vcl::TAutoIncField *un_giornoProgressivo = nullptr;
  vcl::TDateField *un_giornoData = nullptr;
  vcl::TStringField *un_giornoTestata = nullptr;
  vcl::TStringField *un_giornoDescrizione = nullptr;
  vcl::TFloatField *un_giornoQuantita = nullptr;
  vcl::TStringField *un_giornoTipo = nullptr;
  vcl::TFloatField *un_giornoPrezzo_A = nullptr;
  vcl::TFloatField *un_giornoPrezzo_V = nullptr;
  vcl::TStringField *un_giornoBarcode18 = nullptr;
  vcl::TDateField *TotaliData = nullptr;
  vcl::TStringField *TotaliTipo = nullptr;
  vcl::TFloatField *TotaliAcquisto = nullptr;
  vcl::TFloatField *TotaliVendita = nullptr;
  vcl::TDateField *StoricoData = nullptr;
  vcl::TStringField *StoricoTipo = nullptr;
  vcl::TFloatField *StoricoQuantita = nullptr;
  vcl::TFloatField *StoricoPrezzo_A = nullptr;
  vcl::TFloatField *StoricoPrezzo_V = nullptr;
  vcl::TStringField *StoricoBarcode18 = nullptr;

  // --- global state ------------------------------------------------------------
  QString percorso;         // the data folder, ending in a separator
  QString ultimo_barcode;   // last code a page lookup accepted
  bool first_paint = true;  // the day view does nothing while set

  // --- settings (the maintenance form's stored texts) ----------------------------
  QString pos_totali = kSideLeft;
  QString azzera = kDefaultResetCode;

  // --- what the window shows -----------------------------------------------------------
  TPage active_page = TPage::Carico;
  QString ingresso_barcode;              // the code field
  QString lb_showrivista = kIdleStatus;  // status label
  QString lb_allegato;                   // supplement label
  TPageFields Carico, Resi, Scarico, query;
  rtl::TDateTime selez_data = 0;  // the work date
  double show_totale = 0;
  double show_pagamento = 0;
  QString show_resto = kRestoZero;
  QString show_acq = QStringLiteral("Acq. 0,00 €");
  QString show_ven = QStringLiteral("Ven. 0,00 €");
  bool pn_totali_visible = false;
  bool pn_bottom_visible = true;
  vcl::TDataSource *mostra = nullptr;  // what the grid shows
  TFocus focus = TFocus::None;         // control to focus after a handler

  // Shows a failed registration to the user; without it the message is
  // raised as an exception after the database is put right.
  std::function<void(const QString &)> ShowError;
  // Shows a notice the user reads once: that the archive brought from the
  // old program was converted, and where its original is kept.
  std::function<void(const QString &)> ShowNotice;

  // --- start-up and shutdown ------------------------------------------------------------
  // The data folder's database file, `percorso` + "orbisca4.mdb".
  QString DatabaseFile() const;
  // Removes what an interrupted run left in the data folder and in the
  // program's temporary folder (only files the program names as its own),
  // judges the database (JudgeArchive: its format, SQLite's quick check,
  // about 160 ms on a million journal rows, and the program's tables and
  // queries), connects, opens the five tables in their order and sets the
  // work date to today. A database the judgement refuses is refused with a
  // message in Italian naming the file and the backup; the file is left as
  // it is (never opened for writing) and the tables stay closed. An archive
  // of the old program's engine is converted while connecting
  // (platform/jet/takeover.h) and then judged: the notice of it goes to
  // ShowNotice before the tables open, and a conversion that fails is
  // refused with its own text.
  void OpenArchives();
  // Closes the tables and disconnects.
  void CloseArchives();
  // Repairs and compacts the data folder's database (connection closed).
  void TidyDatabase();

  // What the program knows of its database. `Damaged` covers a file the
  // engine could not read as a database at start and any damage the engine
  // met since, in whatever statement; `Unopened` a file that did not open
  // for another reason (locked, unreadable).
  enum class TArchiveState { Closed, Open, Missing, Damaged, Unopened };
  TArchiveState ArchiveState() const;
  // Registrations are refused unless the archives are open and sound.
  bool ArchiveUsable() const { return ArchiveState() == TArchiveState::Open; }
  // Why the archive cannot be used, and the text of a registration refused
  // for that reason.
  QString UnusableArchiveText() const;
  QString RefusedRegistrationText() const;
  // Whether the last start refused the database (missing, damaged, not the
  // program's, unopened), and the judgement it made of it: the exit and the
  // "Backup" command never repair, compact nor archive such a file.
  bool RefusedAtStart() const;
  const TArchiveVerdict &StartVerdict() const { return start_verdict_; }

  // --- barcode entry and lookup ------------------------------------------------------------
  void ingresso_barcodeExit();
  void btn_cercaClick() { ingresso_barcodeExit(); }
  QString decodeallegato(const QString &code);
  // The number of days of a periodicity key (0 for a key not in `Periodo`).
  int DaysOfPeriod(const QString &key);
  // The user picked another periodicity on the load page: the return date
  // follows the days of the one chosen.
  void CaricoPeriodoChange(const QString &key);

  // --- registrations and the till ----------------------------------------------------------
  void btn_caricoClick();
  void btn_resiClick();
  void btn_scaricoClick();
  void bt_cleartotaleClick();
  void show_pagamentoChange();
  void clear_carico();
  void clear_resi();
  void clear_scarico();
  void clear_query();
  // Esc in a field of the registration: the article is left, the page
  // cleared and the keys go back to the code field.
  void AbandonArticle();
  // The work date the window shows, taken when it is a date; an empty or
  // invalid one is not (the last valid date stays, the status line says
  // so). True when taken.
  bool TakeWorkDate(rtl::TDateTime date);

  // --- day view -------------------------------------------------------------------------------
  void pageRecalc();
  // The user picked another page (the tab): refresh and replay the last code.
  void PageControl1Change(TPage page);
  void btn_cambiadataClick() { pageRecalc(); }

  TPageFields &Page(TPage page);
  static QString PageTipo(TPage page);

 private:
  dao::TVuDaoTable *MakeTable(const QString &name, const QString &source, bool query, int table_type,
                              const QStringList &sorted_by, bool read_only) {
    return MakeDaoTable(holder_, Database, name, source, query, table_type, sorted_by, read_only);
  }
  vcl::TDataSource *MakeSource(const QString &name, dao::TVuDaoTable *table);
  // Creates the persistent field `<dataset name><field name>` of `dataset`.
  template <class F>
  F *MakeField(dao::TVuDaoTable *dataset, const schema::TColumn &column) {
    return MakePersistentField<F>(holder_, dataset, column);
  }
  void MakeFields();
  void ClearPage(TPageFields &page);
  void FillFromStockRow(TPageFields &p, const QString &code);
  void LookupCarico(const QString &code);
  void LookupStock(const QString &code, TPage page);
  // Writes the stock row from the load page (edited or appended).
  void WriteStockRow(const QString &code, bool append);
  void WriteTitleRow(const QString &code, bool append);
  void AppendJournal(const QString &code, double quantity, double acquisto, double prezzo, const QString &tipo);
  // Runs the posts of one registration in one transaction.
  bool Register(const std::function<void()> &posts);
  bool TakeFromStock(TPageFields &p, TFocus quantity_control, double excessive_reset, const QString &tipo);
  // A page card or the till's card read into a quantity: the article is
  // left and the card does what it does in the code field. True when so.
  bool CardInQuantity(const TPageFields &p);
  // A quantity refused: the cursor stays, the status line says why.
  void RefuseQuantity(TFocus quantity_control, const QString &why);
  // Tells the user that the archive cannot take registrations; true when so.
  bool RefuseRegistration(TFocus quantity_control);
  // clear_carico, clear_resi, clear_scarico or clear_query.
  void ClearPageOf(TPage page);
  // A code that is not all digits: told, and the page's article cleared.
  void RefuseCode(const QString &code);
  TArchiveState archive_state_ = TArchiveState::Closed;
  vcl::TComponent *holder_;
  TArchiveVerdict start_verdict_;
  void RecoverAfterFailure();
  void RefreshStorico(const QString &code);
};

// Texts of the database's troubles: `file` is the database, `backup` the
// archive "backup4.cab" beside it, named whether or not it exists.
QString MissingArchiveText(const QString &file, const QString &backup);
QString DamagedArchiveText(const QString &file, const QString &backup);
QString UnopenedArchiveText(const QString &file, const QString &reason);
// The start's message for a database the judgement refused: what is wrong
// with it, that it was left as it is, and what to do.
QString RefusedArchiveText(const TArchiveVerdict &verdict, const QString &backup);
// "Codice a barre non valido" and why, for a code that is not all digits.
QString InvalidCodeText(const QString &code);

// The "#.##" change text of the till ("€ " and the amount).
QString RestoText(double amount);
// "Acq. 12,00 €" and "Ven. 15,00 €" from the day's sums.
QString TotalText(const QString &prefix, double amount);

}  // namespace app
