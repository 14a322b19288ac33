// The numbered link references of the readable text (LINKS): each link's
// target gets a number, the first it got when it comes again, and the list
// of them ("[N] URL", a line each) is kept for the text's end, in memory up
// to a MiB and past that in the session's scratch file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "text/byte_codec.h"

namespace engine {

template <typename Char>
class LinkReferences {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;

  // `spill` keeps the list past a MiB (null: all of it in memory).
  explicit LinkReferences(Overflow* spill) : spill_(spill) {}

  // The number of the link to `url` (in the output's form).
  std::size_t Number(View url);
  bool empty() const { return count_ == 0; }

  // The list, line after line (no line break in them), to `line`; `block`
  // after each block read back from the scratch file. Throws
  // OverflowUnreadable when it cannot be read.
  void Write(const std::function<void(View)>& line, const std::function<void()>& block) const;

  // No more numbers are asked for: the URLs seen are forgotten.
  void Forget() {
    std::vector<Seen>().swap(seen_);
    remembered_ = 0;
  }

  // Characters held in memory.
  std::size_t Held() const { return list_.size() + seen_.size() * sizeof(Seen); }

 private:
  struct Seen {
    std::uint64_t hash = 0;  // 0: empty
    std::uint32_t number = 0;
  };

  Overflow* spill_;
  String list_;  // "[N] URL" lines, each ending in CR LF, not yet spilled
  bool spilled_ = false;
  std::size_t count_ = 0;
  // The URLs seen, by a hash of their text, up to 65,536: past
  // that, a URL that comes again gets a number of its own.
  std::vector<Seen> seen_;
  std::size_t remembered_ = 0;
};

}  // namespace engine
