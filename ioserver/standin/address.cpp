// Classification of I/O addresses by their prefix.
#include "ioserver/standin/address.h"

namespace rozovevi::ioserver::standin {
namespace {

constexpr std::u16string_view kDdePrefix = u"dde:";
constexpr std::u16string_view kOpcPrefix = u"opc:";

char16_t LowerAscii(char16_t unit) {
  return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

// True when address begins with lower_prefix, comparing ASCII letters without regard to case.
bool StartsWithIgnoringCase(std::u16string_view address, std::u16string_view lower_prefix) {
  if (address.size() < lower_prefix.size()) return false;
  for (std::size_t i = 0; i < lower_prefix.size(); ++i) {
    if (LowerAscii(address[i]) != lower_prefix[i]) return false;
  }
  return true;
}

}  // namespace

AddressKind ClassifyAddress(std::u16string_view address) {
  if (StartsWithIgnoringCase(address, kDdePrefix)) return AddressKind::kDde;
  if (StartsWithIgnoringCase(address, kOpcPrefix)) return AddressKind::kOpc;
  return AddressKind::kFile;
}

}  // namespace rozovevi::ioserver::standin
