// Whole-file reads and all-or-nothing file writes, implemented once per platform.
#pragma once

#include <string>
#include <string_view>

#include "ioserver/status.h"
#include "ioserver/value_limit.h"

namespace rozovevi::ioserver::standin {

// Paths are UTF-16, exactly as the operator typed them. Each platform turns them into its own
// file names: POSIX encodes them as strict UTF-8 (an unpaired surrogate or a NUL character is
// refused, never altered); Windows uses them as they are.

// Every operation returns a Status whose reason, on failure, is one line of UTF-8 saying what
// failed and why, for the server's own report.

// The refusal of something larger than kMaxValueBytes; what is "the file" or "the value".
inline Status TooLargeForAValue(const std::string& what) {
  return Status::Failure(what + " is larger than " + MaxValueSizeText() +
                         ", the most a value may have");
}

// Reads the whole content of the regular file at path (a symbolic link is followed). Fails for a
// missing or unreadable file, and for anything that is not a regular file (a directory, a named
// pipe, a device), since those have no content to take as a whole and reading one may never end.
// It also fails for a file longer than kMaxValueBytes, found out without taking that much memory,
// so that a huge file or one that never ends (that keeps growing, or a kernel file that reports
// no size) cannot take the program's memory.
// On success bytes holds the whole content; on failure it is left empty.
Status ReadFileBytes(std::u16string_view path, std::string& bytes);

// Makes bytes the whole content of the file at path, so that nothing is ever lost or half
// written. Bytes longer than kMaxValueBytes are refused before anything is touched, since a read
// would refuse them afterwards.
// - A regular file, or a name where nothing exists yet, is replaced atomically: the bytes go to
//   a new temporary file in the same directory, are flushed to the disk and the temporary file
//   is renamed over the target. An existing file keeps its permission bits (and, where allowed,
//   its owner and group, and on POSIX its user extended attributes and access control list); a
//   new one gets the usual permissions for a new file. Being a new file, it no longer shares its
//   content with other hard links to the old one. An existing file that may not be opened for
//   writing is refused, even where its directory would allow the rename. On failure the target
//   keeps its old content and no temporary file is left behind; on POSIX, a temporary file left
//   by a writer that was killed is removed by the next write to the same file.
// - A symbolic link is written through: the file it finally points at is replaced as above and
//   the link stays a link. A link that points at nothing creates its target, as writing through
//   the link with an ordinary open would.
// - An existing target that cannot be renamed over (a named pipe, a device such as a serial
//   port) is written directly, without creating or truncating it. A named pipe that nobody
//   reads fails at once rather than waiting for a reader; on POSIX, one whose reader does not
//   take the whole value within kDeviceWriteWait fails then.
// - A directory fails.
Status ReplaceFileContents(std::u16string_view path, std::string_view bytes);

}  // namespace rozovevi::ioserver::standin
