// What every fuzz target checks with: a property that does not hold ends the run as a crash, so
// that libFuzzer keeps the input that broke it.
#pragma once

#include <cstdlib>

namespace rozovevi::fuzz {

inline void Require(bool holds) {
  if (!holds) std::abort();
}

}  // namespace rozovevi::fuzz
