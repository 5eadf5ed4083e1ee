// Start-up of the main window, and a value landing in txtValue, against plain Qt widgets.
#pragma once

#include <vector>

#include "bench/comparison_table.h"
#include "ioserver/automation_runtime.h"

namespace rozovevi::bench {

// Registers the window benchmarks and returns their rows. Needs a QApplication; runtime must
// outlive the run.
std::vector<ComparisonGroup> RegisterWindowBenchmarks(ioserver::AutomationRuntime& runtime);

}  // namespace rozovevi::bench
