// The system-wide low-level keyboard hook: every key event on the desktop,
// whichever program has the focus, goes to one callback, which may withhold
// a key press from every program; everything else goes on to the next hook
// unchanged. It never sends a key event of its own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>

#include "input/held_keys.h"
#include "input/hook_installer.h"

namespace tapvero::input {

class KeyboardHook {
 public:
  // Receives the virtual-key code of each reported key press, and whether
  // it is the auto-repeat of a key held down; true withholds that press
  // from every program.
  using Callback = std::function<bool(std::int32_t key_code, bool repeat)>;
  // Sees every event the hook is called for, reported or not.
  using Observer = std::function<void(const KeyEvent& event)>;
  // Whether our own windows ask about presses of this key.
  using Asked = std::function<bool(std::int32_t key_code)>;

  explicit KeyboardHook(HookInstaller& system) : system_(system) {}
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
  // A key event that reached one of our own windows, before the window acts
  // on it, its key named as the hook names it. Windows may not have called
  // the hook for it (it reportedly does not for a program's own window while
  // that program takes raw input): then it is decided here as the hook would
  // have; a press the hook was called for, and passed, is not decided twice.
  // The two are told apart by key and message time, which the hook's event
  // and the window's message share. True if the window must not have it.
  bool on_own_window_event(const KeyEvent& event);

  HookHandle handle() const { return handle_; }
  // The keys whose passed presses are kept until our window asks about
  // them; no other key's presses can push those out.
  void keep_passed_presses_of(Asked asked) { asked_ = std::move(asked); }

 private:
  bool decide(const KeyEvent& event);

  // A press the hook passed on, until our window asks about it (or newer
  // ones take its place).
  struct Passed {
    std::int32_t key_code = 0;
    std::uint32_t time = 0;
  };
  static constexpr std::size_t kPassedKept = 128;

  HookInstaller& system_;
  HookHandle handle_ = 0;
  Callback callback_;
  Observer observer_;
  Asked asked_;
  HeldKeys held_;
  std::array<Passed, kPassedKept> passed_{};
  std::size_t next_passed_ = 0;
};

}  // namespace tapvero::input
