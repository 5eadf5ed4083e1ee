// The main window with Qt Widgets: the controls, their looks, and the two actions.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>

#include "actions/main_window_surface.h"
#include "app/qt/message_presenter.h"
#include "app/window_layout.h"
#include "ioserver/automation_runtime.h"

class QGroupBox;
class QKeyEvent;
class QLineEdit;
class QPushButton;

namespace rozovevi::app::qt {

// The program's one window. Controls are placed at fixed positions from the shared layout, with
// the layout's names as their object names (the window is frmROZoveVI); the window has a fixed
// size. The Read Value button runs the read action and the Write Value button the write action,
// each on the window's thread with the runtime given here. The runtime and the presenter must
// outlive the window.
class MainWindow final : public QWidget, public actions::MainWindowSurface {
  Q_OBJECT

 public:
  MainWindow(ioserver::AutomationRuntime& runtime, MessagePresenter& presenter,
             QWidget* parent = nullptr);
  // Stops following the application's focus before ~QWidget runs: destroying the children moves
  // the focus, and the handler must not see a window that is half destroyed.
  ~MainWindow() override;

  // actions::MainWindowSurface
  std::u16string AddressText() const override;
  void WithValueText(const std::function<void(std::u16string_view)>& use) const override;
  void SetValueText(std::u16string text) override;
  void SetReadEnabled(bool enabled) override;
  void SetWriteEnabled(bool enabled) override;
  void FocusRead() override;
  actions::MessageAnswer ShowMessage(std::u16string_view prompt,
                                     actions::MessageStyle style) override;
  bool WriteWarned() const override { return write_warned_; }
  void SetWriteWarned(bool warned) override { write_warned_ = warned; }

 protected:
  // Enter anywhere a control does not take it itself clicks the default button, Read Value.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CreateControls();
  QWidget* ControlWidget(ControlId id) const;
  // Enables or disables one of the buttons. Qt moves the focus off a control it disables, so the
  // control that had the focus when the first button went is remembered and given the focus
  // back once both buttons are enabled again.
  void SetButtonEnabled(QPushButton& button, bool enabled);
  bool ButtonsEnabled() const;

  ioserver::AutomationRuntime& runtime_;
  MessagePresenter& presenter_;

  // Owned by the window through Qt's parent chain.
  QGroupBox* address_frame_ = nullptr;
  QLineEdit* address_box_ = nullptr;
  QGroupBox* value_frame_ = nullptr;
  QLineEdit* value_box_ = nullptr;
  QPushButton* read_button_ = nullptr;
  QPushButton* write_button_ = nullptr;

  // The handler of QApplication::focusChanged that moves the default button's mark.
  QMetaObject::Connection focus_tracking_;

  // Set when the write warning has been shown; never reset while the program runs.
  bool write_warned_ = false;

  // The control that had the focus when the buttons were disabled; null while they are enabled.
  QPointer<QWidget> focus_before_lock_;
};

}  // namespace rozovevi::app::qt
