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
// The line under way is held until it ends or holds 32 times the width
// (in units), so that most characters are looked at once; a run
// with no place to break goes out as it is past kMostHeld units, so that
// memory stays bounded however long the line. Only the places near where a
// line fills are weighed: the rules are followed from the nearest character
// that leaves them nothing of the text before it, and over the whole held
// text only where a URL or a long run of such characters asks for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
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
  QUILLMERE_INLINE void Add(View text, const Emit& emit) {
    if (through_) return emit(text);
    held_.append(text);
    if (held_.size() - content_from_ > 32 * width_) Wrap(false, emit);
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
  struct Glyph {
    std::size_t offset;    // in held_
    std::uint8_t columns;  // kTab for a tab, whose columns depend on where it stands
  };
  static constexpr std::uint8_t kTab = 0xFF;

  struct Line {
    std::size_t units;       // where the line under way begins in held_, its indentation in it
    std::size_t start;       // where its text that may wrap begins
    std::size_t column;      // the column there
    std::size_t end_column;  // the column at the held text's end
  };
  struct ByIndex;
  struct ByByte;
  struct ByUtf8;

  // The held text. A line is added to in many short runs (text between
  // tags and references): each is copied here with no call but the copy.
  class HeldUnits {
   public:
    HeldUnits() = default;
    HeldUnits(HeldUnits&& other) noexcept
        : units_(std::move(other.units_)),
          size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)) {}
    HeldUnits& operator=(HeldUnits&& other) noexcept {
      units_ = std::move(other.units_);
      size_ = std::exchange(other.size_, 0);
      capacity_ = std::exchange(other.capacity_, 0);
      return *this;
    }

    QUILLMERE_INLINE void append(View text) {
      if (text.empty()) return;
      if (text.size() > capacity_ - size_) Grow(text.size());
      std::memcpy(units_.get() + size_, text.data(), text.size() * sizeof(Char));
      size_ += text.size();
    }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() { size_ = 0; }
    Char operator[](std::size_t i) const { return units_[i]; }
    operator View() const { return View(units_.get(), size_); }
    // Drops the first n units.
    void EraseFront(std::size_t n) {
      std::memmove(units_.get(), units_.get() + n, (size_ - n) * sizeof(Char));
      size_ -= n;
    }

   private:
    void Grow(std::size_t more);

    std::unique_ptr<Char[]> units_;
    std::size_t size_ = 0, capacity_ = 0;
  };

  void Wrap(bool at_end, const Emit& emit);
  void Cut(Line& line, std::size_t at, const Emit& emit);
  void WrapMeasured(bool at_end, const Emit& emit, Line& line);
  template <typename Walk>
  bool WrapFound(bool at_end, const Emit& emit, Line& line);
  void Measure(View text);
  template <typename Walk>
  bool MayBreakBefore(Walk& walk, std::size_t i);
  std::size_t IndexOf(std::size_t offset) const;
  char32_t CharacterAt(std::size_t i) const;
  void WeighAll();

  const std::size_t width_;
  const scan::LeadBytes* leads_;
  HeldUnits held_;
  std::size_t content_from_ = 0;  // held_ from here may wrap
  std::size_t columns_ = 0;       // of held_ before content_from_, or of what went out before it
  String continuation_;
  std::size_t continuation_columns_ = 0;
  bool through_ = false;
  // Where the line under way was last looked at for a first place to break
  // after it filled, and none was found: in held_, from content_from_.
  std::size_t searched_ = 0;
  // Working space for one Wrap.
  View text_;                  // what of held_ may wrap now
  std::vector<Glyph> glyphs_;  // its characters from content_from_ on: the first count_
  std::size_t count_ = 0;
  std::vector<Break> weighed_;  // where the whole text was weighed: each character's break
  std::u32string characters_;   // for that
};

}  // namespace engine
