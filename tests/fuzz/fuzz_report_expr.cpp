// Drives the report expression evaluator with arbitrary texts: a template's
// memo brackets, conditions and filters are user text. Names resolve to
// numbers and texts, and a call evaluates its arguments as the report's
// resolver does, so nested evaluation is exercised too. Only EkvExprError
// (and the run-time's own exceptions from conversions) may come out.
#include <cstddef>
#include <cstdint>

#include "platform/rtl/exceptions.h"
#include "report/engine/expr/kvexpr.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  report::TkvExpr &e = report::Expr();
  e.SetResolver([&e](const QString &name, const QStringList *args) -> rtl::Variant {
    if (args == nullptr) return rtl::Variant(name);
    rtl::Variant last(static_cast<int>(name.size()));
    for (const QString &a : *args) last = e.Evaluate(a);
    return last;
  });
  const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(size));
  for (int mode = 0; mode < 2; ++mode) {
    e.SetMode(mode == 0 ? report::TkvExpr::emNormal : report::TkvExpr::emRegistration);
    try {
      e.Evaluate(text);
    } catch (const rtl::Exception &) {
    }
  }
  e.SetMode(report::TkvExpr::emNormal);
  return 0;
}
