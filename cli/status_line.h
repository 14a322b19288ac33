// The one line on a terminal that tells how far a run over many files has
// got, redrawn in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace cli {

struct Progress {
  std::size_t files_done = 0, files_total = 0;
  std::uint64_t bytes_done = 0, bytes_total = 0;
  double seconds = 0;  // since the run began
  std::size_t failed = 0;
};

// "12/40 ファイル  3.1/9.8 MB  2.4 MB/s  残り 0:03  失敗 1": files and bytes
// done of all, the rate, the time left at that rate (once there is a rate to
// go by), and the failures so far (when there are any). UTF-8.
std::string StatusText(const Progress& progress);

// Columns a UTF-8 text takes on a terminal: one for each ASCII character,
// two for each other (the Japanese of the status line is full width).
std::size_t Columns(const std::string& text);

}  // namespace cli
