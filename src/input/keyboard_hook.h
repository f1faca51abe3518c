// The system-wide low-level keyboard hook: every key event on the desktop,
// whichever program has the focus, goes to one callback, which may withhold
// a key press from every program; everything else goes on to the next hook
// unchanged.
#pragma once

#include <cstdint>
#include <functional>

#include "input/input_system.h"

namespace tapvero::input {

class KeyboardHook {
 public:
  // Receives the virtual-key code of each reported key press; true
  // withholds that press from every program.
  using Callback = std::function<bool(std::int32_t key_code)>;
  // Sees every event the hook is called for, reported or not.
  using Observer = std::function<void(const KeyEvent& event)>;

  explicit KeyboardHook(InputSystem& system) : system_(system) {}
  KeyboardHook(const KeyboardHook&) = delete;
  KeyboardHook& operator=(const KeyboardHook&) = delete;

  // Installs the hook with `callback`; while a hook is installed, does
  // nothing at all (the callback given then is not taken). A failed
  // installation leaves the handle 0, and a later call tries again.
  void install_keyboard_hook(Callback callback, Observer observer = {});
  // Removes the hook, whatever the handle (a failure is ignored), and
  // leaves the handle 0. The callback may call it while it runs.
  void remove_keyboard_hook();

  // Each event the hook is called for; true if it is withheld. A press
  // whose flags, as a whole number, are below 0x23 (never a release, nor an
  // injected key with Alt held) goes to the callback, which decides; every
  // other event goes on.
  bool on_key_event(const KeyEvent& event);

  HookHandle handle() const { return handle_; }

 private:
  InputSystem& system_;
  HookHandle handle_ = 0;
  Callback callback_;
  Observer observer_;
};

}  // namespace tapvero::input
