// The watch clock on Linux: local time from the C library, stops from SIGINT and SIGTERM.
#pragma once

#include <signal.h>

#include "app/console/watch_clock.h"

namespace rozovevi::app::console {

// Blocks SIGINT and SIGTERM for its lifetime and takes them in Wait, so that Ctrl-C or a kill
// ends the watch between reads, never inside one (a read ends within its own timeout). The
// program is single-threaded, so the process's mask is this thread's.
class PosixWatchClock final : public WatchClock {
 public:
  PosixWatchClock();
  ~PosixWatchClock() override;

  LocalTime Now() const override;
  bool Wait(std::chrono::microseconds duration) override;

 private:
  sigset_t stops_;
  sigset_t old_mask_;
  bool stopped_ = false;
};

}  // namespace rozovevi::app::console
