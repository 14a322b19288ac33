// The conversion of a page into readable text, for when any of the options
// SCRIPT, ENTITY, SPACE or BLOCK is on: comments and the contents of script,
// style and template elements dropped as HTML's tokenizer ends them, every
// character reference decoded, spaces laid out as a browser lays them out,
// and block elements on lines of their own; the ten classic options keep
// their meaning. Streamed like the classic session: fed piece by piece, it
// holds only what a construct cut by a piece's end needs (a tag, or up to a
// few dozen characters). Used only inside engine/ and by its tests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/clsQuillmere.h"
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
class ReadableScan {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;

  // `codec` encodes what the conversion adds (null for UTF-16); `overflow`
  // keeps the part of a tag past its first MiB; `leads` marks the code
  // page's lead bytes (null where there are none).
  ReadableScan(const ScanOptions& options, const clsQuillmere::ByteCodec* codec,
               clsQuillmere::Overflow* overflow, const std::array<bool, 256>* leads,
               String image_label, String link_label);

  void Feed(View piece, String& out);
  // `flush` takes the output so far while a long tag that turned out to be
  // text is read back, so that it need not be held whole.
  void Finish(String& out, const std::function<void(String&)>& flush);

 private:
  enum class State { kText, kTag, kComment, kRawText };
  // How the reference at a text's "&" reads: `length` characters (0: more
  // text is needed to tell), standing for up to two code points (none: the
  // "&" is just a character).
  struct Reference {
    std::size_t length = 1;
    char32_t first = 0, second = 0;
  };

  // A named reference looked up lately: its name of up to seven characters
  // and ";", a byte each from the lowest, and what it stands for.
  struct RecentName {
    std::uint64_t key = 0;
    char32_t first = 0, second = 0;
  };

  // The places to act on among 64 characters from `base`.
  struct Marks {
    std::size_t base;
    scan::StopBits found;
  };

  void Process(View text, bool last, String& out);
  scan::StopBits Mark(View text, std::size_t at) const;
  std::size_t NextMark(View text, std::size_t from, Marks& marks) const;
  std::size_t ScanText(View text, std::size_t i, bool last, String& out);
  std::size_t SkipComment(View text, std::size_t i);
  std::size_t SkipRawText(View text, std::size_t i, bool last);
  std::size_t StartComment(View text, std::size_t at, bool last);
  Reference ReadReference(View text, std::size_t at, bool complete, bool attribute) const;
  String HoldForm(View reference) const;

  void GrowTag(View more);
  void EndLongTag(String& out);
  void EndTag(View tag, String& out);
  void OpenLink(View tag, String& add);
  void BlockTag(View tag, String& out);
  void Separate(View mark, String& out);

  // Output: text as a browser lays it out, and line breaks.
  void Visible(View run, String& out);
  void Literal(View text, String& out);
  void Decoded(char32_t code_point, String& out);
  void Space();
  void SourceBreak(Char c);
  void Break();
  void Lines(int count);
  void FlushLines(String& out);
  void AppendValue(View value, String& to) const;
  void AppendDecoded(char32_t code_point, String& to) const;
  bool Collapsing() const { return options_.space && pre_depth_ == 0; }

  const ScanOptions options_;
  const clsQuillmere::ByteCodec* codec_;
  clsQuillmere::Overflow* overflow_;
  const std::array<bool, 256>* leads_;
  const String image_label_, link_label_;
  String nbsp_;    // U+00A0 in the output's form (a space where it cannot be)
  String bullet_;  // "・"

  State state_ = State::kText;
  String held_;  // the start of a construct the last piece cut
  String tag_;   // a tag begun but not yet ended
  bool spilled_ = false;
  std::string comment_tail_;  // the last characters of a comment, "-" and "!" only
  mutable std::array<RecentName, 32> recent_{};
  std::string raw_name_;  // the element whose end tag ends the raw text
  String url_;            // the current link's URL, as written
  bool link_open_ = false;
  String scratch_;             // a decoded reference
  String added_;               // what a tag gives
  String value_;               // an image's alternative text and source
  String picked_;              // working space for picking attributes
  bool no_more_tags_ = false;  // no ">" follows: every "<" is text
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
