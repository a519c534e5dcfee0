// The expression editor "Editor di espressioni": it builds an expression
// text (a highlight or group condition, a band filter, a memo bracket) out
// of constants, operators, functions, report variables, dataset fields and
// system variables. Every insertion goes at the end of the line, after
// the line as it was is kept for "Ripristina".
//
// TkvExpressionLine is the line with its undo list and the texts each
// insertion makes, without a window; TExprEditor is the form.
// EditExpression runs it for the other editors and the engine's objects.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"
#include "report/designer/kvdsgdata.h"
#include "report/designer/kveditctl.h"

namespace report {

class TkvReport;

class TkvExpressionLine {
 public:
  const QString &Text() const { return text_; }
  // The line as the user typed it (no undo step).
  void SetText(const QString &text) { text_ = text; }
  // Appends `text` (nothing for an empty one), keeping the line before.
  void Insert(const QString &text);
  // "Elimina": the line is kept for undo and emptied.
  void Clear();
  bool CanUndo() const { return !undo_.empty(); }
  // "Ripristina": the line kept last comes back.
  void Undo();

  // A text constant between single quotes; nothing for one that holds a
  // single quote (it would end the constant).
  static std::optional<QString> TextConstant(const QString &value);
  // True when inserting the syntax asks for arguments: it opens a bracket
  // that is not the empty "()".
  static bool NeedsArguments(const QString &syntax);
  // The call the syntax makes with the arguments: "COPY(" + "X,Y,Z" + ")".
  static QString Call(const QString &syntax, const QString &arguments);

 private:
  QString text_;
  std::vector<QString> undo_;
};

class TExprEditor : public vcl::TForm {
  ORBISCA_CLASS(TExprEditor, vcl::TForm)

 public:
  // `report` gives the variables and the datasets its owner holds.
  TExprEditor(vcl::TComponent *owner, TkvReport *report);

  void SetExpression(const QString &text);
  QString Expression() const;
  const TkvExpressionLine &Line() const { return line_; }

  // Each control's insertion, as its button does it.
  void AddConstant();
  void AddOperator(const QString &op);
  void AddBracketArgument();
  void AddFunction();
  void AddData();

  // The catalogue shows the category's functions; a function shows its
  // syntax and description.
  void ShowCategory();
  void ShowFunction();
  // The data lists: "Variabili" (categories and their variables) or the
  // datasets with "Altro" and their fields or the system variables.
  void ShowDataSources();
  void ShowDataItems();

  vcl::TEdit *moExpres = nullptr;
  vcl::TButton *UndoButton = nullptr;   // "Ripristina"
  vcl::TButton *ClearButton = nullptr;  // "Elimina"
  vcl::TComboBox *ConstantType = nullptr;
  vcl::TEdit *ConstantEdit = nullptr;
  vcl::TButton *AddConstantButton = nullptr;
  vcl::TPageControl *OperatorPages = nullptr;
  std::vector<vcl::TButton *> OperatorButtons;
  vcl::TButton *BracketButton = nullptr;  // "(<X>)"
  vcl::TComboBox *CategoryList = nullptr;
  vcl::TListBox *FunctionList = nullptr;
  vcl::TLabel *SyntaxLabel = nullptr;
  vcl::TLabel *DescriptionLabel = nullptr;
  vcl::TButton *AddFunctionButton = nullptr;
  vcl::TRadioButton *VariablesChoice = nullptr;
  vcl::TRadioButton *DataChoice = nullptr;
  vcl::TListBox *SourceList = nullptr;
  vcl::TListBox *ItemList = nullptr;
  vcl::TButton *AddDataButton = nullptr;
  TOkCancel Buttons;

 protected:
  void DoShow() override;

 private:
  void BuildConstants();
  void BuildOperators();
  void BuildFunctions();
  void BuildData();
  // The line takes what the user typed, then `text`.
  void Insert(const QString &text);
  void LineChanged();

  TkvReport *report_;
  TkvExpressionLine line_;
  std::vector<TkvDataSetEntry> datasets_;
  bool showing_ = false;
};

// The editor on `expression`; true (and the expression replaced) after OK.
bool EditExpression(TkvReport *report, QString &expression);

}  // namespace report
