// Test main for the non-GUI test programs: a QCoreApplication (some layers
// use Qt's event-free classes, timers need none) and GoogleTest.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <cstdlib>

int main(int argc, char **argv) {
  // Tests never reach the machine's sound server: sounds go to recording
  // devices, or to the private server the sound device test starts (which
  // it names in ORBISCA_TEST_PULSE_SERVER).
  const char *test_server = std::getenv("ORBISCA_TEST_PULSE_SERVER");
  setenv("PULSE_SERVER", test_server ? test_server : "unix:/nonexistent/orbisca-test-no-sound", 1);
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
