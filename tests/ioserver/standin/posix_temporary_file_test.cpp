// Temporary files of a replacement, with and without names: none is left behind by a failed or
// killed write once the next write to the same file is done, and a live writer's is never taken.
#include "ioserver/standin/posix_temporary_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "file_fixtures.h"
#include "ioserver/standin/file_access_posix.h"
#include "ioserver/standin/process_setup.h"
#include "tests/support/scratch_directory.h"

namespace rozovevi::ioserver::standin {
namespace {

using rozovevi::testing::ScratchDirectory;
using testing_support::Address;
using testing_support::ReadRaw;
using testing_support::RunInChild;
using testing_support::WriteRaw;

// Each test runs with an unnamed temporary file (O_TMPFILE) and with the named one that file
// systems without it get.
class TemporaryFileTest : public ::testing::TestWithParam<bool> {
 protected:
  TemporaryFileTest() { options_.allow_unnamed_temporary = GetParam(); }

  Status Replace(const std::string& bytes) {
    return ReplaceFileContents(Address(File()), bytes, options_);
  }
  std::string File() const { return dir_ / "value.txt"; }

  ScratchDirectory dir_;
  PosixWriteOptions options_;
};

// The program's own start-up makes a write across RLIMIT_FSIZE fail instead of ending it.
TEST_P(TemporaryFileTest, FileSizeLimitHitPartWayFailsTheWriteAndKeepsTheOldContent) {
  WriteRaw(File(), "old content");
  const bool failed_and_survived = RunInChild([this] {
    PrepareProcessForStandIn();
    const rlimit limit{1024 * 1024, 1024 * 1024};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
    const Status outcome = Replace(std::string(4 * 1024 * 1024, 'x'));
    return !outcome.ok() && outcome.reason().find("too large") != std::string::npos;
  });
  EXPECT_TRUE(failed_and_survived);
  EXPECT_EQ(ReadRaw(File()), "old content");
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"value.txt"});
}

// A writer killed at any moment leaves the file old or new and whole, and the next write leaves
// no temporary file behind.
TEST_P(TemporaryFileTest, WriteKilledPartWayLeavesNothingAfterTheNextWrite) {
  const std::string first(1024 * 1024, 'a');
  const std::string second(1024 * 1024, 'b');
  WriteRaw(File(), "old");
  for (const int delay_ms : {0, 1, 2, 3, 5, 8, 13, 21, 34, 55}) {
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      for (bool odd = false;; odd = !odd) Replace(odd ? first : second);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    ::kill(writer, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFSIGNALED(status));

    const std::string content = ReadRaw(File());
    EXPECT_TRUE(content == "old" || content == first || content == second)
        << "killed after " << delay_ms << " ms: " << content.size() << " bytes";
    const Status outcome = Replace("old");
    EXPECT_TRUE(outcome.ok()) << outcome.reason();
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"value.txt"})
        << "killed after " << delay_ms << " ms";
  }
}

// Files of the temporary pattern that nobody holds are removed; one a live writer holds locked
// stays, and so do files of other patterns.
TEST_P(TemporaryFileTest, OnlyAbandonedTemporaryFilesOfTheSameFileAreRemoved) {
  WriteRaw(File(), "old");
  const std::string suffix(kTemporarySuffix);
  const std::string abandoned = ".value.txt.Abandon1" + suffix;
  const std::string held = ".value.txt.Held0001" + suffix;
  const std::vector<std::string> others = {".other.txt.Abandon1" + suffix, ".value.txt.backup.tmp",
                                           ".value.txt.Short" + suffix,
                                           "value.txt.Abandon1" + suffix};
  for (const std::string& name : others) WriteRaw(dir_ / name, "keep");
  WriteRaw(dir_ / abandoned, "left by a killed writer");
  WriteRaw(dir_ / held, "being written");
  const int live_writer = ::open((dir_ / held).c_str(), O_WRONLY);
  ASSERT_GE(live_writer, 0);
  ASSERT_EQ(::flock(live_writer, LOCK_EX | LOCK_NB), 0);

  EXPECT_TRUE(Replace("new").ok());
  std::vector<std::string> expected = others;
  expected.push_back(held);
  expected.push_back("value.txt");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(dir_.Names(), expected);

  ::close(live_writer);  // The writer ended without cleaning up.
  EXPECT_TRUE(Replace("newer").ok());
  expected.erase(std::find(expected.begin(), expected.end(), held));
  EXPECT_EQ(dir_.Names(), expected);
  EXPECT_EQ(ReadRaw(File()), "newer");
}

INSTANTIATE_TEST_SUITE_P(NamedAndUnnamed, TemporaryFileTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Unnamed" : "Named"; });

}  // namespace
}  // namespace rozovevi::ioserver::standin
