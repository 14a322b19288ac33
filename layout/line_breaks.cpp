#include "layout/line_breaks.h"

#include <algorithm>
#include <array>

namespace engine {
namespace {

using C = BreakClass;

struct Range {
  char32_t first, last;
  std::uint8_t klass, flags;
};

constexpr Range kRanges[] = {
#include "layout/line_break_classes.inc"
};

// Sets of classes as bits, tested at once.
constexpr std::uint64_t Bits(std::initializer_list<C> set) {
  std::uint64_t bits = 0;
  for (const C c : set) bits |= std::uint64_t{1} << static_cast<int>(c);
  return bits;
}
constexpr bool In(C c, std::uint64_t bits) {
  return (bits >> static_cast<int>(c) & 1) != 0;
}
constexpr bool In(C c, std::initializer_list<C> set) {
  return In(c, Bits(set));
}

// What the rules remember of the text before a boundary.
struct Before {
  BreakProperty prev{C::BK, false, false};  // the last character, combining marks in it
  C prev_raw = C::BK;                       // the last character as it is
  C prev2 = C::BK;                          // the one before prev
  C before_spaces = C::BK;                  // prev, or the last before the spaces that end here
  bool spaces = false;                      // prev is a space
  bool number = false;                      // prev ends NU (NU | SY | IS)*
  bool closed_number = false;               // prev is CL or CP after such a run
  int regional = 0;                         // regional indicators ending at prev
};

// Whether a line may break between the text `before` sums up and `cur`
// (`next` the class after it, for LB25's look ahead), by the rules from LB7
// on; those before it are the caller's.
bool MayBreak(const Before& b, const BreakProperty& cur_property, C next) {
  const C prev = b.prev.klass;
  const C cur = cur_property.klass;
  if (cur == C::SP || cur == C::ZW) return false;                         // LB7
  if (b.before_spaces == C::ZW) return true;                              // LB8
  if (b.prev_raw == C::ZWJ) return false;                                 // LB8a
  if (cur == C::WJ || prev == C::WJ) return false;                        // LB11
  if (prev == C::GL) return false;                                        // LB12
  if (cur == C::GL && !In(prev, {C::SP, C::BA, C::HY})) return false;     // LB12a
  if (In(cur, {C::CL, C::CP, C::EX, C::IS, C::SY})) return false;         // LB13
  if (b.before_spaces == C::OP) return false;                             // LB14
  if (b.before_spaces == C::QU && cur == C::OP) return false;             // LB15
  if (In(b.before_spaces, {C::CL, C::CP}) && cur == C::NS) return false;  // LB16
  if (b.before_spaces == C::B2 && cur == C::B2) return false;             // LB17
  if (prev == C::SP) return true;                                         // LB18
  if (cur == C::QU || prev == C::QU) return false;                        // LB19
  if (cur == C::CB || prev == C::CB) return true;                         // LB20
  if (In(cur, {C::BA, C::HY, C::NS}) || prev == C::BB) return false;      // LB21
  if (In(prev, {C::HY, C::BA}) && b.prev2 == C::HL) return false;         // LB21a
  if (prev == C::SY && cur == C::HL) return false;                        // LB21b
  if (cur == C::IN) return false;                                         // LB22
  if (In(prev, {C::AL, C::HL}) && cur == C::NU) return false;             // LB23
  if (prev == C::NU && In(cur, {C::AL, C::HL})) return false;
  if (prev == C::PR && In(cur, {C::ID, C::EB, C::EM})) return false;  // LB23a
  if (In(prev, {C::ID, C::EB, C::EM}) && cur == C::PO) return false;
  if (In(prev, {C::PR, C::PO}) && In(cur, {C::AL, C::HL})) return false;  // LB24
  if (In(prev, {C::AL, C::HL}) && In(cur, {C::PR, C::PO})) return false;
  // LB25, as its Example 7 tailors it.
  if (In(prev, {C::PR, C::PO}) && (cur == C::NU || (In(cur, {C::OP, C::HY}) && next == C::NU)))
    return false;
  if (In(prev, {C::OP, C::HY}) && cur == C::NU) return false;
  if (b.number && In(cur, {C::NU, C::SY, C::IS, C::CL, C::CP})) return false;
  if ((b.number || b.closed_number) && In(cur, {C::PO, C::PR})) return false;
  if (prev == C::JL && In(cur, {C::JL, C::JV, C::H2, C::H3})) return false;  // LB26
  if (In(prev, {C::JV, C::H2}) && In(cur, {C::JV, C::JT})) return false;
  if (In(prev, {C::JT, C::H3}) && cur == C::JT) return false;
  if (In(prev, {C::JL, C::JV, C::JT, C::H2, C::H3}) && cur == C::PO) return false;  // LB27
  if (prev == C::PR && In(cur, {C::JL, C::JV, C::JT, C::H2, C::H3})) return false;
  if (In(prev, {C::AL, C::HL}) && In(cur, {C::AL, C::HL})) return false;      // LB28
  if (prev == C::IS && In(cur, {C::AL, C::HL})) return false;                 // LB29
  if (In(prev, {C::AL, C::HL, C::NU}) && cur == C::OP && !cur_property.wide)  // LB30
    return false;
  if (prev == C::CP && !b.prev.wide && In(cur, {C::AL, C::HL, C::NU})) return false;
  if (prev == C::RI && cur == C::RI && b.regional % 2 == 1) return false;       // LB30a
  if (cur == C::EM && (prev == C::EB || b.prev.unassigned_pict)) return false;  // LB30b
  return true;                                                                  // LB31
}

}  // namespace

namespace {

BreakProperty Search(char32_t c) {
  const auto* r = std::upper_bound(std::begin(kRanges), std::end(kRanges), c,
                                   [](char32_t v, const Range& range) { return v < range.first; });
  if (r == std::begin(kRanges)) return {C::AL, false, false};
  --r;
  return {static_cast<C>(r->klass), (r->flags & 1) != 0, (r->flags & 2) != 0};
}

// The Basic Multilingual Plane's properties, looked up rather than searched.
const std::array<BreakProperty, 0x10000>& Plane0() {
  static const auto* table = [] {
    auto* t = new std::array<BreakProperty, 0x10000>;
    for (char32_t c = 0; c < 0x10000; ++c) (*t)[c] = Search(c);
    return t;
  }();
  return *table;
}

}  // namespace

BreakProperty BreakPropertyOf(char32_t c) {
  return c < 0x10000 ? Plane0()[c] : Search(c);
}

std::vector<Break> LineBreaks(std::u32string_view text) {
  std::vector<BreakProperty> properties;
  properties.reserve(text.size());
  for (const char32_t c : text) properties.push_back(BreakPropertyOf(c));
  // LB25 looks past an OP or HY to the class after it, combining marks
  // passed over.
  auto next_class = [&](std::size_t i) {
    for (std::size_t k = i + 1; k < properties.size(); ++k)
      if (!In(properties[k].klass, {C::CM, C::ZWJ})) return properties[k].klass;
    return C::BK;
  };
  std::vector<Break> breaks(text.size(), Break::kNone);
  Before b;
  for (std::size_t i = 0; i < text.size(); ++i) {
    BreakProperty cur = properties[i];
    const C raw = cur.klass;
    // LB9: a combining mark (or ZWJ) belongs to the character before, but
    // after a break, a space or the start; LB10: else it is an AL.
    const bool mark = In(raw, {C::CM, C::ZWJ});
    const bool absorbed =
        mark && i > 0 && !In(b.prev_raw, {C::BK, C::CR, C::LF, C::NL, C::SP, C::ZW});
    if (mark && !absorbed) cur.klass = C::AL;
    if (i > 0) {
      if (b.prev_raw == C::BK || (b.prev_raw == C::CR && raw != C::LF) || b.prev_raw == C::LF ||
          b.prev_raw == C::NL)
        breaks[i] = Break::kMandatory;  // LB4, LB5
      else if (In(raw, {C::BK, C::CR, C::LF, C::NL}) || absorbed)
        breaks[i] = Break::kNone;  // LB5, LB6, LB9
      else
        breaks[i] = MayBreak(b, cur, next_class(i)) ? Break::kAllowed : Break::kNone;
    }
    if (absorbed) {
      b.prev_raw = raw;
      continue;
    }
    const C k = cur.klass;
    b.prev2 = b.prev.klass;
    if (k == C::SP) {
      if (!b.spaces) b.before_spaces = i == 0 ? C::BK : b.prev.klass;
    } else {
      b.before_spaces = k;
    }
    b.spaces = k == C::SP;
    const bool numeric = In(k, {C::NU, C::SY, C::IS});
    b.closed_number = In(k, {C::CL, C::CP}) && b.number;
    b.number = (k == C::NU) || (numeric && b.number);
    b.regional = k == C::RI ? b.regional + 1 : 0;
    b.prev = cur;
    b.prev_raw = raw;
  }
  return breaks;
}

}  // namespace engine
