// Any bytes as a reply the client reads, the first byte picking which: Acknowledge, Error, a
// chunk put together, each service response, a DataValue. Decoding never reads past the input
// nor fails silently, and every single value shown as text parses back to the same value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "fuzz/opc/encoded_variant.h"
#include "ioserver/standin/opc/ua_binary.h"
#include "ioserver/standin/opc/ua_chunks.h"
#include "ioserver/standin/opc/ua_messages.h"
#include "ioserver/standin/opc/ua_value_text.h"
#include "ioserver/utf8.h"

namespace {

using rozovevi::fuzz::Encoded;
using rozovevi::fuzz::Require;

using namespace rozovevi::ioserver;
using namespace rozovevi::ioserver::standin::opc;

// A value read and shown parses back, for its own type, to the bytes it came from (a NaN to the
// quiet NaN, a null String to the empty one).
void CheckRoundTrip(const DataValue& data) {
  auto text = FormatVariant(data.value);
  if (!std::holds_alternative<std::string>(text)) {
    Require(!std::get<ValueTextError>(text).reason.empty());
    return;
  }
  const std::string& shown = std::get<std::string>(text);
  const BuiltinType type = data.value.type;
  if (type == BuiltinType::kNull || type == BuiltinType::kStatusCode ||
      type == BuiltinType::kExpandedNodeId || shown == "nan" || shown == "-nan") {
    return;
  }
  const auto wide = DecodeUtf8(shown);
  if (!wide) return;  // A server's string that is not UTF-8: the kind refuses to show it.
  auto parsed = ParseVariant(type, *wide);
  if (type == BuiltinType::kNodeId && data.value.node.node.id_type == IdType::kString &&
      data.value.node.node.text.empty()) {
    return;  // An empty string identifier has no text form.
  }
  if (type == BuiltinType::kNodeId && data.value.node.node.id_type == IdType::kOpaque &&
      data.value.node.node.text.empty()) {
    return;  // Nor has an empty opaque one.
  }
  if (type == BuiltinType::kDateTime && !std::holds_alternative<Variant>(parsed)) {
    return;  // A time before 1601 or after 9999 is shown but cannot be typed.
  }
  Require(std::holds_alternative<Variant>(parsed));
  Variant expected = data.value;
  if (!expected.text) expected.text = std::string();
  if (type == BuiltinType::kBoolean) expected.bits = expected.bits != 0 ? 1 : 0;
  if (type == BuiltinType::kLocalizedText || type == BuiltinType::kString ||
      type == BuiltinType::kXmlElement || type == BuiltinType::kByteString ||
      type == BuiltinType::kQualifiedName) {
    // Text types compare by their text (a QualifiedName whose name begins "<digits>:" prints
    // ambiguously; only its name is compared).
    if (type != BuiltinType::kQualifiedName) {
      Require(std::get<Variant>(parsed).text == expected.text);
    }
    return;
  }
  Require(Encoded(std::get<Variant>(parsed)) == Encoded(expected));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  Decoder decoder(bytes);
  switch (data[0] % 9) {
    case 0: {
      auto ack = DecodeAcknowledge(bytes);
      if (auto* limits = std::get_if<TransportLimits>(&ack)) {
        Require(limits->receive_buffer >= kSmallestBuffer);
      }
      return 0;
    }
    case 1:
      DecodeErrorMessage(bytes);
      return 0;
    case 2: {
      // The input cut into chunks at each header's size, put together under a small limit.
      Reassembly reassembly(kMessage, ChunkIds{1, 2, 0, 3}, true, std::nullopt, 4096);
      std::string_view rest = bytes;
      while (rest.size() >= kMessageHeaderSize) {
        Decoder header(rest.substr(4, 4));
        const std::size_t length = header.UInt32();
        if (length < kMessageHeaderSize || length > rest.size()) break;
        const auto progress = reassembly.Add(rest.substr(0, length));
        rest.remove_prefix(length);
        if (progress == Reassembly::Progress::kComplete) {
          Require(reassembly.body().size() <= 4096);
          break;
        }
        if (progress != Reassembly::Progress::kMore) {
          Require(progress == Reassembly::Progress::kAborted || !reassembly.fault().empty());
          break;
        }
      }
      return 0;
    }
    case 3:
      DecodeResponseHeader(decoder, encoding::kOpenSecureChannelResponse);
      DecodeOpenSecureChannelResponse(decoder);
      break;
    case 4:
      DecodeResponseHeader(decoder, encoding::kCreateSessionResponse);
      DecodeCreateSessionResponse(decoder);
      break;
    case 5:
      DecodeResponseHeader(decoder, encoding::kGetEndpointsResponse);
      DecodeGetEndpointsResponse(decoder);
      break;
    case 6:
      DecodeResponseHeader(decoder, encoding::kWriteResponse);
      DecodeStatusResults(decoder);
      break;
    case 7: {
      DecodeResponseHeader(decoder, encoding::kReadResponse);
      const auto results = DecodeReadResponse(decoder);
      if (decoder.ok()) {
        for (const DataValue& each : results) CheckRoundTrip(each);
      }
      break;
    }
    default: {
      const DataValue value = decoder.DataValue();
      if (decoder.ok()) CheckRoundTrip(value);
      break;
    }
  }
  Require(decoder.position() <= bytes.size());
  Require(decoder.ok() || !decoder.error().empty());
  return 0;
}
