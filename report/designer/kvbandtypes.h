// The band-type chooser "Inserisci nuova banda" that asks the type of a
// band being inserted on a page: one button per band type, the types that
// may stand once on a page disabled when the page already has one.
#pragma once

#include <vector>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "report/designer/kveditctl.h"

namespace report {

class TkvPage;

// Whether a band of that type may still be put on the page: data bands
// (5, 8, 11), group headers and footers (16, 17) always, any other type
// only when the page has none yet.
bool KvBandTypeAvailable(const TkvPage &page, int band_type);

class TBandTypesForm : public vcl::TForm {
  ORBISCA_CLASS(TBandTypesForm, vcl::TForm)

 public:
  // The types offered (0 to 20).
  static constexpr int kOffered = 21;

  TBandTypesForm(vcl::TComponent *owner, const TkvPage &page);

  // The chosen type: the first one enabled at the start, then the one
  // clicked; -1 when none is available.
  int BandType() const { return band_type_; }

  vcl::TGroupBox *GB1 = nullptr;
  std::vector<vcl::TRadioButton *> TypeButtons;  // by type
  TOkCancel Buttons;

 private:
  int band_type_ = -1;
};

// The chooser for a new band on the page; true and the type after OK.
bool ChooseBandType(const TkvPage &page, int &band_type);

// Registers the chooser as the designer's band-type chooser.
void KvInstallBandTypeChooser();

}  // namespace report
