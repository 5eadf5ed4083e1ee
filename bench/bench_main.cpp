// rozovevi_bench: runs every timed benchmark, interleaved, and prints our figures against the
// bare cost of the same work, then the peak memory of a large read, measured in fresh processes.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "bench/codec_benchmarks.h"
#include "bench/comparison_table.h"
#include "bench/exchange_benchmarks.h"
#include "bench/memory_figures.h"
#include "bench/timing_collector.h"
#include "bench/window_benchmarks.h"
#include "ioserver/embedded_runtime.h"
#include "ioserver/standin/standin_server.h"
#include "tests/support/scratch_directory.h"

namespace {

std::string CpuModel() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("model name", 0) == 0) {
      const std::size_t colon = line.find(':');
      if (colon != std::string::npos) return line.substr(colon + 2);
    }
  }
  return "unknown CPU";
}

}  // namespace

int main(int argc, char* argv[]) {
  using namespace rozovevi;

  // Windows are measured without a display; the offscreen platform still lays out and paints.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

  if (argc == 4 && std::strcmp(argv[1], bench::kPeakChildFlag) == 0) {
    QApplication application(argc, argv);
    ioserver::EmbeddedRuntime runtime;
    ioserver::RegisterStandInServer(runtime);
    return bench::RunPeakChild(argv[2], argv[3], runtime);
  }

  // Interleaving the repetitions at random spreads the machine's noise over our benchmarks and
  // the bare ones alike. Flags given on the command line come later and win.
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave.data());
  args.push_back(nullptr);
  int arg_count = static_cast<int>(args.size()) - 1;
  benchmark::Initialize(&arg_count, args.data());
  QApplication application(arg_count, args.data());

  testing::ScratchDirectory directory("rozovevi-bench.");
  ioserver::EmbeddedRuntime runtime;
  ioserver::RegisterStandInServer(runtime);

  std::vector<bench::ComparisonGroup> groups = bench::RegisterWindowBenchmarks(directory, runtime);
  for (bench::ComparisonGroup& group : bench::RegisterExchangeBenchmarks(directory, runtime)) {
    groups.push_back(std::move(group));
  }
  for (bench::ComparisonGroup& group : bench::RegisterCodecBenchmarks()) {
    groups.push_back(std::move(group));
  }

  bench::TimingCollector timings;
  benchmark::RunSpecifiedBenchmarks(&timings);
  benchmark::Shutdown();
  std::cerr << "Measuring peak memory in fresh processes...\n";
  const std::vector<bench::PeakRow> peaks = bench::MeasurePeaks(directory);

  std::cout
      << "\nROZoveVI benchmarks on " << CpuModel() << ", " << std::thread::hardware_concurrency()
      << " cores; files in " << directory.path()
      << ".\nEach figure is the fastest of its repetitions, wall-clock time per operation.\n\n";
  int missed = bench::PrintComparisonTable(std::cout, groups, timings);
  std::cout << '\n';
  missed += bench::PrintPeaks(std::cout, peaks);
  std::cout << '\n'
            << (missed == 0 ? "All targets met.\n"
                            : std::to_string(missed) + " target(s) missed.\n");
  return 0;
}
