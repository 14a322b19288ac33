// The batch converter: the main window's Start conversion without windows.
//
//   quillmere [--ini FILE | --defaults] [--set KEY=VALUE]... [--input-encoding NAME]
//             [--output-encoding NAME] [--show-encoding] INPUT OUTPUT
//   quillmere [the same options] [-r] [-j N] [--no-clobber] [-q | --progress] -o DIR INPUT...
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/exit_codes.h"

namespace cli {

// Runs one conversion. `args` excludes the program name; `default_ini` is the
// settings file used without --ini. Messages go to `err` in UTF-8; "-" as
// INPUT or OUTPUT stands for `in` or `out`. With -o, messages come as they
// happen (`err` is flushed after each), with a status line redrawn in place
// when `err_is_terminal`.
int RunBatch(const std::vector<std::u16string>& args, const std::u16string& default_ini,
             std::istream& in, std::ostream& out, std::ostream& err, bool err_is_terminal = false);

}  // namespace cli
