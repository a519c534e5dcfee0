// The object inspector (see kvinsp.h).
#include "report/designer/kvinsp.h"

#include <algorithm>

#include "platform/vcl/messages.h"

namespace report {

namespace {

constexpr int kMaxValue = 255;
constexpr int kButtonWidth = 16;
constexpr vcl::TColor kValueColor = 0x800000;  // navy
constexpr int kTextLeft = 7;
constexpr int kFontSize = 8;
constexpr int kInitialWidth = 180;
constexpr int kInitialHeight = 160;
constexpr int kRowPadding = 5;
constexpr int kEditorRowRoom = 19;  // the button and its gap
constexpr int kValueRowRoom = 4;

}  // namespace

// ---------------------------------------------------------------------------
// TInspGrid

TInspGrid::TInspGrid(TInspForm *inspector) : vcl::TCustomControl(inspector), inspector_(inspector) {
  SetName(QStringLiteral("PaintBox1"));
}

void TInspGrid::Paint() {
  const int w = std::max(1, Width()), h = std::max(1, Height());
  offscreen_.SetSize(w, h);
  vcl::TCanvas *c = offscreen_.Canvas();
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(vcl::clBtnFace);
  c->FillRect(vcl::Rect(0, 0, w, h));
  vcl::TRect edge = vcl::Rect(0, 0, w, h);
  vcl::DrawEdge(c, edge, vcl::EDGE_SUNKEN, vcl::BF_RECT);
  c->Font()->SetName(QStringLiteral("MS Sans Serif"));
  c->Font()->SetSize(kFontSize);
  const int rh = inspector_->RowHeight();
  const int name_width = inspector_->NameWidth();
  for (int i = 0; i < inspector_->RowCount(); ++i) {
    const TProp *prop = inspector_->Row(i);
    if (prop == nullptr || !prop->Enabled) continue;
    const int top = i * (rh + 1);
    vcl::TRect row = vcl::Rect(2, top + 1, w - 2, top + rh + 1);
    if (i == inspector_->SelectedRow()) vcl::DrawEdge(c, row, vcl::BDR_SUNKENOUTER, vcl::BF_RECT);
    c->Pen()->SetColor(vcl::clBtnShadow);
    c->MoveTo(2, top + rh + 1);
    c->LineTo(w - 2, top + rh + 1);
    c->Pen()->SetColor(vcl::clBtnHighlight);
    c->MoveTo(name_width, top + 1);
    c->LineTo(name_width, top + rh + 1);
    c->Brush()->SetStyle(vcl::bsClear);
    c->Font()->SetColor(vcl::clBlack);
    const int text_top = top + 1 + (rh - c->TextHeight(QStringLiteral("Wg"))) / 2;
    c->TextRect(vcl::Rect(kTextLeft, top + 1, name_width - 1, top + rh), kTextLeft, text_top, inspector_->RowName(i));
    c->Font()->SetColor(kValueColor);
    const QString value = prop->Kind == kvPropEditorForm
                              ? QStringLiteral("(") + inspector_->RowName(i) + QStringLiteral(")")
                              : prop->Value;
    c->TextRect(vcl::Rect(name_width + 2, top + 1, w - 3, top + rh), name_width + 2, text_top, value);
  }
  Canvas()->Draw(0, 0, &offscreen_);
}

void TInspGrid::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  vcl::TCustomControl::MouseDown(button, shift, x, y);
  if (button != vcl::mbLeft) return;
  inspector_->SelectRow(y / (inspector_->RowHeight() + 1));
}

// ---------------------------------------------------------------------------
// TInspForm

TInspForm::TInspForm(vcl::TComponent *owner) : vcl::TForm(owner) {
  SetName(QStringLiteral("InspForm"));
  SetCaption(QStringLiteral("Controllo oggetto"));
  SetBorderStyle(vcl::bsSizeToolWin);
  SetBounds(0, 0, kInitialWidth, kInitialHeight);
  Font()->SetName(QStringLiteral("MS Sans Serif"));
  Font()->SetSize(kFontSize);

  Objects = new vcl::TComboBox(this);
  Objects->SetName(QStringLiteral("Objects"));
  Objects->SetParent(this);
  Objects->SetStyle(vcl::csDropDownList);
  Objects->SetAlign(vcl::alTop);
  Objects->OnChange = [this](rtl::TObject *) {
    const int i = Objects->ItemIndex();
    if (i >= 0 && OnObjectChosen) OnObjectChosen(Objects->Items()->Strings(i));
  };

  Panel1 = new vcl::TPanel(this);
  Panel1->SetName(QStringLiteral("Panel1"));
  Panel1->SetParent(this);
  Panel1->SetBevelOuter(vcl::bvNone);
  Panel1->SetCaption(QString());
  Panel1->SetAlign(vcl::alClient);

  PaintBox1 = new TInspGrid(this);
  PaintBox1->SetParent(Panel1);
  PaintBox1->SetAlign(vcl::alClient);

  Edit1 = new vcl::TEdit(this);
  Edit1->SetName(QStringLiteral("Edit1"));
  Edit1->SetParent(Panel1);
  Edit1->SetBorderStyle(vcl::bsNone);
  Edit1->SetMaxLength(kMaxValue);
  Edit1->SetVisible(false);
  Edit1->OnKeyDown = [this](rtl::TObject *, int &key, vcl::TShiftState shift) { EditKeyDown(key, shift); };
  Edit1->OnExit = [this](rtl::TObject *) { Commit(); };
  Edit1->OnDblClick = [this](rtl::TObject *) {
    if (selected_ >= 0 && rows_[size_t(selected_)].prop->Kind == kvPropEditorForm) OpenEditor();
  };

  SpeedButton1 = new vcl::TSpeedButton(this);
  SpeedButton1->SetName(QStringLiteral("SpeedButton1"));
  SpeedButton1->SetParent(Panel1);
  SpeedButton1->SetCaption(QStringLiteral("..."));
  SpeedButton1->SetVisible(false);
  SpeedButton1->OnClick = [this](rtl::TObject *) { OpenEditor(); };

  SetKeyPreview(true);
  OnKeyDown = [this](rtl::TObject *, int &key, vcl::TShiftState shift) {
    if (key >= vcl::VK_F1 && key <= vcl::VK_F12 && OnFunctionKey) {
      OnFunctionKey(key, shift);
      key = 0;
    }
  };
  FitHeight();
}

TInspForm::~TInspForm() = default;

int TInspForm::RowHeight() const { return std::abs(Font()->Height()) + kRowPadding; }

void TInspForm::AddRow(const QString &name, std::unique_ptr<TProp> prop) {
  if (prop == nullptr) prop = std::make_unique<TProp>();
  prop->Value = prop->Value.left(kMaxValue);
  rows_.push_back(RowEntry{name, std::move(prop)});
  FitHeight();
  PaintBox1->Invalidate();
}

void TInspForm::ClearRows() {
  rows_.clear();
  selected_ = -1;
  Edit1->SetVisible(false);
  SpeedButton1->SetVisible(false);
  FitHeight();
  PaintBox1->Invalidate();
}

QString TInspForm::RowName(int index) const {
  return index >= 0 && index < RowCount() ? rows_[size_t(index)].name : QString();
}

TProp *TInspForm::Row(int index) const {
  return index >= 0 && index < RowCount() ? rows_[size_t(index)].prop.get() : nullptr;
}

void TInspForm::SetRowEnabled(int index, bool enabled) {
  TProp *prop = Row(index);
  if (prop == nullptr || prop->Enabled == enabled) return;
  prop->Enabled = enabled;
  if (!enabled && index == selected_) {
    selected_ = -1;
    Edit1->SetVisible(false);
    SpeedButton1->SetVisible(false);
  }
  PaintBox1->Invalidate();
}

void TInspForm::SetRowValue(int index, const QString &value) {
  TProp *prop = Row(index);
  if (prop == nullptr) return;
  prop->Value = value.left(kMaxValue);
  if (index == selected_ && prop->Kind == kvPropInPlace) {
    Edit1->SetText(prop->Value);
    Edit1->SelectAll();
    Edit1->SetModified(false);
    typed_from_ = prop->Value;
  }
  PaintBox1->Invalidate();
}

QString TInspForm::RowValue(int index) const {
  const TProp *prop = Row(index);
  return prop != nullptr ? prop->Value : QString();
}

void TInspForm::SelectRow(int index) {
  if (rows_.empty()) return;
  index = std::clamp(index, 0, RowCount() - 1);
  if (!rows_[size_t(index)].prop->Enabled) return;
  if (selected_ >= 0 && selected_ != index) Commit();
  selected_ = index;
  PlaceEditor();
  FillEditor();
  PaintBox1->Invalidate();
}

void TInspForm::SelectFirstEnabled() {
  for (int i = 0; i < RowCount(); ++i) {
    if (rows_[size_t(i)].prop->Enabled) {
      SelectRow(i);
      return;
    }
  }
}

void TInspForm::PlaceEditor() {
  if (selected_ < 0) {
    Edit1->SetVisible(false);
    SpeedButton1->SetVisible(false);
    return;
  }
  const bool form_row = rows_[size_t(selected_)].prop->Kind == kvPropEditorForm;
  const int rh = RowHeight();
  const int top = selected_ * (rh + 1) + 1;
  const int grid_width = PaintBox1->Width();
  Edit1->SetBounds(kNameWidth + 2, top + 1, grid_width - kNameWidth - (form_row ? kEditorRowRoom : kValueRowRoom),
                   rh - 1);
  Edit1->SetVisible(true);
  SpeedButton1->SetBounds(grid_width - kButtonWidth, top, kButtonWidth, rh);
  SpeedButton1->SetVisible(form_row);
}

void TInspForm::FillEditor() {
  const TProp *prop = rows_[size_t(selected_)].prop.get();
  const bool form_row = prop->Kind == kvPropEditorForm;
  Edit1->SetReadOnly(form_row);
  Edit1->SetText(form_row ? QStringLiteral("(") + rows_[size_t(selected_)].name + QStringLiteral(")") : prop->Value);
  Edit1->SelectAll();
  Edit1->SetModified(false);
  typed_from_ = prop->Value;
  if (Active() && Edit1->CanFocus()) Edit1->SetFocus();
}

void TInspForm::Commit() {
  if (selected_ < 0 || selected_ >= RowCount()) return;
  TProp *prop = rows_[size_t(selected_)].prop.get();
  if (prop->Kind != kvPropInPlace || !Edit1->Modified()) return;
  QString value = Edit1->Text().left(kMaxValue);
  prop->Value = value;
  // Unmodified before the designer is told: a message box it shows takes
  // the focus, and that exit must not commit the same text again.
  Edit1->SetModified(false);
  const int row = selected_;
  if (OnValueChanged) OnValueChanged(row, value);
  if (row != selected_) return;
  prop->Value = value.left(kMaxValue);
  Edit1->SetText(prop->Value);
  Edit1->SelectAll();
  Edit1->SetModified(false);
  typed_from_ = prop->Value;
  PaintBox1->Invalidate();
}

void TInspForm::OpenEditor() {
  if (selected_ < 0) return;
  TProp *prop = rows_[size_t(selected_)].prop.get();
  if (prop->Kind != kvPropEditorForm || prop->Editor == nullptr || !prop->Enabled) return;
  prop->Editor->SetView(CurrentObject ? CurrentObject() : nullptr);
  if (prop->Editor->ShowEditor() != vcl::mrOk) return;
  QString empty;
  if (OnValueChanged) OnValueChanged(selected_, empty);
}

void TInspForm::EditKeyDown(int &key, vcl::TShiftState) {
  switch (key) {
    case vcl::VK_UP:
      if (selected_ > 0) SelectRow(selected_ - 1);
      key = 0;
      break;
    case vcl::VK_DOWN:
      if (selected_ >= 0 && selected_ < RowCount() - 1) SelectRow(selected_ + 1);
      key = 0;
      break;
    case vcl::VK_RETURN:
      if (selected_ >= 0 && rows_[size_t(selected_)].prop->Kind == kvPropEditorForm)
        OpenEditor();
      else
        Commit();
      key = 0;
      break;
    case vcl::VK_ESCAPE:
      Edit1->SetText(typed_from_);
      Edit1->SelectAll();
      Edit1->SetModified(false);
      key = 0;
      break;
    default:
      break;
  }
}

void TInspForm::AddObjectName(const QString &name) { Objects->Items()->Add(name); }

void TInspForm::RemoveObjectName(const QString &name) {
  const int i = Objects->Items()->IndexOf(name);
  if (i >= 0) Objects->Items()->Delete(i);
}

void TInspForm::ClearObjectNames() { Objects->Items()->Clear(); }

void TInspForm::SelectObjectName(const QString &name) { Objects->SetItemIndex(Objects->Items()->IndexOf(name)); }

void TInspForm::Deactivate() {
  Commit();
  vcl::TForm::Deactivate();
}

void TInspForm::Resize() {
  vcl::TForm::Resize();
  // Whatever gave the window its size (the user, a placement kept from an
  // earlier session), its height stays the one that shows every row.
  FitHeight();
  if (Edit1 != nullptr) PlaceEditor();
}

int TInspForm::FittingClientHeight() const {
  // The grid's rows each with its separator line, and the grid's border.
  return Objects->Height() + RowCount() * (RowHeight() + 1) + 4;
}

void TInspForm::FitHeight() {
  if (fitting_ || Objects == nullptr) return;
  fitting_ = true;
  SetClientHeight(FittingClientHeight());
  fitting_ = false;
}

}  // namespace report
