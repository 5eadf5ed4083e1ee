// Whole Read and Write exchanges through the stand-in server on a window that draws nothing,
// against the bare file work they do.
#pragma once

#include <vector>

#include "bench/comparison_table.h"
#include "ioserver/automation_runtime.h"
#include "tests/support/scratch_directory.h"

namespace rozovevi::bench {

// Registers the Read and Write exchange benchmarks for every size and kind of text, with their
// files in directory, and returns their rows. runtime must have the stand-in server registered
// and outlive the run.
std::vector<ComparisonGroup> RegisterExchangeBenchmarks(const testing::ScratchDirectory& directory,
                                                        ioserver::AutomationRuntime& runtime);

}  // namespace rozovevi::bench
