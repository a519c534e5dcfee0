// Failures dropped on purpose: nothing travels on, and with the log category
// enabled each one is written with its reason.
#include <gtest/gtest.h>

#include <QLoggingCategory>
#include <QStringList>
#include <stdexcept>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/ignorefailure.h"

namespace {

QStringList *g_log = nullptr;

void Capture(QtMsgType, const QMessageLogContext &context, const QString &text) {
  if (g_log != nullptr && QLatin1String(context.category) == QLatin1String("orbisca.ignored")) *g_log << text;
}

TEST(IgnoreFailure, DropsEveryKindOfFailureAndLogsItsReasonWhenAsked) {
  QStringList log;
  g_log = &log;
  const QtMessageHandler previous = qInstallMessageHandler(Capture);
  QLoggingCategory::setFilterRules(QStringLiteral("orbisca.ignored.debug=true"));
  int ran = 0;
  EXPECT_NO_THROW(rtl::IgnoreFailure("the copy is thrown away", [&] {
    ++ran;
    throw rtl::EConvertError("bad value");
  }));
  EXPECT_NO_THROW(rtl::IgnoreFailure("nothing was open", [&] {
    ++ran;
    throw std::runtime_error("engine gone");
  }));
  EXPECT_NO_THROW(rtl::IgnoreFailure("odd", [&] {
    ++ran;
    throw 42;
  }));
  rtl::IgnoreFailure("never logged", [&] { ++ran; });
  QLoggingCategory::setFilterRules(QString());
  rtl::IgnoreFailure("not logged while the category is off", [] { throw rtl::Exception("quiet"); });
  qInstallMessageHandler(previous);
  g_log = nullptr;
  EXPECT_EQ(ran, 4);
  EXPECT_EQ(log, (QStringList{"the copy is thrown away: bad value", "nothing was open: engine gone",
                              "odd: unknown exception"}));
}

}  // namespace
