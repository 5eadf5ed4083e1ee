// The chunks of UA Secure Conversation with the None security policy: the OPN, MSG and CLO
// chunks sent, and the replies' chunks checked and put together. No I/O.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "ioserver/standin/opc/ua_messages.h"

namespace rozovevi::ioserver::standin::opc {

// The numbers that tie the chunks of one exchange together.
struct ChunkIds {
  std::uint32_t channel_id = 0;
  std::uint32_t token_id = 0;  // MSG and CLO only.
  std::uint32_t sequence_number = 0;
  std::uint32_t request_id = 0;
};

// The chunks of one request whose body is split to fit chunks of at most chunk_size bytes.
// type is kOpen (asymmetric header with the None policy, no certificates), kMessage or kClose.
std::vector<std::string> EncodeChunks(std::string_view type, ChunkIds ids, std::string_view body,
                                      std::size_t chunk_size);

// The size of the headers of a chunk of type before its body.
std::size_t ChunkOverhead(std::string_view type);

// One chunk as read off the wire, its headers taken apart.
struct Chunk {
  std::string type;  // "OPN", "MSG", "CLO".
  char chunk_type = kFinalChunk;
  ChunkIds ids;
  std::string policy_uri;  // OPN only.
  std::string_view body;   // Points into the chunk given to DecodeChunk.
};
std::variant<Chunk, std::string> DecodeChunk(std::string_view whole);

// Puts the chunks of one reply together, checking each against what the channel expects: the
// type, the channel and token, the request id, the next sequence number and the size limit.
class Reassembly {
 public:
  // expected: the channel's ids and the request id of the request that was sent; the channel id
  // and token are not known before the OpenSecureChannel response (pass check_channel false).
  // last_sequence: the sequence number of the channel's last chunk received, if any.
  Reassembly(std::string_view type, ChunkIds expected, bool check_channel,
             std::optional<std::uint32_t> last_sequence, std::size_t max_message);

  enum class Progress { kMore, kComplete, kAborted, kBroken };
  // Adds the next chunk; its body is copied.
  Progress Add(std::string_view whole_chunk);

  // The whole message once complete; the abort's Error once aborted.
  const std::string& body() const { return body_; }
  const ErrorMessage& abort() const { return abort_; }
  // What broke the protocol, once broken.
  const std::string& fault() const { return fault_; }
  std::optional<std::uint32_t> last_sequence() const { return last_sequence_; }
  // The channel's ids as the first chunk gave them (for OpenSecureChannel).
  const ChunkIds& received_ids() const { return received_; }

 private:
  Progress Broken(std::string fault);

  std::string type_;
  ChunkIds expected_;
  bool check_channel_;
  std::optional<std::uint32_t> last_sequence_;
  std::size_t max_message_;
  std::size_t chunks_ = 0;
  ChunkIds received_;
  std::string body_;
  ErrorMessage abort_;
  std::string fault_;
};

}  // namespace rozovevi::ioserver::standin::opc
