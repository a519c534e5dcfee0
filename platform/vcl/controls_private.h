// What the two files of the controls (controls.cpp, wincontrol.cpp) share
// and nobody else needs.
#pragma once

#include "platform/rtl/exceptions.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/reportfailures.h"

namespace vcl::controls_private {

// An exception that reached the event loop: to the application, or to the
// log when there is none.
using vcl::ReportException;
// Runs the application's input hooks on a message; true when one took it.
bool HookApplicationMessage(TMessage &m);

}  // namespace vcl::controls_private
