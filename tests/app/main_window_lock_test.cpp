// The main window's part in the alternation lock: the page's two buttons,
// the key settings it reads, and the close handler freeing the keyboard.
#include <gtest/gtest.h>

#include "support/program_harness.h"

namespace tapvero::app {
namespace {

using namespace form;

using Strings = std::vector<std::string>;

class MainWindowLockTest : public ::testing::Test, protected testing::ProgramHarness {};

TEST_F(MainWindowLockTest, TheLockButtonsSwitchTheLock) {
  window.on_created();
  window.on_clicked(按钮_开启自动锁定, true, {});
  EXPECT_TRUE(input.hook_active());
  EXPECT_FALSE(ui.enabled(按钮_开启自动锁定));
  EXPECT_TRUE(ui.enabled(按钮_关闭自动锁定));
  input.press(0x5A);
  EXPECT_EQ(input.withheld_keys(), (std::set<std::int32_t>{0x5A}));
  window.on_clicked(按钮_关闭自动锁定, true, {});
  EXPECT_FALSE(input.hook_active());
  EXPECT_TRUE(input.withheld_keys().empty());
  EXPECT_TRUE(ui.enabled(按钮_开启自动锁定));
  EXPECT_FALSE(ui.enabled(按钮_关闭自动锁定));
}

TEST_F(MainWindowLockTest, TheLockUsesTheKeysAsLastSaved) {
  window.on_created();
  window.on_clicked(按钮_开启自动锁定, true, {});
  ui.set_text(编辑框_Z, u"c");
  input.press(0x43);  // typed, not saved: just another key
  EXPECT_TRUE(input.withheld_keys().empty());
  window.on_clicked(按钮1, true, {});
  input.press(0x43);
  EXPECT_EQ(input.withheld_keys(), (std::set<std::int32_t>{0x43}));
}

// Word `n` of a logged call, from 0: the hotkey id of register and
// unregister calls is word 2.
std::string word(const std::string& call, std::size_t n) {
  std::size_t begin = 0;
  for (std::size_t i = 0; i < n; ++i) begin = call.find(' ', begin) + 1;
  return call.substr(begin, call.find(' ', begin) - begin);
}

TEST_F(MainWindowLockTest, ClosingWithoutTheLockStillRemovesTheHookAndBothHotkeys) {
  window.on_created();
  EXPECT_TRUE(window.on_close_requested());
  ASSERT_EQ(input.calls.size(), 3u);
  EXPECT_EQ(input.calls[0], "unhook 0");
  EXPECT_EQ(word(input.calls[1], 0) + word(input.calls[1], 1), "unregister0");
  EXPECT_EQ(word(input.calls[2], 0) + word(input.calls[2], 1), "unregister0");
  const std::string first = word(input.calls[1], 2), second = word(input.calls[2], 2);
  EXPECT_NE(first, second);
  // 左键 went first: it is the identifier that a Z press registers.
  input.calls.clear();
  window.on_clicked(按钮_开启自动锁定, true, {});
  input.press(0x5A);
  EXPECT_EQ(input.calls, (Strings{"hook", "key 58 up", "key 5a down", "unregister 1234 " + second,
                                  "register 1234 " + first + " 0 5a"}));
}

TEST_F(MainWindowLockTest, ClosingWhileZIsLockedFreesItAndLeavesTheButtons) {
  window.on_created();
  window.on_clicked(按钮_开启自动锁定, true, {});
  input.press(0x5A);
  ASSERT_EQ(input.calls.size(), 5u);
  const std::string right = word(input.calls[3], 2), left = word(input.calls[4], 2);
  input.calls.clear();
  EXPECT_TRUE(window.on_close_requested());
  EXPECT_EQ(input.calls, (Strings{"unhook 70", "unregister 1234 " + left, "unregister 1234 " + right}));
  EXPECT_FALSE(input.hook_active());
  EXPECT_TRUE(input.withheld_keys().empty());
  EXPECT_FALSE(ui.enabled(按钮_开启自动锁定));
  EXPECT_TRUE(ui.enabled(按钮_关闭自动锁定));
}

}  // namespace
}  // namespace tapvero::app
