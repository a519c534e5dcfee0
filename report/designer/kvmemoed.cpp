// The text editor of a report object (see kvmemoed.h).
#include "report/designer/kvmemoed.h"

#include "platform/vcl/messages.h"
#include "report/designer/kvdesigner.h"
#include "report/designer/kvdsgneditors.h"
#include "report/designer/kvexpred.h"
#include "report/designer/kvfmtform.h"
#include "report/designer/kvhilight.h"
#include "report/designer/kvpickers.h"
#include "report/engine/model/kvclass.h"

namespace report {

namespace {

// NOLINTBEGIN(readability-magic-numbers)
constexpr int kWidth = 470;
constexpr int kHeight = 300;
constexpr int kButtonLeft = kWidth - 112;
constexpr int kButtonWidth = 104;
// NOLINTEND(readability-magic-numbers)

vcl::TBitBtn *PlaceBitBtn(vcl::TForm *form, const QString &caption, int top) {
  auto *button = PlaceControl<vcl::TBitBtn>(form, form, kButtonLeft, top, kButtonWidth, kvButtonHeight);
  button->SetCaption(caption);
  return button;
}

}  // namespace

TEditorForm::TEditorForm(vcl::TComponent *owner)
    : TPropEditor(owner), scratch_(std::make_unique<TkvMemoView>(nullptr)) {
  // NOLINTBEGIN(readability-magic-numbers)
  SetupDialog(this, QStringLiteral("Editor di testo"), kWidth, kHeight);
  SetKeyPreview(true);
  M1 = PlaceControl<vcl::TMemo>(this, this, 8, 8, kButtonLeft - 16, kHeight - 16);
  M1->SetScrollBars(vcl::ssBoth);
  M1->SetWordWrap(false);
  Button1 = PlaceButton(this, this, QStringLiteral("&OK"), kButtonLeft, 8, kButtonWidth);
  Button1->SetModalResult(vcl::mrOk);
  Button2 = PlaceButton(this, this, QStringLiteral("&Annulla"), kButtonLeft, 38, kButtonWidth);
  Button2->SetCancel(true);
  Button2->SetModalResult(vcl::mrCancel);
  Button3 = PlaceButton(this, this, QStringLiteral("&Variabile"), kButtonLeft, 84, kButtonWidth);
  Button4 = PlaceButton(this, this, QStringLiteral("&Campo DB"), kButtonLeft, 114, kButtonWidth);
  Button5 = PlaceButton(this, this, QStringLiteral("&Espressione"), kButtonLeft, 144, kButtonWidth);
  BitBtn1 = PlaceBitBtn(this, QStringLiteral("&Formatta"), 190);
  BitBtn2 = PlaceBitBtn(this, QStringLiteral("Evi&denzia"), 220);
  // NOLINTEND(readability-magic-numbers)

  Button3->OnClick = [this](rtl::TObject *) { InsertVariable(); };
  Button4->OnClick = [this](rtl::TObject *) { InsertField(); };
  Button5->OnClick = [this](rtl::TObject *) { InsertExpression(); };
  BitBtn1->OnClick = [this](rtl::TObject *) { EditFormat(); };
  BitBtn2->OnClick = [this](rtl::TObject *) { EditHighlight(); };
  // Insert alone picks a variable; Shift+Insert still pastes.
  M1->OnKeyDown = [this](rtl::TObject *, int &key, vcl::TShiftState shift) {
    if (key == vcl::VK_INSERT && shift.Empty()) {
      key = 0;
      InsertVariable();
    }
  };
  // Ctrl+Enter anywhere confirms.
  OnKeyDown = [this](rtl::TObject *, int &key, vcl::TShiftState shift) {
    if (key == vcl::VK_RETURN && shift.Contains(vcl::ssCtrl)) {
      key = 0;
      SetModalResult(vcl::mrOk);
    }
  };
  HandleNeeded();
}

TEditorForm::~TEditorForm() = default;

int TEditorForm::ShowEditor() {
  if (View() == nullptr) return vcl::mrCancel;
  LoadFromView();
  const int result = ShowModal();
  if (result == vcl::mrOk) ApplyToView();
  return result;
}

void TEditorForm::LoadFromView() {
  if (View() == nullptr) return;
  M1->Lines()->Assign(&View()->Memo);
  auto *memo = dynamic_cast<TkvMemoView *>(View());
  if (memo != nullptr) scratch_->Assign(memo);
  BitBtn1->SetEnabled(memo != nullptr);
  BitBtn2->SetEnabled(memo != nullptr);
  FocusIfShown(M1);
}

void TEditorForm::ApplyToView() {
  if (View() == nullptr) return;
  if (auto *memo = dynamic_cast<TkvMemoView *>(View())) {
    scratch_->Memo.Assign(M1->Lines());
    memo->Assign(scratch_.get());
  } else {
    View()->Memo.Assign(M1->Lines());
  }
}

void TEditorForm::InsertText(const QString &text) {
  if (text.isEmpty()) return;
  M1->SetSelText(text);
}

void TEditorForm::InsertVariable() {
  const QString variable = PickVariable(View() != nullptr ? View()->Report : nullptr);
  if (!variable.isEmpty()) InsertText(u'[' + variable + u']');
  FocusIfShown(M1);
}

void TEditorForm::InsertField() {
  const QString field = PickField(View() != nullptr ? View()->Report : nullptr);
  if (!field.isEmpty()) InsertText(u'[' + field + u']');
  FocusIfShown(M1);
}

void TEditorForm::InsertExpression() {
  QString expression;
  if (report::EditExpression(View() != nullptr ? View()->Report : nullptr, expression) && !expression.isEmpty())
    InsertText(u'[' + expression + u']');
  FocusIfShown(M1);
}

void TEditorForm::EditFormat() {
  std::int32_t format = scratch_->Format;
  QString text = scratch_->FormatStr;
  if (!report::EditFormat(format, text)) return;
  scratch_->Format = format;
  scratch_->FormatStr = text;
}

void TEditorForm::EditHighlight() {
  // The condition's expression editor lists the object's report.
  TkvReport *report = View() != nullptr ? View()->Report : nullptr;
  THilightForm form(nullptr, report);
  form.Load(TkvHighlight::Of(*scratch_));
  if (form.ShowModal() == vcl::mrOk) form.Highlight().ApplyTo(*scratch_);
}

bool EditMemoText(TkvView *view) {
  TEditorForm form(nullptr);
  form.SetView(view);
  return form.ShowEditor() == vcl::mrOk;
}

void KvInstallMemoEditor() {
  KvMemoEditorClass() = [](TKVDesignerForm *designer) -> TPropEditor * { return new TEditorForm(designer); };
}

}  // namespace report
