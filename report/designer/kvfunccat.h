// What the expression editor offers: the catalogue of the report's
// functions (the 43 built-in ones and those of the function libraries,
// each with its category, syntax and description) and the system
// variables (PAGE#, DATE...) with the labels the pickers show.
//
// A catalogue line reads "NAME=Categoria |SINTASSI |Descrizione"; the
// syntax writes the arguments as <X>, <Y> and <Z>.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace report {

struct TkvFunctionEntry {
  QString Name;
  QString Category;
  QString Syntax;
  QString Description;
};

// The category of every function and the category of a library function
// the catalogue does not describe.
QString KvAllCategories();    // "Tutte"
QString KvUnknownCategory();  // "Sconosciute"

// A catalogue line taken apart; nullopt when it is no such line.
std::optional<TkvFunctionEntry> KvParseCatalogueLine(const QString &line);

// The built-in functions as the catalogue lists them.
const std::vector<TkvFunctionEntry> &KvBuiltInFunctions();

// A function by name (ignoring case): the built-in catalogue first, then
// the libraries' lines, then a library name without a line (category
// "Sconosciute", syntax the name with its brackets); nullopt when no one
// knows it.
std::optional<TkvFunctionEntry> KvFindFunction(const QString &name);

// "Tutte" followed by the sorted, distinct categories of every function.
QStringList KvFunctionCategories();
// The sorted names of the functions of a category ("Tutte": all).
QStringList KvFunctionsOf(const QString &category);

// The system variables the pickers offer, in order (the engine's table of
// variable kinds without the expression).
struct TkvSystemVariable {
  QString Label;  // "N° pagina"
  QString Name;   // "PAGE#"
};
const std::vector<TkvSystemVariable> &KvPickerVariables();
// The name of a label ("Data" -> "DATE"); empty when none.
QString KvSystemVariableName(const QString &label);

// The number of arguments a syntax asks for: its "<" signs, at most 3.
int KvParameterCount(const QString &syntax);

}  // namespace report
