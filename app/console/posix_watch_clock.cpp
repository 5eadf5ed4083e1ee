// Local time with its UTC offset, and waits that SIGINT and SIGTERM end.
#include "app/console/posix_watch_clock.h"

#include <time.h>

#include <cerrno>

namespace rozovevi::app::console {
namespace {

constexpr long kSecondsPerMinute = 60;
constexpr int kFirstYear = 1900;

}  // namespace

PosixWatchClock::PosixWatchClock() {
  sigemptyset(&stops_);
  sigaddset(&stops_, SIGINT);
  sigaddset(&stops_, SIGTERM);
  sigprocmask(SIG_BLOCK, &stops_, &old_mask_);
}

PosixWatchClock::~PosixWatchClock() {
  // A stop taken by Wait is used up; one that came after stays pending and acts on unblocking.
  sigprocmask(SIG_SETMASK, &old_mask_, nullptr);
}

LocalTime PosixWatchClock::Now() const {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  return LocalTime{local.tm_year + kFirstYear,
                   local.tm_mon + 1,
                   local.tm_mday,
                   local.tm_hour,
                   local.tm_min,
                   local.tm_sec,
                   static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::nanoseconds(now.tv_nsec))
                                        .count()),
                   static_cast<int>(local.tm_gmtoff / kSecondsPerMinute)};
}

bool PosixWatchClock::Wait(std::chrono::microseconds duration) {
  if (stopped_) return false;
  const auto end = std::chrono::steady_clock::now() + duration;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
        end - std::chrono::steady_clock::now());
    const auto wait = left.count() > 0 ? left : std::chrono::nanoseconds(0);
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
    const timespec timeout{static_cast<time_t>(seconds.count()),
                           static_cast<long>((wait - seconds).count())};
    if (sigtimedwait(&stops_, nullptr, &timeout) >= 0) {
      stopped_ = true;
      return false;
    }
    if (errno == EAGAIN) return true;  // The time ran out with no stop.
    // EINTR: another signal's handler ran; wait out the rest.
  }
}

}  // namespace rozovevi::app::console
