// What the window says when a run over many files has ended: done, the
// files that could not be converted, or how far a stopped run got.
#pragma once

#include <string>
#include <vector>

#include "conversion/many_files.h"

struct EndMessage {
  std::u16string text;
  bool error;  // shown with the error icon
};

// `first_failures`: what the first files that failed were told (the run
// keeps ten); `outcome.failed` counts them all.
EndMessage ManyFilesEndMessage(const conversion::ManyOutcome& outcome,
                               const std::vector<std::u16string>& first_failures);
