// Start-up: the main window, its message loop, and the exit.
#include <windows.h>

#include "app/main_window.h"
#include "form/main_form.h"
#include "input/hook_installer_win.h"
#include "input/input_thread_win.h"
#include "input/press_stamper_win.h"
#include "positioning_test/window_services_win.h"
#include "record/history.h"
#include "storage/config_keys.h"
#include "storage/file_store.h"
#include "widgets/window_win.h"

namespace {

// The lock's own key, spelled out on the portable side.
static_assert(tapvero::alternation_lock::kF12 == VK_F12);

// The running executable's full path.
std::u16string module_path() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return std::u16string(reinterpret_cast<const char16_t*>(path.data()), path.size());
}

// Whether a window of this program has the keyboard: Windows may call no
// low-level hook of ours for its keys.
bool own_window_in_front() {
  DWORD process = 0;
  GetWindowThreadProcessId(GetForegroundWindow(), &process);
  return process == GetCurrentProcessId();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  using namespace tapvero;
  // The input thread: key presses and clicks are timed there as they
  // happen, and the alternation lock's hook lives there, so that
  // no key of the desktop ever waits for the window. It outlives the window
  // and stops at the exit.
  input::PressStamps stamps;
  input::Win32InputThread input_thread;
  input::PressStamper press_stamper(stamps);
  input_thread.run([&] { press_stamper.listen(input_thread.hwnd()); });
  widgets::Win32Ui ui(instance, form::main_form());
  if (press_stamper.running()) ui.take_input_times_from(&stamps, press_stamper.scale());
  base::SystemClock clock;
  positioning_test::Win32WindowServices window_services([&ui] { ui.process_pending_messages(); });
  input::Win32HookInstaller hooks;
  app::MainWindow program({ui, clock, storage::system_file_store(),
                           [] { return storage::config_path_for(module_path()); }, window_services, hooks, input_thread,
                           record::history_path_for(module_path())});
  alternation_lock::KeyLock& lock = program.key_lock();
  // Raw input as far as it is needed: see PressStamper.
  ui.on_activation([&](bool active) { input_thread.run([&] { press_stamper.set_program_active(active); }); });
  input_thread.run([&] {
    lock.when_watching([&](bool needed) { press_stamper.set_hook_watched(needed); });
    input_thread.route_raw_input_to([&](HRAWINPUT handle) {
      const std::optional<RAWINPUT> raw = input::read_raw_input(handle);
      if (!raw) return;
      press_stamper.stamp(*raw);
      if (const std::optional<input::KeyEvent> key = input::key_press_of(*raw))
        lock.raw_input_press(*key, own_window_in_front());
    });
  });
  const int result = ui.create(program, show) ? ui.run() : 1;
  input_thread.run([&] {
    press_stamper.stop_listening();
    lock.when_watching(nullptr);
    input_thread.route_raw_input_to(nullptr);
  });
  input_thread.stop();
  return result;
}
