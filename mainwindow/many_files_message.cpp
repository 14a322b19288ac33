#include "mainwindow/many_files_message.h"

#include "conversion/file_messages.h"

EndMessage ManyFilesEndMessage(const conversion::ManyOutcome& outcome,
                               const std::vector<std::u16string>& first_failures) {
  std::u16string failures;
  if (outcome.failed > 0) {
    failures = conversion::CountText(outcome.failed) + u" 件のファイルを変換できませんでした。\n";
    for (const std::u16string& failure : first_failures) failures += u"\n" + failure;
    if (outcome.failed > first_failures.size())
      failures +=
          u"\n(ほか " + conversion::CountText(outcome.failed - first_failures.size()) + u" 件)";
  }
  if (outcome.stopped) {
    // A stop does not hide the files that failed before it.
    const std::u16string text = u"中止しました。\n" + conversion::CountText(outcome.total) +
                                u" 件のうち " + conversion::CountText(outcome.converted) +
                                u" 件を変換しました。";
    if (outcome.failed == 0) return {text, false};
    return {text + u"\n\n" + failures, true};
  }
  if (outcome.failed == 0) return {u"完了！", false};
  if (outcome.converted > 0)
    failures += u"\n\nほかの " + conversion::CountText(outcome.converted) + u" 件は変換しました。";
  return {failures, true};
}
