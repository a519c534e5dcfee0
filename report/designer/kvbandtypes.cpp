// The band-type chooser (see kvbandtypes.h).
#include "report/designer/kvbandtypes.h"

#include "report/designer/kvdsgneditors.h"
#include "report/engine/model/kvclass.h"
#include "report/engine/prepare/kvpages.h"

namespace report {

namespace {

// NOLINTBEGIN(readability-magic-numbers)
constexpr int kGroupWidth = 400;
constexpr int kLeftColumn = 11;  // types 0-10 on the left, 11-20 on the right
constexpr int kRowHeight = 20;
// NOLINTEND(readability-magic-numbers)

}  // namespace

bool KvBandTypeAvailable(const TkvPage &page, int band_type) {
  switch (band_type) {
    case btMasterData:
    case btDetailData:
    case btSubDetailData:
    case btGroupHeader:
    case btGroupFooter:
      return true;
    default:
      break;
  }
  for (const auto &view : page.Views) {
    const auto *band = dynamic_cast<const TkvBandView *>(view.get());
    if (band != nullptr && band->GetBandType() == band_type) return false;
  }
  return true;
}

TBandTypesForm::TBandTypesForm(vcl::TComponent *owner, const TkvPage &page) : vcl::TForm(owner) {
  // NOLINTBEGIN(readability-magic-numbers)
  SetupDialog(this, QStringLiteral("Inserisci nuova banda"), kGroupWidth + 16, 296);
  GB1 = PlaceControl<vcl::TGroupBox>(this, this, 8, 6, kGroupWidth, 250);
  GB1->SetCaption(QStringLiteral("Tipo di banda"));
  const int half = kGroupWidth / 2;
  for (int type = 0; type < kOffered; ++type) {
    const bool left = type < kLeftColumn;
    auto *button = PlaceControl<vcl::TRadioButton>(
        GB1, this, left ? 8 : half + 8, left ? kRowHeight * type + 20 : kRowHeight * type - 200, half - 9, kRowHeight);
    button->SetCaption(BandTypeName(type));
    button->SetEnabled(KvBandTypeAvailable(page, type));
    button->OnClick = [this, type](rtl::TObject *) { band_type_ = type; };
    TypeButtons.push_back(button);
  }
  Buttons = PlaceOkCancel(this, kGroupWidth - 150, 264);
  // NOLINTEND(readability-magic-numbers)
  HandleNeeded();
  for (int type = 0; type < kOffered; ++type) {
    if (!TypeButtons[static_cast<size_t>(type)]->Enabled()) continue;
    TypeButtons[static_cast<size_t>(type)]->SetChecked(true);
    band_type_ = type;
    break;
  }
  Buttons.Ok->SetEnabled(band_type_ >= 0);
}

bool ChooseBandType(const TkvPage &page, int &band_type) {
  TBandTypesForm form(nullptr, page);
  if (form.ShowModal() != vcl::mrOk || form.BandType() < 0) return false;
  band_type = form.BandType();
  return true;
}

void KvInstallBandTypeChooser() {
  KvRegisterEditor(TkvEditor::BandType, [](TkvEditContext &context) {
    return context.Page != nullptr && ChooseBandType(*context.Page, context.Value);
  });
}

}  // namespace report
