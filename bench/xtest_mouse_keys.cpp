// A player busy in another program, on the X display: moves the pointer
// and presses Z and X in turn (Z first) through the XTest extension, the
// way a mouse and a keyboard reach the X server and, from it, the Wine
// program under the pointer and with the focus. background_cost_bench.exe
// starts it through /bin/sh:
//   xtest_mouse_keys MOVES PRESSES SPAN_MS LEFT TOP WIDTH HEIGHT OUTPUT_FILE
// The moves and the presses (key down and up at once) are spread evenly
// over SPAN_MS from the start; each move goes one pixel on along a path
// that sweeps the rectangle LEFT, TOP, WIDTH x HEIGHT (screen pixels) to
// and fro, so that no two moves in a row land on the same pixel. The robot
// sleeps until each is due and does not spin: at 2,000 moves a second a
// spinning robot would keep a core busy for the whole span. OUTPUT_FILE
// gets, one figure a line: the span the events took, then the latest an
// event was sent after its time, both in microseconds.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <sched.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "text/number_text.h"

namespace {

std::int64_t now_ns() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

void sleep_until_ns(std::int64_t due_ns) {
  const timespec t{static_cast<time_t>(due_ns / 1000000000), static_cast<long>(due_ns % 1000000000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) != 0) {
  }
}

// The i-th point of a path that sweeps the rectangle row by row, one pixel
// a move, left to right and back, two pixels down at each end.
void point_on_path(std::int64_t i, int width, int height, int& x, int& y) {
  const std::int64_t row = i / width;
  const int along = static_cast<int>(i % width);
  x = row % 2 ? width - 1 - along : along;
  y = static_cast<int>((row * 2) % height);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 9) {
    std::cerr << "usage: xtest_mouse_keys MOVES PRESSES SPAN_MS LEFT TOP WIDTH HEIGHT OUTPUT_FILE\n";
    return 2;
  }
  const std::int64_t moves = std::atoll(argv[1]);
  const std::int64_t presses = std::atoll(argv[2]);
  const std::int64_t span_ns = std::atoll(argv[3]) * 1000000;
  const int left = std::atoi(argv[4]), top = std::atoi(argv[5]);
  const int width = std::max(1, std::atoi(argv[6])), height = std::max(1, std::atoi(argv[7]));
  Display* display = XOpenDisplay(nullptr);
  int event_base = 0, error_base = 0, major = 0, minor = 0;
  if (!display || !XTestQueryExtension(display, &event_base, &error_base, &major, &minor)) {
    std::cerr << "xtest_mouse_keys: no X display with the XTest extension\n";
    return 1;
  }
  const KeyCode keys[2] = {XKeysymToKeycode(display, XK_z), XKeysymToKeycode(display, XK_x)};
  // Real-time priority where the machine grants it (root), so that the
  // events keep their pace on a loaded machine; else as it is.
  sched_param priority{};
  priority.sched_priority = sched_get_priority_min(SCHED_FIFO);
  sched_setscheduler(0, SCHED_FIFO, &priority);

  // The moves start on the path's first point; the pointer is put there
  // first, so that the first move counted is a move.
  int x = 0, y = 0;
  point_on_path(0, width, height, x, y);
  XTestFakeMotionEvent(display, -1, left + x, top + y, CurrentTime);
  XFlush(display);

  std::int64_t latest_ns = 0;
  const std::int64_t first = now_ns();
  for (std::int64_t move = 0, press = 0; move < moves || press < presses;) {
    // Whichever of the next move and the next press is due first.
    const std::int64_t move_due = move < moves ? first + span_ns * move / moves : INT64_MAX;
    const std::int64_t press_due =
        press < presses ? first + span_ns * press / presses + span_ns / (2 * presses) : INT64_MAX;
    const std::int64_t due = std::min(move_due, press_due);
    sleep_until_ns(due);
    if (due == move_due) {
      point_on_path(++move, width, height, x, y);
      XTestFakeMotionEvent(display, -1, left + x, top + y, CurrentTime);
    } else {
      XTestFakeKeyEvent(display, keys[press % 2], True, CurrentTime);
      XTestFakeKeyEvent(display, keys[press % 2], False, CurrentTime);
      ++press;
    }
    XFlush(display);
    latest_ns = std::max(latest_ns, now_ns() - due);
  }
  const std::int64_t took_ns = now_ns() - first;
  XCloseDisplay(display);

  std::ofstream out(argv[8], std::ios::binary);
  out << tapvero::text::int_text(took_ns / 1000) << "\n" << tapvero::text::int_text(latest_ns / 1000) << "\n";
  return out ? 0 : 1;
}
