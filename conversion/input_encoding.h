// Which encoding an input file is read in, decided once from its start as
// browsers decide it: a byte-order mark, else a <meta> declaration in the
// first 1024 bytes, else the content of the first 64 KiB (ISO-2022-JP's
// escapes, UTF-8's sequences), else the ANSI code page. A declaration of
// ISO-2022-JP on bytes it never has (past 0x7F) is not taken.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "platform/codepage.h"

namespace conversion {

// How much of the input's start the decision looks at.
constexpr std::size_t kDeclarationReach = 1024;
constexpr std::size_t kContentReach = 64 * 1024;

struct InputEncoding {
  enum class Why {
    kByteOrderMark,
    kDeclaration,
    kContent,
    kDefault,
    kChosen,
    kXmlDeclaration,
    kSavedPage  // the charset of a saved page's part (MHTML)
  };
  platform::Encoding encoding = platform::Encoding::kAnsi;
  Why why = Why::kDefault;
  std::size_t mark = 0;  // bytes of a byte-order mark at the start, which are not text
  bool operator==(const InputEncoding&) const = default;
};

// Decides from `head`: the input's first kContentReach bytes, or all of it
// when `whole`.
InputEncoding DecideInputEncoding(std::string_view head, bool whole);

// The encoding the user chose; a byte-order mark of that encoding at the
// start of `head` is still not text.
InputEncoding ChosenInputEncoding(platform::Encoding chosen, std::string_view head);

// The name, as the Encoding standard gives it ("UTF-8", "Shift_JIS",
// "ISO-2022-JP"...), of the encoding that `label` stands for: ASCII
// whitespace around it ignored, letters in either case. Empty for a text
// that is no label of the standard.
std::string_view EncodingNameOfLabel(std::string_view label);

// Our encoding for a name EncodingNameOfLabel gives; nothing for one we do
// not read.
std::optional<platform::Encoding> SupportedEncoding(std::string_view name);

// The HTML standard's prescan of the first bytes of a document for a <meta>
// declaring its encoding (charset="...", or http-equiv="Content-Type" with a
// content="...charset=..."): the name of the encoding the first complete
// declaration names, a UTF-16 one given as "UTF-8" and "x-user-defined" as
// "windows-1252". Without one, an XML declaration at the start: one written
// in UTF-16 gives "UTF-16LE" or "UTF-16BE", else the encoding its
// encoding="..." names (a UTF-16 one as "UTF-8"). Empty when `head` holds
// neither; `in_xml`, when given, tells whether an XML declaration decided.
std::string_view PrescanForEncoding(std::string_view head, bool* in_xml = nullptr);

// Whether `sample` is UTF-8 by its content: it is well-formed UTF-8 (but
// for a character cut by its end, unless `whole`) and holds a character
// that could not be Shift_JIS half-width katakana instead: one of three or
// four bytes, or of two bytes whose second byte is 0x80 to 0xA0. Text whose
// every multi-byte character also reads as two half-width katakana (such as
// "ﾃｽ", C3 BD) stays in the ANSI code page.
bool LooksLikeUtf8(std::string_view sample, bool whole);

// Whether `sample` is ISO-2022-JP by its content: no byte past 0x7F, and an
// escape sequence into JIS X 0208 or half-width katakana (ESC $ B, ESC $ @,
// ESC ( I).
bool LooksLikeIso2022Jp(std::string_view sample);

// The byte-order mark of an encoding that has one (UTF-8, UTF-16); empty for
// the others.
std::string_view ByteOrderMark(platform::Encoding encoding);

}  // namespace conversion
