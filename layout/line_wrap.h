// Lines wrapped at a width (WIDTH), broken where Unicode's line breaking
// algorithm allows and Japanese typesetting's rules (kinsoku shori) do not
// forbid: no line begins with a closing bracket or quotation mark, 、。，．,
// ・：；？！‼⁇, a small kana, ー or an iteration mark, and none ends with an
// opening bracket or quotation mark; a character that may not begin a line
// takes the one before it along (oidashi). A run with no place to break
// that is wider than the width stands alone on its line, unbroken. Spaces
// at a break go; the lines a line wraps into begin with its continuation
// (the indentation of its container, the marker's width in spaces).
//
// The line under way is held until it ends or holds eight times the width
// (in units), so that most characters are looked at once; a run
// with no place to break goes out as it is past kMostHeld units, so that
// memory stays bounded however long the line.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "layout/line_breaks.h"
#include "text/scan.h"

namespace engine {

// Whether Japanese typesetting forbids `c` at a line's start, or at its end.
bool MayNotBeginLine(char32_t c);
bool MayNotEndLine(char32_t c);

// Where a line of `text` may break: Unicode's opportunities less those
// within a URL and those Japanese typesetting forbids.
std::vector<Break> WrapOpportunities(std::u32string_view text);

template <typename Char>
class LineWrap {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;
  using Emit = std::function<void(View)>;

  static constexpr std::size_t kMostHeld = 64 * 1024;

  // `leads`: the code page's lead bytes (columns are its bytes); without,
  // UTF-8 or UTF-16.
  LineWrap(std::size_t width, const scan::LeadBytes* leads) : width_(width), leads_(leads) {}

  // A line begins. Its indentation comes next through Add, `columns` wide;
  // its later lines begin with `continuation`, `continuation_columns` wide.
  void Begin(std::size_t columns, String continuation, std::size_t continuation_columns);
  // The indentation is all added: what follows may wrap.
  void EndIndentation() { content_from_ = held_.size(); }
  void Add(View text, const Emit& emit) {
    if (through_) return emit(text);
    held_.append(text);
    if (held_.size() - content_from_ > 8 * width_) Wrap(false, emit);
  }
  // The rest of the line is not to be wrapped (pre, a grid, a rule, a
  // link's line): what is held goes out wrapped, and the rest as it comes.
  void Unwrapped(const Emit& emit);
  // The line ends: it is wrapped, and goes out.
  void Finish(const Emit& emit);

  bool held() const { return !held_.empty() || through_; }
  std::size_t Held() const { return held_.size() + continuation_.size(); }
  // The last units of the line under way.
  View Tail() const { return held_; }

 private:
  void Wrap(bool at_end, const Emit& emit);

  const std::size_t width_;
  const scan::LeadBytes* leads_;
  String held_;
  std::size_t content_from_ = 0;  // held_ from here may wrap
  std::size_t columns_ = 0;       // of held_ before content_from_, or of what went out before it
  String continuation_;
  std::size_t continuation_columns_ = 0;
  bool through_ = false;
  // Working space.
  std::u32string characters_;
  std::vector<std::size_t> offsets_;  // of each character in held_
};

}  // namespace engine
