// The layout of the readable text: what the tokenizer reads becomes lines.
// Text goes out as a browser lays it out (SPACE), block elements begin and
// end lines (BLOCK), the ten classic options make text of rules, breaks,
// paragraphs, images and links, and under SCRIPT what a browser does not
// show is left out: the document's head, script and style, noscript and
// template, and every element hidden by its `hidden` attribute or its
// inline style, with all it holds. Inside such an element it keeps the
// elements open as HTML's tree builder keeps them (end tags implied by start
// tags, searches bounded by scopes), to a bounded depth, until the hidden
// one ends: by its end tag, by a start tag that implies its end, or by the
// end tag of a block around it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "html/elements.h"
#include "html/reference_reader.h"
#include "html/tokenizer.h"
#include "layout/link_references.h"
#include "layout/text_lines.h"
#include "text/byte_codec.h"
#include "text/classic_tags.h"
#include "text/scan.h"

namespace engine {

// What the conversion reads of the options.
struct ScanOptions {
  bool hr = false, br = false, p = false, img = false, aname = false, ahref = false,
       ahref_sharp = false, enter = false;
  int dashes = 0, link_type = 0;
  bool script = false, entity = false, space = false, block = false;
  bool table = false, links = false;
};

template <typename Char>
class ReadableLayout {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;
  using Token = HtmlTag<Char>;

  // `leads` marks the code page's lead bytes (null where there are none);
  // `form` writes decoded characters; `link_spill` keeps the list of link
  // references past a MiB (null: in memory).
  ReadableLayout(const ScanOptions& options, const OutputForm<Char>& form,
                 const ReferenceReader<Char>& references, const scan::LeadBytes* leads,
                 String image_label, String link_label, Overflow* link_spill);

  // Where the output goes until told otherwise; Hand() gives it what is
  // gathered so far.
  void SetOutput(String& out) { lines_.SetOutput(out); }
  void Hand() { lines_.Hand(); }
  // The end of the text: the last line breaks stay, what the blocks asked
  // for does not; with LINKS the list of links follows. `block` is called
  // after each block of the list read back from its scratch file.
  void End(const std::function<void()>& block);

  // What the tokenizer hands over.
  QUILLMERE_INLINE void Text(View run) {
    if (quiet_) return QuietText(run);
    lines_.Visible(run);
  }
  QUILLMERE_INLINE void Whitespace(Char) {
    if (!quiet_) lines_.Space();
  }
  QUILLMERE_INLINE void LineBreak(Char c) {
    if (!quiet_) lines_.SourceBreak(c);
  }
  QUILLMERE_INLINE void Reference(char32_t first, char32_t second) {
    // Most references stand for one character of ASCII that is no space.
    if (!quiet_ && second == 0 && first > ' ' && first < 0x7F)
      return lines_.VisibleChar(static_cast<Char>(first));
    OtherReference(first, second);
  }
  html::Content Tag(const Token& tag) {
    if (!options_.script) {
      ClassicTag(tag);
      return html::Content::kData;
    }
    const html::Element& element = html::ElementOf(tag.key);
    if (!tag.end) return StartTag(tag, element);
    EndTag(tag, element);
    return html::Content::kData;
  }
  QUILLMERE_INLINE bool CollapsesSpaces() const { return options_.space && pre_depth_ == 0; }
  bool Showing() const { return hidden_open_.empty(); }
  bool Foreign() const {
    return hidden_open_.empty() ? foreign_depth_ > 0 : hidden_open_.back().foreign;
  }
  // What the layout reads of attributes: whether they hide the element, a
  // link's target and name, an image's text and source.
  bool KeepsAttribute(const Token& tag, std::uint64_t key) const {
    using namespace html::names;
    if (key == kHidden || key == kStyle) return true;
    if (tag.key == kA) return key == kHref || key == kName;
    if (tag.key == kImg || tag.key == kImage) return key == kAlt || key == kSrc;
    if (tag.key == kOl) return key == kStart || key == kReversed || key == kType;
    if (tag.key == kLi) return key == kValue || key == kType;
    if (tag.key == kTd || tag.key == kTh) return key == kColspan;
    return false;
  }
  bool KeepsRaw(const Token& tag) const {
    return options_.link_type == 0 && !options_.links && !tag.end && tag.key == html::names::kA;
  }
  static constexpr bool kWantsNames = false;

  // Open elements and characters held now.
  std::size_t Held() const {
    return hidden_open_.size() + cells_.size() + url_.size() + added_.size() + lines_.Held() +
           links_.Held();
  }

 private:
  // An element open inside what hides.
  struct Open {
    std::uint64_t key;
    const html::Element* element;
    bool foreign;  // svg or math, or inside one
  };

  void OtherReference(char32_t first, char32_t second);

  // Under SCRIPT.
  void QuietText(View run);
  html::Content StartTag(const Token& tag, const html::Element& element);
  html::Content OpenHidden(const Token& tag, const html::Element& element);
  void EndTag(const Token& tag, const html::Element& element);
  std::ptrdiff_t FindOpen(const Token& tag, const html::Element& element) const;
  void BeginBody();
  void CloseImplied(const html::Element& element);
  template <typename Match, typename Stop>
  std::ptrdiff_t Search(Match match, Stop stop) const;
  void PopTo(std::ptrdiff_t index);
  bool Hides(const Token& tag);
  void OpenLink(const Token& tag, String& add);
  void Image(const Token& tag, String& add);

  // Without SCRIPT: tags as written, classified as the classic conversion
  // classifies them.
  void ClassicTag(const Token& tag);
  void OpenClassicLink(View tag, String& add);

  void CloseLink(bool shown, String& add);
  bool LinkTo(String& add);
  void Count(html::Kind kind, bool closing);
  void Block(const html::Element& element, bool closing, const Token* tag);
  void Break() { lines_.HardBreak(); }
  void Literal(View text) { lines_.Literal(text, CollapsesSpaces()); }
  void Decoded(char32_t code_point);
  void AppendValue(View value, String& to) const;
  void UpdateQuiet() { quiet_ = options_.script && (!hidden_open_.empty() || !body_); }

  const ScanOptions options_;
  const OutputForm<Char>& form_;
  const ReferenceReader<Char>& references_;
  const scan::LeadBytes* leads_;
  const String image_label_, link_label_;
  TextLines<Char> lines_;
  LinkReferences<Char> links_;

  String url_;  // the current link's URL
  bool link_open_ = false;
  std::size_t link_number_ = 0;  // its number, with LINKS
  String scratch_;               // a decoded reference
  String added_;                 // what a tag gives
  String value_;                 // an image's alternative text and source
  String picked_;                // working space for picking attributes

  // Under SCRIPT: the elements open inside what hides (the first of them
  // hides), and how deep in svg and math the shown text is.
  std::vector<Open> hidden_open_;
  int foreign_depth_ = 0;
  bool body_ = false;   // the body has begun
  bool quiet_ = false;  // nothing of the text is shown now

  int pre_depth_ = 0;
  std::vector<int> cells_;  // cells so far in the current row, a table each (without TABLE)
};

}  // namespace engine
