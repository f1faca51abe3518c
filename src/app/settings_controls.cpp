#include "app/settings_controls.h"

#include "form/main_form.h"
#include "text/encoding.h"
#include "text/gbk.h"

namespace tapvero::app {

using namespace form;
using storage::SaveGroup;
using storage::Settings;

SettingsControls::SettingsControls(widgets::Ui& ui, storage::FileStore& files,
                                   std::function<std::u16string()> config_path, KeysChanged keys_changed)
    : ui_(ui), file_(files, std::move(config_path)), keys_changed_(std::move(keys_changed)) {}

std::string SettingsControls::gbk_text(widgets::ControlId id) const { return text::utf16_to_gbk(ui_.text(id)); }

void SettingsControls::report(bool saved) {
  if (!saved) ui_.message_box(u"设置保存失败！无法写入Config.ini", u"错误", widgets::Icon::kError);
}

void SettingsControls::load() {
  value_ = file_.load();
  keys_changed_(value_.z_key_code, value_.x_key_code);
  for (const storage::Setting& row : storage::kSettings) {
    if (row.group == SaveGroup::kHistory) continue;  // no control: the system menu asks for it
    if (const auto* text_field = std::get_if<std::string Settings::*>(&row.field)) {
      ui_.set_text(control_of(row.field), text::gbk_to_utf16(value_.*(*text_field)));
    } else {
      ui_.set_ticked(control_of(row.field), value_.*std::get<bool Settings::*>(row.field));
    }
  }
}

void SettingsControls::take_controls(SaveGroup group) {
  for (const storage::Setting& row : storage::kSettings) {
    if (!row.written_by(group, value_)) continue;
    if (const auto* text_field = std::get_if<std::string Settings::*>(&row.field)) {
      value_.*(*text_field) = gbk_text(control_of(row.field));
    } else {
      value_.*std::get<bool Settings::*>(row.field) = ui_.ticked(control_of(row.field));
    }
  }
  // The codes come from the names as typed; the file stores them lower-cased.
  value_.update_key_codes();
}

void SettingsControls::save_key_settings() {
  take_controls(SaveGroup::kKeySettings);
  keys_changed_(value_.z_key_code, value_.x_key_code);
  report(file_.save(value_, SaveGroup::kKeySettings));
}

void SettingsControls::save_stage_setting() {
  if (text::text_to_int(gbk_text(编辑框_阶段)) < 1) {
    ui_.message_box(u"连击阶段必须大于等于1", u"非法", widgets::Icon::kError);
    ui_.set_text(编辑框_阶段, text::gbk_to_utf16(storage::kDefaultStage));
    ui_.select_all(编辑框_阶段);
    ui_.focus(编辑框_阶段);
    return;
  }
  take_controls(SaveGroup::kStageSetting);
  report(file_.save(value_, SaveGroup::kStageSetting));
}

void SettingsControls::save_windowed_mode() {
  take_controls(SaveGroup::kWindowedMode);
  report(file_.save(value_, SaveGroup::kWindowedMode));
}

void SettingsControls::save_history_switch(bool on) {
  value_.history = on;
  report(file_.save(value_, SaveGroup::kHistory));
}

}  // namespace tapvero::app
