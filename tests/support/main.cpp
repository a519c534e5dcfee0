// Test main for the non-GUI test programs: a QCoreApplication (some layers
// use Qt's event-free classes, timers need none) and GoogleTest.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <cstdlib>

#include "tests/support/environment.h"

int main(int argc, char **argv) {
  test_support::PrepareTestEnvironment();
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
