// The engine-wide state object (see kvglobals.h).
#include "report/engine/kvglobals.h"

namespace report {

TkvEngineState &kvEngine() {
  static TkvEngineState state;
  return state;
}

void kvSetError(const QString &text) {
  TkvEngineState &state = kvEngine();
  if (state.ErrorText.isEmpty()) state.ErrorText = text;
}

}  // namespace report
