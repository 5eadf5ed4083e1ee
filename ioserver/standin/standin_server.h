// The stand-in I/O server built into the program: reads and writes files; DDE and OPC fail.
#pragma once

#include "ioserver/embedded_runtime.h"
#include "ioserver/io_server.h"

namespace rozovevi::ioserver {

// Registers the stand-in server under kIoServerProgId.
void RegisterStandInServer(EmbeddedRuntime& runtime);

}  // namespace rozovevi::ioserver
