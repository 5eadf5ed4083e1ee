// Peak resident memory after start and around one Read of a large file.
#pragma once

#include <ostream>

#include "ioserver/automation_runtime.h"
#include "tests/support/scratch_directory.h"

namespace rozovevi::bench {

struct MemoryFigures {
  long after_start_kib = -1;  // Peak before any read.
  long after_read_kib = -1;   // Peak after one Read exchange of the large file.
  long bare_growth_kib = -1;  // How far the bare read and decode of that file raise the peak.
};

// The size of the file read for the memory figures.
constexpr std::size_t kMemoryFileBytes = 16 * 1024 * 1024;

// Takes the figures; call before any benchmark runs, so that nothing else has raised the peak.
MemoryFigures MeasureMemory(const testing::ScratchDirectory& directory,
                            ioserver::AutomationRuntime& runtime);

void PrintMemoryFigures(std::ostream& out, const MemoryFigures& figures);

}  // namespace rozovevi::bench
