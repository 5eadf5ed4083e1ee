// Peak resident memory of one 16 MiB read, ours against the bare work, each in a fresh process
// whose peak is reset once everything but the read is set up.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "ioserver/automation_runtime.h"
#include "tests/support/scratch_directory.h"

namespace rozovevi::bench {

// The flag that makes rozovevi_bench a measuring child: --peak-child MODE FILE.
inline constexpr const char* kPeakChildFlag = "--peak-child";

// In a child process: sets up for MODE (window-ours, window-bare, exchange-ours or
// exchange-bare), resets the peak, reads FILE once that way and prints by how many KiB the read
// raised the peak resident size. Needs a QApplication for the window modes. Returns the exit
// status.
int RunPeakChild(const std::string& mode, const std::string& path,
                 ioserver::AutomationRuntime& runtime);

struct PeakRow {
  std::string label;
  long ours_kib = -1;  // Growth of the peak; -1 when the child failed.
  long bare_kib = -1;
  double max_ratio = 0;  // 0: no target.
};

// Writes the 16 MiB files and runs one child for each figure, one after the other.
std::vector<PeakRow> MeasurePeaks(const testing::ScratchDirectory& directory);

// Prints the rows as a table and returns how many targets were missed.
int PrintPeaks(std::ostream& out, const std::vector<PeakRow>& rows);

}  // namespace rozovevi::bench
