// The input box's list of several paths, read and written.
#include "mainwindow/input_list.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

using testing_support::Show;

std::string Shown(const std::vector<std::u16string>& paths) {
  std::string s;
  for (const auto& p : paths) s += "[" + Show(p) + "]";
  return s;
}

TEST(InputList, SplitsAsTheOpenFileDialogWritesIt) {
  const std::pair<std::u16string, std::string> cases[] = {
      // Without a quote the whole text is one path, spaces and all.
      {u"C:\\My Site\\a.htm", "[C:\\My Site\\a.htm]"},
      {u"", "[]"},
      {u"\"C:\\サイト\\a.htm\" \"C:\\サイト\\b.html\"", "[C:\\サイト\\a.htm][C:\\サイト\\b.html]"},
      {u"\"C:\\a b.htm\"", "[C:\\a b.htm]"},
      {u"  \"a\"\"b\"  ", "[a][b]"},
      {u"\"a\"\u3000\"b\"\t\"c\"", "[a][b][c]"},
      {u"\"a\" b c", "[a][b][c]"},
      {u"x\"a\"", "[x][a]"},
      {u"\"a\" \"\" \"b", "[a][b]"},
      {u"\"", ""},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(Shown(SplitInputList(text)), expected) << Show(text);
}

TEST(InputList, JoinsEachPathQuotedAndSplitsBack) {
  const std::vector<std::u16string> paths = {u"C:\\サイト\\a.htm", u"C:\\My Site", u"D:\\b.html"};
  const std::u16string text = JoinInputList(paths);
  EXPECT_EQ(Show(text), "\"C:\\サイト\\a.htm\" \"C:\\My Site\" \"D:\\b.html\"");
  EXPECT_EQ(SplitInputList(text), paths);
  EXPECT_EQ(Show(JoinInputList({u"a"})), "\"a\"");
}

}  // namespace
