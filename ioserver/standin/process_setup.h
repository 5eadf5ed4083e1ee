// What a program that carries the stand-in server sets up once for the whole process.
#pragma once

namespace rozovevi::ioserver::standin {

// Call once at start-up, before other threads start, in every POSIX program that uses the
// stand-in server. It ignores SIGXFSZ, so that a write that crosses the file-size limit
// (RLIMIT_FSIZE) fails with EFBIG like any other failed write, keeping the old content and
// leaving no temporary file, instead of ending the program.
void PrepareProcessForStandIn();

}  // namespace rozovevi::ioserver::standin
