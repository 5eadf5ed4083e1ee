// The stand-in server's members: the kind each address belongs to, value framing for files,
// Success, the kept reason and the failure report.
#include "ioserver/standin/standin_server.h"

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "ioserver/standin/address.h"
#include "ioserver/standin/file_access.h"
#include "ioserver/standin/file_text.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver {
namespace standin {
namespace {

ItemOutcome Failed(std::string reason) { return ItemOutcome{false, std::move(reason), false}; }
ItemOutcome Outcome(const FileOutcome& file) { return ItemOutcome{file.ok, file.reason, false}; }

// Why address cannot be reached at all, or nothing when it is a string of a reachable kind.
std::optional<ItemOutcome> Unreachable(const AutomationValue& address) {
  if (address.kind() != ValueKind::kString) return Failed("the address is not a string");
  switch (ClassifyAddress(address.string())) {
    case AddressKind::kDde:
      return Failed("DDE items cannot be reached by the stand-in I/O server");
    case AddressKind::kOpc:
      return Failed("OPC items cannot be reached by the stand-in I/O server");
    case AddressKind::kFile:
      break;
  }
  return std::nullopt;
}

ItemText ReadFileText(std::u16string_view path) {
  const FileBytes file = ReadFileBytes(path);
  if (!file.outcome.ok) return ItemText{Outcome(file.outcome), {}};
  std::optional<std::u16string> text = DecodeUtf8(ValueBytesOf(file.bytes));
  if (!text) return ItemText{Failed("the file is not valid UTF-8 text"), {}};
  return ItemText{ItemOutcome{true, {}, false}, *std::move(text)};
}

ItemOutcome WriteFileText(std::u16string_view path, std::u16string_view value) {
  // Encoded straight from the caller's text: the one copy of a large value is its bytes.
  std::optional<std::string> bytes = EncodeUtf8(value);
  if (!bytes) {
    return Failed("the value holds an unpaired UTF-16 surrogate and cannot be stored as UTF-8");
  }
  return Outcome(ReplaceFileContents(path, *bytes));
}

// The address as it appears in a report: quoted, with control characters escaped so that the
// report stays on one line.
std::string QuotedForReport(const AutomationValue& address) {
  if (address.kind() != ValueKind::kString) return "(not a string)";
  std::string quoted = "\"";
  for (char byte : EncodeUtf8Lossy(address.string())) {
    const auto unit = static_cast<unsigned char>(byte);
    if (unit < 0x20 || unit == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", unit);
      quoted += escaped;
    } else {
      quoted.push_back(byte);
    }
  }
  return quoted + "\"";
}

}  // namespace

StandInServer::StandInServer(std::ostream& errors, std::vector<std::unique_ptr<ItemKind>> kinds)
    : errors_(errors), kinds_(std::move(kinds)) {}

void StandInServer::Silent(const AutomationValue& value) { silent_ = !ComparesEqualToFalse(value); }

ItemKind* StandInServer::KindFor(std::u16string_view address) const {
  for (const std::unique_ptr<ItemKind>& kind : kinds_) {
    if (kind->Claims(address)) return kind.get();
  }
  return nullptr;
}

AutomationValue StandInServer::ReadInputFile(const AutomationValue& address) {
  if (std::optional<ItemOutcome> refused = Unreachable(address)) {
    Record("ReadInputFile", address, *std::move(refused));
    return AutomationValue();
  }
  ItemKind* kind = KindFor(address.string());
  ItemText read = kind ? kind->Read(address.string()) : ReadFileText(address.string());
  AutomationValue value;
  if (read.outcome.ok) value = AutomationValue::String(std::move(read.value));
  Record("ReadInputFile", address, std::move(read.outcome));
  return value;
}

void StandInServer::WriteOutputFile(const AutomationValue& address, const AutomationValue& value) {
  if (value.kind() != ValueKind::kString) {
    std::optional<ItemOutcome> refused = Unreachable(address);
    Record("WriteOutputFile", address,
           refused ? *std::move(refused) : Failed("the value is not a string"));
    return;
  }
  WriteOutputText(address, value.string());
}

void StandInServer::WriteOutputText(const AutomationValue& address, std::u16string_view value) {
  if (std::optional<ItemOutcome> refused = Unreachable(address)) {
    Record("WriteOutputFile", address, *std::move(refused));
    return;
  }
  ItemKind* kind = KindFor(address.string());
  Record("WriteOutputFile", address,
         kind ? kind->Write(address.string(), value) : WriteFileText(address.string(), value));
}

AutomationValue StandInServer::Success() { return AutomationValue::Boolean(last_outcome_.ok); }

CallFailure StandInServer::LastFailure() const {
  if (last_outcome_.ok) return CallFailure{};
  return CallFailure{WidenUtf8(last_outcome_.reason), last_outcome_.lasting};
}

void StandInServer::Record(const char* member, const AutomationValue& address,
                           ItemOutcome outcome) {
  last_outcome_ = std::move(outcome);
  if (last_outcome_.ok || silent_) return;
  errors_ << member << '(' << QuotedForReport(address) << ") failed: " << last_outcome_.reason
          << std::endl;
}

}  // namespace standin

void RegisterStandInServer(EmbeddedRuntime& runtime) {
  runtime.Register(kIoServerProgId, [] { return std::make_unique<standin::StandInServer>(); });
}

}  // namespace rozovevi::ioserver
