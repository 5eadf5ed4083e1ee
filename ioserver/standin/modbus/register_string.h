// A str<N> item's text as the registers that carry it, and back. Pure byte work, no I/O, so that
// the decoding of what a device replies with can be fuzzed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "ioserver/standin/modbus/modbus_address.h"
#include "ioserver/status.h"

namespace rozovevi::ioserver::standin::modbus {

// The text carried by registers: their bytes as they travel, high byte of each register first
// (abcd) or swapped within each register (badc), the first length of them, up to the first NUL.
// Bytes that are not UTF-8 fail, with the bytes shown in hex.
std::variant<std::u16string, Status> DecodeRegisterString(
    const std::vector<std::uint16_t>& registers, int length, ByteOrder order);

// The ceil(length/2) registers that carry text exactly as typed (nothing trimmed), in UTF-8 and
// padded with NUL bytes. Text longer than length bytes, or one that is not Unicode text (an
// unpaired surrogate), fails.
std::variant<std::vector<std::uint16_t>, Status> EncodeRegisterString(std::u16string_view text,
                                                                      int length, ByteOrder order);

}  // namespace rozovevi::ioserver::standin::modbus
