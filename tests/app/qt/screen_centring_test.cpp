// Checks that a window is moved to the centred origin of the primary screen, converted via twips,
// on an 800x600 screen of Qt's offscreen platform that the test sets up itself.
#include "app/qt/screen_centring.h"

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
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
  // On the 800x600 screen main sets up.
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
  QCOMPARE(screen.size(), QSize(800, 600));
  QWidget window;
  window.setFixedSize(window_size);
  CentreOnPrimaryScreen(window);
  QCOMPARE(window.frameGeometry().topLeft(), screen.topLeft() + origin);
  QCOMPARE(window.size(), window_size);
}

}  // namespace rozovevi::app::qt

// The offscreen platform with one screen of the size the cases are worked out for, whatever
// display the machine has.
int main(int argc, char* argv[]) {
  const QTemporaryDir directory;
  const QString config = directory.filePath(QStringLiteral("screens.json"));
  QFile file(config);
  if (!directory.isValid() || !file.open(QIODevice::WriteOnly) ||
      file.write(R"({"screens": [{"name": "Screen800x600", "x": 0, "y": 0, "width": 800,
                    "height": 600, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") < 0) {
    qCritical("cannot write the screen set-up %s", qPrintable(config));
    return 1;
  }
  file.close();
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
  QApplication application(argc, argv);
  rozovevi::app::qt::ScreenCentringTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "screen_centring_test.moc"
