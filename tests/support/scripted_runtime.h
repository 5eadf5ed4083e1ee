// A fake automation runtime whose server objects log every member call and answer from a script,
// including raising an error from a chosen member or from creation itself.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "ioserver/automation_runtime.h"
#include "ioserver/io_error.h"
#include "tests/support/event_log.h"

namespace rozovevi::testing {

enum class Member { kCreate, kSilent, kReadInputFile, kWriteOutputFile, kSuccess };

// What every object the runtime creates answers.
struct ServerScript {
  ioserver::AutomationValue read_result = ioserver::AutomationValue::String(u"");
  ioserver::AutomationValue success = ioserver::AutomationValue::Boolean(true);
  // The member that raises `error` instead of answering, if any.
  std::optional<Member> failing_member;
  ioserver::IoError error{440, u"Automation error"};
  // Makes the failing member raise std::bad_alloc instead, as a failed allocation would.
  bool out_of_memory = false;
  // What LastFailure answers.
  ioserver::Status failure = ioserver::Status::Failure("");
};

class ScriptedRuntime : public ioserver::AutomationRuntime {
 public:
  explicit ScriptedRuntime(EventLog& log) : log_(log) {}

  ServerScript script;
  int objects_created = 0;
  int objects_alive = 0;
  // The arguments of every read and write made on any object, in order.
  std::vector<std::u16string> reads;
  std::vector<std::pair<std::u16string, std::u16string>> writes;  // Address, value.

  // Logs "CreateObject(<id>)#<n>"; the n-th object logs its calls as "#<n>.<Member>(...)" and its
  // release as "#<n>.Release".
  std::unique_ptr<ioserver::IoServer> CreateObject(std::u16string_view prog_id) override;

  EventLog& log() { return log_; }

 private:
  EventLog& log_;
};

// The member's name, for test names and messages.
std::string MemberName(Member member);
inline void PrintTo(Member member, std::ostream* os) { *os << MemberName(member); }

// Renders a value for the log: strings quoted, other kinds by name.
std::string Describe(const ioserver::AutomationValue& value);

}  // namespace rozovevi::testing
