// The largest value the program reads or writes: one limit, both ways.
#pragma once

#include <cstddef>
#include <string>

namespace rozovevi::ioserver {

// The most a value may have, in bytes of UTF-8: 16 MiB. The window needs seconds to show a value
// of 16 MiB and freezes for far longer on more; a source that never ends (a file that grows
// faster than it is read, /proc/self/pagemap, a pipe fed by `yes`) must stop somewhere; and a
// value written larger than a read takes could never be read back.
inline constexpr std::size_t kMaxValueBytes = 16 * 1024 * 1024;

// The limit as a report names it: "16 MiB".
inline std::string MaxValueSizeText() {
  constexpr std::size_t kBytesPerMiB = 1024 * 1024;
  return std::to_string(kMaxValueBytes / kBytesPerMiB) + " MiB";
}

}  // namespace rozovevi::ioserver
