// Build-time tool: writes the program icon at one size as a PNG file, for the desktop's icon
// theme, from the same drawing code the window uses, so that no binary image is kept in the
// sources. 16x16 and 32x32 are the drawn images; larger sizes enlarge the 32x32 image.
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

#include "app/program_icon.h"
#include "tools/make_png/icon_scaling.h"
#include "tools/make_png/png_writer.h"

namespace {

constexpr int kSmallSize = 16;
constexpr int kLargestDrawnSize = 32;

rozovevi::app::IconImage ImageOfSize(int size) {
  if (size == kSmallSize || size == kLargestDrawnSize) return rozovevi::app::DrawProgramIcon(size);
  if (size > kLargestDrawnSize) {
    return rozovevi::tools::ScaleIcon(rozovevi::app::DrawProgramIcon(kLargestDrawnSize), size);
  }
  throw std::invalid_argument("no icon of size " + std::to_string(size) +
                              ": 16, 32 or larger than 32");
}

int ParseSize(const std::string& text) {
  std::size_t used = 0;
  const int size = std::stoi(text, &used);
  if (used != text.size()) throw std::invalid_argument("the size is not a number: " + text);
  return size;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_png SIZE OUTPUT.png\n";
    return 2;
  }
  try {
    const std::vector<std::uint8_t> bytes =
        rozovevi::tools::EncodeIconPng(ImageOfSize(ParseSize(argv[1])));
    std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) throw std::runtime_error(std::string("cannot write ") + argv[2]);
  } catch (const std::exception& error) {
    std::cerr << "make_png: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
