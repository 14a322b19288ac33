// The decoders and encoders behind DecodePiece and EncodeAppend, one group
// per encoding; used only inside platform/.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Each of these decodes the whole characters at the start of `bytes` (all
// of them with `last`), appends them to `out` and returns how many bytes
// they took.
std::size_t DecodeUtf8Piece(std::string_view bytes, bool last, std::u16string& out);
std::size_t DecodeUtf16Piece(std::string_view bytes, bool big_endian, bool last,
                             std::u16string& out);
std::size_t DecodeEucJpPiece(std::string_view bytes, bool last, std::u16string& out);

void AppendUtf8(std::u16string_view text, std::string& out);
void AppendUtf16(std::u16string_view text, bool big_endian, std::string& out);

// One character of code page 932 from a lead byte and the byte after it;
// U+FFFD where the pair is unassigned.
char16_t Cp932Pair(unsigned char lead, unsigned char trail);

// The platform's halves: code page 932 and windows-1252 through the
// platform's own conversion on Windows, our tables elsewhere.
std::u16string DecodeShiftJis(std::string_view bytes);
std::string EncodeShiftJis(std::u16string_view text);
std::u16string DecodeWindows1252(std::string_view bytes);

}  // namespace platform
