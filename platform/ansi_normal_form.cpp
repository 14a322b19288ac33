#include "platform/ansi_normal_form.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/codepage.h"

namespace platform {

const AnsiNormalForm* AnsiNormalForm::System() {
  static const AnsiNormalForm form(DecodeAnsi, EncodeAnsi, IsAnsiLeadByte);
  return form.Usable() ? &form : nullptr;
}

AnsiNormalForm::AnsiNormalForm(Decoder decode, Encoder encode, LeadTest is_lead)
    : decode_(decode), encode_(encode) {
  std::string pairs;  // every lead byte followed by every byte but NUL
  int leads = 0;
  for (int b = 0; b < 256; ++b) {
    if (!is_lead(static_cast<unsigned char>(b))) continue;
    if (b < 0x80) return;
    lead_index_[b] = static_cast<std::uint8_t>(++leads);
    for (int trail = 1; trail < 256; ++trail) {
      pairs.push_back(static_cast<char>(b));
      pairs.push_back(static_cast<char>(trail));
    }
  }
  for (int b = 0; b < 256; ++b) {
    // A lead byte here stands alone, as at the end of a text.
    const std::string original(1, static_cast<char>(b));
    const std::u16string decoded = decode(original);
    bool same = false;
    if (decoded.size() != 1 || !MakeForm(decoded, original, single_[b], same)) return;
    single_same_[b] = same && lead_index_[b] == 0;
    if (b < 0x80 && !single_same_[b]) return;
  }
  // Each pair must make one character.
  const std::u16string decoded = decode(pairs);
  if (decoded.size() * 2 != pairs.size()) return;
  pair_.resize(static_cast<std::size_t>(leads) * 256);
  plausible_.assign(65536, 0);
  for (int b = 0; b < 256; ++b)
    if (single_same_[b])
      for (int next = 0; next < 256; ++next) plausible_[next << 8 | b] = 1;
  for (std::size_t k = 0; k < decoded.size(); ++k) {
    const std::string_view original = std::string_view(pairs).substr(2 * k, 2);
    const std::size_t at = (lead_index_[static_cast<unsigned char>(original[0])] - 1u) * 256 +
                           static_cast<unsigned char>(original[1]);
    bool same = false;
    if (!MakeForm(std::u16string_view(decoded).substr(k, 1), original, pair_[at], same)) return;
    if (same) plausible_[(at & 255) << 8 | static_cast<unsigned char>(original[0])] = 1;
  }
  usable_ = true;
}

// The normal form of one decoded character, checked: it decodes back to the
// character, is one byte for ASCII, and otherwise begins above 0x7F with any
// second byte at 0x40 or above.
bool AnsiNormalForm::MakeForm(std::u16string_view decoded, std::string_view original, Form& form,
                              bool& same) const {
  const std::string bytes = encode_(decoded);
  if (bytes.empty() || bytes.size() > 2 || decode_(bytes) != decoded) return false;
  const auto first = static_cast<unsigned char>(bytes[0]);
  if (decoded[0] < 0x80) {
    if (bytes.size() != 1 || first != decoded[0]) return false;
  } else if (first < 0x80 || (bytes.size() == 2 && static_cast<unsigned char>(bytes[1]) < 0x40)) {
    return false;
  }
  form.size = static_cast<std::uint8_t>(bytes.size());
  std::memcpy(form.bytes, bytes.data(), bytes.size());
  same = bytes == original;
  return true;
}

// Where characters begin is known only by walking from a known beginning,
// one character after the other. The fast check avoids that: it asks of
// every byte whether it would be normal if a character began there (read
// with the byte after it). That holds at every real beginning of normal
// bytes, so where it holds everywhere the bytes are normal; where it fails,
// the characters around are walked to find out.
std::size_t AnsiNormalForm::FirstDoubt(const unsigned char* p, std::size_t from,
                                       std::size_t n) const {
  std::size_t i = from;
  while (i + 17 <= n) {
    std::uint64_t a, b;
    std::memcpy(&a, p + i, 8);
    std::memcpy(&b, p + i + 8, 8);
    if (((a | b) & 0x8080808080808080) != 0) {
      unsigned all = 1;
      for (std::size_t k = i; k < i + 16; ++k) {
        std::uint16_t two;  // this byte and the next, the next one high
        std::memcpy(&two, p + k, 2);
        if constexpr (std::endian::native == std::endian::big)
          two = static_cast<std::uint16_t>(two >> 8 | two << 8);
        all &= plausible_[two];
      }
      if (!all) break;
    }
    i += 16;
  }
  for (; i + 1 < n; ++i)
    if (!plausible_[p[i] | p[i + 1] << 8]) return i;
  // The last byte stands alone, as before a NUL.
  if (i + 1 == n && !plausible_[p[i]]) return i;
  return n;
}

std::string_view AnsiNormalForm::Normalize(std::string_view bytes, std::string& scratch) const {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t done = 0;    // a character begins here; all before is settled
  std::size_t copied = 0;  // bytes before this are in scratch, when rewriting
  bool rewriting = false;
  for (std::size_t doubt; (doubt = FirstDoubt(p, done, n)) < n;) {
    // Any byte but a lead byte ends a character: walk from the last one.
    std::size_t at = doubt;
    while (at > done && lead_index_[p[at - 1]] != 0) --at;
    while (at <= doubt) {
      const unsigned lead = lead_index_[p[at]];
      const bool pair = lead != 0 && at + 1 < n && p[at + 1] != 0;
      const Form& form = pair ? pair_[(lead - 1) * 256 + p[at + 1]] : single_[p[at]];
      const std::size_t size = pair ? 2 : 1;
      if (form.size != size || std::memcmp(form.bytes, p + at, size) != 0) {
        if (!rewriting) scratch.clear(), rewriting = true;
        scratch.append(bytes.data() + copied, at - copied);
        scratch.append(form.bytes, form.size);
        copied = at + size;
      }
      at += size;
    }
    done = at;
  }
  if (!rewriting) return bytes;
  scratch.append(bytes.data() + copied, n - copied);
  return scratch;
}

}  // namespace platform
