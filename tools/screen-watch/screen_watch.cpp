// screen-watch SECONDS [X Y]: watches one pixel of the X screen (the centre
// by default) about every millisecond for SECONDS seconds and prints the
// wall-clock time in milliseconds since the epoch and the colour each time
// the colour changes (the first reading included). The player's figures time
// slide changes with it: far finer than reading the whole screen.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: screen-watch SECONDS [X Y]\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "no X display\n");
    return 1;
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
