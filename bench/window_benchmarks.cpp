// The read through frmROZoveVI on the current Qt platform: the Read action, against reading the
// file, QString::fromUtf8 and setText into the same window's txtValue.
#include "bench/window_benchmarks.h"

#include <benchmark/benchmark.h>

#include <string>

#include "bench/bare_file_work.h"
#include "bench/benchmark_settings.h"
#include "bench/shown_window.h"
#include "bench/value_text.h"
#include "ioserver/utf8.h"

namespace rozovevi::bench {
namespace {

// Laying out a 16 MiB line takes the text box seconds, for the bare read as for ours, so the
// window is timed up to 1 MiB; the memory figures take it to 16 MiB.
constexpr std::size_t kLargestWindowRead = kMiB;

void CheckValue(benchmark::State& state, const ShownWindow& shown, std::size_t expected_units) {
  if (shown.messages_shown() != 0) {
    state.SkipWithError("a message box was shown: the read failed");
  } else if (static_cast<std::size_t>(shown.txtValue().text().size()) != expected_units) {
    state.SkipWithError("the value shown is wrong");
  }
}

// Every read starts from an empty txtValue, as a read of a new value finds it: QLineEdit skips
// the layout when it is given the text it already holds.
void EmptyUntimed(benchmark::State& state, QLineEdit& txtValue) {
  state.PauseTiming();
  txtValue.clear();
  state.ResumeTiming();
}

}  // namespace

std::vector<ComparisonGroup> RegisterWindowBenchmarks(const testing::ScratchDirectory& directory,
                                                      ioserver::AutomationRuntime& runtime) {
  ComparisonGroup group{
      "Read into frmROZoveVI vs open, fstat, read, close, QString::fromUtf8, setText into the "
      "same txtValue",
      {}};
  for (const TextKindInfo& kind : kTextKinds) {
    for (const FileSize& size : kFileSizes) {
      if (size.bytes > kLargestWindowRead) continue;
      const std::string bytes = MakeValueBytes(size.bytes, kind.kind);
      const std::size_t units = ioserver::WidenUtf8(bytes).size();
      const std::string stem = std::string(kind.stem) + "-" + std::to_string(size.bytes);
      const std::string path = directory / ("window-read-" + stem);
      WriteFileForSetup(path, bytes);

      const std::string ours = "window-read/" + stem + "/ours";
      const std::string bare = "window-read/" + stem + "/bare";
      Configure(benchmark::RegisterBenchmark(ours.c_str(),
                                             [path, units, &runtime](benchmark::State& state) {
                                               ShownWindow shown(runtime, path);
                                               for (auto _ : state) {
                                                 EmptyUntimed(state, shown.txtValue());
                                                 shown.Read();
                                               }
                                               CheckValue(state, shown, units);
                                             }));
      Configure(benchmark::RegisterBenchmark(bare.c_str(),
                                             [path, units, &runtime](benchmark::State& state) {
                                               ShownWindow shown(runtime, path);
                                               for (auto _ : state) {
                                                 EmptyUntimed(state, shown.txtValue());
                                                 BareReadIntoTextBox(path, shown.txtValue());
                                               }
                                               CheckValue(state, shown, units);
                                             }));
      group.rows.push_back({std::string("Read ") + size.label + " " + kind.label, ours, bare,
                            size.bytes, Target::None()});
    }
  }
  return {group};
}

}  // namespace rozovevi::bench
