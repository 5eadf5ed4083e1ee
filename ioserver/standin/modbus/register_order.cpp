// Register assembly for the four byte orders.
#include "ioserver/standin/modbus/register_order.h"

namespace rozovevi::ioserver::standin::modbus {
namespace {

constexpr int kBitsPerRegister = 16;
constexpr int kBitsPerByte = 8;
constexpr std::uint16_t kLowByte = 0x00FF;

bool ReversesRegisters(ByteOrder order) {
  return order == ByteOrder::kCdab || order == ByteOrder::kDcba;
}

bool SwapsBytes(ByteOrder order) { return order == ByteOrder::kBadc || order == ByteOrder::kDcba; }

std::uint16_t SwapBytes(std::uint16_t word) {
  return static_cast<std::uint16_t>((word >> kBitsPerByte) | ((word & kLowByte) << kBitsPerByte));
}

// Which 16-bit word of the value (0 the least significant) travels at position.
int WordAt(int position, int width, ByteOrder order) {
  return width == 1 || !ReversesRegisters(order) ? width - 1 - position : position;
}

}  // namespace

Registers ToRegisters(RawValue raw, int width, ByteOrder order) {
  Registers registers{};
  for (int position = 0; position < width; ++position) {
    auto word =
        static_cast<std::uint16_t>(raw >> (kBitsPerRegister * WordAt(position, width, order)));
    if (width > 1 && SwapsBytes(order)) word = SwapBytes(word);
    registers[static_cast<std::size_t>(position)] = word;
  }
  return registers;
}

RawValue FromRegisters(const Registers& registers, int width, ByteOrder order) {
  RawValue raw = 0;
  for (int position = 0; position < width; ++position) {
    std::uint16_t word = registers[static_cast<std::size_t>(position)];
    if (width > 1 && SwapsBytes(order)) word = SwapBytes(word);
    raw |= RawValue{word} << (kBitsPerRegister * WordAt(position, width, order));
  }
  return raw;
}

}  // namespace rozovevi::ioserver::standin::modbus
