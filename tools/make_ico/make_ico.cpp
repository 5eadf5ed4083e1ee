// Build-time tool: writes the program icon as a .ico file, from the same drawing code the window
// uses, so that no binary image is kept in the sources.
//
// The file holds the 16x16 and the 32x32 image, each an uncompressed 8-bit (256-colour) bitmap
// with a full palette and an AND mask marking the transparent pixels.
#include <cstdint>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/program_icon.h"

namespace {

using rozovevi::app::DrawProgramIcon;
using rozovevi::app::IconImage;
using rozovevi::app::Rgb;

constexpr int kPaletteEntries = 256;
constexpr int kBitmapInfoHeaderSize = 40;
constexpr int kIconDirSize = 6;
constexpr int kIconDirEntrySize = 16;

class LittleEndianWriter {
 public:
  void Byte(std::uint8_t value) { bytes_.push_back(value); }
  void Word(std::uint16_t value) {
    Byte(static_cast<std::uint8_t>(value));
    Byte(static_cast<std::uint8_t>(value >> 8));
  }
  void Dword(std::uint32_t value) {
    Word(static_cast<std::uint16_t>(value));
    Word(static_cast<std::uint16_t>(value >> 16));
  }
  void Append(const std::vector<std::uint8_t>& more) {
    bytes_.insert(bytes_.end(), more.begin(), more.end());
  }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Bitmap rows are padded to whole 32-bit words.
int RowBytes(int bits_per_row) { return (bits_per_row + 31) / 32 * 4; }

void Validate(const IconImage& image, int size) {
  const auto pixel_count = static_cast<std::size_t>(size) * size;
  if (image.size != size || image.pixels.size() != pixel_count ||
      image.transparent.size() != pixel_count || image.palette.empty() ||
      image.palette.size() > kPaletteEntries) {
    throw std::runtime_error("the icon image of size " + std::to_string(size) + " is malformed");
  }
  for (std::uint8_t index : image.pixels) {
    if (index >= image.palette.size()) {
      throw std::runtime_error("the icon image uses a colour outside its palette");
    }
  }
}

// A transparent pixel must be black in the colour bitmap: the desktop shows through where the
// AND mask is set and the colour is zero.
std::uint8_t BlackIndex(std::vector<Rgb>& palette) {
  for (std::size_t i = 0; i < palette.size(); ++i) {
    if (palette[i] == Rgb{0, 0, 0}) return static_cast<std::uint8_t>(i);
  }
  if (palette.size() == kPaletteEntries) {
    throw std::runtime_error("the icon palette is full and has no black for transparency");
  }
  palette.push_back(Rgb{0, 0, 0});
  return static_cast<std::uint8_t>(palette.size() - 1);
}

// One icon image: BITMAPINFOHEADER, palette, colour rows and mask rows, both bottom-up.
std::vector<std::uint8_t> ImageBytes(IconImage image) {
  const int size = image.size;
  const std::uint8_t black = BlackIndex(image.palette);
  const int colour_row = RowBytes(size * 8);
  const int mask_row = RowBytes(size);

  LittleEndianWriter out;
  out.Dword(kBitmapInfoHeaderSize);
  out.Dword(static_cast<std::uint32_t>(size));
  out.Dword(static_cast<std::uint32_t>(size * 2));  // Colour and mask, stacked.
  out.Word(1);                                      // Planes.
  out.Word(8);                                      // Bits per pixel.
  out.Dword(0);                                     // BI_RGB.
  out.Dword(static_cast<std::uint32_t>((colour_row + mask_row) * size));
  out.Dword(0);
  out.Dword(0);
  out.Dword(kPaletteEntries);
  out.Dword(0);

  for (int i = 0; i < kPaletteEntries; ++i) {
    const Rgb colour = i < static_cast<int>(image.palette.size()) ? image.palette[i] : Rgb{0, 0, 0};
    out.Byte(colour.blue);
    out.Byte(colour.green);
    out.Byte(colour.red);
    out.Byte(0);
  }
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < colour_row; ++x) {
      if (x >= size) {
        out.Byte(0);
      } else {
        out.Byte(image.TransparentAt(x, y) ? black : image.pixels[y * size + x]);
      }
    }
  }
  for (int y = size - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(mask_row), 0);
    for (int x = 0; x < size; ++x) {
      if (image.TransparentAt(x, y)) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.Append(row);
  }
  return out.bytes();
}

std::vector<std::uint8_t> IcoFile(const std::vector<int>& sizes) {
  std::vector<std::vector<std::uint8_t>> images;
  for (int size : sizes) {
    IconImage image = DrawProgramIcon(size);
    Validate(image, size);
    images.push_back(ImageBytes(std::move(image)));
  }

  LittleEndianWriter out;
  out.Word(0);  // Reserved.
  out.Word(1);  // Icon.
  out.Word(static_cast<std::uint16_t>(images.size()));
  std::uint32_t offset =
      kIconDirSize + kIconDirEntrySize * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    out.Byte(static_cast<std::uint8_t>(sizes[i]));
    out.Byte(static_cast<std::uint8_t>(sizes[i]));
    out.Byte(0);  // 256 colours or more are written as 0.
    out.Byte(0);
    out.Word(1);
    out.Word(8);
    out.Dword(static_cast<std::uint32_t>(images[i].size()));
    out.Dword(offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& image : images) out.Append(image);
  return out.bytes();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_ico OUTPUT.ico\n";
    return 2;
  }
  try {
    const std::vector<std::uint8_t> bytes = IcoFile({16, 32});
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) throw std::runtime_error(std::string("cannot write ") + argv[1]);
  } catch (const std::exception& error) {
    std::cerr << "make_ico: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
