// A benchmark reporter that keeps each benchmark's time per iteration, one figure per repetition,
// so that the table can compare figures from the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace rozovevi::bench {

class TimingCollector final : public benchmark::BenchmarkReporter {
 public:
  bool ReportContext(const Context& context) override;
  void ReportRuns(const std::vector<Run>& runs) override;

  // The fastest repetition's wall-clock seconds per iteration of the named benchmark, or a
  // negative value when it did not run or reported an error. The fastest repetition is the one
  // the shared machine disturbed least, for our work and the bare work alike.
  double BestSeconds(const std::string& name) const;
  // The error a benchmark reported, empty when none.
  std::string ErrorOf(const std::string& name) const;

 private:
  std::map<std::string, std::vector<double>> seconds_;
  std::map<std::string, std::string> errors_;
};

}  // namespace rozovevi::bench
