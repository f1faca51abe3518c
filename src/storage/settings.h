// The program's settings as one value: what Config.ini holds, and the codes
// of the two trigger keys those names give. SettingsFile loads the value
// and saves its parts; the program puts it into the controls and reads the
// controls into it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "storage/file_store.h"

namespace tapvero::storage {

// The settings of a file or key that is missing. ASCII: the same bytes in
// every code page, and the texts the window starts with.
inline constexpr char kDefaultZKey[] = "z";
inline constexpr char kDefaultXKey[] = "x";
inline constexpr char kDefaultStage[] = "20";
inline constexpr char kDefaultWidth[] = "800";
inline constexpr char kDefaultHeight[] = "600";

// The virtual-key code of a trigger key's name (the name followed by 键 in
// the key-name table), 0 for no key.
std::int32_t key_code_of(std::string_view name);

struct Settings {
  // Texts in GBK, as stored or as typed.
  std::string z_key = kDefaultZKey;
  bool z_on = true;
  std::string x_key = kDefaultXKey;
  bool x_on = true;
  bool mouse = false;
  std::string stage = kDefaultStage;
  bool windowed = false;
  std::string width = kDefaultWidth;
  std::string height = kDefaultHeight;
  // The trigger keys' codes: of the names as loaded, or as typed when they
  // were saved (the file keeps them lower-cased).
  std::int32_t z_key_code = key_code_of(kDefaultZKey);
  std::int32_t x_key_code = key_code_of(kDefaultXKey);

  // Hits per stage of the speed test.
  std::int32_t stage_size() const;
};

class SettingsFile {
 public:
  // `path` gives the file's path; it is asked afresh for every read and
  // every save.
  SettingsFile(FileStore& files, std::function<std::u16string()> path);

  // What the file holds, each key missing from it (or the whole of a file
  // that cannot be read) as its default. Never creates the file.
  Settings load() const;

  // Each save is one version of the file: a reader sees it before or after,
  // never in between, and a save that fails leaves it as it was (false).
  // The key settings: "Z", "开启Z键", "X", "开启X键", "鼠标", the names lower-cased.
  bool save_key_settings(const Settings& settings) const;
  // "阶段", as typed.
  bool save_stage_setting(const Settings& settings) const;
  // "窗口化", and in windowed mode "宽" and "高" as typed.
  bool save_windowed_mode(const Settings& settings) const;

 private:
  FileStore& files_;
  std::function<std::u16string()> path_;
};

}  // namespace tapvero::storage
