// A kind of address that this stand-in cannot reach: every call fails, with its reason.
#pragma once

#include <string>

#include "ioserver/standin/address_kind.h"

namespace rozovevi::ioserver::standin {

// Claims the addresses with prefix, so that none is taken for a file name, and fails every read
// and write of them with reason.
class UnreachableKind final : public AddressKind {
 public:
  UnreachableKind(std::u16string prefix, std::string reason)
      : prefix_(std::move(prefix)), reason_(std::move(reason)) {}

  std::u16string_view Prefix() const override { return prefix_; }
  Status Read(std::u16string_view, std::u16string&) override { return Status::Failure(reason_); }
  Status Write(std::u16string_view, std::u16string_view) override {
    return Status::Failure(reason_);
  }

 private:
  std::u16string prefix_;
  std::string reason_;
};

// DDE items, which only the installed I/O server reaches.
inline std::unique_ptr<AddressKind> MakeDdeKind() {
  return std::make_unique<UnreachableKind>(
      u"DDE:", "DDE items cannot be reached by the stand-in I/O server");
}

// OPC items, where the stand-in has no OPC client of its own.
inline std::unique_ptr<AddressKind> MakeOpcKind() {
  return std::make_unique<UnreachableKind>(
      u"OPC:", "OPC items cannot be reached by the stand-in I/O server");
}

}  // namespace rozovevi::ioserver::standin
