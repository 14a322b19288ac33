#include "mainwindow/input_list.h"

namespace {

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\u3000';
}

}  // namespace

std::vector<std::u16string> SplitInputList(std::u16string_view text) {
  if (text.find(u'"') == text.npos) return {std::u16string(text)};
  std::vector<std::u16string> paths;
  for (std::size_t i = 0; i < text.size();) {
    if (IsSpace(text[i])) {
      ++i;
    } else if (text[i] == u'"') {
      std::size_t close = text.find(u'"', i + 1);
      if (close == text.npos) close = text.size();
      if (close > i + 1) paths.emplace_back(text.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      std::size_t end = i;
      while (end < text.size() && !IsSpace(text[end]) && text[end] != u'"') ++end;
      paths.emplace_back(text.substr(i, end - i));
      i = end;
    }
  }
  return paths;
}

std::u16string JoinInputList(const std::vector<std::u16string>& paths) {
  std::u16string text;
  for (const std::u16string& path : paths) {
    if (!text.empty()) text += u' ';
    text += u'"' + path + u'"';
  }
  return text;
}
