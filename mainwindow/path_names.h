// Path and file-name procedures shared by the main window, the file dialogs
// and drag and drop. Only "\" separates components; "/" is an ordinary
// character (but for the prefix of a network path in ToLongPathName).
#pragma once

#include <string>

// The text before the last "\"; "c:\" when the text holds none.
std::u16string GetFolderPath(const std::u16string& path);

// The text after the last "\"; the whole text when it holds none.
std::u16string GetFileName(const std::u16string& path);

// The text before the last ".", when that "." comes after the last "\".
std::u16string RemoveExtension(const std::u16string& path);

// The text before the first NUL character.
std::u16string CutAtNull(const std::u16string& text);

// The path with its root upper-cased and every other component replaced by
// its name as stored in the file system; empty when a component is not found.
std::u16string ToLongPathName(const std::u16string& path);
