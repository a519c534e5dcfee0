// The designer's editors that the engine's own objects open: the memo's
// pop-up "Formatta variabile..." and the barcode editor's "&Campo DB",
// "&Variabile" and "&Espressione". The engine never links the designer, so
// the designer fills this table when it starts (report/designer); an empty
// entry means that no designer is there, and the command does nothing.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

namespace report {

class TkvReport;

struct TkvEditorServices {
  // The format dialog on a format word and its custom text; true when the
  // user confirmed (both are then the new ones).
  std::function<bool(std::int32_t &format, QString &format_text)> EditFormat;
  // The field picker over the record sources the report can reach: the
  // chosen field as DataSet."Field", or a system variable's name (PAGE#);
  // empty when the user cancelled.
  std::function<QString(TkvReport *report)> PickField;
  // The variables picker: the chosen variable's name, empty when cancelled.
  std::function<QString(TkvReport *report)> PickVariable;
  // The expression editor on `expression`; true when the user confirmed.
  std::function<bool(TkvReport *report, QString &expression)> EditExpression;
};

// The engine's one table.
TkvEditorServices &KvEditorServices();

}  // namespace report
