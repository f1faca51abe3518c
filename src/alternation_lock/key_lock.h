// The alternation lock's work on the input thread: while it is on, the
// trigger key just pressed is withheld from every program until the other
// trigger key is pressed. The keyboard hook reports each press and withholds
// the locked key's presses itself, so no program gets them by any path; an
// accepted press and every release go on as the player made them, and the
// lock never sends a key event of its own. A key held down repeats, and a
// repeat is no press: it changes nothing, and is withheld only while its key
// is the locked one. Everything here but the calls marked "any thread" runs
// on the input thread, where Windows holds each key of the desktop until the
// hook returns: it touches no control and waits for nobody.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <utility>

#include "input/hook_watch.h"
#include "input/hook_installer.h"
#include "input/input_thread.h"
#include "input/keyboard_hook.h"

namespace tapvero::alternation_lock {

inline constexpr std::int32_t kF12 = 0x7B;

// What the lock is doing: off (no hook), or on with the Z-slot key, the
// X-slot key or nothing locked.
enum class LockState : std::uint8_t { kOff, kNothingLocked, kZLocked, kXLocked };

class KeyLock {
 public:
  // `switched_itself_off` is called, on the input thread, when the lock went
  // off by itself: F12, or a hook lost and not to be had again.
  KeyLock(input::HookInstaller& system, input::InputThread& thread, std::function<void()> switched_itself_off);
  KeyLock(const KeyLock&) = delete;
  KeyLock& operator=(const KeyLock&) = delete;

  // Any thread: the trigger keys from the next press on, both at once.
  void set_trigger_keys(std::int32_t z_key_code, std::int32_t x_key_code);
  // Any thread.
  LockState state() const { return state_.load(); }
  bool on() const { return state() != LockState::kOff; }
  // `observer` is told, on the input thread, whether the hook watch needs
  // raw keyboard input from now on (see raw_input_press).
  void when_watching(std::function<void(bool needed)> observer) { watching_observer_ = std::move(observer); }

  // The hook on, nothing locked yet; false (and still off) when Windows
  // refuses the hook.
  bool start();
  // Every key press the hook reports, physical or injected, and whether it
  // is a held key's repeat: true withholds it.
  bool lock_key_step(std::int32_t key_code, bool repeat);
  // Any thread: whether a key event of `key_code` matters to the lock now
  // (it is on, and the key is a trigger key or F12).
  bool concerns(std::int32_t key_code) const;
  // A key event that reached one of our own windows, where Windows may not
  // have called the hook, its key named as the hook names it: decided once,
  // here if the hook was not called for it. True if the window must not act
  // on it.
  bool own_window_key(const input::KeyEvent& event);
  // The hook off, nothing withheld.
  void stop();
  // Every key press that raw input saw, its key as raw input names it;
  // `in_front` when it went to one of our own windows, for which Windows
  // may not call our hook. A press of a trigger key or F12 that the hook
  // has not seen within a short while means that Windows removed the hook:
  // it is installed again, nothing locked, or the lock switched off (as an
  // F12 that went by switches it off). Raw input wakes the input thread for every
  // key event of the desktop, so the watch takes it only while the hook is
  // silent: from switching on until the hook is first called, and again
  // once it has not been called for kSilenceMs (a player at rest, or a hook
  // gone).
  void raw_input_press(const input::KeyEvent& press, bool in_front);
  static constexpr std::uint32_t kSilenceMs = 1000;

  // The trigger key whose press was last acted on; 0 at start.
  std::int32_t last_alternation_key() const { return last_key_; }
  // The key whose presses are withheld; 0 while nothing is locked.
  std::int32_t locked_key() const { return locked_key_; }

 private:
  std::pair<std::int32_t, std::int32_t> trigger_keys() const;
  void install_hook();
  void lock(LockState state, std::int32_t pressed);
  void check_hook(const input::HookWatch::Ticket& ticket);
  // F12, or a hook lost for good: off, and the page told.
  void switch_itself_off();
  void set_watching(bool watching);
  // The hook was called: raw input is not needed while it goes on being.
  void hook_heard();
  void check_silence(std::uint64_t hook_events);

  input::InputThread& thread_;
  const std::function<void()> switched_itself_off_;
  std::function<void(bool needed)> watching_observer_;
  input::KeyboardHook hook_;
  input::HookWatch watch_;
  // The Z-slot key in the low half, the X-slot key in the high half: a
  // press never sees one key new and the other old.
  std::atomic<std::uint64_t> trigger_keys_{0};
  std::atomic<LockState> state_{LockState::kOff};
  std::int32_t locked_key_ = 0;
  std::int32_t last_key_ = 0;
  bool watching_ = false;       // raw input is needed
  bool hook_heard_ = false;     // since watching began
  std::uint32_t switched_on_ = 0;  // how often: a timer set before the lock last switched on does nothing
};

}  // namespace tapvero::alternation_lock
