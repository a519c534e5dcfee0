// The engine-wide state object (see kvglobals.h).
#include "report/engine/model/kvglobals.h"

namespace report {

TkvEngineState &kvEngine() {
  static TkvEngineState state;
  return state;
}

void kvSetError(const QString &text) {
  TkvEngineState &state = kvEngine();
  if (!state.ErrorText.isEmpty()) return;
  state.ErrorText = state.FormatError ? state.FormatError(text) : text;
  // A dressing that came out empty must not lose the error.
  if (state.ErrorText.isEmpty()) state.ErrorText = text.isEmpty() ? QStringLiteral("Errore") : text;
}

}  // namespace report
