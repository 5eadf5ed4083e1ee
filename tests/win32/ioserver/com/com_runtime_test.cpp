// ComRuntime and DispatchIoServer against the stand-in server DLL through real COM.
#include "ioserver/com/com_runtime.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <wrl/client.h>

#include "ioserver/com/late_binding.h"
#include "ioserver/io_error.h"
#include "tests/support/scratch_directory.h"
#include "tests/win32/support/raw_files.h"

namespace {

using rozovevi::ioserver::AutomationValue;
using rozovevi::ioserver::IoError;
using rozovevi::ioserver::kIoServerProgId;
using rozovevi::ioserver::ValueKind;
using rozovevi::ioserver::com::ComRuntime;
using rozovevi::testing::ScratchDirectory;

AutomationValue Text(std::u16string text) { return AutomationValue::String(std::move(text)); }

// Runs one read the way an action does: create, Silent, ReadInputFile, Success, release.
struct ReadOutcome {
  AutomationValue value;
  AutomationValue success;
};
ReadOutcome Read(ComRuntime& runtime, std::u16string address) {
  auto server = runtime.CreateObject(kIoServerProgId);
  server->Silent(AutomationValue::Boolean(true));
  ReadOutcome outcome;
  outcome.value = server->ReadInputFile(Text(std::move(address)));
  outcome.success = server->Success();
  return outcome;
}

// The error a read of address raises, or number 0 when it raises none.
IoError ReadError(std::u16string address) {
  ComRuntime runtime;
  try {
    Read(runtime, std::move(address));
  } catch (const IoError& error) {
    return error;
  }
  return IoError(0, u"");
}

bool Contains(const std::u16string& text, std::u16string_view part) {
  return text.find(part) != std::u16string::npos;
}

// The stand-in DLL's own answer to whether any of its objects is still alive.
bool StandInHoldsNoObjects() {
  HMODULE module = GetModuleHandleW(L"rozovevi_standin_com.dll");
  if (module == nullptr) return true;  // Not loaded, so nothing is alive in it.
  using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
  auto can_unload = reinterpret_cast<CanUnloadNow>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
  return can_unload != nullptr && can_unload() == S_OK;
}

}  // namespace

TEST(ComRuntime, ReadsAndWritesAFileThroughTheRegisteredServer) {
  ScratchDirectory directory;
  const std::u16string file = directory / u"tag.txt";
  ComRuntime runtime;
  {
    auto server = runtime.CreateObject(kIoServerProgId);
    server->Silent(AutomationValue::Boolean(true));
    server->WriteOutputFile(Text(file), Text(u"42 \u00b0C"));
    EXPECT_TRUE(server->Success() == AutomationValue::Boolean(true));
  }
  EXPECT_EQ(std::string("42 \xc2\xb0"
                        "C"),
            rozovevi::tests::support::ReadRaw(file));
  const ReadOutcome read = Read(runtime, file);
  EXPECT_TRUE(read.value == Text(u"42 \u00b0C"));
  EXPECT_TRUE(read.success == AutomationValue::Boolean(true));
  EXPECT_TRUE(StandInHoldsNoObjects());
}

TEST(ComRuntime, FailedReadAnswersSuccessFalse) {
  ScratchDirectory directory;
  ComRuntime runtime;
  for (const std::u16string& address : {directory / u"missing.txt", std::u16string(u"DDE:x|y!z")}) {
    const ReadOutcome read = Read(runtime, address);
    EXPECT_TRUE(read.value.kind() == ValueKind::kEmpty);
    EXPECT_TRUE(read.success == AutomationValue::Boolean(false));
  }
}

TEST(ComRuntime, UnregisteredIdentifierIsError429NamingIt) {
  ComRuntime runtime;
  try {
    runtime.CreateObject(u"ROZoveVI.NothingRegisteredHere");
    ADD_FAILURE() << "no error was raised";
  } catch (const IoError& error) {
    EXPECT_EQ(429, error.number());
    EXPECT_TRUE(Contains(error.description(), u"ROZoveVI.NothingRegisteredHere"));
  }
}

TEST(ComRuntime, UnknownMemberIsError438) {
  // Reaches the stand-in object's IDispatch directly to ask for a member it does not have.
  CLSID class_id{};
  ASSERT_TRUE(SUCCEEDED(CLSIDFromProgID(L"DARedUde.daREDudeClass", &class_id)));
  Microsoft::WRL::ComPtr<IDispatch> object;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(class_id, nullptr, CLSCTX_SERVER,
                                         IID_PPV_ARGS(object.ReleaseAndGetAddressOf()))));
  try {
    rozovevi::ioserver::com::CallByName(*object.Get(), u"ReadOutputFile",
                                        rozovevi::ioserver::com::CallKind::kMethodOrGet);
    ADD_FAILURE() << "no error was raised";
  } catch (const IoError& error) {
    EXPECT_EQ(438, error.number());
    EXPECT_TRUE(error.description() == u"Object doesn't support this property or method");
  }
  object.Reset();
  EXPECT_TRUE(StandInHoldsNoObjects());
}

TEST(ComRuntime, ServerErrorsCarryTheirNumberAndDescription) {
  struct Case {
    std::u16string address;
    std::int32_t number;
    std::u16string description;
  };
  const Case cases[] = {
      {u"?raise:wcode:1001:Device offline", 1001, u"Device offline"},
      {u"?raise:scode:0x800A0034:Bad file name or number", 52, u"Bad file name or number"},
      {u"?raise:scode:0x80004005:Gateway refused", static_cast<std::int32_t>(0x80004005),
       u"Gateway refused"},
      {u"?raise:deferred", 1003, u"Filled in on demand"},
  };
  for (const Case& c : cases) {
    const IoError error = ReadError(c.address);
    EXPECT_EQ(c.number, error.number());
    EXPECT_EQ(c.description, error.description());
  }
  EXPECT_TRUE(StandInHoldsNoObjects());
}

TEST(ComRuntime, FailedInvokeIsItsHresultWithTheSystemText) {
  const IoError error = ReadError(u"?raise:hresult:0x8007000E");  // E_OUTOFMEMORY
  EXPECT_EQ(static_cast<std::int32_t>(0x8007000E), error.number());
  EXPECT_TRUE(!error.description().empty());
  EXPECT_TRUE(StandInHoldsNoObjects());
}

TEST(ComRuntime, ReturnedKindsBecomeAutomationValues) {
  ComRuntime runtime;
  EXPECT_TRUE(Read(runtime, u"?value:null").value == AutomationValue::Null());
  EXPECT_TRUE(Read(runtime, u"?value:bool").value == AutomationValue::Boolean(false));
  EXPECT_TRUE(Read(runtime, u"?value:r8").value == AutomationValue::Double(2.5));
  EXPECT_TRUE(Read(runtime, u"?value:ui4big").value == AutomationValue::Double(4000000000.0));
  EXPECT_TRUE(Read(runtime, u"?value:byref").value == AutomationValue::Int32(42));
  // 64-bit integers and currency keep every digit as text.
  EXPECT_TRUE(Read(runtime, u"?value:i8").value == Text(u"9007199254740993"));
  EXPECT_TRUE(Read(runtime, u"?value:cy").value == Text(u"12.3456"));
  EXPECT_TRUE(Read(runtime, u"?value:date").value.kind() == ValueKind::kString);
  EXPECT_TRUE(StandInHoldsNoObjects());
}
