// The fake OPC UA server: a thread that accepts one connection at a time on loopback, answers
// with the client's own framing (so that the faults are the only difference) and misbehaves on
// request.
#include "fake_opc_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

#include "ioserver/standin/opc/ua_binary.h"
#include "ioserver/standin/opc/ua_chunks.h"

namespace rozovevi::ioserver::standin::opc::testing_support {
namespace {

using Clock = std::chrono::steady_clock;

// Every wait of the server is cut into slices of this many milliseconds, so that it notices
// when it is asked to stop; no single send waits longer than kSendLimit.
constexpr int kSliceMs = 20;
constexpr auto kSendLimit = std::chrono::seconds(5);
constexpr auto kCloseWaitLimit = std::chrono::seconds(10);
constexpr std::uint32_t kChannelId = 42;
constexpr std::uint32_t kTokenId = 9;
constexpr std::size_t kChunkSize = 65536;
constexpr StatusCode kBadTcpEndpointUrlInvalid = 0x80830000;
constexpr StatusCode kBadTooManyOperations = 0x80100000;
constexpr std::string_view kGarbage = "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n";
constexpr std::string_view kBasic256Sha256 =
    "http://opcfoundation.org/UA/SecurityPolicy#Basic256Sha256";
constexpr std::string_view kAes128 =
    "http://opcfoundation.org/UA/SecurityPolicy#Aes128_Sha256_RsaOaep";

void SkipRequestHeader(Decoder& decoder) {
  decoder.NodeId();
  decoder.Int64();
  decoder.UInt32();
  decoder.UInt32();
  decoder.String();
  decoder.UInt32();
  decoder.ExtensionObject();
}

Encoder ResponseBegin(std::uint32_t encoding_id, StatusCode result = 0) {
  Encoder body;
  body.NodeId(NodeId::Numeric(encoding_id));
  body.Int64(0);
  body.UInt32(1);
  body.UInt32(result);
  body.Byte(0);    // No diagnostics.
  body.Int32(-1);  // No string table.
  body.NullExtensionObject();
  return body;
}

struct TokenSpec {
  const char* policy_id;
  UserTokenType type;
};

void Endpoint(Encoder& body, MessageSecurityMode mode, std::string_view policy,
              const std::vector<TokenSpec>& tokens) {
  body.String("opc.tcp://fake");
  body.String("urn:fake:server");
  body.NullString();
  body.LocalizedText(std::string("fake"));
  body.UInt32(0);
  body.NullString();
  body.NullString();
  body.Int32(-1);
  body.NullString();  // Certificate.
  body.UInt32(static_cast<std::uint32_t>(mode));
  body.String(policy);
  body.Int32(static_cast<std::int32_t>(tokens.size()));
  for (const TokenSpec& token : tokens) {
    body.String(token.policy_id);
    body.UInt32(static_cast<std::uint32_t>(token.type));
    body.NullString();
    body.NullString();
    body.NullString();
  }
  body.String("http://opcfoundation.org/UA-Profile/Transport/uatcp-uasc-uabinary");
  body.Byte(0);
}

void EndpointList(Encoder& body, Endpoints which) {
  switch (which) {
    case Endpoints::kNoneAnonymous:
    case Endpoints::kNoneInCreateSession:
      body.Int32(2);
      Endpoint(
          body, MessageSecurityMode::kNone, kSecurityPolicyNone,
          {{"user-1", UserTokenType::kUserName}, {"anon-policy-7", UserTokenType::kAnonymous}});
      Endpoint(body, MessageSecurityMode::kSignAndEncrypt, kBasic256Sha256,
               {{"user-2", UserTokenType::kUserName}});
      return;
    case Endpoints::kSecureOnly:
      body.Int32(2);
      Endpoint(body, MessageSecurityMode::kSignAndEncrypt, kBasic256Sha256,
               {{"anon", UserTokenType::kAnonymous}});
      Endpoint(body, MessageSecurityMode::kSign, kAes128, {{"anon", UserTokenType::kAnonymous}});
      return;
    case Endpoints::kUserNameOnly:
      body.Int32(1);
      Endpoint(body, MessageSecurityMode::kNone, kSecurityPolicyNone,
               {{"user-1", UserTokenType::kUserName}});
      return;
  }
}

}  // namespace

FakeOpcServer::FakeOpcServer(Family family) : family_(family) {
  const int domain = family == Family::kIpv4 ? AF_INET : AF_INET6;
  listener_ = Socket(::socket(domain, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (listener_.get() < 0) throw std::runtime_error("socket failed");
  sockaddr_storage address{};
  socklen_t size = 0;
  if (family == Family::kIpv4) {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    v4->sin_family = AF_INET;
    v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    size = sizeof *v4;
  } else {
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    v6->sin6_family = AF_INET6;
    v6->sin6_addr = in6addr_loopback;
    size = sizeof *v6;
  }
  if (::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::listen(listener_.get(), 4) != 0 ||
      ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    throw std::runtime_error("cannot listen on loopback");
  }
  port_ = ntohs(family == Family::kIpv4 ? reinterpret_cast<sockaddr_in*>(&address)->sin_port
                                        : reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
  thread_ = std::thread([this] { Run(); });
}

FakeOpcServer::~FakeOpcServer() {
  stopping_ = true;
  thread_.join();
}

std::string FakeOpcServer::Address(const std::string& rest) const {
  const std::string host = family_ == Family::kIpv4 ? "127.0.0.1" : "[::1]";
  return "OPC:opc.tcp://" + host + ":" + std::to_string(port_) + rest;
}

void FakeOpcServer::Misbehave(Fault fault, std::uint32_t at_service) {
  std::lock_guard lock(mutex_);
  fault_ = fault;
  fault_at_ = at_service;
}

void FakeOpcServer::SetEndpoints(Endpoints endpoints) {
  std::lock_guard lock(mutex_);
  endpoints_ = endpoints;
}

void FakeOpcServer::SetNode(FakeNode node) {
  std::lock_guard lock(mutex_);
  node_ = std::move(node);
}

void FakeOpcServer::SetNamespaces(std::vector<std::string> uris) {
  std::lock_guard lock(mutex_);
  namespaces_ = std::move(uris);
}

std::vector<std::uint32_t> FakeOpcServer::Services() const {
  std::lock_guard lock(mutex_);
  return services_;
}

std::vector<std::string> FakeOpcServer::WrittenValues() const {
  std::lock_guard lock(mutex_);
  return written_;
}

std::vector<std::string> FakeOpcServer::NodesAddressed() const {
  std::lock_guard lock(mutex_);
  return nodes_;
}

std::vector<std::string> FakeOpcServer::ActivatedPolicies() const {
  std::lock_guard lock(mutex_);
  return policies_;
}

bool FakeOpcServer::WaitForClosedConnections(int count) const {
  const auto deadline = Clock::now() + kCloseWaitLimit;
  while (closed_ < count) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kSliceMs));
  }
  return true;
}

void FakeOpcServer::Run() {
  while (!stopping_) {
    pollfd entry{listener_.get(), POLLIN, 0};
    if (::poll(&entry, 1, kSliceMs) <= 0) continue;
    Socket connection(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (connection.get() >= 0) Serve(std::move(connection));
  }
}

void FakeOpcServer::Serve(Socket connection) {
  sequence_ = 100;
  std::string frame;
  std::string pending;
  while (!stopping_) {
    pollfd entry{connection.get(), POLLIN, 0};
    if (::poll(&entry, 1, kSliceMs) <= 0) continue;
    char buffer[4096];
    const ssize_t got = ::recv(connection.get(), buffer, sizeof buffer, 0);
    if (got <= 0) break;  // The client closed (or reset) the connection.
    pending.append(buffer, static_cast<std::size_t>(got));
    while (pending.size() >= kMessageHeaderSize) {
      Decoder header(std::string_view(pending).substr(4, 4));
      const std::uint32_t size = header.UInt32();
      if (size < kMessageHeaderSize || pending.size() < size) break;
      frame = pending.substr(0, size);
      pending.erase(0, size);
      if (!Answer(connection.get(), frame)) {
        ++closed_;
        return;
      }
    }
  }
  ++closed_;
}

bool FakeOpcServer::Send(int fd, const std::string& bytes) {
  std::size_t at = 0;
  const auto deadline = Clock::now() + kSendLimit;
  while (at < bytes.size()) {
    if (stopping_ || Clock::now() >= deadline) return false;
    const ssize_t sent =
        ::send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      at += static_cast<std::size_t>(sent);
    } else if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd entry{fd, POLLOUT, 0};
      ::poll(&entry, 1, kSliceMs);
    } else {
      return false;
    }
  }
  return true;
}

bool FakeOpcServer::Answer(int fd, const std::string& frame) {
  const std::string type = frame.substr(0, 3);
  std::uint32_t service = 0;
  ChunkIds ids;
  std::string body;
  std::size_t at = 0;
  if (type == kOpen || type == kMessage || type == kClose) {
    auto chunk = DecodeChunk(frame);
    if (!std::holds_alternative<Chunk>(chunk)) return false;
    ids = std::get<Chunk>(chunk).ids;
    body = std::string(std::get<Chunk>(chunk).body);
    Decoder decoder(body);
    service = decoder.NodeId().numeric;
    at = decoder.position();
  } else if (type != kHello) {
    return false;
  }
  Fault fault;
  std::uint32_t fault_at;
  {
    std::lock_guard lock(mutex_);
    services_.push_back(service);
    fault = fault_;
    fault_at = fault_at_;
  }
  if (type == kClose) return false;

  std::string reply;
  if (type == kHello) {
    Encoder ack;
    ack.Raw(kAcknowledge);
    ack.Byte('F');
    ack.UInt32(28);
    ack.UInt32(0);
    ack.UInt32(kChunkSize);
    ack.UInt32(kChunkSize);
    ack.UInt32(kClientLimits.max_message);
    ack.UInt32(0);
    reply = ack.Take();
  } else {
    reply = Reply(service, body, at);
  }
  const std::string_view reply_type = type == kHello ? std::string_view() : std::string_view(type);
  ChunkIds out{kChannelId, type == kOpen ? 0 : kTokenId, sequence_, ids.request_id};

  if (fault == Fault::kNone || fault_at != service) {
    if (type == kHello) return Send(fd, reply);
    const auto chunks = EncodeChunks(reply_type, out, reply, kChunkSize);
    sequence_ += static_cast<std::uint32_t>(chunks.size());
    for (const std::string& chunk : chunks) {
      if (!Send(fd, chunk)) return false;
    }
    return true;
  }
  switch (fault) {
    case Fault::kSilent:
      return true;
    case Fault::kErrorMessage: {
      Encoder error;
      error.Raw(kError);
      error.Byte('F');
      const std::string reason = "no such endpoint here";
      error.UInt32(static_cast<std::uint32_t>(kMessageHeaderSize + 8 + reason.size()));
      error.UInt32(kBadTcpEndpointUrlInvalid);
      error.String(reason);
      Send(fd, error.bytes());
      return false;
    }
    case Fault::kCloseMidReply: {
      const std::string whole =
          type == kHello ? reply : EncodeChunks(reply_type, out, reply, kChunkSize).front();
      Send(fd, whole.substr(0, whole.size() / 2));
      return false;
    }
    case Fault::kChunked: {
      // At least three chunks, none larger than the client takes.
      const std::size_t room =
          std::min(kChunkSize - ChunkOverhead(reply_type), reply.size() / 3 + 1);
      const auto chunks = EncodeChunks(reply_type, out, reply, ChunkOverhead(reply_type) + room);
      sequence_ += static_cast<std::uint32_t>(chunks.size());
      for (const std::string& chunk : chunks) {
        if (!Send(fd, chunk)) return false;
      }
      return true;
    }
    case Fault::kTooLarge: {
      std::string chunk = EncodeChunks(reply_type, out, reply, kChunkSize).front();
      Encoder size;
      size.UInt32(1U << 30);
      chunk.replace(4, 4, size.bytes());
      Send(fd, chunk);
      return true;
    }
    case Fault::kTooLargeInTotal: {
      const std::string filler(kChunkSize - ChunkOverhead(reply_type), '\0');
      for (int i = 0; i < 260; ++i) {  // 260 chunks of 64 KiB: past 16 MiB.
        std::string chunk = EncodeChunks(reply_type, out, filler, kChunkSize).front();
        chunk[3] = kIntermediateChunk;
        ++out.sequence_number;
        if (!Send(fd, chunk)) return false;
      }
      return true;
    }
    case Fault::kWrongSequence:
      out.sequence_number += 1;
      break;
    case Fault::kWrongRequestId:
      out.request_id += 1;
      break;
    case Fault::kGarbage:
      Send(fd, std::string(kGarbage));
      return true;
    case Fault::kAbort: {
      Encoder error;
      error.UInt32(kBadTooManyOperations);
      error.String("too busy");
      std::string chunk = EncodeChunks(reply_type, out, error.bytes(), kChunkSize).front();
      chunk[3] = kAbortChunk;
      ++sequence_;
      return Send(fd, chunk);
    }
    case Fault::kServiceFault:
      reply = ResponseBegin(encoding::kServiceFault, status::kBadTooManySessions).Take();
      break;
    case Fault::kNone:
      break;
  }
  const auto chunks = EncodeChunks(reply_type, out, reply, kChunkSize);
  sequence_ += static_cast<std::uint32_t>(chunks.size()) + 1;
  for (const std::string& chunk : chunks) {
    if (!Send(fd, chunk)) return false;
  }
  return true;
}

std::string FakeOpcServer::Reply(std::uint32_t service, const std::string& request_body,
                                 std::size_t at) {
  std::lock_guard lock(mutex_);
  Decoder request(std::string_view(request_body).substr(at));
  SkipRequestHeader(request);
  switch (service) {
    case encoding::kOpenSecureChannelRequest: {
      Encoder body = ResponseBegin(encoding::kOpenSecureChannelResponse);
      body.UInt32(0);
      body.UInt32(kChannelId);
      body.UInt32(kTokenId);
      body.Int64(0);
      body.UInt32(600000);
      body.String("");
      return body.Take();
    }
    case encoding::kCreateSessionRequest: {
      if (endpoints_ == Endpoints::kSecureOnly) {
        return ResponseBegin(encoding::kCreateSessionResponse, status::kBadSecurityPolicyRejected)
            .Take();
      }
      Encoder body = ResponseBegin(encoding::kCreateSessionResponse);
      body.NodeId(NodeId::Numeric(1, 1));
      NodeId token;
      token.namespace_index = 1;
      token.id_type = IdType::kOpaque;
      token.text = "secret-token";
      body.NodeId(token);
      body.Double(30000);
      body.String(std::string(32, 'n'));
      body.NullString();
      if (endpoints_ == Endpoints::kNoneInCreateSession) {
        body.Int32(0);
      } else {
        EndpointList(body, endpoints_);
      }
      body.Int32(0);
      body.NullString();
      body.NullString();
      body.UInt32(0);
      return body.Take();
    }
    case encoding::kGetEndpointsRequest: {
      Encoder body = ResponseBegin(encoding::kGetEndpointsResponse);
      EndpointList(body, endpoints_ == Endpoints::kNoneInCreateSession ? Endpoints::kNoneAnonymous
                                                                       : endpoints_);
      return body.Take();
    }
    case encoding::kActivateSessionRequest: {
      request.String();
      request.String();
      request.ArrayLength();
      request.ArrayLength();
      std::string token;
      request.ExtensionObject(&token);
      Decoder policy(token);
      policies_.push_back(policy.String().value_or("(null)"));
      Encoder body = ResponseBegin(encoding::kActivateSessionResponse);
      body.String(std::string(32, 'm'));
      body.Int32(0);
      body.Int32(0);
      return body.Take();
    }
    case encoding::kReadRequest: {
      request.Double();
      request.UInt32();
      const std::uint32_t count = request.ArrayLength();
      Encoder body = ResponseBegin(encoding::kReadResponse);
      body.Int32(static_cast<std::int32_t>(count));
      for (std::uint32_t i = 0; i < count && request.ok(); ++i) {
        const std::size_t node_start = request.position();
        const NodeId node = request.NodeId();
        nodes_.push_back(
            std::string(request_body.substr(at + node_start, request.position() - node_start)));
        const auto attribute = static_cast<AttributeId>(request.UInt32());
        request.String();
        request.UInt16();
        request.String();
        if (node == NodeId::Numeric(2255)) {
          body.Byte(0x01);
          body.Byte(0x80 | static_cast<std::uint8_t>(BuiltinType::kString));
          body.Int32(static_cast<std::int32_t>(namespaces_.size()));
          for (const std::string& uri : namespaces_) body.String(uri);
        } else if (IsBad(node_.read_status)) {
          body.Byte(0x02);
          body.UInt32(node_.read_status);
        } else if (attribute == AttributeId::kDataType) {
          body.Byte(0x01);
          Variant type;
          type.type = BuiltinType::kNodeId;
          type.node.node = node_.data_type;
          body.Variant(type);
        } else if (attribute == AttributeId::kValueRank) {
          body.Byte(0x01);
          body.Byte(static_cast<std::uint8_t>(BuiltinType::kInt32));
          body.Int32(node_.value_rank);
        } else {
          body.Raw(node_.value);
        }
      }
      body.Int32(0);
      return body.Take();
    }
    case encoding::kWriteRequest: {
      request.ArrayLength();
      const std::size_t node_start = request.position();
      request.NodeId();
      nodes_.push_back(
          std::string(request_body.substr(at + node_start, request.position() - node_start)));
      request.UInt32();
      request.String();
      request.Byte();  // The DataValue's mask: the Variant follows, and ends the request.
      written_.push_back(std::string(request.Rest()));
      Encoder body = ResponseBegin(encoding::kWriteResponse);
      body.Int32(1);
      body.UInt32(node_.write_status);
      body.Int32(0);
      return body.Take();
    }
    default:
      return ResponseBegin(encoding::kCloseSessionResponse).Take();
  }
}

}  // namespace rozovevi::ioserver::standin::opc::testing_support
