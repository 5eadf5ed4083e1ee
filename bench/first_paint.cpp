// rozovevi_first_paint PAIRS OURS BARE: starts the two programs alternately, PAIRS times each,
// and measures for every start the time from fork to the first pixels of its window on the X
// screen: the moment the window shows more than one colour. Before a program paints, its area
// holds one colour, the screen's or the window's background. Needs an X server with the DAMAGE
// extension (Xvfb has it) and no other program mapping windows meanwhile.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLaunchTimeoutMs = 30000;

// A window may be gone, or not yet viewable, by the time it is looked at; such a look simply
// finds nothing, and the next event brings another.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

class Connection {
 public:
  Connection() : display_(XOpenDisplay(nullptr)) {
    if (display_ == nullptr) throw std::runtime_error("cannot open the X display");
    int error_base = 0;
    if (!XDamageQueryExtension(display_, &damage_event_base_, &error_base)) {
      throw std::runtime_error("the X server has no DAMAGE extension");
    }
    XSetErrorHandler(IgnoreXError);
    net_wm_pid_ = XInternAtom(display_, "_NET_WM_PID", False);
    XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
    XSync(display_, False);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() { XCloseDisplay(display_); }

  Display* get() const { return display_; }
  int damage_notify() const { return damage_event_base_ + XDamageNotify; }
  Atom net_wm_pid() const { return net_wm_pid_; }

 private:
  Display* display_;
  int damage_event_base_ = 0;
  Atom net_wm_pid_ = None;
};

// Whether window shows more than one colour anywhere.
bool Painted(Display* display, Window window) {
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable ||
      attributes.width < 1 || attributes.height < 1) {
    return false;
  }
  XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                            static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  const unsigned long first = XGetPixel(image, 0, 0);
  bool differs = false;
  for (int y = 0; y < attributes.height && !differs; ++y) {
    for (int x = 0; x < attributes.width && !differs; ++x) {
      differs = XGetPixel(image, x, y) != first;
    }
  }
  XDestroyImage(image);
  return differs;
}

// The process that says it owns window, or 0 when it does not say.
long OwnerPid(const Connection& connection, Window window) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  long pid = 0;
  if (XGetWindowProperty(connection.get(), window, connection.net_wm_pid(), 0, 1, False,
                         XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
      data != nullptr) {
    if (type == XA_CARDINAL && format == 32 && count == 1) {
      pid = *reinterpret_cast<long*>(data);
    }
    XFree(data);
  }
  return pid;
}

// Starts program and returns the milliseconds from fork to its first painted window; the
// program is then ended.
double TimeToFirstPaint(const Connection& connection, const char* program) {
  Display* display = connection.get();
  const Clock::time_point start = Clock::now();
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("cannot fork");
  if (child == 0) {
    // The program's own messages would only interleave with the figures.
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) {
      ::dup2(null, STDOUT_FILENO);
      ::dup2(null, STDERR_FILENO);
    }
    ::execl(program, program, static_cast<char*>(nullptr));
    ::_exit(127);
  }

  double elapsed = -1;
  while (elapsed < 0) {
    while (XPending(display) > 0 && elapsed < 0) {
      XEvent event;
      XNextEvent(display, &event);
      // The moment the news of the paint arrived, not the end of the look at the window, which
      // takes longer for a larger window.
      const Clock::time_point received = Clock::now();
      Window candidate = None;
      if (event.type == MapNotify && !event.xmap.override_redirect) {
        candidate = event.xmap.window;
        const long owner = OwnerPid(connection, candidate);
        if (owner != 0 && owner != child) continue;
        XDamageCreate(display, candidate, XDamageReportNonEmpty);
      } else if (event.type == connection.damage_notify()) {
        const auto& damage = *reinterpret_cast<XDamageNotifyEvent*>(&event);
        XDamageSubtract(display, damage.damage, None, None);
        candidate = damage.drawable;
      }
      if (candidate != None && Painted(display, candidate)) {
        elapsed = std::chrono::duration<double, std::milli>(received - start).count();
      }
    }
    if (elapsed >= 0) break;
    const double waited = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    int status = 0;
    if (waited > kLaunchTimeoutMs || ::waitpid(child, &status, WNOHANG) == child) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      throw std::runtime_error(std::string(program) + " showed no painted window");
    }
    pollfd connection_fd{ConnectionNumber(display), POLLIN, 0};
    ::poll(&connection_fd, 1, 100);
  }

  ::kill(child, SIGTERM);
  int status = 0;
  ::waitpid(child, &status, 0);
  // Let the server finish with the ended program's windows before the next start.
  XSync(display, True);
  return elapsed;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 4 || std::atoi(argv[1]) <= 0) {
    std::fprintf(stderr, "usage: rozovevi_first_paint PAIRS OURS BARE\n");
    return 2;
  }
  const int pairs = std::atoi(argv[1]);
  const char* ours = argv[2];
  const char* bare = argv[3];
  try {
    Connection connection;
    // One start of each first, untimed, so that both find the libraries and fonts cached.
    TimeToFirstPaint(connection, ours);
    TimeToFirstPaint(connection, bare);

    std::vector<double> ours_ms;
    std::vector<double> bare_ms;
    std::vector<double> ratios;
    for (int pair = 0; pair < pairs; ++pair) {
      // Alternate which starts first, so that neither always follows the other.
      if (pair % 2 == 0) {
        ours_ms.push_back(TimeToFirstPaint(connection, ours));
        bare_ms.push_back(TimeToFirstPaint(connection, bare));
      } else {
        bare_ms.push_back(TimeToFirstPaint(connection, bare));
        ours_ms.push_back(TimeToFirstPaint(connection, ours));
      }
      ratios.push_back(ours_ms.back() / bare_ms.back());
      std::fprintf(stderr, "  pair %2d: ours %.1f ms, bare %.1f ms, %.3fx\n", pair + 1,
                   ours_ms.back(), bare_ms.back(), ratios.back());
    }
    const auto [lowest, highest] = std::minmax_element(ratios.begin(), ratios.end());
    std::printf(
        "Start to first paint, %d pairs: ours median %.1f ms, bare median %.1f ms; ratio of each "
        "pair: median %.3fx (lowest %.3fx, highest %.3fx)\n",
        pairs, Median(ours_ms), Median(bare_ms), Median(ratios), *lowest, *highest);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "rozovevi_first_paint: %s\n", error.what());
    return 1;
  }
  return 0;
}
