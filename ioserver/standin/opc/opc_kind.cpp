// OPC: addresses from the stand-in's side: parse, one exchange, value as text.
#include "ioserver/standin/opc/opc_kind.h"

#include "ioserver/standin/opc/opc_address.h"
#include "ioserver/standin/opc/opc_client.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver::standin::opc {

Status OpcKind::Read(std::u16string_view address, std::u16string& value) {
  auto parsed = ParseOpcAddress(address);
  if (auto* error = std::get_if<AddressError>(&parsed)) return Status::Lasting(error->reason);
  if (context_.trace != nullptr) context_.trace->BeginCall();
  std::string text;
  if (Status read = ReadNode(std::get<OpcAddress>(parsed), context_.trace, text); !read.ok()) {
    return read;
  }
  std::optional<std::u16string> decoded = DecodeUtf8(text);
  if (!decoded) return Status::Failure("the server sent a value that is not valid UTF-8 text");
  value = *std::move(decoded);
  return Status::Ok();
}

Status OpcKind::Write(std::u16string_view address, std::u16string_view value) {
  auto parsed = ParseOpcAddress(address);
  if (auto* error = std::get_if<AddressError>(&parsed)) return Status::Lasting(error->reason);
  if (context_.trace != nullptr) context_.trace->BeginCall();
  return WriteNode(std::get<OpcAddress>(parsed), value, context_.trace);
}

}  // namespace rozovevi::ioserver::standin::opc
