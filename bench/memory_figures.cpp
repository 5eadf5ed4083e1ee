// One Read exchange and one bare read of a 16 MiB file, with the peak resident size around each.
#include "bench/memory_figures.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "actions/read_action.h"
#include "bench/bare_file_work.h"
#include "bench/exchange_benchmarks.h"
#include "bench/headless_window.h"
#include "bench/peak_memory.h"
#include "ioserver/utf8.h"

namespace rozovevi::bench {
namespace {

constexpr double kKiBPerMiB = 1024;

std::string MiB(long kib) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(kib) / kKiBPerMiB);
  return text;
}

}  // namespace

MemoryFigures MeasureMemory(const testing::ScratchDirectory& directory,
                            ioserver::AutomationRuntime& runtime) {
  MemoryFigures figures;
  const std::string path = directory / "memory-16MiB";
  WriteFileForSetup(path, MakeValueBytes(kMemoryFileBytes));

  figures.after_start_kib = PeakResidentKiB();
  {
    HeadlessWindow window;
    window.address = ioserver::WidenUtf8(path);
    actions::RunReadAction(window, runtime);
    if (!window.boxes.shown.empty() || window.value.size() != kMemoryFileBytes) {
      throw std::runtime_error("the Read exchange of the memory file failed");
    }
    figures.after_read_kib = PeakResidentKiB();
  }
  if (ResetPeakResident()) {
    const long before = ResidentKiB();
    const std::u16string text = BareReadAndDecode(path);
    figures.bare_growth_kib = PeakResidentKiB() - before;
  }
  return figures;
}

void PrintMemoryFigures(std::ostream& out, const MemoryFigures& figures) {
  out << "Peak resident memory (VmHWM): " << MiB(figures.after_start_kib) << " after start, "
      << MiB(figures.after_read_kib) << " after reading a 16 MiB file (+"
      << MiB(figures.after_read_kib - figures.after_start_kib) << ")";
  if (figures.bare_growth_kib >= 0) {
    out << "; the bare read and decode of that file alone needs +" << MiB(figures.bare_growth_kib);
  }
  out << ".\n";
}

}  // namespace rozovevi::bench
