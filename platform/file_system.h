// The file-system services the program uses. Paths are Windows paths in
// UTF-16; off Windows "\" is taken as a separator too, so that the same path
// logic runs in the native build.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// What a directory search reports: ordinary files only, or directories too.
// Hidden and system entries are never reported.
enum class SearchFor { kFiles, kFilesAndDirectories };

// True when a search for `path` finds an entry of the kind asked for. "*" and
// "?" in the last component match as patterns; a bare drive such as "C:"
// stands for its root directory.
bool SearchFinds(const std::u16string& path, SearchFor what);

// The name under which the entry that `path` names is stored (its last
// component, case restored, short aliases made long); nothing when no entry
// matches. Case is ignored and wildcards match, as in FindFirstFile.
std::optional<std::u16string> StoredName(const std::u16string& path);

// The whole file; nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::u16string& path);

enum class WriteError {
  kNone,
  kIsDirectory,   // the path names a folder
  kReadOnly,      // an existing file is marked read-only
  kAccessDenied,  // no permission to create or replace the file
  kDiskFull,      // no space, or a size limit reached
  kNoFolder,      // the folder does not exist
  kOther,
};

// Writes `bytes` to a new file beside `path` and only then moves it into place,
// so that an existing file is either replaced whole or left exactly as it was.
WriteError ReplaceFileContents(const std::u16string& path, std::string_view bytes);

// Creates or truncates `path` and writes `bytes` to it, in place.
WriteError OverwriteFile(const std::u16string& path, std::string_view bytes);

// Moves `from` over `to`, replacing a file of that name unless it is read-only.
WriteError MoveOver(const std::u16string& from, const std::u16string& to);

void RemoveFile(const std::u16string& path);

// True when both paths name one existing file.
bool SameFile(const std::u16string& a, const std::u16string& b);

// The folder holding the running program, without a trailing separator
// except for a drive root ("C:\").
std::u16string ProgramFolder();

// A name for a scratch file beside `path`, unique to this process.
std::u16string ScratchNameBeside(const std::u16string& path);

}  // namespace platform
