#include "mainwindow/text_file.h"

#include <cstring>
#include <new>

#include "platform/codepage.h"

std::u16string DecodeTextBytes(std::string bytes) {
  // Cutting the bytes at the first NUL gives the same text as cutting the
  // decoded text: a NUL byte never forms part of a double-byte character.
  auto nul = bytes.find('\0');
  if (nul != std::string::npos) bytes.resize(nul);
  return platform::DecodeAnsi(bytes);
}

std::u16string ReadTextFile(const std::u16string& path) {
  if (path.empty() || !platform::SearchFinds(path, platform::SearchFor::kFiles)) return u"";
  try {
    std::optional<std::string> bytes = platform::ReadWholeFile(path);
    return bytes ? DecodeTextBytes(std::move(*bytes)) : u"";
  } catch (const std::bad_alloc&) {
    return u"";
  }
}

platform::WriteError WriteTextFile(const std::u16string& path, const std::u16string& text) {
  std::string bytes = platform::EncodeAnsi(text);
  bytes += "\r\n";
  return platform::ReplaceFileContents(path, bytes);
}

std::u16string DescribeWriteError(platform::WriteError error) {
  using platform::WriteError;
  switch (error) {
    case WriteError::kIsDirectory:
      return u"出力先はフォルダーです。";
    case WriteError::kReadOnly:
      return u"出力先のファイルは読み取り専用です。";
    case WriteError::kAccessDenied:
      return u"出力先に書き込む権限がありません。";
    case WriteError::kDiskFull:
      return u"ディスクの空き容量が足りません。";
    case WriteError::kNoFolder:
      return u"出力先のフォルダーがありません。";
    case WriteError::kOther:
    case WriteError::kNone:
      break;
  }
  return u"出力ファイルを書き込めませんでした。";
}
