// Placeholder until the stand-in server lands.
#include "ioserver/standin/standin_server.h"

namespace rozovevi::ioserver {

void RegisterStandInServer(EmbeddedRuntime&) {}

}  // namespace rozovevi::ioserver
