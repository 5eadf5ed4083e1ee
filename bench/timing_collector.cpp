// Collects repetition times and prints one progress line per finished repetition to stderr.
#include "bench/timing_collector.h"

#include <algorithm>
#include <iostream>

namespace rozovevi::bench {

bool TimingCollector::ReportContext(const Context& context) {
  std::cerr << "Running " << context.cpu_info.num_cpus << "-CPU benchmarks";
  if (context.cpu_info.scaling == benchmark::CPUInfo::ENABLED) {
    std::cerr << " (CPU frequency scaling is on: figures vary more)";
  }
  std::cerr << "...\n";
  return true;
}

void TimingCollector::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.run_type != Run::RT_Iteration) continue;
    const std::string& name = run.run_name.function_name;
    if (run.error_occurred) {
      errors_[name] = run.error_message;
      std::cerr << "  " << name << ": ERROR " << run.error_message << '\n';
      continue;
    }
    if (run.iterations <= 0) continue;
    const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
    seconds_[name].push_back(seconds);
    std::cerr << "  " << name << ": " << seconds * 1e6 << " us x " << run.iterations << '\n';
  }
}

double TimingCollector::BestSeconds(const std::string& name) const {
  if (errors_.count(name) != 0) return -1;
  const auto found = seconds_.find(name);
  if (found == seconds_.end() || found->second.empty()) return -1;
  return *std::min_element(found->second.begin(), found->second.end());
}

std::string TimingCollector::ErrorOf(const std::string& name) const {
  const auto found = errors_.find(name);
  return found == errors_.end() ? std::string() : found->second;
}

}  // namespace rozovevi::bench
