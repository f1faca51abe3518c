#include "widgets/window_model.h"

#include <algorithm>

namespace tapvero::widgets {

WindowModel::WindowModel(const FormSpec& form) : form_(form) {
  ControlId last = 0;
  for (const ControlSpec& c : form.controls) last = std::max(last, c.id);
  controls_.resize(static_cast<std::size_t>(last) + 1);
  for (const ControlSpec& c : form.controls) {
    Control& control = at(c.id);
    control.spec = &c;
    control.visible = (c.flags & kHidden) == 0;
    control.enabled = (c.flags & kDisabled) == 0;
    control.rect = c.geometry;
    ids_.push_back(c.id);
  }
}

Point WindowModel::origin_of(ControlId container) const {
  if (container == kMainWindow) return {0, 0};
  const Control& c = at(container);
  const Point outer = origin_of(c.spec->container);
  return {outer.x + c.rect.left, outer.y + c.rect.top};
}

bool WindowModel::shown(ControlId id) const {
  const Control& c = at(id);
  if (!c.visible) return false;
  if (id == kMainWindow) return true;
  const ControlId container = c.spec->container;
  if (c.spec->page >= 0 && spec(container).kind == Kind::kTab && page(container) != c.spec->page) return false;
  return shown(container);
}

bool WindowModel::takes_focus(ControlId id) const {
  const Kind k = spec(id).kind;
  return (k == Kind::kButton || k == Kind::kCheckBox || k == Kind::kEdit) && enabled(id) && shown(id);
}

bool WindowModel::keeps_input_method(ControlId id) const {
  const ControlSpec& s = spec(id);
  return s.kind == Kind::kEdit && !(s.flags & kReadOnlyInput);
}

std::optional<ControlId> WindowModel::next_focus(std::optional<ControlId> from, bool backwards) const {
  const int n = static_cast<int>(ids_.size());
  int i = backwards ? 0 : n - 1;  // so that the first step lands on an end
  if (from) i = static_cast<int>(std::find(ids_.begin(), ids_.end(), *from) - ids_.begin());
  for (int step = 0; step < n; ++step) {
    i = (i + (backwards ? n - 1 : 1)) % n;
    if (takes_focus(ids_[static_cast<std::size_t>(i)])) return ids_[static_cast<std::size_t>(i)];
  }
  return std::nullopt;
}

std::optional<ControlId> WindowModel::focus_on_return(ControlId saved, bool shown_then) const {
  if (enabled(saved) && (shown(saved) || !shown_then)) return saved;
  return next_focus(saved, false);
}

std::optional<std::pair<ControlId, int>> WindowModel::page_of(ControlId id) const {
  for (const ControlSpec* s = &spec(id); s->id != kMainWindow; s = &spec(s->container)) {
    if (spec(s->container).kind == Kind::kTab) return std::pair(s->container, s->page);
  }
  return std::nullopt;
}

std::optional<WindowModel::PageSwitch> WindowModel::page_switch(bool backwards) const {
  const auto tab = std::find_if(ids_.begin(), ids_.end(), [&](ControlId id) { return spec(id).kind == Kind::kTab; });
  if (tab == ids_.end() || !shown(*tab) || !enabled(*tab)) return std::nullopt;
  const int n = static_cast<int>(spec(*tab).pages.size());
  PageSwitch to{*tab, page(*tab), std::nullopt};
  if (n < 2) return to;
  to.page = (to.page + (backwards ? n - 1 : 1)) % n;
  // The first control on the new page that would take the focus once it shows.
  for (const ControlId id : ids_) {
    const Kind k = spec(id).kind;
    if (k != Kind::kButton && k != Kind::kCheckBox && k != Kind::kEdit) continue;
    if (page_of(id) != std::pair(*tab, to.page) || !enabled(id)) continue;
    bool showing = true;
    for (ControlId c = id; c != *tab && showing; c = spec(c).container) showing = visible(c);
    if (showing) {
      to.focus = id;
      break;
    }
  }
  return to;
}

KeyAction key_action(const FormSpec& form, int key_code, int modifiers) {
  const bool ctrl = (modifiers & (kCtrl | kAlt)) == kCtrl;
  if (key_code == kKeyEscape && form.escape_closes && !(modifiers & kAlt)) return KeyAction::kClose;
  if (key_code == kKeyTab && !(modifiers & (kCtrl | kAlt)))
    return (modifiers & kShift) ? KeyAction::kFocusPrevious : KeyAction::kFocusNext;
  if (ctrl && key_code == kKeyTab) return (modifiers & kShift) ? KeyAction::kPreviousPage : KeyAction::kNextPage;
  if (ctrl && key_code == kKeyPageDown) return KeyAction::kNextPage;
  if (ctrl && key_code == kKeyPageUp) return KeyAction::kPreviousPage;
  return KeyAction::kNone;
}

}  // namespace tapvero::widgets
