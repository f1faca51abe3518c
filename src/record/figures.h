// The record's figures, computed from what a run record keeps: the unstable
// rate, the BPM hit by hit, and the personal bests and daily bests over a
// history of runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/clock.h"
#include "record/run_record.h"

namespace tapvero::record {

// 10 x the standard deviation of the intervals between consecutive hits, in
// ms (the start gesture is no hit). None below 3 hits (fewer than two
// intervals).
std::optional<double> unstable_rate(std::span<const std::int32_t> hit_ms);

// How many intervals the hit-by-hit BPM looks back over.
inline constexpr int kBpmWindow = 10;

// The BPM at each hit, by the stage line's formula (hits over the time they
// took, that time rounded to 2 decimals in single precision, x 15,
// truncated) over the last kBpmWindow intervals, fewer at the run's start
// (where the start gesture is the first point). One per hit.
std::vector<std::int32_t> bpm_by_hit(std::span<const std::int32_t> hit_ms, int window = kBpmWindow);

// The highest stage BPM of a run; none without a completed stage.
std::optional<std::int32_t> best_stage_bpm(const RunRecord& run);

// A best figure and the run it comes from (an index into the runs given).
template <typename T>
struct Best {
  T value{};
  std::size_t run = 0;

  friend bool operator==(const Best&, const Best&) = default;
};

// The lowest unstable rate counts only over runs of at least this many hits.
inline constexpr std::int64_t kUnstableRateMinHits = 100;

struct PersonalBests {
  struct ByStageSize {
    std::int32_t stage_size = 0;
    Best<std::int32_t> bpm;  // the best run BPM with this stage size

    friend bool operator==(const ByStageSize&, const ByStageSize&) = default;
  };
  std::vector<ByStageSize> run_bpm;  // speed tests, by stage size, smallest first
  std::optional<Best<std::int32_t>> stage_bpm;
  std::optional<Best<float>> stability;       // the best overall stability of a speed test
  std::optional<Best<double>> unstable_rate;  // the lowest, over runs of kUnstableRateMinHits hits or more
  std::optional<Best<std::int64_t>> targets;  // positioning: most targets hit
  std::optional<Best<std::int32_t>> combo;    // positioning: best combo
  std::optional<Best<std::int32_t>> mean_ms;  // positioning: lowest mean time, over runs with a hit
};

// The earliest run wins a tie.
PersonalBests personal_bests(std::span<const RunRecord> runs);

// The best run BPM of the speed tests of each local day, days in order.
struct DayBest {
  base::LocalTime day;  // the day's date; the time of day is 0
  Best<std::int32_t> bpm;

  friend bool operator==(const DayBest&, const DayBest&) = default;
};
std::vector<DayBest> best_bpm_by_day(std::span<const RunRecord> runs);

}  // namespace tapvero::record
