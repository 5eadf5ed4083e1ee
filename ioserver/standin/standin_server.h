// The stand-in I/O server built into the program: reads and writes files and, on Linux, Modbus
// items; DDE and OPC fail.
#pragma once

#include <memory>
#include <ostream>
#include <vector>

#include "ioserver/embedded_runtime.h"
#include "ioserver/io_server.h"
#include "ioserver/standin/address_kind.h"
#include "ioserver/status.h"

namespace rozovevi::ioserver {

namespace standin {

// An I/O server that hands each address to the first of its kinds that claims it (by default the
// platform's list, PlatformAddressKinds: files last, so a file name is every address no other
// kind claims). See FileKind for how a file holds its value.
//
// A call fails, and Success then answers False, when an argument is not a String or when the
// kind that claims the address fails the call (DDE and OPC items, say, which the stand-in cannot
// reach). A failed read returns Empty. Nothing is ever shown or stored altered. Every failure
// keeps its reason (LastFailure).
class StandInServer final : public IoServer {
 public:
  // A server that is not Silent writes a one-line reason for each failed call to errors, or,
  // when none is given, to standard error, which is made only at the first such report.
  explicit StandInServer(AddressKinds kinds = PlatformAddressKinds());
  explicit StandInServer(std::ostream& errors, AddressKinds kinds = PlatformAddressKinds());

  // Any value that does not compare equal to False makes the server silent. A new server is not.
  void Silent(const AutomationValue& value) override;
  AutomationValue ReadInputFile(const AutomationValue& address) override;
  void WriteOutputFile(const AutomationValue& address, const AutomationValue& value) override;
  // Encodes value where it lies, with no copy of it as a String first.
  void WriteOutputText(const AutomationValue& address, std::u16string_view value) override;
  // Boolean True when the last ReadInputFile or WriteOutputFile succeeded; False before either.
  AutomationValue Success() override;
  // The outcome of the last call, Silent or not: a success, or the failure with its reason.
  Status LastFailure() const override { return last_outcome_; }

 private:
  // The kind that claims address; fails when none does.
  AddressKind* KindFor(std::u16string_view address) const;
  // Keeps the outcome for Success and LastFailure, and reports a failure unless Silent.
  void Record(const char* member, const AutomationValue& address, Status outcome);

  std::ostream* errors_ = nullptr;  // Standard error when none was given.
  AddressKinds kinds_;
  bool silent_ = false;
  Status last_outcome_ = Status::Failure("");  // Before any call: failed, with no reason.
};

}  // namespace standin

// Registers the stand-in server under kIoServerProgId; its kinds share context.
void RegisterStandInServer(EmbeddedRuntime& runtime, standin::KindContext context = {});

}  // namespace rozovevi::ioserver
