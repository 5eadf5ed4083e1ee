// A kind of place an I/O address names: files, DDE:, OPC:, MODBUS: items. The stand-in server
// hands each address to the first kind of its list that claims it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ioserver/standin/frame_trace.h"
#include "ioserver/status.h"

namespace rozovevi::ioserver::standin {

class AddressKind {
 public:
  AddressKind() = default;
  AddressKind(const AddressKind&) = delete;
  AddressKind& operator=(const AddressKind&) = delete;
  virtual ~AddressKind() = default;

  // The prefix that marks this kind's addresses ("MODBUS:"), compared without regard to ASCII
  // letter case; empty for file names, which are every address that no other kind claims. An
  // address with a kind's prefix is that kind's, however malformed the rest of it is.
  virtual std::u16string_view Prefix() const = 0;

  // Reads the value at address into value, as text. On failure value is left as it was.
  virtual Status Read(std::u16string_view address, std::u16string& value) = 0;

  // Writes value (text) to address. Nothing reaches the item unless address and value are both
  // valid.
  virtual Status Write(std::u16string_view address, std::u16string_view value) = 0;
};

// Whether address carries kind's prefix (every address does for the empty prefix of files).
bool Claims(const AddressKind& kind, std::u16string_view address);

// What every kind of a process shares: the trace of frames (none unless asked for).
struct KindContext {
  FrameTrace* trace = nullptr;
};

using AddressKinds = std::vector<std::unique_ptr<AddressKind>>;

// The kinds this platform's stand-in reaches, in the order they are asked, files last. The one
// list of them: a new kind is one line here. Defined once per platform.
AddressKinds PlatformAddressKinds(const KindContext& context = {});

}  // namespace rozovevi::ioserver::standin
