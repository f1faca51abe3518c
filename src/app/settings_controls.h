// The settings between the file and the window: the loaded value goes into
// the controls (each setting's control as form::control_of gives it), and
// each save reads the controls of its settings into the value and saves
// those. A save that fails says so; the session keeps the new
// values all the same.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "storage/file_store.h"
#include "storage/settings.h"
#include "widgets/ui.h"

namespace tapvero::app {

class SettingsControls {
 public:
  // The codes of the two trigger keys, together.
  using KeysChanged = std::function<void(std::int32_t z_key_code, std::int32_t x_key_code)>;

  // `keys_changed` hears of the trigger keys as loaded and as each save
  // reads them from the controls, before the file is written (which may
  // wait for the file, or end in a message box).
  SettingsControls(widgets::Ui& ui, storage::FileStore& files, std::function<std::u16string()> config_path,
                   KeysChanged keys_changed);

  // The settings as the session has them: loaded, then as last saved.
  const storage::Settings& value() const { return value_; }

  // The created handler's first step.
  void load();
  // 按钮1 ("保存" in the key settings).
  void save_key_settings();
  // 按钮2 ("保存" in the stage setting): a stage below 1 is refused with a
  // message box, and the box reset to the default.
  void save_stage_setting();
  // The start of a positioning run.
  void save_windowed_mode();
  // The history switch of the system menu: on or off for the session, and
  // its one key saved.
  void save_history_switch(bool on);

 private:
  std::string gbk_text(widgets::ControlId id) const;
  // Reads the controls of the settings `group` writes into the value.
  void take_controls(storage::SaveGroup group);
  void report(bool saved);

  widgets::Ui& ui_;
  const storage::SettingsFile file_;
  const KeysChanged keys_changed_;
  storage::Settings value_;
};

}  // namespace tapvero::app
