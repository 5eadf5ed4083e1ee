// On Windows the installed I/O server decides what an address means; the stand-in that the tests
// register there reaches files only, and refuses DDE and OPC items as the Linux one does.
#include "ioserver/standin/address_kind.h"
#include "ioserver/standin/files/file_kind.h"
#include "ioserver/standin/unreachable/unreachable_kind.h"

namespace rozovevi::ioserver::standin {

AddressKinds PlatformAddressKinds(const KindContext&) {
  AddressKinds kinds;
  kinds.push_back(MakeDdeKind());
  kinds.push_back(MakeOpcKind());
  kinds.push_back(std::make_unique<FileKind>());
  return kinds;
}

}  // namespace rozovevi::ioserver::standin
