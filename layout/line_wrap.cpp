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

struct Decoded {
  char32_t c;
  std::size_t units, columns;
};

// The character at `i` of text in the output's form.
Decoded DecodeAt(std::u16string_view text, std::size_t i, const scan::LeadBytes*) {
  char32_t c = text[i];
  std::size_t units = 1;
  if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
      text[i + 1] <= 0xDFFF) {
    c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    units = 2;
  }
  return {c, units, ColumnsOf(c)};
}

Decoded DecodeAt(std::string_view text, std::size_t i, const scan::LeadBytes* leads) {
  const auto b = static_cast<unsigned char>(text[i]);
  if (leads != nullptr) {  // a code page: a character's bytes are its columns
    if ((*leads)[b] && i + 1 < text.size()) {
      const auto t = static_cast<unsigned char>(text[i + 1]);
      return {platform::AnsiUnits()[b << 8 | t], 2, 2};
    }
    return {platform::AnsiUnits()[b], 1, 1};
  }
  if (b < 0x80) return {b, 1, 1};
  const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
  char32_t c = length == 4 ? b & 0x07 : length == 3 ? b & 0x0F : b & 0x1F;
  std::size_t k = 1;
  for (; k < length && i + k < text.size(); ++k)
    c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
  return {c, k, ColumnsOf(c)};
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

bool IsSpace(char32_t c) {
  return c == ' ' || c == '\t';
}

}  // namespace

bool MayNotBeginLine(char32_t c) {
  using C = BreakClass;
  const C k = BreakPropertyOf(c).klass;
  return k == C::CL || k == C::CP || k == C::EX || k == C::IS || k == C::NS ||
         OneOf(c, kClosingQuotes);
}

bool MayNotEndLine(char32_t c) {
  return BreakPropertyOf(c).klass == BreakClass::OP || OneOf(c, kOpeningQuotes);
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
void LineWrap<Char>::Begin(std::size_t columns, String continuation,
                           std::size_t continuation_columns) {
  held_.clear();
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
  through_ = true;
}

template <typename Char>
void LineWrap<Char>::Finish(const Emit& emit) {
  // A line that cannot be wider than the width goes as it is: a unit is
  // at most a column in a code page and in UTF-8, at most two in UTF-16.
  const std::size_t units = held_.size() - content_from_;
  const std::size_t most_columns = columns_ + (sizeof(Char) == 2 ? 2 * units : units);
  if (!through_ && most_columns > width_) Wrap(true, emit);
  if (!held_.empty()) emit(held_);
  held_.clear();
  content_from_ = 0;
  columns_ = 0;
  through_ = false;
}

// Greedy: each line takes what fits, to the last place it may break; a
// line with no such place runs on to its first. What is held past the last
// full line waits for more (unless the line ends), but for a run past
// kMostHeld with no place to break.
template <typename Char>
void LineWrap<Char>::Wrap(bool at_end, const Emit& emit) {
  static constexpr Char kCrLf[] = {'\r', '\n'};
  characters_.clear();
  offsets_.clear();
  std::vector<std::size_t> widths;
  // A character the held text's end cuts (a piece may end inside one)
  // waits, but at the line's end.
  View text = held_;
  if (!at_end) text = text.substr(0, WholeLength(text, leads_));
  for (std::size_t i = content_from_; i < text.size();) {
    const Decoded d = DecodeAt(text, i, leads_);
    characters_.push_back(d.c);
    offsets_.push_back(i);
    widths.push_back(d.columns);
    i += d.units;
  }
  const std::size_t n = characters_.size();
  if (n == 0) return;
  const std::vector<Break> breaks = WrapOpportunities(characters_);
  std::size_t line_units = 0;  // where the line under way begins in held_
  std::size_t start = 0, last = 0, column = columns_;
  bool over = false;
  auto cut = [&](std::size_t at, std::size_t upto) {
    std::size_t end = offsets_[at];
    while (end > line_units && (held_[end - 1] == ' ' || held_[end - 1] == '\t')) --end;
    emit(View(held_).substr(line_units, end - line_units));
    emit(View(kCrLf, 2));
    emit(continuation_);
    line_units = offsets_[at];
    start = at;
    last = 0;
    over = false;
    column = continuation_columns_;
    for (std::size_t k = at; k < upto; ++k)
      column += characters_[k] == '\t' ? 8 - column % 8 : widths[k];
  };
  // The last characters held wait, but at the line's end: those to come
  // may still forbid a break before them (a number's sign, a URL).
  const std::size_t until = at_end || n < 2 ? n : n - 2;
  for (std::size_t i = 0; i < until; ++i) {
    if (i > start && breaks[i] != Break::kNone) {
      if (over) cut(i, i);
      last = i;
    }
    const char32_t c = characters_[i];
    const std::size_t w = c == '\t' ? 8 - column % 8 : widths[i];
    if (column + w > width_ && !IsSpace(c) && i > start) {
      if (last > start)
        cut(last, i);
      else
        over = true;
    }
    column += characters_[i] == '\t' ? 8 - column % 8 : widths[i];
  }
  if (line_units > 0) {  // the lines before went out, and the continuation
    held_.erase(0, line_units);
    content_from_ = 0;
    columns_ = continuation_columns_;
  }
  if (!at_end && held_.size() > kMostHeld) {  // a run with no place to break goes as it is
    emit(held_);
    held_.clear();
    content_from_ = 0;
    columns_ = column;
  }
}

template class LineWrap<char>;
template class LineWrap<char16_t>;

}  // namespace engine
