// An I/O server for the window tests whose answers the test sets and whose calls it records.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ioserver/automation_value.h"
#include "ioserver/embedded_runtime.h"
#include "ioserver/io_error.h"
#include "ioserver/io_server.h"

namespace rozovevi::app::qt::testing {

// What every server object created in a test answers, and what was asked of them.
struct ServerScript {
  ioserver::AutomationValue read_result = ioserver::AutomationValue::String(u"");
  ioserver::AutomationValue success = ioserver::AutomationValue::Boolean(true);
  std::optional<ioserver::IoError> call_error;  // Raised by ReadInputFile and WriteOutputFile.

  int objects_created = 0;
  std::vector<std::u16string> reads;                              // Addresses.
  std::vector<std::pair<std::u16string, std::u16string>> writes;  // Address, value.
};

class ScriptedIoServer final : public ioserver::IoServer {
 public:
  explicit ScriptedIoServer(ServerScript& script) : script_(script) {}

  void Silent(const ioserver::AutomationValue&) override {}

  ioserver::AutomationValue ReadInputFile(const ioserver::AutomationValue& address) override {
    script_.reads.push_back(address.string());
    if (script_.call_error) throw *script_.call_error;
    return script_.read_result;
  }

  void WriteOutputFile(const ioserver::AutomationValue& address,
                       const ioserver::AutomationValue& value) override {
    script_.writes.emplace_back(address.string(), value.string());
    if (script_.call_error) throw *script_.call_error;
  }

  ioserver::AutomationValue Success() override { return script_.success; }

 private:
  ServerScript& script_;
};

// Registers the scripted server under the I/O server's identifier; script must outlive runtime.
inline void RegisterScriptedServer(ioserver::EmbeddedRuntime& runtime, ServerScript& script) {
  runtime.Register(ioserver::kIoServerProgId, [&script] {
    ++script.objects_created;
    return std::make_unique<ScriptedIoServer>(script);
  });
}

}  // namespace rozovevi::app::qt::testing
