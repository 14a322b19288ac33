#include "layout/line_breaks.h"

#include <algorithm>
#include <array>
#include <optional>

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

using Before = BreakState;

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

namespace detail {

BreakProperty SearchProperty(char32_t c) {
  const auto* r = std::upper_bound(std::begin(kRanges), std::end(kRanges), c,
                                   [](char32_t v, const Range& range) { return v < range.first; });
  if (r == std::begin(kRanges)) return {C::AL, false, false};
  --r;
  return {static_cast<C>(r->klass), (r->flags & 1) != 0, (r->flags & 2) != 0};
}

const BreakProperty* Plane0Properties() {
  static const auto* table = [] {
    auto* t = new std::array<BreakProperty, 0x10000>;
    for (char32_t c = 0; c < 0x10000; ++c) (*t)[c] = SearchProperty(c);
    return t;
  }();
  return table->data();
}

}  // namespace detail

Break AdvanceBreak(BreakState& b, BreakProperty cur, C next) {
  const C raw = cur.klass;
  // LB9: a combining mark (or ZWJ) belongs to the character before, but
  // after a break, a space or the start; LB10: else it is an AL.
  const bool mark = raw == C::CM || raw == C::ZWJ;
  const bool absorbed =
      mark && b.started && !In(b.prev_raw, {C::BK, C::CR, C::LF, C::NL, C::SP, C::ZW});
  if (mark && !absorbed) cur.klass = C::AL;
  Break result = Break::kNone;
  if (b.started) {
    if (b.prev_raw == C::BK || (b.prev_raw == C::CR && raw != C::LF) || b.prev_raw == C::LF ||
        b.prev_raw == C::NL)
      result = Break::kMandatory;  // LB4, LB5
    else if (In(raw, {C::BK, C::CR, C::LF, C::NL}) || absorbed)
      result = Break::kNone;  // LB5, LB6, LB9
    else
      result = MayBreak(b, cur, next) ? Break::kAllowed : Break::kNone;
  }
  if (absorbed) {
    b.prev_raw = raw;
    return result;
  }
  const C k = cur.klass;
  b.prev2 = b.prev.klass;
  if (k == C::SP) {
    if (!b.spaces) b.before_spaces = b.started ? b.prev.klass : C::BK;
  } else {
    b.before_spaces = k;
  }
  b.started = true;
  b.spaces = k == C::SP;
  const bool numeric = In(k, {C::NU, C::SY, C::IS});
  b.closed_number = In(k, {C::CL, C::CP}) && b.number;
  b.number = (k == C::NU) || (numeric && b.number);
  b.regional = k == C::RI ? b.regional + 1 : 0;
  b.prev = cur;
  b.prev_raw = raw;
  return result;
}

Break PairBreak(C before, C after) {
  static constexpr int kClasses = static_cast<int>(C::RI) + 1;
  static const auto* table = [] {
    auto* t = new std::array<std::array<Break, kClasses>, kClasses>;
    for (int p = 0; p < kClasses; ++p) {
      for (int c = 0; c < kClasses; ++c) {
        // Every state the first may leave and every neighbour the rules
        // look at: one answer, or the rules must be followed through.
        std::optional<Break> answer;
        bool one = true;
        for (int variant = 0; variant < 32 && one; ++variant) {
          BreakState state;
          if (variant & 1) AdvanceBreak(state, {C::HL, false, false}, static_cast<C>(p));
          AdvanceBreak(state, {static_cast<C>(p), (variant & 2) != 0, (variant & 4) != 0},
                       static_cast<C>(c));
          const Break b = AdvanceBreak(state, {static_cast<C>(c), (variant & 8) != 0, false},
                                       variant & 16 ? C::NU : C::BK);
          if (answer && *answer != b) one = false;
          answer = b;
        }
        const bool anchor =
            !In(static_cast<C>(p), {C::SP, C::CM, C::ZWJ, C::SY, C::IS, C::CL, C::CP, C::RI, C::ZW,
                                    C::BK, C::CR, C::LF, C::NL});
        (*t)[p][c] = anchor && one && *answer != Break::kMandatory ? *answer : Break::kMandatory;
      }
    }
    return t;
  }();
  return (*table)[static_cast<int>(before)][static_cast<int>(after)];
}

std::vector<Break> LineBreaks(std::u32string_view text) {
  std::vector<BreakProperty> properties;
  properties.reserve(text.size());
  for (const char32_t c : text) properties.push_back(BreakPropertyOf(c));
  // The class after each character, combining marks passed over: LB25
  // looks past an OP or HY to it.
  std::vector<C> after(text.size() + 1, C::BK);
  for (std::size_t i = text.size(); i-- > 0;)
    after[i] = In(properties[i].klass, {C::CM, C::ZWJ}) ? after[i + 1] : properties[i].klass;
  std::vector<Break> breaks(text.size());
  BreakState state;
  for (std::size_t i = 0; i < text.size(); ++i)
    breaks[i] = AdvanceBreak(state, properties[i], after[i + 1]);
  return breaks;
}

}  // namespace engine
