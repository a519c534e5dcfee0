// The picture editor "Immagine" of a picture object: "&Carica..." loads a
// picture file (bitmap, icon, enhanced metafile, JPEG), "&Svuota" clears
// it, and the boxes "Adattato", "Centra immagine" and "Mantieni le
// proporzioni" set how it is drawn; the preview shows the result. The
// editor works on a copy of the object; OK gives it back.
#pragma once

#include <QString>
#include <memory>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "report/designer/kveditctl.h"
#include "report/engine/model/kvclass.h"

namespace report {

class TGEditorForm : public vcl::TForm {
  ORBISCA_CLASS(TGEditorForm, vcl::TForm)

 public:
  explicit TGEditorForm(vcl::TComponent *owner);
  ~TGEditorForm() override;

  // The copy being edited takes the object's picture and drawing options.
  void SetPicture(const TkvPictureView *view);
  // The object takes the edited picture and options back.
  void ApplyTo(TkvPictureView *view) const;
  const TkvPictureView &Edited() const { return *edited_; }

  // Reads a picture file into the copy; a file that is no picture is
  // reported and changes nothing (false).
  bool LoadFile(const QString &file_name);
  void ClearPicture();

  vcl::TPanel *Frame = nullptr;
  vcl::TImage *Preview = nullptr;
  vcl::TButton *LoadButton = nullptr;
  vcl::TButton *ClearButton = nullptr;
  vcl::TCheckBox *Stretched = nullptr;
  vcl::TCheckBox *Centered = nullptr;
  vcl::TCheckBox *KeepRatio = nullptr;
  TOkCancel Buttons;

  // The load dialog's title and filter.
  static QString LoadTitle() { return QStringLiteral("Carica immagine"); }
  static QString LoadFilter();

 private:
  void ShowPreview();
  void FlagsChanged();

  std::unique_ptr<TkvPictureView> edited_;
  bool showing_ = false;
};

// The editor on a picture object; true when the user confirmed and the
// object took the new picture.
bool EditPicture(TkvPictureView *view);

// Registers the editor as the designer's picture editor.
void KvInstallPictureEditor();

}  // namespace report
