// The one road of a failure that no caller can take: code run from a Qt
// signal, a window hook, a timer or a form's own events reports what it
// raises to the application, which shows it as the event loop shows every
// failure (the message with the application's title) and goes on; without
// an application the message goes to the log. No exception crosses Qt's
// code. Failures dropped on purpose go through `rtl::IgnoreFailure`
// (platform/rtl/ignorefailure.h) instead.
#pragma once

#include <QString>
#include <exception>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"

namespace vcl {

// Hands `e` to the application (made when the forms unit is linked), or to
// the log when there is none.
void ReportException(rtl::TObject *sender, const rtl::Exception &e);

// Makes the application when the forms unit is linked, as the dispatch of
// Qt's events does: handlers run from a signal find it, as they do when run
// from an event.
void EnsureApplication();

// Runs `work`; whatever it raises is reported for `sender` and goes no
// further.
template <typename F>
void ReportFailures(rtl::TObject *sender, F &&work) {
  EnsureApplication();
  try {
    work();
  } catch (const rtl::Exception &e) {
    ReportException(sender, e);
  } catch (const std::exception &e) {
    ReportException(sender, rtl::Exception(QString::fromUtf8(e.what())));
  } catch (...) {
    ReportException(sender, rtl::Exception(QStringLiteral("Unknown exception")));
  }
}

}  // namespace vcl
