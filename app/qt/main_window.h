// The main window frmROZoveVI with Qt Widgets: the controls, their looks, and the two actions.
#pragma once

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

// The program's one window. Controls are placed at fixed positions from the shared layout; the
// window has a fixed size. cmdRead runs the read action and cmdWrite the write action, each on
// the window's thread with the runtime given here. The runtime and the presenter must outlive the
// window.
class frmROZoveVI final : public QWidget, public actions::MainWindowSurface {
  Q_OBJECT

 public:
  frmROZoveVI(ioserver::AutomationRuntime& runtime, MessagePresenter& presenter,
              QWidget* parent = nullptr);

  // actions::MainWindowSurface
  std::u16string AddressText() const override;
  void WithValueText(const std::function<void(std::u16string_view)>& use) const override;
  void SetValueText(std::u16string text) override;
  void SetReadEnabled(bool enabled) override;
  void SetWriteEnabled(bool enabled) override;
  void FocusRead() override;
  actions::MessageAnswer ShowMessage(std::u16string_view prompt,
                                     actions::MessageStyle style) override;
  bool WriteWarned() const override { return blnWriteWarned; }
  void SetWriteWarned(bool warned) override { blnWriteWarned = warned; }

 protected:
  // Enter anywhere a control does not take it itself clicks the default button, cmdRead.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CreateControls();
  QWidget* ControlWidget(ControlId id) const;
  void SetButtonEnabled(QPushButton& button, bool enabled);

  ioserver::AutomationRuntime& runtime_;
  MessagePresenter& presenter_;

  // Owned by the window through Qt's parent chain.
  QGroupBox* Frame1 = nullptr;
  QLineEdit* txtAddress = nullptr;
  QGroupBox* Frame2 = nullptr;
  QLineEdit* txtValue = nullptr;
  QPushButton* cmdRead = nullptr;
  QPushButton* cmdWrite = nullptr;

  // Set when the write warning has been shown; never reset while the program runs.
  bool blnWriteWarned = false;
  // The button that had the focus when it was disabled, to have it back when enabled again.
  QPushButton* focus_before_lock_ = nullptr;
};

}  // namespace rozovevi::app::qt
