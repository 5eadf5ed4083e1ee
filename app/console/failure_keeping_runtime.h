// The console program's runtime, wrapped so that the reason a server gives for a failed call
// outlives the server object the exchange releases.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ioserver/automation_runtime.h"
#include "ioserver/io_server.h"

namespace rozovevi::app::console {

// Creates objects through the wrapped runtime. Each object answers exactly as the wrapped one
// does; when its Success answers failure, the object's LastFailure is kept here, so that the
// console can add the reason to "Communication Failed!". A server that gives no reason (one
// reached through COM) leaves it empty.
class FailureKeepingRuntime final : public ioserver::AutomationRuntime {
 public:
  explicit FailureKeepingRuntime(std::unique_ptr<ioserver::AutomationRuntime> runtime);

  std::unique_ptr<ioserver::IoServer> CreateObject(std::u16string_view prog_id) override;
  std::u16string ConvertToText(const ioserver::AutomationValue& value) const override;

  // The failure the latest Success call answered; empty after a success.
  const ioserver::CallFailure& last_failure() const { return last_failure_; }

 private:
  std::unique_ptr<ioserver::AutomationRuntime> runtime_;
  ioserver::CallFailure last_failure_;
};

}  // namespace rozovevi::app::console
