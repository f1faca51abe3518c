#include "record/figures.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "text/number_text.h"

namespace tapvero::record {

std::optional<double> unstable_rate(std::span<const std::int32_t> hit_ms) {
  if (hit_ms.size() < 3) return std::nullopt;
  const std::size_t n = hit_ms.size() - 1;  // intervals
  double sum = 0;
  for (std::size_t i = 1; i < hit_ms.size(); ++i) sum += static_cast<double>(hit_ms[i]) - hit_ms[i - 1];
  const double mean = sum / static_cast<double>(n);
  double squares = 0;
  for (std::size_t i = 1; i < hit_ms.size(); ++i) {
    const double off = static_cast<double>(hit_ms[i]) - hit_ms[i - 1] - mean;
    squares += off * off;
  }
  // The population deviation (dividing by the count, not the count less
  // one): the run's intervals are all there are of it, not a sample of a
  // larger whole, and rhythm games compute their unstable rate so.
  return 10.0 * std::sqrt(squares / static_cast<double>(n));
}

std::vector<std::int32_t> bpm_by_hit(std::span<const std::int32_t> hit_ms, int window) {
  window = std::max(window, 1);
  std::vector<std::int32_t> bpm(hit_ms.size());
  // Point 0 is the start gesture, point k the k-th hit.
  const auto point = [&](std::size_t k) { return k == 0 ? 0 : hit_ms[k - 1]; };
  for (std::size_t k = 1; k <= hit_ms.size(); ++k) {
    const std::size_t hits = std::min<std::size_t>(k, static_cast<std::size_t>(window));
    // A time that ran backwards took none, as a stage's does.
    const double ms = std::max(0.0, static_cast<double>(point(k)) - point(k - hits));
    const float seconds = static_cast<float>(text::round_decimals(ms / 1000.0, 2));
    bpm[k - 1] = text::truncate_to_int(static_cast<double>(hits) / seconds * 15.0);
  }
  return bpm;
}

std::optional<std::int32_t> best_stage_bpm(const RunRecord& run) {
  if (run.stages.empty()) return std::nullopt;
  return std::ranges::max(run.stages, {}, &StageRecord::bpm).bpm;
}

namespace {

// Takes `value` of run `run` into `best` if it beats it (`better`), or if
// there is none yet: the earlier run keeps a tie.
template <typename T, typename Better>
void consider(std::optional<Best<T>>& best, T value, std::size_t run, Better better) {
  if (!best || better(value, best->value)) best = Best<T>{value, run};
}

constexpr auto kHigher = [](auto a, auto b) { return a > b; };
constexpr auto kLower = [](auto a, auto b) { return a < b; };

base::LocalTime day_of(const base::LocalTime& t) { return {t.year, t.month, t.day}; }

}  // namespace

PersonalBests personal_bests(std::span<const RunRecord> runs) {
  PersonalBests b;
  std::map<std::int32_t, std::optional<Best<std::int32_t>>> by_stage_size;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const RunRecord& r = runs[i];
    if (r.test == TestKind::kPositioning) {
      consider(b.targets, r.hits, i, kHigher);
      consider(b.combo, r.best_combo, i, kHigher);
      if (r.hits > 0) consider(b.mean_ms, r.mean_ms, i, kLower);
      continue;
    }
    consider(by_stage_size[r.stage_size], r.bpm, i, kHigher);
    if (const auto stage = best_stage_bpm(r)) consider(b.stage_bpm, *stage, i, kHigher);
    if (r.stability) consider(b.stability, *r.stability, i, kHigher);
    if (r.hits >= kUnstableRateMinHits) {
      if (const auto ur = unstable_rate(r.hit_ms)) consider(b.unstable_rate, *ur, i, kLower);
    }
  }
  for (const auto& [size, best] : by_stage_size) b.run_bpm.push_back({size, *best});
  return b;
}

std::vector<DayBest> best_bpm_by_day(std::span<const RunRecord> runs) {
  std::map<base::LocalTime, std::optional<Best<std::int32_t>>> days;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (runs[i].test == TestKind::kSpeed) consider(days[day_of(runs[i].when)], runs[i].bpm, i, kHigher);
  }
  std::vector<DayBest> out;
  out.reserve(days.size());
  for (const auto& [day, best] : days) out.push_back({day, *best});
  return out;
}

}  // namespace tapvero::record
