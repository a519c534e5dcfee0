// The options dialogs of the text and rich-text export filters. Each form
// is built in code; Load puts options into its fields and Store reads them
// back, refusing (with the message it returns) a number that is not one or
// lies outside its range, so the options change only when all fields hold.
#pragma once

#include <QString>

#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "report/engine/export/kvrtfexp.h"
#include "report/engine/export/kvtxtexp.h"

namespace report {

class TTextFilterForm : public vcl::TForm {
  ORBISCA_CLASS(TTextFilterForm, vcl::TForm)
 public:
  explicit TTextFilterForm(vcl::TComponent *owner = nullptr);
  void Load(const TkvTextExportOptions &options);
  // Empty when stored; otherwise the message for the user.
  QString Store(TkvTextExportOptions &options) const;

  vcl::TEdit *Columns = nullptr;
  vcl::TUpDown *ColumnsUpDown = nullptr;  // 40 to 132
  vcl::TCheckBox *PageBreak = nullptr, *TopMargin = nullptr, *BottomMargin = nullptr, *LeftMargin = nullptr;
  vcl::TButton *OkButton = nullptr, *CancelButton = nullptr;
};

class TRichFilterForm : public vcl::TForm {
  ORBISCA_CLASS(TRichFilterForm, vcl::TForm)
 public:
  explicit TRichFilterForm(vcl::TComponent *owner = nullptr);
  // Margins shown in millimetres.
  void Load(const TkvRichExportOptions &options, const int margins_mm[4]);
  QString Store(TkvRichExportOptions &options) const;

  vcl::TCheckBox *PageBreak = nullptr, *RemoveLineSpacing = nullptr;
  vcl::TEdit *Margins[4] = {};          // left, right, top, bottom
  vcl::TUpDown *MarginUpDowns[4] = {};  // from 0
  vcl::TButton *OkButton = nullptr, *CancelButton = nullptr;
};

}  // namespace report
