// DecodePiece and EncodeAppend: every encoding, for text that arrives in
// pieces.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>

#include "platform/codecs.h"
#include "platform/codepage.h"

namespace platform {
namespace {

// How many bytes at the start of `bytes` hold whole characters of a code
// page with two-byte characters. Any byte but a lead byte ends a character,
// so only the run of lead bytes at the end needs pairing up.
template <typename LeadTest>
std::size_t WholeDoubleBytes(std::string_view bytes, LeadTest is_lead) {
  const std::size_t n = bytes.size();
  std::size_t whole = n;
  while (whole > 0 && is_lead(static_cast<unsigned char>(bytes[whole - 1]))) --whole;
  while (whole + 1 < n) whole += 2;
  return whole;
}

// A code page's encoder, learned from the platform's one code unit at a
// time on first use (the code pages the system uses are stateless): what
// bytes the unit is written as, and whether the code page holds it (it comes
// back from decoding them).
class UnitEncoder {
 public:
  using Decoder = std::u16string (*)(std::string_view);
  using Encoder = std::string (*)(std::u16string_view);
  UnitEncoder(Decoder decode, Encoder encode) : decode_(decode), encode_(encode) {
    const char16_t ascii[] = {u'A', u'<', u'\r'};
    ascii_as_is_ = encode_(std::u16string_view(ascii, 3)) == "A<\r";
  }

  // Appends `text` to `out`; returns how many of its characters the code
  // page cannot hold. No character beyond U+FFFF: a surrogate pair counts
  // once.
  std::size_t Append(std::u16string_view text, std::string& out) {
    const char16_t* t = text.data();
    const std::size_t n = text.size();
    const std::size_t start = out.size();
    out.resize(start + 2 * n);
    auto* o = reinterpret_cast<unsigned char*>(out.data() + start);
    std::size_t lost = 0;
    for (std::size_t i = 0; i < n;) {
      const char16_t u = t[i];
      if (u < 0x80 && ascii_as_is_) {
        const std::size_t ascii = AsciiUnits(t, i, n);
        o = NarrowAscii(t + i, ascii, o);
        i += ascii;
        continue;
      }
      ++i;
      if ((u & 0xF800) == 0xD800 && u <= 0xDBFF && i < n && (t[i] & 0xFC00) == 0xDC00) {
        o = Put(Entry(u), o);  // each half as the platform writes it
        o = Put(Entry(t[i++]), o);
        ++lost;
        continue;
      }
      const std::uint32_t entry = Entry(u);
      o = Put(entry, o);
      lost += (entry & kLost) != 0;
    }
    out.resize(static_cast<std::size_t>(reinterpret_cast<char*>(o) - out.data()));
    return lost;
  }

 private:
  // An entry: its bytes in the low 16 bits (the first in the low 8), their
  // count above them, and whether the unit is lost; zero until learned.
  static constexpr std::uint32_t kKnown = 1u << 31, kLost = 1u << 30;

  std::uint32_t Entry(char16_t unit) {
    const std::uint32_t entry = table_[unit].load(std::memory_order_relaxed);
    return entry != 0 ? entry : Learn(unit);
  }

  std::uint32_t Learn(char16_t unit) {
    const std::u16string_view text(&unit, 1);
    std::string bytes = encode_(text);
    if (bytes.size() > 2) bytes = "?";  // no code page the system uses writes more
    std::uint32_t entry = kKnown | static_cast<std::uint32_t>(bytes.size()) << 16;
    for (std::size_t k = 0; k < bytes.size(); ++k)
      entry |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[k])) << (8 * k);
    if (decode_(bytes) != text) entry |= kLost;
    table_[unit].store(entry, std::memory_order_relaxed);
    return entry;
  }

  static unsigned char* Put(std::uint32_t entry, unsigned char* o) {
    const std::uint32_t size = entry >> 16 & 3;
    o[0] = static_cast<unsigned char>(entry);
    o[1] = static_cast<unsigned char>(entry >> 8);
    return o + size;
  }

  Decoder decode_;
  Encoder encode_;
  bool ascii_as_is_ = false;
  std::array<std::atomic<std::uint32_t>, 65536> table_{};
};

}  // namespace

std::size_t DecodePieceTo(Encoding encoding, std::string_view bytes, bool last, char16_t* out,
                          std::size_t& taken) {
  return PieceDecoder(encoding).DecodeTo(bytes, last, out, taken);
}

std::size_t PieceDecoder::DecodeTo(std::string_view bytes, bool last, char16_t* out,
                                   std::size_t& taken) {
  const Encoding encoding = encoding_;
  switch (encoding) {
    case Encoding::kAnsi:
    case Encoding::kShiftJis:
    case Encoding::kWindows1252: {
      // The platform's decoders: never more units than bytes.
      taken = bytes.size();
      if (!last && encoding != Encoding::kWindows1252)
        taken =
            WholeDoubleBytes(bytes, encoding == Encoding::kAnsi ? IsAnsiLeadByte : IsCp932LeadByte);
      const std::string_view whole = bytes.substr(0, taken);
      const std::u16string text = encoding == Encoding::kAnsi       ? DecodeAnsi(whole)
                                  : encoding == Encoding::kShiftJis ? DecodeShiftJis(whole)
                                                                    : DecodeWindows1252(whole);
      std::copy(text.begin(), text.end(), out);
      return text.size();
    }
    case Encoding::kEucJp:
      return static_cast<std::size_t>(DecodeEucJpTo(bytes, last, out, taken) - out);
    case Encoding::kIso2022Jp:
      return static_cast<std::size_t>(DecodeIso2022JpTo(bytes, last, iso2022jp_, out, taken) - out);
    case Encoding::kUtf8:
      return static_cast<std::size_t>(DecodeUtf8To(bytes, last, out, taken) - out);
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be:
      return static_cast<std::size_t>(
          DecodeUtf16To(bytes, encoding == Encoding::kUtf16Be, last, out, taken) - out);
  }
  taken = 0;
  return 0;
}

std::size_t DecodePiece(Encoding encoding, std::string_view bytes, bool last, std::u16string& out) {
  const std::size_t start = out.size();
  out.resize(start + bytes.size() + 1);
  std::size_t taken = 0;
  out.resize(start + DecodePieceTo(encoding, bytes, last, out.data() + start, taken));
  return taken;
}

std::size_t EncodeAppend(Encoding encoding, std::u16string_view text, std::string& out) {
  switch (encoding) {
    case Encoding::kAnsi: {
      static UnitEncoder ansi(DecodeAnsi, EncodeAnsi);
      return ansi.Append(text, out);
    }
    case Encoding::kShiftJis: {
      static UnitEncoder shift_jis(DecodeShiftJis, EncodeShiftJis);
      return shift_jis.Append(text, out);
    }
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be: {
      const std::size_t start = out.size();
      out.resize(start + 2 * text.size());
      EncodeUtf16To(text, encoding == Encoding::kUtf16Be, out.data() + start);
      return 0;
    }
    case Encoding::kUtf8:
    case Encoding::kEucJp:  // never written: UTF-8 instead
    case Encoding::kIso2022Jp:
    case Encoding::kWindows1252:
      break;
  }
  const std::size_t start = out.size();
  out.resize(start + 3 * text.size());
  out.resize(start + EncodeUtf8To(text, out.data() + start));
  return 0;
}

}  // namespace platform
