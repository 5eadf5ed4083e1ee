// ROZoveVI.exe's own resources, read back from the built file: the version block and the icon.
#include <windows.h>

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/win32/resource_ids.h"
#include "app/win32/win32_owners.h"
#include "app/window_layout.h"
#include "tests/support/program_icon_pixels.h"
#include "tests/win32/support/test_options.h"
#include "win32/unique_handle.h"
#include "win32/win32_text.h"

namespace {

using rozovevi::app::Rgb;
using rozovevi::win32::FromWide;
using rozovevi::win32::UniqueModule;

// The executable under test, given as --exe=PATH.
std::wstring ExePath() {
  const std::string option = rozovevi::tests::support::TestOption("exe");
  return std::wstring(option.begin(), option.end());
}

std::vector<BYTE> VersionBlock() {
  const std::wstring path = ExePath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  std::vector<BYTE> block(size);
  if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, block.data())) block.clear();
  return block;
}

std::u16string VersionString(std::vector<BYTE>& block, const wchar_t* name) {
  const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || length == 0)
    return u"<none>";
  return FromWide(static_cast<const wchar_t*>(value));
}

// The executable under test, loaded only for its resources.
UniqueModule LoadResourceModule() {
  return UniqueModule(LoadLibraryExW(ExePath().c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

#pragma pack(push, 2)
struct IconGroupEntry {
  BYTE width;
  BYTE height;
  BYTE colour_count;
  BYTE reserved;
  WORD planes;
  WORD bit_count;
  DWORD bytes;
  WORD id;
};
struct IconGroupHeader {
  WORD reserved;
  WORD type;
  WORD count;
};
#pragma pack(pop)

// The first icon group resource in the module: Explorer shows it as the file's icon.
BOOL CALLBACK TakeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR first) {
  *reinterpret_cast<LPWSTR*>(first) = name;
  return FALSE;
}

}  // namespace

TEST(Resources, VersionBlockNamesTheProgramAndItsVersion) {
  std::vector<BYTE> block = VersionBlock();
  ASSERT_TRUE(!block.empty());
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(0x00050000u, static_cast<unsigned>(fixed->dwFileVersionMS));
  EXPECT_EQ(0x00000001u, static_cast<unsigned>(fixed->dwFileVersionLS));
  EXPECT_EQ(0x00050000u, static_cast<unsigned>(fixed->dwProductVersionMS));
  EXPECT_EQ(0x00000001u, static_cast<unsigned>(fixed->dwProductVersionLS));
  EXPECT_EQ(static_cast<unsigned>(VOS__WINDOWS32), static_cast<unsigned>(fixed->dwFileOS));
  EXPECT_EQ(static_cast<unsigned>(VFT_APP), static_cast<unsigned>(fixed->dwFileType));

  const struct {
    const wchar_t* name;
    std::u16string_view value;
  } strings[] = {{L"ProductName", u"ROZoveVI"},
                 {L"InternalName", u"ROZoveVI"},
                 {L"OriginalFilename", u"ROZoveVI.exe"},
                 {L"FileVersion", u"5.00.0001"},
                 {L"ProductVersion", u"5.00.0001"}};
  for (const auto& entry : strings) EXPECT_TRUE(VersionString(block, entry.name) == entry.value);

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(4u, length);
  EXPECT_EQ(0x409, translation[0]);
  EXPECT_EQ(1200, translation[1]);
}

TEST(Resources, FirstIconHasA16AndA32PixelImageOf256Colours) {
  const UniqueModule exe = LoadResourceModule();
  ASSERT_TRUE(exe.valid());
  LPWSTR first = nullptr;
  EnumResourceNamesW(exe.get(), RT_GROUP_ICON, &TakeFirstName, reinterpret_cast<LONG_PTR>(&first));
  EXPECT_TRUE(first == MAKEINTRESOURCEW(ROZOVEVI_ICON_ID));
  HRSRC found = FindResourceW(exe.get(), MAKEINTRESOURCEW(ROZOVEVI_ICON_ID), RT_GROUP_ICON);
  ASSERT_TRUE(found != nullptr);
  const auto* header =
      static_cast<const IconGroupHeader*>(LockResource(LoadResource(exe.get(), found)));
  ASSERT_TRUE(header != nullptr);
  ASSERT_EQ(2, header->count);
  const auto* entries = reinterpret_cast<const IconGroupEntry*>(header + 1);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(i == 0 ? 16 : 32, entries[i].width);
    EXPECT_EQ(8, entries[i].bit_count);
  }
}

TEST(Resources, IconImagesAreThePixelsOfTheProgramIcon) {
  const UniqueModule exe = LoadResourceModule();
  ASSERT_TRUE(exe.valid());
  for (int size : {16, 32}) {
    const std::string_view* expected = rozovevi::testing::IconPicture(size);
    rozovevi::app::win32::UniqueIcon icon(static_cast<HICON>(
        LoadImageW(exe.get(), MAKEINTRESOURCEW(ROZOVEVI_ICON_ID), IMAGE_ICON, size, size, 0)));
    ASSERT_TRUE(icon.valid());
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.get(), &info));
    const rozovevi::app::win32::UniqueBitmap colour(info.hbmColor);
    const rozovevi::app::win32::UniqueBitmap mask(info.hbmMask);

    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size;
    format.bmiHeader.biHeight = -size;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> colours(static_cast<std::size_t>(size) * size);
    std::vector<std::uint32_t> masks(colours.size());
    const rozovevi::app::win32::UniqueWindowDc screen(nullptr);
    ASSERT_TRUE(GetDIBits(screen.get(), colour.get(), 0, size, colours.data(), &format,
                          DIB_RGB_COLORS) == size);
    BITMAPINFO mask_format = format;
    ASSERT_TRUE(GetDIBits(screen.get(), mask.get(), 0, size, masks.data(), &mask_format,
                          DIB_RGB_COLORS) == size);

    int wrong = 0;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const std::uint32_t pixel = colours[static_cast<std::size_t>(y) * size + x];
        const bool transparent = (masks[static_cast<std::size_t>(y) * size + x] & 0xFFFFFF) != 0;
        const Rgb seen{static_cast<std::uint8_t>(pixel >> 16),
                       static_cast<std::uint8_t>(pixel >> 8), static_cast<std::uint8_t>(pixel)};
        const std::optional<Rgb> colour = rozovevi::testing::IconColour(expected[y][x]);
        if (transparent != !colour) ++wrong;
        if (!transparent && colour && seen != *colour) ++wrong;
      }
    }
    EXPECT_EQ(0, wrong);
  }
}
