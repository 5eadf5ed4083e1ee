// The Read and Write exchanges: RunReadAction and RunWriteAction on a window that draws nothing,
// against reading and decoding the same file, and against QString::toUtf8 of the same text
// followed by a durable atomic write of its bytes.
#include "bench/exchange_benchmarks.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

#include "actions/read_action.h"
#include "actions/write_action.h"
#include "bench/bare_file_work.h"
#include "bench/benchmark_settings.h"
#include "bench/headless_window.h"
#include "bench/value_text.h"
#include "ioserver/utf8.h"

namespace rozovevi::bench {
namespace {

// From this size on, the per-byte work outweighs the fixed cost of an exchange.
constexpr std::size_t kLargeRead = kMiB;
constexpr double kLargeReadRatio = 1.2;
constexpr double kWriteRatio = 1.1;

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

void RegisterBareRead(const std::string& name, const std::string& path,
                      std::size_t expected_units) {
  Configure(
      benchmark::RegisterBenchmark(name.c_str(), [path, expected_units](benchmark::State& state) {
        std::size_t units = 0;
        for (auto _ : state) {
          const std::u16string text = BareReadAndDecode(path);
          benchmark::DoNotOptimize(text.data());
          units = text.size();
        }
        if (units != expected_units) state.SkipWithError("the value read is wrong");
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

// The plain code for a write from a window: the text box's QString encoded by Qt, then the
// same durable atomic write.
void RegisterBareWrite(const std::string& name, const std::string& path, const std::string& bytes) {
  const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  Configure(benchmark::RegisterBenchmark(name.c_str(), [path, text](benchmark::State& state) {
    const std::string temporary = path + ".tmp";
    for (auto _ : state) {
      const QByteArray encoded = text.toUtf8();
      BareDurableAtomicWrite(
          path, temporary,
          std::string_view(encoded.constData(), static_cast<std::size_t>(encoded.size())));
    }
  }));
}

}  // namespace

std::vector<ComparisonGroup> RegisterExchangeBenchmarks(const testing::ScratchDirectory& directory,
                                                        ioserver::AutomationRuntime& runtime) {
  ComparisonGroup read{"Read exchange vs open, fstat, read, close and the same UTF-8 decoder", {}};
  ComparisonGroup write{
      "Write exchange vs QString::toUtf8, temporary file, write, fsync, rename, fsync the "
      "directory",
      {}};

  for (const TextKindInfo& kind : kTextKinds) {
    for (const FileSize& size : kFileSizes) {
      const std::string bytes = MakeValueBytes(size.bytes, kind.kind);
      const std::size_t units = ioserver::WidenUtf8(bytes).size();
      const std::string stem =
          std::string(kind.stem) + "-" + std::to_string(size.bytes);  // "ascii-1024"
      const std::string label = std::string(size.label) + " " + kind.label;

      const std::string read_path = directory / ("read-" + stem);
      WriteFileForSetup(read_path, bytes);
      RegisterRead("read/" + stem + "/ours", read_path, units, runtime);
      RegisterBareRead("read/" + stem + "/bare", read_path, units);
      read.rows.push_back(
          {"Read " + label, "read/" + stem + "/ours", "read/" + stem + "/bare", size.bytes,
           size.bytes >= kLargeRead ? Target::MaxRatio(kLargeReadRatio) : Target::None()});

      const std::string ours_target = directory / ("write-ours-" + stem);
      const std::string bare_target = directory / ("write-bare-" + stem);
      WriteFileForSetup(ours_target, "");
      WriteFileForSetup(bare_target, "");
      RegisterWrite("write/" + stem + "/ours", ours_target, bytes, runtime);
      RegisterBareWrite("write/" + stem + "/bare", bare_target, bytes);
      write.rows.push_back({"Write " + label, "write/" + stem + "/ours", "write/" + stem + "/bare",
                            size.bytes, Target::MaxRatio(kWriteRatio)});
    }
  }
  return {read, write};
}

}  // namespace rozovevi::bench
