#include "app/main_window.h"

#include <algorithm>
#include <type_traits>

#include "form/main_form.h"
#include "text/encoding.h"
#include "text/number_text.h"

namespace tapvero::app {

using namespace form;

namespace {

// Wraps an operation that has no say over the event: the event goes on.
template <typename F>
auto always(F f) {
  return [f](const EventArgs& args) {
    if constexpr (std::is_invocable_v<F, const EventArgs&>) {
      f(args);
    } else {
      f();
    }
    return true;
  };
}

}  // namespace

MainWindow::MainWindow(const Services& services)
    : ui_(services.ui),
      // The lock reads the trigger keys on another thread, from its own copy.
      settings_(services.ui, services.files, services.config_path,
                [this](std::int32_t z, std::int32_t x) { lock_.set_trigger_keys(z, x); }),
      speed_test_(services.ui, settings_.value(),
                  [this](const speed_test::Run& run) {
                    if (run.summary.hits > 0) keep(speed_record(run));
                  }),
      positioning_(
          services.ui, services.clock, services.window_services, settings_.value(),
          [this] { settings_.save_windowed_mode(); },
          [this](const positioning_test::RunFigures& figures) { keep(positioning_record(figures)); }),
      lock_(services.ui, services.hooks, services.input_thread),
      clock_(services.clock),
      history_(services.files, services.history_path),
      chart_(services.ui, history_, [this] { return running_record(); },
             [this] { return speed_test_.running() ? speed_test_.hits() : std::int64_t{-1}; }) {
  // The event bindings: every event the program handles, and what handles it.
  bindings_ = {
      {主窗口, Event::kCreated, always([this] { created(); })},
      {主窗口, Event::kCloseRequested, [this](const EventArgs&) { return close_requested(); }},
      {按钮1, Event::kClicked, always([this] { settings_.save_key_settings(); })},
      {按钮2, Event::kClicked, always([this] { settings_.save_stage_setting(); })},
      {开始测试, Event::kClicked,
       always([this](const EventArgs& e) { speed_test_.start_button_clicked(e.by_mouse, e.at_ms); })},
      {开始测试, Event::kRightButtonUp,
       always([this](const EventArgs& e) { speed_test_.start_button_right_released(e.at_ms); })},
      {开始测试, Event::kKeyDown,
       [this](const EventArgs& e) { return speed_test_.start_button_key_down(e.key_code, e.at_ms); }},
      {停止测试, Event::kClicked, always([this](const EventArgs& e) { speed_test_.stop_button_clicked(e.at_ms); })},
      // The result box never receives a typed key; a trigger key there is
      // a positioning miss.
      {编辑框_结果, Event::kKeyDown,
       [this](const EventArgs& e) {
         positioning_.result_box_key(e.key_code);
         return false;
       }},
      {主窗口, Event::kLeftButtonUp, always([this] { positioning_.count_miss(); })},
      {主窗口, Event::kRightButtonUp, always([this] { positioning_.count_miss(); })},
      {按钮3, Event::kClicked, always([this] { positioning_.start(); })},
      // Only mouse clicks on the bubble are hits: Space or Enter on it is
      // judged as a key.
      {按钮_泡泡, Event::kClicked, always([this](const EventArgs& e) {
         if (e.by_mouse) positioning_.bubble_clicked();
       })},
      {按钮_泡泡, Event::kRightButtonUp, always([this] { positioning_.bubble_clicked(); })},
      {按钮_泡泡, Event::kKeyDown, always([this](const EventArgs& e) { positioning_.judge_bubble_key(e.key_code); })},
      {按钮_泡泡, Event::kMouseMove, always([this] { positioning_.bubble_touched(); })},
      {按钮_开启自动锁定, Event::kClicked, always([this] { lock_.switch_lock_on(); })},
      {按钮_关闭自动锁定, Event::kClicked, always([this] { lock_.switch_lock_off(); })},
  };
}

bool MainWindow::dispatch(widgets::ControlId control, Event event, const EventArgs& args) {
  for (const Binding& b : bindings_) {
    if (b.control == control && b.event == event) return b.operation(args);
  }
  return true;
}

bool MainWindow::handles(widgets::ControlId control, Event event) const {
  return std::ranges::any_of(bindings_, [&](const Binding& b) { return b.control == control && b.event == event; });
}

void MainWindow::created() {
  settings_.load();
  ui_.move(主窗口, std::nullopt, std::nullopt, kNormalWindowSize.width, kNormalWindowSize.height);
  ui_.add_menu_item(kChartItem, u"成绩图表(&G)", std::nullopt);
  ui_.add_menu_item(kHistoryItem, u"保存成绩记录(&H)", history_enabled());
}

bool MainWindow::close_requested() {
  // During a positioning run a close request ends the run instead.
  if (positioning_.in_progress()) {
    positioning_.end_run();
    return false;
  }
  // A test still running ends here as its stop button would end it, so
  // that the record keeps it.
  if (speed_test_.running()) speed_test_.stop_button_clicked(clock_.tick_ms());
  lock_.remove_hook();
  return true;
}

void MainWindow::set_history_enabled(bool on) { settings_.save_history_switch(on); }

std::optional<record::RunRecord> MainWindow::running_record() const {
  if (!speed_test_.running()) return std::nullopt;
  return speed_record(speed_test_.run_so_far(clock_.tick_ms()));
}

record::RunRecord MainWindow::record_of(record::TestKind test) const {
  record::RunRecord r;
  r.when = clock_.local_time();
  r.test = test;
  r.z_key = text::gbk_to_utf16(settings().z_key);
  r.x_key = text::gbk_to_utf16(settings().x_key);
  r.stage_size = settings().stage_size();
  return r;
}

record::RunRecord MainWindow::speed_record(const speed_test::Run& run) const {
  record::RunRecord r = record_of(record::TestKind::kSpeed);
  r.stage_size = run.stage_size;  // as the test took it at its start
  r.hits = run.summary.hits;
  r.seconds = run.summary.seconds;
  r.bpm = run.summary.bpm;
  r.stability = run.summary.stability;
  r.stages.reserve(run.stages.size());
  for (const speed_test::Run::Stage& s : run.stages) r.stages.push_back({s.bpm, s.stability});
  r.hit_ms = run.hit_ms;
  return r;
}

record::RunRecord MainWindow::positioning_record(const positioning_test::RunFigures& f) const {
  record::RunRecord r = record_of(record::TestKind::kPositioning);
  r.hits = f.hits;
  r.seconds = text::round_decimals(f.elapsed_ms / 1000, 2);  // as the report shows it
  r.misses = f.misses;
  r.best_combo = f.best_combo;
  r.mean_ms = f.mean_ms;
  return r;
}

void MainWindow::keep(record::RunRecord run) {
  if (history_enabled()) history_.add(std::move(run));
}

void MainWindow::on_menu_item(int item) {
  if (item == kChartItem) {
    chart_.open();
  } else if (item == kHistoryItem) {
    set_history_enabled(!history_enabled());
    ui_.set_menu_item_checked(kHistoryItem, history_enabled());
  }
}

void MainWindow::on_created() { dispatch(主窗口, Event::kCreated, {}); }

bool MainWindow::on_close_requested() { return dispatch(主窗口, Event::kCloseRequested, {}); }

void MainWindow::on_clicked(widgets::ControlId id, bool by_mouse, base::Tick at_ms) {
  dispatch(id, Event::kClicked, {0, by_mouse, at_ms});
}

bool MainWindow::on_key_down(widgets::ControlId id, int key_code, int, base::Tick at_ms) {
  return dispatch(id, Event::kKeyDown, {key_code, false, at_ms});
}

// The alternation lock decides a trigger key or F12 that Windows did not
// show its hook before the window can act on it: a locked key is never
// counted, in our own window either.
bool MainWindow::on_key_message(const input::KeyEvent& message) { return !lock_.own_window_key(message); }

bool MainWindow::on_button_up(widgets::ControlId id, widgets::MouseButton button, widgets::Point, int,
                              base::Tick at_ms) {
  const Event event = button == widgets::MouseButton::kLeft ? Event::kLeftButtonUp : Event::kRightButtonUp;
  return dispatch(id, event, {0, false, at_ms});
}

bool MainWindow::on_mouse_move(widgets::ControlId id, widgets::Point, int) {
  return dispatch(id, Event::kMouseMove, {});
}

}  // namespace tapvero::app
