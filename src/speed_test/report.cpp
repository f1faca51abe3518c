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
  const std::u16string figures = u"连击:" + text::from_ascii(text::int_text(f.hits)) + u" 耗时:" +
                                 text::from_ascii(text::single_text(f.seconds)) + u"秒 BPM:" +
                                 text::from_ascii(text::int_text(f.bpm)) + u" 稳定度:" +
                                 (f.stability ? percent_text(*f.stability) : u"--%");
  return line == Line::kStage ? figures + u"\r\n" : u"\r\n\r\n共计" + figures;
}

std::optional<Figures> read_line(Line line, std::u16string_view shown) {
  std::vector<double> numbers;  // as they come in the line
  for (std::size_t i = 0; i < shown.size(); ++i) {
    std::string digits;
    for (; i < shown.size() && (shown[i] == u'.' || (shown[i] >= u'0' && shown[i] <= u'9')); ++i)
      digits += static_cast<char>(shown[i]);
    if (!digits.empty()) numbers.push_back(std::strtod(digits.c_str(), nullptr));
  }
  if (numbers.size() != 3 && numbers.size() != 4) return std::nullopt;
  Figures f{static_cast<std::int64_t>(numbers[0]), static_cast<float>(numbers[1]), text::truncate_to_int(numbers[2])};
  if (numbers.size() == 4) f.stability = static_cast<float>(numbers[3]);
  const std::u16string written = line_text(line, f);
  return written == (line == Line::kStage ? std::u16string(shown) + u"\r\n" : u"\r\n\r\n" + std::u16string(shown))
             ? std::optional(f)
             : std::nullopt;
}

widgets::Color stability_color(float stability) {
  if (stability - 70.0 > kEpsilon) return form::kGreen;
  if (stability - 40.0 > kEpsilon) return form::kYellow;
  return form::kRed;
}

StageReport stage_report(double elapsed_ms, std::int32_t stage_size, std::int64_t hit_count,
                         std::span<const std::int32_t> intervals) {
  StageReport r;
  r.seconds = seconds_of(elapsed_ms);
  r.bpm = bpm_of(stage_size, r.seconds);
  r.mean_interval_ms = text::truncate_to_int(elapsed_ms / stage_size);

  // Each interval's ratio to the mean; a shorter one (ratio above 1) counts
  // as far below 1 as it is above, so 1.25 gives 0.75 and 3 gives -1. The
  // sum keeps single precision at every step.
  float sum = 0.0f;
  for (const std::int32_t recorded : intervals) {
    const std::int32_t interval = recorded == 0 ? r.mean_interval_ms : recorded;
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

  r.stability_text = percent_text(stability);
  r.line = line_text(Line::kStage, {hit_count, r.seconds, r.bpm, stability});
  r.color = stability_color(stability);
  return r;
}

std::u16string summary_text(std::int64_t hit_count, double elapsed_ms, std::span<const float> stabilities) {
  Figures f{hit_count, seconds_of(elapsed_ms)};
  f.bpm = bpm_of(static_cast<double>(hit_count), f.seconds);
  if (!stabilities.empty()) {
    float sum = 0.0f;
    for (const float s : stabilities) sum = static_cast<float>(static_cast<double>(sum) + s);
    f.stability = static_cast<float>(static_cast<double>(sum) / static_cast<double>(stabilities.size()));
  }
  return line_text(Line::kSummary, f);
}

}  // namespace tapvero::speed_test
