#include "engine/number_text.h"

namespace engine {

ParsedInt16 ParseInt16(std::u16string_view s) {
  constexpr ParsedInt16 kNotANumber{NumberStatus::kNotANumber, 0};
  std::size_t i = 0;
  while (i < s.size() && s[i] == u' ') ++i;
  bool minus = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) minus = s[i++] == u'-';

  // The magnitude saturates far above the range, so long digit runs cannot wrap.
  constexpr std::int64_t kCap = 1'000'000;
  std::int64_t magnitude = 0;
  bool digits = false;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, digits = true)
    magnitude = std::min(kCap, magnitude * 10 + (s[i] - u'0'));

  // Fraction: only whether it is below, at or above one half matters, and for
  // exactly one half whether the integer part is odd.
  int half = -1;  // -1 below, 0 exactly half, 1 above
  if (i < s.size() && s[i] == u'.') {
    ++i;
    bool first = true, rest_nonzero = false;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, digits = true) {
      if (first) {
        half = s[i] > u'5' ? 1 : s[i] == u'5' ? 0 : -1;
        first = false;
      } else if (s[i] != u'0') {
        rest_nonzero = true;
      }
    }
    if (half == 0 && rest_nonzero) half = 1;
  }
  while (i < s.size() && s[i] == u' ') ++i;
  if (!digits || i != s.size()) return kNotANumber;

  if (half > 0 || (half == 0 && magnitude % 2 == 1)) ++magnitude;
  std::int64_t value = minus ? -magnitude : magnitude;
  if (value < INT16_MIN || value > INT16_MAX) return {NumberStatus::kOutOfRange, 0};
  return {NumberStatus::kOk, static_cast<std::int16_t>(value)};
}

std::u16string DecimalText(std::int32_t value) {
  std::string s = std::to_string(value);
  return std::u16string(s.begin(), s.end());
}

}  // namespace engine
