#include "storage/profile.h"

#include <gtest/gtest.h>

#include "storage/config_keys.h"
#include "support/memory_file_store.h"
#include "support/stored_names.h"

namespace tapvero::storage {
namespace {

using namespace tapvero::test;

const std::u16string kPath = u"C:\\game\\Config.ini";
constexpr const char* kSection = "Tapvero";

class Profile : public ::testing::Test {
 protected:
  std::string read(std::string_view key, std::string_view fallback = "<none>", std::string_view section = kSection,
                   std::size_t buffer_size = kReadBufferSize) {
    return profile_read(files, kPath, section, {{key, fallback}}, buffer_size)[0];
  }
  bool write(std::string_view key, std::string_view value, std::string_view section = kSection) {
    return profile_write(files, kPath, section, {{key, value}});
  }
  void given(std::string content) { files.files[kPath] = std::move(content); }
  const std::string& file() { return files.files[kPath]; }

  MemoryFileStore files;
};

TEST_F(Profile, ReplacesInPlaceAndAppendsNewKeysToTheirSection) {
  given("; settings\r\n[Other]\r\na=1\r\n[Tapvero]\r\nZ=z\r\nX=x\r\n[Last]\r\nb=2\r\n");
  EXPECT_TRUE(write("Z", "c"));
  EXPECT_TRUE(write("new", "v"));
  EXPECT_EQ(file(), "; settings\r\n[Other]\r\na=1\r\n[Tapvero]\r\nZ=c\r\nX=x\r\nnew=v\r\n[Last]\r\nb=2\r\n");
}

TEST_F(Profile, AnUnchangedValueLeavesTheFileUntouched) {
  given("[Tapvero]\nZ = z   \n");
  EXPECT_TRUE(write("Z", "z"));
  EXPECT_EQ(files.writes, 0);
  EXPECT_EQ(file(), "[Tapvero]\nZ = z   \n");
  EXPECT_TRUE(write("Z", "x"));
  EXPECT_EQ(file(), "[Tapvero]\nZ=x\n");
}

struct LineCase {
  std::string before;
  std::string key, value, section;
  std::string after;
};

// Windows rewrites every line (CR LF, blanks trimmed, blank lines dropped);
// a save here changes only the line it writes, and a line or section it
// adds uses the file's own line break.
TEST_F(Profile, ASaveChangesOnlyTheLineItWrites) {
  const std::string user = "top line\n  [ Tapvero ]  \n\n ; comment \nZ\t=\tz\nZ=second\nodd line\n\n\n=\n=\n";
  const LineCase cases[] = {
      {user + "X=x", "X", "y", kSection, user + "X=y"},
      {user + "X=x", "Z", "q", kSection,
       "top line\n  [ Tapvero ]  \n\n ; comment \nZ=q\nZ=second\nodd line\n\n\n=\n=\nX=x"},
      {user, "new", "v", kSection, user + "new=v\n"},
      {"[Tapvero]\r\n\tZ = z \t\r\n\r\n[Other]\r\na = 1\r\n", "X", "x", kSection,
       "[Tapvero]\r\n\tZ = z \t\r\nX=x\r\n\r\n[Other]\r\na = 1\r\n"},
      {"[Tapvero]\rZ=z\r\r[Other]\ra=1", "Z", "c", kSection, "[Tapvero]\rZ=c\r\r[Other]\ra=1"},
      {"[Tapvero]\rZ=z\r\r[Other]\ra=1", "b", "2", "Other", "[Tapvero]\rZ=z\r\r[Other]\ra=1\rb=2\r"},
      {"; mine\n\n[Other]\na=1\n\n", "Z", "z", kSection, "; mine\n\n[Other]\na=1\n\n[Tapvero]\nZ=z\n"},
      {"[Tapvero]", "Z", "z", kSection, "[Tapvero]\r\nZ=z\r\n"},
      {"[Tapvero]\nZ\n", "Z", "z", kSection, "[Tapvero]\nZ=z\n"},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.before);
    given(c.before);
    EXPECT_TRUE(write(c.key, c.value, c.section));
    EXPECT_EQ(file(), c.after);
  }
}

TEST_F(Profile, NamesMatchWithoutCaseAndWithoutSurroundingBlanks) {
  given("[tapVERO]\r\nz=lower\r\n");
  EXPECT_EQ(read("Z"), "lower");
  EXPECT_EQ(read(" Z\t"), "lower");
  EXPECT_EQ(read("Z", "d", "  TAPVERO "), "lower");
  EXPECT_EQ(read("\xA3\xDA"), "<none>");  // full-width Z is another name
}

TEST_F(Profile, ValuesLoseBlanksAndOnePairOfQuotes) {
  given(
      "[Tapvero]\r\na=  spaced  "
      "\r\nb=\"quoted\"\r\nc='single'\r\nd=\"unbalanced\r\ne=\"\r\nf=''\r\ng=\r\nh=\"a\"b\"\r\n");
  EXPECT_EQ(read("a"), "spaced");
  EXPECT_EQ(read("b"), "quoted");
  EXPECT_EQ(read("c"), "single");
  EXPECT_EQ(read("d"), "\"unbalanced");
  EXPECT_EQ(read("e"), "\"");
  EXPECT_EQ(read("f"), "");
  EXPECT_EQ(read("g"), "");  // present but empty: not the default
  EXPECT_EQ(read("h"), "a\"b");
}

TEST_F(Profile, DefaultsForMissingFilesSectionsKeysAndLinesWithoutEquals) {
  EXPECT_EQ(read("Z", "z"), "z");
  given("Z=before any section\r\n[Tapvero]\r\nX\r\n[Other]\r\nY=1\r\n");
  EXPECT_EQ(read("Z", "z"), "z");
  EXPECT_EQ(read("X", "x"), "x");
  EXPECT_EQ(read("Y", "y"), "y");
  EXPECT_EQ(read("Y", "y", "Other"), "1");
  EXPECT_EQ(read("Q", "pad   "), "pad");  // a default loses its trailing spaces
  EXPECT_EQ(read("Q", "   "), " ");
}

TEST_F(Profile, TheFirstOfDuplicateKeysAndSectionsWins) {
  given("[Tapvero]\r\nZ=first\r\nz=second\r\n[Tapvero]\r\nX=later section\r\n");
  EXPECT_EQ(read("Z"), "first");
  EXPECT_EQ(read("X", "none"), "none");
  EXPECT_TRUE(write("X", "x"));
  EXPECT_EQ(file(), "[Tapvero]\r\nZ=first\r\nz=second\r\nX=x\r\n[Tapvero]\r\nX=later section\r\n");
}

TEST_F(Profile, ValuesAreCutToTheBufferLessOneByte) {
  given("[Tapvero]\r\nlong=" + std::string(20000, 'a') + "\r\n");
  EXPECT_EQ(read("long").size(), 10239u);
  // Double-byte characters are never split.
  std::string wide;
  for (int i = 0; i < 6000; ++i) wide += "\xD5\xE6";
  given("[Tapvero]\r\nlong=" + wide + "\r\n");
  EXPECT_EQ(read("long"), wide.substr(0, 10238));
  EXPECT_EQ(read("long", "", kSection, 4), "\xD5\xE6");
}

TEST_F(Profile, BracketsAndEqualsInsideDoubleByteCharactersAreText) {
  // 81 5B and 81 5D are characters whose trail bytes are '[' and ']'; 81 3D
  // is no character, so its 3D is a real '='.
  given("[Tapvero]\r\n\x81\x5B=one\r\nk\x81\x5D=two\r\n[T\x81\x5D]\r\nq=three\r\n");
  EXPECT_EQ(read("\x81\x5B"), "one");
  EXPECT_EQ(read("k\x81\x5D"), "two");
  EXPECT_EQ(read("q", "-", "T\x81\x5D"), "three");
  EXPECT_TRUE(write("k\x81\x5D", "2"));
  EXPECT_EQ(file(), "[Tapvero]\r\n\x81\x5B=one\r\nk\x81\x5D=2\r\n[T\x81\x5D]\r\nq=three\r\n");
}

TEST_F(Profile, ArbitraryBytesSurviveARewrite) {
  const std::string junk = "[Tapvero]\r\nbin=\x80\xFF\x81\x7F\x01\x02\r\n\xFE\r\n";
  given(junk);
  EXPECT_EQ(read("bin"), "\x80\xFF\x81\x7F\x01\x02");
  EXPECT_TRUE(write("Z", "z"));
  EXPECT_EQ(file(), junk + "Z=z\r\n");
}

TEST_F(Profile, LeadBytesWithoutATrailByteStayAsTheyAre) {
  const std::string file_text = "[Tapvero]\r\na=x\x81\r\nb=\x81\x30\x81\x7F\r\n\x81=c\r\nd=\xA1";
  given(file_text);
  EXPECT_EQ(read("a"), "x\x81");
  EXPECT_EQ(read("b"), "\x81\x30\x81\x7F");
  EXPECT_EQ(read("\x81"), "c");
  EXPECT_EQ(read("d"), "\xA1");
  EXPECT_TRUE(write("Z", "z"));
  EXPECT_EQ(file(), "[Tapvero]\r\na=x\x81\r\nb=\x81\x30\x81\x7F\r\n\x81=c\r\nd=\xA1\r\nZ=z\r\n");
}

TEST_F(Profile, NewNamesKeepTrailingBlanksAndValuesLoseLeadingOnes) {
  EXPECT_TRUE(write("k ", "  v ", " Sp "));
  EXPECT_EQ(file(), "[Sp ]\r\nk =v \r\n");
  EXPECT_EQ(read("k", "-", "Sp"), "v");
}

TEST_F(Profile, UnicodeFilesAreReadAndWrittenInTheirOwnEncoding) {
  given("\xEF\xBB\xBF[Tapvero]\r\n" + std::string("\xE9\xBC\xA0\xE6\xA0\x87") + "=\xE7\x9C\x9F\r\n");  // 鼠标=真
  EXPECT_EQ(read(kMouse), kTrue);
  EXPECT_TRUE(write("Z", kFalse));
  EXPECT_EQ(file(), "\xEF\xBB\xBF[Tapvero]\r\n\xE9\xBC\xA0\xE6\xA0\x87=\xE7\x9C\x9F\r\nZ=\xE5\x81\x87\r\n");

  given(std::string("\xFF\xFE[\0T\0]\0\n\0k\0=\0\x2E\x95\n\0", 18));  // [T]\nk=键 in UTF-16LE
  EXPECT_EQ(read("k", "-", "T"), "\xBC\xFC");
  given(std::string("\xFE\xFF\0[\0T\0]\0\n\0k\0=\x95\x2E", 16));  // the same in UTF-16BE
  EXPECT_EQ(read("k", "-", "T"), "\xBC\xFC");
  EXPECT_TRUE(write("k", "v", "T"));
  EXPECT_EQ(file(), std::string("\xFE\xFF\0[\0T\0]\0\n\0k\0=\0v", 16));
}

// A file that is there but cannot be read (another program holds it) reads
// as a missing one, and a save then writes nothing: what the file holds
// would be lost. Refused writes and replacements leave the old file whole.
TEST_F(Profile, FailuresOfTheFileStoreLeaveTheFileAsItWas) {
  const std::string mine = "; mine\r\n[Tapvero]\r\nZ=c\r\n";
  enum Failure { kNone, kUnreadable, kWriteRefused, kReplaceRefused };
  for (const Failure failure : {kNone, kUnreadable, kWriteRefused, kReplaceRefused}) {
    SCOPED_TRACE(failure);
    files = MemoryFileStore();
    given(mine);
    if (failure == kUnreadable) files.unreadable.insert(kPath);
    files.read_only = failure == kWriteRefused;
    files.replace_refused = failure == kReplaceRefused;
    EXPECT_EQ(read("Z", "z"), failure == kUnreadable ? "z" : "c");
    EXPECT_EQ(write("Z", "c"), failure != kUnreadable);  // changing nothing, it fails only unread
    EXPECT_EQ(write("X", "x"), failure == kNone);
    EXPECT_EQ(file(), failure == kNone ? mine + "X=x\r\n" : mine);
    EXPECT_EQ(files.writes, failure == kNone ? 1 : 0);
  }
  // Not found: the first save makes the file, unless the folder refuses it.
  files = MemoryFileStore();
  files.read_only = true;
  EXPECT_FALSE(write("Z", "z"));
  EXPECT_TRUE(files.files.empty());
  files.read_only = false;
  EXPECT_TRUE(write("Z", "z"));
  EXPECT_EQ(file(), "[Tapvero]\r\nZ=z\r\n");
}

TEST(SettingsFile, PathIsTheExecutablesFolderPlusConfigIni) {
  EXPECT_EQ(config_path_for(u"C:\\Games\\Tapvero\\Tapvero.exe"), u"C:\\Games\\Tapvero\\Config.ini");
  EXPECT_EQ(config_path_for(u"D:\\Tapvero.exe"), u"D:\\Config.ini");
  EXPECT_EQ(config_path_for(u"\\\\server\\share\\t.exe"), u"\\\\server\\share\\Config.ini");
}

TEST(SettingsFile, ReadKeysStripsLeadingControlsAndShortCutsEmptyNames) {
  MemoryFileStore files;
  files.files[kPath] = "[Tapvero]\r\nZ=c\r\n";
  const std::vector<ProfileEntry> keys = {{"Z", "z"}, {"\x1F Z", "z"}, {" \t", "z"}, {"missing", "d"}};
  const std::vector<std::string> found = {"c", "c", "", "d"};
  EXPECT_EQ(read_keys(files, kPath, kSection, keys), found);
  EXPECT_EQ(read_keys(files, u"\t " + kPath, "\x01 Tapvero", keys), found);
  EXPECT_EQ(read_keys(files, kPath, "  ", keys), std::vector<std::string>(4));
  EXPECT_EQ(read_keys(files, u"  ", kSection, keys), std::vector<std::string>(4));
  // Several keys are one save, and a save that changes nothing replaces nothing.
  for (int i = 0; i < 2; ++i) EXPECT_TRUE(write_keys(files, kPath, kSection, {{"X", "x"}, {"Z", "c"}, {"Y", "y"}}));
  EXPECT_EQ(files.files[kPath], "[Tapvero]\r\nZ=c\r\nX=x\r\nY=y\r\n");
  EXPECT_EQ(files.writes, 1);
}

}  // namespace
}  // namespace tapvero::storage
