// The window in memory: every property a plain value, every message box
// recorded, and the toolkit's own rules (WindowModel) for what shows and
// where the focus goes, so that it behaves as the real window does. Tests
// drive the program's logic against it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "widgets/form.h"
#include "widgets/ui.h"
#include "widgets/window_model.h"

namespace tapvero::widgets {

class MemoryUi final : public Ui {
 public:
  struct Control {
    std::u16string text;
    bool ticked = false;
    std::optional<Color> text_color;
    bool whole_text_selected = false;
  };

  struct MessageBox {
    std::u16string text;
    std::u16string title;
    Icon icon;
    friend bool operator==(const MessageBox&, const MessageBox&) = default;
  };
  using Boxes = std::vector<MessageBox>;

  // The window as `form` describes it, centred on a screen of `screen`.
  explicit MemoryUi(const FormSpec& form, Size screen = {1280, 800});

  std::u16string text(ControlId id) const override { return at(id).text; }
  void set_text(ControlId id, std::u16string_view text) override;
  bool ticked(ControlId id) const override { return at(id).ticked; }
  void set_ticked(ControlId id, bool ticked) override { at(id).ticked = ticked; }
  bool enabled(ControlId id) const override { return model_.enabled(id); }
  void set_enabled(ControlId id, bool enabled) override;
  bool visible(ControlId id) const override { return model_.visible(id); }
  void set_visible(ControlId id, bool visible) override;
  Rect rect(ControlId id) const override { return model_.rect(id); }
  void move(ControlId id, std::optional<int> left, std::optional<int> top, std::optional<int> width,
            std::optional<int> height) override;
  void focus(ControlId id) override { focus_ = id; }
  std::optional<ControlId> focused() const override { return focus_; }
  void select_all(ControlId id) override { at(id).whole_text_selected = true; }
  void append_text(ControlId id, std::u16string_view text) override;
  void set_text_color(ControlId id, Color color) override { at(id).text_color = color; }
  int current_page(ControlId id) const override { return model_.page(id); }

  Size client_size() const override;
  void set_window_state(WindowState state) override;
  std::uintptr_t window_handle() const override { return 0x1234; }
  void message_box(std::u16string_view text, std::u16string_view title, Icon icon) override;
  void post(std::function<void()> task) override;
  void add_menu_item(int item, std::u16string_view text, std::optional<bool> checked) override;
  void set_menu_item_checked(int item, bool checked) override;
  void open_scene_window(std::u16string_view title, Size logical_size, SceneSink& sink) override;
  bool scene_window_open() const override { return scene_sink_ != nullptr; }
  void show_scene(Scene scene) override;
  void close_scene_window() override;

  // Test controls.
  Control& at(ControlId id);
  const Control& at(ControlId id) const;
  // The user's doings: a click on a tab, Tab and Shift+Tab, Ctrl+Tab and
  // Ctrl+Shift+Tab, another window activated and this one again.
  void select_page(ControlId tab, int page);
  void press_tab(bool backwards);
  void switch_page(bool backwards);
  void deactivate();
  void activate();
  bool shown(ControlId id) const { return model_.shown(id); }
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
  int boxes_shown = 0;  // now: the last one has the keyboard
  int appends = 0;

  // The system menu's own items, in order.
  struct MenuItem {
    int item;
    std::u16string text;
    std::optional<bool> checked;
  };
  std::vector<MenuItem> menu;
  const MenuItem* menu_item(int item) const;
  // The scene window: its title, the scene it shows (empty while closed),
  // and the user's doings there, reported to its sink as the window would.
  std::u16string scene_title;
  Scene scene;
  int scenes_shown = 0;
  void resize_scene(Size logical);
  void scene_key(int key_code);
  bool click_scene(PointF at);  // false: no target there
  void scene_frame();

 private:
  // Changes what shows; the focus leaves a control that the change hid.
  template <typename Change>
  void change_visibility(Change change);
  void give_focus(std::optional<ControlId> id);  // as the keyboard gives it

  WindowModel model_;
  std::map<ControlId, Control> controls_;
  std::optional<ControlId> focus_;
  bool active_ = true;
  std::optional<std::pair<ControlId, bool>> saved_focus_;  // the control, and whether it showed
  WindowState state_ = WindowState::kNormal;
  Rect restored_;  // the main window's frame before it was maximized
  Size screen_;
  SceneSink* scene_sink_ = nullptr;
  std::mutex posted_mutex_;
  std::deque<std::function<void()>> posted_;
};

}  // namespace tapvero::widgets
