// The main window's messages, the message loop with the keyboard handling
// before any control sees a key, and the focus as the keyboard moves it.
#include <windows.h>  // first: before <commctrl.h>
// clang-format off: the order above matters
#include <commctrl.h>
#include <imm.h>
// clang-format on

#include <utility>

#include "base/clock_win.h"
#include "widgets/window_detail_win.h"
#include "widgets/window_win.h"

namespace tapvero::widgets {

using namespace detail;

LRESULT CALLBACK Win32Ui::window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = owner_of<Win32Ui>(hwnd, msg, lp);
  if (self && msg == WM_NCCREATE) self->main_ = hwnd;
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->handle_main(msg, wp, lp);
}

LRESULT Win32Ui::handle_main(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: {
      const auto id = static_cast<ControlId>(LOWORD(wp));
      if (lp && HIWORD(wp) == BN_CLICKED && id_of(reinterpret_cast<HWND>(lp)) == id) {
        const Kind kind = model_.spec(id).kind;
        if (kind == Kind::kButton || kind == Kind::kCheckBox) {
          const HWND h = controls_[static_cast<std::size_t>(id)].hwnd;
          sink_->on_clicked(id, mouse_release_ == h, click_at_ ? *click_at_ : SystemClock().tick_ms());
        }
      }
      return 0;
    }
    case WM_NOTIFY: {
      const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
      const std::optional<ControlId> id = id_of(hdr->hwndFrom);
      if (id && model_.spec(*id).kind == Kind::kTab && hdr->code == TCN_SELCHANGE) {
        model_.set_page(*id, static_cast<int>(SendMessageW(hdr->hwndFrom, TCM_GETCURSEL, 0, 0)));
        update_visibility();
        return 0;
      }
      break;
    }
    case WM_CTLCOLORSTATIC: {
      const std::optional<ControlId> id = id_of(reinterpret_cast<HWND>(lp));
      if (!id) break;
      HDC dc = reinterpret_cast<HDC>(wp);
      SetTextColor(dc, controls_[static_cast<std::size_t>(*id)].text_color.value_or(GetSysColor(COLOR_WINDOWTEXT)));
      const ControlSpec& s = model_.spec(*id);
      if (s.page >= 0 && s.kind != Kind::kEdit && page_brush_) {
        SetBkColor(dc, colorref(*model_.form().page_background));
        return reinterpret_cast<LRESULT>(page_brush_.get());
      }
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      // Releases over the window itself, where no control is.
      if (!sink_->on_button_up(kMainWindow, msg == WM_LBUTTONUP ? MouseButton::kLeft : MouseButton::kRight,
                               point_of(lp), current_modifiers(),
                               input_time(msg == WM_LBUTTONUP ? input::kLeftRelease : input::kRightRelease, GetMessageTime())))
        return 0;
      break;
    case WM_GETMINMAXINFO: {
      // Windows may be sized beyond the screen, and below the system's
      // smallest window: the user cannot resize it, and the program sets
      // whatever size it asks for (a test area of a few pixels included).
      auto* info = reinterpret_cast<MINMAXINFO*>(lp);
      info->ptMaxTrackSize = {32000, 32000};
      info->ptMinTrackSize = {1, 1};
      return 0;
    }
    case WM_ACTIVATE: {
      // As a dialog does, the window keeps its focused control while another
      // window is active and gives it back on its return: after the default
      // handling, which focuses the window itself (and under Wine gives it
      // the X display's focus as well).
      if (LOWORD(wp) == WA_INACTIVE) {
        saved_focus_ = focus_now();
        break;
      }
      const LRESULT result = DefWindowProcW(main_, msg, wp, lp);
      const SavedFocus saved = std::exchange(saved_focus_, {});
      if (!HIWORD(wp)) give_back_focus(saved);
      return result;
    }
    case WM_ACTIVATEAPP:
      if (activation_) activation_(wp != FALSE);
      break;
    case kPassFocusOn: {
      // Only if nothing took the focus meanwhile, and only while the window
      // is in front: setting the focus would bring it there, taking the
      // keyboard from the program the user is in (the lock's F12 disables a
      // button from inside a game). A window in the background passes its
      // saved focus on when it returns.
      const std::optional<ControlId> from = std::exchange(pass_focus_from_, std::nullopt);
      const HWND focus = GetFocus();
      if (from && (!focus || focus == main_) && GetForegroundWindow() == main_)
        give_focus(model_.next_focus(*from, false));
      return 0;
    }
    case WM_SYSCOMMAND: {
      const UINT command = static_cast<UINT>(wp) & 0xFFF0;
      if (command >= kFirstMenuCommand && command < menu_command(kMenuItems)) {
        // Chosen in the menu, on this thread; one sent from another thread
        // could only be another program's.
        if (!(InSendMessageEx(nullptr) & ISMEX_SEND)) sink_->on_menu_item(static_cast<int>((command - kFirstMenuCommand) / 16));
        return 0;
      }
      break;
    }
    case WM_NEXTDLGCTL:
      give_focus(model_.next_focus(focused(), wp != 0));
      return 0;
    case kRunPosted:
      run_posted();
      return 0;
    case WM_CLOSE:
      if (!sink_->on_close_requested()) return 0;
      DestroyWindow(main_);
      return 0;
    case WM_DESTROY: {
      filter_modal_loops(false);
      const std::lock_guard lock(posted_mutex_);
      posted_to_ = nullptr;  // a window handle may be given again to another window
      destroyed_ = true;
      PostQuitMessage(0);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(main_, msg, wp, lp);
}

// The focus, as the keyboard gives it: an edit box's whole text selected.
void Win32Ui::give_focus(std::optional<ControlId> id) {
  if (!id) {
    SetFocus(main_);
    return;
  }
  const HWND h = controls_.at(static_cast<std::size_t>(*id)).hwnd;
  SetFocus(h);
  if (model_.spec(*id).kind == Kind::kEdit) SendMessageW(h, EM_SETSEL, 0, -1);
}

Win32Ui::SavedFocus Win32Ui::focus_now() const {
  const std::optional<ControlId> id = focused();
  if (!id) return {};
  return {id, IsWindowVisible(controls_[static_cast<std::size_t>(*id)].hwnd) != FALSE};
}

void Win32Ui::give_back_focus(const SavedFocus& saved) {
  if (!saved.control) return;
  const std::optional<ControlId> to = model_.focus_on_return(*saved.control, saved.shown);
  if (to == saved.control) {
    SetFocus(controls_[static_cast<std::size_t>(*to)].hwnd);
  } else {
    give_focus(to);
  }
}

// Ctrl+Tab and its kin, as in Windows' tabbed dialogs. A hidden or disabled
// tab control switches nothing (the positioning test hides it during a
// run): false then, and the key goes on.
bool Win32Ui::switch_page(bool backwards) {
  const std::optional<WindowModel::PageSwitch> to = model_.page_switch(backwards);
  if (!to) return false;
  if (to->page == model_.page(to->tab)) return true;
  const HWND tab = controls_[static_cast<std::size_t>(to->tab)].hwnd;
  // The notifications a click on the tab sends, so the change takes the same path.
  NMHDR notice{tab, static_cast<UINT_PTR>(to->tab), static_cast<UINT>(TCN_SELCHANGING)};
  if (SendMessageW(main_, WM_NOTIFY, notice.idFrom, reinterpret_cast<LPARAM>(&notice))) return true;  // refused
  SendMessageW(tab, TCM_SETCURSEL, static_cast<WPARAM>(to->page), 0);
  notice.code = static_cast<UINT>(TCN_SELCHANGE);
  SendMessageW(main_, WM_NOTIFY, notice.idFrom, reinterpret_cast<LPARAM>(&notice));
  if (to->focus) give_focus(to->focus);
  return true;
}

// Keyboard handling before a key message is translated and dispatched: what
// the form's keys do (Esc, Tab, Ctrl+Tab and their kin), then the focused
// control's key handler, which may swallow the key, and Enter acting on a
// focused button.
bool Win32Ui::pre_translate(MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  if (msg.hwnd != main_ && GetAncestor(msg.hwnd, GA_ROOT) != main_) return false;
  const int key = static_cast<int>(msg.wParam);
  const int modifiers = current_modifiers();

  // Without a focused control keys come as system keys; what the message
  // says of Alt counts.
  switch (key_action(model_.form(), key, modifiers | ((HIWORD(msg.lParam) & KF_ALTDOWN) ? kAlt : 0))) {
    case KeyAction::kClose:
      PostMessageW(main_, WM_CLOSE, 0, 0);
      return true;
    case KeyAction::kFocusNext:
    case KeyAction::kFocusPrevious:
      give_focus(model_.next_focus(focused(), (modifiers & kShift) != 0));
      return true;
    case KeyAction::kNextPage:
      if (switch_page(false)) return true;
      break;
    case KeyAction::kPreviousPage:
      if (switch_page(true)) return true;
      break;
    case KeyAction::kNone:
      break;
  }
  const std::optional<ControlId> id = id_of(msg.hwnd);
  // A key that an input method took all the same comes as VK_PROCESSKEY:
  // the program is told the key itself, with its own time. The toolkit's
  // keys above stay the input method's (Esc ends its composition).
  const int pressed = key == VK_PROCESSKEY ? static_cast<int>(ImmGetVirtualKey(msg.hwnd)) : key;
  const Tick pressed_at = input_time(pressed, static_cast<LONG>(msg.time));
  const bool passed = sink_->on_key_down(id.value_or(kMainWindow), pressed, modifiers, pressed_at);
  // Alt+F4 and Alt+Space always reach the window: closing and the system menu.
  const bool system_key = (modifiers & kAlt) && (key == VK_F4 || key == VK_SPACE);
  if (!passed && !system_key) return true;

  // Space clicks a button as it comes up (see handle_control), at the time
  // of the press that pushed it, not of a repeat.
  if (key == VK_SPACE && id && msg.message == WM_KEYDOWN && !(HIWORD(msg.lParam) & KF_REPEAT) &&
      model_.spec(*id).kind == Kind::kButton)
    space_press_ = SpacePress{msg.hwnd, pressed_at};

  if (key == VK_RETURN && id && msg.message == WM_KEYDOWN) {
    const ControlSpec& s = model_.spec(*id);
    if (s.kind == Kind::kButton) {
      const auto outer_at = std::exchange(click_at_, pressed_at);
      SendMessageW(main_, WM_COMMAND, MAKEWPARAM(*id, BN_CLICKED), reinterpret_cast<LPARAM>(msg.hwnd));
      click_at_ = outer_at;
      return true;
    }
    if (s.kind == Kind::kEdit && !(s.flags & kMultiLine)) return true;  // nothing to do, no beep
  }
  return false;
}

// Whether the program keeps a key message from the window: asked of every
// key going down or up in our windows, before anything acts on it.
bool Win32Ui::withheld_key(const MSG& msg) {
  const HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  if (msg.hwnd != main_ && root != main_ && !(scene_ && root == scene_)) return false;
  return kept_from_window(msg);
}

bool Win32Ui::kept_from_window(const MSG& msg) {
  const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
  if (!down && msg.message != WM_KEYUP && msg.message != WM_SYSKEYUP) return false;
  const int key = msg.wParam == VK_PROCESSKEY ? static_cast<int>(ImmGetVirtualKey(msg.hwnd)) : static_cast<int>(msg.wParam);
  const WORD info = HIWORD(msg.lParam);
  const std::uint32_t flags = (down ? 0 : input::kKeyUp) | ((info & KF_EXTENDED) ? input::kKeyExtended : 0);
  return !sink_->on_key_message({key, flags, static_cast<std::uint32_t>(msg.time), LOBYTE(info)});
}

namespace {
thread_local Win32Ui* t_filtered = nullptr;  // the toolkit of this thread, while it filters
}  // namespace

// Windows' own modal loops on this thread (message boxes, dialogs, menus,
// the system menu's among them) take its messages themselves and show each
// to this filter first: the program is asked about their keys as about the
// window's. Nonzero: the loop drops the message.
LRESULT CALLBACK Win32Ui::modal_filter(int code, WPARAM wp, LPARAM lp) {
  const bool modal = code == MSGF_DIALOGBOX || code == MSGF_MESSAGEBOX || code == MSGF_MENU;
  if (modal && t_filtered && t_filtered->kept_from_window(*reinterpret_cast<const MSG*>(lp))) return 1;
  return CallNextHookEx(nullptr, code, wp, lp);
}

void Win32Ui::filter_modal_loops(bool on) {
  if (on && !modal_filter_) {
    t_filtered = this;
    modal_filter_ = SetWindowsHookExW(WH_MSGFILTER, modal_filter, nullptr, GetCurrentThreadId());
  } else if (!on && modal_filter_) {
    UnhookWindowsHookEx(std::exchange(modal_filter_, nullptr));
    t_filtered = nullptr;
  }
}

// The time of a key press or button release: see PressTimes.
Tick Win32Ui::input_time(int code, LONG message_time) {
  return press_times_.time_of(code, static_cast<std::int32_t>(message_time), SystemClock().tick_ms());
}

void Win32Ui::dispatch(MSG& msg) {
  // A quit is the window's end, posted as it is destroyed; one from anyone
  // else means nothing. The hints' own messages come only from this thread,
  // sent: posted, they are someone else's (see hint_proc).
  if (msg.message == WM_QUIT || (private_message(msg.message) && is_hint_window(msg.hwnd))) return;
  if (withheld_key(msg) || pre_translate(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

int Win32Ui::run() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) >= 0 && !(msg.message == WM_QUIT && destroyed_)) dispatch(msg);
  return 0;
}

void Win32Ui::process_pending_messages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    if (msg.message == WM_QUIT && destroyed_) return;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    dispatch(msg);
  }
}

}  // namespace tapvero::widgets
