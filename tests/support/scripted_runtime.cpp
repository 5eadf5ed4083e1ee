// The scripted runtime and its logging server objects.
#include "tests/support/scripted_runtime.h"

#include <new>

#include "ioserver/utf8.h"

namespace rozovevi::testing {
namespace {

[[noreturn]] void Raise(const ServerScript& script) {
  if (script.out_of_memory) throw std::bad_alloc();
  throw script.error;
}

class ScriptedServer : public ioserver::IoServer {
 public:
  ScriptedServer(ScriptedRuntime& runtime, int number)
      : runtime_(runtime),
        log_(runtime.log()),
        script_(runtime.script),
        prefix_("#" + std::to_string(number) + ".") {
    ++runtime_.objects_alive;
  }
  ~ScriptedServer() override {
    --runtime_.objects_alive;
    log_.push_back(prefix_ + "Release");
  }

  void Silent(const ioserver::AutomationValue& value) override {
    log_.push_back(prefix_ + "Silent=" + Describe(value));
    MaybeFail(Member::kSilent);
  }

  ioserver::AutomationValue ReadInputFile(const ioserver::AutomationValue& address) override {
    log_.push_back(prefix_ + "ReadInputFile(" + Describe(address) + ")");
    runtime_.reads.push_back(address.string());
    MaybeFail(Member::kReadInputFile);
    return script_.read_result;
  }

  void WriteOutputFile(const ioserver::AutomationValue& address,
                       const ioserver::AutomationValue& value) override {
    log_.push_back(prefix_ + "WriteOutputFile(" + Describe(address) + ", " + Describe(value) + ")");
    runtime_.writes.emplace_back(address.string(), value.string());
    MaybeFail(Member::kWriteOutputFile);
  }

  ioserver::AutomationValue Success() override {
    log_.push_back(prefix_ + "Success");
    MaybeFail(Member::kSuccess);
    return script_.success;
  }

  // Not logged: it is no automation member.
  ioserver::Status LastFailure() const override { return script_.failure; }

 private:
  void MaybeFail(Member member) const {
    if (script_.failing_member == member) Raise(script_);
  }

  ScriptedRuntime& runtime_;
  EventLog& log_;
  const ServerScript script_;  // As it was when the object was created.
  const std::string prefix_;
};

}  // namespace

std::unique_ptr<ioserver::IoServer> ScriptedRuntime::CreateObject(std::u16string_view prog_id) {
  const int number = ++objects_created;
  log_.push_back("CreateObject(" + ioserver::EncodeUtf8Lossy(prog_id) + ")#" +
                 std::to_string(number));
  if (script.failing_member == Member::kCreate) Raise(script);
  return std::make_unique<ScriptedServer>(*this, number);
}

std::string MemberName(Member member) {
  switch (member) {
    case Member::kCreate:
      return "CreateObject";
    case Member::kSilent:
      return "Silent";
    case Member::kReadInputFile:
      return "ReadInputFile";
    case Member::kWriteOutputFile:
      return "WriteOutputFile";
    case Member::kSuccess:
      return "Success";
  }
  return "?";
}

std::string Describe(const ioserver::AutomationValue& value) {
  using ioserver::ValueKind;
  switch (value.kind()) {
    case ValueKind::kEmpty:
      return "Empty";
    case ValueKind::kNull:
      return "Null";
    case ValueKind::kBoolean:
      return value.boolean_bits() == ioserver::kVariantFalse ? "False" : "True";
    case ValueKind::kInt32:
      return std::to_string(value.int32());
    case ValueKind::kDouble:
      return std::to_string(value.real());
    case ValueKind::kString:
      return "\"" + ioserver::EncodeUtf8Lossy(value.string()) + "\"";
  }
  return "?";
}

}  // namespace rozovevi::testing
