// An automation runtime whose objects are classes built into the program, found by identifier.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ioserver/automation_runtime.h"

namespace rozovevi::ioserver {

class EmbeddedRuntime : public AutomationRuntime {
 public:
  using Factory = std::function<std::unique_ptr<IoServer>()>;

  // Registers factory under prog_id, replacing any earlier registration. Identifiers are matched
  // without regard to ASCII letter case, as programmatic identifiers are.
  void Register(std::u16string_view prog_id, Factory factory);

  std::unique_ptr<IoServer> CreateObject(std::u16string_view prog_id) override;

 private:
  std::map<std::u16string, Factory> factories_;  // Keyed by the identifier in lower case.
};

}  // namespace rozovevi::ioserver
