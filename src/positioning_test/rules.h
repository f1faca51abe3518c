// The positioning test's small rules, free of any window: the random
// generator and its draws, where the window, the countdown label and the
// bubble go, the hit band around the bubble, and the report's text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "widgets/form.h"
#include "base/tick.h"

namespace tapvero::positioning_test {

// A linear congruential generator: state × 214013 + 2531011 (mod 2^32),
// each draw giving bits 16 to 30 of the new state (0 to 32767).
class Generator {
 public:
  void seed(std::uint32_t seed) { state_ = seed; }
  int draw() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
  }
  std::uint32_t state() const { return state_; }

 private:
  std::uint32_t state_ = 0;
};

// A value from low to high, both included: a bound below 0 counts as 0,
// swapped bounds are put in order, equal bounds give that value without a
// draw; otherwise one draw r gives low + r mod (high - low + 1).
int random_integer(Generator& generator, int low, int high);

// The clock seeding: tick + counter, 32 bits wrapping. The counter then moves
// on by ((tick + counter) & 0xFF) + 100, so that two seedings within the same
// millisecond still differ.
std::uint32_t clock_seed(base::Tick tick, std::uint32_t& counter);

// The bubble keeps this far from every edge of the client area.
inline constexpr int kBubbleMargin = 8;
inline constexpr widgets::Size kBubbleSize = {104, 88};
inline constexpr widgets::Size kCountdownLabelSize = {104, 104};

// The windowed test area from the width and height boxes' texts (GBK):
// their leading numbers, when both are above 0.
std::optional<widgets::Size> windowed_size(std::string_view width_text, std::string_view height_text);

// The main window's outer frame, centred on the screen; larger than the
// screen, it starts left of or above it.
widgets::Rect centred_window(widgets::Size screen, widgets::Size window);

// Where the main window's corner goes as a windowed run ends: where the run
// had it, moved only as far as the window, back at its normal size, must go
// to lie wholly within the work area, so that a run larger than the screen
// does not leave the window out of reach. A work area smaller than the
// window keeps its left and top edges, with the title bar, on it.
widgets::Point corner_after_windowed_run(widgets::Point during_run, widgets::Size normal, widgets::Rect work_area);

// The countdown label's place: centred across `area` and with its top 125
// pixels above the middle (truncated toward zero).
widgets::Point countdown_label_position(widgets::Size area);

// The bubble's hit band. The pointer (screen coordinates) is taken 25
// pixels higher than it is, roughly a title bar's height, since the bubble's
// place is compared with the window's outer corner rather than its client
// area; x is compared as it is. All edges are strict.
bool in_hit_band(widgets::Point pointer, widgets::Point window_corner, widgets::Rect bubble);

// What a run's report says.
struct RunFigures {
  std::int64_t hits = 0;
  std::int32_t misses = 0;
  std::int32_t best_combo = 0;
  double elapsed_ms = 0;  // for the total time
  std::int32_t mean_ms = 0;
};

// The figures of a run that showed `bubbles` bubbles (hits + 1) in
// `elapsed_ms`; the mean divides `mean_elapsed_ms`, a later reading, by the
// bubbles. Never a negative hit count, never a division by zero.
RunFigures run_figures(std::int64_t bubbles, std::int32_t misses, std::int32_t best_combo, double elapsed_ms,
                       double mean_elapsed_ms);

// The report, as the message box shows it.
std::u16string report_text(const RunFigures& figures);

}  // namespace tapvero::positioning_test
