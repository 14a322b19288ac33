// Reading the input and writing the output of a conversion.
#include <gtest/gtest.h>

#include "mainwindow/text_file.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::WriteError;
using testing_support::Show;
using testing_support::TempDir;

TEST(ReadTextFile, DecodesShiftJisAndCutsAtTheFirstNul) {
  TempDir dir;
  dir.Write(u"a.htm", "\x82\xA0<b>x</b>\r\n");
  dir.Write(u"zero.htm", std::string("ab\0cd", 5));
  dir.Write(u"lead.htm", std::string("a\x82\0b", 4));
  dir.Write(u"empty.htm", "");
  dir.MakeFolder(u"folder.htm");
  struct Case {
    std::u16string path, expected;
  };
  const Case cases[] = {
      {dir / u"a.htm", u"あ<b>x</b>\r\n"},
      {dir / u"zero.htm", u"ab"},
      {dir / u"lead.htm", u"a\u30FB"},
      {dir / u"empty.htm", u""},
      {dir / u"missing.htm", u""},
      {dir / u"folder.htm", u""},
      {u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(Show(ReadTextFile(c.path)), Show(c.expected));
}

TEST(WriteTextFile, WritesShiftJisFollowedByCrLf) {
  TempDir dir;
  ASSERT_EQ(WriteTextFile(dir / u"out.txt", u"あ\r\n"), WriteError::kNone);
  EXPECT_EQ(dir.Read(u"out.txt"), "\x82\xA0\r\n\r\n");
  ASSERT_EQ(WriteTextFile(dir / u"out.txt", u""), WriteError::kNone);
  EXPECT_EQ(dir.Read(u"out.txt"), "\r\n");
  EXPECT_EQ(dir.CountEntries(), 1);
}

TEST(WriteTextFile, FailureLeavesTheOldFileAsItWas) {
  TempDir dir;
  dir.Write(u"old.txt", "keep me");
  dir.SetReadOnly(u"old.txt", true);
  dir.MakeFolder(u"folder.txt");
  EXPECT_EQ(WriteTextFile(dir / u"old.txt", u"new"), WriteError::kReadOnly);
  EXPECT_EQ(WriteTextFile(dir / u"folder.txt", u"new"), WriteError::kIsDirectory);
  EXPECT_EQ(WriteTextFile(dir / u"no\\out.txt", u"new"), WriteError::kNoFolder);
  EXPECT_EQ(dir.Read(u"old.txt"), "keep me");
  EXPECT_EQ(dir.CountEntries(), 2);
}

TEST(TextFiles, PathsLongerThan260CharactersWork) {
  TempDir dir;
  std::u16string relative;
  for (int i = 0; i < 6; ++i) {
    relative += (i ? u"\\" : u"") + std::u16string(50, static_cast<char16_t>(u'a' + i));
    dir.MakeFolder(relative);
  }
  const std::u16string path = dir / (relative + u"\\page.htm");
  ASSERT_GT(path.size(), 300u);
  dir.Write(relative + u"\\page.htm", "long");
  EXPECT_EQ(Show(ReadTextFile(path)), "long");
  EXPECT_EQ(WriteTextFile(dir / (relative + u"\\out.txt"), u"x"), WriteError::kNone);
  EXPECT_EQ(dir.Read(relative + u"\\out.txt"), "x\r\n");
}

#ifdef _WIN32
TEST(TextFiles, DeviceNamesNeitherHangNorCount) {
  for (const std::u16string name :
       {u"CON", u"NUL", u"COM1", u"LPT1", u"\\\\.\\NUL", u"\\\\.\\CON", u"nul.htm", u"con.txt"}) {
    EXPECT_EQ(Show(ReadTextFile(name)), "") << Show(name);
  }
  // Writing to a device never reports success for a file that was not written.
  for (const std::u16string name : {u"CON", u"COM1", u"\\\\.\\NUL"})
    EXPECT_NE(WriteTextFile(name, u"x"), WriteError::kNone) << Show(name);
}
#endif

}  // namespace
