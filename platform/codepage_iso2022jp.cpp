// ISO-2022-JP as the Encoding standard reads it: seven-bit bytes whose
// meaning an escape sequence sets until the next one (ASCII, JIS X 0201
// Roman, half-width katakana, JIS X 0208 in pairs of bytes). Every error
// gives one U+FFFD, and the bytes the standard gives back to the input are
// read again here in the set in force.
#include "platform/codecs.h"

namespace platform {
namespace {

using Set = Iso2022JpState::Set;

constexpr unsigned char kEscape = 0x1B;

// The set an escape sequence's two bytes after ESC select, if any.
bool SetOfEscape(unsigned first, unsigned second, Set& set) {
  if (first == 0x28 && second == 0x42)
    set = Set::kAscii;
  else if (first == 0x28 && second == 0x4A)
    set = Set::kRoman;
  else if (first == 0x28 && second == 0x49)
    set = Set::kKatakana;
  else if (first == 0x24 && (second == 0x40 || second == 0x42))
    set = Set::kJis0208;
  else
    return false;
  return true;
}

// One byte other than ESC in a set of single bytes; U+FFFD where the set has
// no character for it.
char16_t SingleByte(Set set, unsigned b) {
  switch (set) {
    case Set::kAscii:
      return b < 0x80 && b != 0x0E && b != 0x0F ? static_cast<char16_t>(b) : u'\uFFFD';
    case Set::kRoman:
      if (b == 0x5C) return u'\u00A5';
      if (b == 0x7E) return u'\u203E';
      return b < 0x80 && b != 0x0E && b != 0x0F ? static_cast<char16_t>(b) : u'\uFFFD';
    case Set::kKatakana:
      return b >= 0x21 && b <= 0x5F ? static_cast<char16_t>(0xFF61 - 0x21 + b) : u'\uFFFD';
    case Set::kJis0208:
      break;
  }
  return u'\uFFFD';
}

bool InPairRange(unsigned b) {
  return b >= 0x21 && b <= 0x7E;
}

}  // namespace

char16_t* DecodeIso2022JpTo(std::string_view bytes, bool last, Iso2022JpState& state, char16_t* o,
                            std::size_t& taken) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned b = p[i];
    if (b == kEscape) {
      // An escape sequence is three bytes; one cut by the piece's end waits
      // for the next piece.
      if (i + 2 >= n && !last) break;
      Set set = state.set;
      if (i + 2 < n && SetOfEscape(p[i + 1], p[i + 2], set)) {
        state.set = set;
        if (state.after_escape) *o++ = u'\uFFFD';  // nothing between two escapes
        state.after_escape = true;
        i += 3;
        continue;
      }
      // No escape sequence: the ESC is the error, and what follows it is
      // read again in the set in force.
      state.after_escape = false;
      *o++ = u'\uFFFD';
      ++i;
      continue;
    }
    state.after_escape = false;
    if (state.set != Set::kJis0208) {
      *o++ = SingleByte(state.set, b);
      ++i;
      continue;
    }
    if (!InPairRange(b)) {
      *o++ = u'\uFFFD';
      ++i;
      continue;
    }
    if (i + 1 >= n) {  // a lead byte at the end
      if (!last) break;
      *o++ = u'\uFFFD';
      ++i;
      continue;
    }
    const unsigned trail = p[i + 1];
    if (trail == kEscape) {  // the pair broken off by an escape, read next
      *o++ = u'\uFFFD';
      ++i;
      continue;
    }
    *o++ = InPairRange(trail) ? Jis0208Pair(b | 0x80, trail | 0x80) : u'\uFFFD';
    i += 2;
  }
  taken = i;
  return o;
}

}  // namespace platform
