// The parameter dialog "Editor di parametri" of the expression editor: one
// box per argument a function's syntax asks for (X, Y, Z), each with a
// "..." button that opens the expression editor on it, and the function's
// description. OK is enabled only while every box holds text; the result
// is the boxes' texts joined by ",".
#pragma once

#include <QString>
#include <array>

#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "report/designer/kveditctl.h"

namespace report {

class TkvReport;

class TedParamFct : public vcl::TForm {
  ORBISCA_CLASS(TedParamFct, vcl::TForm)

 public:
  static constexpr int kMaxParameters = 3;

  TedParamFct(vcl::TComponent *owner, TkvReport *report, const QString &syntax, const QString &description);

  int ParameterCount() const { return count_; }
  QString Arguments() const;
  // OK follows the boxes.
  void UpdateOk();

  std::array<vcl::TPanel *, kMaxParameters> ParamPanels{};
  std::array<vcl::TEdit *, kMaxParameters> ParamEdits{};
  std::array<vcl::TButton *, kMaxParameters> ParamButtons{};
  vcl::TPanel *DescriptionPanel = nullptr;
  vcl::TLabel *Description = nullptr;
  TOkCancel Buttons;

 private:
  TkvReport *report_;
  int count_ = 0;
};

// The dialog for a syntax; true and the arguments after OK.
bool EditParameters(TkvReport *report, const QString &syntax, const QString &description, QString &arguments);

}  // namespace report
