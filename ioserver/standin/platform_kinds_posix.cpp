// The kinds of address the stand-in reaches on Linux, in the order they are asked.
#include "ioserver/standin/address_kind.h"
#include "ioserver/standin/files/file_kind.h"
#include "ioserver/standin/modbus/modbus_kind.h"
#include "ioserver/standin/opc/opc_kind.h"
#include "ioserver/standin/unreachable/unreachable_kind.h"

namespace rozovevi::ioserver::standin {

AddressKinds PlatformAddressKinds(const KindContext& context) {
  AddressKinds kinds;
  kinds.push_back(MakeDdeKind());
  kinds.push_back(std::make_unique<opc::OpcKind>(context));
  kinds.push_back(std::make_unique<modbus::ModbusKind>(context));
  kinds.push_back(std::make_unique<FileKind>());
  return kinds;
}

}  // namespace rozovevi::ioserver::standin
