#include "support/memory_ui.h"

#include <stdexcept>

namespace tapvero::widgets {

MemoryUi::MemoryUi(const FormSpec& form, Size screen) : screen_(screen) {
  for (const ControlSpec& desc : form.controls) {
    Control c;
    c.kind = desc.kind;
    c.text = std::u16string(desc.caption);
    c.ticked = (desc.flags & kTicked) != 0;
    c.enabled = (desc.flags & kDisabled) == 0;
    c.visible = (desc.flags & kHidden) == 0;
    c.rect = desc.geometry;
    c.text_color = desc.text_color;
    c.max_length = desc.max_length;
    if (desc.kind == Kind::kWindow) {
      // Created centred on the screen for the described size.
      c.rect.left = (screen.width - desc.geometry.width) / 2;
      c.rect.top = (screen.height - desc.geometry.height) / 2;
    }
    controls_[desc.id] = c;
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
  c.text = std::u16string(text);
  c.whole_text_selected = false;
}

void MemoryUi::set_enabled(ControlId id, bool enabled) {
  at(id).enabled = enabled;
  if (!enabled && focus_ == id) focus_.reset();
}

void MemoryUi::set_visible(ControlId id, bool visible) {
  at(id).visible = visible;
  if (!visible && focus_ == id) focus_.reset();
}

void MemoryUi::move(ControlId id, std::optional<int> left, std::optional<int> top, std::optional<int> width,
                    std::optional<int> height) {
  Rect& r = at(id).rect;
  r.left = left.value_or(r.left);
  r.top = top.value_or(r.top);
  r.width = width.value_or(r.width);
  r.height = height.value_or(r.height);
}

void MemoryUi::append_text(ControlId id, std::u16string_view text) {
  at(id).text += text;
  ++appends;
}

Size MemoryUi::client_size() const {
  const Rect& r = at(kMainWindow).rect;
  return {r.width - frame.width, r.height - frame.height};
}

void MemoryUi::set_window_state(WindowState state) {
  Rect& r = at(kMainWindow).rect;
  if (state == WindowState::kMaximized && state_ != WindowState::kMaximized) {
    restored_ = r;
    r = {0, 0, screen_.width, screen_.height};
  } else if (state == WindowState::kNormal && state_ == WindowState::kMaximized) {
    r = restored_;
  }
  state_ = state;
}

void MemoryUi::message_box(std::u16string_view text, std::u16string_view title, Icon icon) {
  message_boxes.push_back({std::u16string(text), std::u16string(title), icon});
  if (on_message_box) on_message_box(message_boxes.back());
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

}  // namespace tapvero::widgets
