// The page as the layout would have it, held until the main-content choice
// is made: runs of text, spaces and line breaks, decoded references and
// tags with the attributes the layout reads, one record after another, in
// memory up to a few MiB and past that in the session's scratch file. Read
// back once, in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "html/tokenizer.h"
#include "text/byte_codec.h"

namespace engine::maincontent {

template <typename Char>
class PageLog {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;
  using Token = HtmlTag<Char>;

  enum class Kind : std::uint8_t { kText = 1, kBlanks, kReference, kStart, kEnd, kClassic };

  // `spill` keeps the records past the first few MiB (null: all in memory).
  explicit PageLog(Overflow* spill) : spill_(spill) {}

  void Text(View run);
  // White space the layout collapses, and a line break of the page's: the
  // characters of a run of them, a line break marked with kBreakMark.
  void Space(Char c) { Blank(c); }
  void Break(Char c) { Blank(static_cast<Char>(c | kBreakMark)); }
  static constexpr Char kBreakMark = 0x40;  // above every blank
  void Reference(char32_t first, char32_t second);
  // A tag and the attributes `keeps(key)` takes, with the tag as written
  // when `raw` (start and end tags; a tag read the classic way).
  template <typename Keeps>
  void Tag(Kind kind, const Token& tag, bool raw, Keeps keeps) {
    Begin(kind);
    Put64(tag.key);
    std::size_t count = 0;
    for (const auto& a : tag.attributes()) count += keeps(a.key);
    bytes_.push_back(
        static_cast<char>((tag.end ? 1 : 0) | (tag.self_closing ? 2 : 0) | (tag.raw_cut ? 4 : 0)));
    PutSize(count);
    for (const auto& a : tag.attributes()) {
      if (!keeps(a.key)) continue;
      Put64(a.key);
      bytes_.push_back(a.cut ? 1 : 0);
      PutText(View(a.value));
    }
    PutText(raw ? tag.raw : View());
    End();
  }

  // The records in order, to `take(kind, record)`: for text, the run; for
  // blanks, theirs; for a reference its code points; for a tag the tag
  // itself (its raw text, when kept, in `tag.raw`). `block`
  // after each block read back from the scratch file. Throws
  // OverflowUnreadable when it cannot be read.
  struct Record {
    Kind kind;
    View text;
    char32_t first = 0, second = 0;
    const Token* tag = nullptr;
  };
  void Replay(const std::function<void(const Record&)>& take, const std::function<void()>& block);

  // Characters held in memory.
  std::size_t Held() const { return bytes_.size() / sizeof(Char); }

 private:
  void Begin(Kind kind) {
    blanks_at_ = std::string::npos;
    bytes_.push_back(static_cast<char>(kind));
  }
  void End();
  void Blank(Char c);
  void Put64(std::uint64_t v) {
    char b[8];
    for (int k = 0; k < 8; ++k) b[k] = static_cast<char>(v >> (8 * k));
    bytes_.append(b, 8);
  }
  void PutSize(std::size_t n) {
    for (; n >= 0x80; n >>= 7) bytes_.push_back(static_cast<char>(n | 0x80));
    bytes_.push_back(static_cast<char>(n));
  }
  void PutText(View text) {
    PutSize(text.size());
    PutUnits(text);
  }
  // Units of two bytes start at an even offset, where a reader finds them.
  void PutUnits(View units) {
    if constexpr (sizeof(Char) > 1)
      while (bytes_.size() % sizeof(Char) != 0) bytes_.push_back('\0');
    bytes_.append(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(Char));
  }
  // Reads the records of `bytes` (whole ones; returns how much they took).
  std::size_t Read(std::string_view bytes, const std::function<void(const Record&)>& take);

  Overflow* spill_;
  std::string bytes_;  // records not yet spilled
  // Where the count of the run of blanks that ends the records stands.
  std::size_t blanks_at_ = std::string::npos;
  bool spilled_ = false;
  Token token_;  // a tag read back
};

}  // namespace engine::maincontent
