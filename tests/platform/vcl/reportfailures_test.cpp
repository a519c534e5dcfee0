// The one road of a failure no caller can take: every kind of exception
// reaches the application's handler with its sender, and nothing travels on.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/vcl/forms.h"
#include "platform/vcl/reportfailures.h"

using namespace vcl;

namespace {

TEST(ReportFailures, EveryFailureReachesTheApplicationWithItsSender) {
  InitApplication();
  TComponent sender(nullptr);
  QStringList seen;
  Application->OnException = [&](rtl::TObject *from, const rtl::Exception &e) {
    seen << (from == &sender ? QStringLiteral("sender: ") : QStringLiteral("other: ")) + e.Message();
  };
  int ran = 0;
  EXPECT_NO_THROW(ReportFailures(&sender, [&] {
    ++ran;
    throw rtl::EConvertError("'x' is not a valid integer value");
  }));
  EXPECT_NO_THROW(ReportFailures(&sender, [] { throw std::runtime_error("engine gone"); }));
  EXPECT_NO_THROW(ReportFailures(&sender, [] { throw 42; }));
  ReportFailures(&sender, [&] { ++ran; });
  Application->OnException = nullptr;
  EXPECT_EQ(ran, 2);
  EXPECT_EQ(seen, (QStringList{"sender: 'x' is not a valid integer value", "sender: engine gone",
                               "sender: Unknown exception"}));
}

}  // namespace
