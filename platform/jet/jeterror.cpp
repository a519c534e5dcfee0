// Out-of-line parts of the engine's exception.
#include "platform/jet/jeterror.h"

namespace jet {

bool EJetError::InheritsFrom(const char *class_name) const {
  return qstrcmp(class_name, "EJetError") == 0 || rtl::Exception::InheritsFrom(class_name);
}

void RaiseJetError(int number, const QString &description, const QString &source) {
  throw EJetError(number, description, source);
}

}  // namespace jet
