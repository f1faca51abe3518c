#include "record/figures.h"

namespace tapvero::record {

std::optional<double> unstable_rate(std::span<const std::int32_t>) { return std::nullopt; }
std::vector<std::int32_t> bpm_by_hit(std::span<const std::int32_t> hit_ms, int) {
  return std::vector<std::int32_t>(hit_ms.size());
}
std::optional<std::int32_t> best_stage_bpm(const RunRecord&) { return std::nullopt; }
PersonalBests personal_bests(std::span<const RunRecord>) { return {}; }
std::vector<DayBest> best_bpm_by_day(std::span<const RunRecord>) { return {}; }

}  // namespace tapvero::record
