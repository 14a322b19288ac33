// The input and output files of a conversion: text in the system's ANSI code
// page on disk, UTF-16 in memory.
#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.h"

// The text of an ordinary (not hidden, not system) file, decoded from the
// ANSI code page and cut at its first NUL; empty on any failure.
std::u16string ReadTextFile(const std::u16string& path);

// Writes `text` in the ANSI code page followed by CR LF. The new content is
// complete on disk before it replaces an existing file, which a failure
// leaves exactly as it was.
platform::WriteError WriteTextFile(const std::u16string& path, const std::u16string& text);

// What went wrong, in a sentence for the user.
std::u16string DescribeWriteError(platform::WriteError error);

// The ANSI bytes of a whole input, cut at the first NUL, as text.
std::u16string DecodeTextBytes(std::string bytes);
