#include "positioning_test/run.h"

#include <optional>

#include "form/main_form.h"
#include "text/encoding.h"
#include "text/gbk.h"
#include "text/number_text.h"

namespace tapvero::positioning_test {
namespace {

using namespace form;  // the control names

constexpr int kBubbleDigits = 7;
constexpr std::int32_t kCountdownStepMs = 1000;
constexpr widgets::Size kNormalTabSize = {648, 328};

}  // namespace

PositioningTest::PositioningTest(widgets::Ui& ui, base::Clock& clock, WindowServices& services,
                                 const storage::Settings& settings, std::function<void()> save_windowed_mode,
                                 std::function<void(const RunFigures&)> ended)
    : ui_(ui),
      clock_(clock),
      services_(services),
      settings_(settings),
      save_windowed_mode_(std::move(save_windowed_mode)),
      ended_(std::move(ended)) {}

bool PositioningTest::in_progress() const {
  return !ui_.visible(高级选择夹1) && ui_.current_page(高级选择夹1) == kPositioningPage;
}

std::string PositioningTest::gbk_text(widgets::ControlId id) const { return text::utf16_to_gbk(ui_.text(id)); }

bool PositioningTest::is_slot_key(int key_code) const {
  return key_code == settings_.z_key_code || key_code == settings_.x_key_code;
}

double PositioningTest::elapsed_ms() const {
  return static_cast<double>(clock_.tick_ms().elapsed_since(counters_.start_tick));
}

void PositioningTest::start() {
  if (in_progress()) return;
  const bool windowed = ui_.ticked(选择框_开启窗口化);
  std::optional<widgets::Size> size;
  if (windowed) {
    size = windowed_size(gbk_text(编辑框_宽), gbk_text(编辑框_高));
    if (!size) {
      ui_.message_box(u"窗口化信息非法！请不要填写零或负数", u"错误", widgets::Icon::kError);
      return;
    }
  }
  save_windowed_mode_();

  const std::uint64_t run = ++run_;
  phase_ = Phase::kCountdown;
  ui_.set_visible(高级选择夹1, false);
  widgets::Point label;
  windowed_run_ = windowed;
  if (windowed) {
    const widgets::Rect frame = centred_window(services_.screen_size(), *size);
    ui_.move(主窗口, frame.left, frame.top, frame.width, frame.height);
    label = countdown_label_position(ui_.client_size());
  } else {
    services_.bring_to_front_maximized(ui_.window_handle());
    // The window is maximized only during the first wait: place the label
    // by the screen's size.
    label = countdown_label_position(services_.screen_size());
  }
  ui_.move(标签_倒计时, label.x, label.y, std::nullopt, std::nullopt);
  if (!count_down(run)) return;

  counters_ = {};
  counters_.start_tick = clock_.tick_ms();
  hits_in_flight_ = 0;
  place_bubble(false);
  if (run_ != run) return;  // closed while the first bubble's digits were drawn
  phase_ = Phase::kRunning;
  ui_.set_visible(按钮_泡泡, true);
}

// Shows "3", "2", "1" for a second each. False when the run was ended
// during a wait (it may even have been followed by a new one).
bool PositioningTest::count_down(std::uint64_t run) {
  ui_.set_visible(标签_倒计时, true);
  for (const char16_t* next : {u"2", u"1"}) {
    services_.precise_wait(kCountdownStepMs);
    if (run_ != run) return false;
    ui_.set_text(标签_倒计时, next);
  }
  services_.precise_wait(kCountdownStepMs);
  if (run_ != run) return false;
  ui_.set_visible(标签_倒计时, false);
  return true;
}

// Digits drawn after a clock seeding, which the caller, place_bubble, turns
// into the seed of the bubble's place: a run started at a given time gets
// the places it always got (the positioning run's tests pin them), where
// seeding straight from the clock would move every bubble.
std::string PositioningTest::random_digit_text(int length) {
  generator_.seed(clock_seed(clock_.tick_ms(), seeding_counter_));
  std::string digits;
  for (int i = 0; i < length; ++i) {
    digits += static_cast<char>('0' + random_integer(generator_, 1, 10) - 1);
    services_.process_pending_messages();
  }
  return digits;
}

void PositioningTest::place_bubble(bool counted) {
  const std::uint64_t run = run_;
  if (counted) {
    ++counters_.combo;
    ++hits_in_flight_;
  }
  // Other hits, misses and the close request may all run in here.
  const std::string digits = random_digit_text(kBubbleDigits);
  if (run_ != run) return;  // the run has ended: the bubble stays as the end left it
  generator_.seed(static_cast<std::uint32_t>(text::text_to_int(digits)));

  const widgets::Size client = ui_.client_size();
  const int left = random_integer(generator_, kBubbleMargin, client.width - kBubbleSize.width - kBubbleMargin);
  const int top = random_integer(generator_, kBubbleMargin, client.height - kBubbleSize.height - kBubbleMargin);
  ui_.move(按钮_泡泡, left, top, std::nullopt, std::nullopt);
  const std::int64_t bubbles = static_cast<std::int64_t>(text::text_to_int(gbk_text(按钮_泡泡))) + 1;
  ui_.set_text(按钮_泡泡, text::from_ascii(text::int_text(bubbles)));
  if (counted) --hits_in_flight_;
  // Until the pointer moves onto the bubble, trigger keys land in the
  // result box and count as misses, even when the bubble jumped under the
  // still pointer.
  ui_.focus(编辑框_结果);
}

void PositioningTest::bubble_clicked() {
  if (ui_.ticked(选择框_鼠标)) place_bubble(true);
}

void PositioningTest::judge_bubble_key(int key_code) {
  const widgets::Rect window = ui_.rect(主窗口);
  if (!in_hit_band(services_.pointer_position(), {window.left, window.top}, ui_.rect(按钮_泡泡))) {
    count_miss();
  } else if (is_slot_key(key_code)) {
    place_bubble(true);
  }
}

void PositioningTest::bubble_touched() { ui_.focus(按钮_泡泡); }

void PositioningTest::result_box_key(int key_code) {
  if (is_slot_key(key_code)) count_miss();
}

void PositioningTest::count_miss() {
  ++counters_.misses;
  if (counters_.combo > counters_.best_combo) counters_.best_combo = counters_.combo;
  counters_.combo = 0;
}

void PositioningTest::end_run() {
  const bool counting_down = phase_ == Phase::kCountdown;
  ++run_;
  phase_ = Phase::kIdle;
  restore_window();
  if (counting_down) {
    // No bubble has been shown: the run is dropped without a report.
    ui_.set_text(按钮_泡泡, u"0");
    return;
  }
  show_report();
}

void PositioningTest::restore_window() {
  ui_.set_visible(按钮_泡泡, false);
  ui_.set_text(标签_倒计时, u"3");
  ui_.set_visible(标签_倒计时, false);
  if (windowed_run_) {
    const widgets::Rect now = ui_.rect(主窗口);
    const widgets::Point corner =
        corner_after_windowed_run({now.left, now.top}, kNormalWindowSize, services_.work_area());
    ui_.move(主窗口, corner.x, corner.y, kNormalWindowSize.width, kNormalWindowSize.height);
  } else {
    ui_.move(主窗口, std::nullopt, std::nullopt, kNormalWindowSize.width, kNormalWindowSize.height);
  }
  ui_.move(高级选择夹1, std::nullopt, std::nullopt, kNormalTabSize.width, kNormalTabSize.height);
  ui_.set_visible(高级选择夹1, true);
  ui_.set_window_state(widgets::WindowState::kNormal);
}

void PositioningTest::show_report() {
  if (counters_.combo > counters_.best_combo) counters_.best_combo = counters_.combo;
  const double elapsed = elapsed_ms();
  // A hit whose placement was cut short by this close still counts.
  const std::int64_t bubbles = static_cast<std::int64_t>(text::text_to_int(gbk_text(按钮_泡泡))) + hits_in_flight_;
  hits_in_flight_ = 0;
  const RunFigures figures = run_figures(bubbles, counters_.misses, counters_.best_combo, elapsed, elapsed_ms());
  ui_.set_text(按钮_泡泡, u"0");
  if (ended_) ended_(figures);
  ui_.message_box(report_text(figures), u"定位测试", widgets::Icon::kInformation);
}

}  // namespace tapvero::positioning_test
