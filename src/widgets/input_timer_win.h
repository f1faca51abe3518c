// Input timing: every key press and mouse-button release of the desktop is
// stamped with the performance counter the moment the system hands it over
// (raw input to a window of the input thread, whatever the window's thread
// is doing), and the stamps kept for the toolkit to find. Where the
// system's message times are exact milliseconds (as under Wine), an
// event's own message time is its stamp.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "widgets/press_stamps.h"

namespace tapvero::widgets {

class InputTimer {
 public:
  // Stamps into `stamps` once it listens.
  explicit InputTimer(PressStamps& stamps) : stamps_(stamps) {}
  InputTimer(const InputTimer&) = delete;
  InputTimer& operator=(const InputTimer&) = delete;

  // On the thread of `window`, which must go on handling its messages:
  // learns how fine the message times are and has the keyboard's and the
  // mouse's raw input sent to `window`. False without raw input; nothing is
  // stamped then and the toolkit times events when it handles them.
  bool listen(HWND window);
  // On the same thread: no more raw input.
  void stop_listening();
  bool running() const { return running_; }
  // How the system's message times relate to the tick, once it listens.
  const MessageTimeScale& scale() const { return scale_; }

  // A WM_INPUT of that window: records its stamp. The key code, if it was
  // a key press.
  std::optional<int> stamp(HRAWINPUT input);
  // The same for raw input read, with its message time and stamp: a key
  // press, or the releases of the buttons as the window's messages name
  // them, swapped or not at that moment (the user may swap them at any
  // time).
  std::optional<int> record(const RAWINPUT& raw, std::int32_t message_time, Tick at);

 private:
  PressStamps& stamps_;
  bool running_ = false;
  MessageTimeScale scale_;
};

}  // namespace tapvero::widgets
