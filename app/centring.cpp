// The centring rule.
#include "app/centring.h"

#include <cmath>
#include <cstdint>

namespace rozovevi::app {
namespace {

// Rounds to nearest with ties to even (the default floating-point rounding mode), then halves
// toward zero as integer division does.
int HalfOfRoundedDifference(float screen, float window) {
  const float difference = screen - window;
  const auto rounded = static_cast<std::int32_t>(std::nearbyint(difference));
  return rounded / 2;
}

}  // namespace

WindowOrigin CentredOrigin(float screen_width, float screen_height, float window_width,
                           float window_height) {
  return WindowOrigin{HalfOfRoundedDifference(screen_width, window_width),
                      HalfOfRoundedDifference(screen_height, window_height)};
}

}  // namespace rozovevi::app
