// The OPC: address and the NodeId text form: what each accepted form means, that everything else
// is refused with a reason naming the part at fault, and that printed NodeIds read back.
#include "ioserver/standin/opc/opc_address.h"

#include <gtest/gtest.h>

#include <string>

namespace rozovevi::ioserver::standin::opc {
namespace {

using namespace std::chrono_literals;

struct AcceptedCase {
  const char* address;
  const char* endpoint_url;
  const char* host;
  std::uint16_t port;
  std::chrono::microseconds timeout;
  const char* node;  // FormatNodeId of the node, after "nsu=<uri>;" where one is given.
};

void PrintTo(const AcceptedCase& c, std::ostream* os) { *os << c.address; }

class AcceptedAddressTest : public ::testing::TestWithParam<AcceptedCase> {};

TEST_P(AcceptedAddressTest, MeansWhatItSays) {
  const AcceptedCase& c = GetParam();
  const auto parsed = ParseOpcAddress(std::string_view(c.address));
  ASSERT_TRUE(std::holds_alternative<OpcAddress>(parsed)) << std::get<AddressError>(parsed).reason;
  const OpcAddress& address = std::get<OpcAddress>(parsed);
  EXPECT_EQ(address.endpoint_url, c.endpoint_url);
  EXPECT_EQ(address.host, c.host);
  EXPECT_EQ(address.port, c.port);
  EXPECT_EQ(address.timeout, c.timeout);
  std::string node = FormatNodeId(address.node.id);
  if (address.node.namespace_uri) node = "nsu=" + *address.node.namespace_uri + ";" + node;
  EXPECT_EQ(node, c.node);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, AcceptedAddressTest,
    ::testing::Values(
        AcceptedCase{"OPC:opc.tcp://plc1:4840#ns=3;s=\"Motor\".\"Speed\"", "opc.tcp://plc1:4840",
                     "plc1", 4840, 5s, "ns=3;s=\"Motor\".\"Speed\""},
        AcceptedCase{"OPC:opc.tcp://[::1]:48400/server?timeout=2#ns=2;i=1001",
                     "opc.tcp://[::1]:48400/server", "::1", 48400, 2s, "ns=2;i=1001"},
        AcceptedCase{"OPC:opc.tcp://scada#nsu=urn:line4:tags;s=Line4.Oven.Temp", "opc.tcp://scada",
                     "scada", 4840, 5s, "nsu=urn:line4:tags;s=Line4.Oven.Temp"},
        // Prefix and scheme in any case, sent as written; a path with its slashes.
        AcceptedCase{"opc:OPC.TCP://10.0.0.5/freeopcua/server/?TIMEOUT=0.1#i=0",
                     "OPC.TCP://10.0.0.5/freeopcua/server/", "10.0.0.5", 4840, 100ms, "i=0"},
        AcceptedCase{"OPC:opc.tcp://h:65535?timeout=60#i=4294967295", "opc.tcp://h:65535", "h",
                     65535, 60s, "i=4294967295"},
        // A string identifier is verbatim: '#', '/', ';', '?', '=', spaces and any letters.
        AcceptedCase{"OPC:opc.tcp://h#ns=1;s=Line 4/Oven \"A\";Zone #1?x=y", "opc.tcp://h", "h",
                     4840, 5s, "ns=1;s=Line 4/Oven \"A\";Zone #1?x=y"},
        AcceptedCase{"OPC:opc.tcp://h#s=Grüße", "opc.tcp://h", "h", 4840, 5s, "s=Grüße"},
        AcceptedCase{"OPC:opc.tcp://h#ns=65535;g=09087E75-8e5e-499b-954f-f2a9603db28a",
                     "opc.tcp://h", "h", 4840, 5s,
                     "ns=65535;g=09087e75-8e5e-499b-954f-f2a9603db28a"},
        AcceptedCase{"OPC:opc.tcp://h#b=cm96b3Zldmk=", "opc.tcp://h", "h", 4840, 5s,
                     "b=cm96b3Zldmk="}));

struct RefusedCase {
  const char* address;
  const char* reason_part;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.address; }

class RefusedAddressTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedAddressTest, SaysWhatIsWrong) {
  const RefusedCase& c = GetParam();
  const auto parsed = ParseOpcAddress(std::string_view(c.address));
  ASSERT_TRUE(std::holds_alternative<AddressError>(parsed)) << c.address;
  const std::string& reason = std::get<AddressError>(parsed).reason;
  EXPECT_EQ(reason.rfind("malformed OPC address: ", 0), 0U) << reason;
  EXPECT_NE(reason.find(c.reason_part), std::string::npos) << reason;
  EXPECT_EQ(reason.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, RefusedAddressTest,
    ::testing::Values(RefusedCase{"OPC:http://plc1#i=1", "opc.tcp://"},
                      RefusedCase{"OPC:opc.tcp://plc1", "no node"},
                      RefusedCase{"OPC:opc.tcp://#i=1", "no host"},
                      RefusedCase{"OPC:opc.tcp://:4840#i=1", "no host"},
                      RefusedCase{"OPC:opc.tcp://pl c1#i=1", "host"},
                      RefusedCase{"OPC:opc.tcp://::1:4840#i=1", "host"},
                      RefusedCase{"OPC:opc.tcp://[::1#i=1", "']'"},
                      RefusedCase{"OPC:opc.tcp://[plc1]#i=1", "IPv6"},
                      RefusedCase{"OPC:opc.tcp://[::1]x#i=1", "after the IPv6"},
                      RefusedCase{"OPC:opc.tcp://h:0#i=1", "port"},
                      RefusedCase{"OPC:opc.tcp://h:65536#i=1", "port"},
                      RefusedCase{"OPC:opc.tcp://h:#i=1", "port"},
                      RefusedCase{"OPC:opc.tcp://h:-1#i=1", "port"},
                      RefusedCase{"OPC:opc.tcp://h?#i=1", "empty '?'"},
                      RefusedCase{"OPC:opc.tcp://h?timeout=1&#i=1", "empty option"},
                      RefusedCase{"OPC:opc.tcp://h?&timeout=1#i=1", "empty option"},
                      RefusedCase{"OPC:opc.tcp://h?retries=3#i=1", "unknown option"},
                      RefusedCase{"OPC:opc.tcp://h?timeout#i=1", "unknown option"},
                      RefusedCase{"OPC:opc.tcp://h?timeout=0.09#i=1", "0.1 to 60"},
                      RefusedCase{"OPC:opc.tcp://h?timeout=61#i=1", "0.1 to 60"},
                      RefusedCase{"OPC:opc.tcp://h?timeout=1&timeout=2#i=1", "twice"},
                      RefusedCase{"OPC:opc.tcp://h#", "no NodeId"},
                      RefusedCase{"OPC:opc.tcp://h#x=1", "no NodeId"},
                      RefusedCase{"OPC:opc.tcp://h#I=1", "no NodeId"},
                      RefusedCase{"OPC:opc.tcp://h#i=", "numeric identifier"},
                      RefusedCase{"OPC:opc.tcp://h#i=4294967296", "numeric identifier"},
                      RefusedCase{"OPC:opc.tcp://h#i=-1", "numeric identifier"},
                      RefusedCase{"OPC:opc.tcp://h#i=0x10", "numeric identifier"},
                      RefusedCase{"OPC:opc.tcp://h#s=", "empty string identifier"},
                      RefusedCase{"OPC:opc.tcp://h#ns=65536;i=1", "namespace index"},
                      RefusedCase{"OPC:opc.tcp://h#ns=;i=1", "namespace index"},
                      RefusedCase{"OPC:opc.tcp://h#ns=1", "';'"},
                      RefusedCase{"OPC:opc.tcp://h#nsu=;i=1", "empty namespace URI"},
                      RefusedCase{"OPC:opc.tcp://h#ns=1;ns=2;i=1", "no NodeId"},
                      RefusedCase{"OPC:opc.tcp://h#g=09087e75-8e5e-499b-954f-f2a9603db28", "Guid"},
                      RefusedCase{"OPC:opc.tcp://h#g=09087e75x8e5e-499b-954f-f2a9603db28a", "Guid"},
                      RefusedCase{"OPC:opc.tcp://h#g=09087e75-8e5e-499b-954f-f2a9603db28g", "Guid"},
                      RefusedCase{"OPC:opc.tcp://h#b=cm96b3Zldmk", "base64"},
                      RefusedCase{"OPC:opc.tcp://h#b=cm96b3Zldmk%", "base64"},
                      RefusedCase{"OPC:opc.tcp://h#b=", "base64"},
                      // A control character anywhere, the string identifier included.
                      RefusedCase{"OPC:opc.tcp://h#s=a\tb", "control character"},
                      RefusedCase{"OPC:opc.tcp://h\n#s=a", "control character"},
                      RefusedCase{"OPC:opc.tcp://h#s=a\x7f", "control character"},
                      RefusedCase{"OPC:opc.tcp://h#s=a\xc2\x85", "control character"},
                      RefusedCase{"OPC:opc.tcp://h#s=\xff", "UTF-8"}));

TEST(OpcAddressTest, UnpairedSurrogateIsMalformed) {
  std::u16string address = u"OPC:opc.tcp://h#s=a";
  address.push_back(static_cast<char16_t>(0xD800));
  EXPECT_TRUE(std::holds_alternative<AddressError>(ParseOpcAddress(address)));
}

TEST(OpcAddressTest, TheNodeBeginsAtTheFirstHash) {
  // The first '#' ends the endpoint even inside what looks like a path or an option.
  const auto parsed = ParseOpcAddress(std::string_view("OPC:opc.tcp://h/p#s=x?timeout=1#y"));
  ASSERT_TRUE(std::holds_alternative<OpcAddress>(parsed));
  const OpcAddress& address = std::get<OpcAddress>(parsed);
  EXPECT_EQ(address.endpoint_url, "opc.tcp://h/p");
  EXPECT_EQ(address.timeout, kDefaultTimeout);
  EXPECT_EQ(address.node.id.text, "x?timeout=1#y");
}

TEST(NodeIdTextTest, PrintedFormsReadBack) {
  NodeId opaque;
  opaque.namespace_index = 7;
  opaque.id_type = IdType::kOpaque;
  opaque.text = std::string("\x00\x01\x02\xff", 4);
  NodeId text;
  text.id_type = IdType::kString;
  text.text = "ns=1;i=2";  // Looks like a NodeId itself; still one string identifier.
  NodeId guid;
  guid.id_type = IdType::kGuid;
  guid.guid = *ParseGuid("72962b91-fa75-4ae6-8d28-b404dc7daf63");
  for (const NodeId& node :
       {NodeId::Numeric(2255), NodeId::Numeric(1, 65535), opaque, text, guid}) {
    const std::string printed = FormatNodeId(node);
    const auto parsed = ParseNodeId(printed);
    ASSERT_TRUE(std::holds_alternative<NodeRef>(parsed)) << printed;
    EXPECT_TRUE(std::get<NodeRef>(parsed).id == node) << printed;
  }
  EXPECT_EQ(FormatNodeId(opaque), "ns=7;b=AAEC/w==");
}

TEST(NodeIdTextTest, ExpandedNodeIdsNameTheirServerAndNamespaceUri) {
  ExpandedNodeId node{NodeId::Numeric(42, 3), std::string("urn:rozovevi:test"), 0};
  EXPECT_EQ(FormatExpandedNodeId(node), "nsu=urn:rozovevi:test;i=42");
  node.server_index = 2;
  node.namespace_uri.reset();
  EXPECT_EQ(FormatExpandedNodeId(node), "svr=2;ns=3;i=42");
}

TEST(Base64Test, EveryLengthRoundTripsAndOnlyCanonicalTextDecodes) {
  std::string bytes;
  for (int length = 0; length < 64; ++length) {
    const std::string text = EncodeBase64(bytes);
    EXPECT_EQ(text.size() % 4, 0U);
    EXPECT_EQ(DecodeBase64(text), bytes) << text;
    bytes.push_back(static_cast<char>(length * 37 + 11));
  }
  EXPECT_EQ(EncodeBase64("rozovevi"), "cm96b3Zldmk=");
  // Bits under the padding that are not zero, padding in the middle, and a stray character.
  for (const char* bad : {"cm96b3Zldml=", "cm==b3Zl", "c===", "cm96b3Zldmk==", "cm9 "}) {
    EXPECT_FALSE(DecodeBase64(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace rozovevi::ioserver::standin::opc
