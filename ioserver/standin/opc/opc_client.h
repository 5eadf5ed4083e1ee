// One exchange with an OPC UA server per call: connect, Hello, a secure channel with the None
// policy, an anonymous session, the service calls of one read or one write, and everything
// closed again.
#pragma once

#include <string>
#include <string_view>

#include "ioserver/standin/frame_trace.h"
#include "ioserver/standin/opc/opc_address.h"
#include "ioserver/status.h"

namespace rozovevi::ioserver::standin::opc {

// Reads the node's Value attribute into text (see FormatVariant). On failure text is left as it
// was and the reason says what failed. trace may be null.
Status ReadNode(const OpcAddress& address, FrameTrace* trace, std::string& text);

// Reads the node's DataType, ValueRank and Value, parses text for the built-in type they decide,
// and writes it. A text that does not fit sends no Write.
Status WriteNode(const OpcAddress& address, std::u16string_view text, FrameTrace* trace);

}  // namespace rozovevi::ioserver::standin::opc
