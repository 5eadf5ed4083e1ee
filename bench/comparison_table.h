// The printed result: each of our figures next to the bare figure from the same run, their
// ratio and difference, and whether the row meets its target.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "bench/timing_collector.h"

namespace rozovevi::bench {

struct Target {
  enum class Kind { kNone, kMaxRatio, kMaxExtraMicroseconds };
  Kind kind = Kind::kNone;
  double limit = 0;

  static Target None() { return {}; }
  static Target MaxRatio(double ratio) { return {Kind::kMaxRatio, ratio}; }
  static Target MaxExtraMicroseconds(double us) { return {Kind::kMaxExtraMicroseconds, us}; }
};

// One row: our benchmark against the bare one.
struct Comparison {
  std::string label;
  std::string ours;  // Benchmark names.
  std::string bare;
  std::size_t bytes = 0;  // Non-zero: the row also shows nanoseconds per byte.
  Target target;
};

// Rows that share what "bare" means.
struct ComparisonGroup {
  std::string title;
  std::vector<Comparison> rows;
};

// Prints the groups as one Markdown table and returns how many targets were missed (a row whose
// benchmark failed counts as missed).
int PrintComparisonTable(std::ostream& out, const std::vector<ComparisonGroup>& groups,
                         const TimingCollector& timings);

// "12.3 us", "4.56 ms" or "1.23 s".
std::string FormatDuration(double seconds);

}  // namespace rozovevi::bench
