#include "cli/file_messages.h"

#include "conversion/conversion_run.h"
#include "platform/codepage.h"

namespace cli {

std::string FolderUnmade(const std::u16string& folder) {
  return "出力先のフォルダーを作れません: " + platform::EncodeUtf8(folder);
}

std::string InputUnopenable(const std::u16string& input) {
  return "入力ファイルを読み込めません: " + platform::EncodeUtf8(input);
}

std::string SameFileRefused(const std::u16string& output) {
  return "入力と出力が同じファイルです。入力ファイルを上書きしないよう、変換しません: " +
         platform::EncodeUtf8(output);
}

std::string InputUnreadable(const std::u16string& input) {
  return "入力ファイルを読み込めませんでした: " + platform::EncodeUtf8(input);
}

std::string OutputUnwritable(platform::WriteError error, const std::u16string& output) {
  return platform::EncodeUtf8(conversion::DescribeWriteError(error)) + " " +
         platform::EncodeUtf8(output);
}

std::string CharactersLost(std::size_t lost) {
  return "出力の文字コードで表せない文字が " + std::to_string(lost) +
         " 個ありました。その文字は代わりの文字または \"?\" で書かれています。";
}

std::string OpenInput(const std::u16string& input, const std::u16string& output,
                      std::unique_ptr<platform::FileReader>& file) {
  if (!(file = platform::FileReader::Open(input))) return InputUnopenable(input);
  // Converting a file onto itself would lose it.
  if (!output.empty() && platform::SameFile(input, output)) {
    file.reset();
    return SameFileRefused(output);
  }
  return {};
}

}  // namespace cli
