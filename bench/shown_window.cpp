// The shown main window for the benchmarks, and the bare read into a QLineEdit.
#include "bench/shown_window.h"

#include <QApplication>
#include <stdexcept>

#include "actions/read_action.h"
#include "actions/write_action.h"
#include "bench/bare_file_work.h"

namespace rozovevi::bench {

ShownWindow::ShownWindow(ioserver::AutomationRuntime& runtime, const std::string& address)
    : runtime_(runtime), window_(runtime, presenter_) {
  auto* txtAddress = window_.findChild<QLineEdit*>(QStringLiteral("txtAddress"));
  txtValue_ = window_.findChild<QLineEdit*>(QStringLiteral("txtValue"));
  if (txtAddress == nullptr || txtValue_ == nullptr) {
    throw std::runtime_error("the window has no txtAddress or txtValue");
  }
  txtAddress->setText(QString::fromStdString(address));
  window_.SetWriteWarned(true);  // Writes go straight through, with no warning to answer.
  window_.show();
  QApplication::processEvents();
}

void ShownWindow::Read() { actions::RunReadAction(window_, runtime_); }

void ShownWindow::Write() { actions::RunWriteAction(window_, runtime_); }

void BareReadIntoTextBox(const std::string& path, QLineEdit& text_box) {
  QString text;
  {
    const FileBuffer buffer = BareReadFile(path);  // Let go before the text box copies the text.
    const std::string_view bytes = buffer.view();
    text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  }
  text_box.setText(text);
}

QByteArray BareTextBoxBytes(const QLineEdit& text_box) { return text_box.text().toUtf8(); }

}  // namespace rozovevi::bench
