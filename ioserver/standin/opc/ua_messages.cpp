// Encoding the requests and decoding the replies of the services an exchange makes.
#include "ioserver/standin/opc/ua_messages.h"

#include "ioserver/standin/opc/opc_address.h"

namespace rozovevi::ioserver::standin::opc {
namespace {

// Fields of the requests that this client always sends the same.
constexpr std::uint32_t kReturnNoDiagnostics = 0;
constexpr std::uint32_t kRequestTypeIssue = 0;
constexpr std::uint32_t kApplicationTypeClient = 1;
constexpr std::uint32_t kTimestampsNeither = 3;
constexpr double kMaxAgeNone = 0;

struct ServiceNameEntry {
  std::uint32_t id;
  std::string_view name;
};
constexpr ServiceNameEntry kServiceNames[] = {
    {encoding::kServiceFault, "ServiceFault"},
    {encoding::kGetEndpointsRequest, "GetEndpointsRequest"},
    {encoding::kGetEndpointsResponse, "GetEndpointsResponse"},
    {encoding::kOpenSecureChannelRequest, "OpenSecureChannelRequest"},
    {encoding::kOpenSecureChannelResponse, "OpenSecureChannelResponse"},
    {encoding::kCloseSecureChannelRequest, "CloseSecureChannelRequest"},
    {encoding::kCreateSessionRequest, "CreateSessionRequest"},
    {encoding::kCreateSessionResponse, "CreateSessionResponse"},
    {encoding::kActivateSessionRequest, "ActivateSessionRequest"},
    {encoding::kActivateSessionResponse, "ActivateSessionResponse"},
    {encoding::kCloseSessionRequest, "CloseSessionRequest"},
    {encoding::kCloseSessionResponse, "CloseSessionResponse"},
    {encoding::kReadRequest, "ReadRequest"},
    {encoding::kReadResponse, "ReadResponse"},
    {encoding::kWriteRequest, "WriteRequest"},
    {encoding::kWriteResponse, "WriteResponse"},
};

// A whole connection message: type, 'F', size, body.
std::string Whole(std::string_view type, const std::string& body) {
  Encoder message;
  message.Raw(type);
  message.Byte(static_cast<std::uint8_t>(kFinalChunk));
  message.UInt32(static_cast<std::uint32_t>(kMessageHeaderSize + body.size()));
  message.Raw(body);
  return message.Take();
}

Encoder Begin(std::uint32_t encoding_id, const RequestHeader& header) {
  Encoder body;
  body.NodeId(NodeId::Numeric(encoding_id));
  body.NodeId(header.authentication_token);
  body.Int64(header.timestamp);
  body.UInt32(header.request_handle);
  body.UInt32(kReturnNoDiagnostics);
  body.NullString();  // Audit entry id.
  body.UInt32(header.timeout_hint_ms);
  body.NullExtensionObject();
  return body;
}

// A SignatureData with neither algorithm nor signature: None signs nothing.
void NullSignature(Encoder& body) {
  body.NullString();
  body.NullString();
}

void EmptyArray(Encoder& body) { body.Int32(0); }

EndpointDescription DecodeEndpoint(Decoder& decoder) {
  EndpointDescription endpoint;
  endpoint.url = decoder.String().value_or(std::string());
  // The server's ApplicationDescription.
  decoder.String();
  decoder.String();
  decoder.LocalizedText();
  decoder.UInt32();
  decoder.String();
  decoder.String();
  decoder.SkipStringArray();
  decoder.String();  // Its certificate.
  endpoint.mode = static_cast<MessageSecurityMode>(decoder.UInt32());
  endpoint.security_policy_uri = decoder.String().value_or(std::string());
  const std::uint32_t tokens = decoder.ArrayLength(4);
  for (std::uint32_t i = 0; i < tokens && decoder.ok(); ++i) {
    UserTokenPolicy policy;
    policy.policy_id = decoder.String().value_or(std::string());
    policy.type = static_cast<UserTokenType>(decoder.UInt32());
    decoder.String();  // Issued token type.
    decoder.String();  // Issuer endpoint URL.
    decoder.String();  // Security policy of the token.
    endpoint.user_tokens.push_back(std::move(policy));
  }
  decoder.String();  // Transport profile.
  decoder.Byte();    // Security level.
  return endpoint;
}

std::vector<EndpointDescription> DecodeEndpoints(Decoder& decoder) {
  std::vector<EndpointDescription> endpoints;
  const std::uint32_t count = decoder.ArrayLength(4);
  for (std::uint32_t i = 0; i < count && decoder.ok(); ++i) {
    endpoints.push_back(DecodeEndpoint(decoder));
  }
  return endpoints;
}

}  // namespace

std::string_view ServiceName(std::uint32_t encoding_id) {
  for (const ServiceNameEntry& entry : kServiceNames) {
    if (entry.id == encoding_id) return entry.name;
  }
  return {};
}

std::string EncodeHello(const TransportLimits& limits, std::string_view endpoint_url) {
  Encoder body;
  body.UInt32(kProtocolVersion);
  body.UInt32(limits.receive_buffer);
  body.UInt32(limits.send_buffer);
  body.UInt32(limits.max_message);
  body.UInt32(limits.max_chunks);
  body.String(endpoint_url);
  return Whole(kHello, body.bytes());
}

std::variant<TransportLimits, std::string> DecodeAcknowledge(std::string_view body) {
  Decoder decoder(body);
  decoder.UInt32();  // The server's protocol version: any is fine for version 0.
  TransportLimits limits;
  limits.receive_buffer = decoder.UInt32();
  limits.send_buffer = decoder.UInt32();
  limits.max_message = decoder.UInt32();
  limits.max_chunks = decoder.UInt32();
  if (!decoder.ok()) return "a malformed Acknowledge: " + decoder.error();
  if (decoder.remaining() != 0) return std::string("a malformed Acknowledge: bytes after its end");
  if (limits.receive_buffer < kSmallestBuffer || limits.send_buffer < kSmallestBuffer) {
    return "the server's Acknowledge announces buffers of " +
           std::to_string(limits.receive_buffer) + " and " + std::to_string(limits.send_buffer) +
           " bytes, below the least of " + std::to_string(kSmallestBuffer);
  }
  return limits;
}

std::variant<ErrorMessage, std::string> DecodeErrorMessage(std::string_view body) {
  Decoder decoder(body);
  ErrorMessage message;
  message.error = decoder.UInt32();
  message.reason = decoder.String().value_or(std::string());
  if (decoder.ok() && decoder.remaining() == 0 && IsBad(message.error)) return message;
  // Some servers refuse an OpenSecureChannel with an Error message framed as its reply would be:
  // the asymmetric security header, the sequence header, and a ServiceFault.
  Decoder framed(body);
  framed.UInt32();  // Secure channel id.
  framed.String();  // Security policy.
  framed.String();  // Certificate.
  framed.String();  // Thumbprint.
  framed.UInt32();  // Sequence number.
  framed.UInt32();  // Request id.
  const ResponseHeader header = DecodeResponseHeader(framed, encoding::kServiceFault);
  if (framed.ok() && IsBad(header.service_result)) return ErrorMessage{header.service_result, {}};
  if (!decoder.ok()) return "a malformed Error message: " + decoder.error();
  return std::string("a malformed Error message: neither a Bad status and a reason, nor a fault");
}

std::string EncodeOpenSecureChannelRequest(const RequestHeader& header,
                                           std::uint32_t requested_lifetime_ms) {
  Encoder body = Begin(encoding::kOpenSecureChannelRequest, header);
  body.UInt32(kProtocolVersion);
  body.UInt32(kRequestTypeIssue);
  body.UInt32(static_cast<std::uint32_t>(MessageSecurityMode::kNone));
  body.String(std::string_view());  // Client nonce: None needs none.
  body.UInt32(requested_lifetime_ms);
  return body.Take();
}

std::string EncodeCreateSessionRequest(const RequestHeader& header,
                                       const CreateSessionRequest& request) {
  Encoder body = Begin(encoding::kCreateSessionRequest, header);
  // The client's ApplicationDescription.
  body.String(request.application_uri);
  body.NullString();  // Product URI.
  body.LocalizedText(request.application_name);
  body.UInt32(kApplicationTypeClient);
  body.NullString();  // Gateway server URI.
  body.NullString();  // Discovery profile URI.
  EmptyArray(body);   // Discovery URLs.
  body.NullString();  // Server URI.
  body.String(request.endpoint_url);
  body.String(request.session_name);
  body.String(request.client_nonce);
  body.NullString();  // Client certificate.
  body.Double(request.requested_timeout_ms);
  body.UInt32(request.max_response_size);
  return body.Take();
}

std::string EncodeActivateSessionRequest(const RequestHeader& header,
                                         std::string_view anonymous_policy_id) {
  Encoder body = Begin(encoding::kActivateSessionRequest, header);
  NullSignature(body);  // Client signature.
  EmptyArray(body);     // Client software certificates.
  EmptyArray(body);     // Locale ids.
  Encoder token;
  token.String(anonymous_policy_id);
  body.ExtensionObject(NodeId::Numeric(encoding::kAnonymousIdentityToken), token.bytes());
  NullSignature(body);  // User token signature.
  return body.Take();
}

std::string EncodeReadRequest(const RequestHeader& header, const std::vector<ReadValueId>& nodes) {
  Encoder body = Begin(encoding::kReadRequest, header);
  body.Double(kMaxAgeNone);
  body.UInt32(kTimestampsNeither);
  body.Int32(static_cast<std::int32_t>(nodes.size()));
  for (const ReadValueId& each : nodes) {
    body.NodeId(each.node);
    body.UInt32(static_cast<std::uint32_t>(each.attribute));
    body.NullString();  // Index range.
    body.UInt16(0);     // Data encoding: a null QualifiedName.
    body.NullString();
  }
  return body.Take();
}

std::string EncodeWriteRequest(const RequestHeader& header, const NodeId& node,
                               const Variant& value) {
  Encoder body = Begin(encoding::kWriteRequest, header);
  body.Int32(1);
  body.NodeId(node);
  body.UInt32(static_cast<std::uint32_t>(AttributeId::kValue));
  body.NullString();  // Index range.
  constexpr std::uint8_t kValueOnly = 0x01;
  body.Byte(kValueOnly);
  body.Variant(value);
  return body.Take();
}

std::string EncodeCloseSessionRequest(const RequestHeader& header) {
  Encoder body = Begin(encoding::kCloseSessionRequest, header);
  body.Boolean(true);  // Delete subscriptions: this client makes none.
  return body.Take();
}

std::string EncodeCloseSecureChannelRequest(const RequestHeader& header) {
  return Begin(encoding::kCloseSecureChannelRequest, header).Take();
}

std::string EncodeGetEndpointsRequest(const RequestHeader& header, std::string_view endpoint_url) {
  Encoder body = Begin(encoding::kGetEndpointsRequest, header);
  body.String(endpoint_url);
  EmptyArray(body);  // Locale ids.
  EmptyArray(body);  // Profile URIs.
  return body.Take();
}

ResponseHeader DecodeResponseHeader(Decoder& decoder, std::uint32_t expected_encoding) {
  ResponseHeader header;
  const NodeId type = decoder.NodeId();
  if (!decoder.ok()) return header;
  if (type.namespace_index != 0 || type.id_type != IdType::kNumeric ||
      (type.numeric != expected_encoding && type.numeric != encoding::kServiceFault)) {
    const std::string_view name = ServiceName(type.numeric);
    decoder.Fail("a " +
                 (name.empty() ? "message of type " + FormatNodeId(type) : std::string(name)) +
                 " where a " + std::string(ServiceName(expected_encoding)) + " belongs");
    return header;
  }
  header.encoding_id = type.numeric;
  decoder.Int64();  // Timestamp.
  header.request_handle = decoder.UInt32();
  header.service_result = decoder.UInt32();
  decoder.SkipDiagnosticInfo();
  decoder.SkipStringArray();
  decoder.ExtensionObject();
  if (decoder.ok() && header.encoding_id == encoding::kServiceFault &&
      !IsBad(header.service_result)) {
    decoder.Fail("a ServiceFault without a Bad status");
  }
  return header;
}

ChannelToken DecodeOpenSecureChannelResponse(Decoder& decoder) {
  ChannelToken token;
  decoder.UInt32();  // The server's protocol version.
  token.channel_id = decoder.UInt32();
  token.token_id = decoder.UInt32();
  decoder.Int64();   // Created at.
  decoder.UInt32();  // Revised lifetime.
  decoder.String();  // Server nonce.
  return token;
}

CreateSessionResult DecodeCreateSessionResponse(Decoder& decoder) {
  CreateSessionResult result;
  result.session_id = decoder.NodeId();
  result.authentication_token = decoder.NodeId();
  decoder.Double();  // Revised session timeout.
  decoder.String();  // Server nonce.
  decoder.String();  // Server certificate.
  result.endpoints = DecodeEndpoints(decoder);
  const std::uint32_t certificates = decoder.ArrayLength(8);
  for (std::uint32_t i = 0; i < certificates && decoder.ok(); ++i) {
    decoder.String();
    decoder.String();
  }
  decoder.String();  // Server signature: algorithm and signature.
  decoder.String();
  decoder.UInt32();  // Max request message size.
  return result;
}

std::vector<EndpointDescription> DecodeGetEndpointsResponse(Decoder& decoder) {
  return DecodeEndpoints(decoder);
}

std::vector<StatusCode> DecodeStatusResults(Decoder& decoder) {
  std::vector<StatusCode> results;
  const std::uint32_t count = decoder.ArrayLength(4);
  for (std::uint32_t i = 0; i < count && decoder.ok(); ++i) results.push_back(decoder.UInt32());
  decoder.SkipDiagnosticInfoArray();
  return results;
}

std::vector<DataValue> DecodeReadResponse(Decoder& decoder) {
  std::vector<DataValue> results;
  const std::uint32_t count = decoder.ArrayLength(1);
  for (std::uint32_t i = 0; i < count && decoder.ok(); ++i) results.push_back(decoder.DataValue());
  decoder.SkipDiagnosticInfoArray();
  return results;
}

}  // namespace rozovevi::ioserver::standin::opc
