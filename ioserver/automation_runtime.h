// What the platform offers for late-bound automation: objects by identifier, values as text.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ioserver/automation_value.h"
#include "ioserver/io_server.h"

namespace rozovevi::ioserver {

// The programmatic identifier of the I/O server component.
inline constexpr std::u16string_view kIoServerProgId = u"DARedUde.daREDudeClass";

class AutomationRuntime {
 public:
  AutomationRuntime() = default;
  AutomationRuntime(const AutomationRuntime&) = delete;
  AutomationRuntime& operator=(const AutomationRuntime&) = delete;
  virtual ~AutomationRuntime() = default;

  // Creates a new object on the local machine from its programmatic identifier. Never returns
  // null: raises IoError 429, naming the identifier, when nothing is registered under it, or
  // another IoError when the object cannot be created.
  virtual std::unique_ptr<IoServer> CreateObject(std::u16string_view prog_id) = 0;

  // The platform's standard conversion of a returned value to text. The default is the portable
  // ToText; a platform with a locale-aware conversion of its own overrides it. A string is always
  // its own text, so callers may take a string value as it is without calling this.
  virtual std::u16string ConvertToText(const AutomationValue& value) const { return ToText(value); }
};

}  // namespace rozovevi::ioserver
