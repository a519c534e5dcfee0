// The designer's editors lent to the engine (see kvedservices.h).
#include "report/designer/kvedservices.h"

#include "report/designer/kvexpred.h"
#include "report/designer/kvfmtform.h"
#include "report/designer/kvpickers.h"
#include "report/engine/model/kvservices.h"

namespace report {

void KvInstallEditorServices() {
  TkvEditorServices &services = KvEditorServices();
  services.EditFormat = [](std::int32_t &format, QString &text) { return EditFormat(format, text); };
  services.PickField = [](TkvReport *report) { return PickField(report); };
  services.PickVariable = [](TkvReport *report) { return PickVariable(report); };
  services.EditExpression = [](TkvReport *report, QString &expression) { return EditExpression(report, expression); };
}

}  // namespace report
