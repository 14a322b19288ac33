// Execute and its sessions: one pass over the text that copies everything
// outside tags, replaces a few tags by text and post-processes as it goes
// (line breaks, collapsing of blank lines, three entities), in UTF-16 or in
// code page bytes. Linear, and holding only the piece at hand.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "engine/clsQuillmere.h"
#include "engine/errors.h"

// The searches run between most steps of the scan, mostly over a few
// characters: their cost is in the call.
#if defined(_MSC_VER)
#define QUILLMERE_INLINE __forceinline
#else
#define QUILLMERE_INLINE inline __attribute__((always_inline))
#endif

namespace {

using LeadBytes = std::array<bool, 256>;

template <typename Char>
Char Upper(Char c) {
  return c >= 'a' && c <= 'z' ? static_cast<Char>(c - 32) : c;
}

// Whether `c` is `expected`, an ASCII character, letters in either case.
// With the case bit (0x20) set, only a letter's two cases give the letter in
// lower case; so it decides with no branch, `expected` being known when it
// is compiled.
template <typename Char>
QUILLMERE_INLINE bool SameUpper(Char c, char expected) {
  if (expected >= 'A' && expected <= 'Z') return (c | 0x20) == (expected | 0x20);
  return c == static_cast<Char>(expected);
}

// Whether `text` begins with the ASCII `prefix` (given in upper case) once
// upper-cased. In code page bytes a character other than ASCII fails at its
// first byte, which is above 0x7F, just as it does as a UTF-16 unit.
// Prefixes are literals, compared whole without a branch per character.
template <typename Char, std::size_t N>
QUILLMERE_INLINE bool StartsUpper(std::basic_string_view<Char> text, const char (&prefix)[N]) {
  if (text.size() < N - 1) return false;
  bool same = true;
  for (std::size_t i = 0; i < N - 1; ++i) same &= SameUpper(text[i], prefix[i]);
  return same;
}

template <typename Char, std::size_t N>
QUILLMERE_INLINE bool StartsWith(std::basic_string_view<Char> text, std::size_t at,
                                 const char (&prefix)[N]) {
  if (text.size() - at < N - 1) return false;
  bool same = true;
  for (std::size_t i = 0; i < N - 1; ++i) same &= text[at + i] == static_cast<Char>(prefix[i]);
  return same;
}

template <typename Char>
bool StartsWith(std::basic_string_view<Char> text, std::size_t at, std::string_view prefix) {
  if (text.size() - at < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (text[at + i] != static_cast<Char>(prefix[i])) return false;
  return true;
}

template <typename Char>
void AppendAscii(std::basic_string<Char>& out, std::string_view ascii) {
  out.append(ascii.begin(), ascii.end());
}

// The first of the characters A to D at or after `from`, or the text's size.
// Sixteen bytes or eight UTF-16 units at a time where SSE2 is at hand (every
// x86-64): the distances searched are mostly short.
template <char A, char B, char C, char D, typename Char>
QUILLMERE_INLINE std::size_t FindAny(std::basic_string_view<Char> text, std::size_t from) {
  const Char* p = text.data();
  const std::size_t n = text.size();
  std::size_t i = from;
#if defined(__SSE2__) || defined(_M_X64)
  auto splat = [](char c) {
    return sizeof(Char) == 1 ? _mm_set1_epi8(c) : _mm_set1_epi16(static_cast<short>(c));
  };
  auto equal = [](__m128i a, __m128i b) {
    return sizeof(Char) == 1 ? _mm_cmpeq_epi8(a, b) : _mm_cmpeq_epi16(a, b);
  };
  const __m128i c0 = splat(A), c1 = splat(B), c2 = splat(C), c3 = splat(D);
  constexpr std::size_t kStep = 16 / sizeof(Char);
  for (; i + kStep <= n; i += kStep) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i hit = _mm_or_si128(_mm_or_si128(equal(v, c0), equal(v, c1)),
                                     _mm_or_si128(equal(v, c2), equal(v, c3)));
    if (const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit)))
      return i + static_cast<unsigned>(std::countr_zero(mask)) / sizeof(Char);
  }
#endif
  if constexpr (A < 64 && B < 64 && C < 64 && D < 64) {
    constexpr std::uint64_t mask = 1ull << A | 1ull << B | 1ull << C | 1ull << D;
    for (; i < n; ++i) {
      const auto u = static_cast<std::make_unsigned_t<Char>>(p[i]);
      if (u < 64 && (mask >> u & 1) != 0) return i;
    }
  } else {
    for (; i < n; ++i) {
      const Char c = p[i];
      if ((c == A) | (c == B) | (c == C) | (c == D)) return i;
    }
  }
  return n;
}

// The first C at or after `from`, or npos.
template <char C, typename Char>
QUILLMERE_INLINE std::size_t Find(std::basic_string_view<Char> text, std::size_t from) {
  const std::size_t at = FindAny<C, C, C, C>(text, from);
  return at == text.size() ? text.npos : at;
}

// The first character post-processing acts on ("&", CR, LF) at or after
// `from`, or the text's size. A "<" here, in text already scanned (from a
// tag the options keep), stays text.
template <typename Char>
QUILLMERE_INLINE std::size_t FindStop(std::basic_string_view<Char> text, std::size_t from) {
  return FindAny<'&', '&', '\r', '\n'>(text, from);
}

template <typename Char>
constexpr Char kCrLf[] = {'\r', '\n'};
template <typename Char>
constexpr Char kCrLfCrLf[] = {'\r', '\n', '\r', '\n'};

// The entity at text[i], an "&": how many characters it takes and what they
// stand for. "&amp;" first, then "&lt;" and "&gt;": an "&" decoded from
// "&amp;" still forms "&lt;" or "&gt;" with the text after it.
template <typename Char>
QUILLMERE_INLINE std::size_t Entity(std::basic_string_view<Char> text, std::size_t i,
                                    Char& decoded) {
  decoded = '&';
  switch (i + 1 < text.size() ? text[i + 1] : Char()) {
    case 'a':
      if (!StartsWith(text, i, "&amp;")) return 1;
      if (StartsWith(text, i + 5, "lt;")) return decoded = '<', 8;
      if (StartsWith(text, i + 5, "gt;")) return decoded = '>', 8;
      return 5;
    case 'l':
      if (StartsWith(text, i, "&lt;")) return decoded = '<', 4;
      return 1;
    case 'g':
      if (StartsWith(text, i, "&gt;")) return decoded = '>', 4;
      return 1;
  }
  return 1;
}

// Whether the entity at text[i], an "&", is what it is whatever follows
// `text`: no longer form could still begin there.
template <typename Char>
bool EntitySettled(std::basic_string_view<Char> text, std::size_t i) {
  const std::size_t left = text.size() - i;
  using namespace std::string_view_literals;
  for (std::string_view form : {"&amp;lt;"sv, "&amp;gt;"sv, "&lt;"sv, "&gt;"sv})
    if (left < form.size() && StartsWith(text, i, form.substr(0, left))) return false;
  return true;
}

// Whether an "&" before `c` can begin an entity, at once or once the tag
// that `c` opens is gone.
template <typename Char>
bool MayBeginEntity(Char c) {
  return (c == 'a') | (c == 'l') | (c == 'g') | (c == '<');
}

// Removes every occurrence of `name`, found left to right without overlap in
// the text as it was; what the removals join is not searched again. In code
// page bytes (`leads` given) only whole characters match: a trail byte can
// be a letter.
template <typename Char>
void RemoveAll(std::basic_string<Char>& text, std::string_view name, const LeadBytes* leads) {
  // Nothing before the first character of `name` moves; in code page bytes
  // the walk still begins at the start, where a character begins.
  const auto first = std::find(text.begin(), text.end(), static_cast<Char>(name[0]));
  if (first == text.end()) return;
  std::size_t to = leads ? 0 : static_cast<std::size_t>(first - text.begin());
  for (std::size_t from = to; from < text.size();) {
    if (text[from] == static_cast<Char>(name[0]) &&
        StartsWith(std::basic_string_view<Char>(text), from, name)) {
      from += name.size();
      continue;
    }
    if (leads && (*leads)[static_cast<unsigned char>(text[from])] && from + 1 < text.size())
      text[to++] = text[from++];
    text[to++] = text[from++];
  }
  text.resize(to);
}

// Whether `piece`, upper-cased and without its spaces, is `key`.
template <typename Char>
bool IsKey(std::basic_string_view<Char> piece, std::string_view key) {
  std::size_t k = 0;
  for (Char c : piece) {
    if (c == ' ') continue;
    if (k == key.size() || Upper(c) != static_cast<Char>(key[k])) return false;
    ++k;
  }
  return k == key.size();
}

// What the picker splits, without a copy, for the common tag: "<", the name
// as one of its two spellings (or neither), the rest with no "<" or ">" and
// neither spelling of the name in it, and ">". A view without data for any
// other tag. (In code page bytes a name spelled in the rest counts even
// where it would not be removed, behind a lead byte; such a tag takes the
// long way.) `Initial` is the name's first letter, in upper case.
template <char Initial, typename Char>
std::basic_string_view<Char> PlainAttributes(std::basic_string_view<Char> tag,
                                             std::string_view upper_name,
                                             std::string_view lower_name) {
  using View = std::basic_string_view<Char>;
  if (tag.size() < 2 || tag.front() != '<' || tag.back() != '>') return View();
  View body = tag.substr(1, tag.size() - 2);
  if (StartsWith(body, 0, upper_name) || StartsWith(body, 0, lower_name))
    body.remove_prefix(upper_name.size());
  constexpr char kLower = Initial | 0x20;
  for (std::size_t at = 0; (at = FindAny<'<', '>', Initial, kLower>(body, at)) < body.size(); ++at)
    if (body[at] == '<' || body[at] == '>' || StartsWith(body, at, upper_name) ||
        StartsWith(body, at, lower_name))
      return View();
  return body;
}

// The attribute picker shared by image and link tags: "<" and ">" are
// dropped, the tag name is removed, the text is split at quotes (or at
// spaces when it has none), and a piece whose upper-cased, space-free form
// is one of `keys` makes the piece after it that key's value.
//
// The picker works on code page bytes in normal form as well as on UTF-16:
// the characters it splits at and drops are below 0x40, which no byte of a
// character other than ASCII is, and the first byte of such a character
// already fails a key comparison. Only the name removal needs to know where
// characters begin.
template <std::size_t N, char Initial, typename Char>
std::array<std::basic_string_view<Char>, N> PickAttributes(
    std::basic_string_view<Char> tag, std::string_view upper_name, std::string_view lower_name,
    const std::array<std::string_view, N>& keys, const LeadBytes* leads,
    std::basic_string<Char>& scratch) {
  using View = std::basic_string_view<Char>;
  View text = PlainAttributes<Initial>(tag, upper_name, lower_name);
  if (text.data() == nullptr) {
    scratch.resize(tag.size());
    std::size_t length = 0;
    for (Char c : tag)
      if (c != '<' && c != '>') scratch[length++] = c;
    scratch.resize(length);
    RemoveAll(scratch, upper_name, leads);
    RemoveAll(scratch, lower_name, leads);
    text = scratch;
  }

  // Both quotes split alike.
  const bool quoted = FindAny<'"', '\'', '"', '\''>(text, 0) != text.size();
  std::array<View, N> values;
  View previous;
  for (std::size_t start = 0;;) {
    const std::size_t cut = quoted ? FindAny<'"', '\'', '"', '\''>(text, start)
                                   : FindAny<' ', ' ', ' ', ' '>(text, start);
    const View piece = text.substr(start, cut - start);
    if (start != 0)
      for (std::size_t k = 0; k < N; ++k)
        if (IsKey(previous, keys[k])) values[k] = piece;
    if (cut == text.size()) break;
    previous = piece;
    start = cut + 1;
  }
  return values;
}

// "alt:src" of an image tag, appended to `out`, and the href of a link tag,
// a view into `scratch` (working space for both).
template <typename Char>
void AppendImageText(std::basic_string_view<Char> tag, const LeadBytes* leads,
                     std::basic_string<Char>& scratch, std::basic_string<Char>& out) {
  const auto [alt, src] =
      PickAttributes<2, 'I'>(tag, "IMG ", "img ", {"ALT=", "SRC="}, leads, scratch);
  out.append(alt).append(1, ':').append(src);
}

template <typename Char>
std::basic_string_view<Char> LinkUrlOf(std::basic_string_view<Char> tag, const LeadBytes* leads,
                                       std::basic_string<Char>& scratch) {
  return PickAttributes<1, 'A'>(tag, "A ", "a ", {"HREF="}, leads, scratch)[0];
}

}  // namespace

std::u16string clsQuillmere::ExtractImageText(std::u16string_view tag) {
  std::u16string scratch, text;
  AppendImageText(tag, nullptr, scratch, text);
  return text;
}

std::u16string clsQuillmere::ExtractLinkUrl(std::u16string_view tag) {
  std::u16string scratch;
  return std::u16string(LinkUrlOf(tag, nullptr, scratch));
}

template <typename Char>
clsQuillmere::BasicSession<Char>::BasicSession(
    const clsQuillmere& options) requires std::is_same_v<Char, char16_t>
    : options_(options), image_label_(u"[イメージ:"), link_label_(u"[リンク:") {}

template <typename Char>
clsQuillmere::BasicSession<Char>::BasicSession(
    const clsQuillmere& options, const ByteCodec& codec,
    Overflow* overflow) requires std::is_same_v<Char, char>
    : options_(options),
      overflow_(overflow),
      image_label_(codec.Encode(u"[イメージ:")),
      link_label_(codec.Encode(u"[リンク:")) {
  for (int b = 0; b < 256; ++b) {
    leads_[b] = codec.IsLeadByte(static_cast<unsigned char>(b));
    has_leads_ = has_leads_ || leads_[b];
  }
}

// The text of a piece is settled as it is scanned: a run of ordinary
// characters goes straight to the output, line breaks are counted, an entity
// is decoded on the spot, and a tag is replaced where it stands. Only a tag
// or an entity cut by the end of the piece (or an entity a tag interrupts)
// waits, in tag_ or held_.
template <typename Char>
void clsQuillmere::BasicSession<Char>::Feed(View piece, String& out) {
  const std::size_t n = piece.size();
  std::size_t i = 0;
  while (i < n) {
    if (in_tag_) {
      // A tag runs from "<" through the first ">" after it, wherever it stands.
      const std::size_t gt = Find<'>'>(piece, i);
      if (gt == piece.npos) {
        GrowTag(piece.substr(i));
        return;
      }
      tag_.append(piece.substr(i, gt + 1 - i));
      i = gt + 1;
      in_tag_ = false;
      if (spilled_)
        EndLongTag(out);
      else
        EndTag(tag_, out);
      tag_.clear();
      continue;
    }
    if (held_.empty()) {
      i = Scan(piece, i, out);
      continue;
    }
    // Text after an entity that what follows a tag may yet complete.
    const std::size_t lt = Find<'<'>(piece, i);
    const std::size_t end = lt == piece.npos ? n : lt;
    Emit(piece.substr(i, end - i), false, out);
    i = end;
    if (i == n) return;
    const std::size_t gt = Find<'>'>(piece, i + 1);
    if (gt == piece.npos) {
      in_tag_ = true;
      GrowTag(piece.substr(i));
      return;
    }
    EndTag(piece.substr(i, gt + 1 - i), out);
    i = gt + 1;
  }
}

namespace {

// Where the scan may have to act among the 64 characters from p + at, one
// bit each (none past the end of the text, at `n`): "<", "&", CR and LF in
// `stops`, ">" in `ends`.
struct StopBits {
  std::uint64_t stops;
  std::uint64_t ends;
};

template <typename Char>
QUILLMERE_INLINE StopBits FindStops(const Char* p, std::size_t at, std::size_t n) {
  StopBits bits{0, 0};
#if defined(__SSE2__) || defined(_M_X64)
  if (n - at >= 64) {
    auto equal = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    for (std::size_t k = 0; k < 64; k += 16) {
      // Sixteen characters as bytes: UTF-16 units are narrowed first, those
      // above 0xFF to 0xFF or 0, which none of the stops is.
      const auto* at_k = reinterpret_cast<const __m128i*>(p + at + k);
      const __m128i v = sizeof(Char) == 1
                            ? _mm_loadu_si128(at_k)
                            : _mm_packus_epi16(_mm_loadu_si128(at_k), _mm_loadu_si128(at_k + 1));
      const __m128i stops = _mm_or_si128(_mm_or_si128(equal(v, '<'), equal(v, '&')),
                                         _mm_or_si128(equal(v, '\r'), equal(v, '\n')));
      auto mask = [](__m128i hits) {
        return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hits)));
      };
      bits.stops |= mask(stops) << k;
      bits.ends |= mask(equal(v, '>')) << k;
    }
    return bits;
  }
#endif
  constexpr std::uint64_t kStops = 1ull << '<' | 1ull << '&' | 1ull << '\r' | 1ull << '\n';
  const std::size_t count = std::min<std::size_t>(n - at, 64);
  for (std::size_t k = 0; k < count; ++k) {
    const auto u = static_cast<std::make_unsigned_t<Char>>(p[at + k]);
    if (u < 64 && (kStops >> u & 1) != 0) bits.stops |= 1ull << k;
    if (u == '>') bits.ends |= 1ull << k;
  }
  return bits;
}

// Where the first "<" stands among the (up to) 8 characters from p, or
// their count: the reach of the longest entity form.
template <typename Char>
QUILLMERE_INLINE std::size_t FirstLessThan8(const Char* p, std::size_t left) {
#if defined(__SSE2__) || defined(_M_X64)
  if (left >= 8) {
    const __m128i lt = sizeof(Char) == 1 ? _mm_set1_epi8('<') : _mm_set1_epi16('<');
    if constexpr (sizeof(Char) == 1) {
      const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
      const unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lt)));
      return static_cast<std::size_t>(std::countr_zero(hits | 0x100u));
    } else {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(v, lt)));
      return static_cast<std::size_t>(std::countr_zero(hits | 0x10000u)) / 2;
    }
  }
#endif
  const std::size_t look = std::min<std::size_t>(left, 8);
  return static_cast<std::size_t>(std::find(p, p + look, '<') - p);
}

}  // namespace

// The scan of text with nothing held back, from piece[i]: the places where
// it may have to act are found 64 characters at a time and visited in
// order; a tag is passed over at once to its ">". Returns where it stopped:
// the end of the piece, or where an entity began to wait for more (held_ is
// then no longer empty).
template <typename Char>
std::size_t clsQuillmere::BasicSession<Char>::Scan(View piece, std::size_t i, String& out) {
  const Char* p = piece.data();
  const std::size_t n = piece.size();
  for (std::size_t base = i; base < n;) {
    const StopBits found = FindStops(p, base, n);
    std::size_t next = base + 64;  // where the next block begins
    for (std::uint64_t bits = found.stops; bits != 0;) {
      const std::size_t at = static_cast<std::size_t>(std::countr_zero(bits));
      const std::size_t j = base + at;
      const Char c = p[j];
      if (c == '&' && j + 1 < n && !MayBeginEntity(p[j + 1])) {  // "&nbsp;" is text
        bits &= bits - 1;
        continue;
      }
      if (j > i) PutText(View(p + i, j - i), out);
      if (c == '<') {
        // A tag runs from "<" through the first ">" after it. Only tags
        // whose names begin with H, B, I, A or "/" can give anything; the
        // rest are dropped whatever the options.
        const std::uint64_t ends = found.ends & ~std::uint64_t(1) << at;
        const std::size_t gt = ends != 0 ? base + static_cast<std::size_t>(std::countr_zero(ends))
                                         : FindAny<'>', '>', '>', '>'>(piece, std::min(next, n));
        if (gt == n) {
          in_tag_ = true;
          GrowTag(piece.substr(j));
          return n;
        }
        i = gt + 1;
        const Char first = p[j + 1];
        const int folded = first | 0x20;  // letters in lower case (see SameUpper)
        if ((folded == 'h') | (folded == 'b') | (folded == 'i') | (folded == 'a') |
            (first == '/')) {
          EndTag(View(p + j, i - j), out);
          if (!held_.empty()) return i;
        }
      } else if (c != '&') {
        i = j + 1;
        CountBreak(c);
        if (c == '\r' && i < n && p[i] == '\n') CountBreak(p[i++]);  // CR LF at once
      } else {
        // Decided here unless a tag (or the end of the piece) comes while
        // a longer form is still possible; else settled with what follows.
        const std::size_t lt = j + FirstLessThan8(p + j, n - j);
        if (lt - j != 8 && !EntitySettled(View(p, lt), j)) {
          Emit(piece.substr(j, lt - j), false, out);
          return lt;
        }
        Char decoded;
        i = j + Entity(View(p, lt), j, decoded);
        PutChar(decoded, out);
      }
      if (i - base >= 64) {  // past this block
        next = i;
        break;
      }
      bits &= ~std::uint64_t() << (i - base);
    }
    base = next;
  }
  if (n > i) PutText(View(p + i, n - i), out);
  return n;
}

// The first characters of a long tag, enough to classify it, stay in
// memory; past a MiB the rest goes to the overflow, if there is one and it
// takes it.
constexpr std::size_t kTagHead = 16;
constexpr std::size_t kTagInMemory = 1 << 20;

template <typename Char>
void clsQuillmere::BasicSession<Char>::GrowTag(View more) {
  tag_.append(more);
  if constexpr (sizeof(Char) == 1) {
    if (overflow_ && tag_.size() > kTagInMemory &&
        overflow_->Append(std::string_view(tag_).substr(kTagHead))) {
      tag_.resize(kTagHead);
      spilled_ = true;
    }
  }
}

// A tag partly in the overflow has ended: image and link tags are put
// together again (their text becomes output); of any other only the head
// matters.
template <typename Char>
void clsQuillmere::BasicSession<Char>::EndLongTag(String& out) {
  if constexpr (sizeof(Char) == 1) {
    const View tag = tag_;
    String whole;
    if (StartsUpper(tag, "<IM") || StartsUpper(tag, "<A ")) {
      whole.append(tag.substr(0, kTagHead));
      if (!overflow_->ReadAll([&](std::string_view bytes) { return whole.append(bytes), true; }))
        throw engine::OverflowUnreadable();
      whole.append(tag.substr(kTagHead));
    } else {
      whole = tag_;
    }
    overflow_->Clear();
    spilled_ = false;
    EndTag(whole, out);
  } else {
    (void)out;
  }
}

// Replaces a complete tag by what the options make of it.
template <typename Char>
QUILLMERE_INLINE void clsQuillmere::BasicSession<Char>::EndTag(View tag, String& out) {
  const auto& o = options_.options_;
  // Each case looks at the name again: the case bit also maps 0x0F to "/".
  switch (tag.size() > 1 ? tag[1] | 0x20 : 0) {
    case 'h':
      // A negative count draws no dashes; the line break stays.
      if (StartsUpper(tag, "<HR") && o[HR] != 0)
        AddLine(static_cast<std::size_t>(std::max<int>(o[HR_NUM], 0)), out);
      return;
    case 'b':
      if (StartsUpper(tag, "<BR") && o[BR] != 0) AddLine(0, out);
      return;
    case '/':
      if (!StartsUpper(tag, "</P")) break;
      if (o[P] != 0) AddLine(0, out);
      return;
    case 'i':
    case 'a':
      break;
    default:
      return;
  }
  EndTextTag(tag, out);
}

// Image and link tags, and the closing link tag: what they give is text.
template <typename Char>
void clsQuillmere::BasicSession<Char>::EndTextTag(View tag, String& out) {
  const auto& o = options_.options_;
  String& add = appended_;
  add.clear();
  switch (tag[1] | 0x20) {
    case 'i':
      if (StartsUpper(tag, "<IM") && o[IMG] != 0) {
        add.append(image_label_);
        AppendImageText(tag, leads(), scratch_, add);
        add.push_back(']');
      }
      break;
    case 'a':
      if (StartsUpper(tag, "<A ")) OpenLink(tag, add);
      break;
    case '/':
      if (StartsUpper(tag, "</A")) {
        // A closing tag with no link open (after a removed opening tag, a
        // second closing tag, or a tag such as </ADDRESS>) is dropped like
        // any other tag.
        if (link_open_ && o[A_LINK_TAG_TYPE] == 0) AppendAscii(add, "</a>");
        if (link_open_ && o[A_LINK_TAG_TYPE] == 2) {
          add.push_back('(');
          add.append(url_).push_back(')');
        }
        url_.clear();
        link_open_ = false;
      }
      break;
    default:
      return;
  }
  if (add.empty()) return;
  if (held_.empty() && FindStop(View(add), 0) == add.size())
    PutText(add, out);  // nothing in it for post-processing
  else
    Emit(add, false, out);
}

// A rule of `dashes` dashes, or none, and a line break.
template <typename Char>
QUILLMERE_INLINE void clsQuillmere::BasicSession<Char>::AddLine(std::size_t dashes, String& out) {
  if (!held_.empty()) {
    appended_.assign(dashes, '-');
    appended_.append(kCrLf<Char>, 2);
    return Emit(appended_, false, out);
  }
  if (dashes > 0) {
    cr_pending_ = false;
    if (breaks_) FlushBreaks(out);
    out.append(dashes, '-');
  }
  CountBreak('\r');
  CountBreak('\n');
}

template <typename Char>
void clsQuillmere::BasicSession<Char>::OpenLink(View tag, String& add) {
  const auto& o = options_.options_;
  if (StartsUpper(tag, "<A NAME") && o[ANAME] != 0) return;
  if ((StartsUpper(tag, "<A HREF=\"#") || StartsUpper(tag, "<A HREF=#")) && o[AHREFSharp] != 0)
    return;
  if (o[AHREF] == 0) return;
  url_.assign(LinkUrlOf(tag, leads(), scratch_));
  link_open_ = true;
  if (o[A_LINK_TAG_TYPE] == 0) add.append(tag);
  if (o[A_LINK_TAG_TYPE] == 1) add.append(link_label_).append(url_).push_back(']');
}

template <typename Char>
void clsQuillmere::BasicSession<Char>::Finish(String& out,
                                              const std::function<void(String&)>& flush) {
  // A "<" that no ">" follows opens no tag: it and the rest are text.
  if (in_tag_ && spilled_) {
    if constexpr (sizeof(Char) == 1) {
      Emit(View(tag_).substr(0, kTagHead), false, out);
      if (!overflow_->ReadAll([&](std::string_view bytes) {
            Emit(bytes, false, out);
            if (flush) flush(out);
            return true;
          }))
        throw engine::OverflowUnreadable();
      overflow_->Clear();
      Emit(View(tag_).substr(kTagHead), false, out);
    }
  } else if (in_tag_) {
    Emit(tag_, false, out);
  }
  spilled_ = false;
  tag_.clear();
  in_tag_ = false;
  Emit(View(), true, out);
  FlushBreaks(out);
}

template <typename Char>
void clsQuillmere::BasicSession<Char>::FlushBreaks(String& out) {
  // Replacing three breaks by one until none are left keeps a run's parity,
  // so a run of three or more ends as one break when odd and two when even.
  std::size_t breaks = breaks_;
  if (options_.options_[ENTER] != 0 && breaks >= 3) breaks = breaks % 2 == 1 ? 1 : 2;
  for (std::size_t b = 0; b < breaks; ++b) out.append(kCrLf<Char>, 2);
  breaks_ = 0;
}

// CR LF, a lone CR and a lone LF each count as one break.
template <typename Char>
inline void clsQuillmere::BasicSession<Char>::CountBreak(Char c) {
  if (c == '\n' && cr_pending_) {
    cr_pending_ = false;
  } else {
    ++breaks_;
    cr_pending_ = c == '\r';
  }
}

template <typename Char>
inline void clsQuillmere::BasicSession<Char>::PutChar(Char c, String& out) {
  cr_pending_ = false;
  if (breaks_) FlushBreaks(out);
  out.push_back(c);
}

// Settled text with no line break in it: the breaks before it go first.
template <typename Char>
inline void clsQuillmere::BasicSession<Char>::PutText(View text, String& out) {
  cr_pending_ = false;
  if (breaks_ - 1 < 2) {  // one or two: nothing to collapse
    out.append(kCrLfCrLf<Char>, 2 * breaks_);
    breaks_ = 0;
  } else if (breaks_) {
    FlushBreaks(out);
  }
  out.append(text);
}

// Post-processes the next stretch of what the scan keeps. Text that might
// begin an entity completed by what comes next is held back until then.
template <typename Char>
void clsQuillmere::BasicSession<Char>::Emit(View text, bool last, String& out) {
  if (held_.empty()) {
    const std::size_t done = Settle(text, last, out);
    if (done < text.size()) held_.assign(text.substr(done));
  } else {
    held_.append(text);
    held_.erase(0, Settle(held_, last, out));
  }
}

// Line breaks made CR LF (runs collapsed when ENTER is on) and the three
// entities decoded; returns how much of `text` was settled.
template <typename Char>
std::size_t clsQuillmere::BasicSession<Char>::Settle(View text, bool last, String& out) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const Char c = text[i];
    if (c == '\r' || c == '\n') {
      CountBreak(c);
      ++i;
    } else if (c != '&') {
      const std::size_t run = FindStop(text, i + 1);
      PutText(text.substr(i, run - i), out);
      i = run;
    } else {
      // The longest entity form is "&amp;lt;": wait for more text when
      // fewer characters are at hand.
      if (!last && n - i < 8) break;
      Char decoded;
      i += Entity(text, i, decoded);
      PutChar(decoded, out);
    }
  }
  return i;
}

// The two sessions, member by member: each has only its own constructor.
template clsQuillmere::BasicSession<char16_t>::BasicSession(const clsQuillmere&);
template void clsQuillmere::BasicSession<char16_t>::Feed(View, String&);
template void clsQuillmere::BasicSession<char16_t>::Finish(String&,
                                                           const std::function<void(String&)>&);
template clsQuillmere::BasicSession<char>::BasicSession(const clsQuillmere&, const ByteCodec&,
                                                        Overflow*);
template void clsQuillmere::BasicSession<char>::Feed(View, String&);
template void clsQuillmere::BasicSession<char>::Finish(String&,
                                                       const std::function<void(String&)>&);

std::u16string clsQuillmere::Execute(const std::u16string& inputText) const {
  std::u16string out;
  out.reserve(inputText.size() + inputText.size() / 8);
  Session session(*this);
  session.Feed(inputText, out);
  session.Finish(out);
  return out;
}
