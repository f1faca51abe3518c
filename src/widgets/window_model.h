// The rules of a window built from a FormSpec, apart from any window
// system: where each control lies, whether it shows, which control Tab and
// Ctrl+Tab reach, where the focus goes when its control is disabled or the
// window is active again, and what a key does before any control sees it.
// The Win32 toolkit and the in-memory window both follow these, so that
// they behave alike.
#pragma once

#include <optional>
#include <vector>

#include "widgets/form.h"
#include "widgets/ui.h"

namespace tapvero::widgets {

class WindowModel {
 public:
  // Every control in its initial state.
  explicit WindowModel(const FormSpec& form);

  const FormSpec& form() const { return form_; }
  const ControlSpec& spec(ControlId id) const { return *at(id).spec; }
  // The form's controls, in its order (the window itself first).
  const std::vector<ControlId>& ids() const { return ids_; }

  // The control's own visible flag (a control on a hidden container or an
  // unselected page keeps its flag).
  bool visible(ControlId id) const { return at(id).visible; }
  void set_visible(ControlId id, bool visible) { at(id).visible = visible; }
  bool enabled(ControlId id) const { return at(id).enabled; }
  void set_enabled(ControlId id, bool enabled) { at(id).enabled = enabled; }
  // Relative to the control's container.
  Rect rect(ControlId id) const { return at(id).rect; }
  void set_rect(ControlId id, Rect rect) { at(id).rect = rect; }
  // Tab controls: the selected page, from 0.
  int page(ControlId tab) const { return at(tab).page; }
  void set_page(ControlId tab, int page) { at(tab).page = page; }

  // The top-left corner of `container` in the window's client area.
  Point origin_of(ControlId container) const;
  // The control's own flag, its containers' and its page all showing.
  bool shown(ControlId id) const;
  // A button, check box or edit box that shows and is enabled.
  bool takes_focus(ControlId id) const;
  // Whether keys pressed on the control may go to an input method: only in
  // an edit box the user types into (key names such as 回车 are typed with
  // one). On every other control, and on the window itself, a key is the
  // program's as it is pressed: an input method in a mode that composes
  // text would take letter keys for itself.
  bool keeps_input_method(ControlId id) const;
  // The control that Tab (Shift+Tab when `backwards`) reaches from `from`,
  // or from either end of the form without it: the next in the form's
  // order that takes the focus, wrapping around. None when none does.
  std::optional<ControlId> next_focus(std::optional<ControlId> from, bool backwards) const;
  // Where the focus goes when the window is active again, given the control
  // that had it when the window was left and whether it showed then: back
  // to it while it is enabled and shows (or was hidden then too); else on,
  // as Tab would go from it; none for the window itself.
  std::optional<ControlId> focus_on_return(ControlId saved, bool shown_then) const;

  // Ctrl+Tab (Ctrl+Shift+Tab when `backwards`): the tab control's next
  // page, wrapping around, and the first control there that takes the
  // focus. None when the window has no tab control that shows and is
  // enabled (then the key is no page switch).
  struct PageSwitch {
    ControlId tab = kMainWindow;
    int page = 0;
    std::optional<ControlId> focus;
  };
  std::optional<PageSwitch> page_switch(bool backwards) const;

 private:
  struct Control {
    const ControlSpec* spec = nullptr;
    bool visible = true;
    bool enabled = true;
    Rect rect;
    int page = 0;
  };
  const Control& at(ControlId id) const { return controls_.at(static_cast<std::size_t>(id)); }
  Control& at(ControlId id) { return controls_.at(static_cast<std::size_t>(id)); }
  // The tab page the control (or one of its containers) stands on.
  std::optional<std::pair<ControlId, int>> page_of(ControlId id) const;

  const FormSpec& form_;
  std::vector<Control> controls_;  // by control id
  std::vector<ControlId> ids_;
};

// What a key pressed in the window does before any control sees it.
enum class KeyAction {
  kNone,           // the focused control's, or the window's
  kClose,          // Esc, where the form says it closes the window
  kFocusNext,      // Tab
  kFocusPrevious,  // Shift+Tab
  kNextPage,       // Ctrl+Tab, Ctrl+PageDown
  kPreviousPage,   // Ctrl+Shift+Tab, Ctrl+PageUp
};

// `modifiers` as the events carry them (Ctrl, Shift, Alt). Alt+Esc belongs
// to the system.
KeyAction key_action(const FormSpec& form, int key_code, int modifiers);

// Virtual-key codes the toolkit acts on.
inline constexpr int kKeyTab = 0x09;
inline constexpr int kKeyEnter = 0x0D;
inline constexpr int kKeyEscape = 0x1B;
inline constexpr int kKeySpace = 0x20;
inline constexpr int kKeyPageUp = 0x21;
inline constexpr int kKeyPageDown = 0x22;

}  // namespace tapvero::widgets
