// The input box's text for several inputs: each path in double quotes,
// separated by a space, as the open-file dialog shows several chosen files
// ("C:\site\a.htm" "C:\site\b.html"). Text without a quote is one path, as
// it always was.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The paths the text names: the whole text when it holds no double quote;
// otherwise each quoted part, and each run of other characters between them
// that is not white space (a quote left open runs to the end). Empty parts
// ("") name nothing.
std::vector<std::u16string> SplitInputList(std::u16string_view text);

// The text that names `paths`, each quoted.
std::u16string JoinInputList(const std::vector<std::u16string>& paths);
