// The alternation lock's page: its two buttons switch the lock, which does
// its work on the input thread (KeyLock), and show whether it is on.
#pragma once

#include <cstdint>

#include "alternation_lock/key_lock.h"
#include "input/hook_installer.h"
#include "input/input_thread.h"
#include "widgets/ui.h"

namespace tapvero::alternation_lock {

class AlternationLock {
 public:
  AlternationLock(widgets::Ui& ui, input::HookInstaller& system, input::InputThread& thread);
  AlternationLock(const AlternationLock&) = delete;
  AlternationLock& operator=(const AlternationLock&) = delete;

  // 按钮_开启自动锁定: the hook on, nothing locked yet. When Windows refuses
  // the hook, the lock stays off and a message box says so.
  void switch_lock_on();
  // 按钮_关闭自动锁定: the hook off, nothing withheld.
  void switch_lock_off();
  // The trigger keys as last loaded or saved; they apply from the next press.
  void set_trigger_keys(std::int32_t z_key_code, std::int32_t x_key_code) {
    keys_.set_trigger_keys(z_key_code, x_key_code);
  }
  // The window closing: the hook goes, whether or not the lock was ever
  // on; the buttons stay as they are.
  void remove_hook();

  // A key going down or up in one of our own windows (its message, modal
  // loops' included), before the window acts on it: true if the lock
  // withholds it (see KeyLock::own_window_key). Only the trigger keys and
  // F12, while the lock is on, cost a visit to the input thread.
  bool own_window_key(const input::KeyEvent& message);

  // The input thread's part, for what reaches that thread directly.
  KeyLock& key_lock() { return keys_; }

 private:
  void show(bool on);

  widgets::Ui& ui_;
  input::InputThread& thread_;
  KeyLock keys_;
};

}  // namespace tapvero::alternation_lock
