// Creation of built-in objects by programmatic identifier.
#include "ioserver/embedded_runtime.h"

#include "ioserver/io_error.h"

namespace rozovevi::ioserver {
namespace {

std::u16string LowerAscii(std::u16string_view text) {
  std::u16string lower(text);
  for (char16_t& unit : lower) {
    if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit - u'A' + u'a');
  }
  return lower;
}

}  // namespace

void EmbeddedRuntime::Register(std::u16string_view prog_id, Factory factory) {
  factories_[LowerAscii(prog_id)] = std::move(factory);
}

std::unique_ptr<IoServer> EmbeddedRuntime::CreateObject(std::u16string_view prog_id) {
  auto found = factories_.find(LowerAscii(prog_id));
  std::unique_ptr<IoServer> object;
  if (found != factories_.end()) object = found->second();
  if (!object) {
    throw NothingRegisteredError(prog_id);
  }
  return object;
}

}  // namespace rozovevi::ioserver
