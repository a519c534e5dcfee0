// The page options dialog "Opzioni di pagina" of a template page: paper
// and orientation, margins, the page options of preparation (print on the
// previous page, header on the first page...), columns and the page's
// scale. Sizes are shown in whole millimetres; the page keeps pixels (96
// per inch) and its paper in tenths of a millimetre.
//
// TkvPageOptions is what the dialog shows, read from a page and written
// back into it; TPgoptForm loads it into its controls and stores it back,
// refusing with a message (the dialog staying open) a value that is not a
// number in its range. EditPageOptions runs the whole dialog on a page.
#pragma once

#include <QString>

#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"
#include "report/designer/kveditctl.h"

namespace report {

class TkvPage;

// Pixels in a millimetre at 96 pixels per inch (794 for 210 mm).
inline constexpr double kvPixelsPerMm = 3.7809523809523809524;

struct TkvPageOptions {
  // What a new page has (A4, full scale); FromPage reads a page's own.
  static constexpr int kDefaultPaper = 9;
  static constexpr int kFullScale = 100;

  int PaperCode = kDefaultPaper;
  int WidthMm = 0;  // the custom size (paper code 256), portrait
  int HeightMm = 0;
  int Orientation = 0;    // 0 "Verticale", 1 "Orizzontale"
  int MarginsMm[4] = {};  // left, top, right, bottom
  bool MarginsUnused = false;
  bool PrintOnPreviousPage = false;
  bool HeaderOnFirstPage = true;
  bool FooterOnLastPage = true;
  bool RepeatTableHeader = false;
  int Columns = 1;
  int ColumnGapMm = 0;
  int ScaleX = kFullScale;  // percent
  int ScaleY = kFullScale;

  static TkvPageOptions FromPage(const TkvPage &page);
  // Writes the options into the page, which then takes its paper from the
  // printer settings.
  void ApplyTo(TkvPage &page) const;
};

class TPgoptForm : public vcl::TForm {
  ORBISCA_CLASS(TPgoptForm, vcl::TForm)

 public:
  explicit TPgoptForm(vcl::TComponent *owner);

  void Load(const TkvPageOptions &options);
  // Empty when every field holds (and `options` has them); otherwise the
  // message for the user, `options` unchanged and the field focused.
  QString Store(TkvPageOptions &options);

  // The paper code of the chosen list entry (-1 when none).
  int ChosenPaperCode() const;
  // Orientation picture, custom-size and margin boxes brought up to date.
  void UpdateControls();

  vcl::TPageControl *Pages = nullptr;
  vcl::TRadioButton *Portrait = nullptr;
  vcl::TRadioButton *Landscape = nullptr;
  vcl::TImage *OrientationImage = nullptr;
  vcl::TComboBox *PaperList = nullptr;
  vcl::TEdit *WidthEdit = nullptr;
  vcl::TEdit *HeightEdit = nullptr;
  vcl::TLabel *WidthLabel = nullptr;
  vcl::TLabel *HeightLabel = nullptr;
  vcl::TEdit *MarginEdits[4] = {};  // left, top, right, bottom
  vcl::TLabel *MarginLabels[4] = {};
  vcl::TCheckBox *MarginsUnused = nullptr;
  vcl::TCheckBox *PrintOnPreviousPage = nullptr;
  vcl::TCheckBox *HeaderOnFirstPage = nullptr;
  vcl::TCheckBox *FooterOnLastPage = nullptr;
  vcl::TCheckBox *RepeatTableHeader = nullptr;
  vcl::TEdit *ColumnsEdit = nullptr;
  vcl::TEdit *ColumnGapEdit = nullptr;
  vcl::TEdit *ScaleXEdit = nullptr;
  vcl::TEdit *ScaleYEdit = nullptr;
  TOkCancel Buttons;

 protected:
  void DoShow() override;

 private:
  void BuildPaperPage();
  void BuildMarginsPage();
  void BuildOptionsPage();
  void BuildScalePage();
  void DrawOrientation();
};

// The dialog on a page: true when the user confirmed and the page took
// the new options.
bool EditPageOptions(TkvPage *page);

// Registers the dialog as the designer's page options editor.
void KvInstallPageOptionsEditor();

}  // namespace report
