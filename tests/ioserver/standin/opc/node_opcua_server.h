// A real OPC UA server for the OPC: tests: node-opcua (pinned by server/package-lock.json and
// installed into the build tree), started as a child process on 127.0.0.1 or [::1] at a free
// port, and stopped and reaped when the NodeOpcuaServer goes.
//
// Configurations:
//   kNormal      endpoints None (anonymous or user name) and Basic256Sha256 Sign&Encrypt;
//                anonymous access allowed
//   kSecureOnly  only a Basic256Sha256 Sign&Encrypt endpoint: the None policy is refused.
//                node-opcua refuses an unsecured OpenSecureChannel outright, with an Error
//                message BadSecurityPolicyRejected (0x80550000), so no GetEndpoints can be
//                asked on an unsecured channel there
//   kUsersOnly   None and Basic256Sha256 Sign&Encrypt endpoints, user names only: anonymous
//                access is refused (user kUserName, password kPassword)
//
// What the server holds, the same in every configuration. The namespace kNamespaceUri is index
// kNamespaceIndex (3); index 2 is kOtherNamespaceUri, which holds one variable with the same
// identifier as one of ours and another value, so that a client taking the wrong namespace
// reads the wrong value. Every variable is writable (a write changes what later reads of the same
// server return) but "ReadOnly".
//
// | Node id (ns=3 unless given)                | DataType                | Value |
// |--------------------------------------------|-------------------------|----------------------------|
// | s=Boolean                                  | Boolean                 | true | | s=SByte | SByte
// | -100                       | | s=Byte                                     | Byte | 200 | |
// s=Int16                                    | Int16                   | -30000 | | s=UInt16 |
// UInt16                  | 60000                      | | s=Int32 | Int32                   |
// -2000000000                | | s=UInt32                                   | UInt32 | 4000000000 |
// | s=Int64                                    | Int64                   | -9000000000000000000 |
// | s=UInt64                                   | UInt64                  | 18000000000000000000 |
// | s=Float                                    | Float                   | 0.1 (as a Float) | |
// s=Double                                   | Double                  | -1234.5678 | | s=String |
// String                  | Grüße aus Halle 4          | | s=NullString | String                  |
// null                       | | s=XmlElement                               | XmlElement | <a
// b="1">x</a>             | | s=LocalizedText                            | LocalizedText | locale
// "de", "Ofen 2"      | | s=QualifiedName                            | QualifiedName           |
// 3:Speed                    | | s=DateTime                                 | DateTime |
// 2026-12-09T01:02:03.5Z     | | s=Guid                                     | Guid |
// 72962B91-FA75-4AE6-8D28-B404DC7DAF63 | | s=ByteString                               | ByteString
// | 00 01 02 FF (AAEC/w==)     | | s=NodeId                                   | NodeId |
// ns=3;s=Oven.Temp           | | s=ExpandedNodeId                           | ExpandedNodeId |
// nsu=urn:rozovevi:test;i=42 | | s=StatusCode                               | StatusCode |
// BadOutOfRange (0x803C0000) | | s=Empty                                    | BaseDataType | empty
// (Null variant)       | | s=ReadOnly                                 | Int32, read only        |
// 42                         | | s=DoubleArray                              | Double[12] | 0, 0.5,
// 1, ... 5.5         | | s=Structure                                | Range (ExtensionObject) | low
// 0, high 100            | | s=Enumeration                              | ServerState (Int32)     |
// 0 (Running)                | | s=Duration                                 | Duration (Double) |
// 250.5                      | | s=Line 4/Oven "A";Zone #1                  | Double | 21.5 | |
// s="Motor"."Speed"                          | Int16                   | 1500 | | i=1001 | Double
// | 12.5                       | | i=4294967295                               | Boolean | false |
// | g=09087E75-8E5E-499B-954F-F2A9603DB28A     | Int32                   | 7 | | b=cm96b3Zldmk=
// (the bytes "rozovevi")      | Int32                   | 8                          | |
// ns=2;s=Int32 (urn:rozovevi:other)          | Int32                   | -1 |
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace rozovevi::ioserver::standin::opc::testing_support {

inline constexpr std::string_view kNamespaceUri = "urn:rozovevi:test";
inline constexpr int kNamespaceIndex = 3;
inline constexpr std::string_view kOtherNamespaceUri = "urn:rozovevi:other";
inline constexpr int kOtherNamespaceIndex = 2;
inline constexpr std::string_view kUserName = "operator";
inline constexpr std::string_view kPassword = "rozovevi";

// The longest the server may take to start: node-opcua loads the whole standard address space
// and makes a certificate first, which takes seconds on a loaded machine.
inline constexpr std::chrono::seconds kStartLimit{60};
// After SIGTERM, the longest wait before SIGKILL: the server exits as soon as its event loop
// takes the signal, which on a loaded machine can be seconds after a busy moment.
inline constexpr std::chrono::seconds kStopLimit{20};

// The server could not be started, or did not say it listens within kStartLimit. what() says
// why and ends with the last lines the server wrote to standard error.
class ServerStartError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Configuration { kNormal, kSecureOnly, kUsersOnly };
enum class Loopback { kIpv4, kIpv6 };

// How a server ended.
enum class Ending {
  kExitedWhenAsked,  // It exited with status 0 after SIGTERM or the end of its input.
  kKilled,           // It had to be killed (SIGKILL after kStopLimit), or it was killed by others.
  kFailed,           // It exited by itself with another status.
};

// The configuration's name as the server script takes it ("normal", "secure-only", "users-only").
std::string_view ConfigurationName(Configuration configuration);

class NodeOpcuaServer {
 public:
  // Starts the server and returns once it listens; throws ServerStartError when it does not
  // within kStartLimit (the child is then stopped and reaped).
  explicit NodeOpcuaServer(Configuration configuration = Configuration::kNormal,
                           Loopback loopback = Loopback::kIpv4);
  NodeOpcuaServer(const NodeOpcuaServer&) = delete;
  NodeOpcuaServer& operator=(const NodeOpcuaServer&) = delete;
  // Stops the server, if it still runs.
  ~NodeOpcuaServer();

  std::uint16_t port() const noexcept { return port_; }
  // "127.0.0.1" or "::1", as a socket address takes it.
  std::string_view host() const noexcept;
  // "opc.tcp://127.0.0.1:PORT" or "opc.tcp://[::1]:PORT".
  std::string EndpointUrl() const;
  // The OPC: address of a node of this server: "OPC:" + EndpointUrl() + "#" + node, with node
  // given in the text form ("ns=3;s=Double").
  std::string Address(std::string_view node) const;
  pid_t pid() const noexcept { return pid_; }

  // SIGTERM, then SIGKILL after kStopLimit; waits for the process and reaps it, and removes its
  // files. Returns how it ended; calling it again returns the same.
  Ending Stop();
  // Closes the server's standard input, as a test process that dies does, and waits at most
  // limit for the server to end by itself; reaps it then. Returns false (the server still runs)
  // when it did not.
  bool CloseInputAndWait(std::chrono::milliseconds limit);

 private:
  struct Child;
  std::unique_ptr<Child> child_;
  Loopback loopback_;
  pid_t pid_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace rozovevi::ioserver::standin::opc::testing_support
