// The conversion of a whole input file into the output file, piece by piece,
// as Start and the batch converter run it.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "engine/clsQuillmere.h"

// Reads, converts and writes in pieces of 1 MiB, so that memory stays small
// whatever the input's size, with output identical to converting the whole
// text: the text ends at the input's first NUL byte, and the writer's CR LF
// follows it. A second thread reads the next piece while this one converts.
// `read` (called on that thread) gives up to the asked number of bytes, 0 at
// the end and -1 on an error; `write` returns false on an error. False when
// either failed, or when scratch data kept on disk for a very long tag could
// not be read back (the input counts as unreadable then). An exception on
// either thread (out of memory) reaches the caller. The bytes are converted
// directly where the code page has a normal form; `as_text` converts the
// decoded text instead, as any other code page gets it.
bool ConvertPieces(const clsQuillmere& converter,
                   const std::function<std::ptrdiff_t(char*, std::size_t)>& read,
                   const std::function<bool(std::string_view)>& write, bool as_text = false);
