// The peak memory children and the table of their figures.
#include "bench/memory_figures.h"

#include <stdio.h>
#include <unistd.h>
#include <QApplication>

#include <limits.h>
#include <array>
#include <cstdio>
#include <iostream>

#include "actions/read_action.h"
#include "bench/bare_file_work.h"
#include "bench/headless_window.h"
#include "bench/peak_memory.h"
#include "bench/shown_window.h"
#include "bench/value_text.h"
#include "ioserver/utf8.h"

namespace rozovevi::bench {
namespace {

constexpr std::size_t kPeakFileBytes = 16 * kMiB;
constexpr double kWindowPeakRatio = 1.05;
constexpr double kKiBPerMiB = 1024;

// Resets the peak, runs read and returns how far it raised the peak, in KiB.
template <typename Read>
long PeakGrowthKiB(Read read) {
  if (!ResetPeakResident()) return -1;
  const long before = ResidentKiB();
  read();
  return PeakResidentKiB() - before;
}

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string OwnExecutable() {
  std::array<char, PATH_MAX> path{};
  const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  return length > 0 ? std::string(path.data(), static_cast<std::size_t>(length)) : std::string();
}

// Runs a child for mode on path and returns the figure it printed, -1 when it failed.
long RunChild(const std::string& mode, const std::string& path) {
  const std::string command =
      ShellQuoted(OwnExecutable()) + " " + kPeakChildFlag + " " + mode + " " + ShellQuoted(path);
  FILE* child = ::popen(command.c_str(), "r");
  if (child == nullptr) return -1;
  long kib = -1;
  if (std::fscanf(child, "%ld", &kib) != 1) kib = -1;
  if (::pclose(child) != 0) kib = -1;
  return kib;
}

std::string MiB(long kib) {
  if (kib < 0) return "failed";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(kib) / kKiBPerMiB);
  return text;
}

}  // namespace

int RunPeakChild(const std::string& mode, const std::string& path,
                 ioserver::AutomationRuntime& runtime) {
  long growth = -1;
  bool ok = false;
  if (mode == "window-ours" || mode == "window-bare") {
    ShownWindow shown(runtime, path);
    growth = mode == "window-ours"
                 ? PeakGrowthKiB([&] { shown.Read(); })
                 : PeakGrowthKiB([&] { BareReadIntoTextBox(path, shown.txtValue()); });
    ok = shown.messages_shown() == 0 && !shown.txtValue().text().isEmpty();
  } else if (mode == "exchange-ours") {
    HeadlessWindow window;
    window.address = ioserver::WidenUtf8(path);
    growth = PeakGrowthKiB([&] { actions::RunReadAction(window, runtime); });
    ok = window.boxes.shown.empty() && !window.value.empty();
  } else if (mode == "exchange-bare") {
    std::u16string text;
    growth = PeakGrowthKiB([&] { text = BareReadAndDecode(path); });
    ok = !text.empty();
  }
  if (!ok || growth < 0) {
    std::cerr << "peak child " << mode << " failed\n";
    return 1;
  }
  std::cout << growth << '\n';
  return 0;
}

std::vector<PeakRow> MeasurePeaks(const testing::ScratchDirectory& directory) {
  std::vector<PeakRow> rows;
  for (const TextKindInfo& kind : kTextKinds) {
    const std::string path = directory / (std::string("peak-") + kind.stem);
    WriteFileForSetup(path, MakeValueBytes(kPeakFileBytes, kind.kind));
    rows.push_back({std::string("Read 16 MiB ") + kind.label +
                        " into frmROZoveVI vs bare into "
                        "the same txtValue",
                    RunChild("window-ours", path), RunChild("window-bare", path),
                    kWindowPeakRatio});
    rows.push_back({std::string("Read 16 MiB ") + kind.label + " exchange vs bare read and decode",
                    RunChild("exchange-ours", path), RunChild("exchange-bare", path), 0});
  }
  return rows;
}

int PrintPeaks(std::ostream& out, const std::vector<PeakRow>& rows) {
  int missed = 0;
  out << "| Peak resident memory, raised by | Ours | Bare | Ratio | Target | |\n"
      << "|---|--:|--:|--:|--:|---|\n";
  for (const PeakRow& row : rows) {
    const bool measured = row.ours_kib > 0 && row.bare_kib > 0;
    const double ratio =
        measured ? static_cast<double>(row.ours_kib) / static_cast<double>(row.bare_kib) : 0;
    const bool has_target = row.max_ratio > 0;
    const bool meets = measured && ratio <= row.max_ratio;
    if (has_target && !meets) ++missed;
    char ratio_text[32] = "";
    if (measured) std::snprintf(ratio_text, sizeof ratio_text, "%.3fx", ratio);
    char target_text[32] = "";
    if (has_target) std::snprintf(target_text, sizeof target_text, "<= %.2fx", row.max_ratio);
    out << "| " << row.label << " | " << MiB(row.ours_kib) << " | " << MiB(row.bare_kib) << " | "
        << ratio_text << " | " << target_text << " | "
        << (has_target ? (meets ? "PASS" : "MISS") : "") << " |\n";
  }
  return missed;
}

}  // namespace rozovevi::bench
