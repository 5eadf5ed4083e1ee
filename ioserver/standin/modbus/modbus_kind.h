// The stand-in's MODBUS: addresses: one item of a Modbus device over TCP or a serial line (RTU).
#pragma once

#include "ioserver/standin/item_kind.h"

namespace rozovevi::ioserver::standin::modbus {

// Claims every address that begins with "MODBUS:" (any case). A malformed one fails for good
// (lasting); so does a write to a read-only table or a value the item's type cannot hold, and
// then nothing is sent. Each call connects, makes one request and closes.
class ModbusKind final : public ItemKind {
 public:
  bool Claims(std::u16string_view address) const override;
  ItemText Read(std::u16string_view address) override;
  ItemOutcome Write(std::u16string_view address, std::u16string_view value) override;
};

}  // namespace rozovevi::ioserver::standin::modbus
