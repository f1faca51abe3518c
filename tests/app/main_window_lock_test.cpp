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
  EXPECT_TRUE(input.hook_active());
  ui.set_text(编辑框_Z, u"c");
  input.press(0x43);  // typed, not saved: just another key
  EXPECT_EQ(window.key_lock().locked_key(), 0);
  files.read_only = true;  // the save fails: the new keys lock from the moment it reads them, its box up
  ui.on_message_box = [&](const widgets::MemoryUi::MessageBox&) { input.press(0x43); };
  window.on_clicked(按钮1, true, {});
  EXPECT_EQ(window.key_lock().locked_key(), 0x43);
  window.on_clicked(按钮_关闭自动锁定, true, {});
  EXPECT_FALSE(input.hook_active());
  EXPECT_EQ(window.key_lock().locked_key(), 0);
}

// Closing frees the keyboard whether or not the lock was ever on, and
// leaves the lock's buttons as they are.
TEST_F(MainWindowLockTest, ClosingRemovesTheHook) {
  window.on_created();
  EXPECT_TRUE(window.on_close_requested());
  EXPECT_EQ(input.calls, (Strings{"unhook 0"}));
  window.on_clicked(按钮_开启自动锁定, true, {});
  input.press(0x5A);
  input.calls.clear();
  EXPECT_TRUE(window.on_close_requested());
  EXPECT_EQ(input.calls, (Strings{"unhook 70"}));
  EXPECT_EQ(window.key_lock().state(), alternation_lock::LockState::kOff);
  EXPECT_FALSE(ui.enabled(按钮_开启自动锁定));
}

}  // namespace
}  // namespace tapvero::app
