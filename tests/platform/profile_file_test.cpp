// The settings file's reader and writer. The same table runs against every
// implementation the build has: on Windows both the platform's own profile
// functions and ours, so that ours is held to the platform's behaviour.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/file_system.h"
#include "platform/profile_file.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::TempDir;

struct Implementation {
  const char* name;
  platform::ProfileFile& (*get)();
};

std::vector<Implementation> Implementations() {
  std::vector<Implementation> all{{"ours", &platform::PortableProfile}};
#ifdef _WIN32
  all.push_back({"platform", &platform::SystemProfile});
#endif
  return all;
}

struct ReadCase {
  const char* file;  // nullptr: no file
  std::u16string section, key;
  std::int32_t expected;
};

constexpr std::int32_t kFallback = -5;

const ReadCase kReads[] = {
    {"[A]\r\nk=12\r\n", u"A", u"k", 12},
    {nullptr, u"A", u"k", kFallback},
    {"", u"A", u"k", kFallback},
    {"[A]\r\nk=12\r\n", u"B", u"k", kFallback},
    {"[A]\r\nk=12\r\n", u"A", u"j", kFallback},
    {"[html]\r\nhr=7\r\n", u"HTML", u"HR", 7},
    {"  [ B ]  \r\n  k  =  2  \r\n", u"B", u"k", 2},
    {"[A]\r\nk=1\r\n", u" A ", u"  k ", 1},
    {"[A]\r\nk=1\r\n", u"A", u"", kFallback},
    {"[A]\r\nk=1\r\n[A]\r\nk=2\r\nj=3\r\n", u"A", u"k", 1},
    {"[A]\r\nk=1\r\n[A]\r\nk=2\r\nj=3\r\n", u"A", u"j", kFallback},
    {"[A\r\nk=1\r\n", u"A", u"k", kFallback},
    {"[C]x\r\nk=3\r\n", u"C", u"k", 3},
    {"[A]\rk=5\r", u"A", u"k", 5},
    {"[A]\nk=5", u"A", u"k", 5},
    {"[A]\r\nk\r\n", u"A", u"k", kFallback},
    {"[A]\r\nk =   \r\n", u"A", u"k", kFallback},
    {"[A]\r\nk=-12abc\r\n", u"A", u"k", -12},
    {"[A]\r\nk=+7\r\n", u"A", u"k", 7},
    {"[A]\r\nk=+-5\r\n", u"A", u"k", 0},
    {"[A]\r\nk= - 5\r\n", u"A", u"k", 0},
    {"[A]\r\nk=-\r\n", u"A", u"k", 0},
    {"[A]\r\nk=1 2\r\n", u"A", u"k", 1},
    {"[A]\r\nk=1e3\r\n", u"A", u"k", 1},
    {"[A]\r\nk=abc\r\n", u"A", u"k", 0},
    {"[A]\r\nk=017\r\n", u"A", u"k", 17},
    {"[A]\r\nk=0x10\r\n", u"A", u"k", 16},
    {"[A]\r\nk=0xfg\r\n", u"A", u"k", 15},
    {"[A]\r\nk=-0x10\r\n", u"A", u"k", -16},
    {"[A]\r\nk=0X1f\r\n", u"A", u"k", 0},
    {"[A]\r\nk=0x\r\n", u"A", u"k", 0},
    {"[A]\r\nk=0o17\r\n", u"A", u"k", 15},
    {"[A]\r\nk=0b101\r\n", u"A", u"k", 5},
    {"[A]\r\nk=0x8000\r\n", u"A", u"k", 32768},
    {"[A]\r\nk=0xffffffff\r\n", u"A", u"k", -1},
    {"[A]\r\nk=4294967295\r\n", u"A", u"k", -1},
    {"[A]\r\nk=99999999999\r\n", u"A", u"k", 1215752191},
    {"[A]\r\nk=12345678901234567890123456789012345\r\n", u"A", u"k", 1849262357},
    {"[A]\r\nk='12'\r\n", u"A", u"k", 12},
    {"[A]\r\nk=\"-3\"\r\n", u"A", u"k", -3},
    {"[A]\r\nk='5\r\n", u"A", u"k", 0},
    {"[A]\r\nk=\xEF\xBC\x95\r\n", u"A", u"k", 0},
    // A lead byte takes the line feed after it as its trail byte.
    {"[A]\r\nk=\x95\nj=4\r\n", u"A", u"j", kFallback},
    {"[\x83\x5D]\r\nk=1\r\n[A]\r\nk=9\r\n", u"A", u"k", 9},
    {"\xEF\xBB\xBF[A]\r\nk=6\r\n", u"A", u"k", 6},
};

class ProfileReadTest : public testing::TestWithParam<Implementation> {};

TEST_P(ProfileReadTest, GetIntAsThePlatformReadsIt) {
  TempDir dir;
  for (const ReadCase& c : kReads) {
    const std::u16string path = dir / u"test.ini";
    platform::RemoveFile(path);
    if (c.file) dir.Write(u"test.ini", c.file);
    auto got =
        static_cast<std::int32_t>(GetParam().get().GetInt(c.section, c.key, kFallback, path));
    EXPECT_EQ(got, c.expected) << "file: " << (c.file ? c.file : "(none)");
  }
}

TEST_P(ProfileReadTest, ReadsUtf16FilesWithByteOrderMark) {
  TempDir dir;
  const std::string le(
      "\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0"
      "3\0\r\0\n\0",
      22);
  const std::string be(
      "\xFE\xFF\0[\0A\0]\0\r\0\n\0k\0=\0"
      "4\0\r\0\n",
      22);
  dir.Write(u"le.ini", le);
  dir.Write(u"be.ini", be);
  EXPECT_EQ(GetParam().get().GetInt(u"A", u"k", -1, dir / u"le.ini"), 3u);
  EXPECT_EQ(GetParam().get().GetInt(u"A", u"k", -1, dir / u"be.ini"), 4u);
}

TEST_P(ProfileReadTest, AFolderReadsAsMissing) {
  TempDir dir;
  dir.MakeFolder(u"dir.ini");
  EXPECT_EQ(GetParam().get().GetInt(u"A", u"k", 8, dir / u"dir.ini"), 8u);
}

struct StringCase {
  const char* file;  // nullptr: no file
  std::u16string fallback, expected;
};

// Section A, key k.
const StringCase kStrings[] = {
    {"[A]\r\nk=utf-8\r\n", u"same", u"utf-8"},
    {nullptr, u"same", u"same"},
    {"[A]\r\nj=1\r\n", u"same", u"same"},
    {"[B]\r\nk=1\r\n", u"same", u"same"},
    {"[a]\r\nK  =  UTF-8 BOM  \r\n", u"same", u"UTF-8 BOM"},
    {"[A]\r\nk=\r\n", u"same", u""},
    {"[A]\r\nk\r\n", u"same", u"same"},
    {"[A]\r\nk=\"ansi\"\r\n", u"same", u"ansi"},
    {"[A]\r\nk='x'\r\n", u"same", u"x"},
    {"[A]\r\nk=\"x'\r\n", u"same", u"\"x'"},
    {"[A]\r\nk=\"\r\n", u"same", u"\""},
    {"[A]\r\nk=a=b\r\n", u"same", u"a=b"},
    {"[A]\r\nk=\x83\x5C\r\n", u"same", u"\u30BD"},
    {"[A]\r\nk=1\r\n[A]\r\nk=2\r\n", u"same", u"1"},
    {nullptr, u"same  ", u"same"},
    {nullptr, u"\"q\"", u"q"},
};

TEST_P(ProfileReadTest, GetStringAsThePlatformReadsIt) {
  TempDir dir;
  int n = 0;
  for (const StringCase& c : kStrings) {
    std::u16string name = u"s";
    name += static_cast<char16_t>(u'a' + n++);
    name += u".ini";
    if (c.file) dir.Write(name, c.file);
    EXPECT_EQ(GetParam().get().GetString(u"A", u"k", c.fallback, dir / name), c.expected)
        << "file: " << (c.file ? c.file : "(none)");
  }
}

struct Write {
  std::u16string section, key, value;
};

struct WriteCase {
  std::optional<std::string> before;  // none: no file
  std::vector<Write> writes;
  std::string after;
};

const WriteCase kWrites[] = {
    {std::nullopt,
     {{u"HTML", u"HR", u"1"}, {u"HR", u"NUM", u"5"}, {u"HTML", u"BR", u"1"}},
     "[HTML]\r\nHR=1\r\nBR=1\r\n[HR]\r\nNUM=5\r\n"},
    {"", {{u"A", u"k", u"1"}}, "[A]\r\nk=1\r\n"},
    {"[A]\nk=1", {{u"A", u"k", u"2"}}, "[A]\r\nk=2\r\n"},
    {"x=1\r\n[A]\r\nk=1\r\n", {{u"B", u"k", u"2"}}, "x=1\r\n[A]\r\nk=1\r\n[B]\r\nk=2\r\n"},
    {"[a]\r\nK=1\r\n", {{u"A", u"k", u"2"}}, "[a]\r\nK=2\r\n"},
    {"[A]\r\nk=1\r\n", {{u"A", u"j", u"  5"}}, "[A]\r\nk=1\r\nj=5\r\n"},
    // The whole file is saved again in its plain form.
    {"; comment\r\n  [html]  \r\n  hr  =  7  \r\n\r\nnoeq\r\n[Other]\r\nx=1\r\n[HTML]\r\nBR=3\r\n",
     {{u"HTML", u"P", u"0"}},
     "; comment\r\n[html]\r\nhr=7\r\nnoeq\r\nP=0\r\n[Other]\r\nx=1\r\n[HTML]\r\nBR=3\r\n"},
    {"k=1\r\n[A]\r\n=5\r\n=6\r\n[B]\r\n[A]\r\nz=1",
     {{u"B", u"j", u"4"}},
     "k=1\r\n[A]\r\n=5\r\n[B]\r\nj=4\r\n[A]\r\nz=1\r\n"},
    {"[A\r\nk=1\r\n[ B ]\r\nk=2\r\n[C]x\r\nk=3\r\n",
     {{u"C", u"j", u"4"}},
     "[A\r\nk=1\r\n[B]\r\nk=2\r\n[C]\r\nk=3\r\nj=4\r\n"},
    {"[\x83\x5D]\r\nk=1\r\n[A]\r\nk=9\r\n",
     {{u"A", u"j", u"4"}},
     "[\x83\x5D]\r\nk=1\r\n[A]\r\nk=9\r\nj=4\r\n"},
    // Writing the value a key already holds leaves the file untouched.
    {"[A]\r\n  k =  1  \r\n\r\n", {{u"A", u"k", u"1"}}, "[A]\r\n  k =  1  \r\n\r\n"},
    {"\xEF\xBB\xBF[A]\r\nk=6\r\n", {{u"A", u"j", u"4"}}, "\xEF\xBB\xBF[A]\r\nk=6\r\nj=4\r\n"},
    {std::string("\xFF\xFE[\0A\0]\0\r\0\n\0", 12),
     {{u"A", u"j", u"4"}},
     std::string("\xFF\xFE[\0A\0]\0\r\0\n\0j\0=\0"
                 "4\0\r\0\n\0",
                 22)},
};

TEST_P(ProfileReadTest, WriteStringSavesAsThePlatformDoes) {
  TempDir dir;
  int n = 0;
  for (const WriteCase& c : kWrites) {
    // A new name each time: the platform keeps recently used files cached.
    std::u16string name = u"w";
    name += static_cast<char16_t>(u'a' + n++);
    name += u".ini";
    if (c.before) dir.Write(name, *c.before);
    for (const Write& w : c.writes)
      EXPECT_TRUE(GetParam().get().WriteString(w.section, w.key, w.value, dir / name));
    EXPECT_EQ(dir.Read(name), c.after) << "before: " << c.before.value_or("(none)");
  }
}

// A file without a byte order mark whose first line, once trimmed, begins
// with a mark's bytes: saved again, it must still read as it was written.
// (The platform's functions then save a file that reads as Unicode.)
TEST(PortableProfile, AFirstLineBeginningWithAMarksBytesKeepsTheFileAnsi) {
  TempDir dir;
  const char* const kFirstLines[] = {" \xFF\xFEhc", "\r\n\xFE\xFFx", "\t\xEF\xBB\xBFy=2"};
  int n = 0;
  for (const char* first : kFirstLines) {
    std::u16string name = u"m";
    name += static_cast<char16_t>(u'a' + n++);
    name += u".ini";
    dir.Write(name, std::string(first) + "\r\n[A]\r\nk=7\r\n");
    platform::ProfileFile& ours = platform::PortableProfile();
    ASSERT_TRUE(ours.WriteString(u"B", u"j", u"4", dir / name));
    ASSERT_TRUE(ours.WriteString(u"B", u"i", u"5", dir / name));
    EXPECT_EQ(ours.GetInt(u"A", u"k", -1, dir / name), 7u) << first;
    EXPECT_EQ(ours.GetInt(u"B", u"j", -1, dir / name), 4u) << first;
    EXPECT_EQ(ours.GetInt(u"B", u"i", -1, dir / name), 5u) << first;
  }
}

TEST_P(ProfileReadTest, WriteFailsForAFolderOrAMissingFolder) {
  TempDir dir;
  dir.MakeFolder(u"dir.ini");
  EXPECT_FALSE(GetParam().get().WriteString(u"A", u"k", u"1", dir / u"dir.ini"));
  EXPECT_FALSE(GetParam().get().WriteString(u"A", u"k", u"1", dir / u"missing\\x.ini"));
  EXPECT_EQ(dir.CountEntries(), 1);
}

// A profile file changed as a whole: every write lands or none, and no copy
// stays behind either way.
TEST(RewriteProfileFile, AllTheWritesOrNone) {
  struct Case {
    const char* name;
    std::optional<std::string> before;
    bool second_write_fails;
    bool ok;
    std::optional<std::string> after;
  };
  const std::string before = "; mine\r\n[A]\r\nk=0\r\n";
  const Case cases[] = {
      {"both writes", before, false, true, "; mine\r\n[A]\r\nk=1\r\n[B]\r\nj=2\r\n"},
      {"a new file", std::nullopt, false, true, "[A]\r\nk=1\r\n[B]\r\nj=2\r\n"},
      {"the second write fails", before, true, false, before},
      {"no file and a failure", std::nullopt, true, false, std::nullopt},
  };
  for (const Case& c : cases) {
    TempDir dir;
    if (c.before) dir.Write(u"s.ini", *c.before);
    platform::ProfileFile& profile = platform::SystemProfile();
    const bool ok = platform::RewriteProfileFile(dir / u"s.ini", [&](const std::u16string& copy) {
      profile.WriteString(u"A", u"k", u"1", copy);
      return !c.second_write_fails && profile.WriteString(u"B", u"j", u"2", copy);
    });
    EXPECT_EQ(ok, c.ok) << c.name;
    EXPECT_EQ(dir.Read(u"s.ini"), c.after) << c.name;
    EXPECT_EQ(dir.CountEntries(), c.after ? 1 : 0) << c.name;
  }
}

TEST(RewriteProfileFile, RefusesAFolderAndAReadOnlyFile) {
  TempDir dir;
  dir.MakeFolder(u"dir.ini");
  dir.Write(u"ro.ini", "[A]\r\nk=0\r\n");
  dir.SetReadOnly(u"ro.ini", true);
  auto write = [](const std::u16string& copy) {
    return platform::SystemProfile().WriteString(u"A", u"k", u"1", copy);
  };
  EXPECT_FALSE(platform::RewriteProfileFile(dir / u"dir.ini", write));
  EXPECT_FALSE(platform::RewriteProfileFile(dir / u"ro.ini", write));
  EXPECT_EQ(dir.Read(u"ro.ini"), "[A]\r\nk=0\r\n");
  EXPECT_EQ(dir.CountEntries(), 2);
  dir.SetReadOnly(u"ro.ini", false);
}

INSTANTIATE_TEST_SUITE_P(All, ProfileReadTest, testing::ValuesIn(Implementations()),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

}  // namespace
