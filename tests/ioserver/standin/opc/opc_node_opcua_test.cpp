// The OPC: kind against a real OPC UA server that is not ours (node-opcua, on loopback): every
// built-in type read and written, NodeIds of every form, namespaces by URI, what cannot be read
// as one value, and servers that refuse the None policy or anonymous access.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ioserver/standin/opc/opc_kind.h"
#include "ioserver/utf8.h"
#include "tests/ioserver/standin/opc/node_opcua_server.h"

namespace rozovevi::ioserver::standin::opc {
namespace {

using testing_support::Configuration;
using testing_support::Loopback;
using testing_support::NodeOpcuaServer;

struct Outcome {
  Status status;
  std::string value;
};

Outcome Read(const NodeOpcuaServer& server, std::string_view node) {
  OpcKind kind;
  std::u16string value;
  Status status = kind.Read(WidenUtf8(server.Address(node)), value);
  return {status, EncodeUtf8Lossy(value)};
}

Status Write(const NodeOpcuaServer& server, std::string_view node, std::u16string_view text) {
  OpcKind kind;
  return kind.Write(WidenUtf8(server.Address(node)), text);
}

// One server for all reads of a suite: starting one takes seconds.
class RealServerReadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = std::make_unique<NodeOpcuaServer>(); }
  static void TearDownTestSuite() { server_.reset(); }
  static std::unique_ptr<NodeOpcuaServer> server_;
};
std::unique_ptr<NodeOpcuaServer> RealServerReadTest::server_;

TEST_F(RealServerReadTest, EveryBuiltInTypeReadsAsText) {
  const struct {
    const char* node;
    const char* text;
  } cases[] = {
      {"ns=3;s=Boolean", "true"},
      {"ns=3;s=SByte", "-100"},
      {"ns=3;s=Byte", "200"},
      {"ns=3;s=Int16", "-30000"},
      {"ns=3;s=UInt16", "60000"},
      {"ns=3;s=Int32", "-2000000000"},
      {"ns=3;s=UInt32", "4000000000"},
      {"ns=3;s=Int64", "-9000000000000000000"},
      {"ns=3;s=UInt64", "18000000000000000000"},
      {"ns=3;s=Float", "0.1"},  // "0.10000000149011612" if read as a Double
      {"ns=3;s=Double", "-1234.5678"},
      {"ns=3;s=String", "Grüße aus Halle 4"},
      {"ns=3;s=NullString", ""},
      {"ns=3;s=XmlElement", "<a b=\"1\">x</a>"},
      {"ns=3;s=LocalizedText", "Ofen 2"},
      {"ns=3;s=QualifiedName", "3:Speed"},
      {"ns=3;s=DateTime", "2026-12-09T01:02:03.5Z"},
      {"ns=3;s=Guid", "72962b91-fa75-4ae6-8d28-b404dc7daf63"},
      {"ns=3;s=ByteString", "AAEC/w=="},
      {"ns=3;s=NodeId", "ns=3;s=Oven.Temp"},
      {"ns=3;s=ExpandedNodeId", "nsu=urn:rozovevi:test;i=42"},
      {"ns=3;s=StatusCode", "BadOutOfRange"},
      {"ns=3;s=Empty", ""},
      {"ns=3;s=ReadOnly", "42"},
      {"ns=3;s=Enumeration", "0"},
      {"ns=3;s=Duration", "250.5"},
  };
  for (const auto& c : cases) {
    const Outcome read = Read(*server_, c.node);
    ASSERT_TRUE(read.status.ok()) << c.node << ": " << read.status.reason();
    EXPECT_EQ(read.value, c.text) << c.node;
  }
}

TEST_F(RealServerReadTest, EveryNodeIdFormFindsItsNode) {
  const struct {
    const char* node;
    const char* text;
  } cases[] = {
      {"ns=3;s=Line 4/Oven \"A\";Zone #1", "21.5"},
      {"ns=3;s=\"Motor\".\"Speed\"", "1500"},
      {"ns=3;i=1001", "12.5"},
      {"ns=3;i=4294967295", "false"},
      {"ns=3;g=09087E75-8E5E-499B-954F-F2A9603DB28A", "7"},
      {"ns=3;b=cm96b3Zldmk=", "8"},
      {"ns=2;s=Int32", "-1"},
      {"nsu=urn:rozovevi:test;s=Int32", "-2000000000"},
      {"nsu=urn:rozovevi:other;s=Int32", "-1"},
  };
  for (const auto& c : cases) {
    const Outcome read = Read(*server_, c.node);
    ASSERT_TRUE(read.status.ok()) << c.node << ": " << read.status.reason();
    EXPECT_EQ(read.value, c.text) << c.node;
  }
}

TEST_F(RealServerReadTest, WhatIsNoSingleValueOrNoNodeFailsWithAReason) {
  const struct {
    const char* node;
    const char* reason;
  } cases[] = {
      {"ns=3;s=DoubleArray",
       "the node holds an array of 12 Double; only single values can be read or written"},
      {"i=2255", "the node holds an array of"},
      {"ns=3;s=Structure", "the node holds a structure (ExtensionObject of type"},
      {"ns=3;s=NoSuchNode", "BadNodeIdUnknown (0x80340000)"},
      {"ns=3;i=1002", "check the namespace index and whether the identifier is s= or i="},
      {"nsu=urn:rozovevi:none;s=Int32", "has no namespace 'urn:rozovevi:none'"},
  };
  for (const auto& c : cases) {
    const Outcome read = Read(*server_, c.node);
    ASSERT_FALSE(read.status.ok()) << c.node;
    EXPECT_NE(read.status.reason().find(c.reason), std::string::npos)
        << c.node << ": " << read.status.reason();
  }
}

class RealServerWriteTest : public ::testing::Test {
 protected:
  // Over IPv6, so that [::1] is met against the real server too.
  static void SetUpTestSuite() {
    server_ = std::make_unique<NodeOpcuaServer>(Configuration::kNormal, Loopback::kIpv6);
  }
  static void TearDownTestSuite() { server_.reset(); }
  static std::unique_ptr<NodeOpcuaServer> server_;
};
std::unique_ptr<NodeOpcuaServer> RealServerWriteTest::server_;

TEST_F(RealServerWriteTest, EveryBuiltInTypeIsWrittenAndReadsBack) {
  const struct {
    const char* node;
    const char16_t* text;
    const char* reads;
  } cases[] = {
      {"ns=3;s=Boolean", u"false", "false"},
      {"ns=3;s=SByte", u"-128", "-128"},
      {"ns=3;s=Byte", u" 0x10 ", "16"},
      {"ns=3;s=Int16", u"-7", "-7"},
      {"ns=3;s=UInt16", u"65535", "65535"},
      {"ns=3;s=Int32", u"123", "123"},
      {"ns=3;s=UInt32", u"4294967295", "4294967295"},
      {"ns=3;s=Int64", u"-9223372036854775808", "-9223372036854775808"},
      {"ns=3;s=UInt64", u"18446744073709551615", "18446744073709551615"},
      {"ns=3;s=Float", u"3.4e38", "3.4e+38"},
      {"ns=3;s=Double", u"2.5e-300", "2.5e-300"},
      {"ns=3;s=String", u" spaced  ", " spaced  "},
      {"ns=3;s=XmlElement", u"<b/>", "<b/>"},
      {"ns=3;s=LocalizedText", u"Ofen 3", "Ofen 3"},
      {"ns=3;s=QualifiedName", u"2:Other", "2:Other"},
      {"ns=3;s=DateTime", u"2027-01-02T03:04:05.25Z", "2027-01-02T03:04:05.25Z"},
      {"ns=3;s=Guid", u"09087E75-8E5E-499B-954F-F2A9603DB28A",
       "09087e75-8e5e-499b-954f-f2a9603db28a"},
      {"ns=3;s=ByteString", u"cm96b3Zldmk=", "cm96b3Zldmk="},
      {"ns=3;s=NodeId", u"ns=3;i=7", "ns=3;i=7"},
      {"ns=3;s=Enumeration", u"2", "2"},
      {"ns=3;s=Duration", u"1.25", "1.25"},
      {"nsu=urn:rozovevi:test;s=\"Motor\".\"Speed\"", u"-1500", "-1500"},
  };
  for (const auto& c : cases) {
    const Status written = Write(*server_, c.node, c.text);
    ASSERT_TRUE(written.ok()) << c.node << ": " << written.reason();
    const Outcome read = Read(*server_, c.node);
    ASSERT_TRUE(read.status.ok()) << c.node << ": " << read.status.reason();
    EXPECT_EQ(read.value, c.reads) << c.node;
  }
}

TEST_F(RealServerWriteTest, AValueLargerThanOneChunkGoesOutInSeveralAndReadsBackWhole) {
  // 300 KiB, several of the server's chunks both ways; every 1000th character a different one,
  // so that a chunk lost, doubled or out of order shows.
  std::u16string text(300 * 1024, u'a');
  for (std::size_t i = 0; i < text.size(); i += 1000)
    text[i] = static_cast<char16_t>(u'0' + i / 1000 % 10);
  const Status written = Write(*server_, "ns=3;s=String", text);
  ASSERT_TRUE(written.ok()) << written.reason();
  const Outcome read = Read(*server_, "ns=3;s=String");
  ASSERT_TRUE(read.status.ok()) << read.status.reason();
  EXPECT_TRUE(read.value == EncodeUtf8Lossy(text));
}

TEST_F(RealServerWriteTest, ARefusedWriteSaysWhyAndLeavesTheValue) {
  const struct {
    const char* node;
    const char16_t* text;
    const char* reason;
    const char* still;  // What the node reads afterwards.
  } cases[] = {
      {"ns=3;s=ReadOnly", u"1", "the node is read-only", "42"},
      {"ns=3;i=1001", u"12,5", "is not a number in the C locale's form", "12.5"},
      {"ns=3;s=Byte", u"256", "(Byte)", nullptr},
      {"ns=3;s=DoubleArray", u"1", "the node holds an array of 12 Double", nullptr},
      {"ns=3;s=Structure", u"1", "a structure", nullptr},
  };
  for (const auto& c : cases) {
    const Status written = Write(*server_, c.node, c.text);
    ASSERT_FALSE(written.ok()) << c.node;
    EXPECT_NE(written.reason().find(c.reason), std::string::npos)
        << c.node << ": " << written.reason();
    if (c.still != nullptr) {
      EXPECT_EQ(Read(*server_, c.node).value, c.still) << c.node;
    }
  }
}

TEST(RealServerSecurityTest, AServerThatRefusesTheNonePolicySaysItNeedsSecurity) {
  NodeOpcuaServer server(Configuration::kSecureOnly);
  const Outcome read = Read(server, "ns=3;s=Int32");
  ASSERT_FALSE(read.status.ok());
  // This server refuses the unsecured channel itself, so it cannot be asked for its endpoints.
  EXPECT_NE(read.status.reason().find("accepts only signed or encrypted connections (it refused "
                                      "the None security policy with BadSecurityPolicyRejected); "
                                      "this client connects without security"),
            std::string::npos)
      << read.status.reason();
}

TEST(RealServerSecurityTest, AServerWithoutAnonymousAccessSaysItNeedsAUserName) {
  NodeOpcuaServer server(Configuration::kUsersOnly);
  const Outcome read = Read(server, "ns=3;s=Int32");
  ASSERT_FALSE(read.status.ok());
  EXPECT_NE(read.status.reason().find("it needs a user name"), std::string::npos)
      << read.status.reason();
}

}  // namespace
}  // namespace rozovevi::ioserver::standin::opc
