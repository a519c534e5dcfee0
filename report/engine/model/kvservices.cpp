// The table of the designer's editors (see kvservices.h).
#include "report/engine/model/kvservices.h"

namespace report {

TkvEditorServices &KvEditorServices() {
  static TkvEditorServices services;
  return services;
}

}  // namespace report
