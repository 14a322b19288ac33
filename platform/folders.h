// Folders: what a directory search finds in them, and making them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The separator of the paths the program makes.
#ifdef _WIN32
constexpr char16_t kPathSeparator = u'\\';
#else
constexpr char16_t kPathSeparator = u'/';
#endif

// A path in the form in which the file system compares names: on Windows
// without regard to case (upper-cased), elsewhere as it is.
std::u16string NameKey(const std::u16string& path);

struct FoundEntry {
  std::u16string name;  // as stored, without its folder
  bool folder = false;
  std::uint64_t size = 0;  // of a file, in bytes
};

// What a directory search for `path` reports, as FindFirstFile and
// FindNextFile report it: with "*" or "?" in the last component, every entry
// of the folder that matches it (letters without regard to case), but for
// ".", ".." and hidden and system entries (off Windows a name that begins
// with "." counts as hidden, as Wine shows it); otherwise the one entry
// `path` names, if there is one, whatever its attributes. Empty when
// nothing matches or the folder cannot be read. In no particular order.
std::vector<FoundEntry> FindEntries(const std::u16string& path);

// True when `path` names a folder (a trailing separator allowed).
bool IsFolder(const std::u16string& path);

// Makes the folder `path` and those above it that are missing: true when
// it is there afterwards.
bool CreateFolders(const std::u16string& path);

}  // namespace platform
