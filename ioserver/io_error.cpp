// IoError keeps a UTF-8 copy of its number and description for what().
#include "ioserver/io_error.h"

#include "ioserver/utf8.h"

namespace rozovevi::ioserver {

IoError::IoError(std::int32_t number, std::u16string description)
    : number_(number),
      description_(std::move(description)),
      what_("error " + std::to_string(number) + ": " + EncodeUtf8Lossy(description_)) {}

IoError OutOfMemoryError() { return IoError(error_number::kOutOfMemory, u"Out of memory"); }

}  // namespace rozovevi::ioserver
