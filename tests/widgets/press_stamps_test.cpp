#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <limits>
#include <thread>
#include <utility>
#include <vector>

#include "input/raw_presses.h"
#include "widgets/press_times.h"

namespace tapvero::widgets {
namespace {

using namespace input;

TEST(PressStamps, AnEventIsFoundByCodeAndMessageTimeOnceOldestFirst) {
  PressStamps stamps;
  stamps.record('Z', 500, Tick(1001));
  stamps.record('X', 500, Tick(1002));
  stamps.record('Z', 500, Tick(1003));  // a second press in the same system millisecond
  stamps.record(kLeftRelease, 516, Tick(1020));
  EXPECT_EQ(stamps.take('Z', 500), Tick(1001));
  EXPECT_EQ(stamps.take('Z', 500), Tick(1003));
  EXPECT_EQ(stamps.take('Z', 500), std::nullopt);
  EXPECT_EQ(stamps.take('X', 516), std::nullopt);
  EXPECT_EQ(stamps.take(kRightRelease, 516), std::nullopt);
  EXPECT_EQ(stamps.take(kLeftRelease, 516), Tick(1020));
  EXPECT_EQ(stamps.take('X', 500), Tick(1002));
}

TEST(PressStamps, TheOldestGiveWayAndNothingGrows) {
  PressStamps stamps;
  for (int i = 0; i < static_cast<int>(PressStamps::kCapacity) + 10; ++i) stamps.record('Z', i, Tick(10 * i));
  EXPECT_EQ(stamps.take('Z', 9), std::nullopt);
  EXPECT_EQ(stamps.take('Z', 10), Tick(100));
  EXPECT_EQ(stamps.take('Z', static_cast<int>(PressStamps::kCapacity) + 9), Tick(10 * (PressStamps::kCapacity + 9)));
}

TEST(PressStamps, OneThreadRecordsWhileAnotherTakes) {
  PressStamps stamps;
  constexpr int kEvents = 20000;
  std::atomic<int> recorded{0};
  std::thread recorder([&] {
    for (int i = 0; i < kEvents; ++i) {
      stamps.record(i % 2 ? 'X' : 'Z', i, Tick(3 * i));
      recorded.store(i + 1, std::memory_order_release);
    }
  });
  int found = 0;
  for (int i = 0; i < kEvents; ++i) {
    for (;;) {
      // An entry recorded before the look-up and not found has only given
      // way if the recorder has since gone a whole ring further.
      const int before = recorded.load(std::memory_order_acquire);
      if (const auto at = stamps.take(i % 2 ? 'X' : 'Z', i)) {
        EXPECT_EQ(*at, Tick(3 * i));
        ++found;
        break;
      }
      if (before > i) {
        EXPECT_GE(recorded.load(std::memory_order_acquire), i + static_cast<int>(PressStamps::kCapacity)) << i;
        break;
      }
      std::this_thread::yield();
    }
  }
  recorder.join();
  EXPECT_GT(found, 0);
}

// A press handled before its stamp is recorded waits for it; no event waits
// for a stamp that cannot come. The recorder stamps the event as soon as the
// taker waits (or once it has its time): either rule broken fails at once,
// and no wait lasts beyond a few seconds.
TEST(PressTimes, AnEventWaitsForItsStampOnlyIfOneCanCome) {
  const struct {
    bool keys, buttons;  // recorded
    int code;
    std::uint32_t expected;
  } cases[] = {{true, true, 'Z', 1001},
               {true, false, kLeftRelease, 1010},
               {false, true, 'Z', 1010},
               {true, true, kInputMethodKey, 1010}};
  for (const auto& c : cases) {
    PressStamps stamps;
    stamps.set_recording(c.keys, c.buttons);
    std::atomic<bool> handled{false};
    std::thread recorder([&] {
      while (stamps.waiting() == 0 && !handled) std::this_thread::yield();
      stamps.record(c.code, 500, Tick(1001));
    });
    EXPECT_EQ(PressTimes(&stamps, {}, std::chrono::seconds(5)).time_of(c.code, 500, Tick(1010)), Tick(c.expected))
        << c.code;
    handled = true;
    recorder.join();
  }
}

// Raw input names the physical buttons, the window's messages the logical ones.
TEST(ButtonReleases, ARawReleaseIsNamedAsTheWindowNamesIt) {
  const ButtonReleases both = button_releases(kRawLeftButtonUp | kRawRightButtonUp, true);
  EXPECT_EQ(std::vector<int>(both.codes.begin(), both.codes.begin() + both.count),
            (std::vector<int>{kRightRelease, kLeftRelease}));
  EXPECT_EQ(button_releases(0x0001 | 0x0004, false).count, 0);  // presses
}

TEST(PressTimes, WithoutItsStampAPressHasItsExactMessageTimeOrElseItsHandling) {
  const MessageTimeScale exact{true, 3}, coarse{false, 0};
  const struct {
    MessageTimeScale scale;
    std::uint32_t handled, expected;
  } cases[] = {{exact, 1010, 1003},    // handled 7 ms after the press
               {exact, 6003, 1003},    // by a window's thread held up for 5 s
               {exact, 1002, 1002},    // a rounding's millisecond after the handling: never later than it
               {exact, 91003, 91003},  // 90 s before: none of this press's
               {coarse, 1010, 1010}};
  for (const auto& c : cases) {
    PressStamps stamps;
    EXPECT_EQ(PressTimes(&stamps, c.scale).time_of('Z', 1000, Tick(c.handled)), Tick(c.expected)) << c.handled;
  }
}

TEST(PressTimes, AStampIsNeverLaterThanTheHandlingNorEarlierThanTheTimeBefore) {
  PressStamps stamps;
  PressTimes times(&stamps);
  stamps.record('Z', 1, Tick(1005));
  EXPECT_EQ(times.time_of('Z', 1, Tick(1003)), Tick(1003));
  stamps.record('X', 2, Tick(990));
  EXPECT_EQ(times.time_of('X', 2, Tick(1010)), Tick(1003));
  // However long the program sat idle, across the counter's wrap too.
  stamps.record('Z', 3, Tick(1003 + 2'592'000'000u));
  EXPECT_EQ(times.time_of('Z', 3, Tick(1013 + 2'592'000'000u)), Tick(1003 + 2'592'000'000u));  // 30 days later
  stamps.record('X', 4, Tick(5));
  EXPECT_EQ(times.time_of('X', 4, Tick(7)), Tick(5));
}

TEST(Tick, DifferencesAndTheEarlierHoldAcrossTheSignChangeAndTheWrap) {
  const std::pair<std::uint32_t, std::uint32_t> later_earlier[] = {
      {103, 100}, {0x80000001u, 0x7FFFFFFEu}, {1, 0xFFFFFFFEu}};
  for (const auto& [a, b] : later_earlier) {
    EXPECT_EQ(Tick(a) - Tick(b), 3) << a;
    EXPECT_EQ(Tick(b) - Tick(a), -3) << a;
    EXPECT_EQ(earlier_of(Tick(a), Tick(b)), Tick(b)) << a;
    EXPECT_EQ(earlier_of(Tick(b), Tick(a)), Tick(b)) << a;
  }
  // 24.8 days on, past what a difference either way can tell.
  EXPECT_EQ(Tick(0x7FFFFFFFu).since(Tick(0xFFFFFFFFu)), 0x80000000u);
}

// {tick, message time} samples for 20 ms, several a millisecond, with
// message times in steps of `step` ms lagging the tick by `lag`.
std::vector<std::pair<Tick, std::int32_t>> samples(std::int32_t step, std::int32_t lag) {
  std::vector<std::pair<Tick, std::int32_t>> s;
  for (std::int32_t t = 5000; t < 5020; ++t) {
    for (int i = 0; i < 4; ++i) s.emplace_back(Tick(t), (t - lag) / step * step);
  }
  return s;
}

TEST(MessageTimeScale, ExactMillisecondsAreUsedAndACoarseTickIsNot) {
  const MessageTimeScale wine = message_time_scale(samples(1, 3));
  EXPECT_TRUE(wine.exact);
  EXPECT_EQ(wine.offset, 3);
  // A press that reached the timing thread 7 ms late keeps its own time;
  // an implausible message time gives way to the arrival.
  EXPECT_EQ(input_stamp(Tick(1010), 1000, wine), Tick(1003));
  EXPECT_EQ(input_stamp(Tick(1004), 1002, wine), Tick(1005));  // a rounding's millisecond after the arrival
  EXPECT_EQ(input_stamp(Tick(1000), 1000, wine), Tick(1000));
  EXPECT_EQ(input_stamp(Tick(5000), 1000, wine), Tick(5000));
  // Across the tick counter's sign change.
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(input_stamp(Tick(0x80000002u), kMax - 3, wine), Tick(0x7FFFFFFFu));

  // Held up for 5 ms once: still exact.
  auto held_up = samples(1, 3);
  held_up.erase(held_up.begin() + 20, held_up.begin() + 40);
  EXPECT_TRUE(message_time_scale(held_up).exact);

  const MessageTimeScale windows = message_time_scale(samples(16, 0));
  EXPECT_FALSE(windows.exact);
  EXPECT_EQ(input_stamp(Tick(1010), 1000, windows), Tick(1010));
  EXPECT_FALSE(message_time_scale({}).exact);
}

}  // namespace
}  // namespace tapvero::widgets
