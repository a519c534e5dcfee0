// The log of failures dropped on purpose (see ignorefailure.h).
#include "platform/rtl/ignorefailure.h"

namespace rtl {

Q_LOGGING_CATEGORY(lcIgnoredFailures, "orbisca.ignored", QtWarningMsg)

void NoteIgnoredFailure(const char *why, const char *what) { qCDebug(lcIgnoredFailures, "%s: %s", why, what); }

}  // namespace rtl
