// The elements open at a point of a page, kept as HTML's tree builder keeps
// them, to a bounded depth: the end tags a start tag implies (an open p
// before a block, a list item before the next, a cell before the next cell
// or row, a heading right inside another), and the element an end tag ends,
// found as the tree builder finds it (searches bounded by scopes). Each
// entry is an OpenEntry, or a kind of one that carries what its user needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "html/elements.h"

namespace engine::html {

// Open elements kept at most; a start tag past them opens nothing.
inline constexpr std::size_t kMostOpen = 1000;
// Open elements a search passes at most.
inline constexpr std::size_t kMostSearch = 64;

struct OpenEntry {
  std::uint64_t key = 0;  // the element's name (NameKey)
  const Element* element = nullptr;
  bool foreign = false;  // svg or math, or inside one
};

template <typename Entry>
class OpenElements {
 public:
  bool empty() const { return open_.empty(); }
  std::size_t size() const { return open_.size(); }
  Entry& back() { return open_.back(); }
  const Entry& back() const { return open_.back(); }
  Entry& operator[](std::size_t k) { return open_[k]; }
  const Entry& operator[](std::size_t k) const { return open_[k]; }

  // Opens an element; false, with nothing opened, past kMostOpen.
  bool Push(const Entry& entry) {
    if (open_.size() >= kMostOpen) return false;
    open_.push_back(entry);
    return true;
  }
  // Opens an element of a value-initialized entry, to be filled in where it
  // stands (an entry of many fields built apart and copied in costs more);
  // null, with nothing opened, past kMostOpen.
  Entry* Push() {
    if (open_.size() >= kMostOpen) return nullptr;
    return &open_.emplace_back(kBlank);
  }

  // Ends the elements from `index` on, innermost first, each handed to
  // `ended`; nothing for -1.
  template <typename Ended>
  void PopTo(std::ptrdiff_t index, Ended ended) {
    if (index < 0) return;
    while (open_.size() > static_cast<std::size_t>(index)) {
      ended(open_.back());
      open_.pop_back();
    }
  }
  void PopTo(std::ptrdiff_t index) {
    PopTo(index, [](const Entry&) {});
  }

  // The nearest open element that `match` takes, passing at most
  // kMostSearch and none that `stop` takes (which may be the match); -1 for
  // none.
  template <typename Match, typename Stop>
  std::ptrdiff_t Search(Match match, Stop stop) const {
    const std::size_t n = open_.size();
    for (std::size_t k = 0; k < n && k < kMostSearch; ++k) {
      const Entry& open = open_[n - 1 - k];
      if (match(open)) return static_cast<std::ptrdiff_t>(n - 1 - k);
      if (stop(open)) return -1;
    }
    return -1;
  }

  // Where the element an end tag (of `key`, `element`) ends is; -1 for none.
  std::ptrdiff_t FindOpen(std::uint64_t key, const Element& element) const {
    const Kind kind = element.kind;
    auto same = [key](const Entry& open) { return open.key == key; };
    auto in_scope = [](const Entry& open) { return open.element->Is(kScope); };
    if (kind == Kind::kHeading)  // any heading's end tag ends the open one
      return Search([](const Entry& open) { return open.element->kind == Kind::kHeading; },
                    in_scope);
    if (kind == Kind::kParagraph)
      return Search(same, [](const Entry& open) {
        return open.element->Is(kScope) || open.key == names::kButton;
      });
    if (kind == Kind::kItem)
      return Search(same, [](const Entry& open) {
        return open.element->Is(kScope) || open.element->kind == Kind::kList ||
               open.element->kind == Kind::kOrderedList;
      });
    if (kind == Kind::kCell || kind == Kind::kRow || kind == Kind::kSection || kind == Kind::kTable)
      return Search(same, [](const Entry& open) {
        return open.element->kind == Kind::kTable || open.key == names::kTemplate;
      });
    if (element.Is(kSpecial)) return Search(same, in_scope);
    // An inline element's end tag passes no block.
    return Search(same, [](const Entry& open) { return open.element->Is(kSpecial); });
  }

  // Ends what the start tag of `element` implies, each ended element handed
  // to `ended`.
  template <typename Ended>
  void CloseImplied(const Element& element, Ended ended) {
    using namespace names;
    if (element.Is(kClosesP)) {
      PopTo(
          Search([](const Entry& open) { return open.key == kP; },
                 [](const Entry& open) { return open.element->Is(kScope) || open.key == kButton; }),
          ended);
    }
    const Kind kind = element.kind;
    auto closes = [](const Entry& open) {
      return open.element->Is(kSpecial) && open.key != kAddress && open.key != kDiv &&
             open.key != kP;
    };
    auto in_table = [](const Entry& open) {
      return open.element->kind == Kind::kTable || open.key == kTemplate;
    };
    auto last_is = [this](Kind k) { return !open_.empty() && open_.back().element->kind == k; };
    const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(open_.size()) - 1;
    if (kind == Kind::kItem) {
      PopTo(Search([](const Entry& open) { return open.element->kind == Kind::kItem; }, closes),
            ended);
    } else if (kind == Kind::kTerm || kind == Kind::kDescription) {  // each ends either
      PopTo(Search(
                [](const Entry& open) {
                  return open.element->kind == Kind::kTerm ||
                         open.element->kind == Kind::kDescription;
                },
                closes),
            ended);
    } else if (kind == Kind::kHeading) {
      if (last_is(Kind::kHeading)) PopTo(last, ended);
    } else if (kind == Kind::kCell) {
      PopTo(Search([](const Entry& open) { return open.element->kind == Kind::kCell; },
                   [](const Entry& open) {
                     const Kind k = open.element->kind;
                     return k == Kind::kRow || k == Kind::kSection || k == Kind::kTable ||
                            open.key == kTemplate;
                   }),
            ended);
    } else if (kind == Kind::kRow) {
      PopTo(Search([](const Entry& open) { return open.element->kind == Kind::kRow; },
                   [](const Entry& open) {
                     const Kind k = open.element->kind;
                     return k == Kind::kSection || k == Kind::kTable || open.key == kTemplate;
                   }),
            ended);
    } else if (kind == Kind::kSection) {
      std::ptrdiff_t at =
          Search([](const Entry& open) { return open.element->kind == Kind::kSection; }, in_table);
      if (at < 0)
        at = Search([](const Entry& open) { return open.element->kind == Kind::kRow; }, in_table);
      PopTo(at, ended);
    } else if (kind == Kind::kOption || kind == Kind::kOptionGroup) {
      if (last_is(Kind::kOption)) PopTo(last, ended);
      if (kind == Kind::kOptionGroup && last_is(Kind::kOptionGroup))
        PopTo(static_cast<std::ptrdiff_t>(open_.size()) - 1, ended);
    }
  }

 private:
  // A new entry is copied from this one: value-initializing it in place is a
  // `rep stos`, which costs more than the copy for a few dozen bytes.
  static constexpr Entry kBlank{};
  std::vector<Entry> open_;
};

}  // namespace engine::html
