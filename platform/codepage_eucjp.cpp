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

// The JIS X 0208 characters of EUC-JP pairs, both bytes in 0xA1..0xFE:
// row and cell are the bytes less 0xA0, and Shift_JIS packs two rows into
// one lead byte. U+FFFD where the pair is unassigned.
class Jis0208 {
 public:
  Jis0208() {
    for (unsigned row = 1; row <= 94; ++row) {
      for (unsigned cell = 1; cell <= 94; ++cell) {
        const unsigned lead = (row + 1) / 2 + (row <= 62 ? 0x80 : 0xC0);
        const unsigned trail = row % 2 == 1 ? cell + (cell <= 63 ? 0x3F : 0x40) : cell + 0x9E;
        table_[(row - 1) * 94 + cell - 1] =
            Cp932Pair(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
      }
    }
  }
  char16_t operator()(unsigned lead, unsigned trail) const {
    return table_[(lead - 0xA1) * 94 + trail - 0xA1];
  }

 private:
  char16_t table_[94 * 94];
};

const Jis0208& Jis0208Table() {
  static const Jis0208 table;
  return table;
}

}  // namespace

char16_t Jis0208Pair(unsigned lead, unsigned trail) {
  return Jis0208Table()(lead, trail);
}

char16_t* DecodeEucJpTo(std::string_view bytes, bool last, char16_t* o, std::size_t& taken) {
  const Jis0208& jis0208 = Jis0208Table();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned b = p[i];
    if (b < 0x80) {
      const std::size_t ascii = AsciiRun(p, i, n);
      o = WidenAscii(p + i, ascii, o);
      i += ascii;
      continue;
    }
    if (InRow(b) && i + 1 < n && InRow(p[i + 1])) {  // the usual two-byte character
      *o++ = jis0208(b, p[i + 1]);
      i += 2;
      continue;
    }
    if (b != 0x8E && b != 0x8F && !InRow(b)) {
      *o++ = u'\uFFFD';
      ++i;
      continue;
    }
    // A lead byte: its character ends one byte later (two after 0x8F).
    const bool jis0212 = b == 0x8F;
    const std::size_t lead_at = jis0212 ? i + 1 : i;
    if (jis0212 && lead_at < n && !InRow(p[lead_at])) {
      // No JIS X 0212 character: an ASCII byte after 0x8F begins anew.
      *o++ = u'\uFFFD';
      i += p[lead_at] < 0x80 ? 1 : 2;
      continue;
    }
    if (lead_at + 1 >= n) {
      if (!last) break;
      *o++ = u'\uFFFD';
      i = n;
      break;
    }
    const unsigned lead = p[lead_at], trail = p[lead_at + 1];
    if (b == 0x8E && trail >= 0xA1 && trail <= 0xDF) {
      *o++ = static_cast<char16_t>(0xFF61 - 0xA1 + trail);  // half-width katakana
      i += 2;
      continue;
    }
    const char16_t c = !jis0212 && InRow(lead) && InRow(trail) ? jis0208(lead, trail) : u'\uFFFD';
    *o++ = c;
    // Where the pair made no character, an ASCII byte after the lead is read
    // again on its own.
    i = lead_at + (c == u'\uFFFD' && trail < 0x80 ? 1 : 2);
  }
  taken = i;
  return o;
}

}  // namespace platform
