// Local time with its UTC offset, and waits that the console's control events end.
#include "app/console/win32_watch_clock.h"

#include <algorithm>
#include <atomic>
#include <string>

#include "ioserver/utf8.h"
#include "win32/system_error.h"

namespace rozovevi::app::console {
namespace {

// The event of the one live clock, for the handler, which runs on a thread of its own.
std::atomic<HANDLE> g_stop{nullptr};

BOOL WINAPI OnControl(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT) return FALSE;
  if (HANDLE stop = g_stop.load()) SetEvent(stop);
  return TRUE;
}

}  // namespace

Win32WatchClock::Win32WatchClock() : stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (!stop_.valid()) {
    const DWORD error = GetLastError();
    throw WatchClockError(error, "the event that Ctrl+C sets cannot be created: " +
                                     ioserver::EncodeUtf8Lossy(win32::SystemMessage(error)));
  }
  g_stop = stop_.get();
  SetConsoleCtrlHandler(OnControl, TRUE);
}

Win32WatchClock::~Win32WatchClock() {
  SetConsoleCtrlHandler(OnControl, FALSE);
  g_stop = nullptr;
}

LocalTime Win32WatchClock::Now() const {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  TIME_ZONE_INFORMATION zone{};
  const DWORD which = GetTimeZoneInformation(&zone);
  LONG bias = zone.Bias;
  if (which == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
  if (which == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
  if (which == TIME_ZONE_ID_INVALID) bias = 0;
  return LocalTime{local.wYear,   local.wMonth,  local.wDay,          local.wHour,
                   local.wMinute, local.wSecond, local.wMilliseconds, static_cast<int>(-bias)};
}

bool Win32WatchClock::Wait(std::chrono::microseconds duration) {
  // Rounded up, so that a wait never ends before its time.
  const auto milliseconds = std::max(std::chrono::ceil<std::chrono::milliseconds>(duration),
                                     std::chrono::milliseconds::zero());
  return WaitForSingleObject(stop_.get(), static_cast<DWORD>(milliseconds.count())) == WAIT_TIMEOUT;
}

}  // namespace rozovevi::app::console
