// Chunk headers of secure conversation, with the None policy: neither signature nor padding.
#include "ioserver/standin/opc/ua_chunks.h"

#include <algorithm>

namespace rozovevi::ioserver::standin::opc {
namespace {

// Message header, secure channel id; then OPN's policy URI and two null certificates, or the
// token id; then sequence number and request id.
constexpr std::size_t kSequenceHeaderSize = 8;
constexpr std::size_t kSymmetricHeaderSize = kMessageHeaderSize + 4 + 4;
constexpr std::size_t kAsymmetricHeaderSize =
    kMessageHeaderSize + 4 + 4 + kSecurityPolicyNone.size() + 4 + 4;
// A sequence number past this may wrap around to one below kWrappedBelow.
constexpr std::uint32_t kLastBeforeWrap = 4294966271U;
constexpr std::uint32_t kWrappedBelow = 1024;

bool Follows(std::uint32_t last, std::uint32_t next) {
  return next == last + 1 || (last > kLastBeforeWrap && next < kWrappedBelow);
}

}  // namespace

std::size_t ChunkOverhead(std::string_view type) {
  return (type == kOpen ? kAsymmetricHeaderSize : kSymmetricHeaderSize) + kSequenceHeaderSize;
}

std::vector<std::string> EncodeChunks(std::string_view type, ChunkIds ids, std::string_view body,
                                      std::size_t chunk_size) {
  const std::size_t room = chunk_size - ChunkOverhead(type);
  std::vector<std::string> chunks;
  std::size_t at = 0;
  do {
    const std::size_t part = std::min(room, body.size() - at);
    const bool last = at + part == body.size();
    Encoder chunk;
    chunk.Raw(type);
    chunk.Byte(static_cast<std::uint8_t>(last ? kFinalChunk : kIntermediateChunk));
    chunk.UInt32(static_cast<std::uint32_t>(ChunkOverhead(type) + part));
    chunk.UInt32(ids.channel_id);
    if (type == kOpen) {
      chunk.String(kSecurityPolicyNone);
      chunk.NullString();  // Sender certificate.
      chunk.NullString();  // Receiver certificate thumbprint.
    } else {
      chunk.UInt32(ids.token_id);
    }
    chunk.UInt32(ids.sequence_number++);
    chunk.UInt32(ids.request_id);
    chunk.Raw(body.substr(at, part));
    chunks.push_back(chunk.Take());
    at += part;
  } while (at < body.size());
  return chunks;
}

std::variant<Chunk, std::string> DecodeChunk(std::string_view whole) {
  Decoder decoder(whole);
  Chunk chunk;
  chunk.type = std::string(whole.substr(0, 3));
  decoder.Skip(3);
  chunk.chunk_type = static_cast<char>(decoder.Byte());
  const std::uint32_t size = decoder.UInt32();
  if (!decoder.ok() || size != whole.size()) return std::string("a chunk's size is not its length");
  chunk.ids.channel_id = decoder.UInt32();
  if (chunk.type == kOpen) {
    chunk.policy_uri = decoder.String().value_or(std::string());
    decoder.String();
    decoder.String();
  } else {
    chunk.ids.token_id = decoder.UInt32();
  }
  chunk.ids.sequence_number = decoder.UInt32();
  chunk.ids.request_id = decoder.UInt32();
  if (!decoder.ok()) return "a malformed " + chunk.type + " chunk: " + decoder.error();
  chunk.body = decoder.Rest();
  return chunk;
}

Reassembly::Reassembly(std::string_view type, ChunkIds expected, bool check_channel,
                       std::optional<std::uint32_t> last_sequence, std::size_t max_message)
    : type_(type),
      expected_(expected),
      check_channel_(check_channel),
      last_sequence_(last_sequence),
      max_message_(max_message) {}

Reassembly::Progress Reassembly::Broken(std::string fault) {
  fault_ = std::move(fault);
  return Progress::kBroken;
}

Reassembly::Progress Reassembly::Add(std::string_view whole_chunk) {
  auto decoded = DecodeChunk(whole_chunk);
  if (auto* fault = std::get_if<std::string>(&decoded)) return Broken(std::move(*fault));
  const Chunk& chunk = std::get<Chunk>(decoded);
  if (chunk.type != type_) {
    return Broken("a " + chunk.type + " chunk where the reply to " + type_ + " belongs");
  }
  if (chunk.chunk_type != kFinalChunk && chunk.chunk_type != kIntermediateChunk &&
      chunk.chunk_type != kAbortChunk) {
    return Broken("a chunk of unknown kind '" + std::string(1, chunk.chunk_type) + "'");
  }
  if (chunk.type == kOpen && chunk.policy_uri != kSecurityPolicyNone) {
    return Broken("the server answered with another security policy than None");
  }
  if (check_channel_ && chunk.ids.channel_id != expected_.channel_id) {
    return Broken("a chunk for secure channel " + std::to_string(chunk.ids.channel_id) +
                  " on channel " + std::to_string(expected_.channel_id));
  }
  if (check_channel_ && chunk.type != kOpen && chunk.ids.token_id != expected_.token_id) {
    return Broken("a chunk with token " + std::to_string(chunk.ids.token_id) + " where " +
                  std::to_string(expected_.token_id) + " was issued");
  }
  if (chunks_ == 0) received_ = chunk.ids;
  ++chunks_;
  if (last_sequence_ && !Follows(*last_sequence_, chunk.ids.sequence_number)) {
    return Broken("sequence number " + std::to_string(chunk.ids.sequence_number) + " after " +
                  std::to_string(*last_sequence_) + " (out of sequence)");
  }
  last_sequence_ = chunk.ids.sequence_number;
  if (chunk.ids.request_id != expected_.request_id) {
    return Broken("a reply to request " + std::to_string(chunk.ids.request_id) + " where " +
                  std::to_string(expected_.request_id) + " was sent");
  }
  if (chunk.chunk_type == kAbortChunk) {
    auto error = DecodeErrorMessage(chunk.body);
    if (auto* fault = std::get_if<std::string>(&error)) return Broken(std::move(*fault));
    abort_ = std::get<ErrorMessage>(std::move(error));
    return Progress::kAborted;
  }
  if (chunk.body.size() > max_message_ - body_.size()) {
    return Broken("a reply larger than " + std::to_string(max_message_) + " bytes (too large)");
  }
  body_.append(chunk.body);
  return chunk.chunk_type == kFinalChunk ? Progress::kComplete : Progress::kMore;
}

}  // namespace rozovevi::ioserver::standin::opc
