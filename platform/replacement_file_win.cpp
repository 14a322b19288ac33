// The replacement file on Windows. The new content goes into a new file
// beside the output, marked for deletion from the moment it is made, so that
// a run that is ended (Task Manager, a crash) leaves nothing behind; the mark
// is cleared only just before the file, given the old one's attributes and
// permissions, replaces the output in one rename. Where
// the folder lets us create nothing but the output itself is writable, the
// new content is made in the temporary folder and copied over the output in
// place.
#include <windows.h>
// The order matters: aclapi.h needs windows.h.
#include <aclapi.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <random>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/background_flush.h"
#include "platform/file_system.h"
#include "platform/file_system_win.h"
#include "platform/win_handle.h"

namespace platform {
namespace {

using namespace win;

// The file the output path names after following its links; the path
// itself when it names nothing yet.
std::u16string FinalPath(const std::u16string& path) {
  UniqueHandle file(CreateFileW(W(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return path;
  std::wstring final(32768, L'\0');
  const DWORD n = GetFinalPathNameByHandleW(file.get(), final.data(),
                                            static_cast<DWORD>(final.size()), VOLUME_NAME_DOS);
  if (n == 0 || n >= final.size()) return path;
  final.resize(n);
  if (final.starts_with(L"\\\\?\\UNC\\"))
    final = L"\\\\" + final.substr(8);
  else if (final.starts_with(L"\\\\?\\"))
    final = final.substr(4);
  return std::u16string(final.begin(), final.end());
}

// A new file beside `name` in `folder` for our own content, never one that
// is there already; `access` and `share` as CreateFileW takes them.
UniqueHandle CreateNew(const std::u16string& folder, const std::u16string& name, DWORD access,
                       DWORD share, std::u16string& path) {
  static thread_local std::mt19937 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    wchar_t tag[16];
    swprintf(tag, 16, L"%08x", static_cast<unsigned>(random()));
    path =
        folder + u"\\" + name + u".quillmere-" + std::u16string(tag, tag + wcslen(tag)) + u".tmp";
    UniqueHandle file(
        CreateFileW(W(path), access, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file || (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS))
      return file;
  }
  return UniqueHandle();
}

// Gives `file` the permissions (the access-control list) of the file at
// `path`, as far as the file system keeps them; what cannot be copied is
// left as the folder gives it.
void TakePermissionsOf(const std::u16string& path, HANDLE file) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(W(path), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                            &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
    return;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  // Inherited entries stay inherited, a protected list stays protected.
  const SECURITY_INFORMATION what =
      DACL_SECURITY_INFORMATION |
      ((control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION
                                     : UNPROTECTED_DACL_SECURITY_INFORMATION);
  SetSecurityInfo(file, SE_FILE_OBJECT, what, nullptr, nullptr, dacl, nullptr);
  LocalFree(descriptor);
}

bool MarkForDeletion(HANDLE file, bool mark) {
  FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(mark ? TRUE : FALSE)};
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

class WinReplacement final : public ReplacementFile {
 public:
  // `flusher`, when open, is a second handle to the same file for flushing
  // it while `file` writes: a flush through the handle being written with
  // would hold up the writes. `in_place`: the content is copied over the
  // target rather than moved.
  WinReplacement(std::u16string target, std::u16string scratch, UniqueHandle file,
                 UniqueHandle flusher, bool in_place, bool marked)
      : target_(std::move(target)),
        scratch_(std::move(scratch)),
        file_(std::move(file)),
        flusher_(std::move(flusher)),
        in_place_(in_place),
        unmarked_(!marked) {}
  ~WinReplacement() override {
    flush_.Wait();
    flusher_.reset();
    file_.reset();  // gone with the handle while it is marked
    if (unmarked_ && (!committed_ || in_place_)) DeleteFileW(W(scratch_));
  }
  bool Write(std::string_view bytes) override {
    if (error_ == WriteError::kNone && !WriteAll(file_.get(), bytes, &written_))
      error_ = FromLastError(GetLastError());
    if (error_ == WriteError::kNone && flusher_) flush_.Written(written_);
    return error_ == WriteError::kNone;
  }
  WriteError Commit() override {
    if (const int flush_error = flush_.Wait(); flush_error != 0 && error_ == WriteError::kNone)
      error_ = FromLastError(static_cast<DWORD>(flush_error));
    if (error_ == WriteError::kNone && !FlushFileBuffers(file_.get()))
      error_ = FromLastError(GetLastError());
    flusher_.reset();
    if (error_ == WriteError::kNone) error_ = in_place_ ? CopyOver() : ReplaceTarget();
    file_.reset();
    committed_ = error_ == WriteError::kNone;
    return error_;
  }

 private:
  // The new file takes the old one's attributes and permissions and then
  // its place, in one rename: at no moment is there no output. (ReplaceFileW
  // would keep them too, but Wine's moves the old file away first, so that a
  // run killed in between would leave no output at all.)
  WriteError ReplaceTarget() {
    if (IsDirectoryPath(target_)) return WriteError::kIsDirectory;
    if (IsReadOnlyFile(target_)) return WriteError::kReadOnly;
    const DWORD attributes = Attributes(target_);
    if (attributes != INVALID_FILE_ATTRIBUTES) TakePermissionsOf(target_, file_.get());
    if (!unmarked_ && !MarkForDeletion(file_.get(), false)) return FromLastError(GetLastError());
    unmarked_ = true;
    file_.reset();
    const DWORD replace = attributes == INVALID_FILE_ATTRIBUTES ? 0 : MOVEFILE_REPLACE_EXISTING;
    if (!MoveFileExW(W(scratch_), W(target_), replace | MOVEFILE_WRITE_THROUGH))
      return FromLastError(GetLastError());
    if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(W(target_), attributes);
    return WriteError::kNone;
  }

  // The output rewritten where it stands: its new size is taken first, so
  // that a full disk refuses before anything of the old content is lost; a
  // crash part-way leaves the output part new, part old.
  WriteError CopyOver() {
    UniqueHandle out(CreateFileW(W(target_), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return FromLastError(GetLastError());
    LARGE_INTEGER size;
    size.QuadPart = static_cast<LONGLONG>(written_);
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(out.get(), size, nullptr, FILE_BEGIN) || !SetEndOfFile(out.get()) ||
        !SetFilePointerEx(out.get(), zero, nullptr, FILE_BEGIN) ||
        !SetFilePointerEx(file_.get(), zero, nullptr, FILE_BEGIN))
      return FromLastError(GetLastError());
    std::string buffer(1 << 20, '\0');
    for (std::uint64_t left = written_; left > 0;) {
      DWORD got = 0, put = 0;
      const DWORD want = static_cast<DWORD>(left < buffer.size() ? left : buffer.size());
      if (!ReadFile(file_.get(), buffer.data(), want, &got, nullptr) || got == 0)
        return FromLastError(GetLastError());
      if (!::WriteFile(out.get(), buffer.data(), got, &put, nullptr) || put != got)
        return FromLastError(GetLastError());
      left -= got;
    }
    if (!FlushFileBuffers(out.get())) return FromLastError(GetLastError());
    return WriteError::kNone;
  }

  std::u16string target_, scratch_;
  UniqueHandle file_;
  UniqueHandle flusher_;
  bool in_place_;
  bool unmarked_;  // the file would stay if left now
  WriteError error_ = WriteError::kNone;
  bool committed_ = false;
  std::uint64_t written_ = 0;
  BackgroundFlush flush_{
      [this] { return FlushFileBuffers(flusher_.get()) ? 0 : static_cast<int>(GetLastError()); }};
};

}  // namespace

std::unique_ptr<ReplacementFile> ReplacementFile::Create(const std::u16string& path,
                                                         WriteError& error) {
  const std::u16string target = FinalPath(path);
  error = IsDirectoryPath(target)  ? WriteError::kIsDirectory
          : IsReadOnlyFile(target) ? WriteError::kReadOnly
                                   : WriteError::kNone;
  if (error != WriteError::kNone) return nullptr;
  const auto [folder, name] = SplitLast(target);
  std::u16string scratch;
  // The writing handle lets others write (the flusher) but not delete, so
  // that nobody removes the file while it is being written.
  constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE | DELETE | WRITE_DAC;
  UniqueHandle file = CreateNew(folder, name, kAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, scratch);
  bool in_place = false;
  if (!file && GetLastError() == ERROR_ACCESS_DENIED) {
    // No file of our own in the folder: in the temporary folder, if the
    // output itself takes writing.
    UniqueHandle probe(CreateFileW(W(target), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (probe && length > 0 && length <= MAX_PATH) {
      probe.reset();
      std::u16string temp_folder(temp, temp + length);
      if (temp_folder.ends_with(u'\\')) temp_folder.pop_back();
      file = CreateNew(temp_folder, name, kAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, scratch);
      in_place = true;
    } else {
      SetLastError(ERROR_ACCESS_DENIED);
    }
  }
  if (!file) {
    error = FromLastError(GetLastError());
    return nullptr;
  }
  UniqueHandle flusher(CreateFileW(W(scratch), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  // Marked once both handles are open: a file marked for deletion takes no
  // new handle. A file system that cannot mark it leaves it to be removed by
  // name when the conversion fails.
  const bool marked = MarkForDeletion(file.get(), true);
  return std::make_unique<WinReplacement>(target, std::move(scratch), std::move(file),
                                          std::move(flusher), in_place, marked);
}

// Windows flushes one file at a time (there is no flush of a whole volume
// for a program without administrator rights), and a flush waits mostly for
// the disk: several at once, each file flushed and then put in its place.
std::vector<WriteError> CommitTogether(const std::vector<ReplacementFile*>& files) {
  constexpr std::size_t kFlushesAtOnce = 8;
  std::vector<WriteError> errors(files.size(), WriteError::kNone);
  std::atomic<std::size_t> next{0};
  auto commit = [&] {
    for (std::size_t i; (i = next++) < files.size();) errors[i] = files[i]->Commit();
  };
  std::vector<std::thread> helpers;
  for (std::size_t k = 1; k < std::min(kFlushesAtOnce, files.size()); ++k) {
    try {
      helpers.emplace_back(commit);
    } catch (const std::system_error&) {
      break;  // fewer at once, then
    }
  }
  commit();
  for (std::thread& helper : helpers) helper.join();
  return errors;
}

std::optional<std::u16string> CreateNewFileBeside(const std::u16string& path,
                                                  std::string_view bytes, WriteError& error) {
  const auto [folder, name] = SplitLast(path);
  std::u16string created;
  UniqueHandle file = CreateNew(folder, name, GENERIC_WRITE, 0, created);
  if (!file) {
    error = FromLastError(GetLastError());
    return std::nullopt;
  }
  const bool ok = WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
  const DWORD err = GetLastError();
  file.reset();
  if (!ok) {
    DeleteFileW(W(created));
    error = FromLastError(err);
    return std::nullopt;
  }
  error = WriteError::kNone;
  return created;
}

WriteError FlushFileAt(const std::u16string& path) {
  UniqueHandle file(CreateFileW(W(path), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file || !FlushFileBuffers(file.get())) return FromLastError(GetLastError());
  return WriteError::kNone;
}

}  // namespace platform
