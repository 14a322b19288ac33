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
// end tag of a block around it. Used only inside engine/.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/clsQuillmere.h"
#include "engine/html_elements.h"
#include "engine/html_tokenizer.h"
#include "engine/reference_reader.h"
#include "engine/scan_helpers.h"

namespace engine {

// What the conversion reads of the options.
struct ScanOptions {
  bool hr = false, br = false, p = false, img = false, aname = false, ahref = false,
       ahref_sharp = false, enter = false;
  int dashes = 0, link_type = 0;
  bool script = false, entity = false, space = false, block = false;
};

template <typename Char>
class ReadableLayout {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;
  using Token = HtmlTag<Char>;

  // `leads` marks the code page's lead bytes (null where there are none);
  // `form` writes decoded characters.
  ReadableLayout(const ScanOptions& options, const OutputForm<Char>& form,
                 const ReferenceReader<Char>& references, const scan::LeadBytes* leads,
                 String image_label, String link_label);

  // Where the output goes until told otherwise; Hand() gives it what is
  // gathered so far.
  void SetOutput(String& out) { out_ = &out; }
  void Hand() {
    out_->append(gathered_.data(), gathered_size_);
    gathered_size_ = 0;
  }
  // The end of the text: the last line breaks stay, what the blocks asked
  // for does not.
  void End();

  // What the tokenizer hands over.
  QUILLMERE_INLINE void Text(View run) {
    if (quiet_) return QuietText(run);
    Visible(run);
  }
  QUILLMERE_INLINE void Whitespace(Char) {
    if (!quiet_) Space();
  }
  QUILLMERE_INLINE void LineBreak(Char c) {
    if (!quiet_) SourceBreak(c);
  }
  QUILLMERE_INLINE void Reference(char32_t first, char32_t second) {
    // Most references stand for one character of ASCII that is no space.
    if (!quiet_ && second == 0 && first > ' ' && first < 0x7F)
      return VisibleChar(static_cast<Char>(first));
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
    return false;
  }
  bool KeepsRaw(const Token& tag) const {
    return options_.link_type == 0 && !tag.end && tag.key == html::names::kA;
  }
  static constexpr bool kWantsNames = false;

  // Open elements and characters held now.
  std::size_t Held() const {
    return hidden_open_.size() + cells_.size() + url_.size() + added_.size() + gathered_size_;
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
  void Count(html::Kind kind, bool closing);
  void Block(html::Kind kind, bool closing);
  void Separate(View mark);

  // Output: text as a browser lays it out, and line breaks.
  QUILLMERE_INLINE void BeforeText() {
    if (breaks_ != 0 || lines_ != 0) FlushLines();
    if (pending_space_) {
      Put(' ');
      pending_space_ = false;
    }
    line_has_text_ = true;
    any_text_ = true;
  }
  QUILLMERE_INLINE void Visible(View run) {
    if (run.empty()) return;
    BeforeText();
    Put(run);
  }
  QUILLMERE_INLINE void VisibleChar(Char c) {
    BeforeText();
    Put(c);
  }
  QUILLMERE_INLINE void Space() {
    if (line_has_text_ && breaks_ == 0 && lines_ == 0) pending_space_ = true;
  }
  QUILLMERE_INLINE void SourceBreak(Char c) {
    pending_space_ = false;
    scan::CountBreak(c, breaks_, cr_pending_);
  }
  // Output is gathered here and handed on a block at a time: most of what
  // the layout writes is a few characters, which a call to append each time
  // would cost more than copying them.
  QUILLMERE_INLINE void Put(Char c) {
    if (gathered_size_ == gathered_.size()) Hand();
    gathered_[gathered_size_++] = c;
  }
  QUILLMERE_INLINE void Put(View run) {
    const std::size_t n = run.size();
    if (n > gathered_.size() - gathered_size_) {
      Hand();
      if (n > gathered_.size()) {
        out_->append(run);
        return;
      }
    }
    Char* to = gathered_.data() + gathered_size_;
    if (n <= 16) {
      for (std::size_t k = 0; k < n; ++k) to[k] = run[k];
    } else {
      std::memcpy(to, run.data(), n * sizeof(Char));
    }
    gathered_size_ += n;
  }
  void Literal(View text);
  void Decoded(char32_t code_point);
  void Break();
  void Lines(int count);
  void FlushLines();
  void AppendValue(View value, String& to) const;
  void UpdateQuiet() { quiet_ = options_.script && (!hidden_open_.empty() || !body_); }

  const ScanOptions options_;
  const OutputForm<Char>& form_;
  const ReferenceReader<Char>& references_;
  const scan::LeadBytes* leads_;
  const String image_label_, link_label_;
  String bullet_;  // "・"
  String* out_ = nullptr;
  std::array<Char, 4096> gathered_;
  std::size_t gathered_size_ = 0;

  String url_;  // the current link's URL
  bool link_open_ = false;
  String scratch_;  // a decoded reference
  String added_;    // what a tag gives
  String value_;    // an image's alternative text and source
  String picked_;   // working space for picking attributes

  // Under SCRIPT: the elements open inside what hides (the first of them
  // hides), and how deep in svg and math the shown text is.
  std::vector<Open> hidden_open_;
  int foreign_depth_ = 0;
  bool body_ = false;   // the body has begun
  bool quiet_ = false;  // nothing of the text is shown now

  int pre_depth_ = 0;
  int list_depth_ = 0;
  std::vector<int> cells_;  // cells so far in the current row, a table each

  std::size_t breaks_ = 0;   // line breaks since the last text
  bool cr_pending_ = false;  // the last break was a CR, which an LF would join
  int lines_ = 0;            // breaks the blocks ask for before the next text
  bool pending_space_ = false;
  bool line_has_text_ = false;
  bool any_text_ = false;
};

}  // namespace engine
