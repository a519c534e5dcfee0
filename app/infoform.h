// The information window: the program's name and version and an OK button.
#pragma once

#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

namespace app {

class TfrmInfo : public vcl::TForm {
  ORBISCA_CLASS(TfrmInfo, vcl::TForm)

 public:
  explicit TfrmInfo(vcl::TComponent *owner);
  vcl::TLabel *ProductName = nullptr;
  vcl::TLabel *Version = nullptr;
  vcl::TButton *OKButton = nullptr;
};

}  // namespace app
