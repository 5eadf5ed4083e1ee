// Removal of the byte-order mark and the one trailing line ending around a stored value.
#include "ioserver/standin/file_text.h"

#include "ioserver/ascii_text.h"

namespace rozovevi::ioserver::standin {
namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kLf = "\n";

}  // namespace

std::string_view ValueBytesOf(std::string_view file_bytes) {
  std::string_view value = file_bytes;
  if (StartsWith(value, kUtf8ByteOrderMark)) value.remove_prefix(kUtf8ByteOrderMark.size());
  if (EndsWith(value, kCrLf)) {
    value.remove_suffix(kCrLf.size());
  } else if (EndsWith(value, kLf)) {
    value.remove_suffix(kLf.size());
  }
  return value;
}

}  // namespace rozovevi::ioserver::standin
