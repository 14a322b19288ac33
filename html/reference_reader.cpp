#include "html/reference_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "html/character_references.h"
#include "platform/codepage.h"
#include "text/classic_tags.h"
#include "text/scan.h"

namespace engine {
namespace {

template <typename Char>
unsigned Unit(Char c) {
  return static_cast<std::make_unsigned_t<Char>>(c);
}

template <typename Char>
bool IsAsciiAlnum(Char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The spaces of Unicode's class Zs other than U+0020: a reference to one
// that the output cannot hold gives a plain space.
bool IsOtherSpace(char32_t c) {
  return c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

constexpr std::size_t kLongestName = 32;  // of a named reference, without ";"
constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15u;

// Eight bytes as the number whose lowest byte came first (one load, where
// the machine is little-endian).
inline std::uint64_t Load8(const char* p) {
  std::uint64_t x;
  std::memcpy(&x, p, 8);
  if constexpr (std::endian::native == std::endian::big) {
    std::uint64_t swapped = 0;
    for (int b = 0; b < 8; ++b) swapped = swapped << 8 | ((x >> (8 * b)) & 0xFF);
    x = swapped;
  }
  return x;
}

std::size_t SlotOf(std::uint64_t key) {
  return static_cast<std::size_t>((key * kGolden) >> 59);
}

}  // namespace

template <typename Char>
Reference ReferenceReader<Char>::ReadClassic(View text, std::size_t at, bool complete) const {
  if (!complete && text.size() - at < 8 && !scan::EntitySettled(text, at)) return {0, 0, 0};
  Char decoded;
  const std::size_t length = scan::Entity(text, at, decoded);
  if (length == 1) return Reference{};
  return {length, static_cast<char32_t>(decoded), 0};
}

template <typename Char>
Reference ReferenceReader<Char>::ReadNumeric(View text, std::size_t at, bool complete) const {
  const std::size_t n = text.size();
  std::size_t k = at + 2;
  const bool hex = k < n && (text[k] == 'x' || text[k] == 'X');
  if (hex) ++k;
  std::uint32_t value = 0;
  const std::size_t first_digit = k;
  for (; k < n; ++k) {
    const Char c = text[k];
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f') digit = (c | 0x20) - 'a' + 10;
    if (digit < 0) break;
    value =
        std::min<std::uint32_t>(value * (hex ? 16 : 10) + static_cast<unsigned>(digit), 0x110000);
  }
  if (k == n && !complete) return {0, 0, 0};
  if (k == first_digit) return Reference{};  // "&#" with no digits is text
  if (k < n && text[k] == ';') ++k;
  return {k - at, NumericReference(value), 0};
}

template <typename Char>
Reference ReferenceReader<Char>::Read(View text, std::size_t at, bool complete,
                                      bool attribute) const {
  if (!every_) return ReadClassic(text, at, complete);
  const std::size_t n = text.size();
  if (at + 1 == n) return complete ? Reference{} : Reference{0, 0, 0};
  if (text[at + 1] == '#') return ReadNumeric(text, at, complete);
  // Most references are a name and ";", looked up whole. A name of up to
  // seven characters and its ";" is packed into a number, a byte each from
  // the lowest; those that came lately are remembered, and in code page
  // bytes found again from eight bytes read at once.
  if constexpr (sizeof(Char) == 1) {
    if (n - at > 8) {
      const std::uint64_t x = Load8(text.data() + at + 1);
      const std::uint64_t t = x ^ 0x3B3B3B3B3B3B3B3Bull;  // ";" bytes become 0
      const std::uint64_t zero = (t - 0x0101010101010101ull) & ~t & 0x8080808080808080ull;
      if (zero != 0) {
        const std::size_t bytes = static_cast<std::size_t>(std::countr_zero(zero)) / 8 + 1;
        const std::uint64_t key = bytes == 8 ? x : x & ((std::uint64_t(1) << (8 * bytes)) - 1);
        const RecentName& recent = recent_[SlotOf(key)];
        if (recent.key == key) return {bytes + 1, recent.first, recent.second};
      }
    }
  }
  char name[kLongestName + 2];
  std::size_t k = at + 1;
  for (; k < n && k - at <= kLongestName && IsAsciiAlnum(text[k]); ++k)
    name[k - at - 1] = static_cast<char>(text[k]);
  if (k < n && k > at + 1 && text[k] == ';') {
    const std::size_t size = k - at - 1;
    name[size] = ';';
    if (const NamedReference* r = FindNamedReference(std::string_view(name, size + 1))) {
      if (size < 8) {
        std::uint64_t key = 0;
        for (std::size_t b = 0; b <= size; ++b)
          key |= static_cast<std::uint64_t>(static_cast<unsigned char>(name[b])) << (8 * b);
        recent_[SlotOf(key)] = {key, r->first, r->second};
      }
      return {size + 2, r->first, r->second};
    }
  }
  // Else the matcher finds the rest: a legacy name without ";", or a name
  // that ends before ";".
  NamedReferenceMatch match;
  k = at + 1;
  while (k < n && Unit(text[k]) < 0x80 && match.Next(static_cast<char>(text[k]))) ++k;
  const NamedReference* best = match.best();
  // Every name ends at its ";": one that matched so far decides at once.
  const bool decided = best && best->name.back() == ';' && best->name.size() == k - at - 1;
  if (k == n && !complete && !decided) return {0, 0, 0};
  if (!best) return Reference{};
  const std::size_t end = at + 1 + best->name.size();
  if (attribute && best->name.back() != ';' && end < n &&
      (text[end] == '=' || IsAsciiAlnum(text[end])))
    return Reference{};
  return {end - at, best->first, best->second};
}

template <typename Char>
typename ReferenceReader<Char>::String ReferenceReader<Char>::HoldForm(View reference) {
  if (reference.size() < 3 || reference[1] != '#') return String(reference);
  const std::size_t digits =
      reference.size() > 2 && (reference[2] == 'x' || reference[2] == 'X') ? 3 : 2;
  View value = reference.substr(digits);
  while (value.size() > 1 && value[0] == '0') value.remove_prefix(1);
  String held(reference.substr(0, digits));
  // Past eight digits the value is past U+10FFFF in either base.
  if (value.size() > 8) value = value.substr(0, 8);
  held.append(value);
  return held;
}

template <typename Char>
OutputForm<Char>::OutputForm(const ByteCodec* codec) : codec_(codec) {
  Append(0xA0, nbsp_);
}

template <typename Char>
void OutputForm<Char>::Put(char32_t code_point, String& to, bool counted) const {
  if (code_point == 0xA0 && !nbsp_.empty()) {
    to.append(nbsp_);
    return;
  }
  const std::u16string units = platform::Utf16Of(code_point);
  if constexpr (sizeof(Char) == 1) {
    if (IsOtherSpace(code_point) && !codec_->Holds(code_point))
      to.push_back(' ');
    else
      to.append(counted ? codec_->Encode(units) : codec_->EncodeUncounted(units));
  } else {
    (void)counted;
    to.append(units);
  }
}

template <typename Char>
bool OutputForm<Char>::Lost(char32_t code_point) const {
  // (ASCII is always held; a space Put writes as the output holds it.)
  if constexpr (sizeof(Char) == 1)
    return code_point >= 0x80 && !IsOtherSpace(code_point) && !codec_->Holds(code_point);
  (void)code_point;
  return false;
}

template <typename Char>
void OutputForm<Char>::AppendUnwritten(char32_t code_point, String& to) const {
  if (Lost(code_point))
    to.append(code_point >= 0x10000 ? 2 : 1, '?');
  else
    Put(code_point, to, false);
}

template <typename Char>
void OutputForm<Char>::AppendHeld(char32_t code_point, String& to, std::vector<Held>* held) const {
  if (held && Lost(code_point)) held->push_back({to.size(), code_point});
  Put(code_point, to, false);
}

template <typename Char>
void OutputForm<Char>::CountLost(char32_t code_point) const {
  String ignored;
  Put(code_point, ignored, true);
}

template <typename Char>
void AppendAttributeValue(const ReferenceReader<Char>& references, const OutputForm<Char>& form,
                          std::basic_string_view<Char> value, std::basic_string<Char>& to,
                          bool written, std::vector<typename OutputForm<Char>::Held>* held) {
  std::size_t i = 0;
  while (i < value.size()) {
    const std::size_t amp = value.find(Char('&'), i);
    to.append(value.substr(i, (amp == value.npos ? value.size() : amp) - i));
    if (amp == value.npos) break;
    const Reference r = references.Read(value, amp, true, true);
    if (r.first == 0) {
      to.push_back('&');
    } else if (held) {
      form.AppendHeld(r.first, to, held);
      if (r.second) form.AppendHeld(r.second, to, held);
    } else if (written) {
      form.Append(r.first, to);
      if (r.second) form.Append(r.second, to);
    } else {
      form.AppendUnwritten(r.first, to);
      if (r.second) form.AppendUnwritten(r.second, to);
    }
    i = amp + r.length;
  }
}

template void AppendAttributeValue(const ReferenceReader<char>&, const OutputForm<char>&,
                                   std::string_view, std::string&, bool,
                                   std::vector<OutputForm<char>::Held>*);
template void AppendAttributeValue(const ReferenceReader<char16_t>&, const OutputForm<char16_t>&,
                                   std::u16string_view, std::u16string&, bool,
                                   std::vector<OutputForm<char16_t>::Held>*);
template class ReferenceReader<char>;
template class ReferenceReader<char16_t>;
template class OutputForm<char>;
template class OutputForm<char16_t>;

}  // namespace engine
