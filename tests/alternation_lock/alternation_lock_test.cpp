#include "alternation_lock/alternation_lock.h"

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "input/fake_input_system.h"
#include "text/encoding.h"
#include "widgets/memory_ui.h"

namespace tapvero::alternation_lock {
namespace {

using input::FakeInputSystem;
using Strings = std::vector<std::string>;
using Keys = std::set<std::int32_t>;

constexpr std::int32_t kZ = 0x5A;
constexpr std::int32_t kX = 0x58;
constexpr std::int32_t kC = 0x43;
constexpr std::int32_t kLeftShift = 0xA0;
constexpr std::int32_t kRightShift = 0xA1;

class AlternationLockTest : public ::testing::Test {
 protected:
  AlternationLockTest() { system.log_hook_chain = false; }

  std::string left() { return std::to_string(*hotkeys.id_of(text::utf16_to_gbk(u"左键"))); }
  std::string right() { return std::to_string(*hotkeys.id_of(text::utf16_to_gbk(u"右键"))); }
  // The calls of locking `key` and freeing `other` for the Z slot (左键) or
  // the X slot. An identifier registered before is unregistered again first.
  Strings locking(std::int32_t key, std::int32_t other, bool z_slot, bool registered_before = false) {
    const std::string locked = z_slot ? left() : right(), freed = z_slot ? right() : left();
    Strings calls = {"key " + input::hex(other) + " up", "key " + input::hex(key) + " down",
                     "unregister 1234 " + freed};
    if (registered_before) calls.push_back("unregister 1234 " + locked);
    calls.push_back("register 1234 " + locked + " 0 " + input::hex(key));
    return calls;
  }
  // The same as the run's first registration, which takes over the window's procedure.
  Strings first_locking(std::int32_t key, std::int32_t other, bool z_slot) {
    Strings calls = locking(key, other, z_slot);
    calls.push_back("replace 1234");
    return calls;
  }
  Strings switching_off() { return {"unhook 70", "unregister 1234 " + left(), "unregister 1234 " + right()}; }
  void on() {
    lock.switch_lock_on();
    system.calls.clear();
  }
  void expect_buttons_on() {
    EXPECT_FALSE(ui.enabled(app::按钮_开启自动锁定));
    EXPECT_TRUE(ui.enabled(app::按钮_关闭自动锁定));
  }
  void expect_buttons_off() {
    EXPECT_TRUE(ui.enabled(app::按钮_开启自动锁定));
    EXPECT_FALSE(ui.enabled(app::按钮_关闭自动锁定));
  }

  widgets::MemoryUi ui{app::main_form()};
  app::SharedValues keys{kZ, kX, 20};
  FakeInputSystem system;
  input::KeyboardHook hook{system};
  input::Hotkeys hotkeys{system};
  AlternationLock lock{ui, keys, system, hook, hotkeys};
};

TEST_F(AlternationLockTest, SwitchingOnInstallsTheHookTakesTheWindowAndSwapsTheButtons) {
  expect_buttons_off();
  EXPECT_EQ(lock.main_window(), 0u);
  lock.switch_lock_on();
  EXPECT_EQ(system.calls, (Strings{"hook"}));
  EXPECT_TRUE(system.hook_active());
  EXPECT_EQ(lock.main_window(), ui.window_handle());
  expect_buttons_on();
  EXPECT_TRUE(system.withheld_keys().empty());  // nothing locked yet
  EXPECT_EQ(lock.last_alternation_key(), 0);
}

// The first press after switching on locks the pressed key, whichever slot.
TEST_F(AlternationLockTest, TheFirstPressLocksItsKey) {
  for (const bool z_slot : {true, false}) {
    FakeInputSystem fresh_system;
    fresh_system.log_hook_chain = false;
    input::KeyboardHook fresh_hook{fresh_system};
    input::Hotkeys fresh_hotkeys{fresh_system};
    AlternationLock fresh{ui, keys, fresh_system, fresh_hook, fresh_hotkeys};
    fresh.switch_lock_on();
    const std::int32_t key = z_slot ? kZ : kX, other = z_slot ? kX : kZ;
    fresh_system.press(key);
    const std::string left_id = std::to_string(*fresh_hotkeys.id_of(text::utf16_to_gbk(u"左键")));
    const std::string right_id = std::to_string(*fresh_hotkeys.id_of(text::utf16_to_gbk(u"右键")));
    EXPECT_EQ(fresh_system.calls,
              (Strings{"hook", "key " + input::hex(other) + " up", "key " + input::hex(key) + " down",
                       "unregister 1234 " + (z_slot ? right_id : left_id),
                       "register 1234 " + (z_slot ? left_id : right_id) + " 0 " + input::hex(key), "replace 1234"}));
    EXPECT_EQ(fresh.last_alternation_key(), key);
    EXPECT_EQ(fresh_system.withheld_keys(), Keys{key});
    // The physical press is withheld; the focused program gets the
    // synthesised one (and the synthesised release of the other key).
    EXPECT_EQ(fresh_system.program_keys, (Strings{"up " + input::hex(other), "down " + input::hex(key)}));
    EXPECT_EQ(fresh_system.withheld, (std::vector<std::int32_t>{key}));
  }
}

TEST_F(AlternationLockTest, RepeatedPressesOfTheLockedKeyChangeNothing) {
  on();
  system.press(kZ);
  const Strings after_first = system.calls;
  system.press(kZ);
  system.press(kZ);
  EXPECT_EQ(system.calls, after_first);
  EXPECT_EQ(system.program_presses(), (Strings{"down 5a"}));
  // Windows withholds them and our window procedure gives their WM_HOTKEY
  // to the lock's handler, which changes nothing.
  EXPECT_EQ(system.withheld, (std::vector<std::int32_t>{kZ, kZ, kZ}));
  EXPECT_EQ(system.hotkey_results, (std::vector<std::intptr_t>{0, 0, 0}));
  EXPECT_EQ(hotkeys.record_count(), 1u);
}

TEST_F(AlternationLockTest, AlternatingLocksEachPressedKeyAndFreesTheOther) {
  on();
  Strings expected;
  int presses = 0;
  for (const std::int32_t key : {kZ, kX, kZ, kX}) {
    system.press(key);
    const Strings step = locking(key, key == kZ ? kX : kZ, key == kZ, ++presses > 2);
    expected.insert(expected.end(), step.begin(), step.end());
    if (presses == 1) expected.push_back("replace 1234");  // the first registration only
    EXPECT_EQ(system.withheld_keys(), Keys{key});
    EXPECT_EQ(lock.last_alternation_key(), key);
    system.release(key);
  }
  EXPECT_EQ(system.calls, expected);
  EXPECT_EQ(system.program_presses(), (Strings{"down 5a", "down 58", "down 5a", "down 58"}));
  EXPECT_EQ(hotkeys.record_count(), 2u);
  expect_buttons_on();
}

// The sequence z z x x z x: one key-down per accepted press, none for the
// repeated ones.
TEST_F(AlternationLockTest, TheFocusedProgramGetsOnePressPerAlternation) {
  on();
  for (const std::int32_t key : {kZ, kZ, kX, kX, kZ, kX}) system.type(key);
  EXPECT_EQ(system.program_presses(), (Strings{"down 5a", "down 58", "down 5a", "down 58"}));
  EXPECT_EQ(system.withheld, (std::vector<std::int32_t>{kZ, kZ, kX, kX, kZ, kX}));
}

TEST_F(AlternationLockTest, SwitchingOffAndOnKeepsTheLastAlternationKey) {
  on();
  system.press(kZ);
  lock.switch_lock_off();
  expect_buttons_off();
  EXPECT_TRUE(system.withheld_keys().empty());
  lock.switch_lock_on();
  system.calls.clear();
  system.program_keys.clear();
  system.press(kZ);  // passes freely and locks nothing
  EXPECT_TRUE(system.calls.empty());
  EXPECT_EQ(system.program_keys, (Strings{"down 5a"}));
  system.press(kX);
  EXPECT_EQ(system.calls, locking(kX, kZ, false));
  EXPECT_EQ(system.withheld_keys(), Keys{kX});
}

TEST_F(AlternationLockTest, BothSlotsOnTheSameKeyLockItUntilSwitchedOff) {
  keys.x_key_code = kZ;
  on();
  system.press(kZ);
  EXPECT_EQ(system.calls, (Strings{"key 5a up", "key 5a down", "unregister 1234 " + right(),
                                   "register 1234 " + left() + " 0 5a", "replace 1234"}));
  system.calls.clear();
  for (int i = 0; i < 3; ++i) system.type(kZ);
  EXPECT_TRUE(system.calls.empty());
  EXPECT_EQ(system.withheld_keys(), Keys{kZ});
  lock.switch_lock_off();
  EXPECT_TRUE(system.withheld_keys().empty());
}

TEST_F(AlternationLockTest, ASlotWithoutAKeyNeverMatches) {
  keys.z_key_code = 0;
  on();
  system.press(kZ);  // the usual key of the Z slot is just another key now
  EXPECT_TRUE(system.calls.empty());
  system.press(kX);
  EXPECT_EQ(system.calls, first_locking(kX, 0, false));
  system.calls.clear();
  for (const std::int32_t key : {kX, kZ, kX}) system.type(key);
  EXPECT_TRUE(system.calls.empty());
  EXPECT_EQ(system.withheld_keys(), Keys{kX});  // until the lock is switched off
}

// The hook reports the left and right Shift, Ctrl and Alt keys, never the
// side-neutral codes that the key names give.
TEST_F(AlternationLockTest, ASlotOnShiftCtrlOrAltNeverMatches) {
  for (const std::int32_t neutral : {0x10, 0x11, 0x12}) {
    keys.z_key_code = neutral;
    on();
    for (const std::int32_t key : {kLeftShift, kRightShift, 0xA2, 0xA3, 0xA4, 0xA5}) system.type(key);
    EXPECT_TRUE(system.calls.empty()) << neutral;
    EXPECT_TRUE(system.withheld_keys().empty());
    lock.switch_lock_off();
  }
}

TEST_F(AlternationLockTest, ASlotOnF12TakesF12AwayFromSwitchingOff) {
  keys.z_key_code = kF12;
  on();
  system.press(kF12);
  EXPECT_EQ(system.calls, first_locking(kF12, kX, true));
  EXPECT_TRUE(system.hook_active());
  expect_buttons_on();
  system.press(kX);
  system.press(kF12);
  EXPECT_TRUE(system.hook_active());
  EXPECT_EQ(system.withheld_keys(), Keys{kF12});
  // Only the button switches off now.
  lock.switch_lock_off();
  EXPECT_FALSE(system.hook_active());
  expect_buttons_off();
}

TEST_F(AlternationLockTest, F12SwitchesOffAndReachesTheFocusedProgram) {
  on();
  system.log_hook_chain = true;
  system.press(kZ);
  system.calls.clear();
  system.program_keys.clear();
  system.press(kF12);
  // The hook is gone when the F12 press goes on.
  Strings expected = switching_off();
  expected.push_back("next 0");
  EXPECT_EQ(system.calls, expected);
  EXPECT_EQ(system.program_keys, (Strings{"down 7b"}));
  expect_buttons_off();
  // Every key passes now.
  system.calls.clear();
  for (const std::int32_t key : {kZ, kZ, kX, kX}) system.press(key);
  EXPECT_TRUE(system.calls.empty());
  EXPECT_EQ(system.program_presses(), (Strings{"down 7b", "down 5a", "down 5a", "down 58", "down 58"}));
}

TEST_F(AlternationLockTest, F12BeforeAnyTriggerKeySwitchesOff) {
  on();
  system.press(kF12);
  EXPECT_EQ(system.calls, switching_off());
  expect_buttons_off();
}

TEST_F(AlternationLockTest, TheOffButtonFreesBothKeys) {
  on();
  system.press(kZ);
  system.calls.clear();
  lock.switch_lock_off();
  EXPECT_EQ(system.calls, switching_off());
  EXPECT_FALSE(system.hook_active());
  EXPECT_TRUE(system.withheld_keys().empty());
  expect_buttons_off();
  system.program_keys.clear();
  system.press(kZ);
  EXPECT_EQ(system.program_keys, (Strings{"down 5a"}));
}

TEST_F(AlternationLockTest, ANewZKeyWhileZIsLockedTakesOverTheIdentifier) {
  on();
  system.press(kZ);
  keys.z_key_code = kC;  // saved while Z is locked
  EXPECT_EQ(system.withheld_keys(), Keys{kZ});  // the old key stays locked
  system.calls.clear();
  system.press(kC);
  // The old 左键 hotkey goes before the new key is registered under it.
  EXPECT_EQ(system.calls, (Strings{"key 58 up", "key 43 down", "unregister 1234 " + right(),
                                   "unregister 1234 " + left(), "register 1234 " + left() + " 0 43"}));
  EXPECT_EQ(system.withheld_keys(), Keys{kC});
  system.program_keys.clear();
  system.press(kZ);
  EXPECT_EQ(system.program_keys, (Strings{"down 5a"}));
}

TEST_F(AlternationLockTest, TheOtherKeyFreesAKeyLockedBeforeTheSettingChanged) {
  on();
  system.press(kZ);
  keys.z_key_code = kC;
  system.calls.clear();
  system.press(kX);
  EXPECT_EQ(system.calls, (Strings{"key 43 up", "key 58 down", "unregister 1234 " + left(),
                                   "register 1234 " + right() + " 0 58"}));
  EXPECT_EQ(system.withheld_keys(), Keys{kX});
}

TEST_F(AlternationLockTest, AutoRepeatOfAHeldKeyActsOnlyOnce) {
  on();
  for (int i = 0; i < 10; ++i) system.press(kX);  // held down
  system.release(kX);
  EXPECT_EQ(system.calls, first_locking(kX, kZ, false));
  EXPECT_EQ(system.withheld.size(), 10u);
}

TEST_F(AlternationLockTest, OtherKeysPassUntouched) {
  on();
  system.press(kZ);
  system.calls.clear();
  system.program_keys.clear();
  for (const std::int32_t key : {0x41, 0x20, 0x0D, kLeftShift, 0x7A, 0x7C, kC}) system.type(key);
  EXPECT_TRUE(system.calls.empty());
  EXPECT_EQ(system.program_presses(), (Strings{"down 41", "down 20", "down d", "down a0", "down 7a", "down 7c",
                                               "down 43"}));
  EXPECT_EQ(lock.last_alternation_key(), kZ);
  EXPECT_EQ(system.withheld_keys(), Keys{kZ});
}

TEST_F(AlternationLockTest, AKeyHeldByAnotherProgramIsNotWithheldButStillAlternates) {
  system.held_elsewhere = {kZ};
  on();
  system.press(kX);
  system.press(kZ);  // refused by Windows: not withheld, yet X is free and Z is the last key
  EXPECT_EQ(lock.last_alternation_key(), kZ);
  EXPECT_TRUE(system.withheld_keys().empty());
  system.program_keys.clear();
  system.press(kZ);
  system.press(kX);
  EXPECT_EQ(system.program_presses(), (Strings{"down 5a", "down 58"}));
  EXPECT_EQ(system.withheld_keys(), Keys{kX});
}

TEST_F(AlternationLockTest, WithoutAHookTheButtonsStillSwitch) {
  system.next_hook = 0;
  lock.switch_lock_on();
  expect_buttons_on();
  system.press(kZ);
  EXPECT_EQ(system.calls, (Strings{"hook"}));
  EXPECT_EQ(lock.last_alternation_key(), 0);
  lock.switch_lock_off();
  expect_buttons_off();
}

}  // namespace
}  // namespace tapvero::alternation_lock
