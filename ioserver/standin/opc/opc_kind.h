// The stand-in's OPC: addresses on Linux: one value of an OPC UA server, read or written.
#pragma once

#include "ioserver/standin/address_kind.h"

namespace rozovevi::ioserver::standin::opc {

// Claims every address that begins with "OPC:" (any case). A malformed one fails for good
// (lasting) before anything connects. Each call is one exchange with the server, closed again.
class OpcKind final : public AddressKind {
 public:
  explicit OpcKind(const KindContext& context = {}) : context_(context) {}

  std::u16string_view Prefix() const override { return u"OPC:"; }
  Status Read(std::u16string_view address, std::u16string& value) override;
  Status Write(std::u16string_view address, std::u16string_view value) override;

 private:
  KindContext context_;
};

}  // namespace rozovevi::ioserver::standin::opc
