// PNG encoding: signature, IHDR, PLTE, tRNS, one IDAT of stored deflate blocks, IEND.
#include "tools/make_png/png_writer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>

namespace rozovevi::tools {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kMaxPaletteEntries = 256;
constexpr std::uint8_t kBitDepth = 8;
constexpr std::uint8_t kColourTypeIndexed = 3;
constexpr std::uint8_t kFilterNone = 0;
constexpr std::uint8_t kOpaque = 255;
constexpr std::uint8_t kTransparent = 0;
// zlib header: deflate with a 32 KiB window, no preset dictionary, check bits making it a
// multiple of 31.
constexpr std::array<std::uint8_t, 2> kZlibHeader = {0x78, 0x01};
constexpr std::size_t kMaxStoredBlock = 65535;
constexpr std::uint8_t kStoredBlock = 0x00;
constexpr std::uint8_t kFinalStoredBlock = 0x01;
constexpr std::uint32_t kAdlerModulus = 65521;
constexpr std::uint32_t kCrcPolynomial = 0xEDB88320u;

void PutBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutLittleEndian16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

const std::array<std::uint32_t, 256>& CrcTable() {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> entries{};
    for (std::uint32_t n = 0; n < entries.size(); ++n) {
      std::uint32_t c = n;
      for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? kCrcPolynomial ^ (c >> 1) : c >> 1;
      entries[n] = c;
    }
    return entries;
  }();
  return table;
}

// Length, type, data, and the CRC of type and data.
void PutChunk(std::vector<std::uint8_t>& out, const char (&type)[5],
              const std::vector<std::uint8_t>& data) {
  PutBigEndian32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t type_at = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBigEndian32(out, Crc32(out.data() + type_at, out.size() - type_at));
}

// A zlib stream holding the data in stored blocks.
std::vector<std::uint8_t> StoredZlibStream(const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> out(kZlibHeader.begin(), kZlibHeader.end());
  std::size_t at = 0;
  do {
    const std::size_t length = std::min(kMaxStoredBlock, data.size() - at);
    const bool last = at + length == data.size();
    out.push_back(last ? kFinalStoredBlock : kStoredBlock);
    PutLittleEndian16(out, static_cast<std::uint16_t>(length));
    PutLittleEndian16(out, static_cast<std::uint16_t>(~length));
    out.insert(out.end(), data.begin() + at, data.begin() + at + length);
    at += length;
  } while (at < data.size());
  PutBigEndian32(out, Adler32(data));
  return out;
}

void Validate(const app::IconImage& image) {
  const auto pixel_count = static_cast<std::size_t>(image.size) * image.size;
  if (image.size <= 0 || image.pixels.size() != pixel_count ||
      image.transparent.size() != pixel_count || image.palette.empty()) {
    throw std::runtime_error("the icon image of size " + std::to_string(image.size) +
                             " is malformed");
  }
  if (image.palette.size() >= kMaxPaletteEntries) {
    throw std::runtime_error("the icon palette has no room for a transparent entry");
  }
  for (std::uint8_t index : image.pixels) {
    if (index >= image.palette.size()) {
      throw std::runtime_error("the icon image uses a colour outside its palette");
    }
  }
}

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) crc = CrcTable()[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::uint32_t Adler32(const std::vector<std::uint8_t>& data) {
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (std::uint8_t byte : data) {
    a = (a + byte) % kAdlerModulus;
    b = (b + a) % kAdlerModulus;
  }
  return (b << 16) | a;
}

std::vector<std::uint8_t> EncodeIconPng(const app::IconImage& image) {
  Validate(image);
  const auto size = static_cast<std::uint32_t>(image.size);
  const auto transparent_index = static_cast<std::uint8_t>(image.palette.size());

  std::vector<std::uint8_t> header;
  PutBigEndian32(header, size);
  PutBigEndian32(header, size);
  // Deflate compression, filter set 0, no interlacing.
  header.insert(header.end(), {kBitDepth, kColourTypeIndexed, 0, 0, 0});
  std::vector<std::uint8_t> palette;
  for (const app::Rgb& colour : image.palette) {
    palette.insert(palette.end(), {colour.red, colour.green, colour.blue});
  }
  palette.insert(palette.end(), {0, 0, 0});
  std::vector<std::uint8_t> alpha(image.palette.size(), kOpaque);
  alpha.push_back(kTransparent);

  std::vector<std::uint8_t> rows;
  rows.reserve((size + 1) * size);
  for (int y = 0; y < image.size; ++y) {
    rows.push_back(kFilterNone);
    for (int x = 0; x < image.size; ++x) {
      rows.push_back(image.TransparentAt(x, y) ? transparent_index
                                               : image.pixels[y * image.size + x]);
    }
  }

  std::vector<std::uint8_t> out(kSignature.begin(), kSignature.end());
  PutChunk(out, "IHDR", header);
  PutChunk(out, "PLTE", palette);
  PutChunk(out, "tRNS", alpha);
  PutChunk(out, "IDAT", StoredZlibStream(rows));
  PutChunk(out, "IEND", {});
  return out;
}

}  // namespace rozovevi::tools
