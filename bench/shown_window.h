// The real main window, shown on the current Qt platform and ready for a read or a write, and
// the bare work of a read into its value box.
#pragma once

#include <QLineEdit>
#include <QString>

#include <string>

#include "app/qt/main_window.h"
#include "ioserver/automation_runtime.h"
#include "tests/app/qt/fake_message_presenter.h"

namespace rozovevi::bench {

// The Qt main window with every message box answered at once, shown, with address typed into
// txtAddress. Needs a QApplication; runtime must outlive it.
class ShownWindow {
 public:
  ShownWindow(ioserver::AutomationRuntime& runtime, const std::string& address);

  app::qt::MainWindow& window() { return window_; }
  QLineEdit& txtValue() const { return *txtValue_; }
  std::size_t messages_shown() const { return presenter_.boxes.shown.size(); }

  // What clicking cmdRead or cmdWrite runs, without the button's own signalling.
  void Read();
  void Write();

 private:
  ioserver::AutomationRuntime& runtime_;
  app::qt::testing::FakeMessagePresenter presenter_;
  app::qt::MainWindow window_;
  QLineEdit* txtValue_ = nullptr;
};

// The bare read into a value box: open, fstat, read, close, QString::fromUtf8, setText, with the
// file's bytes released before setText.
void BareReadIntoTextBox(const std::string& path, QLineEdit& text_box);

// The bare text of a value box as UTF-8 bytes: text, then toUtf8.
QByteArray BareTextBoxBytes(const QLineEdit& text_box);

}  // namespace rozovevi::bench
