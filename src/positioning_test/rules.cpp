#include "positioning_test/rules.h"

#include <algorithm>
#include <utility>

#include "text/gbk.h"
#include "text/number_text.h"

namespace tapvero::positioning_test {
namespace {

// The pointer is taken this much higher when judging a key.
constexpr int kPointerLift = 25;

std::u16string ascii_to_utf16(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

}  // namespace

int random_integer(Generator& generator, int low, int high) {
  low = std::max(low, 0);
  high = std::max(high, 0);
  if (low > high) std::swap(low, high);
  if (low == high) return low;
  // The span may exceed 32 bits' signed range (0 to INT_MAX has 2^31 values).
  const std::int64_t span = static_cast<std::int64_t>(high) - low + 1;
  return static_cast<int>(low + generator.draw() % span);
}

std::uint32_t clock_seed(base::Tick tick, std::uint32_t& counter) {
  const std::uint32_t seed = tick.bits() + counter;
  counter += (seed & 0xFFu) + 100u;
  return seed;
}

std::optional<widgets::Size> windowed_size(std::string_view width_text, std::string_view height_text) {
  const std::int32_t width = text::text_to_int(width_text);
  if (width <= 0) return std::nullopt;
  const std::int32_t height = text::text_to_int(height_text);
  if (height <= 0) return std::nullopt;
  return widgets::Size{width, height};
}

widgets::Rect centred_window(widgets::Size screen, widgets::Size window) {
  // In floating point: the differences may lie beyond 32 bits.
  return {text::truncate_to_int((static_cast<double>(screen.width) - window.width) / 2),
          text::truncate_to_int((static_cast<double>(screen.height) - window.height) / 2), window.width, window.height};
}

widgets::Point corner_after_windowed_run(widgets::Point during_run, widgets::Size normal, widgets::Rect work_area) {
  // The far edge first, then the near one, which wins when both cannot hold.
  // In 64 bits: the area's far edge less the window may lie beyond 32.
  const auto kept_within = [](std::int32_t from, std::int32_t length, std::int32_t area_from, std::int32_t area_length) {
    const std::int64_t last = static_cast<std::int64_t>(area_from) + area_length - length;
    return static_cast<std::int32_t>(std::max<std::int64_t>(area_from, std::min<std::int64_t>(from, last)));
  };
  return {kept_within(during_run.x, normal.width, work_area.left, work_area.width),
          kept_within(during_run.y, normal.height, work_area.top, work_area.height)};
}

widgets::Point countdown_label_position(widgets::Size area) {
  // Truncated toward zero, not rounded down: a width of 101 gives -1.
  return {text::truncate_to_int(area.width / 2.0 - kCountdownLabelSize.width / 2),
          text::truncate_to_int(area.height / 2.0 - 125)};
}

bool in_hit_band(widgets::Point pointer, widgets::Point window_corner, widgets::Rect bubble) {
  const std::int64_t px = pointer.x;
  const std::int64_t py = static_cast<std::int64_t>(pointer.y) - kPointerLift;
  const std::int64_t left = static_cast<std::int64_t>(window_corner.x) + bubble.left;
  const std::int64_t top = static_cast<std::int64_t>(window_corner.y) + bubble.top;
  return left < px && px < left + bubble.width && top < py && py < top + bubble.height;
}

RunFigures run_figures(std::int64_t bubbles, std::int32_t misses, std::int32_t best_combo, double elapsed_ms,
                       double mean_elapsed_ms) {
  RunFigures f;
  f.hits = std::max<std::int64_t>(bubbles - 1, 0);
  f.misses = misses;
  f.best_combo = best_combo;
  f.elapsed_ms = elapsed_ms;
  // The divisor is the bubbles shown, the hits plus the first one.
  f.mean_ms = text::truncate_to_int(mean_elapsed_ms / static_cast<double>(std::max<std::int64_t>(bubbles, 1)));
  return f;
}

std::u16string report_text(const RunFigures& f) {
  std::u16string s = u"你共击中 ";
  s += ascii_to_utf16(text::int_text(f.hits));
  s += u" 次，Miss ";
  s += ascii_to_utf16(text::int_text(f.misses));
  s += u"次\r\n\r\n最高连击 ";
  s += ascii_to_utf16(text::int_text(f.best_combo));
  s += u" 次\r\n\r\n共计耗时 ";
  s += ascii_to_utf16(text::fixed_text(f.elapsed_ms / 1000, 2));
  s += u"秒\r\n\r\n平均每次打击耗时 ";
  s += ascii_to_utf16(text::int_text(f.mean_ms));
  s += u" ms";
  return s;
}

}  // namespace tapvero::positioning_test
