#include "input/keyboard_hook.h"

#include <gtest/gtest.h>

#include <vector>

#include "input/hook_watch.h"
#include "support/fake_keyboard.h"

namespace tapvero::input {
namespace {

using Strings = std::vector<std::string>;

class KeyboardHookTest : public ::testing::Test {
 protected:
  // One event, as the Windows side hands it over.
  void event(std::int32_t key_code, std::uint32_t flags) { hook.on_key_event({key_code, flags, 1000}); }
  KeyboardHook::Callback logging(const std::string& name) {
    return [this, name](std::int32_t key, bool) {
      system.calls.push_back(name + " " + hex(static_cast<std::uint32_t>(key)));
      return false;
    };
  }

  FakeKeyboard system;
  KeyboardHook hook{system};
};

TEST_F(KeyboardHookTest, InstallingTwiceKeepsOneHookAndTheFirstCallback) {
  hook.install_keyboard_hook(logging("first"));
  system.next_hook = 0x71;
  hook.install_keyboard_hook(logging("second"));
  EXPECT_EQ(hook.handle(), 0x70u);
  event(0x5A, 0);
  EXPECT_EQ(system.calls, (Strings{"hook", "first 5a"}));
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
  EXPECT_EQ(system.calls, (Strings{"hook", "unhook 70", "hook", "second 58"}));
}

TEST_F(KeyboardHookTest, AFailedInstallationIsTriedAgainNextTime) {
  system.next_hook = 0;
  hook.install_keyboard_hook(logging("first"));
  EXPECT_EQ(hook.handle(), 0u);
  system.next_hook = 0x72;
  hook.install_keyboard_hook(logging("second"));
  EXPECT_EQ(hook.handle(), 0x72u);
  event(0x41, 0);
  EXPECT_EQ(system.calls, (Strings{"hook", "hook", "second 41"}));
}

// Which flags make a reported press: a release never, a press with any mix
// of the extended and injected bits, with Alt held too, but not Alt held and
// injected together, nor Alt with the extended and lower-integrity bits.
// Only a reported press can be withheld, and then as the callback says; the
// observer sees every event all the same.
TEST_F(KeyboardHookTest, OnlyFlagsBelow0x23AreReportedAndTheObserverSeesEveryEvent) {
  std::vector<std::int32_t> reported;
  int observed = 0;
  hook.install_keyboard_hook(
      [&](std::int32_t key, bool) {
        reported.push_back(key);
        return key % 2 == 0;
      },
      [&](const KeyEvent&) { ++observed; });
  std::vector<std::int32_t> expected;
  for (std::uint32_t flags = 0; flags <= 0xFF; ++flags) {
    const auto key = static_cast<std::int32_t>(0x100 + flags);
    EXPECT_EQ(hook.on_key_event({key, flags, 1000}), flags < 0x23 && key % 2 == 0) << flags;
    if (flags < 0x23) expected.push_back(key);
  }
  EXPECT_EQ(reported, expected);
  // The whole 32-bit value counts: a high bit is no small number.
  for (std::uint32_t flags : {0x80000000u, 0x80000010u, 0xFFFFFFFFu, 0x100u}) event(0x5A, flags);
  EXPECT_EQ(reported, expected);
  EXPECT_EQ(observed, 0x100 + 4);
}

TEST_F(KeyboardHookTest, TheCallbackMayRemoveTheHookWhileItRuns) {
  hook.install_keyboard_hook([&](std::int32_t, bool) {
    hook.remove_keyboard_hook();
    return false;
  });
  event(0x7B, 0);
  EXPECT_EQ(hook.handle(), 0u);
  EXPECT_EQ(system.calls, (Strings{"hook", "unhook 70"}));
}

// A key-down of a key held down is a repeat; its release, or a gap longer
// than a held key ever leaves, ends that. A release older than the key's
// last key-down (our window's, handled late) changes nothing.
TEST(HeldKeys, ARepeatIsAKeyDownOfAKeyHeldSinceItsLastKeyDown) {
  HeldKeys held;
  EXPECT_FALSE(held.went_down(0x5A, 100));
  EXPECT_TRUE(held.went_down(0x5A, 100 + HeldKeys::kRepeatGapMs));
  EXPECT_FALSE(held.went_down(0x58, 200));  // key by key
  held.went_up(0x5A, 50);                   // older than Z's last key-down
  EXPECT_TRUE(held.went_down(0x5A, 1700));
  held.went_up(0x5A, 1700);
  EXPECT_FALSE(held.went_down(0x5A, 1701));
  EXPECT_FALSE(held.went_down(0x5A, 1702 + HeldKeys::kRepeatGapMs));
  EXPECT_FALSE(held.went_down(0, 5));
  EXPECT_FALSE(held.went_down(0x100, 5));
  EXPECT_FALSE(held.went_down(0x100, 6));
}

// A press raw input saw and the hook did not is owed, key by key; presses
// the hook saw that raw input missed never hide that for long; and a press
// the hook missed while it went on being called is forgiven.
TEST(HookWatch, APressRawInputSawIsOwedUntilTheHookSeesItOrShowsItIsAlive) {
  const auto press = [](std::int32_t key) { return KeyEvent{key, 0, 0}; };
  HookWatch watch;
  watch.hook_saw(press(0x5A));
  EXPECT_FALSE(watch.raw_input_saw_press(0x5A));
  for (int i = 0; i < 5; ++i) watch.hook_saw(press(0x5A));  // raw input reports one and misses the others
  EXPECT_FALSE(watch.raw_input_saw_press(0x5A));
  for (std::uint32_t i = 0; i < HookWatch::kLead; ++i) EXPECT_FALSE(watch.raw_input_saw_press(0x5A));
  const auto late = watch.raw_input_saw_press(0x5A);  // its hook call comes later
  ASSERT_TRUE(late);
  const auto other = watch.raw_input_saw_press(0x58);  // Z's lead owes nothing to X
  ASSERT_TRUE(other);
  watch.hook_saw(press(0x5A));
  EXPECT_FALSE(watch.hook_lost(*late));
  EXPECT_FALSE(watch.hook_lost(*other));              // alive: X's missed press is forgiven
  const auto lost = watch.raw_input_saw_press(0x58);  // the hook is gone from here
  ASSERT_TRUE(lost);
  EXPECT_TRUE(watch.hook_lost(*lost));
  watch.reset();  // a new hook owes nothing
  EXPECT_FALSE(watch.hook_lost(*lost));
  const auto released = watch.raw_input_saw_press(0x58);
  ASSERT_TRUE(released);
  watch.hook_saw({0x58, kKeyUp, 0});  // a release is no press, but a sign of life
  EXPECT_FALSE(watch.hook_lost(*released));
  watch.hook_saw(press(0x58));
  EXPECT_FALSE(watch.raw_input_saw_press(0x58));
}

}  // namespace
}  // namespace tapvero::input
