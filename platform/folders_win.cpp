// Folders on Windows: the system's directory search, and CreateDirectoryW.
#include <windows.h>

#include "platform/file_system_win.h"
#include "platform/folders.h"
#include "platform/upper_case.h"
#include "platform/wildcard.h"
#include "platform/win_handle.h"

namespace platform {

using namespace win;

std::u16string NameKey(const std::u16string& path) {
  return UpperCase(path);
}

std::vector<FoundEntry> FindEntries(const std::u16string& path) {
  std::vector<FoundEntry> found;
  if (path.empty()) return found;
  const bool search = HasWildcard(SplitLast(path).second);
  WIN32_FIND_DATAW data;
  UniqueFind find(FindFirstFileW(W(path), &data));
  if (!find) return found;
  do {
    const std::u16string name(reinterpret_cast<const char16_t*>(data.cFileName));
    const DWORD a = data.dwFileAttributes;
    if (name == u"." || name == u"..") continue;
    if (search && (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) continue;
    FoundEntry entry{name, (a & FILE_ATTRIBUTE_DIRECTORY) != 0,
                     static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow};
    if (entry.folder) entry.size = 0;
    found.push_back(std::move(entry));
  } while (FindNextFileW(find.get(), &data));
  return found;
}

bool IsFolder(const std::u16string& path) {
  return !path.empty() && IsDirectoryPath(path);
}

bool CreateFolders(const std::u16string& path) {
  if (path.empty()) return false;
  if (IsDirectoryPath(path)) return true;
  std::u16string trimmed = path;
  while (trimmed.size() > 1 && (trimmed.back() == u'\\' || trimmed.back() == u'/'))
    trimmed.pop_back();
  const auto slash = trimmed.find_last_of(u"\\/");
  if (slash != std::u16string::npos && slash > 0) {
    const std::u16string parent = trimmed.substr(0, slash);
    // "C:" and "\\server\share" are there or not; they are never made.
    if (!IsBareDrive(parent) && !parent.ends_with(u'\\') && !IsDirectoryPath(parent) &&
        !CreateFolders(parent))
      return false;
  }
  return CreateDirectoryW(W(trimmed), nullptr) || IsDirectoryPath(trimmed);
}

}  // namespace platform
