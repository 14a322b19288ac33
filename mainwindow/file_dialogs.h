// The platform's open-file and save-file dialogs, as the two "..." buttons use
// them.
#pragma once

#include <windows.h>

#include <string>

// Runs the dialog and returns its file buffer: the chosen path followed by
// NULs; empty when the user cancelled or the dialog failed.
std::u16string ShowOpenDialog(HWND owner, const std::u16string& filter,
                              const std::u16string& initial_folder);
std::u16string ShowSaveDialog(HWND owner, const std::u16string& filter,
                              const std::u16string& initial_folder);

// A filter text: description and pattern pairs, each item followed by one
// NUL, and one more NUL at the end.
std::u16string MakeFilter(std::initializer_list<std::u16string_view> items);
