// Where a line may break: Unicode's line breaking algorithm (UAX #14), its
// classes generated from the Unicode Character Database
// (tools/linebreak/generate.py) and its rules, with numbers tailored as its
// Example 7 does (the form Unicode's own LineBreakTest.txt checks).
#pragma once

#include <cstddef>
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

namespace detail {
const BreakProperty* Plane0Properties();
BreakProperty SearchProperty(char32_t c);
}  // namespace detail

inline BreakProperty BreakPropertyOf(char32_t c) {
  // The Basic Multilingual Plane's properties are looked up, the rest searched.
  static const BreakProperty* const plane0 = detail::Plane0Properties();
  return c < 0x10000 ? plane0[c] : detail::SearchProperty(c);
}

enum class Break : std::uint8_t { kNone, kAllowed, kMandatory };

// What the rules remember of the text before a boundary.
struct BreakState {
  BreakProperty prev{BreakClass::BK, false, false};  // the last character, combining marks in it
  BreakClass prev_raw = BreakClass::BK;              // the last character as it is
  BreakClass prev2 = BreakClass::BK;                 // the one before prev
  BreakClass before_spaces = BreakClass::BK;  // prev, or the last before the spaces that end here
  bool started = false;                       // a character has come
  bool spaces = false;                        // prev is a space
  bool number = false;                        // prev ends NU (NU | SY | IS)*
  bool closed_number = false;                 // prev is CL or CP after such a run
  int regional = 0;                           // regional indicators ending at prev
};

// The character after a boundary comes: what lies before it (none before
// the first), and the state moves past it. `next` is the class of the
// first character after it that is no combining mark (BK past the text's
// end), which LB25 looks ahead to.
Break AdvanceBreak(BreakState& state, BreakProperty cur, BreakClass next);

// What lies between two characters by their classes alone, where the first
// leaves the rules nothing of the text before it (it is none of SP, CM, ZWJ,
// SY, IS, CL, CP, RI, ZW, BK, CR, LF, NL) and the answer depends neither on
// the character before it, nor on the one after the second, nor on their
// widths: kNone or kAllowed; kMandatory where the caller must follow the
// rules through.
Break PairBreak(BreakClass before, BreakClass after);

// What lies before each character of `text`: none before the first, then
// whether a line may, or must, break between it and the one before.
// (After the last a line always breaks.)
std::vector<Break> LineBreaks(std::u32string_view text);

}  // namespace engine
