// The main window with Qt Widgets: the controls, their looks, and the two actions.
#include "app/qt/main_window.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>

#include "actions/messages.h"
#include "actions/read_action.h"
#include "actions/write_action.h"
#include "app/qt/classic_controls.h"
#include "app/qt/qt_program_icon.h"
#include "app/qt/qt_text.h"
#include "app/qt/window_looks.h"
#include "app/window_layout.h"

namespace rozovevi::app::qt {
namespace {

QRect PixelRect(const ControlLayout& layout) {
  return QRect(TwipsToQtPixels(layout.left), TwipsToQtPixels(layout.top),
               TwipsToQtPixels(layout.width), TwipsToQtPixels(layout.height));
}

template <typename Widget>
Widget* MakeControl(ControlId id, QWidget& container) {
  const ControlLayout& layout = Control(id);
  auto* widget = new Widget(&container);
  widget->setObjectName(ToQString(layout.name));
  widget->setGeometry(PixelRect(layout));
  return widget;
}

QGroupBox* MakeFrame(ControlId id, QWidget& window) {
  auto* frame = MakeControl<ClassicFrame>(id, window);
  frame->setTitle(ToQString(Control(id).caption));
  return frame;
}

QLineEdit* MakeTextBox(ControlId id, QWidget& frame) {
  auto* text_box = MakeControl<QLineEdit>(id, frame);
  ApplyTextBoxLooks(*text_box);
  return text_box;
}

QPushButton* MakeButton(ControlId id, QWidget& window) {
  auto* button = MakeControl<ClassicButton>(id, window);
  button->setText(ToQString(Control(id).caption));
  // Enter on a focused button clicks that button, as it does in a dialog.
  button->setAutoDefault(true);
  button->setDefault(id == kDefaultButton);
  return button;
}

}  // namespace

MainWindow::MainWindow(ioserver::AutomationRuntime& runtime, MessagePresenter& presenter,
                       QWidget* parent)
    : QWidget(parent), runtime_(runtime), presenter_(presenter) {
  setObjectName(ToQString(kWindowName));
  setWindowTitle(ToQString(kWindowCaption));
  // The window shows the application's icon. main sets it before the window exists, so it is
  // drawn once per run; a window made without it, as in tests, sets it here.
  if (QApplication::windowIcon().isNull()) QApplication::setWindowIcon(ProgramIcon());
  // Fixed size with no maximise button: the layout does not adapt to another size.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(TwipsToQtPixels(kClientWidthTwips), TwipsToQtPixels(kClientHeightTwips));
  ApplyWindowLooks(*this);
  CreateControls();

  connect(read_button_, &QPushButton::clicked, this,
          [this] { actions::RunReadAction(*this, runtime_); });
  connect(write_button_, &QPushButton::clicked, this,
          [this] { actions::RunWriteAction(*this, runtime_); });

  // As in a dialog, a focused push button takes Enter for itself, so the default button's mark
  // moves to it while it has the focus and comes back when the focus leaves it.
  focus_tracking_ =
      connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        auto* default_button = qobject_cast<QPushButton*>(ControlWidget(kDefaultButton));
        const bool other_button_focused = qobject_cast<QPushButton*>(now) != nullptr &&
                                          now != default_button && isAncestorOf(now);
        default_button->setDefault(!other_button_focused);
      });

  // Qt gives this focus to the control once the window is shown and active.
  ControlWidget(kInitialFocus)->setFocus();
}

MainWindow::~MainWindow() { disconnect(focus_tracking_); }

void MainWindow::CreateControls() {
  // Created in tab order, so that the focus chain is already the address box, the value box,
  // Read Value, Write Value; setTabOrder below makes it explicit.
  address_frame_ = MakeFrame(ControlId::kFrame1, *this);
  address_box_ = MakeTextBox(ControlId::kTxtAddress, *address_frame_);
  value_frame_ = MakeFrame(ControlId::kFrame2, *this);
  value_box_ = MakeTextBox(ControlId::kTxtValue, *value_frame_);
  read_button_ = MakeButton(ControlId::kCmdRead, *this);
  write_button_ = MakeButton(ControlId::kCmdWrite, *this);

  setTabOrder(address_box_, value_box_);
  setTabOrder(value_box_, read_button_);
  setTabOrder(read_button_, write_button_);
}

QWidget* MainWindow::ControlWidget(ControlId id) const {
  switch (id) {
    case ControlId::kFrame1:
      return address_frame_;
    case ControlId::kTxtAddress:
      return address_box_;
    case ControlId::kFrame2:
      return value_frame_;
    case ControlId::kTxtValue:
      return value_box_;
    case ControlId::kCmdRead:
      return read_button_;
    case ControlId::kCmdWrite:
      return write_button_;
  }
  return nullptr;
}

std::u16string MainWindow::AddressText() const { return FromQString(address_box_->text()); }

void MainWindow::WithValueText(const std::function<void(std::u16string_view)>& use) const {
  // text() shares the text box's own string, so nothing is copied; holding it here keeps the
  // view valid even if the text box changes meanwhile.
  const QString text = value_box_->text();
  use(U16View(text));
}

void MainWindow::SetValueText(std::u16string text) {
  const QString shown = ToQString(text);
  // The text box makes a display copy of its own; let the program's copy go first, so that a
  // large value is held twice at most, as by any QLineEdit.
  std::u16string().swap(text);
  value_box_->setText(shown);
}

void MainWindow::SetReadEnabled(bool enabled) { SetButtonEnabled(*read_button_, enabled); }

void MainWindow::SetWriteEnabled(bool enabled) { SetButtonEnabled(*write_button_, enabled); }

bool MainWindow::ButtonsEnabled() const {
  return read_button_->isEnabled() && write_button_->isEnabled();
}

void MainWindow::SetButtonEnabled(QPushButton& button, bool enabled) {
  if (!enabled && ButtonsEnabled()) focus_before_lock_ = focusWidget();
  // Disabling the focused button would make Qt pass the focus along the tab chain, through the
  // other button into the address box, selecting its text and laying it out on the way: the focus
  // is held nowhere instead until it is given back.
  if (!enabled && focusWidget() == &button) button.clearFocus();
  button.setEnabled(enabled);
  if (enabled && ButtonsEnabled() && focus_before_lock_ != nullptr) {
    // Given back even while the window is inactive: Qt then restores it on activation.
    focus_before_lock_->setFocus(Qt::OtherFocusReason);
    focus_before_lock_.clear();
  }
}

void MainWindow::FocusRead() { read_button_->setFocus(Qt::OtherFocusReason); }

actions::MessageAnswer MainWindow::ShowMessage(std::u16string_view prompt,
                                               actions::MessageStyle style) {
  return presenter_.Present(*this, prompt, style);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const bool plain =
      event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
  auto* button = qobject_cast<QPushButton*>(ControlWidget(kDefaultButton));
  if (enter && plain && button != nullptr && button->isEnabled()) {
    button->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace rozovevi::app::qt
