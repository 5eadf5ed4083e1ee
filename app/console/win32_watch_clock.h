// The watch clock on Windows: local time from the system, stops from Ctrl+C, Ctrl+Break and a
// closing console.
#pragma once

#include <windows.h>

#include "app/console/watch_clock.h"
#include "win32/unique_handle.h"

namespace rozovevi::app::console {

// Handles the console's control events for its lifetime by signalling an event that Wait
// watches, so that the watch ends between reads. Raises WatchClockError when the event cannot be
// created, since a watch that no stop could end must not start.
class Win32WatchClock final : public WatchClock {
 public:
  Win32WatchClock();
  ~Win32WatchClock() override;

  LocalTime Now() const override;
  bool Wait(std::chrono::microseconds duration) override;

 private:
  win32::UniqueKernelHandle stop_;  // Manual-reset: once asked, a stop stays asked.
};

}  // namespace rozovevi::app::console
