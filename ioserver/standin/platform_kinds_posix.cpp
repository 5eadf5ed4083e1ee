// On Linux the stand-in also reaches Modbus devices.
#include "ioserver/standin/item_kind.h"
#include "ioserver/standin/modbus/modbus_kind.h"

namespace rozovevi::ioserver::standin {

std::vector<std::unique_ptr<ItemKind>> PlatformItemKinds() {
  std::vector<std::unique_ptr<ItemKind>> kinds;
  kinds.push_back(std::make_unique<modbus::ModbusKind>());
  return kinds;
}

}  // namespace rozovevi::ioserver::standin
