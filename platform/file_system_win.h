// The file-system helpers that the Windows halves of platform/ share.
#pragma once

#include <windows.h>

#include <string>

#include "platform/file_system.h"

namespace platform::win {

const wchar_t* W(const std::u16string& s);
bool IsBareDrive(const std::u16string& path);
DWORD Attributes(const std::u16string& path);
bool IsDirectoryPath(const std::u16string& path);
bool IsReadOnlyFile(const std::u16string& path);
WriteError FromLastError(DWORD err);

}  // namespace platform::win
