// The main window's part in the alternation lock: the page's two buttons,
// the key settings it reads, and the close handler freeing the keyboard.
#include <gtest/gtest.h>

#include "support/program_harness.h"

namespace tapvero::app {
namespace {

using namespace form;

using Strings = std::vector<std::string>;

class MainWindowLockTest : public ::testing::Test, protected test::ProgramHarness {};

// The buttons are bound, and the lock takes the trigger keys as last saved,
// not as typed.
TEST_F(MainWindowLockTest, TheButtonsSwitchTheLockWithTheKeysAsLastSaved) {
  window.on_created();
  window.on_clicked(按钮_开启自动锁定, true, {});
  EXPECT_TRUE(keyboard.hook_active());
  ui.set_text(编辑框_Z, u"c");
  keyboard.tap(0x43);  // typed, not saved: just another key
  EXPECT_EQ(window.key_lock().locked_key(), 0);
  files.read_only = true;  // the save fails: the new keys lock from the moment it reads them, its box up
  ui.on_message_box = [&](const widgets::MemoryUi::MessageBox&) { keyboard.tap(0x43); };
  window.on_clicked(按钮1, true, {});
  EXPECT_EQ(window.key_lock().locked_key(), 0x43);
  window.on_clicked(按钮_关闭自动锁定, true, {});
  EXPECT_FALSE(keyboard.hook_active());
  EXPECT_EQ(window.key_lock().locked_key(), 0);
}

// Closing frees the keyboard whether or not the lock was ever on, and
// leaves the lock's buttons as they are.
TEST_F(MainWindowLockTest, ClosingRemovesTheHook) {
  window.on_created();
  EXPECT_TRUE(window.on_close_requested());
  EXPECT_EQ(keyboard.calls, (Strings{"unhook 0"}));
  window.on_clicked(按钮_开启自动锁定, true, {});
  keyboard.press(0x5A);
  keyboard.calls.clear();
  EXPECT_TRUE(window.on_close_requested());
  EXPECT_EQ(keyboard.calls, (Strings{"unhook 70"}));
  EXPECT_EQ(window.key_lock().state(), alternation_lock::LockState::kOff);
  EXPECT_FALSE(ui.enabled(按钮_开启自动锁定));
}

// Our own window in front, whether or not Windows calls the hook for its
// keys: a locked trigger press reaches no control and is no hit, an
// accepted one counts once, and F12 switches the lock off, in a message
// box of ours as well (a stage size refused).
class OwnWindowLockTest : public MainWindowLockTest, public ::testing::WithParamInterface<bool> {};

TEST_P(OwnWindowLockTest, TheLockHoldsInTheSpeedTest) {
  window.on_created();
  window.on_clicked(按钮_开启自动锁定, true, {});
  keyboard.tapvero_in_front = true;
  keyboard.hook_skips_tapvero = GetParam();
  window.on_clicked(开始测试, true, {});
  ui.focus(开始测试);
  for (const std::int32_t key : {0x5A, 0x5A, 0x58}) keyboard.tap(key);
  EXPECT_EQ(ui.text(标签_连击), u"2");
  ui.set_text(编辑框_阶段, u"0");
  ui.on_message_box = [&](const widgets::MemoryUi::MessageBox&) {
    for (const std::int32_t key : {0x58, 0x7B, 0x58}) keyboard.tap(key);
  };
  window.on_clicked(按钮2, true, {});
  EXPECT_EQ(box_keys, (std::vector<int>{0x7B, 0x58}));
  EXPECT_FALSE(window.key_lock().on());
  ui.run_posted();
  EXPECT_TRUE(ui.enabled(按钮_开启自动锁定));
  ui.focus(开始测试);  // the refusal gave the stage box the focus
  keyboard.tap(0x58);
  EXPECT_EQ(ui.text(标签_连击), u"3");
}

INSTANTIATE_TEST_SUITE_P(HookCalledOrNot, OwnWindowLockTest, ::testing::Bool());

}  // namespace
}  // namespace tapvero::app
