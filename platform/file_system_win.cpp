#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/file_system.h"
#include "platform/file_system_win.h"
#include "platform/win_handle.h"

namespace platform {
namespace win {

const wchar_t* W(const std::u16string& s) {
  return reinterpret_cast<const wchar_t*>(s.c_str());
}

bool IsBareDrive(const std::u16string& path) {
  return path.size() == 2 && path[1] == u':' &&
         ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'));
}

DWORD Attributes(const std::u16string& path) {
  return GetFileAttributesW(W(path));
}

bool IsDirectoryPath(const std::u16string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsReadOnlyFile(const std::u16string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) &&
         (a & FILE_ATTRIBUTE_READONLY);
}

WriteError FromLastError(DWORD err) {
  switch (err) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return WriteError::kAccessDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
      return WriteError::kDiskFull;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return WriteError::kNoFolder;
    default:
      return WriteError::kOther;
  }
}

}  // namespace win

bool win::WriteAll(HANDLE file, std::string_view bytes, std::uint64_t* written) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
    DWORD done = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), chunk, &done, nullptr);
    if (written) *written += done;
    if (!ok || done == 0) return false;
    bytes.remove_prefix(done);
  }
  return true;
}

std::pair<std::u16string, std::u16string> win::SplitLast(const std::u16string& path) {
  const auto slash = path.find_last_of(u"\\/");
  if (slash == std::u16string::npos) return {u".", path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

namespace {

using namespace win;

WriteError WriteFileWhole(const std::u16string& path, std::string_view bytes, DWORD disposition) {
  UniqueHandle file(
      CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return FromLastError(GetLastError());
  if (!WriteAll(file.get(), bytes)) return FromLastError(GetLastError());
  if (!FlushFileBuffers(file.get())) return FromLastError(GetLastError());
  return WriteError::kNone;
}

}  // namespace

bool SearchFinds(const std::u16string& path, SearchFor what) {
  if (path.empty()) return false;
  // A folder named with its trailing separator, or a bare drive, is there
  // when the folder is; the directory search itself would find neither.
  if (IsBareDrive(path))
    return what == SearchFor::kFilesAndDirectories && IsDirectoryPath(path + u"\\");
  if (path.back() == u'\\' || path.back() == u'/')
    return what == SearchFor::kFilesAndDirectories && IsDirectoryPath(path);
  WIN32_FIND_DATAW data;
  UniqueFind find(FindFirstFileW(W(path), &data));
  if (!find) return false;
  do {
    DWORD a = data.dwFileAttributes;
    if (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
    if ((a & FILE_ATTRIBUTE_DIRECTORY) && what == SearchFor::kFiles) continue;
    return true;
  } while (FindNextFileW(find.get(), &data));
  return false;
}

std::optional<std::u16string> StoredName(const std::u16string& path) {
  WIN32_FIND_DATAW data;
  UniqueFind find(FindFirstFileW(W(path), &data));
  if (!find) return std::nullopt;
  return std::u16string(reinterpret_cast<const char16_t*>(data.cFileName));
}

std::optional<std::string> ReadWholeFile(const std::u16string& path) {
  UniqueHandle file(CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size;
  if (GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.get(), &size))
    return std::nullopt;
  std::string bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  std::size_t got = 0;
  while (got < bytes.size()) {
    std::size_t left = bytes.size() - got;
    DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data() + got, chunk, &read, nullptr)) return std::nullopt;
    if (read == 0) break;
    got += read;
  }
  bytes.resize(got);
  return bytes;
}

namespace {

class WinReader final : public FileReader {
 public:
  explicit WinReader(UniqueHandle file) : file_(std::move(file)) {}
  std::ptrdiff_t Read(char* buffer, std::size_t size) override {
    DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD read = 0;
    if (!::ReadFile(file_.get(), buffer, chunk, &read, nullptr)) return -1;
    return static_cast<std::ptrdiff_t>(read);
  }
  bool Seek(std::uint64_t offset) override {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN) != 0;
  }

 private:
  UniqueHandle file_;
};

class WinScratch final : public ScratchFile {
 public:
  explicit WinScratch(UniqueHandle file) : file_(std::move(file)) {}
  bool Append(std::string_view bytes) override {
    MoveTo(size_);
    if (!WriteAll(file_.get(), bytes)) return false;  // anything past size_ is never read
    size_ += bytes.size();
    return true;
  }
  bool ReadAll(const std::function<bool(std::string_view)>& take) override {
    std::string buffer(1 << 20, '\0');
    MoveTo(0);
    for (std::uint64_t left = size_; left > 0;) {
      DWORD read = 0;
      const DWORD want = static_cast<DWORD>(left < buffer.size() ? left : buffer.size());
      if (!::ReadFile(file_.get(), buffer.data(), want, &read, nullptr) || read == 0) return false;
      left -= read;
      if (!take(std::string_view(buffer.data(), read))) break;
    }
    return true;
  }
  void Clear() override {
    size_ = 0;
    MoveTo(0);
    ::SetEndOfFile(file_.get());
  }

 private:
  void MoveTo(std::uint64_t at) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(at);
    ::SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN);
  }

  UniqueHandle file_;
  std::uint64_t size_ = 0;
};

}  // namespace

std::unique_ptr<ScratchFile> ScratchFile::Create() {
  wchar_t folder[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH || !::GetTempFileNameW(folder, L"qlm", 0, name))
    return nullptr;
  UniqueHandle file(::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!file) {
    ::DeleteFileW(name);
    return nullptr;
  }
  return std::make_unique<WinScratch>(std::move(file));
}

std::unique_ptr<FileReader> FileReader::Open(const std::u16string& path) {
  UniqueHandle file(CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  // Devices (CON, NUL, COM1, ...) are no files: reading them could wait forever.
  if (!file || GetFileType(file.get()) != FILE_TYPE_DISK) return nullptr;
  return std::make_unique<WinReader>(std::move(file));
}

WriteError OverwriteFile(const std::u16string& path, std::string_view bytes) {
  if (IsDirectoryPath(path)) return WriteError::kIsDirectory;
  if (IsReadOnlyFile(path)) return WriteError::kReadOnly;
  return WriteFileWhole(path, bytes, CREATE_ALWAYS);
}

WriteError MoveOver(const std::u16string& from, const std::u16string& to) {
  if (IsDirectoryPath(to)) return WriteError::kIsDirectory;
  if (IsReadOnlyFile(to)) return WriteError::kReadOnly;
  if (!MoveFileExW(W(from), W(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return FromLastError(GetLastError());
  return WriteError::kNone;
}

void RemoveFile(const std::u16string& path) {
  DeleteFileW(W(path));
}

bool SameFile(const std::u16string& a, const std::u16string& b) {
  auto identity = [](const std::u16string& path, BY_HANDLE_FILE_INFORMATION& info) {
    UniqueHandle file(CreateFileW(W(path), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && GetFileInformationByHandle(file.get(), &info);
  };
  BY_HANDLE_FILE_INFORMATION ia, ib;
  return identity(a, ia) && identity(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

std::u16string ProgramFile() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return u"";
    if (n < buf.size()) return std::u16string(buf.begin(), buf.begin() + n);
    buf.resize(buf.size() * 2);  // cut short: room for more
  }
}

std::u16string ProgramFolder() {
  const std::u16string path = ProgramFile();
  auto slash = path.rfind(u'\\');
  if (slash == std::u16string::npos) return u"";
  // A drive root keeps its separator ("C:\"); any other folder loses it.
  if (slash == 2 && path[1] == u':') return path.substr(0, 3);
  return path.substr(0, slash);
}

}  // namespace platform
