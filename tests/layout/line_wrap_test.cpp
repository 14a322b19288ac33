// Lines wrapped at a width, as properties over random paragraphs of Japanese
// and English: no line is wider than the width unless it is one run with no
// place to break; joined back, the lines are the unwrapped text; no line
// begins or ends with a character Japanese typesetting forbids there; and
// the text is the same fed in pieces. The Japanese classes, as tables.
#include "layout/line_wrap.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/clsQuillmere.h"
#include "layout/character_widths.h"
#include "tests/support/converter_options.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::ConverterWith;
using testing_support::Show;

std::u32string Utf32(std::u16string_view text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size())
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    out.push_back(c);
  }
  return out;
}

std::size_t Columns(std::u32string_view line) {
  std::size_t columns = 0;
  for (const char32_t c : line) columns += engine::ColumnsOf(c);
  return columns;
}

std::vector<std::u32string> Lines(std::u16string_view text) {
  std::vector<std::u32string> lines;
  const std::u32string all = Utf32(text);
  std::size_t from = 0;
  for (std::size_t cr; (cr = all.find(U"\r\n", from)) != std::u32string::npos; from = cr + 2)
    lines.push_back(all.substr(from, cr - from));
  lines.push_back(all.substr(from));
  return lines;
}

// UTF-16 without its spaces, to compare texts whose breaks took spaces.
std::u16string WithoutSpaces(const std::u32string& text) {
  std::u16string out;
  for (const char32_t c : text) {
    if (c == U' ') continue;
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

TEST(LineWrap, PropertiesOfRandomParagraphs) {
  const std::u16string kPieces[] = {u"吾輩",
                                    u"は",
                                    u"猫",
                                    u"である",
                                    u"。",
                                    u"、",
                                    u"「",
                                    u"」",
                                    u"（",
                                    u"）",
                                    u"っ",
                                    u"ゃ",
                                    u"ー",
                                    u"々",
                                    u"・",
                                    u"？",
                                    u"！",
                                    u"‼",
                                    u"ゝ",
                                    u"ヽ",
                                    u"カタカナ",
                                    u"ｶﾀｶﾅ",
                                    u"ｰ",
                                    u"ｧ",
                                    u"English",
                                    u" ",
                                    u" ",
                                    u"word",
                                    u"a",
                                    u"https://example.com/long/path/to/a/page",
                                    u"supercalifragilistic",
                                    u"2026年",
                                    u"12.5%",
                                    u"\u201C",
                                    u"\u201D",
                                    u"—",
                                    u"…"};
  std::mt19937 random(31);
  for (int round = 0; round < 400; ++round) {
    const int width = 20 + static_cast<int>(random() % 30);
    std::u16string text;
    const int count = 1 + static_cast<int>(random() % 60);
    for (int k = 0; k < count; ++k) text += kPieces[random() % std::size(kPieces)];
    const clsQuillmere plain = ConverterWith({{u"SCRIPT", u"1"}, {u"SPACE", u"1"}});
    const std::string digits = std::to_string(width);
    const std::u16string width_text(digits.begin(), digits.end());
    const clsQuillmere wrapped =
        ConverterWith({{u"SCRIPT", u"1"}, {u"SPACE", u"1"}, {u"WIDTH", width_text}});
    const std::u16string unwrapped = plain.Execute(text);
    const std::u16string result = wrapped.Execute(text);
    if (result.empty()) continue;  // spaces alone
    const std::vector<std::u32string> lines = Lines(result);
    std::u32string joined;
    for (const std::u32string& line : lines) joined += line;
    ASSERT_EQ(Show(WithoutSpaces(joined)), Show(WithoutSpaces(Utf32(unwrapped))))
        << Show(text) << " at " << width;
    for (std::size_t k = 0; k < lines.size(); ++k) {
      const std::u32string& line = lines[k];
      ASSERT_FALSE(line.empty()) << Show(text);
      if (Columns(line) > static_cast<std::size_t>(width)) {
        // Wider only where the line holds no place to break.
        const std::vector<engine::Break> breaks = engine::WrapOpportunities(line);
        for (std::size_t i = 1; i < breaks.size(); ++i)
          ASSERT_EQ(breaks[i], engine::Break::kNone)
              << Show(result) << " line " << k << " at " << width;
      }
      if (k > 0) {
        ASSERT_FALSE(engine::MayNotBeginLine(line.front())) << Show(result) << " at " << width;
      }
      if (k + 1 < lines.size()) {
        ASSERT_FALSE(engine::MayNotEndLine(line.back())) << Show(result) << " at " << width;
      }
    }
    // In pieces.
    clsQuillmere::Session session(wrapped);
    std::u16string pieces;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t n = std::min<std::size_t>(1 + random() % 7, text.size() - at);
      session.Feed(std::u16string_view(text).substr(at, n), pieces);
      at += n;
    }
    session.Finish(pieces);
    ASSERT_EQ(Show(pieces), Show(result)) << Show(text) << " at " << width;
  }
}

TEST(LineWrap, JapaneseRulesForLinesStartsAndEnds) {
  const std::u32string_view no_start =
      U"、。，．」』）】〕〉》・：；？！‼⁇ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶーｰ々ゝゞヽヾ"
      U"\u201D"
      U"\u2019ｧｯ｡｣";
  for (const char32_t c : no_start) {
    EXPECT_TRUE(engine::MayNotBeginLine(c)) << static_cast<std::uint32_t>(c);
  }
  for (const char32_t c : std::u32string_view(U"「『（【〔〈《\u201C\u2018｢")) {
    EXPECT_TRUE(engine::MayNotEndLine(c)) << static_cast<std::uint32_t>(c);
  }
  for (const char32_t c : std::u32string_view(U"あ漢アｱa1「（")) {
    EXPECT_FALSE(engine::MayNotBeginLine(c)) << static_cast<std::uint32_t>(c);
  }
  for (const char32_t c : std::u32string_view(U"あ漢アｱa1」。")) {
    EXPECT_FALSE(engine::MayNotEndLine(c)) << static_cast<std::uint32_t>(c);
  }
}

}  // namespace
