// The tokenizer's sink that passes on only what a browser shows (see
// Visibility) to the next stage, a sink of the same kind but for these:
//   void StartTag(const HtmlTag<Char>& tag, const html::Element& element);
//   void EndTag(const HtmlTag<Char>& tag, const html::Element& element);
//   void ClassicTag(const HtmlTag<Char>& tag);  // a tag read the classic way
// in place of Tag, and no Showing or Foreign, which are the filter's. A
// stage that reads some hidden elements' text all the same (a document's
// title) has these too:
//   bool Captures(const HtmlTag<Char>& tag, const html::Element& element);
//   void Captured(View run);  void CapturedSpace(Char c);
//   void CapturedReference(char32_t first, char32_t second);
#pragma once

#include <cstdint>
#include <string_view>

#include "html/elements.h"
#include "html/tokenizer.h"
#include "html/visibility.h"
#include "text/scan.h"

namespace engine::html {

template <typename Char, typename Next>
class ShownFilter {
 public:
  using View = std::basic_string_view<Char>;
  using Token = HtmlTag<Char>;

  ShownFilter(Next& next, Visibility<Char>& visibility) : next_(next), visibility_(visibility) {}

  QUILLMERE_INLINE void Text(View run) {
    if constexpr (kCaptures) {
      if (capturing_) return next_.Captured(run);
    }
    if (visibility_.quiet()) {
      run = visibility_.ShownText(run);
      if (run.empty()) return;
    }
    next_.Text(run);
  }
  QUILLMERE_INLINE void Whitespace(Char c) {
    if constexpr (kCaptures) {
      if (capturing_) return next_.CapturedSpace(c);
    }
    if (!visibility_.quiet()) next_.Whitespace(c);
  }
  QUILLMERE_INLINE void LineBreak(Char c) {
    if constexpr (kCaptures) {
      if (capturing_) return next_.CapturedSpace(c);
    }
    if (!visibility_.quiet()) next_.LineBreak(c);
  }
  QUILLMERE_INLINE void Reference(char32_t first, char32_t second) {
    if constexpr (kCaptures) {
      if (capturing_) return next_.CapturedReference(first, second);
    }
    if (visibility_.quiet() && !visibility_.ShowsReference(first, second)) return;
    next_.Reference(first, second);
  }
  Content Tag(const Token& tag) {
    if constexpr (kCaptures) capturing_ = false;
    if (!visibility_.html()) {
      next_.ClassicTag(tag);
      return Content::kData;
    }
    const Element& element = ElementOf(tag.key);
    if (!tag.end) {
      bool shown = false;
      const Content content = visibility_.Start(tag, element, shown);
      if (shown) {
        next_.StartTag(tag, element);
      } else if constexpr (kCaptures) {
        capturing_ = visibility_.HiddenDepth() == 1 && next_.Captures(tag, element);
      }
      return content;
    }
    if (visibility_.End(tag, element)) next_.EndTag(tag, element);
    return Content::kData;
  }
  QUILLMERE_INLINE bool CollapsesSpaces() const { return next_.CollapsesSpaces(); }
  bool Showing() const {
    if constexpr (kCaptures) {
      if (capturing_) return true;
    }
    return visibility_.Showing();
  }
  bool Foreign() const { return visibility_.Foreign(); }
  bool KeepsAttribute(const Token& tag, std::uint64_t key) const {
    return Visibility<Char>::KeepsAttribute(key) || next_.KeepsAttribute(tag, key);
  }
  bool KeepsRaw(const Token& tag) const { return next_.KeepsRaw(tag); }
  static constexpr bool kWantsNames = false;

 private:
  static constexpr bool kCaptures = requires(Next & next, const Token& tag, const Element& e) {
    next.Captures(tag, e);
  };

  Next& next_;
  Visibility<Char>& visibility_;
  bool capturing_ = false;  // the hidden element just opened is read all the same
};

}  // namespace engine::html
