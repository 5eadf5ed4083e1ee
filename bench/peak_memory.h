// The process's resident memory as the kernel counts it, for the memory lines of the table.
#pragma once

namespace rozovevi::bench {

// VmHWM from /proc/self/status: the most resident memory so far, in KiB; -1 when unknown.
long PeakResidentKiB();
// VmRSS from /proc/self/status: resident memory now, in KiB; -1 when unknown.
long ResidentKiB();
// Starts the peak over from the present resident size (writes 5 to /proc/self/clear_refs).
// Returns false where the kernel does not allow it.
bool ResetPeakResident();

}  // namespace rozovevi::bench
