// The batch converter over many files: every file of the list converted,
// several at once, each output complete and on disk before it replaces the
// old one, with progress on the terminal and a summary at the end.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/file_list.h"
#include "conversion/conversion_run.h"
#include "engine/clsQuillmere.h"

namespace cli {

struct ManyOptions {
  conversion::RunOptions run;
  bool no_clobber = false;   // an existing output is left, and its input skipped
  unsigned jobs = 0;         // conversions at once; 0 for one per processor
  bool quiet = false;        // errors only
  bool status_line = false;  // the status line on `err`, redrawn in place
};

// Converts the files of `list`, each as the one-file form would, with the
// settings `converter` holds. Messages (UTF-8) go to `err`, which is flushed
// after each. A request to stop (platform::Interrupted) starts no new file
// and abandons those under way, their old outputs untouched. Returns the
// exit code: 0 when every file was converted or skipped, 3 when any failed,
// 130 when stopped.
int ConvertMany(const clsQuillmere& converter, const FileList& list, const ManyOptions& options,
                std::ostream& err);

}  // namespace cli
