// The expression editor (see kvexpred.h).
#include "report/designer/kvexpred.h"

#include "report/designer/kvfunccat.h"
#include "report/designer/kvparamfct.h"
#include "report/engine/component/kvreport.h"

namespace report {

// ---- the line --------------------------------------------------------------------

void TkvExpressionLine::Insert(const QString &text) {
  if (text.isEmpty()) return;
  undo_.push_back(text_);
  text_ += text;
}

void TkvExpressionLine::Clear() {
  undo_.push_back(text_);
  text_.clear();
}

void TkvExpressionLine::Undo() {
  if (undo_.empty()) return;
  text_ = undo_.back();
  undo_.pop_back();
}

std::optional<QString> TkvExpressionLine::TextConstant(const QString &value) {
  if (value.contains(u'\'')) return std::nullopt;
  return u'\'' + value + u'\'';
}

bool TkvExpressionLine::NeedsArguments(const QString &syntax) {
  return syntax.contains(u'(') && !syntax.contains(QStringLiteral("()"));
}

QString TkvExpressionLine::Call(const QString &syntax, const QString &arguments) {
  return syntax.left(syntax.indexOf(u'(') + 1) + arguments + u')';
}

// ---- the form --------------------------------------------------------------------

namespace {

// NOLINTBEGIN(readability-magic-numbers)
constexpr int kWidth = 560;
constexpr int kHeight = 430;
// NOLINTEND(readability-magic-numbers)

const char *const kMathOperators[] = {"+", "-", "*", "/", "MOD", "^", "DIV"};
const char *const kLogicOperators[] = {"<", "=", ">", "<>", "<=", ">=", " NOT ", " OR ", " AND "};

vcl::TGroupBox *Group(vcl::TForm *form, const QString &caption, int left, int top, int width, int height) {
  auto *group = PlaceControl<vcl::TGroupBox>(form, form, left, top, width, height);
  group->SetCaption(caption);
  return group;
}

QString TextConstantKind() { return QStringLiteral("Testo"); }
QString NumberConstantKind() { return QStringLiteral("Numerica"); }

}  // namespace

TExprEditor::TExprEditor(vcl::TComponent *owner, TkvReport *report) : vcl::TForm(owner), report_(report) {
  // NOLINTBEGIN(readability-magic-numbers)
  SetupDialog(this, QStringLiteral("Editor di espressioni"), kWidth, kHeight);
  moExpres = PlaceControl<vcl::TEdit>(this, this, 8, 10, kWidth - 196, 21);
  moExpres->SetAutoSelect(false);
  UndoButton = PlaceButton(this, this, QStringLiteral("Ripristina"), kWidth - 180, 8, 84);
  ClearButton = PlaceButton(this, this, QStringLiteral("Elimina"), kWidth - 92, 8, 84);
  BuildConstants();
  BuildOperators();
  BuildFunctions();
  BuildData();
  Buttons = PlaceOkCancel(this, kWidth - 166, kHeight - 34);
  // NOLINTEND(readability-magic-numbers)

  moExpres->OnChange = [this](rtl::TObject *) {
    if (showing_) return;
    line_.SetText(moExpres->Text());
  };
  UndoButton->OnClick = [this](rtl::TObject *) {
    line_.Undo();
    LineChanged();
  };
  ClearButton->OnClick = [this](rtl::TObject *) {
    line_.SetText(moExpres->Text());
    line_.Clear();
    LineChanged();
  };
  HandleNeeded();
  ConstantType->SetItemIndex(1);
  OperatorPages->SetActivePageIndex(0);
  VariablesChoice->SetChecked(true);
  CategoryList->Items()->Clear();
  for (const QString &category : KvFunctionCategories()) CategoryList->Items()->Add(category);
  CategoryList->SetItemIndex(0);
  ShowCategory();
  ShowDataSources();
  LineChanged();
}

// NOLINTBEGIN(readability-magic-numbers)
void TExprEditor::BuildConstants() {
  vcl::TGroupBox *group = Group(this, QStringLiteral("Costanti"), 8, 40, 260, 84);
  ConstantType = PlaceControl<vcl::TComboBox>(group, this, 10, 20, 100, 21);
  ConstantType->SetStyle(vcl::csDropDownList);
  ConstantType->Items()->Add(TextConstantKind());
  ConstantType->Items()->Add(NumberConstantKind());
  ConstantEdit = PlaceControl<vcl::TEdit>(group, this, 10, 50, 160, 21);
  AddConstantButton = PlaceButton(group, this, QStringLiteral("Aggiungi"), 178, 48, 72);
  AddConstantButton->OnClick = [this](rtl::TObject *) { AddConstant(); };
}

void TExprEditor::BuildOperators() {
  vcl::TGroupBox *group = Group(this, QStringLiteral("Operatori"), 276, 40, kWidth - 284, 84);
  OperatorPages = PlaceControl<vcl::TPageControl>(group, this, 8, 16, kWidth - 356, 62);
  auto add_sheet = [this](const QString &caption, const auto &operators) {
    auto *sheet = new vcl::TTabSheet(this);
    sheet->SetPageControl(OperatorPages);
    sheet->SetCaption(caption);
    int left = 2;
    for (const char *text : operators) {
      const QString op = QString::fromLatin1(text);
      const int width = op.trimmed().size() > 1 ? 34 : 24;
      vcl::TButton *button = PlaceButton(sheet, this, op.trimmed(), left, 4, width, 24);
      button->OnClick = [this, op](rtl::TObject *) { AddOperator(op); };
      OperatorButtons.push_back(button);
      left += width + 1;
    }
  };
  add_sheet(QStringLiteral("Matematici"), kMathOperators);
  add_sheet(QStringLiteral("Logici"), kLogicOperators);
  BracketButton = PlaceButton(group, this, QStringLiteral("(<X>)"), kWidth - 342, 34, 50, 24);
  BracketButton->OnClick = [this](rtl::TObject *) { AddBracketArgument(); };
}

void TExprEditor::BuildFunctions() {
  vcl::TGroupBox *group = Group(this, QStringLiteral("Funzioni"), 8, 130, 260, 250);
  CategoryList = PlaceControl<vcl::TComboBox>(group, this, 10, 20, 240, 21);
  CategoryList->SetStyle(vcl::csDropDownList);
  CategoryList->SetDropDownCount(10);
  FunctionList = PlaceControl<vcl::TListBox>(group, this, 10, 46, 240, 100);
  SyntaxLabel = PlaceLabel(group, this, QString(), 10, 152);
  DescriptionLabel = PlaceLabel(group, this, QString(), 10, 170);
  DescriptionLabel->SetAutoSize(false);
  DescriptionLabel->SetWordWrap(true);
  DescriptionLabel->SetBounds(10, 170, 240, 48);
  AddFunctionButton = PlaceButton(group, this, QStringLiteral("Aggiungi"), 178, 220, 72);
  CategoryList->OnChange = [this](rtl::TObject *) { ShowCategory(); };
  FunctionList->OnClick = [this](rtl::TObject *) { ShowFunction(); };
  FunctionList->OnDblClick = [this](rtl::TObject *) { AddFunction(); };
  AddFunctionButton->OnClick = [this](rtl::TObject *) { AddFunction(); };
}

void TExprEditor::BuildData() {
  vcl::TGroupBox *group = Group(this, QStringLiteral("Dati"), 276, 130, kWidth - 284, 250);
  VariablesChoice = PlaceControl<vcl::TRadioButton>(group, this, 10, 18, 100, 20);
  VariablesChoice->SetCaption(QStringLiteral("Variabili"));
  DataChoice = PlaceControl<vcl::TRadioButton>(group, this, 120, 18, 100, 20);
  DataChoice->SetCaption(QStringLiteral("Dati"));
  SourceList = PlaceControl<vcl::TListBox>(group, this, 10, 42, 120, 170);
  ItemList = PlaceControl<vcl::TListBox>(group, this, 136, 42, kWidth - 430, 170);
  AddDataButton = PlaceButton(group, this, QStringLiteral("Aggiungi"), kWidth - 366, 220, 72);
  VariablesChoice->OnClick = [this](rtl::TObject *) { ShowDataSources(); };
  DataChoice->OnClick = [this](rtl::TObject *) { ShowDataSources(); };
  SourceList->OnClick = [this](rtl::TObject *) { ShowDataItems(); };
  ItemList->OnDblClick = [this](rtl::TObject *) { AddData(); };
  AddDataButton->OnClick = [this](rtl::TObject *) { AddData(); };
}
// NOLINTEND(readability-magic-numbers)

void TExprEditor::SetExpression(const QString &text) {
  line_ = TkvExpressionLine();
  line_.SetText(text);
  LineChanged();
}

QString TExprEditor::Expression() const { return moExpres->Text(); }

void TExprEditor::DoShow() {
  vcl::TForm::DoShow();
  FocusIfShown(moExpres);
  moExpres->SetSelStart(int(moExpres->Text().size()));
}

void TExprEditor::Insert(const QString &text) {
  line_.SetText(moExpres->Text());
  line_.Insert(text);
  LineChanged();
}

void TExprEditor::LineChanged() {
  showing_ = true;
  moExpres->SetText(line_.Text());
  moExpres->SetSelStart(int(line_.Text().size()));
  showing_ = false;
  UndoButton->SetEnabled(line_.CanUndo());
}

void TExprEditor::AddConstant() {
  const QString value = ConstantEdit->Text();
  if (ConstantType->Text() == TextConstantKind()) {
    // A quote would end the constant early: such a text is not inserted.
    const std::optional<QString> constant = TkvExpressionLine::TextConstant(value);
    if (!constant) return;
    Insert(*constant);
  } else {
    Insert(value.trimmed());
  }
  ConstantEdit->Clear();
}

void TExprEditor::AddOperator(const QString &op) { Insert(op); }

void TExprEditor::AddBracketArgument() {
  QString argument;
  if (EditParameters(report_, QStringLiteral("(<X>)"), QString(), argument)) Insert(u'(' + argument + u')');
}

void TExprEditor::AddFunction() {
  const int row = FunctionList->ItemIndex();
  if (row < 0) return;
  const std::optional<TkvFunctionEntry> entry = KvFindFunction(FunctionList->Items()->Strings(row));
  if (!entry) return;
  if (!TkvExpressionLine::NeedsArguments(entry->Syntax)) {
    Insert(entry->Syntax);
    return;
  }
  QString arguments;
  if (EditParameters(report_, entry->Syntax, entry->Description, arguments))
    Insert(TkvExpressionLine::Call(entry->Syntax, arguments));
}

void TExprEditor::AddData() {
  const int source = SourceList->ItemIndex();
  const int item = ItemList->ItemIndex();
  if (source < 0 || item < 0) return;
  const QString source_name = SourceList->Items()->Strings(source);
  const QString item_name = ItemList->Items()->Strings(item);
  if (VariablesChoice->Checked()) {
    Insert(u'[' + item_name + u']');
  } else if (source_name == KvOtherSource()) {
    Insert(KvSystemVariableName(item_name));
  } else {
    Insert(KvFieldReference(source_name, item_name));
  }
}

void TExprEditor::ShowCategory() {
  FunctionList->Items()->Clear();
  const QString category = CategoryList->Text();
  for (const QString &name : KvFunctionsOf(category.isEmpty() ? KvAllCategories() : category))
    FunctionList->Items()->Add(name);
  FunctionList->SetItemIndex(FunctionList->Count() > 0 ? 0 : -1);
  ShowFunction();
}

void TExprEditor::ShowFunction() {
  const int row = FunctionList->ItemIndex();
  std::optional<TkvFunctionEntry> entry;
  if (row >= 0) entry = KvFindFunction(FunctionList->Items()->Strings(row));
  SyntaxLabel->SetCaption(entry ? entry->Syntax : QString());
  DescriptionLabel->SetCaption(entry ? entry->Description : QString());
}

void TExprEditor::ShowDataSources() {
  SourceList->Items()->Clear();
  if (VariablesChoice->Checked()) {
    if (report_ != nullptr) report_->GetVariableCategories(*SourceList->Items());
  } else {
    datasets_ = KvListDataSets(report_, TkvDataSetNaming::BareForReportOwner);
    for (const QString &name : KvDataSetNames(datasets_)) SourceList->Items()->Add(name);
    SourceList->Items()->Add(KvOtherSource());
  }
  SourceList->SetItemIndex(SourceList->Count() > 0 ? 0 : -1);
  ShowDataItems();
}

void TExprEditor::ShowDataItems() {
  ItemList->Items()->Clear();
  const int source = SourceList->ItemIndex();
  if (source >= 0) {
    if (VariablesChoice->Checked()) {
      if (report_ != nullptr) report_->GetCategoryVariables(source, *ItemList->Items());
    } else if (SourceList->Items()->Strings(source) == KvOtherSource()) {
      for (const TkvSystemVariable &v : KvPickerVariables()) ItemList->Items()->Add(v.Label);
    } else {
      for (const QString &field : KvFieldNames(KvDataSetOf(datasets_, SourceList->Items()->Strings(source))))
        ItemList->Items()->Add(field);
    }
  }
  ItemList->SetItemIndex(ItemList->Count() > 0 ? 0 : -1);
}

bool EditExpression(TkvReport *report, QString &expression) {
  TExprEditor form(nullptr, report);
  form.SetExpression(expression);
  if (form.ShowModal() != vcl::mrOk) return false;
  expression = form.Expression();
  return true;
}

}  // namespace report
