// Whole Read and Write exchanges through the stand-in server, and the bare file work they do.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "bench/comparison_table.h"
#include "ioserver/automation_runtime.h"
#include "tests/support/scratch_directory.h"

namespace rozovevi::bench {

// A value of the given size in bytes: printable ASCII, as values in files mostly are.
std::string MakeValueBytes(std::size_t bytes);

// Registers the Read and Write benchmarks for every file size, with their files in directory,
// and returns their rows. runtime must have the stand-in server registered and outlive the run.
std::vector<ComparisonGroup> RegisterExchangeBenchmarks(const testing::ScratchDirectory& directory,
                                                        ioserver::AutomationRuntime& runtime);

}  // namespace rozovevi::bench
