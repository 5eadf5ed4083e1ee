// Which kind of place an I/O address names: a file, a DDE item or an OPC item.
#pragma once

#include <string_view>

namespace rozovevi::ioserver::standin {

enum class AddressKind { kFile, kDde, kOpc };

// An address that begins with "DDE:" or "OPC:", in any letter case, names a DDE or an OPC item;
// every other address, including one with leading spaces, is a file name used exactly as given.
AddressKind ClassifyAddress(std::u16string_view address);

}  // namespace rozovevi::ioserver::standin
