// The report of a failure no caller can take (see reportfailures.h).
#include "platform/vcl/reportfailures.h"

#include "platform/vcl/controls.h"

namespace vcl {

void EnsureApplication() { ControlApplication(); }

void ReportException(rtl::TObject *sender, const rtl::Exception &e) {
  if (IControlApplication *app = ControlApplication()) {
    app->HandleException(sender, e);
    return;
  }
  qWarning("%s", qPrintable(e.Message()));
}

}  // namespace vcl
