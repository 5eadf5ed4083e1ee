// A file's value as text: the UTF-8 framing of file_text.h over the platform's file access.
#include "ioserver/standin/files/file_kind.h"

#include <optional>
#include <string>

#include "ioserver/standin/file_access.h"
#include "ioserver/standin/file_text.h"
#include "ioserver/utf8.h"

namespace rozovevi::ioserver::standin {
Status FileKind::Read(std::u16string_view address, std::u16string& value) {
  std::string bytes;
  if (Status read = ReadFileBytes(address, bytes); !read.ok()) return read;
  std::optional<std::u16string> text = DecodeUtf8(ValueBytesOf(bytes));
  if (!text) return Status::Failure("the file is not valid UTF-8 text");
  value = *std::move(text);
  return Status::Ok();
}

Status FileKind::Write(std::u16string_view address, std::u16string_view value) {
  // Encoded straight from the caller's text: the one copy of a large value is its bytes.
  std::optional<std::string> bytes = EncodeUtf8(value);
  if (!bytes) {
    return Status::Failure(
        "the value holds an unpaired UTF-16 surrogate and cannot be stored as UTF-8");
  }
  return ReplaceFileContents(address, *bytes);
}

}  // namespace rozovevi::ioserver::standin
