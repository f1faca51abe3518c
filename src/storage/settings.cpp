#include "storage/settings.h"

#include <optional>
#include <vector>

#include "input/key_names.h"
#include "storage/config_keys.h"
#include "text/encoding.h"
#include "text/gbk.h"

namespace tapvero::storage {
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

std::int32_t key_code_of(std::string_view name) {
  return input::key_code_from_name(std::string(name) + std::string(kKeySuffix));
}

std::int32_t Settings::stage_size() const { return text::text_to_int(stage); }

SettingsFile::SettingsFile(FileStore& files, std::function<std::u16string()> path)
    : files_(files), path_(std::move(path)) {}

Settings SettingsFile::load() const {
  // A file that cannot be read loads as a missing one: every default.
  ReadOnce files(files_);
  const auto read = [&](std::string_view key, std::string_view fallback) {
    return read_key(files, path_(), kSection, key, fallback);
  };
  Settings s;
  s.z_key = read(kZKey, kDefaultZKey);
  s.z_key_code = key_code_of(s.z_key);
  s.z_on = read(kZOnKey, kTrue) == kTrue;
  s.x_key = read(kXKey, kDefaultXKey);
  s.x_key_code = key_code_of(s.x_key);
  s.x_on = read(kXOnKey, kTrue) == kTrue;
  // Mouse counting is on for anything but 假.
  s.mouse = read(kMouseKey, kFalse) != kFalse;
  // A stage below 1 cannot be saved; one edited into the file loads as the
  // default, as 0 does.
  s.stage = read(kStageKey, kDefaultStage);
  if (text::text_to_int(s.stage) < 1) s.stage = kDefaultStage;
  s.windowed = read(kWindowedKey, kFalse) == kTrue;
  s.width = read(kWidthKey, kDefaultWidth);
  if (text::text_to_int(s.width) == 0) s.width = kDefaultWidth;
  s.height = read(kHeightKey, kDefaultHeight);
  if (text::text_to_int(s.height) == 0) s.height = kDefaultHeight;
  return s;
}

bool SettingsFile::save_key_settings(const Settings& s) const {
  const std::string z = text::to_lower_ascii(s.z_key);
  const std::string x = text::to_lower_ascii(s.x_key);
  const ProfileEntry entries[] = {
      {kZKey, z}, {kZOnKey, truth(s.z_on)}, {kXKey, x}, {kXOnKey, truth(s.x_on)}, {kMouseKey, truth(s.mouse)}};
  return write_keys(files_, path_(), kSection, entries);
}

bool SettingsFile::save_stage_setting(const Settings& s) const {
  const ProfileEntry entries[] = {{kStageKey, s.stage}};
  return write_keys(files_, path_(), kSection, entries);
}

bool SettingsFile::save_windowed_mode(const Settings& s) const {
  std::vector<ProfileEntry> entries = {{kWindowedKey, truth(s.windowed)}};
  if (s.windowed) {
    entries.push_back({kWidthKey, s.width});
    entries.push_back({kHeightKey, s.height});
  }
  return write_keys(files_, path_(), kSection, entries);
}

}  // namespace tapvero::storage
