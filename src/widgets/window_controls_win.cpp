// What the controls do with their own messages: button releases reported
// (a button's click with the release's time), the edit boxes' filters, and
// the group boxes' insides.
#include <windows.h>  // first: before <commctrl.h>
// clang-format off: the order above matters
#include <commctrl.h>
// clang-format on

#include <string>
#include <utility>

#include "widgets/window_detail_win.h"
#include "widgets/window_win.h"

namespace tapvero::widgets {

using namespace detail;

namespace {

// Keeps only what an integer-only box accepts.
std::wstring integer_characters(const std::wstring& s) {
  std::wstring out;
  for (wchar_t c : s) {
    if ((c >= L'0' && c <= L'9') || c == L'-') out += c;
  }
  return out;
}

std::wstring clipboard_text(HWND owner) {
  std::wstring text;
  if (!OpenClipboard(owner)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = p;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

}  // namespace

LRESULT CALLBACK Win32Ui::control_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<Win32Ui*>(data);
  const std::optional<ControlId> id = self->id_of(hwnd);
  if (!id) return DefSubclassProc(hwnd, msg, wp, lp);
  return self->handle_control(*id, msg, wp, lp);
}

LRESULT Win32Ui::handle_control(ControlId id, UINT msg, WPARAM wp, LPARAM lp) {
  const ControlSpec& s = model_.spec(id);
  const HWND h = controls_[static_cast<std::size_t>(id)].hwnd;
  switch (msg) {
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      const Tick released_at = input_time(msg == WM_LBUTTONUP ? input::kLeftRelease : input::kRightRelease, GetMessageTime());
      if (!sink_->on_button_up(id, msg == WM_LBUTTONUP ? MouseButton::kLeft : MouseButton::kRight, point_of(lp),
                               current_modifiers(), released_at))
        return 0;
      if (msg == WM_RBUTTONUP) break;
      // A button reports its click while it handles the release.
      const HWND outer = std::exchange(mouse_release_, h);
      const auto outer_at = std::exchange(click_at_, released_at);
      const LRESULT result = DefSubclassProc(h, msg, wp, lp);
      mouse_release_ = outer;
      click_at_ = outer_at;
      return result;
    }
    case WM_KEYUP:
      if (wp == VK_SPACE && space_press_ && space_press_->button == h) {
        // A button reports Space's click while it handles the key's release.
        const auto outer_at = std::exchange(click_at_, std::exchange(space_press_, std::nullopt)->at);
        const LRESULT result = DefSubclassProc(h, msg, wp, lp);
        click_at_ = outer_at;
        return result;
      }
      break;
    case WM_MOUSEMOVE:
      if (!sink_->on_mouse_move(id, point_of(lp), current_modifiers())) return 0;
      break;
    case WM_CHAR:
      if (s.flags & kReadOnlyInput) return 0;
      if ((s.flags & kIntegerOnly) && wp >= 0x20 && !((wp >= L'0' && wp <= L'9') || wp == L'-')) {
        MessageBeep(MB_OK);
        return 0;
      }
      break;
    case WM_KEYDOWN:
      // Delete edits without a character message.
      if ((s.flags & kReadOnlyInput) && wp == VK_DELETE) return 0;
      break;
    case WM_IME_CHAR:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
      if (s.flags & kReadOnlyInput) return 0;
      break;
    case WM_PASTE:
      if (s.flags & kReadOnlyInput) return 0;
      if (s.flags & kIntegerOnly) {
        const std::wstring kept = integer_characters(clipboard_text(h));
        SendMessageW(h, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(kept.c_str()));
        return 0;
      }
      break;
    case WM_ERASEBKGND:
      if (s.kind == Kind::kGroupBox) {
        // A group box paints only its frame and caption; its inside is the
        // page's background, or the window's colour off the pages.
        RECT r{};
        GetClientRect(h, &r);
        FillRect(reinterpret_cast<HDC>(wp), &r,
                 s.page >= 0 && page_brush_ ? static_cast<HBRUSH>(page_brush_.get()) : GetSysColorBrush(COLOR_BTNFACE));
        return 1;
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(h, control_proc, kSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(h, msg, wp, lp);
}

}  // namespace tapvero::widgets
