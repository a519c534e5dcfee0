// The parameter dialog (see kvparamfct.h).
#include "report/designer/kvparamfct.h"

#include "report/designer/kvexpred.h"
#include "report/designer/kvfunccat.h"

namespace report {

namespace {

// NOLINTBEGIN(readability-magic-numbers)
constexpr int kWidth = 360;
constexpr int kParamHeight = 32;
constexpr int kDescriptionHeight = 56;
constexpr int kButtonsHeight = 40;
// NOLINTEND(readability-magic-numbers)
const char *const kNames[TedParamFct::kMaxParameters] = {"X", "Y", "Z"};

}  // namespace

TedParamFct::TedParamFct(vcl::TComponent *owner, TkvReport *report, const QString &syntax, const QString &description)
    : vcl::TForm(owner), report_(report), count_(KvParameterCount(syntax)) {
  // NOLINTBEGIN(readability-magic-numbers)
  SetupDialog(this, QStringLiteral("Editor di parametri"), kWidth, 100);
  int top = 0;
  for (int i = 0; i < kMaxParameters; ++i) {
    const auto at = static_cast<size_t>(i);
    ParamPanels[at] = PlaceControl<vcl::TPanel>(this, this, 0, top, kWidth, kParamHeight);
    ParamPanels[at]->SetBevelOuter(vcl::bvNone);
    ParamEdits[at] = PlaceControl<vcl::TEdit>(ParamPanels[at], this, 30, 5, kWidth - 72, 21);
    PlaceLabel(ParamPanels[at], this, QString::fromLatin1(kNames[i]), 12, 8, ParamEdits[at]);
    ParamButtons[at] = PlaceButton(ParamPanels[at], this, QStringLiteral("..."), kWidth - 38, 4, 26, 23);
    ParamPanels[at]->SetVisible(i < count_);
    if (i < count_) top += kParamHeight;
    vcl::TEdit *edit = ParamEdits[at];
    edit->OnChange = [this](rtl::TObject *) { UpdateOk(); };
    ParamButtons[at]->OnClick = [this, edit](rtl::TObject *) {
      QString expression = edit->Text();
      if (EditExpression(report_, expression)) edit->SetText(expression);
      FocusIfShown(edit);
      UpdateOk();
    };
  }
  DescriptionPanel = PlaceControl<vcl::TPanel>(this, this, 0, top, kWidth, kDescriptionHeight);
  DescriptionPanel->SetBevelOuter(vcl::bvNone);
  Description = PlaceLabel(DescriptionPanel, this, description, 12, 6);
  Description->SetAutoSize(false);
  Description->SetWordWrap(true);
  Description->SetBounds(12, 6, kWidth - 24, kDescriptionHeight - 8);
  DescriptionPanel->SetVisible(!description.isEmpty());
  if (!description.isEmpty()) top += kDescriptionHeight;
  Buttons = PlaceOkCancel(this, kWidth - 166, top + 8);
  // The window fits the panels shown.
  SetClientHeight(top + kButtonsHeight);
  // NOLINTEND(readability-magic-numbers)
  HandleNeeded();
  UpdateOk();
}

QString TedParamFct::Arguments() const {
  QStringList texts;
  for (int i = 0; i < count_; ++i) texts << ParamEdits[static_cast<size_t>(i)]->Text();
  return texts.join(u',');
}

void TedParamFct::UpdateOk() {
  bool filled = true;
  for (int i = 0; i < count_; ++i) filled = filled && !ParamEdits[static_cast<size_t>(i)]->Text().isEmpty();
  Buttons.Ok->SetEnabled(filled);
}

bool EditParameters(TkvReport *report, const QString &syntax, const QString &description, QString &arguments) {
  TedParamFct form(nullptr, report, syntax, description);
  if (form.ShowModal() != vcl::mrOk) return false;
  arguments = form.Arguments();
  return true;
}

}  // namespace report
