// What the batch converter says of a file it could not convert, or
// converted with characters lost: the same words in the one-file form and
// in a run over many files. UTF-8, without the program's name or a line end.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace cli {

std::string FolderUnmade(const std::u16string& folder);
std::string InputUnopenable(const std::u16string& input);
std::string SameFileRefused(const std::u16string& output);
std::string InputUnreadable(const std::u16string& input);
std::string OutputUnwritable(platform::WriteError error, const std::u16string& output);
std::string CharactersLost(std::size_t lost);

// Opens `input` to be converted into `output` (empty for standard output):
// the message of why it cannot be, or empty when `file` is open.
std::string OpenInput(const std::u16string& input, const std::u16string& output,
                      std::unique_ptr<platform::FileReader>& file);

}  // namespace cli
