// The registry of the designer's editors (see kvdsgneditors.h).
#include "report/designer/kvdsgneditors.h"

#include <array>

#include "report/designer/kvalignform.h"
#include "report/designer/kvbanded.h"
#include "report/designer/kvbandtypes.h"
#include "report/designer/kvcolorsel.h"
#include "report/designer/kvdocopt.h"
#include "report/designer/kvedservices.h"
#include "report/designer/kvevform.h"
#include "report/designer/kvgeditor.h"
#include "report/designer/kvgrouped.h"
#include "report/designer/kvhilight.h"
#include "report/designer/kvmemoed.h"
#include "report/designer/kvpagelist.h"
#include "report/designer/kvpgopt.h"
#include "report/designer/kvwizard.h"

namespace report {

namespace {

std::array<TkvEditorOpener, kvEditorCount> &Openers() {
  static std::array<TkvEditorOpener, kvEditorCount> openers;
  return openers;
}

}  // namespace

void KvRegisterEditor(TkvEditor editor, TkvEditorOpener opener) {
  Openers().at(static_cast<size_t>(editor)) = std::move(opener);
}

bool KvHasEditor(TkvEditor editor) { return static_cast<bool>(Openers().at(static_cast<size_t>(editor))); }

bool KvOpenEditor(TkvEditor editor, TkvEditContext &context) {
  const TkvEditorOpener &opener = Openers().at(static_cast<size_t>(editor));
  return opener && opener(context);
}

TkvMemoEditorClass &KvMemoEditorClass() {
  static TkvMemoEditorClass slot;
  return slot;
}

TkvPaletteClass &KvAlignmentPaletteClass() {
  static TkvPaletteClass slot;
  return slot;
}

void KvInstallDesignerEditors() {
  // One line per editor unit: its install function registers its openers
  // (and the window classes above) here.
  KvInstallDocumentOptions();
  KvInstallVariablesEditor();
  KvInstallEditorServices();
  KvInstallHighlightEditor();
  KvInstallMemoEditor();
  KvInstallPictureEditor();
  KvInstallColorPicker();
  KvInstallPageListEditor();
  KvInstallPageOptionsEditor();
  KvInstallBandSourceEditor();
  KvInstallGroupEditor();
  KvInstallBandTypeChooser();
  KvInstallReportWizard();
  KvInstallAlignmentPalette();
}

}  // namespace report
