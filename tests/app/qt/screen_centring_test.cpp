// Checks that a window is moved to the centred origin of the primary screen, converted via twips.
#include "app/qt/screen_centring.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

namespace rozovevi::app::qt {

class ScreenCentringTest : public QObject {
  Q_OBJECT

 private slots:
  void movesOuterCornerToCentredOrigin_data();
  void movesOuterCornerToCentredOrigin();
};

void ScreenCentringTest::movesOuterCornerToCentredOrigin_data() {
  QTest::addColumn<QSize>("window_size");
  QTest::addColumn<QPoint>("origin");
  // On an 800x600 screen.
  QTest::newRow("main window") << QSize(694, 136) << QPoint(53, 232);
  // 463 px down is 6945 twips, halved toward zero to 3472 twips: 231.47 px, so 231.
  QTest::newRow("odd difference") << QSize(700, 137) << QPoint(50, 231);
  QTest::newRow("as large as the screen") << QSize(800, 600) << QPoint(0, 0);
  QTest::newRow("larger than the screen") << QSize(1000, 700) << QPoint(-100, -50);
}

void ScreenCentringTest::movesOuterCornerToCentredOrigin() {
  QFETCH(QSize, window_size);
  QFETCH(QPoint, origin);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  if (screen.size() != QSize(800, 600)) QSKIP("The cases are worked out for an 800x600 screen");
  QWidget window;
  window.setFixedSize(window_size);
  CentreOnPrimaryScreen(window);
  QCOMPARE(window.frameGeometry().topLeft(), screen.topLeft() + origin);
  QCOMPARE(window.size(), window_size);
}

}  // namespace rozovevi::app::qt

QTEST_MAIN(rozovevi::app::qt::ScreenCentringTest)
#include "screen_centring_test.moc"
