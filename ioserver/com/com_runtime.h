// Late-bound automation through COM: objects by programmatic identifier, values as VARIANT text.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ioserver/automation_runtime.h"

namespace rozovevi::ioserver::com {

// Needs COM initialised on the calling thread (see ComApartment); every call comes on that thread.
class ComRuntime final : public AutomationRuntime {
 public:
  // Looks up prog_id with CLSIDFromProgID and creates the object on the local machine, in-process
  // or as a local server, asking for its IDispatch. Raises IoError 429 when nothing is registered
  // under prog_id or the object cannot be created.
  std::unique_ptr<IoServer> CreateObject(std::u16string_view prog_id) override;

  // VariantChangeTypeEx in the user's locale; see VariantText.
  std::u16string ConvertToText(const AutomationValue& value) const override;
};

}  // namespace rozovevi::ioserver::com
