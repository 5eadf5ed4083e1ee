// The POSIX file access's limits and the knobs its tests turn; the program uses the defaults.
#pragma once

#include <chrono>
#include <string_view>

#include "ioserver/standin/file_access.h"

namespace rozovevi::ioserver::standin {

// How long a write to a named pipe or a device may wait for its reader to take the whole value
// before it fails, so that a reader that does not drain never freezes the window.
inline constexpr std::chrono::milliseconds kDeviceWriteWait{5000};

// The name suffix of the temporary files a replacement makes; see RemoveStaleTemporaryFiles.
inline constexpr std::string_view kTemporarySuffix = ".rozovevi.tmp";

struct PosixWriteOptions {
  std::chrono::milliseconds device_write_wait = kDeviceWriteWait;
  // False makes a replacement use a named temporary file, as on a file system without
  // O_TMPFILE, so that both ways can be tested on one machine.
  bool allow_unnamed_temporary = true;
};

// ReplaceFileContents with options other than the defaults.
Status ReplaceFileContents(std::u16string_view path, std::string_view bytes,
                           const PosixWriteOptions& options);

}  // namespace rozovevi::ioserver::standin
