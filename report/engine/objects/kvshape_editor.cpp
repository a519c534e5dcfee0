// The shape editor "Tipo di forma" (see kvshape_editor.h).
#include "report/engine/objects/kvshape_editor.h"

#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls.h"

namespace report {

TKvShapeEditor::TKvShapeEditor(vcl::TComponent *owner) : TkvObjEditorForm(owner) {
  SetCaption(QStringLiteral("Tipo di forma"));
  SetBorderStyle(vcl::bsDialog);
  SetPosition(vcl::poScreenCenter);
  SetBounds(0, 0, 300, 250);

  kinds_ = new vcl::TRadioGroup(this);
  kinds_->SetParent(this);
  kinds_->SetCaption(QStringLiteral("Tipo"));
  kinds_->SetBounds(10, 8, 272, 140);
  for (const char *item :
       {"Ellisse", "Rettangolo", "Rettangolo arrotondato", "Linea del primo tipo", "Linea del secondo tipo"}) {
    kinds_->Items()->Add(QString::fromLatin1(item));
  }

  transparent_ = new vcl::TCheckBox(this);
  transparent_->SetParent(this);
  transparent_->SetCaption(QStringLiteral("Trasparente"));
  transparent_->SetBounds(14, 156, 200, 20);

  ok_ = new vcl::TButton(this);
  ok_->SetParent(this);
  ok_->SetCaption(QStringLiteral("&OK"));
  ok_->SetDefault(true);
  ok_->SetModalResult(vcl::mrOk);
  ok_->SetBounds(110, 186, 82, 27);
  cancel_ = new vcl::TButton(this);
  cancel_->SetParent(this);
  cancel_->SetCaption(QStringLiteral("&Annulla"));
  cancel_->SetCancel(true);
  cancel_->SetModalResult(vcl::mrCancel);
  cancel_->SetBounds(200, 186, 82, 27);
}

bool TKvShapeEditor::ShowEditor(TkvView *view) {
  auto *shape = dynamic_cast<TkvShapeView *>(view);
  if (shape == nullptr) return false;
  kinds_->SetItemIndex(shape->ShapeType <= skDiagonalUp ? shape->ShapeType : 0);
  transparent_->SetChecked(shape->Transparent);
  if (ShowModal() != vcl::mrOk) return false;
  if (kinds_->ItemIndex() >= 0) shape->ShapeType = std::uint8_t(kinds_->ItemIndex());
  shape->Transparent = transparent_->Checked();
  return true;
}

bool EditShape(TkvView *view) {
  TKvShapeEditor editor(nullptr);
  return editor.ShowEditor(view);
}

}  // namespace report
