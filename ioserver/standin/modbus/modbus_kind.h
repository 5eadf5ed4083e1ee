// The stand-in's MODBUS: addresses: one item of a Modbus device over TCP or a serial line (RTU).
#pragma once

#include "ioserver/standin/address_kind.h"

namespace rozovevi::ioserver::standin::modbus {

// Claims every address that begins with "MODBUS:" (any case). A malformed one fails for good
// (lasting); so does a write to a read-only table, and then nothing is sent; a value the item's
// type cannot hold fails the write before anything is sent. Each call connects, makes one
// request and closes.
class ModbusKind final : public AddressKind {
 public:
  explicit ModbusKind(const KindContext& context = {}) : context_(context) {}

  std::u16string_view Prefix() const override { return u"MODBUS:"; }
  Status Read(std::u16string_view address, std::u16string& value) override;
  Status Write(std::u16string_view address, std::u16string_view value) override;

 private:
  KindContext context_;
};

}  // namespace rozovevi::ioserver::standin::modbus
