// A robot player on the X display: presses Z and X in turn (Z first) at
// exact intervals through the XTest extension, the way a keyboard's keys
// reach the X server and, from it, a Wine program. speed_robot_bench.exe
// starts it through /bin/sh once the program is ready for keys:
//   xtest_robot INTERVAL_MS PRESSES START_DELAY_MS OUTPUT_FILE
// Each press (key down and up at once) is due START_DELAY_MS + i *
// INTERVAL_MS after the start; the robot sleeps until just before, then
// spins. OUTPUT_FILE gets, one figure a line in microseconds: the latest a
// press was sent after its time, then each press's send time (the
// monotonic clock's reading just before the press).
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
#include <string>
#include <vector>

#include "text/number_text.h"

namespace {

std::int64_t now_ns() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Sleeps until 2 ms before `due_ns`, then spins until it.
void wait_until_ns(std::int64_t due_ns) {
  constexpr std::int64_t kSpinNs = 2000000;
  if (due_ns - now_ns() > kSpinNs) {
    const std::int64_t wake = due_ns - kSpinNs;
    timespec t{static_cast<time_t>(wake / 1000000000), static_cast<long>(wake % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) != 0) {
    }
  }
  while (now_ns() < due_ns) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: xtest_robot INTERVAL_MS PRESSES START_DELAY_MS OUTPUT_FILE\n";
    return 2;
  }
  const std::int64_t interval_ns = std::atoll(argv[1]) * 1000000;
  const int presses = std::atoi(argv[2]);
  const std::int64_t start_delay_ns = std::atoll(argv[3]) * 1000000;
  Display* display = XOpenDisplay(nullptr);
  int event_base = 0, error_base = 0, major = 0, minor = 0;
  if (!display || !XTestQueryExtension(display, &event_base, &error_base, &major, &minor)) {
    std::cerr << "xtest_robot: no X display with the XTest extension\n";
    return 1;
  }
  const KeyCode keys[2] = {XKeysymToKeycode(display, XK_z), XKeysymToKeycode(display, XK_x)};
  // Real-time priority where the machine grants it (root), so that the
  // robot's own timing stays exact on a loaded machine; else as it is.
  // It spins at most 2 ms a press.
  sched_param priority{};
  priority.sched_priority = sched_get_priority_min(SCHED_FIFO);
  sched_setscheduler(0, SCHED_FIFO, &priority);

  std::vector<std::int64_t> sent;
  sent.reserve(static_cast<std::size_t>(presses));
  std::int64_t latest_ns = 0;
  const std::int64_t first = now_ns() + start_delay_ns;
  for (int i = 0; i < presses; ++i) {
    const std::int64_t due = first + static_cast<std::int64_t>(i) * interval_ns;
    wait_until_ns(due);
    sent.push_back(now_ns());
    XTestFakeKeyEvent(display, keys[i % 2], True, CurrentTime);
    XTestFakeKeyEvent(display, keys[i % 2], False, CurrentTime);
    XFlush(display);
    latest_ns = std::max(latest_ns, now_ns() - due);
  }
  XCloseDisplay(display);

  std::ofstream out(argv[4], std::ios::binary);
  out << tapvero::text::int_text(latest_ns / 1000) << "\n";
  for (std::int64_t t : sent) out << tapvero::text::int_text(t / 1000) << "\n";
  return out ? 0 : 1;
}
