// What the front ends say of a file they could not convert, or converted
// with characters lost: the same words for one file and in a run over many,
// in the window and in the batch converter. Without a program's name or a
// line end.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace conversion {

// A count as the messages write it: its decimal digits.
std::u16string CountText(std::size_t n);

std::u16string FolderUnmade(const std::u16string& folder);
std::u16string InputUnopenable(const std::u16string& input);
std::u16string SameFileRefused(const std::u16string& output);
std::u16string InputUnreadable(const std::u16string& input);
// A saved web page (.mht, .mhtml) that is no MIME message, or one with no
// HTML part.
std::u16string NotSavedPage(const std::u16string& input);
std::u16string NoPageInSavedPage(const std::u16string& input);
std::u16string OutputUnwritable(platform::WriteError error, const std::u16string& output);
std::u16string MemoryShort(const std::u16string& input);
std::u16string CharactersLost(std::size_t lost);

// Opens `input` to be converted into `output` (empty for standard output):
// the message of why it cannot be, or empty when `file` is open.
std::u16string OpenInput(const std::u16string& input, const std::u16string& output,
                         std::unique_ptr<platform::FileReader>& file);

}  // namespace conversion
