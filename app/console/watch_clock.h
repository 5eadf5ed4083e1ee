// What "rozovevi-io watch" needs of its platform: the local time, and waits that a stop cuts
// short (Ctrl-C, SIGTERM, a console closing). One implementation per platform, and a fake in the
// tests.
#pragma once

#include <chrono>
#include <stdexcept>
#include <string>

namespace rozovevi::app::console {

// A moment as the local clock shows it, with its offset from UTC.
struct LocalTime {
  int year = 1970;
  int month = 1;  // 1-12
  int day = 1;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int utc_offset_minutes = 0;  // East of UTC positive.
};

// A platform clock that could not be made: the system's error number, and what failed in one
// line of UTF-8 (what()).
class WatchClockError : public std::runtime_error {
 public:
  WatchClockError(unsigned long number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  unsigned long number() const noexcept { return number_; }

 private:
  unsigned long number_;
};

// Made for one watch; a platform's clock that cannot be made raises WatchClockError.
class WatchClock {
 public:
  WatchClock() = default;
  WatchClock(const WatchClock&) = delete;
  WatchClock& operator=(const WatchClock&) = delete;
  // Gives the process's stop requests back to their usual handling.
  virtual ~WatchClock() = default;

  virtual LocalTime Now() const = 0;
  // Waits for duration; returns false at once, or as soon as one comes, when a stop was asked.
  virtual bool Wait(std::chrono::microseconds duration) = 0;
  // The time that passes for Wait, for the schedule of reads.
  virtual std::chrono::steady_clock::time_point Monotonic() const {
    return std::chrono::steady_clock::now();
  }
};

}  // namespace rozovevi::app::console
