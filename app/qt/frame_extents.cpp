// _NET_REQUEST_FRAME_EXTENTS: the window manager tells a window's frame size before mapping it.
#include "app/qt/frame_extents.h"

#include <QGuiApplication>
#include <QThread>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#if defined(ROZOVEVI_HAVE_XCB) && QT_CONFIG(xcb)
#define ROZOVEVI_ASK_X11_FRAME 1
#include <xcb/xcb.h>
#endif

namespace rozovevi::app::qt {

#ifdef ROZOVEVI_ASK_X11_FRAME
namespace {

// A window manager that offers the request answers at once; this bounds the start-up delay
// where one offers it but does not answer.
constexpr std::chrono::milliseconds kAnswerWait(500);
constexpr unsigned long kPollMilliseconds = 2;
constexpr std::uint32_t kFrameExtentsValues = 4;  // Left, right, top, bottom.

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using UniqueReply = std::unique_ptr<Reply, FreeReply>;

xcb_atom_t Atom(xcb_connection_t* connection, std::string_view name) {
  const UniqueReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      connection,
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data()),
      nullptr));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// Up to count 32-bit values of a property, or none when it is missing or of another type.
UniqueReply<xcb_get_property_reply_t> Property(xcb_connection_t* connection, xcb_window_t window,
                                               xcb_atom_t property, xcb_atom_t type,
                                               std::uint32_t count) {
  UniqueReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, window, property, type, 0, count), nullptr));
  if (!reply || reply->type != type || reply->format != 32) return nullptr;
  return reply;
}

bool WindowManagerOffers(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t request) {
  constexpr std::uint32_t kMostSupported = 1024;
  const auto supported =
      Property(connection, root, Atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM, kMostSupported);
  if (!supported) return false;
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(supported.get()));
  const int length = xcb_get_property_value_length(supported.get()) / 4;
  for (int i = 0; i < length; ++i) {
    if (atoms[i] == request) return true;
  }
  return false;
}

}  // namespace

std::optional<QMargins> FrameExtentsBeforeShow(QWidget& window) {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return std::nullopt;
  xcb_connection_t* connection = x11->connection();
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  const xcb_atom_t request = Atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
  const xcb_atom_t extents = Atom(connection, "_NET_FRAME_EXTENTS");
  if (screen == nullptr || request == xcb_atom_t{XCB_ATOM_NONE} ||
      extents == xcb_atom_t{XCB_ATOM_NONE} ||
      !WindowManagerOffers(connection, screen->root, request)) {
    return std::nullopt;
  }

  const auto id = static_cast<xcb_window_t>(window.winId());  // Creates it, unmapped.
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = id;
  message.type = request;
  xcb_send_event(connection, 0, screen->root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(connection);

  const auto deadline = std::chrono::steady_clock::now() + kAnswerWait;
  do {
    if (const auto answer =
            Property(connection, id, extents, XCB_ATOM_CARDINAL, kFrameExtentsValues);
        answer && xcb_get_property_value_length(answer.get()) == 4 * kFrameExtentsValues) {
      const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(answer.get()));
      return QMargins(static_cast<int>(values[0]), static_cast<int>(values[2]),
                      static_cast<int>(values[1]), static_cast<int>(values[3]));
    }
    QThread::msleep(kPollMilliseconds);
  } while (std::chrono::steady_clock::now() < deadline);
  return std::nullopt;
}

#else

std::optional<QMargins> FrameExtentsBeforeShow(QWidget&) { return std::nullopt; }

#endif

}  // namespace rozovevi::app::qt
