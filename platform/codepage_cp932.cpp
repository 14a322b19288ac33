#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

#include "platform/codecs.h"
#include "platform/codepage.h"

namespace platform {
namespace {

#include "platform/cp932_table.inc"

// Code unit -> bytes (one byte below 0x100, else lead << 8 | trail), built
// once from the decoding tables plus the platform's own preferences.
const std::array<std::uint16_t, 65536>& EncodeTable() {
  static const auto table = [] {
    auto t = std::make_unique<std::array<std::uint16_t, 65536>>();
    t->fill(kUnmappedBytes);
    std::array<bool, 65536> set{};
    for (int b = 0; b < 256; ++b) {
      char16_t u = kSingleByte[b];
      if (kLeadRow[b] == 0 && !set[u]) (*t)[u] = static_cast<std::uint16_t>(b), set[u] = true;
    }
    for (int lead = 0; lead < 256; ++lead) {
      if (kLeadRow[lead] == 0) continue;
      for (int trail = 1; trail < 256; ++trail) {
        char16_t u = kDoubleByte[kLeadRow[lead] - 1][trail];
        if (u == kLoneLeadUnit || set[u]) continue;
        (*t)[u] = static_cast<std::uint16_t>(lead << 8 | trail);
        set[u] = true;
      }
    }
    for (const auto& o : kEncodeOverride) (*t)[o.unit] = o.bytes;
    return t;
  }();
  return *table;
}

}  // namespace

bool IsCp932LeadByte(unsigned char byte) {
  return kLeadRow[byte] != 0;
}

char16_t Cp932Pair(unsigned char lead, unsigned char trail) {
  const unsigned char row = kLeadRow[lead];
  if (row == 0 || trail == 0) return u'\uFFFD';
  const char16_t unit = kDoubleByte[row - 1][trail];
  // The platform decodes an unassigned pair as the one character that is
  // also assigned: U+30FB, at 0x81 0x45.
  if (unit == kLoneLeadUnit && !(lead == 0x81 && trail == 0x45)) return u'\uFFFD';
  return unit;
}

std::u16string DecodeCp932(std::string_view bytes) {
  std::u16string out;
  out.resize(bytes.size());
  std::size_t n = 0;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    unsigned char row = kLeadRow[*p];
    if (row == 0) {
      out[n++] = kSingleByte[*p++];
    } else if (end - p > 1 && p[1] != 0) {
      out[n++] = kDoubleByte[row - 1][p[1]];
      p += 2;
    } else {
      out[n++] = kLoneLeadUnit;
      ++p;
    }
  }
  out.resize(n);
  return out;
}

std::string EncodeCp932(std::u16string_view text) {
  const auto& table = EncodeTable();
  std::string out;
  out.resize(text.size() * 2);
  std::size_t n = 0;
  for (char16_t u : text) {
    std::uint16_t b = table[u];
    if (b > 0xFF) out[n++] = static_cast<char>(b >> 8);
    out[n++] = static_cast<char>(b & 0xFF);
  }
  out.resize(n);
  return out;
}

}  // namespace platform
