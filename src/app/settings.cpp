#include "app/settings.h"

#include <optional>

#include "app/main_form.h"
#include "app/settings_file.h"
#include "input/key_names.h"
#include "text/encoding.h"
#include "text/gbk.h"

namespace tapvero::app {
namespace {

// The section and keys in GBK, as the file stores them.
constexpr std::string_view kSection = "Tapvero";
constexpr std::string_view kZKey = "Z";
constexpr std::string_view kZOnKey = "\xBF\xAA\xC6\xF4Z\xBC\xFC";  // 开启Z键
constexpr std::string_view kXKey = "X";
constexpr std::string_view kXOnKey = "\xBF\xAA\xC6\xF4X\xBC\xFC";      // 开启X键
constexpr std::string_view kMouseKey = "\xCA\xF3\xB1\xEA";             // 鼠标
constexpr std::string_view kStageKey = "\xBD\xD7\xB6\xCE";             // 阶段
constexpr std::string_view kWindowedKey = "\xB4\xB0\xBF\xDA\xBB\xAF";  // 窗口化
constexpr std::string_view kWidthKey = "\xBF\xED";                     // 宽
constexpr std::string_view kHeightKey = "\xB8\xDF";                    // 高
constexpr std::string_view kTrue = "\xD5\xE6";                         // 真
constexpr std::string_view kFalse = "\xBC\xD9";                        // 假
constexpr std::string_view kKeySuffix = "\xBC\xFC";                    // 键

std::string_view truth(bool value) { return value ? kTrue : kFalse; }

std::int32_t key_code_of(std::string_view name) {
  return input::key_code_from_name(std::string(name) + std::string(kKeySuffix));
}

// Gives every read the bytes of the first: the load sees one version of
// the file, and waits at most once for a file that another program holds.
class ReadOnce final : public FileStore {
 public:
  explicit ReadOnce(FileStore& files) : files_(files) {}
  ReadResult read(const std::u16string& path) override {
    if (!path_ || *path_ != path) {
      result_ = files_.read(path);
      path_ = path;
    }
    return result_;
  }
  bool update(const std::u16string&, const Change&) override { return false; }

 private:
  FileStore& files_;
  std::optional<std::u16string> path_;
  ReadResult result_;
};

}  // namespace

Settings::Settings(widgets::Ui& ui, FileStore& files, std::function<std::u16string()> config_path, SharedValues& shared)
    : ui_(ui), files_(files), config_path_(std::move(config_path)), shared_(shared) {}

void Settings::write(std::string_view key, std::string_view value) {
  write_key(files_, config_path_(), kSection, key, value);
}

std::string Settings::box_text(int control) const { return text::utf16_to_gbk(ui_.text(control)); }

std::int32_t Settings::box_integer(int control) const { return text::text_to_int(box_text(control)); }

void Settings::load() {
  // A file that cannot be read loads as a missing one: every default.
  ReadOnce files(files_);
  const auto read = [&](std::string_view key, std::string_view fallback) {
    return read_key(files, config_path_(), kSection, key, fallback);
  };

  // The key boxes keep their initial text unless the file says otherwise.
  const std::string z = read(kZKey, "z");
  if (z != "z") ui_.set_text(编辑框_Z, text::gbk_to_utf16(z));
  shared_.z_key_code = key_code_of(z);
  if (read(kZOnKey, kTrue) != kTrue) ui_.set_ticked(选择框Z, false);

  const std::string x = read(kXKey, "x");
  if (x != "x") ui_.set_text(编辑框_X, text::gbk_to_utf16(x));
  shared_.x_key_code = key_code_of(x);
  if (read(kXOnKey, kTrue) != kTrue) ui_.set_ticked(选择框X, false);

  // Mouse counting is on for anything but 假.
  if (read(kMouseKey, kFalse) != kFalse) ui_.set_ticked(选择框_鼠标, true);

  // A stage below 1 cannot be saved; one edited into the file loads as the
  // default, as 0 does.
  const std::string stage = read(kStageKey, "20");
  ui_.set_text(编辑框_阶段, text::text_to_int(stage) < 1 ? u"20" : text::gbk_to_utf16(stage));
  shared_.stage_size = box_integer(编辑框_阶段);

  if (read(kWindowedKey, kFalse) == kTrue) ui_.set_ticked(选择框_开启窗口化, true);
  const std::string width = read(kWidthKey, "800");
  ui_.set_text(编辑框_宽, text::text_to_int(width) == 0 ? u"800" : text::gbk_to_utf16(width));
  const std::string height = read(kHeightKey, "600");
  ui_.set_text(编辑框_高, text::text_to_int(height) == 0 ? u"600" : text::gbk_to_utf16(height));
}

void Settings::save_key_settings() {
  // The stored name is lower-cased; the key code comes from the name as typed.
  write(kZKey, text::to_lower_ascii(box_text(编辑框_Z)));
  shared_.z_key_code = key_code_of(box_text(编辑框_Z));
  write(kZOnKey, truth(ui_.ticked(选择框Z)));
  write(kXKey, text::to_lower_ascii(box_text(编辑框_X)));
  shared_.x_key_code = key_code_of(box_text(编辑框_X));
  write(kXOnKey, truth(ui_.ticked(选择框X)));
  write(kMouseKey, truth(ui_.ticked(选择框_鼠标)));
}

void Settings::save_stage_setting() {
  if (box_integer(编辑框_阶段) < 1) {
    ui_.message_box(u"连击阶段必须大于等于1", u"非法", widgets::Icon::kError);
    ui_.set_text(编辑框_阶段, u"20");
    ui_.select_all(编辑框_阶段);
    ui_.focus(编辑框_阶段);
    return;
  }
  write(kStageKey, box_text(编辑框_阶段));
  shared_.stage_size = box_integer(编辑框_阶段);
}

void Settings::write_windowed_mode_keys() {
  const bool windowed = ui_.ticked(选择框_开启窗口化);
  write(kWindowedKey, truth(windowed));
  if (windowed) {
    write(kWidthKey, box_text(编辑框_宽));
    write(kHeightKey, box_text(编辑框_高));
  }
}

}  // namespace tapvero::app
