// The html5lib tokenizer suite (tests/html/html5lib, MIT), which browsers'
// tokenizers are tested with: every case of the data state, RCDATA, RAWTEXT,
// script data, PLAINTEXT and CDATA sections, compared as tokens (character
// data, start and end tags with their attributes, in order) with what the
// tokenizer gives, and as text with what the readable conversion gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/clsQuillmere.h"
#include "html/reference_reader.h"
#include "html/tokenizer.h"
#include "platform/codepage.h"
#include "tests/support/converter_options.h"
#include "tests/support/json.h"
#include "tests/support/readable_text.h"
#include "tests/support/source_file.h"
#include "tests/support/temp_dir.h"

namespace {

using engine::html::Content;
using testing_support::Json;
using testing_support::Show;

// A token as the suite writes it; comments and DOCTYPEs are not compared.
struct Token {
  enum class Type { kCharacter, kStartTag, kEndTag } type = Type::kCharacter;
  std::u16string data;  // the characters, or the tag's name
  std::map<std::u16string, std::u16string> attributes;
  bool self_closing = false;
  bool operator==(const Token&) const = default;
};

std::string Describe(const std::vector<Token>& tokens) {
  std::string out;
  for (const Token& t : tokens) {
    if (t.type == Token::Type::kCharacter) {
      out += "[chars " + Show(t.data) + "]";
      continue;
    }
    out += t.type == Token::Type::kStartTag ? "[start " : "[end ";
    out += Show(t.data);
    for (const auto& [name, value] : t.attributes) out += " " + Show(name) + "=" + Show(value);
    if (t.self_closing) out += " /";
    out += "]";
  }
  return out;
}

void AddCharacters(std::vector<Token>& tokens, std::u16string_view data) {
  if (data.empty()) return;
  if (tokens.empty() || tokens.back().type != Token::Type::kCharacter) tokens.emplace_back();
  tokens.back().data.append(data);
}

// What the tokenizer gives, as tokens: the sink of the tests.
class Recorder {
 public:
  using View = std::u16string_view;
  static constexpr bool kWantsNames = true;

  void Text(View run) { AddCharacters(tokens_, run); }
  void Whitespace(char16_t c) { AddCharacters(tokens_, View(&c, 1)); }
  void LineBreak(char16_t c) { AddCharacters(tokens_, View(&c, 1)); }
  void Reference(char32_t first, char32_t second) {
    std::u16string units;
    form_.Append(first, units);
    if (second) form_.Append(second, units);
    AddCharacters(tokens_, units);
  }
  Content Tag(const engine::HtmlTag<char16_t>& tag) {
    Token token;
    token.type = tag.end ? Token::Type::kEndTag : Token::Type::kStartTag;
    token.data = tag.name;
    if (!tag.end) {
      token.self_closing = tag.self_closing;
      for (const auto& attribute : tag.attributes()) {
        std::u16string value;
        engine::AppendAttributeValue(references_, form_, std::u16string_view(attribute.value),
                                     value);
        token.attributes.emplace(attribute.name, value);
      }
    }
    tokens_.push_back(std::move(token));
    return Content::kData;  // as the suite's tokenizer: no tree builder
  }
  bool CollapsesSpaces() const { return false; }
  bool Showing() const { return true; }
  bool Foreign() const { return foreign_; }
  bool KeepsAttribute(const engine::HtmlTag<char16_t>&, std::uint64_t) const { return true; }
  bool KeepsRaw(const engine::HtmlTag<char16_t>&) const { return false; }

  std::vector<Token> tokens_;
  bool foreign_ = false;

 private:
  engine::ReferenceReader<char16_t> references_{true};
  engine::OutputForm<char16_t> form_{nullptr};
};

using Tokenizer = engine::HtmlTokenizer<char16_t, Recorder>;

// The suite's "doubleEscaped": \uHHHH written out, to be read once more.
std::u16string Unescape(const std::u16string& text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\\' && i + 5 < text.size() && text[i + 1] == u'u') {
      unsigned value = 0;
      for (std::size_t k = i + 2; k < i + 6; ++k) {
        const char16_t c = text[k];
        value = value * 16 + (c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10);
      }
      out += static_cast<char16_t>(value);
      i += 5;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The HTML standard's preprocessing of the input stream: CR LF and CR are LF.
std::u16string Preprocessed(std::u16string_view input) {
  std::u16string out;
  for (std::size_t i = 0; i < input.size(); ++i) {
    if (input[i] == u'\r') {
      out += u'\n';
      if (i + 1 < input.size() && input[i + 1] == u'\n') ++i;
    } else {
      out += input[i];
    }
  }
  return out;
}

struct Case {
  std::string file;
  std::u16string description;
  std::u16string input;
  std::string state;              // the initial state, as the suite names it
  std::u16string last_start_tag;  // empty: none
  std::vector<Token> expected;
};

std::vector<Case> ReadSuite() {
  std::vector<Case> cases;
  for (const char* file : {"contentModelFlags", "domjs", "entities", "escapeFlag", "namedEntities",
                           "numericEntities", "pendingChanges", "test1", "test2", "test3", "test4",
                           "unicodeChars", "unicodeCharsProblematic"}) {
    const Json suite = Json::Parse(testing_support::ReadSourceFile(
        std::string(QUILLMERE_HTML5LIB_TOKENIZER) + "/" + file + ".test"));
    for (const Json& test : suite[u"tests"].array) {
      const bool twice = test.Has(u"doubleEscaped") && test[u"doubleEscaped"].boolean;
      auto unescaped = [twice](const std::u16string& value) {
        return twice ? Unescape(value) : value;
      };
      auto text = [&](const Json& value) { return unescaped(value.string); };
      Case c;
      c.file = file;
      c.description = test[u"description"].string;
      c.input = text(test[u"input"]);
      if (test.Has(u"lastStartTag")) c.last_start_tag = test[u"lastStartTag"].string;
      for (const Json& token : test[u"output"].array) {
        const std::u16string& type = token.array[0].string;
        if (type == u"Character") {
          AddCharacters(c.expected, text(token.array[1]));
        } else if (type == u"StartTag" || type == u"EndTag") {
          Token t;
          t.type = type == u"StartTag" ? Token::Type::kStartTag : Token::Type::kEndTag;
          t.data = text(token.array[1]);
          if (t.type == Token::Type::kStartTag) {
            for (const auto& [name, value] : token.array[2].object)
              t.attributes.emplace(unescaped(name), text(value));
            t.self_closing = token.array.size() > 3 && token.array[3].boolean;
          }
          c.expected.push_back(std::move(t));
        }
      }
      std::vector<std::string> states;
      if (test.Has(u"initialStates")) {
        for (const Json& state : test[u"initialStates"].array)
          states.emplace_back(state.string.begin(), state.string.end());
      } else {
        states.emplace_back("Data state");
      }
      for (const std::string& state : states) {
        c.state = state;
        cases.push_back(c);
      }
    }
  }
  return cases;
}

const std::vector<Case>& Suite() {
  static const std::vector<Case> cases = ReadSuite();
  return cases;
}

// What the preprocessed tokens are (character data normalized as the
// input is: the suite gives the tokens of the preprocessed stream).
std::vector<Token> TokensOf(const Case& c, std::u16string_view input, std::size_t piece) {
  Recorder recorder;
  const engine::ReferenceReader<char16_t> references(true);
  Tokenizer tokenizer(recorder, {.html = true, .references = &references});
  std::u16string text(input);
  if (c.state == "RCDATA state") tokenizer.StartIn(Content::kRcdata, c.last_start_tag);
  if (c.state == "RAWTEXT state") tokenizer.StartIn(Content::kRawText, c.last_start_tag);
  if (c.state == "Script data state") tokenizer.StartIn(Content::kScriptData, c.last_start_tag);
  if (c.state == "PLAINTEXT state") tokenizer.StartIn(Content::kPlainText, c.last_start_tag);
  if (c.state == "CDATA section state") {
    // Begun inside a section that foreign content opened.
    recorder.foreign_ = true;
    text = u"<![CDATA[" + text;
  }
  for (std::size_t at = 0; at < text.size(); at += piece)
    tokenizer.Feed(std::u16string_view(text).substr(at, piece));
  tokenizer.Finish();
  return recorder.tokens_;
}

bool HoldsNul(const Case& c) {
  return c.input.find(u'\0') != std::u16string::npos;
}

// Every case but those holding U+0000 (the text of every conversion ends at
// its first NUL), whole and fed a character at a time.
TEST(Html5libTokenizer, EveryCaseGivesTheSuitesTokens) {
  std::size_t compared = 0, with_nul = 0;
  for (const Case& c : Suite()) {
    if (HoldsNul(c)) {
      ++with_nul;
      continue;
    }
    const std::u16string input = Preprocessed(c.input);
    for (const std::size_t piece : {input.size() + 1, std::size_t(1), std::size_t(3)}) {
      const std::vector<Token> tokens = TokensOf(c, input, piece);
      ASSERT_EQ(Describe(tokens), Describe(c.expected))
          << c.file << ": " << Show(c.description) << " (" << c.state << ", input " << Show(c.input)
          << ", pieces of " << piece << ")";
    }
    ++compared;
  }
  std::printf("compared %zu cases, %zu with U+0000\n", compared, with_nul);
  EXPECT_EQ(compared + with_nul, Suite().size());
  EXPECT_GT(compared, 6800u);
}

// The elements whose content the readable text reads or shows otherwise than
// the suite's tokenizer, which has no tree builder: raw text and RCDATA by
// the start tag's name, what a browser never shows, foreign content (where
// CDATA sections are text), and what the hidden attribute or a style hides.
bool ReadsOtherwise(const Token& t) {
  static const std::u16string kNames[] = {u"title",  u"textarea",  u"style",    u"xmp",
                                          u"iframe", u"noembed",   u"noframes", u"noscript",
                                          u"script", u"plaintext", u"template", u"datalist",
                                          u"rp",     u"svg",       u"math"};
  if (t.type != Token::Type::kStartTag) return false;
  return std::find(std::begin(kNames), std::end(kNames), t.data) != std::end(kNames) ||
         t.attributes.count(u"hidden") != 0 || t.attributes.count(u"style") != 0;
}

// The character data a browser puts into the body: before the body begins
// (at a character other than a space, or a start tag of an element that is
// not the head's), spaces are the head's. A wrapped case is in the body.
std::u16string BodyText(const std::vector<Token>& tokens, bool body) {
  static const std::u16string kHead[] = {u"html",  u"head",   u"base",    u"basefont", u"bgsound",
                                         u"link",  u"meta",   u"title",   u"noscript", u"noframes",
                                         u"style", u"script", u"template"};
  std::u16string text;
  for (const Token& t : tokens) {
    if (t.type == Token::Type::kCharacter) {
      std::u16string_view data = t.data;
      while (!body && !data.empty() &&
             std::u16string_view(u" \t\n\f\r").find(data[0]) != std::u16string_view::npos)
        data.remove_prefix(1);
      body = body || !data.empty();
      text += data;
    } else if (t.type == Token::Type::kStartTag) {
      body = body || std::find(std::begin(kHead), std::end(kHead), t.data) == std::end(kHead);
    } else {
      body = body || t.data == u"body" || t.data == u"html" || t.data == u"br";
    }
  }
  return text;
}

bool ContainsNoCase(std::u16string text, std::u16string_view part) {
  for (char16_t& c : text)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c | 0x20);
  return text.find(part) != std::u16string::npos;
}

// Line breaks as one kind: the conversion writes CR LF for each.
std::u16string OneKindOfBreak(std::u16string_view text) {
  return Preprocessed(text);
}

// The readable conversion (SCRIPT and ENTITY on, the ten options off) of
// every case gives the case's character data, as the browser puts it in the
// body; RCDATA, RAWTEXT, PLAINTEXT and CDATA cases are wrapped in an element
// the browser shows that begins that state (textarea, xmp, plaintext, a CDATA
// section of svg). The cases left out are counted by their reason.
TEST(Html5libText, TheReadableTextIsTheSuitesCharacterData) {
  const clsQuillmere q = testing_support::ConverterWith({{u"HR", u"0"},
                                                         {u"HR_NUM", u"0"},
                                                         {u"BR", u"0"},
                                                         {u"P", u"0"},
                                                         {u"IMG", u"0"},
                                                         {u"ANAME", u"0"},
                                                         {u"AHREF", u"0"},
                                                         {u"AHREFSharp", u"0"},
                                                         {u"ENTER", u"0"},
                                                         {u"A_LINK_TAG_TYPE", u"0"},
                                                         {u"SCRIPT", u"1"},
                                                         {u"ENTITY", u"1"}});
  const testing_support::Utf8Codec utf8;
  std::map<std::string, std::size_t> left_out;
  std::size_t compared = 0;
  for (const Case& c : Suite()) {
    if (HoldsNul(c)) {
      ++left_out["holds U+0000, where the text ends"];
      continue;
    }
    std::u16string wrapper;
    if (c.state == "RCDATA state") wrapper = u"textarea";
    if (c.state == "RAWTEXT state") wrapper = u"xmp";
    if (c.state == "PLAINTEXT state") wrapper = u"plaintext";
    if (c.state == "Script data state") {
      ++left_out["script data: a script is never shown"];
      continue;
    }
    if (!c.last_start_tag.empty() && c.last_start_tag != wrapper) {
      ++left_out["its content is that of an element the browser does not show"];
      continue;
    }
    if (!wrapper.empty() && c.last_start_tag.empty() && ContainsNoCase(c.input, u"</" + wrapper)) {
      ++left_out["holds the end tag of the element it is wrapped in"];
      continue;
    }
    if (std::any_of(c.expected.begin(), c.expected.end(), ReadsOtherwise)) {
      ++left_out["holds an element read or shown otherwise than its tokens"];
      continue;
    }
    std::u16string input = Preprocessed(c.input);
    if (!wrapper.empty()) input = u"<" + wrapper + u">" + input;
    if (c.state == "CDATA section state") input = u"<svg><![CDATA[" + input;
    const std::u16string expected = OneKindOfBreak(BodyText(c.expected, c.state != "Data state"));
    ASSERT_EQ(Show(OneKindOfBreak(q.Execute(input))), Show(expected))
        << c.file << ": " << Show(c.description) << " (" << c.state << ", input " << Show(c.input)
        << ")";
    // And as the bytes of a UTF-8 file, in pieces.
    const std::string bytes = platform::EncodeUtf8(input);
    if (platform::DecodeUtf8(bytes) == input) {
      for (const std::size_t piece : {std::size_t(1), std::size_t(7)}) {
        clsQuillmere::ByteSession session(q, utf8);
        std::string out;
        for (std::size_t at = 0; at < bytes.size(); at += piece)
          session.Feed(std::string_view(bytes).substr(at, piece), out);
        session.Finish(out);
        ASSERT_EQ(Show(OneKindOfBreak(platform::DecodeUtf8(out))), Show(expected))
            << c.file << ": " << Show(c.description) << " (" << c.state << ", in UTF-8)";
      }
    }
    ++compared;
  }
  std::printf("compared %zu cases; left out:\n", compared);
  for (const auto& [why, count] : left_out) std::printf("  %zu: %s\n", count, why.c_str());
  EXPECT_GT(compared, 6700u);
}

}  // namespace
