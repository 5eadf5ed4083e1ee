// How a value sits in a text file: UTF-8, perhaps behind a byte-order mark, perhaps with a line
// end.
#pragma once

#include <string_view>

namespace rozovevi::ioserver::standin {

// The bytes of the value held in a file: the file's bytes without a leading UTF-8 byte-order mark
// and without ONE trailing line ending (LF or CR LF), so that a value saved by a text editor reads
// back as that value. Only one line ending goes: "a\n\n" holds "a\n". A CR alone stays.
std::string_view ValueBytesOf(std::string_view file_bytes);

}  // namespace rozovevi::ioserver::standin
