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
  if (!copy) {
    // A folder that takes no new file may still hold a file the user may
    // change: then the writes go to it, as the profile functions write.
    return error == WriteError::kAccessDenied && bytes && write(path);
  }
  bool ok = false;
  try {
    ok = write(*copy) && FlushFileAt(*copy) == WriteError::kNone &&
         MoveOver(*copy, path) == WriteError::kNone;
  } catch (...) {
    RemoveFile(*copy);
    throw;
  }
  if (!ok) RemoveFile(*copy);
  return ok;
}

}  // namespace platform
