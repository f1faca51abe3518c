#include "input/press_stamper_win.h"

#include <vector>

#include "base/clock_win.h"
#include "input/raw_presses.h"

namespace tapvero::input {
namespace {

// The Windows numbers the portable side spells out for itself.
static_assert(kRawLeftButtonUp == RI_MOUSE_LEFT_BUTTON_UP && kRawRightButtonUp == RI_MOUSE_RIGHT_BUTTON_UP);
static_assert(kInputMethodKey == VK_PROCESSKEY);

Tick tick_now() { return base::SystemClock().tick_ms(); }

// Posts messages to this thread and reads them back for 20 ms, to learn how
// fine the message times are.
MessageTimeScale measure_message_times() {
  std::vector<std::pair<Tick, std::int32_t>> samples;
  const Tick start = tick_now();
  MSG msg;
  while (tick_now() - start < 20 && samples.size() < 100000) {
    PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0);
    if (!PeekMessageW(&msg, nullptr, WM_APP, WM_APP, PM_REMOVE)) break;
    samples.emplace_back(tick_now(), static_cast<std::int32_t>(msg.time));
  }
  return message_time_scale(samples);
}

}  // namespace

bool PressStamper::listen(HWND window) {
  scale_ = measure_message_times();
  window_ = window;
  take(true, true);
  running_ = keyboard_ && mouse_;
  take_what_is_needed();
  return running_;
}

void PressStamper::set_program_active(bool active) {
  active_ = active;
  take_what_is_needed();
}

void PressStamper::set_hook_watched(bool watched) {
  hook_watched_ = watched;
  take_what_is_needed();
}

void PressStamper::take_what_is_needed() {
  if (running_) take(active_ || hook_watched_, active_);
}

void PressStamper::stop_listening() {
  take(false, false);
  running_ = false;
}

void PressStamper::take(bool keyboard, bool mouse) {
  const auto device = [&](USHORT usage, bool wanted) {
    return RAWINPUTDEVICE{1, usage, wanted ? static_cast<DWORD>(RIDEV_INPUTSINK) : RIDEV_REMOVE,
                          wanted ? window_ : nullptr};
  };
  if (keyboard != keyboard_) {
    const RAWINPUTDEVICE d = device(6, keyboard);
    if (RegisterRawInputDevices(&d, 1, sizeof d)) keyboard_ = keyboard;
  }
  if (mouse != mouse_) {
    const RAWINPUTDEVICE d = device(2, mouse);
    if (RegisterRawInputDevices(&d, 1, sizeof d)) mouse_ = mouse;
  }
  // No event waits for a stamp that cannot come.
  stamps_.set_recording(keyboard_, mouse_);
}

std::optional<RAWINPUT> read_raw_input(HRAWINPUT input) {
  RAWINPUT raw{};
  UINT size = sizeof raw;
  if (GetRawInputData(input, RID_INPUT, &raw, &size, sizeof(RAWINPUTHEADER)) == static_cast<UINT>(-1))
    return std::nullopt;
  return raw;
}

std::optional<KeyEvent> key_press_of(const RAWINPUT& raw) {
  if (raw.header.dwType != RIM_TYPEKEYBOARD || (raw.data.keyboard.Flags & RI_KEY_BREAK)) return std::nullopt;
  const USHORT key = raw.data.keyboard.VKey;
  if (key == 0 || key >= 255) return std::nullopt;
  return KeyEvent{key, (raw.data.keyboard.Flags & RI_KEY_E0) ? kKeyExtended : 0, 0, raw.data.keyboard.MakeCode};
}

void PressStamper::stamp(const RAWINPUT& raw) {
  const auto message_time = static_cast<std::int32_t>(GetMessageTime());
  record(raw, message_time, input_stamp(tick_now(), message_time, scale_));
}

void PressStamper::record(const RAWINPUT& raw, std::int32_t message_time, Tick at) {
  if (const std::optional<KeyEvent> key = key_press_of(raw)) {
    stamps_.record(key->key_code, message_time, at);
  } else if (raw.header.dwType == RIM_TYPEMOUSE) {
    const USHORT buttons = raw.data.mouse.usButtonFlags;
    if (buttons & (kRawLeftButtonUp | kRawRightButtonUp)) {
      const ButtonReleases released = button_releases(buttons, GetSystemMetrics(SM_SWAPBUTTON) != 0);
      for (int i = 0; i < released.count; ++i) stamps_.record(released.codes[i], message_time, at);
    }
  }
}

}  // namespace tapvero::input
