// A value's bits as the registers that carry it, in each of the four byte orders. Assembled here
// rather than with libmodbus's helpers, whose meaning changed between its versions.
#pragma once

#include <array>
#include <cstdint>

#include "ioserver/standin/modbus/modbus_address.h"
#include "ioserver/standin/modbus/value_text.h"

namespace rozovevi::ioserver::standin::modbus {

inline constexpr int kMostRegisters = 4;
using Registers = std::array<std::uint16_t, kMostRegisters>;

// The width registers (1, 2 or 4) that carry raw, in the order they travel. Each register
// travels high byte first, as Modbus sends every register. abcd puts the most significant
// register first; cdab sends the registers in reverse order; badc swaps the two bytes of each
// register; dcba does both. A single register ignores the order.
Registers ToRegisters(RawValue raw, int width, ByteOrder order);

// The value carried by the first width registers, read in order: ToRegisters undone.
RawValue FromRegisters(const Registers& registers, int width, ByteOrder order);

}  // namespace rozovevi::ioserver::standin::modbus
