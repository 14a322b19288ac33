// A streaming HTML tokenizer: fed piece by piece, it hands its sink runs of
// text, line breaks, spaces, decoded references and complete tags with their
// names and the attributes the sink keeps (their values as written, for it
// to decode as HTML decodes attribute values), and holds no more than a
// construct a piece's end cuts (a reference, the start of mark-up of a few
// characters) and the tag under way.
//
// It reads mark-up as the HTML standard's "Tokenization" section does:
// attribute values in double, single or no quotes (a ">" inside quotes does
// not end the tag), comments, DOCTYPEs and bogus comments, RCDATA, RAWTEXT,
// script data with its escaped and double-escaped states, PLAINTEXT, and
// CDATA sections where the sink says foreign content is open; at the end of
// the input a tag, comment or declaration under way is dropped. What follows
// a start tag is the sink's to say, as HTML's tree builder says it.
//
// Or, when told to, in the classic way: every "<"
// begins a tag that the first ">" ends, and a "<" that no ">" follows is text.
//
// The sink is a class with these members, called with the tokenizer's
// characters (UTF-16 units, or bytes of the session's encoding):
//   void Text(View run);                // characters; no CR or LF, and no
//                                       // space the sink collapses
//   void Whitespace(Char c);            // a space, tab, form feed or line
//                                       // break while the sink collapses
//   void LineBreak(Char c);             // CR or LF (CR LF: two calls)
//   void Reference(char32_t first, char32_t second);  // a decoded reference
//   html::Content Tag(const HtmlTag<Char>& tag);      // what follows it
//   bool CollapsesSpaces() const;      // asked again after each tag
//   bool Showing() const;               // whether raw text is wanted at all
//   bool Foreign() const;               // whether CDATA sections are text
//   bool KeepsAttribute(const HtmlTag<Char>& tag, std::uint64_t name_key) const;
//   bool KeepsRaw(const HtmlTag<Char>& tag) const;   // the tag as written
//   static constexpr bool kWantsNames;  // tag and attribute names as text,
//                                       // not only their keys
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "html/elements.h"
#include "html/reference_reader.h"
#include "text/byte_codec.h"
#include "text/long_tag.h"
#include "text/scan.h"

namespace engine {

// What is kept of a tag, and of its attributes, in memory: names past
// kLongestName characters and values past kLongestValue are cut (a name's
// key is still that of the whole name).
constexpr std::size_t kLongestName = 256;
constexpr std::size_t kLongestValue = std::size_t(1) << 20;
constexpr std::size_t kMostAttributes = 64;

template <typename Char>
struct HtmlTag {
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;

  struct Attribute {
    String name;  // in lower case, when the sink wants names
    std::uint64_t key = 0;
    String value;      // as written: its references are the reader's to decode
    bool cut = false;  // the value went on past kLongestValue
  };

  String name;            // in lower case (ASCII letters), when the sink wants names
  std::uint64_t key = 0;  // html::NameKey of the whole name
  bool end = false;
  bool self_closing = false;
  View raw;  // the tag as written, when the sink keeps it
  bool raw_cut = false;

  // The attributes the sink keeps, in order, the first of each name.
  std::span<const Attribute> attributes() const { return {slots.data(), count}; }
  const Attribute* Find(std::uint64_t attribute_key) const {
    for (std::size_t a = 0; a < count; ++a)
      if (slots[a].key == attribute_key) return &slots[a];
    return nullptr;
  }

  // Storage, kept from tag to tag.
  std::vector<Attribute> slots;
  std::size_t count = 0;
};

template <typename Char, typename Sink>
class HtmlTokenizer {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;

  struct Setup {
    bool html = true;          // HTML's tokenizer; else the classic reading of tags
    bool mark_spaces = false;  // whether the sink may collapse spaces
    const ReferenceReader<Char>* references = nullptr;
    // The classic reading: where a tag past its first MiB goes.
    Overflow* overflow = nullptr;
    // Which bytes begin two-byte characters (none: UTF-16, or UTF-8), so
    // that a value too long to keep is cut between characters.
    const scan::LeadBytes* leads = nullptr;
  };

  HtmlTokenizer(Sink& sink, const Setup& setup)
      : sink_(sink),
        html_(setup.html),
        mark_spaces_(setup.mark_spaces),
        references_(*setup.references),
        overflow_(setup.overflow),
        leads_(setup.leads),
        collapse_(sink.CollapsesSpaces()) {}

  void Feed(View piece) {
    if (held_.empty()) return Process(piece, false);
    String joined = std::move(held_);
    held_.clear();
    joined.append(piece);
    Process(joined, false);
  }

  // The end of the input. `after_block` is called after each block of a long
  // tag that the classic reading turns back into text.
  void Finish(const std::function<void()>& after_block = {}) {
    for (;;) {
      const String rest = std::move(held_);
      held_.clear();
      Process(rest, true);
      if (state_ != State::kClassicTag) break;
      // A "<" that no ">" follows opens no tag: it and the rest are text, to
      // be read again with no tag in it.
      no_more_tags_ = true;
      state_ = State::kData;
      const String tag = std::move(classic_tag_);
      classic_tag_.clear();
      if (!spilled_) {
        Feed(tag);
        continue;
      }
      spilled_ = false;
      if constexpr (sizeof(Char) == 1) {
        long_tag::Replay(
            tag, *overflow_, [&](View text) { Feed(text); },
            [&] {
              if (after_block) after_block();
            });
      }
    }
    // Mark-up under way is dropped, as HTML drops it at the end.
    state_ = State::kData;
  }

  // Begins in `content`, as after a start tag named `name` (for tests: the
  // states a tokenizer test may begin in).
  void StartIn(html::Content content, View name) {
    raw_name_.assign(name);
    state_ = StateOf(content);
  }

  // What a piece's end cut and the next piece completes: a few characters,
  // kMostLookahead at most.
  static constexpr std::size_t kMostLookahead = 48;
  std::size_t Lookahead() const { return held_.size(); }

  // Characters held in memory now: what a piece's end cut, and the tag
  // under way.
  std::size_t Held() const {
    std::size_t held = held_.size() + classic_tag_.size() + raw_.size() + tag_.name.size() +
                       attribute_name_.size() + raw_name_.size();
    for (std::size_t a = 0; a < tag_.count; ++a)
      held += tag_.slots[a].name.size() + tag_.slots[a].value.size();
    return held;
  }

 private:
  enum class State : std::uint8_t {
    kData,
    kRcdata,
    kRawText,
    kPlainText,
    kScriptData,
    kScriptEscaped,
    kScriptEscapedDash,
    kScriptEscapedDashDash,
    kScriptDoubleEscaped,
    kScriptDoubleEscapedDash,
    kScriptDoubleEscapedDashDash,
    kTagName,
    kBeforeAttributeName,
    kAttributeName,
    kAfterAttributeName,
    kBeforeAttributeValue,
    kValueDoubleQuoted,
    kValueSingleQuoted,
    kValueUnquoted,
    kAfterValue,
    kSelfClosing,
    kComment,
    kBogusComment,  // also a DOCTYPE: both end at the first ">"
    kCdata,
    kClassicTag,
  };

  // The places to act on among 64 characters from `base`.
  struct Marks {
    std::size_t base;
    scan::StopBits found;
  };

  // ASCII in lower case, and the characters that end a tag's or an
  // attribute's name.
  static constexpr unsigned kEndsName = 0x100;
  static constexpr std::array<std::uint16_t, 128> NameChars(bool attribute) {
    std::array<std::uint16_t, 128> t{};
    for (unsigned c = 0; c < 128; ++c) t[c] = static_cast<std::uint16_t>(c);
    for (unsigned c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<std::uint16_t>(c | 0x20);
    for (const char c : {' ', '\t', '\n', '\f', '\r', '/', '>'})
      t[static_cast<unsigned>(c)] = kEndsName;
    if (attribute) t['='] = kEndsName;
    return t;
  }
  static constexpr std::array<std::uint16_t, 128> kTagNameChars = NameChars(false);
  static constexpr std::array<std::uint16_t, 128> kAttributeNameChars = NameChars(true);

  // Takes the name characters of `run` into `key` while they last; returns
  // where they end.
  static std::size_t NameRun(View run, std::size_t from,
                             const std::array<std::uint16_t, 128>& chars, html::NameKeyMaker& key) {
    std::size_t k = from;
    html::NameKeyMaker maker = key;
    for (; k < run.size(); ++k) {
      const unsigned u = Unit(run[k]);
      const unsigned lower = u < 0x80 ? chars[u] : u;
      if (lower == kEndsName) break;
      maker.Take(lower);
    }
    key = maker;
    return k;
  }

  static void AppendLower(String& to, View run) {
    for (const Char c : run)
      if (to.size() < kLongestName) to.push_back(Lower(c));
  }

  static bool IsAlpha(Char c) { return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z'); }
  static Char Lower(Char c) { return c >= 'A' && c <= 'Z' ? static_cast<Char>(c | 0x20) : c; }
  static unsigned Unit(Char c) { return static_cast<std::make_unsigned_t<Char>>(c); }

  static State StateOf(html::Content content) {
    switch (content) {
      case html::Content::kRcdata:
        return State::kRcdata;
      case html::Content::kRawText:
        return State::kRawText;
      case html::Content::kScriptData:
        return State::kScriptData;
      case html::Content::kPlainText:
        return State::kPlainText;
      case html::Content::kData:
        break;
    }
    return State::kData;
  }

  void Process(View text, bool last) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
      switch (state_) {
        case State::kData:
          i = Data(text, i, last);
          break;
        case State::kRcdata:
        case State::kRawText:
          i = RawText(text, i, last);
          break;
        case State::kPlainText:
          Raw(text.substr(i));
          i = n;
          break;
        case State::kScriptData:
        case State::kScriptEscaped:
        case State::kScriptEscapedDash:
        case State::kScriptEscapedDashDash:
        case State::kScriptDoubleEscaped:
        case State::kScriptDoubleEscapedDash:
        case State::kScriptDoubleEscapedDashDash:
          i = Script(text, i, last);
          break;
        case State::kComment:
          i = Comment(text, i);
          break;
        case State::kBogusComment: {
          const std::size_t gt = scan::Find<'>'>(text, i);
          if (gt == text.npos) return;
          state_ = State::kData;
          i = gt + 1;
          break;
        }
        case State::kCdata:
          i = Cdata(text, i, last);
          break;
        case State::kClassicTag:
          i = ClassicTagGoesOn(text, i);
          break;
        default:
          i = Tag(text, i);
          break;
      }
    }
  }

  // Holds what is left of `text` from `at` for the next piece.
  std::size_t Hold(View text, std::size_t at) {
    held_.assign(text.substr(at));
    return text.size();
  }

  // --- Text -------------------------------------------------------------

  QUILLMERE_INLINE scan::StopBits Mark(View text, std::size_t at) const {
    return mark_spaces_ ? scan::FindStops<true>(text.data(), at, text.size())
                        : scan::FindStops<false>(text.data(), at, text.size());
  }

  // The first place at or after `from` to act on, from the marks of the 64
  // characters at hand or of those that follow; spaces too while the sink
  // collapses them.
  QUILLMERE_INLINE std::size_t NextMark(View text, std::size_t from, Marks& marks) const {
    const std::size_t n = text.size();
    for (;;) {
      if (from >= n) return n;
      if (from - marks.base >= 64) {
        marks.base = from;
        marks.found = Mark(text, from);
      }
      const std::uint64_t bits = (marks.found.stops | (collapse_ ? marks.found.spaces : 0)) &
                                 ~std::uint64_t(0) << (from - marks.base);
      if (bits != 0) return marks.base + static_cast<std::size_t>(std::countr_zero(bits));
      from = marks.base + 64;
    }
  }

  // The data state. Text up to the next place to act on goes straight to the
  // sink; the places ("<", "&", line breaks, and spaces to collapse) are
  // marked 64 characters at a time and visited in order. A lone space
  // between characters of text is not marked: it stays as it is.
  std::size_t Data(View text, std::size_t i, bool last) {
    const Char* p = text.data();
    const std::size_t n = text.size();
    Marks marks{i, Mark(text, i)};
    while (i < n) {
      const std::size_t j = NextMark(text, i, marks);
      if (j > i) sink_.Text(View(p + i, j - i));
      if (j == n) return n;
      const Char c = p[j];
      if (c == '<') {
        if (!html_) {
          if (no_more_tags_) {
            i = j + 1;
            while (i < n && p[i] == '<') ++i;
            sink_.Text(text.substr(j, i - j));
            continue;
          }
          // The ">" from the marks when it is among them.
          const std::uint64_t ends = marks.found.ends & ~std::uint64_t(1) << (j - marks.base);
          const std::size_t gt = ends != 0
                                     ? marks.base + static_cast<std::size_t>(std::countr_zero(ends))
                                     : scan::Find<'>'>(text, std::min(marks.base + 64, n));
          if (gt == text.npos) {
            state_ = State::kClassicTag;
            GrowClassicTag(text.substr(j));
            return n;
          }
          ClassicTag(text.substr(j, gt + 1 - j));
          i = gt + 1;
          continue;
        }
        i = Markup(text, j, last);
        if (state_ != State::kData) return i;
      } else if (c == '&') {
        Reference r = references_.Common(text, j);
        if (r.length == 0) r = references_.Read(text, j, last, false);
        if (r.length == 0) {
          held_ = ReferenceReader<Char>::HoldForm(text.substr(j));
          return n;
        }
        if (r.first == 0)
          sink_.Text(text.substr(j, 1));
        else
          sink_.Reference(r.first, r.second);
        i = j + r.length;
        // A lone space after a reference ("&#32 x" has no ";") is not marked.
        if (i < n && p[i] == ' ' && collapse_) {
          sink_.Whitespace(p[i]);
          ++i;
        }
      } else if (c == '\r' || c == '\n') {
        const bool pair = c == '\r' && j + 1 < n && p[j + 1] == '\n';  // CR LF, at once
        if (collapse_) {
          sink_.Whitespace(c);
        } else {
          sink_.LineBreak(c);
          if (pair) sink_.LineBreak('\n');
        }
        i = j + (pair ? 2 : 1);
      } else {  // a space, tab or form feed to collapse
        sink_.Whitespace(c);
        i = j + 1;
      }
    }
    return n;
  }

  // At a "<" in data: a tag, an end tag, a comment or declaration, or a "<"
  // that begins none ("1 < 2"). Where data goes on after it; the state
  // tells whether it does.
  QUILLMERE_NOINLINE std::size_t Markup(View text, std::size_t j, bool last) {
    const std::size_t n = text.size();
    if (j + 1 == n) {
      if (!last) return Hold(text, j);
      sink_.Text(text.substr(j, 1));
      return n;
    }
    const Char next = text[j + 1];
    std::size_t name_at = j + 1;
    if (next == '/') {
      if (j + 2 == n) {
        if (!last) return Hold(text, j);
        sink_.Text(text.substr(j, 2));
        return n;
      }
      const Char after = text[j + 2];
      if (after == '>') return j + 3;  // "</>" is nothing
      if (!IsAlpha(after)) {
        state_ = State::kBogusComment;
        return j + 2;
      }
      name_at = j + 2;
    } else if (!IsAlpha(next)) {
      if (next == '!') return MarkupDeclaration(text, j, last);
      if (next == '?') {
        state_ = State::kBogusComment;
        return j + 1;
      }
      sink_.Text(text.substr(j, 1));
      return j + 1;
    }
    if (const std::size_t end = QuickTag(text, j, name_at)) return end;
    BeginTag(name_at == j + 2);
    state_ = State::kTagName;
    return Tag(text, name_at);
  }

  // Text of the raw states, RCDATA's decoded references apart: split for the
  // sink as data's text is, when it shows any.
  void Raw(View run) {
    if (run.empty() || !sink_.Showing()) return;
    const bool collapse = collapse_;
    std::size_t from = 0;
    for (std::size_t k = 0; k < run.size(); ++k) {
      const Char c = run[k];
      const bool line = c == '\r' || c == '\n';
      if (!line && !(collapse && (c == ' ' || c == '\t' || c == '\f'))) continue;
      if (k > from) sink_.Text(run.substr(from, k - from));
      if (collapse)
        sink_.Whitespace(c);
      else
        sink_.LineBreak(c);
      from = k + 1;
    }
    if (from < run.size()) sink_.Text(run.substr(from));
  }

  // Whether text[at] begins "</" and the name of the element whose content
  // this is, then a space, "/" or ">": its end tag. -1 when the text ends
  // before that is known.
  int EndsRawText(View text, std::size_t at) const {
    if (raw_name_.empty()) return 0;  // begun with no start tag: nothing ends it
    const std::size_t need = 2 + raw_name_.size() + 1;
    if (text.size() - at < need) {
      for (std::size_t k = 1; at + k < text.size(); ++k) {
        if (k == 1 && text[at + 1] != '/') return 0;
        if (k >= 2 && Lower(text[at + k]) != raw_name_[k - 2]) return 0;
      }
      return -1;
    }
    if (text[at + 1] != '/') return 0;
    for (std::size_t k = 0; k < raw_name_.size(); ++k)
      if (Lower(text[at + 2 + k]) != raw_name_[k]) return 0;
    const Char after = text[at + 2 + raw_name_.size()];
    return html::IsSpace(after) || after == '/' || after == '>';
  }

  // RCDATA (title, textarea: references decoded) and RAWTEXT end only at
  // their element's end tag, which is then read as any tag.
  std::size_t RawText(View text, std::size_t i, bool last) {
    const std::size_t n = text.size();
    const bool rcdata = state_ == State::kRcdata;
    for (;;) {
      const std::size_t k = rcdata ? scan::FindAny<'<', '&', '<', '&'>(text, i)
                                   : scan::FindAny<'<', '<', '<', '<'>(text, i);
      Raw(text.substr(i, k - i));
      if (k == n) return n;
      if (text[k] == '&') {
        const Reference r = references_.Read(text, k, last, false);
        if (r.length == 0) {
          held_ = ReferenceReader<Char>::HoldForm(text.substr(k));
          return n;
        }
        if (r.first == 0)
          Raw(text.substr(k, 1));
        else if (sink_.Showing())
          sink_.Reference(r.first, r.second);
        i = k + r.length;
        continue;
      }
      const int ends = EndsRawText(text, k);
      if (ends < 0) {
        if (!last) return Hold(text, k);
        Raw(text.substr(k));
        return n;
      }
      if (ends > 0) return EndRawText(k);
      Raw(text.substr(k, 1));
      i = k + 1;
    }
  }

  // At "</name": the end tag, read as any tag from its name on.
  std::size_t EndRawText(std::size_t at) {
    BeginTag(true);
    state_ = State::kTagName;
    return at + 2;
  }

  // Script data, with its escaped ("<!--") and double-escaped ("<!--" then
  // "<script") states: only the end tag that HTML takes ends it, so a
  // script that writes a script (`<script><!-- document.write('<script>
  // </script>') //--></script>`) ends where the browser ends it.
  std::size_t Script(View text, std::size_t i, bool last) {
    const std::size_t n = text.size();
    while (i < n) {
      if (state_ == State::kScriptData) {
        const std::size_t lt = scan::FindAny<'<', '<', '<', '<'>(text, i);
        Raw(text.substr(i, lt - i));
        if (lt == n) return n;
        if (lt + 1 == n) {
          if (!last) return Hold(text, lt);
          Raw(text.substr(lt));
          return n;
        }
        if (text[lt + 1] == '/') {
          const int ends = EndsRawText(text, lt);
          if (ends < 0 && !last) return Hold(text, lt);
          if (ends > 0) return EndRawText(lt);
          Raw(text.substr(lt, 2));
          i = lt + 2;
          continue;
        }
        if (text[lt + 1] == '!') {
          if (n - lt < 4 && !last && (n - lt < 3 || text[lt + 2] == '-')) return Hold(text, lt);
          if (n - lt >= 4 && text[lt + 2] == '-' && text[lt + 3] == '-') {
            Raw(text.substr(lt, 4));
            state_ = State::kScriptEscapedDashDash;
            i = lt + 4;
            continue;
          }
        }
        Raw(text.substr(lt, 1));
        i = lt + 1;
        continue;
      }
      const bool doubly = state_ >= State::kScriptDoubleEscaped;
      const std::size_t k = scan::FindAny<'-', '<', '>', '-'>(text, i);
      Raw(text.substr(i, k - i));
      if (k > i) state_ = doubly ? State::kScriptDoubleEscaped : State::kScriptEscaped;
      if (k == n) return n;
      const Char c = text[k];
      if (c == '-') {
        Raw(text.substr(k, 1));
        if (state_ == State::kScriptEscaped || state_ == State::kScriptDoubleEscaped)
          state_ = doubly ? State::kScriptDoubleEscapedDash : State::kScriptEscapedDash;
        else
          state_ = doubly ? State::kScriptDoubleEscapedDashDash : State::kScriptEscapedDashDash;
        i = k + 1;
        continue;
      }
      if (c == '>') {
        Raw(text.substr(k, 1));
        if (state_ == State::kScriptEscapedDashDash ||
            state_ == State::kScriptDoubleEscapedDashDash)
          state_ = State::kScriptData;
        else
          state_ = doubly ? State::kScriptDoubleEscaped : State::kScriptEscaped;
        i = k + 1;
        continue;
      }
      // "<": in the escaped states the script's end tag, or "<script" that
      // begins the double-escaped ones; in those, "</script" ends them.
      if (k + 1 == n) {
        if (!last) return Hold(text, k);
        Raw(text.substr(k));
        return n;
      }
      if (!doubly && text[k + 1] == '/') {
        const int ends = EndsRawText(text, k);
        if (ends < 0 && !last) return Hold(text, k);
        if (ends > 0) return EndRawText(k);
        Raw(text.substr(k, 2));
        state_ = State::kScriptEscaped;
        i = k + 2;
        continue;
      }
      const std::size_t letters = doubly ? k + 2 : k + 1;  // "</" or "<"
      if (doubly && text[k + 1] != '/') {
        Raw(text.substr(k, 1));
        state_ = State::kScriptDoubleEscaped;
        i = k + 1;
        continue;
      }
      // Up to seven letters and what follows tell whether they spell
      // "script" before a space, "/" or ">".
      std::size_t e = letters;
      while (e < n && e - letters < 7 && IsAlpha(text[e])) ++e;
      if (e == n && !last && e - letters < 7) return Hold(text, k);
      static constexpr char kScript[] = "script";
      bool script = e - letters == 6 && e < n;
      for (std::size_t b = 0; script && b < 6; ++b)
        script = Lower(text[letters + b]) == static_cast<Char>(kScript[b]);
      script = script && (html::IsSpace(text[e]) || text[e] == '/' || text[e] == '>');
      Raw(text.substr(k, e - k));
      if (doubly)
        state_ = script ? State::kScriptEscaped : State::kScriptDoubleEscaped;
      else
        state_ = script ? State::kScriptDoubleEscaped : State::kScriptEscaped;
      i = e;
    }
    return n;
  }

  // A CDATA section in foreign content: text up to "]]>".
  std::size_t Cdata(View text, std::size_t i, bool last) {
    const std::size_t n = text.size();
    for (std::size_t k = i; (k = scan::FindAny<']', ']', ']', ']'>(text, k)) < n; ++k) {
      if (n - k < 3 && !last) {
        Raw(text.substr(i, k - i));
        return Hold(text, k);
      }
      if (n - k >= 3 && text[k + 1] == ']' && text[k + 2] == '>') {
        Raw(text.substr(i, k - i));
        state_ = State::kData;
        return k + 3;
      }
    }
    Raw(text.substr(i));
    return n;
  }

  // --- Comments and declarations ----------------------------------------

  // At "<!": a comment, a DOCTYPE, a CDATA section where foreign content
  // is open; else a bogus comment.
  std::size_t MarkupDeclaration(View text, std::size_t at, bool last) {
    const View rest = text.substr(at + 2);
    static constexpr std::string_view kDoctype = "doctype";
    static constexpr std::string_view kCdataOpen = "[CDATA[";
    auto starts = [&](std::string_view word, bool any_case) {
      const std::size_t k = std::min(rest.size(), word.size());
      for (std::size_t b = 0; b < k; ++b)
        if ((any_case ? Lower(rest[b]) : rest[b]) != static_cast<Char>(word[b])) return false;
      return true;
    };
    if (starts("--", false)) {
      if (rest.size() < 2) {
        if (!last) return Hold(text, at);
      } else {
        return StartComment(text, at + 4, last);
      }
    } else if (starts(kDoctype, true)) {
      if (rest.size() >= kDoctype.size()) {
        state_ = State::kBogusComment;
        return at + 2 + kDoctype.size();
      }
      if (!last) return Hold(text, at);
    } else if (starts(kCdataOpen, false)) {
      if (rest.size() >= kCdataOpen.size()) {
        if (sink_.Foreign()) {
          state_ = State::kCdata;
          return at + 2 + kCdataOpen.size();
        }
      } else if (!last) {
        return Hold(text, at);
      }
    }
    state_ = State::kBogusComment;
    return at + 2;
  }

  // After "<!--": the comment ends at once at ">" or "->" (as HTML ends
  // "<!-->" and "<!--->"), else at the first "-->" or "--!>".
  std::size_t StartComment(View text, std::size_t at, bool last) {
    const std::size_t n = text.size();
    if (!last && (at == n || (at + 1 == n && text[at] == '-'))) return Hold(text, at - 4);
    state_ = State::kData;
    if (at < n && text[at] == '>') return at + 1;
    if (at + 1 < n && text[at] == '-' && text[at + 1] == '>') return at + 2;
    state_ = State::kComment;
    comment_tail_.clear();
    return at;
  }

  std::size_t Comment(View text, std::size_t i) {
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
      const std::size_t gt = scan::Find<'>'>(text, i);
      if (gt == text.npos) {
        remember(std::max(i, n > 3 ? n - 3 : 0), n);
        return n;
      }
      remember(std::max(i, gt > 3 ? gt - 3 : 0), gt);
      const std::string_view before = comment_tail_;
      if (before.ends_with("--") || before.ends_with("--!")) {
        state_ = State::kData;
        return gt + 1;
      }
      comment_tail_ = "x";
      i = gt + 1;
    }
  }

  // --- Tags -------------------------------------------------------------

  void BeginTag(bool end) {
    tag_.name.clear();
    tag_key_ = html::NameKeyMaker();
    tag_.end = end;
    tag_.self_closing = false;
    tag_.count = 0;
    tag_.raw_cut = false;
    raw_.clear();
    raw_.push_back('<');
    if (end) raw_.push_back('/');
    keep_raw_ = false;
    value_ = nullptr;
  }

  // Appends to a kept text at most to `limit` characters, cutting between
  // characters; true when something had to be cut.
  bool AppendCut(String& to, View run, std::size_t limit) const {
    if (to.size() + run.size() <= limit) {
      to.append(run);
      return false;
    }
    std::size_t room = limit > to.size() ? limit - to.size() : 0;
    if constexpr (sizeof(Char) == 2) {
      // Where the text is cut, a high surrogate before the cut goes, whether
      // its pair is in this run or the next.
      to.append(run.substr(0, room));
      if (!to.empty() && (Unit(to.back()) & 0xFC00) == 0xD800) to.pop_back();
      return true;
    } else if (leads_ != nullptr) {
      std::size_t at = 0;
      while (at < room) {
        const std::size_t step = (*leads_)[Unit(run[at])] ? 2 : 1;
        if (at + step > room) break;
        at += step;
      }
      room = at;
    } else {
      while (room > 0 && room < run.size() && (Unit(run[room]) & 0xC0) == 0x80) --room;
    }
    to.append(run.substr(0, room));
    return true;
  }

  void KeepRaw(View text, std::size_t to) {
    if (keep_raw_ && !tag_.raw_cut && to > raw_from_)
      tag_.raw_cut = AppendCut(raw_, text.substr(raw_from_, to - raw_from_), kLongestValue);
    raw_from_ = to;
  }

  void StartAttribute() {
    attribute_name_.clear();
    attribute_key_ = html::NameKeyMaker();
    value_ = nullptr;
  }

  // The name is whole: the first attribute of a name is kept when the sink
  // keeps it; a second of the same name is dropped, as HTML drops it.
  void AttributeNamed() {
    value_ = nullptr;
    const std::uint64_t key = attribute_key_.key();
    if (tag_.end || tag_.count == kMostAttributes || tag_.Find(key) ||
        !sink_.KeepsAttribute(tag_, key))
      return;
    if (tag_.slots.size() == tag_.count) tag_.slots.emplace_back();
    typename HtmlTag<Char>::Attribute& kept = tag_.slots[tag_.count++];
    if constexpr (Sink::kWantsNames) kept.name = attribute_name_;
    kept.key = key;
    kept.value.clear();
    kept.cut = false;
    value_ = &kept;
  }

  void ValueRun(View run) {
    if (value_ != nullptr && !value_->cut)
      value_->cut = AppendCut(value_->value, run, kLongestValue);
  }

  // The tag's name as written is in raw_, after "<" or "</".
  View WrittenName() const {
    const std::size_t from = tag_.end ? 2 : 1;
    return View(raw_).substr(from, name_end_ - from);
  }

  std::size_t EmitTag(View text, std::size_t end) {
    KeepRaw(text, end);
    tag_.raw = keep_raw_ ? View(raw_) : View();
    keep_raw_ = false;
    Emit(WrittenName());
    return end;
  }

  // The tag is whole: to the sink, which tells what follows it.
  void Emit(View written_name) {
    if constexpr (Sink::kWantsNames) {
      tag_.name.clear();
      AppendLower(tag_.name, written_name);
    }
    const html::Content content = sink_.Tag(tag_);
    collapse_ = sink_.CollapsesSpaces();
    state_ = State::kData;
    if (!tag_.end && content != html::Content::kData) {
      raw_name_.clear();
      AppendLower(raw_name_, written_name);
      state_ = StateOf(content);
    }
    tag_.count = 0;
  }

  // A tag that is a name alone ("<p>", "</td>"), the most common kind, at
  // text[lt] with its name from `name_at`: emitted at once, where it stands.
  // Its end in the text, or 0 for any other tag.
  std::size_t QuickTag(View text, std::size_t lt, std::size_t name_at) {
    // A name of up to eight characters of ASCII is its own key (see
    // html::NameKeyMaker), made here at once.
    const std::size_t n = text.size();
    std::uint64_t packed = 0;
    std::size_t k = name_at;
    for (; k < n && k - name_at < 8; ++k) {
      const unsigned u = Unit(text[k]);
      if (u >= 0x80) return 0;
      const unsigned lower = kTagNameChars[u];
      if (lower == kEndsName) break;
      packed |= std::uint64_t(lower) << (8 * (k - name_at));
    }
    if (k == n || text[k] != '>') return 0;
    tag_.key = packed;
    tag_.end = name_at == lt + 2;
    tag_.self_closing = false;
    tag_.count = 0;
    tag_.raw_cut = false;
    tag_.raw = sink_.KeepsRaw(tag_) ? View(text.data() + lt, k + 1 - lt) : View();
    Emit(View(text.data() + name_at, k - name_at));
    return k + 1;
  }

  // The tag states, from text[i] on, to the tag's end or the text's. The
  // states follow one another by jumps; only a tag a piece's end cut comes
  // back through the switch. (A tag passes through a handful of states, and
  // a switch's jump from one to the next is seldom foreseen.)
  std::size_t Tag(View text, std::size_t i) {
    const Char* p = text.data();
    const std::size_t n = text.size();
    std::size_t k = 0;
    raw_from_ = i;
    switch (state_) {
      case State::kTagName:
        goto tag_name;
      case State::kBeforeAttributeName:
        goto before_attribute_name;
      case State::kAttributeName:
        goto attribute_name;
      case State::kAfterAttributeName:
        goto after_attribute_name;
      case State::kBeforeAttributeValue:
        goto before_value;
      case State::kValueDoubleQuoted:
        goto double_quoted;
      case State::kValueSingleQuoted:
        goto single_quoted;
      case State::kValueUnquoted:
        goto unquoted;
      case State::kAfterValue:
        goto after_value;
      case State::kSelfClosing:
        goto self_closing;
      default:
        return i;
    }

  tag_name:
    k = NameRun(text, i, kTagNameChars, tag_key_);
    // The name as written, as far as it is kept.
    if (!tag_.raw_cut) tag_.raw_cut = AppendCut(raw_, text.substr(i, k - i), 2 + kLongestName);
    if (k == n) return Suspend(State::kTagName, text);
    i = k;
    tag_.key = tag_key_.key();
    name_end_ = raw_.size();
    keep_raw_ = sink_.KeepsRaw(tag_);
    raw_from_ = k;

  before_attribute_name:
    while (i < n && html::IsSpace(p[i])) ++i;
    if (i == n) return Suspend(State::kBeforeAttributeName, text);
    if (p[i] == '/') {
      ++i;
      goto self_closing;
    }
    if (p[i] == '>') return EmitTag(text, i + 1);
    StartAttribute();
    if (p[i] == '=') {  // a name may begin with "="
      attribute_key_.Take('=');
      if constexpr (Sink::kWantsNames) attribute_name_.push_back('=');
      ++i;
    }

  attribute_name:
    k = NameRun(text, i, kAttributeNameChars, attribute_key_);
    if constexpr (Sink::kWantsNames) AppendLower(attribute_name_, text.substr(i, k - i));
    if (k == n) return Suspend(State::kAttributeName, text);
    i = k;
    AttributeNamed();
    if (p[i] == '=') {
      ++i;
      goto before_value;
    }

  after_attribute_name:
    while (i < n && html::IsSpace(p[i])) ++i;
    if (i == n) return Suspend(State::kAfterAttributeName, text);
    if (p[i] == '/') {
      ++i;
      goto self_closing;
    }
    if (p[i] == '=') {
      ++i;
      goto before_value;
    }
    if (p[i] == '>') return EmitTag(text, i + 1);
    StartAttribute();
    goto attribute_name;

  before_value:
    while (i < n && html::IsSpace(p[i])) ++i;
    if (i == n) return Suspend(State::kBeforeAttributeValue, text);
    if (p[i] == '"') {
      ++i;
      goto double_quoted;
    }
    if (p[i] == '\'') {
      ++i;
      goto single_quoted;
    }
    if (p[i] == '>') return EmitTag(text, i + 1);
    goto unquoted;

  double_quoted:
    k = scan::FindAny<'"', '"', '"', '"'>(text, i);
    ValueRun(text.substr(i, k - i));
    if (k == n) return Suspend(State::kValueDoubleQuoted, text);
    i = k + 1;
    goto after_value;

  single_quoted:
    k = scan::FindAny<'\'', '\'', '\'', '\''>(text, i);
    ValueRun(text.substr(i, k - i));
    if (k == n) return Suspend(State::kValueSingleQuoted, text);
    i = k + 1;
    goto after_value;

  unquoted:
    k = i;
    while (k < n && !html::IsSpace(p[k]) && p[k] != '>') ++k;
    ValueRun(text.substr(i, k - i));
    if (k == n) return Suspend(State::kValueUnquoted, text);
    if (p[k] == '>') return EmitTag(text, k + 1);
    i = k + 1;
    goto before_attribute_name;

  after_value:
    if (i == n) return Suspend(State::kAfterValue, text);
    if (html::IsSpace(p[i])) {
      ++i;
      goto before_attribute_name;
    }
    if (p[i] == '/') {
      ++i;
      goto self_closing;
    }
    if (p[i] == '>') return EmitTag(text, i + 1);
    goto before_attribute_name;

  self_closing:
    if (i == n) return Suspend(State::kSelfClosing, text);
    if (p[i] == '>') {
      tag_.self_closing = true;
      return EmitTag(text, i + 1);
    }
    goto before_attribute_name;
  }

  // The text ends inside a tag, in `state`: what is kept of it so far.
  std::size_t Suspend(State state, View text) {
    state_ = state;
    KeepRaw(text, text.size());
    return text.size();
  }

  // --- The classic reading of tags ----------------------------------------

  // The key of the element a classic tag opens or closes: its name is the
  // run of ASCII letters and digits after "<" or "</".
  void ClassicTag(View tag) {
    tag_.end = tag.size() > 1 && tag[1] == '/';
    html::NameKeyMaker key;
    for (std::size_t k = tag_.end ? 2 : 1; k < tag.size(); ++k) {
      const Char c = Lower(tag[k]);
      if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) break;
      key.Take(Unit(c));
    }
    tag_.key = key.key();
    tag_.count = 0;
    tag_.raw = tag;
    sink_.Tag(tag_);
    collapse_ = sink_.CollapsesSpaces();
  }

  void GrowClassicTag(View more) {
    if (long_tag::Grow(classic_tag_, more, overflow_)) spilled_ = true;
  }

  std::size_t ClassicTagGoesOn(View text, std::size_t i) {
    const std::size_t gt = scan::Find<'>'>(text, i);
    if (gt == text.npos) {
      GrowClassicTag(text.substr(i));
      return text.size();
    }
    classic_tag_.append(text.substr(i, gt + 1 - i));
    state_ = State::kData;
    if (spilled_) {
      spilled_ = false;
      if constexpr (sizeof(Char) == 1) {
        const std::string whole = long_tag::Join(classic_tag_, *overflow_);
        classic_tag_.clear();
        ClassicTag(whole);
      }
    } else {
      ClassicTag(classic_tag_);
      classic_tag_.clear();
    }
    return gt + 1;
  }

  Sink& sink_;
  const bool html_;
  const bool mark_spaces_;
  const ReferenceReader<Char>& references_;
  Overflow* overflow_;
  const scan::LeadBytes* leads_;
  bool collapse_;  // whether the sink collapses spaces now: it may change at a tag

  State state_ = State::kData;
  String held_;               // the start of a construct the last piece cut
  String raw_name_;           // the element whose end tag ends RCDATA, RAWTEXT or script data
  std::string comment_tail_;  // the last characters of a comment, "-" and "!" only

  HtmlTag<Char> tag_;  // the tag under way
  String raw_;         // it as written, while it is kept
  bool keep_raw_ = false;
  std::size_t raw_from_ = 0;  // where the text not yet kept in raw_ begins
  std::size_t name_end_ = 0;  // where the name ends in raw_
  html::NameKeyMaker tag_key_;
  String attribute_name_;
  html::NameKeyMaker attribute_key_;
  typename HtmlTag<Char>::Attribute* value_ = nullptr;  // the kept attribute being read

  // The classic reading.
  String classic_tag_;
  bool spilled_ = false;
  bool no_more_tags_ = false;
};

}  // namespace engine
