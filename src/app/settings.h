// The program's settings: loaded from Config.ini into the controls and the
// shared values at start, saved by the two save buttons and by the start of
// a positioning run.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/file_store.h"
#include "widgets/ui.h"

namespace tapvero::app {

// Values that the settings give the rest of the program.
struct SharedValues {
  std::int32_t z_key_code = 0;  // the Z slot's virtual-key code, 0 for no key
  std::int32_t x_key_code = 0;
  std::int32_t stage_size = 0;  // hits per stage of the speed test
};

class Settings {
 public:
  // `config_path` gives the settings file's path; it is asked afresh for
  // every read and write.
  Settings(widgets::Ui& ui, FileStore& files, std::function<std::u16string()> config_path, SharedValues& shared);

  // The created handler's first step.
  void load();
  // 按钮1 ("保存" in the key settings).
  void save_key_settings();
  // 按钮2 ("保存" in the stage setting).
  void save_stage_setting();
  // The start of a positioning run: "窗口化", and in windowed mode "宽" and
  // "高" as typed.
  void write_windowed_mode_keys();

 private:
  void write(std::string_view key, std::string_view value);
  std::string box_text(int control) const;  // a control's text in GBK
  std::int32_t box_integer(int control) const;

  widgets::Ui& ui_;
  FileStore& files_;
  std::function<std::u16string()> config_path_;
  SharedValues& shared_;
};

}  // namespace tapvero::app
