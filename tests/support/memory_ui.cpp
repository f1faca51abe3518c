#include "support/memory_ui.h"

#include <stdexcept>
#include <utility>

namespace tapvero::widgets {

MemoryUi::MemoryUi(const FormSpec& form, Size screen) : model_(form), screen_(screen) {
  for (const ControlSpec& desc : form.controls) {
    controls_[desc.id] = {std::u16string(desc.caption), (desc.flags & kTicked) != 0, desc.text_color, false};
    if (desc.kind == Kind::kWindow) {
      // Created centred on the screen for the described size.
      Rect r = desc.geometry;
      r.left = (screen.width - r.width) / 2;
      r.top = (screen.height - r.height) / 2;
      model_.set_rect(kMainWindow, r);
    }
  }
}

MemoryUi::Control& MemoryUi::at(ControlId id) {
  const auto it = controls_.find(id);
  if (it == controls_.end()) throw std::out_of_range("no control " + std::to_string(id));
  return it->second;
}

const MemoryUi::Control& MemoryUi::at(ControlId id) const { return const_cast<MemoryUi*>(this)->at(id); }

void MemoryUi::set_text(ControlId id, std::u16string_view text) {
  Control& c = at(id);
  c.text.assign(text);
  c.whole_text_selected = false;
}

// A control that disables itself drops the focus, which passes on to the
// next control, as Tab would, once the event is over: if nothing took it
// meanwhile and the window is in front.
void MemoryUi::set_enabled(ControlId id, bool enabled) {
  model_.set_enabled(id, enabled);
  if (enabled || focus_ != id) return;
  focus_.reset();
  if (!model_.next_focus(id, false)) return;
  post([this, id] {
    if (!focus_ && active_) give_focus(model_.next_focus(id, false));
  });
}

template <typename Change>
void MemoryUi::change_visibility(Change change) {
  const bool focus_shown = focus_ && model_.shown(*focus_);
  change();
  // A control given the focus while hidden keeps it.
  if (focus_shown && !model_.shown(*focus_)) focus_.reset();
}

void MemoryUi::set_visible(ControlId id, bool visible) {
  change_visibility([&] { model_.set_visible(id, visible); });
}

void MemoryUi::select_page(ControlId tab, int page) {
  change_visibility([&] { model_.set_page(tab, page); });
}

void MemoryUi::give_focus(std::optional<ControlId> id) {
  focus_ = id;
  if (id && model_.spec(*id).kind == Kind::kEdit) at(*id).whole_text_selected = true;
}

void MemoryUi::press_tab(bool backwards) { give_focus(model_.next_focus(focus_, backwards)); }

void MemoryUi::switch_page(bool backwards) {
  const auto to = model_.page_switch(backwards);
  if (!to || to->page == model_.page(to->tab)) return;
  select_page(to->tab, to->page);
  if (to->focus) give_focus(to->focus);
}

void MemoryUi::deactivate() {
  active_ = false;
  saved_focus_.reset();
  if (focus_) saved_focus_ = std::pair(*focus_, model_.shown(*focus_));
  focus_.reset();
}

void MemoryUi::activate() {
  active_ = true;
  const auto saved = std::exchange(saved_focus_, std::nullopt);
  if (!saved) return;
  const std::optional<ControlId> to = model_.focus_on_return(saved->first, saved->second);
  if (to == saved->first) {
    focus_ = to;
  } else {
    give_focus(to);
  }
}

void MemoryUi::move(ControlId id, std::optional<int> left, std::optional<int> top, std::optional<int> width,
                    std::optional<int> height) {
  const Rect r = model_.rect(id);
  model_.set_rect(id, {left.value_or(r.left), top.value_or(r.top), width.value_or(r.width), height.value_or(r.height)});
}

void MemoryUi::append_text(ControlId id, std::u16string_view text) {
  at(id).text += text;
  ++appends;
}

Size MemoryUi::client_size() const {
  const Rect r = model_.rect(kMainWindow);
  return {r.width - frame.width, r.height - frame.height};
}

void MemoryUi::set_window_state(WindowState state) {
  if (state == WindowState::kMaximized && state_ != WindowState::kMaximized) {
    restored_ = model_.rect(kMainWindow);
    model_.set_rect(kMainWindow, {0, 0, screen_.width, screen_.height});
  } else if (state == WindowState::kNormal && state_ == WindowState::kMaximized) {
    model_.set_rect(kMainWindow, restored_);
  }
  state_ = state;
}

void MemoryUi::message_box(std::u16string_view text, std::u16string_view title, Icon icon) {
  message_boxes.push_back({std::u16string(text), std::u16string(title), icon});
  ++boxes_shown;
  if (on_message_box) on_message_box(message_boxes.back());
  --boxes_shown;
}

void MemoryUi::post(std::function<void()> task) {
  const std::lock_guard lock(posted_mutex_);
  posted_.push_back(std::move(task));
}

int MemoryUi::run_posted() {
  int ran = 0;
  for (std::unique_lock lock(posted_mutex_); !posted_.empty(); ++ran) {
    const std::function<void()> task = std::move(posted_.front());
    posted_.pop_front();
    lock.unlock();
    task();
    lock.lock();
  }
  return ran;
}

void MemoryUi::add_menu_item(int item, std::u16string_view text, std::optional<bool> checked) {
  menu.push_back({item, std::u16string(text), checked});
}

void MemoryUi::set_menu_item_checked(int item, bool checked) {
  for (MenuItem& m : menu) {
    if (m.item == item && m.checked) m.checked = checked;
  }
}

const MemoryUi::MenuItem* MemoryUi::menu_item(int item) const {
  for (const MenuItem& m : menu) {
    if (m.item == item) return &m;
  }
  return nullptr;
}

void MemoryUi::open_scene_window(std::u16string_view title, Size logical_size, SceneSink& sink) {
  if (scene_sink_) return;
  scene_sink_ = &sink;
  scene_title = title;
  sink.on_scene_size(logical_size);
}

void MemoryUi::show_scene(Scene s) {
  if (!scene_sink_) return;
  scene = std::move(s);
  ++scenes_shown;
}

void MemoryUi::close_scene_window() {
  if (!scene_sink_) return;
  scene = {};
  std::exchange(scene_sink_, nullptr)->on_scene_closed();
}

void MemoryUi::resize_scene(Size logical) {
  if (scene_sink_) scene_sink_->on_scene_size(logical);
}

void MemoryUi::scene_key(int key_code) {
  if (!scene_sink_) return;
  if (key_code == kKeyEscape) {
    close_scene_window();
  } else {
    scene_sink_->on_scene_key(key_code);
  }
}

bool MemoryUi::click_scene(PointF at) {
  const std::optional<int> id = scene_sink_ ? scene.target_at(at) : std::nullopt;
  if (id) scene_sink_->on_scene_target(*id);
  return id.has_value();
}

void MemoryUi::scene_frame() {
  if (scene_sink_) scene_sink_->on_scene_frame();
}

}  // namespace tapvero::widgets
