// The batch converter over many files: the run over many files of the
// conversion layer, with progress on the terminal, a line for each file that
// failed, and a summary at the end.
#pragma once

#include <iosfwd>

#include "conversion/file_list.h"
#include "conversion/many_files.h"
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
int ConvertMany(const clsQuillmere& converter, const conversion::FileList& list,
                const ManyOptions& options, std::ostream& err);

}  // namespace cli
