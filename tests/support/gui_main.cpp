// Test main for the GUI test programs: Qt's offscreen platform is chosen
// here, not by the caller, so the tests run the same on a desktop and in CI.
#include <gtest/gtest.h>
#include <QApplication>
#include <cstdlib>

#include "tests/support/environment.h"

int main(int argc, char **argv) {
  test_support::PrepareTestEnvironment();
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
