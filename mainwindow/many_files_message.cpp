#include "mainwindow/many_files_message.h"

namespace {

std::u16string Count(std::size_t n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

EndMessage ManyFilesEndMessage(const conversion::ManyOutcome& outcome,
                               const std::vector<std::u16string>& first_failures) {
  std::u16string failures;
  if (outcome.failed > 0) {
    failures = Count(outcome.failed) + u" 件のファイルを変換できませんでした。\n";
    for (const std::u16string& failure : first_failures) failures += u"\n" + failure;
    if (outcome.failed > first_failures.size())
      failures += u"\n(ほか " + Count(outcome.failed - first_failures.size()) + u" 件)";
  }
  if (outcome.stopped) {
    // A stop does not hide the files that failed before it.
    const std::u16string text = u"中止しました。\n" + Count(outcome.total) + u" 件のうち " +
                                Count(outcome.converted) + u" 件を変換しました。";
    if (outcome.failed == 0) return {text, false};
    return {text + u"\n\n" + failures, true};
  }
  if (outcome.failed == 0) return {u"完了！", false};
  if (outcome.converted > 0)
    failures += u"\n\nほかの " + Count(outcome.converted) + u" 件は変換しました。";
  return {failures, true};
}
