// Under a real window manager on X11: the window's outer frame is centred from its first
// appearance. Run by run_under_window_manager.sh in a private virtual display.
#include <QGuiApplication>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "app/qt/frame_extents.h"
#include "app/qt/main_window.h"
#include "app/qt/screen_centring.h"
#include "fake_message_presenter.h"
#include "tests/support/scripted_runtime.h"

namespace rozovevi::app::qt {
namespace {

constexpr int kWindowManagerWaitMs = 10000;
constexpr int kSettleMs = 500;  // Long enough for a window manager's late correction to show.

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using UniqueReply = std::unique_ptr<Reply, FreeReply>;

xcb_connection_t* Connection() {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_window_t Root() { return xcb_setup_roots_iterator(xcb_get_setup(Connection())).data->root; }

xcb_atom_t Atom(std::string_view name) {
  const UniqueReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      Connection(),
      xcb_intern_atom(Connection(), 0, static_cast<std::uint16_t>(name.size()), name.data()),
      nullptr));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

bool HasProperty(xcb_window_t window, std::string_view name) {
  const UniqueReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      Connection(), xcb_get_property(Connection(), 0, window, Atom(name), XCB_ATOM_ANY, 0, 1),
      nullptr));
  return reply && reply->type != XCB_ATOM_NONE;
}

// The client area's top-left corner on the screen, as the X server has it.
QPoint ClientCorner(QWidget& window) {
  const UniqueReply<xcb_translate_coordinates_reply_t> reply(xcb_translate_coordinates_reply(
      Connection(),
      xcb_translate_coordinates(Connection(), static_cast<xcb_window_t>(window.winId()), Root(), 0,
                                0),
      nullptr));
  return reply ? QPoint(reply->dst_x, reply->dst_y) : QPoint(-1, -1);
}

// The frame as the window manager publishes it once the window is mapped.
QMargins PublishedFrame(QWidget& window) {
  const UniqueReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      Connection(),
      xcb_get_property(Connection(), 0, static_cast<xcb_window_t>(window.winId()),
                       Atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 0, 4),
      nullptr));
  if (!reply || xcb_get_property_value_length(reply.get()) != 16) return QMargins();
  const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
  return QMargins(static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]),
                  static_cast<int>(v[3]));
}

}  // namespace

class WindowManagerCentringTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void outerFrameIsCentredFromTheFirstShow();
};

void WindowManagerCentringTest::initTestCase() {
  if (Connection() == nullptr) QSKIP("Needs the xcb platform on an X display");
  // The window manager announces itself on the root window when it starts, but answers requests
  // only once it has settled in; wait for an answer to a throwaway window's request.
  QTRY_VERIFY_WITH_TIMEOUT(HasProperty(Root(), "_NET_SUPPORTING_WM_CHECK"), kWindowManagerWaitMs);
  QWidget probe;
  QTRY_VERIFY_WITH_TIMEOUT(FrameExtentsBeforeShow(probe).has_value(), kWindowManagerWaitMs);
}

void WindowManagerCentringTest::outerFrameIsCentredFromTheFirstShow() {
  rozovevi::testing::EventLog log;
  rozovevi::testing::ScriptedRuntime runtime(log);
  testing::FakeMessagePresenter presenter;
  MainWindow window(runtime, presenter);

  // Asked before the first show, the window manager gives the frame it then draws.
  const std::optional<QMargins> asked = FrameExtentsBeforeShow(window);
  QVERIFY(asked.has_value());
  QVERIFY(asked->top() > 0);

  CentreOnPrimaryScreen(window);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  const QPoint first = ClientCorner(window);
  QTest::qWait(kSettleMs);
  const QPoint settled = ClientCorner(window);
  QCOMPARE(settled, first);  // No jump after the window appeared.

  const QMargins frame = PublishedFrame(window);
  QCOMPARE(frame, *asked);
  const QRect outer(settled - QPoint(frame.left(), frame.top()), window.size().grownBy(frame));
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QPoint centred = screen.topLeft() + QPoint((screen.width() - outer.width()) / 2,
                                                   (screen.height() - outer.height()) / 2);
  QVERIFY2(std::abs(outer.left() - centred.x()) <= 1 && std::abs(outer.top() - centred.y()) <= 1,
           qPrintable(QStringLiteral("frame at %1,%2, centred is %3,%4")
                          .arg(outer.left())
                          .arg(outer.top())
                          .arg(centred.x())
                          .arg(centred.y())));
}

}  // namespace rozovevi::app::qt

QTEST_MAIN(rozovevi::app::qt::WindowManagerCentringTest)
#include "window_manager_centring_test.moc"
