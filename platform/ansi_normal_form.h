// Bytes of the ANSI code page in normal form: each character written exactly
// as encoding its decoded form writes it. In normal form the bytes can be
// worked on directly: decoding them gives the same text as decoding the
// original, and each byte of a character other than ASCII is 0x40 or above,
// so mark-up characters never hide inside one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Of 64 bytes in a row, where `leads` has the bits of those that may lead a
// character: the bits of those that are a character's second byte, given
// that a character begins at the first byte, or (`continued`) that the first
// byte is the second of one.
std::uint64_t ContinuingBytes(std::uint64_t leads, bool continued);

class AnsiNormalForm {
 public:
  // For the system's ANSI code page, built from its own decoder and encoder;
  // null when the code page does not keep to the rules above (every
  // character other than ASCII begins with a byte above 0x7F, decodes to
  // something other than ASCII, and survives encoding and decoding again).
  static const AnsiNormalForm* System();

  // The normal form of `bytes`, which end on a character boundary or at the
  // end of the text: `bytes` themselves when already normal (the usual
  // case), else a copy made in `scratch`.
  std::string_view Normalize(std::string_view bytes, std::string& scratch) const;

  // Built from a decoder and an encoder of the code page and its lead bytes;
  // Usable() says whether the code page keeps to the rules.
  using Decoder = std::u16string (*)(std::string_view);
  using Encoder = std::string (*)(std::u16string_view);
  using LeadTest = bool (*)(unsigned char);
  AnsiNormalForm(Decoder decode, Encoder encode, LeadTest is_lead);
  bool Usable() const { return usable_; }

 private:
  // The normal bytes of one character (one or two; zero for a lead byte
  // whose pair is given by pair_).
  struct Form {
    std::uint8_t size = 0;
    char bytes[2] = {};
  };
  bool MakeForm(std::u16string_view decoded, std::string_view original, Form& form,
                bool& same) const;
  // Where the first character from `from` (where one begins) that is not
  // in normal form begins; `n` for none.
  std::size_t FirstDoubt(const unsigned char* p, std::size_t from, std::size_t n) const;
  // The same, the lead bytes found by comparing with kRanges ranges; -1:
  // looked up one by one.
  template <int kRanges>
  std::size_t FirstDoubtIn(const unsigned char* p, std::size_t from, std::size_t n) const;

  Decoder decode_;
  Encoder encode_;
  bool usable_ = false;
  std::uint8_t lead_index_[256] = {};  // 1 + index into the pair tables; 0 if no lead byte
  bool single_same_[256] = {};         // a single byte that is its own normal form
  bool singles_normal_ = true;         // every byte that may not lead is
  Form single_[256];                   // for a lead byte: its form when it stands alone
  std::vector<Form> pair_;             // [(lead index - 1) * 256 + trail]
  // [next byte << 8 | byte]: 1 when a character beginning at the byte would
  // be in normal form.
  std::vector<std::uint8_t> plausible_;
  // The lead bytes as ranges of byte values, when they are few (compared 16
  // at a time; a fourth slot repeats the first when there are three); -1
  // when there are more, looked up one by one.
  static constexpr int kMostLeadRanges = 4;
  int lead_ranges_ = 0;
  unsigned char lead_from_[kMostLeadRanges] = {}, lead_span_[kMostLeadRanges] = {};
};

}  // namespace platform
