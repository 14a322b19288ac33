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
  step_.assign(65536, 0);
  for (int b = 0; b < 256; ++b)
    if (single_same_[b])
      for (int next = 0; next < 256; ++next) step_[next << 8 | b] = 1;
  for (std::size_t k = 0; k < decoded.size(); ++k) {
    const std::string_view original = std::string_view(pairs).substr(2 * k, 2);
    const std::size_t at = (lead_index_[static_cast<unsigned char>(original[0])] - 1u) * 256 +
                           static_cast<unsigned char>(original[1]);
    bool same = false;
    if (!MakeForm(std::u16string_view(decoded).substr(k, 1), original, pair_[at], same)) return;
    if (same) step_[(at & 255) << 8 | static_cast<unsigned char>(original[0])] = 2;
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

std::string_view AnsiNormalForm::Normalize(std::string_view bytes, std::string& scratch) const {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  auto ascii16 = [p](std::size_t at) {
    std::uint64_t a, b;
    std::memcpy(&a, p + at, 8);
    std::memcpy(&b, p + at + 8, 8);
    return ((a | b) & 0x8080808080808080) == 0;
  };
  // Sixteen ASCII bytes at a time, else character by character: the step
  // table gives each character's length from its first two bytes.
  std::size_t i = 0;
  bool normal = true;
  while (normal && i + 1 < n) {
    if (i + 16 <= n && ascii16(i)) {
      i += 16;
      continue;
    }
    for (const std::size_t stop = std::min(n - 1, i + 16); i < stop;) {
      std::uint16_t two;  // this byte and the next, the next one high
      std::memcpy(&two, p + i, 2);
      if constexpr (std::endian::native == std::endian::big)
        two = static_cast<std::uint16_t>(two >> 8 | two << 8);
      const unsigned step = step_[two];
      if (step == 0) {
        normal = false;
        break;
      }
      i += step;
    }
  }
  // The last byte stands alone, as before a NUL.
  if (normal && (i == n || step_[p[i]] != 0)) return bytes;
  scratch.assign(bytes.data(), i);
  AppendSlowly(bytes.substr(i), scratch);
  return scratch;
}

void AnsiNormalForm::AppendSlowly(std::string_view bytes, std::string& out) const {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned lead = lead_index_[p[i]];
    const Form* form = &single_[p[i]];
    if (lead != 0 && i + 1 < n && p[i + 1] != 0) {
      form = &pair_[(lead - 1) * 256 + p[i + 1]];
      ++i;
    }
    ++i;
    out.append(form->bytes, form->size);
  }
}

}  // namespace platform
