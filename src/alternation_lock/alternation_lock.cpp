#include "alternation_lock/alternation_lock.h"

#include "form/main_form.h"

namespace tapvero::alternation_lock {

AlternationLock::AlternationLock(widgets::Ui& ui, input::HookInstaller& system, input::InputThread& thread)
    : ui_(ui),
      thread_(thread),
      // The lock went off on the input thread (F12, or a hook lost for
      // good): the page learns it by a posted message, and shows the state
      // the lock is in once it gets there.
      keys_(system, thread, [this] { ui_.post([this] { show(keys_.on()); }); }) {}

void AlternationLock::show(bool on) {
  ui_.set_enabled(form::按钮_开启自动锁定, !on);
  ui_.set_enabled(form::按钮_关闭自动锁定, on);
}

void AlternationLock::switch_lock_on() {
  bool on = false;
  thread_.run([&] { on = keys_.start(); });
  if (!on) {
    ui_.message_box(u"自动锁定开启失败！无法监听键盘按键", u"错误", widgets::Icon::kError);
    return;
  }
  show(true);
}

void AlternationLock::switch_lock_off() {
  thread_.run([&] { keys_.stop(); });
  show(false);
}

bool AlternationLock::own_window_key(const input::KeyEvent& message) {
  const input::KeyEvent event = input::as_the_hook_names_it(message);
  if (!keys_.concerns(event.key_code)) return false;
  bool withheld = false;
  thread_.run([&] { withheld = keys_.own_window_key(event); });
  return withheld;
}

void AlternationLock::remove_hook() {
  thread_.run([&] { keys_.stop(); });
}

}  // namespace tapvero::alternation_lock
