// Creation of built-in objects by programmatic identifier.
#include "ioserver/embedded_runtime.h"

#include "ioserver/ascii_text.h"
#include "ioserver/io_error.h"

namespace rozovevi::ioserver {
namespace {

// Identifiers are found without regard to ASCII letter case, as COM finds them.
std::u16string RegistryKey(std::u16string_view prog_id) {
  std::u16string key(prog_id);
  for (char16_t& unit : key) unit = LowerAscii(unit);
  return key;
}

}  // namespace

void EmbeddedRuntime::Register(std::u16string_view prog_id, Factory factory) {
  factories_[RegistryKey(prog_id)] = std::move(factory);
}

std::unique_ptr<IoServer> EmbeddedRuntime::CreateObject(std::u16string_view prog_id) {
  auto found = factories_.find(RegistryKey(prog_id));
  std::unique_ptr<IoServer> object;
  if (found != factories_.end()) object = found->second();
  if (!object) {
    throw NothingRegisteredError(prog_id);
  }
  return object;
}

}  // namespace rozovevi::ioserver
