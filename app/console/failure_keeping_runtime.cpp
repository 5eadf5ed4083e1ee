// Objects that pass every member through and keep the reason of a failure where Success finds it.
#include "app/console/failure_keeping_runtime.h"

#include <utility>

namespace rozovevi::app::console {
namespace {

using ioserver::AutomationValue;

class FailureKeepingServer final : public ioserver::IoServer {
 public:
  FailureKeepingServer(std::unique_ptr<ioserver::IoServer> server, ioserver::CallFailure& kept)
      : server_(std::move(server)), kept_(kept) {}

  void Silent(const AutomationValue& value) override { server_->Silent(value); }
  AutomationValue ReadInputFile(const AutomationValue& address) override {
    return server_->ReadInputFile(address);
  }
  void WriteOutputFile(const AutomationValue& address, const AutomationValue& value) override {
    server_->WriteOutputFile(address, value);
  }
  void WriteOutputText(const AutomationValue& address, std::u16string_view value) override {
    server_->WriteOutputText(address, value);
  }
  AutomationValue Success() override {
    AutomationValue success = server_->Success();
    kept_ =
        ioserver::ComparesEqualToFalse(success) ? server_->LastFailure() : ioserver::CallFailure{};
    return success;
  }
  ioserver::CallFailure LastFailure() const override { return server_->LastFailure(); }

 private:
  std::unique_ptr<ioserver::IoServer> server_;
  ioserver::CallFailure& kept_;
};

}  // namespace

FailureKeepingRuntime::FailureKeepingRuntime(std::unique_ptr<ioserver::AutomationRuntime> runtime)
    : runtime_(std::move(runtime)) {}

std::unique_ptr<ioserver::IoServer> FailureKeepingRuntime::CreateObject(
    std::u16string_view prog_id) {
  last_failure_ = ioserver::CallFailure{};
  return std::make_unique<FailureKeepingServer>(runtime_->CreateObject(prog_id), last_failure_);
}

std::u16string FailureKeepingRuntime::ConvertToText(const AutomationValue& value) const {
  return runtime_->ConvertToText(value);
}

}  // namespace rozovevi::app::console
