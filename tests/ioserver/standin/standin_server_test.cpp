// The stand-in server's members: reads, writes, unreachable addresses, Silent and Success.
#include "ioserver/standin/standin_server.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "file_fixtures.h"
#include "ioserver/utf8.h"
#include "ioserver/value_limit.h"
#include "tests/support/scratch_directory.h"

namespace rozovevi::ioserver::standin {
namespace {

using rozovevi::testing::ScratchDirectory;
using testing_support::Address;
using testing_support::ReadRaw;
using testing_support::WriteRaw;
using namespace std::string_literals;

AutomationValue Text(std::u16string text) { return AutomationValue::String(std::move(text)); }
AutomationValue FileAddress(const std::string& path) { return Text(Address(path)); }
const AutomationValue kTrue = AutomationValue::Boolean(true);
const AutomationValue kFalse = AutomationValue::Boolean(false);

class StandInServerTest : public ::testing::Test {
 protected:
  AutomationValue Read(const std::string& path) { return server_.ReadInputFile(FileAddress(path)); }
  void Write(const std::string& path, std::u16string value) {
    server_.WriteOutputFile(FileAddress(path), Text(std::move(value)));
  }

  ScratchDirectory dir_;
  std::ostringstream errors_;
  StandInServer server_{errors_};
};

struct ReadCase {
  const char* name;
  std::string file_bytes;
  std::u16string value;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class StandInReadTest : public StandInServerTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(StandInReadTest, ReadsTheFilesOneValue) {
  WriteRaw(dir_ / "value.txt", GetParam().file_bytes);
  EXPECT_EQ(Read(dir_ / "value.txt"), Text(GetParam().value));
  EXPECT_EQ(server_.Success(), kTrue);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StandInReadTest,
    ::testing::Values(
        ReadCase{"Plain", "42.5", u"42.5"}, ReadCase{"EmptyFile", "", u""},
        ReadCase{"NonAscii", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
                 u"\u00E9t\u00E9 \u20AC \U0001F600"},
        ReadCase{"ByteOrderMarkDropped", "\xEF\xBB\xBFvalue", u"value"},
        ReadCase{"OnlyOneByteOrderMarkDropped", "\xEF\xBB\xBF\xEF\xBB\xBFx", u"\uFEFFx"},
        ReadCase{"OneLfDropped", "value\n", u"value"},
        ReadCase{"OneCrLfDropped", "value\r\n", u"value"},
        ReadCase{"OnlyOneOfTwoLfDropped", "value\n\n", u"value\n"},
        ReadCase{"OnlyOneOfTwoCrLfDropped", "value\r\n\r\n", u"value\r\n"},
        ReadCase{"CrAloneKept", "value\r", u"value\r"}, ReadCase{"LoneLineEnding", "\n", u""},
        ReadCase{"ByteOrderMarkAndLineEnding", "\xEF\xBB\xBFv\r\n", u"v"},
        ReadCase{"InnerLinesKept", "a\nb\n", u"a\nb"},
        ReadCase{"LeadingSpaceKept", " \tv", u" \tv"}, ReadCase{"NulKept", "a\0b"s, u"a\0b"s}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return info.param.name; });

// Each failed read answers Empty, Success False, and one line on the error stream.
TEST_F(StandInServerTest, FailedReadsReturnEmptyAndReportOneLine) {
  WriteRaw(dir_ / "latin1.txt", "caf\xE9");
  WriteRaw(dir_ / "utf16.txt", "\xFF\xFEv\0"s);
  ::mkdir((dir_ / "folder").c_str(), 0755);
  ::mkfifo((dir_ / "pipe").c_str(), 0644);
  WriteRaw(dir_ / "huge.txt", "");
  ASSERT_EQ(::truncate((dir_ / "huge.txt").c_str(), off_t{64} * 1024 * 1024 * 1024), 0);
  const std::vector<AutomationValue> addresses = {
      FileAddress(dir_ / "missing.txt"),
      FileAddress(dir_ / "folder"),
      FileAddress(dir_ / "latin1.txt"),
      FileAddress(dir_ / "utf16.txt"),
      FileAddress(dir_ / "pipe"),      // Refused at once rather than waiting for a writer.
      FileAddress(dir_ / "huge.txt"),  // Sparse, far larger than memory.
      Text(u""),
      Text(Address(dir_ / "bad") + u"\xD800"),
      Text(Address(dir_ / "latin1.txt") + u"\0"s),
      AutomationValue::Int32(1),
      AutomationValue::Empty(),
      AutomationValue::Null()};
  for (const AutomationValue& address : addresses) {
    errors_.str("");
    EXPECT_EQ(server_.ReadInputFile(address), AutomationValue::Empty());
    EXPECT_EQ(server_.Success(), kFalse);
    const std::string report = errors_.str();
    EXPECT_NE(report.find("ReadInputFile("), std::string::npos) << report;
    EXPECT_EQ(report.find('\n'), report.size() - 1) << report;
  }
}

TEST_F(StandInServerTest, AddressIsUsedExactlyAsGiven) {
  WriteRaw(dir_ / " name .txt", "spaced");
  WriteRaw(dir_ / "name.txt", "trimmed");
  EXPECT_EQ(Read(dir_ / " name .txt"), Text(u"spaced"));
}

// Changes into a directory for the length of a test, so that relative names land there.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::string& path) : old_(::getcwd(nullptr, 0)) {
    EXPECT_EQ(::chdir(path.c_str()), 0);
  }
  ~WorkingDirectory() {
    EXPECT_EQ(::chdir(old_), 0);
    std::free(old_);
  }

 private:
  char* old_;
};

TEST_F(StandInServerTest, DdeAndOpcAddressesFailInAnyCaseEvenWhereSuchAFileExists) {
  WorkingDirectory inside(dir_.path());
  for (const char* name :
       {"DDE:Excel|Sheet1!R1C1", "dde:x", "Dde:", "OPC:Server.Item", "opc:y", "oPc:"}) {
    WriteRaw(name, "file content");
    EXPECT_EQ(Read(name), AutomationValue::Empty()) << name;
    EXPECT_EQ(server_.Success(), kFalse) << name;
    Write(name, u"new");
    EXPECT_EQ(server_.Success(), kFalse) << name;
    EXPECT_EQ(ReadRaw(name), "file content") << name;
  }
  for (const char* name : {" DDE:x", "DDE-x", "OPC"}) {
    WriteRaw(name, "file");
    EXPECT_EQ(Read(name), Text(u"file")) << name;
  }
}

struct RoundTripCase {
  const char* name;
  std::u16string value;
  std::string file_bytes;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }

class StandInRoundTripTest : public StandInServerTest,
                             public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(StandInRoundTripTest, StoresExactUtf8AndReadsItBack) {
  WriteRaw(dir_ / "value.txt", "an older and longer value\n");
  Write(dir_ / "value.txt", GetParam().value);
  EXPECT_EQ(server_.Success(), kTrue);
  EXPECT_EQ(ReadRaw(dir_ / "value.txt"), GetParam().file_bytes);
  EXPECT_EQ(Read(dir_ / "value.txt"), Text(GetParam().value));
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"value.txt"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StandInRoundTripTest,
    ::testing::Values(RoundTripCase{"Ascii", u"42.5", "42.5"}, RoundTripCase{"Empty", u"", ""},
                      RoundTripCase{"NonAsciiWithoutByteOrderMark", u"\u00E9\u20AC\U0001F600",
                                    "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
                      RoundTripCase{"InnerLineEndings", u"a\r\nb\nc", "a\r\nb\nc"}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });

TEST_F(StandInServerTest, LargeValueRoundTrips) {
  std::u16string value;
  while (value.size() < 5 * 1024 * 1024) value += u"line \u00E9\u20AC\U0001F600 of text\r\n";
  value += u"end";
  Write(dir_ / "big.txt", value);
  ASSERT_EQ(server_.Success(), kTrue);
  EXPECT_TRUE(Read(dir_ / "big.txt") == Text(value));
}

// The limit counts the bytes stored, not the characters typed: text of two-byte characters is
// refused at half as many characters, and what is refused leaves the file as it was.
TEST_F(StandInServerTest, ValueLargerThanAReadTakesIsNotWritten) {
  struct Case {
    const char* name;
    std::u16string value;
    bool stored;
  };
  const Case cases[] = {
      {"AsciiAtTheLimit", std::u16string(kMaxValueBytes, u'v'), true},
      {"AsciiOneByteOver", std::u16string(kMaxValueBytes + 1, u'v'), false},
      {"TwoByteCharactersAtTheLimit", std::u16string(kMaxValueBytes / 2, u'\u00E9'), true},
      {"TwoByteCharactersOneCharacterOver", std::u16string(kMaxValueBytes / 2 + 1, u'\u00E9'),
       false},
  };
  for (const Case& each : cases) {
    WriteRaw(dir_ / "value.txt", "old");
    errors_.str("");
    Write(dir_ / "value.txt", each.value);
    EXPECT_EQ(server_.Success(), each.stored ? kTrue : kFalse) << each.name;
    if (each.stored) {
      EXPECT_TRUE(Read(dir_ / "value.txt") == Text(each.value)) << each.name;
    } else {
      EXPECT_EQ(ReadRaw(dir_ / "value.txt"), "old") << each.name;
      EXPECT_NE(errors_.str().find("16 MiB"), std::string::npos) << errors_.str();
    }
  }
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"value.txt"});
}

// The read drops one trailing line ending and one leading byte-order mark, as a text editor
// adds them; a value that itself has one loses it on the way back.
TEST_F(StandInServerTest, ValueEndingInLineEndingReadsBackOneShorter) {
  Write(dir_ / "value.txt", u"v\n");
  EXPECT_EQ(ReadRaw(dir_ / "value.txt"), "v\n");
  EXPECT_EQ(Read(dir_ / "value.txt"), Text(u"v"));
}

TEST_F(StandInServerTest, ValueStartingWithByteOrderMarkReadsBackWithoutIt) {
  Write(dir_ / "value.txt", u"\uFEFFv");
  EXPECT_EQ(Read(dir_ / "value.txt"), Text(u"v"));
}

TEST_F(StandInServerTest, UnencodableOrNonStringValueFailsAndLeavesFileUntouched) {
  WriteRaw(dir_ / "value.txt", "old");
  for (const AutomationValue& value :
       {Text(u"half a pair \xD83D"), AutomationValue::Int32(5), AutomationValue::Empty()}) {
    server_.WriteOutputFile(FileAddress(dir_ / "value.txt"), value);
    EXPECT_EQ(server_.Success(), kFalse);
    EXPECT_EQ(ReadRaw(dir_ / "value.txt"), "old");
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"value.txt"});
  }
}

TEST_F(StandInServerTest, UnencodableOrNonStringAddressFailsAndCreatesNothing) {
  for (const AutomationValue& address :
       {Text(Address(dir_ / "x") + u"\xDC00"), Text(Address(dir_ / "x") + u"\0y"s),
        AutomationValue::Boolean(true)}) {
    server_.WriteOutputFile(address, Text(u"v"));
    EXPECT_EQ(server_.Success(), kFalse);
  }
  EXPECT_TRUE(dir_.Names().empty());
}

// The window lends its text to WriteOutputText; it must store and refuse exactly as
// WriteOutputFile with a String does.
TEST_F(StandInServerTest, WriteOfLentTextStoresAndRefusesAsAStringWriteDoes) {
  const std::u16string value = u"\u00E9\u20AC\U0001F600 a\r\nb";
  server_.WriteOutputText(FileAddress(dir_ / "value.txt"), value);
  EXPECT_EQ(server_.Success(), kTrue);
  EXPECT_EQ(ReadRaw(dir_ / "value.txt"), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 a\r\nb");

  WorkingDirectory inside(dir_.path());
  for (const AutomationValue& address :
       {Text(u"value.txt"), Text(u"DDE:value.txt"), AutomationValue::Null()}) {
    server_.WriteOutputText(address, u"half a pair \xD83D");
    EXPECT_EQ(server_.Success(), kFalse);
  }
  server_.WriteOutputText(Text(u"OPC:value.txt"), u"v");
  EXPECT_EQ(server_.Success(), kFalse);
  EXPECT_EQ(ReadRaw(dir_ / "value.txt"), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 a\r\nb");
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"value.txt"});
}

TEST_F(StandInServerTest, WriteIntoMissingDirectoryFails) {
  Write(dir_ / "no/such/dir/value.txt", u"v");
  EXPECT_EQ(server_.Success(), kFalse);
  EXPECT_TRUE(dir_.Names().empty());
}

struct SilentCase {
  const char* name;
  AutomationValue silent;
  bool reports;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const SilentCase& c, std::ostream* os) { *os << c.name; }

class StandInSilentTest : public StandInServerTest,
                          public ::testing::WithParamInterface<SilentCase> {};

TEST_P(StandInSilentTest, ReportsFailuresOnlyWhenNotSilent) {
  server_.Silent(GetParam().silent);
  Read(dir_ / "missing\n.txt");
  const std::string report = errors_.str();
  if (GetParam().reports) {
    EXPECT_EQ(report.find("ReadInputFile(\"" + dir_.path() + "/missing\\x0A.txt\") failed: "), 0u)
        << report;
    EXPECT_EQ(report.find('\n'), report.size() - 1) << report;
  } else {
    EXPECT_EQ(report, "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StandInSilentTest,
    ::testing::Values(SilentCase{"True", kTrue, false},
                      SilentCase{"AnyNonZeroBits", AutomationValue::BooleanBits(1), false},
                      SilentCase{"False", kFalse, true},
                      SilentCase{"Int32Zero", AutomationValue::Int32(0), true},
                      SilentCase{"Empty", AutomationValue::Empty(), true}),
    [](const ::testing::TestParamInfo<SilentCase>& info) { return info.param.name; });

// A server given no stream reports on the process's standard error, fd 2, as the programs' servers
// do; the stream is made at that first report.
TEST_F(StandInServerTest, WithoutAStreamReportsOnStandardError) {
  const std::string captured = dir_ / "stderr.txt";
  const int saved = ::dup(STDERR_FILENO);
  ASSERT_GE(saved, 0);
  const int file = ::open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(file, 0);
  ASSERT_EQ(::dup2(file, STDERR_FILENO), STDERR_FILENO);
  ::close(file);
  {
    StandInServer server;
    server.ReadInputFile(FileAddress(dir_ / "missing.txt"));
  }
  std::fflush(stderr);
  ::dup2(saved, STDERR_FILENO);
  ::close(saved);
  EXPECT_EQ(ReadRaw(captured).find("ReadInputFile(\"" + dir_.path() + "/missing.txt\") failed: "),
            0u)
      << ReadRaw(captured);
}

TEST_F(StandInServerTest, SuccessfulCallsReportNothing) {
  Write(dir_ / "value.txt", u"v");
  Read(dir_ / "value.txt");
  EXPECT_EQ(errors_.str(), "");
}

TEST_F(StandInServerTest, SuccessReportsOnlyTheLastCall) {
  EXPECT_EQ(server_.Success(), kFalse);  // Nothing has succeeded yet.
  Write(dir_ / "value.txt", u"v");
  EXPECT_EQ(server_.Success(), kTrue);
  server_.Silent(kTrue);
  EXPECT_EQ(server_.Success(), kTrue);  // Assigning Silent is not a read or a write.
  Read(dir_ / "missing.txt");
  EXPECT_EQ(server_.Success(), kFalse);
  EXPECT_EQ(server_.Success(), kFalse);
  Read(dir_ / "value.txt");
  EXPECT_EQ(server_.Success(), kTrue);
}

TEST(RegisterStandInServerTest, AnswersAsTheIoServerInAnyCaseWithAFreshObjectEachTime) {
  EmbeddedRuntime runtime;
  RegisterStandInServer(runtime);
  ScratchDirectory dir;
  WriteRaw(dir / "value.txt", "v\n");
  const std::unique_ptr<IoServer> server = runtime.CreateObject(u"daredude.DAREDUDECLASS");
  EXPECT_EQ(server->ReadInputFile(FileAddress(dir / "value.txt")), Text(u"v"));
  EXPECT_EQ(server->Success(), kTrue);
  // A new object has made no call yet, whatever the one still alive did.
  EXPECT_EQ(runtime.CreateObject(kIoServerProgId)->Success(), kFalse);
}

}  // namespace
}  // namespace rozovevi::ioserver::standin
