// The stand-in server's members: the kind each address belongs to, Success, the kept reason and
// the failure report.
#include "ioserver/standin/standin_server.h"

#include <memory>
#include <string>
#include <utility>

#include "ioserver/ascii_text.h"
#include "ioserver/standard_error.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver {
namespace standin {
namespace {

Status NotAString(const char* what) {
  return Status::Failure(std::string(what) + " is not a string");
}

// The address as it appears in a report: quoted, with control characters escaped so that the
// report stays on one line.
std::string QuotedForReport(const AutomationValue& address) {
  if (address.kind() != ValueKind::kString) return "(not a string)";
  return QuotedWhole(EncodeUtf8Lossy(address.string()));
}

}  // namespace

StandInServer::StandInServer(AddressKinds kinds) : kinds_(std::move(kinds)) {}

StandInServer::StandInServer(std::ostream& errors, AddressKinds kinds)
    : errors_(&errors), kinds_(std::move(kinds)) {}

void StandInServer::Silent(const AutomationValue& value) { silent_ = !ComparesEqualToFalse(value); }

AddressKind* StandInServer::KindFor(std::u16string_view address) const {
  for (const std::unique_ptr<AddressKind>& kind : kinds_) {
    if (Claims(*kind, address)) return kind.get();
  }
  return nullptr;
}

AutomationValue StandInServer::ReadInputFile(const AutomationValue& address) {
  if (address.kind() != ValueKind::kString) {
    Record("ReadInputFile", address, NotAString("the address"));
    return AutomationValue();
  }
  AddressKind* kind = KindFor(address.string());
  if (kind == nullptr) {
    Record("ReadInputFile", address, Status::Failure("no kind of address claims it"));
    return AutomationValue();
  }
  std::u16string text;
  Status read = kind->Read(address.string(), text);
  AutomationValue value;
  if (read.ok()) value = AutomationValue::String(std::move(text));
  Record("ReadInputFile", address, std::move(read));
  return value;
}

void StandInServer::WriteOutputFile(const AutomationValue& address, const AutomationValue& value) {
  if (value.kind() != ValueKind::kString) {
    Record("WriteOutputFile", address,
           NotAString(address.kind() != ValueKind::kString ? "the address" : "the value"));
    return;
  }
  WriteOutputText(address, value.string());
}

void StandInServer::WriteOutputText(const AutomationValue& address, std::u16string_view value) {
  if (address.kind() != ValueKind::kString) {
    Record("WriteOutputFile", address, NotAString("the address"));
    return;
  }
  AddressKind* kind = KindFor(address.string());
  Record("WriteOutputFile", address,
         kind ? kind->Write(address.string(), value)
              : Status::Failure("no kind of address claims it"));
}

AutomationValue StandInServer::Success() { return AutomationValue::Boolean(last_outcome_.ok()); }

void StandInServer::Record(const char* member, const AutomationValue& address, Status outcome) {
  last_outcome_ = std::move(outcome);
  if (last_outcome_.ok() || silent_) return;
  std::ostream& errors = errors_ != nullptr ? *errors_ : StandardError();
  errors << member << '(' << QuotedForReport(address) << ") failed: " << last_outcome_.reason()
         << std::endl;
}

}  // namespace standin

void RegisterStandInServer(EmbeddedRuntime& runtime, standin::KindContext context) {
  runtime.Register(kIoServerProgId, [context] {
    return std::make_unique<standin::StandInServer>(standin::PlatformAddressKinds(context));
  });
}

}  // namespace rozovevi::ioserver
