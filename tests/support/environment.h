// What every test program sets up in its own environment before Qt starts,
// so that the tests and the programs they start run the same on any machine.
#pragma once

#include <cstdlib>
#include <string>

namespace test_support {

inline void PrepareTestEnvironment() {
  // Tests never reach the machine's sound server: sounds go to recording
  // devices, or to the private server the sound device test starts (which
  // it names in ORBISCA_TEST_PULSE_SERVER).
  const char *test_server = std::getenv("ORBISCA_TEST_PULSE_SERVER");
  setenv("PULSE_SERVER", test_server ? test_server : "unix:/nonexistent/orbisca-test-no-sound", 1);
  // The outside readers the tests start (mdb-tools above all) take table
  // names such as "Umsätze" in the locale's encoding: a machine with no
  // locale set, or another encoding, gets a UTF-8 one.
  std::string locale;
  for (const char *name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char *value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
      locale = value;
      break;
    }
  }
  if (locale.find("UTF-8") == std::string::npos && locale.find("utf8") == std::string::npos)
    setenv("LC_ALL", "C.UTF-8", 1);
}

}  // namespace test_support
