// The function catalogue and the system variables (see kvfunccat.h).
#include "report/designer/kvfunccat.h"

#include <algorithm>

#include "report/engine/expr/kvfunclib.h"
#include "report/engine/vars/kvvalues.h"

namespace report {

namespace {

const char *const kBuiltIn[] = {
    "AVG=Statistiche |AVG(<X>) |Restituisce la media della serie <X>",
    "COUNT=Statistiche |COUNT() |Restituisce il numero di elementi della serie",
    "FORMATDATETIME=Conversione |FORMATDATETIME(<X>,<Y>) |Restituisce la data e ora <Y> formattata secondo il "
    "formato <X>",
    "FORMATFLOAT=Conversione |FORMATFLOAT(<X>,<Y>) |Restituisce il numero <Y> formattato secondo il formato <X>",
    "LOWERCASE=Stringa |LOWERCASE(<X>) |Restituisce la stringa <X> in caratteri minuscoli",
    "MAX=Statistiche |MAX(<X>) |Restituisce il valore massimo della serie <X>",
    "MIN=Statistiche |MIN(<X>) |Restituisce il valore minimo della serie <X>",
    "NAMECASE=Stringa |NAMECASE(<X>) |Restituisce la stringa <X> con la prima lettera maiuscola e le altre "
    "minuscole",
    "PHRASECASE=Stringa |PHRASECASE(<X>) |Restituisce la stringa <X> con l'iniziale di ogni parola maiuscola",
    "STRTODATE=Conversione |STRTODATE(<X>) |Restituisce la data contenuta nella stringa <X>",
    "STRTOTIME=Conversione |STRTOTIME(<X>) |Restituisce l'ora contenuta nella stringa <X>",
    "SUM=Statistiche |SUM(<X>) |Restituisce la somma della serie <X>",
    "UPPERCASE=Stringa |UPPERCASE(<X>) |Restituisce la stringa <X> in caratteri maiuscoli",
    "NUMBERTOLETTER=Stringa |NUMBERTOLETTER(<X>) |Restituisce il numero <X> scritto in lettere",
    "INT=Matematiche |INT(<X>) |Restituisce la parte intera del numero <X>",
    "FRAC=Matematiche |FRAC(<X>) |Restituisce la parte decimale del numero <X>",
    "ROUND=Matematiche |ROUND(<X>) |Restituisce il numero <X> arrotondato all'intero più vicino",
    "STR=Stringa |STR(<X>) |Restituisce una stringa contenente il numero <X>",
    "COPY=Stringa |COPY(<X>,<Y>,<Z>) |Restituisce una sotto-stringa copiata dalla stringa <X> a partire dalla "
    "posizione <Y> per <Z> caratteri",
    "IF=Logiche |IF(<X>,<Y>,<Z>) |Restituisce <Y> se l'espressione <X> è verificata altrimenti restituisce <Z>",
    "TRUNC=Matematiche |TRUNC(<X>) |Restituisce la parte intera del numero <X> troncata verso lo zero",
    "ABS=Matematiche |ABS(<X>) |Restituisce il valore assoluto del numero <X>",
    "ARCTAN=Matematiche |ARCTAN(<X>) |Restituisce l'arcotangente del numero <X>",
    "COS=Matematiche |COS(<X>) |Restituisce il coseno dell'angolo <X> espresso in radianti",
    "EXP=Matematiche |EXP(<X>) |Restituisce l'esponenziale del numero <X>",
    "LN=Matematiche |LN(<X>) |Restituisce il logaritmo naturale del numero <X>",
    "PI=Matematiche |PI |Restituisce il valore di pigreco",
    "SIN=Matematiche |SIN(<X>) |Restituisce il seno dell'angolo <X> espresso in radianti",
    "SQR=Matematiche |SQR(<X>) |Restituisce il quadrato del numero <X>",
    "SQRT=Matematiche |SQRT(<X>) |Restituisce la radice quadrata del numero <X>",
    "POWER=Matematiche |POWER(<X>,<Y>) |Restituisce il numero <X> elevato alla potenza <Y>",
    "CEIL=Matematiche |CEIL(<X>) |Restituisce il più piccolo intero non inferiore al numero <X>",
    "FLOOR=Matematiche |FLOOR(<X>) |Restituisce il più grande intero non superiore al numero <X>",
    "POS=Stringa |POS(<X>,<Y>) |Restituisce la posizione della stringa <X> all'interno della stringa <Y>",
    "LENGTH=Stringa |LENGTH(<X>) |Restituisce la lunghezza della stringa <X>",
    "FILLSTR=Stringa |FILLSTR(<X>,<Y>) |Restituisce una stringa formata dalla stringa <Y> ripetuta <X> volte",
    "VAL=Matematiche |VAL(<X>) |Restituisce il numero contenuto nella stringa <X>",
    "MONEY=Valuta |MONEY(<X>) |Restituisce una stringa contenente il numero <X> formattato come valuta nel "
    "sistema corrente",
    "EURO=Valuta |EURO(<X>) |Restituisce una stringa contenente il numero <X> formattato come importo in euro",
    "MONEYTOEURO=Valuta |MONEYTOEURO(<X>) |Restituisce una stringa contenente l'importo in lire <X> convertito "
    "in euro",
    "EUROTOMONEY=Valuta |EUROTOMONEY(<X>) |Restituisce una stringa contenente l'importo in euro <X> convertito "
    "in lire",
    "MONEYTOEUROVAL=Valuta |MONEYTOEUROVAL(<X>) |Restituisce il valore dell'importo in lire <X> convertito in euro",
    "EUROTOMONEYVAL=Valuta |EUROTOMONEYVAL(<X>) |Restituisce il valore dell'importo in euro <X> convertito in lire",
};

bool LessIgnoringCase(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; }

QStringList SortedDistinct(QStringList list) {
  std::sort(list.begin(), list.end(), LessIgnoringCase);
  list.erase(std::unique(list.begin(), list.end(),
                         [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }),
             list.end());
  return list;
}

// Every function the editor can offer: the built-in ones, then each
// library function with its line (or as unknown).
std::vector<TkvFunctionEntry> AllFunctions() {
  std::vector<TkvFunctionEntry> all = KvBuiltInFunctions();
  for (const QString &name : KvLibraryFunctionNames()) {
    if (std::optional<TkvFunctionEntry> entry = KvFindFunction(name)) all.push_back(*entry);
  }
  return all;
}

}  // namespace

QString KvAllCategories() { return QStringLiteral("Tutte"); }
QString KvUnknownCategory() { return QStringLiteral("Sconosciute"); }

std::optional<TkvFunctionEntry> KvParseCatalogueLine(const QString &line) {
  const int equal = line.indexOf(u'=');
  if (equal <= 0) return std::nullopt;
  const QStringList parts = line.mid(equal + 1).split(u'|');
  if (parts.size() < 3) return std::nullopt;
  TkvFunctionEntry entry;
  entry.Name = line.left(equal).trimmed();
  entry.Category = parts[0].trimmed();
  entry.Syntax = parts[1].trimmed();
  entry.Description = parts.mid(2).join(u'|').trimmed();
  return entry;
}

const std::vector<TkvFunctionEntry> &KvBuiltInFunctions() {
  static const std::vector<TkvFunctionEntry> entries = [] {
    std::vector<TkvFunctionEntry> list;
    for (const char *line : kBuiltIn) list.push_back(*KvParseCatalogueLine(QString::fromUtf8(line)));
    return list;
  }();
  return entries;
}

std::optional<TkvFunctionEntry> KvFindFunction(const QString &name) {
  const QString key = name.trimmed();
  for (const TkvFunctionEntry &entry : KvBuiltInFunctions())
    if (entry.Name.compare(key, Qt::CaseInsensitive) == 0) return entry;
  for (const QString &line : KvLibraryCatalogue()) {
    std::optional<TkvFunctionEntry> entry = KvParseCatalogueLine(line);
    if (entry && entry->Name.compare(key, Qt::CaseInsensitive) == 0) return entry;
  }
  for (const QString &library_name : KvLibraryFunctionNames()) {
    if (library_name.compare(key, Qt::CaseInsensitive) != 0) continue;
    return TkvFunctionEntry{library_name, KvUnknownCategory(), library_name + QStringLiteral("()"), QString()};
  }
  return std::nullopt;
}

QStringList KvFunctionCategories() {
  QStringList categories;
  for (const TkvFunctionEntry &entry : AllFunctions()) categories << entry.Category;
  return QStringList{KvAllCategories()} + SortedDistinct(categories);
}

QStringList KvFunctionsOf(const QString &category) {
  const bool all = category == KvAllCategories();
  QStringList names;
  for (const TkvFunctionEntry &entry : AllFunctions())
    if (all || entry.Category == category) names << entry.Name;
  return SortedDistinct(names);
}

const std::vector<TkvSystemVariable> &KvPickerVariables() {
  // The system values a variable may stand for, less the expression.
  static const std::vector<TkvSystemVariable> variables = [] {
    std::vector<TkvSystemVariable> list;
    for (int kind = 0; kind < vkCount; ++kind) {
      if (kind == vkExpression) continue;
      list.push_back({KvValueKindNames().at(kind), KvSystemVariables().at(kind)});
    }
    return list;
  }();
  return variables;
}

QString KvSystemVariableName(const QString &label) {
  for (const TkvSystemVariable &v : KvPickerVariables())
    if (v.Label == label) return v.Name;
  return QString();
}

int KvParameterCount(const QString &syntax) {
  constexpr int kMaxParameters = 3;
  return std::min(int(syntax.count(u'<')), kMaxParameters);
}

}  // namespace report
