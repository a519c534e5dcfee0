// The printed lists: datasets, criteria, filters and the print command (see
// stampe.h).
#include "app/stampe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cmath>

#include "app/schema/schema.h"
#include "platform/jet/jetconst.h"
#include "platform/jet/jetsql.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/ignorefailure.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "report/engine/component/kvreport.h"

namespace app {

namespace {

// The logic also runs where no application object exists (tests, tools).
void SetCursor(vcl::TCursor cursor) {
  if (vcl::Screen != nullptr) vcl::Screen->SetCursor(cursor);
}

// The persistent field of one column, of the class that fits its type.
vcl::TField *MakeColumnField(vcl::TComponent *owner, dao::TVuDaoTable *dataset, const schema::TColumn &column) {
  switch (column.type) {
    case jet::dbText:
      return MakePersistentField<vcl::TStringField>(owner, dataset, column);
    case jet::dbDate:
      return MakePersistentField<vcl::TDateField>(owner, dataset, column);
    case jet::dbBoolean:
      return MakePersistentField<vcl::TBooleanField>(owner, dataset, column);
    case jet::dbLong:
      if (column.auto_increment) return MakePersistentField<vcl::TAutoIncField>(owner, dataset, column);
      return MakePersistentField<vcl::TIntegerField>(owner, dataset, column);
    case jet::dbInteger:
      return MakePersistentField<vcl::TSmallintField>(owner, dataset, column);
    default:
      return MakePersistentField<vcl::TFloatField>(owner, dataset, column);
  }
}

template <class F>
F *Field(dao::TVuDaoTable *dataset, const schema::TColumn &column) {
  return dynamic_cast<F *>(dataset->FindField(column.Name()));
}

// A day of a date field; 0 for an empty one. Dates compare by their day,
// so a bound includes every moment of its day.
double DayOf(const vcl::TField *field) { return field->IsNull() ? 0 : std::trunc(field->AsDateTime()); }

QString DateText(rtl::TDateTime day) { return rtl::FormatDateTime(QStringLiteral("dd/mm/yyyy"), day); }

const QString kSeparator = QStringLiteral(" - ");

// The criteria of one page in words; `dates` names what the dates bound.
QStringList CriteriaWords(const TCriteri &c, const QString &dates) {
  QStringList parts;
  if (c.da != 0 && c.a != 0)
    parts << QStringLiteral("%1 dal %2 al %3").arg(dates, DateText(c.da), DateText(c.a));
  else if (c.da != 0)
    parts << QStringLiteral("%1 dal %2").arg(dates, DateText(c.da));
  else if (c.a != 0)
    parts << QStringLiteral("%1 fino al %2").arg(dates, DateText(c.a));
  if (!c.fornitore.isEmpty()) parts << QStringLiteral("Fornitore %1").arg(c.fornitore);
  if (!c.periodo.isEmpty())
    parts << QStringLiteral("Periodicità %1").arg(c.periodo_testo.isEmpty() ? c.periodo : c.periodo_testo);
  if (c.deposito == TDeposito::Si) parts << QStringLiteral("solo in conto deposito");
  if (c.deposito == TDeposito::No) parts << QStringLiteral("escluso il conto deposito");
  return parts;
}

// A Jet text literal.
QString TextLiteral(const QString &text) {
  QString quoted = text;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Criteria the engine applies while it reads, so a week of a long journal
// does not go through the record filter row by row. They keep a superset of
// what the filter events accept (text compares ignoring case there), and the
// events still decide.
QString EngineCriteria(TLista lista, const TSelezione &s) {
  QStringList terms;
  // Up to the end of a day, times included (the last day of the calendar
  // bounds nothing).
  auto until = [&terms](const QString &field, rtl::TDateTime day) {
    if (std::trunc(day) < std::trunc(rtl::MaxDateTime))
      terms << field + QStringLiteral(" < ") + jet::DateLiteral(std::trunc(day) + 1);
  };
  auto common = [&terms, &until](const TCriteri &c, const schema::TColumn &day) {
    const QString field = QLatin1Char('[') + day.Name() + QLatin1Char(']');
    if (c.da != 0) terms << field + QStringLiteral(" >= ") + jet::DateLiteral(std::trunc(c.da));
    if (c.a != 0) until(field, c.a);
    if (!c.fornitore.isEmpty()) terms << QStringLiteral("[Fornitore] = ") + TextLiteral(c.fornitore);
  };
  switch (lista) {
    case TLista::Giacenze:
      common(s.giacenze, schema::Giacenza::Ucarico);
      if (s.giacenze.solo_giacenza) terms << QStringLiteral("[Giacenza] <> 0");
      break;
    case TLista::Scaduti:
      until(QStringLiteral("[Scadenza]"), s.scadute);
      terms << QStringLiteral("[Giacenza] <> 0");
      break;
    case TLista::Resi:
      terms << QStringLiteral("[Tipo] = ") + TextLiteral(QString::fromLatin1(schema::Giornale::kResi));
      [[fallthrough]];
    case TLista::Movimenti:
      common(s.giornale, schema::Giornale::Data);
      break;
  }
  return terms.join(QStringLiteral(" AND "));
}

}  // namespace

const TListaUse &UseOf(TLista lista) {
  static const TListaUse uses[] = {
      {QStringLiteral("&Lista Giacenze"), kPaginaGiacenze, QStringLiteral("Stampa Giacenze"),
       QStringLiteral("Stampa giacenze ..."), QStringLiteral("Elenco giacenze"), kListTemplates[0], false},
      {QStringLiteral("Lista &Movimenti"), kPaginaGiornale, QStringLiteral("Stampa Giornale movimenti"),
       QStringLiteral("Stampa movimenti ..."), QStringLiteral("Giornale movimenti"), kListTemplates[1], true},
      {QStringLiteral("Lista &Scaduti"), kPaginaScaduti, QStringLiteral("Analisi e stampa giacenze scadute"),
       QStringLiteral("Stampa scaduti ..."), QStringLiteral("Giacenze scadute"), kListTemplates[2], false},
      {QStringLiteral("Lista &Resi"), kPaginaGiornale, QStringLiteral("Stampa distinta resi"),
       QStringLiteral("Stampa resi ..."), QStringLiteral("Distinta resi"), kListTemplates[3], true},
  };
  return uses[static_cast<int>(lista)];
}

TStampeLogic::TStampeLogic(vcl::TComponent *form, TMenuLogic *menu) : Menu(menu) {
  namespace G = schema::Giacenza;
  namespace S = schema::StampaGiornale;
  stampa_giacenze = MakeDaoTable(form, menu->Database, QStringLiteral("stampa_giacenze"), G::kTable.Name(), false,
                                 jet::dbOpenSnapshot, {SortedAscending(G::Testata)}, true);
  stampa_giornale =
      MakeDaoTable(form, menu->Database, QStringLiteral("stampa_giornale"), S::kQuery.Name(), true, jet::dbOpenSnapshot,
                   {SortedAscending(G::Testata), SortedAscending(schema::Giornale::Barcode18),
                    SortedAscending(schema::Giornale::Data)},
                   true);
  for (const schema::TColumn &c : G::kColumns) MakeColumnField(form, stampa_giacenze, c);
  for (const schema::TColumn &c : S::kColumns) {
    if (c.Name() != S::Valore_A.Name() && c.Name() != S::Valore_V.Name()) MakeColumnField(form, stampa_giornale, c);
  }
  // The values are computed for each row. The query returns columns of the
  // same names; a calculated field takes no column, so they are one field
  // each and never a duplicate.
  for (const schema::TColumn *c : {&S::Valore_A, &S::Valore_V}) {
    auto *f = new vcl::TFloatField(form);
    f->SetName(stampa_giornale->Name() + c->Name());
    f->SetFieldName(c->Name());
    f->SetFieldKind(vcl::fkCalculated);
    f->SetDataSet(stampa_giornale);
  }

  stampa_giacenzeUcarico = Field<vcl::TDateField>(stampa_giacenze, G::Ucarico);
  stampa_giacenzeFornitore = Field<vcl::TStringField>(stampa_giacenze, G::Fornitore);
  stampa_giacenzePeriodo = Field<vcl::TStringField>(stampa_giacenze, G::Periodo);
  stampa_giacenzeCD = Field<vcl::TBooleanField>(stampa_giacenze, G::CD);
  stampa_giacenzeGiacenza = Field<vcl::TFloatField>(stampa_giacenze, G::Giacenza);
  stampa_giacenzeScadenza = Field<vcl::TDateField>(stampa_giacenze, G::Scadenza);
  stampa_giornaleData = Field<vcl::TDateField>(stampa_giornale, schema::Giornale::Data);
  stampa_giornaleTipo = Field<vcl::TStringField>(stampa_giornale, schema::Giornale::Tipo);
  stampa_giornaleFornitore = Field<vcl::TStringField>(stampa_giornale, G::Fornitore);
  stampa_giornalePeriodo = Field<vcl::TStringField>(stampa_giornale, G::Periodo);
  stampa_giornaleCD = Field<vcl::TBooleanField>(stampa_giornale, G::CD);
  stampa_giornaleQuantita = Field<vcl::TFloatField>(stampa_giornale, schema::Giornale::Quantita);
  stampa_giornalePrezzo_A = Field<vcl::TFloatField>(stampa_giornale, schema::Giornale::Prezzo_A);
  stampa_giornalePrezzo_V = Field<vcl::TFloatField>(stampa_giornale, schema::Giornale::Prezzo_V);
  stampa_giornaleValore_A = Field<vcl::TFloatField>(stampa_giornale, S::Valore_A);
  stampa_giornaleValore_V = Field<vcl::TFloatField>(stampa_giornale, S::Valore_V);

  stampa_giacenze->SetFiltered(true);
  stampa_giacenze->SetOnFilterRecord(
      [this](vcl::TDataSet *ds, bool &accept) { stampa_giacenzeFilterRecord(ds, accept); });
  stampa_giornale->SetFiltered(true);
  stampa_giornale->SetOnFilterRecord(
      [this](vcl::TDataSet *ds, bool &accept) { stampa_giornaleFilterRecord(ds, accept); });
  stampa_giornale->OnCalcFields = [this](vcl::TDataSet *ds) { stampa_giornaleCalcFields(ds); };
}

// --- filters and values ----------------------------------------------------------------

bool TStampeLogic::AcceptCommon(const TCriteri &c, const vcl::TField *day, const vcl::TField *fornitore,
                                const vcl::TField *periodo, const vcl::TField *cd) const {
  if (c.da != 0 || c.a != 0) {
    // A row without its date lies in no period.
    const double d = DayOf(day);
    if (d == 0) return false;
    if (c.da != 0 && std::trunc(c.da) > d) return false;
    if (c.a != 0 && std::trunc(c.a) < d) return false;
  }
  if (!c.fornitore.isEmpty() && c.fornitore != fornitore->AsString()) return false;
  if (!c.periodo.isEmpty() && c.periodo != periodo->AsString()) return false;
  if (c.deposito == TDeposito::Si && !cd->AsBoolean()) return false;
  if (c.deposito == TDeposito::No && cd->AsBoolean()) return false;
  return true;
}

void TStampeLogic::stampa_giacenzeFilterRecord(vcl::TDataSet *, bool &accept) {
  accept = true;
  if (lista == TLista::Giacenze) {
    const TCriteri &c = selezione.giacenze;
    accept =
        AcceptCommon(c, stampa_giacenzeUcarico, stampa_giacenzeFornitore, stampa_giacenzePeriodo, stampa_giacenzeCD) &&
        (!c.solo_giacenza || stampa_giacenzeGiacenza->AsFloat() != 0);
  } else if (lista == TLista::Scaduti) {
    // An article without a return date never expires.
    const double scadenza = DayOf(stampa_giacenzeScadenza);
    accept = scadenza != 0 && std::trunc(selezione.scadute) >= scadenza && stampa_giacenzeGiacenza->AsFloat() != 0;
  }
}

void TStampeLogic::stampa_giornaleFilterRecord(vcl::TDataSet *, bool &accept) {
  accept = AcceptCommon(selezione.giornale, stampa_giornaleData, stampa_giornaleFornitore, stampa_giornalePeriodo,
                        stampa_giornaleCD);
  // The returns list holds the returns alone: a selection with sales and
  // no return finds nothing.
  if (accept && lista == TLista::Resi)
    accept = stampa_giornaleTipo->AsString() == QString::fromLatin1(schema::Giornale::kResi);
}

void TStampeLogic::stampa_giornaleCalcFields(vcl::TDataSet *) {
  const double quantita = stampa_giornaleQuantita->AsFloat();
  stampa_giornaleValore_A->SetAsFloat(quantita * stampa_giornalePrezzo_A->AsFloat());
  stampa_giornaleValore_V->SetAsFloat(quantita * stampa_giornalePrezzo_V->AsFloat());
}

dao::TVuDaoTable *TStampeLogic::DataSetOf(TLista which) const {
  return UseOf(which).journal ? stampa_giornale : stampa_giacenze;
}

bool TStampeLogic::Open(TLista which) {
  dao::TVuDaoTable *ds = DataSetOf(which);
  ds->Close();
  lista = which;
  if (which == TLista::Scaduti && selezione.scadute == 0) selezione.scadute = rtl::Date();
  if (which == TLista::Resi) {
    // The returns list is grouped by distributor, one page each.
    namespace G = schema::Giacenza;
    ds->SetSortedBy({SortedAscending(G::Fornitore), SortedAscending(G::Testata),
                     SortedAscending(schema::Giornale::Barcode18), SortedAscending(schema::Giornale::Data)});
  }
  ds->SetFilterText(EngineCriteria(which, selezione));
  ds->Open();
  return !ds->IsEmpty();
}

void TStampeLogic::Close(TLista which) {
  dao::TVuDaoTable *ds = DataSetOf(which);
  ds->Close();
  ds->SetFilterText(QString());
  if (which == TLista::Resi) {
    namespace G = schema::Giacenza;
    ds->SetSortedBy({SortedAscending(G::Testata), SortedAscending(schema::Giornale::Barcode18),
                     SortedAscending(schema::Giornale::Data)});
  }
}

QString TStampeLogic::SelectionText() const {
  QStringList parts;
  switch (lista) {
    case TLista::Giacenze:
      parts = CriteriaWords(selezione.giacenze, QStringLiteral("Ultimo carico"));
      if (selezione.giacenze.solo_giacenza) parts << QStringLiteral("solo riviste con giacenza");
      return parts.isEmpty() ? QStringLiteral("Tutte le riviste") : parts.join(kSeparator);
    case TLista::Scaduti:
      return QStringLiteral("Riviste con scadenza fino al %1 e giacenza diversa da zero")
          .arg(DateText(selezione.scadute != 0 ? selezione.scadute : rtl::Date()));
    case TLista::Movimenti:
    case TLista::Resi:
      parts = CriteriaWords(selezione.giornale, QStringLiteral("Movimenti"));
      if (parts.isEmpty())
        return lista == TLista::Resi ? QStringLiteral("Tutti i resi") : QStringLiteral("Tutti i movimenti");
      return parts.join(kSeparator);
  }
  return QString();
}

bool TStampeLogic::GetReportValue(const QString &name, rtl::Variant &value) const {
  if (name.compare(kValueSelezione, Qt::CaseInsensitive) == 0) {
    value = rtl::Variant(SelectionText());
    return true;
  }
  if (name.compare(kValueScaduteAl, Qt::CaseInsensitive) == 0) {
    value = rtl::Variant::FromDate(std::trunc(selezione.scadute != 0 ? selezione.scadute : rtl::Date()));
    return true;
  }
  return false;
}

// --- the command ------------------------------------------------------------------------

void TStampeLogic::SetReport(report::TkvReport *report) {
  report_ = report;
  if (report_ != nullptr)
    report_->OnGetValue = [this](const QString &name, rtl::Variant &value) { GetReportValue(name, value); };
}

void TStampeLogic::Status(const QString &text) {
  Menu->lb_showrivista = text;
  if (ShowStatus) ShowStatus(text);
}

void TStampeLogic::Stampa(TLista which) {
  const TListaUse &use = UseOf(which);
  if (!Ask || !Ask(which)) return;
  // Whatever happens from here on, the status text goes back and the
  // dataset is closed before the failure is shown.
  struct Restore {
    TStampeLogic *self;
    TLista which;
    ~Restore() {
      SetCursor(vcl::crDefault);
      self->Status(kIdleStatus);
      rtl::IgnoreFailure("closing a dataset that did not open leaves nothing open", [this] { self->Close(which); });
    }
  } restore{this, which};
  SetCursor(vcl::crHourGlass);
  Status(use.status);
  const bool any = Open(which);
  SetCursor(vcl::crDefault);
  if (!any) {
    vcl::ShowMessage(kNoMatch);
    return;
  }
  if (report_ == nullptr) return;
  // A template loaded before may have brought record sources of its own.
  report_->ClearReport();
  report_->LoadFromFile(
      TemplateFileIn(Menu->percorso.isEmpty() ? QDir::currentPath() : Menu->percorso, use.template_file));
  report_->SetTitle(use.title);
  report_->ShowReport();
}

// --- the templates ----------------------------------------------------------------------

QString TemplateFileIn(const QString &folder, const QString &name) {
  const QDir dir(folder);
  if (dir.exists(name)) return name;
  for (const QString &file : dir.entryList(QDir::Files))
    if (file.compare(name, Qt::CaseInsensitive) == 0) return file;
  return name;
}

QStringList InstallListTemplates(const QString &program_folder, const QString &data_folder) {
  QStringList copied;
  const QDir from(program_folder);
  const QDir to(data_folder);
  for (const QString &name : kListTemplates) {
    if (to.exists(TemplateFileIn(data_folder, name)) || !from.exists(name)) continue;
    QFile source(from.filePath(name));
    if (!source.open(QIODevice::ReadOnly))
      throw rtl::Exception(QStringLiteral("Impossibile leggere il modello «%1»: %2")
                               .arg(QDir::toNativeSeparators(source.fileName()), source.errorString()));
    const QByteArray bytes = source.readAll();
    // Written beside and renamed once complete: a half-copied template
    // would later be taken for the user's own.
    QSaveFile target(to.filePath(name));
    if (!target.open(QIODevice::WriteOnly) || target.write(bytes) != bytes.size() || !target.commit())
      throw rtl::Exception(QStringLiteral("Impossibile copiare il modello «%1» nella cartella dei dati: %2")
                               .arg(name, target.errorString()));
    copied << name;
  }
  return copied;
}

}  // namespace app
