// Hex-and-quoted-text byte strings for the tests.
#include "ua_bytes.h"

#include <cstdio>
#include <stdexcept>

namespace rozovevi::ioserver::standin::opc::testing_support {
namespace {

int Nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  throw std::invalid_argument(std::string("not a hex digit: ") + c);
}

}  // namespace

std::string Bytes(std::string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == ' ' || c == '\n') {
      ++i;
    } else if (c == '"') {
      const std::size_t end = text.find('"', i + 1);
      if (end == std::string_view::npos) throw std::invalid_argument("unclosed quote");
      bytes.append(text.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      if (i + 1 >= text.size()) throw std::invalid_argument("odd hex digits");
      bytes.push_back(static_cast<char>(Nibble(c) * 16 + Nibble(text[i + 1])));
      i += 2;
    }
  }
  return bytes;
}

std::string Hex(std::string_view bytes) {
  std::string text;
  for (unsigned char byte : bytes) {
    char pair[4];
    std::snprintf(pair, sizeof pair, "%02X ", byte);
    text += pair;
  }
  return text;
}

}  // namespace rozovevi::ioserver::standin::opc::testing_support
