// The input and output files of a conversion: text in the system's ANSI code
// page on disk, UTF-16 in memory.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "engine/clsQuillmere.h"
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

// Reads, converts and writes in pieces of 1 MiB, so that memory stays small
// whatever the input's size, with output identical to converting the whole
// text: the text ends at the input's first NUL byte, and the writer's CR LF
// follows it. `read` gives up to the asked number of bytes, 0 at the end and
// -1 on an error; `write` returns false on an error. False when either failed,
// or when scratch data kept on disk for a very long tag could not be read
// back (the input counts as unreadable then).
bool ConvertPieces(const clsQuillmere& converter,
                   const std::function<std::ptrdiff_t(char*, std::size_t)>& read,
                   const std::function<bool(std::string_view)>& write);
