// IoError keeps a UTF-8 copy of its number and description for what().
#include "ioserver/io_error.h"

#include <utility>

#include "ioserver/utf8.h"

namespace rozovevi::ioserver {

IoError::IoError(std::int32_t number, std::u16string description)
    : number_(number),
      description_(std::move(description)),
      what_("error " + std::to_string(number) + ": " + EncodeUtf8Lossy(description_)) {}

IoError InvalidUseOfNullError() {
  return IoError(error_number::kInvalidUseOfNull, u"Invalid use of Null");
}

IoError NothingRegisteredError(std::u16string_view prog_id) {
  return IoError(
      error_number::kCannotCreateObject,
      u"Cannot create object: nothing is registered as \"" + std::u16string(prog_id) + u"\"");
}

IoError CannotCreateObjectError(std::u16string_view prog_id, std::u16string_view reason) {
  return IoError(
      error_number::kCannotCreateObject,
      u"Cannot create object \"" + std::u16string(prog_id) + u"\": " + std::u16string(reason));
}

IoError MemberNotSupportedError() {
  return IoError(error_number::kMemberNotSupported,
                 u"Object doesn't support this property or method");
}

IoError OutOfMemoryError() { return IoError(error_number::kOutOfMemory, u"Out of memory"); }

}  // namespace rozovevi::ioserver
