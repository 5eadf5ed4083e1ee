// The outcome of one step inside the stand-in server: success, or a failure with its reason.
#pragma once

#include <string>
#include <utility>

namespace rozovevi::ioserver {

// Small and cheap to return: a success holds nothing but its kind. Every layer of the stand-in
// server (the file layer, each kind of address, the server's members) returns one.
class Status {
 public:
  // A success.
  Status() = default;
  static Status Ok() { return Status(); }

  // A failure that the same call might not meet again: a missing file, a refused connection, a
  // device that did not answer in time. reason is one line of UTF-8 saying what failed and why.
  static Status Failure(std::string reason) { return Status(Kind::kFailure, std::move(reason)); }

  // A failure that no repetition of the same call can mend (a malformed address), so that a
  // caller repeating reads may stop at once.
  static Status Lasting(std::string reason) { return Status(Kind::kLasting, std::move(reason)); }

  bool ok() const { return kind_ == Kind::kOk; }
  bool lasting() const { return kind_ == Kind::kLasting; }

  // The one-line reason of a failure; empty for a success.
  const std::string& reason() const { return reason_; }

  // The same failure, of the same kind, with more said after its reason; a success stays one.
  Status WithSuffix(std::string_view suffix) const {
    return ok() ? *this : Status(kind_, reason_ + std::string(suffix));
  }

  // "OK", or the reason of a failure.
  std::string ToString() const { return ok() ? std::string("OK") : reason_; }

 private:
  enum class Kind { kOk, kFailure, kLasting };
  Status(Kind kind, std::string reason) : kind_(kind), reason_(std::move(reason)) {}

  Kind kind_ = Kind::kOk;
  std::string reason_;
};

}  // namespace rozovevi::ioserver
