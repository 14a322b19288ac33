// A tag whose ">" is far away, or never comes, in a byte session: its first
// characters, enough to classify it, stay in memory; past a MiB the rest
// goes to the session's overflow, if it has one and the overflow takes it.
// Shared by the classic and the readable scan.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "text/byte_codec.h"
#include "text/errors.h"
#include "text/scan.h"

namespace engine::long_tag {

constexpr std::size_t kHead = 16;
constexpr std::size_t kInMemory = 1 << 20;

// Appends `more` to the tag in memory. Returns true when this moved the
// tag's text past its head to the overflow (the tag is then "spilled").
template <typename Char>
bool Grow(std::basic_string<Char>& tag, std::basic_string_view<Char> more, Overflow* overflow) {
  tag.append(more);
  if constexpr (sizeof(Char) == 1) {
    if (overflow && tag.size() > kInMemory &&
        overflow->Append(std::string_view(tag).substr(kHead))) {
      tag.resize(kHead);
      return true;
    }
  }
  return false;
}

// A spilled tag has ended: image and link tags are put together again
// (their text becomes output); of any other only what is in memory matters.
// Empties the overflow.
inline std::string Join(std::string_view tag, Overflow& overflow) {
  std::string whole;
  if (scan::StartsUpper(tag, "<IM") || scan::StartsUpper(tag, "<A ")) {
    whole.append(tag.substr(0, kHead));
    if (!overflow.ReadAll([&](std::string_view bytes) { return whole.append(bytes), true; }))
      throw OverflowUnreadable();
    whole.append(tag.substr(kHead));
  } else {
    whole = tag;
  }
  overflow.Clear();
  return whole;
}

// A spilled tag turned out to be text: its characters in order, to `put`,
// with `after_block` called after each block read back from the overflow.
// Empties the overflow.
template <typename Put, typename AfterBlock>
void Replay(std::string_view tag, Overflow& overflow, Put put, AfterBlock after_block) {
  put(tag.substr(0, kHead));
  if (!overflow.ReadAll([&](std::string_view bytes) {
        put(bytes);
        after_block();
        return true;
      }))
    throw OverflowUnreadable();
  overflow.Clear();
  put(tag.substr(kHead));
}

}  // namespace engine::long_tag
