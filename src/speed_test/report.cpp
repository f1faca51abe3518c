#include "speed_test/report.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "form/main_form.h"
#include "text/encoding.h"
#include "text/number_text.h"

namespace tapvero::speed_test {
namespace {

constexpr double kEpsilon = 0.0000001;

// Seconds from milliseconds, rounded to 2 decimals and kept in single
// precision, as every time figure is.
float seconds_of(double ms) { return static_cast<float>(text::round_decimals(ms / 1000.0, 2)); }

std::int32_t bpm_of(double hits, float seconds) { return text::truncate_to_int(hits / seconds * 15.0); }

std::u16string percent_text(float percent) { return text::from_ascii(text::fixed_text(percent, 2)) + u"%"; }

}  // namespace

std::u16string line_text(Line line, const Figures& f) {
  return (line == Line::kSummary ? u"\r\n\r\n共计连击:" : u"连击:") + text::from_ascii(text::int_text(f.hits)) +
         u" 耗时:" + text::from_ascii(text::single_text(f.seconds)) + u"秒 BPM:" +
         text::from_ascii(text::int_text(f.bpm)) + u" 稳定度:" + (f.stability ? percent_text(*f.stability) : u"--%") +
         (line == Line::kStage ? u"\r\n" : u"");
}

std::optional<Figures> read_line(Line line, std::u16string_view shown) {
  std::vector<double> n;  // the line's numbers, as they come
  for (std::size_t at = 0, end; (at = shown.find_first_of(u"0123456789", at)) != shown.npos; at = end) {
    end = shown.find_first_not_of(u"0123456789.", at);
    const std::u16string_view number = shown.substr(at, end - at);  // to the line's end if it ends there
    n.push_back(std::strtod(std::string(number.begin(), number.end()).c_str(), nullptr));
  }
  if (n.size() != 3 && n.size() != 4) return std::nullopt;
  const Figures f{static_cast<std::int64_t>(n[0]), static_cast<float>(n[1]), text::truncate_to_int(n[2]),
                  n.size() == 4 ? std::optional(static_cast<float>(n[3])) : std::nullopt};
  const std::u16string as_shown(shown);
  if (line_text(line, f) != (line == Line::kStage ? as_shown + u"\r\n" : u"\r\n\r\n" + as_shown)) return std::nullopt;
  return f;
}

StageReport stage_report(double elapsed_ms, std::int32_t stage_size, std::int64_t hit_count,
                         std::span<const std::int32_t> intervals) {
  StageReport r;
  const float seconds = seconds_of(elapsed_ms);
  const std::int32_t mean_interval_ms = text::truncate_to_int(elapsed_ms / stage_size);

  // Each interval's ratio to the mean; a shorter one (ratio above 1) counts
  // as far below 1 as it is above, so 1.25 gives 0.75 and 3 gives -1. The
  // excess, the folded ratio and the sum keep single precision at every step.
  float sum = 0.0f;
  for (const std::int32_t recorded : intervals) {
    const std::int32_t interval = recorded == 0 ? mean_interval_ms : recorded;
    float ratio = static_cast<float>(static_cast<double>(mean_interval_ms) / interval);
    if (ratio - 1.0 > kEpsilon) ratio = static_cast<float>(1.0 - static_cast<float>(ratio - 1.0));
    sum = static_cast<float>(static_cast<double>(sum) + ratio);
  }
  const float mean_ratio = static_cast<float>(static_cast<double>(sum) / static_cast<double>(intervals.size()));
  r.stability = static_cast<float>(static_cast<double>(mean_ratio) * 100.0);
  if (r.stability < -kEpsilon || std::isnan(r.stability)) r.stability = 0.0f;

  r.stability_text = percent_text(r.stability);
  r.bpm = bpm_of(stage_size, seconds);
  r.line = line_text(Line::kStage, {hit_count, seconds, r.bpm, r.stability});
  r.color = stability_color(r.stability);
  return r;
}

Figures summary_figures(std::int64_t hit_count, double elapsed_ms, std::span<const float> stabilities) {
  Figures f{hit_count, seconds_of(elapsed_ms)};
  f.bpm = bpm_of(static_cast<double>(hit_count), f.seconds);
  if (!stabilities.empty()) {
    float sum = 0.0f;
    for (const float s : stabilities) sum = static_cast<float>(static_cast<double>(sum) + s);
    f.stability = static_cast<float>(static_cast<double>(sum) / static_cast<double>(stabilities.size()));
  }
  return f;
}

}  // namespace tapvero::speed_test
