// The conversion of a whole input into the output, piece by piece, once the
// encodings are decided.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "engine/clsQuillmere.h"
#include "platform/codepage.h"

namespace conversion {

// Gives up to the asked number of bytes, 0 at the end and -1 on an error.
using Reader = std::function<std::ptrdiff_t(char*, std::size_t)>;
// Takes the next bytes; false on an error.
using Writer = std::function<bool(std::string_view)>;
// Starts the reading again from the input's start; false when it cannot.
using Rewind = std::function<bool()>;

struct PieceEncodings {
  platform::Encoding input = platform::Encoding::kAnsi;   // what `read` gives, after any mark
  platform::Encoding output = platform::Encoding::kAnsi;  // one EncodeAppend writes
  // Converts by way of UTF-8 even where the bytes could be worked on as
  // they are (ANSI into ANSI, UTF-8 into UTF-8); the output is the same.
  bool through_utf8 = false;
};

// Reads, converts and writes in pieces of up to 1 MiB, so that memory stays
// small whatever the input's size, with output identical to decoding the
// whole input, converting the text and encoding the result: the text ends at
// its first NUL character, and the writer's CR LF follows it. A second
// thread reads and decodes the next piece while this one converts. `read`
// is called on that thread. False when reading or writing failed, or when
// scratch data kept on disk for a very long tag could not be read back (the
// input counts as unreadable then). An exception on either thread (out of
// memory) reaches the caller. `lost`, when given, counts the characters the
// output encoding could not hold.
//
// With `rewind`, a page whose main content is chosen (MAIN) is read twice,
// the choice made on the first reading, instead of being kept in a scratch
// file meanwhile. A second reading that gives other text than the first (the
// input changed meanwhile) fails the conversion, as unreadable.
//
// Code page bytes in ANSI out, and UTF-8 in UTF-8 out, are converted as they
// are (in normal form); every other input is decoded and converted as
// UTF-8, which is then encoded for the output.
bool ConvertPieces(const clsQuillmere& converter, const Reader& read, const Writer& write,
                   const PieceEncodings& encodings = {}, std::size_t* lost = nullptr,
                   const Rewind& rewind = {});

}  // namespace conversion
