#include "engine/readable_scan.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "engine/character_references.h"
#include "engine/errors.h"
#include "engine/long_tag.h"
#include "engine/scan_helpers.h"
#include "platform/codepage.h"

namespace engine {
namespace {

using namespace scan;

template <typename Char>
unsigned Unit(Char c) {
  return static_cast<std::make_unsigned_t<Char>>(c);
}

// The spaces of Unicode's class Zs other than U+0020: a reference to one
// that the output cannot hold gives a plain space.
bool IsOtherSpace(char32_t c) {
  return c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

// Neither space nor the start of mark-up or a reference.
template <typename Char>
bool IsPlain(Char c) {
  return c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '<' && c != '&';
}

// Whether "<" and `c` begin mark-up, as HTML's tokenizer reads them.
template <typename Char>
bool BeginsTag(Char c) {
  return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '/' || c == '!' || c == '?';
}

template <typename Char>
bool IsAsciiAlnum(Char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

template <typename Char>
bool IsTagSpace(Char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// What the readable options make of an element, by its name.
enum class Element : std::uint8_t {
  kOther,
  kRaw,       // script, style, template: their text is raw, to their end tag
  kTextarea,  // its text stays as written
  kPre,       // the same, and a block
  kBlock,
  kHeading,
  kList,
  kItem,
  kCell,
  kRow,
  kTable,
};

// A name of up to ten characters as a number: its length, and its first
// seven characters in lower case (the longer names differ in them).
constexpr std::uint64_t NameKey(std::string_view name) {
  std::uint64_t key = static_cast<std::uint64_t>(name.size()) << 56;
  for (std::size_t k = 0; k < name.size() && k < 7; ++k)
    key |= static_cast<std::uint64_t>(static_cast<unsigned char>(name[k])) << (8 * k);
  return key;
}

struct ElementName {
  std::string_view name;
  Element element;
};

Element ElementOf(std::uint64_t key, std::string_view name) {
  static constexpr ElementName kLong[] = {{"fieldset", Element::kBlock},
                                          {"template", Element::kRaw},
                                          {"textarea", Element::kTextarea},
                                          {"blockquote", Element::kBlock},
                                          {"figcaption", Element::kBlock}};
  switch (key) {
    case NameKey("script"):
    case NameKey("style"):
      return Element::kRaw;
    case NameKey("pre"):
      return Element::kPre;
    case NameKey("h1"):
    case NameKey("h2"):
    case NameKey("h3"):
    case NameKey("h4"):
    case NameKey("h5"):
    case NameKey("h6"):
      return Element::kHeading;
    case NameKey("ul"):
    case NameKey("ol"):
      return Element::kList;
    case NameKey("li"):
      return Element::kItem;
    case NameKey("td"):
    case NameKey("th"):
      return Element::kCell;
    case NameKey("tr"):
      return Element::kRow;
    case NameKey("table"):
      return Element::kTable;
    case NameKey("p"):
    case NameKey("div"):
    case NameKey("dl"):
    case NameKey("dt"):
    case NameKey("dd"):
    case NameKey("section"):
    case NameKey("nav"):
    case NameKey("main"):
    case NameKey("aside"):
    case NameKey("article"):
    case NameKey("header"):
    case NameKey("footer"):
    case NameKey("figure"):
    case NameKey("form"):
    case NameKey("address"):
    case NameKey("title"):
      return Element::kBlock;
    default:
      break;
  }
  if (name.size() < 8) return Element::kOther;
  for (const ElementName& e : kLong)
    if (e.name == name) return e.element;
  return Element::kOther;
}

// ASCII letters and digits, letters in lower case; 0 for any other byte.
constexpr std::array<char, 128> kNameChars = [] {
  std::array<char, 128> t{};
  for (int c = 0; c < 128; ++c)
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')) t[c] = static_cast<char>(c);
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<char>(c | 0x20);
  return t;
}();

// The element a tag opens or closes (`closing` for "</..."), by its name in
// either case; a raw-text element's name goes to `raw_name`.
template <typename Char>
Element ElementOfTag(std::basic_string_view<Char> tag, bool& closing, std::string& raw_name) {
  std::size_t k = 1;
  closing = tag.size() > 1 && tag[1] == '/';
  if (closing) ++k;
  const std::size_t start = k;
  std::uint64_t key = 0;
  for (; k < tag.size() && Unit(tag[k]) < 0x80; ++k) {
    const char c = kNameChars[Unit(tag[k])];
    if (c == 0) break;
    if (k - start < 7)
      key |= static_cast<std::uint64_t>(static_cast<unsigned char>(c)) << (8 * (k - start));
  }
  const std::size_t size = k - start;
  if (size == 0 || size > 10) return Element::kOther;
  char lower[10];
  if (size > 7)
    for (std::size_t b = 0; b < size; ++b) lower[b] = kNameChars[Unit(tag[start + b])];
  const Element element =
      ElementOf(key | static_cast<std::uint64_t>(size) << 56, std::string_view(lower, size));
  if (element == Element::kRaw) {
    raw_name.resize(size);
    for (std::size_t b = 0; b < size; ++b) raw_name[b] = kNameChars[Unit(tag[start + b])];
  }
  return element;
}

constexpr int kMostDepth = 1000;          // of pre and list elements counted
constexpr std::size_t kLongestName = 32;  // of a named reference, without ";"
constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15u;

// Eight bytes as the number whose lowest byte came first (one load, where
// the machine is little-endian).
inline std::uint64_t Load8(const char* p) {
  std::uint64_t x;
  std::memcpy(&x, p, 8);
  if constexpr (std::endian::native == std::endian::big) {
    std::uint64_t swapped = 0;
    for (int b = 0; b < 8; ++b) swapped = swapped << 8 | ((x >> (8 * b)) & 0xFF);
    x = swapped;
  }
  return x;
}

}  // namespace

template <typename Char>
ReadableScan<Char>::ReadableScan(const ScanOptions& options, const clsQuillmere::ByteCodec* codec,
                                 clsQuillmere::Overflow* overflow,
                                 const std::array<bool, 256>* leads, String image_label,
                                 String link_label)
    : options_(options),
      codec_(codec),
      overflow_(overflow),
      leads_(leads),
      image_label_(std::move(image_label)),
      link_label_(std::move(link_label)) {
  String nbsp;
  AppendDecoded(0xA0, nbsp);
  nbsp_ = std::move(nbsp);
  AppendDecoded(0x30FB, bullet_);  // "・"
}

template <typename Char>
void ReadableScan<Char>::Feed(View piece, String& out) {
  if (held_.empty()) return Process(piece, false, out);
  String joined = std::move(held_);
  held_.clear();
  joined.append(piece);
  Process(joined, false, out);
}

template <typename Char>
void ReadableScan<Char>::Finish(String& out, const std::function<void(String&)>& flush) {
  for (;;) {
    const String rest = std::move(held_);
    held_.clear();
    Process(rest, true, out);
    if (state_ != State::kTag) break;
    // A "<" that no ">" follows opens no tag: it and the rest are text, to
    // be read again with no tag in it.
    no_more_tags_ = true;
    state_ = State::kText;
    const String tag = std::move(tag_);
    tag_.clear();
    if (!spilled_) {
      Feed(tag, out);
      continue;
    }
    spilled_ = false;
    if constexpr (sizeof(Char) == 1) {
      long_tag::Replay(
          tag, *overflow_, [&](View text) { Feed(text, out); },
          [&] {
            if (flush) flush(out);
          });
    }
  }
  // A comment or raw text that never ends is dropped to the end. The last
  // line breaks stay; what the blocks asked for does not.
  state_ = State::kText;
  lines_ = 0;
  FlushLines(out);
}

template <typename Char>
void ReadableScan<Char>::Process(View text, bool last, String& out) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    switch (state_) {
      case State::kText:
        i = ScanText(text, i, last, out);
        break;
      case State::kComment:
        i = SkipComment(text, i);
        break;
      case State::kRawText:
        i = SkipRawText(text, i, last);
        break;
      case State::kTag: {
        const std::size_t gt = Find<'>'>(text, i);
        if (gt == text.npos) {
          GrowTag(text.substr(i));
          return;
        }
        tag_.append(text.substr(i, gt + 1 - i));
        i = gt + 1;
        state_ = State::kText;
        if (spilled_) {
          EndLongTag(out);
        } else {
          const String tag = std::move(tag_);
          tag_.clear();
          EndTag(tag, out);
        }
        break;
      }
    }
  }
}

// The places to act on among the 64 characters from `at`; spaces only where
// the option SPACE may collapse them.
template <typename Char>
QUILLMERE_INLINE StopBits ReadableScan<Char>::Mark(View text, std::size_t at) const {
  return options_.space ? FindStops<true>(text.data(), at, text.size())
                        : FindStops<false>(text.data(), at, text.size());
}

// The first place at or after `from` that the scan acts on, from the marks
// of the 64 characters at hand or of those that follow: where the spaces
// are collapsed, spaces too.
template <typename Char>
QUILLMERE_INLINE std::size_t ReadableScan<Char>::NextMark(View text, std::size_t from,
                                                          Marks& marks) const {
  const std::size_t n = text.size();
  for (;;) {
    if (from >= n) return n;
    if (from - marks.base >= 64) {
      marks.base = from;
      marks.found = Mark(text, from);
    }
    const std::uint64_t bits = (marks.found.stops | (Collapsing() ? marks.found.spaces : 0)) &
                               ~std::uint64_t(0) << (from - marks.base);
    if (bits != 0) return marks.base + static_cast<std::size_t>(std::countr_zero(bits));
    from = marks.base + 64;
  }
}

// Text up to the next thing the scan acts on goes straight out; a tag, a
// comment or a reference cut by the end of the piece waits for the next.
// The places to act on are marked 64 characters at a time and visited in
// order; a tag is passed over at once to its ">".
template <typename Char>
std::size_t ReadableScan<Char>::ScanText(View text, std::size_t i, bool last, String& out) {
  const Char* p = text.data();
  const std::size_t n = text.size();
  Marks marks{i, Mark(text, i)};
  while (i < n) {
    // A lone space between characters of text is not marked: it stays as
    // it is.
    const std::size_t j = NextMark(text, i, marks);
    if (j > i) Visible(text.substr(i, j - i), out);
    if (j == n) return n;
    const Char c = p[j];
    if (c == '<' && no_more_tags_) {
      i = j + 1;
      while (i < n && p[i] == '<') ++i;
      Visible(text.substr(j, i - j), out);
    } else if (c == '<') {
      if (options_.script) {
        // As HTML reads mark-up: "<" begins a tag only before a letter,
        // "/", "!" or "?" ("1 < 2" is text), and "<!--" begins a comment,
        // which ends only at "-->" (or "--!>").
        static constexpr char kOpen[] = "<!--";
        std::size_t k = 1;
        while (k < 4 && j + k < n && p[j + k] == static_cast<Char>(kOpen[k])) ++k;
        if (k == 4) return StartComment(text, j + 4, last);
        if (j + k == n && !last) {
          held_.assign(text.substr(j));
          return n;
        }
        if (j + 1 == n || !BeginsTag(p[j + 1])) {
          Visible(text.substr(j, 1), out);
          i = j + 1;
          continue;
        }
      }
      // The ">" from the marks when it is among them.
      const std::uint64_t ends = marks.found.ends & ~std::uint64_t(1) << (j - marks.base);
      const std::size_t gt = ends != 0
                                 ? marks.base + static_cast<std::size_t>(std::countr_zero(ends))
                                 : Find<'>'>(text, std::min(marks.base + 64, n));
      if (gt == text.npos) {
        state_ = State::kTag;
        GrowTag(text.substr(j));
        return n;
      }
      EndTag(text.substr(j, gt + 1 - j), out);
      i = gt + 1;
      if (state_ != State::kText) return i;
    } else if (c == '&') {
      const Reference r = ReadReference(text, j, last, false);
      if (r.length == 0) {
        held_ = HoldForm(text.substr(j));
        return n;
      }
      if (r.first == 0) {
        Visible(text.substr(j, 1), out);
      } else {
        Decoded(r.first, out);
        if (r.second) Decoded(r.second, out);
      }
      i = j + r.length;
      // A space the reference gave and a lone space after it (not marked:
      // "&#32 x" has no ";") are one.
      if (pending_space_ && i < n && p[i] == ' ') ++i;
    } else if (c == '\r' || c == '\n') {
      const bool pair = c == '\r' && j + 1 < n && p[j + 1] == '\n';  // CR LF, at once
      if (Collapsing()) {
        Space();
      } else {
        SourceBreak(c);
        if (pair) SourceBreak('\n');
      }
      i = j + (pair ? 2 : 1);
    } else {  // space, tab, form feed, to be collapsed
      Space();
      i = j + 1;
    }
  }
  return n;
}

// After "<!--": the comment ends at once at ">" or "->" (as HTML's tokenizer
// ends "<!-->" and "<!--->"), else at the first "-->" or "--!>".
template <typename Char>
std::size_t ReadableScan<Char>::StartComment(View text, std::size_t at, bool last) {
  const std::size_t n = text.size();
  if (!last && (at == n || (at + 1 == n && text[at] == '-'))) {
    held_.assign(text.substr(at - 4));
    return n;
  }
  if (at < n && text[at] == '>') return at + 1;
  if (at + 1 < n && text[at] == '-' && text[at + 1] == '>') return at + 2;
  state_ = State::kComment;
  comment_tail_.clear();
  return at;
}

template <typename Char>
std::size_t ReadableScan<Char>::SkipComment(View text, std::size_t i) {
  const std::size_t n = text.size();
  // The characters before each ">" tell whether it ends the comment; those
  // at the end of the piece are kept for the next.
  auto remember = [&](std::size_t from, std::size_t to) {
    for (std::size_t k = from; k < to; ++k) {
      const Char c = text[k];
      comment_tail_.push_back(c == '-' || c == '!' ? static_cast<char>(c) : 'x');
      if (comment_tail_.size() > 3) comment_tail_.erase(0, 1);
    }
  };
  for (;;) {
    const std::size_t gt = Find<'>'>(text, i);
    if (gt == text.npos) {
      remember(std::max(i, n > 3 ? n - 3 : 0), n);
      return n;
    }
    remember(std::max(i, gt > 3 ? gt - 3 : 0), gt);
    const std::string_view before = comment_tail_;
    if (before.ends_with("--") || before.ends_with("--!")) {
      state_ = State::kText;
      return gt + 1;
    }
    comment_tail_ = "x";
    i = gt + 1;
  }
}

// The contents of script, style and template end only at "</" and the
// element's own name, followed by a space, "/" or ">".
template <typename Char>
std::size_t ReadableScan<Char>::SkipRawText(View text, std::size_t i, bool last) {
  const std::size_t n = text.size();
  const std::size_t need = 2 + raw_name_.size() + 1;
  for (;;) {
    const std::size_t lt = Find<'<'>(text, i);
    if (lt == text.npos) return n;
    if (n - lt < need) {
      if (last) return n;
      held_.assign(text.substr(lt));
      return n;
    }
    bool match = text[lt + 1] == '/';
    for (std::size_t k = 0; match && k < raw_name_.size(); ++k)
      match = (text[lt + 2 + k] | 0x20) == static_cast<Char>(raw_name_[k]);
    const Char after = text[lt + 2 + raw_name_.size()];
    if (match && (IsTagSpace(after) || after == '/' || after == '>')) {
      state_ = State::kText;  // the end tag itself is a tag like any other
      return lt;
    }
    i = lt + 1;
  }
}

template <typename Char>
typename ReadableScan<Char>::Reference ReadableScan<Char>::ReadReference(View text, std::size_t at,
                                                                         bool complete,
                                                                         bool attribute) const {
  const std::size_t n = text.size();
  Reference none;  // the "&" alone
  if (!options_.entity) {
    // The classic three: "&amp;" (and "&amp;lt;", "&amp;gt;"), "&lt;", "&gt;".
    if (!complete && n - at < 8 && !EntitySettled(text, at)) return {0, 0, 0};
    Char decoded;
    const std::size_t length = Entity(text, at, decoded);
    if (length == 1) return none;
    return {length, static_cast<char32_t>(decoded), 0};
  }
  if (at + 1 == n) return complete ? none : Reference{0, 0, 0};
  if (text[at + 1] == '#') {
    std::size_t k = at + 2;
    const bool hex = k < n && (text[k] == 'x' || text[k] == 'X');
    if (hex) ++k;
    std::uint32_t value = 0;
    const std::size_t first_digit = k;
    for (; k < n; ++k) {
      const Char c = text[k];
      int digit = -1;
      if (c >= '0' && c <= '9') digit = c - '0';
      if (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f') digit = (c | 0x20) - 'a' + 10;
      if (digit < 0) break;
      value =
          std::min<std::uint32_t>(value * (hex ? 16 : 10) + static_cast<unsigned>(digit), 0x110000);
    }
    if (k == n && !complete) return {0, 0, 0};
    if (k == first_digit) return none;  // "&#" with no digits is text
    if (k < n && text[k] == ';') ++k;
    return {k - at, NumericReference(value), 0};
  }
  // Most references are a name and ";", looked up whole; the matcher finds
  // the rest (a legacy name without ";", or a name that ends before ";").
  // A name of up to seven characters and its ";" is packed into a number,
  // a byte each from the lowest; those that came lately are remembered, and
  // in code page bytes found again from eight bytes read at once.
  auto slot = [](std::uint64_t key) { return static_cast<std::size_t>((key * kGolden) >> 59); };
  if constexpr (sizeof(Char) == 1) {
    if (n - at > 8) {
      const std::uint64_t x = Load8(text.data() + at + 1);
      const std::uint64_t t = x ^ 0x3B3B3B3B3B3B3B3Bull;  // ";" bytes become 0
      const std::uint64_t zero = (t - 0x0101010101010101ull) & ~t & 0x8080808080808080ull;
      if (zero != 0) {
        const std::size_t bytes = static_cast<std::size_t>(std::countr_zero(zero)) / 8 + 1;
        const std::uint64_t key = bytes == 8 ? x : x & ((std::uint64_t(1) << (8 * bytes)) - 1);
        const RecentName& recent = recent_[slot(key)];
        if (recent.key == key) return {bytes + 1, recent.first, recent.second};
      }
    }
  }
  // Else the name is looked up whole when a ";" ends it; the matcher finds
  // the rest (a legacy name without ";", or a name that ends before ";").
  char name[kLongestName + 2];
  std::size_t k = at + 1;
  for (; k < n && k - at <= kLongestName && IsAsciiAlnum(text[k]); ++k)
    name[k - at - 1] = static_cast<char>(text[k]);
  if (k < n && k > at + 1 && text[k] == ';') {
    const std::size_t size = k - at - 1;
    name[size] = ';';
    if (const NamedReference* r = FindNamedReference(std::string_view(name, size + 1))) {
      if (size < 8) {
        std::uint64_t key = 0;
        for (std::size_t b = 0; b <= size; ++b)
          key |= static_cast<std::uint64_t>(static_cast<unsigned char>(name[b])) << (8 * b);
        recent_[slot(key)] = {key, r->first, r->second};
      }
      return {size + 2, r->first, r->second};
    }
  }
  NamedReferenceMatch match;
  k = at + 1;
  while (k < n && Unit(text[k]) < 0x80 && match.Next(static_cast<char>(text[k]))) ++k;
  const NamedReference* best = match.best();
  // Every name ends at its ";": one that matched so far decides at once.
  const bool decided = best && best->name.back() == ';' && best->name.size() == k - at - 1;
  if (k == n && !complete && !decided) return {0, 0, 0};
  if (!best) return none;
  const std::size_t end = at + 1 + best->name.size();
  // In an attribute, a name without ";" before "=" or a letter or digit is
  // left as written.
  if (attribute && best->name.back() != ';' && end < n &&
      (text[end] == '=' || IsAsciiAlnum(text[end])))
    return none;
  return {end - at, best->first, best->second};
}

// A reference held over to the next piece: as written, but for the digits
// of a numeric one, which are kept to as many as tell its value.
template <typename Char>
typename ReadableScan<Char>::String ReadableScan<Char>::HoldForm(View reference) const {
  if (reference.size() < 3 || reference[1] != '#') return String(reference);
  const std::size_t digits =
      reference.size() > 2 && (reference[2] == 'x' || reference[2] == 'X') ? 3 : 2;
  View value = reference.substr(digits);
  while (value.size() > 1 && value[0] == '0') value.remove_prefix(1);
  String held(reference.substr(0, digits));
  // Past eight digits the value is past U+10FFFF in either base.
  if (value.size() > 8) value = value.substr(0, 8);
  held.append(value);
  return held;
}

template <typename Char>
void ReadableScan<Char>::GrowTag(View more) {
  if (long_tag::Grow(tag_, more, overflow_)) spilled_ = true;
}

template <typename Char>
void ReadableScan<Char>::EndLongTag(String& out) {
  spilled_ = false;
  if constexpr (sizeof(Char) == 1) {
    const std::string whole = long_tag::Join(tag_, *overflow_);
    tag_.clear();
    EndTag(whole, out);
  } else {
    (void)out;
  }
}

// A complete tag: first what the classic options make of it, then what the
// readable ones do.
template <typename Char>
void ReadableScan<Char>::EndTag(View tag, String& out) {
  const ScanOptions& o = options_;
  String& add = added_;
  add.clear();
  // Each case looks at the name again: the case bit also maps 0x0F to "/".
  switch (tag.size() > 1 ? tag[1] | 0x20 : 0) {
    case 'h':
      if (StartsUpper(tag, "<HR") && o.hr) {
        add.assign(static_cast<std::size_t>(o.dashes), '-');
        Visible(add, out);
        add.clear();
        Break();
      }
      break;
    case 'b':
      if (StartsUpper(tag, "<BR") && o.br) Break();
      break;
    case '/':
      if (StartsUpper(tag, "</P")) {
        if (o.p) Break();
      } else if (StartsUpper(tag, "</A")) {
        if (link_open_ && o.link_type == 0) AppendAscii(add, "</a>");
        if (link_open_ && o.link_type == 2) {
          add.push_back('(');
          AppendValue(url_, add);
          add.push_back(')');
        }
        url_.clear();
        link_open_ = false;
      }
      break;
    case 'i':
      if (StartsUpper(tag, "<IM") && o.img) {
        // Alternative text and source, decoded as the attribute values they
        // are (no reference spans the ":" between them).
        value_.clear();
        AppendImageText(tag, leads_, picked_, value_);
        add.append(image_label_);
        AppendValue(value_, add);
        add.push_back(']');
      }
      break;
    case 'a':
      if (StartsUpper(tag, "<A ")) OpenLink(tag, add);
      break;
    default:
      break;
  }
  if (!add.empty()) Literal(add, out);
  BlockTag(tag, out);
}

template <typename Char>
void ReadableScan<Char>::OpenLink(View tag, String& add) {
  const ScanOptions& o = options_;
  if (!OpensLink(tag, o.aname, o.ahref_sharp, o.ahref)) return;
  url_.assign(LinkUrlOf(tag, leads_, picked_));
  link_open_ = true;
  if (o.link_type == 0) AppendValue(tag, add);
  if (o.link_type == 1) {
    add.append(link_label_);
    AppendValue(url_, add);
    add.push_back(']');
  }
}

// What the readable options make of a tag by its name.
template <typename Char>
void ReadableScan<Char>::BlockTag(View tag, String& out) {
  bool closing = false;
  const Element element = ElementOfTag(tag, closing, raw_name_);
  switch (element) {
    case Element::kOther:
      return;
    case Element::kRaw:
      if (options_.script && !closing) state_ = State::kRawText;
      return;
    case Element::kPre:
    case Element::kTextarea:
      if (!closing && pre_depth_ < kMostDepth) ++pre_depth_;
      if (closing && pre_depth_ > 0) --pre_depth_;
      if (element == Element::kPre && options_.block) Lines(1);
      return;
    default:
      break;
  }
  if (!options_.block) return;
  switch (element) {
    case Element::kHeading:
      Lines(2);
      break;
    case Element::kList:
      Lines(1);
      if (!closing && list_depth_ < kMostDepth) ++list_depth_;
      if (closing && list_depth_ > 0) --list_depth_;
      break;
    case Element::kItem: {
      Lines(1);
      if (closing) break;
      // "・", after two spaces for each list the item's list is in; the
      // item's text follows it as at the start of a line.
      const std::size_t indent =
          2 * static_cast<std::size_t>(std::min(std::max(list_depth_ - 1, 0), 16));
      Separate(String(indent, Char(' ')) + bullet_, out);
      break;
    }
    case Element::kCell:
      if (closing) break;
      if (cells_.empty()) cells_.push_back(0);
      if (cells_.back()++ > 0) Separate(String(1, Char('\t')), out);
      break;
    case Element::kTable:
      Lines(1);
      if (!closing && cells_.size() < 64) cells_.push_back(0);
      if (closing && !cells_.empty()) cells_.pop_back();
      break;
    case Element::kRow:
      Lines(1);
      if (!closing && !cells_.empty()) cells_.back() = 0;
      break;
    default:
      Lines(1);
      break;
  }
}

// What the blocks put between texts (a list item's mark, a cell's tab): no
// space before it, and none after it until more text comes.
template <typename Char>
void ReadableScan<Char>::Separate(View mark, String& out) {
  pending_space_ = false;
  Visible(mark, out);
  line_has_text_ = false;
}

template <typename Char>
QUILLMERE_INLINE void ReadableScan<Char>::Visible(View run, String& out) {
  if (run.empty()) return;
  if (breaks_ != 0 || lines_ != 0) FlushLines(out);
  if (pending_space_) {
    out.push_back(' ');
    pending_space_ = false;
  }
  out.append(run);
  line_has_text_ = true;
  any_text_ = true;
}

// Text the conversion puts in (labels, values, a tag shown as written):
// spaces and line breaks as in the page's own text, nothing else special.
template <typename Char>
void ReadableScan<Char>::Literal(View text, String& out) {
  const bool collapsing = Collapsing();
  auto special = [collapsing](Char c) {
    return c == '\r' || c == '\n' || (collapsing && (c == ' ' || c == '\t' || c == '\f'));
  };
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t j = i;
    while (j < text.size() && !special(text[j])) ++j;
    if (j > i) Visible(text.substr(i, j - i), out);
    if (j == text.size()) break;
    if (text[j] == '\r' || text[j] == '\n') {
      if (collapsing)
        Space();
      else
        SourceBreak(text[j]);
    } else {
      Space();
    }
    i = j + 1;
  }
}

// A decoded reference is a character of the text: spaces and line breaks
// among them count as such.
template <typename Char>
void ReadableScan<Char>::Decoded(char32_t code_point, String& out) {
  if (code_point < 0x80) {
    const Char c = static_cast<Char>(code_point);
    if (IsPlain(c) || c == '<' || c == '&') return Visible(View(&c, 1), out);
    return Literal(View(&c, 1), out);  // a space or a line break
  }
  if (code_point == 0xA0) return Visible(nbsp_, out);
  scratch_.clear();
  AppendDecoded(code_point, scratch_);
  Visible(scratch_, out);
}

template <typename Char>
QUILLMERE_INLINE void ReadableScan<Char>::Space() {
  if (line_has_text_ && breaks_ == 0 && lines_ == 0) pending_space_ = true;
}

template <typename Char>
QUILLMERE_INLINE void ReadableScan<Char>::SourceBreak(Char c) {
  pending_space_ = false;
  scan::CountBreak(c, breaks_, cr_pending_);
}

template <typename Char>
QUILLMERE_INLINE void ReadableScan<Char>::Break() {
  SourceBreak('\r');
  SourceBreak('\n');
}

// At least `count` line breaks before the next text (none before the first).
template <typename Char>
QUILLMERE_INLINE void ReadableScan<Char>::Lines(int count) {
  pending_space_ = false;
  if (any_text_) lines_ = std::max(lines_, count);
}

template <typename Char>
void ReadableScan<Char>::FlushLines(String& out) {
  std::size_t breaks = std::max(breaks_, static_cast<std::size_t>(lines_));
  // Replacing three breaks by one until none are left keeps a run's parity.
  if (options_.enter && breaks >= 3) breaks = breaks % 2 == 1 ? 1 : 2;
  for (std::size_t b = 0; b < breaks; ++b) out.append(kCrLf<Char>, 2);
  if (breaks > 0) line_has_text_ = false;
  breaks_ = 0;
  lines_ = 0;
  cr_pending_ = false;
}

// An attribute's value, decoded, appended to `to`: every reference as HTML
// decodes attribute values with ENTITY, else the classic three.
template <typename Char>
void ReadableScan<Char>::AppendValue(View value, String& to) const {
  std::size_t i = 0;
  while (i < value.size()) {
    const std::size_t amp = value.find(Char('&'), i);
    to.append(value.substr(i, (amp == View::npos ? value.size() : amp) - i));
    if (amp == View::npos) break;
    const Reference r = ReadReference(value, amp, true, true);
    if (r.first == 0) {
      to.push_back('&');
    } else {
      AppendDecoded(r.first, to);
      if (r.second) AppendDecoded(r.second, to);
    }
    i = amp + r.length;
  }
}

// A decoded character in the output's form: UTF-16, or the codec's bytes.
template <typename Char>
void ReadableScan<Char>::AppendDecoded(char32_t code_point, String& to) const {
  if (code_point == 0xA0 && !nbsp_.empty()) {
    to.append(nbsp_);
    return;
  }
  const std::u16string units = platform::Utf16Of(code_point);
  if constexpr (sizeof(Char) == 1) {
    if (IsOtherSpace(code_point) && !codec_->Holds(code_point))
      to.push_back(' ');
    else
      to.append(codec_->Encode(units));
  } else {
    to.append(units);
  }
}

template class ReadableScan<char>;
template class ReadableScan<char16_t>;

}  // namespace engine
