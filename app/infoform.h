// The information window: the program icon (pictures.h), the program's name
// and version and an OK button.
#pragma once

#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

namespace app {

class TfrmInfo : public vcl::TForm {
  ORBISCA_CLASS(TfrmInfo, vcl::TForm)

 public:
  explicit TfrmInfo(vcl::TComponent *owner);
  vcl::TImage *ProgramIcon = nullptr;
  vcl::TLabel *ProductName = nullptr;
  vcl::TLabel *Version = nullptr;
  vcl::TButton *OKButton = nullptr;
};

}  // namespace app
