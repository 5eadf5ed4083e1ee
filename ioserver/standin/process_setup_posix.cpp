// Process-wide set-up for the stand-in server's file access on POSIX.
#include "ioserver/standin/process_setup.h"

#include <signal.h>

namespace rozovevi::ioserver::standin {

void PrepareProcessForStandIn() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGXFSZ, &ignore, nullptr);
}

}  // namespace rozovevi::ioserver::standin
