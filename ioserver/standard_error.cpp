// A stream buffer over the C library's stderr, and the one stream that uses it.
#include "ioserver/standard_error.h"

#include <cstdio>
#include <streambuf>

namespace rozovevi::ioserver {
namespace {

class StandardErrorBuffer final : public std::streambuf {
 protected:
  int_type overflow(int_type byte) override {
    if (traits_type::eq_int_type(byte, traits_type::eof())) return traits_type::not_eof(byte);
    const char written = traits_type::to_char_type(byte);
    return std::fwrite(&written, 1, 1, stderr) == 1 ? byte : traits_type::eof();
  }
  std::streamsize xsputn(const char* bytes, std::streamsize count) override {
    return static_cast<std::streamsize>(
        std::fwrite(bytes, 1, static_cast<std::size_t>(count), stderr));
  }
  int sync() override { return std::fflush(stderr) == 0 ? 0 : -1; }
};

}  // namespace

std::ostream& StandardError() {
  static StandardErrorBuffer buffer;
  static std::ostream stream(&buffer);
  return stream;
}

}  // namespace rozovevi::ioserver
