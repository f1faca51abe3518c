// The whole program in memory, as the native program tests drive it: the
// window, the files, the keyboard and the window services are the test's,
// and one clock the test sets serves the program and its waits. Only tests
// that link the program include it.
#pragma once

#include <string>
#include <vector>

#include "app/main_window.h"
#include "form/main_form.h"
#include "support/fake_keyboard.h"
#include "support/fake_window_services.h"
#include "support/manual_clock.h"
#include "support/memory_file_store.h"
#include "support/memory_ui.h"

namespace tapvero::test {

inline const std::u16string kConfigPath = u"C:\\Tapvero\\Config.ini";
inline const std::u16string kHistoryPath = u"C:\\Tapvero\\History.csv";

struct ProgramHarness {
  // Keys that reach our own window go to the program as the toolkit hands
  // them over: it may keep one from the window; a key-down then goes to
  // the focused control, or to a message box while one is shown.
  ProgramHarness() {
    keyboard.own_window = [this](const input::KeyEvent& e) {
      if (!window.on_key_message(e)) return true;
      if (e.released()) return false;
      if (ui.boxes_shown > 0) {
        box_keys.push_back(e.key_code);
      } else {
        window.on_key_down(ui.focused().value_or(form::主窗口), e.key_code, 0, clock.now);
      }
      return false;
    };
  }

  ManualClock clock;
  widgets::MemoryUi ui{form::main_form()};
  positioning_test::FakeWindowServices window_services{ui, clock};
  storage::MemoryFileStore files;
  input::FakeKeyboard keyboard;
  input::InlineInputThread input_thread;
  app::MainWindow window{
      {ui, clock, files, [] { return kConfigPath; }, window_services, keyboard, input_thread, kHistoryPath}};

  std::vector<int> box_keys;  // the key-downs our message boxes got

  std::string& config() { return files.files[kConfigPath]; }
};

}  // namespace tapvero::test
