// The variables editor (see kvevform.h).
#include "report/designer/kvevform.h"

#include <QImage>
#include <QPainter>

#include "platform/vcl/dialogs.h"
#include "platform/vcl/messages.h"
#include "report/designer/kvdsgneditors.h"
#include "report/designer/kveditctl.h"
#include "report/designer/kvexpred.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/vars/kvvalues.h"

namespace report {

namespace {

constexpr int kGlyph = 16;
constexpr QRgb kTransparent = 0xFF00FF;       // the glyphs' background (bottom-left pixel)
constexpr vcl::TColor kMaskColor = 0xFF00FF;  // the same as a colour
// The stream keeps an expression as a short string.
constexpr int kMaxExpression = 255;
constexpr int kCategoryImage = 0;
constexpr int kVariableImage = 1;

enum class Picture { Category, Variable, NewCategory, NewVariable, Delete, Modify };

// NOLINTBEGIN(readability-magic-numbers)
// Small pictures of the tree's nodes and the four buttons.
QImage Draw(Picture picture) {
  QImage image(kGlyph, kGlyph, QImage::Format_RGB32);
  image.fill(kTransparent);
  QPainter p(&image);
  const QColor folder(200, 160, 40), sheet(255, 255, 255), ink(0, 0, 128), red(192, 0, 0);
  auto category = [&](int dx) {
    p.fillRect(1 + dx, 4, 12, 9, folder);
    p.fillRect(1 + dx, 3, 5, 1, folder);
    p.setPen(QColor(120, 90, 0));
    p.drawRect(1 + dx, 4, 11, 8);
  };
  auto variable = [&](int dx) {
    p.fillRect(3 + dx, 1, 9, 13, sheet);
    p.setPen(ink);
    p.drawRect(3 + dx, 1, 8, 12);
    for (int y = 4; y <= 10; y += 3) p.drawLine(5 + dx, y, 9 + dx, y);
  };
  auto plus = [&] {
    p.fillRect(11, 9, 5, 1, QColor(0, 128, 0));
    p.fillRect(13, 7, 1, 5, QColor(0, 128, 0));
  };
  switch (picture) {
    case Picture::Category:
      category(0);
      break;
    case Picture::Variable:
      variable(0);
      break;
    case Picture::NewCategory:
      category(-1);
      plus();
      break;
    case Picture::NewVariable:
      variable(-2);
      plus();
      break;
    case Picture::Delete:
      p.setPen(QPen(red, 2));
      p.drawLine(3, 3, 12, 12);
      p.drawLine(12, 3, 3, 12);
      break;
    case Picture::Modify:
      p.setPen(QPen(ink, 2));
      p.drawLine(3, 12, 12, 3);
      p.fillRect(2, 12, 2, 2, red);
      break;
  }
  return image;
}
// NOLINTEND(readability-magic-numbers)

vcl::TSpeedButton *ToolButton(vcl::TForm *form, int left, Picture picture, const char *hint) {
  auto *button = new vcl::TSpeedButton(form);
  button->SetParent(form);
  button->SetFlat(true);
  button->SetHint(QString::fromUtf8(hint));
  button->SetShowHint(true);
  vcl::TBitmap glyph;
  glyph.SetImage(Draw(picture));
  button->SetGlyph(&glyph);
  constexpr int kTop = 4, kSize = 24;
  button->SetBounds(left, kTop, kSize, kSize);
  return button;
}

}  // namespace

// NOLINTBEGIN(readability-magic-numbers)
TEvForm::TEvForm(vcl::TComponent *owner, TkvReport *report) : vcl::TForm(owner), report_(report) {
  SetupDialog(this, QStringLiteral("Editor di variabili"), 470, 356);

  NewCategory = ToolButton(this, 8, Picture::NewCategory, "Nuova categoria");
  NewVariable = ToolButton(this, 34, Picture::NewVariable, "Nuova variabile");
  DeleteItem = ToolButton(this, 60, Picture::Delete, "Elimina elemento");
  ModifyItem = ToolButton(this, 86, Picture::Modify, "Modifica elemento");
  NewCategory->OnClick = [this](rtl::TObject *) { NewCategoryClick(); };
  NewVariable->OnClick = [this](rtl::TObject *) { NewVariableClick(); };
  DeleteItem->OnClick = [this](rtl::TObject *) { DeleteItemClick(); };
  ModifyItem->OnClick = [this](rtl::TObject *) { ModifyItemClick(); };

  vcl::TBitmap picture;
  picture.SetImage(Draw(Picture::Category));
  images_.AddMasked(&picture, kMaskColor);
  picture.SetImage(Draw(Picture::Variable));
  images_.AddMasked(&picture, kMaskColor);
  VarTree = PlaceControl<vcl::TTreeView>(this, this, 8, 50, 210, 260);
  VarTree->SetImages(&images_);
  Label1 = PlaceLabel(this, this, QStringLiteral("Variabili"), 8, 32, VarTree);
  VarTree->OnChanging = [this](rtl::TObject *, vcl::TTreeNode *node, bool &allow) { VarTreeChanging(node, allow); };
  VarTree->OnChange = [this](rtl::TObject *, vcl::TTreeNode *node) { VarTreeChange(node); };
  VarTree->OnEditing = [this](rtl::TObject *, vcl::TTreeNode *node, bool &allow) { VarTreeEditing(node, allow); };
  VarTree->OnEdited = [this](rtl::TObject *, vcl::TTreeNode *node, QString &text) { VarTreeEdited(node, text); };
  VarTree->OnKeyDown = [this](rtl::TObject *, int &key, vcl::TShiftState shift) { VarTreeKeyDown(key, shift); };

  ValCombo = PlaceControl<vcl::TComboBox>(this, this, 230, 50, 232, 21);
  ValCombo->SetStyle(vcl::csDropDownList);
  ValCombo->OnChange = [this](rtl::TObject *) { ValComboClick(); };
  Label2 = PlaceLabel(this, this, QStringLiteral("Valore"), 230, 32, ValCombo);
  ValList = PlaceControl<vcl::TListBox>(this, this, 230, 76, 232, 170);
  ValList->OnClick = [this](rtl::TObject *) { ValListClick(); };

  Edit1 = PlaceControl<vcl::TEdit>(this, this, 230, 270, 202, 21);
  Edit1->SetMaxLength(kMaxExpression);
  Label3 = PlaceLabel(this, this, QStringLiteral("Espressione"), 230, 252, Edit1);
  BEditor = PlaceButton(this, this, QStringLiteral("..."), 436, 269, 26, 23);
  BEditor->OnClick = [this](rtl::TObject *) { BEditorClick(); };

  const TOkCancel buttons = PlaceOkCancel(this, 304, 322);
  Button1 = buttons.Ok;
  Button2 = buttons.Cancel;
  // OK stores the binding shown first.
  Button1->SetModalResult(vcl::mrNone);
  Button1->OnClick = [this](rtl::TObject *) { Button1Click(); };

  FormCreate();
}
// NOLINTEND(readability-magic-numbers)

void TEvForm::FormCreate() {
  if (report_ != nullptr) list_ = std::make_unique<TkvVariableList>(report_->Variables(), *report_->Values());
  UpdateExpressionState();
  SetButtons();
}

void TEvForm::VarTreeChanging(vcl::TTreeNode *, bool &) {
  // The expression typed for the variable being left is kept.
  if (!building_ && Edit1->Enabled()) StoreBinding();
}

void TEvForm::VarTreeChange(vcl::TTreeNode *) {
  if (building_) return;
  ShowBinding();
  SetButtons();
}

void TEvForm::VarTreeEditing(vcl::TTreeNode *node, bool &allow) {
  // The node's line is the one the new name replaces (the node carries it).
  if (node == nullptr || list_ == nullptr) allow = false;
}

void TEvForm::VarTreeEdited(vcl::TTreeNode *node, QString &text) {
  const int line = static_cast<int>(reinterpret_cast<intptr_t>(node->Data()));
  const QString refused = list_->Rename(line, text);
  if (!refused.isEmpty()) {
    vcl::MessageDlgCaption(refused, QStringLiteral("Attenzione"), vcl::mtWarning, {vcl::mbOK});
    text = node->Text();
    return;
  }
  text = list_->Name(line);
  StoreBinding();
}

TEvForm::~TEvForm() {
  // The tree's nodes go before the images they show.
  building_ = true;
  VarTree->SetImages(nullptr);
}

int TEvForm::SelectedLine() const {
  const vcl::TTreeNode *node = VarTree->Selected();
  return node != nullptr ? static_cast<int>(reinterpret_cast<intptr_t>(node->Data())) : -1;
}

QString TEvForm::ValueText() const {
  const int i = ValList->ItemIndex();
  return i >= 0 ? ValList->Items()->Strings(i) : QString();
}

void TEvForm::FillSources() {
  sources_ = KvListDataSets(report_, TkvDataSetNaming::BareForReportOwner);
  QStringList names = KvDataSetNames(sources_);
  names << KvOtherSource();
  ValCombo->Items()->AssignStrings(names);
}

void TEvForm::ListValues() {
  QStringList values{TkvVariableList::NoValue()};
  const QString source = ValCombo->Text();
  if (source == KvOtherSource())
    values << KvValueKindNames();
  else if (!source.isEmpty())
    values << KvFieldNames(KvDataSetOf(sources_, source));
  ValList->Items()->AssignStrings(values);
}

void TEvForm::ValComboClick() {
  ListValues();
  UpdateExpressionState();
}

void TEvForm::ValListClick() {
  UpdateExpressionState();
  StoreBinding();
}

void TEvForm::UpdateExpressionState() {
  const bool on = list_ != nullptr && list_->IsVariable(SelectedLine()) && ValCombo->Text() == KvOtherSource() &&
                  ValueText() == KvValueKindNames()[vkExpression];
  SetControlsEnabled({Edit1, Label3, BEditor}, on);
  if (!on) Edit1->SetText(QString());
}

void TEvForm::SetButtons() {
  const bool selected = VarTree->Selected() != nullptr;
  NewVariable->SetEnabled(selected);
  DeleteItem->SetEnabled(selected);
  ModifyItem->SetEnabled(selected);
  // Values belong to variables only.
  const bool variable = list_ != nullptr && list_->IsVariable(SelectedLine());
  ValCombo->SetEnabled(variable);
  ValList->SetEnabled(variable);
}

void TEvForm::ShowBinding() {
  const int line = SelectedLine();
  if (list_ != nullptr && list_->IsVariable(line)) {
    const TkvBindingShown shown = list_->Shown(line);
    if (!shown.Source.isEmpty() && shown.Source != ValCombo->Text()) {
      int index = ValCombo->Items()->IndexOf(shown.Source);
      if (index < 0) {
        // A dataset that is not open now: shown as stored.
        index = ValCombo->Items()->Count() - 1;
        ValCombo->Items()->Insert(index, shown.Source);
      }
      ValCombo->SetItemIndex(index);
      ListValues();
    }
    int value = ValList->Items()->IndexOf(shown.Value);
    if (value < 0 && !shown.Value.isEmpty()) value = ValList->Items()->Add(shown.Value);
    ValList->SetItemIndex(value);
    UpdateExpressionState();
    if (Edit1->Enabled()) Edit1->SetText(shown.Expression);
    return;
  }
  UpdateExpressionState();
}

void TEvForm::StoreBinding() {
  if (list_ != nullptr) list_->Store(SelectedLine(), ValCombo->Text(), ValueText(), Edit1->Text());
}

void TEvForm::BuildTree(int line) {
  building_ = true;
  VarTree->Items()->Clear();
  vcl::TTreeNode *select = nullptr;
  for (const TkvVariableList::Category &category : list_->Tree()) {
    vcl::TTreeNode *parent = VarTree->Items()->AddChild(nullptr, category.Name);
    parent->SetImageIndex(kCategoryImage);
    parent->SetData(reinterpret_cast<void *>(intptr_t(category.Line)));
    if (category.Line == line) select = parent;
    for (const TkvVariableList::Variable &v : category.Variables) {
      vcl::TTreeNode *child = VarTree->Items()->AddChild(parent, v.Name);
      child->SetImageIndex(kVariableImage);
      child->SetData(reinterpret_cast<void *>(intptr_t(v.Line)));
      if (v.Line == line) select = child;
    }
  }
  VarTree->FullExpand();
  building_ = false;
  VarTree->SetSelected(select);
  ShowBinding();
  SetButtons();
}

void TEvForm::NewCategoryClick() {
  StoreBinding();
  BuildTree(list_->NewCategory());
}

void TEvForm::NewVariableClick() {
  const int line = SelectedLine();
  if (line < 0) return;
  StoreBinding();
  const int added = list_->NewVariable(line);
  if (added >= 0) BuildTree(added);
}

void TEvForm::DeleteItemClick() {
  const int line = SelectedLine();
  if (line < 0) return;
  if (vcl::MessageDlgCaption(QStringLiteral("Si desidera eliminare l'elemento selezionato?"),
                             QStringLiteral("Attenzione"), vcl::mtConfirmation, {vcl::mbYes, vcl::mbNo},
                             vcl::mbNo) != vcl::mrYes)
    return;
  StoreBinding();
  list_->Delete(line);
  BuildTree(-1);
}

void TEvForm::ModifyItemClick() {
  if (vcl::TTreeNode *node = VarTree->Selected()) node->EditText();
}

void TEvForm::BEditorClick() {
  QString expression = Edit1->Text();
  if (!EditExpression(report_, expression)) return;
  Edit1->SetText(expression.left(kMaxExpression));
  StoreBinding();
}

void TEvForm::Button1Click() {
  StoreBinding();
  SetModalResult(vcl::mrOk);
}

void TEvForm::VarTreeKeyDown(int &key, vcl::TShiftState shift) {
  if (VarTree->IsEditing()) return;
  switch (key) {
    case vcl::VK_INSERT:
      if (shift.Contains(vcl::ssCtrl))
        NewCategoryClick();
      else
        NewVariableClick();
      break;
    case vcl::VK_DELETE:
      DeleteItemClick();
      break;
    case vcl::VK_F2:
      ModifyItemClick();
      break;
    default:
      return;
  }
  key = 0;
}

bool TEvForm::Execute() {
  if (report_ == nullptr) return false;
  // What Cancel puts back.
  rtl::TMemoryStream bindings;
  report_->Values()->WriteBinaryData(bindings);
  rtl::TStringList lines;
  lines.Assign(&report_->Variables());

  FillSources();
  ValCombo->SetItemIndex(ValCombo->Items()->Count() - 1);
  ListValues();
  BuildTree(-1);
  if (ShowModal() == vcl::mrOk) return true;
  bindings.SetPosition(0);
  report_->Values()->ReadBinaryData(bindings);
  report_->Variables().Assign(&lines);
  return false;
}

bool EditVariables(TkvReport *report) {
  TEvForm form(nullptr, report);
  return form.Execute();
}

void KvInstallVariablesEditor() {
  KvRegisterEditor(TkvEditor::Variables, [](TkvEditContext &context) { return EditVariables(context.Report); });
}

}  // namespace report
