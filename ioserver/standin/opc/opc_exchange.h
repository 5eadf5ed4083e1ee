// The secure channel and session of one exchange: requests framed into chunks, replies put
// together and checked, and the session and channel closed at the end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ioserver/standin/frame_trace.h"
#include "ioserver/standin/opc/opc_address.h"
#include "ioserver/standin/opc/opc_transport.h"
#include "ioserver/standin/opc/ua_chunks.h"
#include "ioserver/standin/opc/ua_messages.h"
#include "ioserver/status.h"

namespace rozovevi::ioserver::standin::opc {

class Exchange {
 public:
  Exchange(const OpcAddress& address, FrameTrace* trace);
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;
  // Closes the session and the channel where they are open and the connection is sound.
  ~Exchange();

  // Connects, says Hello, opens the channel, creates and activates an anonymous session.
  Status Open();

  // Reads the attributes of nodes, one DataValue each, in their order.
  Status Read(const std::vector<ReadValueId>& nodes, std::vector<DataValue>& results);

  // Writes value to node's Value attribute; the status of the one result.
  Status Write(const NodeId& node, const Variant& value, StatusCode& result);

  // The index of namespace_uri in the server's NamespaceArray.
  Status NamespaceIndex(const std::string& namespace_uri, std::uint16_t& index);

  // Closes the session and the channel now (the connection closes with the Exchange).
  void Close();

 private:
  RequestHeader NextHeader();
  Status Hello();
  // Sends body in chunks of type and returns the whole reply's body.
  Status Transact(std::string_view type, std::uint32_t request, const std::string& body,
                  std::string& reply);
  // Transact, then the reply's header: a Bad service result or a fault fails.
  Status Call(std::uint32_t request, std::uint32_t response, const std::string& body,
              std::string& reply, std::size_t& after_header);
  Status Broken(const std::string& fault);
  Status CreateSession(std::string& policy_id);
  // Why the server cannot be used without security or anonymously, from its endpoints.
  std::optional<std::string> EndpointProblem(const std::vector<EndpointDescription>& endpoints,
                                             std::string* policy_id);
  std::optional<std::vector<EndpointDescription>> GetEndpoints();

  const OpcAddress& address_;
  FrameTrace* trace_;
  std::string where_;
  std::optional<Transport> transport_;
  bool sound_ = false;  // The connection may still carry messages.
  TransportLimits server_;
  ChunkIds channel_;
  bool channel_open_ = false;
  std::optional<std::uint32_t> last_received_sequence_;
  std::uint32_t next_sequence_ = 1;
  std::uint32_t next_request_ = 1;
  NodeId authentication_token_;
  bool session_open_ = false;
};

}  // namespace rozovevi::ioserver::standin::opc
