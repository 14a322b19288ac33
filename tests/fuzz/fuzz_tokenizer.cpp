// HTML's tokenizer on fuzzed text, fed whole and in pieces of fuzzed sizes:
// the same tokens either way (character data, tags, names, attributes and
// the tag as written), also with the portable scan in place of the vector
// unit's, and what a piece's end makes it hold never past its bound.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "html/reference_reader.h"
#include "html/tokenizer.h"
#include "platform/vector_unit.h"

namespace {

// Everything the tokenizer hands over, as one text: the characters (where
// runs are cut, whether a space comes as text or as a space to collapse,
// and how many calls a run of spaces to collapse takes depend on where
// pieces end: such a run is one space here, as it is in the layout), and
// the tags; the content a start tag opens chosen by its name, as the
// layout chooses it.
class Transcript {
 public:
  using View = std::u16string_view;
  using Token = engine::HtmlTag<char16_t>;
  static constexpr bool kWantsNames = true;

  void Text(View run) {
    text_.append(run);
    collapsing_ = false;
  }
  void Whitespace(char16_t) {
    if (!collapsing_) text_.push_back(u' ');
    collapsing_ = true;
  }
  void LineBreak(char16_t c) { Text(View(&c, 1)); }
  void Reference(char32_t first, char32_t second) {
    text_.append(u"&").push_back(static_cast<char16_t>(first));
    if (second) text_.push_back(static_cast<char16_t>(second));
    collapsing_ = false;
  }
  engine::html::Content Tag(const Token& tag) {
    collapsing_ = false;
    text_.append(tag.end ? u"</" : u"<").append(tag.name).append(u"|").append(tag.raw);
    for (const auto& a : tag.attributes())
      text_.append(u"|").append(a.name).append(u"=").append(a.value);
    text_.append(tag.self_closing ? u"/>" : u">");
    if (tag.end) return engine::html::Content::kData;
    if (tag.name == u"script") return engine::html::Content::kScriptData;
    if (tag.name == u"style" || tag.name == u"xmp") return engine::html::Content::kRawText;
    if (tag.name == u"title" || tag.name == u"textarea") return engine::html::Content::kRcdata;
    if (tag.name == u"plaintext") return engine::html::Content::kPlainText;
    foreign_ = tag.name == u"svg";
    return engine::html::Content::kData;
  }
  bool CollapsesSpaces() const { return collapse_; }
  bool Showing() const { return true; }
  bool Foreign() const { return foreign_; }
  bool KeepsAttribute(const Token&, std::uint64_t key) const { return key % 3 != 0; }
  bool KeepsRaw(const Token& tag) const { return !tag.end && tag.key % 2 == 0; }

  std::u16string text_;
  bool collapse_ = false;
  bool foreign_ = false;
  bool collapsing_ = false;  // the last thing handed over was a space to collapse
};

std::u16string Run(const std::u16string& input, std::size_t most, bool collapse) {
  Transcript transcript;
  transcript.collapse_ = collapse;
  const engine::ReferenceReader<char16_t> references(true);
  engine::HtmlTokenizer<char16_t, Transcript> tokenizer(
      transcript, {.html = true, .mark_spaces = collapse, .references = &references});
  for (std::size_t at = 0; at < input.size(); at += most) {
    tokenizer.Feed(std::u16string_view(input).substr(at, most));
    if (tokenizer.Lookahead() > tokenizer.kMostLookahead) std::abort();
  }
  tokenizer.Finish();
  return transcript.text_;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t most = 1 + data[0] % 16;
  const bool collapse = data[1] & 1;
  std::u16string input;
  static const char16_t kAlphabet[] =
      u"<>&;#x0123456789\r\n \t!-/=\"'?[]aAbcdeEfhHilmnopPrRsStTuvxy\u00A0\u3042";
  for (std::size_t i = 2; i < size; ++i) {
    const unsigned char b = data[i];
    input.push_back(b < 0xF0 ? kAlphabet[b % (sizeof(kAlphabet) / sizeof(char16_t) - 1)]
                             : static_cast<char16_t>(0xD800 + b));
  }
  const std::u16string whole = Run(input, input.size() + 1, collapse);
  if (Run(input, most, collapse) != whole) std::abort();
  // The portable scan gives what the vector unit in use gives.
  const platform::VectorUnit unit = platform::ActiveVectorUnit();
  platform::UseVectorUnit(platform::VectorUnit::kScalar);
  const std::u16string scalar = Run(input, most, collapse);
  platform::UseVectorUnit(unit);
  if (scalar != whole) std::abort();
  return 0;
}
