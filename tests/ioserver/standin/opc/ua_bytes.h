// Bytes for the tests written as they are read in a protocol trace: hex pairs, with "quoted"
// ASCII between them ("48 45 4C 'F' 30 00" is not valid; use "48 45 4C 46 \"opc\"").
#pragma once

#include <string>
#include <string_view>

namespace rozovevi::ioserver::standin::opc::testing_support {

std::string Bytes(std::string_view text);
// "48 45 4C ..." for a failure message.
std::string Hex(std::string_view bytes);

}  // namespace rozovevi::ioserver::standin::opc::testing_support
