// The window's message at the end of a run over many files.
#include "mainwindow/many_files_message.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

using testing_support::Show;

TEST(ManyFilesEndMessage, SaysWhatBecameOfTheFiles) {
  struct Case {
    const char* name;
    conversion::ManyOutcome outcome;
    std::vector<std::u16string> failures;
    std::string text;
    bool error;
  };
  const std::vector<std::u16string> ten = {u"a", u"b", u"c", u"d", u"e",
                                           u"f", u"g", u"h", u"i", u"j"};
  const Case cases[] = {
      {"all converted", {.converted = 3, .total = 3}, {}, "完了！", false},
      {"skipped count as done", {.converted = 1, .skipped = 2, .total = 3}, {}, "完了！", false},
      {"one failed",
       {.converted = 2, .failed = 1, .total = 3},
       {u"入力ファイルを読み込めません: C:\\s\\b.htm"},
       "1 件のファイルを変換できませんでした。\n\n入力ファイルを読み込めません: C:\\s\\b.htm\n\n"
       "ほかの 2 件は変換しました。",
       true},
      {"every one failed",
       {.failed = 2, .total = 2},
       {u"x", u"y"},
       "2 件のファイルを変換できませんでした。\n\nx\ny",
       true},
      {"more than ten failed",
       {.converted = 5, .failed = 12, .total = 17},
       ten,
       "12 件のファイルを変換できませんでした。\n\na\nb\nc\nd\ne\nf\ng\nh\ni\nj\n(ほか 2 件)\n\n"
       "ほかの 5 件は変換しました。",
       true},
      {"stopped",
       {.converted = 40, .total = 2000, .stopped = true},
       {},
       "中止しました。\n2000 件のうち 40 件を変換しました。",
       false},
      {"stopped after failures",
       {.converted = 40, .failed = 1, .total = 2000, .stopped = true},
       {u"x"},
       "中止しました。\n2000 件のうち 40 件を変換しました。\n\n1 "
       "件のファイルを変換できませんでした。\n\nx",
       true},
  };
  for (const Case& c : cases) {
    const EndMessage got = ManyFilesEndMessage(c.outcome, c.failures);
    EXPECT_EQ(Show(got.text), c.text) << c.name;
    EXPECT_EQ(got.error, c.error) << c.name;
  }
}

}  // namespace
