// The one error type raised across the I/O server seam: a number and a description.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace rozovevi::ioserver {

// Error numbers the program itself raises; a server or the platform may raise any other number.
namespace error_number {
constexpr std::int32_t kOutOfMemory = 7;
constexpr std::int32_t kInvalidUseOfNull = 94;
constexpr std::int32_t kCannotCreateObject = 429;
constexpr std::int32_t kMemberNotSupported = 438;
}  // namespace error_number

// Raised by creating a server object or by any of its members. Carries the number and the
// description the operator is shown; what() gives the same in UTF-8 for logs and test output.
class IoError : public std::exception {
 public:
  IoError(std::int32_t number, std::u16string description);

  std::int32_t number() const noexcept { return number_; }
  const std::u16string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::int32_t number_;
  std::u16string description_;
  std::string what_;
};

// The errors the program raises itself, each worded here only.

// 94 "Invalid use of Null": a Null value asked for as text.
IoError InvalidUseOfNullError();
// 429 naming prog_id, when nothing is registered under it.
IoError NothingRegisteredError(std::u16string_view prog_id);
// 429 naming prog_id, when its class is found but creating the object fails for reason.
IoError CannotCreateObjectError(std::u16string_view prog_id, std::u16string_view reason);
// 438 "Object doesn't support this property or method".
IoError MemberNotSupportedError();
// The error reported for an allocation that failed (std::bad_alloc) during an exchange.
IoError OutOfMemoryError();

}  // namespace rozovevi::ioserver
