// The path procedures: the string helpers by table, ToLongPathName against
// real folders whose stored case differs from the typed case.
#include <gtest/gtest.h>

#include <filesystem>

#include "mainwindow/path_names.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::Show;
using testing_support::TempDir;

struct Case {
  std::u16string argument, expected;
};

void Check(std::u16string (*helper)(const std::u16string&), std::initializer_list<Case> cases) {
  for (const Case& c : cases)
    EXPECT_EQ(Show(helper(c.argument)), Show(c.expected)) << "argument: " << Show(c.argument);
}

TEST(PathNames, GetFolderPath) {
  Check(GetFolderPath, {{u"C:\\site\\page.htm", u"C:\\site"},
                        {u"C:\\page.htm", u"C:"},
                        {u"C:\\site\\", u"C:\\site"},
                        {u"\\\\server\\share\\page.htm", u"\\\\server\\share"},
                        {u"page.htm", u"c:\\"},
                        {u"", u"c:\\"},
                        {u"C:/site/page.htm", u"c:\\"}});
}

TEST(PathNames, GetFileName) {
  Check(GetFileName, {{u"C:\\site\\page.htm", u"page.htm"},
                      {u"page.htm", u"page.htm"},
                      {u"C:\\site\\", u""},
                      {u"", u""},
                      {u"C:/site/page.htm", u"C:/site/page.htm"}});
}

TEST(PathNames, RemoveExtension) {
  Check(RemoveExtension, {{u"C:\\site\\page.htm", u"C:\\site\\page"},
                          {u"C:\\site\\a.b.html", u"C:\\site\\a.b"},
                          {u"C:\\my.site\\readme", u"C:\\my.site\\readme"},
                          {u"page.htm", u"page"},
                          {u"C:\\site\\.profile", u"C:\\site\\"},
                          {u"name.", u"name"},
                          {u"", u""}});
}

TEST(PathNames, CutAtNull) {
  Check(CutAtNull, {{std::u16string(u"abc\0\0\0", 6), u"abc"},
                    {std::u16string(u"\0abc", 4), u""},
                    {std::u16string(u"a\0b\0", 4), u"a"},
                    {u"abc", u"abc"},
                    {u"", u""}});
}

class LongPathTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_.MakeFolder(u"Site\\Sub Dir");
    dir_.Write(u"Site\\Page.htm", "x");
    dir_.Write(u"Site\\Sub Dir\\README", "y");
  }
  TempDir dir_;
};

TEST_F(LongPathTest, EmptyAndMissingGiveNothing) {
  Check(
      ToLongPathName,
      {{u"", u""}, {u"   ", u""}, {u"\\\\srv", u""}, {u"\\\\srv\\pub", u""}, {u"//srv/pub", u""}});
  EXPECT_EQ(Show(ToLongPathName(dir_ / u"missing\\page.htm")), "");
  EXPECT_EQ(Show(ToLongPathName(dir_ / u"site\\missing.htm")), "");
}

TEST_F(LongPathTest, BareRootsKeepOneSeparator) {
  Check(ToLongPathName, {{u"c:", u"C:\\"},
                         {u"c:\\", u"C:\\"},
                         {u" d: ", u"D:\\"},
                         {u"\\\\srv\\pub\\", u"\\\\SRV\\PUB\\"}});
}

// A network path's server and share come back in upper case in every script
// that has cases; the other components as stored, also where the stored name
// is in another script's other case.
TEST_F(LongPathTest, UpperCaseIsThatOfEveryScript) {
  Check(ToLongPathName, {{u"\\\\ｓｒｖ\\ｐｕｂ\\", u"\\\\ＳＲＶ\\ＰＵＢ\\"},
                         {u"\\\\сервер\\общий\\", u"\\\\СЕРВЕР\\ОБЩИЙ\\"},
                         {u"\\\\café\\straße\\", u"\\\\CAFÉ\\STRAßE\\"},
                         {u"\\\\αβ\\日本\\", u"\\\\ΑΒ\\日本\\"}});
  dir_.MakeFolder(u"Café\\Ｓｕｂ");
  const std::u16string found = ToLongPathName(dir_ / u"CAFÉ\\ｓｕｂ");
  EXPECT_TRUE(found.ends_with(u"\\Café\\Ｓｕｂ")) << Show(found);
}

TEST_F(LongPathTest, RelativePathsResolveAgainstTheCurrentFolder) {
  auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_.Native(u""));
  EXPECT_EQ(Show(ToLongPathName(u"site\\page.htm")), "\\Site\\Page.htm");
  EXPECT_EQ(Show(ToLongPathName(u" SITE\\SUB DIR\\readme\\ ")), "\\Site\\Sub Dir\\README");
  std::filesystem::current_path(previous);
}

#ifdef _WIN32
TEST_F(LongPathTest, RestoresStoredCaseAndUpperCasesTheDrive) {
  std::u16string typed = dir_.path();
  for (char16_t& c : typed)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  // The scratch folder's own components come back as stored; only the
  // drive letter is upper-cased.
  std::u16string root = dir_.path();
  root[0] = static_cast<char16_t>(root[0] & ~0x20);
  EXPECT_EQ(Show(ToLongPathName(typed + u"\\site\\page.htm")), Show(root + u"\\Site\\Page.htm"));
  EXPECT_EQ(Show(ToLongPathName(u" " + typed + u"\\SITE\\ ")), Show(root + u"\\Site"));
  EXPECT_EQ(Show(ToLongPathName(typed + u"\\site\\sub dir\\readme")),
            Show(root + u"\\Site\\Sub Dir\\README"));
}
#endif

}  // namespace
