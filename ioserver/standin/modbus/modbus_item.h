// One read or one write of one item on a Modbus device: connect, one request, close.
#pragma once

#include <cstdint>
#include <vector>

#include "ioserver/standin/frame_trace.h"
#include "ioserver/standin/modbus/modbus_address.h"
#include "ioserver/status.h"

namespace rozovevi::ioserver::standin::modbus {

// Reads the item into words: coils with function 1, discrete inputs 2, holding registers 3,
// input registers 4, as many registers as the item takes (RegisterCount), as they travelled; a
// coil or discrete input as one word 0 or 1, a bit of a register as its whole register. Every
// frame goes to trace, when there is one.
Status ReadItem(const ItemAddress& item, FrameTrace* trace, std::vector<std::uint16_t>& words);

// Writes words to the item: a coil (words[0] 0 or 1) with function 5; one holding register with 6
// (16 with fc=16), several with 16, a string always with 16; a bit of a register (words[0] 0 or
// 1) with 22, mask write, so that no other bit of it is touched. The table must be writable
// (IsWritable).
Status WriteItem(const ItemAddress& item, FrameTrace* trace,
                 const std::vector<std::uint16_t>& words);

}  // namespace rozovevi::ioserver::standin::modbus
