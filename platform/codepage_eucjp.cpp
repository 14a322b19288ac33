// EUC-JP as the Encoding standard reads it. Its JIS X 0208 rows are those of
// Shift_JIS under a fixed change of bytes, so code page 932 decodes them;
// JIS X 0212 (three bytes from 0x8F) has no Shift_JIS form and decodes as
// U+FFFD.
#include "platform/codecs.h"

namespace platform {
namespace {

bool InRow(unsigned b) {
  return b >= 0xA1 && b <= 0xFE;
}

// The JIS X 0208 character of an EUC-JP pair, both bytes in 0xA1..0xFE:
// row and cell are the bytes less 0xA0, and Shift_JIS packs two rows into
// one lead byte.
char16_t Jis0208(unsigned lead, unsigned trail) {
  const unsigned row = lead - 0xA0, cell = trail - 0xA0;  // 1..94 each
  const unsigned sjis_lead = (row + 1) / 2 + (row <= 62 ? 0x80 : 0xC0);
  const unsigned sjis_trail = row % 2 == 1 ? cell + (cell <= 63 ? 0x3F : 0x40) : cell + 0x9E;
  return Cp932Pair(static_cast<unsigned char>(sjis_lead), static_cast<unsigned char>(sjis_trail));
}

}  // namespace

std::size_t DecodeEucJpPiece(std::string_view bytes, bool last, std::u16string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned b = p[i];
    if (b < 0x80) {
      out.push_back(static_cast<char16_t>(b));
      ++i;
      continue;
    }
    if (b != 0x8E && b != 0x8F && !InRow(b)) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    // A lead byte: its character ends one byte later (two after 0x8F).
    const bool jis0212 = b == 0x8F;
    const std::size_t lead_at = jis0212 ? i + 1 : i;
    if (jis0212 && lead_at < n && !InRow(p[lead_at])) {
      // No JIS X 0212 character: an ASCII byte after 0x8F begins anew.
      out.push_back(u'\uFFFD');
      i += p[lead_at] < 0x80 ? 1 : 2;
      continue;
    }
    if (lead_at + 1 >= n) {
      if (!last) break;
      out.push_back(u'\uFFFD');
      i = n;
      break;
    }
    const unsigned lead = p[lead_at], trail = p[lead_at + 1];
    if (b == 0x8E && trail >= 0xA1 && trail <= 0xDF) {
      out.push_back(static_cast<char16_t>(0xFF61 - 0xA1 + trail));  // half-width katakana
      i += 2;
      continue;
    }
    const char16_t c = !jis0212 && InRow(lead) && InRow(trail) ? Jis0208(lead, trail) : u'\uFFFD';
    out.push_back(c);
    // Where the pair made no character, an ASCII byte after the lead is read
    // again on its own.
    i = lead_at + (c == u'\uFFFD' && trail < 0x80 ? 1 : 2);
  }
  return i;
}

}  // namespace platform
