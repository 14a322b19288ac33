// The replacement file off Windows. The new content goes into an unnamed
// file in the output's folder (O_TMPFILE), which gets a name only once it is
// complete and on disk, and then at once takes the output's place: a run
// that is killed leaves nothing behind. Where the file system has no unnamed
// files, a named one is locked while it is written, and a later run removes
// those that no process holds any more. Where the folder lets us create
// nothing but the output itself is writable, the new content is made in the
// temporary folder and copied over the output in place.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "platform/background_flush.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/file_system_posix.h"

namespace platform {
namespace {

using namespace posix;

constexpr std::string_view kMarker = ".quillmere-";

// The file `path` names after following its symbolic links, also one that
// does not exist yet: the output of a link is the file it points to.
std::string FollowLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    std::string to(4096, '\0');
    const ssize_t n = readlink(path.c_str(), to.data(), to.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= to.size()) break;
    to.resize(static_cast<std::size_t>(n));
    path = to.starts_with('/') ? to : SplitLast(path).first + "/" + to;
  }
  return path;
}

// A name beside `name` in `folder` for our own scratch file, new each time.
std::string ScratchName(const std::string& folder, const std::string& name) {
  static thread_local std::mt19937 random{std::random_device{}()};
  char tag[16];
  std::snprintf(tag, sizeof tag, "%08x", static_cast<unsigned>(random()));
  return folder + "/" + name + std::string(kMarker) + tag + ".tmp";
}

bool IsScratchOf(const std::string& entry, const std::string& name) {
  return entry.starts_with(name + std::string(kMarker)) && entry.ends_with(".tmp");
}

// Removes the scratch files of `name` in `folder` that no live process
// holds: their writers lock them as long as they run.
void RemoveStale(const std::string& folder, const std::string& name) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (dirent* e = readdir(dir)) {
    if (!IsScratchOf(e->d_name, name)) continue;
    const std::string path = folder + "/" + e->d_name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(path.c_str());
    ::close(fd);
  }
  closedir(dir);
}

// A new named file in `folder`, never one that is there already, locked for
// as long as it is open; -1 with errno set when none can be made.
int CreateNamed(const std::string& folder, const std::string& name, std::string& path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = ScratchName(folder, name);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      flock(fd, LOCK_EX);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

bool NoUnnamedFiles(int err) {
  return err == EOPNOTSUPP || err == EISDIR || err == EINVAL || err == ENOSYS;
}

class PosixReplacement final : public ReplacementFile {
 public:
  enum class Way {
    kUnnamed,      // an unnamed file in the output's folder, linked in on Commit
    kNamed,        // a locked, named file beside the output
    kCopyInPlace,  // a file elsewhere, copied over the output on Commit
  };

  PosixReplacement(std::string target, std::string scratch, int fd, Way way)
      : target_(std::move(target)), scratch_(std::move(scratch)), fd_(fd), way_(way) {}
  ~PosixReplacement() override {
    flush_.Wait();
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && way_ == Way::kNamed) ::unlink(scratch_.c_str());
  }
  bool Write(std::string_view bytes) override {
    if (error_ == WriteError::kNone && !WriteAll(fd_, bytes)) error_ = FromErrno(errno);
    written_ += bytes.size();
    if (error_ == WriteError::kNone) flush_.Written(written_);
    return error_ == WriteError::kNone;
  }
  WriteError Commit() override {
    if (Settle() && ::fdatasync(fd_) != 0) error_ = FromErrno(errno);
    return Place();
  }

  // The two halves of Commit, for CommitTogether. Settle ends the writing
  // (the flush under way included), and tells whether all went well so far;
  // Place, once the content is on disk, puts the file in the output's place.
  bool Settle() {
    if (const int flush_error = flush_.Wait(); flush_error != 0 && error_ == WriteError::kNone)
      error_ = FromErrno(flush_error);
    return error_ == WriteError::kNone;
  }
  int fd() const { return fd_; }
  void Fail(WriteError error) {
    if (error_ == WriteError::kNone) error_ = error;
  }
  WriteError Place() {
    if (error_ == WriteError::kNone) error_ = PutInPlace();
    if (::close(fd_) != 0 && error_ == WriteError::kNone) error_ = FromErrno(errno);
    fd_ = -1;
    committed_ = error_ == WriteError::kNone;
    return error_;
  }

 private:
  WriteError PutInPlace() {
    if (IsDirectory(target_)) return WriteError::kIsDirectory;
    if (IsReadOnlyFile(target_)) return WriteError::kReadOnly;
    switch (way_) {
      case Way::kUnnamed:
        return LinkIn();
      case Way::kNamed:
        return ::rename(scratch_.c_str(), target_.c_str()) == 0 ? WriteError::kNone
                                                                : FromErrno(errno);
      case Way::kCopyInPlace:
        return CopyOver();
    }
    return WriteError::kOther;
  }

  // The unnamed file gets a new name beside the output and then takes the
  // output's place: only between the two would a killed run leave a file.
  WriteError LinkIn() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    const std::string folder = SplitLast(target_).first, name = SplitLast(target_).second;
    std::string linked;
    int result = -1;
    for (int attempt = 0; attempt < 100 && result != 0; ++attempt) {
      linked = ScratchName(folder, name);
      result = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, linked.c_str(), AT_SYMLINK_FOLLOW);
      if (result != 0 && errno == ENOENT)  // no /proc: by the descriptor itself
        result = ::linkat(fd_, "", AT_FDCWD, linked.c_str(), AT_EMPTY_PATH);
      if (result != 0 && errno != EEXIST) return FromErrno(errno);
    }
    if (result != 0) return WriteError::kOther;
    if (::rename(linked.c_str(), target_.c_str()) != 0) {
      const int err = errno;
      ::unlink(linked.c_str());
      return FromErrno(err);
    }
    return WriteError::kNone;
  }

  // The output rewritten where it stands: the space is taken first, so that
  // a full disk refuses before anything of the old content is lost; a crash
  // part-way leaves the output part new, part old.
  WriteError CopyOver() {
    const int out = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
    if (out < 0) return FromErrno(errno);
    WriteError error = WriteError::kNone;
    const int space = ::posix_fallocate(out, 0, static_cast<off_t>(written_));
    if (space != 0 && space != EOPNOTSUPP && space != EINVAL) error = FromErrno(space);
    std::string buffer(1 << 20, '\0');
    for (off_t at = 0; error == WriteError::kNone && at < static_cast<off_t>(written_);) {
      const ssize_t n = ::pread(fd_, buffer.data(), buffer.size(), at);
      if (n <= 0) {
        error = n < 0 ? FromErrno(errno) : WriteError::kOther;
        break;
      }
      if (::pwrite(out, buffer.data(), static_cast<std::size_t>(n), at) != n) {
        error = FromErrno(errno);
        break;
      }
      at += n;
    }
    if (error == WriteError::kNone && ::ftruncate(out, static_cast<off_t>(written_)) != 0)
      error = FromErrno(errno);
    if (error == WriteError::kNone && ::fdatasync(out) != 0) error = FromErrno(errno);
    ::close(out);
    return error;
  }

  std::string target_, scratch_;
  int fd_;
  Way way_;
  WriteError error_ = WriteError::kNone;
  bool committed_ = false;
  std::size_t written_ = 0;
  BackgroundFlush flush_{[this] { return ::fdatasync(fd_) == 0 ? 0 : errno; }};
};

}  // namespace

std::unique_ptr<ReplacementFile> ReplacementFile::Create(const std::u16string& path,
                                                         WriteError& error) {
  const std::string target = FollowLinks(Native(path));
  error = IsDirectory(target)      ? WriteError::kIsDirectory
          : IsReadOnlyFile(target) ? WriteError::kReadOnly
                                   : WriteError::kNone;
  if (error != WriteError::kNone) return nullptr;
  const auto [folder, name] = SplitLast(target);
  struct stat old {};
  const bool exists = stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);

  using Way = PosixReplacement::Way;
  Way way = Way::kUnnamed;
  std::string scratch;
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  if (fd < 0 && NoUnnamedFiles(errno)) {
    way = Way::kNamed;
    RemoveStale(folder, name);
    fd = CreateNamed(folder, name, scratch);
  }
  if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS) && exists &&
      ::access(target.c_str(), W_OK) == 0) {
    way = Way::kCopyInPlace;
    const char* env = std::getenv("TMPDIR");
    const std::string temp = env && *env ? env : "/tmp";
    fd = ::open(temp.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {  // a named one, gone as soon as it is made
      std::string pattern = temp + "/quillmere-XXXXXX";
      fd = ::mkstemp(pattern.data());
      if (fd >= 0) ::unlink(pattern.c_str());
    }
  }
  if (fd < 0) {
    error = FromErrno(errno);
    return nullptr;
  }
  if (exists && way != Way::kCopyInPlace) {
    // What a user would notice of the old file: its permissions (and its
    // owner, where we may give it).
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) { /* only root may */
    }
    ::fchmod(fd, old.st_mode & 07777);
  }
  return std::make_unique<PosixReplacement>(target, std::move(scratch), fd, way);
}

std::vector<WriteError> CommitTogether(const std::vector<ReplacementFile*>& files) {
  std::vector<PosixReplacement*> settled;
  for (ReplacementFile* file : files) {
    auto* replacement = static_cast<PosixReplacement*>(file);
    if (replacement->Settle()) settled.push_back(replacement);
  }
#ifdef __linux__
  // One flush of each file system, through any file on it; a file system
  // that cannot be flushed so fails its files.
  std::vector<std::pair<dev_t, int>> systems;  // device, and the flush's errno
  for (PosixReplacement* replacement : settled) {
    struct stat st {};
    if (::fstat(replacement->fd(), &st) != 0) {
      replacement->Fail(FromErrno(errno));
      continue;
    }
    auto known = std::find_if(systems.begin(), systems.end(),
                              [&](const auto& system) { return system.first == st.st_dev; });
    if (known == systems.end()) {
      systems.emplace_back(st.st_dev, ::syncfs(replacement->fd()) == 0 ? 0 : errno);
      known = systems.end() - 1;
    }
    if (known->second != 0) replacement->Fail(FromErrno(known->second));
  }
#else
  for (PosixReplacement* replacement : settled)
    if (::fdatasync(replacement->fd()) != 0) replacement->Fail(FromErrno(errno));
#endif
  std::vector<WriteError> errors;
  errors.reserve(files.size());
  for (ReplacementFile* file : files)
    errors.push_back(static_cast<PosixReplacement*>(file)->Place());
  return errors;
}

std::optional<std::u16string> CreateNewFileBeside(const std::u16string& path,
                                                  std::string_view bytes, WriteError& error) {
  const auto [folder, name] = SplitLast(Native(path));
  std::string created;
  const int fd = CreateNamed(folder, name, created);
  if (fd < 0) {
    error = FromErrno(errno);
    return std::nullopt;
  }
  const bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  const int err = errno;
  ::close(fd);
  if (!ok) {
    ::unlink(created.c_str());
    error = FromErrno(err);
    return std::nullopt;
  }
  error = WriteError::kNone;
  return DecodeUtf8(created);
}

WriteError FlushFileAt(const std::u16string& path) {
  const int fd = ::open(Native(path).c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return FromErrno(errno);
  const bool ok = ::fsync(fd) == 0;
  const int err = errno;
  ::close(fd);
  return ok ? WriteError::kNone : FromErrno(err);
}

}  // namespace platform
