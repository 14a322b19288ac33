// The layout of the readable text: what the tokenizer reads, and a browser
// shows (html::ShownFilter hands it on), becomes lines. Text goes out as a
// browser lays it out (SPACE), block elements begin and end lines (BLOCK),
// and the ten classic options make text of rules, breaks, paragraphs,
// images and links.
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
#include "layout/ruby_text.h"
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
  bool main = false;  // the page's main content only
  RubyMode ruby = RubyMode::kInline;
  int width = 0;  // lines wrapped at this many columns (0: not)
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

  // What the tokenizer hands over of what is shown.
  QUILLMERE_INLINE void Text(View run) {
    if (ruby_.holding()) return Hold(run);
    lines_.Visible(run);
  }
  QUILLMERE_INLINE void Whitespace(Char) {
    if (ruby_.holding()) {
      const Char space = ' ';
      return Hold(View(&space, 1));
    }
    lines_.Space();
  }
  QUILLMERE_INLINE void LineBreak(Char c) {
    if (ruby_.holding()) return Hold(View(&c, 1));
    lines_.SourceBreak(c);
  }
  QUILLMERE_INLINE void Reference(char32_t first, char32_t second) {
    // Most references stand for one character of ASCII that is no space.
    if (second == 0 && first > ' ' && first < 0x7F && !ruby_.holding())
      return lines_.VisibleChar(static_cast<Char>(first));
    Decoded(first);
    if (second) Decoded(second);
  }
  // Tags read as HTML reads them, and (without SCRIPT) as written.
  void StartTag(const Token& tag, const html::Element& element);
  void EndTag(const Token& tag, const html::Element& element);
  void ClassicTag(const Token& tag);
  QUILLMERE_INLINE bool CollapsesSpaces() const { return options_.space && pre_depth_ == 0; }
  // What the layout reads of attributes: a link's target and name, an
  // image's text and source, a list's numbering, a cell's span.
  bool KeepsAttribute(const Token& tag, std::uint64_t key) const {
    using namespace html::names;
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

  // Characters and open containers held now.
  std::size_t Held() const {
    return cells_.size() + url_.size() + added_.size() + lines_.Held() + links_.Held() +
           ruby_.Held();
  }

 private:
  void OpenLink(const Token& tag, String& add);
  void Image(const Token& tag, String& add);
  // Without SCRIPT: tags as written, classified as the classic conversion
  // classifies them.
  void OpenClassicLink(View tag, String& add);

  void CloseLink(bool shown, String& add);
  bool LinkTo(String& add);
  void Count(html::Kind kind, bool closing);
  void Block(const html::Element& element, bool closing, const Token* tag);
  void Break() {
    WriteRuby();
    lines_.HardBreak();
  }
  void Literal(View text) {
    if (ruby_.holding()) return Hold(text);
    lines_.Literal(text, CollapsesSpaces());
  }
  void Visible(View text) {
    if (ruby_.holding()) return Hold(text);
    lines_.Visible(text);
  }
  // Ruby (RUBY): what a ruby holds waits until its end, or until a line or
  // a block breaks it.
  void RubyTag(std::uint64_t key, bool end);
  void Hold(View text) {
    if (!ruby_.Add(text)) WriteRuby();
  }
  void WriteRuby() {
    if (ruby_.holding()) ruby_.Write(lines_, CollapsesSpaces());
  }
  void Decoded(char32_t code_point);
  void AppendValue(View value, String& to) const;

  const ScanOptions options_;
  const OutputForm<Char>& form_;
  const ReferenceReader<Char>& references_;
  const scan::LeadBytes* leads_;
  const String image_label_, link_label_;
  TextLines<Char> lines_;
  LinkReferences<Char> links_;
  RubyText<Char> ruby_;

  String url_;  // the current link's URL
  bool link_open_ = false;
  std::size_t link_number_ = 0;  // its number, with LINKS
  String scratch_;               // a decoded reference
  String added_;                 // what a tag gives
  String value_;                 // an image's alternative text and source
  String picked_;                // working space for picking attributes

  int pre_depth_ = 0;
  std::vector<int> cells_;  // cells so far in the current row, a table each (without TABLE)
};

}  // namespace engine
