// Out-of-line parts of the exception family.
#include "platform/rtl/exceptions.h"

namespace rtl {

bool Exception::InheritsFrom(const char *class_name) const { return qstrcmp(class_name, "Exception") == 0; }

void Abort() { throw EAbort(QStringLiteral("Operation aborted")); }

void ListIndexError(int index) { throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index)); }

}  // namespace rtl
