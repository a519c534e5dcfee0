// The built-in functions of report expressions, used by the name
// resolution of kvvars.cpp.
#pragma once

#include <QString>
#include <QStringList>

#include "platform/rtl/variant.h"

namespace report {

class TkvReportContext;

// Runs the built-in function `upper` (the upper-cased `name`) on the
// unevaluated parameter texts. `known` tells whether the name is a built-in;
// a wrong parameter count or a failure inside records the preparation
// error and gives Empty.
rtl::Variant KvBuiltInFunction(TkvReportContext &context, const QString &name, const QString &upper,
                               const QStringList &params, bool &known);

}  // namespace report
