// The program's database declared once: its tables with their columns, keys
// and indexes, and its stored queries with their text and the columns they
// return. The builder of the data folder (tools/lib/orbiscadb) creates a
// database from these declarations, and the program's datasets
// (app/menulogic) take their tables, queries and persistent fields from
// them, so a column's name, type and width are written in one place.
//
// Each table and query is a namespace named as the database names it; its
// columns are `TColumn` constants named as the columns, `kColumns` lists
// them in the order the database returns them, and `kTable` / `kQuery`
// describe the whole.
#pragma once

#include <QString>
#include <span>

#include "platform/jet/jetsql.h"

namespace schema {

// The file the program opens in its data folder.
inline constexpr const char *kDatabaseFileName = "orbisca4.mdb";

struct TColumn {
  const char *name;
  jet::DataTypeEnum type;
  int size = 0;                         // characters of a text column
  const char *default_value = nullptr;  // the engine's default value text
  const char *format = nullptr;         // the column's "Format" property
  bool auto_increment = false;

  QString Name() const { return QString::fromLatin1(name); }
};

struct TIndex {
  const char *name;
  std::span<const char *const> fields;

  QString Name() const { return QString::fromLatin1(name); }
};

struct TTable {
  const char *name;
  std::span<const TColumn> columns;
  const char *primary_key;  // the one column of "PrimaryKey"
  std::span<const TIndex> indexes;

  QString Name() const { return QString::fromLatin1(name); }
};

struct TStoredQuery {
  const char *name;
  std::span<const char *const> lines;  // the text, stored one line per entry
  std::span<const TColumn> columns;    // what it returns, in order

  QString Name() const { return QString::fromLatin1(name); }
  // The text as the database keeps it (lines joined by CR LF).
  QString Sql() const;
};

// --- tables ------------------------------------------------------------------------

// Titles of periodicals, by the 13 digits of their code.
namespace Riviste {
inline constexpr TColumn Barcode{"Barcode", jet::dbText, 13};
inline constexpr TColumn Nome{"Nome", jet::dbText, 30};
inline constexpr TColumn Fornitore{"Fornitore", jet::dbText, 5};
inline constexpr TColumn Prezzo_V{"Prezzo_V", jet::dbDouble, 0, "0"};
inline constexpr TColumn Prezzo_A{"Prezzo_A", jet::dbDouble, 0, "0"};
inline constexpr TColumn Periodo{"Periodo", jet::dbText, 3};
inline constexpr TColumn kColumns[] = {Barcode, Nome, Fornitore, Prezzo_V, Prezzo_A, Periodo};
inline constexpr TTable kTable{"Riviste", kColumns, "Barcode", {}};
}  // namespace Riviste

// The stock: one row per full code (13 digits and the 5 of the supplement).
namespace Giacenza {
inline constexpr TColumn Barcode18{"Barcode18", jet::dbText, 18};
inline constexpr TColumn Barcode{"Barcode", jet::dbText, 13};
inline constexpr TColumn Addon{"Addon", jet::dbText, 5};
inline constexpr TColumn Testata{"Testata", jet::dbText, 30};
inline constexpr TColumn Descrizione{"Descrizione", jet::dbText, 30};
inline constexpr TColumn Fornitore{"Fornitore", jet::dbText, 5};
inline constexpr TColumn Giacenza{"Giacenza", jet::dbDouble, 0, "0"};
inline constexpr TColumn Ucarico{"Ucarico", jet::dbDate, 0, nullptr, "Short Date"};
inline constexpr TColumn Periodo{"Periodo", jet::dbText, 3};
inline constexpr TColumn Prezzo_V{"Prezzo_V", jet::dbDouble, 0, "0"};
inline constexpr TColumn Prezzo_A{"Prezzo_A", jet::dbDouble, 0, "0"};
inline constexpr TColumn Scadenza{"Scadenza", jet::dbDate, 0, nullptr, "Short Date"};
inline constexpr TColumn CD{"CD", jet::dbBoolean, 0, "No", "Yes/No"};
inline constexpr TColumn kColumns[] = {Barcode18, Barcode, Addon,    Testata,  Descrizione, Fornitore, Giacenza,
                                       Ucarico,   Periodo, Prezzo_V, Prezzo_A, Scadenza,    CD};
inline constexpr TTable kTable{"Giacenza", kColumns, "Barcode18", {}};
}  // namespace Giacenza

// The journal of movements, one row per registration.
namespace Giornale {
inline constexpr TColumn Progressivo{"Progressivo", jet::dbLong, 0, nullptr, nullptr, true};
inline constexpr TColumn Data{"Data", jet::dbDate, 0, nullptr, "Short Date"};
inline constexpr TColumn Barcode18{"Barcode18", jet::dbText, 18};
inline constexpr TColumn Quantita{"Quantita", jet::dbDouble, 0, "0"};
inline constexpr TColumn Prezzo_V{"Prezzo_V", jet::dbDouble, 0, "0"};
inline constexpr TColumn Tipo{"Tipo", jet::dbText, 1};
inline constexpr TColumn Prezzo_A{"Prezzo_A", jet::dbDouble, 0, "0"};
inline constexpr TColumn kColumns[] = {Progressivo, Data, Barcode18, Quantita, Prezzo_V, Tipo, Prezzo_A};
inline constexpr const char *kDataTipoFields[] = {"Data", "Tipo"};
inline constexpr const char *kBarcode18Fields[] = {"Barcode18"};
inline constexpr TIndex kIndexes[] = {{"DataTipo", kDataTipoFields}, {"Barcode18", kBarcode18Fields}};
inline constexpr TTable kTable{"Giornale", kColumns, "Progressivo", kIndexes};

// The kinds of movement in `Tipo`.
inline constexpr const char *kCarico = "C";   // goods received
inline constexpr const char *kResi = "R";     // returns to the supplier
inline constexpr const char *kScarico = "S";  // sales
}  // namespace Giornale

// Periodicities and their days between issues.
namespace Periodo {
inline constexpr TColumn Periodo{"Periodo", jet::dbText, 3};
inline constexpr TColumn Descrizione{"Descrizione", jet::dbText, 15};
inline constexpr TColumn Giorni{"Giorni", jet::dbInteger, 0, "0"};
inline constexpr TColumn kColumns[] = {Periodo, Descrizione, Giorni};
inline constexpr TTable kTable{"Periodo", kColumns, "Periodo", {}};
}  // namespace Periodo

// The meanings of a periodical's supplement digits.
namespace Allegati {
inline constexpr TColumn CODICE{"CODICE", jet::dbText, 2};
inline constexpr TColumn SIGNIFICATO{"SIGNIFICATO", jet::dbText, 30};
inline constexpr TColumn kColumns[] = {CODICE, SIGNIFICATO};
inline constexpr TTable kTable{"Allegati", kColumns, "CODICE", {}};
}  // namespace Allegati

inline constexpr const TTable *kTables[] = {&Riviste::kTable, &Giacenza::kTable, &Giornale::kTable, &Periodo::kTable,
                                            &Allegati::kTable};

// --- stored queries ------------------------------------------------------------------

// One day's movements of one kind, newest first ([Sel_data], [Sel_tipo]).
namespace un_giorno {
inline constexpr TColumn Progressivo = Giornale::Progressivo;
inline constexpr TColumn Data = Giornale::Data;
inline constexpr TColumn Testata = Giacenza::Testata;
inline constexpr TColumn Descrizione = Giacenza::Descrizione;
inline constexpr TColumn Quantita = Giornale::Quantita;
inline constexpr TColumn Tipo = Giornale::Tipo;
inline constexpr TColumn Prezzo_A = Giornale::Prezzo_A;
inline constexpr TColumn Prezzo_V = Giornale::Prezzo_V;
inline constexpr TColumn Barcode18 = Giornale::Barcode18;
inline constexpr TColumn kColumns[] = {Progressivo, Data,     Testata,  Descrizione, Quantita,
                                       Tipo,        Prezzo_A, Prezzo_V, Barcode18};
inline constexpr const char *kLines[] = {
    "SELECT Giornale.Progressivo, Giornale.Data, Giacenza.Testata, Giacenza.Descrizione, "
    "Giornale.Quantita, Giornale.Tipo, Giornale.Prezzo_A, Giornale.Prezzo_V, Giornale.Barcode18",
    "FROM Giornale LEFT JOIN Giacenza ON Giornale.Barcode18 = Giacenza.Barcode18",
    "WHERE (((Giornale.Data)=[Sel_data]) AND ((Giornale.Tipo)=[Sel_tipo]))", "ORDER BY Giornale.Progressivo DESC;"};
inline constexpr TStoredQuery kQuery{"un_giorno", kLines, kColumns};
}  // namespace un_giorno

// One day's purchase and sale totals of one kind ([Sel_data], [Sel_tipo]).
namespace totali {
inline constexpr TColumn Data = Giornale::Data;
inline constexpr TColumn Tipo = Giornale::Tipo;
inline constexpr TColumn Acquisto{"Acquisto", jet::dbDouble};
inline constexpr TColumn Vendita{"Vendita", jet::dbDouble};
inline constexpr TColumn kColumns[] = {Data, Tipo, Acquisto, Vendita};
inline constexpr const char *kLines[] = {
    "SELECT Giornale.Data, Giornale.Tipo, Sum(Giornale.[Quantita]*[Prezzo_A]) AS Acquisto, "
    "Sum(Giornale.[quantita]*[Prezzo_V]) AS Vendita",
    "FROM Giornale", "GROUP BY Giornale.Data, Giornale.Tipo",
    "HAVING (((Giornale.Data)=[Sel_data]) AND ((Giornale.Tipo)=[Sel_tipo]));"};
inline constexpr TStoredQuery kQuery{"totali", kLines, kColumns};
}  // namespace totali

// One article's movements, newest first ([sel_barcode]).
namespace Storico {
inline constexpr TColumn Data = Giornale::Data;
inline constexpr TColumn Tipo = Giornale::Tipo;
inline constexpr TColumn Quantita = Giornale::Quantita;
inline constexpr TColumn Prezzo_A = Giornale::Prezzo_A;
inline constexpr TColumn Prezzo_V = Giornale::Prezzo_V;
inline constexpr TColumn Barcode18 = Giornale::Barcode18;
inline constexpr TColumn kColumns[] = {Data, Tipo, Quantita, Prezzo_A, Prezzo_V, Barcode18};
inline constexpr const char *kLines[] = {
    "SELECT Giornale.Data, Giornale.Tipo, Giornale.Quantita, Giornale.Prezzo_A, "
    "Giornale.Prezzo_V, Giornale.Barcode18",
    "FROM Giornale", "WHERE (((Giornale.Barcode18)=[sel_barcode]))", "ORDER BY Giornale.Progressivo DESC;"};
inline constexpr TStoredQuery kQuery{"Storico", kLines, kColumns};
}  // namespace Storico

// The whole journal with each article's texts and the movement's values, for
// the printed journal.
namespace StampaGiornale {
inline constexpr TColumn Valore_A{"Valore_A", jet::dbDouble};
inline constexpr TColumn Valore_V{"Valore_V", jet::dbDouble};
inline constexpr TColumn kColumns[] = {Giornale::Progressivo, Giornale::Data,     Giornale::Tipo,
                                       Giornale::Barcode18,   Giacenza::Testata,  Giacenza::Descrizione,
                                       Giacenza::Fornitore,   Giacenza::CD,       Giacenza::Periodo,
                                       Giacenza::Scadenza,    Giornale::Quantita, Giornale::Prezzo_A,
                                       Giornale::Prezzo_V,    Valore_A,           Valore_V};
inline constexpr const char *kLines[] = {
    "SELECT Giornale.Progressivo, Giornale.Data, Giornale.Tipo, Giornale.Barcode18, "
    "Giacenza.Testata, Giacenza.Descrizione, Giacenza.Fornitore, Giacenza.CD, "
    "Giacenza.Periodo, Giacenza.Scadenza, Giornale.Quantita, Giornale.Prezzo_A, "
    "Giornale.Prezzo_V, Giornale.[Prezzo_A]*[Quantita] AS Valore_A, "
    "Giornale.[Prezzo_V]*[Quantita] AS Valore_V",
    "FROM Giornale LEFT JOIN Giacenza ON Giornale.Barcode18 = Giacenza.Barcode18", "ORDER BY Giornale.Progressivo;"};
inline constexpr TStoredQuery kQuery{"StampaGiornale", kLines, kColumns};
}  // namespace StampaGiornale

inline constexpr const TStoredQuery *kStoredQueries[] = {&un_giorno::kQuery, &totali::kQuery, &Storico::kQuery,
                                                         &StampaGiornale::kQuery};

}  // namespace schema
