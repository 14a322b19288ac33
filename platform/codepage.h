// Text crossing the boundary between the program (UTF-16) and files or the
// system (bytes). Files use the system's ANSI code page: code page 932 on the
// Japanese systems the program is written for.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The system's ANSI code page. On Windows the platform converts; a system
// whose ANSI code page is UTF-8 gets code page 932 instead, since the files
// this program reads and writes are Shift-JIS. Elsewhere code page 932.
std::u16string DecodeAnsi(std::string_view bytes);
std::string EncodeAnsi(std::u16string_view text);

// Whether `byte` begins a two-byte character in the ANSI code page.
bool IsAnsiLeadByte(unsigned char byte);

// Code page 932 exactly as Windows maps it, from our own tables: a lead byte
// followed by any byte but NUL forms one character (U+30FB when the pair is
// unassigned); a lead byte at the end or before NUL gives U+30FB; a code unit
// without a mapping is written as "?".
std::u16string DecodeCp932(std::string_view bytes);
std::string EncodeCp932(std::u16string_view text);
bool IsCp932LeadByte(unsigned char byte);

// UTF-8, with U+FFFD for malformed input and lone surrogates.
std::u16string DecodeUtf8(std::string_view bytes);
std::string EncodeUtf8(std::u16string_view text);

}  // namespace platform
