// What the file-system services build on top of the platform's own.
#include "platform/file_system.h"

namespace platform {

WriteError ReplaceFileContents(const std::u16string& path, std::string_view bytes) {
  WriteError error;
  std::unique_ptr<ReplacementFile> file = ReplacementFile::Create(path, error);
  if (!file) return error;
  file->Write(bytes);
  return file->Commit();
}

}  // namespace platform
