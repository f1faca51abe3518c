#include "storage/settings.h"

#include <vector>

#include "input/key_names.h"
#include "storage/config_keys.h"
#include "text/encoding.h"
#include "text/gbk.h"

namespace tapvero::storage {
namespace {

constexpr std::string_view kSection = "Tapvero";
constexpr std::string_view kKeySuffix = "\xBC\xFC";  // 键

// Puts a stored text into `row`'s setting, as the row takes it.
void take(Settings& s, const Setting& row, std::string value) {
  if (const auto* flag = std::get_if<bool Settings::*>(&row.field)) {
    s.*(*flag) = row.take == Take::kAllButFalse ? value != kFalseText : value == kTrueText;
    return;
  }
  const std::int32_t n = text::text_to_int(value);
  if ((row.take == Take::kAtLeastOne && n < 1) || (row.take == Take::kNotZero && n == 0)) value = row.fallback;
  s.*std::get<std::string Settings::*>(row.field) = std::move(value);
}

// The text the file stores for `row`'s setting.
std::string stored_text(const Settings& s, const Setting& row) {
  if (const auto* flag = std::get_if<bool Settings::*>(&row.field))
    return std::string(s.*(*flag) ? kTrueText : kFalseText);
  const std::string& value = s.*std::get<std::string Settings::*>(row.field);
  return row.take == Take::kKeyName ? text::to_lower_ascii(value) : value;
}

}  // namespace

std::int32_t key_code_of(std::string_view name) {
  return input::key_code_from_name(std::string(name) + std::string(kKeySuffix));
}

Settings::Settings() {
  for (const Setting& row : kSettings) take(*this, row, std::string(row.fallback));
  update_key_codes();
}

std::int32_t Settings::stage_size() const { return text::text_to_int(stage); }

void Settings::update_key_codes() {
  z_key_code = key_code_of(z_key);
  x_key_code = key_code_of(x_key);
}

SettingsFile::SettingsFile(FileStore& files, std::function<std::u16string()> path)
    : files_(files), path_(std::move(path)) {}

Settings SettingsFile::load() const {
  // A file that cannot be read loads as a missing one: every default.
  std::vector<ProfileEntry> keys;
  for (const Setting& row : kSettings) keys.push_back({row.key, row.fallback});
  const std::vector<std::string> texts = read_keys(files_, path_(), kSection, keys);
  Settings s;
  for (std::size_t i = 0; i < texts.size(); ++i) take(s, kSettings[i], texts[i]);
  s.update_key_codes();
  return s;
}

bool SettingsFile::save(const Settings& s, SaveGroup group) const {
  std::vector<std::string> texts;
  texts.reserve(std::size(kSettings));  // the entries point into it
  std::vector<ProfileEntry> entries;
  for (const Setting& row : kSettings) {
    if (row.written_by(group, s)) entries.push_back({row.key, texts.emplace_back(stored_text(s, row))});
  }
  return write_keys(files_, path_(), kSection, entries);
}

}  // namespace tapvero::storage
