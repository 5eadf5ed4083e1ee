// frmROZoveVI under Windows (or Wine): layout, looks, keyboard and both actions over real COM.
#include "app/win32/main_window.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>

#include "actions/messages.h"
#include "app/centring.h"
#include "ioserver/com/com_runtime.h"
#include "tests/support/scratch_directory.h"
#include "tests/win32/support/raw_files.h"
#include "tests/win32/support/window_driver.h"
#include "win32/win32_text.h"

namespace {

using rozovevi::actions::MessageAnswer;
using rozovevi::actions::MessageStyle;
using rozovevi::app::Control;
using rozovevi::app::ControlId;
using rozovevi::app::ControlKind;
using rozovevi::app::ControlLayout;
using rozovevi::app::kControls;
using rozovevi::app::Rgb;
using rozovevi::app::TwipsToPixels;
using rozovevi::ioserver::com::ComRuntime;
using rozovevi::testing::ScratchDirectory;
using rozovevi::tests::support::ClientPixels;
using rozovevi::tests::support::ReadRaw;
using rozovevi::tests::support::RectInParent;
using rozovevi::tests::support::WindowUnderTest;
using rozovevi::tests::support::WriteRaw;
using rozovevi::win32::FromWide;

std::u16string Text(HWND window) {
  wchar_t buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return FromWide(buffer);
}

std::u16string ClassName(HWND window) {
  wchar_t buffer[64] = {};
  GetClassNameW(window, buffer, 64);
  return FromWide(buffer);
}

bool Contains(const std::u16string& text, std::u16string_view part) {
  return text.find(part) != std::u16string::npos;
}

LONG Style(HWND window) { return GetWindowLongW(window, GWL_STYLE); }

// Whether both buttons take clicks; they are locked only while an action runs.
bool ButtonsEnabled(const WindowUnderTest& test) {
  return IsWindowEnabled(test.control(ControlId::kCmdRead)) &&
         IsWindowEnabled(test.control(ControlId::kCmdWrite));
}

// Types address into txtAddress and presses cmdRead.
void ReadAt(WindowUnderTest& test, std::u16string_view address) {
  test.Type(ControlId::kTxtAddress, address);
  test.Click(ControlId::kCmdRead);
}

// Creates objects under another identifier, so that the window meets a server that is not
// registered.
class UnregisteredRuntime final : public rozovevi::ioserver::AutomationRuntime {
 public:
  std::unique_ptr<rozovevi::ioserver::IoServer> CreateObject(std::u16string_view) override {
    return com_.CreateObject(u"ROZoveVI.NothingRegisteredHere");
  }

 private:
  ComRuntime com_;
};

}  // namespace

TEST(MainWindow, HasTheCaptionClassClientSizeAndAFixedBorder) {
  ComRuntime runtime;
  WindowUnderTest test(runtime);
  HWND window = test.window().handle();
  EXPECT_TRUE(Text(window) == u"ROZoveVI");
  EXPECT_TRUE(ClassName(window) == u"frmROZoveVI");
  RECT client{};
  GetClientRect(window, &client);
  const auto dpi = test.window().dpi();
  EXPECT_EQ(TwipsToPixels(10410, dpi.x), client.right);
  EXPECT_EQ(TwipsToPixels(2040, dpi.y), client.bottom);
  EXPECT_TRUE((Style(window) & WS_THICKFRAME) == 0);
  EXPECT_TRUE((Style(window) & WS_MAXIMIZEBOX) == 0);
  EXPECT_TRUE((Style(window) & WS_CAPTION) == WS_CAPTION);
  EXPECT_TRUE(SendMessageW(window, WM_GETICON, ICON_BIG, 0) != 0);
  EXPECT_TRUE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0) != 0);
}

TEST(MainWindow, ControlsSitWhereTheLayoutPutsThem) {
  ComRuntime runtime;
  WindowUnderTest test(runtime);
  const auto dpi = test.window().dpi();
  for (const ControlLayout& layout : kControls) {
    HWND control = test.control(layout.id);
    ASSERT_TRUE(control != nullptr);
    int left = layout.left;
    int top = layout.top;
    if (layout.container != layout.id) {
      left += Control(layout.container).left;
      top += Control(layout.container).top;
    }
    const RECT rect = RectInParent(control);
    EXPECT_EQ(TwipsToPixels(left, dpi.x), rect.left);
    EXPECT_EQ(TwipsToPixels(top, dpi.y), rect.top);
    EXPECT_EQ(TwipsToPixels(layout.width, dpi.x), rect.right - rect.left);
    EXPECT_EQ(TwipsToPixels(layout.height, dpi.y), rect.bottom - rect.top);
    EXPECT_TRUE(Text(control) == layout.caption);
    const LONG style = Style(control);
    switch (layout.kind) {
      case ControlKind::kGroupFrame:
        EXPECT_TRUE(ClassName(control) == u"Button");
        EXPECT_EQ(BS_GROUPBOX, style & BS_TYPEMASK);
        EXPECT_TRUE((style & WS_TABSTOP) == 0);
        break;
      case ControlKind::kTextBox:
        EXPECT_TRUE(ClassName(control) == u"Edit");
        EXPECT_TRUE((style & ES_MULTILINE) == 0);
        EXPECT_TRUE((style & WS_TABSTOP) != 0);
        break;
      case ControlKind::kPushButton:
        EXPECT_TRUE(ClassName(control) == u"Button");
        EXPECT_EQ(BS_OWNERDRAW, style & BS_TYPEMASK);
        EXPECT_TRUE((style & WS_TABSTOP) != 0);
        break;
    }
  }
}

TEST(MainWindow, IsCentredOnThePrimaryDisplay) {
  ComRuntime runtime;
  WindowUnderTest test(runtime);
  const auto dpi = test.window().dpi();
  RECT outer{};
  GetWindowRect(test.window().handle(), &outer);
  auto twips = [](int pixels, int per_inch) { return pixels * 1440.0f / per_inch; };
  const auto origin = rozovevi::app::CentredOrigin(
      twips(GetSystemMetrics(SM_CXSCREEN), dpi.x), twips(GetSystemMetrics(SM_CYSCREEN), dpi.y),
      twips(outer.right - outer.left, dpi.x), twips(outer.bottom - outer.top, dpi.y));
  EXPECT_EQ(TwipsToPixels(origin.left, dpi.x), outer.left);
  EXPECT_EQ(TwipsToPixels(origin.top, dpi.y), outer.top);
}

TEST(MainWindow, TextBoxesUseCourierNewTwelvePointsWithNoLengthLimit) {
  ComRuntime runtime;
  WindowUnderTest test(runtime);
  for (ControlId id : {ControlId::kTxtAddress, ControlId::kTxtValue}) {
    HWND box = test.control(id);
    LOGFONTW font{};
    ASSERT_TRUE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)),
                           sizeof font, &font) == sizeof font);
    EXPECT_TRUE(FromWide(font.lfFaceName) == u"Courier New");
    EXPECT_EQ(-MulDiv(12, test.window().dpi().y, 72), font.lfHeight);
    EXPECT_EQ(400, font.lfWeight);
    EXPECT_EQ(0, font.lfItalic + font.lfUnderline + font.lfStrikeOut);
    EXPECT_EQ(0, font.lfCharSet);
    // The default limit of a single-line edit is far below this.
    EXPECT_TRUE(SendMessageW(box, EM_GETLIMITTEXT, 0, 0) >= 0x7FFFFFFE);
  }
}

TEST(MainWindow, PaintsTheLayoutsColours) {
  ComRuntime runtime;
  WindowUnderTest test(runtime);
  test.Pump();
  const ClientPixels pixels(test.window().handle());
  auto centre_of = [&](ControlId id) {
    const RECT rect = RectInParent(test.control(id));
    return POINT{(rect.left + rect.right) / 2, rect.top + (rect.bottom - rect.top) / 4};
  };
  EXPECT_TRUE(pixels.At(2, 2) == (Rgb{128, 128, 128}));
  EXPECT_TRUE(pixels.At(pixels.width() - 3, pixels.height() - 3) == (Rgb{128, 128, 128}));
  for (ControlId id : {ControlId::kTxtAddress, ControlId::kTxtValue}) {
    const POINT at = centre_of(id);
    EXPECT_TRUE(pixels.At(at.x, at.y) == (Rgb{255, 255, 192}));
  }
  for (ControlId id : {ControlId::kCmdRead, ControlId::kCmdWrite}) {
    const POINT at = centre_of(id);
    EXPECT_TRUE(pixels.At(at.x, at.y) == (Rgb{192, 192, 255}));
  }
  // The frames' captions are white on gray: the start of the caption ("Value" is the shorter)
  // holds both colours and nothing else.
  for (ControlId id : {ControlId::kFrame1, ControlId::kFrame2}) {
    const RECT rect = RectInParent(test.control(id));
    int white = 0;
    int other = 0;
    for (int y = rect.top; y < rect.top + 6; ++y) {
      for (int x = rect.left + 10; x < rect.left + 30; ++x) {
        const Rgb colour = pixels.At(x, y);
        if (colour == Rgb{255, 255, 255}) {
          ++white;
        } else if (colour != Rgb{128, 128, 128}) {
          ++other;
        }
      }
    }
    EXPECT_TRUE(white > 10);
    EXPECT_EQ(0, other);
  }
}

TEST(MainWindow, StartsEmptyAndEnabledWithTheFocusInTheAddress) {
  ComRuntime runtime;
  WindowUnderTest test(runtime);
  EXPECT_TRUE(test.Focus() == test.control(ControlId::kTxtAddress));
  EXPECT_TRUE(Text(test.control(ControlId::kTxtAddress)).empty());
  EXPECT_TRUE(Text(test.control(ControlId::kTxtValue)).empty());
  EXPECT_TRUE(ButtonsEnabled(test));
  EXPECT_TRUE(!test.window().WriteWarned());
}

TEST(MainWindow, TabAndShiftTabFollowTheTabOrder) {
  ComRuntime runtime;
  WindowUnderTest test(runtime);
  const ControlId order[] = {ControlId::kTxtAddress, ControlId::kTxtValue, ControlId::kCmdRead,
                             ControlId::kCmdWrite};
  for (int i = 1; i <= 4; ++i) {
    test.PressKey(VK_TAB);
    EXPECT_TRUE(test.Focus() == test.control(order[i % 4]));
  }
  for (int i = 3; i >= 0; --i) {
    test.PressKey(VK_TAB, /*shift=*/true);
    EXPECT_TRUE(test.Focus() == test.control(order[i]));
  }
}

TEST(MainWindow, EnterInEitherTextBoxReadsTheValue) {
  ScratchDirectory directory;
  const std::u16string file = directory / u"value.txt";
  ComRuntime runtime;
  for (ControlId box : {ControlId::kTxtAddress, ControlId::kTxtValue}) {
    WriteRaw(file, "17.5\r\n");
    WindowUnderTest test(runtime);
    test.Type(ControlId::kTxtAddress, file);
    test.Type(ControlId::kTxtValue, u"old");
    SetFocus(test.control(box));
    test.PressKey(VK_RETURN);
    EXPECT_TRUE(Text(test.control(ControlId::kTxtValue)) == u"17.5");
    EXPECT_TRUE(test.shown().empty());
    EXPECT_TRUE(test.Focus() == test.control(ControlId::kCmdRead));
  }
}

TEST(MainWindow, DefaultButtonIsMarkedAndFollowsAFocusedButton) {
  ScratchDirectory directory;
  ComRuntime runtime;
  WindowUnderTest test(runtime);
  auto outline_is_black = [&](ControlId id) {
    const ClientPixels pixels(test.window().handle());
    const RECT rect = RectInParent(test.control(id));
    return pixels.At(rect.left + (rect.right - rect.left) / 2, rect.top) == Rgb{0, 0, 0};
  };
  EXPECT_TRUE(outline_is_black(ControlId::kCmdRead));
  EXPECT_TRUE(!outline_is_black(ControlId::kCmdWrite));

  // A focused button is the one Enter presses, as in a dialog: here, the write with its warning.
  test.Type(ControlId::kTxtAddress, directory / u"out.txt");
  test.Type(ControlId::kTxtValue, u"on");
  SetFocus(test.control(ControlId::kCmdWrite));
  test.Pump();
  EXPECT_TRUE(!outline_is_black(ControlId::kCmdRead));
  EXPECT_TRUE(outline_is_black(ControlId::kCmdWrite));
  test.PressKey(VK_RETURN);
  ASSERT_EQ(std::size_t{1}, test.shown().size());
  EXPECT_EQ(MessageStyle::kCriticalYesNo, test.shown()[0].style);
  EXPECT_EQ(std::string("on"), ReadRaw(directory / u"out.txt"));
}

// The warning's answer comes back from the message box, and the window keeps the flag that stops
// it coming again.
TEST(MainWindow, WriteWarningIsAnsweredByItsBoxAndRememberedByTheWindow) {
  ScratchDirectory directory;
  ComRuntime runtime;
  WindowUnderTest test(runtime);
  test.Type(ControlId::kTxtAddress, directory / u"setpoint.txt");
  test.Type(ControlId::kTxtValue, u"first");
  test.answers().push_back(MessageAnswer::kNo);
  test.Click(ControlId::kCmdWrite);
  ASSERT_EQ(std::size_t{1}, test.shown().size());
  EXPECT_EQ(MessageStyle::kCriticalYesNo, test.shown()[0].style);
  EXPECT_EQ(std::string("<missing>"), ReadRaw(directory / u"setpoint.txt"));

  test.Type(ControlId::kTxtValue, u"second");
  test.Click(ControlId::kCmdWrite);
  EXPECT_EQ(std::size_t{1}, test.shown().size());
  EXPECT_EQ(std::string("second"), ReadRaw(directory / u"setpoint.txt"));
}

TEST(MainWindow, FailedReadIsReportedWhileTheButtonsAreLocked) {
  ScratchDirectory directory;
  ComRuntime runtime;
  WindowUnderTest test(runtime);
  test.Type(ControlId::kTxtAddress, directory / u"absent.txt");
  test.Type(ControlId::kTxtValue, u"old");
  test.Click(ControlId::kCmdRead);
  ASSERT_EQ(std::size_t{1}, test.shown().size());
  EXPECT_TRUE(test.shown()[0].prompt == u"Communication Failed!");
  EXPECT_EQ(MessageStyle::kCriticalOk, test.shown()[0].style);
  EXPECT_TRUE(!test.shown()[0].read_enabled && !test.shown()[0].write_enabled);
  EXPECT_TRUE(Text(test.control(ControlId::kTxtValue)).empty());
  EXPECT_TRUE(ButtonsEnabled(test));
  EXPECT_TRUE(test.Focus() == test.control(ControlId::kCmdRead));
}

TEST(MainWindow, ServerThatCannotBeCreatedIsReportedAndTheProgramGoesOn) {
  UnregisteredRuntime runtime;
  WindowUnderTest test(runtime);
  ReadAt(test, u"C:\\anything.txt");
  ASSERT_EQ(std::size_t{1}, test.shown().size());
  EXPECT_TRUE(Contains(test.shown()[0].prompt, u"429"));
  EXPECT_TRUE(Contains(test.shown()[0].prompt, u"ROZoveVI.NothingRegisteredHere"));
  EXPECT_EQ(MessageStyle::kCriticalOk, test.shown()[0].style);
  EXPECT_TRUE(IsWindow(test.window().handle()));
  EXPECT_TRUE(ButtonsEnabled(test));
  // The window still answers: a second attempt reports again.
  test.Click(ControlId::kCmdRead);
  EXPECT_EQ(std::size_t{2}, test.shown().size());
}

TEST(MainWindow, ErrorRaisedByTheServerShowsItsNumberAndDescription) {
  ComRuntime runtime;
  WindowUnderTest test(runtime);
  ReadAt(test, u"?raise:wcode:1001:Device offline");
  ASSERT_EQ(std::size_t{1}, test.shown().size());
  EXPECT_TRUE(Contains(test.shown()[0].prompt, u"1001"));
  EXPECT_TRUE(Contains(test.shown()[0].prompt, u"Device offline"));
  EXPECT_TRUE(ButtonsEnabled(test));
}

TEST(MainWindow, ValuesThatAreNotStringsShowInThePlatformsTextForm) {
  ComRuntime runtime;
  WindowUnderTest test(runtime);
  ReadAt(test, u"?value:bool");
  EXPECT_TRUE(Text(test.control(ControlId::kTxtValue)) == u"False");
  // Null has no text form.
  ReadAt(test, u"?value:null");
  ASSERT_TRUE(!test.shown().empty());
  EXPECT_TRUE(Contains(test.shown().back().prompt, u"Invalid use of Null"));
}

TEST(MainWindow, ClosingTheWindowEndsTheMessageLoop) {
  ComRuntime runtime;
  WindowUnderTest test(runtime);
  SendMessageW(test.window().handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(!IsWindow(test.window().handle()));
  MSG message{};
  EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE);
}
