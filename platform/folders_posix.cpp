// Folders off Windows, with the directory search's rules of matching.
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/codepage.h"
#include "platform/file_system_posix.h"
#include "platform/folders.h"
#include "platform/wildcard.h"

namespace platform {

using namespace posix;

namespace {

// The entry at `full` under `name`, when it is a file or a folder.
bool Describe(const std::string& full, const std::string& name, FoundEntry& entry) {
  struct stat st {};
  if (stat(full.c_str(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) return false;
  entry.name = DecodeUtf8(name);
  entry.folder = S_ISDIR(st.st_mode);
  entry.size = entry.folder ? 0 : static_cast<std::uint64_t>(st.st_size);
  return true;
}

}  // namespace

std::u16string NameKey(const std::u16string& path) {
  return path;
}

std::vector<FoundEntry> FindEntries(const std::u16string& path) {
  std::vector<FoundEntry> found;
  if (path.empty()) return found;
  const std::string native = Native(path);
  const auto [folder, name] = SplitLast(native);
  FoundEntry entry;
  if (!HasWildcard(name)) {
    if (!name.empty() && Describe(native, name, entry)) found.push_back(std::move(entry));
    return found;
  }
  DIR* dir = opendir(folder.c_str());
  if (!dir) return found;
  while (dirent* e = readdir(dir)) {
    const std::string entry_name = e->d_name;
    if (entry_name.starts_with('.') || !WildcardMatch(name, entry_name)) continue;
    if (Describe(folder + "/" + entry_name, entry_name, entry)) found.push_back(std::move(entry));
  }
  closedir(dir);
  return found;
}

bool IsFolder(const std::u16string& path) {
  return !path.empty() && IsDirectory(Native(path));
}

bool CreateFolders(const std::u16string& path) {
  const std::string native = Native(path);
  if (native.empty()) return false;
  if (IsDirectory(native)) return true;
  const auto [parent, name] = SplitLast(native);
  if (parent != native && parent != "." && !parent.empty() && !IsDirectory(parent) &&
      !CreateFolders(DecodeUtf8(parent)))
    return false;
  return ::mkdir(native.c_str(), 0777) == 0 || (errno == EEXIST && IsDirectory(native));
}

}  // namespace platform
