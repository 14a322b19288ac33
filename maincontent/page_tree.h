// The elements of a page as a tree, built from its tags as they come: each
// element that opens gets the next number (the page itself is 0), so that an
// element and all inside it are the numbers from its own to its last, and
// the same tags read again give the same numbers. The blocks among them
// (and the elements whose names say what they are) are remembered with what
// their text measures, for the main-content choice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "html/elements.h"
#include "html/open_elements.h"
#include "html/tokenizer.h"
#include "maincontent/text_measures.h"

namespace engine::maincontent {

// What a block's text and the elements in it add up to.
struct Sums {
  std::uint32_t chars = 0, wide = 0, words = 0, commas = 0, stops = 0;
  std::uint32_t link_weight = 0;  // the weight of the text inside links
  std::uint32_t links = 0, images = 0, controls = 0;
  std::uint32_t blocks = 0;    // blocks with text of their own
  std::uint32_t headings = 0;  // h1 to h6
  // (Whole vectors: a copy of 44 bytes is made of overlapping ones, and
  // Add's vectors would wait on them.)
  std::uint32_t padding = 0;
  // How much text: Chinese and Japanese characters count as much as a few
  // letters each (a clause of 20 kanji and kana says what one of 60
  // letters does).
  std::uint32_t weight() const { return chars + 2 * wide; }
  // Each count plus the other's, and the blocks and headings plus those
  // given, at most 2^32 - 1. (Added two to four times for every element
  // that ends: eleven sums at once, the counts given among them, since a
  // vector's load would wait on a count just stored on its own.)
  void Add(const Sums& o, std::uint32_t more_blocks = 0, std::uint32_t more_headings = 0) {
#if defined(__SSE2__) || defined(_M_X64)
    static_assert(sizeof(Sums) == 48 && std::is_trivially_copyable_v<Sums>);
    static_assert(offsetof(Sums, blocks) == 36 && offsetof(Sums, headings) == 40);
    char* const to = reinterpret_cast<char*>(this);
    const char* const from = reinterpret_cast<const char*>(&o);
    const auto add = [](__m128i a, __m128i b) {
      const __m128i sign = _mm_set1_epi32(INT32_MIN);
      const __m128i sum = _mm_add_epi32(a, b);
      // Wrapped where the sum is below what was there (compared unsigned).
      return _mm_or_si128(sum, _mm_cmpgt_epi32(_mm_xor_si128(a, sign), _mm_xor_si128(sum, sign)));
    };
    for (int offset : {0, 16, 32}) {
      __m128i sum = add(_mm_loadu_si128(reinterpret_cast<const __m128i*>(to + offset)),
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + offset)));
      if (offset == 32) {
        sum = add(sum, _mm_set_epi32(0, static_cast<int>(more_headings),
                                     static_cast<int>(more_blocks), 0));
      }
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to + offset), sum);
    }
#else
    AddEach(o, more_blocks, more_headings);
#endif
  }
  // The same, count by count (the reference).
  void AddEach(const Sums& o, std::uint32_t more_blocks = 0, std::uint32_t more_headings = 0);
  void AddText(const TextMeasures& m, bool in_link);
};

// A block (or a named element) of the page, as the choice sees it.
struct NodeRecord {
  std::uint32_t id = 0;      // its number
  std::uint32_t end = 0;     // the last number inside it
  std::uint32_t parent = 0;  // the number of the nearest recorded element around it (0: the page)
  std::uint32_t hints = 0;   // what its tag says (maincontent::Hint)
  std::uint32_t signature = 0;  // its name and class: alike in the items of a list
  std::uint32_t opening = 0;    // how its own text opens (Opening), 0 for little text
  std::uint16_t depth = 0;      // recorded elements around it
  html::Kind kind = html::Kind::kOther;
  Sums own;  // its own text: not that of the recorded elements inside it (where
             // records were joined past their bound, the text of `own.blocks` blocks)
  Sums all;  // its own and all inside it
  // How many elements it stands for: 1, or those joined into it.
  std::uint32_t joined() const { return own.blocks > 1 ? own.blocks : 1; }
};

// Opens the element of a start tag on `open` (unless it is void, or a
// self-closing one in svg or math), after ending what the tag implies,
// each ended entry handed to `ended`. The entry opened, its key, element and
// foreign set, the rest value-initialized for the caller to fill in; null
// when none opened.
template <typename Entry, typename Ended>
Entry* OpenElement(html::OpenElements<Entry>& open, std::uint64_t key, bool self_closing,
                   const html::Element& element, Ended ended) {
  const bool in_foreign = !open.empty() && open.back().foreign;
  if (in_foreign && element.Is(html::kBreaksOut)) {
    std::ptrdiff_t at = static_cast<std::ptrdiff_t>(open.size());
    while (at > 0 && open[static_cast<std::size_t>(at - 1)].foreign) --at;
    open.PopTo(at, ended);
  }
  if (element.Is(html::kImplies)) open.CloseImplied(element, ended);
  const bool foreign =
      element.kind == html::Kind::kForeignRoot || (!open.empty() && open.back().foreign);
  if (foreign ? self_closing : element.Is(html::kVoid)) return nullptr;
  Entry* entry = open.Push();
  if (entry == nullptr) return nullptr;
  entry->key = key;
  entry->element = &element;
  entry->foreign = foreign;
  return entry;
}

// Ends the element an end tag names, with all inside it, each handed to
// `ended`; the index it stood at, or -1 when none is open.
template <typename Entry, typename Ended>
std::ptrdiff_t CloseElement(html::OpenElements<Entry>& open, std::uint64_t key,
                            const html::Element& element, Ended ended) {
  if (element.kind == html::Kind::kBreak) return -1;  // "</br>" is a break
  const std::ptrdiff_t at = open.FindOpen(key, element);
  open.PopTo(at, ended);
  return at;
}

}  // namespace engine::maincontent
