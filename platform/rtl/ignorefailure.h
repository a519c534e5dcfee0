// The one way a failure is dropped on purpose. Code that must go on whatever
// a call does (closing a copy that is thrown away anyway, refreshing a view
// the next step refreshes again, undoing what may not have been done) runs
// the call through `IgnoreFailure`, saying why the failure cannot matter.
// The reason is not for the reader alone: with the logging category
// "orbisca.ignored" enabled (QT_LOGGING_RULES="orbisca.ignored=true") every
// dropped failure is written to the log with it.
//
// Everywhere else a failure either travels to the caller or, where no caller
// can take it (a Qt signal, a hook, a timer), is reported to the user
// through `vcl::ReportFailures` (platform/vcl/reportfailures.h). An empty
// catch block is refused by the static checks.
#pragma once

#include <QLoggingCategory>
#include <exception>

namespace rtl {

Q_DECLARE_LOGGING_CATEGORY(lcIgnoredFailures)

// Writes a dropped failure to the "orbisca.ignored" category.
void NoteIgnoredFailure(const char *why, const char *what);

template <typename F>
void IgnoreFailure(const char *why, F &&work) {
  try {
    work();
  } catch (const std::exception &e) {
    NoteIgnoredFailure(why, e.what());
  } catch (...) {
    NoteIgnoredFailure(why, "unknown exception");
  }
}

}  // namespace rtl
