// A run as the record keeps it: when it was, which test, the trigger keys
// and stage size it ran with, and its figures as the program showed them.
// One of these is one row of the history file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"

namespace tapvero::record {

enum class TestKind { kSpeed, kPositioning };

// A completed stage of a speed test, as its line showed it.
struct StageRecord {
  std::int32_t bpm = 0;
  float stability = 0;  // percent; the line shows it with 2 decimals

  friend bool operator==(const StageRecord&, const StageRecord&) = default;
};

struct RunRecord {
  base::LocalTime when;  // local date and time of the run's end
  TestKind test = TestKind::kSpeed;
  std::u16string z_key;  // the trigger keys' names, as the key boxes hold them
  std::u16string x_key;
  std::int32_t stage_size = 0;

  // The figures the run's summary (speed test) or report (positioning
  // test) showed. Each is written out by the same number rules as there,
  // so the history's texts equal the shown ones.
  std::int64_t hits = 0;  // speed: the summary's hits; positioning: targets hit
  // Speed: the summary's time (rounded to 2 decimals, shown in single
  // precision); positioning: the total time (rounded to 2 decimals, shown
  // with 2 decimals).
  double seconds = 0;
  std::int32_t bpm = 0;            // speed: the summary's BPM
  std::optional<float> stability;  // speed: the summary's stability; none before the first stage

  std::vector<StageRecord> stages;  // speed: every completed stage, in order
  // Speed: every hit's time in ms from the start gesture, in order, from the
  // same press times the figures were made from.
  std::vector<std::int32_t> hit_ms;

  std::int32_t misses = 0;      // positioning
  std::int32_t best_combo = 0;  // positioning
  std::int32_t mean_ms = 0;     // positioning: mean time per target

  friend bool operator==(const RunRecord&, const RunRecord&) = default;
};

}  // namespace tapvero::record
