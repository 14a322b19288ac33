#include "engine/readable_scan.h"

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "engine/character_references.h"
#include "engine/errors.h"
#include "engine/scan_helpers.h"

namespace engine {
namespace {

using namespace scan;

// The first character at or after `from` that the scan acts on: "<", "&",
// CR and LF, and with `spaces` also space, tab and form feed. Sixteen bytes
// (or units, as bytes) at a time where SSE2 is at hand.
template <typename Char>
std::size_t FindSpecial(std::basic_string_view<Char> text, std::size_t from, bool spaces) {
  const Char* p = text.data();
  const std::size_t n = text.size();
  std::size_t i = from;
#if defined(__SSE2__) || defined(_M_X64)
  auto equal = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
  for (; i + 16 <= n; i += 16) {
    const auto* at = reinterpret_cast<const __m128i*>(p + i);
    // UTF-16 units narrowed to bytes: those above 0xFF become 0xFF or 0.
    const __m128i v = sizeof(Char) == 1
                          ? _mm_loadu_si128(at)
                          : _mm_packus_epi16(_mm_loadu_si128(at), _mm_loadu_si128(at + 1));
    __m128i hits = _mm_or_si128(_mm_or_si128(equal(v, '<'), equal(v, '&')),
                                _mm_or_si128(equal(v, '\r'), equal(v, '\n')));
    if (spaces)
      hits = _mm_or_si128(
          hits, _mm_or_si128(_mm_or_si128(equal(v, ' '), equal(v, '\t')), equal(v, '\f')));
    if (const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits))) {
      const std::size_t k = i + static_cast<unsigned>(std::countr_zero(mask));
      if (sizeof(Char) == 1 || p[k] < 0x100) return k;  // a unit above 0xFF narrowed to 0
      i = k + 1 - 16;
    }
    if (sizeof(Char) != 1 && i + 16 > n) break;
  }
#endif
  for (; i < n; ++i) {
    const Char c = p[i];
    if (c == '<' || c == '&' || c == '\r' || c == '\n') return i;
    if (spaces && (c == ' ' || c == '\t' || c == '\f')) return i;
  }
  return n;
}

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

template <typename Char>
bool IsAsciiAlnum(Char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

template <typename Char>
bool IsTagSpace(Char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// A tag's name in lower case ("" for "<!..." and the like); `closing` for
// "</...". At most 16 characters are looked at.
template <typename Char>
std::string TagName(std::basic_string_view<Char> tag, bool& closing) {
  std::size_t k = 1;
  closing = tag.size() > 1 && tag[1] == '/';
  if (closing) ++k;
  std::string name;
  for (; k < tag.size() && name.size() < 16 && IsAsciiAlnum(tag[k]); ++k)
    name.push_back(static_cast<char>(tag[k] | (tag[k] >= 'A' && tag[k] <= 'Z' ? 0x20 : 0)));
  return name;
}

bool IsBlock(std::string_view name) {
  static constexpr std::string_view kBlocks[] = {
      "p",          "div",     "ul",       "ol",     "li",      "dl",     "dt",
      "dd",         "table",   "tr",       "pre",    "section", "nav",    "blockquote",
      "main",       "aside",   "article",  "header", "footer",  "figure", "form",
      "figcaption", "address", "fieldset", "title"};
  return std::find(std::begin(kBlocks), std::end(kBlocks), name) != std::end(kBlocks);
}

bool IsHeading(std::string_view name) {
  return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6';
}

constexpr std::size_t kTagHead = 16;
constexpr std::size_t kTagInMemory = 1 << 20;

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
  joined_.swap(held_);
  held_.clear();
  joined_.append(piece);
  const String joined = std::move(joined_);
  joined_.clear();
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
    Feed(View(tag).substr(0, kTagHead), out);
    if constexpr (sizeof(Char) == 1) {
      if (!overflow_->ReadAll([&](std::string_view bytes) {
            Feed(bytes, out);
            if (flush) flush(out);
            return true;
          }))
        throw OverflowUnreadable();
    }
    overflow_->Clear();
    Feed(View(tag).substr(kTagHead), out);
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

// Text up to the next thing the scan acts on goes straight out; a tag, a
// comment or a reference cut by the end of the piece waits for the next.
template <typename Char>
std::size_t ReadableScan<Char>::ScanText(View text, std::size_t i, bool last, String& out) {
  const std::size_t n = text.size();
  while (i < n) {
    const std::size_t j = FindSpecial(text, i, Collapsing());
    if (j > i) Visible(text.substr(i, j - i), out);
    if (j == n) return n;
    const Char c = text[j];
    if (c == '<' && no_more_tags_) {
      Visible(text.substr(j, 1), out);
      i = j + 1;
    } else if (c == '<') {
      if (options_.script) {
        // "<!--" begins a comment, which ends only at "-->" (or "--!>").
        static constexpr char kOpen[] = "<!--";
        std::size_t k = 1;
        while (k < 4 && j + k < n && text[j + k] == static_cast<Char>(kOpen[k])) ++k;
        if (k == 4) return StartComment(text, j + 4, last);
        if (j + k == n && !last) {
          held_.assign(text.substr(j));
          return n;
        }
      }
      const std::size_t gt = Find<'>'>(text, j + 1);
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
    } else if (c == '\r' || c == '\n') {
      if (Collapsing())
        Space();
      else
        SourceBreak(c);
      i = j + 1;
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
  NamedReferenceMatch match;
  std::size_t k = at + 1;
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

// Past its first MiB, a tag of a byte session goes on in the overflow.
template <typename Char>
void ReadableScan<Char>::GrowTag(View more) {
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
void ReadableScan<Char>::EndLongTag(String& out) {
  String whole;
  const View tag = tag_;
  if constexpr (sizeof(Char) == 1) {
    if (StartsUpper(tag, "<IM") || StartsUpper(tag, "<A ")) {
      whole.append(tag.substr(0, kTagHead));
      if (!overflow_->ReadAll([&](std::string_view bytes) { return whole.append(bytes), true; }))
        throw OverflowUnreadable();
      whole.append(tag.substr(kTagHead));
    } else {
      whole = tag_;
    }
    overflow_->Clear();
  }
  spilled_ = false;
  tag_.clear();
  EndTag(whole, out);
}

// A complete tag: first what the classic options make of it, then what the
// readable ones do.
template <typename Char>
void ReadableScan<Char>::EndTag(View tag, String& out) {
  const ScanOptions& o = options_;
  String& add = scratch_;
  add.clear();
  if (StartsUpper(tag, "<HR")) {
    if (o.hr) {
      if (o.dashes > 0) Literal(String(static_cast<std::size_t>(o.dashes), '-'), out);
      Break();
    }
  } else if (StartsUpper(tag, "<BR")) {
    if (o.br) Break();
  } else if (StartsUpper(tag, "</P")) {
    if (o.p) Break();
  } else if (StartsUpper(tag, "<IM")) {
    if (o.img) {
      // Alternative text and source, decoded as the attribute values they
      // are (no reference spans the ":" between them).
      String alt_src, picked;
      AppendImageText(tag, leads_, picked, alt_src);
      add.append(image_label_).append(Decode(alt_src)).push_back(']');
    }
  } else if (StartsUpper(tag, "<A ")) {
    OpenLink(tag, add);
  } else if (StartsUpper(tag, "</A")) {
    if (link_open_ && o.link_type == 0) AppendAscii(add, "</a>");
    if (link_open_ && o.link_type == 2) {
      add.push_back('(');
      add.append(Decode(url_));
      add.push_back(')');
    }
    url_.clear();
    link_open_ = false;
  }
  if (!add.empty()) {
    const String text = std::move(add);
    add.clear();
    Literal(text, out);
  }
  BlockTag(tag, out);
}

template <typename Char>
void ReadableScan<Char>::OpenLink(View tag, String& add) {
  const ScanOptions& o = options_;
  if (StartsUpper(tag, "<A NAME") && o.aname) return;
  if ((StartsUpper(tag, "<A HREF=\"#") || StartsUpper(tag, "<A HREF=#")) && o.ahref_sharp) return;
  if (!o.ahref) return;
  String scratch;
  url_.assign(LinkUrlOf(tag, leads_, scratch));
  link_open_ = true;
  if (o.link_type == 0) add.append(Decode(tag));
  if (o.link_type == 1) add.append(link_label_).append(Decode(url_)).push_back(']');
}

// What the readable options make of a tag by its name.
template <typename Char>
void ReadableScan<Char>::BlockTag(View tag, String& out) {
  bool closing = false;
  const std::string name = TagName(tag, closing);
  if (name.empty()) return;
  if (options_.script && !closing && (name == "script" || name == "style" || name == "template")) {
    state_ = State::kRawText;
    raw_name_ = name;
  }
  if (name == "pre" || name == "textarea") {
    if (!closing && pre_depth_ < 1000) ++pre_depth_;
    if (closing && pre_depth_ > 0) --pre_depth_;
  }
  if (!options_.block) return;
  if (IsHeading(name)) {
    Lines(2);
  } else if (name == "ul" || name == "ol") {
    Lines(1);
    if (!closing) ++list_depth_;
    if (closing && list_depth_ > 0) --list_depth_;
  } else if (name == "li") {
    Lines(1);
    if (closing) return;
    // "・", after two spaces for each list the item's list is in; the item's
    // text follows it as at the start of a line.
    const std::size_t indent =
        2 * static_cast<std::size_t>(std::min(std::max(list_depth_ - 1, 0), 16));
    Separate(String(indent, Char(' ')) + bullet_, out);
  } else if (name == "td" || name == "th") {
    if (closing) return;
    if (cells_.empty()) cells_.push_back(0);
    if (cells_.back()++ > 0) Separate(String(1, Char('\t')), out);
  } else if (name == "table") {
    Lines(1);
    if (!closing && cells_.size() < 64) cells_.push_back(0);
    if (closing && !cells_.empty()) cells_.pop_back();
  } else if (name == "tr") {
    Lines(1);
    if (!closing && !cells_.empty()) cells_.back() = 0;
  } else if (IsBlock(name)) {
    Lines(1);
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
void ReadableScan<Char>::Visible(View run, String& out) {
  if (run.empty()) return;
  FlushLines(out);
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
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t j = i;
    while (j < text.size() && text[j] != '\r' && text[j] != '\n' &&
           !(Collapsing() && (text[j] == ' ' || text[j] == '\t' || text[j] == '\f')))
      ++j;
    if (j > i) Visible(text.substr(i, j - i), out);
    if (j == text.size()) break;
    if (text[j] == '\r' || text[j] == '\n') {
      if (Collapsing())
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
    return Literal(View(&c, 1), out);
  }
  scratch_.clear();
  AppendDecoded(code_point, scratch_);
  Visible(scratch_, out);
}

template <typename Char>
void ReadableScan<Char>::Space() {
  if (line_has_text_ && breaks_ == 0 && lines_ == 0) pending_space_ = true;
}

// CR LF, a lone CR and a lone LF each count as one break.
template <typename Char>
void ReadableScan<Char>::SourceBreak(Char c) {
  pending_space_ = false;
  if (c == '\n' && cr_pending_) {
    cr_pending_ = false;
  } else {
    ++breaks_;
    cr_pending_ = c == '\r';
  }
}

template <typename Char>
void ReadableScan<Char>::Break() {
  SourceBreak('\r');
  SourceBreak('\n');
}

// At least `count` line breaks before the next text (none before the first).
template <typename Char>
void ReadableScan<Char>::Lines(int count) {
  pending_space_ = false;
  if (any_text_) lines_ = std::max(lines_, count);
}

template <typename Char>
void ReadableScan<Char>::FlushLines(String& out) {
  std::size_t breaks = std::max(breaks_, static_cast<std::size_t>(lines_));
  // Replacing three breaks by one until none are left keeps a run's parity.
  if (options_.enter && breaks >= 3) breaks = breaks % 2 == 1 ? 1 : 2;
  for (std::size_t b = 0; b < breaks; ++b) {
    out.push_back('\r');
    out.push_back('\n');
  }
  if (breaks > 0) line_has_text_ = false;
  breaks_ = 0;
  lines_ = 0;
  cr_pending_ = false;
}

// An attribute's value, decoded: every reference as HTML decodes attribute
// values with ENTITY, else the classic three.
template <typename Char>
typename ReadableScan<Char>::String ReadableScan<Char>::Decode(View value) const {
  String decoded;
  std::size_t i = 0;
  while (i < value.size()) {
    const std::size_t amp = value.find(Char('&'), i);
    decoded.append(value.substr(i, (amp == View::npos ? value.size() : amp) - i));
    if (amp == View::npos) break;
    const Reference r = ReadReference(value, amp, true, true);
    if (r.first == 0) {
      decoded.push_back('&');
    } else {
      AppendDecoded(r.first, decoded);
      if (r.second) AppendDecoded(r.second, decoded);
    }
    i = amp + r.length;
  }
  return decoded;
}

// A decoded character in the output's form: UTF-16, or the codec's bytes.
template <typename Char>
void ReadableScan<Char>::AppendDecoded(char32_t code_point, String& to) const {
  if (code_point == 0xA0 && !nbsp_.empty()) {
    to.append(nbsp_);
    return;
  }
  std::u16string units;
  if (code_point >= 0x10000) {
    units.push_back(static_cast<char16_t>(0xD800 + ((code_point - 0x10000) >> 10)));
    units.push_back(static_cast<char16_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF)));
  } else {
    units.push_back(static_cast<char16_t>(code_point));
  }
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
