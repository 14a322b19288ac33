// The file-system helpers that the Windows halves of platform/ share.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/file_system.h"

namespace platform::win {

const wchar_t* W(const std::u16string& s);
bool IsBareDrive(const std::u16string& path);
DWORD Attributes(const std::u16string& path);
bool IsDirectoryPath(const std::u16string& path);
bool IsReadOnlyFile(const std::u16string& path);
WriteError FromLastError(DWORD err);
// Writes all of `bytes` at the file's position, in pieces WriteFile takes;
// false (GetLastError telling why) on an error. Adds what it wrote to
// `*written` when given.
bool WriteAll(HANDLE file, std::string_view bytes, std::uint64_t* written = nullptr);
// A path's folder ("." for none) and last component; "/" separates as "\"
// does.
std::pair<std::u16string, std::u16string> SplitLast(const std::u16string& path);

}  // namespace platform::win
