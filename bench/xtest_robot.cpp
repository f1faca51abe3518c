// A robot player on the X display: presses Z and X in turn (Z first) at
// exact intervals through the XTest extension, the way a keyboard's keys
// reach the X server and, from it, a Wine program. speed_robot_bench.exe
// starts it through /bin/sh once the program is ready for keys:
//   xtest_robot INTERVAL_MS PRESSES START_DELAY_MS OUTPUT_FILE [CLICK_X CLICK_Y]
// Given a point, it first clicks there with the left button (the start
// button, so that the test starts at a time the server gives too). Each
// press (key down and up at once) is due START_DELAY_MS + i * INTERVAL_MS
// after the start; the robot sleeps until just before, then spins.
// It also hears every key press and button release from the server itself
// (XInput 2 raw events), each with the server's own time of it: the time
// every X client, a Wine program included, is given for that event.
// OUTPUT_FILE gets, one a line: the latest a press was sent after its time
// (microseconds); the server's time of the click's release (ms, -1 without
// a click); then, for each press, its send time (the monotonic clock's
// reading just before the press, in microseconds) and the server's time of
// it (ms, -1 if the server reported none).
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
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

// The server's raw key presses and button releases, heard on the root
// window from every device.
bool listen_to_raw_events(Display* display, int& opcode) {
  int event = 0, error = 0, major = 2, minor = 2;
  if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error) ||
      XIQueryVersion(display, &major, &minor) != Success)
    return false;
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(bits, XI_RawKeyPress);
  XISetMask(bits, XI_RawButtonRelease);
  XIEventMask mask{XIAllDevices, sizeof bits, bits};
  XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
  XSync(display, False);
  return true;
}

struct RawEvent {
  int type;
  int detail;  // the key code or button
  Time time;
};

// Every raw event the server has sent so far, each once: a master device
// repeats its slave's, which is the one kept.
std::vector<RawEvent> raw_events(Display* display, int opcode) {
  XSync(display, False);
  std::vector<RawEvent> events;
  while (XPending(display) > 0) {
    XEvent e;
    XNextEvent(display, &e);
    XGenericEventCookie& cookie = e.xcookie;
    if (cookie.type != GenericEvent || cookie.extension != opcode || !XGetEventData(display, &cookie)) continue;
    const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
    if (raw->deviceid == raw->sourceid) events.push_back({raw->evtype, raw->detail, raw->time});
    XFreeEventData(display, &cookie);
  }
  return events;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 7) {
    std::cerr << "usage: xtest_robot INTERVAL_MS PRESSES START_DELAY_MS OUTPUT_FILE [CLICK_X CLICK_Y]\n";
    return 2;
  }
  const std::int64_t interval_ns = std::atoll(argv[1]) * 1000000;
  const int presses = std::atoi(argv[2]);
  const std::int64_t start_delay_ns = std::atoll(argv[3]) * 1000000;
  const bool click = argc == 7;
  Display* display = XOpenDisplay(nullptr);
  int event_base = 0, error_base = 0, major = 0, minor = 0, opcode = 0;
  if (!display || !XTestQueryExtension(display, &event_base, &error_base, &major, &minor)) {
    std::cerr << "xtest_robot: no X display with the XTest extension\n";
    return 1;
  }
  if (!listen_to_raw_events(display, opcode)) {
    std::cerr << "xtest_robot: the X server has no XInput 2\n";
    return 1;
  }
  const KeyCode keys[2] = {XKeysymToKeycode(display, XK_z), XKeysymToKeycode(display, XK_x)};
  // Real-time priority where the machine grants it (root), so that the
  // robot's own timing stays exact on a loaded machine; else as it is.
  // It spins at most 2 ms a press.
  sched_param priority{};
  priority.sched_priority = sched_get_priority_min(SCHED_FIFO);
  sched_setscheduler(0, SCHED_FIFO, &priority);

  const std::int64_t first = now_ns() + start_delay_ns;
  if (click) {
    XTestFakeMotionEvent(display, -1, std::atoi(argv[5]), std::atoi(argv[6]), CurrentTime);
    XSync(display, False);
    wait_until_ns(now_ns() + 50000000);  // the program takes the move before the click
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
  }
  std::vector<std::int64_t> sent;
  sent.reserve(static_cast<std::size_t>(presses));
  std::int64_t latest_ns = 0;
  for (int i = 0; i < presses; ++i) {
    const std::int64_t due = first + static_cast<std::int64_t>(i) * interval_ns;
    wait_until_ns(due);
    sent.push_back(now_ns());
    XTestFakeKeyEvent(display, keys[i % 2], True, CurrentTime);
    XTestFakeKeyEvent(display, keys[i % 2], False, CurrentTime);
    XFlush(display);
    latest_ns = std::max(latest_ns, now_ns() - due);
  }

  // The server's time of each: the click's release, then the presses in
  // order, each of the key it should be.
  std::int64_t released = -1;
  std::vector<std::int64_t> served;
  for (const RawEvent& e : raw_events(display, opcode)) {
    if (e.type == XI_RawButtonRelease && e.detail == 1 && click && released < 0 && served.empty()) {
      released = static_cast<std::int64_t>(e.time);
    } else if (e.type == XI_RawKeyPress && served.size() < sent.size()) {
      served.push_back(e.detail == keys[served.size() % 2] ? static_cast<std::int64_t>(e.time) : -1);
    }
  }
  served.resize(sent.size(), -1);
  XCloseDisplay(display);

  std::ofstream out(argv[4], std::ios::binary);
  out << tapvero::text::int_text(latest_ns / 1000) << "\n" << tapvero::text::int_text(released) << "\n";
  for (std::size_t i = 0; i < sent.size(); ++i)
    out << tapvero::text::int_text(sent[i] / 1000) << " " << tapvero::text::int_text(served[i]) << "\n";
  return out ? 0 : 1;
}
