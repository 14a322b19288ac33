#include "platform/wildcard.h"

#include <string>

#include "platform/codepage.h"
#include "platform/upper_case.h"

namespace platform {

bool HasWildcard(std::string_view name) {
  return name.find_first_of("*?") != name.npos;
}

bool HasWildcard(std::u16string_view name) {
  return name.find_first_of(u"*?") != name.npos;
}

// Greedy matching with one back-track point for the latest "*": linear in
// practice and never exponential. Both sides in upper case, unit by unit.
bool WildcardMatch(std::string_view pattern_utf8, std::string_view name_utf8) {
  const std::u16string pattern = UpperCase(DecodeUtf8(pattern_utf8));
  const std::u16string name = UpperCase(DecodeUtf8(name_utf8));
  std::size_t p = 0, n = 0, star = std::u16string::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
      ++p, ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      resume = n;
    } else if (star != std::u16string::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace platform
