#include "storage/profile.h"

#include <optional>
#include <vector>

#include "text/encoding.h"
#include "text/gbk.h"

namespace tapvero::storage {
namespace {

// The file is parsed as a sequence of character units. For a GBK (ANSI)
// file a unit is one whole character: a single byte, or a double-byte
// character packed as (lead << 8) | trail, so that no trail byte is ever
// mistaken for '[', ']' or '=' and the bytes round-trip exactly. For a
// UTF-8 or UTF-16 file a unit is a UTF-16 code unit.
using Units = std::u16string;

enum class Encoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

// Positions are unit offsets into Document::content.
struct Key {
  Units name;
  std::optional<Units> value;  // none for a line without '='
  std::size_t line_start = 0;  // the line's text, without its line break
  std::size_t line_end = 0;
};

struct Section {
  Units name;  // empty for the lines before the first section header
  std::vector<Key> keys;
  std::size_t end = 0;  // after the line break of its last non-blank line
};

struct Document {
  Encoding encoding = Encoding::kAnsi;
  Units content;     // the file without its byte-order mark
  Units line_break;  // the file's first line break, CR LF when it has none
  std::vector<Section> sections;
};

Units ansi_to_units(std::string_view bytes) {
  Units out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = text::char_length(bytes, i);
    const auto lead = static_cast<unsigned char>(bytes[i]);
    out += n == 2 ? static_cast<char16_t>((lead << 8) | static_cast<unsigned char>(bytes[i + 1]))
                  : static_cast<char16_t>(lead);
    i += n;
  }
  return out;
}

std::string units_to_ansi(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (const char16_t u : units) {
    if (u > 0xFF) out += static_cast<char>(u >> 8);
    out += static_cast<char>(u & 0xFF);
  }
  return out;
}

bool is_unicode(Encoding e) { return e != Encoding::kAnsi; }

Units to_units(std::string_view gbk, Encoding e) {
  return is_unicode(e) ? text::gbk_to_utf16(gbk) : ansi_to_units(gbk);
}

std::string to_gbk(std::u16string_view units, Encoding e) {
  return is_unicode(e) ? text::utf16_to_gbk(units) : units_to_ansi(units);
}

// The blanks trimmed around lines, names and values: ASCII white space and
// ^Z (a DOS end-of-file mark).
bool is_space(char16_t u) { return (u >= 0x09 && u <= 0x0D) || u == 0x1A || u == 0x20; }

// Case folding for name comparisons: the letters of the alphabets that GBK
// holds, in the unit form of either encoding.
char16_t fold_case(char16_t u, Encoding e) {
  if (u >= u'A' && u <= u'Z') return static_cast<char16_t>(u + 0x20);
  if (!is_unicode(e)) {
    if (u >= 0xA3C1 && u <= 0xA3DA) return static_cast<char16_t>(u + 0x20);  // full-width Latin
    if (u >= 0xA6A1 && u <= 0xA6B8) return static_cast<char16_t>(u + 0x20);  // Greek
    if (u >= 0xA7A1 && u <= 0xA7C1) return static_cast<char16_t>(u + 0x30);  // Cyrillic
    return u;
  }
  if (u >= 0xFF21 && u <= 0xFF3A) return static_cast<char16_t>(u + 0x20);  // full-width Latin
  if ((u >= 0x00C0 && u <= 0x00DE && u != 0x00D7) || (u >= 0x0391 && u <= 0x03A9 && u != 0x03A2) ||
      (u >= 0x0410 && u <= 0x042F))
    return static_cast<char16_t>(u + 0x20);
  if (u >= 0x0400 && u <= 0x040F) return static_cast<char16_t>(u + 0x50);  // Cyrillic Ѐ .. Џ
  return u;
}

bool names_equal(std::u16string_view a, std::u16string_view b, Encoding e) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold_case(a[i], e) != fold_case(b[i], e)) return false;
  }
  return true;
}

std::u16string_view trim_start(std::u16string_view s) {
  while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
  return s;
}

std::u16string_view trim(std::u16string_view s) {
  s = trim_start(s);
  while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
  return s;
}

Units decode(std::string_view bytes, Encoding& encoding) {
  const auto starts_with = [&](std::string_view bom) { return bytes.substr(0, bom.size()) == bom; };
  if (starts_with("\xEF\xBB\xBF")) {
    encoding = Encoding::kUtf8;
    return text::utf8_to_utf16(bytes.substr(3));
  }
  if (starts_with("\xFF\xFE") || starts_with("\xFE\xFF")) {
    const bool little = bytes[0] == '\xFF';
    encoding = little ? Encoding::kUtf16Le : Encoding::kUtf16Be;
    Units out;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const auto b0 = static_cast<unsigned char>(bytes[i]);
      const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
      out += static_cast<char16_t>(little ? (b0 | (b1 << 8)) : ((b0 << 8) | b1));
    }
    return out;
  }
  encoding = Encoding::kAnsi;
  return ansi_to_units(bytes);
}

Document parse(std::string_view bytes) {
  Document doc;
  doc.line_break = u"\r\n";
  if (bytes.empty()) return doc;
  doc.content = decode(bytes, doc.encoding);
  doc.sections.emplace_back();  // the lines before the first header
  const Key* previous = nullptr;
  bool first_break = true;

  const std::u16string_view all(doc.content);
  std::size_t pos = 0;
  while (pos < all.size()) {
    const std::size_t start = pos;
    while (pos < all.size() && all[pos] != u'\n' && all[pos] != u'\r') ++pos;
    const std::size_t text_end = pos;
    // One line break: CR LF, CR or LF. The empty lines after it are lines
    // of their own.
    if (pos < all.size()) {
      pos += (all[pos] == u'\r' && pos + 1 < all.size() && all[pos + 1] == u'\n') ? 2 : 1;
      if (first_break) doc.line_break = Units(all.substr(text_end, pos - text_end));
      first_break = false;
    }
    // Names and values are C strings: a NUL ends the line's text.
    std::u16string_view line = all.substr(start, text_end - start);
    line = trim(line.substr(0, line.find(u'\0')));
    if (line.empty()) continue;

    if (line.front() == u'[') {
      const std::size_t close = line.rfind(u']');
      if (close != std::u16string_view::npos && close > 0) {
        doc.sections.push_back(Section{Units(trim(line.substr(1, close - 1))), {}, pos});
        previous = nullptr;
        continue;
      }
    }

    doc.sections.back().end = pos;
    Key key;
    key.line_start = start;
    key.line_end = text_end;
    const std::size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) {
      key.name = line;
    } else {
      key.name = trim(line.substr(0, equals));
      key.value = trim_start(line.substr(equals + 1));
    }
    // A nameless line right after another nameless line is no entry.
    if (!key.name.empty() || previous == nullptr || !previous->name.empty()) {
      Section& section = doc.sections.back();
      section.keys.push_back(std::move(key));
      previous = &section.keys.back();
    }
  }
  return doc;
}

std::string encode(const Units& text, Encoding encoding) {
  switch (encoding) {
    case Encoding::kAnsi:
      return units_to_ansi(text);
    case Encoding::kUtf8:
      return "\xEF\xBB\xBF" + text::utf16_to_utf8(text);
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be:
      break;
  }
  // UTF-16 in the file's byte order, byte-order mark first.
  const bool little = encoding == Encoding::kUtf16Le;
  std::string out;
  out.reserve(2 * text.size() + 2);
  for (const char16_t u : u"\uFEFF" + text) {
    const char lo = static_cast<char>(u & 0xFF);
    const char hi = static_cast<char>(u >> 8);
    out.push_back(little ? lo : hi);
    out.push_back(little ? hi : lo);
  }
  return out;
}

// The first section whose name matches, and in it the first key whose name
// matches; later sections of the same name are never searched.
Section* find_section(Document& doc, std::u16string_view name) {
  for (Section& section : doc.sections) {
    if (names_equal(section.name, name, doc.encoding)) return &section;
  }
  return nullptr;
}

Key* find_key(Section& section, std::u16string_view name, Encoding e) {
  for (Key& key : section.keys) {
    if (names_equal(key.name, name, e)) return &key;
  }
  return nullptr;
}

// Copies `value` into a buffer of `size` units, dropping one pair of outer
// quotes. A quoted value longer than the buffer keeps its opening quote
// dropped and loses the closing one with the rest of the cut.
Units copy_entry(std::u16string_view value, std::size_t size) {
  bool quoted = false;
  if (!value.empty() && (value.front() == u'\'' || value.front() == u'"') && value.size() > 1 &&
      value.back() == value.front()) {
    quoted = true;
    value.remove_prefix(1);
  }
  Units out(value.substr(0, size - 1));
  if (quoted && size >= value.size() && !out.empty()) out.pop_back();
  return out;
}

// Cuts a GBK text to at most `limit` bytes without splitting a character.
std::string cut_bytes(std::string s, std::size_t limit) {
  if (s.size() <= limit) return s;
  std::size_t end = 0;
  while (end < s.size()) {
    const std::size_t n = text::char_length(s, end);
    if (end + n > limit) break;
    end += n;
  }
  s.resize(end);
  return s;
}

// The texts the platform takes are C strings: a NUL ends them.
std::string_view c_string(std::string_view s) { return s.substr(0, s.find('\0')); }

// The file as written after setting `key` in `section` to `value`, or
// nothing when the value stored is that already. Only the key's line
// changes (or a line, or a section, is added): every other byte of the file
// stays as it was.
std::optional<std::string> with_value(std::string_view bytes, std::string_view section, std::string_view key,
                                      std::string_view value) {
  Document doc = parse(bytes);
  const Encoding e = doc.encoding;
  const Units section_name = to_units(c_string(section), e);
  const Units key_name = to_units(c_string(key), e);
  const Units new_value(trim_start(to_units(c_string(value), e)));
  Units& content = doc.content;

  // Text added at `at` starts on a line of its own.
  const auto insert = [&](std::size_t at, Units lines) {
    if (at > 0 && content[at - 1] != u'\n' && content[at - 1] != u'\r') lines.insert(0, doc.line_break);
    content.insert(at, lines);
  };

  Section* s = find_section(doc, trim(section_name));
  if (s == nullptr) {
    // A new section keeps the name as given, less its leading blanks.
    insert(content.size(), u'[' + Units(trim_start(section_name)) + u']' + doc.line_break +
                               Units(trim_start(key_name)) + u'=' + new_value + doc.line_break);
  } else if (Key* k = find_key(*s, trim(key_name), e); k == nullptr) {
    insert(s->end, Units(trim_start(key_name)) + u'=' + new_value + doc.line_break);
  } else if (k->value && *k->value == new_value) {
    return std::nullopt;
  } else {
    content.replace(k->line_start, k->line_end - k->line_start, k->name + u'=' + new_value);
  }
  return encode(content, e);
}

}  // namespace

std::vector<std::string> profile_read(FileStore& files, const std::u16string& path, std::string_view section,
                                      const std::vector<ProfileEntry>& keys, std::size_t buffer_size) {
  if (buffer_size == 0) return std::vector<std::string>(keys.size());
  const ReadResult file = files.read(path);
  Document doc = parse(file.status == ReadResult::Status::kFound ? std::string_view(file.bytes) : std::string_view());
  const Encoding e = doc.encoding;
  Section* s = find_section(doc, trim(to_units(c_string(section), e)));
  std::vector<std::string> values;
  for (const auto& [key, default_value] : keys) {
    // The default loses its trailing spaces, but never its first character.
    std::string_view fallback = c_string(default_value);
    while (fallback.size() > 1 && fallback.back() == ' ') fallback.remove_suffix(1);
    const Key* found = s ? find_key(*s, trim(to_units(c_string(key), e)), e) : nullptr;
    const Units result = (found && found->value) ? copy_entry(*found->value, buffer_size)
                                                 : copy_entry(to_units(fallback, e), buffer_size);
    values.push_back(cut_bytes(to_gbk(result, e), buffer_size - 1));
  }
  return values;
}

bool profile_write(FileStore& files, const std::u16string& path, std::string_view section,
                   const std::vector<ProfileEntry>& entries) {
  const auto with_entries = [&](const std::string& bytes) {
    std::optional<std::string> changed;
    for (const ProfileEntry& e : entries) {
      if (auto next = with_value(changed ? *changed : bytes, section, e.key, e.value)) changed = std::move(next);
    }
    return changed;
  };
  // A file that is there but cannot be read is never written: what it
  // holds would be lost. One that already holds every value is not even
  // asked to be written, so that a file the user has made read-only fails
  // only the saves that would change it.
  const ReadResult now = files.read(path);
  if (now.status == ReadResult::Status::kUnreadable) return false;
  if (!with_entries(now.bytes)) return true;
  bool readable = true;
  const bool stored = files.update(path, [&](const ReadResult& file) -> std::optional<std::string> {
    if (file.status == ReadResult::Status::kUnreadable) {
      readable = false;
      return std::nullopt;
    }
    return with_entries(file.bytes);
  });
  return stored && readable;
}

}  // namespace tapvero::storage
