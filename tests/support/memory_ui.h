// The window in memory: every property a plain value, every message box
// recorded. Tests drive the program's logic against it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "widgets/form.h"
#include "widgets/ui.h"

namespace tapvero::widgets {

class MemoryUi final : public Ui {
 public:
  struct Control {
    Kind kind = Kind::kLabel;
    std::u16string text;
    bool ticked = false;
    bool enabled = true;
    bool visible = true;
    Rect rect;
    std::optional<Color> text_color;
    int max_length = 0;
    bool whole_text_selected = false;
    int current_page = 0;
  };

  struct MessageBox {
    std::u16string text;
    std::u16string title;
    Icon icon;
  };

  // The window as `form` describes it, centred on a screen of `screen`.
  explicit MemoryUi(const FormSpec& form, Size screen = {1280, 800});

  std::u16string text(ControlId id) const override { return at(id).text; }
  void set_text(ControlId id, std::u16string_view text) override;
  bool ticked(ControlId id) const override { return at(id).ticked; }
  void set_ticked(ControlId id, bool ticked) override { at(id).ticked = ticked; }
  bool enabled(ControlId id) const override { return at(id).enabled; }
  void set_enabled(ControlId id, bool enabled) override;
  bool visible(ControlId id) const override { return at(id).visible; }
  void set_visible(ControlId id, bool visible) override;
  Rect rect(ControlId id) const override { return at(id).rect; }
  void move(ControlId id, std::optional<int> left, std::optional<int> top, std::optional<int> width,
            std::optional<int> height) override;
  void focus(ControlId id) override { focus_ = id; }
  std::optional<ControlId> focused() const override { return focus_; }
  void select_all(ControlId id) override { at(id).whole_text_selected = true; }
  void append_text(ControlId id, std::u16string_view text) override;
  void set_text_color(ControlId id, Color color) override { at(id).text_color = color; }
  int current_page(ControlId id) const override { return at(id).current_page; }

  Size client_size() const override;
  void set_window_state(WindowState state) override;
  std::uintptr_t window_handle() const override { return 0x1234; }
  void message_box(std::u16string_view text, std::u16string_view title, Icon icon) override;
  void post(std::function<void()> task) override;

  // Test controls.
  Control& at(ControlId id);
  const Control& at(ControlId id) const;
  void select_page(ControlId tab, int page) { at(tab).current_page = page; }
  // Runs the posted tasks, and those they post, as the window's thread
  // would; returns how many ran.
  int run_posted();
  WindowState window_state() const { return state_; }
  Size screen() const { return screen_; }
  // Width and height of the main window's frame around its client area.
  Size frame = {6, 29};
  std::vector<MessageBox> message_boxes;
  // Runs while a message box is shown, as the user would act then.
  std::function<void(const MessageBox&)> on_message_box;
  int appends = 0;

 private:
  std::map<ControlId, Control> controls_;
  std::optional<ControlId> focus_;
  WindowState state_ = WindowState::kNormal;
  Rect restored_;  // the main window's frame before it was maximized
  Size screen_;
  std::mutex posted_mutex_;
  std::deque<std::function<void()>> posted_;
};

}  // namespace tapvero::widgets
