// The scene window: a top-level window owned by the main window that draws
// a Scene with GDI, through a bitmap of its own so that it never flickers,
// at its display's resolution.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "widgets/window_detail_win.h"
#include "widgets/window_win.h"

namespace tapvero::widgets {

using namespace detail;

namespace {

constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT kFrameMs = 16;
constexpr int kLogicalDpi = 96;

// Windows' ways of telling a window's resolution, where it has them (10
// 1607 and later); without them every window is scaled by the system as a
// whole and draws at 96 DPI.
using AwarenessContext = HANDLE;
const auto kPerMonitorAwareV2 = reinterpret_cast<AwarenessContext>(static_cast<INT_PTR>(-4));
const auto kPerMonitorAware = reinterpret_cast<AwarenessContext>(static_cast<INT_PTR>(-3));
struct DpiFunctions {
  AwarenessContext(WINAPI* set_thread_awareness)(AwarenessContext) = nullptr;
  UINT(WINAPI* dpi_for_window)(HWND) = nullptr;

  DpiFunctions() {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (!user32) return;
    load(user32, "SetThreadDpiAwarenessContext", set_thread_awareness);
    load(user32, "GetDpiForWindow", dpi_for_window);
  }
  template <typename F>
  static void load(HMODULE module, const char* name, F& f) {
    f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  }
};
const DpiFunctions& dpi_functions() {
  static const DpiFunctions f;
  return f;
}

// The thread's awareness for what it creates and measures while this lives.
class AwareThread {
 public:
  AwareThread() {
    if (const auto set = dpi_functions().set_thread_awareness) {
      old_ = set(kPerMonitorAwareV2);
      if (!old_) old_ = set(kPerMonitorAware);
    }
  }
  ~AwareThread() {
    if (old_) dpi_functions().set_thread_awareness(old_);
  }
  AwareThread(const AwareThread&) = delete;
  AwareThread& operator=(const AwareThread&) = delete;

 private:
  AwarenessContext old_ = nullptr;
};

int px(float logical, double scale) { return static_cast<int>(std::lround(logical * scale)); }

}  // namespace

void Win32Ui::open_scene_window(std::u16string_view title, Size logical_size, SceneSink& sink) {
  if (scene_) {
    if (IsIconic(scene_)) ShowWindow(scene_, SW_RESTORE);
    SetForegroundWindow(scene_);
    return;
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(instance_, kSceneClass, &wc)) {
    GetClassInfoExW(instance_, kWindowClass, &wc);  // the program's icons and cursor
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = scene_proc;
    wc.hbrBackground = nullptr;  // painted whole, in one go
    wc.lpszClassName = kSceneClass;
    if (!RegisterClassExW(&wc)) return;
  }
  scene_sink_ = &sink;
  scene_opening_ = true;
  {
    // Created, measured and placed in the display's own pixels: the main
    // window's rectangle read here is its real one too.
    const AwareThread aware;
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    if (!CreateWindowExW(0, kSceneClass, wide(title).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, main_,
                         nullptr, instance_, this)) {
      scene_sink_ = nullptr;
      scene_opening_ = false;
      return;
    }
    // The frame around the wanted client area, as the window has it (the
    // system's sums of frame metrics need not match a frame drawn otherwise).
    const double scale = scene_scale();
    const SIZE client{px(static_cast<float>(logical_size.width), scale), px(static_cast<float>(logical_size.height), scale)};
    RECT outer{}, inner{};
    GetWindowRect(scene_, &outer);
    GetClientRect(scene_, &inner);
    // Centred on the main window, within the work area of its display
    // (smaller than asked where that is smaller).
    RECT owner{};
    GetWindowRect(main_, &owner);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(main_, MONITOR_DEFAULTTONEAREST), &monitor))
      SystemParametersInfoW(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
    const RECT& work = monitor.rcWork;
    const int w = std::min<int>(client.cx + (outer.right - outer.left) - inner.right, work.right - work.left);
    const int h = std::min<int>(client.cy + (outer.bottom - outer.top) - inner.bottom, work.bottom - work.top);
    const int x = std::clamp<int>((owner.left + owner.right - w) / 2, work.left, work.right - w);
    const int y = std::clamp<int>((owner.top + owner.bottom - h) / 2, work.top, work.bottom - h);
    SetWindowPos(scene_, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  scene_opening_ = false;
  SetTimer(scene_, kFrameTimer, kFrameMs, nullptr);
  report_scene_size();
  ShowWindow(scene_, SW_SHOWNORMAL);
  SetForegroundWindow(scene_);
}

void Win32Ui::show_scene(Scene scene) {
  if (!scene_) return;
  scene_shown_ = std::move(scene);
  InvalidateRect(scene_, nullptr, FALSE);
}

void Win32Ui::close_scene_window() {
  if (scene_) DestroyWindow(scene_);
}

double Win32Ui::scene_scale() const {
  const auto dpi_for = dpi_functions().dpi_for_window;
  const UINT dpi = dpi_for && scene_ ? dpi_for(scene_) : 0;
  return (dpi ? dpi : kLogicalDpi) / static_cast<double>(kLogicalDpi);
}

void Win32Ui::report_scene_size() {
  if (!scene_sink_ || scene_opening_ || IsIconic(scene_)) return;
  RECT r{};
  GetClientRect(scene_, &r);
  const double scale = scene_scale();
  scene_sink_->on_scene_size({static_cast<int>(std::lround(r.right / scale)),
                              static_cast<int>(std::lround(r.bottom / scale))});
}

LRESULT CALLBACK Win32Ui::scene_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = owner_of<Win32Ui>(hwnd, msg, lp);
  if (self && msg == WM_NCCREATE) self->scene_ = hwnd;
  if (!self || hwnd != self->scene_) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->handle_scene(msg, wp, lp);
}

LRESULT Win32Ui::handle_scene(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = BeginPaint(scene_, &ps);
      RECT r{};
      GetClientRect(scene_, &r);
      const SIZE size{r.right, r.bottom};
      if (size.cx > 0 && size.cy > 0) {
        const HDC buffer = CreateCompatibleDC(dc);
        const GdiObject bitmap(CreateCompatibleBitmap(dc, size.cx, size.cy));
        if (buffer && bitmap) {
          const HGDIOBJ old = SelectObject(buffer, bitmap.get());
          paint_scene(buffer, size);
          BitBlt(dc, 0, 0, size.cx, size.cy, buffer, 0, 0, SRCCOPY);
          SelectObject(buffer, old);
        }
        if (buffer) DeleteDC(buffer);
      }
      EndPaint(scene_, &ps);
      return 0;
    }
    case WM_SIZE:
      if (wp != SIZE_MINIMIZED) report_scene_size();
      return 0;
    case 0x02E0: {  // WM_DPICHANGED: the size Windows suggests for the new resolution
      const auto* suggested = reinterpret_cast<const RECT*>(lp);
      scene_fonts_.clear();
      SetWindowPos(scene_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      report_scene_size();
      return 0;
    }
    case WM_GETMINMAXINFO: {
      const double scale = scene_scale();
      auto* info = reinterpret_cast<MINMAXINFO*>(lp);
      info->ptMinTrackSize = {px(320, scale), px(240, scale)};
      return 0;
    }
    case WM_TIMER:
      if (wp == kFrameTimer && scene_sink_) scene_sink_->on_scene_frame();
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_ESCAPE) {
        PostMessageW(scene_, WM_CLOSE, 0, 0);
      } else if (scene_sink_) {
        scene_sink_->on_scene_key(static_cast<int>(wp));
      }
      return 0;
    case WM_LBUTTONUP: {
      const double scale = scene_scale();
      const Point at = point_of(lp);
      const PointF logical{static_cast<float>(at.x / scale), static_cast<float>(at.y / scale)};
      if (const std::optional<int> id = scene_shown_.target_at(logical); id && scene_sink_)
        scene_sink_->on_scene_target(*id);
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(scene_);
      return 0;
    case WM_DESTROY: {
      KillTimer(scene_, kFrameTimer);
      scene_ = nullptr;
      scene_shown_ = {};
      scene_fonts_.clear();
      if (SceneSink* sink = std::exchange(scene_sink_, nullptr)) sink->on_scene_closed();
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(scene_, msg, wp, lp);
}

// In the form's face and the GB2312 character set, so that Chinese shows
// whatever code page Windows runs with.
HFONT Win32Ui::scene_font(int pixels, bool bold) {
  GdiObject& slot = scene_fonts_[{pixels, bold}];
  if (!slot) {
    LOGFONTW lf{};
    lf.lfHeight = -pixels;  // the character height
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = GB2312_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    if (const char16_t* face = model_.form().default_font.face) lstrcpynW(lf.lfFaceName, wide(face).c_str(), LF_FACESIZE);
    slot = GdiObject(CreateFontIndirectW(&lf));
  }
  return static_cast<HFONT>(slot.get());
}

void Win32Ui::paint_scene(HDC dc, SIZE pixels) {
  const double scale = scene_scale();
  const GdiObject background(CreateSolidBrush(colorref(scene_shown_.background)));
  const RECT all{0, 0, pixels.cx, pixels.cy};
  FillRect(dc, &all, static_cast<HBRUSH>(background.get()));
  SetBkMode(dc, TRANSPARENT);
  std::vector<POINT> points;
  for (const Scene::Item& item : scene_shown_.items) {
    if (const auto* fill = std::get_if<Scene::Fill>(&item)) {
      const RECT r{px(fill->rect.left, scale), px(fill->rect.top, scale), px(fill->rect.left + fill->rect.width, scale),
                   px(fill->rect.top + fill->rect.height, scale)};
      const GdiObject brush(CreateSolidBrush(colorref(fill->color)));
      FillRect(dc, &r, static_cast<HBRUSH>(brush.get()));
    } else if (const auto* line = std::get_if<Scene::Polyline>(&item)) {
      if (line->points.size() < 2) continue;
      points.clear();
      for (const PointF p : line->points) points.push_back({px(p.x, scale), px(p.y, scale)});
      const LOGBRUSH brush{BS_SOLID, colorref(line->color), 0};
      const int width = px(line->width, scale) < 1 ? 1 : px(line->width, scale);
      const GdiObject pen(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                                       static_cast<DWORD>(width), &brush, 0, nullptr));
      const HGDIOBJ old = SelectObject(dc, pen.get());
      Polyline(dc, points.data(), static_cast<int>(points.size()));
      SelectObject(dc, old);
    } else if (const auto* text = std::get_if<Scene::Text>(&item)) {
      const int size = px(text->size, scale) < 1 ? 1 : px(text->size, scale);
      const HGDIOBJ old = SelectObject(dc, scene_font(size, text->bold));
      SetTextColor(dc, colorref(text->color));
      SetTextAlign(dc, TA_TOP | TA_NOUPDATECP |
                           (text->align == Align::kCenter  ? TA_CENTER
                            : text->align == Align::kRight ? TA_RIGHT
                                                           : TA_LEFT));
      const std::wstring s = wide(text->text);
      TextOutW(dc, px(text->at.x, scale), px(text->at.y, scale), s.c_str(), static_cast<int>(s.size()));
      SelectObject(dc, old);
    }
  }
}

}  // namespace tapvero::widgets
