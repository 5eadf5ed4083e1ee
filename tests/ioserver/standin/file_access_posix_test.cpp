// POSIX file access: atomic replacement, permissions, pipes, links and failures part-way.
#include "ioserver/standin/file_access.h"

#include <acl/libacl.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/acl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "file_fixtures.h"
#include "ioserver/standin/file_access_posix.h"
#include "tests/support/scratch_directory.h"

namespace rozovevi::ioserver::standin {
namespace {

using rozovevi::testing::ScratchDirectory;
using testing_support::Address;
using testing_support::PermissionBits;
using testing_support::ReadRaw;
using testing_support::RunInUnprivilegedChild;
using testing_support::WriteRaw;

// What ReadFileBytes gives back, held together for the checks.
struct FileRead {
  Status outcome;
  std::string bytes;
};

FileRead ReadWhole(std::u16string_view path) {
  FileRead read;
  read.outcome = ReadFileBytes(path, read.bytes);
  return read;
}

constexpr std::size_t kPipeCapacity = 64 * 1024;  // Linux's default pipe buffer.

bool Replace(const std::string& path, const std::string& bytes) {
  return ReplaceFileContents(Address(path), bytes).ok();
}

bool IsSymbolicLink(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

TEST(FileAccessTest, ReplacementKeepsPermissionBits) {
  ScratchDirectory dir;
  WriteRaw(dir / "value.txt", "old");
  ASSERT_EQ(::chmod((dir / "value.txt").c_str(), 0640), 0);
  EXPECT_TRUE(Replace(dir / "value.txt", "new"));
  EXPECT_EQ(PermissionBits(dir / "value.txt"), 0640u);
}

TEST(FileAccessTest, NewFileGetsTheUmasksPermissions) {
  ScratchDirectory dir;
  const mode_t mask = ::umask(027);
  EXPECT_TRUE(Replace(dir / "value.txt", "new"));
  ::umask(mask);
  EXPECT_EQ(PermissionBits(dir / "value.txt"), 0640u);
}

TEST(FileAccessTest, ReplacementKeepsTheOwnerWhenRunAsRoot) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another owner";
  ScratchDirectory dir;
  WriteRaw(dir / "value.txt", "old");
  ASSERT_EQ(::chown((dir / "value.txt").c_str(), 65534, 65534), 0);
  EXPECT_TRUE(Replace(dir / "value.txt", "new"));
  struct stat status {};
  ASSERT_EQ(::stat((dir / "value.txt").c_str(), &status), 0);
  EXPECT_EQ(status.st_uid, 65534u);
  EXPECT_EQ(status.st_gid, 65534u);
}

// A reader that opened the file before the write still sees the whole old content: the new
// content arrives as a new file, never written into the old one.
TEST(FileAccessTest, ReplacementLeavesTheOldFileWholeForOpenReaders) {
  ScratchDirectory dir;
  WriteRaw(dir / "value.txt", "old content");
  const int old_file = ::open((dir / "value.txt").c_str(), O_RDONLY);
  ASSERT_GE(old_file, 0);
  EXPECT_TRUE(Replace(dir / "value.txt", "new"));
  char buffer[32] = {};
  EXPECT_EQ(::read(old_file, buffer, sizeof buffer), 11);
  EXPECT_EQ(std::string(buffer), "old content");
  ::close(old_file);
  EXPECT_EQ(ReadRaw(dir / "value.txt"), "new");
}

// Permission checks run in a child that is not root, since root passes them all.
class UnprivilegedFileAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::chmod(dir_.path().c_str(), 0777), 0);
    WriteRaw(dir_ / "value.txt", "old content");
  }
  std::string File() const { return dir_ / "value.txt"; }

  ScratchDirectory dir_;
};

TEST_F(UnprivilegedFileAccessTest, ReadOnlyDirectoryFailsAndKeepsOldContent) {
  ASSERT_EQ(::chmod(File().c_str(), 0666), 0);
  ASSERT_EQ(::chmod(dir_.path().c_str(), 0555), 0);
  EXPECT_TRUE(RunInUnprivilegedChild([this] { return !Replace(File(), "new"); }));
  EXPECT_EQ(ReadRaw(File()), "old content");
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"value.txt"});
}

// The directory would allow the rename, but a file that may not be written is not replaced.
TEST_F(UnprivilegedFileAccessTest, ReadOnlyFileIsNotReplaced) {
  ASSERT_EQ(::chmod(File().c_str(), 0444), 0);
  EXPECT_TRUE(RunInUnprivilegedChild([this] { return !Replace(File(), "new"); }));
  EXPECT_EQ(ReadRaw(File()), "old content");
}

TEST_F(UnprivilegedFileAccessTest, UnreadableFileFailsToRead) {
  ASSERT_EQ(::chmod(File().c_str(), 0), 0);
  EXPECT_TRUE(RunInUnprivilegedChild([this] {
    const FileRead file = ReadWhole(Address(File()));
    return !file.outcome.ok() && file.bytes.empty() && !file.outcome.reason().empty();
  }));
}

TEST(FileAccessTest, SymbolicLinksAreWrittenThroughAndStayLinks) {
  ScratchDirectory dir;
  ASSERT_EQ(::mkdir((dir / "data").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((dir / "links").c_str(), 0755), 0);
  WriteRaw(dir / "data/value.txt", "old");
  ASSERT_EQ(::chmod((dir / "data/value.txt").c_str(), 0600), 0);
  ASSERT_EQ(::symlink("../data/value.txt", (dir / "links/relative").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "links/relative").c_str(), (dir / "absolute").c_str()), 0);

  EXPECT_TRUE(Replace(dir / "absolute", "new"));
  EXPECT_TRUE(IsSymbolicLink(dir / "absolute"));
  EXPECT_TRUE(IsSymbolicLink(dir / "links/relative"));
  EXPECT_EQ(ReadRaw(dir / "data/value.txt"), "new");
  EXPECT_EQ(PermissionBits(dir / "data/value.txt"), 0600u);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"absolute", "data", "links"}));
}

TEST(FileAccessTest, DanglingLinkCreatesItsTarget) {
  ScratchDirectory dir;
  ASSERT_EQ(::symlink("target.txt", (dir / "link").c_str()), 0);
  EXPECT_TRUE(Replace(dir / "link", "new"));
  EXPECT_TRUE(IsSymbolicLink(dir / "link"));
  EXPECT_EQ(ReadRaw(dir / "target.txt"), "new");
}

TEST(FileAccessTest, LinkLoopAndDirectoryFail) {
  ScratchDirectory dir;
  ASSERT_EQ(::symlink("b", (dir / "a").c_str()), 0);
  ASSERT_EQ(::symlink("a", (dir / "b").c_str()), 0);
  ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0755), 0);
  EXPECT_FALSE(Replace(dir / "a", "new"));
  EXPECT_FALSE(Replace(dir / "folder", "new"));
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a", "b", "folder"}));
}

// Reads a named pipe from a thread until the writer is done and the pipe is empty. The read
// end is opened before the write so that the writer finds a reader.
class PipeReader {
 public:
  explicit PipeReader(const std::string& path)
      : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK)), thread_([this] { Run(); }) {}
  ~PipeReader() {
    writer_done_ = true;
    if (thread_.joinable()) thread_.join();
    ::close(fd_);
  }
  // Call once the write has returned.
  std::string Finish() {
    writer_done_ = true;
    thread_.join();
    thread_ = std::thread();
    return received_;
  }

 private:
  void Run() {
    char buffer[4096];
    for (;;) {
      const ssize_t count = ::read(fd_, buffer, sizeof buffer);
      if (count > 0) {
        received_.append(buffer, static_cast<std::size_t>(count));
      } else if (count == 0 && writer_done_) {
        return;  // No writer and nothing left.
      } else {
        pollfd wait{fd_, POLLIN, 0};
        ::poll(&wait, 1, 5);
      }
    }
  }

  int fd_;
  std::atomic<bool> writer_done_{false};
  std::string received_;
  std::thread thread_;
};

TEST(FileAccessTest, NamedPipeIsWrittenDirectlyAndStaysAPipe) {
  ScratchDirectory dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
  const std::string value(4 * kPipeCapacity, 'p');  // More than the pipe holds at once.
  std::string received;
  {
    PipeReader reader(dir / "pipe");
    EXPECT_TRUE(Replace(dir / "pipe", value));
    received = reader.Finish();
  }
  EXPECT_EQ(received.size(), value.size());
  EXPECT_TRUE(received == value);
  struct stat status {};
  ASSERT_EQ(::lstat((dir / "pipe").c_str(), &status), 0);
  EXPECT_TRUE(S_ISFIFO(status.st_mode));
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"pipe"});
}

TEST(FileAccessTest, NamedPipeWithoutReaderFailsAtOnce) {
  ScratchDirectory dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
  const Status outcome = ReplaceFileContents(Address(dir / "pipe"), "value");
  EXPECT_FALSE(outcome.ok());
  EXPECT_FALSE(outcome.reason().empty());
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"pipe"});
}

// On a null device the test makes itself: were the device written by renaming a file over it,
// the machine's own /dev/null would be lost.
TEST(FileAccessTest, CharacterDeviceIsWrittenDirectly) {
  ScratchDirectory dir;
  const std::string device = dir / "null";
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
    GTEST_SKIP() << "cannot make a device node: " << std::strerror(errno);
  }
  const int probe = ::open(device.c_str(), O_WRONLY | O_CLOEXEC);
  if (probe < 0) GTEST_SKIP() << "devices cannot be opened here: " << std::strerror(errno);
  ::close(probe);

  EXPECT_TRUE(Replace(device, "value"));
  struct stat status {};
  ASSERT_EQ(::lstat(device.c_str(), &status), 0);
  EXPECT_TRUE(S_ISCHR(status.st_mode));
  EXPECT_EQ(status.st_rdev, makedev(1, 3));
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"null"});
}

// A reader that goes away mid-write makes the write fail instead of ending the program with
// SIGPIPE.
TEST(FileAccessTest, ReaderLeavingMidWriteFailsTheWrite) {
  ScratchDirectory dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
  const int reader = ::open((dir / "pipe").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  Status outcome;
  std::thread writer([&] {
    outcome = ReplaceFileContents(Address(dir / "pipe"), std::string(4 * kPipeCapacity, 'p'));
  });
  int pending = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (pending < static_cast<int>(kPipeCapacity) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::ioctl(reader, FIONREAD, &pending);
  }
  ::close(reader);
  writer.join();
  EXPECT_FALSE(outcome.ok());
}

// A reader that never takes anything: the write gives up after the wait instead of freezing.
TEST(FileAccessTest, WriteToAPipeNobodyDrainsGivesUpAfterTheWait) {
  ScratchDirectory dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
  const int reader = ::open((dir / "pipe").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  PosixWriteOptions options;
  options.device_write_wait = std::chrono::milliseconds(300);
  const auto start = std::chrono::steady_clock::now();
  const Status outcome =
      ReplaceFileContents(Address(dir / "pipe"), std::string(200'000, 'p'), options);
  const auto took = std::chrono::steady_clock::now() - start;
  ::close(reader);
  EXPECT_FALSE(outcome.ok());
  EXPECT_NE(outcome.reason().find("300 ms"), std::string::npos) << outcome.reason();
  EXPECT_GE(took, options.device_write_wait);
  EXPECT_LT(took, std::chrono::seconds(10));
}

// A sparse file larger than memory, a file one byte over the limit, and one right at it.
TEST(FileAccessTest, ReadsStopAtTheSizeLimitWithoutTakingTheMemory) {
  ScratchDirectory dir;
  const auto make_sparse = [&dir](const std::string& name, off_t size) {
    const int fd = ::open((dir / name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    const bool made = fd >= 0 && ::ftruncate(fd, size) == 0;
    if (fd >= 0) ::close(fd);
    return made;
  };
  ASSERT_TRUE(make_sparse("huge", off_t{64} * 1024 * 1024 * 1024));
  ASSERT_TRUE(make_sparse("over", static_cast<off_t>(kMaxValueBytes) + 1));
  ASSERT_TRUE(make_sparse("limit", static_cast<off_t>(kMaxValueBytes)));

  for (const char* name : {"huge", "over"}) {
    const FileRead file = ReadWhole(Address(dir / name));
    EXPECT_FALSE(file.outcome.ok()) << name;
    EXPECT_NE(file.outcome.reason().find("16 MiB"), std::string::npos) << file.outcome.reason();
    EXPECT_TRUE(file.bytes.empty());
  }
  const FileRead file = ReadWhole(Address(dir / "limit"));
  EXPECT_TRUE(file.outcome.ok()) << file.outcome.reason();
  EXPECT_EQ(file.bytes.size(), kMaxValueBytes);
}

// One limit both ways: a value one byte over what a read takes is refused wherever it would go,
// before anything is touched, and one right at the limit is written and reads back whole.
TEST(FileAccessTest, WritesOverTheSizeLimitAreRefusedAndTouchNothing) {
  ScratchDirectory dir;
  const std::string at_limit(kMaxValueBytes, 'v');
  const std::string over_limit = at_limit + 'v';
  WriteRaw(dir / "old.txt", "old");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
  {
    PipeReader reader(dir / "pipe");
    for (const char* name : {"old.txt", "new.txt", "pipe"}) {
      const Status outcome = ReplaceFileContents(Address(dir / name), over_limit);
      EXPECT_FALSE(outcome.ok()) << name;
      EXPECT_NE(outcome.reason().find("16 MiB"), std::string::npos) << outcome.reason();
    }
    EXPECT_EQ(reader.Finish(), "");
  }
  EXPECT_EQ(ReadRaw(dir / "old.txt"), "old");
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"old.txt", "pipe"}));

  ASSERT_TRUE(Replace(dir / "old.txt", at_limit));
  const FileRead file = ReadWhole(Address(dir / "old.txt"));
  EXPECT_TRUE(file.outcome.ok()) << file.outcome.reason();
  EXPECT_TRUE(file.bytes == at_limit);
}

// Files that report no size are read to their end, and one that never ends stops at the limit.
TEST(FileAccessTest, FilesWithoutASizeAreReadToTheirEndOrToTheLimit) {
  const FileRead maps = ReadWhole(u"/proc/self/maps");
  ASSERT_TRUE(maps.outcome.ok()) << maps.outcome.reason();
  EXPECT_NE(maps.bytes.find("[stack]"), std::string::npos);
  EXPECT_EQ(maps.bytes.back(), '\n');

  if (::access("/proc/self/pagemap", R_OK) != 0) {
    GTEST_SKIP() << "/proc/self/pagemap cannot be read here";
  }
  const FileRead endless = ReadWhole(u"/proc/self/pagemap");
  EXPECT_FALSE(endless.outcome.ok());
  EXPECT_NE(endless.outcome.reason().find("16 MiB"), std::string::npos) << endless.outcome.reason();
}

// The temporary file's name is never longer than the target's directory plus a short name, so a
// file whose full path is close to PATH_MAX can be replaced as well as read.
TEST(FileAccessTest, PathCloseToTheLengthLimitCanBeWritten) {
  ScratchDirectory dir;
  const std::string name = "v.txt";
  const std::size_t path_length = PATH_MAX - 2;  // Room for the terminating NUL and one more.
  const std::size_t directory_length = path_length - name.size() - 1;
  std::string directory = dir.path();
  while (directory.size() < directory_length) {
    std::size_t part = std::min<std::size_t>(200, directory_length - directory.size() - 1);
    if (directory_length - directory.size() - 1 - part == 1) --part;  // Never leave 1 byte.
    directory += "/" + std::string(part, 'd');
    ASSERT_EQ(::mkdir(directory.c_str(), 0755), 0) << directory.size();
  }
  const std::string path = directory + "/" + name;
  ASSERT_EQ(path.size(), path_length);
  for (const char* value : {"created", "replaced"}) {
    const Status outcome = ReplaceFileContents(Address(path), value);
    EXPECT_TRUE(outcome.ok()) << outcome.reason();
    const FileRead file = ReadWhole(Address(path));
    EXPECT_EQ(file.bytes, value);
  }
}

TEST(FileAccessTest, ReplacementKeepsUserExtendedAttributes) {
  ScratchDirectory dir;
  WriteRaw(dir / "value.txt", "old");
  const std::string attribute = "user.rozovevi.test";
  const std::string kept = "kept through the replacement";
  if (::setxattr((dir / "value.txt").c_str(), attribute.c_str(), kept.data(), kept.size(), 0) !=
      0) {
    GTEST_SKIP() << "the file system under " << dir.path()
                 << " does not take user extended attributes: " << std::strerror(errno);
  }
  for (const bool unnamed : {true, false}) {
    PosixWriteOptions options;
    options.allow_unnamed_temporary = unnamed;
    const Status outcome = ReplaceFileContents(Address(dir / "value.txt"), "new", options);
    EXPECT_TRUE(outcome.ok()) << outcome.reason();
    std::string value(64, '\0');
    const ssize_t size =
        ::getxattr((dir / "value.txt").c_str(), attribute.c_str(), value.data(), value.size());
    ASSERT_GE(size, 0) << "lost with unnamed=" << unnamed;
    value.resize(static_cast<std::size_t>(size));
    EXPECT_EQ(value, kept);
    EXPECT_EQ(ReadRaw(dir / "value.txt"), "new");
  }
}

// The file's access control list in its long text form; empty when it cannot be read.
std::string AccessControlList(const std::string& path) {
  const acl_t acl = ::acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
  if (acl == nullptr) return "";
  char* const text = ::acl_to_text(acl, nullptr);
  const std::string result = text != nullptr ? text : "";
  ::acl_free(text);
  ::acl_free(acl);
  return result;
}

// The access control list goes with the permissions; an attribute in the kernel's trusted
// namespace, which only root can set, stays with the old file.
TEST(FileAccessTest, ReplacementKeepsTheAccessControlListButNotTrustedAttributes) {
  ScratchDirectory dir;
  const std::string path = dir / "value.txt";
  WriteRaw(path, "old");
  const acl_t acl = ::acl_from_text("u::rw-,u:nobody:r--,g::r--,m::r--,o::---");
  ASSERT_NE(acl, nullptr);
  const int set = ::acl_set_file(path.c_str(), ACL_TYPE_ACCESS, acl);
  ::acl_free(acl);
  if (set != 0) GTEST_SKIP() << "no access control lists here: " << std::strerror(errno);
  const std::string kept = AccessControlList(path);
  ASSERT_NE(kept.find("user:nobody:r--"), std::string::npos) << kept;
  const std::string trusted = "trusted.rozovevi.test";
  const bool root_attribute = ::setxattr(path.c_str(), trusted.c_str(), "t", 1, 0) == 0;

  for (const bool unnamed : {true, false}) {
    PosixWriteOptions options;
    options.allow_unnamed_temporary = unnamed;
    const Status outcome = ReplaceFileContents(Address(path), "new", options);
    EXPECT_TRUE(outcome.ok()) << outcome.reason();
    EXPECT_EQ(ReadRaw(path), "new");
    EXPECT_EQ(AccessControlList(path), kept) << "unnamed=" << unnamed;
    EXPECT_EQ(PermissionBits(path), 0640u);
    if (root_attribute) {
      EXPECT_LT(::getxattr(path.c_str(), trusted.c_str(), nullptr, 0), 0) << "unnamed=" << unnamed;
      EXPECT_EQ(errno, ENODATA);
    }
  }
}

}  // namespace
}  // namespace rozovevi::ioserver::standin
