// The stand-in's Windows file layer: whole reads, all-or-nothing replacement, refusals.
#include "ioserver/standin/file_access.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/scratch_directory.h"
#include "tests/win32/support/raw_files.h"
#include "win32/win32_text.h"

namespace {

using rozovevi::ioserver::standin::ReadFileBytes;
using rozovevi::ioserver::standin::ReplaceFileContents;
using rozovevi::testing::ScratchDirectory;
using rozovevi::tests::support::ReadRaw;
using rozovevi::tests::support::WriteRaw;
using rozovevi::win32::ToWide;

// What ReadFileBytes gives back, held together for the checks.
struct FileRead {
  rozovevi::ioserver::Status outcome;
  std::string bytes;
};

FileRead ReadWhole(std::u16string_view path) {
  FileRead read;
  read.outcome = ReadFileBytes(path, read.bytes);
  return read;
}

}  // namespace

TEST(FileAccessWin32, ReadsTheWholeFile) {
  ScratchDirectory directory;
  const std::string bytes(200000, 'x');  // More than one read's worth.
  WriteRaw(directory / u"big.txt", bytes);
  const auto file = ReadWhole(directory / u"big.txt");
  EXPECT_TRUE(file.outcome.ok());
  EXPECT_TRUE(file.bytes == bytes);
}

TEST(FileAccessWin32, ReplacesOrCreatesWithoutLeavingATemporaryFile) {
  ScratchDirectory directory;
  const std::u16string existing = directory / u"existing.txt";
  WriteRaw(existing, "old and longer");
  EXPECT_TRUE(ReplaceFileContents(existing, "new").ok());
  EXPECT_EQ(std::string("new"), ReadRaw(existing));
  const std::u16string created = directory / u"cr\u00e9\u00e9.txt";
  EXPECT_TRUE(ReplaceFileContents(created, "").ok());
  EXPECT_EQ(std::string(""), ReadRaw(created));
  const auto names = directory.Names();
  EXPECT_EQ(std::size_t{2}, names.size());
}

TEST(FileAccessWin32, RefusesWhatItCannotReadOrReplaceAndKeepsTheOldContent) {
  ScratchDirectory directory;
  const std::u16string locked = directory / u"locked.txt";
  WriteRaw(locked, "keep");
  SetFileAttributesW(ToWide(locked).c_str(), FILE_ATTRIBUTE_READONLY);
  const struct {
    const char* name;
    std::u16string path;
  } unwritable[] = {
      {"read-only file", locked},
      {"directory", directory.path()},
      {"missing directory", directory / u"no\\such.txt"},
      {"empty name", u""},
      {"name with a NUL", std::u16string(u"a\0b", 3)},
  };
  for (const auto& c : unwritable) {
    const auto outcome = ReplaceFileContents(c.path, "new");
    EXPECT_TRUE(!outcome.ok() && !outcome.reason().empty()) << "wrote to " << c.name;
  }
  EXPECT_EQ(std::string("keep"), ReadRaw(locked));
  EXPECT_EQ(std::size_t{1}, directory.Names().size());
  for (const std::u16string& path : {directory.path(), directory / u"missing.txt"}) {
    const auto file = ReadWhole(path);
    EXPECT_TRUE(!file.outcome.ok() && file.bytes.empty());
  }
}

// One limit both ways: a value one byte over what a read takes is not written, and a file of
// that size is not read; one right at the limit is both.
TEST(FileAccessWin32, ValuesOverTheSizeLimitAreRefusedBothWays) {
  ScratchDirectory directory;
  const std::u16string file = directory / u"value.txt";
  const std::string at_limit(rozovevi::ioserver::kMaxValueBytes, 'v');
  const std::string over_limit = at_limit + 'v';
  WriteRaw(file, "keep");
  const auto refused = ReplaceFileContents(file, over_limit);
  EXPECT_TRUE(!refused.ok() && refused.reason().find("16 MiB") != std::string::npos);
  EXPECT_EQ(std::string("keep"), ReadRaw(file));
  EXPECT_EQ(std::size_t{1}, directory.Names().size());

  EXPECT_TRUE(ReplaceFileContents(file, at_limit).ok());
  EXPECT_TRUE(ReadWhole(file).bytes == at_limit);
  WriteRaw(file, over_limit);
  const auto over = ReadWhole(file);
  EXPECT_TRUE(!over.outcome.ok() && over.bytes.empty());
}
