#include "platform/ansi_normal_form.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/codepage.h"
#include "platform/vector_unit.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

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
    if (lead_index_[b] == 0 && !single_same_[b]) singles_normal_ = false;
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
  // The lead bytes' ranges, all above 0x7F.
  for (int b = 0x80; b < 256; ++b) {
    if (lead_index_[b] == 0 || lead_ranges_ < 0) continue;
    int to = b;
    while (to < 255 && lead_index_[to + 1] != 0) ++to;
    if (lead_ranges_ == kMostLeadRanges) {
      lead_ranges_ = -1;
      continue;
    }
    lead_from_[lead_ranges_] = static_cast<unsigned char>(b);
    lead_span_[lead_ranges_++] = static_cast<unsigned char>(to - b);
    b = to;
  }
  if (lead_ranges_ == 3) {
    lead_from_[3] = lead_from_[0];
    lead_span_[3] = lead_span_[0];
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

std::uint64_t ContinuingBytes(std::uint64_t leads, bool continued) {
  constexpr std::uint64_t kEvenBits = 0x5555555555555555;
  // A byte that may lead does not when it continues a character: a run of
  // them from a byte where a character surely begins alternates lead, trail,
  // lead... A run that begins on an odd bit is found by the carry an add
  // ripples through it.
  const std::uint64_t lead = leads & ~std::uint64_t{continued};
  const std::uint64_t run_starts = lead & ~(lead << 1);
  const std::uint64_t odd_runs = lead & ~(lead + (run_starts & ~kEvenBits));
  const std::uint64_t leading = lead & (kEvenBits ^ odd_runs);
  return leading << 1 | std::uint64_t{continued};
}

namespace {

// Of the 64 bytes from p: those above 0x7F, and (when there are any) those
// that may lead, found by comparing with kRanges ranges of byte values (-1:
// looked up one by one in `lead_index`).
template <int kRanges>
class LeadClassifier {
 public:
  LeadClassifier(const unsigned char* from, const unsigned char* span,
                 const std::uint8_t* lead_index)
      : lead_index_(lead_index) {
#if defined(__SSE2__) || defined(_M_X64)
    for (int r = 0; r < kRanges; ++r) {
      from_[r] = _mm_set1_epi8(static_cast<char>(from[r]));
      span_[r] = _mm_set1_epi8(static_cast<char>(span[r]));
    }
#else
    (void)from, (void)span;
#endif
  }

  std::uint64_t Classify(const unsigned char* p, std::uint64_t& leads) const {
    std::uint64_t high = 0;
    leads = 0;
#if defined(__SSE2__) || defined(_M_X64)
    if constexpr (kRanges >= 0) {
      __m128i v[4];
      for (int part = 0; part < 4; ++part) {
        v[part] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * part));
        high |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(v[part]))} << (16 * part);
      }
      if (high == 0) return 0;
      for (int part = 0; part < 4; ++part) {
        __m128i lead = _mm_setzero_si128();
        for (int r = 0; r < kRanges; ++r) {  // unsigned: v - from <= span
          const __m128i d = _mm_sub_epi8(v[part], from_[r]);
          lead = _mm_or_si128(lead, _mm_cmpeq_epi8(_mm_min_epu8(d, span_[r]), d));
        }
        leads |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(lead))} << (16 * part);
      }
      return high;
    }
#endif
    std::uint64_t any = 0;
    for (int k = 0; k < 8; ++k) {
      std::uint64_t eight;
      std::memcpy(&eight, p + 8 * k, 8);
      any |= eight;
    }
    if ((any & 0x8080808080808080) == 0) return 0;
    for (int k = 0; k < 64; ++k) {
      high |= static_cast<std::uint64_t>(p[k] >> 7) << k;
      leads |= std::uint64_t{lead_index_[p[k]] != 0} << k;
    }
    return high;
  }

 private:
  const std::uint8_t* lead_index_;
#if defined(__SSE2__) || defined(_M_X64)
  __m128i from_[kRanges > 0 ? kRanges : 1], span_[kRanges > 0 ? kRanges : 1];
#endif
};

}  // namespace

std::size_t AnsiNormalForm::FirstDoubt(const unsigned char* p, std::size_t from,
                                       std::size_t n) const {
#if defined(__SSE2__) || defined(_M_X64)
  if (ActiveVectorUnit() != VectorUnit::kScalar) {
    switch (lead_ranges_) {
      case 0:
        return FirstDoubtIn<0>(p, from, n);
      case 1:
        return FirstDoubtIn<1>(p, from, n);
      case 2:
        return FirstDoubtIn<2>(p, from, n);
      case 3:
      case 4:
        return FirstDoubtIn<4>(p, from, n);
      default:
        break;
    }
  }
#endif
  return FirstDoubtIn<-1>(p, from, n);
}

// Where characters begin is found 64 bytes at a time, from the bytes that
// may lead and whether the first continues a character; then each that
// begins above 0x7F is looked up (ASCII is always normal, and so, in most
// code pages, is every byte that may not lead).
template <int kRanges>
std::size_t AnsiNormalForm::FirstDoubtIn(const unsigned char* p, std::size_t from,
                                         std::size_t n) const {
  const std::uint8_t* plausible = plausible_.data();
  auto normal = [&](std::size_t k) {
    std::uint16_t two;  // this byte and the next, the next one high
    std::memcpy(&two, p + k, 2);
    if constexpr (std::endian::native == std::endian::big)
      two = static_cast<std::uint16_t>(two >> 8 | two << 8);
    return plausible[two];
  };
  const LeadClassifier<kRanges> classifier(lead_from_, lead_span_, lead_index_);
  const bool singles_normal = singles_normal_;
  std::size_t i = from;
  bool continued = false;  // p[i] is the second byte of a character
  for (; i + 65 <= n; i += 64) {
    std::uint64_t leads;
    const std::uint64_t high = classifier.Classify(p + i, leads);
    if (high == 0) {
      continued = false;
      continue;
    }
    const std::uint64_t second = ContinuingBytes(leads, continued);
    const std::uint64_t begin = (singles_normal ? leads : high) & ~second;
    unsigned all = 1;
    for (std::uint64_t m = begin; m != 0; m &= m - 1)
      all &= normal(i + static_cast<unsigned>(std::countr_zero(m)));
    if (!all)
      for (std::uint64_t m = begin;; m &= m - 1)
        if (const std::size_t k = i + static_cast<unsigned>(std::countr_zero(m)); !normal(k))
          return k;
    continued = (leads & ~second) >> 63 != 0;
  }
  std::size_t at = i + (continued ? 1 : 0);
  for (; at + 1 < n; at += lead_index_[p[at]] != 0 ? 2 : 1)
    if (!normal(at)) return at;
  // The last byte stands alone, as before a NUL.
  if (at + 1 == n && !plausible[p[at]]) return at;
  return n;
}

std::string_view AnsiNormalForm::Normalize(std::string_view bytes, std::string& scratch) const {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t done = 0;    // a character begins here; all before is settled
  std::size_t copied = 0;  // bytes before this are in scratch, when rewriting
  bool rewriting = false;
  for (std::size_t at; (at = FirstDoubt(p, done, n)) < n;) {
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
    done = at + size;
  }
  if (!rewriting) return bytes;
  scratch.append(bytes.data() + copied, n - copied);
  return scratch;
}

}  // namespace platform
