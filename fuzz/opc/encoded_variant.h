// A Variant in the UA Binary encoding, for the targets that decode what they encoded.
#pragma once

#include <string>

#include "ioserver/standin/opc/ua_binary.h"

namespace rozovevi::fuzz {

inline std::string Encoded(const ioserver::standin::opc::Variant& value) {
  ioserver::standin::opc::Encoder encoder;
  encoder.Variant(value);
  return encoder.Take();
}

}  // namespace rozovevi::fuzz
