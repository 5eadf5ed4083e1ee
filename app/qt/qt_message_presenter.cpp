// Message boxes shown with QMessageBox.
#include "app/qt/qt_message_presenter.h"

#include "actions/messages.h"
#include "app/qt/qt_text.h"

namespace rozovevi::app::qt {
namespace {

using actions::MessageAnswer;
using actions::MessageStyle;

// A lone CR would show as a stray glyph or an extra break depending on the style, so CR LF and
// a lone CR both become LF.
QString ForDisplay(std::u16string_view prompt) {
  QString text = ToQString(prompt);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

}  // namespace

std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* parent, std::u16string_view prompt,
                                             MessageStyle style) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setWindowTitle(ToQString(actions::kProgramName));
  // Plain text: an address or a server's description must show as typed, never as markup.
  box->setTextFormat(Qt::PlainText);
  box->setText(ForDisplay(prompt));
  switch (style) {
    case MessageStyle::kCriticalOk:
      box->setIcon(QMessageBox::Critical);
      box->setStandardButtons(QMessageBox::Ok);
      box->setDefaultButton(QMessageBox::Ok);
      break;
    case MessageStyle::kCriticalYesNo:
      box->setIcon(QMessageBox::Critical);
      box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box->setDefaultButton(QMessageBox::Yes);
      box->setEscapeButton(QMessageBox::No);
      break;
    case MessageStyle::kExclamationOk:
      box->setIcon(QMessageBox::Warning);
      box->setStandardButtons(QMessageBox::Ok);
      box->setDefaultButton(QMessageBox::Ok);
      break;
  }
  return box;
}

MessageAnswer AnswerFor(QMessageBox::StandardButton button, MessageStyle style) {
  if (style == MessageStyle::kCriticalYesNo) {
    return button == QMessageBox::Yes ? MessageAnswer::kYes : MessageAnswer::kNo;
  }
  return MessageAnswer::kOk;
}

MessageAnswer QtMessagePresenter::Present(QWidget& parent, std::u16string_view prompt,
                                          MessageStyle style) {
  std::unique_ptr<QMessageBox> box = BuildMessageBox(&parent, prompt, style);
  return AnswerFor(static_cast<QMessageBox::StandardButton>(box->exec()), style);
}

}  // namespace rozovevi::app::qt
