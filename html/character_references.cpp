#include "html/character_references.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace engine {
namespace {

#include "html/character_references.inc"

char At(std::string_view name, std::size_t k) {
  return k < name.size() ? name[k] : '\0';
}

}  // namespace

std::span<const NamedReference> NamedReferences() {
  return kNamedReferences;
}

const NamedReference* FindNamedReference(std::string_view name) {
  // Open addressing over a table of about four slots a name, by FNV-1a.
  constexpr std::size_t kSlots = 8192;
  static_assert(kSlots >= 2 * std::size(kNamedReferences));
  auto hash = [](std::string_view s) {
    std::uint32_t h = 2166136261u;
    for (const char c : s) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
  };
  static const auto slots = [&] {
    std::vector<std::uint16_t> t(kSlots, 0);  // index + 1; 0 for none
    for (std::size_t i = 0; i < std::size(kNamedReferences); ++i) {
      std::size_t at = hash(kNamedReferences[i].name) % kSlots;
      while (t[at] != 0) at = (at + 1) % kSlots;
      t[at] = static_cast<std::uint16_t>(i + 1);
    }
    return t;
  }();
  for (std::size_t at = hash(name) % kSlots; slots[at] != 0; at = (at + 1) % kSlots) {
    const NamedReference& r = kNamedReferences[slots[at] - 1];
    if (r.name == name) return &r;
  }
  return nullptr;
}

bool NamedReferenceMatch::Next(char c) {
  if (!started_) {
    low_ = 0;
    high_ = std::size(kNamedReferences);
    started_ = true;
  }
  // The names with `c` next form one run of the sorted table; shorter names
  // (no character there) sort before it.
  const NamedReference* first = kNamedReferences + low_;
  const NamedReference* last = kNamedReferences + high_;
  const std::size_t k = taken_;
  auto below = [k](const NamedReference& r, char ch) {
    return static_cast<unsigned char>(At(r.name, k)) < static_cast<unsigned char>(ch);
  };
  auto above = [k](char ch, const NamedReference& r) {
    return static_cast<unsigned char>(ch) < static_cast<unsigned char>(At(r.name, k));
  };
  const NamedReference* from = std::lower_bound(first, last, c, below);
  const NamedReference* to = std::upper_bound(from, last, c, above);
  if (from == to || c == '\0') return false;
  low_ = static_cast<std::size_t>(from - kNamedReferences);
  high_ = static_cast<std::size_t>(to - kNamedReferences);
  ++taken_;
  if (from->name.size() == taken_) best_ = from;  // spelled whole
  return true;
}

char32_t NumericReference(std::uint32_t value) {
  static constexpr char16_t kWindows1252[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0xFFFD;
  if (value >= 0x80 && value <= 0x9F) return kWindows1252[value - 0x80];
  return value;
}

}  // namespace engine
