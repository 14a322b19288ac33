#include "layout/line_wrap.h"

#include <algorithm>

#include "layout/character_widths.h"
#include "platform/codepage.h"

namespace engine {
namespace {

constexpr char32_t kClosingQuotes[] = {0x2019, 0x201D, 0x00BB, 0x203A, 0x301F, 0xFF02};
constexpr char32_t kOpeningQuotes[] = {0x2018, 0x201C, 0x00AB, 0x2039, 0x301D};

template <std::size_t N>
bool OneOf(char32_t c, const char32_t (&set)[N]) {
  for (const char32_t s : set)
    if (s == c) return true;
  return false;
}

// How much of `text` is whole characters.
std::size_t WholeLength(std::u16string_view text, const scan::LeadBytes*) {
  const std::size_t n = text.size();
  return n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF ? n - 1 : n;
}

std::size_t WholeLength(std::string_view text, const scan::LeadBytes* leads) {
  const std::size_t n = text.size();
  if (leads != nullptr) {  // an odd run of lead bytes at the end leaves one cut
    std::size_t run = 0;
    while (run < n && (*leads)[static_cast<unsigned char>(text[n - 1 - run])]) ++run;
    return run % 2 == 1 ? n - 1 : n;
  }
  for (std::size_t back = 1; back <= std::min<std::size_t>(n, 4); ++back) {
    const auto b = static_cast<unsigned char>(text[n - back]);
    if ((b & 0xC0) == 0x80) continue;
    const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    return length > back ? n - back : n;
  }
  return n;
}

template <typename Unit>
bool IsAsciiAlnum(Unit u) {
  return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

bool IsSpace(char32_t c) {
  return c == ' ' || c == '\t';
}

}  // namespace

namespace {

// The same, with the character's class at hand.
bool MayNotBegin(char32_t c, BreakClass k) {
  using C = BreakClass;
  return k == C::CL || k == C::CP || k == C::EX || k == C::IS || k == C::NS ||
         (c >= 0xAB && OneOf(c, kClosingQuotes));
}

bool MayNotEnd(char32_t c, BreakClass k) {
  return k == BreakClass::OP || (c >= 0xAB && OneOf(c, kOpeningQuotes));
}

}  // namespace

bool MayNotBeginLine(char32_t c) {
  return MayNotBegin(c, BreakPropertyOf(c).klass);
}

bool MayNotEndLine(char32_t c) {
  return MayNotEnd(c, BreakPropertyOf(c).klass);
}

std::vector<Break> WrapOpportunities(std::u32string_view text) {
  const std::size_t n = text.size();
  std::vector<Break> breaks = LineBreaks(text);
  // A URL is one word: no break from its scheme to the end of the ASCII
  // after its "://".
  auto scheme = [](char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
  };
  for (std::size_t at = text.find(U"://"); at != std::u32string_view::npos;
       at = text.find(U"://", at + 3)) {
    std::size_t from = at, to = at + 3;
    while (from > 0 && scheme(text[from - 1])) --from;
    while (to < n && text[to] > ' ' && text[to] < 0x7F) ++to;
    for (std::size_t i = from + 1; i < to; ++i) breaks[i] = Break::kNone;
  }
  for (std::size_t i = 1; i < n; ++i) {
    if (breaks[i] == Break::kNone) continue;
    std::size_t k = i;
    while (k > 0 && IsSpace(text[k - 1])) --k;
    if (MayNotBeginLine(text[i]) || (k > 0 && MayNotEndLine(text[k - 1]))) breaks[i] = Break::kNone;
  }
  return breaks;
}

template <typename Char>
void LineWrap<Char>::HeldUnits::Grow(std::size_t more) {
  const std::size_t capacity = std::max(2 * capacity_, std::max<std::size_t>(size_ + more, 256));
  auto units = std::make_unique_for_overwrite<Char[]>(capacity);
  if (size_ > 0) std::memcpy(units.get(), units_.get(), size_ * sizeof(Char));
  units_ = std::move(units);
  capacity_ = capacity;
}

template <typename Char>
void LineWrap<Char>::Begin(std::size_t columns, String continuation,
                           std::size_t continuation_columns) {
  held_.clear();
  searched_ = 0;
  content_from_ = 0;
  columns_ = columns;
  continuation_ = std::move(continuation);
  continuation_columns_ = continuation_columns;
  through_ = false;
}

template <typename Char>
void LineWrap<Char>::Unwrapped(const Emit& emit) {
  if (!through_) Wrap(true, emit);  // what came before on the line is wrapped
  if (!held_.empty()) emit(held_);
  held_.clear();
  searched_ = 0;
  through_ = true;
}

template <typename Char>
void LineWrap<Char>::Finish(const Emit& emit) {
  // A line that cannot be wider than the width goes as it is: a unit is
  // at most a column in a code page and in UTF-8, at most two in UTF-16;
  // a tab may be eight.
  const std::size_t units = held_.size() - content_from_;
  std::size_t most_columns = columns_ + (sizeof(Char) == 2 ? 2 * units : units);
  if (most_columns <= width_ && View(held_).find(Char{'\t'}, content_from_) != View::npos)
    most_columns = width_ + 1;
  if (!through_ && most_columns > width_) Wrap(true, emit);
  if (!held_.empty()) emit(held_);
  held_.clear();
  searched_ = 0;
  content_from_ = 0;
  columns_ = 0;
  through_ = false;
}

// The characters from content_from_ on, and their columns.
template <typename Char>
void LineWrap<Char>::Measure(View text) {
  const std::size_t n = text.size();
  std::size_t i = content_from_;
  // At most a character a unit; the room only grows.
  if (glyphs_.size() < n - i) glyphs_.resize(n - i);
  Glyph* g = glyphs_.data();
  if constexpr (sizeof(Char) == 1) {
    if (leads_ != nullptr) {  // a code page: a character's bytes are its columns
      while (i < n) {
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t units = (*leads_)[b] && i + 1 < n ? 2 : 1;
        *g++ = {i, b == '\t' ? kTab : static_cast<std::uint8_t>(units)};
        i += units;
      }
    } else {
      while (i < n) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
          *g++ = {i, b == '\t' ? kTab : std::uint8_t{1}};
          ++i;
          continue;
        }
        const OutputCharacter d = engine::CharacterAt(text, i, leads_);
        *g++ = {i, static_cast<std::uint8_t>(d.columns)};
        i += d.units;
      }
    }
  } else {
    while (i < n) {
      const OutputCharacter d = engine::CharacterAt(text, i, leads_);
      *g++ = {i, d.code_point == '\t' ? kTab : static_cast<std::uint8_t>(d.columns)};
      i += d.units;
    }
  }
  count_ = static_cast<std::size_t>(g - glyphs_.data());
}

// The index of the measured character that begins at `offset` (or the
// first after it).
template <typename Char>
std::size_t LineWrap<Char>::IndexOf(std::size_t offset) const {
  const auto end = glyphs_.begin() + static_cast<std::ptrdiff_t>(count_);
  return static_cast<std::size_t>(
      std::lower_bound(glyphs_.begin(), end, offset,
                       [](const Glyph& g, std::size_t at) { return g.offset < at; }) -
      glyphs_.begin());
}

template <typename Char>
char32_t LineWrap<Char>::CharacterAt(std::size_t i) const {
  return engine::CharacterAt(text_, glyphs_[i].offset, leads_).code_point;
}

// Every opportunity of the text, weighed from its start.
template <typename Char>
void LineWrap<Char>::WeighAll() {
  if (count_ == 0) Measure(text_);
  characters_.clear();
  for (std::size_t i = 0; i < count_; ++i) characters_.push_back(CharacterAt(i));
  weighed_ = WrapOpportunities(characters_);
}

// The measured characters, by their index.
template <typename Char>
struct LineWrap<Char>::ByIndex {
  LineWrap& wrap;
  std::size_t begin = 0, end = wrap.count_;
  char32_t At(std::size_t i) const { return wrap.CharacterAt(i); }
  std::size_t Previous(std::size_t i) { return i - 1; }
  std::size_t Next(std::size_t i) const { return i + 1; }
  Break Weighed(std::size_t i) {
    if (wrap.weighed_.empty()) wrap.WeighAll();
    return wrap.weighed_[i];
  }
};

// A code page's characters, by their first byte: where one begins is found
// back from any byte by the lead bytes before it (after a byte that cannot
// lead, a character begins; from there each byte that can lead does).
template <typename Char>
struct LineWrap<Char>::ByByte {
  LineWrap& wrap;
  std::size_t begin = wrap.content_from_, end = wrap.text_.size();
  std::size_t line = begin;  // a character begins here: the line under way
  std::size_t looked = 0;    // bytes looked at, finding where characters begin

  bool Leads(std::size_t p) const {
    return (*wrap.leads_)[static_cast<unsigned char>(wrap.text_[p])];
  }
  std::size_t Length(std::size_t p) const { return Leads(p) && p + 1 < end ? 2 : 1; }
  // Where the character that holds byte `p` begins.
  std::size_t Holding(std::size_t p) {
    const std::size_t run = LeadRunBefore(wrap.text_, p, p >= line ? line : begin, *wrap.leads_);
    looked += run + 1;
    return run % 2 == 1 ? p - 1 : p;
  }
  char32_t At(std::size_t p) const {
    return engine::CharacterAt(wrap.text_, p, wrap.leads_).code_point;
  }
  std::size_t Previous(std::size_t p) { return Holding(p - 1); }
  std::size_t Next(std::size_t p) const { return p + Length(p); }
  Break Weighed(std::size_t p) {
    if (wrap.weighed_.empty()) wrap.WeighAll();
    return wrap.weighed_[wrap.IndexOf(p)];
  }
  // The first character after `s` that does not fit when `s` stands at
  // `column`, spaces passed over (they never fill a line); `end` for none.
  std::size_t Overflow(std::size_t s, std::size_t column) {
    std::size_t o = Next(s);
    if (column < wrap.width_) {
      if (s + (wrap.width_ - column) >= end) return end;
      o = std::max(o, Holding(s + (wrap.width_ - column)));
    }
    while (o < end && wrap.text_[o] == ' ') ++o;
    return o;
  }
  std::size_t ColumnsTo(std::size_t s, std::size_t column, std::size_t to) const {
    return column + (to - s);
  }
};

// UTF-8's characters, by their first byte: found back past the bytes that
// continue one, their columns summed along the line.
template <typename Char>
struct LineWrap<Char>::ByUtf8 {
  LineWrap& wrap;
  std::size_t begin = wrap.content_from_, end = wrap.text_.size();
  std::size_t line = begin;  // as ByByte's: nothing here depends on them
  std::size_t looked = 0;

  unsigned char Byte(std::size_t p) const { return static_cast<unsigned char>(wrap.text_[p]); }
  std::size_t Length(std::size_t p) const {
    const unsigned char b = Byte(p);
    const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    return std::min(length, end - p);
  }
  char32_t At(std::size_t p) const {
    return engine::CharacterAt(wrap.text_, p, wrap.leads_).code_point;
  }
  std::size_t Previous(std::size_t p) const {
    return CharacterStart(wrap.text_, p - 1, begin, nullptr);
  }
  std::size_t Next(std::size_t p) const { return p + Length(p); }
  Break Weighed(std::size_t p) {
    if (wrap.weighed_.empty()) wrap.WeighAll();
    return wrap.weighed_[wrap.IndexOf(p)];
  }
  // The columns of the character at `p`, standing at `column`.
  std::size_t Columns(std::size_t p, std::size_t column) const {
    const unsigned char b = Byte(p);
    if (b == '\t') return 8 - column % 8;
    if (b < 0x80) return 1;
    return ColumnsOf(At(p));
  }
  std::size_t Overflow(std::size_t s, std::size_t column) const {
    for (std::size_t p = s; p < end;) {
      const unsigned char b = Byte(p);
      std::size_t w = 1, length = 1;
      if (b == '\t') {
        w = 8 - column % 8;
      } else if (b >= 0x80) {
        const OutputCharacter d = engine::CharacterAt(wrap.text_, p, nullptr);
        w = d.columns;
        length = d.units;
      }
      if (p > s && column + w > wrap.width_ && b != ' ' && b != '\t') return p;
      column += w;
      p += length;
    }
    return end;
  }
  std::size_t ColumnsTo(std::size_t s, std::size_t column, std::size_t to) const {
    for (std::size_t p = s; p < to; p = Next(p)) column += Columns(p, column);
    return column;
  }
};

// Whether a line may break before the character at `i` (not the first):
// as WrapOpportunities says, the rules followed from the nearest character
// before it after which they remember nothing from further back (what may
// not begin or end a line, a space, a combining mark, a number's parts, a
// regional indicator: none of these), or the whole text weighed once where
// there is none near.
template <typename Char>
template <typename Walk>
bool LineWrap<Char>::MayBreakBefore(Walk& walk, std::size_t i) {
  if (!weighed_.empty()) return walk.Weighed(i) != Break::kNone;
  using C = BreakClass;
  const char32_t c = walk.At(i);
  const BreakClass cur = BreakPropertyOf(c).klass;
  if (MayNotBegin(c, cur)) return false;
  // No line ends with an opening bracket, spaces passed over.
  auto ends_in_opening = [&](std::size_t k) {
    while (k > walk.begin && IsSpace(walk.At(walk.Previous(k)))) k = walk.Previous(k);
    return k > walk.begin && MayNotEndLine(walk.At(walk.Previous(k)));
  };
  const char32_t before = walk.At(walk.Previous(i));
  const BreakClass before_class = BreakPropertyOf(before).klass;
  const Break pair = PairBreak(before_class, cur);
  if (pair == Break::kNone) return false;
  if (pair == Break::kAllowed)
    return !(IsSpace(before) ? ends_in_opening(i) : MayNotEnd(before, before_class));
  auto anchors = [](C k) {
    switch (k) {
      case C::SP:
      case C::CM:
      case C::ZWJ:
      case C::SY:
      case C::IS:
      case C::CL:
      case C::CP:
      case C::RI:
      case C::ZW:
      case C::BK:
      case C::CR:
      case C::LF:
      case C::NL:
        return false;
      default:
        return true;
    }
  };
  auto mark = [](C k) { return k == C::CM || k == C::ZWJ; };
  constexpr int kFarthest = 32;
  std::size_t from = i;
  for (int steps = 0; from > walk.begin;) {
    const std::size_t previous = walk.Previous(from);
    if (anchors(BreakPropertyOf(walk.At(previous)).klass)) break;
    if (++steps > kFarthest) return walk.Weighed(i) != Break::kNone;  // so far back: all at once
    from = previous;
  }
  if (from > walk.begin) {
    // The anchor, and the character before it (marks passed over) for LB21a.
    from = walk.Previous(from);
    for (int steps = 0; from > walk.begin && steps < 2 * kFarthest; ++steps) {
      from = walk.Previous(from);
      if (!mark(BreakPropertyOf(walk.At(from)).klass)) break;
    }
  }
  // LB25 looks past an OP or HY to the class after it, marks passed over.
  auto next_class = [&](std::size_t k) {
    for (k = walk.Next(k); k < walk.end; k = walk.Next(k)) {
      const C klass = BreakPropertyOf(walk.At(k)).klass;
      if (!mark(klass)) return klass;
    }
    return C::BK;
  };
  BreakState state;
  Break result = Break::kNone;
  for (std::size_t k = from;; k = walk.Next(k)) {
    result = AdvanceBreak(state, BreakPropertyOf(walk.At(k)), next_class(k));
    if (k == i) break;
  }
  return result != Break::kNone && !ends_in_opening(i);
}

// Greedy: each line takes what fits, to the last place it may break; a
// line with no such place runs on to its first. What is held past the last
// full line waits for more (unless the line ends), but for a run past
// kMostHeld with no place to break.
template <typename Char>
void LineWrap<Char>::Wrap(bool at_end, const Emit& emit) {
  static constexpr Char kScheme[] = {':', '/', '/'};
  // A character the held text's end cuts (a piece may end inside one)
  // waits, but at the line's end.
  text_ = held_;
  if (!at_end) text_ = text_.substr(0, WholeLength(text_, leads_));
  if (text_.size() <= content_from_) return;
  count_ = 0;
  weighed_.clear();
  Line line{0, content_from_, columns_, 0};
  // A URL is one word from its scheme on: weighed over the whole text. A
  // tab's columns depend on where it stands: each character is measured.
  const bool url = text_.find(View(kScheme, 3), content_from_) != View::npos;
  if (url) WeighAll();
  bool done = false;
  if constexpr (sizeof(Char) == 1) {
    if (!url && leads_ == nullptr)
      done = WrapFound<ByUtf8>(at_end, emit, line);
    else if (!url && text_.find('\t', content_from_) == View::npos)
      done = WrapFound<ByByte>(at_end, emit, line);
  }
  if (!done) WrapMeasured(at_end, emit, line);
  if (line.units > 0) {  // the lines before went out, and the continuation
    held_.EraseFront(line.units);
    searched_ = 0;
    content_from_ = 0;
    columns_ = continuation_columns_;
  }
  if (!at_end && held_.size() > kMostHeld) {  // a run with no place to break goes as it is
    emit(held_);
    held_.clear();
    searched_ = 0;
    content_from_ = 0;
    columns_ = line.end_column;
  }
}

// One line goes out: held_ from where the line under way begins to `at`,
// without the spaces before it; the next begins at `at` with the
// continuation.
template <typename Char>
void LineWrap<Char>::Cut(Line& line, std::size_t at, const Emit& emit) {
  static constexpr Char kCrLf[] = {'\r', '\n'};
  std::size_t end = at;
  while (end > line.units && (held_[end - 1] == ' ' || held_[end - 1] == '\t')) --end;
  emit(View(held_).substr(line.units, end - line.units));
  emit(View(kCrLf, 2));
  if (!continuation_.empty()) emit(continuation_);
  line.units = line.start = at;
  line.column = continuation_columns_;
  searched_ = 0;
}

// Every character measured, from the line under way on.
template <typename Char>
void LineWrap<Char>::WrapMeasured(bool at_end, const Emit& emit, Line& line) {
  if (count_ == 0) Measure(text_);
  const std::size_t n = count_;
  auto columns = [&](std::size_t k, std::size_t column) -> std::size_t {
    return glyphs_[k].columns == kTab ? 8 - column % 8 : glyphs_[k].columns;
  };
  ByIndex walk{*this};
  // The line under way begins at a character measured.
  std::size_t start = IndexOf(line.start);
  std::size_t column = line.column;
  auto cut = [&](std::size_t at, std::size_t upto) {
    Cut(line, glyphs_[at].offset, emit);
    start = at;
    column = line.column;
    for (std::size_t k = at; k < upto; ++k) column += columns(k, column);
  };
  // The last characters held wait, but at the line's end: those to come
  // may still forbid a break before them (a number's sign, a URL).
  const std::size_t until = at_end || n < 2 ? n : n - 2;
  std::size_t i = start;
  for (; i < until; ++i) {
    const std::size_t w = columns(i, column);
    if (column + w > width_ && i > start && !IsSpace(CharacterAt(i))) {
      // The line is full before character i: it breaks at the last place
      // it may after some text (spaces alone would make an empty line),
      // else at the first after.
      std::size_t text = start;
      while (IsSpace(CharacterAt(text))) ++text;
      std::size_t last = i;
      while (last > text && !MayBreakBefore(walk, last)) --last;
      if (last > text) {
        cut(last, i);
      } else {
        // What the last wrap of this line looked at afresh is not looked at again.
        std::size_t first = std::max(i + 1, IndexOf(searched_));
        // Between two letters or digits of ASCII a line never breaks.
        auto alnum = [&](std::size_t k) {
          const char32_t c = CharacterAt(k);
          return c < 0x80 && IsAsciiAlnum(static_cast<char>(c));
        };
        for (bool before = alnum(first - 1); first < until; ++first) {
          const bool here = alnum(first);
          if (!(before && here) && MayBreakBefore(walk, first)) break;
          before = here;
        }
        if (first == until) {  // none yet: the line runs on
          searched_ = first < n ? glyphs_[first].offset : text_.size();
          for (; i < until; ++i) column += columns(i, column);
          break;
        }
        for (; i < first; ++i) column += columns(i, column);
        cut(first, first);
      }
    }
    column += columns(i, column);
  }
  for (; i < n; ++i) column += columns(i, column);
  line.end_column = column;
}

// Where a character begins is found from the units around it, so only the
// characters near where a line fills are looked at: a code page without
// tabs (a character's bytes are its columns: where a line fills is known
// from its bytes), and UTF-8 (its columns summed, nothing kept). False, the
// line under way as it stands, where finding where characters begin took
// too long (a long run of bytes that may lead).
template <typename Char>
template <typename Walk>
bool LineWrap<Char>::WrapFound(bool at_end, const Emit& emit, Line& line) {
  Walk walk{*this};
  const std::size_t n = text_.size();
  const std::size_t most_looked = 4 * (n - content_from_) + 1024;
  // Whether the character at `p` may be looked at: the last two wait, but
  // at the line's end.
  auto ready = [&](std::size_t p) {
    if (p >= n) return false;
    if (at_end) return true;
    const std::size_t after = walk.Next(p);
    return after < n && walk.Next(after) < n;
  };
  for (;;) {
    const std::size_t s = line.start;
    walk.line = s;
    if (walk.looked > most_looked) return false;
    const std::size_t o = walk.Overflow(s, line.column);
    if (!ready(o)) break;
    std::size_t text = s;  // a break after spaces alone would make an empty line
    while (text_[text] == ' ' || text_[text] == '\t') ++text;
    std::size_t last = o;
    while (last > text && !MayBreakBefore(walk, last)) last = walk.Previous(last);
    if (last > text) {
      Cut(line, last, emit);
      continue;
    }
    // What the last wrap of this line looked at afresh is not looked at again.
    std::size_t first = std::max(walk.Next(o), searched_);
    // Between two letters or digits of ASCII a line never breaks: a long
    // word passes at a byte's cost.
    auto alnum = [&](std::size_t p) { return walk.Length(p) == 1 && IsAsciiAlnum(text_[p]); };
    for (bool before = alnum(walk.Previous(first)); ready(first); first = walk.Next(first)) {
      const bool here = alnum(first);
      if (before && here) {  // bytes below 0x80 are characters of their own
        while (first + 1 < n && IsAsciiAlnum(text_[first + 1])) ++first;
        continue;
      }
      if (MayBreakBefore(walk, first)) break;
      before = here;
    }
    if (!ready(first)) {  // none yet: the line runs on
      searched_ = first;
      break;
    }
    Cut(line, first, emit);
  }
  // Only a run past kMostHeld asks where the held text ends.
  line.end_column =
      !at_end && held_.size() > kMostHeld ? walk.ColumnsTo(line.start, line.column, n) : 0;
  return true;
}

template class LineWrap<char>;
template class LineWrap<char16_t>;

}  // namespace engine
