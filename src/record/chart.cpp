#include "record/chart.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "form/main_form.h"
#include "text/encoding.h"
#include "text/number_text.h"
#include "widgets/window_model.h"

namespace tapvero::record {

using widgets::Align;
using widgets::Color;
using widgets::PointF;
using widgets::RectF;
using widgets::Scene;

namespace {

constexpr Color kInk{40, 40, 40};
constexpr Color kGrey{125, 125, 125};
constexpr Color kGrid{228, 228, 228};
constexpr Color kBpmLine{40, 90, 200};
constexpr Color kDayBar{95, 145, 225};
constexpr Color kSelectedRow{212, 228, 250};
constexpr Color kAlarm{200, 0, 20};

constexpr float kMargin = 12;
constexpr float kPanelWidth = 236;  // the runs and the bests, on the right
constexpr float kRowHeight = 20;
constexpr std::size_t kListRows = 12;
constexpr std::ptrdiff_t kPageRuns = 10;

// Keys that pick a run, beside PageUp and PageDown.
constexpr int kKeyEnd = 0x23;
constexpr int kKeyHome = 0x24;
constexpr int kKeyLeft = 0x25;
constexpr int kKeyRight = 0x27;

std::u16string num(std::int64_t v) { return text::from_ascii(text::int_text(v)); }
std::u16string fixed(double v, int decimals) { return text::from_ascii(text::fixed_text(v, decimals)); }
std::u16string two_digits(int v) {
  std::u16string s = num(v);
  if (v >= 0 && v < 10) s.insert(s.begin(), u'0');
  return s;
}

std::u16string date_text(const base::LocalTime& t) {
  return num(t.year) + u"-" + two_digits(t.month) + u"-" + two_digits(t.day);
}
std::u16string clock_text(const base::LocalTime& t) {
  return two_digits(t.hour) + u":" + two_digits(t.minute) + u":" + two_digits(t.second);
}
std::u16string short_date(const base::LocalTime& t) { return two_digits(t.month) + u"-" + two_digits(t.day); }

// A run in a line of the list.
std::u16string list_line(const RunRecord& run, bool running) {
  if (running) return u"进行中  手速 " + num(run.hits) + u" 次";
  const std::u16string when = short_date(run.when) + u" " + two_digits(run.when.hour) + u":" + two_digits(run.when.minute);
  if (run.test == TestKind::kPositioning) return when + u"  定位 " + num(run.hits) + u" 次";
  return when + u"  手速 BPM " + num(run.bpm);
}

// A round step for an axis up to `top` with about five divisions.
double axis_step(double top) {
  double step = 1;
  while (top / step > 6) {
    for (const double f : {2.0, 2.5, 2.0}) {
      step *= f;
      if (top / step <= 6) break;
    }
  }
  return step;
}

class Painter {
 public:
  Painter(const ChartData& data, widgets::Size size)
      : d_(data), w_(static_cast<float>(size.width)), h_(static_cast<float>(size.height)) {}

  Scene paint() {
    const float right = w_ - kPanelWidth - kMargin;
    header(kMargin, right - kMargin);
    float bottom = h_ - kMargin;
    if (!d_.status.empty()) {
      s_.text({kMargin, bottom - 14}, std::u16string(d_.status), kAlarm, 12, Align::kLeft, true);
      bottom -= 22;
    }
    const float days_top = bottom - std::max(100.0f, (bottom - 60) * 0.3f);
    if (d_.count() == 0) {
      s_.text({(kMargin + right) / 2, 120}, u"还没有成绩记录：完成一次测试后，它会显示在这里。", kGrey, 14, Align::kCenter);
    } else if (const RunRecord& run = d_.at(d_.selected); run.test == TestKind::kSpeed) {
      speed_run(run, {kMargin, 58, right - 2 * kMargin, days_top - 40 - 58});
    } else {
      positioning_run(run, {kMargin, 58, right - 2 * kMargin, days_top - 40 - 58});
    }
    list(right + kMargin, w_ - kMargin);
    days({kMargin, days_top, right - 2 * kMargin, bottom - days_top});
    return std::move(s_);
  }

 private:
  void header(float left, float right) {
    if (d_.count() == 0) {
      s_.text({left, 10}, u"成绩图表", kInk, 16, Align::kLeft, true);
      return;
    }
    const RunRecord& run = d_.at(d_.selected);
    const bool running = d_.running && d_.selected == d_.runs.size();
    const std::u16string kind = run.test == TestKind::kSpeed ? u"手速测试" : u"定位测试";
    s_.text({left, 10}, running ? kind + u"（进行中）" : kind + u"  " + date_text(run.when) + u" " + clock_text(run.when),
            kInk, 16, Align::kLeft, true);
    std::u16string info = u"按键 " + run.z_key + u" / " + run.x_key;
    if (run.test == TestKind::kSpeed) info += u"    阶段 " + num(run.stage_size);
    info += u"    第 " + num(static_cast<std::int64_t>(d_.selected) + 1) + u" / " +
            num(static_cast<std::int64_t>(d_.count())) + u" 次";
    s_.text({left, 32}, info, kGrey, 12);
    s_.text({right, 32}, u"← → 切换成绩", kGrey, 12, Align::kRight);
  }

  // BPM hit by hit over the run, each stage's BPM in its colour across its
  // hits, and below, each stage with its BPM and stability.
  void speed_run(const RunRecord& run, RectF area) {
    const std::vector<std::int32_t> bpm = bpm_by_hit(run.hit_ms);
    const std::size_t n = bpm.size();
    std::int32_t top = 1;
    for (const std::int32_t b : bpm) top = std::max(top, b);
    for (const StageRecord& stage : run.stages) top = std::max(top, stage.bpm);
    const double step = axis_step(top * 1.05);
    const double axis_top = std::ceil(top * 1.05 / step) * step;

    constexpr float kStrip = 34;
    const RectF plot{area.left + 40, area.top + 6, area.width - 40, area.height - kStrip - 36};
    const auto y_of = [&](double v) { return static_cast<float>(plot.top + plot.height - v / axis_top * plot.height); };
    const auto x_of = [&](double hit) { return static_cast<float>(plot.left + hit / std::max<std::size_t>(n, 1) * plot.width); };
    for (double v = 0; v <= axis_top + 0.5; v += step) {
      s_.fill({plot.left, y_of(v), plot.width, 1}, kGrid);
      s_.text({plot.left - 6, y_of(v) - 7}, num(static_cast<std::int64_t>(v)), kGrey, 11, Align::kRight);
    }
    s_.text({plot.left, plot.top - 2}, u"BPM（每次击打，最近 " + num(kBpmWindow) + u" 个间隔）", kGrey, 11);

    const auto size = static_cast<std::size_t>(std::max(run.stage_size, 1));
    for (std::size_t k = 0; k < run.stages.size() && (k + 1) * size <= n; ++k) {
      const StageRecord& stage = run.stages[k];
      const float x0 = x_of(static_cast<double>(k * size)), x1 = x_of(static_cast<double>((k + 1) * size));
      const Color color = form::stability_color(stage.stability);
      s_.line({{x0, y_of(stage.bpm)}, {x1, y_of(stage.bpm)}}, color, 3);
      const float strip_top = plot.top + plot.height + 8;
      s_.fill({x0 + 1, strip_top, std::max(x1 - x0 - 2, 1.0f), kStrip}, color);
      if (x1 - x0 >= 52) {
        s_.text({(x0 + x1) / 2, strip_top + 2}, num(stage.bpm) + u" BPM", kInk, 11, Align::kCenter, true);
        s_.text({(x0 + x1) / 2, strip_top + 18}, fixed(stage.stability, 2) + u"%", kInk, 11, Align::kCenter);
      }
    }
    std::vector<PointF> points;
    points.reserve(n);
    for (std::size_t i = 0; i < n; ++i) points.push_back({x_of(static_cast<double>(i) + 0.5), y_of(bpm[i])});
    if (points.size() == 1) points.push_back({points[0].x + 1, points[0].y});
    if (!points.empty()) s_.line(std::move(points), kBpmLine, 1.5f);

    std::u16string figures = u"连击 " + num(run.hits);
    if (!(d_.running && d_.selected == d_.runs.size())) {
      figures += u"    耗时 " + text::from_ascii(text::single_text(static_cast<float>(run.seconds))) + u"秒    BPM " +
                 num(run.bpm) + u"    稳定度 " + (run.stability ? fixed(*run.stability, 2) : u"--") + u"%";
    }
    const std::optional<double> ur = unstable_rate(run.hit_ms);
    figures += u"    不稳定率(UR) " + (ur ? fixed(*ur, 2) : u"--");
    s_.text({area.left, area.top + area.height - 22}, figures, kInk, 13, Align::kLeft, true);
  }

  void positioning_run(const RunRecord& run, RectF area) {
    const std::u16string lines[] = {
        u"击中 " + num(run.hits) + u" 次，Miss " + num(run.misses) + u" 次",
        u"最高连击 " + num(run.best_combo) + u" 次",
        u"共计耗时 " + fixed(run.seconds, 2) + u" 秒",
        u"平均每次打击耗时 " + num(run.mean_ms) + u" ms",
    };
    float y = area.top + 24;
    for (const std::u16string& line : lines) {
      s_.text({area.left + 40, y}, line, kInk, 16);
      y += 32;
    }
  }

  // The best BPM of each of the latest days, as bars.
  void days(RectF area) {
    s_.text({area.left, area.top - 2}, u"每日最高 BPM", kGrey, 11);
    const std::span<const DayBest> shown =
        d_.days.size() > kChartDays ? d_.days.subspan(d_.days.size() - kChartDays) : d_.days;
    if (shown.empty()) {
      s_.text({area.left, area.top + 20}, u"还没有手速测试的成绩", kGrey, 12);
      return;
    }
    std::int32_t top = 1;
    for (const DayBest& day : shown) top = std::max(top, day.bpm.value);
    const float slot = area.width / static_cast<float>(shown.size());
    const float base = area.top + area.height - 16, height = area.height - 16 - 30;
    const std::size_t label_every = static_cast<std::size_t>(std::ceil(40 / slot));
    for (std::size_t i = 0; i < shown.size(); ++i) {
      const float x = area.left + slot * static_cast<float>(i);
      const float bar = height * static_cast<float>(shown[i].bpm.value) / static_cast<float>(top);
      s_.fill({x + slot * 0.15f, base - bar, slot * 0.7f, bar}, kDayBar);
      s_.targets.push_back({{x, base - height, slot, height}, kRunTarget + static_cast<int>(shown[i].bpm.run)});
      if (slot >= 26) s_.text({x + slot / 2, base - bar - 14}, num(shown[i].bpm.value), kInk, 10, Align::kCenter);
      if ((shown.size() - 1 - i) % label_every == 0)
        s_.text({x + slot / 2, base + 2}, short_date(shown[i].day), kGrey, 10, Align::kCenter);
    }
  }

  // The runs around the selected one, and the personal bests; each line
  // picks its run.
  void list(float left, float right) {
    const std::size_t count = d_.count();
    s_.text({left, 10}, u"成绩记录（" + num(static_cast<std::int64_t>(count)) + u"）", kInk, 14, Align::kLeft, true);
    const std::size_t rows = std::min(kListRows, count);
    const std::size_t first = std::min(d_.selected > rows / 2 ? d_.selected - rows / 2 : 0, count - rows);
    float y = 34;
    for (std::size_t i = first; i < first + rows; ++i, y += kRowHeight) {
      const RectF row{left, y, right - left, kRowHeight};
      if (i == d_.selected) s_.fill(row, kSelectedRow);
      s_.text({left + 4, y + 3}, list_line(d_.at(i), d_.running && i == d_.runs.size()), kInk, 12);
      s_.targets.push_back({row, kRunTarget + static_cast<int>(i)});
    }
    y = 34 + kRowHeight * static_cast<float>(kListRows) + 16;
    s_.text({left, y}, u"个人最佳", kInk, 14, Align::kLeft, true);
    y += 24;
    const auto best_line = [&](const std::u16string& line, std::size_t run) {
      s_.text({left + 4, y + 2}, line, kInk, 12);
      s_.targets.push_back({{left, y, right - left, kRowHeight}, kRunTarget + static_cast<int>(run)});
      y += kRowHeight;
    };
    const PersonalBests& b = *d_.bests;
    for (std::size_t i = 0; i < b.run_bpm.size() && i < 4; ++i)
      best_line(u"阶段 " + num(b.run_bpm[i].stage_size) + u" 的最高 BPM：" + num(b.run_bpm[i].bpm.value), b.run_bpm[i].bpm.run);
    if (b.stage_bpm) best_line(u"最高阶段 BPM：" + num(b.stage_bpm->value), b.stage_bpm->run);
    if (b.stability) best_line(u"最佳稳定度：" + fixed(b.stability->value, 2) + u"%", b.stability->run);
    if (b.unstable_rate)
      best_line(u"最低不稳定率（≥" + num(kUnstableRateMinHits) + u" 次）：" + fixed(b.unstable_rate->value, 2),
                b.unstable_rate->run);
    if (b.targets) best_line(u"定位最多击中：" + num(b.targets->value) + u" 次", b.targets->run);
    if (b.combo) best_line(u"定位最高连击：" + num(b.combo->value) + u" 次", b.combo->run);
    if (b.mean_ms) best_line(u"定位最快平均：" + num(b.mean_ms->value) + u" ms", b.mean_ms->run);
    if (b.run_bpm.empty() && !b.targets) s_.text({left + 4, y + 2}, u"还没有成绩", kGrey, 12);
  }

  const ChartData& d_;
  const float w_, h_;
  Scene s_;
};

}  // namespace

widgets::Scene chart_scene(const ChartData& data, widgets::Size size) { return Painter(data, size).paint(); }

Chart::Chart(widgets::Ui& ui, History& history, std::function<std::optional<RunRecord>()> running,
             std::function<std::int64_t()> running_hits)
    : ui_(ui), history_(history), running_(std::move(running)), running_hits_(std::move(running_hits)) {}

void Chart::open() {
  history_.retry_pending();
  selected_.reset();
  if (ui_.scene_window_open()) draw();
  ui_.open_scene_window(kChartTitle, kChartSize, *this);
}

void Chart::on_scene_size(widgets::Size logical) {
  size_ = logical;
  draw();
}

void Chart::draw() {
  const std::vector<RunRecord>& runs = history_.runs();
  if (bests_of_ != runs.size()) {
    bests_ = personal_bests(runs);
    days_ = best_bpm_by_day(runs);
    bests_of_ = runs.size();
  }
  drawn_hits_ = running_hits_();
  const std::optional<RunRecord> running = drawn_hits_ >= 0 ? running_() : std::nullopt;
  drawn_runs_ = runs.size();
  drawn_status_ = history_.status();
  ChartData data{runs, running ? &*running : nullptr, 0, &bests_, days_, drawn_status_};
  const std::size_t newest = data.count() ? data.count() - 1 : 0;
  data.selected = selected_ ? std::min(*selected_, newest) : newest;
  ui_.show_scene(chart_scene(data, size_));
}

void Chart::select(std::ptrdiff_t index) {
  const auto count = static_cast<std::ptrdiff_t>(history_.runs().size() + (running_hits_() >= 0 ? 1 : 0));
  index = std::clamp<std::ptrdiff_t>(index, 0, std::max<std::ptrdiff_t>(count - 1, 0));
  if (index >= count - 1) {
    selected_.reset();  // the newest: it follows the runs to come
  } else {
    selected_ = static_cast<std::size_t>(index);
  }
  draw();
}

void Chart::on_scene_key(int key_code) {
  const auto count = static_cast<std::ptrdiff_t>(history_.runs().size() + (running_hits_() >= 0 ? 1 : 0));
  const std::ptrdiff_t now = selected_ ? static_cast<std::ptrdiff_t>(*selected_) : count - 1;
  switch (key_code) {
    case kKeyLeft: select(now - 1); break;
    case kKeyRight: select(now + 1); break;
    case widgets::kKeyPageUp: select(now - kPageRuns); break;
    case widgets::kKeyPageDown: select(now + kPageRuns); break;
    case kKeyHome: select(0); break;
    case kKeyEnd: select(count); break;
    default: break;
  }
}

void Chart::on_scene_target(int id) {
  if (id >= kRunTarget) select(id - kRunTarget);
}

void Chart::on_scene_frame() {
  if (running_hits_() != drawn_hits_ || history_.runs().size() != drawn_runs_ || history_.status() != drawn_status_)
    draw();
}

}  // namespace tapvero::record
