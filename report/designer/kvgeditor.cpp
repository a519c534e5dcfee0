// The picture editor (see kvgeditor.h).
#include "report/designer/kvgeditor.h"

#include <QFile>
#include <QFileInfo>

#include "platform/rtl/exceptions.h"
#include "platform/vcl/dialogs.h"
#include "report/designer/kvdsgneditors.h"
#include "report/engine/model/kvglobals.h"

namespace report {

namespace {

// NOLINTBEGIN(readability-magic-numbers)
constexpr int kPreviewWidth = 240;
constexpr int kPreviewHeight = 180;
// NOLINTEND(readability-magic-numbers)

}  // namespace

QString TGEditorForm::LoadFilter() {
  return QStringLiteral(
      "File immagine (*.bmp *.ico *.wmf *.emf *.jpg *.jpeg)|*.bmp;*.ico;*.wmf;*.emf;*.jpg;*.jpeg|Tutti i files|*.*");
}

TGEditorForm::TGEditorForm(vcl::TComponent *owner)
    : vcl::TForm(owner), edited_(std::make_unique<TkvPictureView>(nullptr)) {
  // NOLINTBEGIN(readability-magic-numbers)
  SetupDialog(this, QStringLiteral("Immagine"), 420, 238);
  Frame = PlaceControl<vcl::TPanel>(this, this, 8, 8, kPreviewWidth + 4, kPreviewHeight + 4);
  Frame->SetBevelOuter(vcl::bvLowered);
  Preview = PlaceControl<vcl::TImage>(Frame, this, 2, 2, kPreviewWidth, kPreviewHeight);
  LoadButton = PlaceButton(this, this, QStringLiteral("&Carica..."), 262, 8, 100);
  ClearButton = PlaceButton(this, this, QStringLiteral("&Svuota"), 262, 40, 100);
  Stretched = PlaceControl<vcl::TCheckBox>(this, this, 262, 80, 150, 20);
  Stretched->SetCaption(QStringLiteral("Adattato"));
  Centered = PlaceControl<vcl::TCheckBox>(this, this, 262, 104, 150, 20);
  Centered->SetCaption(QStringLiteral("Centra immagine"));
  KeepRatio = PlaceControl<vcl::TCheckBox>(this, this, 262, 128, 150, 20);
  KeepRatio->SetCaption(QStringLiteral("Mantieni le proporzioni"));
  Buttons = PlaceOkCancel(this, 254, 204);
  // NOLINTEND(readability-magic-numbers)

  LoadButton->OnClick = [this](rtl::TObject *) {
    vcl::TOpenDialog dialog;
    dialog.SetTitle(LoadTitle());
    dialog.SetFilter(LoadFilter());
    dialog.SetOptions(dialog.Options() + vcl::ofFileMustExist);
    if (dialog.Execute()) LoadFile(dialog.FileName());
  };
  ClearButton->OnClick = [this](rtl::TObject *) { ClearPicture(); };
  for (vcl::TCheckBox *box : {Stretched, Centered, KeepRatio})
    box->OnClick = [this](rtl::TObject *) { FlagsChanged(); };
  HandleNeeded();
  SetPicture(edited_.get());
}

TGEditorForm::~TGEditorForm() = default;

void TGEditorForm::SetPicture(const TkvPictureView *view) {
  if (view == nullptr) return;
  if (view != edited_.get()) edited_->Assign(view);
  showing_ = true;
  Stretched->SetChecked(edited_->Flags & flStretched);
  Centered->SetChecked(edited_->Flags & flPictCenter);
  KeepRatio->SetChecked(edited_->Flags & flPictRatio);
  showing_ = false;
  ShowPreview();
}

void TGEditorForm::ApplyTo(TkvPictureView *view) const {
  if (view == nullptr) return;
  view->Picture.Assign(&edited_->Picture);
  view->StreamGraphic.reset();
  if (edited_->Picture.Graphic() == nullptr && edited_->StreamGraphic) {
    // A metafile: the picture holder keeps none, the object's own slot does.
    TkvPictureView copy(nullptr);
    copy.Assign(edited_.get());
    view->StreamGraphic = std::move(copy.StreamGraphic);
  }
  const std::uint16_t mine = flStretched | flPictCenter | flPictRatio;
  view->Flags = std::uint16_t((view->Flags & ~mine) | (edited_->Flags & mine));
}

bool TGEditorForm::LoadFile(const QString &file_name) {
  QFile file(file_name);
  QString reason;
  std::unique_ptr<vcl::TGraphic> graphic;
  if (!file.open(QIODevice::ReadOnly)) {
    reason = file.errorString();
  } else {
    try {
      graphic = vcl::TPicture::GraphicFromBytes(file.readAll());
    } catch (const rtl::Exception &) {
      reason = QStringLiteral("Formato immagine sconosciuto.");
    }
  }
  if (!graphic || graphic->Empty()) {
    if (reason.isEmpty()) reason = QStringLiteral("Formato immagine sconosciuto.");
    vcl::MessageDlg(QStringLiteral("Non è stato possibile caricare l'immagine \"%1\".\n%2")
                        .arg(QFileInfo(file_name).fileName(), reason),
                    vcl::mtError, vcl::TMsgDlgButtons{vcl::mbOK});
    return false;
  }
  if (TkvPictureView::KindOf(graphic.get()) == pkMetafile) {
    edited_->Picture.SetGraphic(nullptr);
    edited_->StreamGraphic = std::move(graphic);
  } else {
    edited_->Picture.SetGraphic(graphic.get());
    edited_->StreamGraphic.reset();
  }
  ShowPreview();
  return true;
}

void TGEditorForm::ClearPicture() {
  edited_->Picture.SetGraphic(nullptr);
  edited_->StreamGraphic.reset();
  ShowPreview();
}

void TGEditorForm::FlagsChanged() {
  if (showing_) return;
  std::uint16_t flags = edited_->Flags & ~(flStretched | flPictCenter | flPictRatio);
  if (Stretched->Checked()) flags |= flStretched;
  if (Centered->Checked()) flags |= flPictCenter;
  if (KeepRatio->Checked()) flags |= flPictRatio;
  edited_->Flags = flags;
  ShowPreview();
}

void TGEditorForm::ShowPreview() {
  // The copy draws itself as the design surface shows it, in the preview's
  // size, so the options look as they will.
  TkvEngineStateGuard engine;
  kvEngine().DrawMode = kvDrawDesign;
  TkvPictureView sample(nullptr);
  sample.Assign(edited_.get());
  sample.x = 0;
  sample.y = 0;
  sample.dx = kPreviewWidth - 1;
  sample.dy = kPreviewHeight - 1;
  sample.ClearAllFrames();
  sample.FillColor = vcl::clWhite;
  sample.Visible = true;
  vcl::TBitmap *bitmap = Preview->Picture()->Bitmap();
  bitmap->SetSize(kPreviewWidth, kPreviewHeight);
  vcl::TCanvas *canvas = bitmap->Canvas();
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(vcl::clWhite);
  canvas->FillRect(vcl::Rect(0, 0, kPreviewWidth, kPreviewHeight));
  sample.Draw(canvas);
  Preview->Invalidate();
}

bool EditPicture(TkvPictureView *view) {
  if (view == nullptr) return false;
  TGEditorForm form(nullptr);
  form.SetPicture(view);
  if (form.ShowModal() != vcl::mrOk) return false;
  form.ApplyTo(view);
  return true;
}

void KvInstallPictureEditor() {
  KvRegisterEditor(TkvEditor::Picture,
                   [](TkvEditContext &context) { return EditPicture(dynamic_cast<TkvPictureView *>(context.View)); });
}

}  // namespace report
