// The main window's logic: lookups, registrations, the till and the day view
// over the program's datasets (see menulogic.h).
#include "app/menulogic.h"

#include <QDir>
#include <cmath>

#include "platform/jet/jetconst.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/sysutils.h"
#include "tools/lib/orbiscadb.h"

namespace app {

namespace {

const QString kPeriodical = QStringLiteral("977");

bool IsPeriodical(const QString &code) { return code.startsWith(kPeriodical); }

bool AcceptedLength(const QString &code) {
  const auto n = code.size();
  return n == 8 || n == 13 || n == 15 || n == 18;
}

// A day without its time.
rtl::TDateTime DayOf(rtl::TDateTime moment) { return std::trunc(moment); }

// The quantity a user may register at once.
constexpr double kMaxQuantity = 1000;

}  // namespace

QString RestoText(double amount) { return QStringLiteral("€ ") + rtl::FormatFloat(QStringLiteral("#.##"), amount); }

QString TotalText(const QString &prefix, double amount) {
  return prefix + rtl::FormatFloat(QStringLiteral("#,##0.00"), std::fabs(amount)) + QStringLiteral(" €");
}

TMenuLogic::TMenuLogic(vcl::TComponent *owner) : vcl::TComponent(owner) {
  SetName(QStringLiteral("MenuLogic"));
  Database = new dao::TVuDaoDatabase(this);
  Database->SetName(QStringLiteral("Database"));
  Database->SetDatabaseType(QStringLiteral("Access"));
  Database->SetVersion(QStringLiteral("3.6"));
  Database->SetLoginPrompt(false);
  Database->SetUserName(QStringLiteral("Admin"));
  Database->SetSystemDatabase(QStringLiteral("system.mdb"));
  Database->SetSmartOpen(true);
  Database->SetExclusive(false);
  Database->SetReadOnly(false);

  const QStringList none;
  riviste = MakeTable(QStringLiteral("riviste"), QStringLiteral("Riviste"), false, jet::dbOpenDynaset,
                      {QStringLiteral("[Barcode] ASC")}, false);
  Giacenze = MakeTable(QStringLiteral("Giacenze"), QStringLiteral("Giacenza"), false, jet::dbOpenDynaset,
                       {QStringLiteral("[Barcode18] ASC")}, false);
  giornale = MakeTable(QStringLiteral("giornale"), QStringLiteral("Giornale"), false, jet::dbOpenDynaset,
                       {QStringLiteral("[Progressivo] ASC")}, false);
  Periodo = MakeTable(QStringLiteral("Periodo"), QStringLiteral("Periodo"), false, jet::dbOpenDynaset, none, false);
  Allegati = MakeTable(QStringLiteral("Allegati"), QStringLiteral("Allegati"), false, jet::dbOpenDynaset, none, false);
  un_giorno =
      MakeTable(QStringLiteral("un_giorno"), QStringLiteral("un_giorno"), true, jet::dbOpenSnapshot, none, true);
  Totali = MakeTable(QStringLiteral("Totali"), QStringLiteral("totali"), true, jet::dbOpenDynaset, none, true);
  Storico = MakeTable(QStringLiteral("Storico"), QStringLiteral("Storico"), true, jet::dbOpenDynaset, none, false);

  MakeFields();

  ds_riviste = MakeSource(QStringLiteral("ds_riviste"), riviste);
  ds_giacenze = MakeSource(QStringLiteral("ds_giacenze"), Giacenze);
  ds_giornale = MakeSource(QStringLiteral("ds_giornale"), giornale);
  ds_periodo = MakeSource(QStringLiteral("ds_periodo"), Periodo);
  ds_giorno = MakeSource(QStringLiteral("ds_giorno"), un_giorno);
  ds_storico = MakeSource(QStringLiteral("ds_storico"), Storico);
  ds_allegati = MakeSource(QStringLiteral("ds_allegati"), Allegati);
  mostra = ds_giorno;
}

TMenuLogic::~TMenuLogic() = default;

dao::TVuDaoTable *TMenuLogic::MakeTable(const QString &name, const QString &source, bool query, int table_type,
                                        const QStringList &sorted_by, bool read_only) {
  auto *t = new dao::TVuDaoTable(this);
  t->SetName(name);
  t->SetDatabase(Database);
  if (query)
    t->SetQueryDefName(source);
  else
    t->SetTableName(source);
  t->SetTableType(table_type);
  if (!sorted_by.isEmpty()) t->SetSortedBy(sorted_by);
  t->SetReadOnly(read_only);
  t->SetDatabaseAutoActivate(false);
  return t;
}

template <class F>
F *TMenuLogic::MakeField(dao::TVuDaoTable *dataset, const QString &field_name, int size) {
  auto *f = new F(this);
  f->SetName(dataset->Name() + field_name);
  f->SetFieldName(field_name);
  if (size > 0) f->SetSize(size);
  f->SetDataSet(dataset);
  return f;
}

void TMenuLogic::MakeFields() {
  using namespace vcl;
  rivisteBarcode = MakeField<TStringField>(riviste, QStringLiteral("Barcode"), 13);
  rivisteNome = MakeField<TStringField>(riviste, QStringLiteral("Nome"), 30);
  rivisteFornitore = MakeField<TStringField>(riviste, QStringLiteral("Fornitore"), 5);
  rivistePrezzo_V = MakeField<TFloatField>(riviste, QStringLiteral("Prezzo_V"));
  rivistePrezzo_A = MakeField<TFloatField>(riviste, QStringLiteral("Prezzo_A"));
  rivistePeriodo = MakeField<TStringField>(riviste, QStringLiteral("Periodo"), 3);
  GiacenzeBarcode18 = MakeField<TStringField>(Giacenze, QStringLiteral("Barcode18"), 18);
  GiacenzeBarcode = MakeField<TStringField>(Giacenze, QStringLiteral("Barcode"), 13);
  GiacenzeAddon = MakeField<TStringField>(Giacenze, QStringLiteral("Addon"), 5);
  GiacenzeTestata = MakeField<TStringField>(Giacenze, QStringLiteral("Testata"), 30);
  GiacenzeDescrizione = MakeField<TStringField>(Giacenze, QStringLiteral("Descrizione"), 30);
  GiacenzeFornitore = MakeField<TStringField>(Giacenze, QStringLiteral("Fornitore"), 5);
  GiacenzeGiacenza = MakeField<TFloatField>(Giacenze, QStringLiteral("Giacenza"));
  GiacenzeUcarico = MakeField<TDateField>(Giacenze, QStringLiteral("Ucarico"));
  GiacenzePeriodo = MakeField<TStringField>(Giacenze, QStringLiteral("Periodo"), 3);
  GiacenzePrezzo_V = MakeField<TFloatField>(Giacenze, QStringLiteral("Prezzo_V"));
  GiacenzePrezzo_A = MakeField<TFloatField>(Giacenze, QStringLiteral("Prezzo_A"));
  GiacenzeScadenza = MakeField<TDateField>(Giacenze, QStringLiteral("Scadenza"));
  GiacenzeCD = MakeField<TBooleanField>(Giacenze, QStringLiteral("CD"));
  giornaleProgressivo = MakeField<TAutoIncField>(giornale, QStringLiteral("Progressivo"));
  giornaleData = MakeField<TDateField>(giornale, QStringLiteral("Data"));
  giornaleBarcode18 = MakeField<TStringField>(giornale, QStringLiteral("Barcode18"), 18);
  giornaleQuantita = MakeField<TFloatField>(giornale, QStringLiteral("Quantita"));
  giornalePrezzo_V = MakeField<TFloatField>(giornale, QStringLiteral("Prezzo_V"));
  giornaleTipo = MakeField<TStringField>(giornale, QStringLiteral("Tipo"), 1);
  giornalePrezzo_A = MakeField<TFloatField>(giornale, QStringLiteral("Prezzo_A"));
  PeriodoPeriodo = MakeField<TStringField>(Periodo, QStringLiteral("Periodo"), 3);
  PeriodoDescrizione = MakeField<TStringField>(Periodo, QStringLiteral("Descrizione"), 15);
  PeriodoGiorni = MakeField<TSmallintField>(Periodo, QStringLiteral("Giorni"));
  AllegatiCODICE = MakeField<TStringField>(Allegati, QStringLiteral("CODICE"), 2);
  AllegatiSIGNIFICATO = MakeField<TStringField>(Allegati, QStringLiteral("SIGNIFICATO"), 30);
  un_giornoProgressivo = MakeField<TAutoIncField>(un_giorno, QStringLiteral("Progressivo"));
  un_giornoData = MakeField<TDateField>(un_giorno, QStringLiteral("Data"));
  un_giornoTestata = MakeField<TStringField>(un_giorno, QStringLiteral("Testata"), 30);
  un_giornoDescrizione = MakeField<TStringField>(un_giorno, QStringLiteral("Descrizione"), 30);
  un_giornoQuantita = MakeField<TFloatField>(un_giorno, QStringLiteral("Quantita"));
  un_giornoTipo = MakeField<TStringField>(un_giorno, QStringLiteral("Tipo"), 1);
  un_giornoPrezzo_A = MakeField<TFloatField>(un_giorno, QStringLiteral("Prezzo_A"));
  un_giornoPrezzo_V = MakeField<TFloatField>(un_giorno, QStringLiteral("Prezzo_V"));
  un_giornoBarcode18 = MakeField<TStringField>(un_giorno, QStringLiteral("Barcode18"), 18);
  TotaliData = MakeField<TDateField>(Totali, QStringLiteral("Data"));
  TotaliTipo = MakeField<TStringField>(Totali, QStringLiteral("Tipo"), 1);
  TotaliAcquisto = MakeField<TFloatField>(Totali, QStringLiteral("Acquisto"));
  TotaliVendita = MakeField<TFloatField>(Totali, QStringLiteral("Vendita"));
  StoricoData = MakeField<TDateField>(Storico, QStringLiteral("Data"));
  StoricoTipo = MakeField<TStringField>(Storico, QStringLiteral("Tipo"), 1);
  StoricoQuantita = MakeField<TFloatField>(Storico, QStringLiteral("Quantita"));
  StoricoPrezzo_A = MakeField<TFloatField>(Storico, QStringLiteral("Prezzo_A"));
  StoricoPrezzo_V = MakeField<TFloatField>(Storico, QStringLiteral("Prezzo_V"));
  StoricoBarcode18 = MakeField<TStringField>(Storico, QStringLiteral("Barcode18"), 18);
}

vcl::TDataSource *TMenuLogic::MakeSource(const QString &name, dao::TVuDaoTable *table) {
  auto *s = new vcl::TDataSource(this);
  s->SetName(name);
  s->SetDataSet(table);
  return s;
}

TPageFields &TMenuLogic::Page(TPage page) {
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

QString TMenuLogic::PageTipo(TPage page) {
  switch (page) {
    case TPage::Carico:
      return QStringLiteral("C");
    case TPage::Resi:
      return QStringLiteral("R");
    default:
      return QStringLiteral("S");
  }
}

// --- start-up and shutdown ----------------------------------------------------------

void TMenuLogic::OpenArchives() {
  Database->Close();
  Database->SetDatabase(percorso + QString::fromLatin1(tools::kDatabaseFileName));
  Database->Open();
  for (auto *t : {riviste, Giacenze, Periodo, giornale, Allegati}) t->Open();
  selez_data = rtl::Date();
}

void TMenuLogic::CloseArchives() {
  for (auto *t : {giornale, Giacenze, riviste, Periodo}) t->Close();
  Database->Close();
}

void TMenuLogic::TidyDatabase() {
  const QString file = percorso + QString::fromLatin1(tools::kDatabaseFileName);
  Database->RepairDatabase(file);
  Database->CompactDatabase(file);
}

// --- barcode entry --------------------------------------------------------------------

void TMenuLogic::ingresso_barcodeExit() {
  const QString text = ingresso_barcode;
  if (text.isEmpty()) return;
  // Page switches by code leave the day view and the till panel as they were.
  if (text == QLatin1String("111"))
    active_page = TPage::Carico;
  else if (text == QLatin1String("222"))
    active_page = TPage::Resi;
  else if (text == QLatin1String("333"))
    active_page = TPage::Scarico;
  if (text == QLatin1String("0") || text == QLatin1String("000") || text == azzera) bt_cleartotaleClick();
  ultimo_barcode.clear();

  const QString code = ingresso_barcode;
  if (active_page == TPage::Carico) {
    if (IsPeriodical(code) && code.mid(13, 5).isEmpty()) {
      clear_carico();
      return;
    }
    if (!AcceptedLength(code)) return;
    ultimo_barcode = code;
    LookupCarico(code);
  } else {
    if (!AcceptedLength(code)) return;
    ultimo_barcode = code;
    LookupStock(code, active_page);
  }
}

QString TMenuLogic::decodeallegato(const QString &code) {
  if (!IsPeriodical(code)) return QStringLiteral("non periodico");
  const QString supplement = code.mid(10, 2);
  if (Allegati->Active() && Allegati->Locate(QStringLiteral("CODICE"), rtl::Variant(supplement), 0))
    return AllegatiSIGNIFICATO->AsString();
  return supplement;
}

int TMenuLogic::DaysOfPeriod(const QString &key) {
  if (key.isEmpty() || !Periodo->Active()) return 0;
  if (!Periodo->Locate(QStringLiteral("Periodo"), rtl::Variant(key), 0)) return 0;
  return PeriodoGiorni->AsInteger();
}

void TMenuLogic::CaricoPeriodoChange(const QString &key) {
  Carico.periodo = key;
  if (Carico.data != 0) Carico.reso = DayOf(Carico.data) + DaysOfPeriod(key);
}

// What every page shows of the stock row it found: the status and
// supplement texts, the article's texts, periodicity, prices and stock.
void TMenuLogic::FillFromStockRow(TPageFields &p, const QString &code) {
  auto f = [this](const char *name) { return Giacenze->FieldByName(QString::fromLatin1(name)); };
  lb_showrivista = f("Testata")->AsString() + f("Descrizione")->AsString();
  lb_allegato = decodeallegato(code);
  p.barcode = code;
  p.testata = f("Testata")->AsString();
  p.descrizione = f("Descrizione")->AsString();
  p.fornitore = f("Fornitore")->AsString();
  p.cd = f("CD")->AsBoolean() ? QStringLiteral("Si") : QStringLiteral("No");
  p.periodo = f("Periodo")->AsString();
  p.acquisto = f("Prezzo_A")->AsFloat();
  p.prezzo = f("Prezzo_V")->AsFloat();
  p.giacenza = f("Giacenza")->AsFloat();
}

void TMenuLogic::LookupCarico(const QString &code) {
  TPageFields &p = Carico;
  const rtl::TDateTime today = selez_data;
  if (Giacenze->Locate(QStringLiteral("barcode18"), rtl::Variant(code), 0)) {
    FillFromStockRow(p, code);
    p.quantita = 0;
    p.data = today;
    p.reso = today + DaysOfPeriod(p.periodo);
    ingresso_barcode.clear();
    focus = QStringLiteral("Caricoquantita");
    return;
  }
  if (riviste->Locate(QStringLiteral("barcode"), rtl::Variant(code.left(13)), 0)) {
    auto f = [this](const char *name) { return riviste->FieldByName(QString::fromLatin1(name)); };
    lb_showrivista = QStringLiteral(">>> ") + f("Nome")->AsString();
    lb_allegato = decodeallegato(code);
    p.barcode = code;
    p.testata = f("Nome")->AsString();
    p.descrizione.clear();
    p.data = DayOf(today);
    p.fornitore = f("Fornitore")->AsString();
    p.periodo = f("Periodo")->AsString();
    p.quantita = 0;
    p.reso = p.data + DaysOfPeriod(p.periodo);
    p.acquisto = f("Prezzo_A")->AsFloat();
    p.prezzo = f("Prezzo_V")->AsFloat();
    p.giacenza = 0;
    ingresso_barcode.clear();
    focus = QStringLiteral("Caricoquantita");
    return;
  }
  lb_showrivista = QStringLiteral("Nuovo inserimento");
  lb_allegato = decodeallegato(code);
  p.barcode = code;
  p.testata.clear();
  p.descrizione.clear();
  p.fornitore.clear();
  p.periodo.clear();
  p.quantita = 0;
  p.data = DayOf(today);
  p.reso = p.data;
  p.acquisto = p.prezzo = p.giacenza = 0;
  ingresso_barcode.clear();
  focus = QStringLiteral("CaricoTestata");
}

void TMenuLogic::LookupStock(const QString &code, TPage page) {
  TPageFields &p = Page(page);
  if (!Giacenze->Locate(QStringLiteral("barcode18"), rtl::Variant(code), 0)) {
    switch (page) {
      case TPage::Resi:
        clear_resi();
        break;
      case TPage::Scarico:
        clear_scarico();
        break;
      default:
        clear_query();
        break;
    }
    lb_allegato.clear();
    lb_showrivista = kNotInStock;
    return;
  }
  FillFromStockRow(p, code);
  if (page == TPage::Resi) {
    p.data = Giacenze->FieldByName(QStringLiteral("Ucarico"))->AsDateTime();
    p.reso = Giacenze->FieldByName(QStringLiteral("Scadenza"))->AsDateTime();
    p.quantita = p.giacenza;
  } else {
    p.data = DayOf(selez_data);
    p.reso = p.data + DaysOfPeriod(p.periodo);
    p.quantita = page == TPage::Scarico ? 1 : 0;
  }
  if (page == TPage::Query) {
    mostra = ds_storico;
    RefreshStorico(p.barcode);
    ingresso_barcode.clear();
    return;
  }
  ingresso_barcode.clear();
  focus = page == TPage::Resi ? QStringLiteral("Resiquantita") : QStringLiteral("ScaricoQuantita");
}

void TMenuLogic::RefreshStorico(const QString &code) {
  Storico->Close();
  Storico->SetQueryDefParameters({code});
  Storico->Open();
}

// --- registrations --------------------------------------------------------------------------

bool TMenuLogic::Register(const std::function<void()> &posts) {
  Database->BeginTrans();
  try {
    posts();
    Database->CommitTrans();
    return true;
  } catch (const rtl::Exception &e) {
    const QString reason = e.Message();
    try {
      Database->Rollback();
    } catch (const rtl::Exception &) {
      // Nothing was left open to undo.
    }
    RecoverAfterFailure();
    const QString text = QStringLiteral("Registrazione non eseguita, l'archivio non è stato modificato:\n") + reason;
    if (!ShowError) throw rtl::Exception(text);
    ShowError(text);
    return false;
  }
}

void TMenuLogic::RecoverAfterFailure() {
  // The rolled-back rows may still sit in the tables' row lists: reopening
  // reads them as the database has them again.
  for (auto *t : {Giacenze, riviste, giornale}) {
    try {
      if (t->State() == vcl::dsEdit || t->State() == vcl::dsInsert) t->Cancel();
    } catch (const rtl::Exception &) {
    }
    try {
      t->Close();
      t->Open();
    } catch (const rtl::Exception &) {
      // The next start-up or registration reports what is wrong.
    }
  }
}

void TMenuLogic::WriteStockRow(const QString &code, bool append) {
  const TPageFields &p = Carico;
  if (append) {
    Giacenze->Append();
    Giacenze->FieldByName(QStringLiteral("Barcode18"))->SetAsString(code);
  } else {
    Giacenze->Edit();
  }
  auto f = [this](const char *name) { return Giacenze->FieldByName(QString::fromLatin1(name)); };
  const QString full = f("Barcode18")->AsString();
  f("Barcode")->SetAsString(full.left(13));
  f("Addon")->SetAsString(full.mid(13, 5));
  f("Testata")->SetAsString(p.testata);
  f("Descrizione")->SetAsString(p.descrizione);
  f("Fornitore")->SetAsString(p.fornitore);
  f("Giacenza")->SetAsFloat((append ? 0 : f("Giacenza")->AsFloat()) + p.quantita);
  f("Ucarico")->SetAsDateTime(selez_data);
  f("Periodo")->SetAsString(p.periodo);
  f("Prezzo_A")->SetAsFloat(p.acquisto);
  f("Prezzo_V")->SetAsFloat(p.prezzo);
  f("Scadenza")->SetAsDateTime(p.reso);
  f("CD")->SetAsBoolean(p.cd == QLatin1String("Si"));
  Giacenze->Post();
}

void TMenuLogic::WriteTitleRow(const QString &code, bool append) {
  const TPageFields &p = Carico;
  if (append)
    riviste->Append();
  else
    riviste->Edit();
  auto f = [this](const char *name) { return riviste->FieldByName(QString::fromLatin1(name)); };
  f("Barcode")->SetAsString(code.left(13));
  f("Nome")->SetAsString(p.testata);
  f("Fornitore")->SetAsString(p.fornitore);
  f("Prezzo_A")->SetAsFloat(p.acquisto);
  f("Prezzo_V")->SetAsFloat(p.prezzo);
  f("Periodo")->SetAsString(p.periodo);
  riviste->Post();
}

void TMenuLogic::AppendJournal(const QString &code, double quantity, double acquisto, double prezzo,
                               const QString &tipo) {
  giornale->Append();
  auto f = [this](const char *name) { return giornale->FieldByName(QString::fromLatin1(name)); };
  f("Data")->SetAsDateTime(selez_data);
  f("Barcode18")->SetAsString(code);
  f("Quantita")->SetAsFloat(quantity);
  f("Prezzo_A")->SetAsFloat(acquisto);
  f("Prezzo_V")->SetAsFloat(prezzo);
  f("Tipo")->SetAsString(tipo);
  giornale->Post();
}

void TMenuLogic::btn_caricoClick() {
  TPageFields &p = Carico;
  if (p.quantita > kMaxQuantity) {
    p.quantita = 0;
    focus = QStringLiteral("Caricoquantita");
    return;
  }
  if (p.barcode.isEmpty() || p.quantita == 0 || p.testata.isEmpty()) {
    focus = QStringLiteral("Caricoquantita");
    return;
  }
  const QString code = p.barcode;
  const bool ok = Register([&] {
    if (Giacenze->Locate(QStringLiteral("barcode18"), rtl::Variant(code), 0)) {
      WriteStockRow(code, false);
      if (IsPeriodical(code)) {
        const bool found = riviste->Locate(QStringLiteral("barcode"), rtl::Variant(code.left(13)), 0);
        WriteTitleRow(code, !found);
      }
    } else if (riviste->Locate(QStringLiteral("barcode"), rtl::Variant(code.left(13)), 0)) {
      // The title row is brought in step first, for every kind of code.
      WriteTitleRow(code, false);
      WriteStockRow(code, true);
    } else {
      WriteStockRow(code, true);
      if (IsPeriodical(code)) WriteTitleRow(code, true);
    }
    AppendJournal(code, p.quantita, p.acquisto, p.prezzo, QStringLiteral("C"));
  });
  if (!ok) {
    focus = QStringLiteral("Caricoquantita");
    return;
  }
  clear_carico();
  btn_cambiadataClick();
}

// Returns and sales take the same road: the quantity leaves the stock and
// goes to the journal negated. Only the reset of an excessive quantity and
// the movement type differ. True when the registration was committed.
bool TMenuLogic::TakeFromStock(TPageFields &p, const QString &quantity_control, double excessive_reset,
                               const QString &tipo) {
  if (p.quantita > kMaxQuantity) {
    p.quantita = excessive_reset;
    focus = quantity_control;
    return false;
  }
  if (p.barcode.isEmpty() || p.quantita == 0) {
    focus = quantity_control;
    return false;
  }
  const QString code = p.barcode;
  if (!Giacenze->Locate(QStringLiteral("barcode18"), rtl::Variant(code), 0)) return false;
  const bool ok = Register([&] {
    Giacenze->Edit();
    auto *stock = GiacenzeGiacenza;
    stock->SetAsFloat(stock->AsFloat() - p.quantita);
    Giacenze->Post();
    AppendJournal(code, -p.quantita, p.acquisto, p.prezzo, tipo);
  });
  if (!ok) focus = quantity_control;
  return ok;
}

void TMenuLogic::btn_resiClick() {
  if (!TakeFromStock(Resi, QStringLiteral("Resiquantita"), 0, QStringLiteral("R"))) return;
  clear_resi();
  btn_cambiadataClick();
}

void TMenuLogic::btn_scaricoClick() {
  TPageFields &p = Scarico;
  if (!TakeFromStock(p, QStringLiteral("ScaricoQuantita"), 1, QStringLiteral("S"))) return;
  // The till counts only what the database kept.
  show_totale += p.prezzo * p.quantita;
  if (show_pagamento != 0) show_resto = RestoText(show_pagamento - show_totale);
  clear_scarico();
  btn_cambiadataClick();
}

void TMenuLogic::bt_cleartotaleClick() {
  show_totale = 0;
  show_resto = kRestoZero;
  show_pagamento = 0;
  ingresso_barcode.clear();
  focus = QStringLiteral("ingresso_barcode");
}

void TMenuLogic::show_pagamentoChange() {
  if (show_pagamento != 0) show_resto = RestoText(show_pagamento - show_totale);
}

void TMenuLogic::ClearPage(TPageFields &page) {
  lb_showrivista = kIdleStatus;
  lb_allegato.clear();
  const QString cd = page.cd;
  page = TPageFields{};
  page.cd = cd;
  page.periodo.clear();
}

void TMenuLogic::clear_carico() { ClearPage(Carico); }
void TMenuLogic::clear_resi() {
  ClearPage(Resi);
  Resi.cd = QStringLiteral("No");
}
void TMenuLogic::clear_scarico() {
  ClearPage(Scarico);
  Scarico.cd = QStringLiteral("No");
}
void TMenuLogic::clear_query() {
  ClearPage(query);
  query.cd = QStringLiteral("No");
  mostra = ds_storico;
  RefreshStorico(ingresso_barcode);
}

// --- day view ----------------------------------------------------------------------------------

void TMenuLogic::pageRecalc() {
  if (first_paint) return;
  pn_totali_visible = active_page == TPage::Scarico;
  if (active_page == TPage::Query) {
    pn_bottom_visible = false;
    mostra = ds_storico;
    RefreshStorico(query.barcode);
  } else {
    pn_bottom_visible = true;
    const QString tipo = PageTipo(active_page);
    mostra = ds_giorno;
    const QStringList params{rtl::DateToStr(selez_data), tipo};
    un_giorno->Close();
    un_giorno->SetQueryDefParameters(params);
    un_giorno->Open();
    Totali->Close();
    Totali->SetQueryDefParameters(params);
    Totali->Open();
    double acquisto = 0, vendita = 0;
    if (!Totali->IsEmpty()) {
      acquisto = TotaliAcquisto->AsFloat();
      vendita = TotaliVendita->AsFloat();
    }
    show_acq = TotalText(QStringLiteral("Acq. "), acquisto);
    show_ven = TotalText(QStringLiteral("Ven. "), vendita);
    Totali->Close();
  }
  ingresso_barcode.clear();
  focus = QStringLiteral("ingresso_barcode");
}

void TMenuLogic::PageControl1Change(TPage page) {
  active_page = page;
  pageRecalc();
  if (!ultimo_barcode.isEmpty()) {
    ingresso_barcode = ultimo_barcode;
    btn_cercaClick();
  }
}

}  // namespace app
