#include "mainwindow/file_dialogs.h"

#include <commdlg.h>

namespace {

// Long enough for the longest path the platform hands back.
constexpr DWORD kBufferLength = 32768;

std::u16string Run(bool save, HWND owner, const std::u16string& filter,
                   const std::u16string& initial_folder) {
  std::wstring file(kBufferLength, L'\0'), title(kBufferLength, L'\0');
  std::wstring filter_w(filter.begin(), filter.end());
  std::wstring folder(initial_folder.begin(), initial_folder.end());
  OPENFILENAMEW record{};
  // The record as it was before Windows 2000: no places bar, no extra flags.
  record.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  record.hwndOwner = owner;
  record.hInstance = GetModuleHandleW(nullptr);
  record.lpstrFilter = filter_w.c_str();
  record.lpstrFile = file.data();
  record.nMaxFile = kBufferLength;
  record.lpstrFileTitle = title.data();
  record.nMaxFileTitle = kBufferLength;
  record.lpstrInitialDir = folder.c_str();
  record.lpstrTitle = save ? L"ファイルを保存" : L"ファイルを開く";
  // The save dialog must accept a file that does not exist yet, so only the
  // open dialog insists on an existing file.
  record.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | (save ? 0 : OFN_FILEMUSTEXIST);
  BOOL ok = save ? GetSaveFileNameW(&record) : GetOpenFileNameW(&record);
  if (!ok) return u"";
  return std::u16string(file.begin(), file.end());
}

}  // namespace

std::u16string ShowOpenDialog(HWND owner, const std::u16string& filter,
                              const std::u16string& initial_folder) {
  return Run(false, owner, filter, initial_folder);
}

std::u16string ShowSaveDialog(HWND owner, const std::u16string& filter,
                              const std::u16string& initial_folder) {
  return Run(true, owner, filter, initial_folder);
}

std::u16string MakeFilter(std::initializer_list<std::u16string_view> items) {
  std::u16string filter;
  for (std::u16string_view item : items) {
    filter += item;
    filter += u'\0';
  }
  filter += u'\0';
  return filter;
}
