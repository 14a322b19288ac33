// What a browser shows of a page: not the document's head (its title and
// the white space before the body begins), nor script, style, noscript and
// template, nor any element hidden by its `hidden` attribute or its inline
// style, with all it holds. Inside such an element the elements open are
// kept as HTML's tree builder keeps them (end tags implied by start tags,
// searches bounded by scopes) until the hidden one ends: by its end tag, by
// a start tag that implies its end, or by the end tag of a block around it.
// Also how deep in svg and math the shown text is, where CDATA sections are
// text and start tags give no raw text.
//
// Without HTML's reading of tags (the classic one) everything is shown.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "html/elements.h"
#include "html/open_elements.h"
#include "html/reference_reader.h"
#include "html/tokenizer.h"

namespace engine::html {

template <typename Char>
class Visibility {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;
  using Token = HtmlTag<Char>;

  // `html`: tags are read as HTML reads them. `references` and `form`
  // decode a style attribute's value. `streamed`: the segments a React
  // server streams hidden (`<div hidden id="S:1">`), which its script then
  // shows in place of their placeholders, are shown where they stand (the
  // `id` attribute must be kept for it).
  Visibility(bool html, const ReferenceReader<Char>& references, const OutputForm<Char>& form,
             bool streamed = false)
      : html_(html), streamed_(streamed), references_(references), form_(form) {
    UpdateQuiet();
  }

  bool html() const { return html_; }
  // Nothing of the text is shown now (hidden, or before the body).
  bool quiet() const { return quiet_; }
  bool Showing() const { return hidden_open_.empty(); }
  std::size_t HiddenDepth() const { return hidden_open_.size(); }
  bool Foreign() const {
    return hidden_open_.empty() ? foreign_depth_ > 0 : hidden_open_.back().foreign;
  }
  static bool KeepsAttribute(std::uint64_t key) {
    return key == names::kHidden || key == names::kStyle;
  }

  // While quiet: the part of a run of text that is shown (what follows the
  // spaces before the body, which it begins), or nothing.
  View ShownText(View run);
  // While quiet: whether a reference is shown (it begins the body).
  bool ShowsReference(char32_t first, char32_t second);

  // A start tag: what follows it, and whether it is shown (else it opens,
  // or stands inside, what hides).
  Content Start(const Token& tag, const Element& element, bool& shown);
  // An end tag: whether it is shown (else it ends what hides, or part of it).
  bool End(const Token& tag, const Element& element);

 private:
  // An element open inside what hides.
  using Open = OpenEntry;

  Content OpenHidden(const Token& tag, const Element& element);
  bool Hides(const Token& tag);
  void BeginBody() {
    body_ = true;
    UpdateQuiet();
  }
  void UpdateQuiet() { quiet_ = html_ && (!hidden_open_.empty() || !body_); }

  const bool html_;
  const bool streamed_;
  const ReferenceReader<Char>& references_;
  const OutputForm<Char>& form_;
  // The elements open inside what hides (the first of them hides), and how
  // deep in svg and math the shown text is.
  OpenElements<Open> hidden_open_;
  std::size_t foreign_depth_ = 0;
  bool body_ = false;   // the body has begun
  bool quiet_ = false;  // nothing of the text is shown now
  String picked_;       // a style attribute's value, decoded
};

}  // namespace engine::html
