// A conversion run from end to end, as Start and the batch converter make
// it: the input's encoding decided from its start, the text converted piece
// by piece, and the output written in the chosen encoding, into a file that
// replaces the old one only once it is complete and on disk.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "conversion/input_encoding.h"
#include "conversion/piece_conversion.h"
#include "engine/clsQuillmere.h"
#include "platform/codepage.h"
#include "platform/file_system.h"

namespace conversion {

// The output's encoding. kSame keeps what the input can give: an input read
// in the ANSI code page, Shift_JIS, EUC-JP, ISO-2022-JP or windows-1252 is
// written in the ANSI code page, one read as UTF-8 or UTF-16 as UTF-8, with
// a byte-order mark when the input had one. UTF-16 is written with a
// byte-order mark.
enum class OutputChoice { kSame, kAnsi, kShiftJis, kUtf8, kUtf8WithMark, kUtf16Le };

struct RunOptions {
  std::optional<platform::Encoding> input;  // nothing: decided from the input
  OutputChoice output = OutputChoice::kSame;
  // A web page saved in one file (MHTML) is told by its content; an input
  // whose name says it is one (.mht, .mhtml) must be one.
  bool saved_page = false;
  // The file the reader reads, when it may be read again (Seek): a page
  // whose main content is chosen is then read twice rather than kept in a
  // scratch file meanwhile (not a saved page's).
  platform::FileReader* file = nullptr;
};

struct RunResult {
  // kNotSavedPage: the input is no MIME message though it should be one;
  // kNoPage: a message with no HTML part.
  enum class Status { kConverted, kUnreadable, kUnwritable, kNotSavedPage, kNoPage };
  Status status = Status::kConverted;
  platform::WriteError write_error = platform::WriteError::kNone;  // why kUnwritable
  InputEncoding input;                                             // what was read, and why
  platform::Encoding output = platform::Encoding::kAnsi;
  bool output_mark = false;  // the output begins with a byte-order mark
  std::size_t lost = 0;      // characters the output encoding could not hold
};

// The output's encoding for an input read as `input`, and whether a
// byte-order mark begins it.
std::pair<platform::Encoding, bool> OutputEncodingFor(OutputChoice choice,
                                                      const InputEncoding& input);

// Converts what `read` gives into what `write` takes: the page itself, or
// the page in a saved page's message, read from its part as its charset says
// (ahead of a declaration, after a byte-order mark).
RunResult ConvertStream(const clsQuillmere& converter, const Reader& read, const Writer& write,
                        const RunOptions& options = {});

// Converts into the file at `output`, which is replaced only when all went
// well and is otherwise left as it was.
RunResult ConvertToFile(const clsQuillmere& converter, const Reader& read,
                        const std::u16string& output, const RunOptions& options = {});

// As ConvertToFile, but when the conversion went well (kConverted) the new
// content is left in `replacement`, uncommitted, for the caller to commit,
// alone or with others (platform::CommitTogether), or to drop, which leaves
// the old output as it was.
RunResult ConvertToReplacement(const clsQuillmere& converter, const Reader& read,
                               const std::u16string& output, const RunOptions& options,
                               std::unique_ptr<platform::ReplacementFile>& replacement);

// What went wrong writing the output, in a sentence for the user.
std::u16string DescribeWriteError(platform::WriteError error);

}  // namespace conversion
