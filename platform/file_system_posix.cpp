#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/file_system_posix.h"
#include "platform/wildcard.h"

namespace platform {
namespace posix {

std::string Native(const std::u16string& path) {
  std::string s = EncodeUtf8(path);
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

// Splits a native path into its folder ("." for none) and last component.
std::pair<std::string, std::string> SplitLast(std::string s) {
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  auto slash = s.rfind('/');
  if (slash == std::string::npos) return {".", s};
  return {slash == 0 ? "/" : s.substr(0, slash), s.substr(slash + 1)};
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A file nobody may write stands for the Windows read-only attribute.
bool IsReadOnlyFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

WriteError FromErrno(int err) {
  switch (err) {
    case EISDIR:
      return WriteError::kIsDirectory;
    case EACCES:
    case EPERM:
    case EROFS:
      return WriteError::kAccessDenied;
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
      return WriteError::kDiskFull;
    case ENOENT:
    case ENOTDIR:
      return WriteError::kNoFolder;
    default:
      return WriteError::kOther;
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace posix

namespace {

using namespace posix;

WriteError WriteFile(const std::string& path, std::string_view bytes, int flags) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0666);
  if (fd < 0) return FromErrno(errno);
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  int err = errno;
  ok = ::close(fd) == 0 && ok;
  if (!ok) return FromErrno(err ? err : errno);
  return WriteError::kNone;
}

}  // namespace

bool SearchFinds(const std::u16string& path, SearchFor what) {
  if (path.empty()) return false;
  auto [folder, name] = SplitLast(Native(path));
  auto accept = [&](const std::string& full) {
    struct stat st {};
    if (stat(full.c_str(), &st) != 0) return false;
    return S_ISREG(st.st_mode) || (what == SearchFor::kFilesAndDirectories && S_ISDIR(st.st_mode));
  };
  if (!HasWildcard(name)) return accept(Native(path));
  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  bool found = false;
  while (dirent* e = readdir(dir)) {
    std::string entry = e->d_name;
    if (entry == "." || entry == "..") continue;
    if (WildcardMatch(name, entry) && accept(folder + "/" + entry)) {
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

std::optional<std::u16string> StoredName(const std::u16string& path) {
  // Component by component, each taken as stored: an exact match first, else
  // the first entry that matches without regard to case.
  std::string native = Native(path), resolved = native.starts_with('/') ? "/" : "", last;
  std::size_t start = 0;
  while (start < native.size()) {
    std::size_t end = native.find('/', start);
    if (end == std::string::npos) end = native.size();
    std::string part = native.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    std::string folder = resolved.empty() ? "." : resolved;
    std::string joined =
        resolved.empty() || resolved.back() == '/' ? resolved + part : resolved + "/" + part;
    struct stat st {};
    if (HasWildcard(part) || stat(joined.c_str(), &st) != 0) {
      DIR* dir = opendir(folder.c_str());
      if (!dir) return std::nullopt;
      std::optional<std::string> match;
      while (dirent* e = readdir(dir)) {
        std::string entry = e->d_name;
        if (entry != "." && entry != ".." && WildcardMatch(part, entry)) {
          match = entry;
          break;
        }
      }
      closedir(dir);
      if (!match) return std::nullopt;
      part = *match;
      joined = resolved.empty() || resolved.back() == '/' ? resolved + part : resolved + "/" + part;
    }
    resolved = joined;
    last = part;
  }
  if (last.empty()) return std::nullopt;
  return DecodeUtf8(last);
}

std::optional<std::string> ReadWholeFile(const std::u16string& path) {
  int fd = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<std::string> result;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
      ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    result = std::move(bytes);
  }
  ::close(fd);
  return result;
}

namespace {

class PosixReader final : public FileReader {
 public:
  explicit PosixReader(int fd) : fd_(fd) {}
  ~PosixReader() override { ::close(fd_); }
  std::ptrdiff_t Read(char* buffer, std::size_t size) override {
    for (;;) {
      ssize_t n = ::read(fd_, buffer, size);
      if (n >= 0 || errno != EINTR) return n;
    }
  }
  bool Seek(std::uint64_t offset) override {
    return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
  }

 private:
  int fd_;
};

class PosixScratch final : public ScratchFile {
 public:
  explicit PosixScratch(std::FILE* file) : file_(file) {}
  ~PosixScratch() override { std::fclose(file_); }
  bool Append(std::string_view bytes) override {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size() &&
        std::fflush(file_) == 0) {
      size_ += bytes.size();
      return true;
    }
    // Back to what was there before; anything past size_ is never read.
    std::clearerr(file_);
    std::fseek(file_, static_cast<long>(size_), SEEK_SET);
    return false;
  }
  bool ReadAll(const std::function<bool(std::string_view)>& take) override {
    std::string buffer(1 << 20, '\0');
    bool ok = std::fseek(file_, 0, SEEK_SET) == 0;
    for (std::size_t left = size_; ok && left > 0;) {
      const std::size_t n = std::fread(buffer.data(), 1, std::min(left, buffer.size()), file_);
      if (n == 0) ok = false;
      left -= n;
      if (n > 0 && !take(std::string_view(buffer.data(), n))) break;
    }
    std::fseek(file_, static_cast<long>(size_), SEEK_SET);
    return ok;
  }
  void Clear() override {
    size_ = 0;
    std::fseek(file_, 0, SEEK_SET);
    if (::ftruncate(fileno(file_), 0) != 0) std::clearerr(file_);  // only space is lost
  }

 private:
  std::FILE* file_;
  std::size_t size_ = 0;
};

}  // namespace

std::unique_ptr<ScratchFile> ScratchFile::Create() {
  std::FILE* file = std::tmpfile();
  if (!file) return nullptr;
  return std::make_unique<PosixScratch>(file);
}

std::unique_ptr<FileReader> FileReader::Open(const std::u16string& path) {
  int fd = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<PosixReader>(fd);
}

WriteError OverwriteFile(const std::u16string& path, std::string_view bytes) {
  std::string target = Native(path);
  if (IsDirectory(target)) return WriteError::kIsDirectory;
  if (IsReadOnlyFile(target)) return WriteError::kReadOnly;
  return WriteFile(target, bytes, O_TRUNC);
}

WriteError MoveOver(const std::u16string& from, const std::u16string& to) {
  std::string target = Native(to);
  if (IsDirectory(target)) return WriteError::kIsDirectory;
  if (IsReadOnlyFile(target)) return WriteError::kReadOnly;
  if (::rename(Native(from).c_str(), target.c_str()) != 0) return FromErrno(errno);
  return WriteError::kNone;
}

void RemoveFile(const std::u16string& path) {
  ::unlink(Native(path).c_str());
}

bool SameFile(const std::u16string& a, const std::u16string& b) {
  struct stat sa {
  }, sb{};
  return stat(Native(a).c_str(), &sa) == 0 && stat(Native(b).c_str(), &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::u16string ProgramFile() {
  std::string buf(4096, '\0');
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n <= 0) return u"";
    if (static_cast<std::size_t>(n) < buf.size()) {
      buf.resize(static_cast<std::size_t>(n));
      return DecodeUtf8(buf);
    }
    buf.resize(buf.size() * 2);
  }
}

std::u16string ProgramFolder() {
  const std::u16string path = ProgramFile();
  if (path.empty()) return u".";
  return DecodeUtf8(SplitLast(EncodeUtf8(path)).first);
}

}  // namespace platform
