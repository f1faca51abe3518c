#include "speed_test/run.h"

#include <algorithm>

#include "form/main_form.h"
#include "speed_test/report.h"
#include "text/encoding.h"
#include "text/number_text.h"

namespace tapvero::speed_test {
namespace {

// The time from one event to a later one, right across the counter's wrap.
// A stage or a test that would end before it began took no time.
double elapsed(base::Tick from, base::Tick to) { return static_cast<double>(to.elapsed_since(from)); }

// The interval from one hit to the next, signed: a hit timed before the one
// ahead of it is as far out of step as the stability's rules make it, never
// an interval of 49.7 days.
std::int32_t interval(base::Tick from, base::Tick to) { return to - from; }

}  // namespace

using namespace form;

SpeedTest::SpeedTest(widgets::Ui& ui, const storage::Settings& settings, Stopped stopped)
    : ui_(ui), settings_(settings), stopped_(std::move(stopped)) {}

bool SpeedTest::mouse_counts() const { return ui_.ticked(选择框_鼠标); }

void SpeedTest::start_button_clicked(bool by_mouse, base::Tick at_ms) {
  if (!running_) {
    start(at_ms);
  } else if (by_mouse && mouse_counts()) {
    register_hit(at_ms);
  }
}

void SpeedTest::start_button_right_released(base::Tick at_ms) { start_button_clicked(true, at_ms); }

bool SpeedTest::start_button_key_down(int key_code, base::Tick at_ms) {
  const bool trigger = key_code != 0 && (key_code == settings_.z_key_code || key_code == settings_.x_key_code);
  // Enter clicks the focused button as it goes down, Space as it comes up
  // after a press the button saw: as trigger keys they must not start a
  // test, since a trigger key changes nothing while idle.
  if (!running_) return !(trigger && (key_code == widgets::kKeyEnter || key_code == widgets::kKeySpace));
  // A key that both slots name counts once.
  if (trigger) register_hit(at_ms);
  return true;
}

void SpeedTest::stop_button_clicked(base::Tick at_ms) {
  if (running_) stop(at_ms);
}

void SpeedTest::start(base::Tick at_ms) {
  running_ = true;
  ui_.set_enabled(停止测试, true);
  ui_.set_text(编辑框_结果, u"");
  // The settings never hold a stage size below 1; should one arrive anyway,
  // a stage of one hit keeps every figure defined.
  stage_size_ = std::max<std::int32_t>(settings_.stage_size(), 1);
  // The store grows with the hits: a stage size of billions costs nothing
  // until the hits come.
  intervals_.clear();
  stabilities_.clear();
  stages_.clear();
  hit_ms_.clear();
  test_start_ = stage_start_ = last_hit_ = at_ms;
}

void SpeedTest::register_hit(base::Tick at_ms) {
  ++hits_;
  ui_.set_text(标签_连击, text::from_ascii(text::int_text(hits_)));
  hit_ms_.push_back(at_ms - test_start_);
  if (hits_ % stage_size_ != 0) {
    intervals_.push_back(interval(last_hit_, at_ms));
    last_hit_ = at_ms;
    return;
  }
  // This hit ends a stage. The interval that ends with it is covered only by
  // the stage's time.
  const StageReport report = stage_report(elapsed(stage_start_, at_ms), stage_size_, hits_, intervals_);
  stabilities_.push_back(report.stability);
  stages_.push_back({report.bpm, report.stability});
  ui_.append_text(编辑框_结果, report.line);
  ui_.set_text_color(标签_稳定度, report.color);
  ui_.set_text(标签_稳定度, report.stability_text);
  // The next stage starts at the hit that ended this one: the time taken to
  // write the report is nobody's.
  intervals_.clear();
  stage_start_ = last_hit_ = at_ms;
}

Run SpeedTest::run_so_far(base::Tick now) const {
  return {summary_figures(hits_, elapsed(test_start_, now), stabilities_), stage_size_, stages_, hit_ms_};
}

void SpeedTest::stop(base::Tick at_ms) {
  const Run run = run_so_far(at_ms);
  if (stopped_) stopped_(run);
  ui_.append_text(编辑框_结果, line_text(Line::kSummary, run.summary));
  running_ = false;
  ui_.set_enabled(停止测试, false);
  hits_ = 0;
  ui_.set_text(标签_连击, u"0");
}

}  // namespace tapvero::speed_test
