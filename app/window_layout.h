// The main window frmROZoveVI as both front-ends draw it: positions in twips, colours, fonts and
// captions, in one place.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace rozovevi::app {

// Twips: 1/1440 inch, 15 to a pixel at 96 dots per inch.
inline constexpr int kTwipsPerInch = 1440;

struct Rgb {
  std::uint8_t red;
  std::uint8_t green;
  std::uint8_t blue;
  friend constexpr bool operator==(Rgb a, Rgb b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
  }
  friend constexpr bool operator!=(Rgb a, Rgb b) { return !(a == b); }
};

inline constexpr std::u16string_view kWindowName = u"frmROZoveVI";
inline constexpr std::u16string_view kWindowCaption = u"ROZoveVI";
inline constexpr int kClientWidthTwips = 10410;
inline constexpr int kClientHeightTwips = 2040;

inline constexpr Rgb kWindowBackground{128, 128, 128};
inline constexpr Rgb kFrameBackground = kWindowBackground;
inline constexpr Rgb kFrameCaptionColour{255, 255, 255};
inline constexpr Rgb kTextBoxBackground{255, 255, 192};
inline constexpr Rgb kButtonFace{192, 192, 255};

// The font of both text boxes.
struct FontDescription {
  std::u16string_view face;
  int points;
  int weight;  // 400 is normal.
  bool italic;
  bool underline;
  bool strike_out;
  int charset;  // 0 is ANSI.
};
inline constexpr FontDescription kTextBoxFont{u"Courier New", 12, 400, false, false, false, 0};

enum class ControlKind { kGroupFrame, kTextBox, kPushButton };
enum class ControlId { kFrame1, kTxtAddress, kFrame2, kTxtValue, kCmdRead, kCmdWrite };

struct ControlLayout {
  ControlId id;
  std::u16string_view name;
  ControlKind kind;
  // The frame a text box sits in; a control with itself here sits on the window.
  ControlId container;
  int left;  // Twips, relative to the container's top-left corner.
  int top;
  int width;
  int height;
  int tab_index;
  std::u16string_view caption;
};

// The controls in the order of their tab indexes.
inline constexpr std::array<ControlLayout, 6> kControls = {{
    {ControlId::kFrame1, u"Frame1", ControlKind::kGroupFrame, ControlId::kFrame1, 120, 120, 10215,
     855, 0, u"Enter IO Address (Can be a filename, or a DDE: / OPC: address)"},
    {ControlId::kTxtAddress, u"txtAddress", ControlKind::kTextBox, ControlId::kFrame1, 120, 240,
     9975, 405, 1, u""},
    {ControlId::kFrame2, u"Frame2", ControlKind::kGroupFrame, ControlId::kFrame2, 120, 1080, 4335,
     855, 2, u"Value"},
    {ControlId::kTxtValue, u"txtValue", ControlKind::kTextBox, ControlId::kFrame2, 120, 240, 4095,
     405, 3, u""},
    {ControlId::kCmdRead, u"cmdRead", ControlKind::kPushButton, ControlId::kCmdRead, 4800, 1200,
     1815, 735, 4, u"Read Value"},
    {ControlId::kCmdWrite, u"cmdWrite", ControlKind::kPushButton, ControlId::kCmdWrite, 6960, 1200,
     1815, 735, 5, u"Write Value"},
}};

// The button Enter activates.
inline constexpr ControlId kDefaultButton = ControlId::kCmdRead;
// The control that has the focus when the window is first shown.
inline constexpr ControlId kInitialFocus = ControlId::kTxtAddress;

constexpr const ControlLayout& Control(ControlId id) {
  return kControls[static_cast<std::size_t>(id)];
}

// Converts twips to pixels at the given dots per inch, rounding to nearest.
constexpr int TwipsToPixels(int twips, int dots_per_inch) {
  const long long scaled = static_cast<long long>(twips) * dots_per_inch;
  return static_cast<int>(scaled >= 0 ? (scaled + kTwipsPerInch / 2) / kTwipsPerInch
                                      : -((-scaled + kTwipsPerInch / 2) / kTwipsPerInch));
}

// Converts pixels at the given dots per inch to twips, in single precision as the centring rule
// measures the screen and the window.
constexpr float PixelsToTwips(int pixels, int dots_per_inch) {
  return static_cast<float>(pixels) * static_cast<float>(kTwipsPerInch) /
         static_cast<float>(dots_per_inch);
}

}  // namespace rozovevi::app
