// Entry point of the Windows tests: COM for the whole run on this thread, then every case.
#include "ioserver/com/com_apartment.h"
#include "tests/win32/check/check.h"

int main(int argc, char** argv) {
  const rozovevi::ioserver::com::ComApartment apartment;
  return rozovevi::tests::check::RunAll(argc, argv);
}
