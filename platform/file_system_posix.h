// The file-system helpers that the POSIX halves of platform/ share.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "platform/file_system.h"

namespace platform::posix {

// A program path as a native one: UTF-8, "\" as "/".
std::string Native(const std::u16string& path);
// A native path's folder ("." for none) and last component.
std::pair<std::string, std::string> SplitLast(std::string path);
bool IsDirectory(const std::string& path);
// A file nobody may write stands for the Windows read-only attribute.
bool IsReadOnlyFile(const std::string& path);
WriteError FromErrno(int err);
// Writes all of `bytes`; false (errno set) on an error.
bool WriteAll(int fd, std::string_view bytes);

}  // namespace platform::posix
