// A kind of address the stand-in server reaches besides files, handed each address it claims.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rozovevi::ioserver::standin {

// The outcome of one read or write. On failure, reason is one line of UTF-8 saying what failed
// and why; lasting marks a failure that no repetition of the same call can mend (a malformed
// address), so that a caller repeating reads may stop at once.
struct ItemOutcome {
  bool ok = false;
  std::string reason;
  bool lasting = false;
};

struct ItemText {
  ItemOutcome outcome;
  std::u16string value;  // The value read, on success.
};

class ItemKind {
 public:
  ItemKind() = default;
  ItemKind(const ItemKind&) = delete;
  ItemKind& operator=(const ItemKind&) = delete;
  virtual ~ItemKind() = default;

  // Whether address is one of this kind's (by its prefix); a claimed address never falls back to
  // being a file name, however malformed it is.
  virtual bool Claims(std::u16string_view address) const = 0;
  // Reads the value at address, as text.
  virtual ItemText Read(std::u16string_view address) = 0;
  // Writes value (text) to address. Nothing reaches the item unless address and value are both
  // valid.
  virtual ItemOutcome Write(std::u16string_view address, std::u16string_view value) = 0;
};

// The kinds this platform's stand-in reaches besides files: MODBUS: on Linux, none on Windows.
std::vector<std::unique_ptr<ItemKind>> PlatformItemKinds();

}  // namespace rozovevi::ioserver::standin
