// The program icon as it must look, pixel by pixel, written out by hand so that the window
// tests compare what they show with fixed pictures rather than with the drawing code's output.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "app/window_layout.h"

namespace rozovevi::testing {

// One letter per pixel, rows top to bottom: '.' transparent, K black frame, W white, R red,
// r dark red, Y yellow, G green, g dark green.
inline constexpr std::array<std::string_view, 16> kIcon16 = {
    "KKKKKKKKKKKKKKKK", "KWWWWWWWWWWWWWWK", "KWWWWWWWWWWWWWWK", "KRRRRRRRRRRRRRRK",
    "KRrRrRrRrRrRrRrK", "KYYYYYYYYYYYYYYK", "KYYYYYYYYYYYYYYK", "KgGgGgGgGgGgGgGK",
    "KGgGgGgGgGgGgGgK", "KYYYYYYYYYYYYYYK", "KYYYYYYYYYYYYYYK", "KRRRRRRRRRRRRRRK",
    "KRrRrRrRrRrRrRrK", "KWWWWWWWWWWWWWWK", "KWWWWWWWWWWWWWWK", "KKKKKKKKKKKKKKKK",
};

inline constexpr std::array<std::string_view, 32> kIcon32 = {
    "................................", ".KKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.",
    ".KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.", ".KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.",
    ".KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.", ".KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.",
    ".KRRRRRRRRRRRRRRRRRRRRRRRRRRRRK.", ".KRrRrRrRrRrRrRrRrRrRrRrRrRrRrK.",
    ".KRRRRRRRRRRRRRRRRRRRRRRRRRRRRK.", ".KRrRrRrRrRrRrRrRrRrRrRrRrRrRrK.",
    ".KYYYYYYYYYYYYYYYYYYYYYYYYYYYYK.", ".KYYYYYYYYYYYYYYYYYYYYYYYYYYYYK.",
    ".KYYYYYYYYYYYYYYYYYYYYYYYYYYYYK.", ".KYYYYYYYYYYYYYYYYYYYYYYYYYYYYK.",
    ".KgGgGgGgGgGgGgGgGgGgGgGgGgGgGK.", ".KGgGgGgGgGgGgGgGgGgGgGgGgGgGgK.",
    ".KgGgGgGgGgGgGgGgGgGgGgGgGgGgGK.", ".KGgGgGgGgGgGgGgGgGgGgGgGgGgGgK.",
    ".KYYYYYYYYYYYYYYYYYYYYYYYYYYYYK.", ".KYYYYYYYYYYYYYYYYYYYYYYYYYYYYK.",
    ".KYYYYYYYYYYYYYYYYYYYYYYYYYYYYK.", ".KYYYYYYYYYYYYYYYYYYYYYYYYYYYYK.",
    ".KRRRRRRRRRRRRRRRRRRRRRRRRRRRRK.", ".KRrRrRrRrRrRrRrRrRrRrRrRrRrRrK.",
    ".KRRRRRRRRRRRRRRRRRRRRRRRRRRRRK.", ".KRrRrRrRrRrRrRrRrRrRrRrRrRrRrK.",
    ".KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.", ".KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.",
    ".KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.", ".KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.",
    ".KKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.", "................................",
};

// The picture of the given size, 16 or 32.
inline const std::string_view* IconPicture(int size) {
  return size == 16 ? kIcon16.data() : kIcon32.data();
}

// The colour a letter of the pictures stands for; nothing for a transparent pixel.
inline std::optional<app::Rgb> IconColour(char letter) {
  switch (letter) {
    case 'K':
      return app::Rgb{0, 0, 0};
    case 'W':
      return app::Rgb{255, 255, 255};
    case 'R':
      return app::Rgb{204, 0, 0};
    case 'r':
      return app::Rgb{153, 0, 0};
    case 'Y':
      return app::Rgb{255, 255, 0};
    case 'G':
      return app::Rgb{0, 153, 0};
    case 'g':
      return app::Rgb{0, 102, 0};
    default:
      return std::nullopt;
  }
}

}  // namespace rozovevi::testing
