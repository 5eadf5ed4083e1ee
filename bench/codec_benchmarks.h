// The program's UTF-8 conversions against Qt's on the same text.
#pragma once

#include <vector>

#include "bench/comparison_table.h"

namespace rozovevi::bench {

// Registers the conversion benchmarks and returns their rows.
std::vector<ComparisonGroup> RegisterCodecBenchmarks();

}  // namespace rozovevi::bench
