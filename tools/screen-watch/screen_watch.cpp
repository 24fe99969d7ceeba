// screen-watch SECONDS [X Y]: watches one pixel of the X screen (the centre
// by default) about every millisecond for SECONDS seconds and prints the
// wall-clock time in milliseconds since the epoch and the colour each time
// the colour changes (the first reading included). The player's figures time
// slide changes with it: far finer than reading the whole screen.
//
// screen-watch --updates SECONDS: counts the screen's updates from outside
// the program, by the X Damage extension on the root window: each time
// anything was drawn on the screen since the last report counts once (the
// damage is taken away after each report, and reports that follow each
// other within 4 ms are one update, so the drawing of one update counts
// once however many rectangles and requests it had). Prints the time of each
// update, then the count and the updates a second between the first and
// the last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#ifdef LANTERN_SCREEN_WATCH_DAMAGE
#include <X11/extensions/Xdamage.h>
#include <sys/select.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

#ifdef LANTERN_SCREEN_WATCH_DAMAGE
constexpr long long kSameUpdateMs = 4;

int CountUpdates(Display* display, double seconds) {
  int event_base = 0, error_base = 0;
  if (!XDamageQueryExtension(display, &event_base, &error_base)) {
    std::fprintf(stderr, "no X Damage extension\n");
    return 1;
  }
  const Damage damage = XDamageCreate(display, DefaultRootWindow(display), XDamageReportNonEmpty);
  XSync(display, False);
  const long long end = NowMs() + static_cast<long long>(seconds * 1000);
  long long count = 0, first = 0, last = 0;
  const int fd = ConnectionNumber(display);
  while (NowMs() < end) {
    if (XPending(display) == 0) {
      fd_set read;
      FD_ZERO(&read);
      FD_SET(fd, &read);
      timeval wait{0, 1000};
      select(fd + 1, &read, nullptr, nullptr, &wait);
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    if (event.type != event_base + XDamageNotify) continue;
    XDamageSubtract(display, damage, None, None);
    XFlush(display);
    // A big picture reaches the server in several requests, each damaging
    // the screen at once after the other: reports closer than kSameUpdateMs
    // are one update (a display frame is over 4 ms at any rate up to 240 Hz).
    const long long now = NowMs();
    const bool same = count > 0 && now - last < kSameUpdateMs;
    last = now;
    if (same) continue;
    if (count++ == 0) first = now;
    std::printf("%lld\n", now);
    std::fflush(stdout);  // read while it runs, and it may be stopped at any time
  }
  const double span = static_cast<double>(last - first) / 1000.0;
  std::printf("updates %lld, %.1f a second over %.2f s\n", count,
              span > 0 ? static_cast<double>(count - 1) / span : 0.0, span);
  XDamageDestroy(display, damage);
  return 0;
}
#endif

int main(int argc, char** argv) {
  const bool updates = argc == 3 && std::string(argv[1]) == "--updates";
  if (argc != 2 && argc != 4 && !updates) {
    std::fprintf(stderr, "usage: screen-watch SECONDS [X Y] | screen-watch --updates SECONDS\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "no X display\n");
    return 1;
  }
  if (updates) {
#ifdef LANTERN_SCREEN_WATCH_DAMAGE
    const int result = CountUpdates(display, std::atof(argv[2]));
#else
    std::fprintf(stderr, "built without the X Damage extension\n");
    const int result = 2;
#endif
    XCloseDisplay(display);
    return result;
  }
  const Window root = DefaultRootWindow(display);
  const int x = argc == 4 ? std::atoi(argv[2]) : DisplayWidth(display, 0) / 2;
  const int y = argc == 4 ? std::atoi(argv[3]) : DisplayHeight(display, 0) / 2;
  const long long end = NowMs() + static_cast<long long>(std::atof(argv[1]) * 1000);
  unsigned long last = ~0ul;
  while (NowMs() < end) {
    XImage* image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image != nullptr) {
      const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
      XDestroyImage(image);
      if (pixel != last) {
        std::printf("%lld %06lx\n", NowMs(), pixel);
        std::fflush(stdout);
        last = pixel;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  XCloseDisplay(display);
  return 0;
}
