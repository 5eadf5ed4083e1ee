// The messages of the UA Connection Protocol (HEL, ACK, ERR) and the service requests and
// responses this client uses, encoded and decoded with no I/O.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "ioserver/standin/opc/ua_binary.h"
#include "ioserver/standin/opc/ua_status.h"
#include "ioserver/standin/opc/ua_types.h"

namespace rozovevi::ioserver::standin::opc {

// Every message and chunk begins with its type, its chunk type and its whole size.
inline constexpr std::size_t kMessageHeaderSize = 8;
inline constexpr std::string_view kHello = "HEL";
inline constexpr std::string_view kAcknowledge = "ACK";
inline constexpr std::string_view kError = "ERR";
inline constexpr std::string_view kOpen = "OPN";
inline constexpr std::string_view kMessage = "MSG";
inline constexpr std::string_view kClose = "CLO";
inline constexpr char kFinalChunk = 'F';
inline constexpr char kIntermediateChunk = 'C';
inline constexpr char kAbortChunk = 'A';

inline constexpr std::uint32_t kProtocolVersion = 0;
// The smallest buffer a peer may announce.
inline constexpr std::uint32_t kSmallestBuffer = 8192;

inline constexpr std::string_view kSecurityPolicyNone =
    "http://opcfoundation.org/UA/SecurityPolicy#None";

// The buffer sizes and limits one side announces in Hello or Acknowledge (0: no limit).
struct TransportLimits {
  std::uint32_t receive_buffer = 0;
  std::uint32_t send_buffer = 0;
  std::uint32_t max_message = 0;
  std::uint32_t max_chunks = 0;
};

// What this client asks for: 64 KiB chunks, whole messages of at most 16 MiB.
inline constexpr TransportLimits kClientLimits{65536, 65536, 16 * 1024 * 1024, 0};

// The numbers of the encodings (their DefaultBinary NodeIds in namespace 0) of what is sent and
// read.
namespace encoding {
inline constexpr std::uint32_t kAnonymousIdentityToken = 321;
inline constexpr std::uint32_t kServiceFault = 397;
inline constexpr std::uint32_t kGetEndpointsRequest = 428;
inline constexpr std::uint32_t kGetEndpointsResponse = 431;
inline constexpr std::uint32_t kOpenSecureChannelRequest = 446;
inline constexpr std::uint32_t kOpenSecureChannelResponse = 449;
inline constexpr std::uint32_t kCloseSecureChannelRequest = 452;
inline constexpr std::uint32_t kCreateSessionRequest = 461;
inline constexpr std::uint32_t kCreateSessionResponse = 464;
inline constexpr std::uint32_t kActivateSessionRequest = 467;
inline constexpr std::uint32_t kActivateSessionResponse = 470;
inline constexpr std::uint32_t kCloseSessionRequest = 473;
inline constexpr std::uint32_t kCloseSessionResponse = 476;
inline constexpr std::uint32_t kReadRequest = 631;
inline constexpr std::uint32_t kReadResponse = 634;
inline constexpr std::uint32_t kWriteRequest = 673;
inline constexpr std::uint32_t kWriteResponse = 676;
}  // namespace encoding

// "ReadRequest" for a service's encoding number; empty for one this client does not know.
std::string_view ServiceName(std::uint32_t encoding_id);

// The attributes read and written.
enum class AttributeId : std::uint32_t { kValue = 13, kDataType = 14, kValueRank = 15 };

enum class MessageSecurityMode : std::uint32_t {
  kInvalid = 0,
  kNone = 1,
  kSign = 2,
  kSignAndEncrypt = 3
};
enum class UserTokenType : std::uint32_t {
  kAnonymous = 0,
  kUserName = 1,
  kCertificate = 2,
  kIssuedToken = 3
};

// ----- The connection messages, whole (header included).

std::string EncodeHello(const TransportLimits& limits, std::string_view endpoint_url);

// The body (after the header) of an Acknowledge; the reason when it is not one.
std::variant<TransportLimits, std::string> DecodeAcknowledge(std::string_view body);

struct ErrorMessage {
  StatusCode error = 0;
  std::string reason;
};
// The body of an Error message, or of an abort chunk.
std::variant<ErrorMessage, std::string> DecodeErrorMessage(std::string_view body);

// ----- Service requests: the body of the message, from the encoding's NodeId on.

struct RequestHeader {
  NodeId authentication_token;
  std::int64_t timestamp = 0;  // 100-ns ticks since 1601.
  std::uint32_t request_handle = 0;
  std::uint32_t timeout_hint_ms = 0;
};

std::string EncodeOpenSecureChannelRequest(const RequestHeader& header,
                                           std::uint32_t requested_lifetime_ms);

struct CreateSessionRequest {
  std::string application_uri;
  std::string application_name;
  std::string endpoint_url;
  std::string session_name;
  std::string client_nonce;
  double requested_timeout_ms = 0;
  std::uint32_t max_response_size = 0;
};
std::string EncodeCreateSessionRequest(const RequestHeader& header,
                                       const CreateSessionRequest& request);

std::string EncodeActivateSessionRequest(const RequestHeader& header,
                                         std::string_view anonymous_policy_id);

struct ReadValueId {
  NodeId node;
  AttributeId attribute = AttributeId::kValue;
};
std::string EncodeReadRequest(const RequestHeader& header, const std::vector<ReadValueId>& nodes);
std::string EncodeWriteRequest(const RequestHeader& header, const NodeId& node,
                               const Variant& value);
std::string EncodeCloseSessionRequest(const RequestHeader& header);
std::string EncodeCloseSecureChannelRequest(const RequestHeader& header);
std::string EncodeGetEndpointsRequest(const RequestHeader& header, std::string_view endpoint_url);

// ----- Service responses, read from a Decoder over the whole body.

struct ResponseHeader {
  std::uint32_t encoding_id = 0;
  std::uint32_t request_handle = 0;
  StatusCode service_result = 0;
};
// Reads the encoding's NodeId and the response header. A ServiceFault is read as such (its
// header's result is the fault); any other type than expected fails the decoder.
ResponseHeader DecodeResponseHeader(Decoder& decoder, std::uint32_t expected_encoding);

struct ChannelToken {
  std::uint32_t channel_id = 0;
  std::uint32_t token_id = 0;
};
ChannelToken DecodeOpenSecureChannelResponse(Decoder& decoder);

struct UserTokenPolicy {
  std::string policy_id;
  UserTokenType type = UserTokenType::kAnonymous;
};
struct EndpointDescription {
  std::string url;
  MessageSecurityMode mode = MessageSecurityMode::kInvalid;
  std::string security_policy_uri;
  std::vector<UserTokenPolicy> user_tokens;
};

struct CreateSessionResult {
  NodeId session_id;
  NodeId authentication_token;
  std::vector<EndpointDescription> endpoints;
};
CreateSessionResult DecodeCreateSessionResponse(Decoder& decoder);
std::vector<EndpointDescription> DecodeGetEndpointsResponse(Decoder& decoder);
// The status of each result of ActivateSession and Write.
std::vector<StatusCode> DecodeStatusResults(Decoder& decoder);
std::vector<DataValue> DecodeReadResponse(Decoder& decoder);

}  // namespace rozovevi::ioserver::standin::opc
