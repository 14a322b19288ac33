// The batch converter: the main window's Start conversion without windows.
//
//   quillmere [--ini FILE | --defaults] [--set KEY=VALUE]... [--input-encoding NAME]
//             [--output-encoding NAME] [--show-encoding] INPUT OUTPUT
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

enum ExitCode {
  kSuccess = 0,
  kUsage = 1,     // bad arguments; the usage text follows the message
  kSettings = 2,  // settings file missing, or a value refused
  kFiles = 3,     // input unreadable or output not written
};

// Runs one conversion. `args` excludes the program name; `default_ini` is the
// settings file used without --ini. Messages go to `err` in UTF-8; "-" as
// INPUT or OUTPUT stands for `in` or `out`.
int RunBatch(const std::vector<std::u16string>& args, const std::u16string& default_ini,
             std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace cli
