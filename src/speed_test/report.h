// The speed test's figures and texts: a stage's time, BPM and stability,
// the stage line, the stability colour, and the summary of a whole test.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "widgets/form.h"

namespace tapvero::speed_test {

struct StageReport {
  float seconds = 0;                  // the stage's time, rounded to 2 decimals
  std::int32_t bpm = 0;               // hits per second x 15
  std::int32_t mean_interval_ms = 0;  // the stage's time / its hits
  float stability = 0;                // percent, 0 to 100
  std::u16string stability_text;      // "85.30%"
  std::u16string line;                // "连击:20 耗时:2.35秒 BPM:127 稳定度:85.30%\r\n"
  widgets::Color color;               // for the stability figure
};

// The report of a stage of `stage_size` hits that took `elapsed_ms`, ending
// at hit number `hit_count` of the test. `intervals` are the stage's
// recorded intervals (one fewer than its hits); those of 0 ms (two hits in
// the same millisecond) are replaced by the mean interval.
StageReport stage_report(double elapsed_ms, std::int32_t stage_size, std::int64_t hit_count,
                         std::span<std::int32_t> intervals);

// The stability label's colour: green above 70, yellow above 40, red
// otherwise.
widgets::Color stability_color(float stability);

// The summary appended at stop: two empty lines, then the whole test's hits,
// time, BPM and the mean of its stage stabilities ("--" before the "%"
// when no stage was completed). No line break follows.
std::u16string summary_text(std::int64_t hit_count, double elapsed_ms, std::span<const float> stabilities);

}  // namespace tapvero::speed_test
