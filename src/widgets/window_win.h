// The Win32 toolkit: builds a window and its controls from a FormSpec and
// reports their events to an EventSink. Its rules (layout, visibility,
// focus, pages, keys) are WindowModel's; this is the Windows side of them.
// window_win.cpp: the window and the controls' properties;
// window_build_win.cpp: the controls made from the form;
// window_messages_win.cpp: the message loop, the keyboard and the focus;
// window_controls_win.cpp: what each control does with its own messages.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>
#include <vector>

#include "base/clock_win.h"
#include "base/unique_win.h"
#include "widgets/form.h"
#include "widgets/press_times.h"
#include "widgets/ui.h"
#include "widgets/window_model.h"

namespace tapvero::widgets {

using base::GdiObject;
using base::SystemClock;

class Win32Ui final : public Ui {
 public:
  Win32Ui(HINSTANCE instance, const FormSpec& form);
  ~Win32Ui() override;
  Win32Ui(const Win32Ui&) = delete;
  Win32Ui& operator=(const Win32Ui&) = delete;

  // Creates the window and its controls, runs the created handler, then
  // shows the window; from then on events go to `sink`. False if the window
  // or any of its controls could not be created.
  bool create(EventSink& sink, int show_command);
  // Runs the message loop until the window is destroyed.
  int run();
  // Dispatches every message waiting in the queue, as the message loop
  // would, without blocking; a WM_QUIT stays in the queue.
  void process_pending_messages();

  HWND main_window() const { return main_; }
  // Where to find the exact times of key presses and button releases (see
  // PressStamper), and how exact message times are; without them an event is
  // timed when it is handled.
  void take_input_times_from(input::PressStamps* stamps, const input::MessageTimeScale& scale) {
    press_times_ = PressTimes(stamps, scale);
  }

  // Called on the window's thread as the program becomes the active one
  // (true) and as another program does (false).
  void on_activation(std::function<void(bool active)> handler) { activation_ = std::move(handler); }

  std::u16string text(ControlId id) const override;
  void set_text(ControlId id, std::u16string_view text) override;
  bool ticked(ControlId id) const override;
  void set_ticked(ControlId id, bool ticked) override;
  bool enabled(ControlId id) const override;
  void set_enabled(ControlId id, bool enabled) override;
  bool visible(ControlId id) const override;
  void set_visible(ControlId id, bool visible) override;
  Rect rect(ControlId id) const override;
  void move(ControlId id, std::optional<int> left, std::optional<int> top, std::optional<int> width,
            std::optional<int> height) override;
  void focus(ControlId id) override;
  std::optional<ControlId> focused() const override;
  void select_all(ControlId id) override;
  void append_text(ControlId id, std::u16string_view text) override;
  void set_text_color(ControlId id, Color color) override;
  int current_page(ControlId id) const override;
  Size client_size() const override;
  void set_window_state(WindowState state) override;
  std::uintptr_t window_handle() const override { return reinterpret_cast<std::uintptr_t>(main_); }
  void message_box(std::u16string_view text, std::u16string_view title, Icon icon) override;
  // Tasks posted before the window exists run once it does; those left when
  // this is destroyed never run.
  void post(std::function<void()> task) override;
  void add_menu_item(int item, std::u16string_view text, std::optional<bool> checked) override;
  void set_menu_item_checked(int item, bool checked) override;
  // The scene window is aware of its display's resolution (where Windows
  // lets a window be so: 10 1607 and later), drawing sharp at any scaling
  // while the main window keeps being scaled as a whole.
  void open_scene_window(std::u16string_view title, Size logical_size, SceneSink& sink) override;
  bool scene_window_open() const override { return scene_ != nullptr; }
  void show_scene(Scene scene) override;
  void close_scene_window() override;
  HWND scene_window() const { return scene_; }

 private:
  struct Control {
    HWND hwnd = nullptr;
    std::optional<COLORREF> text_color;
    HWND tooltip = nullptr;  // tab controls: the pages' hints
  };
  // The control that had the focus, and whether it showed then.
  struct SavedFocus {
    std::optional<ControlId> control;
    bool shown = false;
  };

  static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK control_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR subclass, DWORD_PTR data);
  static LRESULT CALLBACK modal_filter(int code, WPARAM wp, LPARAM lp);
  LRESULT handle_main(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT handle_control(ControlId id, UINT msg, WPARAM wp, LPARAM lp);

  // window_build_win.cpp
  bool create_control(ControlId id);
  void arrange_z_order();
  void add_page_hints(ControlId tab);
  void update_page_hint_areas(ControlId tab);
  HFONT font_for(const Font& font);

  void place(ControlId id);  // moves the control and everything inside it
  // Shows what the model says shows; the focus leaves a control that a
  // change hid.
  void update_visibility();
  std::optional<ControlId> id_of(HWND hwnd) const;
  bool is_hint_window(HWND hwnd) const;

  // scene_window_win.cpp
  static LRESULT CALLBACK scene_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT handle_scene(UINT msg, WPARAM wp, LPARAM lp);
  double scene_scale() const;  // device pixels per logical unit
  void report_scene_size();
  void paint_scene(HDC dc, SIZE pixels);
  HFONT scene_font(int pixels, bool bold);

  // window_messages_win.cpp
  bool withheld_key(const MSG& msg);
  bool kept_from_window(const MSG& msg);  // any window of this thread's
  void filter_modal_loops(bool on);
  bool pre_translate(MSG& msg);
  void dispatch(MSG& msg);
  void give_focus(std::optional<ControlId> id);  // as the keyboard gives it; none: the window itself
  SavedFocus focus_now() const;
  void give_back_focus(const SavedFocus& saved);
  bool switch_page(bool backwards);
  Tick input_time(int code, LONG message_time);
  void announce_posted();
  void run_posted();

  HINSTANCE instance_;
  WindowModel model_;
  EventSink* sink_ = nullptr;
  HWND main_ = nullptr;
  HHOOK modal_filter_ = nullptr;   // while the window exists
  std::vector<Control> controls_;  // by control id
  std::map<std::tuple<int, int, std::u16string_view>, GdiObject> fonts_;
  GdiObject page_brush_;          // the form's page background, if it has one
  HWND mouse_release_ = nullptr;  // the button a left-button release is being handled for
  std::optional<Tick> click_at_;  // the time of the release or key a click is being reported for
  struct SpacePress {
    HWND button;
    Tick at;
  };
  std::optional<SpacePress> space_press_;  // the Space press whose release a button is waiting for
  PressTimes press_times_;
  bool menu_separated_ = false;  // the separator before the program's items in the system menu
  HWND scene_ = nullptr;
  SceneSink* scene_sink_ = nullptr;
  bool scene_opening_ = false;  // sized while it opens: reported once it has its size
  Scene scene_shown_;
  std::map<std::pair<int, bool>, GdiObject> scene_fonts_;
  std::function<void(bool active)> activation_;
  SavedFocus saved_focus_;                    // while another window is active
  std::optional<ControlId> pass_focus_from_;  // a disabled control that had the focus
  bool destroyed_ = false;                    // the window has gone: its thread's loop ends
  // Tasks for the window's thread, oldest first, and what tells it of them:
  // the window while it exists, and one message at a time on its way there.
  std::mutex posted_mutex_;
  std::deque<std::function<void()>> posted_;
  HWND posted_to_ = nullptr;
  bool posted_announced_ = false;
};

}  // namespace tapvero::widgets
