// The main window's logic: lookups, registrations, the till and the day view
// over the program's datasets (see menulogic.h).
#include "app/menulogic.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "app/backup.h"
#include "app/schema/schema.h"
#include "platform/jet/database.h"
#include "platform/jet/engine.h"
#include "platform/jet/jetconst.h"
#include "platform/jet/jeterror.h"
#include "platform/jet/takeover.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/ignorefailure.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/workfiles.h"

namespace app {

namespace {

const QString kPeriodical = QStringLiteral("977");

// Locating a row by a column of the schema.
bool LocateBy(dao::TVuDaoTable *table, const schema::TColumn &column, const QString &value) {
  return table->Locate(column.Name(), rtl::Variant(value), 0);
}

bool IsPeriodical(const QString &code) { return code.startsWith(kPeriodical); }

// A full code is the 13 digits of the title (EAN-13) and up to 5 of the
// supplement; in a periodical's code, digits 11-12 name the supplement.
constexpr int kShortCodeLength = 8;  // EAN-8
constexpr int kTitleCodeLength = 13;
constexpr int kAddonLength = 5;
constexpr int kShortAddonLength = 2;
constexpr int kSupplementPosition = 10;
constexpr int kSupplementLength = 2;

bool AcceptedLength(const QString &code) {
  const auto n = code.size();
  return n == kShortCodeLength || n == kTitleCodeLength || n == kTitleCodeLength + kShortAddonLength ||
         n == kTitleCodeLength + kAddonLength;
}

// The title's code (`Riviste.Barcode`) within a full code.
QString TitleCode(const QString &code) { return code.left(kTitleCodeLength); }

// A day without its time.
rtl::TDateTime DayOf(rtl::TDateTime moment) { return std::trunc(moment); }

// The quantity a user may register at once.
constexpr double kMaxQuantity = 1000;

}  // namespace

QString RestoText(double amount) { return QStringLiteral("€ ") + rtl::FormatFloat(QStringLiteral("#.##"), amount); }

QString TotalText(const QString &prefix, double amount) {
  return prefix + rtl::FormatFloat(kAmountFormat, std::fabs(amount)) + QStringLiteral(" €");
}

TMenuLogic::TMenuLogic(vcl::TComponent *owner, vcl::TComponent *holder)
    : vcl::TComponent(owner), holder_(holder != nullptr ? holder : this) {
  SetName(QStringLiteral("MenuLogic"));
  Database = new dao::TVuDaoDatabase(holder_);
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
  riviste = MakeTable(QStringLiteral("riviste"), schema::Riviste::kTable.Name(), false, jet::dbOpenDynaset,
                      {SortedAscending(schema::Riviste::Barcode)}, false);
  Giacenze = MakeTable(QStringLiteral("Giacenze"), schema::Giacenza::kTable.Name(), false, jet::dbOpenDynaset,
                       {SortedAscending(schema::Giacenza::Barcode18)}, false);
  giornale = MakeTable(QStringLiteral("giornale"), schema::Giornale::kTable.Name(), false, jet::dbOpenDynaset,
                       {SortedAscending(schema::Giornale::Progressivo)}, false);
  Periodo =
      MakeTable(QStringLiteral("Periodo"), schema::Periodo::kTable.Name(), false, jet::dbOpenDynaset, none, false);
  Allegati =
      MakeTable(QStringLiteral("Allegati"), schema::Allegati::kTable.Name(), false, jet::dbOpenDynaset, none, false);
  un_giorno =
      MakeTable(QStringLiteral("un_giorno"), schema::un_giorno::kQuery.Name(), true, jet::dbOpenSnapshot, none, true);
  Totali = MakeTable(QStringLiteral("Totali"), schema::totali::kQuery.Name(), true, jet::dbOpenDynaset, none, true);
  Storico = MakeTable(QStringLiteral("Storico"), schema::Storico::kQuery.Name(), true, jet::dbOpenDynaset, none, false);

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

QString SortedAscending(const schema::TColumn &column) {
  return QLatin1Char('[') + column.Name() + QStringLiteral("] ASC");
}

dao::TVuDaoTable *MakeDaoTable(vcl::TComponent *owner, dao::TVuDaoDatabase *database, const QString &name,
                               const QString &source, bool query, int table_type, const QStringList &sorted_by,
                               bool read_only) {
  auto *t = new dao::TVuDaoTable(owner);
  t->SetName(name);
  t->SetDatabase(database);
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

void TMenuLogic::MakeFields() {
  using namespace vcl;
  // Names and widths come from the schema; a class that does not fit the
  // column's type makes opening the dataset fail.
  rivisteBarcode = MakeField<TStringField>(riviste, schema::Riviste::Barcode);
  rivisteNome = MakeField<TStringField>(riviste, schema::Riviste::Nome);
  rivisteFornitore = MakeField<TStringField>(riviste, schema::Riviste::Fornitore);
  rivistePrezzo_V = MakeField<TFloatField>(riviste, schema::Riviste::Prezzo_V);
  rivistePrezzo_A = MakeField<TFloatField>(riviste, schema::Riviste::Prezzo_A);
  rivistePeriodo = MakeField<TStringField>(riviste, schema::Riviste::Periodo);
  GiacenzeBarcode18 = MakeField<TStringField>(Giacenze, schema::Giacenza::Barcode18);
  GiacenzeBarcode = MakeField<TStringField>(Giacenze, schema::Giacenza::Barcode);
  GiacenzeAddon = MakeField<TStringField>(Giacenze, schema::Giacenza::Addon);
  GiacenzeTestata = MakeField<TStringField>(Giacenze, schema::Giacenza::Testata);
  GiacenzeDescrizione = MakeField<TStringField>(Giacenze, schema::Giacenza::Descrizione);
  GiacenzeFornitore = MakeField<TStringField>(Giacenze, schema::Giacenza::Fornitore);
  GiacenzeGiacenza = MakeField<TFloatField>(Giacenze, schema::Giacenza::Giacenza);
  GiacenzeUcarico = MakeField<TDateField>(Giacenze, schema::Giacenza::Ucarico);
  GiacenzePeriodo = MakeField<TStringField>(Giacenze, schema::Giacenza::Periodo);
  GiacenzePrezzo_V = MakeField<TFloatField>(Giacenze, schema::Giacenza::Prezzo_V);
  GiacenzePrezzo_A = MakeField<TFloatField>(Giacenze, schema::Giacenza::Prezzo_A);
  GiacenzeScadenza = MakeField<TDateField>(Giacenze, schema::Giacenza::Scadenza);
  GiacenzeCD = MakeField<TBooleanField>(Giacenze, schema::Giacenza::CD);
  giornaleProgressivo = MakeField<TAutoIncField>(giornale, schema::Giornale::Progressivo);
  giornaleData = MakeField<TDateField>(giornale, schema::Giornale::Data);
  giornaleBarcode18 = MakeField<TStringField>(giornale, schema::Giornale::Barcode18);
  giornaleQuantita = MakeField<TFloatField>(giornale, schema::Giornale::Quantita);
  giornalePrezzo_V = MakeField<TFloatField>(giornale, schema::Giornale::Prezzo_V);
  giornaleTipo = MakeField<TStringField>(giornale, schema::Giornale::Tipo);
  giornalePrezzo_A = MakeField<TFloatField>(giornale, schema::Giornale::Prezzo_A);
  PeriodoPeriodo = MakeField<TStringField>(Periodo, schema::Periodo::Periodo);
  PeriodoDescrizione = MakeField<TStringField>(Periodo, schema::Periodo::Descrizione);
  PeriodoGiorni = MakeField<TSmallintField>(Periodo, schema::Periodo::Giorni);
  AllegatiCODICE = MakeField<TStringField>(Allegati, schema::Allegati::CODICE);
  AllegatiSIGNIFICATO = MakeField<TStringField>(Allegati, schema::Allegati::SIGNIFICATO);
  un_giornoProgressivo = MakeField<TAutoIncField>(un_giorno, schema::un_giorno::Progressivo);
  un_giornoData = MakeField<TDateField>(un_giorno, schema::un_giorno::Data);
  un_giornoTestata = MakeField<TStringField>(un_giorno, schema::un_giorno::Testata);
  un_giornoDescrizione = MakeField<TStringField>(un_giorno, schema::un_giorno::Descrizione);
  un_giornoQuantita = MakeField<TFloatField>(un_giorno, schema::un_giorno::Quantita);
  un_giornoTipo = MakeField<TStringField>(un_giorno, schema::un_giorno::Tipo);
  un_giornoPrezzo_A = MakeField<TFloatField>(un_giorno, schema::un_giorno::Prezzo_A);
  un_giornoPrezzo_V = MakeField<TFloatField>(un_giorno, schema::un_giorno::Prezzo_V);
  un_giornoBarcode18 = MakeField<TStringField>(un_giorno, schema::un_giorno::Barcode18);
  TotaliData = MakeField<TDateField>(Totali, schema::totali::Data);
  TotaliTipo = MakeField<TStringField>(Totali, schema::totali::Tipo);
  TotaliAcquisto = MakeField<TFloatField>(Totali, schema::totali::Acquisto);
  TotaliVendita = MakeField<TFloatField>(Totali, schema::totali::Vendita);
  StoricoData = MakeField<TDateField>(Storico, schema::Storico::Data);
  StoricoTipo = MakeField<TStringField>(Storico, schema::Storico::Tipo);
  StoricoQuantita = MakeField<TFloatField>(Storico, schema::Storico::Quantita);
  StoricoPrezzo_A = MakeField<TFloatField>(Storico, schema::Storico::Prezzo_A);
  StoricoPrezzo_V = MakeField<TFloatField>(Storico, schema::Storico::Prezzo_V);
  StoricoBarcode18 = MakeField<TStringField>(Storico, schema::Storico::Barcode18);
}

vcl::TDataSource *TMenuLogic::MakeSource(const QString &name, dao::TVuDaoTable *table) {
  auto *s = new vcl::TDataSource(holder_);
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
      return QString::fromLatin1(schema::Giornale::kCarico);
    case TPage::Resi:
      return QString::fromLatin1(schema::Giornale::kResi);
    default:
      return QString::fromLatin1(schema::Giornale::kScarico);
  }
}

// --- start-up and shutdown ----------------------------------------------------------

QString TMenuLogic::DatabaseFile() const { return percorso + QString::fromLatin1(schema::kDatabaseFileName); }

void TMenuLogic::OpenArchives() {
  const QString file = DatabaseFile();
  if (!percorso.isEmpty()) {
    rtl::RemoveStaleWorkFiles(percorso);
    // Files linked into the data folder are replaced where they are: a run
    // killed while it wrote one leaves its work file there.
    for (const QString &own : {file, percorso + kBackupFileName}) {
      const QString where = QFileInfo(rtl::WriteThroughPath(own)).absolutePath();
      if (QDir(where) != QDir(percorso)) rtl::RemoveStaleWorkFiles(where);
    }
  }
  rtl::RemoveStaleWorkFiles(rtl::ProgramTempFolder());
  const QString backup = percorso + kBackupFileName;
  archive_state_ = TArchiveState::Closed;
  start_verdict_ = {};
  // A file the judgement refuses is never opened for writing. Opening comes
  // first only where it has work to do before anything can be judged: a
  // Jet file is converted by it, the journal of a killed run is rolled back
  // by it, and a file missing here is looked for in the program's folder.
  const QFileInfo info(file);
  const bool open_first =
      !info.isFile() || LooksLikeJetFile(file) || QFileInfo::exists(file + QStringLiteral("-journal"));
  struct Refused {};
  try {
    if (!open_first && !(start_verdict_ = JudgeArchive(file)).Sound()) throw Refused{};
    Database->Close();
    Database->SetDatabase(file);
    Database->Open();
    if (const auto db = Database->DaoDatabase(); db && db->TakenOver() && ShowNotice)
      ShowNotice(db->TakenOver()->Notice());
    // Opening reads only the catalogue: damage anywhere else would show
    // only when a registration reaches it, or never before the backup.
    if (open_first && !(start_verdict_ = JudgeArchive(Database->Database())).Sound()) throw Refused{};
    for (auto *t : {riviste, Giacenze, Periodo, giornale, Allegati}) t->Open();
  } catch (...) {
    QString text;
    try {
      throw;
    } catch (const Refused &) {
      text = RefusedArchiveText(start_verdict_, backup);
    } catch (const jet::ETakeoverError &e) {
      // An archive of the old program that could not be converted: the
      // text says why, and that the archive was left as it was.
      start_verdict_ = JudgeArchive(file);
      text = e.Message();
    } catch (const rtl::Exception &e) {
      const QString opened = Database->Database().isEmpty() ? file : Database->Database();
      start_verdict_ = JudgeArchive(opened);
      text = start_verdict_.Sound() ? UnopenedArchiveText(opened, e.Message())
                                    : RefusedArchiveText(start_verdict_, backup);
    }
    switch (start_verdict_.kind) {
      case TArchiveVerdict::TKind::Missing:
        archive_state_ = TArchiveState::Missing;
        break;
      case TArchiveVerdict::TKind::Damaged:
        archive_state_ = TArchiveState::Damaged;
        break;
      default:
        archive_state_ = TArchiveState::Unopened;
        break;
    }
    for (auto *t : {riviste, Giacenze, Periodo, giornale, Allegati})
      rtl::IgnoreFailure("a table that failed to open has nothing to close", [t] { t->Close(); });
    rtl::IgnoreFailure("a connection that failed to open has nothing to close", [this] { Database->Close(); });
    throw rtl::Exception(text);
  }
  archive_state_ = TArchiveState::Open;
  selez_data = rtl::Date();
}

bool TMenuLogic::RefusedAtStart() const {
  return archive_state_ == TArchiveState::Missing || archive_state_ == TArchiveState::Damaged ||
         archive_state_ == TArchiveState::Unopened;
}

void TMenuLogic::CloseArchives() {
  for (auto *t : {giornale, Giacenze, riviste, Periodo}) t->Close();
  Database->Close();
}

TMenuLogic::TArchiveState TMenuLogic::ArchiveState() const {
  if (archive_state_ == TArchiveState::Open || archive_state_ == TArchiveState::Unopened) {
    // Damage met by any statement since the start, wherever it was caught.
    if (jet::DBEngine::DamageNoted(DatabaseFile()) ||
        (!Database->Database().isEmpty() && jet::DBEngine::DamageNoted(Database->Database())))
      return TArchiveState::Damaged;
  }
  return archive_state_;
}

QString TMenuLogic::UnusableArchiveText() const {
  const QString backup = percorso + kBackupFileName;
  switch (ArchiveState()) {
    case TArchiveState::Damaged:
      return DamagedArchiveText(DatabaseFile(), backup);
    case TArchiveState::Missing:
      return MissingArchiveText(DatabaseFile(), backup);
    default:
      if (archive_state_ == TArchiveState::Unopened && !start_verdict_.Sound() && !start_verdict_.file.isEmpty())
        return start_verdict_.Why() + QLatin1Char('.');
      return QStringLiteral("L'archivio dei dati «%1» non è aperto.").arg(QDir::toNativeSeparators(DatabaseFile()));
  }
}

QString TMenuLogic::RefusedRegistrationText() const {
  return QStringLiteral("Registrazione non eseguita.\n") + UnusableArchiveText();
}

bool TMenuLogic::RefuseRegistration(TFocus quantity_control) {
  if (ArchiveUsable()) return false;
  focus = quantity_control;
  const QString text = RefusedRegistrationText();
  if (!ShowError) throw rtl::Exception(text);
  ShowError(text);
  return true;
}

QString MissingArchiveText(const QString &file, const QString &backup) {
  return QStringLiteral(
             "L'archivio dei dati «%1» non è stato trovato.\n"
             "Controllare la cartella da cui il programma è stato avviato, oppure ripristinare l'archivio "
             "dalla copia di sicurezza «%2».")
      .arg(QDir::toNativeSeparators(file), QDir::toNativeSeparators(backup));
}

QString DamagedArchiveText(const QString &file, const QString &backup) {
  QString text = QStringLiteral(
                     "L'archivio dei dati «%1» è danneggiato e il programma non lo può usare: "
                     "il file è stato lasciato com'è.\n")
                     .arg(QDir::toNativeSeparators(file));
  if (QFileInfo(backup).isFile())
    text += QStringLiteral(
                "Chiudere il programma e ripristinare l'archivio dall'ultima copia di sicurezza «%1», "
                "nella stessa cartella, prima di riprendere il lavoro.")
                .arg(QDir::toNativeSeparators(backup));
  else
    text += QStringLiteral(
                "Nella cartella non c'è una copia di sicurezza «%1»: conservare il file danneggiato "
                "e rivolgersi all'assistenza.")
                .arg(QDir::toNativeSeparators(backup));
  return text;
}

QString RefusedArchiveText(const TArchiveVerdict &verdict, const QString &backup) {
  switch (verdict.kind) {
    case TArchiveVerdict::TKind::Missing:
      return MissingArchiveText(verdict.file, backup);
    case TArchiveVerdict::TKind::Damaged:
      return DamagedArchiveText(verdict.file, backup);
    default:
      break;
  }
  return verdict.Why() +
         QStringLiteral(
             ": il programma non lo può usare e il file è stato lasciato com'è.\n"
             "Controllare che nella cartella da cui il programma è stato avviato ci sia l'archivio del negozio, "
             "oppure ripristinarlo dalla copia di sicurezza «%1».")
             .arg(QDir::toNativeSeparators(backup));
}

QString UnopenedArchiveText(const QString &file, const QString &reason) {
  return QStringLiteral("Impossibile aprire l'archivio dei dati «%1».\n%2").arg(QDir::toNativeSeparators(file), reason);
}

QString InvalidCodeText(const QString &code) {
  return QStringLiteral("Codice a barre non valido: «%1».\nUn codice a barre è fatto di sole cifre.").arg(code);
}

void TMenuLogic::TidyDatabase() {
  const QString file = percorso + QString::fromLatin1(schema::kDatabaseFileName);
  Database->RepairDatabase(file);
  Database->CompactDatabase(file);
}

// --- barcode entry --------------------------------------------------------------------

void TMenuLogic::ingresso_barcodeExit() {
  const QString text = ingresso_barcode;
  if (text.isEmpty()) return;
  // Page switches by code leave the day view as it was; the till shows with
  // the sale page however it was reached.
  if (text == kCodeCarico)
    active_page = TPage::Carico;
  else if (text == kCodeResi)
    active_page = TPage::Resi;
  else if (text == kCodeScarico)
    active_page = TPage::Scarico;
  pn_totali_visible = active_page == TPage::Scarico;
  if (text == QLatin1String("0") || text == kDefaultResetCode || text == azzera) bt_cleartotaleClick();
  ultimo_barcode.clear();

  const QString code = ingresso_barcode;
  if (code.isEmpty()) return;
  if (!std::all_of(code.begin(), code.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
    RefuseCode(code);
    return;
  }
  if (!AcceptedLength(code) && !(active_page == TPage::Carico && IsPeriodical(code))) return;
  if (archive_state_ != TArchiveState::Open) {
    // The tables did not open at start: there is nothing to look up in.
    ingresso_barcode.clear();
    focus = TFocus::ingresso_barcode;
    if (!ShowError) throw rtl::Exception(UnusableArchiveText());
    ShowError(UnusableArchiveText());
    return;
  }
  if (active_page == TPage::Carico) {
    if (IsPeriodical(code) && code.mid(kTitleCodeLength, kAddonLength).isEmpty()) {
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

void TMenuLogic::ClearPageOf(TPage page) {
  switch (page) {
    case TPage::Carico:
      clear_carico();
      break;
    case TPage::Resi:
      clear_resi();
      break;
    case TPage::Scarico:
      clear_scarico();
      break;
    case TPage::Query:
      clear_query();
      break;
  }
}

void TMenuLogic::RefuseCode(const QString &code) {
  // The page must not go on showing the article of the code before, as if
  // the refused code had found it.
  ingresso_barcode.clear();
  ClearPageOf(active_page);
  focus = TFocus::ingresso_barcode;
  const QString text = InvalidCodeText(code);
  if (!ShowError) throw rtl::Exception(text);
  ShowError(text);
}

QString TMenuLogic::decodeallegato(const QString &code) {
  if (!IsPeriodical(code)) return QStringLiteral("non periodico");
  const QString supplement = code.mid(kSupplementPosition, kSupplementLength);
  if (Allegati->Active() && LocateBy(Allegati, schema::Allegati::CODICE, supplement))
    return AllegatiSIGNIFICATO->AsString();
  return supplement;
}

int TMenuLogic::DaysOfPeriod(const QString &key) {
  if (key.isEmpty() || !Periodo->Active()) return 0;
  if (!LocateBy(Periodo, schema::Periodo::Periodo, key)) return 0;
  return PeriodoGiorni->AsInteger();
}

void TMenuLogic::CaricoPeriodoChange(const QString &key) {
  Carico.periodo = key;
  if (Carico.data != 0) Carico.reso = DayOf(Carico.data) + DaysOfPeriod(key);
}

// What every page shows of the stock row it found: the status and
// supplement texts, the article's texts, periodicity, prices and stock.
void TMenuLogic::FillFromStockRow(TPageFields &p, const QString &code) {
  lb_showrivista = GiacenzeTestata->AsString() + GiacenzeDescrizione->AsString();
  lb_allegato = decodeallegato(code);
  p.barcode = code;
  p.testata = GiacenzeTestata->AsString();
  p.descrizione = GiacenzeDescrizione->AsString();
  p.fornitore = GiacenzeFornitore->AsString();
  p.cd = GiacenzeCD->AsBoolean() ? QStringLiteral("Si") : QStringLiteral("No");
  p.periodo = GiacenzePeriodo->AsString();
  p.acquisto = GiacenzePrezzo_A->AsFloat();
  p.prezzo = GiacenzePrezzo_V->AsFloat();
  p.giacenza = GiacenzeGiacenza->AsFloat();
}

void TMenuLogic::LookupCarico(const QString &code) {
  TPageFields &p = Carico;
  const rtl::TDateTime today = selez_data;
  if (LocateBy(Giacenze, schema::Giacenza::Barcode18, code)) {
    FillFromStockRow(p, code);
    p.quantita = 0;
    p.data = today;
    p.reso = today + DaysOfPeriod(p.periodo);
    ingresso_barcode.clear();
    focus = TFocus::Caricoquantita;
    return;
  }
  if (LocateBy(riviste, schema::Riviste::Barcode, TitleCode(code))) {
    lb_showrivista = QStringLiteral(">>> ") + rivisteNome->AsString();
    lb_allegato = decodeallegato(code);
    p.barcode = code;
    p.testata = rivisteNome->AsString();
    p.descrizione.clear();
    p.data = DayOf(today);
    p.fornitore = rivisteFornitore->AsString();
    p.periodo = rivistePeriodo->AsString();
    p.quantita = 0;
    p.reso = p.data + DaysOfPeriod(p.periodo);
    p.acquisto = rivistePrezzo_A->AsFloat();
    p.prezzo = rivistePrezzo_V->AsFloat();
    p.giacenza = 0;
    ingresso_barcode.clear();
    focus = TFocus::Caricoquantita;
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
  focus = TFocus::CaricoTestata;
}

void TMenuLogic::LookupStock(const QString &code, TPage page) {
  TPageFields &p = Page(page);
  if (!LocateBy(Giacenze, schema::Giacenza::Barcode18, code)) {
    ClearPageOf(page);
    lb_allegato.clear();
    lb_showrivista = kNotInStock;
    return;
  }
  FillFromStockRow(p, code);
  if (page == TPage::Resi) {
    p.data = GiacenzeUcarico->AsDateTime();
    p.reso = GiacenzeScadenza->AsDateTime();
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
  focus = page == TPage::Resi ? TFocus::Resiquantita : TFocus::ScaricoQuantita;
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
    // Damage met on the way is told in the user's words; from now on the
    // file takes no registration (ArchiveState).
    const QString reason = ArchiveState() == TArchiveState::Damaged
                               ? DamagedArchiveText(DatabaseFile(), percorso + kBackupFileName)
                               : e.Message();
    rtl::IgnoreFailure("nothing was left open to undo", [this] { Database->Rollback(); });
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
    rtl::IgnoreFailure("the table is reopened next, whatever cancelling says", [t] {
      if (t->State() == vcl::dsEdit || t->State() == vcl::dsInsert) t->Cancel();
    });
    rtl::IgnoreFailure("the next start-up or registration reports what is wrong", [t] {
      t->Close();
      t->Open();
    });
  }
}

void TMenuLogic::WriteStockRow(const QString &code, bool append) {
  const TPageFields &p = Carico;
  if (append) {
    Giacenze->Append();
    GiacenzeBarcode18->SetAsString(code);
  } else {
    Giacenze->Edit();
  }
  const QString full = GiacenzeBarcode18->AsString();
  GiacenzeBarcode->SetAsString(TitleCode(full));
  GiacenzeAddon->SetAsString(full.mid(kTitleCodeLength, kAddonLength));
  GiacenzeTestata->SetAsString(p.testata);
  GiacenzeDescrizione->SetAsString(p.descrizione);
  GiacenzeFornitore->SetAsString(p.fornitore);
  GiacenzeGiacenza->SetAsFloat((append ? 0 : GiacenzeGiacenza->AsFloat()) + p.quantita);
  GiacenzeUcarico->SetAsDateTime(selez_data);
  GiacenzePeriodo->SetAsString(p.periodo);
  GiacenzePrezzo_A->SetAsFloat(p.acquisto);
  GiacenzePrezzo_V->SetAsFloat(p.prezzo);
  GiacenzeScadenza->SetAsDateTime(p.reso);
  GiacenzeCD->SetAsBoolean(p.cd == QLatin1String("Si"));
  Giacenze->Post();
}

void TMenuLogic::WriteTitleRow(const QString &code, bool append) {
  const TPageFields &p = Carico;
  if (append)
    riviste->Append();
  else
    riviste->Edit();
  rivisteBarcode->SetAsString(TitleCode(code));
  rivisteNome->SetAsString(p.testata);
  rivisteFornitore->SetAsString(p.fornitore);
  rivistePrezzo_A->SetAsFloat(p.acquisto);
  rivistePrezzo_V->SetAsFloat(p.prezzo);
  rivistePeriodo->SetAsString(p.periodo);
  riviste->Post();
}

void TMenuLogic::AppendJournal(const QString &code, double quantity, double acquisto, double prezzo,
                               const QString &tipo) {
  giornale->Append();
  giornaleData->SetAsDateTime(selez_data);
  giornaleBarcode18->SetAsString(code);
  giornaleQuantita->SetAsFloat(quantity);
  giornalePrezzo_A->SetAsFloat(acquisto);
  giornalePrezzo_V->SetAsFloat(prezzo);
  giornaleTipo->SetAsString(tipo);
  giornale->Post();
}

bool TMenuLogic::CardInQuantity(const TPageFields &p) {
  const QString card = p.quantita_text.trimmed();
  if (card.isEmpty() || (card != kCodeCarico && card != kCodeResi && card != kCodeScarico && card != azzera))
    return false;
  AbandonArticle();
  lb_showrivista = QStringLiteral("Articolo annullato: «%1» non è una quantità").arg(card);
  ingresso_barcode = card;
  ingresso_barcodeExit();
  focus = TFocus::ingresso_barcode;
  return true;
}

void TMenuLogic::RefuseQuantity(TFocus quantity_control, const QString &why) {
  lb_showrivista = why;
  focus = quantity_control;
}

void TMenuLogic::AbandonArticle() {
  ClearPageOf(active_page);
  ultimo_barcode.clear();
  ingresso_barcode.clear();
  focus = TFocus::ingresso_barcode;
}

bool TMenuLogic::TakeWorkDate(rtl::TDateTime date) {
  if (date > 0) {
    selez_data = date;
    return true;
  }
  lb_showrivista = QStringLiteral("Data di lavoro non valida: resta il %1").arg(rtl::DateToStr(selez_data));
  return false;
}

void TMenuLogic::btn_caricoClick() {
  TPageFields &p = Carico;
  if (CardInQuantity(p)) return;
  if (p.quantita > kMaxQuantity) {
    p.quantita = 0;
    RefuseQuantity(TFocus::Caricoquantita, kQuantityTooLarge);
    return;
  }
  if (p.barcode.isEmpty() || p.quantita == 0 || p.testata.isEmpty()) {
    RefuseQuantity(TFocus::Caricoquantita, p.barcode.isEmpty() ? kNoArticle
                                           : p.quantita == 0   ? kQuantityMissing
                                                               : kTitleMissing);
    return;
  }
  if (RefuseRegistration(TFocus::Caricoquantita)) return;
  const QString code = p.barcode;
  const bool ok = Register([&] {
    if (LocateBy(Giacenze, schema::Giacenza::Barcode18, code)) {
      WriteStockRow(code, false);
      if (IsPeriodical(code)) {
        const bool found = LocateBy(riviste, schema::Riviste::Barcode, TitleCode(code));
        WriteTitleRow(code, !found);
      }
    } else if (LocateBy(riviste, schema::Riviste::Barcode, TitleCode(code))) {
      // The title row is brought in step first, for every kind of code.
      WriteTitleRow(code, false);
      WriteStockRow(code, true);
    } else {
      WriteStockRow(code, true);
      if (IsPeriodical(code)) WriteTitleRow(code, true);
    }
    AppendJournal(code, p.quantita, p.acquisto, p.prezzo, PageTipo(TPage::Carico));
  });
  if (!ok) {
    focus = TFocus::Caricoquantita;
    return;
  }
  clear_carico();
  btn_cambiadataClick();
}

// Returns and sales take the same road: the quantity leaves the stock and
// goes to the journal negated. Only the reset of an excessive quantity and
// the movement type differ. True when the registration was committed.
bool TMenuLogic::TakeFromStock(TPageFields &p, TFocus quantity_control, double excessive_reset, const QString &tipo) {
  if (CardInQuantity(p)) return false;
  if (p.quantita > kMaxQuantity) {
    p.quantita = excessive_reset;
    RefuseQuantity(quantity_control, kQuantityTooLarge);
    return false;
  }
  if (p.barcode.isEmpty() || p.quantita == 0) {
    RefuseQuantity(quantity_control, p.barcode.isEmpty() ? kNoArticle : kQuantityMissing);
    return false;
  }
  if (RefuseRegistration(quantity_control)) return false;
  const QString code = p.barcode;
  if (!LocateBy(Giacenze, schema::Giacenza::Barcode18, code)) return false;
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
  if (!TakeFromStock(Resi, TFocus::Resiquantita, 0, PageTipo(TPage::Resi))) return;
  clear_resi();
  btn_cambiadataClick();
}

void TMenuLogic::btn_scaricoClick() {
  TPageFields &p = Scarico;
  if (!TakeFromStock(p, TFocus::ScaricoQuantita, 1, PageTipo(TPage::Scarico))) return;
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
  focus = TFocus::ingresso_barcode;
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
  focus = TFocus::ingresso_barcode;
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
