// Reads VmHWM and VmRSS from /proc/self/status.
#include "bench/peak_memory.h"

#include <fstream>
#include <string>

namespace rozovevi::bench {
namespace {

long StatusFieldKiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = field + ":";
  while (std::getline(status, line)) {
    if (line.compare(0, prefix.size(), prefix) == 0) return std::stol(line.substr(prefix.size()));
  }
  return -1;
}

}  // namespace

long PeakResidentKiB() { return StatusFieldKiB("VmHWM"); }

long ResidentKiB() { return StatusFieldKiB("VmRSS"); }

bool ResetPeakResident() {
  std::ofstream clear_refs("/proc/self/clear_refs");
  clear_refs << "5";
  clear_refs.flush();
  return static_cast<bool>(clear_refs);
}

}  // namespace rozovevi::bench
