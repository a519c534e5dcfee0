// Test main for the GUI test programs: Qt's offscreen platform is chosen
// here, not by the caller, so the tests run the same on a desktop and in CI.
#include <gtest/gtest.h>
#include <QApplication>
#include <cstdlib>

int main(int argc, char **argv) {
  // Tests never reach the machine's sound server: sounds go to recording
  // devices, or to the private server the sound device test starts (which
  // it names in ORBISCA_TEST_PULSE_SERVER).
  const char *test_server = std::getenv("ORBISCA_TEST_PULSE_SERVER");
  setenv("PULSE_SERVER", test_server ? test_server : "unix:/nonexistent/orbisca-test-no-sound", 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
