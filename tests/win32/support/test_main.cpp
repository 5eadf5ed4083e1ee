// Entry point of the Windows tests: GoogleTest's flags, the programs under test, COM for the
// whole run on this thread, then every selected test.
#include <gmock/gmock.h>

#include <cstdio>
#include <stdexcept>

#include "ioserver/com/com_apartment.h"
#include "tests/win32/support/test_options.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleMock(&argc, argv);
  try {
    rozovevi::tests::support::SetTestOptions(argc, argv);
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "rozovevi_win32_tests: %s\n", error.what());
    return 2;
  }
  const rozovevi::ioserver::com::ComApartment apartment;
  return RUN_ALL_TESTS();
}
