// Which kind an address belongs to, by its prefix.
#include "ioserver/standin/address_kind.h"

#include "ioserver/ascii_text.h"

namespace rozovevi::ioserver::standin {

bool Claims(const AddressKind& kind, std::u16string_view address) {
  return StartsWithIgnoringCase(address, kind.Prefix());
}

}  // namespace rozovevi::ioserver::standin
