// A data object such as the desktop shell hands over when files are dropped:
// the file list (CF_HDROP) of the given paths, or no file list at all.
#pragma once

#include <ole2.h>

#include <string>
#include <vector>

namespace testing_support {

// Returns a new object with one reference, which the caller releases.
IDataObject* MakeDropData(const std::vector<std::u16string>& paths, bool with_file_list = true);

}  // namespace testing_support
