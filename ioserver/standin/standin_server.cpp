// The stand-in server's members: address checks, value framing, Success and the failure report.
#include "ioserver/standin/standin_server.h"

#include <cstdio>
#include <memory>
#include <string>

#include "ioserver/standin/address.h"
#include "ioserver/standin/file_access.h"
#include "ioserver/standin/file_text.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver {
namespace standin {
namespace {

FileOutcome Failed(std::string reason) { return FileOutcome{false, std::move(reason)}; }

// Whether address is a file name this server can reach.
FileOutcome CheckFileAddress(const AutomationValue& address) {
  if (address.kind() != ValueKind::kString) return Failed("the address is not a string");
  switch (ClassifyAddress(address.string())) {
    case AddressKind::kDde:
      return Failed("DDE items cannot be reached by the stand-in I/O server");
    case AddressKind::kOpc:
      return Failed("OPC items cannot be reached by the stand-in I/O server");
    case AddressKind::kFile:
      break;
  }
  return FileOutcome{true, {}};
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

void StandInServer::Silent(const AutomationValue& value) { silent_ = !ComparesEqualToFalse(value); }

AutomationValue StandInServer::ReadInputFile(const AutomationValue& address) {
  AutomationValue value;
  FileOutcome outcome = CheckFileAddress(address);
  if (outcome.ok) {
    const FileBytes file = ReadFileBytes(address.string());
    outcome = file.outcome;
    if (outcome.ok) {
      if (std::optional<std::u16string> text = DecodeUtf8(ValueBytesOf(file.bytes))) {
        value = AutomationValue::String(*std::move(text));
      } else {
        outcome = Failed("the file is not valid UTF-8 text");
      }
    }
  }
  Record("ReadInputFile", address, outcome);
  return value;
}

void StandInServer::WriteOutputFile(const AutomationValue& address, const AutomationValue& value) {
  if (value.kind() != ValueKind::kString) {
    FileOutcome outcome = CheckFileAddress(address);
    if (outcome.ok) outcome = Failed("the value is not a string");
    Record("WriteOutputFile", address, outcome);
    return;
  }
  WriteOutputText(address, value.string());
}

void StandInServer::WriteOutputText(const AutomationValue& address, std::u16string_view value) {
  FileOutcome outcome = CheckFileAddress(address);
  if (outcome.ok) {
    // Encoded straight from the caller's text: the one copy of a large value is its bytes.
    if (std::optional<std::string> bytes = EncodeUtf8(value)) {
      outcome = ReplaceFileContents(address.string(), *bytes);
    } else {
      outcome =
          Failed("the value holds an unpaired UTF-16 surrogate and cannot be stored as UTF-8");
    }
  }
  Record("WriteOutputFile", address, outcome);
}

AutomationValue StandInServer::Success() { return AutomationValue::Boolean(last_call_succeeded_); }

void StandInServer::Record(const char* member, const AutomationValue& address,
                           const FileOutcome& outcome) {
  last_call_succeeded_ = outcome.ok;
  if (outcome.ok || silent_) return;
  errors_ << member << '(' << QuotedForReport(address) << ") failed: " << outcome.reason
          << std::endl;
}

}  // namespace standin

void RegisterStandInServer(EmbeddedRuntime& runtime) {
  runtime.Register(kIoServerProgId, [] { return std::make_unique<standin::StandInServer>(); });
}

}  // namespace rozovevi::ioserver
