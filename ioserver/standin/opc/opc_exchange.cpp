// The steps of one exchange and the checks of each reply.
#include "ioserver/standin/opc/opc_exchange.h"

#include <algorithm>
#include <chrono>
#include <random>

#include "ioserver/ascii_text.h"
#include "ioserver/standin/opc/ua_chunks.h"

namespace rozovevi::ioserver::standin::opc {
namespace {

constexpr std::uint32_t kChannelLifetimeMs = 600000;
constexpr double kSessionTimeoutMs = 30000;
constexpr std::size_t kNonceSize = 32;
constexpr std::size_t kMostChunks = 4096;
constexpr std::uint32_t kNamespaceArray = 2255;
constexpr std::string_view kApplicationUri = "urn:rozovevi:rozovevi-io";
constexpr std::string_view kApplicationName = "ROZOVEVI";
constexpr std::string_view kSessionName = "ROZOVEVI one exchange";
// 100-ns ticks from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000;

std::int64_t Now() {
  using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>;
  return kTicksFrom1601To1970 +
         std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch())
             .count();
}

std::string Nonce() {
  std::random_device source;
  std::string nonce(kNonceSize, '\0');
  for (char& byte : nonce) byte = static_cast<char>(source() & 0xFF);
  return nonce;
}

// "Basic256Sha256" from its policy URI.
std::string PolicyName(const std::string& uri) {
  const std::size_t hash = uri.rfind('#');
  return hash == std::string::npos ? uri : uri.substr(hash + 1);
}

const char* TokenNeed(UserTokenType type) {
  switch (type) {
    case UserTokenType::kUserName:
      return "a user name";
    case UserTokenType::kCertificate:
      return "a user certificate";
    case UserTokenType::kIssuedToken:
      return "an issued token";
    default:
      return "an anonymous token";
  }
}

std::string Label(std::string_view type, std::uint32_t encoding_id) {
  if (type != kMessage) return std::string(type);
  const std::string_view name = ServiceName(encoding_id);
  return std::string(type) + (name.empty() ? "" : " " + std::string(name));
}

// The service's name without "Request": "Read", "CreateSession".
std::string Service(std::uint32_t request) {
  std::string name(ServiceName(request));
  constexpr std::string_view kSuffix = "Request";
  if (name.size() > kSuffix.size()) name.resize(name.size() - kSuffix.size());
  return name;
}

}  // namespace

Exchange::Exchange(const OpcAddress& address, FrameTrace* trace)
    : address_(address), trace_(trace), where_(address.endpoint_url) {}

Exchange::~Exchange() { Close(); }

RequestHeader Exchange::NextHeader() {
  RequestHeader header;
  header.authentication_token = authentication_token_;
  header.timestamp = Now();
  header.request_handle = next_request_;
  header.timeout_hint_ms = static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(address_.timeout).count());
  return header;
}

Status Exchange::Broken(const std::string& fault) {
  sound_ = false;
  if (transport_) transport_->TraceEvent("protocol broken: " + fault);
  return Status::Failure(where_ + " broke the protocol: " + fault);
}

Status Exchange::Open() {
  auto connected =
      Transport::Connect(address_.host, address_.port, address_.timeout, where_, trace_);
  if (auto* failure = std::get_if<Status>(&connected)) return *failure;
  transport_.emplace(std::get<Transport>(std::move(connected)));
  sound_ = true;
  if (Status hello = Hello(); !hello.ok()) return hello;

  std::string reply;
  std::size_t at = 0;
  if (Status opened =
          Call(encoding::kOpenSecureChannelRequest, encoding::kOpenSecureChannelResponse,
               EncodeOpenSecureChannelRequest(NextHeader(), kChannelLifetimeMs), reply, at);
      !opened.ok()) {
    return opened;
  }
  Decoder decoder(std::string_view(reply).substr(at));
  const ChannelToken token = DecodeOpenSecureChannelResponse(decoder);
  if (!decoder.ok()) return Broken("a malformed OpenSecureChannel response: " + decoder.error());
  if (token.channel_id != channel_.channel_id) {
    return Broken("the OpenSecureChannel response names channel " +
                  std::to_string(token.channel_id) + " in a chunk of channel " +
                  std::to_string(channel_.channel_id));
  }
  channel_.token_id = token.token_id;
  channel_open_ = true;

  std::string policy_id;
  if (Status created = CreateSession(policy_id); !created.ok()) return created;
  if (Status activated = Call(encoding::kActivateSessionRequest, encoding::kActivateSessionResponse,
                              EncodeActivateSessionRequest(NextHeader(), policy_id), reply, at);
      !activated.ok()) {
    return activated;
  }
  return Status::Ok();
}

Status Exchange::Hello() {
  const std::string hello = EncodeHello(kClientLimits, address_.endpoint_url);
  if (Status sent = transport_->Send(hello, kHello); !sent.ok()) {
    sound_ = false;
    return sent;
  }
  std::string frame;
  if (Status got = transport_->Receive(transport_->Deadline(), kClientLimits.receive_buffer,
                                       "the Acknowledge", frame);
      !got.ok()) {
    sound_ = false;
    return got;
  }
  const std::string_view type = std::string_view(frame).substr(0, 3);
  transport_->TraceReceived(frame, type == kAcknowledge || type == kError ? type : "");
  const std::string_view body = std::string_view(frame).substr(kMessageHeaderSize);
  if (type == kError) {
    sound_ = false;
    auto error = DecodeErrorMessage(body);
    if (auto* fault = std::get_if<std::string>(&error)) return Broken(*fault);
    const ErrorMessage& message = std::get<ErrorMessage>(error);
    return Status::Failure(
        where_ + " refused the connection with " + DescribeStatus(message.error) +
        (message.reason.empty() ? "" : " (" + QuotedForReason(message.reason) + ")"));
  }
  if (type != kAcknowledge)
    return Broken("no Acknowledge in reply to Hello (not an OPC UA server?)");
  auto limits = DecodeAcknowledge(body);
  if (auto* fault = std::get_if<std::string>(&limits)) return Broken(*fault);
  server_ = std::get<TransportLimits>(limits);
  return Status::Ok();
}

Status Exchange::Transact(std::string_view type, std::uint32_t request, const std::string& body,
                          std::string& reply) {
  if (!sound_) return Status::Failure("the connection to " + where_ + " is lost");
  if (server_.max_message != 0 && body.size() > server_.max_message) {
    return Status::Failure("the " + Service(request) + " request takes " +
                           std::to_string(body.size()) + " bytes; " + where_ + " takes at most " +
                           std::to_string(server_.max_message));
  }
  const std::size_t chunk_size = std::min(server_.receive_buffer, kClientLimits.send_buffer);
  ChunkIds ids = channel_;
  ids.sequence_number = next_sequence_;
  ids.request_id = next_request_++;
  const std::vector<std::string> chunks = EncodeChunks(type, ids, body, chunk_size);
  if (server_.max_chunks != 0 && chunks.size() > server_.max_chunks) {
    return Status::Failure("the " + Service(request) + " request needs " +
                           std::to_string(chunks.size()) + " chunks; " + where_ +
                           " takes at most " + std::to_string(server_.max_chunks));
  }
  next_sequence_ += static_cast<std::uint32_t>(chunks.size());
  const std::string label = Label(type, request);
  for (const std::string& chunk : chunks) {
    if (Status sent = transport_->Send(chunk, label); !sent.ok()) {
      sound_ = false;
      return sent;
    }
  }

  const bool opening = type == kOpen;
  Reassembly reassembly(type, ids, !opening, last_received_sequence_, kClientLimits.max_message);
  const std::string waiting_for = "the reply to " + std::string(ServiceName(request));
  const auto deadline = transport_->Deadline();
  std::string frame;
  for (std::size_t count = 0; count < kMostChunks; ++count) {
    if (Status got =
            transport_->Receive(deadline, kClientLimits.receive_buffer, waiting_for, frame);
        !got.ok()) {
      sound_ = false;
      return got;
    }
    const std::string_view frame_type = std::string_view(frame).substr(0, 3);
    if (frame_type == kError) {
      transport_->TraceReceived(frame, kError);
      sound_ = false;
      auto error = DecodeErrorMessage(std::string_view(frame).substr(kMessageHeaderSize));
      if (auto* fault = std::get_if<std::string>(&error)) return Broken(*fault);
      const ErrorMessage& message = std::get<ErrorMessage>(error);
      const StatusCode code = message.error & kStatusCodeMask;
      if (type == kOpen && (code == status::kBadSecurityPolicyRejected ||
                            code == status::kBadSecurityModeRejected)) {
        // Such a server will not even list its endpoints on an unsecured channel.
        return Status::Failure(where_ +
                               " accepts only signed or encrypted connections (it refused the None "
                               "security policy with " +
                               StatusName(message.error) +
                               "); this client connects without security");
      }
      return Status::Failure(
          where_ + " ended the connection with an Error message: " + DescribeStatus(message.error) +
          (message.reason.empty() ? "" : " (" + QuotedForReason(message.reason) + ")"));
    }
    std::string label_received =
        frame_type == kMessage || frame_type == kOpen || frame_type == kClose
            ? std::string(frame_type)
            : std::string();
    if (count == 0 && frame_type == kMessage && frame.size() > ChunkOverhead(kMessage)) {
      Decoder peek(std::string_view(frame).substr(ChunkOverhead(kMessage)));
      const NodeId id = peek.NodeId();
      if (peek.ok() && id.namespace_index == 0) label_received = Label(kMessage, id.numeric);
    }
    transport_->TraceReceived(frame, label_received);
    const Reassembly::Progress progress = reassembly.Add(frame);
    last_received_sequence_ = reassembly.last_sequence();
    switch (progress) {
      case Reassembly::Progress::kMore:
        continue;
      case Reassembly::Progress::kBroken:
        return Broken(reassembly.fault());
      case Reassembly::Progress::kAborted:
        return Status::Failure(where_ + " gave up its reply to " + Service(request) + ": " +
                               DescribeStatus(reassembly.abort().error) +
                               (reassembly.abort().reason.empty()
                                    ? ""
                                    : " (" + QuotedForReason(reassembly.abort().reason) + ")"));
      case Reassembly::Progress::kComplete:
        if (opening) channel_.channel_id = reassembly.received_ids().channel_id;
        reply = reassembly.body();
        return Status::Ok();
    }
  }
  return Broken("a reply in more than " + std::to_string(kMostChunks) + " chunks");
}

Status Exchange::Call(std::uint32_t request, std::uint32_t response, const std::string& body,
                      std::string& reply, std::size_t& after_header) {
  const std::string_view type = request == encoding::kOpenSecureChannelRequest ? kOpen : kMessage;
  if (Status done = Transact(type, request, body, reply); !done.ok()) return done;
  Decoder decoder(reply);
  const ResponseHeader header = DecodeResponseHeader(decoder, response);
  if (!decoder.ok()) {
    return Broken("a malformed reply to " + Service(request) + ": " + decoder.error());
  }
  if (IsBad(header.service_result)) {
    return Status::Failure(where_ + " refused " + Service(request) + ": " +
                           DescribeStatus(header.service_result));
  }
  after_header = decoder.position();
  return Status::Ok();
}

std::optional<std::string> Exchange::EndpointProblem(
    const std::vector<EndpointDescription>& endpoints, std::string* policy_id) {
  std::vector<std::string> secured;
  std::vector<std::string> needs;
  for (const EndpointDescription& endpoint : endpoints) {
    if (endpoint.mode != MessageSecurityMode::kNone ||
        endpoint.security_policy_uri != kSecurityPolicyNone) {
      const std::string name = PolicyName(endpoint.security_policy_uri);
      if (std::find(secured.begin(), secured.end(), name) == secured.end()) {
        secured.push_back(name);
      }
      continue;
    }
    for (const UserTokenPolicy& token : endpoint.user_tokens) {
      if (token.type == UserTokenType::kAnonymous) {
        if (policy_id != nullptr) *policy_id = token.policy_id;
        return std::nullopt;
      }
      const std::string need = TokenNeed(token.type);
      if (std::find(needs.begin(), needs.end(), need) == needs.end()) needs.push_back(need);
    }
  }
  auto joined = [](const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
    return text;
  };
  if (!needs.empty()) {
    return where_ + " allows no anonymous access without security: it needs " +
           joined(needs, " or ") + "; this client connects anonymously";
  }
  if (!secured.empty()) {
    return where_ + " accepts only signed or encrypted connections (" + joined(secured, ", ") +
           "); this client connects without security";
  }
  return where_ + " lists no endpoint that this client can use";
}

std::optional<std::vector<EndpointDescription>> Exchange::GetEndpoints() {
  std::string reply;
  std::size_t at = 0;
  if (!Call(encoding::kGetEndpointsRequest, encoding::kGetEndpointsResponse,
            EncodeGetEndpointsRequest(NextHeader(), address_.endpoint_url), reply, at)
           .ok()) {
    return std::nullopt;
  }
  Decoder decoder(std::string_view(reply).substr(at));
  std::vector<EndpointDescription> endpoints = DecodeGetEndpointsResponse(decoder);
  if (!decoder.ok()) return std::nullopt;
  return endpoints;
}

Status Exchange::CreateSession(std::string& policy_id) {
  CreateSessionRequest request;
  request.application_uri = std::string(kApplicationUri);
  request.application_name = std::string(kApplicationName);
  request.endpoint_url = address_.endpoint_url;
  request.session_name = std::string(kSessionName);
  request.client_nonce = Nonce();
  request.requested_timeout_ms = kSessionTimeoutMs;
  request.max_response_size = kClientLimits.max_message;
  std::string reply;
  std::size_t at = 0;
  Status created = Call(encoding::kCreateSessionRequest, encoding::kCreateSessionResponse,
                        EncodeCreateSessionRequest(NextHeader(), request), reply, at);
  if (!created.ok()) {
    // A server without an unsecured endpoint refuses the session; its endpoints tell why.
    if (sound_) {
      if (auto endpoints = GetEndpoints()) {
        if (auto problem = EndpointProblem(*endpoints, nullptr)) {
          return Status::Failure(*problem + " (" + created.reason() + ")");
        }
      }
    }
    return created;
  }
  Decoder decoder(std::string_view(reply).substr(at));
  CreateSessionResult result = DecodeCreateSessionResponse(decoder);
  if (!decoder.ok()) return Broken("a malformed CreateSession response: " + decoder.error());
  authentication_token_ = result.authentication_token;
  session_open_ = true;
  if (result.endpoints.empty()) {
    if (auto endpoints = GetEndpoints()) result.endpoints = std::move(*endpoints);
  }
  if (auto problem = EndpointProblem(result.endpoints, &policy_id)) {
    return Status::Failure(*problem);
  }
  return Status::Ok();
}

Status Exchange::Read(const std::vector<ReadValueId>& nodes, std::vector<DataValue>& results) {
  std::string reply;
  std::size_t at = 0;
  if (Status read = Call(encoding::kReadRequest, encoding::kReadResponse,
                         EncodeReadRequest(NextHeader(), nodes), reply, at);
      !read.ok()) {
    return read;
  }
  Decoder decoder(std::string_view(reply).substr(at));
  results = DecodeReadResponse(decoder);
  if (!decoder.ok()) return Broken("a malformed Read response: " + decoder.error());
  if (results.size() != nodes.size()) {
    return Broken("a Read response with " + std::to_string(results.size()) + " results for " +
                  std::to_string(nodes.size()) + " nodes");
  }
  return Status::Ok();
}

Status Exchange::Write(const NodeId& node, const Variant& value, StatusCode& result) {
  std::string reply;
  std::size_t at = 0;
  if (Status written = Call(encoding::kWriteRequest, encoding::kWriteResponse,
                            EncodeWriteRequest(NextHeader(), node, value), reply, at);
      !written.ok()) {
    return written;
  }
  Decoder decoder(std::string_view(reply).substr(at));
  const std::vector<StatusCode> results = DecodeStatusResults(decoder);
  if (!decoder.ok()) return Broken("a malformed Write response: " + decoder.error());
  if (results.size() != 1) {
    return Broken("a Write response with " + std::to_string(results.size()) +
                  " results for one node");
  }
  result = results.front();
  return Status::Ok();
}

Status Exchange::NamespaceIndex(const std::string& namespace_uri, std::uint16_t& index) {
  std::vector<DataValue> results;
  if (Status read = Read({{NodeId::Numeric(kNamespaceArray), AttributeId::kValue}}, results);
      !read.ok()) {
    return read;
  }
  const DataValue& table = results.front();
  if (IsBad(table.status) || table.value.type != BuiltinType::kString || !table.value.is_array) {
    return Status::Failure(where_ + " gives no namespace table (NamespaceArray, i=2255)" +
                           (IsBad(table.status) ? ": " + DescribeStatus(table.status) : ""));
  }
  const auto& uris = table.value.strings;
  for (std::size_t i = 0; i < uris.size(); ++i) {
    if (uris[i] && *uris[i] == namespace_uri) {
      index = static_cast<std::uint16_t>(i);
      return Status::Ok();
    }
  }
  return Status::Failure(where_ + " has no namespace " + QuotedForReason(namespace_uri) +
                         " (nsu=); check the URI, or give the index with ns=");
}

void Exchange::Close() {
  if (!transport_) return;
  if (sound_ && session_open_) {
    session_open_ = false;
    std::string reply;
    std::size_t at = 0;
    Call(encoding::kCloseSessionRequest, encoding::kCloseSessionResponse,
         EncodeCloseSessionRequest(NextHeader()), reply, at);
  }
  if (sound_ && channel_open_) {
    channel_open_ = false;
    ChunkIds ids = channel_;
    ids.sequence_number = next_sequence_++;
    ids.request_id = next_request_++;
    for (const std::string& chunk :
         EncodeChunks(kClose, ids, EncodeCloseSecureChannelRequest(NextHeader()),
                      std::min(server_.receive_buffer, kClientLimits.send_buffer))) {
      if (!transport_->Send(chunk, kClose).ok()) break;
    }
  }
  sound_ = false;
  transport_.reset();
}

}  // namespace rozovevi::ioserver::standin::opc
