// The node-opcua test server as the OPC: tests use it: each configuration listens on the loopback
// address asked for and answers an OPC UA Hello, and it stops when stopped or when its input ends.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <tuple>

#include "ioserver/standin/posix_support.h"
#include "tests/ioserver/standin/opc/node_opcua_server.h"

namespace rozovevi::ioserver::standin::opc::testing_support {
namespace {

using posix::UniqueFd;

constexpr int kSocketSeconds = 10;
constexpr std::uint32_t kBufferSize = 65535;
constexpr std::size_t kHeaderSize = 8;        // Message type, chunk type, size.
constexpr std::size_t kAcknowledgeSize = 28;  // The header and five UInt32.
constexpr auto kInputEndLimit = std::chrono::seconds(10);

void PutUInt32(std::string& message, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) message.push_back(static_cast<char>(value >> shift));
}

std::uint32_t GetUInt32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  }
  return value;
}

// A Hello asking for the endpoint, as every OPC UA client opens a connection.
std::string Hello(const std::string& endpoint_url) {
  std::string body;
  PutUInt32(body, 0);            // Protocol version.
  PutUInt32(body, kBufferSize);  // Receive buffer size.
  PutUInt32(body, kBufferSize);  // Send buffer size.
  PutUInt32(body, 0);            // Max message size: no limit.
  PutUInt32(body, 0);            // Max chunk count: no limit.
  PutUInt32(body, static_cast<std::uint32_t>(endpoint_url.size()));
  body += endpoint_url;
  std::string message = "HELF";
  PutUInt32(message, static_cast<std::uint32_t>(kHeaderSize + body.size()));
  return message + body;
}

// A connected TCP socket to the server's address and port, or an invalid one with errno set.
UniqueFd Connect(const NodeOpcuaServer& server) {
  sockaddr_storage address{};
  socklen_t length = 0;
  const std::string host(server.host());
  if (host.find(':') != std::string::npos) {
    auto& ipv6 = reinterpret_cast<sockaddr_in6&>(address);
    ipv6.sin6_family = AF_INET6;
    ipv6.sin6_port = htons(server.port());
    inet_pton(AF_INET6, host.c_str(), &ipv6.sin6_addr);
    length = sizeof ipv6;
  } else {
    auto& ipv4 = reinterpret_cast<sockaddr_in&>(address);
    ipv4.sin_family = AF_INET;
    ipv4.sin_port = htons(server.port());
    inet_pton(AF_INET, host.c_str(), &ipv4.sin_addr);
    length = sizeof ipv4;
  }
  UniqueFd socket_fd(socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket_fd.valid()) return socket_fd;
  const timeval limit{kSocketSeconds, 0};
  setsockopt(socket_fd.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  setsockopt(socket_fd.get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  if (connect(socket_fd.get(), reinterpret_cast<sockaddr*>(&address), length) != 0) {
    const int error = errno;
    socket_fd.Close();
    errno = error;
  }
  return socket_fd;
}

// Sends a Hello and returns what came back, up to the size of an Acknowledge; nullopt when the
// server cannot be reached.
std::optional<std::string> ExchangeHello(const NodeOpcuaServer& server) {
  const UniqueFd connection = Connect(server);
  if (!connection.valid()) return std::nullopt;
  const std::string hello = Hello(server.EndpointUrl());
  if (send(connection.get(), hello.data(), hello.size(), MSG_NOSIGNAL) !=
      static_cast<ssize_t>(hello.size())) {
    return std::nullopt;
  }
  std::string reply;
  std::array<char, kAcknowledgeSize> buffer{};
  while (reply.size() < kAcknowledgeSize) {
    const ssize_t got = recv(connection.get(), buffer.data(), kAcknowledgeSize - reply.size(), 0);
    if (got <= 0) break;
    reply.append(buffer.data(), static_cast<std::size_t>(got));
  }
  return reply;
}

void ExpectAcknowledge(const NodeOpcuaServer& server) {
  const std::optional<std::string> reply = ExchangeHello(server);
  ASSERT_TRUE(reply.has_value()) << "cannot reach " << server.EndpointUrl() << ": "
                                 << std::strerror(errno);
  ASSERT_EQ(reply->size(), kAcknowledgeSize) << "a short reply to Hello";
  EXPECT_EQ(reply->substr(0, 4), "ACKF");
  EXPECT_EQ(GetUInt32(*reply, 4), kAcknowledgeSize);
}

bool ProcessIsGone(pid_t pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

class EachConfiguration : public ::testing::TestWithParam<std::tuple<Configuration, Loopback>> {};

TEST_P(EachConfiguration, ListensOnItsLoopbackAddressAnswersHelloAndStopsWhenAsked) {
  const auto [configuration, loopback] = GetParam();
  NodeOpcuaServer server(configuration, loopback);

  const std::string expected_url = loopback == Loopback::kIpv6
                                       ? "opc.tcp://[::1]:" + std::to_string(server.port())
                                       : "opc.tcp://127.0.0.1:" + std::to_string(server.port());
  EXPECT_EQ(server.EndpointUrl(), expected_url);
  EXPECT_EQ(server.Address("ns=3;s=Double"), "OPC:" + expected_url + "#ns=3;s=Double");
  ExpectAcknowledge(server);

  const pid_t pid = server.pid();
  EXPECT_EQ(server.Stop(), Ending::kExitedWhenAsked) << "SIGTERM did not stop it at once";
  EXPECT_TRUE(ProcessIsGone(pid)) << "not reaped";
  EXPECT_FALSE(Connect(server).valid()) << "still listening after Stop";
  EXPECT_EQ(server.Stop(), Ending::kExitedWhenAsked);
}

INSTANTIATE_TEST_SUITE_P(NodeOpcuaServerTest, EachConfiguration,
                         ::testing::Combine(::testing::Values(Configuration::kNormal,
                                                              Configuration::kSecureOnly,
                                                              Configuration::kUsersOnly),
                                            ::testing::Values(Loopback::kIpv4, Loopback::kIpv6)),
                         [](const ::testing::TestParamInfo<EachConfiguration::ParamType>& info) {
                           std::string name(ConfigurationName(std::get<0>(info.param)));
                           name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                           return name +
                                  (std::get<1>(info.param) == Loopback::kIpv6 ? "Ipv6" : "Ipv4");
                         });

// A test process that dies closes the server's input: the server must not outlive it. Two
// servers at once must not share a port, and ending one must leave the other serving.
TEST(NodeOpcuaServerTest, EndsByItselfWhenItsInputClosesAndLeavesAnotherServing) {
  NodeOpcuaServer first;
  NodeOpcuaServer second;
  EXPECT_NE(first.port(), second.port());

  const pid_t pid = first.pid();
  ASSERT_TRUE(first.CloseInputAndWait(kInputEndLimit));
  EXPECT_TRUE(ProcessIsGone(pid));
  EXPECT_EQ(first.Stop(), Ending::kExitedWhenAsked);
  EXPECT_FALSE(Connect(first).valid());
  ExpectAcknowledge(second);
}

}  // namespace
}  // namespace rozovevi::ioserver::standin::opc::testing_support
