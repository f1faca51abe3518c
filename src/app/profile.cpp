#include "app/profile.h"

#include <optional>
#include <vector>

#include "text/encoding.h"
#include "text/gbk.h"

namespace tapvero::app {
namespace {

// The file is parsed as a sequence of character units. For a GBK (ANSI)
// file a unit is one whole character: a single byte, or a double-byte
// character packed as (lead << 8) | trail, so that no trail byte is ever
// mistaken for '[', ']' or '=' and the bytes round-trip exactly. For a
// UTF-8 or UTF-16 file a unit is a UTF-16 code unit.
using Units = std::u16string;

enum class Encoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

struct Key {
  Units name;
  std::optional<Units> value;  // none for a line without '='
};

struct Section {
  Units name;  // empty for the lines before the first section header
  std::vector<Key> keys;
};

struct Document {
  Encoding encoding = Encoding::kAnsi;
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
  if (bytes.empty()) return doc;
  const Units content = decode(bytes, doc.encoding);
  doc.sections.emplace_back();  // the lines before the first header
  const Key* previous = nullptr;

  const std::u16string_view all(content);
  std::size_t pos = 0;
  while (pos < all.size()) {
    const std::size_t start = pos;
    while (pos < all.size() && all[pos] != u'\n' && all[pos] != u'\r') ++pos;
    while (pos < all.size() && (all[pos] == u'\n' || all[pos] == u'\r')) ++pos;
    // Names and values are C strings: a NUL ends the line's text.
    std::u16string_view line = all.substr(start, pos - start);
    line = trim(line.substr(0, line.find(u'\0')));
    if (line.empty()) continue;

    if (line.front() == u'[') {
      const std::size_t close = line.rfind(u']');
      if (close != std::u16string_view::npos && close > 0) {
        doc.sections.push_back(Section{Units(trim(line.substr(1, close - 1))), {}});
        previous = nullptr;
        continue;
      }
    }

    Key key;
    const std::size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) {
      key.name = line;
    } else {
      key.name = trim(line.substr(0, equals));
      key.value = trim_start(line.substr(equals + 1));
    }
    // A nameless line right after another nameless line is dropped.
    if (!key.name.empty() || previous == nullptr || !previous->name.empty()) {
      Section& section = doc.sections.back();
      section.keys.push_back(std::move(key));
      previous = &section.keys.back();
    }
  }
  return doc;
}

std::string serialize(const Document& doc) {
  Units text;
  for (const Section& section : doc.sections) {
    if (!section.name.empty()) {
      text += u'[';
      text += section.name;
      text += u"]\r\n";
    }
    for (const Key& key : section.keys) {
      text += key.name;
      if (key.value) {
        text += u'=';
        text += *key.value;
      }
      text += u"\r\n";
    }
  }

  switch (doc.encoding) {
    case Encoding::kAnsi:
      return units_to_ansi(text);
    case Encoding::kUtf8:
      return "\xEF\xBB\xBF" + text::utf16_to_utf8(text);
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be:
      break;
  }
  // UTF-16 in the file's byte order, byte-order mark first.
  const bool little = doc.encoding == Encoding::kUtf16Le;
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

Document load(FileStore& files, const std::u16string& path) {
  const std::optional<std::string> bytes = files.read(path);
  return parse(bytes ? std::string_view(*bytes) : std::string_view());
}

}  // namespace

std::string profile_read(FileStore& files, const std::u16string& path, std::string_view section, std::string_view key,
                         std::string_view fallback, std::size_t buffer_size) {
  if (buffer_size == 0) return {};
  Document doc = load(files, path);
  const Encoding e = doc.encoding;

  // The default loses its trailing spaces, but never its first character.
  fallback = c_string(fallback);
  while (fallback.size() > 1 && fallback.back() == ' ') fallback.remove_suffix(1);

  const Key* found = nullptr;
  if (Section* s = find_section(doc, trim(to_units(c_string(section), e)))) {
    found = find_key(*s, trim(to_units(c_string(key), e)), e);
  }
  const Units result =
      (found && found->value) ? copy_entry(*found->value, buffer_size) : copy_entry(to_units(fallback, e), buffer_size);
  return cut_bytes(to_gbk(result, e), buffer_size - 1);
}

bool profile_write(FileStore& files, const std::u16string& path, std::string_view section, std::string_view key,
                   std::string_view value) {
  Document doc = load(files, path);
  const Encoding e = doc.encoding;
  const Units section_name = to_units(c_string(section), e);
  const Units key_name = to_units(c_string(key), e);
  const Units new_value(trim_start(to_units(c_string(value), e)));

  Section* s = find_section(doc, trim(section_name));
  if (s == nullptr) {
    // A new section keeps the name as given, less its leading blanks.
    doc.sections.push_back(Section{Units(trim_start(section_name)), {}});
    s = &doc.sections.back();
  }
  Key* k = find_key(*s, trim(key_name), e);
  if (k == nullptr) {
    s->keys.push_back(Key{Units(trim_start(key_name)), std::nullopt});
    k = &s->keys.back();
  }
  if (k->value && *k->value == new_value) return true;  // nothing changes: the file stays untouched
  k->value = new_value;
  return files.write(path, serialize(doc));
}

}  // namespace tapvero::app
