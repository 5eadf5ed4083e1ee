// Writes a palette image as a PNG file without any compression library: the image data goes into
// stored (uncompressed) deflate blocks, which every PNG reader accepts.
#pragma once

#include <cstdint>
#include <vector>

#include "app/program_icon.h"

namespace rozovevi::tools {

// The checksums PNG needs: CRC-32 of each chunk, Adler-32 of the zlib stream.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);
std::uint32_t Adler32(const std::vector<std::uint8_t>& data);

// An 8-bit indexed PNG of the icon image: its palette, plus one fully transparent entry that the
// transparent pixels use (the palette entry they carry in the image is kept only for the .ico).
// Throws std::runtime_error if the image is malformed or its palette has no room for that entry.
std::vector<std::uint8_t> EncodeIconPng(const app::IconImage& image);

}  // namespace rozovevi::tools
