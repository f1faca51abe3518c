// The speed test's figures and texts: a stage's time, BPM and stability,
// the stage line, the stability colour, and the summary of a whole test.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "form/main_form.h"
#include "widgets/form.h"

namespace tapvero::speed_test {

// The figures of a line of the report, in the order the line shows them.
struct Figures {
  std::int64_t hits = 0;           // the test's hits so far
  float seconds = 0;               // rounded to 2 decimals
  std::int32_t bpm = 0;            // hits per second x 15
  std::optional<float> stability;  // percent; none: no stage to show one for
};

// The one formatter of the report's lines, the stage line and the summary:
// "连击:20 耗时:2.35秒 BPM:127 稳定度:85.30%" ("--" before the "%" without a
// stability), followed by a line break on a stage line; the summary comes
// after two empty lines, begins with "共计" and ends without a line break.
enum class Line { kStage, kSummary };
std::u16string line_text(Line line, const Figures& figures);
// The figures of a line as the result box shows it (without its line
// breaks), for those that read the box; none unless line_text writes
// exactly that line.
std::optional<Figures> read_line(Line line, std::u16string_view shown);

// What a stage shows: its line, and its stability in the stability label.
struct StageReport {
  std::int32_t bpm = 0;
  float stability = 0;            // percent, 0 to 100
  std::u16string stability_text;  // "85.30%"
  std::u16string line;            // the stage line, its line break included
  widgets::Color color;           // of the stability figure
};

// The report of a stage of `stage_size` hits that took `elapsed_ms`, ending
// at hit number `hit_count` of the test. `intervals` are the stage's
// recorded intervals (one fewer than its hits); those of 0 ms (two hits in
// the same millisecond) count as the mean interval.
StageReport stage_report(double elapsed_ms, std::int32_t stage_size, std::int64_t hit_count,
                         std::span<const std::int32_t> intervals);

// The stability label's colour: green above 70, yellow above 40, red
// otherwise (the chart of the runs colours stages alike).
using form::stability_color;

// The summary's figures at stop: the whole test's hits, time, BPM and the
// mean of its stage stabilities (none when no stage was completed); its
// text is line_text(Line::kSummary, ...).
Figures summary_figures(std::int64_t hit_count, double elapsed_ms, std::span<const float> stabilities);
inline std::u16string summary_text(std::int64_t hit_count, double elapsed_ms, std::span<const float> stabilities) {
  return line_text(Line::kSummary, summary_figures(hit_count, elapsed_ms, stabilities));
}

}  // namespace tapvero::speed_test
