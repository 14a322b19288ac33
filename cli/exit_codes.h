// The batch converter's exit codes.
#pragma once

namespace cli {

enum ExitCode {
  kSuccess = 0,
  kUsage = 1,      // bad arguments; the usage text follows the message
  kSettings = 2,   // settings file missing, or a value refused
  kFiles = 3,      // input unreadable or output not written (with -o: any file)
  kStopped = 130,  // with -o: stopped by Ctrl+C
};

}  // namespace cli
