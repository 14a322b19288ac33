// A run over many files, as the batch converter's -o and the window's Start
// with several inputs make it: every file of the list converted, several at
// once on worker threads, each output complete and on disk before it
// replaces the old one, committed in groups.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "conversion/conversion_run.h"
#include "conversion/file_list.h"
#include "engine/clsQuillmere.h"

namespace conversion {

struct ManyOptions {
  RunOptions run;
  bool no_clobber = false;  // an existing output is left, and its input skipped
  unsigned jobs = 0;        // conversions at once; 0 for one per processor
  // Asked often: once it says so, no new file starts and those under way
  // are abandoned, their old outputs untouched. Null: platform::Interrupted.
  std::function<bool()> stop;
};

struct ManyProgress {
  std::size_t files_done = 0, files_total = 0;
  std::uint64_t bytes_done = 0, bytes_total = 0;
  double seconds = 0;  // since the run began
  std::size_t converted = 0, skipped = 0, failed = 0;
  std::u16string current;  // the input begun last
};

// What the run tells as it goes. Called one at a time (under the run's
// lock), from any of its threads but Progress, which comes from the thread
// that called ConvertMany.
class ManyReport {
 public:
  virtual ~ManyReport() = default;
  // A file that was not converted (its old output untouched), and why.
  virtual void Failed(const std::u16string& message) = 0;
  virtual void CharactersLost(const std::u16string& /*input*/, std::size_t /*lost*/) {}
  // Every tenth of a second or so, and once at the end.
  virtual void Progress(const ManyProgress& /*progress*/) {}
};

struct ManyOutcome {
  std::size_t converted = 0, skipped = 0, failed = 0;
  std::size_t total = 0;  // files listed, and inputs not found
  bool stopped = false;
};

// Converts the files of `list`, each as one file is converted, with the
// settings `converter` holds.
ManyOutcome ConvertMany(const clsQuillmere& converter, const FileList& list,
                        const ManyOptions& options, ManyReport& report);

}  // namespace conversion
