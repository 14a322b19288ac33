// Text crossing the boundary between the program (UTF-16) and files or the
// system (bytes): the system's ANSI code page (code page 932 on the Japanese
// systems the program is written for), and the other encodings files come in.
#pragma once

#include <array>
#include <cstddef>
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

// Whether the ANSI code page is code page 932, so that Shift_JIS files are
// ANSI files.
bool AnsiIsShiftJis();

// Code page 932 exactly as Windows maps it, from our own tables: a lead byte
// followed by any byte but NUL forms one character (U+30FB when the pair is
// unassigned); a lead byte at the end or before NUL gives U+30FB; a code unit
// without a mapping is written as "?".
std::u16string DecodeCp932(std::string_view bytes);
std::string EncodeCp932(std::u16string_view text);
bool IsCp932LeadByte(unsigned char byte);

// The ANSI code page's characters as UTF-16 units, found once by decoding
// each: a double-byte character at (lead << 8 | trail), a single byte at
// itself; U+FFFD for one that decodes to no single unit.
const std::array<char16_t, 0x10000>& AnsiUnits();

// UTF-8 as the Encoding standard decodes it: each malformed sequence (the
// longest start of a well-formed one, or else one byte) gives one U+FFFD.
// Lone surrogates are written as U+FFFD.
std::u16string DecodeUtf8(std::string_view bytes);
// The UTF-16 units of one character (a surrogate pair past U+FFFF).
std::u16string Utf16Of(char32_t code_point);
std::string EncodeUtf8(std::u16string_view text);

// The encodings files are read in. Shift_JIS is code page 932 as Windows
// maps it; EUC-JP and ISO-2022-JP have the same characters (JIS X 0208 and
// half-width katakana; JIS X 0212, which has no Shift_JIS form, decodes as
// U+FFFD); windows-1252 is also what "iso-8859-1" and "us-ascii" mean on
// the web.
enum class Encoding {
  kAnsi,
  kShiftJis,
  kEucJp,
  kUtf8,
  kUtf16Le,
  kUtf16Be,
  kWindows1252,
  kIso2022Jp
};

// What an ISO-2022-JP text's escape sequences have left in force: the
// character set its bytes are read in, and whether the last thing read was
// an escape sequence (two in a row are an error).
struct Iso2022JpState {
  enum class Set : unsigned char { kAscii, kRoman, kKatakana, kJis0208 };
  Set set = Set::kAscii;
  bool after_escape = false;
};

// Decodes a text that arrives in pieces: appends to `out` the characters
// that `bytes` hold whole and returns how many bytes they took. The rest, at
// most three bytes of a character (or an escape sequence) cut by the end of
// the piece, belongs at the start of the next piece. With `last` the text
// ends with `bytes` and everything is taken. Malformed input gives U+FFFD
// where the Encoding standard's decoders give it (for UTF-8, UTF-16, EUC-JP
// and ISO-2022-JP); code page 932 and the ANSI code page decode as the
// platform decodes them. An ISO-2022-JP text is read from its start: its
// later pieces need the PieceDecoder that read the earlier ones.
std::size_t DecodePiece(Encoding encoding, std::string_view bytes, bool last, std::u16string& out);

// DecodePiece into a buffer: writes at `out`, which has room for one unit
// per byte of `bytes` and one more, sets `taken`, and returns how many units
// it wrote.
std::size_t DecodePieceTo(Encoding encoding, std::string_view bytes, bool last, char16_t* out,
                          std::size_t& taken);

// DecodePieceTo over the pieces of one text, which carries from each piece
// into the next what ISO-2022-JP's escape sequences left in force.
class PieceDecoder {
 public:
  explicit PieceDecoder(Encoding encoding) : encoding_(encoding) {}
  std::size_t DecodeTo(std::string_view bytes, bool last, char16_t* out, std::size_t& taken);

 private:
  Encoding encoding_;
  Iso2022JpState iso2022jp_;
};

// UTF-8 written at `out`, which has room for three bytes per unit of `text`;
// returns how many bytes it wrote. Lone surrogates are written as U+FFFD.
std::size_t EncodeUtf8To(std::u16string_view text, char* out);

// Appends `text` encoded in `encoding` (kAnsi, kShiftJis, kUtf8, kUtf16Le or
// kUtf16Be) to `out`, and returns how many of its characters the encoding
// cannot hold: they are written as the encoder writes them (code page 932
// puts a similar character or "?"). A text cut inside a surrogate pair counts
// each half.
std::size_t EncodeAppend(Encoding encoding, std::u16string_view text, std::string& out);

// The UTF-8 bytes of a text that arrives in pieces, in normal form: valid
// UTF-8, with each malformed sequence replaced by the bytes of the U+FFFD
// that decoding gives for it. Takes the whole characters at the start of
// `bytes` (all of them with `last`) and sets `taken` to their length, as
// DecodePiece does; their normal form is a view of `bytes` when they are
// valid (the usual case), else of `scratch`.
std::string_view NormalizeUtf8(std::string_view bytes, bool last, std::string& scratch,
                               std::size_t& taken);

// How many bytes at the start of `bytes` are well-formed UTF-8, stopping
// before a malformed sequence or one cut by the end.
std::size_t ValidUtf8Length(std::string_view bytes);

}  // namespace platform
