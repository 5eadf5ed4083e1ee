// rozovevi-io.exe run as a batch file runs it, with pipes for its standard streams, through the
// stand-in COM server: exit statuses, UTF-8 bytes on the pipe, the value in the file, messages only
// on standard error, and no write without --yes.
#include <windows.h>

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "ioserver/value_limit.h"
#include "tests/support/scratch_directory.h"
#include "tests/win32/support/raw_files.h"
#include "tests/win32/support/test_options.h"
#include "win32/unique_handle.h"
#include "win32/win32_text.h"

namespace {

using rozovevi::testing::ScratchDirectory;
using rozovevi::tests::support::ReadRaw;
using rozovevi::tests::support::WriteRaw;
using rozovevi::win32::UniqueKernelHandle;

constexpr DWORD kTimeLimitMs = 30000;

// Quotes one argument so that the child's command-line parser gives it back unchanged.
std::wstring Quote(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t unit : argument) {
    if (unit == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(unit == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += unit;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

struct Finished {
  long status = -1;
  std::string output;
  std::string error;
};

// Runs rozovevi-io.exe with arguments; input goes to its standard input, which is then closed.
Finished RunProgram(const std::vector<std::u16string>& arguments, const std::string& input = "") {
  using rozovevi::win32::ToWide;
  const std::string program = rozovevi::tests::support::TestOption("io-exe");
  Finished finished;
  if (program.empty()) {
    ADD_FAILURE() << "--io-exe=PATH names rozovevi-io.exe";
    return finished;
  }
  std::wstring command = Quote(std::wstring(program.begin(), program.end()));
  for (const std::u16string& argument : arguments) command += L" " + Quote(ToWide(argument));

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  UniqueKernelHandle in_read, in_write, out_read, out_write, err_read, err_write;
  if (!CreatePipe(in_read.Put(), in_write.Put(), &inherit, 0) ||
      !CreatePipe(out_read.Put(), out_write.Put(), &inherit, 0) ||
      !CreatePipe(err_read.Put(), err_write.Put(), &inherit, 0)) {
    ADD_FAILURE() << "CreatePipe failed";
    return finished;
  }
  for (HANDLE own : {in_write.get(), out_read.get(), err_read.get()}) {
    SetHandleInformation(own, HANDLE_FLAG_INHERIT, 0);
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in_read.get();
  startup.hStdOutput = out_write.get();
  startup.hStdError = err_write.get();
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &info)) {
    ADD_FAILURE() << "CreateProcessW failed";
    return finished;
  }
  const UniqueKernelHandle process(info.hProcess);
  const UniqueKernelHandle thread(info.hThread);
  in_read.Reset();
  out_write.Reset();
  err_write.Reset();

  DWORD written = 0;
  if (!input.empty()) {
    WriteFile(in_write.get(), input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
  }
  in_write.Reset();

  // Drains both pipes while the child runs, so that neither fills up, within the time limit.
  const DWORD start = GetTickCount();
  bool ended = false;
  for (;;) {
    for (auto [pipe, text] : {std::pair{out_read.get(), &finished.output},
                              std::pair{err_read.get(), &finished.error}}) {
      DWORD available = 0;
      while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) || got == 0) break;
        text->append(buffer, got);
      }
    }
    if (ended) break;
    ended = WaitForSingleObject(process.get(), 10) == WAIT_OBJECT_0;
    if (!ended && GetTickCount() - start > kTimeLimitMs) {
      TerminateProcess(process.get(), 255);
      ADD_FAILURE() << "rozovevi-io.exe did not end in time";
      return finished;
    }
  }
  DWORD status = 0;
  GetExitCodeProcess(process.get(), &status);
  finished.status = static_cast<long>(status);
  return finished;
}

}  // namespace

TEST(RozoveviIo, ReadPrintsTheValueAsUtf8AndOneLineEnd) {
  ScratchDirectory directory;
  const std::u16string file = directory / u"value.txt";
  WriteRaw(file, "line one\r\nline two\n\xc3\xa9\xe2\x9c\x93");
  const Finished read = RunProgram({u"read", file});
  EXPECT_EQ(0L, read.status);
  EXPECT_EQ(std::string("line one\r\nline two\n\xc3\xa9\xe2\x9c\x93\r\n"), read.output);
  EXPECT_EQ(std::string(), read.error);
  EXPECT_EQ(std::string("line one\r\nline two\n\xc3\xa9\xe2\x9c\x93"),
            RunProgram({u"-n", u"read", file}).output);
}

TEST(RozoveviIo, WriteWithYesStoresTheUtf16ArgumentExactly) {
  ScratchDirectory directory;
  const std::u16string file = directory / u"Z\u00fcrich.txt";
  const Finished write = RunProgram({u"write", u"--yes", file, u"Z\u00fcrich \u2713 \"q\" \\"});
  EXPECT_EQ(0L, write.status);
  EXPECT_EQ(std::string(), write.output);
  EXPECT_EQ(std::string(), write.error);
  EXPECT_EQ(std::string("Z\xc3\xbcrich \xe2\x9c\x93 \"q\" \\"), ReadRaw(file));
}

TEST(RozoveviIo, WriteFromStandardInputStoresEveryByte) {
  ScratchDirectory directory;
  const std::u16string file = directory / u"value.txt";
  const std::string value = "first\nsecond\r\n\xc3\xa9\n";
  EXPECT_EQ(0L, RunProgram({u"write", u"-y", file, u"-"}, value).status);
  EXPECT_EQ(value, ReadRaw(file));
}

TEST(RozoveviIo, StandardInputPastTheLimitIsRefusedAndWritesNothing) {
  ScratchDirectory directory;
  const std::u16string file = directory / u"value.txt";
  WriteRaw(file, "old");
  const Finished write = RunProgram({u"write", u"-y", file, u"-"},
                                    std::string(rozovevi::ioserver::kMaxValueBytes + 1, 'v'));
  EXPECT_EQ(2L, write.status);
  EXPECT_TRUE(write.error.find("more than 16 MiB") != std::string::npos);
  EXPECT_EQ(std::string("old"), ReadRaw(file));
}

TEST(RozoveviIo, WriteWithoutYesAndWithoutConsoleWritesNothing) {
  ScratchDirectory directory;
  const std::u16string file = directory / u"value.txt";
  WriteRaw(file, "old");
  const Finished write = RunProgram({u"write", file, u"new"});
  EXPECT_EQ(4L, write.status);
  EXPECT_EQ(std::string(), write.output);
  EXPECT_TRUE(write.error.find("--yes") != std::string::npos);
  EXPECT_EQ(std::string("old"), ReadRaw(file));
}

TEST(RozoveviIo, RaisedErrorGivesThreeWithItsNumber) {
  const Finished read = RunProgram({u"read", u"?raise:wcode:1234:Tag not found"});
  EXPECT_EQ(3L, read.status);
  EXPECT_EQ(std::string(), read.output);
  EXPECT_EQ(std::string("rozovevi-io: I/O server error 1234: Tag not found\r\n"), read.error);
}

TEST(RozoveviIo, FailedCallAndEmptyAddressAndUsageErrors) {
  ScratchDirectory directory;
  const Finished failed = RunProgram({u"read", directory / u"missing.txt"});
  EXPECT_EQ(1L, failed.status);
  EXPECT_EQ(std::string(), failed.output);
  EXPECT_EQ(std::string("rozovevi-io: Communication Failed!\r\n"), failed.error);

  const Finished empty = RunProgram({u"read", u""});
  EXPECT_EQ(2L, empty.status);
  EXPECT_EQ(std::string("rozovevi-io: Please specify an IO address!\r\n"), empty.error);

  const Finished usage = RunProgram({u"write", u"a"});
  EXPECT_EQ(2L, usage.status);
  EXPECT_EQ(std::string(), usage.output);

  const Finished version = RunProgram({u"--version"});
  EXPECT_EQ(0L, version.status);
  EXPECT_EQ(std::string("rozovevi-io 5.00.0001\r\n"), version.output);
}
