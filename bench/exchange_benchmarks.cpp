// The Read and Write benchmarks: RunReadAction and RunWriteAction on a window that draws
// nothing, against POSIX reads, a plain decode and a plain atomic write of the same file.
#include "bench/exchange_benchmarks.h"

#include <benchmark/benchmark.h>

#include <array>
#include <string_view>

#include "actions/read_action.h"
#include "actions/write_action.h"
#include "bench/bare_file_work.h"
#include "bench/benchmark_settings.h"
#include "bench/headless_window.h"
#include "ioserver/utf8.h"

namespace rozovevi::bench {
namespace {

struct FileSize {
  const char* label;
  std::size_t bytes;
};

constexpr std::size_t kKiB = 1024;
constexpr std::size_t kMiB = 1024 * kKiB;
constexpr std::array<FileSize, 5> kFileSizes = {{
    {"16 B", 16},
    {"1 KiB", kKiB},
    {"64 KiB", 64 * kKiB},
    {"1 MiB", kMiB},
    {"16 MiB", 16 * kMiB},
}};
// From this size on, the per-byte work outweighs the fixed cost of an exchange.
constexpr std::size_t kLargeFile = kMiB;

constexpr double kReadSmallExtraMicroseconds = 10;
constexpr double kReadLargeRatio = 1.5;
constexpr double kWriteRatio = 1.2;

// Fails the benchmark unless every exchange ended quietly with both buttons enabled: a message
// box means the server failed, and a failed exchange is not the one being measured.
void CheckQuietSuccess(benchmark::State& state, const HeadlessWindow& window) {
  if (!window.boxes.shown.empty()) {
    state.SkipWithError("a message box was shown: the exchange failed");
  } else if (!window.read_enabled || !window.write_enabled) {
    state.SkipWithError("the buttons were left disabled");
  }
}

void RegisterRead(const std::string& name, const std::string& path, std::size_t expected_units,
                  ioserver::AutomationRuntime& runtime) {
  Configure(benchmark::RegisterBenchmark(name.c_str(),
                                         [path, expected_units, &runtime](benchmark::State& state) {
                                           HeadlessWindow window;
                                           window.address = ioserver::WidenUtf8(path);
                                           for (auto _ : state) {
                                             actions::RunReadAction(window, runtime);
                                             benchmark::DoNotOptimize(window.value.data());
                                           }
                                           CheckQuietSuccess(state, window);
                                           if (window.value.size() != expected_units)
                                             state.SkipWithError("the value read is wrong");
                                         }));
}

void RegisterWrite(const std::string& name, const std::string& path, const std::string& bytes,
                   ioserver::AutomationRuntime& runtime) {
  Configure(
      benchmark::RegisterBenchmark(name.c_str(), [path, bytes, &runtime](benchmark::State& state) {
        HeadlessWindow window;
        window.address = ioserver::WidenUtf8(path);
        window.value = ioserver::WidenUtf8(bytes);
        window.write_warned = true;
        for (auto _ : state) actions::RunWriteAction(window, runtime);
        CheckQuietSuccess(state, window);
      }));
}

}  // namespace

std::string MakeValueBytes(std::size_t bytes) {
  static constexpr std::string_view kPattern =
      "0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz =+-*/;";
  std::string value;
  value.reserve(bytes);
  while (value.size() < bytes) {
    value.append(kPattern.substr(0, bytes - value.size()));
  }
  return value;
}

std::vector<ComparisonGroup> RegisterExchangeBenchmarks(const testing::ScratchDirectory& directory,
                                                        ioserver::AutomationRuntime& runtime) {
  ComparisonGroup read_small{"Read exchange vs open, read, close", {}};
  ComparisonGroup read{"Read exchange vs read and decode UTF-8", {}};
  ComparisonGroup write{"Write exchange vs write, fsync, rename", {}};
  ComparisonGroup durable_write_group{"Write exchange vs write, fsync, rename, fsync the directory",
                                      {}};

  for (const FileSize& size : kFileSizes) {
    const std::string bytes = MakeValueBytes(size.bytes);
    const std::string stem = std::string("/") + std::to_string(size.bytes);
    const std::string read_path = directory / ("read-" + std::to_string(size.bytes));
    WriteFileForSetup(read_path, bytes);

    const std::string ours_read = "read" + stem + "/ours";
    RegisterRead(ours_read, read_path, bytes.size(), runtime);
    const std::string bare_decode = "read" + stem + "/bare-decode";
    Configure(
        benchmark::RegisterBenchmark(bare_decode.c_str(), [read_path](benchmark::State& state) {
          for (auto _ : state) benchmark::DoNotOptimize(BareReadAndDecode(read_path));
        }));
    if (size.bytes < kKiB) {
      const std::string bare_read = "read" + stem + "/bare-read";
      Configure(
          benchmark::RegisterBenchmark(bare_read.c_str(), [read_path](benchmark::State& state) {
            for (auto _ : state) benchmark::DoNotOptimize(BareReadFile(read_path));
          }));
      read_small.rows.push_back({std::string("Read ") + size.label, ours_read, bare_read,
                                 size.bytes,
                                 Target::MaxExtraMicroseconds(kReadSmallExtraMicroseconds)});
    }
    read.rows.push_back(
        {std::string("Read ") + size.label, ours_read, bare_decode, size.bytes,
         size.bytes >= kLargeFile ? Target::MaxRatio(kReadLargeRatio) : Target::None()});

    const std::string ours_target = directory / ("write-ours-" + std::to_string(size.bytes));
    const std::string bare_target = directory / ("write-bare-" + std::to_string(size.bytes));
    WriteFileForSetup(ours_target, "");
    WriteFileForSetup(bare_target, "");
    const std::string ours_write = "write" + stem + "/ours";
    RegisterWrite(ours_write, ours_target, bytes, runtime);
    const std::string bare_write = "write" + stem + "/bare";
    const std::string bare_temporary = bare_target + ".tmp";
    Configure(benchmark::RegisterBenchmark(
        bare_write.c_str(), [bare_target, bare_temporary, bytes](benchmark::State& state) {
          for (auto _ : state) BareAtomicWrite(bare_target, bare_temporary, bytes);
        }));
    write.rows.push_back({std::string("Write ") + size.label, ours_write, bare_write, size.bytes,
                          Target::MaxRatio(kWriteRatio)});

    const std::string durable_write = "write" + stem + "/bare-durable";
    const std::string durable_target = directory / ("write-durable-" + stem.substr(1));
    const std::string durable_temporary = durable_target + ".tmp";
    WriteFileForSetup(durable_target, "");
    Configure(benchmark::RegisterBenchmark(
        durable_write.c_str(), [durable_target, durable_temporary, bytes](benchmark::State& state) {
          for (auto _ : state) BareDurableAtomicWrite(durable_target, durable_temporary, bytes);
        }));
    durable_write_group.rows.push_back({std::string("Write ") + size.label, ours_write,
                                        durable_write, size.bytes, Target::None()});
  }
  return {read_small, read, write, durable_write_group};
}

}  // namespace rozovevi::bench
