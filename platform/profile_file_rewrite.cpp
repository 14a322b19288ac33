#include <optional>
#include <string>

#include "platform/file_system.h"
#include "platform/profile_file.h"

namespace platform {

bool RewriteProfileFile(const std::u16string& path,
                        const std::function<bool(const std::u16string& copy)>& write) {
  // The copy is a new file, never one of the user's, so that the writes
  // cannot touch anything but it.
  const std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes && SearchFinds(path, SearchFor::kFilesAndDirectories))
    return false;  // something is there that cannot be read as a file
  WriteError error;
  const std::optional<std::u16string> copy = CreateNewFileBeside(path, bytes.value_or(""), error);
  if (!copy) return false;
  const bool ok = write(*copy) && MoveOver(*copy, path) == WriteError::kNone;
  if (!ok) RemoveFile(*copy);
  return ok;
}

}  // namespace platform
