#include "input/keyboard_hook.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/fake_input_system.h"

namespace tapvero::input {
namespace {

using Strings = std::vector<std::string>;

class KeyboardHookTest : public ::testing::Test {
 protected:
  // Sends one event through the hook procedure, as Windows does.
  std::intptr_t event(std::uint32_t key_code, std::uint32_t flags, int code = 0, std::uintptr_t message = 0x100) {
    auto record = key_event_record(key_code, flags);
    const std::intptr_t result = hook.hook_procedure(code, message, reinterpret_cast<std::intptr_t>(record.data()));
    return result;
  }
  KeyboardHook::Callback logging(const std::string& name) {
    return
        [this, name](std::int32_t key) { system.calls.push_back(name + " " + hex(static_cast<std::uint32_t>(key))); };
  }

  FakeInputSystem system;
  KeyboardHook hook{system};
};

TEST_F(KeyboardHookTest, InstallingTwiceKeepsOneHookAndTheFirstCallback) {
  hook.install_keyboard_hook(logging("first"));
  system.next_hook = 0x71;
  hook.install_keyboard_hook(logging("second"));
  EXPECT_EQ(hook.handle(), 0x70u);
  event(0x5A, 0);
  EXPECT_EQ(system.calls, (Strings{"hook", "first 5a", "next 70"}));
}

TEST_F(KeyboardHookTest, RemovingWithoutAHookDoesNoHarm) {
  hook.remove_keyboard_hook();
  hook.remove_keyboard_hook();
  EXPECT_EQ(hook.handle(), 0u);
  EXPECT_EQ(system.calls, (Strings{"unhook 0", "unhook 0"}));
}

TEST_F(KeyboardHookTest, RemovingUnhooksTheStoredHandleAndAllowsANewInstallation) {
  hook.install_keyboard_hook(logging("first"));
  hook.remove_keyboard_hook();
  EXPECT_EQ(hook.handle(), 0u);
  system.next_hook = 0x71;
  hook.install_keyboard_hook(logging("second"));
  EXPECT_EQ(hook.handle(), 0x71u);
  event(0x58, 0);
  EXPECT_EQ(system.calls, (Strings{"hook", "unhook 70", "hook", "second 58", "next 71"}));
}

TEST_F(KeyboardHookTest, AFailedInstallationIsTriedAgainNextTime) {
  system.next_hook = 0;
  hook.install_keyboard_hook(logging("first"));
  EXPECT_EQ(hook.handle(), 0u);
  system.next_hook = 0x72;
  hook.install_keyboard_hook(logging("second"));
  EXPECT_EQ(hook.handle(), 0x72u);
  event(0x41, 0);
  EXPECT_EQ(system.calls, (Strings{"hook", "hook", "second 41", "next 72"}));
}

// Which flags make a reported press: a release never, a press with any mix
// of the extended and injected bits, with Alt held too, but not Alt held and
// injected together, nor Alt with the extended and lower-integrity bits.
TEST_F(KeyboardHookTest, OnlyFlagsBelow0x23AreReported) {
  std::vector<std::uint32_t> reported;
  hook.install_keyboard_hook([&](std::int32_t key) { reported.push_back(static_cast<std::uint32_t>(key)); });
  std::vector<std::uint32_t> expected;
  for (std::uint32_t flags = 0; flags <= 0xFF; ++flags) {
    event(0x100 + flags, flags);
    if (flags < 0x23) expected.push_back(0x100 + flags);
  }
  EXPECT_EQ(reported, expected);
  // The whole 32-bit value counts: a high bit is no small number.
  for (std::uint32_t flags : {0x80000000u, 0x80000010u, 0xFFFFFFFFu, 0x100u}) event(0x5A, flags);
  EXPECT_EQ(reported, expected);
}

TEST_F(KeyboardHookTest, TheMessageIsNotExaminedOnlyTheFlags) {
  std::vector<std::int32_t> reported;
  hook.install_keyboard_hook([&](std::int32_t key) { reported.push_back(key); });
  event(0x5A, 0x00, 0, 0x101);  // WM_KEYUP with press flags
  event(0x58, 0x80, 0, 0x100);  // WM_KEYDOWN with the release flag
  event(0x43, 0x20, 0, 0x104);  // WM_SYSKEYDOWN
  EXPECT_EQ(reported, (std::vector<std::int32_t>{0x5A, 0x43}));
}

TEST_F(KeyboardHookTest, EventsOtherThanActionsGoOnWithoutTheCallback) {
  hook.install_keyboard_hook(logging("callback"));
  for (int code : {-1, 3, 1}) EXPECT_EQ(hook.hook_procedure(code, 0x100, 0), FakeInputSystem::kNextHookResult);
  EXPECT_EQ(system.calls, (Strings{"hook", "next 70 code -1", "next 70 code 3", "next 70 code 1"}));
}

TEST_F(KeyboardHookTest, TheCallbackReturnsBeforeTheEventGoesOnAndTheNextHooksResultIsReturned) {
  hook.install_keyboard_hook(logging("callback"));
  EXPECT_EQ(event(0xA0, 0x01), FakeInputSystem::kNextHookResult);
  event(0xA0, 0x81);
  EXPECT_EQ(system.calls, (Strings{"hook", "callback a0", "next 70", "next 70"}));
}

TEST_F(KeyboardHookTest, TheCallbackMayRemoveTheHookAndTheEventStillGoesOnWithHandleZero) {
  hook.install_keyboard_hook([&](std::int32_t) { hook.remove_keyboard_hook(); });
  EXPECT_EQ(event(0x7B, 0), FakeInputSystem::kNextHookResult);
  EXPECT_EQ(system.calls, (Strings{"hook", "unhook 70", "next 0"}));
}

TEST_F(KeyboardHookTest, TheCallbackSeesTheKeyCodeNotTheScanCodeOrOtherFields) {
  std::vector<std::int32_t> reported;
  hook.install_keyboard_hook([&](std::int32_t key) { reported.push_back(key); });
  for (std::uint32_t scan : {0u, 0x2Cu, 0xFFFFFFFFu}) {
    auto record = key_event_record(0xA1, 0x00, scan);
    hook.hook_procedure(0, 0x100, reinterpret_cast<std::intptr_t>(record.data()));
  }
  EXPECT_EQ(reported, (std::vector<std::int32_t>{0xA1, 0xA1, 0xA1}));
}

}  // namespace
}  // namespace tapvero::input
