// Our settings-file engine against Windows' own GetPrivateProfileStringA and
// WritePrivateProfileStringA: the same operations on the same starting file
// must give the same read results, and files that are byte-identical where
// the starting file was already in the form Windows writes. Windows' ANSI
// functions read GBK only when the system runs with code page 936, so the
// comparison runs there; under other code pages our engine must still give
// the same results, which the portable tests check byte for byte.
//
// Windows rewrites the whole file on every write (CR LF line breaks, blanks
// trimmed around names and values, blank lines dropped); our writes change
// only the line they write. For a starting file not in Windows' form, the
// files are compared after Windows has put both into its form: then they
// must be identical, which checks every line we wrote and where we put it.
// The test prints which cases those were.
//
// One deliberate difference is not compared here: a byte that starts a
// double-byte character but is not followed by a valid trail byte. Windows
// turns it, and the byte after it (even a '=' or a line break), into '?' and
// writes that back on the next save, damaging lines the program never
// touched; our engine keeps every byte (see the portable tests).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "storage/config_keys.h"
#include "storage/file_store.h"
#include "storage/profile.h"
#include "support/stored_names.h"
#include "text/encoding.h"

namespace tapvero::storage {
namespace {

using namespace tapvero::test;

struct Op {
  enum Kind { kWrite, kRead } kind;
  std::string section;
  std::string key;
  std::string value;  // the value written, or the default read with
};

Op w(std::string section, std::string key, std::string value) { return {Op::kWrite, section, key, value}; }
Op r(std::string section, std::string key, std::string fallback = "<d>") { return {Op::kRead, section, key, fallback}; }

struct Case {
  const char* name;
  std::optional<std::string> initial;  // none: no file at first
  std::vector<Op> ops;
};

const std::string T = "Tapvero";

std::vector<Case> cases() {
  const std::vector<Op> key_settings = {w(T, "Z", "z"), w(T, kZOn, kTrue), w(T, "X", "x"), w(T, kXOn, kTrue),
                                        w(T, kMouse, kFalse)};
  const std::vector<Op> read_all = {r(T, "Z", "z"),          r(T, kZOn, kTrue),    r(T, "X", "x"),
                                    r(T, kXOn, kTrue),       r(T, kMouse, kFalse), r(T, kStage, "20"),
                                    r(T, kWindowed, kFalse), r(T, kWidth, "800"),  r(T, kHeight, "600")};
  auto join = [](std::vector<Op> a, const std::vector<Op>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  std::string wide_value;
  for (int i = 0; i < 6000; ++i) wide_value += "\xD5\xE6";

  return {
      {"fresh file, key settings", std::nullopt, join(key_settings, read_all)},
      {"fresh file, every save in turn", std::nullopt,
       join(join(key_settings, {w(T, kStage, "007"), w(T, kWindowed, kTrue), w(T, kWidth, "800px"),
                                w(T, kHeight, "\xA3\xB6\xA3\xB0\xA3\xB0"), w(T, "Z", "c"), w(T, kStage, "1"),
                                w(T, kWindowed, kFalse), w(T, "X", "")}),
            read_all)},
      {"same value again", "[Tapvero]\nZ  =  z  \n", {w(T, "Z", "z"), r(T, "Z"), w(T, "Z", "q"), r(T, "Z")}},
      {"empty file", "", {r(T, "Z"), w(T, "Z", "z")}},
      {"blank lines only", "\r\n  \r\n\t\r\n", {r(T, "Z"), w(T, "Z", "z")}},
      {"blanks around everything", "  [ Tapvero ]  \r\n\t Z \t=\t c \t\r\n  " + kZOn + "  =  " + kFalse + "  \r\n",
       join(read_all, {w(T, "X", "v"), w(T, "Z", "c")})},
      {"quotes",
       "[Tapvero]\r\nZ=\"c\"\r\nX='v'\r\na=\"\r\nb=''\r\nc=\"x\r\nd='x\"\r\ne=\"a\"b\"\r\nf=\" s \"\r\n",
       {r(T, "Z"), r(T, "X"), r(T, "a"), r(T, "b"), r(T, "c"), r(T, "d"), r(T, "e"), r(T, "f"), w(T, "Z", "\"q\""),
        r(T, "Z")}},
      {"comments",
       "; settings\r\n# more\r\n[Tapvero]\r\n;Z=commented\r\nZ=z ; not a comment\r\n",
       {r(T, "Z"), r(T, ";Z"), r(T, "; settings"), w(T, "X", "x"), w(T, ";Z", "c")}},
      {"duplicate keys and sections",
       "[Tapvero]\r\nZ=first\r\nz=second\r\n[tapvero]\r\nX=later\r\n[Tapvero]\r\nY=1\r\n",
       {r(T, "Z"), r(T, "X"), r(T, "Y"), w(T, "X", "x"), w(T, "z", "third"), r(T, "Z")}},
      {"lines without equals",
       "Z=before sections\r\n[Tapvero]\r\nZ\r\nZ=after\r\n=\r\n=\r\n==x\r\nX\r\n",
       {r(T, "Z"), r(T, "X"), r(T, ""), w(T, "X", "x"), w(T, "Z", "z")}},
      {"LF-only lines",
       "[Tapvero]\nZ=c\nX=v\n\n[Other]\na=1\n",
       {r(T, "Z"), r(T, "X"), w(T, "X", "v"), w(T, "X", "w")}},
      {"CR-only lines", "[Tapvero]\rZ=c\rX=v\r", {r(T, "Z"), r(T, "X"), w(T, kMouse, kTrue)}},
      {"mixed line ends", "[Tapvero]\r\n\r\rZ=c\n\r\nX=v", {r(T, "Z"), r(T, "X"), w(T, "X", "w")}},
      {"names without case", "[TAPVERO]\r\nz=c\r\nx=v\r\n", {r(T, "Z"), r("tapvero", "X"), w("TapVero", "Z", "q")}},
      {"brackets in section names",
       "[a]b]\r\nk=1\r\n[c\r\nk=2\r\n[]\r\nk=3\r\n",
       {r("a]b", "k"), r("a", "k"), r("c", "k"), r("[c", "k"), w("a]b", "k", "9")}},
      {"names with blanks given",
       "[Tapvero]\r\nZ=c\r\n",
       {r(" Tapvero ", " Z "), w(" Sp ", " k ", "  v  "), r("Sp", "k"), w("Sp", "k", "v")}},
      {"Chinese names and values", "[Tapvero]\r\n" + kZOn + "=" + kFalse + "\r\n" + kStage + "=\xA3\xB2\xA3\xB0\r\n",
       join(read_all, {w(T, kZOn, kTrue), w(T, kStage, "20")})},
      {"full-width spaces are not blanks",
       "[Tapvero]\r\nZ=\xA1\xA1"
       "c\xA1\xA1\r\n\xA1\xA1X=v\r\n",
       {r(T, "Z"), r(T, "X"), r(T, "\xA1\xA1X"), w(T, "Z", "c")}},
      {"tabs and ^Z",
       "[Tapvero]\r\n\x1AZ\x1A=\x1A"
       "c\x1A\r\n\x1A",
       {r(T, "Z"), w(T, "X", "x")}},
      {"ASCII value of 10239 bytes", "[Tapvero]\r\na=" + std::string(10239, 'a') + "\r\n", {r(T, "a")}},
      {"ASCII value of 10240 bytes", "[Tapvero]\r\na=" + std::string(10240, 'a') + "\r\n", {r(T, "a")}},
      {"ASCII value of 20000 bytes",
       "[Tapvero]\r\na=" + std::string(20000, 'b') + "\r\n",
       {r(T, "a"), w(T, "a", std::string(15000, 'c')), r(T, "a")}},
      {"quoted long values",
       "[Tapvero]\r\na=\"" + std::string(10237, 'q') + "\"\r\nb=\"" + std::string(10238, 'q') + "\"\r\nc=\"" +
           std::string(10239, 'q') + "\"\r\n",
       {r(T, "a"), r(T, "b"), r(T, "c")}},
      {"long default", std::nullopt, {r(T, "a", std::string(12000, 'd'))}},
      {"defaults with spaces and quotes",
       std::nullopt,
       {r(T, "a", "d  "), r(T, "a", "   "), r(T, "a", "'q'"), r(T, "a", "\"q"), r(T, "a", "")}},
      {"Chinese value within the buffer", "[Tapvero]\r\na=" + wide_value.substr(0, 10000) + "\r\n", {r(T, "a")}},
      {"junk bytes that are characters",
       "[Tapvero]\r\nbin=\x80\xFF\x81\x40\xFE\xFE\x01\x7F\r\n\xA1\xA2=\xB0\xA1\r\n",
       {r(T, "bin"), r(T, "\xA1\xA2"), w(T, "Z", "z")}},
      {"control characters",
       "[Tapvero]\r\nc=a\x01\x02\x1B"
       "b\r\n\x7F=del\r\n",
       {r(T, "c"), r(T, "\x7F"), w(T, "c", "\x01x")}},
      {"UTF-8 file", "\xEF\xBB\xBF[Tapvero]\r\n\xE9\xBC\xA0\xE6\xA0\x87=\xE7\x9C\x9F\r\nZ=c\r\n",
       join(read_all, {w(T, "X", kFalse), w(T, kMouse, kFalse)})},
      {"UTF-16LE file", std::string("\xFF\xFE[\0T\0a\0p\0v\0e\0r\0o\0]\0\r\0\n\0Z\0=\0\x2E\x95\r\0\n\0", 34),
       join(read_all, {w(T, "X", kTrue)})},
  };
}

std::string printable(std::string_view s) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += digits[c >> 4];
      out += digits[c & 15];
    }
  }
  return out;
}

// Equal bytes, or where they first differ, briefly.
::testing::AssertionResult same_bytes(const std::string& ours, const std::string& theirs) {
  if (ours == theirs) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < ours.size() && at < theirs.size() && ours[at] == theirs[at]) ++at;
  const std::size_t from = at > 20 ? at - 20 : 0;
  return ::testing::AssertionFailure() << "ours has " << ours.size() << " bytes, Windows " << theirs.size()
                                       << "; first difference at " << at
                                       << ":\n  ours:    " << printable(std::string_view(ours).substr(from, 60))
                                       << "\n  Windows: " << printable(std::string_view(theirs).substr(from, 60));
}

class Differential : public ::testing::Test {
 protected:
  void SetUp() override {
    if (GetACP() != 936) GTEST_SKIP() << "Windows reads GBK names only under code page 936";
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "tapvero-profile-" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(GetTickCount());
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
  }
  void TearDown() override {
    if (folder_.empty()) return;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder_ + "\\*.ini").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileA((folder_ + "\\" + found.cFileName).c_str());
      } while (FindNextFileA(h, &found));
      FindClose(h);
    }
    RemoveDirectoryA(folder_.c_str());
  }

  static std::optional<std::string> file_bytes(const std::string& path) {
    ReadResult file = system_file_store().read(text::gbk_to_utf16(path));
    if (file.status != ReadResult::Status::kFound) return std::nullopt;
    return std::move(file.bytes);
  }

  static void put_file(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    CloseHandle(file);
  }

  // The file as Windows writes it: a copy to which Windows adds a section,
  // and from which it deletes it again.
  std::string windows_form(const std::optional<std::string>& bytes) {
    if (!bytes) return {};
    const std::string scratch = folder_ + "\\form" + std::to_string(++scratch_count_) + ".ini";
    put_file(scratch, *bytes);
    WritePrivateProfileStringA("tapvero-form", "k", "v", scratch.c_str());
    WritePrivateProfileStringA("tapvero-form", nullptr, nullptr, scratch.c_str());
    return file_bytes(scratch).value_or("");
  }

  std::string folder_;
  int scratch_count_ = 0;
};

TEST_F(Differential, SameReadsAndSameFiles) {
  int index = 0;
  std::string kept_as_is;
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    ++index;
    const std::string theirs = folder_ + "\\theirs" + std::to_string(index) + ".ini";
    const std::string ours = folder_ + "\\ours" + std::to_string(index) + ".ini";
    const std::u16string ours_wide = text::gbk_to_utf16(ours);
    bool in_windows_form = true;
    if (c.initial) {
      put_file(theirs, *c.initial);
      put_file(ours, *c.initial);
      in_windows_form = windows_form(c.initial) == *c.initial;
      if (!in_windows_form) kept_as_is += std::string("\n  ") + c.name;
    }
    int step = 0;
    for (const Op& op : c.ops) {
      SCOPED_TRACE("step " + std::to_string(++step) + " [" + printable(op.section) + "] " + printable(op.key));
      if (op.kind == Op::kWrite) {
        const bool their_result =
            WritePrivateProfileStringA(op.section.c_str(), op.key.c_str(), op.value.c_str(), theirs.c_str()) != 0;
        EXPECT_EQ(profile_write(system_file_store(), ours_wide, op.section, {{op.key, op.value}}), their_result);
      } else {
        std::string buffer(kReadBufferSize, '\0');
        const DWORD n = GetPrivateProfileStringA(op.section.c_str(), op.key.c_str(), op.value.c_str(), buffer.data(),
                                                 static_cast<DWORD>(buffer.size()), theirs.c_str());
        buffer.resize(n);
        EXPECT_TRUE(same_bytes(
            profile_read(system_file_store(), ours_wide, op.section, {{op.key, op.value}}, kReadBufferSize)[0],
            buffer));
      }
      const auto their_file = file_bytes(theirs);
      const auto our_file = file_bytes(ours);
      ASSERT_EQ(our_file.has_value(), their_file.has_value());
      if (our_file && in_windows_form) {
        EXPECT_TRUE(same_bytes(*our_file, *their_file));
      } else if (our_file) {
        EXPECT_TRUE(same_bytes(windows_form(our_file), windows_form(their_file)));
      }
    }
  }
  std::cout << "Files compared in Windows' form (our writes keep the user's other lines):" << kept_as_is << "\n";
}

TEST(CodePage, IsTheOneThisRunAskedFor) {
  const char* wanted = std::getenv("TAPVERO_ACP");
  if (wanted == nullptr) GTEST_SKIP() << "not run through the test runner";
  EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(wanted)));
}

}  // namespace
}  // namespace tapvero::storage
