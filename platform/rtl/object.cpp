// Assignment between persistent objects.
#include "platform/rtl/object.h"

namespace rtl {

void TPersistent::Assign(const TPersistent *source) {
  if (source != nullptr) {
    source->AssignTo(this);
    return;
  }
  throw EConvertError(QStringLiteral("Cannot assign a nil to a %1").arg(ClassName()));
}

void TPersistent::AssignTo(TPersistent *dest) const {
  const QString dest_name = dest ? dest->ClassName() : QStringLiteral("nil");
  throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2").arg(ClassName(), dest_name));
}

}  // namespace rtl
