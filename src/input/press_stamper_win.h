// Input timing: every key press and mouse-button release is stamped with
// the performance counter the moment the system hands it over (raw input to
// a window of the input thread, whatever the window's thread is doing), and
// the stamps kept for the toolkit to find. Raw input comes from the whole
// desktop, and each of it wakes the input thread: it is taken only while it
// can matter, the mouse's while our program is active (only presses over
// our own window are used), the keyboard's also while the lock's hook watch
// asks for it (it compares with it while the hook is silent). Where the system's message times are exact
// milliseconds (as under Wine), an event's own message time is its stamp.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "base/tick.h"
#include "input/key_event.h"
#include "input/message_time_scale.h"
#include "input/press_stamps.h"

namespace tapvero::input {

// The raw input of a WM_INPUT, as the system gives it; none for a handle
// that is none of its own.
std::optional<RAWINPUT> read_raw_input(HRAWINPUT input);
// The key press that raw input reports, if it is one: its code (Shift,
// Ctrl and Alt by their plain codes), scan code and extended bit.
std::optional<KeyEvent> key_press_of(const RAWINPUT& raw);

class PressStamper {
 public:
  // Stamps into `stamps` once it listens.
  explicit PressStamper(PressStamps& stamps) : stamps_(stamps) {}
  PressStamper(const PressStamper&) = delete;
  PressStamper& operator=(const PressStamper&) = delete;

  // On the thread of `window`, which must go on handling its messages:
  // learns how fine the message times are and whether raw input can be
  // sent to `window`. False without raw input; nothing is stamped then and
  // the toolkit times events when it handles them.
  bool listen(HWND window);
  // On the same thread: what the raw input is needed for.
  void set_program_active(bool active);
  void set_hook_watched(bool watched);
  // On the same thread: no more raw input.
  void stop_listening();
  bool running() const { return running_; }
  // How the system's message times relate to the tick, once it listens.
  const MessageTimeScale& scale() const { return scale_; }

  // Raw input of a WM_INPUT of that window, being handled: records its
  // stamp.
  void stamp(const RAWINPUT& raw);
  // The same with its message time and stamp: a key press, or the releases
  // of the buttons as the window's messages name them, swapped or not at
  // that moment (the user may swap them at any time).
  void record(const RAWINPUT& raw, std::int32_t message_time, base::Tick at);

 private:
  void take_what_is_needed();
  // Registers or removes each device's raw input.
  void take(bool keyboard, bool mouse);

  PressStamps& stamps_;
  HWND window_ = nullptr;
  bool running_ = false;
  bool active_ = false;
  bool hook_watched_ = false;
  bool keyboard_ = false;
  bool mouse_ = false;
  MessageTimeScale scale_;
};

}  // namespace tapvero::input
