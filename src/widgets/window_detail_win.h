// What the Win32 toolkit's files share among themselves.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "widgets/form.h"
#include "widgets/ui.h"

namespace tapvero::widgets::detail {

constexpr wchar_t kWindowClass[] = L"TapveroWindow";
// The toolkit's own messages to the main window. They carry nothing (what
// they are about waits in the toolkit): any program can send any window
// these numbers with any arguments.
// Posted when a focused control was disabled.
constexpr UINT kPassFocusOn = WM_APP + 1;
// Posted when tasks are waiting for the window's thread.
constexpr UINT kRunPosted = WM_APP + 2;

// The numbers programs give their own messages (WM_USER up to the
// registered ones). A system control takes pointers in some of its own.
inline bool private_message(UINT msg) { return msg >= WM_USER && msg < 0xC000; }

constexpr UINT_PTR kSubclassId = 1;

// The object a window of ours belongs to: the creation's parameter, kept
// in the window's user data from its first message on.
template <typename T>
T* owner_of(HWND hwnd, UINT msg, LPARAM lp) {
  if (msg == WM_NCCREATE)
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<const CREATESTRUCTW*>(lp)->lpCreateParams));
  return reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

constexpr wchar_t kSceneClass[] = L"TapveroScene";
// The program's items of the system menu, as commands: below the system's
// own (0xF000 on), with the low four bits clear, as Windows asks.
constexpr UINT kFirstMenuCommand = 0x1000;
constexpr int kMenuItems = 256;
inline UINT menu_command(int item) { return kFirstMenuCommand + static_cast<UINT>(item) * 16; }

inline std::wstring wide(std::u16string_view s) {
  return std::wstring(reinterpret_cast<const wchar_t*>(s.data()), s.size());
}

inline COLORREF colorref(Color c) { return RGB(c.red, c.green, c.blue); }

inline int current_modifiers() {
  int m = 0;
  if (GetKeyState(VK_CONTROL) < 0) m |= kCtrl;
  if (GetKeyState(VK_SHIFT) < 0) m |= kShift;
  if (GetKeyState(VK_MENU) < 0) m |= kAlt;
  return m;
}

inline Point point_of(LPARAM lp) { return {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))}; }

}  // namespace tapvero::widgets::detail
