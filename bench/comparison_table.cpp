// Formats the comparison table and decides PASS or MISS for each row with a target.
#include "bench/comparison_table.h"

#include <cstdio>
#include <string>

namespace rozovevi::bench {
namespace {

constexpr double kMicro = 1e-6;
constexpr double kMilli = 1e-3;
constexpr double kNano = 1e-9;

std::string Format(const char* pattern, double value) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

std::string DescribeTarget(const Target& target) {
  switch (target.kind) {
    case Target::Kind::kNone:
      return "";
    case Target::Kind::kMaxRatio:
      return Format("<= %.2gx", target.limit);
    case Target::Kind::kMaxExtraMicroseconds:
      return Format("<= +%.0f us", target.limit);
  }
  return "";
}

bool Meets(const Target& target, double ours, double bare) {
  switch (target.kind) {
    case Target::Kind::kNone:
      return true;
    case Target::Kind::kMaxRatio:
      return ours <= target.limit * bare;
    case Target::Kind::kMaxExtraMicroseconds:
      return ours - bare <= target.limit * kMicro;
  }
  return false;
}

std::string NanosecondsPerByte(double seconds, std::size_t bytes) {
  return bytes == 0 ? "" : Format("%.3f", seconds / kNano / static_cast<double>(bytes));
}

}  // namespace

std::string FormatDuration(double seconds) {
  if (seconds < kMilli) return Format("%.1f us", seconds / kMicro);
  if (seconds < 1) return Format("%.2f ms", seconds / kMilli);
  return Format("%.2f s", seconds);
}

int PrintComparisonTable(std::ostream& out, const std::vector<ComparisonGroup>& groups,
                         const TimingCollector& timings) {
  int missed = 0;
  out << "| What | Ours | Bare | Ratio | Ours - bare | Ours ns/B | Bare ns/B | Target | |\n"
      << "|---|--:|--:|--:|--:|--:|--:|--:|---|\n";
  for (const ComparisonGroup& group : groups) {
    out << "| **" << group.title << "** | | | | | | | | |\n";
    for (const Comparison& row : group.rows) {
      const double ours = timings.BestSeconds(row.ours);
      const double bare = timings.BestSeconds(row.bare);
      const bool has_target = row.target.kind != Target::Kind::kNone;
      out << "| " << row.label << " | ";
      if (ours < 0 || bare < 0) {
        std::string error = timings.ErrorOf(ours < 0 ? row.ours : row.bare);
        out << "failed: " << (error.empty() ? "did not run" : error) << " | | | | | | "
            << DescribeTarget(row.target) << " | " << (has_target ? "MISS" : "") << " |\n";
        if (has_target) ++missed;
        continue;
      }
      const bool meets = Meets(row.target, ours, bare);
      if (!meets) ++missed;
      out << FormatDuration(ours) << " | " << FormatDuration(bare) << " | "
          << Format("%.2fx", ours / bare) << " | " << Format("%+.1f us", (ours - bare) / kMicro)
          << " | " << NanosecondsPerByte(ours, row.bytes) << " | "
          << NanosecondsPerByte(bare, row.bytes) << " | " << DescribeTarget(row.target) << " | "
          << (has_target ? (meets ? "PASS" : "MISS") : "") << " |\n";
    }
  }
  return missed;
}

}  // namespace rozovevi::bench
