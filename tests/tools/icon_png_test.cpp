// Checks the icon PNG files the build drew for the desktop's icon theme, decoded by Qt's own PNG
// reader: every pixel against the drawn 16x16 or 32x32 image, transparency included.
#include <gtest/gtest.h>
#include <QColor>
#include <QImage>
#include <QString>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/program_icon.h"
#include "tools/make_png/icon_png.h"

namespace rozovevi::tools {
namespace {

constexpr int kIconSizes[] = {ROZOVEVI_ICON_SIZES};

std::string IconPath(int size) {
  const std::string dimensions = std::to_string(size) + "x" + std::to_string(size);
  return std::string(ROZOVEVI_ICON_ROOT) + "/" + dimensions + "/apps/rozovevi.png";
}

// For each target row or column, the source one it shows. Built from how often each source
// pixel repeats: k times for a whole factor k; at 1.5x, twice for odd and once for even positions.
std::vector<int> SourceOfEachPixel(int source_size, int size) {
  std::vector<int> sources;
  for (int source = 0; source < source_size; ++source) {
    int repeats = size / source_size;
    if (size * 2 == source_size * 3) repeats = source % 2 == 1 ? 2 : 1;
    sources.insert(sources.end(), repeats, source);
  }
  return sources;
}

class IconPngTest : public ::testing::TestWithParam<int> {};

TEST_P(IconPngTest, ShowsTheDrawnIconPixelForPixel) {
  const int size = GetParam();
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(IconPath(size)), "PNG")) << IconPath(size);
  ASSERT_EQ(image.width(), size);
  ASSERT_EQ(image.height(), size);

  const int source_size = size == 16 ? 16 : 32;
  const app::IconImage drawn = app::DrawProgramIcon(source_size);
  const std::vector<int> source = SourceOfEachPixel(source_size, size);
  ASSERT_EQ(source.size(), static_cast<std::size_t>(size));
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (drawn.TransparentAt(source[x], source[y])) {
        EXPECT_EQ(pixel.alpha(), 0) << size << " at " << x << "," << y;
        continue;
      }
      const app::Rgb colour = drawn.ColourAt(source[x], source[y]);
      EXPECT_EQ(pixel.alpha(), 255) << size << " at " << x << "," << y;
      EXPECT_EQ(pixel.red(), colour.red) << size << " at " << x << "," << y;
      EXPECT_EQ(pixel.green(), colour.green) << size << " at " << x << "," << y;
      EXPECT_EQ(pixel.blue(), colour.blue) << size << " at " << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EachInstalledSize, IconPngTest, ::testing::ValuesIn(kIconSizes),
                         [](const auto& info) { return std::to_string(info.param); });

// The transparent pixels need a palette entry of their own.
TEST(IconImageTest, RefusesAPaletteWithNoRoomForTransparency) {
  app::IconImage image = app::DrawProgramIcon(16);
  image.palette.resize(256, app::Rgb{1, 2, 3});
  EXPECT_THROW(ToIndexedImage(image), std::runtime_error);
}

TEST(IconImageTest, RefusesAPixelOutsideThePalette) {
  app::IconImage image = app::DrawProgramIcon(16);
  image.pixels[5] = static_cast<std::uint8_t>(image.palette.size());
  EXPECT_THROW(ToIndexedImage(image), std::runtime_error);
}

}  // namespace
}  // namespace rozovevi::tools
