// How every benchmark is run: repetitions, time per repetition, wall-clock time.
#pragma once

#include <benchmark/benchmark.h>

namespace rozovevi::bench {

// Each benchmark runs this many times, interleaved at random with the others, and the table
// takes the fastest: the repetition the shared machine disturbed least.
constexpr int kRepetitions = 7;
constexpr double kMinSecondsPerRepetition = 0.1;

// Wall-clock time, since file flushes and painting spend it outside the CPU.
inline benchmark::internal::Benchmark* Configure(benchmark::internal::Benchmark* benchmark) {
  return benchmark->Repetitions(kRepetitions)
      ->MinTime(kMinSecondsPerRepetition)
      ->UseRealTime()
      ->Unit(benchmark::kMicrosecond);
}

}  // namespace rozovevi::bench
