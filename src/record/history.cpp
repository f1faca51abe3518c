#include "record/history.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>

#include "record/figures.h"
#include "text/encoding.h"
#include "text/number_text.h"

namespace tapvero::record {
namespace {

// The columns, in the file's order.
enum Column {
  kWhen,       // 日期时间: 2026-12-09 18:30:05
  kTest,       // 测试: 手速测试 or 定位测试
  kZKey,       // Z键
  kXKey,       // X键
  kStageSize,  // 每阶段连击数
  kHits,       // 连击: the summary's hits, or the targets hit
  kSeconds,    // 耗时(秒)
  kBpm,        // BPM
  kStability,  // 稳定度(%): "--" before the first stage, as the summary
  kUnstable,   // 不稳定率: from the hit times (not read back)
  kBestStage,  // 最高阶段BPM: from the stages (not read back)
  kMisses,     // Miss
  kBestCombo,  // 最高连击
  kMean,       // 平均耗时(ms)
  kStages,     // 各阶段BPM/稳定度: "127/85.30 130/90.12"
  kHitTimes,   // 击打时刻(ms): "231 480 702"
  kColumnCount
};

constexpr std::string_view kHeader =
    "\xEF\xBB\xBF"
    "日期时间,测试,Z键,X键,每阶段连击数,连击,耗时(秒),BPM,稳定度(%),不稳定率,最高阶段BPM,Miss,最高连击,"
    "平均耗时(ms),各阶段BPM/稳定度,击打时刻(ms)\r\n";
constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kSpeedName = "手速测试";
constexpr std::string_view kPositioningName = "定位测试";
constexpr std::string_view kNoStability = "--";

void two_digits(std::string& out, int v) {
  out += static_cast<char>('0' + v / 10 % 10);
  out += static_cast<char>('0' + v % 10);
}

// A key name as a field: quoted if a comma, a quote or a line break in it
// would otherwise end it.
void key_field(std::string& out, const std::u16string& name) {
  const std::string utf8 = text::utf16_to_utf8(name);
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) {
    out += utf8;
    return;
  }
  out += '"';
  for (const char c : utf8) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

// The texts of `items`, separated by spaces.
template <typename T, typename Text>
void spaced(std::string& out, const std::vector<T>& items, Text text_of) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i) out += ' ';
    out += text_of(items[i]);
  }
}

// Splits a row at its commas, a quoted field ("" for a quote inside) taken
// whole. False for a quote out of place.
bool split_fields(std::string_view row, std::string_view (&fields)[kColumnCount], std::string (&unquoted)[2],
                  std::size_t& count) {
  count = 0;
  std::size_t at = 0;
  for (;;) {
    if (count == kColumnCount) return false;
    if (at < row.size() && row[at] == '"') {
      // Only the key names are ever quoted.
      if (count != kZKey && count != kXKey) return false;
      std::string& text = unquoted[count - kZKey];
      text.clear();
      std::size_t i = at + 1;
      for (;; ++i) {
        if (i >= row.size()) return false;
        if (row[i] == '"') {
          if (i + 1 < row.size() && row[i + 1] == '"') {
            text += '"';
            ++i;
          } else {
            break;
          }
        } else {
          text += row[i];
        }
      }
      fields[count++] = text;
      at = i + 1;
      if (at == row.size()) return true;
      if (row[at] != ',') return false;
      ++at;
      continue;
    }
    const std::size_t comma = row.find(',', at);
    const std::string_view field = row.substr(at, comma == row.npos ? row.npos : comma - at);
    if (field.find('"') != field.npos) return false;
    fields[count++] = field;
    if (comma == row.npos) return true;
    at = comma + 1;
  }
}

// The whole of `s` as a number; false for anything else.
template <typename T>
bool number(std::string_view s, T& v) {
  if (s.empty()) return false;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
  return error == std::errc() && end == s.data() + s.size();
}

bool two_digits_at(std::string_view s, std::size_t at, int& v) {
  if (!std::isdigit(static_cast<unsigned char>(s[at])) || !std::isdigit(static_cast<unsigned char>(s[at + 1])))
    return false;
  v = (s[at] - '0') * 10 + (s[at + 1] - '0');
  return true;
}

bool read_when(std::string_view s, base::LocalTime& t) {
  // 2026-12-09 18:30:05
  if (s.size() != 19 || s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':' || s[16] != ':') return false;
  int century = 0;
  if (!two_digits_at(s, 0, century) || !two_digits_at(s, 2, t.year)) return false;
  t.year += century * 100;
  return two_digits_at(s, 5, t.month) && two_digits_at(s, 8, t.day) && two_digits_at(s, 11, t.hour) &&
         two_digits_at(s, 14, t.minute) && two_digits_at(s, 17, t.second) && t.month >= 1 && t.month <= 12 &&
         t.day >= 1 && t.day <= 31 && t.hour < 24 && t.minute < 60 && t.second < 61;
}

// Calls `each` with every space-separated item of `s`; false if it refuses one.
template <typename Each>
bool items(std::string_view s, Each each) {
  std::size_t at = 0;
  while (at < s.size()) {
    std::size_t end = s.find(' ', at);
    if (end == s.npos) end = s.size();
    if (!each(s.substr(at, end - at))) return false;
    at = end + 1;
  }
  return s.empty() || s.back() != ' ';
}

bool read_stage(std::string_view item, StageRecord& stage) {
  const std::size_t slash = item.find('/');
  return slash != item.npos && number(item.substr(0, slash), stage.bpm) &&
         number(item.substr(slash + 1), stage.stability);
}

}  // namespace

std::u16string history_path_for(std::u16string_view exe_path) {
  const std::size_t slash = exe_path.find_last_of(u"\\/");
  return std::u16string(exe_path.substr(0, slash == exe_path.npos ? 0 : slash + 1)) + u"History.csv";
}

std::string_view history_header() { return kHeader; }

std::string history_row(const RunRecord& r) {
  const bool speed = r.test == TestKind::kSpeed;
  std::string out;
  out.reserve(160 + r.hit_ms.size() * 7 + r.stages.size() * 10);
  // 2026-12-09 18:30:05: each part two digits, and what follows it.
  const base::LocalTime& t = r.when;
  const std::pair<int, std::string_view> when[] = {{t.year / 100, ""}, {t.year, "-"},   {t.month, "-"}, {t.day, " "},
                                                   {t.hour, ":"},      {t.minute, ":"}, {t.second, ","}};
  for (const auto& [part, then] : when) {
    two_digits(out, part);
    out += then;
  }
  out += speed ? kSpeedName : kPositioningName;
  out += ',';
  key_field(out, r.z_key);
  out += ',';
  key_field(out, r.x_key);
  out += ',' + text::int_text(r.stage_size) + ',' + text::int_text(r.hits) + ',';
  // The time as the summary or the report writes it.
  out += speed ? text::single_text(static_cast<float>(r.seconds)) : text::fixed_text(r.seconds, 2);
  out += ',';
  if (speed) {
    out += text::int_text(r.bpm) + ',';
    out += r.stability ? text::fixed_text(*r.stability, 2) : std::string(kNoStability);
    out += ',';
    if (const auto ur = unstable_rate(r.hit_ms)) out += text::fixed_text(*ur, 2);
    out += ',';
    if (const auto best = best_stage_bpm(r)) out += text::int_text(*best);
    out += ",,,,";
    spaced(out, r.stages, [](const StageRecord& stage) {
      return text::int_text(stage.bpm) + '/' + text::fixed_text(stage.stability, 2);
    });
    out += ',';
    spaced(out, r.hit_ms, [](std::int32_t ms) { return text::int_text(ms); });
  } else {
    out +=
        ",,,," + text::int_text(r.misses) + ',' + text::int_text(r.best_combo) + ',' + text::int_text(r.mean_ms) + ",,";
  }
  out += "\r\n";
  return out;
}

std::optional<RunRecord> read_history_row(std::string_view row) {
  std::string_view f[kColumnCount];
  std::string unquoted[2];
  std::size_t count = 0;
  if (!split_fields(row, f, unquoted, count) || count != kColumnCount) return std::nullopt;
  RunRecord r;
  if (!read_when(f[kWhen], r.when)) return std::nullopt;
  if (f[kTest] == kSpeedName) {
    r.test = TestKind::kSpeed;
  } else if (f[kTest] == kPositioningName) {
    r.test = TestKind::kPositioning;
  } else {
    return std::nullopt;
  }
  r.z_key = text::utf8_to_utf16(f[kZKey]);
  r.x_key = text::utf8_to_utf16(f[kXKey]);
  if (!number(f[kStageSize], r.stage_size) || !number(f[kHits], r.hits) || !number(f[kSeconds], r.seconds) ||
      r.hits < 0)
    return std::nullopt;
  if (r.test == TestKind::kPositioning) {
    const bool speed_columns_empty = f[kBpm].empty() && f[kStability].empty() && f[kUnstable].empty() &&
                                     f[kBestStage].empty() && f[kStages].empty() && f[kHitTimes].empty();
    if (!speed_columns_empty || !number(f[kMisses], r.misses) || !number(f[kBestCombo], r.best_combo) ||
        !number(f[kMean], r.mean_ms))
      return std::nullopt;
    return r;
  }
  if (!f[kMisses].empty() || !f[kBestCombo].empty() || !f[kMean].empty() || !number(f[kBpm], r.bpm))
    return std::nullopt;
  if (f[kStability] != kNoStability) {
    float s = 0;
    if (!number(f[kStability], s)) return std::nullopt;
    r.stability = s;
  }
  r.hit_ms.reserve(f[kHitTimes].size() / 4);
  const bool read =
      items(f[kStages], [&](std::string_view item) { return read_stage(item, r.stages.emplace_back()); }) &&
      items(f[kHitTimes], [&](std::string_view item) { return number(item, r.hit_ms.emplace_back()); });
  // Every hit has its time, and every completed stage its figures.
  if (!read || r.hit_ms.size() != static_cast<std::size_t>(r.hits) || r.stage_size < 1 ||
      r.stages.size() != static_cast<std::size_t>(r.hits / r.stage_size))
    return std::nullopt;
  return r;
}

ParsedHistory parse_history(std::string_view bytes) {
  ParsedHistory parsed;
  if (bytes.starts_with(kBom)) bytes.remove_prefix(kBom.size());
  const std::string_view header = kHeader.substr(kBom.size(), kHeader.size() - kBom.size() - 2);
  parsed.runs.reserve(bytes.size() / 512);
  bool first = true;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    // A last line without its line end is one whose write was cut short.
    const bool torn = end == bytes.npos;
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(torn ? bytes.size() : end + 1);
    if (!torn && line.ends_with('\r')) line.remove_suffix(1);
    const bool is_header = first && line == header;
    first = false;
    if (is_header) continue;
    if (torn) {
      ++parsed.skipped_lines;
      break;
    }
    if (std::optional<RunRecord> run = read_history_row(line)) {
      parsed.runs.push_back(std::move(*run));
    } else {
      ++parsed.skipped_lines;
    }
  }
  return parsed;
}

History::History(storage::FileStore& files, std::u16string path) : files_(files), path_(std::move(path)) {}

bool History::write(const RunRecord& run) {
  last_result_ = files_.append(path_, kHeader, history_row(run));
  return last_result_ == storage::FileStore::Append::kDone;
}

bool History::write_pending() {
  while (!pending_.empty()) {
    if (!write(pending_.front())) return false;
    pending_.erase(pending_.begin());
  }
  return true;
}

bool History::add(RunRecord run) {
  const bool written = write_pending() && write(run);
  if (loaded_) runs_.push_back(run);
  if (!written) pending_.push_back(std::move(run));
  return written;
}

void History::load() {
  const storage::ReadResult file = files_.read(path_);
  unreadable_ = file.status == storage::ReadResult::Status::kUnreadable;
  ParsedHistory parsed = parse_history(file.bytes);
  runs_ = std::move(parsed.runs);
  skipped_lines_ = parsed.skipped_lines;
  // What the file does not have yet.
  runs_.insert(runs_.end(), pending_.begin(), pending_.end());
  loaded_ = true;
}

const std::vector<RunRecord>& History::runs() {
  if (!loaded_) load();
  return runs_;
}

void History::retry_pending() {
  write_pending();
  if (!loaded_ || unreadable_) load();
}

std::u16string History::status() const {
  const std::u16string name = path_.substr(path_.find_last_of(u"\\/") + 1);
  if (!pending_.empty()) {
    const std::u16string n = text::from_ascii(text::int_text(static_cast<std::int64_t>(pending_.size())));
    if (last_result_ == storage::FileStore::Append::kHeld)
      return u"成绩记录文件 " + name + u" 正被其他程序占用，" + n +
             u" 次成绩暂存在内存中，文件空出后写入（下次测试结束或打开本窗口时）";
    return u"无法写入成绩记录文件 " + name + u"，" + n + u" 次成绩暂存在内存中，关闭 Tapvero 后将丢失";
  }
  if (unreadable_) return u"无法读取成绩记录文件 " + name + u"（可能正被其他程序占用），这里只有本次运行的成绩";
  return {};
}

}  // namespace tapvero::record
