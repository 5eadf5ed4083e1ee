// A read through the real main window against the bare read into the same text box.
#pragma once

#include <vector>

#include "bench/comparison_table.h"
#include "ioserver/automation_runtime.h"
#include "tests/support/scratch_directory.h"

namespace rozovevi::bench {

// Registers the window read benchmarks, with their files in directory, and returns their rows.
// Needs a QApplication; runtime must have the stand-in server registered and outlive the run.
std::vector<ComparisonGroup> RegisterWindowBenchmarks(const testing::ScratchDirectory& directory,
                                                      ioserver::AutomationRuntime& runtime);

}  // namespace rozovevi::bench
