// Drives the real Qt window: layout, looks, keyboard, and reads and writes through a test server.
#include "app/qt/main_window.h"

#include <QFontInfo>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <memory>
#include <utility>

#include "actions/messages.h"
#include "app/program_icon.h"
#include "app/qt/qt_message_presenter.h"
#include "app/qt/qt_program_icon.h"
#include "fake_message_presenter.h"
#include "ioserver/io_error.h"
#include "tests/support/program_icon_pixels.h"
#include "tests/support/scripted_runtime.h"

namespace rozovevi::app::qt {
namespace {

using actions::MessageAnswer;
using actions::MessageStyle;
using ioserver::AutomationValue;
using testing::FakeMessagePresenter;

const QColor kGray(128, 128, 128);
const QColor kLightYellow(255, 255, 192);
const QColor kLightBlue(192, 192, 255);

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void showsCaptionAndFixedClientSize();
  void placesEveryControlAtItsTwipsPositionInPixels_data();
  void placesEveryControlAtItsTwipsPositionInPixels();
  void showsCaptionsOfFramesAndButtons();
  void paintsWindowTextBoxesAndButtonFacesInTheirColours();
  void writesFrameCaptionsInWhite();
  void marksDefaultAndFocusedButtonsAndGreysDisabledCaptions();
  void givesTextBoxesCourierNewTwelvePoints();
  void startsWithEmptyUnlimitedTextBoxesAndEnabledButtons();
  void startsWithFocusInAddressAndTabsInOrder();
  void enterInEitherTextBoxReadsOnce_data();
  void enterInEitherTextBoxReadsOnce();
  void enterOnFocusedWriteButtonWritesInsteadOfReading();
  void readPutsServerValueIntoValueBoxAndFocusesReadButton();
  void failedReadShowsMessageWhileButtonsAreDisabled();
  void serverErrorIsReportedAndWindowCarriesOn();
  void failedExchangeGivesTheFocusBackToItsButton();
  void writeWarningIsAnsweredThroughThePresenterAndRememberedByTheWindow();
  void exchangeLeavesFocusWhereTheActionBegan_data();
  void exchangeLeavesFocusWhereTheActionBegan();
  void focusComesBackAfterRealMessageBoxes();
  void valueCrossesTheValueBoxUnaltered_data();
  void valueCrossesTheValueBoxUnaltered();
  void windowIconHoldsBothDrawnImages();

 private:
  QLineEdit* TextBox(const char* name) const { return window_->findChild<QLineEdit*>(name); }
  QPushButton* Button(const char* name) const { return window_->findChild<QPushButton*>(name); }
  QColor PixelAt(QWidget* widget, QPoint point) const {
    return window_->grab().toImage().pixelColor(widget->mapTo(window_.get(), point));
  }
  // The range of lightness over area of widget, as painted now.
  std::pair<int, int> LightnessRange(QWidget* widget, QRect area) const {
    const QImage image = window_->grab().toImage();
    int darkest = 255;
    int lightest = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x) {
        const int lightness =
            image.pixelColor(widget->mapTo(window_.get(), QPoint(x, y))).lightness();
        darkest = std::min(darkest, lightness);
        lightest = std::max(lightest, lightness);
      }
    }
    return {darkest, lightest};
  }

  rozovevi::testing::EventLog log_;
  std::unique_ptr<rozovevi::testing::ScriptedRuntime> runtime_;
  std::unique_ptr<FakeMessagePresenter> presenter_;
  std::unique_ptr<MainWindow> window_;
};

void MainWindowTest::init() {
  log_.clear();
  runtime_ = std::make_unique<rozovevi::testing::ScriptedRuntime>(log_);
  presenter_ = std::make_unique<FakeMessagePresenter>();
  window_ = std::make_unique<MainWindow>(*runtime_, *presenter_);
  window_->show();
  window_->activateWindow();  // Without a window manager nothing else activates it.
  QVERIFY(QTest::qWaitForWindowActive(window_.get()));
}

void MainWindowTest::cleanup() {
  window_.reset();
  presenter_.reset();
  runtime_.reset();
}

void MainWindowTest::showsCaptionAndFixedClientSize() {
  QCOMPARE(window_->objectName(), QStringLiteral("frmROZoveVI"));
  QCOMPARE(window_->windowTitle(), QStringLiteral("ROZoveVI"));
  QCOMPARE(window_->size(), QSize(694, 136));  // 10410 x 2040 twips.
  QCOMPARE(window_->minimumSize(), QSize(694, 136));
  QCOMPARE(window_->maximumSize(), QSize(694, 136));
}

void MainWindowTest::placesEveryControlAtItsTwipsPositionInPixels_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("container");
  QTest::addColumn<QRect>("geometry");
  // Twips divided by 15; text boxes relative to their frame.
  QTest::newRow("Frame1") << "Frame1"
                          << "frmROZoveVI" << QRect(8, 8, 681, 57);
  QTest::newRow("txtAddress") << "txtAddress"
                              << "Frame1" << QRect(8, 16, 665, 27);
  QTest::newRow("Frame2") << "Frame2"
                          << "frmROZoveVI" << QRect(8, 72, 289, 57);
  QTest::newRow("txtValue") << "txtValue"
                            << "Frame2" << QRect(8, 16, 273, 27);
  QTest::newRow("cmdRead") << "cmdRead"
                           << "frmROZoveVI" << QRect(320, 80, 121, 49);
  QTest::newRow("cmdWrite") << "cmdWrite"
                            << "frmROZoveVI" << QRect(464, 80, 121, 49);
}

void MainWindowTest::placesEveryControlAtItsTwipsPositionInPixels() {
  QFETCH(QString, name);
  QFETCH(QString, container);
  QFETCH(QRect, geometry);
  auto* control = window_->findChild<QWidget*>(name);
  QVERIFY(control != nullptr);
  QCOMPARE(control->parentWidget()->objectName(), container);
  QCOMPARE(control->geometry(), geometry);
}

void MainWindowTest::showsCaptionsOfFramesAndButtons() {
  QCOMPARE(window_->findChild<QGroupBox*>("Frame1")->title(),
           QStringLiteral("Enter IO Address (Can be a filename, or a DDE: / OPC: address)"));
  QCOMPARE(window_->findChild<QGroupBox*>("Frame2")->title(), QStringLiteral("Value"));
  QCOMPARE(Button("cmdRead")->text(), QStringLiteral("Read Value"));
  QCOMPARE(Button("cmdWrite")->text(), QStringLiteral("Write Value"));
}

void MainWindowTest::paintsWindowTextBoxesAndButtonFacesInTheirColours() {
  QCOMPARE(PixelAt(window_.get(), QPoint(3, 3)), kGray);
  QCOMPARE(PixelAt(window_.get(), QPoint(600, 110)), kGray);  // Right of the buttons.
  auto* frame = window_->findChild<QWidget*>("Frame2");
  QCOMPARE(PixelAt(frame, QPoint(frame->width() / 2, frame->height() - 6)), kGray);
  for (const char* name : {"txtAddress", "txtValue"}) {
    QCOMPARE(PixelAt(TextBox(name), QPoint(TextBox(name)->width() - 8, 13)), kLightYellow);
  }
  // Away from the caption and the edges, the face is the button's own colour.
  for (const char* name : {"cmdRead", "cmdWrite"}) {
    QCOMPARE(PixelAt(Button(name), QPoint(8, 8)), kLightBlue);
    QCOMPARE(PixelAt(Button(name), QPoint(Button(name)->width() - 8, 40)), kLightBlue);
  }
}

void MainWindowTest::writesFrameCaptionsInWhite() {
  const QImage image = window_->grab().toImage();
  for (const char* name : {"Frame1", "Frame2"}) {
    auto* frame = window_->findChild<QGroupBox*>(name);
    // The caption sits over the top edge, right of the corner; "Value" is about 30 pixels wide.
    const QRect caption(frame->mapTo(window_.get(), QPoint(10, 0)), QSize(26, 14));
    // Glyph edges are smoothed, so count the light pixels: on gray only the caption has them.
    int light = 0;
    for (int y = caption.top(); y <= caption.bottom(); ++y) {
      for (int x = caption.left(); x <= caption.right(); ++x) {
        if (image.pixelColor(x, y).lightness() > 200) ++light;
      }
    }
    QVERIFY2(light >= 15, name);
  }
}

void MainWindowTest::marksDefaultAndFocusedButtonsAndGreysDisabledCaptions() {
  QPushButton* read = Button("cmdRead");
  QPushButton* write = Button("cmdWrite");
  // The default button has a black border; the other a light top edge.
  QCOMPARE(PixelAt(read, QPoint(read->width() / 2, 0)), QColor(Qt::black));
  QCOMPARE(PixelAt(write, QPoint(write->width() / 2, 0)), QColor(Qt::white));

  // A focused button shows a mark inside its face, a little in from the edge.
  const QRect focus_band(8, 3, 40, 3);
  QCOMPARE(LightnessRange(write, focus_band),
           std::make_pair(kLightBlue.lightness(), kLightBlue.lightness()));
  write->setFocus();
  QVERIFY(LightnessRange(write, focus_band).first < kLightBlue.lightness());

  // Captions are black while enabled, visibly gray (neither black nor lost in the face) while
  // disabled.
  const QRect caption(write->width() / 4, write->height() / 3, write->width() / 2,
                      write->height() / 3);
  QVERIFY(LightnessRange(write, caption).first < 40);
  window_->SetWriteEnabled(false);
  const auto [darkest, lightest] = LightnessRange(write, caption);
  QVERIFY2(darkest > 80 && darkest < 160, qPrintable(QString::number(darkest)));
  QVERIFY(lightest >= kLightBlue.lightness());
}

void MainWindowTest::givesTextBoxesCourierNewTwelvePoints() {
  for (const char* name : {"txtAddress", "txtValue"}) {
    const QFont font = TextBox(name)->font();
    QCOMPARE(font.family(), QStringLiteral("Courier New"));
    QCOMPARE(font.pointSize(), 12);
    QCOMPARE(font.weight(), QFont::Normal);
    QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());
    // Whatever face the system substitutes, it keeps fixed-pitch columns.
    QVERIFY(QFontInfo(font).fixedPitch());
  }
}

void MainWindowTest::startsWithEmptyUnlimitedTextBoxesAndEnabledButtons() {
  for (const char* name : {"txtAddress", "txtValue"}) {
    QVERIFY(TextBox(name)->text().isEmpty());
    QCOMPARE(TextBox(name)->maxLength(), std::numeric_limits<int>::max());
  }
  const QString long_text(40000, QLatin1Char('x'));
  TextBox("txtValue")->setText(long_text);
  QCOMPARE(TextBox("txtValue")->text(), long_text);
  QVERIFY(Button("cmdRead")->isEnabled());
  QVERIFY(Button("cmdWrite")->isEnabled());
  QVERIFY(!window_->WriteWarned());
}

void MainWindowTest::startsWithFocusInAddressAndTabsInOrder() {
  QCOMPARE(QApplication::focusWidget(), TextBox("txtAddress"));
  const QList<QWidget*> order = {TextBox("txtValue"), Button("cmdRead"), Button("cmdWrite"),
                                 TextBox("txtAddress")};
  for (QWidget* next : order) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), next);
  }
}

void MainWindowTest::enterInEitherTextBoxReadsOnce_data() {
  QTest::addColumn<QString>("box");
  QTest::addColumn<int>("key");
  QTest::newRow("Return in txtAddress") << "txtAddress" << int(Qt::Key_Return);
  QTest::newRow("Return in txtValue") << "txtValue" << int(Qt::Key_Return);
  QTest::newRow("keypad Enter in txtAddress") << "txtAddress" << int(Qt::Key_Enter);
}

void MainWindowTest::enterInEitherTextBoxReadsOnce() {
  QFETCH(QString, box);
  QFETCH(int, key);
  TextBox("txtAddress")->setText(QStringLiteral("C:\\line.txt"));
  QSignalSpy clicks(Button("cmdRead"), &QPushButton::clicked);
  QTest::keyClick(window_->findChild<QLineEdit*>(box), static_cast<Qt::Key>(key));
  QCOMPARE(clicks.count(), 1);
  QCOMPARE(runtime_->reads.size(), std::size_t{1});
  QVERIFY(runtime_->writes.empty());
}

void MainWindowTest::enterOnFocusedWriteButtonWritesInsteadOfReading() {
  TextBox("txtAddress")->setText(QStringLiteral("C:\\line.txt"));
  window_->SetWriteWarned(true);
  QVERIFY(Button("cmdRead")->isDefault());
  Button("cmdWrite")->setFocus();
  QVERIFY(!Button("cmdRead")->isDefault());  // The mark follows the button Enter clicks.
  QTest::keyClick(Button("cmdWrite"), Qt::Key_Return);
  QVERIFY(runtime_->reads.empty());
  QCOMPARE(runtime_->writes.size(), std::size_t{1});
  TextBox("txtValue")->setFocus();
  QVERIFY(Button("cmdRead")->isDefault());
}

void MainWindowTest::readPutsServerValueIntoValueBoxAndFocusesReadButton() {
  runtime_->script.read_result = AutomationValue::String(u"42.5 bar");
  TextBox("txtValue")->setText(QStringLiteral("old"));
  QTest::keyClicks(TextBox("txtAddress"), QStringLiteral("OPC:Line1.Pressure"));
  QTest::keyClick(TextBox("txtAddress"), Qt::Key_Return);
  QCOMPARE(runtime_->reads, std::vector<std::u16string>{u"OPC:Line1.Pressure"});
  QCOMPARE(TextBox("txtValue")->text(), QStringLiteral("42.5 bar"));
  QCOMPARE(QApplication::focusWidget(), Button("cmdRead"));
  QVERIFY(presenter_->boxes.shown.empty());
  QVERIFY(Button("cmdRead")->isEnabled() && Button("cmdWrite")->isEnabled());
}

// The window shows the exchange's message exactly, without the reason the server gives.
void MainWindowTest::failedReadShowsMessageWhileButtonsAreDisabled() {
  runtime_->script.read_result = AutomationValue::String(u"partial");
  runtime_->script.success = AutomationValue::Boolean(false);
  runtime_->script.failure = ioserver::Status::Failure("cannot open the file");
  TextBox("txtAddress")->setText(QStringLiteral("DDE:Line|Topic!Item"));
  QTest::mouseClick(Button("cmdRead"), Qt::LeftButton);
  QCOMPARE(presenter_->boxes.shown.size(), std::size_t{1});
  const auto& shown = presenter_->boxes.shown.front();
  QVERIFY(shown.prompt == u"Communication Failed!");
  QCOMPARE(shown.style, MessageStyle::kCriticalOk);
  QVERIFY(!shown.read_enabled && !shown.write_enabled);
  QCOMPARE(TextBox("txtValue")->text(), QStringLiteral("partial"));
  QVERIFY(Button("cmdRead")->isEnabled() && Button("cmdWrite")->isEnabled());
}

void MainWindowTest::serverErrorIsReportedAndWindowCarriesOn() {
  runtime_->script.failing_member = rozovevi::testing::Member::kReadInputFile;
  runtime_->script.error = ioserver::IoError(-2147221020, u"Invalid syntax");
  TextBox("txtAddress")->setText(QStringLiteral("OPC:Line1.Pressure"));
  QTest::mouseClick(Button("cmdRead"), Qt::LeftButton);
  QCOMPARE(presenter_->boxes.shown.size(), std::size_t{1});
  const auto& shown = presenter_->boxes.shown.front();
  QCOMPARE(shown.style, MessageStyle::kCriticalOk);
  QVERIFY(shown.prompt == u"I/O server error -2147221020:\r\n\r\nInvalid syntax");
  QVERIFY(window_->isVisible());
  QVERIFY(Button("cmdRead")->isEnabled() && Button("cmdWrite")->isEnabled());
  QCOMPARE(TextBox("txtAddress")->text(), QStringLiteral("OPC:Line1.Pressure"));
}

void MainWindowTest::failedExchangeGivesTheFocusBackToItsButton() {
  runtime_->script.failing_member = rozovevi::testing::Member::kWriteOutputFile;
  TextBox("txtAddress")->setText(QStringLiteral("OPC:Line1.Setpoint"));
  window_->SetWriteWarned(true);
  Button("cmdWrite")->setFocus();
  QTest::keyClick(Button("cmdWrite"), Qt::Key_Return);
  QCOMPARE(presenter_->boxes.shown.size(), std::size_t{1});
  QCOMPARE(QApplication::focusWidget(), Button("cmdWrite"));
  QVERIFY(!TextBox("txtAddress")->hasSelectedText());
}

// The warning's answer comes back from the presenter, and the window keeps the flag that stops
// it coming again.
void MainWindowTest::writeWarningIsAnsweredThroughThePresenterAndRememberedByTheWindow() {
  TextBox("txtAddress")->setText(QStringLiteral("C:\\setpoint.txt"));
  TextBox("txtValue")->setText(QStringLiteral("17"));
  presenter_->boxes.answers.push_back(MessageAnswer::kNo);

  QTest::mouseClick(Button("cmdWrite"), Qt::LeftButton);
  QCOMPARE(presenter_->boxes.shown.size(), std::size_t{1});
  QCOMPARE(presenter_->boxes.shown.front().style, MessageStyle::kCriticalYesNo);
  QVERIFY(runtime_->writes.empty());
  QVERIFY(window_->WriteWarned());

  QTest::mouseClick(Button("cmdWrite"), Qt::LeftButton);
  QCOMPARE(presenter_->boxes.shown.size(), std::size_t{1});
  using Write = std::pair<std::u16string, std::u16string>;
  QCOMPARE(runtime_->writes, std::vector<Write>{Write(u"C:\\setpoint.txt", u"17")});
}

void MainWindowTest::exchangeLeavesFocusWhereTheActionBegan_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<bool>("warned");
  QTest::addColumn<bool>("fails");  // The call raises an error.
  QTest::addColumn<bool>("succeeds");
  QTest::newRow("write after the warning") << "cmdWrite" << false << false << true;
  QTest::newRow("write, warning already shown") << "cmdWrite" << true << false << true;
  QTest::newRow("write to a missing directory") << "cmdWrite" << true << true << true;
  QTest::newRow("write reported failed") << "cmdWrite" << true << false << false;
  QTest::newRow("read raising an error") << "cmdRead" << false << true << true;
}

void MainWindowTest::exchangeLeavesFocusWhereTheActionBegan() {
  QFETCH(QString, button);
  QFETCH(bool, warned);
  QFETCH(bool, fails);
  QFETCH(bool, succeeds);
  window_->SetWriteWarned(warned);
  if (fails) {
    runtime_->script.failing_member = button == QStringLiteral("cmdWrite")
                                          ? rozovevi::testing::Member::kWriteOutputFile
                                          : rozovevi::testing::Member::kReadInputFile;
    runtime_->script.error = ioserver::IoError(76, u"Path not found");
  }
  runtime_->script.success = AutomationValue::Boolean(succeeds);
  TextBox("txtAddress")->setText(QStringLiteral("/missing/setpoint.txt"));
  QPushButton* clicked = window_->findChild<QPushButton*>(button);

  // The click itself puts the focus on the button, as a mouse click does.
  QTest::mouseClick(clicked, Qt::LeftButton);
  QVERIFY(runtime_->objects_created == 1);
  QVERIFY(Button("cmdRead")->isEnabled() && Button("cmdWrite")->isEnabled());
  QCOMPARE(QApplication::focusWidget(), clicked);
  QVERIFY(clicked->hasFocus());
}

void MainWindowTest::focusComesBackAfterRealMessageBoxes() {
  QtMessagePresenter boxes;
  MainWindow window(*runtime_, boxes);
  window.show();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  runtime_->script.success = AutomationValue::Boolean(false);
  window.findChild<QLineEdit*>("txtAddress")->setText(QStringLiteral("DDE:Line|Topic!Item"));

  // Each box takes the focus while it is up; Enter answers it with its default button.
  int answered = 0;
  QTimer answer;
  connect(&answer, &QTimer::timeout, this, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    ++answered;
    QTest::keyClick(box, Qt::Key_Return);
  });
  answer.start(10);
  auto* write = window.findChild<QPushButton*>("cmdWrite");
  QTest::mouseClick(write, Qt::LeftButton);  // The warning, then "Communication Failed!".
  answer.stop();
  QCOMPARE(answered, 2);
  QCOMPARE(runtime_->writes.size(), std::size_t{1});
  // A window manager activates the window again when the box closes; Qt then gives the focus to
  // the control the window last had it on.
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QCOMPARE(QApplication::focusWidget(), write);
}

void MainWindowTest::valueCrossesTheValueBoxUnaltered_data() {
  QTest::addColumn<QString>("value");
  // A leading U+FEFF or U+FFFE is a character of the value here, not a byte-order mark.
  QTest::newRow("zero-width no-break space first") << QStringView(u"\uFEFF12.5").toString();
  QTest::newRow("U+FFFE first") << QStringView(u"\uFFFEab").toString();
  QTest::newRow("outside the BMP") << QStringView(u"\U0001F600 \u00B0C").toString();
  QTest::newRow("large") << QString(100000, QChar(u'\u0416'));
}

void MainWindowTest::valueCrossesTheValueBoxUnaltered() {
  QFETCH(QString, value);
  const std::u16string units = value.toStdU16String();
  runtime_->script.read_result = AutomationValue::String(units);
  TextBox("txtAddress")->setText(QStringLiteral("OPC:Line1.Value"));
  QTest::mouseClick(Button("cmdRead"), Qt::LeftButton);
  QCOMPARE(TextBox("txtValue")->text(), value);

  window_->SetWriteWarned(true);
  QTest::mouseClick(Button("cmdWrite"), Qt::LeftButton);
  QCOMPARE(runtime_->writes.size(), std::size_t{1});
  QVERIFY(runtime_->writes.front().second == units);
  QVERIFY(presenter_->boxes.shown.empty());
}

void MainWindowTest::windowIconHoldsBothDrawnImages() {
  const QIcon icon = window_->windowIcon();
  for (int size : {16, 32}) {
    QVERIFY(icon.availableSizes().contains(QSize(size, size)));
    const QImage shown =
        icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
    const std::string_view* expected = rozovevi::testing::IconPicture(size);
    QCOMPARE(shown.size(), QSize(size, size));
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const QRgb pixel = shown.pixel(x, y);
        const std::optional<Rgb> colour = rozovevi::testing::IconColour(expected[y][x]);
        if (!colour) {
          QCOMPARE(qAlpha(pixel), 0);
        } else {
          QCOMPARE(pixel, qRgb(colour->red, colour->green, colour->blue));
        }
      }
    }
  }
}

}  // namespace rozovevi::app::qt

QTEST_MAIN(rozovevi::app::qt::MainWindowTest)
#include "main_window_test.moc"
