// The OPC: kind against our own fake servers: one whole exchange per call, the right built-in
// type on the wire, and every fault of a server ending the call with a reason, within its
// timeout, with every socket closed.
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <chrono>

#include "fake_opc_server.h"
#include "ioserver/standin/opc/opc_kind.h"
#include "ioserver/standin/opc/opc_transport.h"
#include "ioserver/utf8.h"
#include "ua_bytes.h"

namespace rozovevi::ioserver::standin::opc {
namespace {

using testing_support::Bytes;
using testing_support::Endpoints;
using testing_support::FakeNode;
using testing_support::FakeOpcServer;
using testing_support::Fault;
using testing_support::Hex;

// The longest any call of these tests may take: its timeout and the time a loaded machine needs.
constexpr auto kCallBound = std::chrono::seconds(10);
constexpr std::uint32_t kHello = 0;
constexpr std::uint32_t kCloseChannel = encoding::kCloseSecureChannelRequest;

int OpenDescriptors() {
  int count = 0;
  if (DIR* dir = ::opendir("/proc/self/fd")) {
    while (::readdir(dir) != nullptr) ++count;
    ::closedir(dir);
  }
  return count;
}

struct Outcome {
  Status status;
  std::string value;
};

Outcome Read(const std::string& address, FrameTrace* trace = nullptr) {
  OpcKind kind(KindContext{trace});
  std::u16string value;
  Status status = kind.Read(WidenUtf8(address), value);
  return {status, EncodeUtf8Lossy(value)};
}

Status Write(const std::string& address, std::u16string_view value) {
  OpcKind kind;
  return kind.Write(WidenUtf8(address), value);
}

std::string DataValueOf(const char* variant_hex) { return "\x01" + Bytes(variant_hex); }

TEST(OpcExchangeTest, ReadMakesTheWholeExchangeAndClosesEverything) {
  FakeOpcServer server;
  const int descriptors = OpenDescriptors();
  const Outcome read = Read(server.Address("#ns=2;i=5"));
  ASSERT_TRUE(read.status.ok()) << read.status.reason();
  EXPECT_EQ(read.value, "7");
  ASSERT_TRUE(server.WaitForClosedConnections(1));
  EXPECT_EQ(server.Services(),
            (std::vector<std::uint32_t>{kHello, encoding::kOpenSecureChannelRequest,
                                        encoding::kCreateSessionRequest,
                                        encoding::kActivateSessionRequest, encoding::kReadRequest,
                                        encoding::kCloseSessionRequest, kCloseChannel}));
  // The anonymous policy the server lists for its None endpoint, not the first policy it lists.
  EXPECT_EQ(server.ActivatedPolicies(), std::vector<std::string>{"anon-policy-7"});
  EXPECT_EQ(server.NodesAddressed(), std::vector<std::string>{Bytes("01 02 05 00")});
  EXPECT_TRUE(server.WaitForClosedConnections(1));
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST(OpcExchangeTest, ReadsOverIpv6AndTakesAStringNodeIdAsAString) {
  FakeOpcServer server(FakeOpcServer::Family::kIpv6);
  const Outcome read = Read(server.Address("/path?timeout=2#ns=3;s=\"Motor\".\"Speed\""));
  ASSERT_TRUE(read.status.ok()) << read.status.reason();
  EXPECT_EQ(
      server.NodesAddressed(),
      std::vector<std::string>{Bytes("03 03 00 0F 00 00 00 22 \"Motor\" 22 2E 22 \"Speed\" 22")});
}

TEST(OpcExchangeTest, AHostNameIsLookedUpAndEachOfItsAddressesTried) {
  // localhost may name [::1] first, where this server does not listen.
  FakeOpcServer server;
  const Outcome read =
      Read("OPC:opc.tcp://localhost:" + std::to_string(server.port()) + "?timeout=2#i=5");
  ASSERT_TRUE(read.status.ok()) << read.status.reason();
  EXPECT_EQ(read.value, "7");
}

TEST(OpcExchangeTest, ANamespaceUriIsLookedUpInTheSameSession) {
  FakeOpcServer server;
  server.SetNamespaces({"http://opcfoundation.org/UA/", "urn:fake:server", "urn:line4:tags"});
  const Outcome read = Read(server.Address("#nsu=urn:line4:tags;i=7"));
  ASSERT_TRUE(read.status.ok()) << read.status.reason();
  EXPECT_EQ(server.NodesAddressed(),
            (std::vector<std::string>{Bytes("01 00 CF 08"), Bytes("01 02 07 00")}));
  EXPECT_EQ(server.WaitForClosedConnections(1), true);

  const Outcome unknown = Read(server.Address("#nsu=urn:line5:tags;i=7"));
  ASSERT_FALSE(unknown.status.ok());
  EXPECT_FALSE(unknown.status.lasting());
  EXPECT_NE(unknown.status.reason().find("has no namespace 'urn:line5:tags'"), std::string::npos)
      << unknown.status.reason();
  EXPECT_EQ(server.NodesAddressed().size(), 3U);  // Only the namespace table again.
}

TEST(OpcExchangeTest, AMalformedAddressFailsForGoodBeforeAnythingConnects) {
  FakeOpcServer server;
  const Outcome read = Read(server.Address("#ns=2;x=5"));
  EXPECT_TRUE(read.status.lasting());
  const Status written = Write(server.Address("?timeout=0#i=5"), u"1");
  EXPECT_TRUE(written.lasting());
  EXPECT_TRUE(server.Services().empty());
}

TEST(OpcExchangeTest, ARefusedConnectionSaysNoServerListens) {
  std::uint16_t port = 0;
  {
    // A port that was free a moment ago, and that nobody listens on now.
    Socket probe(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(probe.get(), reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(::getsockname(probe.get(), reinterpret_cast<sockaddr*>(&address), &size), 0);
    port = ntohs(address.sin_port);
  }
  const Outcome read = Read("OPC:opc.tcp://127.0.0.1:" + std::to_string(port) + "#i=1");
  EXPECT_NE(read.status.reason().find("connection refused"), std::string::npos)
      << read.status.reason();
}

TEST(OpcExchangeTest, AReplyInSeveralChunksIsPutTogether) {
  FakeOpcServer server;
  FakeNode node;
  // A String of 1 MiB: in several chunks even at the server's own chunk size.
  node.value = "\x01\x0C" + Bytes("00 00 10 00") + std::string(1 << 20, 'x');
  server.SetNode(node);
  server.Misbehave(Fault::kChunked, encoding::kReadRequest);
  const Outcome read = Read(server.Address("#i=5"));
  ASSERT_TRUE(read.status.ok()) << read.status.reason();
  EXPECT_EQ(read.value, std::string(1 << 20, 'x'));

  server.Misbehave(Fault::kChunked, encoding::kCreateSessionRequest);
  EXPECT_TRUE(Read(server.Address("#i=5")).status.ok());
}

struct FaultCase {
  Fault fault;
  std::uint32_t at;
  const char* reason_part;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << "fault " << static_cast<int>(c.fault) << " at " << c.at;
}

class ServerFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ServerFaultTest, EndsTheCallWithAReasonAndEverySocketClosed) {
  const FaultCase& c = GetParam();
  FakeOpcServer server;
  server.Misbehave(c.fault, c.at);
  const int descriptors = OpenDescriptors();
  const auto start = std::chrono::steady_clock::now();
  // Only a server that never answers needs the short timeout to end soon; the others have
  // time to send a whole reply of 16 MiB on a loaded machine.
  const bool silent = c.fault == Fault::kSilent;
  const Outcome read = Read(server.Address(silent ? "?timeout=0.3#i=5" : "?timeout=5#i=5"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, kCallBound);
  ASSERT_FALSE(read.status.ok());
  EXPECT_FALSE(read.status.lasting());
  EXPECT_NE(read.status.reason().find(c.reason_part), std::string::npos) << read.status.reason();
  EXPECT_EQ(read.status.reason().find('\n'), std::string::npos);
  EXPECT_TRUE(server.WaitForClosedConnections(1));
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ServerFaultTest,
    ::testing::Values(
        FaultCase{Fault::kSilent, kHello, "timed out after 0.3 s waiting for the Acknowledge"},
        FaultCase{Fault::kSilent, encoding::kReadRequest,
                  "timed out after 0.3 s waiting for the reply to ReadRequest"},
        FaultCase{Fault::kErrorMessage, kHello,
                  "refused the connection with BadTcpEndpointUrlInvalid (0x80830000)"},
        FaultCase{Fault::kErrorMessage, encoding::kReadRequest,
                  "Error message: BadTcpEndpointUrlInvalid (0x80830000)"},
        FaultCase{Fault::kCloseMidReply, kHello, "closed the connection in the middle"},
        FaultCase{Fault::kCloseMidReply, encoding::kReadRequest,
                  "closed the connection in the middle of the exchange (waiting for the reply to "
                  "ReadRequest)"},
        FaultCase{Fault::kTooLarge, encoding::kReadRequest, "too large"},
        FaultCase{Fault::kTooLargeInTotal, encoding::kReadRequest,
                  "a reply larger than 16777216 bytes"},
        FaultCase{Fault::kWrongSequence, encoding::kReadRequest, "out of sequence"},
        FaultCase{Fault::kWrongSequence, encoding::kCreateSessionRequest, "out of sequence"},
        FaultCase{Fault::kWrongRequestId, encoding::kReadRequest, "a reply to request"},
        FaultCase{Fault::kWrongRequestId, encoding::kOpenSecureChannelRequest,
                  "a reply to request"},
        FaultCase{Fault::kGarbage, kHello, "no OPC UA message (is it an OPC UA server?)"},
        FaultCase{Fault::kGarbage, encoding::kReadRequest, "broke the protocol"},
        FaultCase{Fault::kAbort, encoding::kReadRequest, "BadTooManyOperations"},
        FaultCase{Fault::kServiceFault, encoding::kCreateSessionRequest,
                  "refused CreateSession: BadTooManySessions (0x80560000): the server has as "
                  "many sessions open as it allows"}));

TEST(OpcSecurityTest, AServerWithoutAnUnsecuredEndpointSaysWhatItOffers) {
  FakeOpcServer server;
  server.SetEndpoints(Endpoints::kSecureOnly);
  const Outcome read = Read(server.Address("#i=5"));
  ASSERT_TRUE(server.WaitForClosedConnections(1));
  EXPECT_NE(
      read.status.reason().find("accepts only signed or encrypted connections (Basic256Sha256, "
                                "Aes128_Sha256_RsaOaep); this client connects without security"),
      std::string::npos)
      << read.status.reason();
  const auto services = server.Services();
  EXPECT_NE(std::find(services.begin(), services.end(), encoding::kGetEndpointsRequest),
            services.end());
  EXPECT_EQ(services.back(), kCloseChannel);
}

TEST(OpcSecurityTest, AServerWithoutAnonymousAccessSaysItNeedsAUserName) {
  FakeOpcServer server;
  server.SetEndpoints(Endpoints::kUserNameOnly);
  const Outcome read = Read(server.Address("#i=5"));
  ASSERT_TRUE(server.WaitForClosedConnections(1));
  EXPECT_NE(read.status.reason().find("it needs a user name"), std::string::npos)
      << read.status.reason();
  const auto services = server.Services();
  EXPECT_EQ(std::count(services.begin(), services.end(), encoding::kActivateSessionRequest), 0);
  EXPECT_EQ(std::count(services.begin(), services.end(), encoding::kCloseSessionRequest), 1);
}

TEST(OpcSecurityTest, EndpointsMissingFromCreateSessionAreAskedFor) {
  FakeOpcServer server;
  server.SetEndpoints(Endpoints::kNoneInCreateSession);
  const Outcome read = Read(server.Address("#i=5"));
  ASSERT_TRUE(read.status.ok()) << read.status.reason();
  EXPECT_EQ(server.ActivatedPolicies(), std::vector<std::string>{"anon-policy-7"});
}

TEST(OpcReadTest, ABadStatusOfTheValueSaysWhatToCheck) {
  FakeOpcServer server;
  FakeNode node;
  node.read_status = status::kBadNodeIdUnknown;
  server.SetNode(node);
  const Outcome read = Read(server.Address("#ns=2;s=Speed"));
  EXPECT_EQ(read.status.reason(),
            "reading ns=2;s=Speed failed: BadNodeIdUnknown (0x80340000): the server has no such "
            "node: check the namespace index and whether the identifier is s= or i=");
  // Uncertain is no failure: the value is returned.
  node.read_status = 0;
  node.value = Bytes("03 06 05 00 00 00 00 00 94 40");  // Int32 5, UncertainLastUsableValue
  server.SetNode(node);
  EXPECT_EQ(Read(server.Address("#ns=2;s=Speed")).value, "5");
}

// A write's node: its DataType, ValueRank and what it holds now.
struct WriteCase {
  const char* name;
  NodeId data_type;
  std::int32_t rank;
  const char* value_now;  // A Variant, hex.
  const char16_t* text;
  const char* sent;    // The Variant written, hex; empty when nothing may be written.
  const char* reason;  // Part of the reason when nothing is written.
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class OpcWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(OpcWriteTest, SendsTheBuiltInTypeTheNodeDecidesOrNothing) {
  const WriteCase& c = GetParam();
  FakeOpcServer server;
  FakeNode node;
  node.data_type = c.data_type;
  node.value_rank = c.rank;
  node.value = DataValueOf(c.value_now);
  server.SetNode(node);
  const Status written = Write(server.Address("#ns=2;i=5"), c.text);
  ASSERT_TRUE(server.WaitForClosedConnections(1));
  const auto services = server.Services();
  if (*c.sent != '\0') {
    ASSERT_TRUE(written.ok()) << written.reason();
    ASSERT_EQ(server.WrittenValues().size(), 1U);
    EXPECT_EQ(Hex(server.WrittenValues()[0]), Hex(Bytes(c.sent)));
  } else {
    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.reason().find(c.reason), std::string::npos) << written.reason();
    EXPECT_NE(written.reason().find("nothing was written"), std::string::npos);
    EXPECT_EQ(std::count(services.begin(), services.end(), encoding::kWriteRequest), 0);
  }
  EXPECT_EQ(services.back(), kCloseChannel);
}

INSTANTIATE_TEST_SUITE_P(
    Types, OpcWriteTest,
    ::testing::Values(
        WriteCase{"FloatStaysFloat", NodeId::Numeric(10), -1, "0A 00 00 00 00", u" 0.1 ",
                  "0A CD CC CC 3D", ""},
        WriteCase{"DoubleStaysDouble", NodeId::Numeric(11), -1, "0B 00 00 00 00 00 00 00 00",
                  u"0.1", "0B 9A 99 99 99 99 99 B9 3F", ""},
        WriteCase{"StringAsTyped", NodeId::Numeric(12), -1, "0C FF FF FF FF", u" x ",
                  "0C 03 00 00 00 20 78 20", ""},
        // The DataType decides even when the value held now is of another type.
        WriteCase{"DataTypeBeforeValue", NodeId::Numeric(3), -1, "06 00 00 00 00", u"200", "03 C8",
                  ""},
        // An enumeration and a subtype of Double: the type of the value held now.
        WriteCase{"EnumerationTakesItsInt32", NodeId::Numeric(852), -1, "06 00 00 00 00", u"2",
                  "06 02 00 00 00", ""},
        WriteCase{"DurationTakesItsDouble", NodeId::Numeric(290), -1, "0B 00 00 00 00 00 00 00 00",
                  u"250.5", "0B 00 00 00 00 00 50 6F 40", ""},
        WriteCase{"AnyRankWithASingleValue", NodeId::Numeric(6), -2, "06 00 00 00 00", u"-1",
                  "06 FF FF FF FF", ""},
        WriteCase{"TextThatDoesNotParse", NodeId::Numeric(6), -1, "06 00 00 00 00", u"12a", "",
                  "is not a whole number (Int32)"},
        WriteCase{"OutOfRangeNeverWraps", NodeId::Numeric(3), -1, "03 00", u"256", "", "(Byte)"},
        WriteCase{"NoTypeToGoBy", NodeId::Numeric(3002, 1), -1, "00", u"1", "",
                  "DataType ns=1;i=3002 is no built-in type"},
        WriteCase{"AnArrayNode", NodeId::Numeric(11), 1,
                  "8B 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00", u"1", "",
                  "the node holds an array of 2 Double"},
        WriteCase{"ArraysByValueRank", NodeId::Numeric(11), 1, "0B 00 00 00 00 00 00 00 00", u"1",
                  "", "ValueRank 1"},
        WriteCase{"AStructure", NodeId::Numeric(884), -1, "16 01 00 74 03 00", u"1", "",
                  "a structure"}));

TEST(OpcWriteStatusTest, ARefusedWriteSaysWhyAndWhatTheNodeWants) {
  FakeOpcServer server;
  FakeNode node;
  node.write_status = status::kBadNotWritable;
  server.SetNode(node);
  Status written = Write(server.Address("#ns=2;i=5"), u"1");
  EXPECT_NE(written.reason().find("BadNotWritable (0x803B0000): the node is read-only"),
            std::string::npos)
      << written.reason();
  node.write_status = status::kBadTypeMismatch;
  server.SetNode(node);
  written = Write(server.Address("#ns=2;i=5"), u"1");
  EXPECT_NE(written.reason().find("BadTypeMismatch (0x80740000)"), std::string::npos);
  EXPECT_NE(written.reason().find("the node's DataType is i=6"), std::string::npos)
      << written.reason();
}

// Records what a trace is told, in order.
class RecordingTrace final : public FrameTrace {
 public:
  void BeginCall() override { lines.push_back("begin"); }
  void Frame(FrameDirection direction, std::string_view bytes, std::string_view label) override {
    lines.push_back(std::string(direction == FrameDirection::kSent ? "> " : "< ") +
                    std::string(label));
    Decoder size(bytes.substr(4, 4));
    whole = whole && size.UInt32() == bytes.size();
  }
  void Event(std::string_view what) override { lines.push_back("! " + std::string(what)); }
  std::vector<std::string> lines;
  bool whole = true;
};

TEST(OpcTraceTest, TellsEveryMessageByItsTypeAndService) {
  FakeOpcServer server;
  RecordingTrace trace;
  ASSERT_TRUE(Read(server.Address("#i=5"), &trace).status.ok());
  EXPECT_EQ(trace.lines, (std::vector<std::string>{
                             "begin", "! connected", "> HEL", "< ACK", "> OPN", "< OPN",
                             "> MSG CreateSessionRequest", "< MSG CreateSessionResponse",
                             "> MSG ActivateSessionRequest", "< MSG ActivateSessionResponse",
                             "> MSG ReadRequest", "< MSG ReadResponse", "> MSG CloseSessionRequest",
                             "< MSG CloseSessionResponse", "> CLO", "! connection closed"}));
  EXPECT_TRUE(trace.whole);
}

}  // namespace
}  // namespace rozovevi::ioserver::standin::opc
