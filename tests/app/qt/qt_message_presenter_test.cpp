// Checks the Qt message boxes: title, icon, buttons, default, line breaks and the answers.
#include "app/qt/qt_message_presenter.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace rozovevi::app::qt {

using actions::MessageAnswer;
using actions::MessageStyle;

class QtMessagePresenterTest : public QObject {
  Q_OBJECT

 private slots:
  void buildsBoxForEachStyle_data();
  void buildsBoxForEachStyle();
  void showsCrLfAsLineBreaksAndMarkupAsText();
  void returnsTheButtonPressed_data();
  void returnsTheButtonPressed();
};

void QtMessagePresenterTest::buildsBoxForEachStyle_data() {
  QTest::addColumn<MessageStyle>("style");
  QTest::addColumn<QMessageBox::Icon>("icon");
  QTest::addColumn<QMessageBox::StandardButtons>("buttons");
  QTest::addColumn<QMessageBox::StandardButton>("default_button");
  QTest::newRow("16 critical OK") << MessageStyle::kCriticalOk << QMessageBox::Critical
                                  << QMessageBox::StandardButtons(QMessageBox::Ok)
                                  << QMessageBox::Ok;
  QTest::newRow("20 critical Yes No")
      << MessageStyle::kCriticalYesNo << QMessageBox::Critical
      << QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No) << QMessageBox::Yes;
  QTest::newRow("48 exclamation OK")
      << MessageStyle::kExclamationOk << QMessageBox::Warning
      << QMessageBox::StandardButtons(QMessageBox::Ok) << QMessageBox::Ok;
}

void QtMessagePresenterTest::buildsBoxForEachStyle() {
  QFETCH(MessageStyle, style);
  QFETCH(QMessageBox::Icon, icon);
  QFETCH(QMessageBox::StandardButtons, buttons);
  QFETCH(QMessageBox::StandardButton, default_button);
  QWidget parent;
  const auto box = BuildMessageBox(&parent, u"Communication Failed!", style);
  QCOMPARE(box->windowTitle(), QStringLiteral("ROZoveVI"));
  QCOMPARE(box->text(), QStringLiteral("Communication Failed!"));
  QCOMPARE(box->icon(), icon);
  QCOMPARE(box->standardButtons(), buttons);
  QCOMPARE(box->standardButton(box->defaultButton()), default_button);
  QCOMPARE(box->parentWidget(), &parent);
}

void QtMessagePresenterTest::showsCrLfAsLineBreaksAndMarkupAsText() {
  const auto box =
      BuildMessageBox(nullptr, u"First\r\nSecond\r\n\r\n<b>Sure?</b>", MessageStyle::kCriticalOk);
  QCOMPARE(box->text(), QStringLiteral("First\nSecond\n\n<b>Sure?</b>"));
  QCOMPARE(box->textFormat(), Qt::PlainText);
}

void QtMessagePresenterTest::returnsTheButtonPressed_data() {
  QTest::addColumn<MessageStyle>("style");
  QTest::addColumn<int>("key");  // Pressed in the box; 0 clicks No.
  QTest::addColumn<MessageAnswer>("answer");
  QTest::newRow("Enter on OK") << MessageStyle::kExclamationOk << int(Qt::Key_Return)
                               << MessageAnswer::kOk;
  QTest::newRow("Enter takes default Yes")
      << MessageStyle::kCriticalYesNo << int(Qt::Key_Return) << MessageAnswer::kYes;
  QTest::newRow("click No") << MessageStyle::kCriticalYesNo << 0 << MessageAnswer::kNo;
  QTest::newRow("Escape is No") << MessageStyle::kCriticalYesNo << int(Qt::Key_Escape)
                                << MessageAnswer::kNo;
}

void QtMessagePresenterTest::returnsTheButtonPressed() {
  QFETCH(MessageStyle, style);
  QFETCH(int, key);
  QFETCH(MessageAnswer, answer);
  QWidget parent;
  parent.show();
  bool answered_box = false;
  // The box runs its own event loop; answer it from there as an operator would.
  QTimer::singleShot(0, this, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    answered_box = true;
    if (key == 0) {
      QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
    } else {
      QTest::keyClick(box, static_cast<Qt::Key>(key));
    }
  });
  QtMessagePresenter presenter;
  QCOMPARE(presenter.Present(parent, u"Are you SURE you still want to do this?", style), answer);
  QVERIFY(answered_box);
}

}  // namespace rozovevi::app::qt

QTEST_MAIN(rozovevi::app::qt::QtMessagePresenterTest)
#include "qt_message_presenter_test.moc"
