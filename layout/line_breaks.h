// Where a line may break: Unicode's line breaking algorithm (UAX #14), its
// classes generated from the Unicode Character Database
// (tools/linebreak/generate.py) and its rules, with numbers tailored as its
// Example 7 does (the form Unicode's own LineBreakTest.txt checks).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace engine {

// The classes the rules see, after the algorithm's first resolution (AI,
// SG, XX as AL; SA as CM or AL; CJ as NS).
// clang-format off
enum class BreakClass : std::uint8_t {
  BK, CR, LF, CM, NL, WJ, ZW, GL, SP, ZWJ, B2, BA, BB, HY, CB, CL, CP, EX, IN,
  NS, OP, QU, IS, NU, PO, PR, SY, AL, EB, EM, H2, H3, HL, ID, JL, JV, JT, RI
};
// clang-format on

struct BreakProperty {
  BreakClass klass;
  bool wide;             // an OP or CP of East Asian Width F, W or H
  bool unassigned_pict;  // an unassigned Extended_Pictographic code point
};

BreakProperty BreakPropertyOf(char32_t c);

enum class Break : std::uint8_t { kNone, kAllowed, kMandatory };

// What lies before each character of `text`: none before the first, then
// whether a line may, or must, break between it and the one before.
// (After the last a line always breaks.)
std::vector<Break> LineBreaks(std::u32string_view text);

}  // namespace engine
