#include "app/settings_controls.h"

#include "form/main_form.h"
#include "text/encoding.h"
#include "text/gbk.h"

namespace tapvero::app {

using namespace form;

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
  ui_.set_text(编辑框_Z, text::gbk_to_utf16(value_.z_key));
  ui_.set_ticked(选择框Z, value_.z_on);
  ui_.set_text(编辑框_X, text::gbk_to_utf16(value_.x_key));
  ui_.set_ticked(选择框X, value_.x_on);
  ui_.set_ticked(选择框_鼠标, value_.mouse);
  ui_.set_text(编辑框_阶段, text::gbk_to_utf16(value_.stage));
  ui_.set_ticked(选择框_开启窗口化, value_.windowed);
  ui_.set_text(编辑框_宽, text::gbk_to_utf16(value_.width));
  ui_.set_text(编辑框_高, text::gbk_to_utf16(value_.height));
}

void SettingsControls::save_key_settings() {
  // The codes come from the names as typed; the file stores them lower-cased.
  value_.z_key = gbk_text(编辑框_Z);
  value_.z_key_code = storage::key_code_of(value_.z_key);
  value_.z_on = ui_.ticked(选择框Z);
  value_.x_key = gbk_text(编辑框_X);
  value_.x_key_code = storage::key_code_of(value_.x_key);
  value_.x_on = ui_.ticked(选择框X);
  value_.mouse = ui_.ticked(选择框_鼠标);
  keys_changed_(value_.z_key_code, value_.x_key_code);
  report(file_.save_key_settings(value_));
}

void SettingsControls::save_stage_setting() {
  const std::string stage = gbk_text(编辑框_阶段);
  if (text::text_to_int(stage) < 1) {
    ui_.message_box(u"连击阶段必须大于等于1", u"非法", widgets::Icon::kError);
    ui_.set_text(编辑框_阶段, text::gbk_to_utf16(storage::kDefaultStage));
    ui_.select_all(编辑框_阶段);
    ui_.focus(编辑框_阶段);
    return;
  }
  value_.stage = stage;
  report(file_.save_stage_setting(value_));
}

void SettingsControls::save_windowed_mode() {
  value_.windowed = ui_.ticked(选择框_开启窗口化);
  // Full-screen runs keep the stored size.
  if (value_.windowed) {
    value_.width = gbk_text(编辑框_宽);
    value_.height = gbk_text(编辑框_高);
  }
  report(file_.save_windowed_mode(value_));
}

}  // namespace tapvero::app
