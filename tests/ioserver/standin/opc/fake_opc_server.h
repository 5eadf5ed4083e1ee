// A small OPC UA server of our own in a thread of the test process, on 127.0.0.1 or [::1], for
// what a real server will not do: never answer, answer with an Error message, close in the
// middle of a reply, reply in several chunks, too large, out of sequence, or with garbage. It
// serves one node (every NodeId names it) and records each service request as it arrived.
// Every wait inside is bounded; destroying it stops it.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ioserver/standin/opc/opc_transport.h"
#include "ioserver/standin/opc/ua_messages.h"

namespace rozovevi::ioserver::standin::opc::testing_support {

// Where and how the server misbehaves. kAt names the service whose reply goes wrong.
enum class Fault {
  kNone,
  kSilent,           // Reads the request and never answers.
  kErrorMessage,     // Answers with an Error message (BadTcpEndpointUrlInvalid).
  kCloseMidReply,    // Sends half of the reply, then closes.
  kChunked,          // Sends the reply in three chunks (not a fault: it must be put together).
  kTooLarge,         // A chunk that announces 1 GiB.
  kTooLargeInTotal,  // Chunks that add up to more than 16 MiB.
  kWrongSequence,    // Skips a sequence number.
  kWrongRequestId,   // Answers another request id.
  kGarbage,          // Bytes of another protocol.
  kAbort,            // An abort chunk with BadTooManyOperations.
  kServiceFault,     // A ServiceFault with BadTooManySessions.
};

// Which endpoints CreateSession and GetEndpoints list.
enum class Endpoints { kNoneAnonymous, kSecureOnly, kUserNameOnly, kNoneInCreateSession };

struct FakeNode {
  // The DataValue of the Value attribute, encoded (mask byte first).
  std::string value = std::string("\x01\x06\x07\x00\x00\x00", 6);  // Int32 7
  NodeId data_type = NodeId::Numeric(6);                           // Int32
  std::int32_t value_rank = -1;
  StatusCode read_status = 0;   // A Bad status fails every attribute.
  StatusCode write_status = 0;  // The result of a Write.
};

class FakeOpcServer {
 public:
  enum class Family { kIpv4, kIpv6 };
  explicit FakeOpcServer(Family family = Family::kIpv4);
  FakeOpcServer(const FakeOpcServer&) = delete;
  FakeOpcServer& operator=(const FakeOpcServer&) = delete;
  ~FakeOpcServer();

  // "OPC:opc.tcp://127.0.0.1:<port>" followed by rest ("?timeout=1#ns=2;i=5").
  std::string Address(const std::string& rest) const;
  std::uint16_t port() const { return port_; }

  // Set before a call.
  void Misbehave(Fault fault, std::uint32_t at_service);
  void SetEndpoints(Endpoints endpoints);
  void SetNode(FakeNode node);
  void SetNamespaces(std::vector<std::string> uris);

  // The encodings of the service requests received, in order ("HEL" and "CLO" as 0), and the
  // Variant of each Write as it arrived (its bytes).
  std::vector<std::uint32_t> Services() const;
  std::vector<std::string> WrittenValues() const;
  // The NodeIds of the nodes read or written, as they arrived (encoded).
  std::vector<std::string> NodesAddressed() const;
  // The policy id of each ActivateSession's anonymous identity token.
  std::vector<std::string> ActivatedPolicies() const;
  // How many connections the client has closed; waits up to a bound for count of them.
  bool WaitForClosedConnections(int count) const;

 private:
  void Run();
  void Serve(Socket connection);
  // Answers one request; false ends the connection.
  bool Answer(int fd, const std::string& frame);
  std::string Reply(std::uint32_t service, const std::string& request_body, std::size_t at);
  bool Send(int fd, const std::string& bytes);

  Socket listener_;
  Family family_;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  Fault fault_ = Fault::kNone;
  std::uint32_t fault_at_ = 0;
  Endpoints endpoints_ = Endpoints::kNoneAnonymous;
  FakeNode node_;
  std::vector<std::string> namespaces_{"http://opcfoundation.org/UA/", "urn:fake:server"};
  std::vector<std::uint32_t> services_;
  std::vector<std::string> written_;
  std::vector<std::string> nodes_;
  std::vector<std::string> policies_;
  std::atomic<int> closed_{0};
  // The channel's state on the current connection.
  std::uint32_t sequence_ = 100;
  std::thread thread_;
};

}  // namespace rozovevi::ioserver::standin::opc::testing_support
