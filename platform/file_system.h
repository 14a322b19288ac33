// The file-system services the program uses. Paths are Windows paths in
// UTF-16; off Windows "\" is taken as a separator too, so that the same path
// logic runs in the native build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// An ordinary file read piece by piece.
class FileReader {
 public:
  // Nothing when `path` names no ordinary file that can be opened for reading.
  static std::unique_ptr<FileReader> Open(const std::u16string& path);
  virtual ~FileReader() = default;
  // Up to `size` bytes; 0 at the end of the file, -1 on a read error.
  virtual std::ptrdiff_t Read(char* buffer, std::size_t size) = 0;
  // The next Read from `offset` bytes into the file; false when it cannot.
  virtual bool Seek(std::uint64_t offset) = 0;
};

// The new content of a file, written piece by piece to a scratch file beside
// it, which takes the file's place only on Commit, keeping what a user would
// notice of the old file (its permissions or attributes and security; an
// output that is a symbolic link stays one, and the file it points to gets
// the content). Without Commit (a failure on the way, or the process killed)
// nothing is left of the scratch file and the old file stays as it was. The
// scratch file never replaces a file of its own name. Where the folder lets
// us create no file but the output is writable, the content is made in the
// temporary folder and copied over the output in place on Commit: a crash
// during the copy then leaves the output part new.
class ReplacementFile {
 public:
  static std::unique_ptr<ReplacementFile> Create(const std::u16string& path, WriteError& error);
  virtual ~ReplacementFile() = default;
  virtual bool Write(std::string_view bytes) = 0;
  // The error of a failed Write, or of putting the file in place.
  virtual WriteError Commit() = 0;
};

// Commits several replacement files, as a run over many files does: their
// contents go to disk together and only then does each take its output's
// place, so that no output is ever replaced by content not yet on disk.
// Off Windows that is one flush of each file system they are on (Linux's
// syncfs) instead of one per file; on Windows each file is flushed on its
// own, since a whole volume may be flushed only by an administrator.
// Returns each one's error, in order.
std::vector<WriteError> CommitTogether(const std::vector<ReplacementFile*>& files);

// Scratch data kept on disk instead of in memory: an unnamed file in the
// system's folder for temporary files, gone when closed.
class ScratchFile {
 public:
  // Null when no such file can be made.
  static std::unique_ptr<ScratchFile> Create();
  virtual ~ScratchFile() = default;
  // Adds `bytes` at the end, all or nothing.
  virtual bool Append(std::string_view bytes) = 0;
  // Hands everything appended to `take`, in order and in pieces, until
  // `take` returns false; false when the file could not be read.
  virtual bool ReadAll(const std::function<bool(std::string_view)>& take) = 0;
  // Forgets everything appended.
  virtual void Clear() = 0;
};

// Creates or truncates `path` and writes `bytes` to it, in place.
WriteError OverwriteFile(const std::u16string& path, std::string_view bytes);

// Moves `from` over `to`, replacing a file of that name unless it is read-only.
WriteError MoveOver(const std::u16string& from, const std::u16string& to);

void RemoveFile(const std::u16string& path);

// True when both paths name one existing file.
bool SameFile(const std::u16string& a, const std::u16string& b);

// The running program's file, however long its path; empty if unknown.
std::u16string ProgramFile();

// The folder holding the running program, without a trailing separator
// except for a drive root ("C:\").
std::u16string ProgramFolder();

// A new file beside `path`, never one that is there already, holding
// `bytes` and flushed to disk: its path; nothing (and `error`) on a failure.
std::optional<std::u16string> CreateNewFileBeside(const std::u16string& path,
                                                  std::string_view bytes, WriteError& error);

// Flushes what has been written to the file `path` to the disk.
WriteError FlushFileAt(const std::u16string& path);

}  // namespace platform
