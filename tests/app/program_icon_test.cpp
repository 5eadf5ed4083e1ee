// Checks the drawn program icon pixel by pixel: frame, transparent ring, bands, dither, palette.
#include "app/program_icon.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace rozovevi::app {
namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{204, 0, 0};
constexpr Rgb kDarkRed{153, 0, 0};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kDarkGreen{0, 102, 0};
constexpr Rgb kGreen{0, 153, 0};

bool IsRed(Rgb colour) { return colour == kRed || colour == kDarkRed; }
bool IsGreen(Rgb colour) { return colour == kDarkGreen || colour == kGreen; }

struct IconGeometry {
  int size;
  int ring;       // Transparent pixels at each edge.
  int band_rows;  // Pixel rows in each of the seven bands.
};

std::ostream& operator<<(std::ostream& out, const IconGeometry& g) {
  return out << g.size << "x" << g.size;
}

class ProgramIconTest : public ::testing::TestWithParam<IconGeometry> {
 protected:
  IconImage icon_ = DrawProgramIcon(GetParam().size);
  int first_band_pixel_ = GetParam().ring + 1;
  int last_band_pixel_ = GetParam().size - GetParam().ring - 2;
};

TEST_P(ProgramIconTest, HasSquareImageAndSmallPalette) {
  const int size = GetParam().size;
  EXPECT_EQ(icon_.size, size);
  ASSERT_EQ(icon_.pixels.size(), static_cast<std::size_t>(size * size));
  ASSERT_EQ(icon_.transparent.size(), static_cast<std::size_t>(size * size));
  ASSERT_LE(icon_.palette.size(), 256u);
  for (std::uint8_t index : icon_.pixels) EXPECT_LT(index, icon_.palette.size());
}

TEST_P(ProgramIconTest, SevenEqualBandsFillTheFrameExactly) {
  // Walks down the middle column inside the frame and measures each run of one band's colours.
  const auto band_of = [](Rgb c) { return IsRed(c) ? 1 : IsGreen(c) ? 2 : c == kYellow ? 3 : 0; };
  const int x = GetParam().size / 2;
  std::vector<int> runs;
  int previous = -1;
  for (int y = first_band_pixel_; y <= last_band_pixel_; ++y) {
    const int band = band_of(icon_.ColourAt(x, y));
    if (band != previous) runs.push_back(0);
    ++runs.back();
    previous = band;
  }
  EXPECT_EQ(runs, std::vector<int>(7, GetParam().band_rows));
  EXPECT_EQ(icon_.ColourAt(x, first_band_pixel_ - 1), kBlack);
  EXPECT_EQ(icon_.ColourAt(x, last_band_pixel_ + 1), kBlack);
}

TEST_P(ProgramIconTest, OuterRingIsTransparentAndNothingElseIs) {
  const int size = GetParam().size;
  const int ring = GetParam().ring;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const bool in_ring = x < ring || y < ring || x >= size - ring || y >= size - ring;
      EXPECT_EQ(icon_.TransparentAt(x, y), in_ring) << "at " << x << "," << y;
    }
  }
}

TEST_P(ProgramIconTest, OnePixelBlackFrameSurroundsTheBands) {
  const int outer = GetParam().ring;
  const int inner = GetParam().size - GetParam().ring - 1;
  for (int i = outer; i <= inner; ++i) {
    EXPECT_EQ(icon_.ColourAt(i, outer), kBlack) << "top " << i;
    EXPECT_EQ(icon_.ColourAt(i, inner), kBlack) << "bottom " << i;
    EXPECT_EQ(icon_.ColourAt(outer, i), kBlack) << "left " << i;
    EXPECT_EQ(icon_.ColourAt(inner, i), kBlack) << "right " << i;
  }
}

TEST_P(ProgramIconTest, BandsRunWhiteRedYellowGreenYellowRedWhite) {
  using Check = bool (*)(Rgb);
  const Check bands[7] = {
      [](Rgb c) { return c == kWhite; },  IsRed, [](Rgb c) { return c == kYellow; }, IsGreen,
      [](Rgb c) { return c == kYellow; }, IsRed, [](Rgb c) { return c == kWhite; }};
  for (int y = first_band_pixel_; y <= last_band_pixel_; ++y) {
    const int band = (y - first_band_pixel_) / GetParam().band_rows;
    for (int x = first_band_pixel_; x <= last_band_pixel_; ++x) {
      EXPECT_TRUE(bands[band](icon_.ColourAt(x, y))) << "band " << band << " at " << x << "," << y;
    }
  }
}

TEST_P(ProgramIconTest, RedIsPartlyDitheredWithDarkRedInBothRedBands) {
  const int rows = GetParam().band_rows;
  for (int band : {1, 5}) {
    int dark = 0;
    int total = 0;
    for (int y = first_band_pixel_ + band * rows; y < first_band_pixel_ + (band + 1) * rows; ++y) {
      for (int x = first_band_pixel_; x <= last_band_pixel_; ++x) {
        ++total;
        if (icon_.ColourAt(x, y) == kDarkRed) ++dark;
      }
    }
    EXPECT_EQ(dark * 4, total) << "band " << band;  // One pixel in four, as documented.
  }
}

TEST_P(ProgramIconTest, GreenBandIsACheckerboardOfTwoGreens) {
  const int top = first_band_pixel_ + 3 * GetParam().band_rows;
  for (int y = top; y < top + GetParam().band_rows; ++y) {
    for (int x = first_band_pixel_; x <= last_band_pixel_; ++x) {
      const Rgb expected = ((x - first_band_pixel_ + y - top) % 2 == 0) ? kDarkGreen : kGreen;
      EXPECT_EQ(icon_.ColourAt(x, y), expected) << "at " << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothSizes, ProgramIconTest,
                         ::testing::Values(IconGeometry{16, 0, 2}, IconGeometry{32, 1, 4}),
                         [](const auto& info) { return "Size" + std::to_string(info.param.size); });

TEST(ProgramIconSizeTest, RejectsSizesOtherThan16And32) {
  EXPECT_THROW(DrawProgramIcon(48), std::invalid_argument);
}

}  // namespace
}  // namespace rozovevi::app
