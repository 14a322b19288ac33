// DecodePiece and EncodeAppend: every encoding, for text that arrives in
// pieces.
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

// Whether a code page holds `unit`: it comes back from encoding and
// decoding. Asked of the platform once per code unit, on first use.
class Holdings {
 public:
  template <typename Decoder, typename Encoder>
  bool Holds(char16_t unit, Decoder decode, Encoder encode) {
    std::atomic<std::uint8_t>& known = known_[unit];
    std::uint8_t state = known.load(std::memory_order_relaxed);
    if (state == kUnknown) {
      const char16_t text[1] = {unit};
      state = decode(encode(std::u16string_view(text, 1))) == std::u16string_view(text, 1) ? kHeld
                                                                                           : kLost;
      known.store(state, std::memory_order_relaxed);
    }
    return state == kHeld;
  }

 private:
  enum : std::uint8_t { kUnknown, kHeld, kLost };
  std::array<std::atomic<std::uint8_t>, 65536> known_{};
};

// The characters of `text` that the code page cannot hold. Code pages hold
// no character beyond U+FFFF: a surrogate pair counts once.
template <typename Decoder, typename Encoder>
std::size_t CountLost(Holdings& holdings, std::u16string_view text, Decoder decode,
                      Encoder encode) {
  std::size_t lost = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u < 0x80) continue;
    if (u >= 0xD800 && u <= 0xDFFF) {
      if (u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
      ++lost;
    } else if (!holdings.Holds(u, decode, encode)) {
      ++lost;
    }
  }
  return lost;
}

}  // namespace

std::size_t DecodePiece(Encoding encoding, std::string_view bytes, bool last, std::u16string& out) {
  switch (encoding) {
    case Encoding::kAnsi:
    case Encoding::kShiftJis: {
      const bool ansi = encoding == Encoding::kAnsi;
      const std::size_t whole =
          last ? bytes.size() : WholeDoubleBytes(bytes, ansi ? IsAnsiLeadByte : IsCp932LeadByte);
      const std::string_view taken = bytes.substr(0, whole);
      out += ansi ? DecodeAnsi(taken) : DecodeShiftJis(taken);
      return whole;
    }
    case Encoding::kEucJp:
      return DecodeEucJpPiece(bytes, last, out);
    case Encoding::kUtf8:
      return DecodeUtf8Piece(bytes, last, out);
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be:
      return DecodeUtf16Piece(bytes, encoding == Encoding::kUtf16Be, last, out);
    case Encoding::kWindows1252:
      out += DecodeWindows1252(bytes);
      return bytes.size();
  }
  return 0;
}

std::size_t EncodeAppend(Encoding encoding, std::u16string_view text, std::string& out) {
  switch (encoding) {
    case Encoding::kAnsi: {
      static Holdings holdings;
      out += EncodeAnsi(text);
      return CountLost(holdings, text, DecodeAnsi, EncodeAnsi);
    }
    case Encoding::kShiftJis: {
      static Holdings holdings;
      out += EncodeShiftJis(text);
      return CountLost(holdings, text, DecodeShiftJis, EncodeShiftJis);
    }
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be:
      AppendUtf16(text, encoding == Encoding::kUtf16Be, out);
      return 0;
    case Encoding::kUtf8:
    case Encoding::kEucJp:  // never written: UTF-8 instead
    case Encoding::kWindows1252:
      break;
  }
  AppendUtf8(text, out);
  return 0;
}

}  // namespace platform
