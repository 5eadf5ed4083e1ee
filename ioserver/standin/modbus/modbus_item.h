// One read or one write of one item on a Modbus device: connect, one request, close.
#pragma once

#include <string>
#include <variant>

#include "ioserver/standin/modbus/modbus_address.h"
#include "ioserver/standin/modbus/value_text.h"

namespace rozovevi::ioserver::standin::modbus {

// Reads the item: coils with function 1, discrete inputs 2, holding registers 3, input
// registers 4, as many registers as the type takes, assembled in the item's byte order.
std::variant<RawValue, Status> ReadItem(const ItemAddress& item);

// Writes raw to the item: a coil with function 5; one holding register with 6 (16 with fc=16),
// several with 16. The table must be writable (IsWritable).
Status WriteItem(const ItemAddress& item, RawValue raw);

}  // namespace rozovevi::ioserver::standin::modbus
