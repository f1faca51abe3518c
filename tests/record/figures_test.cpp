#include "record/figures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tapvero::record {
namespace {

// Hits `a` and `b` ms apart in turn, from the start.
std::vector<std::int32_t> alternating(std::size_t hits, std::int32_t a, std::int32_t b) {
  std::vector<std::int32_t> t;
  for (std::int32_t at = 0; t.size() < hits;) t.push_back(at += t.size() % 2 ? b : a);
  return t;
}

// The expected figures are worked out by hand from the intervals.
TEST(Figures, TheUnstableRateIsTenTimesThePopulationDeviationOfTheIntervals) {
  const std::pair<std::vector<std::int32_t>, std::optional<double>> rows[] = {
      {{100, 200}, std::nullopt},                        // one interval: no spread to speak of
      {{100, 200, 300, 400}, 0.0},                       //
      {{50, 140, 250}, 100.0},                           // 90, 110: mean 100, deviation 10
      {{0, 100, 200, 330, 400}, 10 * std::sqrt(450.0)},  // 100 100 130 70: (0+0+900+900)/4, not /3
      {alternating(101, 80, 120), 200.0},                // the start gesture is no hit
  };
  for (const auto& [hit_ms, rate] : rows) {
    ASSERT_EQ(unstable_rate(hit_ms).has_value(), rate.has_value()) << hit_ms.size();
    if (rate) EXPECT_NEAR(*unstable_rate(hit_ms), *rate, 1e-9) << hit_ms.size();
  }
}

// Hits over the time they took, rounded to 2 decimals in single precision,
// x 15, truncated: the stage line's rule over the last intervals.
TEST(Figures, TheBpmAtEachHitLooksBackOverTheLastIntervals) {
  struct Row {
    std::vector<std::int32_t> hit_ms;
    int window;
    std::vector<std::int32_t> bpm;
  };
  const Row rows[] = {
      // 0.125 s rounds to 0.13: 1 / 0.13 x 15 = 115.4. In single precision
      // 0.1 s is 0.100000001 and 0.3 s 0.300000012: 1 / 0.1 x 15 and
      // 2 / 0.3 x 15 come out just below 150 and 100.
      {{125, 250, 500}, 10, {115, 120, 90}},
      {{100, 300}, 10, {149, 99}},
      // Window 3: the fifth hit looks back to the second, 800 ms: 3 / 0.8 x 15.
      {{100, 200, 300, 400, 1000}, 3, {149, 149, 149, 149, 56}},
      // No time (or time running backwards) gives 0, as a stage of 0.00 s.
      {{0, 0}, 10, {0, 0}},
      {{100, 50}, 1, {149, 0}},
      // Window 2 from the second hit on: 1.1 s, then 0.35 s.
      {{1000, 1100, 1350}, 2, {15, 27, 85}},
  };
  for (const Row& r : rows) EXPECT_EQ(bpm_by_hit(r.hit_ms, r.window), r.bpm) << r.hit_ms.back();
}

RunRecord speed(base::LocalTime when, std::int32_t stage_size, std::int32_t bpm, std::optional<float> stability,
                std::vector<StageRecord> stages, std::vector<std::int32_t> hit_ms) {
  return {.when = when,
          .stage_size = stage_size,
          .hits = static_cast<std::int64_t>(hit_ms.size()),
          .bpm = bpm,
          .stability = stability,
          .stages = stages,
          .hit_ms = hit_ms};
}

RunRecord positioning(std::int64_t hits, std::int32_t combo, std::int32_t mean_ms) {
  return {
      .when = {2026, 12, 10}, .test = TestKind::kPositioning, .hits = hits, .best_combo = combo, .mean_ms = mean_ms};
}

TEST(Figures, PersonalAndDailyBestsTakeTheEarliestOfATie) {
  const base::LocalTime day8{2026, 12, 8, 9, 0, 0}, day8_late{2026, 12, 8, 23, 59, 59}, day9{2026, 12, 9, 0, 0, 1};
  const std::vector<RunRecord> runs = {
      speed(day8, 20, 150, 80.0f, {{160, 81.0f}, {140, 79.0f}}, alternating(40, 100, 100)),  // 0
      speed(day8_late, 20, 150, 90.0f, {{170, 90.0f}}, alternating(39, 90, 110)),            // 1: ties 0's BPM
      speed(day9, 10, 120, 50.0f, {}, alternating(101, 90, 110)),                            // 2: UR 100
      speed(day9, 10, 130, std::nullopt, {}, alternating(99, 100, 100)),                     // 3: UR 0, too short
      positioning(20, 12, 734),                                                              // 4
      positioning(0, 0, 5000),                                                               // 5: no hit, no mean
      positioning(25, 12, 700),                                                              // 6
      speed(day9, 10, 100, 40.0f, {}, alternating(101, 80, 120)),                            // 7: UR 200
  };
  const PersonalBests b = personal_bests(runs);
  EXPECT_EQ(b.run_bpm, (std::vector<PersonalBests::ByStageSize>{{10, {130, 3}}, {20, {150, 0}}}));
  EXPECT_EQ(b.stage_bpm, (Best<std::int32_t>{170, 1}));
  EXPECT_EQ(b.stability, (Best<float>{90.0f, 1}));
  EXPECT_EQ(b.unstable_rate, (Best<double>{100.0, 2}));
  EXPECT_EQ(b.targets, (Best<std::int64_t>{25, 6}));
  EXPECT_EQ(b.combo, (Best<std::int32_t>{12, 4}));
  EXPECT_EQ(b.mean_ms, (Best<std::int32_t>{700, 6}));
  EXPECT_EQ(best_bpm_by_day(runs), (std::vector<DayBest>{{{2026, 12, 8}, {150, 0}}, {{2026, 12, 9}, {130, 3}}}));
  const PersonalBests none = personal_bests({});
  EXPECT_FALSE(!none.run_bpm.empty() || none.stage_bpm || none.stability || none.unstable_rate || none.targets);
}

}  // namespace
}  // namespace tapvero::record
