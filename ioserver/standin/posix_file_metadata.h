// What a replaced file keeps of the old one: owner, group, permission bits, extended attributes.
#pragma once

#include <sys/stat.h>

#include "ioserver/standin/file_access.h"

namespace rozovevi::ioserver::standin::posix {

// Gives the new file (open as to) the old file's (open as from, examined as old_status) owner,
// group, extended attributes and permission bits, where allowed.
//
// The owner comes first, because a change of owner may clear set-user-ID bits, and the
// permission bits last, because writing extended attributes may need the write permission the
// old bits might not grant. The attributes copied (by libattr) are the user ones ("user.*")
// that the system's rules for copying do not skip, and (by libacl) the access control list;
// security labels and the kernel's trusted ones belong to the new file as the system made it.
// What may not be copied (a change of owner by someone not root, a file system without extended
// attributes, an attribute the caller may not read or write) is let go: the content matters
// more. Any other failure fails the replacement.
Status KeepMetadata(int from, const struct stat& old_status, int to);

}  // namespace rozovevi::ioserver::standin::posix
