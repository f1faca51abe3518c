#include "alternation_lock/alternation_lock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include "form/main_form.h"
#include "support/fake_keyboard.h"
#include "support/memory_ui.h"

namespace tapvero::alternation_lock {
namespace {

using input::FakeKeyboard;
using Strings = std::vector<std::string>;

constexpr std::int32_t kZ = 0x5A;
constexpr std::int32_t kX = 0x58;
constexpr std::int32_t kC = 0x43;
constexpr std::int32_t kLeftShift = 0xA0;
constexpr std::int32_t kRightShift = 0xA1;

// The lock with the keyboard and raw input wired as the input thread wires
// them; that thread is `thread`.
template <typename Thread>
struct Rig {
  Rig() {
    lock.set_trigger_keys(kZ, kX);
    system.raw_input = [this](const input::KeyEvent& e, bool in_front) { keys().raw_input_press(e, in_front); };
    system.own_window = [this](const input::KeyEvent& e) { return lock.own_window_key(e); };
  }
  KeyLock& keys() { return lock.key_lock(); }

  widgets::MemoryUi ui{form::main_form()};
  FakeKeyboard system;
  Thread thread;
  AlternationLock lock{ui, system, thread};
};

class AlternationLockTest : public ::testing::Test, protected Rig<input::InlineInputThread> {
 protected:
  void on() {
    lock.switch_lock_on();
    system.calls.clear();
  }
  // The looks at the hook that are due, each for a press it has not seen.
  long looks_due() const {
    return std::ranges::count(thread.timers, input::HookWatch::kPatienceMs, &decltype(thread.timers)::value_type::first);
  }
  void expect_buttons_on() {
    EXPECT_FALSE(ui.enabled(form::按钮_开启自动锁定));
    EXPECT_TRUE(ui.enabled(form::按钮_关闭自动锁定));
  }
  void expect_buttons_off() {
    EXPECT_TRUE(ui.enabled(form::按钮_开启自动锁定));
    EXPECT_FALSE(ui.enabled(form::按钮_关闭自动锁定));
  }
};

TEST_F(AlternationLockTest, SwitchingOnInstallsTheHookAndSwapsTheButtons) {
  expect_buttons_off();
  lock.switch_lock_on();
  EXPECT_EQ(system.calls, (Strings{"hook"}));
  expect_buttons_on();
  EXPECT_EQ(keys().state(), LockState::kNothingLocked);
  EXPECT_EQ(keys().last_alternation_key(), 0);
}

// Where the keys go: another program (the game) in front; our own window
// in front with the hook called for its keys (as under Wine); our own window
// in front with no hook called for them (as Windows reportedly does while a
// program takes raw input), where the window asks the lock itself. The lock
// must decide every press once, the same way, whichever it is.
enum class Way { kGame, kOwnWindowHooked, kOwnWindowUnhooked };

class EveryWay : public AlternationLockTest {
 protected:
  void go(Way way) {
    system.tapvero_in_front = way != Way::kGame;
    system.hook_skips_tapvero = way == Way::kOwnWindowUnhooked;
  }
};

constexpr const char* kWayNames[] = {"Game", "OwnWindowHooked", "OwnWindowUnhooked"};
// A case's name: its row's, then the way.
constexpr auto kCaseName = [](const auto& param) {
  return std::string(std::get<0>(param.param).name) + kWayNames[static_cast<int>(std::get<1>(param.param))];
};
const auto kEveryWay = ::testing::Values(Way::kGame, Way::kOwnWindowHooked, Way::kOwnWindowUnhooked);

// Key taps with the lock on, and what comes of them: the key-downs the
// program in front receives, the key left locked, whether the lock is still on.
struct Sequence {
  const char* name;
  std::int32_t z;
  std::int32_t x;
  std::vector<std::int32_t> taps;
  Strings program;
  std::int32_t locked;
  bool still_on = true;
  bool busy = false;  // the program in front handles its keys only after the taps
};

// `first`, then kMany times `many` (as many presses as six seconds of
// auto-repeat bring), then `then`.
constexpr std::size_t kMany = 200;
template <typename T>
std::vector<T> with_many(std::vector<T> first, T many, const std::vector<T>& then) {
  first.insert(first.end(), kMany, many);
  first.insert(first.end(), then.begin(), then.end());
  return first;
}

class LockSequence : public EveryWay, public ::testing::WithParamInterface<std::tuple<Sequence, Way>> {};

TEST_P(LockSequence, GivesTheProgramOnePressPerAlternation) {
  const auto& [c, way] = GetParam();
  go(way);
  lock.set_trigger_keys(c.z, c.x);
  on();
  system.program_busy = c.busy;
  for (const std::int32_t key : c.taps) system.tap(key);
  system.program_runs();
  EXPECT_EQ(system.program_presses(), c.program);
  EXPECT_EQ(keys().locked_key(), c.locked);
  EXPECT_EQ(system.hook_active(), c.still_on);
  EXPECT_EQ(keys().on(), c.still_on);
  EXPECT_EQ(looks_due(), 0);  // the hook saw every press raw input did
  ui.run_posted();                     // the page learns of F12
  if (c.still_on) {
    expect_buttons_on();
  } else {
    expect_buttons_off();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Presses, LockSequence,
    ::testing::Combine(::testing::Values(
        // The first press after switching on locks its key, whichever slot
        // (Z first, new presses of the locked key, both slots on one key and
        // a slot without a key: the state table).
        Sequence{"FirstX", kZ, kX, {kX}, {"down 58"}, kX},
        Sequence{"ZZXXZX", kZ, kX, {kZ, kZ, kX, kX, kZ, kX}, {"down 5a", "down 58", "down 5a", "down 58"}, kX},
        // Shift, Ctrl and Alt slots never match: the lock names the left and
        // right keys by their own codes, whoever reports them.
        Sequence{"ZOnShift",
                 0x10,
                 kX,
                 {kLeftShift, kLeftShift, kRightShift, kX, kX},
                 {"down 10", "down 10", "down 10", "down 58"},
                 kX},
        Sequence{"ZOnCtrl", 0x11, kX, {0xA2, 0xA3, 0xA2}, {"down 11", "down 11", "down 11"}, 0},
        Sequence{"ZOnAlt", 0x12, kX, {0xA4, 0xA5, 0xA4}, {"down 12", "down 12", "down 12"}, 0},
        // F12 as a slot's key locks like one and no longer switches off.
        Sequence{"ZOnF12", kF12, kX, {kF12, kF12, kX, kF12}, {"down 7b", "down 58", "down 7b"}, kF12},
        // F12 switches off, reaches the program itself, and frees every key.
        Sequence{
            "F12", kZ, kX, {kZ, kF12, kZ, kZ, kX}, {"down 5a", "down 7b", "down 5a", "down 5a", "down 58"}, 0, false},
        Sequence{"F12First", kZ, kX, {kF12, kZ}, {"down 7b", "down 5a"}, 0, false},
        // However long the program is busy, a press the hook passed is not
        // decided again by our window.
        Sequence{"ProgramBusy", kZ, kX, with_many<std::int32_t>({kZ}, 0x41, {kZ, kX}),
                 with_many<std::string>({"down 5a"}, "down 41", {"down 58"}), kX, true, true},
        // Other keys pass untouched and change nothing.
        Sequence{"OtherKeys",
                 kZ,
                 kX,
                 {kZ, 0x41, 0x20, 0x0D, 0x7A, 0x7C, kC, kZ},
                 {"down 5a", "down 41", "down 20", "down d", "down 7a", "down 7c", "down 43"},
                 kZ}),
        kEveryWay),
    kCaseName);

// What the program in front receives at each step (every release, and no
// key the player did not press), what the lock asks of Windows, and the
// state it is left in. A press without a release is the key held down: its
// next presses are the keyboard's auto-repeat.
enum class Act { kPress, kRelease, kSwitchOn, kSwitchOff, kWait };
struct Step {
  Act act;
  std::int32_t key;  // kWait: milliseconds
  Strings program;
  Strings calls;
  LockState after;
};
struct Script {
  const char* name;
  std::int32_t z;
  std::int32_t x;
  std::vector<Step> steps;
};

class LockStateTable : public EveryWay, public ::testing::WithParamInterface<std::tuple<Script, Way>> {};

TEST_P(LockStateTable, TheLockedKeyIsWithheldAndEverythingElsePassesAsThePlayerMadeIt) {
  const auto& [script, way] = GetParam();
  go(way);
  lock.set_trigger_keys(script.z, script.x);
  on();
  for (std::size_t i = 0; i < script.steps.size(); ++i) {
    const Step& step = script.steps[i];
    system.program_keys.clear();
    system.calls.clear();
    switch (step.act) {
      case Act::kPress:
        system.press(step.key);
        break;
      case Act::kRelease:
        system.release(step.key);
        break;
      case Act::kSwitchOn:
        lock.switch_lock_on();
        break;
      case Act::kSwitchOff:
        lock.switch_lock_off();
        break;
      case Act::kWait:
        system.wait(static_cast<std::uint32_t>(step.key));
        break;
    }
    if (step.act == Act::kSwitchOn || step.act == Act::kSwitchOff) system.calls.clear();
    EXPECT_EQ(system.program_keys, step.program) << "step " << i;
    EXPECT_EQ(system.calls, step.calls) << "step " << i;
    EXPECT_EQ(keys().state(), step.after) << "step " << i;
  }
}

using enum Act;
using enum LockState;
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Scripts, LockStateTable,
    ::testing::Combine(::testing::Values(
        Script{"AlternationOffAndOn",
               kZ,
               kX,
               {{kPress, kZ, {"down 5a"}, {}, kZLocked},
                {kPress, kZ, {}, {}, kZLocked},  // auto-repeat of the locked key
                {kRelease, kZ, {"up 5a"}, {}, kZLocked},
                {kPress, kZ, {}, {}, kZLocked},
                {kRelease, kZ, {"up 5a"}, {}, kZLocked},
                {kPress, 0x41, {"down 41"}, {}, kZLocked},
                {kPress, kX, {"down 58"}, {}, kXLocked},
                {kRelease, kX, {"up 58"}, {}, kXLocked},
                {kPress, kX, {}, {}, kXLocked},
                {kRelease, kX, {"up 58"}, {}, kXLocked},
                {kSwitchOff, 0, {}, {}, kOff},
                {kPress, kX, {"down 58"}, {}, kOff},
                {kRelease, kX, {"up 58"}, {}, kOff},
                // The last alternation key survives: X passes freely and locks nothing.
                {kSwitchOn, 0, {}, {}, kNothingLocked},
                {kPress, kX, {"down 58"}, {}, kNothingLocked},
                {kRelease, kX, {"up 58"}, {}, kNothingLocked},
                {kPress, kX, {"down 58"}, {}, kNothingLocked},
                {kRelease, kX, {"up 58"}, {}, kNothingLocked},
                {kPress, kZ, {"down 5a"}, {}, kZLocked},
                {kPress, kF12, {"down 7b"}, {"unhook 70"}, kOff},
                {kPress, kZ, {"down 5a"}, {}, kOff}}},
        // X held through a tap of Z: its repeats reach the program, lock
        // nothing and free nothing; a held key's repeats while it is the
        // locked one are withheld.
        Script{"RepeatsAreNoPresses",
               kZ,
               kX,
               {{kPress, kX, {"down 58"}, {}, kXLocked},
                {kPress, kX, {}, {}, kXLocked},
                {kPress, kZ, {"down 5a"}, {}, kZLocked},
                {kPress, kX, {"down 58"}, {}, kZLocked},
                {kRelease, kZ, {"up 5a"}, {}, kZLocked},
                {kPress, kX, {"down 58"}, {}, kZLocked},
                {kPress, kX, {"down 58"}, {}, kZLocked},
                {kPress, kZ, {}, {}, kZLocked},
                {kRelease, kZ, {"up 5a"}, {}, kZLocked},
                {kRelease, kX, {"up 58"}, {}, kZLocked},
                {kPress, kX, {"down 58"}, {}, kXLocked},
                {kPress, kZ, {"down 5a"}, {}, kZLocked},
                {kPress, kZ, {}, {}, kZLocked},
                {kPress, kZ, {}, {}, kZLocked}}},
        // Z's release never heard of (it went up on the secure desktop): once
        // Z has not repeated for longer than a held key's longest gap, its
        // next key-down is a press again.
        Script{"AReleaseNeverSeenEndsInTime",
               kZ,
               kX,
               {{kPress, kZ, {"down 5a"}, {}, kZLocked},
                {kPress, kX, {"down 58"}, {}, kXLocked},
                {kRelease, kX, {"up 58"}, {}, kXLocked},
                {kWait, input::HeldKeys::kRepeatGapMs, {}, {}, kXLocked},
                {kPress, kZ, {"down 5a"}, {}, kZLocked}}},
        Script{"BothSlotsOnOneKey",
               kZ,
               kZ,
               {{kPress, kZ, {"down 5a"}, {}, kZLocked},
                {kRelease, kZ, {"up 5a"}, {}, kZLocked},
                {kPress, kZ, {}, {}, kZLocked},
                {kPress, kX, {"down 58"}, {}, kZLocked},
                {kRelease, kZ, {"up 5a"}, {}, kZLocked},
                {kPress, kZ, {}, {}, kZLocked}}},
        Script{"NoZKey",
               0,
               kX,
               {{kPress, kZ, {"down 5a"}, {}, kNothingLocked},
                {kRelease, kZ, {"up 5a"}, {}, kNothingLocked},
                {kPress, kX, {"down 58"}, {}, kXLocked},
                {kRelease, kX, {"up 58"}, {}, kXLocked},
                {kPress, kZ, {"down 5a"}, {}, kXLocked},
                {kPress, kX, {}, {}, kXLocked}}}),
        kEveryWay),
    kCaseName);
// clang-format on

// F12 switches off on the input thread; the page learns it by a posted
// message, and shows the lock as it is then.
TEST_F(AlternationLockTest, F12SwitchesOffAndThePageShowsItOnceThePostedMessageArrives) {
  std::vector<bool> watching;  // whether the watch needs raw input, as the input thread is told
  keys().when_watching([&](bool needed) { watching.push_back(needed); });
  on();
  system.press(kZ);
  system.calls.clear();
  system.tap(kF12);
  EXPECT_EQ(system.calls, (Strings{"unhook 70"}));
  expect_buttons_on();
  EXPECT_EQ(ui.run_posted(), 1);
  expect_buttons_off();
  // Switched on again before the message arrives: the page stays on.
  lock.switch_lock_on();
  system.tap(kF12);
  lock.switch_lock_on();
  ui.run_posted();
  expect_buttons_on();
  EXPECT_EQ(watching, (std::vector<bool>{true, false, true, false, true}));
}

TEST_F(AlternationLockTest, ANewZKeyWhileZIsLockedTakesOverTheSlot) {
  on();
  system.tap(kZ);
  lock.set_trigger_keys(kC, kX);       // saved while Z is locked
  EXPECT_EQ(keys().locked_key(), kZ);  // the old key stays locked
  system.tap(kC);
  EXPECT_EQ(keys().locked_key(), kC);
  system.program_keys.clear();
  system.press(kZ);
  EXPECT_EQ(system.program_keys, (Strings{"down 5a"}));
}

TEST_F(AlternationLockTest, TheOtherKeyFreesAKeyLockedBeforeTheSettingChanged) {
  on();
  system.tap(kZ);
  lock.set_trigger_keys(kC, kX);
  system.tap(kX);
  EXPECT_EQ(keys().locked_key(), kX);
  system.program_keys.clear();
  system.press(kZ);
  EXPECT_EQ(system.program_keys, (Strings{"down 5a"}));
}

TEST_F(AlternationLockTest, WithoutAHookTheLockStaysOffAndSaysSo) {
  system.next_hook = 0;
  lock.switch_lock_on();
  expect_buttons_off();
  EXPECT_FALSE(keys().on());
  EXPECT_EQ(ui.message_boxes,
            (widgets::MemoryUi::Boxes{{u"自动锁定开启失败！无法监听键盘按键", u"错误", widgets::Icon::kError}}));
  system.press(kZ);
  EXPECT_EQ(system.calls, (Strings{"hook"}));
  EXPECT_EQ(keys().last_alternation_key(), 0);
}

// Windows may remove the hook without a word, and then nothing is withheld.
// Raw input still sees the presses of other programs: taken while the hook
// is silent (as it is until first heard, and once it has not been called
// for a second), a trigger key's press that the hook missed, with the hook
// silent since, brings the hook back with nothing locked, or switches the
// lock off for good. Raw input is given up while the hook is heard.
TEST_F(AlternationLockTest, AHookThatStopsBeingCalledIsNoticedAndReplaced) {
  std::vector<bool> watching;
  keys().when_watching([&](bool needed) { watching.push_back(needed); });
  on();
  system.tap(kZ);
  thread.run_timers(0);  // heard: raw input given up once the hook has returned
  system.drop_hook();
  system.tap(kZ);  // no longer withheld, and no raw input to tell
  EXPECT_EQ(looks_due(), 0);
  thread.run_timers(KeyLock::kSilenceMs);  // a second without the hook: raw input again
  system.tap(0x41);                        // other keys are no cause to look
  EXPECT_EQ(looks_due(), 0);
  system.tap(kZ);
  ASSERT_EQ(looks_due(), 1);
  system.calls.clear();
  thread.run_timers();
  EXPECT_EQ(system.calls, (Strings{"unhook 70", "hook"}));
  EXPECT_EQ(keys().state(), LockState::kNothingLocked);
  // The new hook locks as before.
  system.tap(kX);
  system.tap(kX);
  EXPECT_EQ(keys().locked_key(), kX);
  EXPECT_EQ(looks_due(), 0);

  // Switched off while a look is due: the look leaves it off.
  thread.run_timers(0);
  system.drop_hook();
  thread.run_timers(KeyLock::kSilenceMs);
  system.tap(kZ);
  lock.switch_lock_off();
  system.calls.clear();
  thread.run_timers();
  EXPECT_TRUE(system.calls.empty());
  EXPECT_FALSE(keys().on());

  // F12 went by while the hook was lost: off for good, whichever press is
  // looked at first.
  lock.switch_lock_on();
  system.drop_hook();
  for (const std::int32_t key : {kZ, kF12}) system.tap(key);
  thread.run_timers();
  ui.run_posted();
  expect_buttons_off();
  system.program_keys.clear();
  for (int i = 0; i < 2; ++i) system.tap(kZ);
  EXPECT_EQ(system.program_presses(), (Strings{"down 5a", "down 5a"}));

  lock.switch_lock_on();
  system.drop_hook();
  system.next_hook = 0;
  system.tap(kZ);
  thread.run_timers();
  EXPECT_FALSE(keys().on());
  EXPECT_EQ(watching, (std::vector<bool>{true, false, true, false, true, false, true, false, true, false}));
  expect_buttons_on();
  ui.run_posted();
  expect_buttons_off();
}

// Presses the hook is not called for while it is alive: Windows may not
// call it for keys that go to our own window, and raw input says so; or it
// misses one now and then. Neither replaces the hook, nor makes a later
// press of the same key look missed.
TEST_F(AlternationLockTest, PressesTheLiveHookWasNotCalledForLeaveItAlone) {
  on();
  system.tapvero_in_front = true;
  system.hook_skips_tapvero = true;
  for (int i = 0; i < 3; ++i) system.tap(kZ);
  EXPECT_TRUE(thread.timers.empty());
  system.tapvero_in_front = false;
  system.hook_misses = 1;
  system.tap(kX);
  EXPECT_EQ(looks_due(), 1);
  system.press(0x41);  // the hook is alive
  system.calls.clear();
  thread.run_timers();
  EXPECT_TRUE(system.calls.empty());
  for (const std::int32_t key : {kX, kZ, kX}) system.tap(key);
  EXPECT_EQ(looks_due(), 0);
  EXPECT_EQ(keys().locked_key(), kX);
}

// The input thread's own thread: presses arrive there while the window's
// thread switches the lock on and off, changes the keys and handles what
// the lock posts.
class WorkerThread final : public input::InputThread {
 public:
  WorkerThread() : worker_([this] { work(); }) {}
  ~WorkerThread() override {
    post({});
    worker_.join();
  }
  void run(const std::function<void()>& task) override {
    std::mutex done_mutex;
    std::condition_variable done_signal;
    bool done = false;
    post([&] {
      task();
      const std::lock_guard lock(done_mutex);
      done = true;
      done_signal.notify_one();
    });
    // A task that never runs fails the test in seconds (the task refers to
    // this frame, so the program cannot go on without it).
    std::unique_lock lock(done_mutex);
    if (!done_signal.wait_for(lock, std::chrono::seconds(5), [&] { return done; })) {
      ADD_FAILURE() << "a task on the input thread did not run within 5 s";
      std::abort();
    }
  }
  void after(std::uint32_t, std::function<void()> task) override { post(std::move(task)); }
  // Runs `task` on the worker; an empty task ends it.
  void post(std::function<void()> task) {
    const std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    signal_.notify_one();
  }

 private:
  void work() {
    for (;;) {
      std::unique_lock lock(mutex_);
      signal_.wait(lock, [&] { return !tasks_.empty(); });
      const std::function<void()> task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      if (!task) return;
      task();
    }
  }

  std::mutex mutex_;
  std::condition_variable signal_;
  std::deque<std::function<void()>> tasks_;
  std::thread worker_;
};

TEST(AlternationLockOnItsOwnThread, AlternatesAndSwitchesOffWhateverTheWindowsThreadDoes) {
  Rig<WorkerThread> rig;
  for (int round = 0; round < 50; ++round) {
    rig.lock.switch_lock_on();
    for (const std::int32_t key : {kZ, kZ, kX, kX, kC}) rig.thread.post([&rig, key] { rig.system.tap(key); });
    rig.lock.set_trigger_keys(round % 2 ? kC : kZ, kX);  // saved meanwhile
    rig.thread.post([&rig] { rig.system.tap(kF12); });
    rig.thread.run([] {});  // every press handled
    rig.ui.run_posted();
    EXPECT_FALSE(rig.keys().on());
    EXPECT_TRUE(rig.ui.enabled(form::按钮_开启自动锁定));
    EXPECT_FALSE(rig.ui.enabled(form::按钮_关闭自动锁定));
    rig.thread.run([&] { EXPECT_EQ(rig.keys().locked_key(), 0); });
  }
}

}  // namespace
}  // namespace tapvero::alternation_lock
