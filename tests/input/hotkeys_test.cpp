#include "input/hotkeys.h"

#include <gtest/gtest.h>

#include "support/fake_input_system.h"
#include "text/encoding.h"

namespace tapvero::input {
namespace {

using Strings = std::vector<std::string>;

const std::string kLeft = text::utf16_to_gbk(u"左键");
const std::string kRight = text::utf16_to_gbk(u"右键");
constexpr WindowHandle kWindow = 0x1234;
constexpr std::uint32_t kCtrlAlt = 0x3;

// A handler that answers `result` and counts its calls.
Hotkeys::Handler answering(std::intptr_t result, int* calls = nullptr) {
  return [result, calls](WindowHandle, std::uint32_t message, std::uintptr_t, std::intptr_t) {
    EXPECT_EQ(message, kWmHotkey);
    if (calls) ++*calls;
    return result;
  };
}

class HotkeysTest : public ::testing::Test {
 protected:
  std::string id(std::string_view identifier) { return std::to_string(*hotkeys.id_of(identifier)); }
  bool register_key(std::int32_t key, std::string_view identifier, std::optional<WindowHandle> window = kWindow,
                    std::uint32_t modifiers = 0, const Hotkeys::Handler& handler = answering(1)) {
    return hotkeys.窗口_热键注册(window, modifiers, key, handler, identifier);
  }
  std::optional<std::intptr_t> hotkey_message(std::string_view identifier) {
    return hotkeys.hotkey_window_procedure(kWindow, kWmHotkey, static_cast<std::uintptr_t>(*hotkeys.id_of(identifier)),
                                           0x5A0000);
  }

  FakeInputSystem system;
  Hotkeys hotkeys{system};
};

TEST_F(HotkeysTest, EachIdentifierKeepsOneIdOfItsOwn) {
  const auto left = hotkeys.id_of(kLeft);
  const auto right = hotkeys.id_of(kRight);
  ASSERT_TRUE(left && right);
  EXPECT_NE(*left, *right);
  EXPECT_EQ(hotkeys.id_of(kLeft), left);
  EXPECT_NE(hotkeys.id_of("\xD7\xF3"), left);   // 左 alone is another identifier
  EXPECT_NE(hotkeys.id_of(" " + kLeft), left);  // so is one with a blank
  EXPECT_NE(hotkeys.id_of("a"), hotkeys.id_of("A"));
  for (const auto& identifier : {kLeft, kRight, std::string("a")}) {
    const int n = *hotkeys.id_of(identifier);
    EXPECT_GE(n, 0);
    EXPECT_LE(n, 0xBFFF);
  }
}

TEST_F(HotkeysTest, RegistrationsPassTheirWindowKeyAndModifiers) {
  EXPECT_TRUE(register_key(0x5A, kLeft, kWindow, kCtrlAlt));
  EXPECT_EQ(system.calls, (Strings{"register 1234 " + id(kLeft) + " 3 5a"}));
  system.calls.clear();
  EXPECT_TRUE(register_key(0x58, kRight));
  EXPECT_TRUE(register_key(0x5A, kLeft));
  EXPECT_EQ(system.calls, (Strings{"register 1234 " + id(kRight) + " 0 58", "unregister 1234 " + id(kLeft),
                                   "register 1234 " + id(kLeft) + " 0 5a"}));
}

TEST_F(HotkeysTest, AFailedRegistrationRecordsNothing) {
  system.held_elsewhere = {0x5A};
  EXPECT_FALSE(register_key(0x5A, kLeft));
  EXPECT_EQ(hotkeys.record_count(), 0u);
  EXPECT_TRUE(system.boxes.empty());
  EXPECT_EQ(system.calls, (Strings{"register 1234 " + id(kLeft) + " 0 5a"}));
  // Nothing recorded, so nothing to unregister first.
  system.held_elsewhere.clear();
  system.calls.clear();
  EXPECT_TRUE(register_key(0x5A, kLeft));
  EXPECT_EQ(system.calls, (Strings{"register 1234 " + id(kLeft) + " 0 5a"}));
}

TEST_F(HotkeysTest, RegisteringAnIdentifierAgainUnregistersItsKeyFirst) {
  register_key(0x5A, kLeft);
  register_key(0x43, kLeft);  // the Z slot's key changed to c
  EXPECT_EQ(system.withheld_keys(), (std::set<std::int32_t>{0x43}));
  EXPECT_EQ(system.calls, (Strings{"register 1234 " + id(kLeft) + " 0 5a", "unregister 1234 " + id(kLeft),
                                   "register 1234 " + id(kLeft) + " 0 43"}));
}

TEST_F(HotkeysTest, OnlyTheFirstRecordOfAnIdentifierIsEverFound) {
  register_key(0x5A, kLeft, kWindow, 0, answering(11));
  register_key(0x58, kRight, kWindow, 0, answering(22));
  register_key(0x5A, kLeft, kWindow, 0, answering(33));
  EXPECT_EQ(hotkey_message(kLeft), 11);
  EXPECT_EQ(hotkey_message(kRight), 22);
}

// A day of alternating keeps one record per identifier: the table, and
// every look-up in it, stays as small as after the first two presses.
TEST_F(HotkeysTest, TheTableKeepsOneRecordPerIdentifierAndWindow) {
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(register_key(0x5A, kLeft));
    hotkeys.unregister_hotkey(kWindow, kRight);
    ASSERT_TRUE(register_key(0x58, kRight));
    hotkeys.unregister_hotkey(kWindow, kLeft);
  }
  EXPECT_EQ(hotkeys.record_count(), 2u);
  // Another window is another record, and re-registering then unregisters
  // the identifier's hotkey on every window recorded for it.
  ASSERT_TRUE(register_key(0x41, kLeft, 0x999));
  EXPECT_EQ(hotkeys.record_count(), 3u);
  system.calls.clear();
  register_key(0x42, kLeft);
  EXPECT_EQ(system.calls, (Strings{"unregister 1234 " + id(kLeft), "unregister 999 " + id(kLeft),
                                   "register 1234 " + id(kLeft) + " 0 42"}));
  EXPECT_EQ(system.withheld_keys(), (std::set<std::int32_t>{0x42, 0x58}));
}

TEST_F(HotkeysTest, UnregisteringCallsWindowsAndLeavesTheTable) {
  hotkeys.unregister_hotkey(kWindow, kRight);  // never registered
  EXPECT_EQ(system.calls, (Strings{"unregister 1234 " + id(kRight)}));
  register_key(0x5A, kLeft, kWindow, 0, answering(11));
  hotkeys.unregister_hotkey(kWindow, kLeft);
  hotkeys.unregister_hotkey(0, kLeft);  // window 0: ignored by Windows
  EXPECT_TRUE(system.withheld_keys().empty());
  EXPECT_EQ(hotkeys.record_count(), 1u);
  EXPECT_EQ(hotkey_message(kLeft), 11);  // the record stays
}

TEST_F(HotkeysTest, WithoutAWindowTheProgramsOwnWindowIsUsed) {
  EXPECT_TRUE(register_key(0x5A, kLeft, std::nullopt));
  hotkeys.unregister_hotkey(std::nullopt, kLeft);
  EXPECT_EQ(system.calls, (Strings{"own window", "register 4321 " + id(kLeft) + " 0 5a", "own window",
                                   "unregister 4321 " + id(kLeft)}));
}

TEST_F(HotkeysTest, HotkeyMessagesGoToTheHandlerAndEverythingElseToTheWindow) {
  int handled = 0;
  register_key(0x5A, kLeft, kWindow, 0, answering(11, &handled));
  EXPECT_EQ(hotkey_message(kLeft), 11);
  EXPECT_EQ(handled, 1);

  EXPECT_EQ(hotkeys.hotkey_window_procedure(kWindow, 0x0010, 0, 0), std::nullopt);  // WM_CLOSE
  EXPECT_EQ(hotkeys.hotkey_window_procedure(kWindow, 0x0111, 0x1234'0005, -7), std::nullopt);
  // A WM_HOTKEY of ids we never gave, and of one without a record.
  for (std::uintptr_t unknown : {std::uintptr_t{0}, std::uintptr_t{0xBFFF}, static_cast<std::uintptr_t>(-2)})
    EXPECT_EQ(hotkeys.hotkey_window_procedure(kWindow, kWmHotkey, unknown, 0), std::nullopt);
  EXPECT_EQ(hotkey_message(kRight), std::nullopt);
  EXPECT_EQ(handled, 1);
}

TEST_F(HotkeysTest, AnIdentifierOfNothingButBlanksIsRefusedWithAMessageBox) {
  const std::string full_width_space = "\xA1\xA1";
  for (const std::string& blank :
       {std::string(""), std::string("  "), full_width_space, " " + full_width_space + " " + full_width_space}) {
    system.calls.clear();
    system.boxes.clear();
    EXPECT_FALSE(register_key(0x5A, blank));
    EXPECT_EQ(system.calls, (Strings{"own window", "box 4321 40"})) << blank.size();
    ASSERT_EQ(system.boxes.size(), 1u);
    EXPECT_EQ(text::gbk_to_utf16(system.boxes[0].title), u"友情提醒");
    EXPECT_EQ(text::gbk_to_utf16(system.boxes[0].text), u"【窗口_热键注册】命令第5个参数【标识文本】不能为空文本");
  }
  EXPECT_EQ(hotkeys.record_count(), 0u);
  // Without a window: the search runs once, and its window owns the box.
  system.calls.clear();
  EXPECT_FALSE(register_key(0x5A, "", std::nullopt));
  EXPECT_EQ(system.calls, (Strings{"own window", "box 4321 40"}));
}

TEST_F(HotkeysTest, IdentifiersAreKeptUntrimmed) {
  // A blank around other text is no empty identifier, and the blank is part
  // of the identifier.
  EXPECT_TRUE(register_key(0x5A, " " + kLeft, kWindow, 0, answering(11)));
  EXPECT_TRUE(register_key(0x58, kLeft, kWindow, 0, answering(22)));
  EXPECT_EQ(hotkey_message(" " + kLeft), 11);
  EXPECT_EQ(hotkey_message(kLeft), 22);
  EXPECT_EQ(system.withheld_keys(), (std::set<std::int32_t>{0x5A, 0x58}));
}

}  // namespace
}  // namespace tapvero::input
