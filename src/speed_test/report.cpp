#include "speed_test/report.h"

#include <cmath>

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

}  // namespace

widgets::Color stability_color(float stability) {
  if (stability - 70.0 > kEpsilon) return form::kGreen;
  if (stability - 40.0 > kEpsilon) return form::kYellow;
  return form::kRed;
}

StageReport stage_report(double elapsed_ms, std::int32_t stage_size, std::int64_t hit_count,
                         std::span<std::int32_t> intervals) {
  StageReport r;
  r.seconds = seconds_of(elapsed_ms);
  r.bpm = bpm_of(stage_size, r.seconds);
  r.mean_interval_ms = text::truncate_to_int(elapsed_ms / stage_size);

  // Each interval's ratio to the mean; a shorter one (ratio above 1) counts
  // as far below 1 as it is above, so 1.25 gives 0.75 and 3 gives -1. The
  // sum keeps single precision at every step.
  float sum = 0.0f;
  for (std::int32_t& interval : intervals) {
    if (interval == 0) interval = r.mean_interval_ms;
    float ratio = static_cast<float>(static_cast<double>(r.mean_interval_ms) / interval);
    if (ratio - 1.0 > kEpsilon) {
      const float excess = static_cast<float>(ratio - 1.0);
      ratio = static_cast<float>(1.0 - excess);
    }
    sum = static_cast<float>(static_cast<double>(sum) + ratio);
  }
  const float mean_ratio = static_cast<float>(static_cast<double>(sum) / static_cast<double>(intervals.size()));
  float stability = static_cast<float>(static_cast<double>(mean_ratio) * 100.0);
  if (stability < -kEpsilon || std::isnan(stability)) stability = 0.0f;
  r.stability = stability;

  r.stability_text = text::from_ascii(text::fixed_text(stability, 2)) + u"%";
  r.line = u"连击:" + text::from_ascii(text::int_text(hit_count)) + u" 耗时:" +
           text::from_ascii(text::single_text(r.seconds)) + u"秒 BPM:" + text::from_ascii(text::int_text(r.bpm)) +
           u" 稳定度:" + r.stability_text + u"\r\n";
  r.color = stability_color(stability);
  return r;
}

std::u16string summary_text(std::int64_t hit_count, double elapsed_ms, std::span<const float> stabilities) {
  const float seconds = seconds_of(elapsed_ms);
  const std::int32_t bpm = bpm_of(static_cast<double>(hit_count), seconds);
  std::u16string overall = u"--";  // no stage completed: there is no figure to show
  if (!stabilities.empty()) {
    float sum = 0.0f;
    for (const float s : stabilities) sum = static_cast<float>(static_cast<double>(sum) + s);
    const auto mean = static_cast<float>(static_cast<double>(sum) / static_cast<double>(stabilities.size()));
    overall = text::from_ascii(text::fixed_text(mean, 2));
  }
  return u"\r\n\r\n共计连击:" + text::from_ascii(text::int_text(hit_count)) + u" 耗时:" +
         text::from_ascii(text::single_text(seconds)) + u"秒 BPM:" + text::from_ascii(text::int_text(bpm)) +
         u" 稳定度:" + overall + u"%";
}

}  // namespace tapvero::speed_test
