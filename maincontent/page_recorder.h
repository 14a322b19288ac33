// The first half of the main-content choice: what the page's shown text and
// tags build, as they come. The elements open are kept as HTML keeps them;
// each text run is measured into the block it stands in (inside a link or
// not); and each block, and each element whose name says what it is, is
// remembered when it ends with what it and all inside it measure. Past a
// bound on those remembered, the finest are joined into their neighbours,
// so that a page of a million blocks holds a few MiB. Also kept: the
// document's title, the og:title, the first headings' text and the page's
// structured data (JSON-LD), for the title and for text only they carry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "html/elements.h"
#include "html/open_elements.h"
#include "html/reference_reader.h"
#include "html/tokenizer.h"
#include "maincontent/hints.h"
#include "maincontent/page_tree.h"
#include "maincontent/text_measures.h"
#include "text/scan.h"

namespace engine::maincontent {

// What the page says of itself beyond its blocks, in the session's form.
template <typename Char>
struct PageFacts {
  using String = std::basic_string<Char>;
  String title;     // the document's title
  String og_title;  // the og:title
  // Their characters the output cannot hold, counted among those lost only
  // where they are written (and so the JSON-LD's text's).
  using Held = typename OutputForm<Char>::Held;
  std::vector<Held> title_held, og_title_held, structured_text_held;
  struct Heading {
    std::uint32_t id = 0;  // its element's number
    String text;           // its first characters
  };
  std::vector<Heading> headings;  // the first h1 and h2 elements
  String structured;              // the text of JSON-LD scripts, joined
  // How the descriptions the page gives of itself open (its meta
  // descriptions, and a JSON-LD description or articleBody).
  std::vector<std::uint32_t> descriptions;
  // The longest text the JSON-LD gives of the page (an articleBody or a
  // description), its white space as single spaces, and how it opens.
  String structured_text;
  std::uint32_t structured_opening = 0;
  double structured_weight = 0;  // as Sums::weight counts it
  bool article = false;          // it says it is an article (og:type, a JSON-LD Article)
};

template <typename Char>
class PageRecorder {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;
  using Token = HtmlTag<Char>;

  PageRecorder(const scan::LeadBytes* leads, const ReferenceReader<Char>& references,
               const OutputForm<Char>& form);

  void Text(View run);
  void Reference(char32_t first, char32_t second);
  void Space() { measure_.in_word = false; }
  void Start(const Token& tag, const html::Element& element);
  void End(const Token& tag, const html::Element& element);

  // A hidden element whose text is read all the same: the title, a JSON-LD
  // script. True when `tag` is one; its text then comes to Captured.
  bool Captures(const Token& tag, const html::Element& element);
  // Whether Captures may take `tag`, whatever came before it.
  static bool MayCapture(const Token& tag);
  void Captured(View run);
  void CapturedReference(char32_t first, char32_t second);

  // The end of the page: what is open ends.
  void Finish();
  // What another page says of itself where this one says nothing (this
  // one read from that one's noscript elements).
  void AdoptFacts(const PageFacts<Char>& from);

  // The attributes read (beyond the layout's).
  static bool Keeps(const Token& tag, std::uint64_t key);

  const std::vector<NodeRecord>& records() const { return records_; }
  const PageFacts<Char>& facts() const { return facts_; }
  std::uint32_t last_id() const { return next_id_; }
  // The page's own text (outside every recorded element) and all of it.
  const Sums& page_own() const { return page_.own; }
  const Sums& page_all() const { return page_.all; }

  std::size_t Held() const;

 private:
  struct Open : html::OpenEntry {
    std::uint32_t id = 0;
    std::uint32_t hints = 0;
    std::uint32_t signature = 0;
    Opening opening;
    bool recorded = false;
    bool link = false;
    Sums own, all;  // `all` holds what ended inside it so far; `own` its text
  };
  struct Heading {
    std::size_t index;  // in facts_.headings
    std::size_t depth;  // open elements when it began
  };
  enum class Capture { kNone, kTitle, kStructured };

  Sums& Current() { return open_.empty() ? page_.own : open_.back().own; }
  // The block the text stands in: the innermost recorded element.
  Open& Block() { return recorded_at_.empty() ? page_ : open_[recorded_at_.back()]; }
  std::uint32_t Describe(View text, double* weight = nullptr);
  void ReadStructured();
  void Ended(Open& ended);
  // The record last ended, kept (records_.back()).
  void Keep();
  void HeadingText(View run);

  const scan::LeadBytes* leads_;
  // Its own: a reader's cache of names is changed as it reads, and the
  // recorder may read on a thread of its own (see RecorderThread).
  const ReferenceReader<Char> references_;
  const OutputForm<Char>& form_;
  html::OpenElements<Open> open_;
  Open page_;  // the page itself, number 0
  std::uint32_t next_id_ = 0;
  std::uint32_t links_open_ = 0;
  std::uint16_t depth_ = 0;                  // recorded elements open
  std::vector<std::uint32_t> recorded_ids_;  // of the recorded elements open, outermost first
  std::vector<std::size_t> recorded_at_;     // where they stand in open_
  MeasureState measure_;
  std::vector<NodeRecord> records_;  // in the order they ended
  PageFacts<Char> facts_;
  std::vector<Heading> headings_open_;
  Capture capture_ = Capture::kNone;
  HintReader hint_reader_;
  String scratch_;
  std::vector<typename PageFacts<Char>::Held> held_;
};

}  // namespace engine::maincontent
