// What the Win32 toolkit's files share among themselves.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "widgets/form.h"
#include "widgets/ui.h"

namespace tapvero::widgets::detail {

constexpr wchar_t kWindowClass[] = L"TapveroWindow";
// Posted to the main window when a focused control was disabled; wParam is
// the control.
constexpr UINT kPassFocusOn = WM_APP + 1;
// Posted to the main window when tasks are waiting for its thread.
constexpr UINT kRunPosted = WM_APP + 2;
constexpr UINT_PTR kSubclassId = 1;

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
