// What the program asks of the window system, as a portable interface: the
// Win32 toolkit implements it for real, MemoryUi in memory for tests.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/tick.h"
#include "input/key_event.h"
#include "widgets/form.h"
#include "widgets/scene.h"

namespace tapvero::widgets {

// The toolkit reports when each key and button moved.
using base::Tick;

enum class Icon { kError, kInformation };

// Window state of the main window, as the program sets it.
enum class WindowState { kNormal, kMaximized };

// Modifier flags that come with key and mouse events.
enum Modifier : int { kCtrl = 1, kShift = 2, kAlt = 4 };

enum class MouseButton { kLeft, kRight };

// Properties of the window and its controls. Texts are UTF-16; positions are
// relative to the control's container, and for the main window they are its
// outer frame on the screen.
class Ui {
 public:
  virtual ~Ui() = default;

  virtual std::u16string text(ControlId id) const = 0;
  virtual void set_text(ControlId id, std::u16string_view text) = 0;
  virtual bool ticked(ControlId id) const = 0;
  virtual void set_ticked(ControlId id, bool ticked) = 0;
  virtual bool enabled(ControlId id) const = 0;
  virtual void set_enabled(ControlId id, bool enabled) = 0;
  // The control's own visible flag (a control on a hidden tab control or an
  // unselected page keeps its flag).
  virtual bool visible(ControlId id) const = 0;
  virtual void set_visible(ControlId id, bool visible) = 0;
  virtual Rect rect(ControlId id) const = 0;
  // Changes the given parts of the geometry and keeps the others.
  virtual void move(ControlId id, std::optional<int> left, std::optional<int> top, std::optional<int> width,
                    std::optional<int> height) = 0;
  virtual void focus(ControlId id) = 0;
  virtual std::optional<ControlId> focused() const = 0;
  // Edit boxes: selects the whole text.
  virtual void select_all(ControlId id) = 0;
  // Edit boxes: caret to the end, scrolled into view, text inserted there.
  virtual void append_text(ControlId id, std::u16string_view text) = 0;
  // Labels.
  virtual void set_text_color(ControlId id, Color color) = 0;
  // Tab controls: the selected page, from 0.
  virtual int current_page(ControlId id) const = 0;

  // The main window.
  virtual Size client_size() const = 0;
  virtual void set_window_state(WindowState state) = 0;
  virtual std::uintptr_t window_handle() const = 0;

  // A task-modal message box without an owner window and with one OK
  // button; returns when it is closed.
  virtual void message_box(std::u16string_view text, std::u16string_view title, Icon icon) = 0;

  // Runs `task` on the window's thread, from its message loop, after the
  // tasks posted before it. Callable from any thread.
  virtual void post(std::function<void()> task) = 0;

  // The main window's system menu (its icon, its title bar, Alt+Space): an
  // item of the program's own after the system's, `item` from 0 to 255,
  // chosen through EventSink::on_menu_item. A given `checked` makes it a
  // toggle with a check mark. Texts may name a key with "&".
  virtual void add_menu_item(int item, std::u16string_view text, std::optional<bool> checked) = 0;
  virtual void set_menu_item_checked(int item, bool checked) = 0;

  // A second window of the program, owned by the main window, resizable,
  // that shows a Scene: opened with `title` and a client area of
  // `logical_size` (or brought to the front if open); `sink` hears of it
  // until it closes.
  virtual void open_scene_window(std::u16string_view title, Size logical_size, SceneSink& sink) = 0;
  virtual bool scene_window_open() const = 0;
  // What the window shows from now on; nothing while it is closed.
  virtual void show_scene(Scene scene) = 0;
  virtual void close_scene_window() = 0;
};

// What the toolkit reports. A key or mouse handler returning false swallows
// the message; the close handler refuses the close by returning false.
// Clicks, key presses and button releases come with `at_ms`, the time the
// key or button moved, on the system clock's millisecond tick (a mouse
// click's is its left-button release; one made with the keyboard, the key's).
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void on_created() = 0;
  virtual bool on_close_requested() = 0;
  // A button's click; `by_mouse` is false for one made with the keyboard
  // (Space or Enter on the focused button).
  virtual void on_clicked(ControlId id, bool by_mouse, Tick at_ms) = 0;
  virtual bool on_key_down(ControlId id, int key_code, int modifiers, Tick at_ms) = 0;
  // Every key going down or up in one of our windows, in the message loop
  // or in a modal one (a message box's, a menu's), before the toolkit or a
  // control acts on it: its code, scan code, extended bit and release as
  // the message gives them, with the message's time. False keeps it from
  // the window altogether.
  virtual bool on_key_message(const input::KeyEvent& /*message*/) { return true; }
  virtual bool on_button_up(ControlId id, MouseButton button, Point at, int modifiers, Tick at_ms) = 0;
  virtual bool on_mouse_move(ControlId id, Point at, int modifiers) = 0;
  // One of the program's items of the system menu (Ui::add_menu_item).
  virtual void on_menu_item(int /*item*/) {}
};

}  // namespace tapvero::widgets
