// The tokenizer's bounds and what its sink asks of it: it never holds more
// than a construct a piece's end cuts and the tag under way, whatever it is
// fed (a quoted attribute value, a comment, a script of 100 MB...); the
// attributes and the tag as written that the sink keeps, also when pieces
// cut them; values past what it keeps cut between characters.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/clsQuillmere.h"
#include "engine/readable_scan.h"
#include "html/reference_reader.h"
#include "html/tokenizer.h"
#include "platform/codepage.h"
#include "tests/support/converter_options.h"
#include "tests/support/readable_text.h"
#include "tests/support/temp_dir.h"

namespace {

using engine::html::Content;
using testing_support::Show;

// A sink that keeps the tags it is given (their names, kept attributes and
// the raw text of those it asks for) and counts the characters of text.
template <typename Char>
class Keeper {
 public:
  using View = std::basic_string_view<Char>;
  using Token = engine::HtmlTag<Char>;
  static constexpr bool kWantsNames = true;

  struct Kept {
    std::basic_string<Char> name, raw;
    bool raw_cut = false;
    std::vector<std::pair<std::basic_string<Char>, std::basic_string<Char>>> attributes;
    std::vector<bool> cut;
  };

  void Text(View run) { text_ += run.size(); }
  void Whitespace(Char) { ++text_; }
  void LineBreak(Char) { ++text_; }
  void Reference(char32_t, char32_t) { ++text_; }
  Content Tag(const Token& tag) {
    if (keep_tags_) {
      Kept kept;
      kept.name = tag.name;
      kept.raw = tag.raw;
      kept.raw_cut = tag.raw_cut;
      for (const auto& a : tag.attributes()) {
        kept.attributes.emplace_back(a.name, a.value);
        kept.cut.push_back(a.cut);
      }
      tags_.push_back(std::move(kept));
    }
    return content_(tag);
  }
  bool CollapsesSpaces() const { return false; }
  bool Showing() const { return true; }
  bool Foreign() const { return false; }
  bool KeepsAttribute(const Token&, std::uint64_t key) const { return keeps_(key); }
  bool KeepsRaw(const Token& tag) const { return keeps_raw_ && !tag.end; }

  std::function<bool(std::uint64_t)> keeps_ = [](std::uint64_t) { return true; };
  std::function<Content(const Token&)> content_ = [](const Token&) { return Content::kData; };
  bool keeps_raw_ = false;
  bool keep_tags_ = true;
  std::size_t text_ = 0;
  std::vector<Kept> tags_;
};

template <typename Char>
using TokenizerFor = engine::HtmlTokenizer<Char, Keeper<Char>>;

// Feeds `head`, then `body` `times` over in pieces of `piece`, then `tail`,
// and gives the most the tokenizer held after any piece.
template <typename Char>
std::size_t MostHeld(Keeper<Char>& keeper, const std::basic_string<Char>& head,
                     const std::basic_string<Char>& body, std::size_t times,
                     const std::basic_string<Char>& tail) {
  const engine::ReferenceReader<Char> references(true);
  TokenizerFor<Char> tokenizer(keeper, {.html = true, .references = &references});
  std::size_t most = 0;
  auto feed = [&](const std::basic_string<Char>& piece) {
    tokenizer.Feed(piece);
    most = std::max(most, tokenizer.Held());
  };
  feed(head);
  for (std::size_t k = 0; k < times; ++k) feed(body);
  feed(tail);
  tokenizer.Finish();
  return std::max(most, tokenizer.Held());
}

std::string Repeat(std::string_view unit, std::size_t bytes) {
  std::string out;
  while (out.size() < bytes) out += unit;
  return out;
}

constexpr std::size_t kMiB = std::size_t(1) << 20;

// 100 MB of a quoted attribute value: what is kept of it is cut at
// kLongestValue; one the sink does not keep is not held at all.
TEST(HtmlTokenizerBounds, AQuotedValueOf100MBIsHeldOnlyAsFarAsItIsKept) {
  const std::string body = Repeat("x>y'z ", kMiB);
  Keeper<char> keeper;
  EXPECT_LE(MostHeld<char>(keeper, "<a href=\"", body, 100, "\">"), engine::kLongestValue + 64);
  ASSERT_EQ(keeper.tags_.size(), 1u);
  ASSERT_EQ(keeper.tags_[0].attributes.size(), 1u);
  EXPECT_EQ(keeper.tags_[0].attributes[0].second.size(), engine::kLongestValue);
  EXPECT_TRUE(keeper.tags_[0].cut[0]);

  Keeper<char> ignoring;
  ignoring.keeps_ = [](std::uint64_t) { return false; };
  EXPECT_LE(MostHeld<char>(ignoring, "<a href=\"", body, 100, "\">"), 64u);
  EXPECT_EQ(ignoring.text_, 0u);
}

// Every other construct that can go on and on: nothing held but a few
// characters (and the tag's name, cut at kLongestName).
TEST(HtmlTokenizerBounds, LongConstructsHoldAFewCharacters) {
  struct Shape {
    const char* head;
    const char* unit;
    bool counts_text;
  };
  const Shape shapes[] = {
      {"<!--", "a-b->-!x ", false},
      {"<!DOCTYPE ", "a>\"b'", false},
      {"<?", "x", false},
      {"<script>", "<!--<script></script--", true},
      {"<style>", "a</styl ", true},
      {"<textarea>", "a&amp;</textare ", true},
      {"<plaintext>", "<a>", true},
      {"<x", "abcdefgh", false},
      {"<x ", "abcdefgh", false},
      {"<x a=", "b&amp;c", false},
      {"<x a='", "&#x", false},
      {"", "&#", false},
      {"", "<a>text</a>&amp;&copy;", true},
  };
  for (const Shape& shape : shapes) {
    Keeper<char> keeper;
    keeper.keep_tags_ = false;
    keeper.keeps_ = [](std::uint64_t) { return false; };
    keeper.content_ = [](const engine::HtmlTag<char>& tag) {
      if (tag.name == "script") return Content::kScriptData;
      if (tag.name == "style") return Content::kRawText;
      if (tag.name == "textarea") return Content::kRcdata;
      if (tag.name == "plaintext") return Content::kPlainText;
      return Content::kData;
    };
    const std::string body = Repeat(shape.unit, kMiB);
    EXPECT_LE(MostHeld<char>(keeper, shape.head, body, 8, ""), engine::kLongestName + 64)
        << shape.head << shape.unit;
    if (shape.counts_text) {
      EXPECT_GT(keeper.text_, 0u) << shape.head;
    }
  }
}

// 100 MB of a hidden element (never ended, its elements never closed) in
// the readable conversion: nothing of it is shown and nothing held grows.
TEST(HtmlTokenizerBounds, AHiddenElementOf100MBHoldsNothing) {
  const clsQuillmere q = testing_support::ConverterWith({{u"SCRIPT", u"1"}, {u"BLOCK", u"1"}});
  engine::ScanOptions options = testing_support::ScanOptionsOf(q);
  const testing_support::Utf8Codec utf8;
  engine::ReadableScan<char> scan(options, &utf8, nullptr, nullptr, "[i:", "[l:");
  std::string out;
  scan.Feed("a<div hidden>", out);
  const std::string body = Repeat("<div><p>text<b>more<li>x&amp;<table><td>y<a href=z>", kMiB);
  std::size_t most = 0;
  for (int k = 0; k < 100; ++k) {
    scan.Feed(body, out);
    most = std::max(most, scan.Held());
  }
  scan.Finish(out, {});
  EXPECT_EQ(out, "a");
  EXPECT_LE(most, 1100u);  // the open elements, to their bounded depth
}

// The attributes a sink keeps, and the tag as written, are whole however
// pieces cut them, in UTF-16 and in bytes.
TEST(HtmlTokenizerSink, KeptAttributesAndRawTagsAreWholeInAnyPieces) {
  const std::u16string input =
      u"<A Href = \"x>&amp;\" NAME=n hidden target=_top>t</A><img SRC='\u3042' alt=b/>";
  auto run = [](const std::u16string& text, std::size_t cut1, std::size_t cut2) {
    Keeper<char16_t> keeper;
    keeper.keeps_raw_ = true;
    keeper.keeps_ = [](std::uint64_t key) { return key != engine::html::NameKey("target"); };
    const engine::ReferenceReader<char16_t> references(true);
    TokenizerFor<char16_t> tokenizer(keeper, {.html = true, .references = &references});
    const std::u16string_view view = text;
    tokenizer.Feed(view.substr(0, cut1));
    tokenizer.Feed(view.substr(cut1, cut2 - cut1));
    tokenizer.Feed(view.substr(cut2));
    tokenizer.Finish();
    std::u16string shown;
    for (const auto& tag : keeper.tags_) {
      shown += u"[" + tag.name + u"|" + tag.raw;
      for (const auto& [name, value] : tag.attributes) shown += u"|" + name + u"=" + value;
      shown += u"]";
    }
    return shown;
  };
  const std::u16string expected =
      u"[a|<A Href = \"x>&amp;\" NAME=n hidden target=_top>|href=x>&amp;|name=n|hidden=]"
      u"[a|]"
      u"[img|<img SRC='\u3042' alt=b/>|src=\u3042|alt=b/]";
  for (std::size_t a = 0; a <= input.size(); ++a)
    for (std::size_t b = a; b <= input.size(); ++b)
      ASSERT_EQ(Show(run(input, a, b)), Show(expected)) << "cut at " << a << ", " << b;
}

// A value or a tag past what is kept is cut between characters: a
// two-byte character of the code page, or a UTF-16 pair, stays whole.
TEST(HtmlTokenizerSink, WhatIsCutIsCutBetweenCharacters) {
  // "あ" is two bytes in code page 932 and a lone unit in UTF-16; the emoji
  // is two units.
  const std::string kana = platform::EncodeAnsi(u"\u3042");
  ASSERT_EQ(kana.size(), 2u);
  for (const std::size_t shift : {0, 1}) {
    Keeper<char> keeper;
    keeper.keeps_raw_ = true;
    std::array<bool, 256> leads{};
    for (int b = 0; b < 256; ++b)
      leads[b] = platform::IsAnsiLeadByte(static_cast<unsigned char>(b));
    const engine::ReferenceReader<char> references(true);
    engine::HtmlTokenizer<char, Keeper<char>> tokenizer(
        keeper, {.html = true, .references = &references, .leads = &leads});
    tokenizer.Feed("<a href='" + std::string(shift, 'x'));
    for (std::size_t k = 0; k < engine::kLongestValue / 2 + 1; ++k) tokenizer.Feed(kana);
    tokenizer.Feed("'>");
    tokenizer.Finish();
    ASSERT_EQ(keeper.tags_.size(), 1u);
    const std::string& value = keeper.tags_[0].attributes[0].second;
    EXPECT_TRUE(keeper.tags_[0].cut[0]);
    EXPECT_EQ(value.size(), engine::kLongestValue - (shift == 1 ? 1 : 0)) << shift;
    EXPECT_EQ(platform::EncodeAnsi(platform::DecodeAnsi(value)), value);
    EXPECT_TRUE(keeper.tags_[0].raw_cut);
    EXPECT_LE(keeper.tags_[0].raw.size(), engine::kLongestValue);
  }
  Keeper<char16_t> keeper;
  const engine::ReferenceReader<char16_t> references(true);
  TokenizerFor<char16_t> tokenizer(keeper, {.html = true, .references = &references});
  tokenizer.Feed(u"<a href=x");
  for (std::size_t k = 0; k < engine::kLongestValue / 2 + 1; ++k) tokenizer.Feed(u"\U0001F600");
  tokenizer.Feed(u">");
  tokenizer.Finish();
  const std::u16string& value = keeper.tags_[0].attributes[0].second;
  EXPECT_EQ(value.size(), engine::kLongestValue - 1);  // "x" and whole pairs
  EXPECT_EQ(value.back(), u'\xDE00');
}

// The readable text marks a value cut short with "…".
TEST(HtmlTokenizerSink, TheReadableTextMarksACutValue) {
  const clsQuillmere q = testing_support::ConverterWith({{u"SCRIPT", u"1"}});
  const std::u16string url(engine::kLongestValue + 10, u'u');
  const std::u16string text = q.Execute(u"<a href='" + url + u"'>x</a>");
  EXPECT_EQ(Show(text.substr(0, 6)), Show(u"[リンク:u"));
  EXPECT_EQ(Show(text.substr(text.size() - 4)), Show(u"u…]x"));
  EXPECT_EQ(text.size(), 5 + engine::kLongestValue + 3);
}

}  // namespace
