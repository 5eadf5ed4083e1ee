// A probe that the Qt GUI library loads into a program started with QT_LOAD_TESTABILITY=1 (as
// libqttestability.so, found through LD_LIBRARY_PATH), so that the installed program can be
// checked as it is, with no test code of its own. Once the event loop runs it waits for a shown,
// exposed top-level window, prints its title, size and the application icon's sizes on standard
// output, and ends the program with status 0; if none shows within the time limit, status 1.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QIcon>
#include <QSize>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace {

constexpr int kPollMilliseconds = 20;
constexpr qint64 kLimitMilliseconds = 10000;
constexpr int kShown = 0;
constexpr int kNotShown = 1;

QWindow* ShownWindow() {
  for (QWindow* window : QGuiApplication::topLevelWindows()) {
    if (window->isVisible() && window->isExposed()) return window;
  }
  return nullptr;
}

void Report(const QWindow& window) {
  QByteArray sizes;
  for (const QSize& size : QGuiApplication::windowIcon().availableSizes()) {
    sizes += ' ' + QByteArray::number(size.width()) + 'x' + QByteArray::number(size.height());
  }
  std::printf("window shown: \"%s\" %dx%d, icon%s\n", window.title().toUtf8().constData(),
              window.width(), window.height(), sizes.isEmpty() ? " none" : sizes.constData());
  std::fflush(stdout);
}

}  // namespace

extern "C" Q_DECL_EXPORT void qt_testability_init() {
  auto* timer = new QTimer(QCoreApplication::instance());
  QElapsedTimer clock;
  clock.start();
  QObject::connect(timer, &QTimer::timeout, timer, [timer, clock] {
    if (QWindow* window = ShownWindow()) {
      Report(*window);
      QCoreApplication::exit(kShown);
    } else if (clock.elapsed() > kLimitMilliseconds) {
      std::printf("no window shown within %lld ms\n", static_cast<long long>(kLimitMilliseconds));
      std::fflush(stdout);
      QCoreApplication::exit(kNotShown);
    } else {
      return;
    }
    timer->stop();
  });
  timer->start(kPollMilliseconds);
}
