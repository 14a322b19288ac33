#include "conversion/file_messages.h"

#include "conversion/conversion_run.h"

namespace conversion {

std::u16string CountText(std::size_t n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string FolderUnmade(const std::u16string& folder) {
  return u"出力先のフォルダーを作れません: " + folder;
}

std::u16string InputUnopenable(const std::u16string& input) {
  return u"入力ファイルを読み込めません: " + input;
}

std::u16string SameFileRefused(const std::u16string& output) {
  return u"入力と出力が同じファイルです。入力ファイルを上書きしないよう、変換しません: " + output;
}

std::u16string InputUnreadable(const std::u16string& input) {
  return u"入力ファイルを読み込めませんでした: " + input;
}

std::u16string NotSavedPage(const std::u16string& input) {
  return u"入力ファイルは Web ページ (MHTML 形式) として読めませんでした: " + input;
}

std::u16string NoPageInSavedPage(const std::u16string& input) {
  return u"入力ファイルの Web ページ (MHTML 形式) に HTML の部分がありません: " + input;
}

std::u16string OutputUnwritable(platform::WriteError error, const std::u16string& output) {
  return DescribeWriteError(error) + u" " + output;
}

std::u16string MemoryShort(const std::u16string& input) {
  return u"メモリが足りないため、変換できませんでした: " + input;
}

std::u16string CharactersLost(std::size_t lost) {
  return u"出力の文字コードで表せない文字が " + CountText(lost) +
         u" 個ありました。その文字は代わりの文字または \"?\" で書かれています。";
}

std::u16string OpenInput(const std::u16string& input, const std::u16string& output,
                         std::unique_ptr<platform::FileReader>& file) {
  if (!(file = platform::FileReader::Open(input))) return InputUnopenable(input);
  // Converting a file onto itself would lose it.
  if (!output.empty() && platform::SameFile(input, output)) {
    file.reset();
    return SameFileRefused(output);
  }
  return {};
}

}  // namespace conversion
