// The main window's behaviour: the binding of every window and control
// event to the operation that handles it, and the window's own handlers.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "alternation_lock/alternation_lock.h"
#include "app/settings_controls.h"
#include "input/hook_installer.h"
#include "input/input_thread.h"
#include "positioning_test/run.h"
#include "positioning_test/window_services.h"
#include "record/chart.h"
#include "record/history.h"
#include "record/run_record.h"
#include "speed_test/run.h"
#include "storage/file_store.h"
#include "storage/settings.h"
#include "base/clock.h"
#include "widgets/ui.h"

namespace tapvero::app {

enum class Event { kCreated, kCloseRequested, kClicked, kLeftButtonUp, kRightButtonUp, kKeyDown, kMouseMove };

struct EventArgs {
  int key_code = 0;
  bool by_mouse = false;  // clicks: made with the mouse
  base::Tick at_ms;    // clicks, keys and buttons: when it happened
};

// What the program needs from outside its window.
struct Services {
  widgets::Ui& ui;
  base::Clock& clock;
  storage::FileStore& files;
  std::function<std::u16string()> config_path;
  positioning_test::WindowServices& window_services;
  // The alternation lock's keyboard hook, and the thread it belongs to.
  input::HookInstaller& hooks;
  input::InputThread& input_thread;
  // The history file's full path.
  std::u16string history_path;
};

// The program's items of the main window's system menu.
enum MenuItem : int { kChartItem, kHistoryItem };

class MainWindow final : public widgets::EventSink {
 public:
  explicit MainWindow(const Services& services);

  void on_created() override;
  bool on_close_requested() override;
  void on_clicked(widgets::ControlId id, bool by_mouse, base::Tick at_ms) override;
  bool on_key_down(widgets::ControlId id, int key_code, int modifiers, base::Tick at_ms) override;
  bool on_key_message(const input::KeyEvent& message) override;
  bool on_button_up(widgets::ControlId id, widgets::MouseButton button, widgets::Point at, int modifiers,
                    base::Tick at_ms) override;
  bool on_mouse_move(widgets::ControlId id, widgets::Point at, int modifiers) override;
  void on_menu_item(int item) override;

  // The settings as the session has them.
  const storage::Settings& settings() const { return settings_.value(); }
  // The lock's part on the input thread, for what reaches that thread directly.
  alternation_lock::KeyLock& key_lock() { return lock_.key_lock(); }
  // Whether the program handles this event of this control.
  bool handles(widgets::ControlId control, Event event) const;

  // The record: every speed test stopped with a hit and every positioning
  // run ended with its report, while the history is switched on.
  record::History& history() { return history_; }
  bool history_enabled() const { return settings().history; }
  // Switches the history on or off, and saves the switch's key alone.
  void set_history_enabled(bool on);
  // The speed test so far while one runs; none otherwise.
  std::optional<record::RunRecord> running_record() const;

 private:
  // A handler returns false to swallow the event, or to refuse the close.
  using Operation = std::function<bool(const EventArgs&)>;
  struct Binding {
    widgets::ControlId control;
    Event event;
    Operation operation;
  };

  bool dispatch(widgets::ControlId control, Event event, const EventArgs& args);
  void created();
  bool close_requested();
  // The run records: what every run has, and each test's figures.
  record::RunRecord record_of(record::TestKind test) const;
  record::RunRecord speed_record(const speed_test::Run& run) const;
  record::RunRecord positioning_record(const positioning_test::RunFigures& figures) const;
  // Adds a run to the history while it is switched on.
  void keep(record::RunRecord run);

  widgets::Ui& ui_;
  SettingsControls settings_;
  speed_test::SpeedTest speed_test_;
  positioning_test::PositioningTest positioning_;
  alternation_lock::AlternationLock lock_;
  base::Clock& clock_;
  record::History history_;
  record::Chart chart_;
  std::vector<Binding> bindings_;
};

}  // namespace tapvero::app
