// Option values as text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

enum class NumberStatus { kOk, kNotANumber, kOutOfRange };

struct ParsedInt16 {
  NumberStatus status;
  std::int16_t value;
};

// Reads optional spaces, an optional sign, digits with an optional fraction
// (rounded half to even: "2.5" gives 2, "3.5" gives 4) and optional spaces.
// At least one digit is needed; anything else is not a number.
ParsedInt16 ParseInt16(std::u16string_view text);

// Decimal text: an optional "-" and digits without leading zeros.
std::u16string DecimalText(std::int32_t value);

}  // namespace engine
