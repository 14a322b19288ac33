// File-name patterns (UTF-8) as the Windows directory search reads them: "*"
// matches any run of characters, "?" any one character; letters match without
// regard to case, in every script (as UpperCase has them).
#pragma once

#include <string_view>

namespace platform {

bool HasWildcard(std::string_view name);
bool HasWildcard(std::u16string_view name);
bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace platform
