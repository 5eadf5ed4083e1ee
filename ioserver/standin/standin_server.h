// The stand-in I/O server built into the program: reads and writes files and, on Linux, Modbus
// items; DDE and OPC fail.
#pragma once

#include <iostream>
#include <memory>
#include <ostream>
#include <vector>

#include "ioserver/embedded_runtime.h"
#include "ioserver/io_server.h"
#include "ioserver/standin/item_kind.h"

namespace rozovevi::ioserver {

namespace standin {

// An I/O server whose addresses are file names, or belong to one of its other kinds (kinds_,
// by default the platform's: MODBUS: addresses on Linux), which it hands each address it claims.
//
// ReadInputFile returns the file's text as a String: UTF-8 without a leading byte-order mark and
// without one trailing line ending, so a file saved by a text editor reads as its one value.
// WriteOutputFile stores the value as UTF-8 exactly, with no byte-order mark and no line ending,
// replacing the file all at once (see ReplaceFileContents). A value that ends in a line ending, or
// begins with U+FEFF, therefore reads back without it: the read takes those for an editor's.
//
// A call fails, and Success then answers False, when an argument is not a String, when the
// address names a DDE or an OPC item (not reachable from the stand-in), when the file cannot be
// read or written, when the file is not valid UTF-8, or when the value holds an unpaired
// surrogate, or when the kind that claims the address fails the call. A failed read returns
// Empty. Nothing is ever shown or stored altered. Every failure keeps its reason (LastFailure).
class StandInServer final : public IoServer {
 public:
  // A server that is not Silent writes a one-line reason for each failed call to errors.
  explicit StandInServer(std::ostream& errors = std::cerr,
                         std::vector<std::unique_ptr<ItemKind>> kinds = PlatformItemKinds());

  // Any value that does not compare equal to False makes the server silent. A new server is not.
  void Silent(const AutomationValue& value) override;
  AutomationValue ReadInputFile(const AutomationValue& address) override;
  void WriteOutputFile(const AutomationValue& address, const AutomationValue& value) override;
  // Encodes value where it lies, with no copy of it as a String first.
  void WriteOutputText(const AutomationValue& address, std::u16string_view value) override;
  // Boolean True when the last ReadInputFile or WriteOutputFile succeeded; False before either.
  AutomationValue Success() override;
  // The reason the last call failed, Silent or not; nothing after a success.
  CallFailure LastFailure() const override;

 private:
  // The kind that claims address, or nothing for a file name.
  ItemKind* KindFor(std::u16string_view address) const;
  // Keeps the outcome for Success and LastFailure, and reports a failure unless Silent.
  void Record(const char* member, const AutomationValue& address, ItemOutcome outcome);

  std::ostream& errors_;
  std::vector<std::unique_ptr<ItemKind>> kinds_;
  bool silent_ = false;
  ItemOutcome last_outcome_;  // Before any call: failed, with no reason.
};

}  // namespace standin

// Registers the stand-in server under kIoServerProgId.
void RegisterStandInServer(EmbeddedRuntime& runtime);

}  // namespace rozovevi::ioserver
